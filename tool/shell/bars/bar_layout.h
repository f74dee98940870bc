// The sizes a resizable bar keeps: one while docked, one while floating, and
// the layout answer for each docking and resizing request.
#pragma once

namespace kravin::shell {

// Layout request flags.
enum BarLayoutMode : unsigned {
    LM_STRETCH = 0x01,
    LM_HORZ = 0x02,
    LM_MRUWIDTH = 0x04,
    LM_HORZDOCK = 0x08,
    LM_VERTDOCK = 0x10,
    LM_LENGTHY = 0x20,
};

struct BarSize {
    int width = 0, height = 0;
    bool operator==(const BarSize&) const = default;
};

struct DialogBarSizes {
    BarSize docked;
    BarSize floating;
    // Resizing the floating bar changes the docked size too.
    bool changeDocked = false;

    // The size for a request; a floating resize also stores the new length.
    BarSize calcDynamicLayout(int length, unsigned mode);
};

constexpr int kStretchedLength = 32767;

}  // namespace kravin::shell

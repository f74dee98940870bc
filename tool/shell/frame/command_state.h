// The main frame's command rules without a window: which command is enabled in
// which state, the online command state, the frame title, the print settings
// by view and the zoom box texts.
#pragma once

#include "view_manager.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace kravin::shell {

struct CommandContext {
    bool projectOpen = false;
    bool projectUntitled = true;
    std::optional<ViewKind> active;          // kind of the active child frame
    std::array<bool, kViewKindCount> frameOpen{};
    int currentCard = 0;                     // 0 = the station itself, 1..16 cards
    bool seqBlockIsLadder = false;           // selected block of the sequential view carries "95"
    bool online = false;
    bool busMode = false;                    // online link over the field bus
    bool monitorRan = false;                 // the monitor has completed a cycle
    bool ht9PortOpen = false;
    bool regMonitorShown = false;
    bool ht9CommandFlag = true;              // cached application flag (bus mode)

    bool open(ViewKind kind) const { return frameOpen[static_cast<int>(kind)]; }
    bool activeIs(std::initializer_list<ViewKind> kinds) const;
};

// 0 nothing to do, 1 monitoring may start, 2 monitoring may stop.
int onlineCommandState(const CommandContext& context);

// The frame-level enable rule of a command id; unknown ids are disabled.
bool commandEnabled(int id, const CommandContext& context);

// "KRAVin3 - <child> [<project>]" or "KRAVin3 - [<project>]".
std::string frameTitle(std::string_view appName, const std::optional<std::string>& childTitle,
                       std::string_view projectName);

// Print kind, scale and fit chosen by the active view for the next print.
struct PrintSettings {
    int code = 0;   // 10 system .. 70 ladder
    int scale = 100;
    bool fit = false;
};
std::optional<PrintSettings> printSettingsFor(std::optional<ViewKind> active, int scale, bool fit);

// Zoom box text ("75%") to a value: 0 and *value set; -1 no active view and a
// text; -2 an empty text, no "%" in it or no number.
int parseZoomText(std::string_view text, bool haveActiveView, int* value);
// The zoom box text of a scale (0.75 -> "75%").
std::string zoomText(double scale);
// The zoom box entries, top to bottom.
constexpr std::array<const char*, 6> kZoomEntries{"200%", "150%", "100%", "75%", "50%", "25%"};
// The views that take a zoom from the zoom box.
bool viewTakesZoom(ViewKind kind);

}  // namespace kravin::shell

// The drop rules of a palette's target view, window-free: whether a point of
// the view takes an item, and the drop itself. Points are in the view's
// coordinates (its viewport for a scrolling view).
#pragma once

#include "palette_codes.h"

namespace kravin::shell {

class PaletteDropTarget {
public:
    virtual ~PaletteDropTarget() = default;
    // False when a drag may not start (online).
    virtual bool dragAllowed() const { return true; }
    virtual bool hitTest(int x, int y) const = 0;
    virtual void drop(int x, int y, const PaletteItem& item) = 0;
};

}  // namespace kravin::shell

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
    // Width and height of the picture dragged over the view and the point of
    // it held under the pointer (its centre unless the target says); a zero
    // size drags the tile itself, held at its centre.
    virtual int dragImageWidth() const { return 0; }
    virtual int dragImageHeight() const { return 0; }
    virtual int dragHotSpotX() const { return dragImageWidth() / 2; }
    virtual int dragHotSpotY() const { return dragImageHeight() / 2; }
    // Whether the view could take the item somewhere: a drag entering the
    // view is taken on, and each move then decides by its own point.
    virtual bool takes(const PaletteItem& item) const
    {
        (void)item;
        return dragAllowed();
    }
    virtual bool hitTest(int x, int y) const = 0;
    // Whether the point takes this item (the view may mark the target).
    virtual bool accepts(int x, int y, const PaletteItem& item)
    {
        (void)item;
        return hitTest(x, y);
    }
    // The drag left the view or ended: a mark goes.
    virtual void dragLeave() {}
    virtual void drop(int x, int y, const PaletteItem& item) = 0;
};

}  // namespace kravin::shell

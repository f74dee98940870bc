#include "bar_layout.h"

namespace kravin::shell {

BarSize DialogBarSizes::calcDynamicLayout(int length, unsigned mode)
{
    if (mode & (LM_HORZDOCK | LM_VERTDOCK)) {
        if (mode & LM_STRETCH)
            return (mode & LM_HORZ) ? BarSize{kStretchedLength, docked.height} : BarSize{docked.width, kStretchedLength};
        return docked;
    }
    if (mode & LM_MRUWIDTH) return floating;
    if (mode & LM_LENGTHY) {
        floating.height = length;
        if (changeDocked) docked.height = length;
        return {floating.width, length};
    }
    floating.width = length;
    if (changeDocked) docked.width = length;
    return {length, floating.height};
}

}  // namespace kravin::shell

#include "undo_view.h"

namespace kravin::model {

bool RestoreOnView(UndoView* view, const CommentSlot& c)
{
    return !view || view->commentLayer().RestoreSlot(c.slot, c.record);
}

bool RestoreOnView(UndoView* view, const FigureSlot& f)
{
    return !view || view->figureLayer().RestoreSlot(f.slot, f.record);
}

bool RestoreOnView(UndoView* view, const LinkRecord& link)
{
    if (view) view->restoreLink(link);
    return true;
}

}  // namespace kravin::model

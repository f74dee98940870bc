#include "layer_undo_router.h"

namespace kravin::model {

namespace {
constexpr int kAnalogKindShift = 4;
}

void LayerUndoRouter::RecordComment(int kind, int slot, const CommentRecord& record)
{
    const UndoView* v = view();
    if (!v) return;
    if (v->kind() == WiringViewKind::Analog)
        block_.RecordComment(kind - kAnalogKindShift, slot, record);
    else
        station_.RecordComment(kind, slot, record);
}

void LayerUndoRouter::RecordFigure(int kind, int slot, const FigureRecord& record)
{
    const UndoView* v = view();
    if (!v) return;
    if (v->kind() == WiringViewKind::Analog)
        block_.RecordFigure(kind - kAnalogKindShift, slot, record);
    else
        station_.RecordFigure(kind, slot, record);
}

void LayerUndoRouter::BeginStep()
{
    if (stepDepth_++ == 0) {
        const UndoView* v = view();
        stepTarget_ = !v ? Target::None : v->kind() == WiringViewKind::Analog ? Target::Block : Target::Station;
    }
    if (stepTarget_ == Target::Block) block_.BeginStep();
    if (stepTarget_ == Target::Station) station_.BeginStep();
}

void LayerUndoRouter::EndStep()
{
    if (stepDepth_ == 0) return;
    --stepDepth_;
    if (stepTarget_ == Target::Block) block_.EndStep();
    if (stepTarget_ == Target::Station) station_.EndStep();
}

}  // namespace kravin::model

// Sends a layer's undo records to the store of the active wiring view: the
// block store in the analog view (comment kinds 13..16 become 9..12, figure
// kinds 19/20 become 15/16), the station store in the communication view,
// nowhere in any other view.
#pragma once

#include "block_undo.h"
#include "layer_common.h"
#include "station_undo.h"

#include <functional>

namespace kravin::model {

class LayerUndoRouter : public LayerUndo {
public:
    LayerUndoRouter(CBlockUndo& block, CStationUndo& station, std::function<UndoView*()> activeView)
        : block_(block), station_(station), activeView_(std::move(activeView))
    {
    }

    void RecordComment(int kind, int slot, const CommentRecord& record) override;
    void RecordFigure(int kind, int slot, const FigureRecord& record) override;
    void BeginStep() override;
    void EndStep() override;

private:
    const UndoView* view() const { return activeView_ ? activeView_() : nullptr; }

    CBlockUndo& block_;
    // The store a step was opened on, so it is closed there too.
    enum class Target { None, Block, Station } stepTarget_ = Target::None;
    int stepDepth_ = 0;
    CStationUndo& station_;
    std::function<UndoView*()> activeView_;
};

}  // namespace kravin::model

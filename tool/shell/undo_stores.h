// The undo stores of the block-level and station-level editors with their
// hosts over the project model, and the router that sends the layers'
// records to the store of the active wiring view.
#pragma once

#include "block_undo.h"
#include "current_unit.h"
#include "layer_undo_router.h"
#include "station_undo.h"

#include <functional>
#include <memory>

namespace kravin::shell {

class UndoStores {
public:
    // activeView: the active wiring view's undo side, or null.
    UndoStores(model::UnitContext& unit, std::function<model::UndoView*()> activeView,
               std::function<void()> setModified);
    ~UndoStores();

    model::CBlockUndo& block() { return *block_; }
    model::CStationUndo& station() { return *station_; }
    model::LayerUndoRouter& layers() { return *router_; }

private:
    class BlockHost;
    class StationHost;
    std::unique_ptr<BlockHost> blockHost_;
    std::unique_ptr<StationHost> stationHost_;
    std::unique_ptr<model::CBlockUndo> block_;
    std::unique_ptr<model::CStationUndo> station_;
    std::unique_ptr<model::LayerUndoRouter> router_;
};

}  // namespace kravin::shell

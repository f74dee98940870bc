// The station undo store's view of the tool: the current unit and its tables.
#pragma once

#include "current_unit.h"
#include "station_undo.h"

#include <functional>

namespace kravin::model {

class UnitUndoHost final : public StationUndoHost {
public:
    explicit UnitUndoHost(UnitContext& unit) : unit_(unit) {}

    std::string workFolder() const override { return unit_.workFolder; }
    SystemConfigTables& tables() override { return unit_.tables; }
    const CardKindMasters& masters() const override { return unit_.masters; }
    int currentStation() const override { return unit_.g_curStation; }
    int currentCard() const override { return unit_.g_curCard; }
    int currentGroup() const override { return unit_.g_curGroup; }
    void selectUnit(int station, int card) override
    {
        unit_.g_curStation = station;
        unit_.g_curCard = card;
        unit_.SelectCurrentUnit();
        unit_.LoadUnitBlocks(1);
        if (unitChanged) unitChanged();
    }
    UndoView* activeView() override { return view ? view() : nullptr; }
    void setModified() override
    {
        if (modified) modified();
    }

    std::function<void()> modified;
    std::function<void()> unitChanged;
    std::function<UndoView*()> view;

private:
    UnitContext& unit_;
};

}  // namespace kravin::model

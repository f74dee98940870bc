// The station undo store of the system configuration view, with its host on
// the project model: the work folder, the tables and the current unit.
#pragma once

#include "current_unit.h"
#include "project.h"
#include "station_undo.h"

#include <functional>

namespace kravin::shell {

class ShellStationUndo final : public model::StationUndoHost {
public:
    ShellStationUndo(model::UnitContext& unit, model::ProjectSession& session);

    model::CStationUndo& store() { return store_; }

    // Makes a unit current; the shell's selection does it so the views follow.
    std::function<void(int station, int card)> select;

    std::string workFolder() const override { return session_.projectRecord.workFolder; }
    model::SystemConfigTables& tables() override { return unit_.tables; }
    const model::CardKindMasters& masters() const override { return unit_.masters; }
    int currentStation() const override { return unit_.g_curStation; }
    int currentCard() const override { return unit_.g_curCard; }
    int currentGroup() const override { return unit_.g_curGroup; }
    void selectUnit(int station, int card) override;
    model::UndoView* activeView() override { return nullptr; }
    void setModified() override { session_.projectRecord.modified = 1; }

private:
    model::UnitContext& unit_;
    model::ProjectSession& session_;
    model::CStationUndo store_{*this};
};

}  // namespace kravin::shell

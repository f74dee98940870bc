#include "system_commands.h"

namespace kravin::shell {

namespace cmd = editors::syscmd;

SystemCommands::SystemCommands(SystemCommandsContext context)
    : c_(std::move(context)),
      undo_(*c_.unit, *c_.session),
      backup_({c_.session, c_.unit, c_.selection, c_.prompt, &undo_.store(), c_.parent, c_.changed})
{
    undo_.select = [this](int station, int card) {
        c_.selection->select(station, card);
        c_.selection->loadUnitBlocks();
    };
    c_.sync.placeVersion = [this](int v) { placeVersion(v); };
}

void SystemCommands::placeVersion(int v)
{
    model::UnitContext& unit = *c_.unit;
    const int station = unit.g_curStation, card = unit.g_curCard;
    if (station < 0 || station >= model::kStations || card < 0 || card > model::kCardSlots) return;
    model::CStationUndo& undo = undo_.store();
    undo.Record(model::kStationUnit + 1);
    const auto s = static_cast<std::size_t>(station);
    if (card == 0)
        unit.tables.stationVersion[s] = v;
    else
        unit.tables.cardVersion[s][static_cast<std::size_t>(card - 1)] = v;
    unit.tables.forgetUnresolved(station, card - 1);
    c_.session->projectRecord.modified = 1;
    c_.selection->select(station, card);
    c_.selection->loadUnitBlocks();
    undo.Record(model::kStationUnit);
    if (c_.changed) c_.changed();
}

bool SystemCommands::run(int id)
{
    switch (id) {
    case cmd::EditUndo:
    case cmd::EditRedo: {
        const bool done = id == cmd::EditUndo ? undo_.store().Undo() != model::StepResult::Nothing
                                              : undo_.store().Redo() != model::StepResult::Nothing;
        if (done && c_.changed) c_.changed();
        return true;
    }
    case cmd::CardBackup: backup_.backup(); return true;
    case cmd::RestoreCard: backup_.restore(); return true;
    case cmd::SynchronizeVersion: SynchronizeVersion(c_.sync); return true;
    default: return false;
    }
}

}  // namespace kravin::shell

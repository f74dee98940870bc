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
    default: return false;
    }
}

}  // namespace kravin::shell

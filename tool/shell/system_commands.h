// Commands of the system configuration view that the shell serves: Undo and
// Redo through the station undo store, card backup and restore, version
// synchronisation.
#pragma once

#include "card_backup_commands.h"
#include "station_undo_host.h"
#include "version_sync_command.h"

#include <functional>
#include <memory>

namespace kravin::shell {

struct SystemCommandsContext {
    model::ProjectSession* session = nullptr;
    model::UnitContext* unit = nullptr;
    editors::UnitSelection* selection = nullptr;
    model::Prompt* prompt = nullptr;
    std::function<QWidget*()> parent;
    // The configuration changed: repaint the view, refresh the commands.
    std::function<void()> changed;
    // The serial side of "Synchronize version" (its placeVersion is filled in here).
    VersionSyncContext sync;
};

class SystemCommands {
public:
    explicit SystemCommands(SystemCommandsContext context);

    // Runs a command of the view's menus; false when it is not served here.
    bool run(int id);
    bool canUndo() const { return undo_.store().CanUndo(); }
    bool canRedo() const { return undo_.store().CanRedo(); }
    void clearUndo() { undo_.store().Clear(); }
    model::CStationUndo& undoStore() { return undo_.store(); }
    CardBackupCommands& backup() { return backup_; }
    const VersionSyncContext& sync() const { return c_.sync; }
    // Places version index v of the current unit's kind, as one undo step.
    void placeVersion(int v);

private:
    SystemCommandsContext c_;
    mutable ShellStationUndo undo_;
    CardBackupCommands backup_;
};

}  // namespace kravin::shell

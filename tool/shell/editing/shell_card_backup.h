// Card backup, Restore card and Synchronize version of the system configuration
// view in the running tool, over the station undo store, the system commands'
// placement and the online link's owner.
#pragma once

#include "card_backup_commands.h"
#include "version_sync_command.h"

#include <memory>

namespace kravin::editors {
class SystemCommands;
}

namespace kravin::shell {

class MainFrame;
class ModelUnitSelection;
class OnlineShell;
class SystemCommandTable;

class ShellCardBackup {
public:
    // online: the link's owner and the connection device chooser; null without the online functions.
    ShellCardBackup(MainFrame& frame, model::ProjectSession& session, model::UnitContext& unit,
                    ModelUnitSelection& selection, model::Prompt& prompt, model::CStationUndo& undo,
                    editors::SystemCommands& systemCommands, model::UserSettings& settings,
                    const FieldNameTable& fieldNames, res::Language language, std::shared_ptr<online::SerialLink> link,
                    OnlineShell* online, SystemCommandTable& commands);

    CardBackupCommands& commands() { return *backup_; }
    VersionSyncContext& versionSync() { return versionSync_; }

private:
    std::unique_ptr<CardBackupCommands> backup_;
    VersionSyncContext versionSync_;
};

}  // namespace kravin::shell

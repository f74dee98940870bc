// The system configuration view's editing commands in the running tool: its
// dialogs, the commands over the station undo store (change, remove, ID,
// card count, version, undo, redo) and the view switches of its menu.
#pragma once

#include "string_table.h"

#include <memory>
#include <string>

namespace kravin::model {
struct CardKindMasters;
class CStationUndo;
class ProjectSession;
class Prompt;
struct SystemConfigTables;
class UnitContext;
struct UserSettings;
}  // namespace kravin::model

namespace kravin::editors {
class QtSystemDialogs;
class SystemCommands;
}  // namespace kravin::editors

namespace kravin::shell {

class MainFrame;
class ModelUnitSelection;
class SystemCommandTable;

class ShellEditing {
public:
    ShellEditing(MainFrame& frame, model::ProjectSession& session, model::UnitContext& unit,
                 ModelUnitSelection& selection, const model::CardKindMasters& masters,
                 const model::SystemConfigTables& tables, model::CStationUndo& undo, model::Prompt& prompt,
                 res::Language language, const model::UserSettings& settings, SystemCommandTable& systemCommands);
    ~ShellEditing();

    editors::SystemCommands& commands() { return *commands_; }
    // The system palette's drop: the model with the master's own version text
    // into the current unit; false when it was not placed.
    bool placeFromPalette(const std::string& name, const std::string& version);

private:
    model::UnitContext& unit_;
    const model::CardKindMasters& masters_;
    std::unique_ptr<editors::QtSystemDialogs> dialogs_;
    std::unique_ptr<editors::SystemCommands> commands_;
};

}  // namespace kravin::shell

// The system configuration view's clipboard commands in the running tool: copy,
// move and paste of cards and stations, and the V8RTU station's bulk copy and
// paste, through the desktop's clipboard.
#pragma once

#include <memory>

namespace kravin::model {
class CStationUndo;
class ProjectSession;
class Prompt;
class UnitContext;
struct UserSettings;
}  // namespace kravin::model

namespace kravin::editors {
class QtClipboardPort;
class SystemClipboard;
}  // namespace kravin::editors

namespace kravin::shell {

class MainFrame;
class ModelUnitSelection;
class SystemCommandTable;

class ShellClipboard {
public:
    ShellClipboard(MainFrame& frame, model::ProjectSession& session, model::UnitContext& unit,
                   ModelUnitSelection& selection, model::CStationUndo& undo, model::Prompt& prompt,
                   const model::UserSettings& settings, SystemCommandTable& commands);
    ~ShellClipboard();

    editors::SystemClipboard& clipboard() { return *clipboard_; }

private:
    std::unique_ptr<editors::QtClipboardPort> port_;
    std::unique_ptr<editors::SystemClipboard> clipboard_;
};

}  // namespace kravin::shell

#include "shell_card_backup.h"

#include "main_frame.h"
#include "online_shell.h"
#include "open_pages.h"
#include "system_commands.h"
#include "system_view_page.h"

namespace kravin::shell {

ShellCardBackup::ShellCardBackup(MainFrame& frame, model::ProjectSession& session, model::UnitContext& unit,
                                 ModelUnitSelection& selection, model::Prompt& prompt, model::CStationUndo& undo,
                                 editors::SystemCommands& systemCommands, model::UserSettings& settings,
                                 const FieldNameTable& fieldNames, res::Language language,
                                 std::shared_ptr<online::SerialLink> link, OnlineShell* online,
                                 SystemCommandTable& commands)
{
    MainFrame* f = &frame;
    CardBackupContext b;
    b.session = &session;
    b.unit = &unit;
    b.selection = &selection;
    b.prompt = &prompt;
    b.undo = &undo;
    b.parent = [f]() -> QWidget* {
        if (ShellSystemView* view = systemViewOf(f)) return view;
        return f;
    };
    b.changed = [f] {
        if (ShellSystemView* view = systemViewOf(f)) {
            view->RebuildDisplayData();
            view->requestRedraw(true);
        }
    };
    b.defaultPosition = [&systemCommands](int station, int card, int* x, int* y) {
        systemCommands.defaultPosition(station, card, x, y);
    };
    const auto parent = b.parent;
    backup_ = std::make_unique<CardBackupCommands>(std::move(b));

    VersionSyncContext& v = versionSync_;
    v.unit = &unit;
    v.settings = &settings;
    v.fieldNames = &fieldNames;
    v.prompt = &prompt;
    v.language = language;
    v.link = link ? std::move(link) : std::make_shared<online::SerialLink>();
    v.parent = parent;
    v.chooseDevice = [online](const std::vector<int>& rows) {
        return online ? online->chooseConnectionDevice(rows) : -1;
    };
    v.owner = [online]() -> online::LinkOwner* { return online ? &online->owner() : nullptr; };
    // The version goes in as "Select version" places it.
    v.placeVersion = [f, &systemCommands](const std::string& model, const std::string& version) {
        systemCommands.PlaceDevice(false, model, version, true);
        if (ShellSystemView* view = systemViewOf(f)) view->requestRedraw(true);
    };

    using namespace editors::syscmd;
    commands.add(CardBackup, [this] { backup_->backup(); });
    commands.add(RestoreCard, [this] { backup_->restore(); });
    commands.add(SynchronizeVersion, [this] { SynchronizeUnitVersion(versionSync_); });
}

}  // namespace kravin::shell

// The editing side of the running tool: the system view's commands and their
// dialogs, the station undo store's uses, the workers' questions and the
// recent-file list of the File menu.
#include "shell_application.h"

#include "blocks/block_setting_logic.h"
#include "group_records.h"

#include "command_ids.h"
#include "online_shell.h"
#include "recent_files.h"
#include "shared_dialogs.h"

#include <QGuiApplication>

namespace kravin::shell {

void ShellApplication::createEditing()
{
    systemDialogs_ = std::make_unique<editors::QtSystemDialogs>(*masters_, *tables_, *prompt_, language_);
    systemDialogs_->setParent(frame_.get());
    editors::SystemCommandHooks commandHooks;
    commandHooks.setModified = [this] { session_->projectRecord.modified = 1; };
    commandHooks.unitChanged = [this] {
        if (unitSelection_->changed) unitSelection_->changed();
    };
    commandHooks.invalidate = [this] {
        if (ShellSystemView* view = systemView()) view->requestRedraw(true);
    };
    commandHooks.rebuildDisplayData = [this] {
        if (ShellSystemView* view = systemView()) view->RebuildDisplayData();
    };
    commandHooks.rebuildBlockTerminals = [this] {
        editors::blocks::RebuildBlockTerminals(*unit_, *prompt_, model::savedGroupRecords()[0]);
    };
    commandHooks.waitCursor = [](bool on) {
        if (on)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QGuiApplication::restoreOverrideCursor();
    };
    systemCommands_ = std::make_unique<editors::SystemCommands>(*unit_, *stationUndo_, *prompt_, *systemDialogs_,
                                                               std::move(commandHooks));
    systemCommands_->setGrid({settings_.DT_DX, settings_.DT_DY});
    createCardBackup();
    createClipboard();
    fillSystemCommands();
    workerQuestion_ = std::make_unique<QtWorkerQuestion>(language_);
    workerQuestion_->setParentWidget(frame_.get());
    frame_->setRecentFiles(recentFiles_);
    QObject::connect(frame_.get(), &MainFrame::recentFileOpened, frame_.get(),
                     [this](const QString& path, bool opened) {
                         if (!opened) forgetRecentFile(path.toStdString());
                     });
}

void ShellApplication::fillSystemCommands()
{
    using namespace editors::syscmd;
    SystemCommandTable& t = systemCommandTable_;
    // Each command refreshes the frame's commands after its work.
    const auto add = [this, &t](int id, std::function<void()> work) {
        t.add(id, [this, work = std::move(work)] {
            work();
            if (frame_) frame_->refresh();
        });
    };
    // Its online commands (Date setting ...) go to the online dispatcher.
    t.setFallback([this](int id) { return onlineShell_ && onlineShell_->handles(id); },
                  [this](int id) {
                      const bool ran = onlineShell_ && onlineShell_->runCommand(id);
                      if (frame_) frame_->refresh();
                      return ran;
                  });
    editors::SystemCommands& c = *systemCommands_;
    add(ChangeDevice, [&c] { c.ChangeDevice(); });
    add(RemoveDevice, [&c] { c.RemoveDevice(); });
    add(EditDelete, [&c] { c.RemoveDevice(); });
    add(ChangeId, [&c] { c.ChangeIdNo(); });
    add(ChangeCardCount, [&c] { c.ChangeCardCount(); });
    add(SelectVersion, [&c] { c.SelectVersion(); });
    add(EditUndo, [&c] { c.Undo(); });
    add(EditRedo, [&c] { c.Redo(); });
    add(PrintAllCards, [this] { bulkPrint(1); });
    add(CardBackup, [this] { cardBackup_->backup(); });
    add(RestoreCard, [this] { cardBackup_->restore(); });
    add(SynchronizeVersion, [this] { SynchronizeUnitVersion(versionSync_); });
    for (auto& [id, work] : clipboardCommands()) t.add(id, std::move(work));
    add(ViewBlockList, [this] {
        if (frame_) frame_->trigger(cmd::ViewBlkList);
    });
    add(ViewAnalog, [this] {
        if (frame_) frame_->trigger(cmd::ViewAnaTan);
    });
    add(ViewSequential, [this] {
        if (frame_) frame_->trigger(cmd::ViewSeqBlk);
    });
}

void ShellApplication::createCardBackup()
{
    CardBackupContext b;
    b.session = session_.get();
    b.unit = unit_.get();
    b.selection = unitSelection_.get();
    b.prompt = prompt_;
    b.undo = stationUndo_.get();
    b.parent = [this]() -> QWidget* {
        if (ShellSystemView* view = systemView()) return view;
        return frame_.get();
    };
    b.changed = [this] {
        if (ShellSystemView* view = systemView()) {
            view->RebuildDisplayData();
            view->requestRedraw(true);
        }
    };
    b.defaultPosition = [this](int station, int card, int* x, int* y) {
        systemCommands_->defaultPosition(station, card, x, y);
    };
    const auto parent = b.parent;
    cardBackup_ = std::make_unique<CardBackupCommands>(std::move(b));

    VersionSyncContext& v = versionSync_;
    v.unit = unit_.get();
    v.settings = &settings_;
    v.fieldNames = fieldNames_.get();
    v.prompt = prompt_;
    v.language = language_;
    v.link = serialLink_ ? serialLink_ : std::make_shared<online::SerialLink>();
    v.parent = parent;
    v.chooseDevice = [this](const std::vector<int>& rows) {
        return onlineShell_ ? onlineShell_->chooseConnectionDevice(rows) : -1;
    };
    v.owner = [this]() -> online::LinkOwner* { return onlineShell_ ? &onlineShell_->owner() : nullptr; };
    // The version goes in as "Select version" places it.
    v.placeVersion = [this](const std::string& model, const std::string& version) {
        systemCommands_->PlaceDevice(false, model, version, true);
        if (ShellSystemView* view = systemView()) view->requestRedraw(true);
    };
}

void ShellApplication::noteRecentFile(const std::string& path)
{
    if (path.empty()) return;
    addRecentFile(recentFiles_, path);
    if (frame_) frame_->setRecentFiles(recentFiles_);
}

void ShellApplication::forgetRecentFile(const std::string& path)
{
    removeRecentFile(recentFiles_, path);
    if (frame_) frame_->setRecentFiles(recentFiles_);
}

void ShellApplication::toggleLadderKeyHelp()
{
    if (ladderKeyHelp_) {
        delete ladderKeyHelp_.data();
        return;
    }
    auto* help = new editors::LadderKeyHelpDialog(language_, frame_.get());
    help->setAttribute(Qt::WA_DeleteOnClose);
    ladderKeyHelp_ = help;
    help->show();
}

void ShellApplication::loadRecentFiles()
{
    recentFiles_.clear();
    for (std::size_t i = 1; i <= kRecentFileCount; ++i) {
        const QString path = options_.profile->value(QStringLiteral("Recent File List/File%1").arg(i)).toString();
        if (!path.isEmpty()) recentFiles_.push_back(path.toStdString());
    }
}

void ShellApplication::saveRecentFiles()
{
    for (std::size_t i = 0; i < kRecentFileCount; ++i) {
        const QString key = QStringLiteral("Recent File List/File%1").arg(i + 1);
        if (i < recentFiles_.size())
            options_.profile->setValue(key, QString::fromStdString(recentFiles_[i]));
        else
            options_.profile->remove(key);
    }
}

}  // namespace kravin::shell

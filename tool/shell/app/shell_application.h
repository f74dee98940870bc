// The running tool as its composition root: the services (folders beside the
// program, settings, masters, the project session, the prompt, the theme, the
// main frame with its command table, the serial link and the monitor worker,
// the print service) and then one object per feature (system editing,
// clipboard, card backup, palettes, printing, online commands with their
// transfers, uploads and HT-9), put together in the start-up order and taken
// apart in the shut-down order. Each feature takes the services it uses and
// adds its commands to the frame's command table.
#pragma once

#include "field_names.h"
#include "settings.h"
#include "shell_context.h"
#include "startup.h"
#include "string_table.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QSettings;
class QTranslator;

namespace kravin::model {
struct CardKindMasters;
class CBlockUndo;
class CStationUndo;
class LayerUndoRouter;
class ProjectSession;
struct SystemConfigTables;
class UnitContext;
class UnitUndoHost;
}  // namespace kravin::model

namespace kravin::online {
class SerialLink;
}

namespace kravin::editors::blocks {
class UnitBlockUndoHost;
}

namespace kravin::print {
class PrintService;
class PrinterChooser;
}  // namespace kravin::print

namespace kravin::editors {
class SystemClipboard;
class SystemCommands;
}  // namespace kravin::editors

namespace kravin::shell {

class AnaTanPage;
class CardBackupCommands;
class DenTanPage;
class MainFrame;
class ModelMonitorContext;
class ModelUnitSelection;
class MonitorWorker;
class OnlineMonitorWorker;
class OnlineShell;
class PortSettings;
class Printing;
class QtPrompt;
class QtWorkerQuestion;
class SequenceViews;
class SessionProject;
class ShellCardBackup;
class ShellClipboard;
class ShellEditing;
class ShellPages;
class ShellPalettes;
class ShellSystemView;
class SystemCommandTable;
class Theme;
class ViewHooks;
struct VersionSyncContext;

// The folders of the tool, each path ending in '/' unless told otherwise.
struct ShellFolders {
    std::string exeDir;
    std::string tblDir;   // exeDir + "KRAVinTBL/"
    std::string helpDir;  // exeDir + "Help" (no trailing '/')
    static ShellFolders besideProgram(const std::string& exeDir);
};

// How often the bus library has reported a fatal error.
int busFatalErrorCount();

// The language: "ja" or "en" from the setting, else the locale's.
res::Language chooseLanguage(const std::string& setting, const std::string& localeName);

struct ShellOptions {
    ShellFolders folders;
    // Settings store; null = the user's profile.
    std::shared_ptr<QSettings> profile;
    // The monitor worker; null = the online monitor's worker thread.
    std::shared_ptr<MonitorWorker> monitor;
    // Stands in for the real prompter (tests).
    model::Prompt* prompt = nullptr;
    // The editors' answers; null = views that hold no edits.
    ViewHooks* viewHooks = nullptr;
    // What the main frame asks of other parts of the tool; set ones stand in for the tool's own.
    ShellServices services;
    // How printers are chosen; null = the print dialog and its preview.
    std::shared_ptr<print::PrinterChooser> printerChooser;
};

class ShellApplication final : public StartupSteps {
public:
    explicit ShellApplication(ShellOptions options);
    ~ShellApplication() override;

    MainFrame* mainFrame() const { return frame_.get(); }
    model::ProjectSession* session() const { return session_.get(); }
    const FieldNameTable& fieldNames() const { return *fieldNames_; }
    const model::CardKindMasters& masters() const { return *masters_; }
    model::UserSettings& settings() { return settings_; }
    Theme* theme() const { return theme_.get(); }
    OnlineFlags& online() { return online_; }
    res::Language language() const { return language_; }
    model::SystemConfigTables& systemTables() { return *tables_; }
    model::UnitContext& unitContext() { return *unit_; }
    ModelUnitSelection& unitSelection() { return *unitSelection_; }
    ModelMonitorContext& monitorContext() { return *monitorContext_; }
    // The undo history of the function block list (and the analog view).
    model::CBlockUndo& blockUndo() { return *blockUndo_; }
    // Copy, move and paste of cards and stations through the clipboard.
    editors::SystemClipboard& systemClipboard();
    // Places a model with a version into the current unit (the system palette's
    // drop); without it the system palette starts no drag.
    std::function<bool(const std::string& model, const std::string& version)> placeDevice;
    // Opens a help document; the desktop's viewer when not set.
    std::function<void(const std::string& path)> openHelpFile;
    // The online monitor's worker; null when the options gave another.
    OnlineMonitorWorker* onlineMonitor() const { return onlineMonitor_.get(); }
    // The sequential control block and ladder views; null before the main frame.
    SequenceViews* sequenceViews() const { return sequenceViews_.get(); }
    // The online commands and dialogs; null without the online monitor's worker.
    OnlineShell* onlineShell() const { return onlineShell_.get(); }
    model::Prompt& prompt() { return *prompt_; }
    online::SerialLink* serialLink() const { return serialLink_.get(); }
    QSettings* profile() const { return options_.profile.get(); }
    // The link and monitor settings taken again after the Option dialog changed them.
    void applyOnlineSettings();
    // The open system configuration view, or null.
    ShellSystemView* systemView() const;
    // The open analog terminal connection view's page, or null.
    AnaTanPage* anaTanPage() const;
    // The station undo store of the configuration and the communication view.
    model::CStationUndo& stationUndo() { return *stationUndo_; }
    editors::SystemCommands& systemCommands();
    const SystemCommandTable& systemCommandTable() const { return *systemCommandTable_; }
    // The transfer workers' questions (any thread).
    QtWorkerQuestion& workerQuestion() { return *workerQuestion_; }
    // The recent-file list of the File menu, newest first.
    const std::vector<std::string>& recentFiles() const { return recentFiles_; }
    // The open communication terminal connection view's page, or null.
    DenTanPage* denTanPage() const;
    // Makes the view of a kind; null for kinds without their editor yet.
    QWidget* makeView(ViewKind kind);
    // The model's current state for the monitor worker (GUI thread).
    void refreshMonitorSnapshot();
    // "M Online Stop" (40605): the link goes down, the views that show
    // monitored values are told.
    void onlineStopped();

    // StartupSteps
    void registerBusCallback() override;
    void loadSettings() override;
    void stampProjectVersion() override;
    void createFonts() override;
    void clearProjectHeader() override;
    void clearSystemTables() override;
    void loadMasters() override;
    void loadFieldNames() override;
    void resetRuntimeState() override;
    bool createMainFrame() override;
    void showMainFrame() override;
    void startMonitor() override;
    void newProject() override;
    int loadProject(const std::string& path) override;
    void openSystemView() override;
    bool stopMonitor(std::chrono::milliseconds bound) override;
    void cleanupWorkFolder() override;
    void saveSettings() override;

    // Printing of the views and the bulk print.
    print::PrintService& printService() { return *print_; }
    // Card backup, restore and "Synchronize version" of the system configuration view.
    CardBackupCommands& cardBackup();
    VersionSyncContext& versionSync();

private:
    class Hooks;
    void storePlacements();
    void projectChanged();
    // Every undo store of the project empties (station, block, sequential).
    void clearUndoHistories();
    // One object per feature, each adding its commands to the frame's tables.
    void createFeatures();
    void createPages();
    void loadRecentFiles();
    void saveRecentFiles();
    void noteRecentFile(const std::string& path);
    void forgetRecentFile(const std::string& path);
    void setModified();
    void makePrintService();

    ShellOptions options_;
    res::Language language_ = res::Language::English;
    model::UserSettings settings_;
    std::unique_ptr<model::CardKindMasters> masters_;
    std::unique_ptr<model::SystemConfigTables> tables_;
    std::unique_ptr<model::UnitContext> unit_;
    std::unique_ptr<ModelUnitSelection> unitSelection_;
    std::unique_ptr<model::UnitUndoHost> undoHost_;
    std::unique_ptr<model::CStationUndo> stationUndo_;
    std::unique_ptr<SystemCommandTable> systemCommandTable_;
    std::unique_ptr<QtWorkerQuestion> workerQuestion_;
    std::vector<std::string> recentFiles_;
    std::unique_ptr<editors::blocks::UnitBlockUndoHost> blockUndoHost_;
    std::unique_ptr<model::CBlockUndo> blockUndo_;
    std::unique_ptr<model::LayerUndoRouter> layerUndo_;
    std::shared_ptr<ModelMonitorContext> monitorContext_;
    std::shared_ptr<online::SerialLink> serialLink_;
    std::shared_ptr<OnlineMonitorWorker> onlineMonitor_;
    std::unique_ptr<OnlineShell> onlineShell_;
    std::unique_ptr<Hooks> hooks_;
    std::unique_ptr<FieldNameTable> fieldNames_;
    std::unique_ptr<QtPrompt> qtPrompt_;
    // Qt's own texts (the standard buttons) in the interface's language.
    std::unique_ptr<QTranslator> qtTranslator_;
    model::Prompt* prompt_ = nullptr;
    std::unique_ptr<model::ProjectSession> session_;
    std::unique_ptr<SessionProject> project_;
    std::unique_ptr<Theme> theme_;
    OnlineFlags online_;
    ShellContext context_;
    std::unique_ptr<MainFrame> frame_;
    std::unique_ptr<print::PrintService> print_;
    std::unique_ptr<SequenceViews> sequenceViews_;
    // The features, made after the main frame.
    std::unique_ptr<PortSettings> portSettings_;
    std::unique_ptr<Printing> printing_;
    std::unique_ptr<ShellEditing> editing_;
    std::unique_ptr<ShellClipboard> clipboard_;
    std::unique_ptr<ShellCardBackup> cardBackup_;
    std::unique_ptr<ShellPalettes> palettes_;
    // The views and their frames' bars, made last.
    std::unique_ptr<ShellPages> pages_;
};

}  // namespace kravin::shell

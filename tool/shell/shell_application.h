// The running tool: folders beside the program, settings, masters, the
// project session, the theme, the main frame and the monitor worker, put
// together in the start-up order and taken apart in the shut-down order.
#pragma once

#include "field_names.h"
#include "main_frame.h"
#include "monitor_worker.h"
#include "project.h"
#include "qt_prompt.h"
#include "settings.h"
#include "shell_ports.h"
#include "startup.h"
#include "system_config.h"
#include "theme.h"

#include <QSettings>

#include <memory>
#include <string>

namespace kravin::shell {

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

// The model's project session as the shell sees it.
class SessionProject final : public ProjectPort {
public:
    explicit SessionProject(model::ProjectSession& session) : session_(session) {}
    bool isOpen() const override { return session_.g_projectOpen != 0; }
    bool isUntitled() const override { return session_.projectRecord.untitled != 0; }
    bool isModified() const override { return session_.projectRecord.modified != 0; }
    std::string displayName() const override;
    void newProject() override { session_.NewProject(); }
    int createUntitled() override { return session_.CreateUntitledProject(); }
    int openDialog() override { return session_.OpenProjectDialog(); }
    int loadProject(const std::string& path) override;
    int save() override { return session_.SaveProject(); }
    int saveAs() override { return session_.SaveProjectAs(); }
    int properties() override { return session_.EditProjectProperties(); }
    void cleanup() override { session_.CleanupWorkFolder(); }

private:
    model::ProjectSession& session_;
};

struct ShellOptions {
    ShellFolders folders;
    // Settings store; null = the user's profile.
    std::shared_ptr<QSettings> profile;
    // The monitor worker; null = one that idles.
    std::shared_ptr<MonitorWorker> monitor;
    // Stands in for the real prompter (tests).
    model::Prompt* prompt = nullptr;
    // The editors' answers; null = views that hold no edits.
    ViewHooks* viewHooks = nullptr;
    // Commands served by other parts of the tool.
    ShellServices services;
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

    // Operation/Port Setting Delete: forgets the remembered serial ports.
    void deletePortSettings();

private:
    void storePlacements();

    ShellOptions options_;
    res::Language language_ = res::Language::English;
    model::UserSettings settings_;
    std::unique_ptr<model::CardKindMasters> masters_;
    std::unique_ptr<model::SystemConfigTables> tables_;
    std::unique_ptr<FieldNameTable> fieldNames_;
    std::unique_ptr<QtPrompt> qtPrompt_;
    model::Prompt* prompt_ = nullptr;
    std::unique_ptr<model::ProjectSession> session_;
    std::unique_ptr<SessionProject> project_;
    std::unique_ptr<Theme> theme_;
    OnlineFlags online_;
    ShellContext context_;
    std::unique_ptr<MainFrame> frame_;
};

}  // namespace kravin::shell

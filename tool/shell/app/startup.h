// The order of start-up and shut-down, over the steps the application supplies.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace kravin::shell {

class StartupSteps {
public:
    virtual ~StartupSteps() = default;
    virtual void registerBusCallback() = 0;
    virtual void loadSettings() = 0;
    virtual void stampProjectVersion() = 0;
    virtual void createFonts() = 0;
    virtual void clearProjectHeader() = 0;
    virtual void clearSystemTables() = 0;
    virtual void loadMasters() = 0;
    virtual void loadFieldNames() = 0;
    virtual void resetRuntimeState() = 0;
    virtual bool createMainFrame() = 0;
    virtual void showMainFrame() = 0;
    virtual void startMonitor() = 0;
    virtual void newProject() = 0;
    // 0 when the project was loaded.
    virtual int loadProject(const std::string& path) = 0;
    virtual void openSystemView() = 0;

    // Shut-down.
    virtual bool stopMonitor(std::chrono::milliseconds bound) = 0;
    virtual void cleanupWorkFolder() = 0;
    virtual void saveSettings() = 0;
};

// How long the exit waits for the monitor worker.
constexpr std::chrono::milliseconds kMonitorStopBound{3000};

// Runs the start-up; false when the program cannot start (no frame).
bool runStartup(StartupSteps& steps, const std::optional<std::string>& projectPath);

// Runs the shut-down: the monitor first, then the work folder, then the
// settings. False when the monitor did not stop within its bound.
bool runShutdown(StartupSteps& steps);

}  // namespace kravin::shell

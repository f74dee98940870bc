#include "startup.h"

namespace kravin::shell {

bool runStartup(StartupSteps& steps, const std::optional<std::string>& projectPath)
{
    steps.registerBusCallback();  // the first call into the bus library
    steps.loadSettings();
    steps.stampProjectVersion();
    steps.createFonts();
    steps.clearProjectHeader();
    steps.clearSystemTables();
    steps.loadMasters();
    steps.loadFieldNames();
    steps.resetRuntimeState();
    if (!steps.createMainFrame()) return false;
    steps.showMainFrame();
    steps.startMonitor();
    // A project that does not load has told the user why; the tool goes on
    // with a new untitled project, so no save can overwrite that archive.
    if (!projectPath || projectPath->empty() || steps.loadProject(*projectPath) != 0) steps.newProject();
    steps.openSystemView();
    return true;
}

bool runShutdown(StartupSteps& steps)
{
    // The worker reads the project's files: it ends before they are removed.
    const bool stopped = steps.stopMonitor(kMonitorStopBound);
    steps.cleanupWorkFolder();
    steps.saveSettings();
    return stopped;
}

}  // namespace kravin::shell

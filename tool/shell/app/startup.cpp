#include "startup.h"

#include <csignal>

namespace kravin::shell {

bool runStartup(StartupSteps& steps, const std::optional<std::string>& projectPath)
{
    // A write past the file-size limit fails with EFBIG and ends in the save's or
    // the backup's own error instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
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

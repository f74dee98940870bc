// The File commands' project steps and the save questions, without windows.
#pragma once

#include "prompt.h"
#include "shell_ports.h"
#include "view_manager.h"

namespace kravin::shell {

class ProjectCommands {
public:
    ProjectCommands(ProjectPort& project, model::Prompt& prompt, res::Language language, ViewHooks& hooks,
                    ViewManager& views);

    // 0 = go on, -1 = cancelled, or the failed save's result.
    int askSaveProject();
    // -1 when a view is still editing; 0 something to save; -2 nothing to save.
    int checkEditComplete();

    // The menu commands; 0 when they went through.
    int fileNew();
    int fileOpen();
    // Opens a project by its path (the recent-file list): 0 opened, -1 cancelled
    // at the save question, else the failure (a new untitled project is open then).
    int fileOpenPath(const std::string& path);
    int fileSave();
    int fileSaveAs();
    int fileProperties();

private:
    int save(bool as);

    ProjectPort& project_;
    model::Prompt& prompt_;
    res::Language language_;
    ViewHooks& hooks_;
    ViewManager& views_;
};

}  // namespace kravin::shell

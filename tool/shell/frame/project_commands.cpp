#include "project_commands.h"

namespace kravin::shell {

ProjectCommands::ProjectCommands(ProjectPort& project, model::Prompt& prompt, res::Language language,
                                 ViewHooks& hooks, ViewManager& views)
    : project_(project), prompt_(prompt), language_(language), hooks_(hooks), views_(views)
{
}

int ProjectCommands::askSaveProject()
{
    bool ladderCounts = hooks_.ladderPending();
    if (const int nameId = hooks_.editModeViewNameId()) {
        const std::string name = res::message(nameId, language_);
        if (prompt_.message(7000, {name}, model::Buttons::OkCancel, model::Icon::Warning) != model::Answer::Ok)
            return -1;
        // The view's edit is dropped; the project's other changes are still
        // offered for saving.
        ladderCounts = false;
    }
    if (!project_.isModified() && !ladderCounts) return 0;
    switch (prompt_.message(7001, {}, model::Buttons::YesNoCancel, model::Icon::Question)) {
    case model::Answer::Yes:
        // An edit the translation did not take stops the save.
        if (ladderCounts && !hooks_.commitLadder()) return -1;
        return project_.save();
    case model::Answer::No: return 0;
    default: return -1;
    }
}

int ProjectCommands::checkEditComplete()
{
    if (const int nameId = hooks_.editModeViewNameId()) {
        prompt_.message(7002, {res::message(nameId, language_)}, model::Buttons::Ok, model::Icon::Warning);
        return -1;
    }
    return project_.isModified() || hooks_.ladderPending() ? 0 : -2;
}

int ProjectCommands::fileNew()
{
    if (askSaveProject() != 0) return -1;
    views_.closeAllViews();
    if (const int result = project_.createUntitled()) return result;
    views_.openSystem();
    return 0;
}

int ProjectCommands::fileOpen()
{
    if (askSaveProject() != 0) return -1;
    if (const int result = project_.openDialog()) return result;
    views_.openSystem();
    return 0;
}

int ProjectCommands::fileOpenPath(const std::string& path)
{
    if (askSaveProject() != 0) return -1;
    views_.closeAllViews();
    int result = project_.loadProject(path);
    if (result == -1) result = -2;  // -1 stands for the cancelled question
    views_.openSystem();
    return result;
}

int ProjectCommands::save(bool as)
{
    if (checkEditComplete() == -1) return -1;
    if (hooks_.ladderPending() && !hooks_.commitLadder()) return -1;
    return as ? project_.saveAs() : project_.save();
}

int ProjectCommands::fileSave() { return save(false); }
int ProjectCommands::fileSaveAs() { return save(true); }

int ProjectCommands::fileProperties()
{
    if (!project_.isOpen() || project_.isUntitled()) return -1;
    return project_.properties();
}

}  // namespace kravin::shell

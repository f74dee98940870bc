#include "project_commands.h"

namespace kravin::shell {

ProjectCommands::ProjectCommands(ProjectPort& project, Asker& asker, EditState& edits, ViewManager& views)
    : project_(project), asker_(asker), edits_(edits), views_(views)
{
}

int ProjectCommands::askSaveProject()
{
    bool ladderCounts = edits_.ladderEditPending();
    if (const int nameId = edits_.editModeViewNameId()) {
        if (asker_.ask(7000, {asker_.text(nameId)}, Choice::OkCancel) != Reply::Ok) return -1;
        // The view's edit is dropped; the project's other changes are still
        // offered for saving.
        ladderCounts = false;
    }
    if (!project_.isModified() && !ladderCounts) return 0;
    switch (asker_.ask(7001, {}, Choice::YesNoCancel)) {
    case Reply::Yes:
        if (ladderCounts) edits_.commitLadderEdit();
        return project_.save();
    case Reply::No: return 0;
    default: return -1;
    }
}

int ProjectCommands::checkEditComplete()
{
    if (const int nameId = edits_.editModeViewNameId()) {
        asker_.ask(7002, {asker_.text(nameId)}, Choice::Ok);
        return -1;
    }
    return project_.isModified() || edits_.ladderEditPending() ? 0 : -2;
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

int ProjectCommands::save(bool as)
{
    if (checkEditComplete() == -1) return -1;
    if (edits_.ladderEditPending()) edits_.commitLadderEdit();
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

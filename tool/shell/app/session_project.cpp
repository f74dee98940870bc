#include "session_project.h"

#include "archive.h"
#include "services.h"
#include "text_codec.h"

#include <filesystem>

namespace kravin::shell {

std::string SessionProject::displayName() const { return model::cp932ToUtf8(session_.g_projectName); }

void SessionProject::newProject()
{
    session_.NewProject();
    tell();
}

int SessionProject::createUntitled()
{
    const int result = session_.CreateUntitledProject();
    tell();
    return result;
}

int SessionProject::openDialog()
{
    // A cancelled or refused choice leaves the open project and its views alone.
    const int result = session_.OpenProjectDialog();
    if (result == 0) tell();
    return result;
}

void SessionProject::cleanup()
{
    session_.CleanupWorkFolder();
    tell();
}

int SessionProject::loadProject(const std::string& path)
{
    model::ProjectRecord& record = session_.projectRecord;
    session_.CleanupWorkFolder();
    record.path = path;
    record.workFolder = model::MakeTempWorkFolder(session_.environment().tempFolder);
    record.fileTitle = std::filesystem::path(path).filename().string();
    record.untitled = 0;
    // A load that fails shows its reason and falls back to a new untitled
    // project, so the record never keeps pointing at that archive.
    const int result = session_.LoadProject();
    tell();
    if (result != 0) return result;
    return session_.g_projectOpen ? 0 : -1;
}

}  // namespace kravin::shell

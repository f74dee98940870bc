#include "project.h"

#include "KRAVinA.h"
#include "text_codec.h"

#include <QStandardPaths>
#include <QString>

#include <cerrno>
#include <cstring>
#include <cstdio>
#include <ctime>
#include <filesystem>

#ifndef KRAVIN_PRODUCT_VERSION
#define KRAVIN_PRODUCT_VERSION "0.0.0"
#endif

namespace fs = std::filesystem;

namespace kravin::model {
namespace {

constexpr const char* kFileFilter = "KRAV File (*.KRA)|*.KRA||";

void setField(char* dst, std::size_t width, const std::string& text)
{
    const std::string kept = trimDbcs(text, width - 1);
    std::memcpy(dst, kept.data(), kept.size());
    std::memset(dst + kept.size(), 0, width - kept.size());
}

std::string parentOf(const std::string& path)
{
    std::error_code ec;
    const fs::path parent = fs::absolute(path, ec).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

bool hasKraExtension(const std::string& path)
{
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext == ".KRA";
}

}  // namespace

// ---- ProjectRecord ----

std::string ProjectRecord::headerName() const
{
    return fieldText(header.data() + headcopy::name, headcopy::nameWidth);
}

std::string ProjectRecord::headerText2() const
{
    return fieldText(header.data() + headcopy::text2, headcopy::text2Width);
}

std::string ProjectRecord::headerComment() const
{
    return fieldText(header.data() + headcopy::comment, headcopy::commentWidth);
}

void ProjectRecord::setHeaderName(const std::string& cp932)
{
    setField(header.data() + headcopy::name, headcopy::nameWidth, cp932);
}

void ProjectRecord::setHeaderComment(const std::string& cp932)
{
    setField(header.data() + headcopy::comment, headcopy::commentWidth, cp932);
}

// ---- free helpers ----

int StampProjectVersion()
{
    const std::string text = std::string("ORVANTEK KRAV3 Version ") + KRAVIN_PRODUCT_VERSION;
    return KRAVinA_Proj_Set_Version(text.c_str());
}

std::string GetDesktopFolder()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    std::error_code ec;
    if (!desktop.isEmpty() && fs::is_directory(desktop.toStdString(), ec)) return desktop.toStdString();
    return QStandardPaths::writableLocation(QStandardPaths::HomeLocation).toStdString();
}

std::string FormatNowText()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return buf;
}

std::string ResolveArchivePath(const std::string& target, const std::string& desktopFolder)
{
    std::string path = target;
    if (!fs::path(path).has_parent_path()) path = (fs::path(desktopFolder) / path).string();
    if (!hasKraExtension(path)) path += ".KRA";
    return path;
}

// ---- ProjectSession ----

ProjectSession::ProjectSession(const CardKindMasters& masters, SystemConfigTables& tables, Prompt& prompt,
                               ProjectEnvironment environment, ProjectHooks hooks)
    : masters_(masters), tables_(tables), prompt_(prompt), env_(std::move(environment)), hooks_(std::move(hooks))
{
    if (env_.tempFolder.empty()) env_.tempFolder = TempFolder();
    if (env_.desktopFolder.empty()) env_.desktopFolder = GetDesktopFolder();
    // Work folders left by crashed runs go; those of running instances are locked.
    RemoveStaleWorkFolders(env_.tempFolder);
}

ProjectSession::~ProjectSession()
{
    CleanupWorkFolder();
}

Answer ProjectSession::show(int id, const MessageArgs& args, Buttons buttons, Icon icon)
{
    return prompt_.message(id, args, buttons, icon);
}

std::string ProjectSession::LoadResString(int id) const
{
    return res::message(id, env_.language);
}

std::string ProjectSession::untitledFileName() const
{
    return LoadResString(61449) + ".KRA";
}

void ProjectSession::NewProject()
{
    CleanupWorkFolder();
    projectRecord.setHeaderName(utf8ToCp932(LoadResString(61449)));
    projectRecord.setHeaderComment({});
    std::string folder;
    CreateProjectFiles(folder);
    projectRecord.untitled = 1;
    LoadProject();
}

int ProjectSession::CreateUntitledProject()
{
    NewProject();
    return 0;
}

int ProjectSession::CreateProjectFiles(std::string& workFolder)
{
    workFolder = MakeTempWorkFolder(env_.tempFolder);
    projectRecord.workLock.acquire(workFolder);
    const std::string name = projectRecord.headerName();
    const std::string text2 = projectRecord.headerText2();
    const std::string comment = projectRecord.headerComment();
    KRAVinA_Proj_Create(name.c_str(), text2.c_str(), comment.c_str(), workFolder.c_str());
    projectRecord.workFolder = workFolder;
    return 0;
}

int ProjectSession::OpenProjectDialog()
{
    FileChoice choice;
    choice.mode = FileMode::Open;
    choice.filter = kFileFilter;
    choice.defaultExtension = "KRA";
    const std::optional<std::string> chosen = prompt_.chooseFile(choice);
    if (!chosen) return -1;
    std::error_code ec;
    if (!fs::exists(*chosen, ec)) {
        show(7010, {}, Buttons::Ok, Icon::Error);
        return -1;
    }
    if (*chosen == projectRecord.path) {
        show(7011, {}, Buttons::Ok, Icon::Error);
        return -1;
    }
    if (hooks_.closeAllViews) hooks_.closeAllViews();
    CleanupWorkFolder();
    projectRecord.path = *chosen;
    projectRecord.workFolder = MakeTempWorkFolder(env_.tempFolder);
    projectRecord.fileTitle = fs::path(*chosen).filename().string();
    projectRecord.untitled = 0;
    LoadProject();
    return 0;
}

int ProjectSession::LoadProject()
{
    if (!projectRecord.untitled) {
        projectRecord.workLock.acquire(projectRecord.workFolder);
        if (const int failed = ExtractProjectFile(projectRecord.path, projectRecord.workFolder)) {
            // A new untitled project takes its place; the caller learns that the archive did not open.
            NewProject();
            return failed;
        }
    }
    LoadProjectSystem(projectRecord.workFolder);
    KRAVinA_Proj_Get_Head(projectRecord.header.data() + headcopy::name, projectRecord.header.data() + headcopy::text2,
                          projectRecord.header.data() + headcopy::comment);
    g_projectOpen = 1;
    g_projectName = projectRecord.headerName();
    if (hooks_.applyMonitorTarget) hooks_.applyMonitorTarget();
    projectRecord.modified = 0;
    LockProjectFile();
    return 0;
}

int ProjectSession::ExtractProjectFile(const std::string& path, const std::string& workFolder)
{
    RemoveStaleSaveFiles(parentOf(path));
    const ArchiveResult access = ProbeArchive(path);
    if (!access) {
        if (access.code == EACCES) {
            show(7018, {}, Buttons::Ok, Icon::Error);
        } else {
            prompt_.text(access.detail, Icon::Error);
            show(7012, {std::int64_t{access.code}}, Buttons::Ok, Icon::Error);
        }
        return access.code;
    }
    if (LooksLikeOldProject(path)) {
        if (show(7004, {}, Buttons::OkCancel, Icon::Question) != Answer::Ok) return -1;
        const int result = ConvertOldProject(path, workFolder);
        if (result != 0) {
            prompt_.text(path + ": the old-format project could not be converted", Icon::Error);
            show(7012, {std::int64_t{result}}, Buttons::Ok, Icon::Error);
            return result;
        }
        projectRecord.path.clear();
        projectRecord.untitled = 1;
        return 0;
    }
    ArchiveResult r = UnzipArchive(path, workFolder);
    if (r && !HasProjectHeader(workFolder)) r = {kArchiveNotProject, path + ": no project header"};
    if (!r) {
        if (r.code == kArchiveUnsafeEntry) {
            show(7032, {r.detail}, Buttons::Ok, Icon::Error);
        } else {
            prompt_.text(r.detail, Icon::Error);
            show(7012, {std::int64_t{r.code}}, Buttons::Ok, Icon::Error);
        }
    }
    return r.code;
}

int ProjectSession::ConvertOldProject(const std::string& oldPath, const std::string& workFolder)
{
    return KRAVinA_Proj_Convert(oldPath.c_str(), workFolder.c_str());
}

int ProjectSession::LoadProjectSystem(const std::string& workFolder)
{
    if (hooks_.clearUndoHistories) hooks_.clearUndoHistories();
    g_projectHandle = KRAVinA_Proj_Select(workFolder.c_str());
    char name[headcopy::nameWidth] = {}, text2[headcopy::text2Width] = {}, comment[headcopy::commentWidth] = {};
    KRAVinA_Proj_Get_Head(name, text2, comment);
    g_projectComment = fieldText(comment, sizeof comment);
    newerVersionProject = KRAVinA_Prj_Newer_Version() == 1;
    if (newerVersionProject) show(7005, {}, Buttons::Ok, Icon::Warning);
    const int unresolved = LoadSystemTables(masters_, tables_);
    if (unresolved > 0) show(7030, {std::int64_t{unresolved}}, Buttons::Ok, Icon::Warning);
    MoveStackedDefaultBoxes(tables_, env_.sheet);
    return 0;
}

int ProjectSession::SaveProjectSystem()
{
    return model::SaveProjectSystem(masters_, tables_, projectRecord.workFolder);
}

int ProjectSession::UpdateProjectHeader()
{
    if (projectRecord.workFolder.empty()) return -1;
    const std::string name = projectRecord.headerName();
    const std::string text2 = projectRecord.headerText2();
    const std::string comment = projectRecord.headerComment();
    return KRAVinA_Proj_Update_Head(1, name.c_str(), text2.c_str(), comment.c_str(),
                                    projectRecord.workFolder.c_str());
}

bool ProjectSession::askNewerVersionSave()
{
    return !newerVersionProject || show(7031, {}, Buttons::YesNo, Icon::Warning) == Answer::Yes;
}

std::string ProjectSession::askNewProjectDetails()
{
    ProjectDialogData data;
    data.propertiesMode = false;
    data.name = projectRecord.headerName();
    data.comment = projectRecord.headerComment();
    data.location = untitledFileName();
    const bool ok = prompt_.projectDialog(data);
    if (!data.fileTitle.empty()) projectRecord.fileTitle = data.fileTitle;
    if (!ok) return {};
    projectRecord.setHeaderName(data.name);
    projectRecord.setHeaderComment(data.comment);
    UpdateProjectHeader();
    return data.location;
}

int ProjectSession::saveTo(const std::string& target)
{
    const int system = SaveProjectSystem();
    if (system != 0) {
        show(7013, {std::int64_t{system}}, Buttons::Ok, Icon::Error);
        return system;
    }
    const int result = WriteProjectFile(target);
    g_projectOpen = 1;
    g_projectName = projectRecord.headerName();
    // The New Project dialog of an untitled save may have given a comment.
    g_projectComment = projectRecord.headerComment();
    if (result == 0) projectRecord.untitled = 0;
    return result;
}

int ProjectSession::SaveProject()
{
    if (!askNewerVersionSave()) return -1;
    std::string target = projectRecord.path;
    if (projectRecord.untitled) {
        target = askNewProjectDetails();
        if (target.empty()) return -1;
    }
    return saveTo(target);
}

int ProjectSession::SaveProjectAs()
{
    if (!askNewerVersionSave()) return -1;
    std::string target;
    if (projectRecord.untitled) {
        target = askNewProjectDetails();
        if (target.empty()) return -1;
    } else {
        FileChoice choice;
        choice.mode = FileMode::Save;
        choice.filter = kFileFilter;
        choice.defaultExtension = "KRA";
        choice.defaultName = projectRecord.fileTitle;
        choice.overwritePrompt = true;
        const std::optional<std::string> chosen = prompt_.chooseFile(choice);
        if (!chosen) return -1;
        target = *chosen;
    }
    return saveTo(target);
}

int ProjectSession::EditProjectProperties()
{
    if (projectRecord.untitled) return 0;
    ProjectDialogData data;
    data.propertiesMode = true;
    data.name = projectRecord.headerName();
    data.comment = projectRecord.headerComment();
    data.location = projectRecord.path;
    const bool ok = prompt_.projectDialog(data);
    if (!data.fileTitle.empty()) projectRecord.fileTitle = data.fileTitle;
    if (!ok) return -1;
    projectRecord.setHeaderName(data.name);
    projectRecord.setHeaderComment(data.comment);
    UpdateProjectHeader();
    projectRecord.modified = 1;
    g_projectName = projectRecord.headerName();
    g_projectComment = projectRecord.headerComment();
    return 0;
}

int ProjectSession::WriteProjectFile(const std::string& target)
{
    const std::string path = ResolveArchivePath(target, env_.desktopFolder);
    // The old archive stays locked until the new one, locked already, takes its name.
    FileLock lock;
    if (projectRecord.lock.held()) lock = std::move(projectRecord.lock);
    const ArchiveResult r = ZipFolder(path, projectRecord.workFolder, &lock);
    if (!r) {
        projectRecord.lock = std::move(lock);
        if (r.code == kArchiveHeld) {
            show(7018, {}, Buttons::Ok, Icon::Error);
            return EACCES;
        }
        prompt_.text(r.detail, Icon::Error);
        show(7013, {std::int64_t{r.code}}, Buttons::Ok, Icon::Error);
        return r.code;
    }
    projectRecord.lock = std::move(lock);
    projectRecord.path = path;
    projectRecord.fileTitle = fs::path(path).filename().string();
    projectRecord.modified = 0;
    projectRecord.untitled = 0;
    newerVersionProject = false;
    show(7003, {}, Buttons::Ok, Icon::Information);
    LockProjectFile();
    return 0;
}

int ProjectSession::CleanupWorkFolder()
{
    UnlockProjectFile();
    if (!projectRecord.workFolder.empty()) {
        projectRecord.workLock.release();
        DeleteFolderTree(projectRecord.workFolder, true);
        projectRecord.workFolder.clear();
    }
    projectRecord.path.clear();
    return 0;
}

int ProjectSession::LockProjectFile()
{
    if (projectRecord.path.empty()) return -1;
    if (!projectRecord.lock.held()) projectRecord.lock.acquire(projectRecord.path);
    return projectRecord.lock.held() ? 0 : -1;
}

int ProjectSession::UnlockProjectFile()
{
    projectRecord.lock.release();
    return 0;
}

}  // namespace kravin::model

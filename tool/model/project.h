// The open project: its record, work folder and archive, and the roads New,
// Open, Save, Save As, Properties and Close.
#pragma once

#include "archive.h"
#include "prompt.h"
#include "string_table.h"
#include "system_config.h"

#include <array>
#include <functional>
#include <string>

namespace kravin::model {

// Offsets of the header copy (the first 1024 bytes of the header file).
namespace headcopy {
constexpr std::size_t version = 0, versionWidth = 64;
constexpr std::size_t name = 64, nameWidth = 32;
constexpr std::size_t text2 = 96, text2Width = 32;
constexpr std::size_t comment = 128, commentWidth = 160;
constexpr std::size_t size = 1024;
}  // namespace headcopy

struct ProjectRecord {
    int modified = 0;
    std::string path;        // full path of the .KRA file; empty when untitled
    std::string workFolder;  // temporary folder of the open project; empty when none
    std::string fileTitle;   // file name part of the path as the dialogs gave it
    char untitled = 0;
    std::array<char, headcopy::size> header{};
    FileLock lock;           // held on the archive while the project is open
    WorkFolderLock workLock; // held on the work folder while it lives

    std::string headerName() const;
    std::string headerText2() const;
    std::string headerComment() const;
    // Stores a text into a head field, cut to its width minus one byte without
    // splitting a double-byte character, NUL-padded.
    void setHeaderName(const std::string& cp932);
    void setHeaderComment(const std::string& cp932);
};

// Where the roads put things, and in which language they speak.
struct ProjectEnvironment {
    std::string tempFolder;     // parent of the work folders
    std::string desktopFolder;  // where a path without folder lands
    res::Language language = res::Language::English;
    WiringGrid sheet;           // the communication sheet's cells, where unmoved boxes stand
};

// What the roads ask of the rest of the tool; each may be left empty.
struct ProjectHooks {
    std::function<void()> closeAllViews;       // before another project is opened
    std::function<void()> clearUndoHistories;  // station, block and sequential stores
    std::function<void()> applyMonitorTarget;  // after the header is read
};

// One per running tool. Making it removes the work folders that crashed runs left
// in the temporary folder; ending it closes the project.
class ProjectSession {
public:
    ProjectSession(const CardKindMasters& masters, SystemConfigTables& tables, Prompt& prompt,
                   ProjectEnvironment environment, ProjectHooks hooks = {});
    ~ProjectSession();
    ProjectSession(const ProjectSession&) = delete;
    ProjectSession& operator=(const ProjectSession&) = delete;

    ProjectRecord projectRecord;
    int g_projectOpen = 0;
    std::string g_projectName;     // CP932
    std::string g_projectComment;  // CP932
    int g_projectHandle = 0;
    // The open project was written by a newer program: saving asks first.
    bool newerVersionProject = false;

    void NewProject();
    int CreateUntitledProject();
    int OpenProjectDialog();
    int LoadProject();
    int SaveProject();
    int SaveProjectAs();
    int EditProjectProperties();
    int CleanupWorkFolder();
    int CreateProjectFiles(std::string& workFolder);
    int ExtractProjectFile(const std::string& path, const std::string& workFolder);
    int WriteProjectFile(const std::string& target);
    int ConvertOldProject(const std::string& oldPath, const std::string& workFolder);
    int UpdateProjectHeader();
    int LoadProjectSystem(const std::string& workFolder);
    int SaveProjectSystem();
    int LockProjectFile();
    int UnlockProjectFile();
    std::string LoadResString(int id) const;

    const ProjectEnvironment& environment() const { return env_; }

private:
    Answer show(int id, const MessageArgs& args = {}, Buttons buttons = Buttons::Ok, Icon icon = Icon::Error);
    std::string untitledFileName() const;
    bool askNewerVersionSave();
    // The New Project dialog for an untitled project; the chosen location, or empty when cancelled.
    std::string askNewProjectDetails();
    int saveTo(const std::string& target);

    const CardKindMasters& masters_;
    SystemConfigTables& tables_;
    Prompt& prompt_;
    ProjectEnvironment env_;
    ProjectHooks hooks_;
};

// Sets the program's version text into KRAVinA ("ORVANTEK KRAV3 Version " and the product version).
int StampProjectVersion();

// The desktop folder of the user (the home folder when there is none).
std::string GetDesktopFolder();

// Local time as "YYYY/MM/DD hh:mm:ss".
std::string FormatNowText();

// Applies a target path the way a save does: a path without folder goes to the
// desktop folder, and ".KRA" is appended unless the extension is ".KRA" in any case.
std::string ResolveArchivePath(const std::string& target, const std::string& desktopFolder);

}  // namespace kravin::model

// The project archive (.KRA, a ZIP of the work folder) on libzip, the advisory
// lock on an open archive, and the temporary work folders.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kravin::model {

// Failure codes beyond libzip's own (ZIP_ER_*, 1..32).
enum ArchiveCode {
    kArchiveOk = 0,
    kArchiveUnsafeEntry = 101,   // an entry would land outside the work folder, or is a link
    kArchiveIo = 102,            // reading or writing a file of the work folder failed
    kArchiveVerifyFailed = 103,  // the written archive does not hold what was packed
    kArchiveNoFolder = 104,      // the work folder is missing
    kArchiveNotProject = 105,    // the archive holds no project header file
    kArchiveNotRegular = 106,    // the archive path names no regular file (a folder, a pipe, a device)
    kArchiveTooLarge = 107,      // more entries, or bigger ones, than a project can hold
    kArchiveNameClash = 108,     // two entries whose names differ only in case
    kArchiveNoSpace = 109,       // the work folder's volume lacks the room for the entries
    kArchiveHeld = 110,          // the save target is held open by another instance
};

struct ArchiveResult {
    int code = kArchiveOk;
    std::string detail;  // what went wrong, for the user (UTF-8)
    explicit operator bool() const { return code == kArchiveOk; }
};

class FileLock;

// Packs every file and folder below workFolder into the archive at path (deflate
// level 1, names relative, "/" separators). The archive is written beside path
// under a temporary name of its own (see RemoveStaleSaveFiles), checked, and only
// then renamed over it: on any failure the old archive is intact. A target that
// another holder locks is refused (kArchiveHeld); lock, when given, is the caller's
// own lock (the target may be the archive it holds) and, on success, holds the new
// archive, locked before it took its name.
ArchiveResult ZipFolder(const std::string& path, const std::string& workFolder, FileLock* lock = nullptr);

// What an archive may hold to be opened as a project, checked before anything is
// extracted.
struct ExtractLimits {
    std::uint64_t entries = 0;    // files and folders
    std::uint64_t entrySize = 0;  // bytes of one file
    std::uint64_t total = 0;      // bytes of all files
    bool needsHeader = true;      // a project header entry "KRAVin.KRAB" (any case) at the top
    // Free bytes of the volume of a folder; nothing when unknown (statvfs when empty).
    std::function<std::optional<std::uint64_t>(const std::string&)> freeSpace;

    // The largest project: 64 stations of 16 cards with every file at its full size.
    static ExtractLimits Project();
};

// Extracts the archive into workFolder (created when missing), checking every
// entry's CRC and size. Refused before anything is written: entries that would leave
// the folder (absolute names, drive letters, "..") and links; names that differ only
// in case; an archive beyond the limits or larger than the free space of the work
// folder's volume. "\" separators of Windows archives are accepted.
ArchiveResult UnzipArchive(const std::string& path, const std::string& workFolder,
                           const ExtractLimits& limits = ExtractLimits::Project());

// True when folder holds the project header file "KRAVin.KRAB" (any case).
bool HasProjectHeader(const std::string& folder);

// Reads every entry of the archive and checks its CRC, writing nothing.
ArchiveResult TestArchive(const std::string& path);

// True when path is no ZIP at all (no ZIP signature) and sits in a folder that
// holds an old-format project header "KRAVin.KRA" (any size).
bool LooksLikeOldProject(const std::string& path);

// Exclusive advisory lock (flock) held on an open archive, so a second instance
// that opens the same project is refused.
class FileLock {
public:
    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileLock& operator=(FileLock&& other) noexcept;

    // Opens path for reading and takes the lock; false (and nothing held) when the
    // file is missing or another holder has it.
    bool acquire(const std::string& path);
    void release();
    bool held() const { return fd_ >= 0; }
    // Takes over an open descriptor that already holds the lock.
    void adopt(int fd);
    // True when the lock is held on the file path names now.
    bool holds(const std::string& path) const;

protected:
    bool lockPath(const std::string& path, int openFlags);

private:
    int fd_ = -1;
};

// errno-style result of opening an archive for reading as a second opener would:
// 0 when it can be read, EACCES (13) when another process holds its lock or
// access is denied, else the error number.
int ProbeArchiveAccess(const std::string& path);
// The same with the reason as text: code is the error number (EINVAL for a path
// that names no regular file), detail says what it means for path.
ArchiveResult ProbeArchive(const std::string& path);

// Removes the temporary files of saves into folder that ended midway (killed or
// crashed): files of this user named as ZipFolder names them that no running save
// holds. Returns how many went.
int RemoveStaleSaveFiles(const std::string& folder);

// The temporary folder (no trailing slash) and a fresh work folder name in it:
// the temporary folder, "/", and a new GUID in braces. The folder is not created.
std::string TempFolder();
std::string MakeTempWorkFolder(const std::string& tempFolder);

// Creates a work folder and holds a lock on it while the project lives, so that
// the sweep at start-up tells a live folder from one left by a crashed run.
class WorkFolderLock : public FileLock {
public:
    bool acquire(const std::string& folder);  // creates the folder when missing
};

// Removes the work folders ("{GUID}" folders) under tempFolder that no running
// instance holds; returns how many went.
int RemoveStaleWorkFolders(const std::string& tempFolder);

// Deletes a folder tree. Links are removed, never followed. There is no recycle
// bin here: permanent or not, the tree is deleted. true on success.
bool DeleteFolderTree(const std::string& path, bool permanent);

}  // namespace kravin::model

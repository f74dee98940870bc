#include "archive.h"

#include <QUuid>

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <regex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace kravin::model {
namespace {

constexpr std::size_t kCopyChunk = 1 << 18;
constexpr std::uintmax_t kOldHeaderSize = 144640;

ArchiveResult failure(int code, std::string detail)
{
    return ArchiveResult{code, std::move(detail)};
}

ArchiveResult zipFailure(zip_error_t* err, const std::string& what)
{
    const int code = zip_error_code_zip(err);
    return failure(code ? code : ZIP_ER_INTERNAL, what + ": " + zip_error_strerror(err));
}

ArchiveResult zipFailure(zip_t* za, const std::string& what)
{
    return zipFailure(zip_get_error(za), what);
}

struct ZipCloser {
    void operator()(zip_t* za) const { zip_discard(za); }
};
using ZipHandle = std::unique_ptr<zip_t, ZipCloser>;

struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() { if (fd >= 0) ::close(fd); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

ArchiveResult openArchive(const std::string& path, ZipHandle& out)
{
    int errorp = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &errorp);
    if (!za) {
        zip_error_t err;
        zip_error_init_with_code(&err, errorp);
        ArchiveResult r = zipFailure(&err, path);
        zip_error_fini(&err);
        return r;
    }
    out.reset(za);
    return {};
}

// The relative path an entry name stands for, with "\" read as "/" (empty for the
// folder itself, such as "./"); nothing when the name would leave the folder.
std::optional<std::string> safeEntryPath(const std::string& name)
{
    std::string n = name;
    std::replace(n.begin(), n.end(), '\\', '/');
    if (n.empty() || n.front() == '/') return std::nullopt;
    if (n.size() >= 2 && n[1] == ':') return std::nullopt;  // drive letter
    std::string out;
    std::size_t start = 0;
    while (start <= n.size()) {
        const std::size_t slash = std::min(n.find('/', start), n.size());
        const std::string part = n.substr(start, slash - start);
        if (part == "..") return std::nullopt;
        if (!part.empty() && part != ".") {
            if (!out.empty()) out += '/';
            out += part;
        }
        start = slash + 1;
    }
    if (!out.empty() && n.back() == '/') out += '/';
    return out;
}

bool isLinkEntry(zip_t* za, zip_uint64_t index)
{
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(za, index, 0, &opsys, &attributes) != 0) return false;
    return opsys == ZIP_OPSYS_UNIX && ((attributes >> 16) & S_IFMT) == S_IFLNK;
}

// Reads an entry whole, checking its CRC; with out >= 0 the bytes are written there.
ArchiveResult copyEntry(zip_t* za, zip_uint64_t index, int out, std::vector<char>& buffer,
                        const std::string& name)
{
    zip_file_t* zf = zip_fopen_index(za, index, 0);
    if (!zf) return zipFailure(za, name);
    for (;;) {
        const zip_int64_t n = zip_fread(zf, buffer.data(), buffer.size());
        if (n < 0) {
            ArchiveResult r = zipFailure(zip_file_get_error(zf), name);
            zip_fclose(zf);
            return r;
        }
        if (n == 0) break;
        if (out >= 0) {
            const char* p = buffer.data();
            std::size_t left = static_cast<std::size_t>(n);
            while (left > 0) {
                const ssize_t w = ::write(out, p, left);
                if (w < 0 && errno == EINTR) continue;
                if (w <= 0) {
                    zip_fclose(zf);
                    return failure(kArchiveIo, name + ": " + std::strerror(errno));
                }
                p += w;
                left -= static_cast<std::size_t>(w);
            }
        }
    }
    if (zip_fclose(zf) != 0) return failure(ZIP_ER_CRC, name + ": CRC error");
    return {};
}

struct PackItem {
    std::string name;  // entry name, "/" separated, folders end with "/"
    std::string source;
    std::uintmax_t size = 0;
};

// Every regular file and folder below root, in name order; links are skipped.
bool listFolder(const fs::path& root, std::vector<PackItem>& items, std::string& error)
{
    std::error_code ec;
    fs::recursive_directory_iterator it(root, fs::directory_options::none, ec);
    if (ec) return error = root.string() + ": " + ec.message(), false;
    for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
        if (ec) return error = ec.message(), false;
        const fs::file_status st = it->symlink_status(ec);
        if (ec) return error = it->path().string() + ": " + ec.message(), false;
        const std::string rel = it->path().lexically_relative(root).generic_string();
        if (fs::is_directory(st)) {
            items.push_back({rel + "/", it->path().string(), 0});
        } else if (fs::is_regular_file(st)) {
            const auto size = fs::file_size(it->path(), ec);
            if (ec) return error = it->path().string() + ": " + ec.message(), false;
            items.push_back({rel, it->path().string(), size});
        }
    }
    std::sort(items.begin(), items.end(), [](const PackItem& a, const PackItem& b) { return a.name < b.name; });
    return true;
}

// The packed archive holds exactly the listed entries with their sizes.
ArchiveResult verifyPacked(const std::string& path, const std::vector<PackItem>& items)
{
    ZipHandle za;
    if (ArchiveResult r = openArchive(path, za); !r) return failure(kArchiveVerifyFailed, r.detail);
    if (zip_get_num_entries(za.get(), 0) != static_cast<zip_int64_t>(items.size()))
        return failure(kArchiveVerifyFailed, path + ": wrong number of entries");
    for (std::size_t i = 0; i < items.size(); ++i) {
        zip_stat_t st;
        if (zip_stat_index(za.get(), i, ZIP_FL_ENC_RAW, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) ||
            items[i].name != st.name || st.size != items[i].size)
            return failure(kArchiveVerifyFailed, path + ": entry " + items[i].name + " differs");
    }
    return {};
}

bool syncPath(const std::string& path, bool directory)
{
    Fd fd(::open(path.c_str(), (directory ? O_DIRECTORY : 0) | O_RDONLY | O_CLOEXEC));
    return fd.fd >= 0 && ::fsync(fd.fd) == 0;
}

std::string parentOf(const std::string& path)
{
    fs::path p = fs::absolute(path).parent_path();
    return p.empty() ? std::string(".") : p.string();
}

}  // namespace

ArchiveResult ZipFolder(const std::string& target, const std::string& workFolder)
{
    std::error_code ec;
    // A link to an archive keeps pointing at it: the archive it names is replaced.
    const std::string path = fs::is_symlink(target, ec) ? fs::weakly_canonical(target, ec).string() : target;
    if (!fs::is_directory(workFolder, ec)) return failure(kArchiveNoFolder, workFolder + ": no such folder");
    std::vector<PackItem> items;
    std::string error;
    if (!listFolder(workFolder, items, error)) return failure(kArchiveIo, error);

    // The new archive is built under a temporary name in the target's folder.
    const std::string dir = parentOf(path);
    std::string tmpl = dir + "/." + fs::path(path).filename().string() + ".XXXXXX";
    const int tmpFd = ::mkstemp(tmpl.data());
    if (tmpFd < 0) return failure(ZIP_ER_TMPOPEN, tmpl + ": " + std::strerror(errno));
    ::close(tmpFd);
    const std::string tmp = tmpl;
    auto discardTmp = [&] { ::unlink(tmp.c_str()); };

    int errorp = 0;
    zip_t* za = zip_open(tmp.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &errorp);
    if (!za) {
        discardTmp();
        zip_error_t err;
        zip_error_init_with_code(&err, errorp);
        ArchiveResult r = zipFailure(&err, tmp);
        zip_error_fini(&err);
        return r;
    }
    for (const PackItem& item : items) {
        zip_int64_t index = -1;
        if (item.name.back() == '/') {
            index = zip_dir_add(za, item.name.c_str(), ZIP_FL_ENC_GUESS);
        } else {
            zip_source_t* src = zip_source_file(za, item.source.c_str(), 0, -1);
            if (src) {
                index = zip_file_add(za, item.name.c_str(), src, ZIP_FL_ENC_GUESS);
                if (index < 0) zip_source_free(src);
            }
            if (index >= 0 && zip_set_file_compression(za, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1) != 0)
                index = -1;
        }
        if (index < 0) {
            ArchiveResult r = zipFailure(za, item.source);
            zip_discard(za);
            discardTmp();
            return r;
        }
    }
    if (zip_close(za) != 0) {
        ArchiveResult r = zipFailure(za, path);
        zip_discard(za);
        discardTmp();
        return r;
    }
    if (ArchiveResult r = verifyPacked(tmp, items); !r) {
        discardTmp();
        return r;
    }
    struct stat old;
    ::chmod(tmp.c_str(), ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 0777) : 0644);
    if (!syncPath(tmp, false) || ::rename(tmp.c_str(), path.c_str()) != 0) {
        const int e = errno;
        discardTmp();
        return failure(ZIP_ER_RENAME, path + ": " + std::strerror(e));
    }
    syncPath(dir, true);
    return {};
}

ArchiveResult UnzipArchive(const std::string& path, const std::string& workFolder)
{
    ZipHandle za;
    if (ArchiveResult r = openArchive(path, za); !r) return r;
    std::error_code ec;
    fs::create_directories(workFolder, ec);
    if (ec) return failure(kArchiveIo, workFolder + ": " + ec.message());

    // Every name is checked before anything is written.
    const zip_int64_t count = zip_get_num_entries(za.get(), 0);
    std::vector<std::string> relative;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char* raw = zip_get_name(za.get(), index, ZIP_FL_ENC_RAW);
        if (!raw) return zipFailure(za.get(), path);
        std::optional<std::string> rel = safeEntryPath(raw);
        if (!rel || isLinkEntry(za.get(), index)) return failure(kArchiveUnsafeEntry, raw);
        relative.push_back(std::move(*rel));
    }
    std::vector<char> buffer(kCopyChunk);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const std::string& rel = relative[index];
        const std::string& name = rel;
        if (rel.empty()) continue;  // the folder itself
        const fs::path target = fs::path(workFolder) / rel;
        if (rel.back() == '/') {
            fs::create_directories(target, ec);
            if (ec) return failure(kArchiveIo, target.string() + ": " + ec.message());
            continue;
        }
        fs::create_directories(target.parent_path(), ec);
        if (ec) return failure(kArchiveIo, target.parent_path().string() + ": " + ec.message());
        Fd out(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (out.fd < 0) return failure(kArchiveIo, target.string() + ": " + std::strerror(errno));
        if (ArchiveResult r = copyEntry(za.get(), index, out.fd, buffer, name); !r) return r;
        if (::close(out.fd) != 0) {
            out.fd = -1;
            return failure(kArchiveIo, target.string() + ": " + std::strerror(errno));
        }
        out.fd = -1;
    }
    return {};
}

ArchiveResult TestArchive(const std::string& path)
{
    ZipHandle za;
    if (ArchiveResult r = openArchive(path, za); !r) return r;
    const zip_int64_t count = zip_get_num_entries(za.get(), 0);
    std::vector<char> buffer(kCopyChunk);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(za.get(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        if (ArchiveResult r = copyEntry(za.get(), static_cast<zip_uint64_t>(i), -1, buffer, name ? name : "?"); !r)
            return r;
    }
    return {};
}

namespace {

// The regular file named name (compared without regard to case) in folder has size bytes (any size when 0).
bool hasFileNamed(const std::string& folder, const std::string& upperName, std::uintmax_t size)
{
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        std::string name = entry.path().filename().string();
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
        if (name != upperName) continue;
        std::error_code fileEc;
        if (entry.is_regular_file(fileEc) && (size == 0 || entry.file_size(fileEc) == size) && !fileEc) return true;
    }
    return false;
}

}  // namespace

bool HasProjectHeader(const std::string& folder)
{
    return hasFileNamed(folder, "KRAVIN.KRAB", 0);
}

bool LooksLikeOldProject(const std::string& path)
{
    {
        Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (fd.fd < 0) return false;
        unsigned char sig[4] = {};
        const ssize_t n = ::read(fd.fd, sig, sizeof sig);
        if (n >= 2 && sig[0] == 'P' && sig[1] == 'K') return false;
    }
    return hasFileNamed(parentOf(path), "KRAVIN.KRA", kOldHeaderSize);
}

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        release();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool FileLock::acquire(const std::string& path)
{
    return lockPath(path, 0);
}

bool FileLock::lockPath(const std::string& path, int openFlags)
{
    release();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | openFlags);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void FileLock::release()
{
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

int ProbeArchiveAccess(const std::string& path)
{
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.fd < 0) return errno;
    struct stat st;
    if (::fstat(fd.fd, &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (::flock(fd.fd, LOCK_SH | LOCK_NB) != 0) return errno == EWOULDBLOCK ? EACCES : errno;
    ::flock(fd.fd, LOCK_UN);
    return 0;
}

std::string TempFolder()
{
    std::error_code ec;
    std::string t = fs::temp_directory_path(ec).string();
    if (ec || t.empty()) t = "/tmp";
    while (t.size() > 1 && t.back() == '/') t.pop_back();
    return t;
}

std::string MakeTempWorkFolder(const std::string& tempFolder)
{
    return tempFolder + "/" + QUuid::createUuid().toString(QUuid::WithBraces).toUpper().toStdString();
}

bool WorkFolderLock::acquire(const std::string& folder)
{
    std::error_code ec;
    fs::create_directories(folder, ec);
    return lockPath(folder, O_DIRECTORY);
}

int RemoveStaleWorkFolders(const std::string& tempFolder)
{
    static const std::regex guid(
        R"(\{[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\})");
    int removed = 0;
    std::error_code ec;
    std::vector<fs::path> candidates;
    for (const auto& entry : fs::directory_iterator(tempFolder, ec)) {
        std::error_code typeEc;
        if (entry.is_symlink(typeEc) || !entry.is_directory(typeEc)) continue;
        if (!std::regex_match(entry.path().filename().string(), guid)) continue;
        candidates.push_back(entry.path());
    }
    for (const fs::path& folder : candidates) {
        // Only our own folders: owned by this user.
        struct stat st;
        if (::lstat(folder.c_str(), &st) != 0 || st.st_uid != ::getuid()) continue;
        Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (fd.fd < 0 || ::flock(fd.fd, LOCK_EX | LOCK_NB) != 0) continue;  // a live instance has it
        if (DeleteFolderTree(folder.string(), true)) ++removed;
    }
    return removed;
}

bool DeleteFolderTree(const std::string& path, bool /*permanent*/)
{
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec))) return false;
    fs::remove_all(path, ec);  // does not follow links inside the tree
    return !ec;
}

}  // namespace kravin::model

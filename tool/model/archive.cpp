#include "archive.h"

#include "KRAVinA.h"
#include "ordered_parallel.h"
#include "zip_writer.h"

#include <QUuid>

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <regex>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace fs = std::filesystem;

namespace kravin::model {
namespace {

constexpr std::size_t kCopyChunk = 1 << 18;
constexpr std::size_t kPage = 4096;

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

// Opens path for reading without blocking (a pipe or a device would block a plain
// open) and keeps it only when it is a regular file.
int openRegular(const std::string& path, ArchiveResult& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        error = failure(e == ENOENT ? ZIP_ER_NOENT : ZIP_ER_OPEN, path + ": " + std::strerror(e));
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = failure(kArchiveNotRegular, path + ": not a regular file");
        return -1;
    }
    return fd;
}

// With kept, a second descriptor of the same file stays open there (for workers
// that open the very file again through /proc/self/fd, each with its own offset).
ArchiveResult openArchive(const std::string& path, ZipHandle& out, int* kept = nullptr)
{
    ArchiveResult r;
    const int fd = openRegular(path, r);
    if (fd < 0) return r;
    if (kept) *kept = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    int errorp = 0;
    zip_t* za = zip_fdopen(fd, ZIP_CHECKCONS, &errorp);  // owns fd from here on success
    if (!za) {
        ::close(fd);
        if (kept && *kept >= 0) ::close(*kept), *kept = -1;
        zip_error_t err;
        zip_error_init_with_code(&err, errorp);
        r = zipFailure(&err, path);
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

bool writeAll(int fd, const char* p, std::size_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            if (w == 0) errno = ENOSPC;
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

bool zeroPage(const char* p)
{
    std::uint64_t acc = 0;
    for (std::size_t i = 0; i < kPage; i += 64) {
        std::uint64_t w[8];
        std::memcpy(w, p + i, sizeof w);
        acc |= w[0] | w[1] | w[2] | w[3] | w[4] | w[5] | w[6] | w[7];
        if (acc) return false;
    }
    return true;
}

// The CRC of a page of zeros, and the operator that appends one to a CRC.
struct ZeroPage {
    uLong crc = 0, op = 0;
    ZeroPage()
    {
        const std::vector<unsigned char> zeros(kPage, 0);
        crc = crc32_z(crc32_z(0, nullptr, 0), zeros.data(), zeros.size());
        op = crc32_combine_gen(static_cast<z_off_t>(kPage));
    }
};

// Takes an entry's bytes in order: checks that no more come than its size, keeps their
// CRC, and writes them at the file's offset when there is a file, skipping whole pages
// of zeros: they stay holes, which read as zeros and cost the file system nothing, and
// their CRC is appended without reading them again.
class EntrySink {
public:
    EntrySink(int out, std::uint64_t size) : out_(out), left_(size) {}

    bool put(const char* data, std::size_t size, std::string& error)
    {
        static const ZeroPage zero;
        if (size > left_) return error = "more data than its size", false;
        left_ -= size;
        std::size_t pos = 0;
        while (pos < size) {
            std::size_t end = pos;
            while (end + kPage <= size && zeroPage(data + end)) {
                crc_ = crc32_combine_op(crc_, zero.crc, zero.op);
                end += kPage;
            }
            if (end > pos) {
                if (out_ >= 0 && ::lseek(out_, static_cast<off_t>(end - pos), SEEK_CUR) < 0)
                    return error = std::strerror(errno), false;
                pos = end;
                continue;
            }
            end = pos + std::min(kPage, size - pos);
            while (end + kPage <= size && !zeroPage(data + end)) end += kPage;
            if (end + kPage > size) end = size;
            crc_ = crc32_z(crc_, reinterpret_cast<const unsigned char*>(data + pos), end - pos);
            if (out_ >= 0 && !writeAll(out_, data + pos, end - pos)) return error = std::strerror(errno), false;
            pos = end;
        }
        return true;
    }
    std::uint64_t left() const { return left_; }
    std::uint32_t crc() const { return static_cast<std::uint32_t>(crc_); }

private:
    int out_;
    std::uint64_t left_;
    uLong crc_ = crc32_z(0, nullptr, 0);
};

// Inflates the raw deflate data of an open entry (read with ZIP_FL_COMPRESSED) into sink,
// a whole buffer at a time so that its pages line up with the file's.
bool inflateEntry(zip_file_t* zf, EntrySink& sink, std::vector<char>& buffer, std::string& error)
{
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return error = "zlib failed", false;
    std::vector<unsigned char> in(1 << 16);
    bool eof = false, ok = false;
    std::size_t filled = 0;
    for (;;) {
        if (z.avail_in == 0 && !eof) {
            const zip_int64_t n = zip_fread(zf, in.data(), in.size());
            if (n < 0) {
                error = zip_error_strerror(zip_file_get_error(zf));
                break;
            }
            eof = n == 0;
            z.next_in = in.data();
            z.avail_in = static_cast<uInt>(n);
        }
        z.next_out = reinterpret_cast<unsigned char*>(buffer.data() + filled);
        z.avail_out = static_cast<uInt>(buffer.size() - filled);
        const int rc = inflate(&z, Z_NO_FLUSH);
        filled = buffer.size() - z.avail_out;
        if (rc != Z_OK && rc != Z_STREAM_END && !(rc == Z_BUF_ERROR && z.avail_in == 0 && !eof)) {
            error = rc == Z_BUF_ERROR ? "the compressed data ends early" : "damaged compressed data";
            break;
        }
        if (filled == buffer.size() || rc == Z_STREAM_END) {
            if (!sink.put(buffer.data(), filled, error)) break;
            filled = 0;
        }
        if (rc == Z_STREAM_END) {
            ok = true;
            break;
        }
    }
    inflateEnd(&z);
    return ok;
}

// Reads an entry whole, checking its CRC and that it holds exactly the size its
// directory entry gives; with out >= 0 the bytes are written there. Deflated and
// stored entries are decoded here (zero pages cost no CRC pass); others by libzip.
ArchiveResult copyEntry(zip_t* za, zip_uint64_t index, int out, std::vector<char>& buffer,
                        const std::string& name)
{
    zip_stat_t st;
    if (zip_stat_index(za, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) return zipFailure(za, name);
    const bool plain = !(st.valid & ZIP_STAT_ENCRYPTION_METHOD) || st.encryption_method == ZIP_EM_NONE;
    const bool own = plain && (st.valid & ZIP_STAT_CRC) && (st.valid & ZIP_STAT_COMP_METHOD) &&
                     (st.comp_method == ZIP_CM_DEFLATE || st.comp_method == ZIP_CM_STORE);
    zip_file_t* zf = zip_fopen_index(za, index, own ? ZIP_FL_COMPRESSED : 0);
    if (!zf) return zipFailure(za, name);
    EntrySink sink(out, st.size);
    std::string error;
    bool ok = true;
    if (own && st.comp_method == ZIP_CM_DEFLATE) {
        ok = inflateEntry(zf, sink, buffer, error);
    } else {
        for (;;) {
            const zip_int64_t n = zip_fread(zf, buffer.data(), buffer.size());
            if (n < 0) {
                ArchiveResult r = zipFailure(zip_file_get_error(zf), name);
                zip_fclose(zf);
                return r;
            }
            if (n == 0) break;
            if (!sink.put(buffer.data(), static_cast<std::size_t>(n), error)) {
                ok = false;
                break;
            }
        }
    }
    const bool libzipCrc = zip_fclose(zf) == 0;
    if (!ok) return failure(error == "more data than its size" ? ZIP_ER_INCONS : kArchiveIo, name + ": " + error);
    if (!libzipCrc || (own && sink.crc() != st.crc)) return failure(ZIP_ER_CRC, name + ": CRC error");
    if (sink.left() != 0) return failure(ZIP_ER_INCONS, name + ": less data than its size");
    // The length, also when the file ends in zeros that were skipped.
    if (out >= 0 && ::ftruncate(out, static_cast<off_t>(st.size)) != 0)
        return failure(kArchiveIo, name + ": " + std::strerror(errno));
    return {};
}

struct PackItem {
    std::string name;  // entry name, "/" separated, folders end with "/"
    std::string source;
    std::uintmax_t size = 0;
    unsigned mode = 0;
    std::time_t mtime = 0;
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
        if (!fs::is_directory(st) && !fs::is_regular_file(st)) continue;
        struct stat info;
        if (::lstat(it->path().c_str(), &info) != 0)
            return error = it->path().string() + ": " + std::strerror(errno), false;
        const bool folder = S_ISDIR(info.st_mode);
        items.push_back({folder ? rel + "/" : rel, it->path().string(), folder ? 0 : std::uintmax_t(info.st_size),
                         static_cast<unsigned>(info.st_mode & 07777), info.st_mtime});
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

namespace {

// Temporary files of a save: "." + archive name + this marker + six random characters.
constexpr const char* kSaveMarker = ".KRAVin-save.";

bool readWhole(const std::string& path, std::vector<unsigned char>& data, std::uintmax_t size, std::string& error)
{
    Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.fd < 0) return error = path + ": " + std::strerror(errno), false;
    data.resize(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd.fd, data.data() + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return error = path + ": " + std::strerror(errno), false;
        if (n == 0) return error = path + ": changed while it was packed", false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Creates and locks the temporary file of a save beside path; -1 with error set.
int createSaveFile(const std::string& dir, const std::string& path, std::string& tmp, std::string& error)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string name = dir + "/." + fs::path(path).filename().string() + kSaveMarker + "XXXXXX";
        const int fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) return error = name + ": " + std::strerror(errno), -1;
        // A sweep of another instance may take a file before it is locked: then a new one.
        struct stat st;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &st) == 0 && st.st_nlink > 0) {
            tmp = name;
            return fd;
        }
        ::close(fd);
    }
    return error = dir + ": no temporary file could be made", -1;
}

// Whether the archive at path is locked by a holder other than lock (nothing else
// is refused: a target that can't be opened is replaced by the rename, or not).
bool heldElsewhere(const std::string& path, const FileLock* lock, FileLock& guard)
{
    if (lock && lock->held() && lock->holds(path)) return false;
    return !guard.acquire(path) && errno == EWOULDBLOCK;
}

}  // namespace

ArchiveResult ZipFolder(const std::string& target, const std::string& workFolder, FileLock* lock)
{
    std::error_code ec;
    // A link to an archive keeps pointing at it: the archive it names is replaced.
    const std::string path = fs::is_symlink(target, ec) ? fs::weakly_canonical(target, ec).string() : target;
    if (!fs::is_directory(workFolder, ec)) return failure(kArchiveNoFolder, workFolder + ": no such folder");
    const std::string dir = parentOf(path);
    RemoveStaleSaveFiles(dir);

    // The target stays locked by us until it is replaced, so nobody opens it meanwhile.
    FileLock guard;
    if (heldElsewhere(path, lock, guard)) return failure(kArchiveHeld, path + ": held open by another instance");

    std::vector<PackItem> items;
    std::string error;
    if (!listFolder(workFolder, items, error)) return failure(kArchiveIo, error);

    std::string tmp;
    Fd out(createSaveFile(dir, path, tmp, error));
    if (out.fd < 0) return failure(ZIP_ER_TMPOPEN, error);
    auto discard = [&](ArchiveResult r) {
        ::unlink(tmp.c_str());
        return r;
    };

    // Files are read and compressed on worker threads and written in name order here.
    struct Packed {
        zipw::Compressed data;
        std::string error;
        int code = kArchiveOk;
    };
    zipw::Writer writer(out.fd);
    ArchiveResult failed;
    OrderedParallel<Packed>(
        items.size(), WorkerCount(items.size()), 64,
        [&](std::size_t i) {
            Packed p;
            const PackItem& item = items[i];
            if (item.name.back() == '/') return p;
            std::vector<unsigned char> data;
            if (!readWhole(item.source, data, item.size, p.error))
                p.code = kArchiveIo;
            else if (!zipw::Compress(data.data(), data.size(), p.data))
                p.code = ZIP_ER_ZLIB, p.error = item.source + ": compression failed";
            return p;
        },
        [&](std::size_t i, Packed p) {
            const PackItem& item = items[i];
            if (p.code != kArchiveOk) {
                failed = failure(p.code, p.error);
                return false;
            }
            return item.name.back() == '/' ? writer.addFolder(item.name, item.mode, item.mtime)
                                           : writer.addFile(item.name, item.mode, item.mtime, p.data);
        });
    if (!failed) return discard(failed);
    if (!writer.finish()) return discard(failure(ZIP_ER_WRITE, tmp + ": " + writer.error()));
    if (ArchiveResult r = verifyPacked(tmp, items); !r) return discard(r);
    struct stat old;
    ::fchmod(out.fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 0777) : 0644);
    if (::fsync(out.fd) != 0 || ::rename(tmp.c_str(), path.c_str()) != 0) {
        const int e = errno;
        return discard(failure(ZIP_ER_RENAME, path + ": " + std::strerror(e)));
    }
    syncPath(dir, true);
    if (lock) {
        lock->adopt(out.fd);  // locked since it was made
        out.fd = -1;
    }
    return {};
}

ExtractLimits ExtractLimits::Project()
{
    constexpr std::uint64_t units = KRAVINA_STATIONS * (KRAVINA_CARDS + 1);
    // Per unit its data, analog and communication files and its two layer files; per
    // station a folder; the header, the communication view's two layer files and the
    // top folder.
    constexpr std::uint64_t entries = units * 5 + KRAVINA_STATIONS + 4;
    constexpr std::uint64_t bytes =
        units * (std::uint64_t{KRAVINA_UNIT_FILE_SIZE} + KRAVINA_ACON_FILE_SIZE + KRAVINA_DCON_FILE_SIZE +
                 KRAVINA_COMMENT_BLOCK_SIZE + KRAVINA_FIGURE_BLOCK_SIZE) +
        KRAVINA_HEADER_SIZE + KRAVINA_COMMENT_BLOCK_SIZE + KRAVINA_FIGURE_BLOCK_SIZE;
    ExtractLimits limits;
    limits.entries = entries;
    limits.entrySize = std::max<std::uint64_t>({KRAVINA_HEADER_SIZE, KRAVINA_UNIT_FILE_SIZE, KRAVINA_ACON_FILE_SIZE});
    limits.total = bytes;
    return limits;
}

namespace {

// Asks ext2/3/4 to spread the folders below folder over the whole volume, as for a home
// folder: otherwise every file of the project is made in the one block group of the
// work folder, where the files of the project closed just before were deleted, and
// making each one walks past all of those recently freed inodes. Other file systems
// don't know the flag; nothing changes there.
void markTopFolder(const std::string& folder)
{
    Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    int flags = 0;
    if (fd.fd < 0 || ::ioctl(fd.fd, FS_IOC_GETFLAGS, &flags) != 0) return;
    flags |= FS_TOPDIR_FL;
    ::ioctl(fd.fd, FS_IOC_SETFLAGS, &flags);
}

std::optional<std::uint64_t> volumeFreeSpace(const std::string& folder)
{
    struct statvfs vfs;
    if (::statvfs(folder.c_str(), &vfs) != 0) return std::nullopt;
    return std::uint64_t{vfs.f_bavail} * vfs.f_frsize;
}

std::string upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

// Every name and size is checked before anything is written; the relative paths out.
ArchiveResult checkEntries(zip_t* za, const std::string& path, const std::string& workFolder,
                           const ExtractLimits& limits, std::vector<std::string>& relative)
{
    const zip_int64_t count = zip_get_num_entries(za, 0);
    if (count < 0 || static_cast<std::uint64_t>(count) > limits.entries)
        return failure(kArchiveTooLarge, path + ": " + std::to_string(count) + " entries, more than a project holds");
    std::unordered_set<std::string> seen;
    std::uint64_t total = 0, blocks = 0;
    bool header = false;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char* raw = zip_get_name(za, index, ZIP_FL_ENC_RAW);
        if (!raw) return zipFailure(za, path);
        std::optional<std::string> rel = safeEntryPath(raw);
        if (!rel || isLinkEntry(za, index)) return failure(kArchiveUnsafeEntry, raw);
        zip_stat_t st;
        if (zip_stat_index(za, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) return zipFailure(za, path);
        const bool folder = rel->empty() || rel->back() == '/';
        if (folder && st.size != 0) return failure(kArchiveUnsafeEntry, std::string(raw) + ": a folder with data");
        if (st.size > limits.entrySize)
            return failure(kArchiveTooLarge, std::string(raw) + ": " + std::to_string(st.size) +
                                                 " bytes, larger than any project file");
        total += st.size;
        blocks += (st.size + 4095) / 4096;
        if (total > limits.total)
            return failure(kArchiveTooLarge, path + ": more data than a project holds");
        if (!rel->empty()) {
            std::string key = upper(*rel);
            if (key.back() == '/') key.pop_back();
            if (!seen.insert(key).second)
                return failure(kArchiveNameClash, std::string(raw) + ": a second entry of this name");
            header = header || (!folder && key == "KRAVIN.KRAB");
        }
        relative.push_back(std::move(*rel));
    }
    if (limits.needsHeader && !header) return failure(kArchiveNotProject, path + ": no project header");
    const std::optional<std::uint64_t> space =
        limits.freeSpace ? limits.freeSpace(workFolder) : volumeFreeSpace(workFolder);
    if (space && blocks * 4096 > *space)
        return failure(kArchiveNoSpace, workFolder + ": " + std::to_string(blocks * 4096) +
                                            " bytes needed, " + std::to_string(*space) + " free");
    return {};
}

// What an extraction made, taken away again unless it completes: the levels of the
// work folder it created, and the folders and files it made inside a folder that
// was there before.
class ExtractionUndo {
public:
    explicit ExtractionUndo(const fs::path& workFolder) : top_(firstMissing(workFolder, {})) {}
    ExtractionUndo(const ExtractionUndo&) = delete;
    ExtractionUndo& operator=(const ExtractionUndo&) = delete;
    ~ExtractionUndo()
    {
        if (done_) return;
        std::error_code ec;
        if (!top_.empty()) {
            fs::remove_all(top_, ec);
            return;
        }
        for (const fs::path& f : files_) fs::remove(f, ec);
        // Deepest first, so each folder is empty when its turn comes.
        std::sort(folders_.begin(), folders_.end(), [](const fs::path& a, const fs::path& b) {
            return a.native().size() > b.native().size();
        });
        for (const fs::path& f : folders_) fs::remove(f, ec);
    }
    // Before path (a folder) is created inside the work folder.
    void folder(const fs::path& path, const fs::path& workFolder)
    {
        if (!top_.empty()) return;
        for (fs::path p = path.has_filename() ? path : path.parent_path(); p != workFolder && p.has_relative_path();
             p = p.parent_path()) {
            std::error_code ec;
            if (fs::symlink_status(p, ec).type() != fs::file_type::not_found) break;
            folders_.push_back(p);
        }
    }
    // Before the file at path is opened for writing.
    void file(const fs::path& path)
    {
        std::error_code ec;
        if (!top_.empty() || fs::symlink_status(path, ec).type() != fs::file_type::not_found) return;
        std::lock_guard lock(mutex_);
        files_.push_back(path);
    }
    void keep() { done_ = true; }

private:
    // The outermost level of folder that does not exist yet; empty when it exists.
    static fs::path firstMissing(fs::path folder, fs::path missing)
    {
        std::error_code ec;
        while (!folder.empty() && fs::symlink_status(folder, ec).type() == fs::file_type::not_found) {
            missing = folder;
            if (!folder.has_relative_path() || folder.parent_path() == folder) break;
            folder = folder.parent_path();
        }
        return missing;
    }

    fs::path top_;
    std::vector<fs::path> folders_, files_;
    std::mutex mutex_;
    bool done_ = false;
};

}  // namespace

ArchiveResult UnzipArchive(const std::string& path, const std::string& workFolder, const ExtractLimits& limits)
{
    ZipHandle za;
    int kept = -1;
    if (ArchiveResult r = openArchive(path, za, &kept); !r) return r;
    Fd keptFd(kept);
    // A refused or failed extraction leaves nothing behind.
    ExtractionUndo undo(fs::path(workFolder).lexically_normal());
    std::error_code ec;
    fs::create_directories(workFolder, ec);
    if (ec) return failure(kArchiveIo, workFolder + ": " + ec.message());

    std::vector<std::string> relative;
    if (ArchiveResult r = checkEntries(za.get(), path, workFolder, limits, relative); !r) return r;
    markTopFolder(workFolder);

    // Folders first, each once; then the files, spread over worker threads.
    // A worker takes all files of one folder: creating files in one folder at the same
    // time only makes the threads wait for the folder's lock.
    std::vector<std::string> folders;
    std::map<std::string, std::vector<std::size_t>> byFolder;
    for (std::size_t i = 0; i < relative.size(); ++i) {
        const std::string& rel = relative[i];
        if (rel.empty()) continue;  // the folder itself
        if (rel.back() == '/') {
            folders.push_back(rel);
        } else {
            const std::size_t slash = rel.rfind('/');
            const std::string folder = slash == std::string::npos ? std::string() : rel.substr(0, slash + 1);
            byFolder[folder].push_back(i);
            if (!folder.empty()) folders.push_back(folder);
        }
    }
    std::vector<std::vector<std::size_t>> groups;
    for (auto& [folder, indexes] : byFolder) groups.push_back(std::move(indexes));
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    for (const std::string& rel : folders) {
        const fs::path target = fs::path(workFolder) / rel;
        undo.folder(target.lexically_normal(), fs::path(workFolder).lexically_normal());
        fs::create_directories(target, ec);
        if (ec) return failure(kArchiveIo, target.string() + ": " + ec.message());
    }

    auto extract = [&](zip_t* archive, std::size_t index, std::vector<char>& buffer) -> ArchiveResult {
        const std::string& rel = relative[index];
        const fs::path target = fs::path(workFolder) / rel;
        undo.file(target);
        Fd out(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (out.fd < 0) return failure(kArchiveIo, target.string() + ": " + std::strerror(errno));
        if (ArchiveResult r = copyEntry(archive, index, out.fd, buffer, rel); !r) return r;
        const int fd = out.fd;
        out.fd = -1;
        if (::close(fd) != 0) return failure(kArchiveIo, target.string() + ": " + std::strerror(errno));
        return {};
    };

    const unsigned workers = keptFd.fd >= 0 ? WorkerCount(groups.size()) : 1;
    std::atomic<std::size_t> next{0};
    std::mutex failedMutex;
    ArchiveResult failed;
    std::atomic<bool> stop{false};
    auto work = [&](zip_t* archive) {
        ZipHandle own;
        if (!archive) {
            // A handle of its own on the same open file: libzip handles are not shared.
            const std::string again = "/proc/self/fd/" + std::to_string(keptFd.fd);
            const int fd = ::open(again.c_str(), O_RDONLY | O_CLOEXEC);
            int errorp = 0;
            zip_t* z = fd >= 0 ? zip_fdopen(fd, 0, &errorp) : nullptr;
            if (!z) {
                if (fd >= 0) ::close(fd);
                std::lock_guard lock(failedMutex);
                if (failed) failed = failure(ZIP_ER_OPEN, path + ": could not be read again");
                stop = true;
                return;
            }
            own.reset(z);
            archive = z;
        }
        std::vector<char> buffer(kCopyChunk);
        for (std::size_t g; !stop && (g = next++) < groups.size();) {
            for (std::size_t index : groups[g]) {
                ArchiveResult r = stop ? ArchiveResult{} : extract(archive, index, buffer);
                if (!r) {
                    std::lock_guard lock(failedMutex);
                    if (failed) failed = std::move(r);
                    stop = true;
                }
            }
        }
    };
    std::vector<std::thread> threads;
    for (unsigned w = 1; w < workers; ++w) threads.emplace_back(work, nullptr);
    work(za.get());
    for (std::thread& t : threads) t.join();
    if (failed) undo.keep();
    return failed;
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

// Folder holds a regular file named upperName (compared without regard to case).
bool hasFileNamed(const std::string& folder, const std::string& upperName)
{
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        std::string name = entry.path().filename().string();
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
        if (name != upperName) continue;
        std::error_code fileEc;
        if (entry.is_regular_file(fileEc) && !fileEc) return true;
    }
    return false;
}

}  // namespace

bool HasProjectHeader(const std::string& folder)
{
    return hasFileNamed(folder, "KRAVIN.KRAB");
}

bool LooksLikeOldProject(const std::string& path)
{
    {
        ArchiveResult notRegular;
        Fd fd(openRegular(path, notRegular));
        if (fd.fd < 0) return false;
        unsigned char sig[4] = {};
        const ssize_t n = ::read(fd.fd, sig, sizeof sig);
        if (n >= 2 && sig[0] == 'P' && sig[1] == 'K') return false;
    }
    // A short or damaged old header is still offered: the library reads it padded.
    return hasFileNamed(parentOf(path), "KRAVIN.KRA");
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
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | openFlags);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        ::close(fd);
        errno = e;
        return false;
    }
    fd_ = fd;
    return true;
}

void FileLock::adopt(int fd)
{
    release();
    fd_ = fd;
}

bool FileLock::holds(const std::string& path) const
{
    struct stat mine, named;
    return fd_ >= 0 && ::fstat(fd_, &mine) == 0 && ::stat(path.c_str(), &named) == 0 && mine.st_dev == named.st_dev &&
           mine.st_ino == named.st_ino;
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
    return ProbeArchive(path).code;
}

ArchiveResult ProbeArchive(const std::string& path)
{
    auto error = [&](int e) { return failure(e, path + ": " + std::strerror(e)); };
    // Not blocking: a pipe at the path would hold a plain open until a writer comes.
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.fd < 0) return error(errno);
    struct stat st;
    if (::fstat(fd.fd, &st) != 0) return error(errno);
    if (S_ISDIR(st.st_mode)) return error(EISDIR);
    if (!S_ISREG(st.st_mode)) return failure(EINVAL, path + ": not a regular file");
    if (::flock(fd.fd, LOCK_SH | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) return failure(EACCES, path + ": held open by another instance");
        return error(errno);
    }
    ::flock(fd.fd, LOCK_UN);
    return {};
}

int RemoveStaleSaveFiles(const std::string& folder)
{
    int removed = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        const std::size_t marker = name.rfind(kSaveMarker);
        if (name.size() < 2 || name[0] != '.' || marker == std::string::npos || marker == 0 ||
            name.size() != marker + std::strlen(kSaveMarker) + 6)
            continue;
        struct stat st;
        if (::lstat(entry.path().c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid()) continue;
        Fd fd(::open(entry.path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (fd.fd < 0 || ::flock(fd.fd, LOCK_EX | LOCK_NB) != 0) continue;  // a save in progress has it
        if (::unlink(entry.path().c_str()) == 0) ++removed;
    }
    return removed;
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

#include "backup_job.h"

#include "lzw.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <span>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kravinb {

namespace {

bool diskFull(int error) { return error == ENOSPC || error == EFBIG || error == EDQUOT; }

// Whether fd is still the file path names (a sweep has not taken it).
bool stillNamed(int fd, const fs::path& path)
{
    struct stat byFd, byName;
    return ::fstat(fd, &byFd) == 0 && ::lstat(path.c_str(), &byName) == 0 && byFd.st_dev == byName.st_dev &&
           byFd.st_ino == byName.st_ino;
}

// A new file ".NAME.XXXXXX" beside target NAME that nobody else uses, locked
// while its descriptor is open (so that a sweep leaves it alone); -1 when it
// cannot be made.
int makeTemp(const fs::path& target, fs::path& temp)
{
    const std::string pattern = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string name = pattern;
        const int fd = ::mkstemp(name.data());
        if (fd < 0) return -1;
        // A sweep may take the file between its creation and the lock: then another one.
        // A volume without locks leaves it unlocked (the sweep cannot lock it either).
        const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if ((locked || errno != EWOULDBLOCK) && stillNamed(fd, name)) {
            ::fchmod(fd, 0644);
            temp = name;
            return fd;
        }
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

bool equalNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// NAME of a leaf ".NAME.XXXXXX" as makeTemp names it; empty for any other leaf.
std::string_view tempTarget(std::string_view leaf)
{
    constexpr std::size_t kSuffix = 7;  // ".XXXXXX"
    if (leaf.size() < 2 + kSuffix || leaf[0] != '.' || leaf[leaf.size() - kSuffix] != '.') return {};
    for (std::size_t i = leaf.size() - kSuffix + 1; i < leaf.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(leaf[i]))) return {};
    return leaf.substr(1, leaf.size() - 1 - kSuffix);
}

// A member file name of a unit: STNINF.KRAB, CARDh.KRAB or ACh.KRAB, any case.
bool isMemberName(std::string_view name)
{
    if (equalNoCase(name, "STNINF.KRAB")) return true;
    for (int card = 0; card < 16; ++card)
        if (equalNoCase(name, MemberFileName(card, 0)) || equalNoCase(name, MemberFileName(card, 1))) return true;
    return false;
}

int writeAt(int fd, const void* data, std::size_t size, std::uint64_t offset)
{
    const auto* p = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, p, size, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        p += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return 0;
}

// Writes bytes as a complete new file beside target; the temporary path and its
// descriptor (which keeps the file locked until it is closed) out.
int writeTempFile(const fs::path& target, const std::vector<unsigned char>& bytes, fs::path& temp, int& fd)
{
    fd = makeTemp(target, temp);
    if (fd < 0) return errno ? errno : EIO;
    int error = writeAt(fd, bytes.data(), bytes.size(), 0);
    if (!error && ::fsync(fd) != 0) error = errno;
    if (error) {
        ::close(fd);
        fd = -1;
        std::error_code ec;
        fs::remove(temp, ec);
    }
    return error;
}

LzwStatus decodeMember(const std::vector<unsigned char>& file, const BkcMember& m, std::vector<unsigned char>& out)
{
    const std::span<const unsigned char> data(file.data() + m.offset, m.packed);
    return LzwDecodeMember(data, m.size, out);
}

bool hasBkcExtension(std::string_view name)
{
    return name.size() > 4 && equalNoCase(name.substr(name.size() - 4), ".BKC");
}

}  // namespace

void SweepStaleTemps(const fs::path& folder, const std::function<bool(std::string_view)>& ours)
{
    std::error_code ec;
    std::vector<fs::path> found;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        const std::string leaf = e.path().filename().string();
        const std::string_view target = tempTarget(leaf);
        if (target.empty() || !ours(target) || !e.is_regular_file(ec) || e.is_symlink(ec)) continue;
        found.push_back(e.path());
    }
    for (const fs::path& p : found) {
        // A writer at work holds its lock: that file stays.
        const int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && stillNamed(fd, p)) ::unlink(p.c_str());
        ::close(fd);
    }
}

bool MemberAccepted(int k, const std::vector<unsigned char>& bytes)
{
    const auto n = static_cast<long>(bytes.size());
    return (k == 0 ? KRAVinA_Data_Check(bytes.data(), n) : KRAVinA_Acon_Check(bytes.data(), n)) == 0;
}

CardFiles GetCardFileInfo(const fs::path& workFolder, int station, int card)
{
    CardFiles files;
    const fs::path folder = StationFolder(workFolder, station);
    std::error_code ec;
    const auto m0 = FindNoCase(folder, MemberFileName(card, 0));
    if (!m0) return files;
    files.count = 1;
    files.member[0] = *m0;
    files.totalSize = fs::file_size(*m0, ec);
    if (card >= 0) {
        if (const auto m1 = FindNoCase(folder, MemberFileName(card, 1))) {
            files.count = 2;
            files.member[1] = *m1;
            files.totalSize += fs::file_size(*m1, ec);
        }
    }
    return files;
}

std::uint64_t FreeBytes(const fs::path& path)
{
    std::error_code ec;
    fs::path p = path;
    while (!p.empty() && !fs::exists(p, ec)) {
        const fs::path parent = p.parent_path();
        if (parent == p) break;
        p = parent;
    }
    const fs::space_info s = fs::space(p.empty() ? fs::path(".") : p, ec);
    return ec ? 0 : s.available;
}

WriteStatus BkcWriter::Create(const BkcHeader& header)
{
    Abort();
    header_ = header;
    header_.member = {};
    end_ = kHeaderSize;
    std::error_code ec;
    fs::create_directories(output_.parent_path(), ec);
    SweepStaleTemps(output_.parent_path(), hasBkcExtension);
    errno = 0;
    fd_ = makeTemp(output_, temp_);
    if (fd_ < 0) {
        errno_ = errno;
        return WriteStatus::CannotCreate;
    }
    const HeaderBytes bytes = EncodeHeader(header_);
    return writeAll(bytes.data(), bytes.size(), 0);
}

WriteStatus BkcWriter::writeAll(const void* data, std::size_t size, std::uint64_t offset)
{
    errno_ = writeAt(fd_, data, size, offset);
    if (errno_ == 0) return WriteStatus::Ok;
    return diskFull(errno_) ? WriteStatus::DiskFull : WriteStatus::WriteError;
}

WriteStatus BkcWriter::AddMember(int k, const fs::path& file)
{
    if (fd_ < 0 || k < 0 || k >= kMembers) return WriteStatus::WriteError;
    // Only a file the project could hold goes into a backup: a restore takes no other.
    std::vector<unsigned char> input;
    if (ReadRegularFile(file, MemberFileSize(k), input) != FileRead::Ok || !MemberAccepted(k, input))
        return WriteStatus::CannotRead;
    std::vector<unsigned char> packed;
    packed.reserve(input.size() / 4 + 64);
    LzwEncodeMember(input, packed);
    const WriteStatus s = writeAll(packed.data(), packed.size(), end_);
    if (s != WriteStatus::Ok) return s;
    header_.member[k] = {static_cast<std::uint32_t>(input.size()), static_cast<std::uint32_t>(end_),
                         static_cast<std::uint32_t>(packed.size())};
    end_ += packed.size();
    return WriteStatus::Ok;
}

WriteStatus BkcWriter::Finish()
{
    if (fd_ < 0) return WriteStatus::WriteError;
    // A backup that holds no member is none: the old file stays.
    if (header_.member[0].size == 0) {
        Abort();
        return WriteStatus::Empty;
    }
    const HeaderBytes bytes = EncodeHeader(header_);
    WriteStatus s = writeAll(bytes.data(), bytes.size(), 0);
    const auto failedWith = [&](int error) {
        errno_ = error;
        s = diskFull(errno_) ? WriteStatus::DiskFull : WriteStatus::WriteError;
    };
    if (s == WriteStatus::Ok && ::fsync(fd_) != 0) failedWith(errno);
    // The lock stays on the file (through a second descriptor) until it has its name.
    const int hold = ::dup(fd_);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && s == WriteStatus::Ok) failedWith(errno);
    if (s == WriteStatus::Ok) {
        std::error_code ec;
        fs::rename(temp_, output_, ec);
        if (ec) {
            errno_ = ec.value();
            s = WriteStatus::WriteError;
        }
    }
    if (s != WriteStatus::Ok) {
        std::error_code ec;
        fs::remove(temp_, ec);
    }
    if (hold >= 0) ::close(hold);
    temp_.clear();
    return s;
}

void BkcWriter::Abort()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        std::error_code ec;
        fs::remove(temp_, ec);
        temp_.clear();
    }
}

RestoreStatus ReadBackup(const std::vector<unsigned char>& file, BkcHeader& header,
                         std::vector<std::vector<unsigned char>>& members)
{
    const auto h = DecodeHeader(file.data(), file.size());
    if (!h || !HeaderFitsFile(*h, file.size())) return RestoreStatus::Damaged;
    header = *h;
    members.assign(static_cast<std::size_t>(h->memberCount()), {});
    for (int k = 0; k < h->memberCount(); ++k)
        if (decodeMember(file, h->member[k], members[k]) != LzwStatus::Ok || !MemberAccepted(k, members[k]))
            return RestoreStatus::Damaged;
    return RestoreStatus::Ok;
}

RestoreStatus RestoreBackup(const fs::path& backup, const RestoreTarget& target, const RestoreHooks& hooks,
                            BkcHeader* headerOut, fs::path* failedPath)
{
    std::error_code ec;
    SweepStaleTemps(backup.parent_path(), hasBkcExtension);
    std::vector<unsigned char> file;
    if (ReadRegularFile(backup, kMaxBackupSize, file) != FileRead::Ok) return RestoreStatus::Damaged;
    const auto h = DecodeHeader(file.data(), file.size());
    if (!h || !HeaderFitsFile(*h, file.size()) || (h->card < 0) != (target.card < 0)) return RestoreStatus::Damaged;
    if (headerOut) *headerOut = *h;
    if (hooks.accept && !hooks.accept(*h)) return RestoreStatus::Refused;

    // Every member is decoded whole and checked as the file it becomes before
    // anything is written.
    const int count = h->memberCount();
    std::vector<std::vector<unsigned char>> members(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        if (hooks.step && !hooks.step(k, *h)) return RestoreStatus::Cancelled;
        if (decodeMember(file, h->member[k], members[k]) != LzwStatus::Ok || !MemberAccepted(k, members[k]))
            return RestoreStatus::Damaged;
    }

    std::uint64_t needed = 0;
    for (int k = 0; k < count; ++k) needed += h->member[k].size;
    if (FreeBytes(target.workFolder) < needed) return RestoreStatus::NoSpace;

    const fs::path folder = StationFolder(target.workFolder, target.station);
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
        if (failedPath) *failedPath = folder;
        return RestoreStatus::NoFolder;
    }
    SweepStaleTemps(folder, isMemberName);

    // Targets: the backup's own members; the unit's other files stay as they are.
    struct Slot {
        std::string name;
        std::optional<fs::path> existing;
        fs::path temp, kept;
        int fd = -1;  // holds the temporary file's lock until it has its name
    };
    std::vector<Slot> slot(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        slot[k].name = MemberFileName(target.card, k);
        slot[k].existing = FindNoCase(folder, slot[k].name);
    }
    const auto dropTemps = [&] {
        for (Slot& s : slot) {
            if (!s.temp.empty()) fs::remove(s.temp, ec);
            if (s.fd >= 0) ::close(s.fd);
            s.fd = -1;
        }
    };
    for (int k = 0; k < count; ++k) {
        if (writeTempFile(folder / slot[k].name, members[k], slot[k].temp, slot[k].fd) != 0) {
            dropTemps();
            if (failedPath) *failedPath = folder / slot[k].name;
            return RestoreStatus::WriteError;
        }
    }

    // Copies of the files about to be replaced, to put back on a failure.
    fs::create_directories(target.keepFolder, ec);
    for (Slot& s : slot) {
        if (!s.existing) continue;
        s.kept = target.keepFolder / s.existing->filename();
        fs::copy_file(*s.existing, s.kept, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            dropTemps();
            fs::remove_all(target.keepFolder, ec);
            if (failedPath) *failedPath = s.kept;
            return RestoreStatus::WriteError;
        }
    }

    bool failed = false;
    int done = 0;
    for (; done < count; ++done) {
        Slot& s = slot[done];
        fs::rename(s.temp, folder / s.name, ec);
        if (ec) {
            failed = true;
            if (failedPath) *failedPath = folder / s.name;
            break;
        }
        s.temp.clear();
        RemoveCaseTwins(folder, s.name);
    }
    dropTemps();
    if (failed) {
        for (int k = 0; k < count; ++k) {
            Slot& s = slot[k];
            std::error_code e2;
            if (s.existing) {
                fs::copy_file(s.kept, *s.existing, fs::copy_options::overwrite_existing, e2);
                if (*s.existing != folder / s.name) fs::remove(folder / s.name, e2);
            } else if (k < done) {
                fs::remove(folder / s.name, e2);
            }
        }
    }
    fs::remove_all(target.keepFolder, ec);
    return failed ? RestoreStatus::WriteError : RestoreStatus::Ok;
}

std::vector<BackupEntry> ListBackups(const fs::path& folder, bool stationTarget)
{
    std::vector<BackupEntry> list;
    std::error_code ec;
    SweepStaleTemps(folder, hasBkcExtension);
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        if (!e.is_regular_file(ec) || !hasBkcExtension(e.path().filename().string())) continue;
        BackupEntry entry;
        entry.path = e.path();
        const HeaderCheck check = CheckBackupHeader(e.path(), &entry.header);
        if (check == HeaderCheck::Missing || check == HeaderCheck::NotBackup) continue;
        entry.damaged = check == HeaderCheck::Damaged;
        if ((entry.header.card == -1) != stationTarget) continue;
        list.push_back(std::move(entry));
    }
    std::sort(list.begin(), list.end(), [](const BackupEntry& a, const BackupEntry& b) {
        return a.path.filename() < b.path.filename();
    });
    return list;
}

}  // namespace kravinb

// Conversion of an old-format project folder into a work folder of the current format.
#include "KRAVinA.h"
#include "connections.h"
#include "fileio.h"
#include "header.h"
#include "library.h"
#include "oldformat.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kravina {
namespace {

using Bytes = std::vector<unsigned char>;
namespace of = oldformat;

bool equalsNoCase(const std::string& a, const char* b) { return ::strcasecmp(a.c_str(), b) == 0; }

// The folder of a file path: everything before its last "/". A bare name lies in ".".
std::string folderOfPath(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    std::string dir = path.substr(0, slash);
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir.empty() ? "/" : dir;
}

// The canonical path of an existing entry, or "" when it cannot be resolved.
std::string realPath(const std::string& path)
{
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

// True when path is root or lies below it (both canonical).
bool within(const std::string& path, const std::string& root)
{
    if (root == "/") return true;
    return path == root || (path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
                            path[root.size()] == '/');
}

enum class Read { ok, missing, failed };

// Reads a regular file: up to limit bytes into out (which keeps its size), or, with
// limit 0, the whole file (out grows to it). A path that does not exist is missing.
Read readOld(const std::string& path, int extraFlags, Bytes& out, std::size_t limit)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | extraFlags);
    if (fd < 0) return errno == ENOENT ? Read::missing : Read::failed;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    // Room for the whole file and one byte more, which tells that it has not grown.
    if (ok && limit == 0) out.resize(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t have = 0;
    while (ok) {
        if (limit == 0 && have == out.size()) out.resize(std::max<std::size_t>(65536, out.size() * 2));
        const std::size_t room = (limit == 0 ? out.size() : limit) - have;
        if (room == 0) break;
        const ssize_t n = ::read(fd, out.data() + have, room);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        have += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (limit == 0) out.resize(have);
    return ok ? Read::ok : Read::failed;
}

// Where a widened record keeps the fields that every old record has.
struct WideLayout {
    std::size_t records, size, value, colour, x, y;
};

// Widens old records into out: kind as int32 value, colour index as COLORREF, points
// 0..7; extra(old, new) moves what else the record kind keeps. All other bytes are zero.
template <class Extra>
void widen(const Bytes& old, const WideLayout& l, Extra extra, Bytes& out)
{
    out.assign(l.records * l.size, 0);
    for (std::size_t r = 0; r < l.records; ++r) {
        const unsigned char* o = old.data() + r * of::kRecordSize;
        unsigned char* n = out.data() + r * l.size;
        storeInt32(n + l.value, static_cast<signed char>(o[of::kKind]));
        storeInt32(n + l.colour, of::colourOfByte(o[of::kColour]));
        std::copy_n(o + of::kX, 2 * of::kPoints, n + l.x);
        std::copy_n(o + of::kY, 2 * of::kPoints, n + l.y);
        extra(o, n);
    }
}

void widenAnalog(const Bytes& old, Bytes& out)
{
    widen(old, {of::kAconRecords, acon::recordSize, acon::value, acon::colour, acon::pointsX, acon::pointsY},
          [](const unsigned char* o, unsigned char* n) { n[acon::kind] = o[of::kByte2]; }, out);
}

void widenCommunication(const Bytes& old, Bytes& out)
{
    widen(old, {of::kDconRecords, dcon::recordSize, dcon::value, dcon::colour, dcon::pointsX, dcon::pointsY},
          [](const unsigned char* o, unsigned char* n) {
              n[dcon::lineKind] = o[of::kByte2];
              n[dcon::pointCount] = o[of::kByte3];
          },
          out);
}

// The old and widened images of a connection file. A project holds hundreds of them:
// the buffers stay between files and between conversions instead of being mapped and
// zeroed afresh for each (1.48 MB for an analog file).
struct ConnectionBuffers {
    Bytes old, wide;
};

ConnectionBuffers& connectionBuffers()
{
    thread_local ConnectionBuffers buffers;
    return buffers;
}

// Name in the new folder: a ".KRA" extension (any case) becomes ".KRAB".
std::string targetName(const std::string& name)
{
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && equalsNoCase(name.substr(dot), ".KRA"))
        return name.substr(0, dot) + ".KRAB";
    return name;
}

enum class Kind { analog, communication, plain };

// Connection files are known by the first two letters of the name without extension.
Kind kindOf(const std::string& name)
{
    const std::string stem = name.substr(0, name.rfind('.'));
    if (stem.size() >= 2 && equalsNoCase(stem.substr(0, 2), "AC")) return Kind::analog;
    if (stem.size() >= 2 && equalsNoCase(stem.substr(0, 2), "DC")) return Kind::communication;
    return Kind::plain;
}

// Converts one old file into newDir. source "" stands for a file that is gone: a
// connection file then becomes an empty one, anything else is left out.
bool convertFile(const std::string& source, int openFlags, const std::string& newDir,
                 const std::string& name)
{
    const std::string target = targetName(name);
    const Kind kind = kindOf(name);
    if (kind == Kind::plain) {
        Bytes data;
        const Read r = source.empty() ? Read::missing : readOld(source, openFlags, data, 0);
        if (r == Read::missing) return true;
        return r == Read::ok && writeFile(newDir, target, data.data(), data.size());
    }
    const bool analog = kind == Kind::analog;
    auto& [old, wide] = connectionBuffers();
    old.assign(analog ? of::kAconFileSize : of::kDconFileSize, 0);
    if (!source.empty() && readOld(source, openFlags, old, old.size()) == Read::failed) return false;
    if (analog)
        widenAnalog(old, wide);
    else
        widenCommunication(old, wide);
    return writeFile(newDir, target, wide.data(), wide.size());
}

struct Walk {
    std::string oldRoot;  // canonical old folder
    dev_t newDev;         // the new folder, never walked into
    ino_t newIno;
};

std::vector<std::string> entriesOf(const std::string& dir, bool& ok)
{
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.c_str());
    ok = d != nullptr;
    if (!d) return names;
    while (const dirent* e = ::readdir(d)) {
        const std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

// A symbolic link is followed only to a regular file inside the old folder; a link
// that leads nowhere counts as a missing file.
bool convertLink(const Walk& w, const std::string& from, const std::string& newDir,
                 const std::string& name)
{
    struct stat st;
    if (::stat(from.c_str(), &st) != 0) return errno == ENOENT ? convertFile("", 0, newDir, name) : true;
    if (!S_ISREG(st.st_mode)) return true;
    const std::string real = realPath(from);
    if (real.empty() || !within(real, w.oldRoot)) return true;
    return convertFile(real, O_NOFOLLOW, newDir, name);
}

bool copyTree(const Walk& w, const std::string& oldDir, const std::string& newDir)
{
    bool ok = false;
    const auto names = entriesOf(oldDir, ok);
    if (!ok) return false;
    for (const auto& name : names) {
        const std::string from = oldDir + "/" + name;
        struct stat st;
        if (::lstat(from.c_str(), &st) != 0) {
            if (errno == ENOENT) continue;
            return false;
        }
        bool done = true;
        if (S_ISDIR(st.st_mode)) {
            if (st.st_dev == w.newDev && st.st_ino == w.newIno) continue;
            done = makeFolder(newDir, name) && copyTree(w, from, findPath(newDir, name));
        } else if (S_ISLNK(st.st_mode)) {
            done = convertLink(w, from, newDir, name);
        } else if (S_ISREG(st.st_mode)) {
            done = convertFile(from, O_NOFOLLOW, newDir, name);
        }  // devices, pipes and sockets are no project files
        if (!done) return false;
    }
    return true;
}

int convertProject(const char* oldPath, const char* folder)
{
    if (!oldPath || !*oldPath || !folder || !*folder) return -1;
    const std::string oldRoot = realPath(folderOfPath(oldPath));
    struct stat st;
    if (oldRoot.empty() || ::stat(oldRoot.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return -1;

    const std::string newDir = folder;
    if (!makeFolder(newDir, "")) return -1;
    const std::string newRoot = realPath(newDir);
    if (newRoot.empty() || ::stat(newRoot.c_str(), &st) != 0) return -1;
    // Writing into the old folder or one of its parents could overwrite old files.
    if (within(oldRoot, newRoot)) return -1;

    if (!copyTree(Walk{oldRoot, st.st_dev, st.st_ino}, oldRoot, newDir)) return -1;

    selectOldestHeader(newDir.c_str());
    const char* image = reinterpret_cast<const char*>(headerImage().data());
    const std::string name(image + head::name, head::nameWidth);
    const std::string text2(image + head::text2, head::text2Width);
    const std::string comment(image + head::comment, head::commentWidth);
    setHead(name.c_str(), text2.c_str(), comment.c_str());
    return writeHeader(newDir.c_str()) ? 0 : -1;
}

}  // namespace
}  // namespace kravina

extern "C" int KRAVinA_Proj_Convert(const char* oldPath, const char* folder)
{
    return kravina::guarded([&] { return kravina::convertProject(oldPath, folder); });
}

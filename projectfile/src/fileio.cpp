#include "fileio.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kravina {
namespace {

std::vector<std::string> splitComponents(const std::string& relative)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : relative) {
        if (c == '/') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

bool exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// The entry of dir whose name equals name ignoring ASCII case; the exact name first.
std::string matchEntry(const std::string& dir, const std::string& name)
{
    const std::string exact = dir + "/" + name;
    if (exists(exact)) return exact;
    std::string found;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            if (::strcasecmp(e->d_name, name.c_str()) == 0) {
                found = dir + "/" + e->d_name;
                break;
            }
        }
        ::closedir(d);
    }
    return found.empty() ? exact : found;
}

std::string resolve(const std::string& folder, const std::vector<std::string>& parts, std::size_t count)
{
    std::string path = folder;
    for (std::size_t i = 0; i < count; ++i) path = matchEntry(path, parts[i]);
    return path;
}

bool writeAll(int fd, const void* data, std::size_t size)
{
    const auto* p = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Creates a fresh hidden file in dir, named after leaf, for writing. The mode 0666 is narrowed
// by the process umask as for any new file. -1 when no file could be made.
int createTemp(const std::string& dir, const std::string& leaf, std::string& temp)
{
    static std::atomic<unsigned> counter{0};
    static const unsigned salt = std::random_device{}();
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%08x%06x", salt ^ static_cast<unsigned>(::getpid()),
                      counter.fetch_add(1) & 0xFFFFFFu);
        temp = dir + "/." + leaf + suffix;
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

std::string joinPath(const std::string& folder, const std::string& relative)
{
    return folder + "/" + relative;
}

std::string findPath(const std::string& folder, const std::string& relative)
{
    const auto parts = splitComponents(relative);
    return resolve(folder, parts, parts.size());
}

long readFile(const std::string& folder, const std::string& relative, void* data, std::size_t size)
{
    // The exact spelling first; the directories are searched only when it is missing.
    std::FILE* f = std::fopen(joinPath(folder, relative).c_str(), "rb");
    if (!f && errno == ENOENT) f = std::fopen(findPath(folder, relative).c_str(), "rb");
    if (!f) return -1;
    const std::size_t n = std::fread(data, 1, size, f);
    std::fclose(f);
    return static_cast<long>(n);
}

bool writeFile(const std::string& folder, const std::string& relative, const void* data,
               std::size_t size)
{
    const auto parts = splitComponents(relative);
    if (parts.empty()) return false;
    const std::string dir = resolve(folder, parts, parts.size() - 1);
    const std::string& leaf = parts.back();
    const std::string target = dir + "/" + leaf;
    // A twin spelled in another case can only matter when the exact name is new.
    const bool replacing = exists(target);

    std::string temp;
    const int fd = createTemp(dir, leaf, temp);
    if (fd < 0) return false;
    bool ok = writeAll(fd, data, size);
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }

    // A twin spelled in another case would shadow or duplicate the file just written.
    if (DIR* d = replacing ? nullptr : ::opendir(dir.c_str())) {
        std::vector<std::string> twins;
        while (const dirent* e = ::readdir(d)) {
            if (leaf != e->d_name && ::strcasecmp(e->d_name, leaf.c_str()) == 0)
                twins.push_back(dir + "/" + e->d_name);
        }
        ::closedir(d);
        for (const auto& t : twins) ::unlink(t.c_str());
    }
    return true;
}

bool fileExists(const std::string& folder, const std::string& relative)
{
    struct stat st;
    return ::stat(findPath(folder, relative).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool makeFolder(const std::string& folder, const std::string& relative)
{
    const std::string path = findPath(folder, relative);
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace kravina

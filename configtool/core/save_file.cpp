#include "save_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qvcfg {

namespace {

// The process's file mode mask, read without changing it (umask() would, for all threads).
mode_t CurrentUmask()
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 022;
    char line[128];
    unsigned mask = 022;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "Umask: %o", &mask) == 1) break;
    std::fclose(f);
    return static_cast<mode_t>(mask);
}

}  // namespace

int SaveFile(const std::string& path, const std::string& bytes)
{
    if (path.empty()) return -1;
    // Only a regular file is replaced: never a FIFO, a device or a folder.
    struct stat target {};
    const bool exists = ::stat(path.c_str(), &target) == 0;
    if (exists && !S_ISREG(target.st_mode)) return -1;
    std::string tmp = path + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) return -1;
    const mode_t mask = CurrentUmask();
    // A replaced file keeps its permissions; a new one gets the usual ones.
    ::fchmod(fd, exists ? (target.st_mode & 07777) : (0666 & ~mask));
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w > 0)
            done += static_cast<std::size_t>(w);
        else if (!(w < 0 && errno == EINTR))
            ok = false;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return -2;
    }
    return 0;
}

}  // namespace qvcfg

// Helpers of the model tests: shell commands, file contents, a simulated full disk.
#pragma once

#include <csignal>
#include <cstdlib>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

namespace kravin::test {

// Runs a shell command quietly; its exit status, -1 when it did not exit.
inline int runQuiet(const std::string& command)
{
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string shellQuoted(const std::string& s) { return "'" + s + "'"; }

// Bytes that do not compress.
inline std::vector<unsigned char> noise(std::size_t size, unsigned seed = 11)
{
    std::vector<unsigned char> v(size);
    std::mt19937 rng(seed);
    for (auto& b : v) b = static_cast<unsigned char>(rng());
    return v;
}

// Limits the size of the files this process writes, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*previous_)(int) = nullptr;
};

}  // namespace kravin::test

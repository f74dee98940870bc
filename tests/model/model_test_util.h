// Helpers of the model tests: shell commands and file contents.
#pragma once

#include "file_size_limit.h"

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

}  // namespace kravin::test

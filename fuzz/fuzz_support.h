// Shared pieces of the fuzz targets: file helpers and the property check.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "temp_dir.h"  // TempDir: the scratch folder of a run

namespace kravin::fuzz {

// Writes bytes to path, creating its parent folders. An existing file is overwritten in
// place and then cut to size: a RAM-backed folder keeps its pages instead of freeing and
// allocating them again for every input.
inline void writeInput(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) std::abort();
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) std::abort();
        done += static_cast<std::size_t>(n);
    }
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0) std::abort();
    if (::close(fd) != 0) std::abort();
}

inline std::uintmax_t fileSize(const std::string& path)
{
    std::error_code ec;
    const auto n = std::filesystem::file_size(path, ec);
    return ec ? 0 : n;
}

// Stops the run with a crash the fuzzer records when a property does not hold.
inline void require(bool property)
{
    if (!property) __builtin_trap();
}

}  // namespace kravin::fuzz

// Shared pieces of the fuzz targets: file helpers and the property check.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "temp_dir.h"  // TempDir: the scratch folder of a run

namespace kravin::fuzz {

// Writes bytes to path, creating its parent folders.
inline void writeInput(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    if (std::fclose(f) != 0) std::abort();
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

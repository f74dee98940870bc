// A full project folder for the benchmarks: 64 stations with 16 cards each, the unit,
// analog and communication files at their real sizes, filled as a real project is
// (mostly zeros with scattered values).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>
#include <sys/wait.h>

namespace kravin::bench {

namespace fs = std::filesystem;

constexpr std::size_t kUnitFileSize = 361300;
constexpr std::size_t kAnalogFileSize = 1480000;
constexpr std::size_t kCommFileSize = 2496;
constexpr std::size_t kHeaderSize = 148992;

inline int run(const std::string& command)
{
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string shellQuoted(const std::string& s) { return "'" + s + "'"; }

// Unit data: a head, then blocks of which about a third are in use with small
// item values and terminal references; the rest zero, as in a real project.
inline std::vector<unsigned char> unitData(std::mt19937& rng)
{
    std::vector<unsigned char> v(kUnitFileSize, 0);
    std::memcpy(v.data(), "00SYS", 5);
    for (int b = 0; b < 100; ++b) {
        if (rng() % 3 != 0) continue;
        unsigned char* block = v.data() + 500 + 3608 * b;
        block[0] = static_cast<unsigned char>('0' + rng() % 10);
        for (int i = 0; i < 40; ++i) {
            unsigned char* item = block + 8 + 16 * i;
            item[0] = static_cast<unsigned char>(rng() % 4);
            item[4] = static_cast<unsigned char>(rng());
            item[5] = static_cast<unsigned char>(rng() % 16);
        }
        for (int t = 0; t < 20; ++t) block[1608 + 20 * t] = static_cast<unsigned char>(rng() % 100);
    }
    return v;
}

inline std::vector<unsigned char> sparse(std::size_t size, std::mt19937& rng, int every)
{
    std::vector<unsigned char> v(size, 0);
    for (std::size_t i = 0; i < size; i += static_cast<std::size_t>(every) + rng() % 64)
        v[i] = static_cast<unsigned char>(rng());
    return v;
}

inline void write(const fs::path& path, const std::vector<unsigned char>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// Writes the project's files into work (created when missing).
inline void writeFullProject(const std::string& work)
{
    fs::create_directories(work);
    std::mt19937 rng(2024);
    write(fs::path(work) / "KRAVin.KRAB", sparse(kHeaderSize, rng, 120));
    char name[32];
    for (int s = 0; s < 64; ++s) {
        std::snprintf(name, sizeof name, "STN%02d", s);
        const fs::path stn = fs::path(work) / name;
        fs::create_directories(stn);
        write(stn / "STNINF.KRAB", unitData(rng));
        write(stn / "ACX.KRAB", sparse(kAnalogFileSize, rng, 400));
        write(stn / "DCX.KRAB", sparse(kCommFileSize, rng, 40));
        for (int c = 0; c < 16; ++c) {
            std::snprintf(name, sizeof name, "CARD%X.KRAB", c);
            write(stn / name, unitData(rng));
            std::snprintf(name, sizeof name, "DC%X.KRAB", c);
            write(stn / name, sparse(kCommFileSize, rng, 40));
        }
    }
}

}  // namespace kravin::bench

// Writes and reads back the unit data files of a full project (64 stations x 16 cards)
// through the library, and the same bytes with plain stdio, in turns. Counters: "ratio" is
// library time / plain time; "ratio_to_atomic" compares with a plain write to a temporary
// name renamed over the file, the way the library replaces a file.
#include "KRAVinA.h"
#include "temp_dir.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kStations = KRAVINA_STATIONS;
constexpr int kCards = KRAVINA_CARDS;
constexpr std::size_t kFileSize = KRAVINA_UNIT_FILE_SIZE;
constexpr std::size_t kHeadSize = KRAVINA_UNIT_HEAD_SIZE;

using Clock = std::chrono::steady_clock;

std::string unitPath(const std::string& folder, int station, int card)
{
    char name[32];
    std::snprintf(name, sizeof name, "/STN%02d/CARD%X.KRAB", station, card);
    return folder + name;
}

// One pass through the library: every unit written from the image, then every unit read.
void libraryPass(const std::string& folder, std::vector<char>& head)
{
    for (int s = 0; s < kStations; ++s) {
        for (int c = 0; c < kCards; ++c) {
            head[5] = static_cast<char>(s);
            head[6] = static_cast<char>(c);
            KRAVinA_Data_XY_Set(1, s, c);
            if (KRAVinA_Data_Write(s, c, head.data(), folder.c_str()) != 0) std::abort();
        }
    }
    for (int s = 0; s < kStations; ++s) {
        for (int c = 0; c < kCards; ++c) {
            if (KRAVinA_Data_Get(s, c, head.data(), folder.c_str()) != 0) std::abort();
            benchmark::DoNotOptimize(head.data());
        }
    }
}

// The same bytes with plain buffered stdio; with atomic set, each file is written to a
// temporary name and renamed over the old one, as the library does.
void plainPass(const std::string& folder, std::vector<unsigned char>& image, std::vector<char>& head, bool atomic)
{
    for (int s = 0; s < kStations; ++s) {
        for (int c = 0; c < kCards; ++c) {
            image[5] = static_cast<unsigned char>(s);
            image[6] = static_cast<unsigned char>(c);
            const std::string path = unitPath(folder, s, c);
            const std::string temp = atomic ? path + ".new" : path;
            std::FILE* f = std::fopen(temp.c_str(), "w+b");
            if (!f || std::fwrite(image.data(), 1, kFileSize, f) != kFileSize) std::abort();
            std::fclose(f);
            if (atomic && std::rename(temp.c_str(), path.c_str()) != 0) std::abort();
        }
    }
    for (int s = 0; s < kStations; ++s) {
        for (int c = 0; c < kCards; ++c) {
            std::FILE* f = std::fopen(unitPath(folder, s, c).c_str(), "rb");
            if (!f || std::fread(image.data(), 1, kFileSize, f) != kFileSize) std::abort();
            std::fclose(f);
            std::memcpy(head.data(), image.data(), kHeadSize);
            benchmark::DoNotOptimize(head.data());
        }
    }
}

template <class F>
Clock::duration timed(F&& pass)
{
    ::sync();  // no writeback of an earlier pass runs into this one
    const auto t0 = Clock::now();
    pass();
    return Clock::now() - t0;
}

void BM_UnitFilesRoundTrip(benchmark::State& state)
{
    kravin::test::TempDir dir;
    const std::string library = dir / "library";
    const std::string plain = dir / "plain";
    KRAVinA_Proj_Create("BENCH", "", "", library.c_str());
    std::filesystem::create_directory(plain);
    for (int s = 0; s < kStations; ++s) {
        char name[8];
        std::snprintf(name, sizeof name, "STN%02d", s);
        std::filesystem::create_directory(std::filesystem::path(plain) / name);
    }

    std::vector<char> head(kHeadSize, '\0');
    std::memcpy(head.data(), "00SYS", 5);
    std::vector<unsigned char> image(kFileSize, 0);
    std::memcpy(image.data(), head.data(), kHeadSize);
    KRAVinA_Data_Get(0, 0, head.data(), library.c_str());

    // Every side starts with every file present.
    libraryPass(library, head);
    plainPass(plain, image, head, false);

    Clock::duration libraryTime{}, plainTime{}, atomicTime{};
    for (auto _ : state) {
        libraryTime += timed([&] { libraryPass(library, head); });
        plainTime += timed([&] { plainPass(plain, image, head, false); });
        atomicTime += timed([&] { plainPass(plain, image, head, true); });
    }
    const auto seconds = [&](Clock::duration d) {
        return std::chrono::duration<double>(d).count() / static_cast<double>(state.iterations());
    };
    const double lib = seconds(libraryTime), cp = seconds(plainTime), atomic = seconds(atomicTime);
    state.counters["library_ms"] = 1000 * lib;
    state.counters["plain_ms"] = 1000 * cp;
    state.counters["plain_atomic_ms"] = 1000 * atomic;
    state.counters["ratio"] = cp > 0 ? lib / cp : 0;
    state.counters["ratio_to_atomic"] = atomic > 0 ? lib / atomic : 0;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 3 * 2 * kStations * kCards *
                            static_cast<int64_t>(kFileSize));
}

BENCHMARK(BM_UnitFilesRoundTrip)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

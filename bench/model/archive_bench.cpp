// Save (pack) and open (test, extract, load) of a full project of 64 stations with
// 16 cards each, beside zip -1 -r and unzip on the same folder in the same run.
// Prints pack and open time ratios and the archive size ratio at the end.
#include "archive.h"
#include "project.h"
#include "system_config.h"
#include "temp_dir.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>

namespace fs = std::filesystem;
using namespace kravin::model;

namespace {

constexpr std::size_t kUnitFileSize = 361300;
constexpr std::size_t kAnalogFileSize = 1480000;
constexpr std::size_t kCommFileSize = 2496;
constexpr std::size_t kHeaderSize = 148992;

int run(const std::string& command)
{
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string shellQuoted(const std::string& s) { return "'" + s + "'"; }

// Unit data: a head, then blocks of which about a third are in use with small
// item values and terminal references; the rest zero, as in a real project.
std::vector<unsigned char> unitData(std::mt19937& rng)
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

std::vector<unsigned char> sparse(std::size_t size, std::mt19937& rng, int every)
{
    std::vector<unsigned char> v(size, 0);
    for (std::size_t i = 0; i < size; i += static_cast<std::size_t>(every) + rng() % 64)
        v[i] = static_cast<unsigned char>(rng());
    return v;
}

void write(const fs::path& path, const std::vector<unsigned char>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// The project folder and the archives, made once.
struct FullProject {
    kravin::test::TempDir dir;
    std::string work, ours, theirs;
    CardKindMasters masters;

    FullProject()
    {
        StampProjectVersion();
        work = dir / "work";
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
        ours = dir / "ours.KRA";
        theirs = dir / "theirs.KRA";
        ZipFolder(ours, work);
        run("cd " + shellQuoted(work) + " && zip -1 -r -q " + shellQuoted(theirs) + " .");
    }
};

FullProject& project()
{
    static FullProject p;
    return p;
}

// Answers the open dialog with one path; every box is acknowledged.
class BenchPrompt : public Prompt {
public:
    std::string path;
    Answer message(int, const MessageArgs&, Buttons, Icon) override { return Answer::Ok; }
    void text(const std::string&, Icon) override {}
    std::optional<std::string> chooseFile(const FileChoice&) override { return path; }
    bool projectDialog(ProjectDialogData&) override { return false; }
};

void BM_PackOurs(benchmark::State& state)
{
    FullProject& p = project();
    const std::string out = p.dir / "pack.KRA";
    for (auto _ : state) {
        if (!ZipFolder(out, p.work)) state.SkipWithError("pack failed");
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(out));
}

void BM_PackZipTool(benchmark::State& state)
{
    FullProject& p = project();
    const std::string out = p.dir / "zip.KRA";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(out);
        state.ResumeTiming();
        if (run("cd " + shellQuoted(p.work) + " && zip -1 -r -q " + shellQuoted(out) + " .") != 0)
            state.SkipWithError("zip failed");
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(out));
}

void BM_OpenOurs(benchmark::State& state)
{
    FullProject& p = project();
    SystemConfigTables tables;
    BenchPrompt prompt;
    prompt.path = p.ours;
    ProjectEnvironment env;
    env.tempFolder = p.dir / "tmp";
    fs::create_directories(env.tempFolder);
    ProjectSession session(p.masters, tables, prompt, env);
    for (auto _ : state) {
        state.PauseTiming();
        session.CleanupWorkFolder();
        state.ResumeTiming();
        if (session.OpenProjectDialog() != 0 || session.projectRecord.untitled) state.SkipWithError("open failed");
    }
}

void BM_OpenUnzipTool(benchmark::State& state)
{
    FullProject& p = project();
    const std::string out = p.dir / "unzipped";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(out);
        state.ResumeTiming();
        if (run("unzip -q " + shellQuoted(p.theirs) + " -d " + shellQuoted(out)) != 0) state.SkipWithError("unzip failed");
    }
}

BENCHMARK(BM_PackOurs)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PackZipTool)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenOurs)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenUnzipTool)->Unit(benchmark::kMillisecond)->Iterations(3);

// Console output plus the ratios of each measurement to its anchor.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            seconds_[r.benchmark_name()] = r.GetAdjustedRealTime();
            auto bytes = r.counters.find("bytes");
            if (bytes != r.counters.end()) bytes_[r.benchmark_name()] = bytes->second.value;
        }
    }
    void printRatios() const
    {
        auto ratio = [&](const char* a, const char* b) {
            auto x = seconds_.find(a), y = seconds_.find(b);
            return x != seconds_.end() && y != seconds_.end() && y->second > 0 ? x->second / y->second : 0.0;
        };
        auto sizeRatio = bytes_.count("BM_PackOurs/iterations:3") && bytes_.count("BM_PackZipTool/iterations:3")
                             ? bytes_.at("BM_PackOurs/iterations:3") / bytes_.at("BM_PackZipTool/iterations:3")
                             : 0.0;
        std::printf("pack / zip -1 -r: %.2fx time (goal <= 1.00), %.3fx size (goal <= 1.05)\n",
                    ratio("BM_PackOurs/iterations:3", "BM_PackZipTool/iterations:3"), sizeRatio);
        std::printf("open / unzip:     %.2fx time (goal <= 1.50)\n",
                    ratio("BM_OpenOurs/iterations:3", "BM_OpenUnzipTool/iterations:3"));
    }

private:
    std::map<std::string, double> seconds_, bytes_;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    project();
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}

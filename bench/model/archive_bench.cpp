// Save (pack) and open (test, extract, load) of a full project of 64 stations with
// 16 cards each, beside zip -1 -r and unzip on the same folder in the same run.
// Prints pack and open time ratios and the archive size ratio at the end, each beside
// its goal, and whether unzip and zip accept our archive.
#include "archive.h"
#include "full_project.h"
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
using namespace kravin::bench;

namespace {

// The project folder and the archives, made once.
struct FullProject {
    kravin::test::TempDir dir;
    std::string work, ours, theirs;
    CardKindMasters masters;

    FullProject()
    {
        StampProjectVersion();
        work = dir / "work";
        writeFullProject(work);
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
        std::printf("pack / zip -1 -r: %.2fx time (goal <= 0.50), %.3fx size (goal <= 1.00)\n",
                    ratio("BM_PackOurs/iterations:3", "BM_PackZipTool/iterations:3"), sizeRatio);
        std::printf("open / unzip:     %.2fx time (goal <= 0.15)\n",
                    ratio("BM_OpenOurs/iterations:3", "BM_OpenUnzipTool/iterations:3"));
        const FullProject& p = project();
        std::printf("our archive read by unzip -t: %s, by zip -T: %s\n",
                    run("unzip -t -q " + shellQuoted(p.ours)) == 0 ? "yes" : "NO",
                    run("zip -T -q " + shellQuoted(p.ours)) == 0 ? "yes" : "NO");
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

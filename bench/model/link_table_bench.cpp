// Rebuilding the communication link table of a project of 1, 8 and 64 RNH6 stations
// with 16 cards each (every communication terminal in use) beside a plain read of the
// same unit and connection files in the same run. Prints the ratios at the end.
#include "KRAVinA.h"
#include "connections.h"
#include "current_unit.h"
#include "system_config.h"
#include "temp_dir.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

using namespace kravin::model;

namespace {

struct Project {
    kravin::test::TempDir work;
    CardKindMasters masters;
    SystemConfigTables tables;
    std::unique_ptr<UnitContext> unit;
    std::vector<std::string> files;

    explicit Project(int stationCount)
    {
        const std::string tableFolder = std::string(KRAVIN_SAMPLE_TABLES) + "/";
        LoadCardKindMasters(masters, tableFolder);
        unit = std::make_unique<UnitContext>(masters, tables, tableFolder, work.str());
        KRAVinA_Proj_Create("BENCH", "", "", work.str().c_str());
        const int rnh6 = masters.station.find("RNH6"), qv200 = masters.card.find("QV200");
        const std::string workFolder = work.str();
        const char* folder = workFolder.c_str();
        for (int s = 0; s < stationCount; ++s) {
            tables.stationKind[s] = rnh6;
            tables.stationX[s] = (s % 8) * 30;
            tables.stationY[s] = (s / 8) * 20;
            for (int c = -1; c < kCardSlots; ++c) {
                if (c >= 0) {
                    tables.cardKind[s][c] = qv200;
                    tables.cardX[s][c] = (s % 8) * 30 + c;
                    tables.cardY[s][c] = (s / 8) * 20 + 10;
                }
                char head[500] = {};
                KRAVinA_Data_Get(s, c, head, folder);
                std::memset(head, 0, sizeof head);
                std::memcpy(head, "00SYS", 5);
                for (int j = 11; j <= 26; ++j) {
                    const bool input = (j + c + s) % 2 == 0;
                    std::memcpy(head + 5 * j, input ? "31CDI" : "32CDO", 5);
                    if (!input) continue;
                    char item[16] = {};
                    std::snprintf(item, sizeof item, "%02X", (s + 1) % stationCount);
                    KRAVinA_Data_Item_Set(j, 11, item);
                    std::snprintf(item, sizeof item, "%X", (c + 2) % 16);
                    KRAVinA_Data_Item_Set(j, 12, item);
                    std::snprintf(item, sizeof item, "%02d", 11 + (j + 1) % 16);
                    KRAVinA_Data_Item_Set(j, 13, item);
                }
                KRAVinA_Data_Write(s, c, head, folder);
                int p, v, col, k;
                char text[17];
                for (int j = 11; j <= 26; ++j) {
                    KRAVinA_Dcon_Get(s, c, j, &p, &v, &col, &k, text, folder);
                    for (int i = 0; i < 4; ++i) KRAVinA_Dcon_Pnt_Set(j, i, 10 * i + j, 20 * i + s);
                    KRAVinA_Dcon_Write(s, c, j, 4, j, 0x00FF00, 1, "LINK", folder);
                }
                char name[64];
                if (c < 0) std::snprintf(name, sizeof name, "/STN%02d/STNINF.KRAB", s);
                else std::snprintf(name, sizeof name, "/STN%02d/CARD%X.KRAB", s, c);
                files.push_back(work.str() + name);
                if (c < 0) std::snprintf(name, sizeof name, "/STN%02d/DCX.KRAB", s);
                else std::snprintf(name, sizeof name, "/STN%02d/DC%X.KRAB", s, c);
                files.push_back(work.str() + name);
            }
        }
    }
};

Project& project(int stations)
{
    static std::map<int, std::unique_ptr<Project>> made;
    auto& p = made[stations];
    if (!p) p = std::make_unique<Project>(stations);
    return *p;
}

void BM_RebuildLinkTable(benchmark::State& state)
{
    Project& p = project(static_cast<int>(state.range(0)));
    auto table = std::make_unique<CommLinkTable>();
    for (auto _ : state) {
        KRAVinA_Proj_Select(p.work.str().c_str());   // nothing cached
        BuildCommConnectionTable(*p.unit, *table);
        benchmark::DoNotOptimize(table->slots[0][16].terminals[15].link);
    }
    if (table->terminal(0, -1, 11)->link != 1) state.SkipWithError("the table holds no links");
}

void BM_PlainReadOfTheUnitFiles(benchmark::State& state)
{
    Project& p = project(static_cast<int>(state.range(0)));
    std::vector<char> buffer(400000);
    for (auto _ : state) {
        std::size_t total = 0;
        for (const std::string& f : p.files) {
            std::FILE* in = std::fopen(f.c_str(), "rb");
            if (!in) continue;
            total += std::fread(buffer.data(), 1, buffer.size(), in);
            std::fclose(in);
        }
        benchmark::DoNotOptimize(total);
    }
}

BENCHMARK(BM_RebuildLinkTable)->Unit(benchmark::kMillisecond)->Arg(1)->Arg(8)->Arg(64)->MinTime(0.5);
BENCHMARK(BM_PlainReadOfTheUnitFiles)->Unit(benchmark::kMillisecond)->Arg(1)->Arg(8)->Arg(64)->MinTime(0.5);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) seconds_[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    void printRatio() const
    {
        for (const char* stations : {"1", "8", "64"}) {
            const auto a = seconds_.find(std::string("BM_RebuildLinkTable/") + stations + "/min_time:0.500");
            const auto b = seconds_.find(std::string("BM_PlainReadOfTheUnitFiles/") + stations + "/min_time:0.500");
            const double ratio =
                a != seconds_.end() && b != seconds_.end() && b->second > 0 ? a->second / b->second : 0;
            std::printf("link table rebuild / plain read, %2s stations: %.2fx (goal <= 1.50)\n", stations, ratio);
        }
    }

private:
    std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio();
    benchmark::Shutdown();
    return 0;
}

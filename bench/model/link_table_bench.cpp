// Rebuilding the communication link table of a full project (64 RNH6 stations with
// 16 cards each, every communication terminal in use) beside a plain read of the
// same unit and connection files in the same run. Prints the ratio at the end.
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

    Project()
    {
        const std::string tableFolder = std::string(KRAVIN_SAMPLE_TABLES) + "/";
        LoadCardKindMasters(masters, tableFolder);
        unit = std::make_unique<UnitContext>(masters, tables, tableFolder, work.str());
        KRAVinA_Proj_Create("BENCH", "", "", work.str().c_str());
        const int rnh6 = masters.station.find("RNH6"), qv200 = masters.card.find("QV200");
        const std::string workFolder = work.str();
        const char* folder = workFolder.c_str();
        for (int s = 0; s < kStations; ++s) {
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
                    std::snprintf(item, sizeof item, "%02X", (s + 1) % kStations);
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

Project& project()
{
    static Project p;
    return p;
}

void BM_RebuildLinkTable(benchmark::State& state)
{
    Project& p = project();
    auto table = std::make_unique<CommLinkTable>();
    for (auto _ : state) {
        KRAVinA_Proj_Select(p.work.str().c_str());   // nothing cached
        BuildCommConnectionTable(*p.unit, *table);
        benchmark::DoNotOptimize(table->slots[63][16].terminals[15].link);
    }
    if (table->terminal(0, -1, 11)->link != 1) state.SkipWithError("the table holds no links");
}

void BM_PlainReadOfTheUnitFiles(benchmark::State& state)
{
    Project& p = project();
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

BENCHMARK(BM_RebuildLinkTable)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PlainReadOfTheUnitFiles)->Unit(benchmark::kMillisecond)->Iterations(5);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) seconds_[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    void printRatio() const
    {
        const auto a = seconds_.find("BM_RebuildLinkTable/iterations:5");
        const auto b = seconds_.find("BM_PlainReadOfTheUnitFiles/iterations:5");
        const double ratio = a != seconds_.end() && b != seconds_.end() && b->second > 0 ? a->second / b->second : 0;
        std::printf("link table rebuild / plain read: %.2fx (goal <= 2.00)\n", ratio);
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

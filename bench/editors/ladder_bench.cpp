// Translating and converting the twelve sequence groups of a unit.
// Goal: at least 10,000 groups a second each way; vs_goal is the ratio to it.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ladder_convert.h"
#include "ladder_translate.h"

namespace kravin::ladder {
namespace {

constexpr double kGoalGroupsPerSecond = 10000.0;

std::string Code(int a, int b, int c)
{
    StepCode code;
    EncodeStep(a % 100, b % 100, c % 100, code);
    return CodeText(code);
}

// A full group: steps of rungs with series, parallel and nested blocks,
// several outputs and a timer, close to the 89-code limit.
std::array<StepCode, kStepsPerGroup> GroupCodes(int group)
{
    std::vector<std::string> codes;
    int n = group;
    auto contact = [&](int type) {
        ++n;
        return Code(type + n % 2, 1 + n % 40, 1 + (n * 7) % 60);
    };
    for (int step = 0; codes.size() < 78; ++step) {
        codes.push_back(Code(13, 0, step));
        if (step > 0) codes.push_back("141030");
        // (A . B | C) . (D | E . F) -> out, out
        codes.push_back(contact(1));
        codes.push_back(contact(3));
        codes.push_back(contact(5));
        codes.push_back(contact(1));
        codes.push_back(contact(1));
        codes.push_back(contact(3));
        codes.push_back("050000");
        codes.push_back("030000");
        codes.push_back(Code(7, 2, step + 1));
        codes.push_back(Code(9, 2, step + 2));
        // A . B . C -> out
        codes.push_back(contact(1));
        codes.push_back(contact(3));
        codes.push_back(contact(3));
        codes.push_back(Code(step ? 12 : 7, step ? 81 + group : 3, step ? 1 : 4));
    }
    std::array<StepCode, kStepsPerGroup> out;
    out.fill(MakeStepCode(kEmptyCode));
    for (std::size_t i = 0; i < codes.size(); ++i) out[i] = MakeStepCode(codes[i]);
    out[codes.size()] = MakeStepCode(kEndCode);
    return out;
}

struct Unit {
    StepTable table;
    std::array<LadderGrid, kSeqGroupCount> grids;
    Unit()
    {
        for (int g = 0; g < kSeqGroupCount; ++g) {
            table.rows[g] = GroupCodes(g);
            if (ConvertStepsToGrid(table.rows[g], grids[g]) != 0) std::abort();
            LadderGrid probe = grids[g];
            if (TranslateGrid(probe).error != kLadderOk) std::abort();
        }
    }
};

const Unit& TheUnit()
{
    static const Unit unit;
    return unit;
}

void Report(benchmark::State& state)
{
    const double groups = static_cast<double>(state.iterations()) * kSeqGroupCount;
    state.counters["groups_per_s"] = benchmark::Counter(groups, benchmark::Counter::kIsRate);
    state.counters["vs_goal"] = benchmark::Counter(groups / kGoalGroupsPerSecond, benchmark::Counter::kIsRate);
}

// Anchor: copying the twelve grids, the least any translation must do.
void BM_CopyUnitGrids(benchmark::State& state)
{
    const Unit& unit = TheUnit();
    for (auto _ : state)
        for (const auto& grid : unit.grids) {
            LadderGrid copy = grid;
            benchmark::DoNotOptimize(copy);
        }
    Report(state);
}
BENCHMARK(BM_CopyUnitGrids);

void BM_TranslateUnit(benchmark::State& state)
{
    const Unit& unit = TheUnit();
    for (auto _ : state)
        for (const auto& grid : unit.grids) {
            LadderGrid work = grid;
            LadderTranslation t = TranslateGrid(work);
            benchmark::DoNotOptimize(t);
        }
    Report(state);
}
BENCHMARK(BM_TranslateUnit);

void BM_ConvertUnit(benchmark::State& state)
{
    const Unit& unit = TheUnit();
    LadderGrid grid;
    for (auto _ : state)
        for (const auto& row : unit.table.rows) {
            benchmark::DoNotOptimize(ConvertStepsToGrid(row, grid));
            benchmark::ClobberMemory();
        }
    Report(state);
}
BENCHMARK(BM_ConvertUnit);

}  // namespace
}  // namespace kravin::ladder

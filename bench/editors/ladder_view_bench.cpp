// The ladder view's full repaint (89 rows with comments) and its Confirm (the
// translation of a full program and the grid drawn again from its codes),
// beside a plain fill of the same picture.
// Goals: repaint under 8 ms, Confirm under 20 ms; vs_goal is the time over the goal.
#include "ladder_convert.h"
#include "ladder_paint.h"
#include "ladder_translate.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace kravin::ladder {
namespace {

constexpr double kPaintGoalMs = 8.0;
constexpr double kConfirmGoalMs = 20.0;

QApplication& App()
{
    static QApplication* instance = [] {
        if (!std::getenv("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "ladder_view_bench";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *instance;
}

std::string Code(int a, int b, int c)
{
    StepCode code;
    EncodeStep(a % 100, b % 100, c % 100, code);
    return CodeText(code);
}

// A program close to the 89-code limit: steps of rungs with series, parallel
// and nested blocks, several outputs, timers and branches.
std::array<StepCode, kStepsPerGroup> FullProgram()
{
    std::vector<std::string> codes;
    int n = 0;
    auto contact = [&](int type) {
        ++n;
        return Code(type + n % 2, 1 + n % 40, 1 + (n * 7) % 60);
    };
    for (int step = 0; codes.size() < 78; ++step) {
        codes.push_back(Code(13, 0, step));
        if (step > 0) codes.push_back("141030");
        for (int t : {1, 3, 5, 1, 1, 3}) codes.push_back(contact(t));
        codes.push_back("050000");
        codes.push_back("030000");
        codes.push_back(Code(7, 2, step + 1));
        codes.push_back(Code(9, 2, step + 2));
        for (int t : {1, 3, 3}) codes.push_back(contact(t));
        codes.push_back(Code(step ? 12 : 7, step ? 81 : 3, step ? 1 : 4));
    }
    std::array<StepCode, kStepsPerGroup> out;
    out.fill(MakeStepCode(kEmptyCode));
    for (std::size_t i = 0; i < codes.size(); ++i) out[i] = MakeStepCode(codes[i]);
    out[codes.size()] = MakeStepCode(kEndCode);
    return out;
}

// Every row holds something: the program's rungs, then single rungs to row 88.
LadderGrid FullGrid()
{
    LadderGrid g;
    if (ConvertStepsToGrid(FullProgram(), g) != 0) std::abort();
    for (int r = 0; r < kLadderRows; ++r) {
        if (!g.RowEmpty(r)) continue;
        g.Cell(r, 0) = MakeValue(1, 1 + r % 40, 1 + r % 60);
        g.Cell(r, 1) = MakeValue(2, 2, 3);
        for (int c = 2; c < kLadderCols; ++c) g.Cell(r, c) = kCellWire;
        g.g_ladderCoils[r] = MakeValue(7, 3, 1 + r % 60);
    }
    return g;
}

// Milliseconds per iteration, the goal and their ratio (below 1 meets the goal).
void Report(benchmark::State& state, double goalMs, std::chrono::steady_clock::duration spent)
{
    const double ms = std::chrono::duration<double, std::milli>(spent).count() /
                      static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["ms"] = ms;
    state.counters["goal_ms"] = goalMs;
    state.counters["vs_goal"] = ms / goalMs;
}

const QRect kContent(0, 0, kLadderWidth, LadderContentHeight(true));

// Anchor: the same picture filled plainly.
void BM_LadderPlainFill(benchmark::State& state)
{
    App();
    QImage image(kContent.size(), QImage::Format_ARGB32_Premultiplied);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        QPainter p(&image);
        p.fillRect(kContent, Qt::white);
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    Report(state, kPaintGoalMs, std::chrono::steady_clock::now() - start);
}
BENCHMARK(BM_LadderPlainFill)->Unit(benchmark::kMillisecond);

void BM_LadderFullRepaint(benchmark::State& state)
{
    App();
    const LadderGrid grid = FullGrid();
    LadderPaintState s;
    s.grid = &grid;
    s.comments = true;
    s.cursor = {40, 3};
    const QString name = QStringLiteral("Terminal 20 chars");
    s.terminalName = [&name](int, int, bool) { return name; };
    LadderTextCache cache;
    s.cache = &cache;
    LadderStyle style;
    style.grid = true;
    QImage image(kContent.size(), QImage::Format_ARGB32_Premultiplied);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        QPainter p(&image);
        DrawLadder(p, s, style, kContent);
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    Report(state, kPaintGoalMs, std::chrono::steady_clock::now() - start);
}
BENCHMARK(BM_LadderFullRepaint)->Unit(benchmark::kMillisecond);

class AcceptAll : public SequenceCheck {
public:
    int CheckStepCode(const StepCode&) override { return 0; }
};
class Silent : public LadderPrompt {
public:
    void ShowMessage(int, const std::string&) override {}
    bool AskOkCancel(int, const std::string&) override { return true; }
};

// Confirm: translate (report mode) and draw the grid again from the new codes.
void BM_LadderConfirmFullProgram(benchmark::State& state)
{
    LadderContext ctx;
    ctx.g_seqGroup = 81;
    StepTable table;
    *table.Row(81) = FullProgram();
    LadderGrid grid;
    if (ConvertStepsToGrid(*table.Row(81), grid) != 0) std::abort();
    AcceptAll check;
    Silent prompt;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        ctx.Grid() = grid;
        const int result = TranslateLadder(ctx, table, check, prompt, kTranslateReport);
        if (result != 0) std::abort();
        benchmark::DoNotOptimize(ConvertSeqToLadder(ctx, table));
    }
    Report(state, kConfirmGoalMs, std::chrono::steady_clock::now() - start);
}
BENCHMARK(BM_LadderConfirmFullProgram)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kravin::ladder

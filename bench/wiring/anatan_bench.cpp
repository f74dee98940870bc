// Full repaint of a dense analog diagram at 1920 x 1200 (every block used,
// every input connected, every line with 30 bends) and the hit test of one
// click, beside a plain fill of the same surface. Goals: 16 ms and 1 ms.
#include "anatan_diagram.h"
#include "anatan_draw.h"
#include "repaint_bench.h"

namespace {

using namespace kravin;

// 100 blocks of four inputs and two outputs on a 10 x 10 raster; input k of
// block b comes from output k % 2 of block (b + k + 1) % 100 through 30 bends.
const wiring::AnalogDiagram& dense()
{
    static const wiring::AnalogDiagram d = [] {
        wiring::AnalogDiagram d;
        for (int b = 0; b < 100; ++b) {
            wiring::DiagramBlock& blk = d.blocks[static_cast<std::size_t>(b)];
            blk.present = blk.drawn = true;
            blk.x = 2 + (b % 10) * 24;
            blk.y = 8 + (b / 10) * 20;
            blk.codeText = "ADS(51)";
            blk.name = "Adder";
            for (int k = 0; k < 4; ++k) {
                wiring::DiagramInput in;
                in.item = 10 + k;
                in.name = "IN" + std::to_string(k + 1);
                blk.inputs.push_back(in);
            }
            for (int j = 0; j < 2; ++j) blk.outputs.push_back({4 + j, 20 + j, "OT" + std::to_string(j + 1), "Out"});
            blk.width = 12;
        }
        for (int b = 0; b < 100; ++b) {
            wiring::DiagramBlock& blk = d.blocks[static_cast<std::size_t>(b)];
            for (int k = 0; k < 4; ++k) {
                wiring::DiagramInput& in = blk.inputs[static_cast<std::size_t>(k)];
                const int s = (b + k + 1) % 100;
                in.connected = true;
                in.sourceBlock = s;
                in.sourceOutput = k % 2;
                in.sourceItem = 4 + k % 2;
                in.line.kind = 30;
                in.line.value = k;
                in.line.colour = 0x0000FF * (k % 2);
                // Runs drawn as the editor draws them: across, then down, in turn.
                int x = blk.x + 3 * k + 2, y = blk.y - 5;
                for (int p = 0; p < 30; ++p) {
                    if (p % 2 == 0)
                        x += (p % 4 == 0 ? 3 : -2);
                    else
                        y -= 1;
                    in.line.px[static_cast<std::size_t>(p)] = x;
                    in.line.py[static_cast<std::size_t>(p)] = y;
                }
            }
        }
        return d;
    }();
    return d;
}

void BM_PlainFill(benchmark::State& state) { bench::PlainFill(state); }
BENCHMARK(BM_PlainFill)->Unit(benchmark::kMillisecond);

void BM_FullRepaint(benchmark::State& state)
{
    bench::benchApplication();
    QImage image = bench::repaintSurface();
    wiring::AnaTanDrawStyle style;
    style.font.setPixelSize(12);
    const wiring::JumpList none;
    for (auto _ : state) {
        QPainter painter(&image);
        wiring::DrawAnalogDiagram(painter, dense(), none, 16, 0, 0, 1920, 1200, style, {});
        benchmark::DoNotOptimize(image.bits());
    }
    state.counters["goal_ms"] = 16;
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMillisecond);

void BM_HitTestClick(benchmark::State& state)
{
    int block = -1, item = -1, terminal = -1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(wiring::FindLineAt(dense(), 917, 611, 16, 0, 0, &block, &item, &terminal));
    }
    state.counters["goal_ms"] = 1;
}
BENCHMARK(BM_HitTestClick)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {
void BM_PartsBlocks(benchmark::State& state)
{
    bench::benchApplication();
    QImage image = bench::repaintSurface();
    kravin::wiring::AnaTanDrawStyle style;
    style.font.setPixelSize(12);
    for (auto _ : state) {
        QPainter painter(&image);
        kravin::wiring::DrawBlocks(painter, dense(), 16, 0, 0, style);
    }
}
BENCHMARK(BM_PartsBlocks)->Unit(benchmark::kMillisecond);
void BM_PartsLines(benchmark::State& state)
{
    bench::benchApplication();
    QImage image = bench::repaintSurface();
    kravin::wiring::AnaTanDrawStyle style;
    style.font.setPixelSize(12);
    for (auto _ : state) {
        QPainter painter(&image);
        kravin::wiring::DrawConnectionLines(painter, dense(), 16, 0, 0, true, {}, style);
    }
}
BENCHMARK(BM_PartsLines)->Unit(benchmark::kMillisecond);
}  // namespace

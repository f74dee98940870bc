// Full repaint of the communication sheet at 1920 x 1200 with 64 stations of
// 16 cards, every communication terminal in use and every receiver linked
// through four bends, beside a plain fill of the same surface. Goal: 16 ms.
#include "dentan_draw.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

using namespace kravin;

QApplication& app()
{
    static QApplication* instance = [] {
        if (!std::getenv("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "dentan_bench";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *instance;
}

// Boxes 54 to a row of the sheet; terminal t of every box is CDI/CDO/CAI/CAO by
// t % 4, and each receiver is fed by the sender beside it in the next box.
const model::CommLinkTable& full()
{
    static const std::unique_ptr<model::CommLinkTable> t = [] {
        auto table = std::make_unique<model::CommLinkTable>();
        for (int s = 0; s < model::kStations; ++s)
            for (int k = 0; k <= 16; ++k) {
                model::CommLinkSlot& slot = table->slots[s][k];
                const int n = s * 17 + k;
                slot.used = 1;
                std::memcpy(slot.kind.data(), k == 0 ? "RNH6    " : "QV200   ", 8);
                slot.x = static_cast<std::int16_t>((n % 54) * 28);
                slot.y = static_cast<std::int16_t>(8 + (n / 54) * 11);
                for (int i = 0; i < 16; ++i) slot.terminals[static_cast<std::size_t>(i)].kind =
                    static_cast<std::uint8_t>(1 + i % 4);
            }
        for (int s = 0; s < model::kStations; ++s)
            for (int k = 0; k <= 16; ++k) {
                const int next = (s * 17 + k + 1) % (model::kStations * 17);
                const int ns = next / 17, nk = next % 17;
                const model::CommLinkSlot& src = table->slots[ns][nk];
                model::CommLinkSlot& slot = table->slots[s][k];
                for (int i = 0; i < 16; ++i) {
                    model::CommLinkTerminal& r = slot.terminals[static_cast<std::size_t>(i)];
                    if (r.kind != 1 && r.kind != 3) continue;
                    r.link = 1;
                    r.value = i % 8;
                    r.colour = 0x0000FF * static_cast<std::uint32_t>(i % 2);
                    r.sourceStation = static_cast<std::uint8_t>(ns);
                    r.sourceCard = static_cast<std::int8_t>(nk - 1);
                    int x = 0, y = 0;
                    wiring::comm::TerminalAnchor(slot.x, slot.y, i, &x, &y);
                    r.startX = static_cast<std::int16_t>(x), r.startY = static_cast<std::int16_t>(y);
                    wiring::comm::TerminalAnchor(src.x, src.y, i + 1, &x, &y);
                    r.endX = static_cast<std::int16_t>(x), r.endY = static_cast<std::int16_t>(y);
                    r.points = 4;
                    const std::int16_t mid = static_cast<std::int16_t>(r.startY - 2);
                    r.pointX = {r.startX, static_cast<std::int16_t>(r.startX + 1), static_cast<std::int16_t>(r.endX - 1),
                                r.endX};
                    r.pointY = {mid, mid, mid, mid};
                }
            }
        return table;
    }();
    return *t;
}

void BM_PlainFill(benchmark::State& state)
{
    app();
    QImage image(1920, 1200, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::white);
        benchmark::DoNotOptimize(image.bits());
    }
}
BENCHMARK(BM_PlainFill)->Unit(benchmark::kMillisecond);

void BM_FullRepaint(benchmark::State& state)
{
    app();
    QImage image(1920, 1200, QImage::Format_RGB32);
    wiring::comm::DenTanDrawStyle style;
    style.font.setPixelSize(12);
    const std::vector<wiring::comm::JumpMark> none;
    for (auto _ : state) {
        QPainter painter(&image);
        wiring::comm::DrawCommDiagram(painter, full(), none, 16, 0, 0, 1920, 1200, style, {});
        benchmark::DoNotOptimize(image.bits());
    }
    state.counters["goal_ms"] = 16;
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// The two halves of the repaint on their own.
void BM_PartsLines(benchmark::State& state)
{
    app();
    QImage image(1920, 1200, QImage::Format_RGB32);
    kravin::wiring::comm::DenTanDrawStyle style;
    style.font.setPixelSize(12);
    for (auto _ : state) {
        QPainter painter(&image);
        kravin::wiring::comm::DrawAllTerminalLinks(painter, full(), 16, 0, 0, style, image.rect());
    }
}
BENCHMARK(BM_PartsLines)->Unit(benchmark::kMillisecond);

void BM_PartsBoxes(benchmark::State& state)
{
    app();
    QImage image(1920, 1200, QImage::Format_RGB32);
    kravin::wiring::comm::DenTanDrawStyle style;
    style.font.setPixelSize(12);
    for (auto _ : state) {
        QPainter painter(&image);
        for (int n = 0; n < 40; ++n)
            kravin::wiring::comm::DrawStationCard(painter, full().slots[n / 17][n % 17], n / 17, n % 17 - 1, 16, 0, 0,
                                                  style, {});
    }
}
BENCHMARK(BM_PartsBoxes)->Unit(benchmark::kMillisecond);

}  // namespace

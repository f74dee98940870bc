// Full repaints of a configuration with every station and card slot occupied.
#include "system_view.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

using namespace kravin;

QApplication& app()
{
    static QApplication* instance = [] {
        if (!std::getenv("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "system_view_bench";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *instance;
}

struct FullProject {
    model::CardKindMasters masters;
    model::SystemConfigTables tables;
    FullProject()
    {
        const char* stations[] = {"QV200   ", "V8RTU   ", "RNH6    "};
        for (int k = 0; k < 3; ++k) {
            masters.station.name[k + 1] = stations[k];
            masters.station.versions[k + 1][0] = "1.00";
        }
        const char* cards[] = {"QV200W  ", "QV210W  ", "TQRQ    ", "TQRC    ", "TQRJ    ", "TQRN    ",
                               "TJK5    ", "V8RTU   ", "KMQ     ", "PWZ     ", "TQNW2   ", "63WH    "};
        for (int k = 0; k < 12; ++k) {
            masters.card.name[k + 1] = cards[k];
            masters.card.versions[k + 1][0] = "1.00";
            masters.card.versions[k + 1][1] = "2.00";
        }
        for (int s = 0; s < model::kStations; ++s) {
            tables.stationKind[s] = s % 3 + 1;
            tables.stationUnitText[s] = "A1";
            for (int c = 0; c < model::kCardSlots; ++c) {
                tables.cardKind[s][c] = (s + c) % 12 + 1;
                tables.cardVersion[s][c] = (s + c) % 2;
            }
        }
    }
};

// Every one of the 1088 cells painted into a 1920 x 1200 picture.
void paintAll(benchmark::State& state, double zoom)
{
    app();
    static FullProject project;
    QImage image(1920, 1200, QImage::Format_ARGB32_Premultiplied);
    editors::SystemPainter painter;
    editors::SystemPainter::Input in;
    in.masters = &project.masters;
    in.tables = &project.tables;
    in.selected = {10, 3};
    in.zoom = zoom;
    const QRect everything(0, 0, editors::toZoomed(editors::kContentWidth, zoom) + 1,
                           editors::toZoomed(editors::kContentHeight, zoom) + 1);
    for (auto _ : state) {
        QPainter p(&image);
        painter.paint(p, in, everything, true);
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_SystemPaintAllCells(benchmark::State& state) { paintAll(state, 1.0); }
BENCHMARK(BM_SystemPaintAllCells)->Unit(benchmark::kMillisecond);

// Zoomed so the whole configuration is on screen.
void BM_SystemPaintAllCellsFitted(benchmark::State& state) { paintAll(state, 0.42); }
BENCHMARK(BM_SystemPaintAllCellsFitted)->Unit(benchmark::kMillisecond);

// The view itself at 1920 x 1200: a full repaint through the widget.
void BM_SystemViewRepaint(benchmark::State& state)
{
    app();
    static FullProject project;
    editors::TableUnitSelection selection(project.masters, project.tables);
    selection.select(10, 3);
    editors::SystemViewContext ctx;
    ctx.masters = &project.masters;
    ctx.tables = &project.tables;
    ctx.selection = &selection;
    editors::SystemView view(ctx);
    view.resize(1920, 1200);
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        view.systemRedraw();
        view.viewport()->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_SystemViewRepaint)->Unit(benchmark::kMillisecond);

}  // namespace

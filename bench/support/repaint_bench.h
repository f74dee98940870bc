// What the diagram repaint benchmarks share: the offscreen application, the
// 1920 x 1200 surface a view paints into, and the plain fill of that surface
// every repaint figure stands beside.
#pragma once

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace kravin::bench {

inline QApplication& benchApplication()
{
    static QApplication* instance = [] {
        if (!std::getenv("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "repaint_bench";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *instance;
}

inline QImage repaintSurface() { return QImage(1920, 1200, QImage::Format_RGB32); }

// The baseline: the surface filled once per iteration.
inline void PlainFill(benchmark::State& state)
{
    benchApplication();
    QImage image = repaintSurface();
    for (auto _ : state) {
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::white);
        benchmark::DoNotOptimize(image.bits());
    }
}

}  // namespace kravin::bench

// Bulk print of a full project (64 stations x 16 cards) into a PDF file:
// pages per second and bytes per page, against two anchors in the same run:
// a bare QPdfWriter writing the same pages (recorded beforehand and played
// back, so only the page writer's own work is timed; goal: at most 2 x), and
// QPdfWriter writing the same number of pages with one line of text each.
#include "KRAVinA.h"
#include "print_service.h"

#include <QApplication>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace model = kravin::model;
namespace print = kravin::print;

QApplication& app()
{
    static int argc = 1;
    static char arg0[] = "print_bench";
    static char* argv[] = {arg0, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

// Every slot of every station holds a QV200 card with two blocks.
struct FullProject {
    QTemporaryDir dir;
    std::string tables = KRAVIN_SAMPLE_TABLES "/";
    model::CardKindMasters masters;
    model::SystemConfigTables config;
    std::unique_ptr<model::UnitContext> unit;

    FullProject()
    {
        const std::string work = dir.path().toStdString();
        model::LoadCardKindMasters(masters, tables);
        unit = std::make_unique<model::UnitContext>(masters, config, tables, work);
        KRAVinA_Proj_Create("Bench", "", "", work.c_str());
        const int kind = masters.card.find("QV200");
        for (int s = 0; s < model::kStations; ++s)
            for (int c = 0; c < model::kCardSlots; ++c) {
                config.cardKind[s][c] = kind;
                char head[500] = {};
                KRAVinA_Data_Get(s, c, head, work.c_str());
                std::memset(head, 0, sizeof head);
                std::memcpy(head, "00SYS01CTL", 10);
                KRAVinA_Data_Write(s, c, head, work.c_str());
            }
    }
};

struct Figures {
    double seconds = 0;
    int pages = 0;
    qint64 bytes = 0;
};

std::unique_ptr<print::PrintService> service(FullProject& project)
{
    print::PrintModel m;
    m.masters = &project.masters;
    m.tables = &project.config;
    m.unit = project.unit.get();
    return std::make_unique<print::PrintService>(std::move(m), nullptr);
}

print::BulkChoice choice()
{
    print::BulkChoice choice;
    choice.groupBreak = false;
    choice.sequence = choice.ladder = false;
    return choice;
}

Figures bulkPrint(FullProject& project, const QString& file)
{
    auto s = service(project);
    const auto t0 = Clock::now();
    auto job = s->bulkJob(choice(), 0, 0, 1);
    QPdfWriter writer(file);
    job->run(writer);
    Figures f;
    f.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    f.pages = job->pagesPrinted();
    f.bytes = QFileInfo(file).size();
    return f;
}

// The pages of the same bulk print, recorded page by page for a PDF page.
std::vector<QPicture> recordedPages(FullProject& project, const QString& file)
{
    auto s = service(project);
    auto job = s->bulkJob(choice(), 0, 0, 1);
    const QPdfWriter layout(file);
    std::vector<QPicture> pages;
    for (;;) {
        QPicture page;
        QPainter painter(&page);
        if (!job->drawNext(painter, layout)) break;
        painter.end();
        pages.push_back(std::move(page));
    }
    return pages;
}

// A bare QPdfWriter writing the recorded pages.
Figures samePages(const std::vector<QPicture>& pages, const QString& file)
{
    const auto t0 = Clock::now();
    {
        QPdfWriter writer(file);
        QPainter painter(&writer);
        for (std::size_t i = 0; i < pages.size(); ++i) {
            if (i > 0) writer.newPage();
            painter.drawPicture(0, 0, pages[i]);
        }
    }
    Figures f;
    f.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    f.pages = static_cast<int>(pages.size());
    f.bytes = QFileInfo(file).size();
    return f;
}

Figures anchor(int pages, const QString& file)
{
    const auto t0 = Clock::now();
    {
        QPdfWriter writer(file);
        QPainter painter(&writer);
        for (int i = 0; i < pages; ++i) {
            if (i > 0) writer.newPage();
            painter.drawText(600, 600, QStringLiteral("Page %1").arg(i + 1));
        }
    }
    Figures f;
    f.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    f.pages = pages;
    f.bytes = QFileInfo(file).size();
    return f;
}

void BM_BulkPrintFullProject(benchmark::State& state)
{
    app();
    FullProject project;
    Figures printed, same, base;
    for (auto _ : state) {
        printed = bulkPrint(project, project.dir.filePath(QStringLiteral("bulk.pdf")));
        // The one-line anchor runs right after the bulk print, as it always has.
        base = anchor(printed.pages, project.dir.filePath(QStringLiteral("anchor.pdf")));
        const std::vector<QPicture> pages = recordedPages(project, project.dir.filePath(QStringLiteral("layout.pdf")));
        same = samePages(pages, project.dir.filePath(QStringLiteral("same.pdf")));
        state.SetIterationTime(printed.seconds);
    }
    const double rate = printed.pages / printed.seconds, baseRate = base.pages / base.seconds,
                 sameRate = same.pages / same.seconds;
    state.counters["pages"] = printed.pages;
    state.counters["pages_per_s"] = rate;
    state.counters["anchor_pages_per_s"] = baseRate;
    state.counters["bytes_per_page"] = double(printed.bytes) / std::max(1, printed.pages);
    state.counters["anchor_bytes_per_page"] = double(base.bytes) / std::max(1, base.pages);
    state.counters["same_pages_per_s"] = sameRate;
    state.counters["same_bytes_per_page"] = double(same.bytes) / std::max(1, same.pages);
    state.counters["x_same_pages_time"] = sameRate / rate;  // goal: at most 2
    state.counters["x_anchor_time"] = baseRate / rate;
    std::printf("bulk print: %.2f x the page writer on the same pages (goal at most 2), %.2f x a one-line page\n",
                sameRate / rate, baseRate / rate);
}
BENCHMARK(BM_BulkPrintFullProject)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

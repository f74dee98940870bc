// The analog view online through the real main frame against the controller
// simulator: the monitor's values stand on the lines, and no edit is taken.
#include "anatan_page.h"
#include "child_frame.h"
#include "command_ids.h"
#include "option_dialog.h"
#include "option_port.h"
#include "pty_server.h"
#include "wiring_road.h"

#include "wait_for.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPainter>
#include <QThread>

#include <algorithm>
#include <functional>

namespace kravin::shell {
namespace {

using namespace std::chrono_literals;

using kravin::test::waitFor;

class AnaTanOnlineRoad : public test::WiringRoad {
protected:
    void SetUp() override
    {
        server = std::make_unique<qvsim::PtyServer>(std::vector<qvsim::SimCard>{qvsim::DefaultCard()});
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
        start();
        profile->setValue(QStringLiteral("KRAVin/EXTRA_PORTS"), QString::fromStdString(server->devicePath()));
        online::OnlineState::Waits waits;
        waits.cycleSlow = waits.cycleFast = 20ms;
        waits.afterRun = 50ms;
        app->onlineMonitor()->state().SetWaits(waits);
    }

    // A QV200 card in slot 1 of station 0: ADS in block 30 feeding LAG in block 31.
    void writeAnalogCard()
    {
        placeCard(0, 1, "QV200");
        writeUnitFile(0, 0, {{1, "01CTL"}, {30, "51ADS"}, {31, "60LAG"}}, {{31, 11, "3004"}},
                      {{30, {10, 10}}, {31, {10, 40}}});
        app->unitSelection().select(0, 1);
    }

    void allocatePort()
    {
        test::choosePort(*app, server->devicePath());
    }

    // Dark pixels where the value of LAG's input stands (column 12, rows 33..35).
    int inkAtTheValue()
    {
        QImage image(800, 800, QImage::Format_RGB32);
        QPainter painter(&image);
        app->anaTanPage()->view()->render(painter, image.size());
        const QRect label(12 * 16 + 2, 33 * 16, 80, 16);
        int n = 0;
        for (int y = label.top(); y <= label.bottom(); ++y)
            for (int x = label.left(); x <= label.right(); ++x) n += image.pixelColor(x, y) != QColor(Qt::white);
        return n;
    }

    std::unique_ptr<qvsim::PtyServer> server;
};

TEST_F(AnaTanOnlineRoad, MonitorValuesStandOnTheLinesAndEditsAreRefused)
{
    ASSERT_NO_FATAL_FAILURE(writeAnalogCard());
    ASSERT_NO_FATAL_FAILURE(allocatePort());
    server->withController([](qvsim::Controller& c) { c.setValue(0, 0, 30, 20, "42.50"); });
    ASSERT_TRUE(frame().trigger(cmd::ViewAnaTan));
    AnaTanPage* page = app->anaTanPage();
    ASSERT_NE(page, nullptr);
    wiring::AnaTanView* view = page->view();
    ASSERT_TRUE(view->editor().diagram().input(31, 11)->connected);

    const auto picture = [&] {
        QImage image(800, 800, QImage::Format_RGB32);
        QPainter painter(&image);
        view->render(painter, image.size());
        return image;
    };
    // The value stands above LAG's input: column 12, rows 33..35.
    const QRect label(12 * 16 + 2, 33 * 16, 80, 16);
    const auto ink = [&](const QImage& image) {
        int n = 0;
        for (int y = label.top(); y <= label.bottom(); ++y)
            for (int x = label.left(); x <= label.right(); ++x) n += image.pixelColor(x, y) != QColor(Qt::white);
        return n;
    };
    const int offline = ink(picture());

    ASSERT_TRUE(frame().trigger(cmd::OnlineMonitor));
    ASSERT_TRUE(app->online().online) << ::testing::PrintToString(prompt.ids());
    ASSERT_TRUE(waitFor([&] {
        const auto values = app->onlineMonitor()->state().Results().analog;
        return values && values->values[30][20] != 0;
    }));
    // The worker's "M Anatan Redraw" reached the view: values are shown.
    ASSERT_TRUE(waitFor([&] { return ink(picture()) > offline + 20; }));

    // Online, a drop and a delete change nothing.
    const auto before = view->editor().diagram().blocks[30].code;
    EXPECT_FALSE(view->editor().DeleteFunction(30, false));
    EXPECT_FALSE(view->dropBlock(QPoint(300, 300), "51", "ADS"));
    EXPECT_EQ(view->editor().diagram().blocks[30].code, before);
    EXPECT_FALSE(frame().action(cmd::EditUndo)->isEnabled());

    ASSERT_TRUE(waitFor([&] { return onlineCommandState(frame().commandContext()) == 2; }));
    // Going offline repaints the view without the values.
    struct PaintCount : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            paints += e->type() == QEvent::Paint;
            return false;
        }
    } counter;
    QCoreApplication::processEvents();
    view->viewport()->installEventFilter(&counter);
    ASSERT_TRUE(frame().trigger(cmd::OnlineMonitor));
    ASSERT_TRUE(waitFor([&] { return !app->online().online; }));
    QCoreApplication::processEvents();
    EXPECT_GT(counter.paints, 0);
    EXPECT_EQ(ink(picture()), offline);
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
}

// The card never answers for the source item: the line shows no value, however
// often the view is redrawn, until one is read.
TEST_F(AnaTanOnlineRoad, ALineWhoseSourceWasNeverReadShowsNoValue)
{
    ASSERT_NO_FATAL_FAILURE(writeAnalogCard());
    ASSERT_NO_FATAL_FAILURE(allocatePort());
    server->setItemFault(30, 20, qvsim::Fault::Cng);
    ASSERT_TRUE(frame().trigger(cmd::ViewAnaTan));
    ASSERT_NE(app->anaTanPage(), nullptr);
    const int offline = inkAtTheValue();
    const auto reads = [&] {
        const auto lines = server->receivedLines();
        return std::count(lines.begin(), lines.end(), std::string("I20\r"));
    };

    ASSERT_TRUE(frame().trigger(cmd::OnlineMonitor));
    ASSERT_TRUE(app->online().online) << ::testing::PrintToString(prompt.ids());
    ASSERT_TRUE(waitFor([&] { return reads() >= 4; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(inkAtTheValue(), offline);

    // Once the card answers, the value is shown.
    server->setItemFault(30, 20, qvsim::Fault::None);
    server->withController([](qvsim::Controller& c) { c.setValue(0, 0, 30, 20, "42.50"); });
    ASSERT_TRUE(waitFor([&] { return inkAtTheValue() > offline + 20; }));
    ASSERT_TRUE(waitFor([&] { return onlineCommandState(frame().commandContext()) == 2; }));
    ASSERT_TRUE(frame().trigger(cmd::OnlineMonitor));
    ASSERT_TRUE(waitFor([&] { return !app->online().online; }));
}

// The view opened while the monitor runs, closed and opened again: each opening
// reads the analog items and draws their values.
TEST_F(AnaTanOnlineRoad, AViewOpenedWhileTheMonitorRunsIsMonitored)
{
    ASSERT_NO_FATAL_FAILURE(writeAnalogCard());
    ASSERT_NO_FATAL_FAILURE(allocatePort());
    ASSERT_TRUE(frame().trigger(cmd::ViewAnaTan));
    ASSERT_NE(app->anaTanPage(), nullptr);
    const int offline = inkAtTheValue();
    ASSERT_TRUE(frame().frame(ViewKind::AnaTan)->close());
    // The system view it replaced comes back.
    ASSERT_TRUE(waitFor([&] { return app->anaTanPage() == nullptr && frame().views().frameExists(ViewKind::System); }));

    ASSERT_TRUE(frame().trigger(cmd::OnlineMonitor));
    ASSERT_TRUE(app->online().online) << ::testing::PrintToString(prompt.ids());
    online::OnlineState& state = app->onlineMonitor()->state();
    ASSERT_TRUE(waitFor([&] { return state.MonitorCycleRan.load() == 1; }));
    QThread::msleep(100);  // a few cycles without the view

    for (const char* value : {"42.50", "-7.25"}) {
        SCOPED_TRACE(value);
        server->withController([&](qvsim::Controller& c) { c.setValue(0, 0, 30, 20, value); });
        const std::size_t mark = server->receivedLines().size();
        const auto reads = [&] {
            const auto lines = server->receivedLines();
            return std::count(lines.begin() + static_cast<std::ptrdiff_t>(std::min(mark, lines.size())), lines.end(),
                              std::string("I20\r"));
        };
        ASSERT_TRUE(frame().trigger(cmd::ViewAnaTan));
        ASSERT_NE(app->anaTanPage(), nullptr);
        ASSERT_TRUE(waitFor([&] { return reads() > 0 && app->anaTanPage() && inkAtTheValue() > offline + 20; }))
            << "reads " << reads();
        ASSERT_TRUE(frame().frame(ViewKind::AnaTan)->close());
        ASSERT_TRUE(
            waitFor([&] { return app->anaTanPage() == nullptr && frame().views().frameExists(ViewKind::System); }));
    }

    ASSERT_TRUE(waitFor([&] { return onlineCommandState(frame().commandContext()) == 2; }));
    ASSERT_TRUE(frame().trigger(cmd::OnlineMonitor));
    ASSERT_TRUE(waitFor([&] { return !app->online().online; }));
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
}

}  // namespace
}  // namespace kravin::shell

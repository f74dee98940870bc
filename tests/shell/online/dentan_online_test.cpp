// The communication view under the online monitor through the real main frame:
// the values read from the bus stand at both ends of a connection and follow
// every cycle, nothing is shown before a value was read, and a bus that is not
// ready yet when the monitor starts is waited for.
#include "anatan_page.h"
#include "child_frame.h"
#include "command_ids.h"
#include "dentan_page.h"
#include "option_port.h"
#include "pty_server.h"
#include "vuken_sim.h"
#include "wait_for.h"
#include "wiring_road.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPaintEngine>
#include <QPaintDevice>
#include <QPainter>
#include <QTextItem>

#include <climits>
#include <memory>
#include <utility>
#include <vector>

namespace kravin::shell {
namespace {

using namespace std::chrono_literals;
using kravin::test::waitFor;

// A paint device that keeps the texts painted on it and where they start.
class TextLog final : public QPaintDevice {
public:
    struct Text {
        QPointF at;
        QString text;
    };
    std::vector<Text> texts;

    QPaintEngine* paintEngine() const override { return engine_.get(); }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return 1600;
        case PdmHeight: return 1000;
        case PdmWidthMM: return 423;
        case PdmHeightMM: return 265;
        case PdmNumColors: return INT_MAX;
        case PdmDepth: return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 96;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    class Engine final : public QPaintEngine {
    public:
        explicit Engine(TextLog& log) : QPaintEngine(QPaintEngine::AllFeatures), log_(log) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF& p, const QTextItem& item) override { log_.texts.push_back({p, item.text()}); }
        Type type() const override { return QPaintEngine::User; }

    private:
        TextLog& log_;
    };
    std::unique_ptr<Engine> engine_ = std::make_unique<Engine>(*this);
};

class DenTanOnlineRoad : public test::WiringRoad {
protected:
    void SetUp() override
    {
        vuken_sim_reset();
        start();
        online::OnlineState::Waits waits;
        waits.cycleSlow = waits.cycleFast = 20ms;
        waits.afterRun = 50ms;
        app->onlineMonitor()->state().SetWaits(waits);
    }
    void TearDown() override
    {
        test::WiringRoad::TearDown();
        vuken_sim_reset();
    }

    // QV200 cards at 00/0 (CAO on terminal 19) and 01/0 (CAI on terminal 20), the
    // CAI receiving from the CAO, with the communication view open.
    void openLinkedCards()
    {
        placeCard(0, 1, "QV200", 2, 20);
        placeCard(1, 1, "QV200", 40, 20);
        saveProject();
        writeUnitFile(0, 0, {{0, "00SYS"}, {19, "34CAO"}});
        writeUnitFile(1, 0, {{0, "00SYS"}, {20, "33CAI"}});
        app->unitSelection().select(0, 1);
        ASSERT_TRUE(frame().trigger(cmd::ViewDenTan));
        ASSERT_NE(page(), nullptr);
        page()->resize(1400, 900);
        wiring::comm::DenTanEditor& e = page()->view()->editor();
        e.clickTerminal({{0, 0}, 8});
        ASSERT_EQ(e.linkMode(), 2);
        ASSERT_TRUE(e.clickTerminal({{1, 0}, 9}));
        line = *e.table().terminal(1, 0, 20);
        ASSERT_EQ(line.link, 1);
        ASSERT_EQ(line.sourceTerminal, 19);
        app->unitSelection().select(0, 1);
    }

    DenTanPage* page() { return app->denTanPage(); }

    // The texts the view paints now.
    std::vector<TextLog::Text> painted()
    {
        TextLog log;
        {
            QPainter painter(&log);
            page()->view()->render(painter, QSize(1600, 1000));
        }
        return log.texts;
    }

    // The value texts painted beside a line end at grid column x (pitch 16, no scroll).
    static std::vector<QString> valuesAt(const std::vector<TextLog::Text>& texts, int x)
    {
        std::vector<QString> out;
        for (const TextLog::Text& t : texts)
            if (static_cast<int>(t.at.x()) == x * 16 + 4) out.push_back(t.text);
        return out;
    }

    // Runs the event loop for a while: monitor cycles pass.
    static void pass(std::chrono::milliseconds d)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < d.count()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    model::CommLinkTerminal line;
};

struct PaintCount : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        paints += e->type() == QEvent::Paint;
        return false;
    }
};

TEST_F(DenTanOnlineRoad, BusValuesStandAtBothEndsAndFollowEveryCycleOnceTheBusAnswers)
{
    ASSERT_NO_FATAL_FAILURE(openLinkedCards());
    vuken_sim_add_card(0, 0);
    vuken_sim_add_card(1, 0);
    vuken_sim_set_analog(0, 0, 8, 0, 1234);  // the CAO on terminal 19
    vuken_sim_set_analog(0, 0, 8, 1, -56);
    vuken_sim_set_analog(1, 0, 9, 0, 700);   // the CAI on terminal 20
    vuken_sim_set_analog(1, 0, 9, 1, -5);
    ASSERT_NO_FATAL_FAILURE(test::chooseBus(*app));
    const auto near = [&] { return valuesAt(painted(), line.startX); };
    const auto far = [&] { return valuesAt(painted(), line.endX); };

    // The bus is not ready when the monitor starts: the monitor runs on and shows nothing yet.
    vuken_sim_not_ready_cycles(1);
    prompt.clearLog();
    ASSERT_TRUE(frame().trigger(cmd::OnlineMonitor));
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
    ASSERT_TRUE(app->online().online);
    pass(300ms);
    EXPECT_TRUE(app->online().online);
    EXPECT_NE(get_kilnbus_status(), VUKEN_STATUS_READY);
    EXPECT_TRUE(near().empty()) << ::testing::PrintToString(near());
    EXPECT_TRUE(far().empty()) << ::testing::PrintToString(far());

    // The bus answers: the receiving terminal's values at the line's start, the sending one's at its end.
    PaintCount counter;
    page()->view()->viewport()->installEventFilter(&counter);
    kilnbus_cycle();
    ASSERT_EQ(get_kilnbus_status(), VUKEN_STATUS_READY);
    ASSERT_TRUE(waitFor([&] { return far() == std::vector<QString>{"12.34", "-0.56"}; }))
        << ::testing::PrintToString(far());
    EXPECT_EQ(near(), (std::vector<QString>{"7.00", "-0.05"}));

    // Each cycle repaints the view with what it read.
    const int paints = counter.paints;
    vuken_sim_set_analog(0, 0, 8, 0, 4321);
    vuken_sim_set_analog(1, 0, 9, 1, 250);
    ASSERT_TRUE(waitFor([&] { return counter.paints > paints + 2; }));
    EXPECT_EQ(far(), (std::vector<QString>{"43.21", "-0.56"}));
    EXPECT_EQ(near(), (std::vector<QString>{"7.00", "2.50"}));
    page()->view()->viewport()->removeEventFilter(&counter);

    ASSERT_TRUE(waitFor([&] { return onlineCommandState(frame().commandContext()) == 2; }));
    ASSERT_TRUE(frame().trigger(cmd::OnlineMonitor));
    ASSERT_TRUE(waitFor([&] { return !app->online().online; }));
    EXPECT_TRUE(near().empty());
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
}

// The view opened while the bus monitor runs, closed and opened again: each
// opening is redrawn with the values the cycles read.
TEST_F(DenTanOnlineRoad, AViewOpenedWhileTheBusMonitorRunsShowsItsValues)
{
    ASSERT_NO_FATAL_FAILURE(openLinkedCards());
    ASSERT_TRUE(frame().frame(ViewKind::DenTan)->close());
    ASSERT_TRUE(waitFor([&] { return page() == nullptr; }));
    vuken_sim_add_card(0, 0);
    vuken_sim_add_card(1, 0);
    vuken_sim_set_analog(0, 0, 8, 1, -56);
    vuken_sim_set_analog(1, 0, 9, 0, 700);
    vuken_sim_set_analog(1, 0, 9, 1, -5);
    ASSERT_NO_FATAL_FAILURE(test::chooseBus(*app));
    prompt.clearLog();
    ASSERT_TRUE(frame().trigger(cmd::OnlineMonitor));
    ASSERT_TRUE(app->online().online) << ::testing::PrintToString(prompt.ids());
    pass(200ms);  // a few cycles without the view

    for (const auto& [sent, shown] : {std::pair{1234, "12.34"}, std::pair{4321, "43.21"}}) {
        SCOPED_TRACE(shown);
        vuken_sim_set_analog(0, 0, 8, 0, sent);
        ASSERT_TRUE(frame().trigger(cmd::ViewDenTan));
        ASSERT_NE(page(), nullptr);
        page()->resize(1400, 900);
        ASSERT_TRUE(waitFor([&] { return valuesAt(painted(), line.endX) == std::vector<QString>{shown, "-0.56"}; }))
            << ::testing::PrintToString(valuesAt(painted(), line.endX));
        EXPECT_EQ(valuesAt(painted(), line.startX), (std::vector<QString>{"7.00", "-0.05"}));
        ASSERT_TRUE(frame().frame(ViewKind::DenTan)->close());
        ASSERT_TRUE(waitFor([&] { return page() == nullptr; }));
    }

    ASSERT_TRUE(waitFor([&] { return onlineCommandState(frame().commandContext()) == 2; }));
    ASSERT_TRUE(frame().trigger(cmd::OnlineMonitor));
    ASSERT_TRUE(waitFor([&] { return !app->online().online; }));
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
}

// Over the serial link the communication terminals are never read: the view
// shows no value at either end, however often it is redrawn.
TEST_F(DenTanOnlineRoad, SerialMonitorShowsNoValueThatWasNeverRead)
{
    auto server = std::make_unique<qvsim::PtyServer>(std::vector<qvsim::SimCard>{qvsim::DefaultCard()});
    std::string error;
    ASSERT_TRUE(server->start(error)) << error;
    profile->setValue(QStringLiteral("KRAVin/EXTRA_PORTS"), QString::fromStdString(server->devicePath()));
    ASSERT_NO_FATAL_FAILURE(openLinkedCards());
    test::choosePort(*app, server->devicePath());
    prompt.clearLog();
    // Online, offline (which redraws the view) and online again.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(frame().trigger(cmd::OnlineMonitor));
        ASSERT_TRUE(app->online().online) << ::testing::PrintToString(prompt.ids());
        pass(200ms);
        EXPECT_TRUE(valuesAt(painted(), line.startX).empty()) << ::testing::PrintToString(valuesAt(painted(), line.startX));
        EXPECT_TRUE(valuesAt(painted(), line.endX).empty()) << ::testing::PrintToString(valuesAt(painted(), line.endX));
        ASSERT_TRUE(waitFor([&] { return onlineCommandState(frame().commandContext()) == 2; }));
        ASSERT_TRUE(frame().trigger(cmd::OnlineMonitor));
        ASSERT_TRUE(waitFor([&] { return !app->online().online; }));
    }
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
}

}  // namespace
}  // namespace kravin::shell

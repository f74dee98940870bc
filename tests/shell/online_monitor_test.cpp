#include "command_ids.h"
#include "online_monitor.h"
#include "shell_fixture.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>

namespace kravin::shell {
namespace {

using namespace std::chrono_literals;
using test::ShellFixture;

// Runs the event loop until done, for at most bound.
bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds bound = 5000ms)
{
    QDeadlineTimer deadline(bound.count());
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

using OnlineMonitorTest = ShellFixture;

TEST_F(OnlineMonitorTest, WorkerRunsFromStartUpToShutDownAgainAndAgain)
{
    for (int round = 0; round < 12; ++round) {
        start();
        OnlineMonitorWorker* worker = app->onlineMonitor();
        ASSERT_NE(worker, nullptr);
        EXPECT_TRUE(worker->running());
        EXPECT_TRUE(runShutdown(*app)) << "round " << round;
        EXPECT_FALSE(worker->running());
        app.reset();
    }
}

TEST_F(OnlineMonitorTest, FailedExchangeIsShownOnceAndTheStopNoticeTakesTheLinkDown)
{
    int stops = 0;
    services.onlineStopped = [&stops] { ++stops; };
    start();
    OnlineMonitorWorker* worker = app->onlineMonitor();
    ASSERT_NE(worker, nullptr);
    online::OnlineState& state = worker->state();
    online::OnlineState::Waits waits;
    waits.cycleSlow = waits.cycleFast = 5ms;
    waits.afterRun = 20ms;
    state.SetWaits(waits);

    // A registry row with a fixed group and item; no port is open, so its read fails.
    online::MonitorTargets targets = state.Targets();
    targets.rows[0].ggii = 102;
    targets.rows[0].on = online::kRowOn;
    state.SetTargets(targets);
    app->monitorContext().refresh(false, {}, {});
    app->online().online = true;
    state.OnlineLinkOpen = 1;
    state.RegMonitorOn = 1;
    state.MonitorActive = 1;
    state.Wake();

    ASSERT_TRUE(waitFor([&] { return stops == 1; }));
    EXPECT_EQ(prompt.ids(), std::vector<int>{online::kMsgPuCommError});
    EXPECT_EQ(state.MonitorActive.load(), 0);
    EXPECT_EQ(state.OnlineLinkOpen.load(), 0);
    EXPECT_FALSE(app->online().online);

    // Nothing more arrives once the run has ended.
    waitFor([] { return false; }, 200ms);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(prompt.ids().size(), 1u);
}

TEST_F(OnlineMonitorTest, SnapshotDescribesTheUnitsAndTheCurrentUnit)
{
    start();
    model::SystemConfigTables& t = app->systemTables();
    int card = 0;
    for (int k = 1; k < model::kKindEntries && !card; ++k)
        if (!app->masters().card.name[k].empty()) card = k;
    ASSERT_GT(card, 0);
    t.cardKind[3][4] = card;
    t.cardUnitText[3][4] = std::string("\x01" "ABCDEFG", 8);
    // Selecting a unit takes a fresh snapshot.
    app->unitSelection().select(3, 5);

    const ModelMonitorContext& c = app->monitorContext();
    EXPECT_TRUE(c.ProjectOpen());
    const online::MonitorUnitInfo unit = c.UnitAt(3, 4);
    EXPECT_TRUE(unit.exists);
    EXPECT_EQ(unit.station, 3);
    EXPECT_EQ(unit.card, 4);
    EXPECT_EQ(unit.model, app->masters().card.name[card]);
    EXPECT_EQ(unit.recordText, std::string("\x01" "ABCD", 5));
    const online::MonitorUnitInfo current = c.CurrentUnit();
    EXPECT_EQ(current.station, 3);
    EXPECT_EQ(current.card, 4);
    EXPECT_FALSE(c.UnitAt(3, -1).exists);  // no station placed
    EXPECT_FALSE(c.UnitAt(64, 0).exists);
    EXPECT_FALSE(c.UnitAt(0, 16).exists);
    EXPECT_EQ(c.AnalogPlan(), nullptr);
    EXPECT_EQ(c.CommPlan(), nullptr);

    // A later change of the tables reaches the worker only with the next snapshot.
    t.cardKind[3][4] = 0;
    EXPECT_TRUE(c.UnitAt(3, 4).exists);
    app->refreshMonitorSnapshot();
    EXPECT_FALSE(c.UnitAt(3, 4).exists);
}

TEST(MonitorStopBound, CoversOneReplyTimeOutAndAMargin)
{
    struct Case {
        int comTime;
        std::chrono::milliseconds floor, expected;
    };
    for (const Case& c : {Case{10, 3000ms, 12000ms}, Case{0, 3000ms, 12000ms}, Case{-5, 3000ms, 12000ms},
                          Case{30, 3000ms, 32000ms}, Case{1, 5000ms, 5000ms}})
        EXPECT_EQ(monitorStopBound(c.comTime, c.floor), c.expected) << c.comTime;
}

}  // namespace
}  // namespace kravin::shell

#include "command_ids.h"
#include "online_monitor.h"
#include "online_shell.h"
#include "registry_monitor_dialog.h"
#include "shell_fixture.h"
#include "wait_for.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <QThread>

#include <cstring>
#include <functional>

namespace kravin::shell {
namespace {

using namespace std::chrono_literals;
using test::ShellFixture;

// Runs the event loop until done, for at most bound.
using kravin::test::waitFor;

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
    // The registry monitor is shown; the main window holds the activation, as
    // it does after the error box closed.
    ASSERT_NE(app->onlineShell(), nullptr);
    QWidget* registry = app->onlineShell()->registryMonitor();
    ASSERT_NE(registry, nullptr);
    app->onlineShell()->registryMonitor()->showMonitor();
    frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame()));
    ASSERT_EQ(QApplication::activeWindow(), &frame());
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
    // The registry monitor is in front again.
    EXPECT_TRUE(registry->isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(registry));
    EXPECT_EQ(QApplication::activeWindow(), registry);

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
    ASSERT_NE(c.AnalogPlan(), nullptr);  // the current unit's
    EXPECT_EQ(c.AnalogPlan()->station, 3);
    EXPECT_EQ(c.AnalogPlan()->card, 4);
    EXPECT_EQ(c.CommPlan(), nullptr);  // no communication link table yet

    // A later change of the tables reaches the worker only with the next snapshot.
    t.cardKind[3][4] = 0;
    EXPECT_TRUE(c.UnitAt(3, 4).exists);
    app->refreshMonitorSnapshot();
    EXPECT_FALSE(c.UnitAt(3, 4).exists);
}

TEST_F(OnlineMonitorTest, PlansFollowTheAnalogMapAndTheCommunicationTable)
{
    start();
    model::UnitContext& unit = app->unitContext();
    unit.g_curStation = 2;
    unit.g_curCard = 3;
    for (auto& a : unit.analogMap) std::memset(&a, 0xFF, sizeof a);
    unit.g_unitBlocks = {};
    std::memcpy(unit.g_unitBlocks[4].data(), "01PID", 5);
    std::memcpy(unit.g_unitBlocks[5].data(), "01PID", 5);
    unit.analogMap[4].hasAnalog = 1;
    unit.analogMap[4].terminalUsed[11] = 1;
    unit.analogMap[4].terminalUsed[20] = 1;
    unit.analogMap[4].source[20] = 512;  // ANACOM item 20 reads group 5 item 12
    unit.analogMap[7].hasAnalog = 1;     // no block in group 7: not monitored

    const online::AnalogMonitorPlan plan = analogMonitorPlan(unit);
    EXPECT_EQ(plan.station, 2);
    EXPECT_EQ(plan.card, 2);
    EXPECT_EQ(plan.rows[4].blockFlag, 1);
    EXPECT_EQ(plan.rows[4].itemFlags[11], 1);
    EXPECT_EQ(plan.rows[4].redirect[11], -1);
    EXPECT_EQ(plan.rows[4].itemFlags[20], 1);
    EXPECT_EQ(plan.rows[4].redirect[20], 512);
    EXPECT_EQ(plan.rows[4].itemFlags[12], online::kNotMonitored);
    EXPECT_EQ(plan.rows[5].blockFlag, online::kNotMonitored);
    EXPECT_EQ(plan.rows[7].blockFlag, online::kNotMonitored);

    auto table = std::make_unique<model::CommLinkTable>();
    table->flags[1][3].used = 1;
    table->flags[1][3].kind[0] = 1;
    table->flags[1][3].kind[15] = 4;
    app->monitorContext().publishCommTable(*table);
    const auto comm = app->monitorContext().CommPlan();
    ASSERT_NE(comm, nullptr);
    EXPECT_TRUE(comm->slots[1][3].used);
    EXPECT_EQ(comm->slots[1][3].kinds[0], 1);
    EXPECT_EQ(comm->slots[1][3].kinds[15], 4);
    EXPECT_FALSE(comm->slots[1][2].used);
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

// The monitor worker thread: queued notices, the stop notice, the failure path, bounded stops.
#include "monitor_worker.h"

#include "monitor_fakes.h"
#include "pty_server.h"
#include "serial_link.h"
#include "vuken.h"
#include "vuken_sim.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QObject>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

using namespace kravin::online;
using namespace kravin::online::test;
using namespace std::chrono_literals;

namespace {

constexpr auto kGenerous = 20s;  // never reached unless something is broken

QCoreApplication& App()
{
    static int argc = 1;
    static char name[] = "online_monitor_worker_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// Delivers queued signals until the condition holds; false when the bound passed first.
bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds bound = kGenerous)
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Delivers queued signals for a while (to give a wrong extra notice the chance to arrive).
void PumpFor(std::chrono::milliseconds d)
{
    PumpUntil([] { return false; }, d);
}

// Counts the worker's signals on the test's thread, as a view would receive them.
struct Received {
    explicit Received(MonitorWorker& worker)
    {
        QObject::connect(&worker, &MonitorWorker::anatanRedraw, &receiver, [this] { ++anatan; }, Qt::QueuedConnection);
        QObject::connect(&worker, &MonitorWorker::monRedraw, &receiver, [this] { ++mon; }, Qt::QueuedConnection);
        QObject::connect(&worker, &MonitorWorker::ladderRedraw, &receiver, [this] { ++ladder; }, Qt::QueuedConnection);
        QObject::connect(&worker, &MonitorWorker::dentanRedraw, &receiver, [this] { ++dentan; }, Qt::QueuedConnection);
        QObject::connect(
            &worker, &MonitorWorker::communicationError, &receiver,
            [this](int id) {
                ++errors;
                lastError = id;
            },
            Qt::QueuedConnection);
        // The shell's "M Online Stop" handler (the state outlives the worker).
        QObject::connect(
            &worker, &MonitorWorker::onlineStop, &receiver,
            [this, state = &worker.state()] {
                ++stops;
                state->OnOnlineStop();
            },
            Qt::QueuedConnection);
    }
    QObject receiver;
    int anatan = 0, mon = 0, ladder = 0, dentan = 0, stops = 0, errors = 0, lastError = 0;
};

class MonitorWorkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        vuken_sim_reset();
        vuken_sim_add_card(0, 0);
        vuken_sim_set_item(0, 0, 1, 11, "12.5");

        context->views.analogOpen = true;
        context->current = Unit(0, 0, "QV200   ");
        auto plan = std::make_shared<AnalogMonitorPlan>();
        plan->station = 0;
        plan->card = 0;
        plan->rows[1].blockFlag = 0;
        plan->rows[1].itemFlags[11] = 0;
        context->analog = plan;

        state = std::make_shared<OnlineState>(context, link);
        OnlineState::Waits w;
        w.cycleFast = 2ms;
        w.cycleSlow = 5ms;
        w.afterRun = 20ms;
        w.afterCommandSlow = w.afterValueSlow = 0ms;
        state->SetWaits(w);
        state->MonitorSpeed = 1;
    }
    void TearDown() override
    {
        link->CloseComPort();
        if (server) server->stop();
        vuken_sim_reset();
    }

    // The simulator with one card holding block 1, and the link's reply time-out.
    void StartServer(std::chrono::milliseconds replyTimeout)
    {
        qvsim::SimCard card;
        card.bank0[1] = {{11, "12.5"}};
        server = std::make_unique<qvsim::PtyServer>(std::vector<qvsim::SimCard>{card});
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
        SerialLinkSettings s;
        s.replyTimeout = replyTimeout;
        link->setSettings(s);
    }

    std::shared_ptr<FakeContext> context = std::make_shared<FakeContext>();
    std::shared_ptr<SerialLink> link = std::make_shared<SerialLink>();
    std::shared_ptr<OnlineState> state;
    std::unique_ptr<qvsim::PtyServer> server;
};

TEST_F(MonitorWorkerTest, RunOverTheBusEndsWithOneStopNotice)
{
    MonitorWorker worker(state);
    Received got(worker);
    ASSERT_TRUE(worker.Start());
    EXPECT_FALSE(worker.Start());  // one worker thread
    ASSERT_EQ(state->StartMonitor({OnlineLink::Bus, {}, 0}), 0);

    ASSERT_TRUE(PumpUntil([&] { return got.anatan >= 3; }));
    EXPECT_EQ(state->Results().analog->values[1][11], 125);
    EXPECT_EQ(got.stops, 0);

    state->StopMonitorThreadFlags();
    ASSERT_TRUE(PumpUntil([&] { return got.stops >= 1; }));
    PumpFor(300ms);
    EXPECT_EQ(got.stops, 1);
    EXPECT_EQ(got.errors, 0);
    EXPECT_EQ(state->OnlineLinkOpen.load(), 0);
    EXPECT_NE(get_kilnbus_status(), VUKEN_STATUS_READY);  // the handler closed the bus

    EXPECT_TRUE(worker.Stop());
    EXPECT_FALSE(worker.IsRunning());
}

TEST_F(MonitorWorkerTest, RestartBeforeTheNoticeKeepsTheLink)
{
    MonitorWorker worker(state);
    Received got(worker);
    state->SetWaits([] {
        OnlineState::Waits w;
        w.cycleFast = 2ms;
        w.afterRun = 200ms;
        return w;
    }());
    ASSERT_TRUE(worker.Start());
    ASSERT_EQ(state->StartMonitor({OnlineLink::Bus, {}, 0}), 0);
    ASSERT_TRUE(PumpUntil([&] { return got.anatan >= 1; }));

    state->StopMonitorThreadFlags();
    ASSERT_EQ(state->StartMonitor({OnlineLink::Bus, {}, 0}), 0);
    const int seen = got.anatan;
    ASSERT_TRUE(PumpUntil([&] { return got.anatan >= seen + 3; }));
    EXPECT_EQ(got.stops, 0);
    EXPECT_EQ(state->OnlineLinkOpen.load(), 1);
    EXPECT_EQ(get_kilnbus_status(), VUKEN_STATUS_READY);

    state->StopMonitorThreadFlags();
    ASSERT_TRUE(PumpUntil([&] { return got.stops >= 1; }));
    PumpFor(300ms);
    EXPECT_EQ(got.stops, 1);
    EXPECT_EQ(state->OnlineLinkOpen.load(), 0);
    EXPECT_TRUE(worker.Stop());
}

TEST_F(MonitorWorkerTest, SerialFailureStopsTheRunWithOneErrorNotice)
{
    ASSERT_NO_FATAL_FAILURE(StartServer(200ms));
    qvsim::PtyServer& server = *this->server;
    server.setStandingFault(qvsim::Fault::NoReply);

    struct Case {
        const char* what;
        std::string port;
    } cases[] = {
        {"controller that doesn't answer", server.devicePath()},
    };
    {
        // A port that doesn't open starts no run: nothing to report, nothing to stop.
        MonitorWorker worker(state);
        Received got(worker);
        ASSERT_TRUE(worker.Start());
        EXPECT_EQ(state->StartMonitor({OnlineLink::Serial, "/nonexistent/tty-monitor", 1}), -1);
        PumpFor(200ms);
        EXPECT_EQ(got.errors, 0);
        EXPECT_EQ(got.stops, 0);
        EXPECT_EQ(state->OnlineLinkOpen.load(), 0);
        EXPECT_TRUE(worker.Stop());
    }
    for (const Case& c : cases) {
        MonitorWorker worker(state);
        Received got(worker);
        ASSERT_TRUE(worker.Start()) << c.what;
        ASSERT_EQ(state->StartMonitor({OnlineLink::Serial, c.port, 1}), 0) << c.what;
        ASSERT_TRUE(PumpUntil([&] { return got.stops >= 1; })) << c.what;
        PumpFor(200ms);
        EXPECT_EQ(got.errors, 1) << c.what;
        EXPECT_EQ(got.lastError, kMsgPuCommError) << c.what;
        EXPECT_EQ(got.stops, 1) << c.what;
        EXPECT_EQ(got.anatan, 0) << c.what;
        EXPECT_EQ(state->MonitorActive.load(), 0) << c.what;
        EXPECT_EQ(state->OnlineLinkOpen.load(), 0) << c.what;
        EXPECT_FALSE(link->isOpen()) << c.what;
        EXPECT_TRUE(worker.Stop()) << c.what;
    }
}

TEST_F(MonitorWorkerTest, StopDuringAHeldSerialReplyIsBounded)
{
    ASSERT_NO_FATAL_FAILURE(StartServer(1s));
    qvsim::PtyServer& server = *this->server;
    server.holdReplies();

    MonitorWorker worker(state);
    ASSERT_TRUE(worker.Start());
    ASSERT_EQ(state->StartMonitor({OnlineLink::Serial, server.devicePath(), 1}), 0);
    ASSERT_TRUE(PumpUntil([&] { return !server.receivedLines().empty(); }));
    EXPECT_TRUE(worker.Stop(kGenerous));
    EXPECT_EQ(state->OnlineLinkOpen.load(), 0);  // the ending worker closed the port
    EXPECT_FALSE(link->isOpen());
    server.releaseReplies();
}

TEST_F(MonitorWorkerTest, MonitorFileFallsBackToTheApplicationDataFolder)
{
    QStandardPaths::setTestModeEnabled(true);
    MonitorWorker worker(state);
    const std::string folder =
        QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).toStdString();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(state->MonitorFilePath(), std::filesystem::path(folder) / "MON.KRAB");
    QStandardPaths::setTestModeEnabled(false);
}

TEST_F(MonitorWorkerTest, StartAndStopManyTimes)
{
    for (int i = 0; i < 60; ++i) {
        auto worker = std::make_unique<MonitorWorker>(state);
        Received got(*worker);
        ASSERT_TRUE(worker->Start()) << i;
        if (i % 3 != 0) {
            ASSERT_EQ(state->StartMonitor({OnlineLink::Bus, {}, 0}), 0);
        }
        if (i % 3 == 1) {
            ASSERT_TRUE(PumpUntil([&] { return got.anatan >= 1; })) << i;
        }
        if (i % 2 == 0) {
            ASSERT_TRUE(worker->Stop(kGenerous)) << i;
            EXPECT_FALSE(worker->IsRunning());
            // Started again on the same object, stopped by its destructor.
            ASSERT_TRUE(worker->Start()) << i;
            if (i % 4 == 0) state->StartMonitor({OnlineLink::Bus, {}, 0});
        }
        worker.reset();
        EXPECT_EQ(state->MonitorThreadAlive.load(), 0) << i;
        EXPECT_EQ(state->OnlineLinkOpen.load(), 0) << i;  // the ending worker closed the link
        PumpFor(0ms);
    }
}

}  // namespace

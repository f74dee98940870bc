// Monitor cycles over the controller simulator (pseudo-terminal) and the simulated bus.
#include "monitor_engine.h"

#include "monitor_fakes.h"
#include "pty_server.h"
#include "serial_link.h"
#include "vuken.h"
#include "vuken_sim.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace kravin::online;
using namespace kravin::online::test;
using namespace std::chrono_literals;

namespace {

// ------------------------------------------------------------------ plain functions

TEST(MonitorAddress, PacksCyclicAndItemAddresses)
{
    struct Case {
        int station, card, point, sub, packed;
    } cases[] = {
        {1, 2, 3, 1, 17505},
        {0, 0, 0, 0, 0},
        {63, 15, 15, 1, (63 << 14) | (15 << 9) | (15 << 5) | 1},
        {0, 0, 1, 0, 32},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PackMonitorAddress(c.station, c.card, c.point, c.sub), c.packed) << c.station << "/" << c.card;

    EXPECT_EQ(BusItemAddress(0x3F, 15), 2031);
    EXPECT_EQ(BusItemAddress(1, 0), 32);
    EXPECT_EQ(BusItemAddress(0, 0), 0);
    EXPECT_EQ(BusItemAddress(0x2A, -1), 0x2A << 5);  // the station itself: card field 0
    EXPECT_EQ(BusItemAddress(0, -1), 0);
    EXPECT_GE(BusItemAddress(-1, -1), 0);
}

TEST(MonitorValue, DotsRemovedThenLeadingInteger)
{
    struct Case {
        const char* text;
        int value;
    } cases[] = {
        {"12.5", 125}, {"-3.25", -325}, {"1.2.3", 123}, {"+7", 7},     {"", 0},
        {"abc", 0},    {"12abc", 12},   {"-", 0},       {".5", 5},     {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseMonitorValue(c.text), c.value) << '"' << c.text << '"';
}

MonitorTargetRow Row(int ggnn, int resolved, int ggii, std::uint8_t on = kRowOn)
{
    MonitorTargetRow r;
    r.ggnn = static_cast<std::int16_t>(ggnn);
    r.resolvedItem = static_cast<std::int16_t>(resolved);
    r.ggii = static_cast<std::int16_t>(ggii);
    r.on = on;
    return r;
}

TEST(MonitorRegistryRow, DestinationOfEachKindOfRow)
{
    MonitorUnitInfo target = Unit(0, 0, "QV200");
    target.blocks.set(1).set(2);
    MonitorUnitInfo missing = target;
    missing.exists = false;

    struct Case {
        const char* what;
        MonitorTargetRow row;
        bool projectOpen;
        const MonitorUnitInfo* unit;
        int message, group, item;
    } cases[] = {
        {"group and item", Row(-1, -1, 111), false, &target, 0, 1, 11},
        {"group above 80", Row(-1, -1, 8105), false, &target, kMsgOutOfRange, 81, 5},
        {"group 80 is in range", Row(-1, -1, 8005), false, &target, 0, 80, 5},
        {"nothing set", Row(-1, -1, -1), false, &target, kMsgNoDestination, -1, -1},
        {"terminal needs a project", Row(211, 10, -1), false, &target, kMsgNoDestination, -1, -1},
        {"terminal with a project", Row(211, 10, -1), true, &target, 0, 2, 10},
        {"terminal not resolved falls back", Row(211, -1, 112), true, &target, 0, 1, 12},
        {"no such block", Row(-1, -1, 305), true, &target, kMsgNoDestination, 3, 5},
        {"no block check without a project", Row(-1, -1, 305), false, &target, 0, 3, 5},
        {"unit not in the project", Row(-1, -1, 111), true, &missing, kMsgNoDestination, 1, 11},
    };
    for (const Case& c : cases) {
        const RegistryDestination d = ResolveRegistryRow(c.row, c.projectOpen, *c.unit);
        EXPECT_EQ(d.messageId, c.message) << c.what;
        if (c.message == 0) {
            EXPECT_EQ(d.group, c.group) << c.what;
            EXPECT_EQ(d.item, c.item) << c.what;
        }
    }
}

TEST(MonitorUnitSelect, ValueByModel)
{
    auto unit = [](std::string model, int card, std::string record) {
        MonitorUnitInfo u = Unit(0, card, std::move(model));
        record.resize(5, '\0');
        u.recordText = record;
        return u;
    };
    struct Case {
        const char* what;
        MonitorUnitInfo u;
        bool registry;
        const char* value;  // null: no selection
    } cases[] = {
        {"QV200", unit("QV200   ", 0, ""), false, nullptr},
        {"QV200 registry", unit("QV200   ", 0, ""), true, nullptr},
        {"KMQ", unit("KMQ10   ", 4, ""), false, "0"},
        {"V8RTU card 3", unit("V8RTU   ", 3, ""), false, "3"},
        {"V8RTU card 11", unit("V8RTU   ", 11, ""), true, "B"},
        {"QV200W right slot", unit("QV200W  ", 2, "\x01"), false, "1"},
        {"QV200W left slot", unit("QV200W  ", 2, ""), false, "0"},
        {"QV210W registry single byte 1", unit("QV210W  ", 2, "\x01"), true, "1"},
        {"QV210W registry longer text", unit("QV210W  ", 2, "\x01\x02"), true, "0"},
        {"QV210W analog longer text", unit("QV210W  ", 2, "\x01\x02"), false, "1"},
    };
    for (const Case& c : cases) {
        const auto v = UnitSelectValue(c.u, c.registry);
        if (!c.value) {
            EXPECT_FALSE(v.has_value()) << c.what;
        } else {
            ASSERT_TRUE(v.has_value()) << c.what;
            EXPECT_EQ(*v, c.value) << c.what;
        }
    }
}

// ------------------------------------------------------------------ shared set-up

// Block 1: items 11 (direct), 12 (redirected to group 2 item 10), 13 (missing), 14 (direct,
// after the redirection); block 3: not on the card.
std::shared_ptr<AnalogMonitorPlan> AnalogPlanOf(int station, int card)
{
    auto plan = std::make_shared<AnalogMonitorPlan>();
    plan->station = station;
    plan->card = card;
    auto& b1 = plan->rows[1];
    b1.blockFlag = 0;
    for (int item : {11, 12, 13, 14}) b1.itemFlags[static_cast<std::size_t>(item)] = 0;
    b1.redirect[12] = 210;
    plan->rows[3].blockFlag = 0;
    plan->rows[3].itemFlags[1] = 0;
    return plan;
}

struct RegistryExpect {
    int row;
    int message;
    const char* text;
};

void ExpectRows(const RegistryValues& values, const std::vector<RegistryExpect>& expected, const char* what)
{
    for (const RegistryExpect& e : expected) {
        EXPECT_EQ(values.rows[static_cast<std::size_t>(e.row)].messageId, e.message) << what << " row " << e.row;
        EXPECT_EQ(values.rows[static_cast<std::size_t>(e.row)].text, e.text) << what << " row " << e.row;
    }
}

MonitorTargets RegistryTargets()
{
    MonitorTargets t = FreshMonitorTargets();
    t.rows[0] = Row(-1, -1, 111);
    t.rows[1] = Row(-1, -1, 8105);
    t.rows[2] = Row(-1, -1, -1);
    t.rows[3] = Row(-1, -1, 150);          // no such item
    t.rows[4] = Row(-1, -1, 111, kRowOff);  // not monitored
    t.rows[5] = Row(-1, -1, 305);          // group 3: no block of the unit, not on the card
    t.rows[6] = Row(210, 10, -1);          // terminal of block 2
    return t;
}

// ------------------------------------------------------------------ serial

qvsim::SimCard MakeCard(const std::string& model, const std::string& id, const std::string& selector,
                       const std::string& value11)
{
    qvsim::SimCard card;
    card.model = model;
    card.baudIndex = 1;
    card.selector = selector;
    card.bank0[0] = {{0, "0"}, {1, "0"}, {52, id}, {96, "16"}, {99, "1.00"}};
    card.bank0[1] = {{10, "01"}, {11, value11}, {12, "7"}, {14, "42"}};
    card.bank0[2] = {{10, "-3.25"}};
    card.bank0[81] = {{3, "5"}, {6, "1"}};
    return card;
}

class SerialMonitor : public ::testing::Test {
protected:
    void SetUp() override { StartServer({MakeCard("QV200", "0012", "0", "12.5")}); }

    // The ladder of group 81 of the card at 00/0, its first contact on item 1.11 ("12.5").
    static LadderMonitorPlan LadderPlan()
    {
        LadderMonitorPlan plan;
        plan.valid = true;
        plan.unit = Unit(0, 0, "QV200   ");
        plan.group = 81;
        plan.contacts[0][0] = 111;
        return plan;
    }
    void TearDown() override
    {
        state.reset();
        link->CloseComPort();
        if (server) server->stop();
    }

    void StartServer(std::vector<qvsim::SimCard> cards, std::chrono::milliseconds replyTimeout = 10s)
    {
        if (server) server->stop();
        server = std::make_unique<qvsim::PtyServer>(std::move(cards));
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
        SerialLinkSettings s;
        s.replyTimeout = replyTimeout;
        s.programmingUnitId = "PU01";
        link->setSettings(s);
        state = std::make_unique<OnlineState>(context, link);
        OnlineState::Waits w;
        w.afterCommandSlow = w.afterValueSlow = 0ms;
        state->SetWaits(w);
        state->SetNotices(&notices);
        state->MonitorThreadAlive = 1;
        ASSERT_EQ(state->StartMonitor({OnlineLink::Serial, server->devicePath(), 1}), 0) << link->lastError();
    }

    std::vector<std::string> Lines() const { return server->receivedLines(); }

    std::shared_ptr<FakeContext> context = std::make_shared<FakeContext>();
    std::shared_ptr<SerialLink> link = std::make_shared<SerialLink>();
    std::unique_ptr<qvsim::PtyServer> server;
    std::unique_ptr<OnlineState> state;
    NoticeCounter notices;
};

TEST_F(SerialMonitor, AnalogSectionFillsTheValueTable)
{
    context->views.analogOpen = true;
    context->current = Unit(0, 0, "QV200   ");
    context->analog = AnalogPlanOf(0, 0);

    ASSERT_EQ(state->SerialMonitorCycle(), 0);
    const auto values = state->Results().analog;
    EXPECT_EQ(values->values[1][11], 125);   // "12.5"
    EXPECT_EQ(values->values[1][12], -325);  // redirected: group 2 item 10 "-3.25"
    EXPECT_EQ(values->values[1][13], 0);     // no such item: left as it was
    EXPECT_EQ(values->values[1][14], 42);    // read in block 1 again after the redirection
    EXPECT_EQ(notices.anatan.load(), 1);

    // No unit selection for a QV200; plain commands, block 1 selected first.
    const auto lines = Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "G01\r");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), std::string("G03\r")), 1);
}

TEST_F(SerialMonitor, RegistrySectionRowsWithAndWithoutProject)
{
    state->RegMonitorOn = 1;
    state->SetTargets(RegistryTargets());
    MonitorUnitInfo target = Unit(0, 0, "QV200   ");
    target.blocks.set(1).set(2);
    context->target = target;

    ASSERT_EQ(state->SerialMonitorCycle(), 0);
    ExpectRows(*state->Results().registry,
               {{0, 0, "12.5"},
                {1, kMsgOutOfRange, "Out of range"},
                {2, kMsgNoDestination, "No destination"},
                {3, kMsgNoDestination, "No destination"},
                {4, 0, ""},
                {5, 0, ""},  // the controller refused group 3: the row is skipped
                {6, kMsgNoDestination, "No destination"}},
               "no project");
    EXPECT_EQ(notices.mon.load(), 1);

    context->projectOpen = true;
    ASSERT_EQ(state->SerialMonitorCycle(), 0);
    ExpectRows(*state->Results().registry,
               {{0, 0, "12.5"}, {5, kMsgNoDestination, "No destination"}, {6, 0, "-3.25"}}, "project open");
    EXPECT_EQ(notices.mon.load(), 2);
}

TEST_F(SerialMonitor, NoRegistryRedrawWhileFramesClose)
{
    state->RegMonitorOn = 1;
    state->SetTargets(RegistryTargets());
    context->views.framesClosing = true;
    ASSERT_EQ(state->SerialMonitorCycle(), 0);
    EXPECT_EQ(notices.mon.load(), 0);
    EXPECT_EQ(state->Results().registry->rows[0].text, "12.5");
}

TEST_F(SerialMonitor, TwoSlotCardIsSelectedBeforeEachSection)
{
    StartServer({MakeCard("QV200W", "0012", "0", "100"), MakeCard("QV200W", "0013", "1", "200")});
    context->views.analogOpen = true;
    context->current = Unit(0, 2, "QV200W  ");  // left slot: record byte 0
    context->analog = AnalogPlanOf(0, 2);
    state->RegMonitorOn = 1;
    MonitorTargets t = FreshMonitorTargets();
    t.station = 0;
    t.card = 3;
    t.rows[0] = Row(-1, -1, 111);
    state->SetTargets(t);
    MonitorUnitInfo right = Unit(0, 3, "QV200W  ");
    right.recordText = std::string("\x01\0\0\0\0", 5);
    context->target = right;

    ASSERT_EQ(state->SerialMonitorCycle(), 0);
    EXPECT_EQ(state->Results().analog->values[1][11], 100);
    EXPECT_EQ(state->Results().registry->rows[0].text, "200");
    const auto lines = Lines();
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 3),
              (std::vector<std::string>{"G00\r", "I00\r", "D0\r"}));
    EXPECT_NE(std::find(lines.begin(), lines.end(), std::string("D1\r")), lines.end());
}

TEST_F(SerialMonitor, IrCardItemsGoFramedToItsUnitId)
{
    context->views.analogOpen = true;
    MonitorUnitInfo unit = Unit(0, 0, "QV200   ", "0012");
    unit.irCard = true;
    context->current = unit;
    context->analog = AnalogPlanOf(0, 0);

    ASSERT_EQ(state->SerialMonitorCycle(), 0);
    EXPECT_EQ(state->Results().analog->values[1][11], 125);
    EXPECT_EQ(state->Results().analog->values[1][14], 42);
    const auto lines = Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front().substr(0, 8), std::string("\x02") + "0012G01");
}

TEST_F(SerialMonitor, LadderSectionPreparesOnceThenReadsContactsAndCoils)
{
    context->views.ladderOpen = true;
    LadderMonitorPlan plan = LadderPlan();  // "12.5": the ladder takes the leading integer
    plan.contacts[0][1] = 150;  // no such item: no value
    plan.coils[0] = 210;
    context->ladder = plan;

    ASSERT_EQ(state->LadderMonitorState.load(), 1);
    ASSERT_EQ(state->SerialMonitorCycle(), 0);
    ASSERT_EQ(state->SerialMonitorCycle(), 0);
    EXPECT_EQ(state->LadderMonitorState.load(), 2);
    EXPECT_EQ(context->startUnitMonitorCalls, 1);
    const auto ladder = state->Results().ladder;
    EXPECT_EQ(ladder->item3, 5);
    EXPECT_EQ(ladder->item6, 1);
    EXPECT_EQ(ladder->contacts[0][0], 12);
    EXPECT_EQ(ladder->contacts[0][1], -1);
    EXPECT_EQ(ladder->coils[0], -3);
    EXPECT_EQ(ladder->contacts[1][0], -1);
    EXPECT_EQ(notices.ladder.load(), 2);
}

// A ladder opened again is prepared afresh: until its own reads come in, none of the
// values of the last opening stand for its contacts.
TEST_F(SerialMonitor, PreparedLadderShowsNoValuesOfTheLastOpening)
{
    context->views.ladderOpen = true;
    LadderMonitorPlan plan = LadderPlan();
    context->ladder = plan;
    ASSERT_EQ(state->SerialMonitorCycle(), 0);
    ASSERT_EQ(state->Results().ladder->contacts[0][0], 12);

    // Opened again on another program: prepared at the next cycle, whose replies wait.
    plan.contacts[0][0] = -1;
    plan.contacts[3][2] = 111;
    context->ladder = plan;
    state->LadderMonitorState = 1;
    const std::size_t before = Lines().size();
    server->holdReplies();
    std::thread cycle([&] { EXPECT_EQ(state->SerialMonitorCycle(), 0); });
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (Lines().size() == before && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(state->LadderMonitorState.load(), 2);
    const auto during = state->Results().ladder;
    ASSERT_NE(during, nullptr);
    EXPECT_EQ(during->contacts[0][0], -1);
    EXPECT_EQ(during->item3, -1);
    server->releaseReplies();
    cycle.join();
    EXPECT_EQ(state->Results().ladder->contacts[3][2], 12);
    EXPECT_EQ(state->Results().ladder->contacts[0][0], -1);
}

TEST_F(SerialMonitor, FailedExchangesEndTheCycle)
{
    struct Case {
        const char* what;
        const char* model;
        qvsim::Fault fault;
        bool registry;
    } cases[] = {
        {"value read times out", "QV200   ", qvsim::Fault::NoReply, false},
        {"unit selection refused", "V8RTU   ", qvsim::Fault::Cng, false},
        {"registry read times out", "QV200   ", qvsim::Fault::NoReply, true},
    };
    for (const Case& c : cases) {
        StartServer({MakeCard("QV200", "0012", "0", "12.5")}, 300ms);
        context->views.analogOpen = !c.registry;
        context->current = Unit(0, 0, c.model);
        context->analog = AnalogPlanOf(0, 0);
        state->RegMonitorOn = c.registry ? 1 : 0;
        state->SetTargets(RegistryTargets());
        server->setStandingFault(c.fault);
        EXPECT_EQ(state->SerialMonitorCycle(), -1) << c.what;
        EXPECT_EQ(notices.anatan.load(), 0) << c.what;
        EXPECT_EQ(notices.mon.load(), 0) << c.what;
    }
}

TEST_F(SerialMonitor, PortThatDidNotOpenLeavesTheMonitorOffline)
{
    state->StopMonitorThreadFlags();
    state->OnOnlineStop();
    ASSERT_EQ(state->OnlineLinkOpen.load(), 0);
    EXPECT_EQ(state->StartMonitor({OnlineLink::Serial, "/nonexistent/tty-monitor", 1}), -1);
    EXPECT_EQ(state->MonitorActive.load(), 0);
    EXPECT_EQ(state->OnlineLinkOpen.load(), 0);
    EXPECT_EQ(state->LadderMonitorState.load(), 0);
    EXPECT_FALSE(link->isOpen());
}

// ------------------------------------------------------------------ bus

class BusMonitor : public ::testing::Test {
protected:
    void SetUp() override
    {
        vuken_sim_reset();
        vuken_sim_add_card(0, 0);
        vuken_sim_set_item(0, 0, 1, 11, "12.5");
        vuken_sim_set_item(0, 0, 1, 12, "7");
        vuken_sim_set_item(0, 0, 1, 13, "9");
        vuken_sim_set_item(0, 0, 1, 14, "42");
        vuken_sim_set_item(0, 0, 1, 50, "");
        vuken_sim_set_item(0, 0, 2, 10, "-3.25");
        vuken_sim_set_item(0, 0, 81, 3, "5");
        vuken_sim_set_item(0, 0, 81, 6, "1");
        vuken_sim_add_card(1, 2);
        vuken_sim_set_digital(1, 2, 0, 0x00050003u);
        vuken_sim_set_analog(1, 2, 1, 0, -7);
        vuken_sim_set_analog(1, 2, 1, 1, 300);

        state = std::make_unique<OnlineState>(context, nullptr);
        state->SetNotices(&notices);
        state->MonitorThreadAlive = 1;
    }
    void TearDown() override { vuken_sim_reset(); }

    std::shared_ptr<CommMonitorPlan> CommPlan()
    {
        auto plan = std::make_shared<CommMonitorPlan>();
        auto& slot = plan->slots[1][3];  // station 1, card 2
        slot.used = true;
        slot.kinds[0] = 1;
        slot.kinds[1] = 3;
        slot.kinds[2] = 0;
        return plan;
    }

    std::shared_ptr<FakeContext> context = std::make_shared<FakeContext>();
    std::unique_ptr<OnlineState> state;
    NoticeCounter notices;
};

TEST_F(BusMonitor, CycleFillsEveryTable)
{
    ASSERT_EQ(state->StartMonitor({OnlineLink::Bus, {}, 0}), 0);
    context->views = {true, true, true, false, false};
    context->current = Unit(0, 0, "QV200   ");
    context->analog = AnalogPlanOf(0, 0);
    context->comm = CommPlan();
    state->RegMonitorOn = 1;
    MonitorTargets t = RegistryTargets();
    t.rows[7] = Row(-1, -1, 150);  // an empty value text
    t.rows[8] = Row(-1, -1, 113);  // fails below
    state->SetTargets(t);
    LadderMonitorPlan ladder;
    ladder.valid = true;
    ladder.unit = Unit(0, 0, "QV200   ");
    ladder.group = 81;
    ladder.contacts[0][0] = 111;
    ladder.coils[0] = 113;
    context->ladder = ladder;
    const MonitorResults before = state->Results();

    state->BusMonitorCycle();
    EXPECT_EQ(state->Results().analog->values[1][11], 125);  // "12.5"
    EXPECT_EQ(state->Results().registry->rows[0].text, "12.5");
    vuken_sim_fail_item(0, 0, 1, 13, VUKEN_ERR_NO_ITEM);
    vuken_sim_fail_item(0, 0, 81, 6, 7);  // any non-zero result is a failure
    vuken_sim_set_item(0, 0, 1, 11, "13.0");
    state->BusMonitorCycle();

    const MonitorResults r = state->Results();
    const auto& term = r.comm->slots[1][3];
    EXPECT_EQ(term[0].first, 3);
    EXPECT_EQ(term[0].second, 5);
    EXPECT_EQ(term[1].first, -7);
    EXPECT_EQ(term[1].second, 300);
    EXPECT_EQ(term[2].first, 0);

    EXPECT_EQ(r.analog->values[1][11], 130);
    EXPECT_EQ(r.analog->values[1][12], -325);
    EXPECT_EQ(r.analog->values[1][13], 9);  // failed read: value left
    EXPECT_EQ(r.analog->values[1][14], 42);

    ExpectRows(*r.registry,
               {{0, 0, "13.0"},
                {1, kMsgOutOfRange, "Out of range"},
                {2, kMsgNoDestination, "No destination"},
                {3, kMsgNoDestination, "No destination"},
                {4, 0, ""},
                {7, kMsgNoDestination, "No destination"},
                {8, kMsgNoDestination, "No destination"}},
               "bus");

    EXPECT_EQ(r.ladder->item3, 5);
    EXPECT_EQ(r.ladder->item6, -1);     // failed read stores -1
    EXPECT_EQ(r.ladder->contacts[0][0], 13);
    EXPECT_EQ(r.ladder->coils[0], 9);   // failed read: value left

    EXPECT_EQ(notices.dentan.load(), 2);
    EXPECT_EQ(notices.anatan.load(), 2);
    EXPECT_EQ(notices.mon.load(), 2);
    EXPECT_EQ(notices.ladder.load(), 2);

    // Published tables are fresh copies; the old ones stay as they were.
    EXPECT_NE(before.analog, r.analog);
    EXPECT_EQ(before.analog->values[1][11], 0);
}

TEST_F(BusMonitor, BusNotReadyMarksRowsAndRequestsNothing)
{
    vuken_sim_set_cycle_status(1);
    // Not ready at the start: the monitor runs and its cycles wait for the bus.
    ASSERT_EQ(state->StartMonitor({OnlineLink::Bus, {}, 0}), 0);
    EXPECT_EQ(state->MonitorActive.load(), 1);
    EXPECT_EQ(state->OnlineLinkOpen.load(), 1);
    EXPECT_NE(get_kilnbus_status(), VUKEN_STATUS_READY);
    context->comm = CommPlan();
    context->views = {true, true, true, false, false};
    context->current = Unit(0, 0, "QV200   ");
    context->analog = AnalogPlanOf(0, 0);
    state->RegMonitorOn = 1;
    state->SetTargets(RegistryTargets());
    const long requests = vuken_sim_request_count();

    state->BusMonitorCycle();
    EXPECT_EQ(vuken_sim_request_count(), requests);
    const auto rows = state->Results().registry;
    EXPECT_EQ(rows->rows[0].messageId, kMsgNoDestination);  // even a row with a good address
    EXPECT_EQ(rows->rows[4].text, "");                       // not monitored
    EXPECT_EQ(notices.mon.load(), 1);
    EXPECT_EQ(notices.ladder.load(), 1);
    EXPECT_EQ(notices.anatan.load(), 0);
    EXPECT_EQ(notices.dentan.load(), 0);
    EXPECT_FALSE(state->Results().comm->slots[1][3][1].held);

    // The bus answers: the next cycle reads it.
    vuken_sim_set_cycle_status(VUKEN_STATUS_READY);
    kilnbus_cycle();
    state->BusMonitorCycle();
    EXPECT_EQ(state->Results().registry->rows[0].text, "12.5");
    EXPECT_TRUE(state->Results().comm->slots[1][3][1].held);
    EXPECT_FALSE(state->Results().comm->slots[1][3][2].held);  // a terminal without a kind
    EXPECT_EQ(notices.dentan.load(), 1);
}

TEST_F(BusMonitor, OnlineStopClosesTheBusUnlessARunIsActive)
{
    ASSERT_EQ(state->StartMonitor({OnlineLink::Bus, {}, 0}), 0);
    ASSERT_EQ(get_kilnbus_status(), VUKEN_STATUS_READY);
    state->OnOnlineStop();  // a new run is active: leave the link
    EXPECT_EQ(get_kilnbus_status(), VUKEN_STATUS_READY);
    EXPECT_EQ(state->OnlineLinkOpen.load(), 1);

    state->StopMonitorThreadFlags();
    EXPECT_EQ(state->LadderMonitorState.load(), 0);
    state->OnOnlineStop();
    EXPECT_NE(get_kilnbus_status(), VUKEN_STATUS_READY);
    EXPECT_EQ(state->OnlineLinkOpen.load(), 0);
}

}  // namespace

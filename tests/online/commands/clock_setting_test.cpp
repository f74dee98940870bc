#include "clock_setting.h"

#include "pty_server.h"
#include "serial_link.h"
#include "vuken_sim.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kravin::online {
namespace {

using namespace std::chrono_literals;

TEST(ClockDate, ImpossibleDatesAreRefused)
{
    struct Case {
        ClockDateTime t;
        bool valid;
    };
    const Case cases[] = {
        {{2031, 2, 3, 9, 5, 7}, true},   {{2031, 2, 31, 0, 0, 0}, false}, {{2031, 2, 29, 0, 0, 0}, false},
        {{2032, 2, 29, 0, 0, 0}, true},  {{2031, 4, 31, 0, 0, 0}, false}, {{2031, 12, 31, 23, 59, 59}, true},
        {{2004, 1, 1, 0, 0, 0}, true},   {{2003, 12, 31, 0, 0, 0}, false}, {{2100, 1, 1, 0, 0, 0}, false},
        {{2031, 0, 1, 0, 0, 0}, false},  {{2031, 13, 1, 0, 0, 0}, false}, {{2031, 1, 0, 0, 0, 0}, false},
        {{2031, 1, 1, 24, 0, 0}, false}, {{2031, 1, 1, 0, 60, 0}, false}, {{2031, 1, 1, 0, 0, 60}, false},
        {{2031, 1, 1, -1, 0, 0}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ValidClockDate(c.t), c.valid)
            << c.t.year << "-" << c.t.month << "-" << c.t.day << " " << c.t.hour << ":" << c.t.minute << ":" << c.t.second;
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(2100, 2), 28);
}

TEST(ClockDate, StationLabelIsTwoUpperCaseHexDigits)
{
    EXPECT_EQ(ClockStationLabel(0x2A), "STATION  2A");
    EXPECT_EQ(ClockStationLabel(0), "STATION  00");
    EXPECT_EQ(ClockStationLabel(63), "STATION  3F");
}

const ClockDateTime kTime{2031, 2, 3, 9, 5, 7};

// ---- Serial, against the controller simulator ----

class SerialClock : public ::testing::Test {
protected:
    void SetUp() override
    {
        server = std::make_unique<qvsim::PtyServer>(std::vector<qvsim::SimCard>{qvsim::DefaultCard()});
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
        SerialLinkSettings s;
        s.replyTimeout = 1000ms;
        link.setSettings(s);
    }

    ClockSetter::Setup Setup() const
    {
        ClockSetter::Setup s;
        s.link = OnlineLink::Serial;
        s.portName = server->devicePath();
        s.baudIndex = 1;
        s.station = 0;
        s.time = kTime;
        return s;
    }

    std::string Value(int item)
    {
        std::string v;
        server->withController([&](qvsim::Controller& c) { v = c.value(0, 0, 0, item).value_or("?"); });
        return v;
    }

    std::unique_ptr<qvsim::PtyServer> server;
    SerialLink link;
    ClockSetter setter{&link, BusApi::Vuken(), ClockTiming{}};
};

TEST_F(SerialClock, WritesTheDateAndLeavesWriteModeOff)
{
    ASSERT_EQ(setter.Start(Setup()), 0);
    std::vector<int> steps;
    setter.Run([&steps](int step) { steps.push_back(step); });
    EXPECT_FALSE(setter.failed());
    EXPECT_EQ(steps, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 100}));
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(Value(54), "31");
    EXPECT_EQ(Value(55), "0203");
    EXPECT_EQ(Value(56), "0905");
    EXPECT_EQ(Value(57), "07");
    EXPECT_EQ(Value(1), "0");
    const std::vector<std::string> expected{"G00\r", "I00\r", "D0\r",    "I01\r", "D1\r",    "I54\r", "D31\r", "I55\r",
                                            "D0203\r", "I56\r", "D0905\r", "I57\r", "D07\r", "I01\r", "D0\r"};
    EXPECT_EQ(server->receivedLines(), expected);
}

TEST_F(SerialClock, RefusedGroupSelectionWritesNothing)
{
    server->injectFault(qvsim::Fault::Cng);
    ASSERT_EQ(setter.Start(Setup()), 0);
    setter.Run();
    EXPECT_TRUE(setter.failed());
    EXPECT_EQ(setter.failedStep(), 2);
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(server->receivedLines(), std::vector<std::string>{"G00\r"});
    EXPECT_EQ(Value(54), "26");
    EXPECT_EQ(Value(1), "0");
}

TEST_F(SerialClock, EveryReplyCountsAndWriteModeIsSwitchedOffAfterAFailure)
{
    // Replies 1..6 pass (G00 .. I54); the write of the year is refused.
    for (int i = 0; i < 6; ++i) server->injectFault(qvsim::Fault::None);
    server->injectFault(qvsim::Fault::Cng);
    ASSERT_EQ(setter.Start(Setup()), 0);
    setter.Run();
    EXPECT_TRUE(setter.failed());
    EXPECT_EQ(setter.failedStep(), 4);
    EXPECT_EQ(Value(1), "0");  // switched off again
    const std::vector<std::string> lines = server->receivedLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
              (std::vector<std::string>{"G00\r", "I01\r", "D0\r"}));
    EXPECT_EQ(Value(55), "0101");  // nothing after the failure
}

TEST_F(SerialClock, PortThatDoesNotOpenFailsAtOnce)
{
    ClockSetter::Setup s = Setup();
    s.portName = "/nonexistent/tty-clock";
    ASSERT_EQ(setter.Start(s), 0);
    setter.Run();
    EXPECT_TRUE(setter.failed());
    EXPECT_EQ(setter.failedStep(), 1);
    EXPECT_TRUE(server->receivedLines().empty());
}

TEST_F(SerialClock, ImpossibleDateDoesNotStart)
{
    ClockSetter::Setup s = Setup();
    s.time.day = 31;
    EXPECT_EQ(setter.Start(s), kMsgInvalidDate);
    EXPECT_FALSE(setter.running());
    EXPECT_FALSE(link.isOpen());
}

// ---- Bus ----

class BusClock : public ::testing::Test {
protected:
    void SetUp() override
    {
        vuken_sim_reset();
        vuken_sim_add_card(0x2A, 0);
        vuken_sim_set_item(0x2A, 0, 0, 1, "0");
    }
    ClockSetter::Setup Setup() const
    {
        ClockSetter::Setup s;
        s.link = OnlineLink::Bus;
        s.station = 0x2A;
        s.time = kTime;
        return s;
    }
    std::vector<VukenJournalEntry> Journal() const
    {
        std::vector<VukenJournalEntry> out;
        for (long i = 0; i < vuken_sim_journal_size(); ++i) {
            VukenJournalEntry e{};
            vuken_sim_journal_entry(i, &e);
            out.push_back(e);
        }
        return out;
    }
    ClockSetter setter{nullptr, BusApi::Vuken(), ClockTiming{}};
};

TEST_F(BusClock, JournalShowsTheClockWritesInOrder)
{
    ASSERT_EQ(setter.Start(Setup()), 0);
    setter.Run();
    EXPECT_FALSE(setter.failed());
    EXPECT_EQ(get_kilnbus_status(), VUKEN_STATUS_CLOSED);
    struct W {
        int item;
        std::string data;
    };
    const std::vector<W> expected{{0, "0"}, {1, "1"}, {54, "31"}, {55, "0203"}, {56, "0905"}, {57, "07"}, {1, "0"}};
    const auto journal = Journal();
    ASSERT_EQ(journal.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(journal[i].operation, VUKEN_OP_WRITE) << i;
        EXPECT_EQ(journal[i].address, 0x2A << 5) << i;
        EXPECT_EQ(journal[i].group, 0) << i;
        EXPECT_EQ(journal[i].item, expected[i].item) << i;
        EXPECT_EQ(journal[i].data, expected[i].data) << i;
        EXPECT_EQ(journal[i].result, 0) << i;
    }
}

TEST_F(BusClock, RejectedWriteIsAFailureAndWriteModeGoesOff)
{
    vuken_sim_fail_item(0x2A, 0, 0, 56, VUKEN_ERR_NO_ITEM);
    ASSERT_EQ(setter.Start(Setup()), 0);
    setter.Run();
    EXPECT_TRUE(setter.failed());
    EXPECT_EQ(setter.failedStep(), 6);
    const auto journal = Journal();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.back().item, 1);
    EXPECT_STREQ(journal.back().data, "0");
    char value[8] = {};
    vuken_sim_get_item(0x2A, 0, 0, 1, value, sizeof value);
    EXPECT_STREQ(value, "0");
    EXPECT_EQ(vuken_sim_get_item(0x2A, 0, 0, 57, value, sizeof value), -1);  // nothing after the failure
}

TEST_F(BusClock, BusNotReadyWritesNothing)
{
    vuken_sim_set_cycle_status(1);
    ASSERT_EQ(setter.Start(Setup()), 0);
    setter.Run();
    EXPECT_TRUE(setter.failed());
    EXPECT_EQ(setter.failedStep(), 2);
    EXPECT_EQ(vuken_sim_journal_size(), 0);
}

}  // namespace
}  // namespace kravin::online

#include "vuken_sim.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

int itemAddress(int station, int card) { return station << 5 | card; }
int cyclicAddress(int station, int card, int point, int sub)
{
    return station << 14 | card << 9 | point << 5 | sub;
}

class BusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        vuken_sim_reset();
        vuken_sim_add_card(1, 2);
    }

    int read(int op, int station, int card, int group, int item, std::string& value)
    {
        BusItemRequest r{group, item, nullptr};
        char* reply = nullptr;
        const int rc = rw_dcs_items(op, itemAddress(station, card), &r, &reply);
        if (rc == 0) value = reply;
        return rc;
    }

    int write(int station, int card, int group, int item, const char* value)
    {
        std::string text = value;
        BusItemRequest r{group, item, text.data()};
        return rw_dcs_items(VUKEN_OP_WRITE, itemAddress(station, card), &r, nullptr);
    }
};

TEST_F(BusTest, RequestsNeedAReadyBus)
{
    std::string v;
    EXPECT_EQ(get_kilnbus_status(), VUKEN_STATUS_CLOSED);
    EXPECT_NE(write(1, 2, 0, 1, "1"), 0);
    kilnbus_cycle();
    EXPECT_EQ(get_kilnbus_status(), VUKEN_STATUS_READY);
    EXPECT_EQ(write(1, 2, 0, 1, "1"), 0);
    kilnbus_close();
    EXPECT_NE(read(VUKEN_OP_READ, 1, 2, 0, 1, v), 0);

    vuken_sim_set_cycle_status(5);
    kilnbus_cycle();
    EXPECT_EQ(get_kilnbus_status(), 5);
    EXPECT_NE(read(VUKEN_OP_READ, 1, 2, 0, 1, v), 0);
}

TEST_F(BusTest, WrittenItemsReadBackWithBothReadOperations)
{
    kilnbus_cycle();
    ASSERT_EQ(write(1, 2, 12, 34, "12.5"), 0);
    std::string v;
    ASSERT_EQ(read(VUKEN_OP_READ, 1, 2, 12, 34, v), 0);
    EXPECT_EQ(v, "12.5");
    ASSERT_EQ(read(VUKEN_OP_MONITOR_READ, 1, 2, 12, 34, v), 0);
    EXPECT_EQ(v, "12.5");
    char buffer[8];
    ASSERT_EQ(vuken_sim_get_item(1, 2, 12, 34, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "12.5");
}

TEST_F(BusTest, JournalKeepsEveryItemRequestInOrder)
{
    std::string v;
    EXPECT_NE(write(1, 2, 0, 1, "1"), 0);  // bus not ready
    kilnbus_cycle();
    ASSERT_EQ(write(1, 2, 0, 54, "31"), 0);
    ASSERT_EQ(read(VUKEN_OP_MONITOR_READ, 1, 2, 0, 54, v), 0);
    EXPECT_EQ(read(VUKEN_OP_READ, 3, 4, 1, 2, v), VUKEN_ERR_NO_CARD);
    EXPECT_EQ(rw_dcs_items(VUKEN_OP_READ, itemAddress(1, 2), nullptr, nullptr), VUKEN_ERR_ARGUMENT);

    struct Expected {
        int operation, address, group, item;
        const char* data;
        int result;
    };
    const Expected expected[] = {
        {VUKEN_OP_WRITE, itemAddress(1, 2), 0, 1, "1", VUKEN_ERR_NOT_READY},
        {VUKEN_OP_WRITE, itemAddress(1, 2), 0, 54, "31", 0},
        {VUKEN_OP_MONITOR_READ, itemAddress(1, 2), 0, 54, "", 0},
        {VUKEN_OP_READ, itemAddress(3, 4), 1, 2, "", VUKEN_ERR_NO_CARD},
        {VUKEN_OP_READ, itemAddress(1, 2), -1, -1, "", VUKEN_ERR_ARGUMENT},
    };
    ASSERT_EQ(vuken_sim_journal_size(), 5);
    for (long i = 0; i < 5; ++i) {
        VukenJournalEntry e{};
        ASSERT_EQ(vuken_sim_journal_entry(i, &e), 0);
        const Expected& x = expected[i];
        EXPECT_EQ(e.operation, x.operation) << i;
        EXPECT_EQ(e.address, x.address) << i;
        EXPECT_EQ(e.group, x.group) << i;
        EXPECT_EQ(e.item, x.item) << i;
        EXPECT_STREQ(e.data, x.data) << i;
        EXPECT_EQ(e.result, x.result) << i;
    }
    VukenJournalEntry e{};
    EXPECT_EQ(vuken_sim_journal_entry(5, &e), -1);
    EXPECT_EQ(vuken_sim_journal_entry(-1, &e), -1);
    EXPECT_EQ(vuken_sim_journal_entry(0, nullptr), -1);
    vuken_sim_reset();
    EXPECT_EQ(vuken_sim_journal_size(), 0);
}

TEST_F(BusTest, AddressesReachTheLastStationAndCard)
{
    EXPECT_EQ(itemAddress(0x3F, 15), 2031);
    EXPECT_EQ(cyclicAddress(1, 2, 3, 1), 17505);
    vuken_sim_set_item(63, 15, 0, 52, "AB12");
    vuken_sim_set_analog(63, 15, 15, 1, -321);
    vuken_sim_set_digital(63, 15, 15, 0x00020001u);
    kilnbus_cycle();
    std::string v;
    ASSERT_EQ(read(VUKEN_OP_READ, 63, 15, 0, 52, v), 0);
    EXPECT_EQ(v, "AB12");
    EXPECT_EQ(get_ax_cycdata(cyclicAddress(63, 15, 15, 1)), -321);
    EXPECT_EQ(get_ax_cycdata(cyclicAddress(63, 15, 15, 0)), 0);
    EXPECT_EQ(get_dx_cycdata(cyclicAddress(63, 15, 15, 0), 32), 0x00020001u);
}

TEST_F(BusTest, FailuresAreNonZero)
{
    kilnbus_cycle();
    std::string v;
    char* reply = nullptr;
    BusItemRequest r{0, 1, nullptr};
    const struct {
        const char* what;
        int op, address;
        BusItemRequest* request;
        char** reply;
    } cases[] = {
        {"no card", VUKEN_OP_READ, itemAddress(5, 5), &r, &reply},
        {"card out of range", VUKEN_OP_READ, itemAddress(1, 16), &r, &reply},
        {"negative address", VUKEN_OP_READ, -1, &r, &reply},
        {"unknown operation", 0x99, itemAddress(1, 2), &r, &reply},
        {"no request", VUKEN_OP_READ, itemAddress(1, 2), nullptr, &reply},
        {"no reply pointer", VUKEN_OP_READ, itemAddress(1, 2), &r, nullptr},
        {"write without data", VUKEN_OP_WRITE, itemAddress(1, 2), &r, nullptr},
        {"item never set", VUKEN_OP_READ, itemAddress(1, 2), &r, &reply},
    };
    for (const auto& c : cases) EXPECT_NE(rw_dcs_items(c.op, c.address, c.request, c.reply), 0) << c.what;
    EXPECT_NE(read(VUKEN_OP_READ, 1, 2, 100, 0, v), 0);

    ASSERT_EQ(write(1, 2, 3, 4, "7"), 0);
    vuken_sim_fail_item(1, 2, 3, 4, 77);
    EXPECT_EQ(read(VUKEN_OP_READ, 1, 2, 3, 4, v), 77);
    EXPECT_EQ(write(1, 2, 3, 4, "8"), 77);
    vuken_sim_fail_item(1, 2, 3, 4, 0);
    ASSERT_EQ(read(VUKEN_OP_READ, 1, 2, 3, 4, v), 0);
    EXPECT_EQ(v, "7");
}

TEST_F(BusTest, ClearingTheMemoryKeepsGroupZero)
{
    kilnbus_cycle();
    write(1, 2, 0, 52, "ID01");
    write(1, 2, 7, 1, "123");
    ASSERT_EQ(write(1, 2, 0, 95, "1"), 0);
    std::string v;
    read(VUKEN_OP_READ, 1, 2, 7, 1, v);
    EXPECT_EQ(v, "0");
    read(VUKEN_OP_READ, 1, 2, 0, 52, v);
    EXPECT_EQ(v, "ID01");
}

// A reply stays valid for its thread until that thread's next call.
TEST_F(BusTest, RepliesBelongToTheCallingThread)
{
    vuken_sim_set_item(1, 2, 1, 1, "first");
    vuken_sim_set_item(1, 2, 1, 2, "second");
    kilnbus_cycle();
    BusItemRequest r{1, 1, nullptr};
    char* mine = nullptr;
    ASSERT_EQ(rw_dcs_items(VUKEN_OP_READ, itemAddress(1, 2), &r, &mine), 0);
    std::thread other([] {
        BusItemRequest r2{1, 2, nullptr};
        char* theirs = nullptr;
        for (int i = 0; i < 1000; ++i) rw_dcs_items(VUKEN_OP_READ, itemAddress(1, 2), &r2, &theirs);
    });
    other.join();
    EXPECT_STREQ(mine, "first");
}

std::atomic<int> g_fatalCalls{0};
std::string g_fatalText;
void onFatal(const char* message)
{
    g_fatalText = message;
    ++g_fatalCalls;
}

TEST_F(BusTest, FatalErrorsReachTheCallback)
{
    g_fatalCalls = 0;
    set_dcsfatalerr_callbk(onFatal);
    vuken_sim_raise_fatal("bus error 10049");
    EXPECT_EQ(g_fatalCalls, 1);
    EXPECT_EQ(g_fatalText, "bus error 10049");
    kilnbus_cycle();
    panic();
    EXPECT_EQ(g_fatalCalls, 2);
    EXPECT_EQ(get_kilnbus_status(), VUKEN_STATUS_CLOSED);
    set_dcsfatalerr_callbk(nullptr);
}

// A V8RTU station holds groups 0 and 1 once for its cards: any card's request reaches card
// 0's; the other groups stay each card's own, and other stations keep theirs per card.
TEST_F(BusTest, RtuStationCardsShareGroups0And1)
{
    for (int c = 0; c < 3; ++c) vuken_sim_add_card(5, c);
    ASSERT_EQ(vuken_sim_set_rtu_station(5), 0);
    EXPECT_EQ(vuken_sim_set_rtu_station(64), -1);
    kilnbus_cycle();
    ASSERT_EQ(write(5, 0, 1, 11, "7"), 0);
    ASSERT_EQ(write(5, 2, 0, 52, "3"), 0);
    ASSERT_EQ(write(5, 1, 11, 10, "31"), 0);
    std::string v;
    ASSERT_EQ(read(VUKEN_OP_READ, 5, 2, 1, 11, v), 0);
    EXPECT_EQ(v, "7");
    ASSERT_EQ(read(VUKEN_OP_READ, 5, 0, 0, 52, v), 0);
    EXPECT_EQ(v, "3");
    EXPECT_NE(read(VUKEN_OP_READ, 5, 2, 11, 10, v), 0);
    EXPECT_NE(read(VUKEN_OP_READ, 5, 3, 1, 11, v), 0) << "no card 3";
    char value[16];
    ASSERT_EQ(vuken_sim_get_item(5, 1, 1, 11, value, sizeof value), 0);
    EXPECT_STREQ(value, "7");

    ASSERT_EQ(write(1, 2, 1, 11, "8"), 0);
    vuken_sim_add_card(1, 3);
    EXPECT_NE(read(VUKEN_OP_READ, 1, 3, 1, 11, v), 0);

    kravin::test::TempDir dir;
    std::ofstream(dir / "bus.txt") << "card 6 0\ncard 6 1\nrtu 6\nitem 6 1 0 11 x\n";
    ASSERT_EQ(vuken_sim_load((dir / "bus.txt").c_str()), 0);
    ASSERT_EQ(vuken_sim_get_item(6, 0, 0, 11, value, sizeof value), 0);
    EXPECT_STREQ(value, "x");
}

// Clearing the memory of a V8RTU station's card empties that card's own groups; the shared
// groups 0 and 1 are its first card's, which a later card's clear leaves alone.
TEST_F(BusTest, ClearingAnRtuCardKeepsTheOtherCards)
{
    for (int c = 0; c < 3; ++c) vuken_sim_add_card(5, c);
    ASSERT_EQ(vuken_sim_set_rtu_station(5), 0);
    kilnbus_cycle();
    for (int c = 0; c < 3; ++c) ASSERT_EQ(write(5, c, 11 + c, 10, "31"), 0);
    ASSERT_EQ(write(5, 0, 1, 10, "01"), 0);
    const struct {
        int card, group;
        const char* after;
    } rows[] = {
        {1, 12, "0"},  // the cleared card's own
        {0, 11, "31"}, {2, 13, "31"}, {0, 1, "01"}, {2, 1, "01"},
    };
    ASSERT_EQ(write(5, 1, 0, 95, "1"), 0);
    for (const auto& r : rows) {
        std::string v;
        ASSERT_EQ(read(VUKEN_OP_READ, 5, r.card, r.group, 10, v), 0);
        EXPECT_EQ(v, r.after) << "card " << r.card << " group " << r.group;
    }
    ASSERT_EQ(write(5, 0, 0, 95, "1"), 0);
    std::string v;
    ASSERT_EQ(read(VUKEN_OP_READ, 5, 2, 1, 10, v), 0);
    EXPECT_EQ(v, "0") << "the first card's clear empties the shared group 1";
    ASSERT_EQ(read(VUKEN_OP_READ, 5, 2, 13, 10, v), 0);
    EXPECT_EQ(v, "31");
}

TEST(BusDescription, LoadsCardsItemsAndCyclicValues)
{
    vuken_sim_reset();
    kravin::test::TempDir dir;
    std::ofstream(dir / "bus.txt") << "# two cards\r\n"
                                      "card 4 0\n"
                                      "item 4 0 0 52 ST04\n"
                                      "item 4 1 10 3 -12.50 \r\n"
                                      "analog 4 1 2 0 0x7fff\n"
                                      "digital 4 1 2 65537\n"
                                      "status 2\n";
    ASSERT_EQ(vuken_sim_load((dir / "bus.txt").c_str()), 0);
    kilnbus_cycle();
    char value[16];
    ASSERT_EQ(vuken_sim_get_item(4, 1, 10, 3, value, sizeof value), 0);
    EXPECT_STREQ(value, "-12.50");
    EXPECT_EQ(get_ax_cycdata(cyclicAddress(4, 1, 2, 0)), 0x7fff);
    EXPECT_EQ(get_dx_cycdata(cyclicAddress(4, 1, 2, 0), 32), 65537u);

    std::ofstream(dir / "bad.txt") << "card 1 1\nitem 1 1 0 200 x\n";
    EXPECT_EQ(vuken_sim_load((dir / "bad.txt").c_str()), 2);
    std::ofstream(dir / "bad2.txt") << "card 64 0\n";
    EXPECT_EQ(vuken_sim_load((dir / "bad2.txt").c_str()), 1);
    EXPECT_EQ(vuken_sim_load((dir / "missing.txt").c_str()), -1);
}

// The environment names a bus read before the first call: checked in a fresh run of this
// program that runs only the probe below.
TEST(BusDescription, EnvironmentNamesTheBus)
{
    kravin::test::TempDir dir;
    std::ofstream(dir / "bus.txt") << "item 9 3 5 6 4711\n";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("KRAVIN_BUS_SIM", (dir / "bus.txt").c_str(), 1);
        execl("/proc/self/exe", "vuken_test", "--gtest_filter=BusDescription.DISABLED_EnvironmentProbe",
              "--gtest_also_run_disabled_tests", nullptr);
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Run only in the child above.
TEST(BusDescription, DISABLED_EnvironmentProbe)
{
    kilnbus_cycle();
    BusItemRequest r{5, 6, nullptr};
    char* reply = nullptr;
    ASSERT_EQ(rw_dcs_items(VUKEN_OP_READ, 9 << 5 | 3, &r, &reply), 0);
    EXPECT_STREQ(reply, "4711");
}

}  // namespace

// The HT-9 unit driven through its exchanger against the controller simulator and the
// simulated bus.
#include "ht9_exchanger.h"

#include "pty_server.h"
#include "serial_link.h"
#include "vuken_sim.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kravin::online::ht9 {
namespace {

using namespace std::chrono_literals;

// Runs every request of a key through the exchanger (pauses skipped).
void drive(Ht9Unit& unit, Ht9Exchanger& exchanger, std::optional<Ht9Request> r)
{
    while (r) r = unit.Complete(r->kind == Ht9Request::Kind::Pause ? Ht9Reply{true, {}} : exchanger.Perform(*r));
}

void keys(Ht9Unit& unit, Ht9Exchanger& exchanger, std::initializer_list<int> ids)
{
    for (int id : ids) drive(unit, exchanger, unit.Press(id));
}

void digits(Ht9Unit& unit, Ht9Exchanger& exchanger, const std::string& text)
{
    for (char c : text) keys(unit, exchanger, {key::Digit0 + (c - '0')});
}

// The simulator's default card with two values of its own.
qvsim::SimCard ht9Card()
{
    qvsim::SimCard card = qvsim::DefaultCard();
    card.bank0[1][11] = "100.0";
    card.bank0[2][11] = "50.00";
    return card;
}

class SerialHt9 : public ::testing::Test {
protected:
    void SetUp() override
    {
        server = std::make_unique<qvsim::PtyServer>(std::vector<qvsim::SimCard>{ht9Card()});
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
        SerialLinkSettings s;
        s.replyTimeout = 1000ms;
        s.programmingUnitId = "0001";
        link.setSettings(s);
    }
    std::string value(int group, int item)
    {
        std::string v;
        server->withController([&](qvsim::Controller& c) { v = c.value(0, 0, group, item).value_or("?"); });
        return v;
    }

    std::unique_ptr<qvsim::PtyServer> server;
    SerialLink link;
};

TEST_F(SerialHt9, KeysReadAndWriteAnItem)
{
    for (int kind : {1, 5}) {  // both 9600 kinds
        ASSERT_EQ(link.OpenComPort(PortKindBaudIndex(kind), server->devicePath()), 0);
        Ht9Unit unit(Ht9Mode::Serial, kind);
        Ht9Exchanger exchanger(&link, {}, {});
        keys(unit, exchanger, {key::Group});
        digits(unit, exchanger, "01");
        EXPECT_EQ(unit.typeText(), "OK");
        keys(unit, exchanger, {key::Item});
        digits(unit, exchanger, "11");
        EXPECT_EQ(unit.dataLine(), "D          100.0");
        keys(unit, exchanger, {key::Data});
        digits(unit, exchanger, "42");
        keys(unit, exchanger, {key::Enter});
        EXPECT_EQ(value(1, 11), "42");
        EXPECT_EQ(unit.dataLine(), "D             42");
        // UP and DOWN in data entry show the value and leave it as it is.
        keys(unit, exchanger, {key::Data, key::Up});
        EXPECT_EQ(unit.dataLine(), "D             42");
        keys(unit, exchanger, {key::Down});
        EXPECT_EQ(value(1, 11), "42");
        link.CloseComPort();
        server->withController([](qvsim::Controller& c) { c.setValue(0, 0, 1, 11, "100.0"); });
    }
}

TEST_F(SerialHt9, FramedKindTalksToTheProgrammingUnitAddress)
{
    std::vector<qvsim::SimCard> cards{ht9Card()};
    cards[0].baudIndex = 0;  // the framed kind 6 opens at 1200
    server = std::make_unique<qvsim::PtyServer>(cards);
    std::string error;
    ASSERT_TRUE(server->start(error)) << error;
    ASSERT_EQ(link.OpenComPort(PortKindBaudIndex(6), server->devicePath()), 0);
    EXPECT_EQ(link.baudRate(), 1200);
    Ht9Unit unit(Ht9Mode::Serial, 6);
    Ht9Exchanger exchanger(&link, {}, {});
    keys(unit, exchanger, {key::Group});
    digits(unit, exchanger, "02");
    keys(unit, exchanger, {key::Item});
    digits(unit, exchanger, "11");
    EXPECT_EQ(unit.dataLine(), "D          50.00");
    ASSERT_FALSE(server->receivedLines().empty());
    EXPECT_EQ(server->receivedLines().back()[0], '\x02');
}

TEST_F(SerialHt9, NoReplyLeavesTheDisplay)
{
    ASSERT_EQ(link.OpenComPort(1, server->devicePath()), 0);
    server->setStandingFault(qvsim::Fault::NoReply);
    Ht9Unit unit(Ht9Mode::Serial, 1);
    Ht9Exchanger exchanger(&link, {}, {});
    keys(unit, exchanger, {key::Group});
    digits(unit, exchanger, "01");
    keys(unit, exchanger, {key::Item});
    digits(unit, exchanger, "11");
    EXPECT_EQ(unit.dataLine(), "D" + std::string(15, ' '));
    EXPECT_EQ(unit.mode(), 22);
}

class BusHt9 : public ::testing::Test {
protected:
    void SetUp() override
    {
        vuken_sim_reset();
        vuken_sim_add_card(5, 0);
        vuken_sim_set_item(5, 0, 1, 11, "12.5");
        vuken_sim_set_item(5, 0, 0, 1, "0");
        kilnbus_cycle();
    }
    void TearDown() override { vuken_sim_reset(); }
    std::vector<VukenJournalEntry> journal()
    {
        std::vector<VukenJournalEntry> out;
        for (long i = 0; i < vuken_sim_journal_size(); ++i) {
            VukenJournalEntry e{};
            vuken_sim_journal_entry(i, &e);
            out.push_back(e);
        }
        return out;
    }
    std::string item(int station, int card, int group, int i)
    {
        char buffer[32] = {};
        if (vuken_sim_get_item(station, card, group, i, buffer, sizeof buffer) < 0) return "?";
        return buffer;
    }
};

TEST_F(BusHt9, WriteModeAroundAWriteAndBackToReadingOnLeaving)
{
    Ht9Unit unit(Ht9Mode::Bus, 0);
    Ht9Exchanger exchanger(nullptr, BusApi::Vuken(), {5, 1, "QV200   "});
    EXPECT_EQ(exchanger.Address(), 5 << 5);
    keys(unit, exchanger, {key::Group});
    digits(unit, exchanger, "01");
    keys(unit, exchanger, {key::Item});
    digits(unit, exchanger, "11");
    EXPECT_EQ(unit.dataLine(), "D           12.5");
    keys(unit, exchanger, {key::Write});
    EXPECT_TRUE(unit.writeMode());
    EXPECT_EQ(item(5, 0, 0, 1), "1");
    keys(unit, exchanger, {key::Data});
    digits(unit, exchanger, "42");
    keys(unit, exchanger, {key::Enter});
    EXPECT_EQ(item(5, 0, 1, 11), "42");
    keys(unit, exchanger, {key::Read});
    EXPECT_FALSE(unit.writeMode());
    EXPECT_EQ(item(5, 0, 0, 1), "0");
    keys(unit, exchanger, {key::Write});
    EXPECT_EQ(item(5, 0, 0, 1), "1");
    // Closing in write mode puts the unit back to reading.
    EXPECT_TRUE(exchanger.LeaveBus());
    EXPECT_EQ(item(5, 0, 0, 1), "0");
    EXPECT_EQ(get_kilnbus_status(), VUKEN_STATUS_CLOSED);
    for (const VukenJournalEntry& e : journal()) EXPECT_EQ(e.address, 5 << 5) << e.group << "." << e.item;
}

TEST_F(BusHt9, StationUnitAddressAndRemoteStationGuards)
{
    vuken_sim_add_card(7, 0);
    vuken_sim_set_item(7, 0, 0, 0, "1");
    // A station unit (card 0) is addressed at station << 5.
    Ht9Exchanger station(nullptr, BusApi::Vuken(), {7, 0, "V8RTU   "});
    EXPECT_EQ(station.Address(), 7 << 5);
    Ht9Request read;
    read.kind = Ht9Request::Kind::BusRead;
    read.group = 0;
    read.item = 0;
    EXPECT_FALSE(station.Perform(read).ok);  // the selector is not the user's on a V8RTU
    Ht9Request mode;
    mode.kind = Ht9Request::Kind::BusWrite;
    mode.group = 0;
    mode.item = 1;
    mode.bytes = "1\r";
    mode.writeMode = true;
    EXPECT_FALSE(station.Perform(mode).ok);
    mode.writeMode = false;
    EXPECT_TRUE(station.Perform(mode).ok);
    // A bus that is not ready fails every request.
    kilnbus_close();
    read.item = 1;
    EXPECT_FALSE(station.Perform(read).ok);
}

}  // namespace
}  // namespace kravin::online::ht9

// Sessions of the serial link against the controller simulator over a real pseudo-terminal.
#include "serial_link.h"

#include "pty_server.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace kravin::online;
using namespace std::chrono_literals;
using qvsim::Fault;

namespace {

constexpr auto kGenerous = 10s;     // never reached when the simulator answers
constexpr auto kShort = 300ms;      // for replies that never come

qvsim::SimCard makeCard(const std::string& id, const std::string& selector, const std::string& block)
{
    qvsim::SimCard card;
    card.model = "QV200";
    card.baudIndex = 1;
    card.selector = selector;
    card.bank0[0] = {{0, "0"}, {1, "0"}, {52, id}, {96, "16"}, {99, "1.00"}};
    card.bank0[1] = {{10, block}, {11, "100.0"}};
    return card;
}

// Polls a condition with a bound; true when it came true.
template <class F>
bool eventually(F condition)
{
    const auto deadline = std::chrono::steady_clock::now() + kGenerous;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

class SerialLinkSession : public ::testing::Test {
protected:
    void SetUp() override { startServer({makeCard("0012", "0", "01")}); }
    void TearDown() override
    {
        link.CloseComPort();
        if (server) server->stop();
    }

    void startServer(std::vector<qvsim::SimCard> cards)
    {
        if (server) server->stop();
        server = std::make_unique<qvsim::PtyServer>(std::move(cards));
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
        setTimeout(kGenerous);
    }

    void setTimeout(std::chrono::milliseconds t)
    {
        SerialLinkSettings s;
        s.replyTimeout = t;
        s.programmingUnitId = "PU01";
        link.setSettings(s);
    }

    void open(int baudIndex = 1) { ASSERT_EQ(link.OpenComPort(baudIndex, server->devicePath()), 0) << link.lastError(); }

    // Plain exchange: the reply line, or "<timeout>".
    std::string plain(const std::string& command, int maxLength)
    {
        EXPECT_TRUE(link.ComWrite(command.data(), static_cast<int>(command.size()))) << link.lastError();
        return read(maxLength);
    }

    std::string read(int maxLength)
    {
        std::vector<char> buffer(static_cast<std::size_t>(maxLength));
        int n = link.ComReadLine(buffer.data(), maxLength);
        if (n < 0) return "<timeout>";
        return {buffer.data(), static_cast<std::size_t>(n)};
    }

    // Framed exchange: the reply text with its CR, "<timeout>" or "<invalid>".
    std::string framed(const std::string& command, int length, int useUnitId = 1)
    {
        EXPECT_TRUE(link.SendPuFrame(command.data(), static_cast<int>(command.size()), useUnitId)) << link.lastError();
        std::vector<char> payload(static_cast<std::size_t>(length));
        int n = link.ReceivePuFrame(payload.data(), length);
        if (n < 0) return "<timeout>";
        if (n == 0) return "<invalid>";
        return {payload.data(), std::min(static_cast<std::size_t>(n), payload.size())};
    }

    std::string unitId = "0012";
    SerialLink link{SerialLinkSettings{}, [this] { return unitId; }};
    std::unique_ptr<qvsim::PtyServer> server;
};

TEST_F(SerialLinkSession, PlainGroupItemAndDataCommands)
{
    open();
    EXPECT_EQ(plain("G01\r", 4), "COK\r");
    EXPECT_EQ(plain("I11\r", 21), "D100.0\r");
    EXPECT_EQ(plain("D55.5\r", 21), "D55.5\r");
    EXPECT_EQ(plain("I11\r", 21), "D55.5\r");
    EXPECT_EQ(plain("I42\r", 21), "CNG\r");  // no such item
    EXPECT_EQ(plain("G05\r", 4), "CNG\r");   // no such group
    server->withController([](qvsim::Controller& c) { EXPECT_EQ(c.value(0, 0, 1, 11), "55.5"); });
}

TEST_F(SerialLinkSession, FramedCommandsAndReplies)
{
    open();
    EXPECT_EQ(framed("G01\r", 4), "COK\r");
    EXPECT_EQ(framed("I11\r", 21), "D100.0\r");
    EXPECT_EQ(framed("D7\r", 21), "D7\r");
    server->withController([](qvsim::Controller& c) { EXPECT_EQ(c.value(0, 0, 1, 11), "7"); });
}

TEST_F(SerialLinkSession, ClockAndCardTypeSessionsInBothForms)
{
    struct Step {
        std::string command;
        int maxLength;
        std::string reply;
    };
    // Clock setting of 2031-12-24 09:05:07, then the card type and ROM version reads.
    const std::vector<Step> script = {
        {"G00\r", 4, "COK\r"},    {"I00\r", 32, "D0\r"},        {"D0\r", 32, "D0\r"},
        {"I01\r", 32, "D0\r"},    {"D1\r", 32, "D1\r"},         {"I54\r", 32, "D26\r"},
        {"D31\r", 32, "D31\r"},   {"I55\r", 32, "D0101\r"},     {"D1224\r", 32, "D1224\r"},
        {"I56\r", 32, "D0000\r"}, {"D0905\r", 32, "D0905\r"},   {"I57\r", 32, "D00\r"},
        {"D07\r", 32, "D07\r"},   {"I01\r", 32, "D1\r"},        {"D0\r", 32, "D0\r"},
        {"I96\r", 32, "D16\r"},   {"I99\r", 32, "D1.00\r"},
    };
    for (bool useFrames : {false, true}) {
        SCOPED_TRACE(useFrames ? "framed" : "plain");
        auto card = makeCard("0012", "0", "01");
        card.bank0[0].insert({{54, "26"}, {55, "0101"}, {56, "0000"}, {57, "00"}});
        startServer({card});
        open();
        for (const auto& step : script) {
            SCOPED_TRACE(step.command);
            EXPECT_EQ(useFrames ? framed(step.command, step.maxLength) : plain(step.command, step.maxLength), step.reply);
        }
        server->withController([](qvsim::Controller& c) {
            EXPECT_EQ(c.value(0, 0, 0, 54), "31");
            EXPECT_EQ(c.value(0, 0, 0, 55), "1224");
            EXPECT_EQ(c.value(0, 0, 0, 56), "0905");
            EXPECT_EQ(c.value(0, 0, 0, 57), "07");
            EXPECT_EQ(c.value(0, 0, 0, 1), "0");
        });
        link.CloseComPort();
    }
}

TEST_F(SerialLinkSession, FrameOnTheWireCarriesTheUnitId)
{
    open();
    EXPECT_EQ(framed("I05\r", 21), "CNG\r");  // no group selected yet
    ASSERT_TRUE(server->waitForHandled(1, kGenerous));
    const auto lines = server->receivedLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "\x02" "0012I05" "71\r");
}

TEST_F(SerialLinkSession, FramedCommandsToTheProgrammingUnitId)
{
    server->setExtraAddresses({"PU01"});
    open();
    EXPECT_EQ(framed("G01\r", 4, 0), "COK\r");
    ASSERT_TRUE(server->waitForHandled(1, kGenerous));
    EXPECT_EQ(server->receivedLines()[0].substr(1, 4), "PU01");
}

TEST_F(SerialLinkSession, FrameForAnotherUnitIsNotAnswered)
{
    unitId = "0099";
    open();
    setTimeout(kShort);
    EXPECT_EQ(framed("G01\r", 4), "<timeout>");
}

TEST_F(SerialLinkSession, ReceivedFrameFillsExactlyTheGivenLength)
{
    open();
    ASSERT_TRUE(link.SendPuFrame("G01\r", 4, 1));
    std::vector<char> payload(32, 'x');
    EXPECT_EQ(link.ReceivePuFrame(payload.data(), 21), 4);
    EXPECT_EQ(std::string(payload.data(), 4), "COK\r");
    for (int i = 4; i < 21; ++i) EXPECT_EQ(payload[static_cast<std::size_t>(i)], '\0') << i;
    EXPECT_EQ(payload[21], 'x');
}

struct FaultCase {
    const char* name;
    Fault fault;
    bool framed;
    std::string outcome;  // the reply, "<timeout>", "<invalid>" or "<not COK>"
    FrameStatus status = FrameStatus::Ok;
};

TEST_F(SerialLinkSession, InjectedFaultsGiveTheLinkOutcome)
{
    const std::vector<FaultCase> cases = {
        {"no reply, plain", Fault::NoReply, false, "<timeout>"},
        {"no reply, framed", Fault::NoReply, true, "<timeout>"},
        {"CNG, plain", Fault::Cng, false, "CNG\r"},
        {"CNG, framed", Fault::Cng, true, "CNG\r"},
        {"bad checksum", Fault::BadChecksum, true, "<invalid>", FrameStatus::ChecksumMismatch},
        {"wrong address", Fault::WrongAddress, true, "<invalid>", FrameStatus::WrongAddress},
        {"split, plain", Fault::Split, false, "COK\r"},
        {"split, framed", Fault::Split, true, "COK\r"},
        {"noise, plain", Fault::Noise, false, "<not COK>"},
        {"noise, framed", Fault::Noise, true, "<invalid>", FrameStatus::NoStx},
        {"slow, plain", Fault::Slow, false, "COK\r"},
        {"slow, framed", Fault::Slow, true, "COK\r"},
        {"wrong baud, plain", Fault::WrongBaud, false, "<not COK>"},
        {"wrong baud, framed", Fault::WrongBaud, true, "<invalid>", FrameStatus::NoStx},
    };
    qvsim::FaultSettings settings;
    settings.slowDelay = 400ms;
    settings.splitPause = 400ms;
    server->setFaultSettings(settings);
    open();
    std::size_t handled = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setTimeout(c.outcome == "<timeout>" ? kShort : kGenerous);
        server->injectFault(c.fault);
        std::string reply = c.framed ? framed("G01\r", 4) : plain("G01\r", 4);
        if (c.outcome == "<not COK>") {
            EXPECT_NE(reply.substr(0, 3), "COK");
        } else {
            EXPECT_EQ(reply, c.outcome);
        }
        if (c.outcome == "<invalid>") {
            EXPECT_EQ(link.lastFrameStatus(), c.status);
        }
        // The next exchange is clean again.
        ASSERT_TRUE(server->waitForHandled(++handled, kGenerous));
        setTimeout(kGenerous);
        EXPECT_EQ(c.framed ? framed("G01\r", 4) : plain("G01\r", 4), "COK\r");
        ASSERT_TRUE(server->waitForHandled(++handled, kGenerous));
    }
}

TEST_F(SerialLinkSession, LateReplyIsDroppedBeforeTheNextCommand)
{
    open();
    setTimeout(200ms);  // milliseconds count, not whole seconds
    server->holdReplies();
    EXPECT_EQ(plain("G01\r", 4), "<timeout>");
    server->releaseReplies();
    ASSERT_TRUE(server->waitForHandled(1, kGenerous));
    ASSERT_TRUE(eventually([&] { return link.pendingInput() >= 4; }));
    setTimeout(kGenerous);
    EXPECT_EQ(plain("I11\r", 21), "D100.0\r");
}

TEST_F(SerialLinkSession, ReplyArrivingAfterTheNextCommandWasSentIsNotItsAnswer)
{
    // The late reply comes after the time-out, when the next command has been sent.
    qvsim::FaultSettings settings;
    settings.slowDelay = 400ms;
    server->setFaultSettings(settings);
    for (bool useFrames : {false, true}) {
        SCOPED_TRACE(useFrames ? "framed" : "plain");
        open();
        auto exchange = [&](const std::string& command, int length) {
            return useFrames ? framed(command, length) : plain(command, length);
        };
        EXPECT_EQ(exchange("G01\r", 4), "COK\r");
        server->injectFault(Fault::Slow);
        setTimeout(150ms);
        EXPECT_EQ(exchange("I11\r", 21), "<timeout>");
        setTimeout(kGenerous);
        EXPECT_EQ(exchange("I10\r", 21), "D01\r") << "item 11's late reply taken for item 10";
        EXPECT_EQ(exchange("I11\r", 21), "D100.0\r");
        link.CloseComPort();
    }
}

TEST_F(SerialLinkSession, LateReplyIsNeverTakenForAnotherCommandWhateverItsDelay)
{
    // A slow device's reply delays and the link's time-outs, in tenths: the reply comes
    // before, during or long after the next command, and the time-out stays as it is.
    // One late reply, several in a row, or every reply late (the device stays slow).
    constexpr int kEvery = -1;
    struct Case {
        std::chrono::milliseconds delay;
        std::chrono::milliseconds timeout;
        int lateReplies;
    };
    const Case cases[] = {{210ms, 100ms, 1},      {250ms, 100ms, 1},      {550ms, 100ms, 1},
                          {210ms, 300ms, 1},      {250ms, 300ms, 1},      {550ms, 300ms, 1},
                          {210ms, 100ms, 3},      {290ms, 100ms, 3},      {550ms, 300ms, 3},
                          {210ms, 100ms, kEvery}, {290ms, 100ms, kEvery}, {550ms, 250ms, kEvery}};
    // Four tries of one command, as the transfers repeat it, pile up in a slow device.
    const std::pair<std::string, std::string> steps[] = {
        {"I11\r", "D100.0\r"}, {"I10\r", "D01\r"},     {"I11\r", "D100.0\r"}, {"I11\r", "D100.0\r"},
        {"I11\r", "D100.0\r"}, {"I11\r", "D100.0\r"}, {"G01\r", "COK\r"},     {"I10\r", "D01\r"}};
    for (bool useFrames : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(useFrames ? "framed" : "plain") + ", delay " + std::to_string(c.delay.count()) +
                         " ms, time-out " + std::to_string(c.timeout.count()) + " ms, late replies " +
                         std::to_string(c.lateReplies));
            auto exchange = [&](const std::string& command, int length) {
                return useFrames ? framed(command, length) : plain(command, length);
            };
            qvsim::FaultSettings faults;
            faults.slowDelay = c.delay;
            server->setFaultSettings(faults);
            setTimeout(c.timeout);
            open();
            ASSERT_EQ(exchange("G01\r", 4), "COK\r");
            if (c.lateReplies == kEvery) {
                server->setStandingFault(Fault::Slow);
            } else {
                server->injectFault(Fault::Slow, c.lateReplies);
            }
            std::string previous;
            for (const auto& [command, answer] : steps) {
                const std::string reply = exchange(command, command[0] == 'G' ? 4 : 21);
                if (reply != "<timeout>") {
                    EXPECT_EQ(reply, answer) << "another command's reply taken for " << command.substr(0, 3);
                    // Only a repeat can be answered in time, by its first try's late reply.
                    EXPECT_FALSE(c.lateReplies == kEvery && c.delay > c.timeout && command != previous)
                        << "a device that stays slow answered " << command.substr(0, 3) << " in time";
                }
                previous = command;
            }
            // Once the device answers in time again, a repeat or two finds the link in step.
            server->setStandingFault(Fault::None);
            std::string last;
            for (int i = 0; i < 4 && (last = exchange("I10\r", 21)) == "<timeout>"; ++i) {
            }
            EXPECT_EQ(last, "D01\r") << "the link is not back in step with the device";
            link.CloseComPort();
        }
    }
}

TEST_F(SerialLinkSession, WholeBacklogIsDrainedBeforeAWrite)
{
    open();
    EXPECT_EQ(plain("G01\r", 4), "COK\r");
    const std::string backlog = std::string(1000, 'N') + "COK\rD9\r";
    ASSERT_TRUE(server->sendUnsolicited(backlog));
    ASSERT_TRUE(eventually([&] { return link.pendingInput() >= static_cast<int>(backlog.size()); }));
    EXPECT_EQ(plain("I11\r", 21), "D100.0\r");
}

TEST_F(SerialLinkSession, CrInsideAChunkEndsTheLineAndTheRestIsKept)
{
    open();
    ASSERT_TRUE(server->sendUnsolicited("COK\rD12\rD"));
    EXPECT_EQ(read(4), "COK\r");
    EXPECT_EQ(read(21), "D12\r");
    setTimeout(kShort);
    EXPECT_EQ(read(21), "<timeout>");  // "D" alone is no line
}

TEST_F(SerialLinkSession, ReadStopsAtTheMaximumLength)
{
    open();
    EXPECT_EQ(plain("G01\r", 4), "COK\r");
    EXPECT_EQ(plain("I11\r", 4), "D100");
    EXPECT_EQ(read(21), ".0\r");
}

TEST_F(SerialLinkSession, CardKindAtAnotherBaudRateAnswersGarbage)
{
    auto card = makeCard("0012", "0", "01");
    card.baudIndex = 2;
    startServer({card});
    open(1);
    std::string reply = plain("G01\r", 4);
    EXPECT_NE(reply.substr(0, 3), "COK");
    open(2);
    EXPECT_EQ(plain("G01\r", 4), "COK\r");
}

TEST_F(SerialLinkSession, BaudIndexTable)
{
    const std::vector<std::pair<int, int>> table = {{-1, 1200}, {0, 1200}, {1, 9600}, {2, 57600}, {3, 1200}};
    for (auto [index, rate] : table) {
        SCOPED_TRACE(index);
        open(index);
        EXPECT_EQ(link.baudRate(), rate);
        EXPECT_EQ(server->lineBaudRate(), rate);
    }
}

TEST_F(SerialLinkSession, SelectorSwitchesBetweenCards)
{
    startServer({makeCard("0012", "0", "01"), makeCard("0013", "1", "21")});
    open();
    EXPECT_EQ(plain("G01\r", 4), "COK\r");
    EXPECT_EQ(plain("I10\r", 21), "D01\r");
    EXPECT_EQ(plain("G00\r", 4), "COK\r");
    EXPECT_EQ(plain("I00\r", 21), "D0\r");
    EXPECT_EQ(plain("D1\r", 21), "D1\r");
    EXPECT_EQ(plain("G01\r", 4), "COK\r");
    EXPECT_EQ(plain("I10\r", 21), "D21\r");
    unitId = "0012";  // a framed command picks its card by address
    EXPECT_EQ(framed("G01\r", 4), "COK\r");
    EXPECT_EQ(framed("I10\r", 21), "D01\r");
}

TEST_F(SerialLinkSession, PortCanBeClosedAndReopened)
{
    open();
    EXPECT_EQ(plain("G01\r", 4), "COK\r");
    EXPECT_EQ(link.CloseComPort(), 0);
    EXPECT_EQ(link.CloseComPort(), 0);
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(link.ComWrite("G01\r", 4));
    char buffer[4];
    EXPECT_EQ(link.ComReadLine(buffer, 4), -1);
    open();
    EXPECT_EQ(plain("G01\r", 4), "COK\r");
}

TEST_F(SerialLinkSession, PortIsNotShared)
{
    open();
    SerialLink other;
    EXPECT_EQ(other.OpenComPort(1, server->devicePath()), -1);
    EXPECT_FALSE(other.lastError().empty());
    link.CloseComPort();
    EXPECT_EQ(other.OpenComPort(1, server->devicePath()), 0) << other.lastError();
}

TEST_F(SerialLinkSession, CommandTooLongForAFrameIsRefused)
{
    open();
    const std::string command = std::string(kMaxFramedCommand, 'D') + "\r";
    EXPECT_FALSE(link.SendPuFrame(command.data(), static_cast<int>(command.size()), 1));
    EXPECT_FALSE(link.lastError().empty());
    EXPECT_FALSE(link.SendPuFrame("G01", 3, 1));  // no final CR
}

TEST(SerialLinkOpen, FailuresAreReported)
{
    kravin::test::TempDir dir;
    const std::string file = dir / "not-a-tty";
    std::ofstream(file) << "x";
    const std::vector<std::string> names = {"", "/nonexistent/ttyQV0", file, dir.str()};
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        SerialLink link;
        EXPECT_EQ(link.OpenComPort(1, name), -1);
        EXPECT_FALSE(link.isOpen());
        EXPECT_FALSE(link.lastError().empty());
    }
}

TEST(SerialLinkSettingsTest, ReplyTimeOutFromTheProfile)
{
    EXPECT_EQ(SerialLinkSettings::fromProfile(3, "PU01").replyTimeout, 3000ms);
    EXPECT_EQ(SerialLinkSettings::fromProfile(0, "").replyTimeout, 10000ms);
    EXPECT_EQ(SerialLinkSettings::fromProfile(-5, "").replyTimeout, 10000ms);
    EXPECT_EQ(SerialLinkSettings::fromProfile(3, "PU01").programmingUnitId, "PU01");
}

}  // namespace

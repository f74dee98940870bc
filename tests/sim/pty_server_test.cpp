#include "pty_server.h"

#include "serial_link.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

using namespace std::chrono_literals;
using qvsim::Fault;

namespace {

class PtyServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(server.start(error)) << error;
        kravin::online::SerialLinkSettings s;
        s.replyTimeout = 300ms;  // only reached where no reply comes
        link.setSettings(s);
        ASSERT_EQ(link.OpenComPort(1, server.devicePath()), 0) << link.lastError();
    }

    std::string exchange(const std::string& command)
    {
        EXPECT_TRUE(link.ComWrite(command.data(), static_cast<int>(command.size())));
        char reply[32];
        int n = link.ComReadLine(reply, 32);
        return n < 0 ? "<none>" : std::string(reply, static_cast<std::size_t>(n));
    }

    qvsim::PtyServer server{{qvsim::DefaultCard()}};
    kravin::online::SerialLink link;
};

TEST_F(PtyServerTest, QueuedFaultsComeBeforeTheStandingOne)
{
    server.injectFault(Fault::Cng);
    server.injectFault(Fault::NoReply);
    server.setStandingFault(Fault::Cng);
    EXPECT_EQ(exchange("G01\r"), "CNG\r");
    EXPECT_EQ(exchange("G01\r"), "<none>");
    EXPECT_EQ(exchange("G01\r"), "CNG\r");
    server.setStandingFault(Fault::None);
    ASSERT_TRUE(server.waitForHandled(3, 10s));
    EXPECT_EQ(exchange("G01\r"), "COK\r");
    const auto lines = server.receivedLines();
    ASSERT_EQ(lines.size(), 4u);
    for (const auto& line : lines) EXPECT_EQ(line, "G01\r");
}

TEST_F(PtyServerTest, SeesTheRateTheClientSets)
{
    EXPECT_EQ(server.lineBaudRate(), 9600);
    ASSERT_EQ(link.OpenComPort(2, server.devicePath()), 0);
    EXPECT_EQ(server.lineBaudRate(), 57600);
}

TEST_F(PtyServerTest, StopEndsAHeldReply)
{
    server.holdReplies();
    ASSERT_TRUE(link.ComWrite("G01\r", 4));
    char reply[4];
    EXPECT_EQ(link.ComReadLine(reply, 4), -1);
    server.stop();  // returns although the reply is still held
    EXPECT_EQ(server.handledCount(), 0u);
}

TEST(PtyServerFaults, NamesRoundTrip)
{
    for (Fault f : {Fault::None, Fault::NoReply, Fault::Cng, Fault::BadChecksum, Fault::WrongAddress, Fault::Split,
                    Fault::Noise, Fault::Slow, Fault::WrongBaud}) {
        Fault back = Fault::None;
        ASSERT_TRUE(qvsim::ParseFault(qvsim::FaultName(f), back)) << qvsim::FaultName(f);
        EXPECT_EQ(back, f);
    }
    Fault unused;
    EXPECT_FALSE(qvsim::ParseFault("sparks", unused));
}

}  // namespace

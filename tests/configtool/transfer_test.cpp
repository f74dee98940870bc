#include "fake_line.h"
#include "transfer.h"

#include <gtest/gtest.h>

#include <string>

namespace qvcfg::test {
namespace {

using B = std::vector<std::uint8_t>;

B Ascii(const std::string& s) { return B(s.begin(), s.end()); }

class TransferTest : public ::testing::Test {
protected:
    TransferTest()
    {
        auto owned = std::make_unique<FakeLine>();
        line = owned.get();
        transfer = std::make_unique<CTransfer>(std::move(owned), FastTiming());
        EXPECT_TRUE(transfer->Open("/dev/fake", 57600));
    }

    // The controller's side of a Request: ACK to the command block, then one queued
    // answer for each single byte the host writes (ENQ, ACK or NAK), none for EOT.
    void Script(std::vector<B> answers)
    {
        queue = std::move(answers);
        line->responder = [this](const B& w) -> B {
            if (w.size() > 1) return {kAck};
            if (w[0] == kEot || next >= queue.size()) return {};
            return queue[next++];
        };
    }

    // Data blocks the host wrote (those numbered above 0, or all when the command was skipped).
    std::vector<B> BlocksWritten() const
    {
        std::vector<B> out;
        for (const auto& w : line->writes)
            if (w.size() >= 9 && w[0] == kStx) out.push_back(w);
        return out;
    }

    FakeLine* line = nullptr;
    std::unique_ptr<CTransfer> transfer;
    std::vector<B> queue;
    std::size_t next = 0;
};

TEST(Crc16, CheckValues)
{
    const B digits = Ascii("123456789");
    EXPECT_EQ(CalcCrc16(digits.size(), digits.data()), 0xD64E);
    EXPECT_EQ(CalcCrc16(0, nullptr), 0x0000);
}

TEST(BuildBlock, CommandFramesAreByteExact)
{
    EXPECT_EQ(Block(0, 'S', {}, kEtx), (B{0x02, 0x00, 0xFF, 0x53, 0x00, 0x00, 0x03, 0xEA, 0xF9}));
    EXPECT_EQ(Block(0, 'G', Ascii("CONFIG"), kEtx),
              (B{0x02, 0x00, 0xFF, 0x47, 0x00, 0x06, 0x43, 0x4F, 0x4E, 0x46, 0x49, 0x47, 0x03, 0x10, 0xA9}));
}

TEST_F(TransferTest, DataIsSplitIntoBlocksOf1024Bytes)
{
    struct Case {
        std::size_t bytes;
        std::vector<std::pair<std::size_t, std::uint8_t>> blocks;  // data length and end byte
    };
    for (const Case& c : {Case{1024, {{1024, kEtb}}}, Case{1025, {{1024, kEtx}, {1, kEtb}}},
                          Case{2048, {{1024, kEtx}, {1024, kEtb}}}}) {
        SCOPED_TRACE(c.bytes);
        line->writes.clear();
        line->responder = [](const B& w) -> B {
            return w[6 + (w[4] << 8 | w[5])] == kEtb ? B{kAck, kEot} : B{kAck};
        };
        const B data(c.bytes, 0x5A);
        ASSERT_EQ(transfer->Send('P', Ascii("CONFIG").data(), 6, 'p', data.data(), data.size()), 1);
        const auto blocks = BlocksWritten();
        ASSERT_EQ(blocks.size(), c.blocks.size() + 1);
        EXPECT_EQ(blocks[0][3], 'P');
        EXPECT_EQ(blocks[0][12], kEtx);
        for (std::size_t i = 0; i < c.blocks.size(); ++i) {
            const B& b = blocks[i + 1];
            EXPECT_EQ(b[1], i + 1);
            EXPECT_EQ(b[3], 'p');
            EXPECT_EQ(std::size_t(b[4] << 8 | b[5]), c.blocks[i].first);
            EXPECT_EQ(b[6 + c.blocks[i].first], c.blocks[i].second);
        }
    }
}

TEST_F(TransferTest, EmptyDataSendsOnlyTheCommandBlock)
{
    line->responder = [](const B&) -> B { return {kAck}; };
    EXPECT_EQ(transfer->Send('P', Ascii("CONFIG").data(), 6, 'p', nullptr, 0), 1);
    ASSERT_EQ(line->writes.size(), 1u);
    EXPECT_EQ(line->writes[0][12], kEtx);
}

TEST_F(TransferTest, ReplyRulesOfTheHostsBlocks)
{
    // Each case scripts the controller's answers to successive transmissions of the one
    // block of a command-only message; the host's result and transmission count follow.
    struct Case {
        const char* name;
        std::vector<B> answers;
        int result;
        std::size_t transmissions;
    };
    const Case cases[] = {
        {"ack then eot", {{kAck, kEot}}, 1, 1},
        {"three naks fail", {{kNak}, {kNak}, {kNak}}, 0, 3},
        {"nak then eot is not success", {{kNak, kEot}}, 0, 2},
        {"nak is sent again", {{kNak}, {kAck, kEot}}, 1, 2},
        {"nak then silence is retried", {{kNak}, {}, {kAck, kEot}}, 1, 3},
        {"silence three times fails", {{}, {}, {}}, 0, 3},
        {"ack without eot fails", {{kAck}}, 0, 1},
        {"eot instead of ack fails at once", {{kEot}}, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        line->writes.clear();
        line->rx.clear();
        std::size_t n = 0;
        line->responder = [&](const B&) -> B { return n < c.answers.size() ? c.answers[n++] : B{}; };
        EXPECT_EQ(transfer->Send('X', nullptr, 0, 0, nullptr, 0), c.result);
        EXPECT_EQ(line->writes.size(), c.transmissions);
    }
}

TEST_F(TransferTest, LastDataBlockNeedsAckAndEot)
{
    const B data(10, 1);
    std::size_t dataTransmissions = 0;
    line->responder = [&](const B& w) -> B {
        if (w[1] == 0) return {kAck};
        ++dataTransmissions;
        return dataTransmissions == 1 ? B{kNak} : B{kAck, kEot};
    };
    EXPECT_EQ(transfer->Send('P', Ascii("CONFIG").data(), 6, 'p', data.data(), data.size()), 1);
    EXPECT_EQ(dataTransmissions, 2u);

    dataTransmissions = 0;
    line->responder = [&](const B& w) -> B { return w[1] == 0 ? B{kAck} : B{kNak, kEot}; };
    EXPECT_EQ(transfer->Send('P', Ascii("CONFIG").data(), 6, 'p', data.data(), data.size()), 0);
}

TEST_F(TransferTest, RequestReceivesBlocksAndAcknowledgesThem)
{
    const B first(1024, 0x11), second(10, 0x22);
    B noise = {0x7F, 0x23, 0x01};
    B block0 = Block(0, 'g', first, kEtx);
    noise.insert(noise.end(), block0.begin(), block0.end());
    Script({noise, Block(1, 'g', second, kEtb)});
    B buffer(4096);
    std::size_t got = 99;
    ASSERT_EQ(transfer->Request('G', Ascii("CONFIG").data(), 6, 'g', buffer.data(), buffer.size(), got), 1);
    ASSERT_EQ(got, 1034u);
    EXPECT_EQ(buffer[0], 0x11);
    EXPECT_EQ(buffer[1033], 0x22);
    // Command, ENQ, ACK, ACK, EOT.
    ASSERT_EQ(line->writes.size(), 5u);
    EXPECT_EQ(line->writes[1], B{kEnq});
    EXPECT_EQ(line->writes[2], B{kAck});
    EXPECT_EQ(line->writes[3], B{kAck});
    EXPECT_EQ(line->writes[4], B{kEot});
}

TEST_F(TransferTest, DamagedResponseBlocksAreRefusedWithNakAndSentAgain)
{
    const B data(20, 0x33);
    const B good = Block(0, 's', data, kEtb);
    B badCrc = good;
    badCrc.back() ^= 0xFF;
    B badComplement = good;
    badComplement[2] ^= 1;
    B wrongNumber = Block(3, 's', data, kEtb);
    B oversize = good;
    oversize[4] = 0x04, oversize[5] = 0x01;
    for (const B& bad : {badCrc, badComplement, wrongNumber, oversize}) {
        line->writes.clear();
        next = 0;
        Script({bad, good});
        B buffer(16);
        std::size_t got = 0;
        B big(64);
        ASSERT_EQ(transfer->Request('S', nullptr, 0, 's', big.data(), big.size(), got), 1);
        EXPECT_EQ(got, 20u);
        // Command, ENQ, NAK, ACK, EOT.
        ASSERT_EQ(line->writes.size(), 5u);
        EXPECT_EQ(line->writes[2], B{kNak});
        EXPECT_EQ(line->writes[3], B{kAck});
    }
}

TEST_F(TransferTest, RequestFailures)
{
    const B good = Block(0, 's', B(3, 1), kEtb);
    B bad = good;
    bad.back() ^= 0xFF;
    struct Case {
        const char* name;
        std::vector<B> answers;
    };
    for (const Case& c : {Case{"three bad blocks", {bad, bad, bad, good}}, Case{"unexpected type", {Block(0, 'x', B(3, 1), kEtb)}},
                          Case{"no block at all", {}}}) {
        SCOPED_TRACE(c.name);
        next = 0;
        Script(c.answers);
        B buffer(16);
        std::size_t got = 7;
        EXPECT_EQ(transfer->Request('S', nullptr, 0, 's', buffer.data(), buffer.size(), got), 0);
        EXPECT_EQ(got, 0u);
    }
}

TEST_F(TransferTest, NoDataBlocksAndShortBuffers)
{
    // A final block of type "*" ends the response with nothing received, whatever its number.
    Script({Block(9, '*', {}, kEtb)});
    B buffer(16);
    std::size_t got = 5;
    EXPECT_EQ(transfer->Request('G', Ascii("TREND").data(), 5, 'g', buffer.data(), buffer.size(), got), 1);
    EXPECT_EQ(got, 0u);

    // Blocks that no longer fit are acknowledged but not stored.
    next = 0;
    Script({Block(0, 'g', B(10, 1), kEtx), Block(1, 'g', B(10, 2), kEtb)});
    EXPECT_EQ(transfer->Request('G', Ascii("CONFIG").data(), 6, 'g', buffer.data(), buffer.size(), got), 1);
    EXPECT_EQ(got, 10u);
}

TEST_F(TransferTest, NothingIsSentWithoutAnOpenPort)
{
    transfer->Close();
    std::size_t got = 0;
    B buffer(16);
    EXPECT_EQ(transfer->Send('X', nullptr, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(transfer->Request('S', nullptr, 0, 's', buffer.data(), buffer.size(), got), 0);
    EXPECT_TRUE(line->writes.empty());
}

}  // namespace
}  // namespace qvcfg::test

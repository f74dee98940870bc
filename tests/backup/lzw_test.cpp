#include "lzw.h"
#include "unit_image.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using kravinb::LzwDecodeMember;
using kravinb::LzwEncodeMember;
using kravinb::LzwStatus;

namespace {

std::vector<unsigned char> encode(const std::vector<unsigned char>& input)
{
    std::vector<unsigned char> out;
    LzwEncodeMember(input, out);
    return out;
}

std::vector<unsigned char> bytes(const std::string& s) { return {s.begin(), s.end()}; }

}  // namespace

TEST(LzwCodec, KnownVectors)
{
    struct Case {
        std::vector<unsigned char> input, packed;
    };
    const Case cases[] = {
        {bytes("A"), {0x41, 0xFF, 0x00}},
        {bytes("AAAA"), {0x41, 0xFF, 0xA0, 0xFF, 0x00}},
        {{0xFF}, {0xFF, 0x7F, 0x80}},
        // An empty member is the end code alone (9 bits at alphabet 258), padded.
        {{}, {0xFF, 0x00}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(encode(c.input), c.packed) << c.input.size() << " bytes";
        std::vector<unsigned char> back;
        ASSERT_EQ(LzwDecodeMember(c.packed, c.input.size(), back), LzwStatus::Ok);
        EXPECT_EQ(back, c.input);
    }
}

TEST(LzwCodec, RoundTripsUnitFilesAndAFullDictionary)
{
    std::mt19937 rng(7);
    std::vector<unsigned char> random(300000);
    for (auto& b : random) b = static_cast<unsigned char>(rng());
    std::vector<unsigned char> ramp;  // every pair once: fills the dictionary fast
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) ramp.insert(ramp.end(), {static_cast<unsigned char>(a), static_cast<unsigned char>(b)});
    const std::vector<std::vector<unsigned char>> inputs = {
        kravin::test::unitDataImage(), kravin::test::analogImage(), random, ramp,
        std::vector<unsigned char>(100000, 0x00), std::vector<unsigned char>(4096 * 3, 0xFF)};
    for (const auto& input : inputs) {
        const auto packed = encode(input);
        std::vector<unsigned char> back;
        ASSERT_EQ(LzwDecodeMember(packed, input.size(), back), LzwStatus::Ok) << input.size();
        EXPECT_TRUE(back == input) << input.size();
    }
    // The project files shrink well.
    EXPECT_LT(encode(kravin::test::analogImage()).size(), 1480000u / 20);
}

TEST(LzwCodec, MemberOnAByteBoundaryGetsAWholeZeroByte)
{
    // Seven descending high bytes take 9 bits each, and so does the end code:
    // 72 bits, so the flush adds one zero byte.
    const std::vector<unsigned char> input = {0xFF, 0xFE, 0xFD, 0xFC, 0xFB, 0xFA, 0xF9};
    const auto packed = encode(input);
    ASSERT_EQ(packed.size(), 10u);
    EXPECT_EQ(packed.back(), 0x00);
    std::vector<unsigned char> back;
    ASSERT_EQ(LzwDecodeMember(packed, input.size(), back), LzwStatus::Ok);
    EXPECT_EQ(back, input);
    // "AB": 8 + 8 + 9 bits, padded with 7 zero bits.
    const auto ab = encode(bytes("AB"));
    ASSERT_EQ(ab.size(), 4u);
    EXPECT_EQ(ab.back() & 0x7F, 0);
}

TEST(LzwCodec, DamagedStreamsAreRefused)
{
    struct Case {
        const char* what;
        std::vector<unsigned char> data;
        std::size_t size;
        LzwStatus expected;
    };
    const Case cases[] = {
        {"end code first", {0xFF, 0x80}, 1, LzwStatus::BadCode},
        {"end code before the size is reached", encode(bytes("A")), 2, LzwStatus::BadCode},
        {"size beyond the stream", encode(bytes("AAAA")), 5, LzwStatus::BadCode},
        {"data ends early", {0x41}, 2, LzwStatus::Truncated},
        {"more codes than the size", encode(bytes("AB")), 1, LzwStatus::BadCode},
        {"a string past the size", encode(bytes("AAAA")), 2, LzwStatus::BadCode},
        {"no data", {}, 1, LzwStatus::Truncated},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> out;
        EXPECT_EQ(LzwDecodeMember(c.data, c.size, out), c.expected) << c.what;
        EXPECT_LE(out.size(), c.size) << c.what;
    }
}

TEST(LzwCodec, GarbageNeverYieldsMoreThanAsked)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        std::vector<unsigned char> data(1 + rng() % 400);
        for (auto& b : data) b = static_cast<unsigned char>(rng());
        const std::size_t size = rng() % 5000;
        std::vector<unsigned char> out;
        const LzwStatus s = LzwDecodeMember(data, size, out);
        if (s == LzwStatus::Ok)
            EXPECT_EQ(out.size(), size);
        else
            EXPECT_LE(out.size(), size);
    }
}

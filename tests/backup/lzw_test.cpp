#include "lzw.h"
#include "unit_image.h"

#include <gtest/gtest.h>

#include <map>
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

// The coding as plainly as it can be written: a map for the dictionary, one
// bit at a time.
std::vector<unsigned char> referenceEncode(const std::vector<unsigned char>& input)
{
    std::map<std::pair<int, int>, int> dict;
    std::vector<unsigned char> out;
    int acc = 0, bits = 0;
    const auto bit = [&](int b) {
        acc = acc << 1 | b;
        if (++bits == 8) {
            out.push_back(static_cast<unsigned char>(acc));
            acc = bits = 0;
        }
    };
    const auto code = [&](int c, int m) {
        int n = 0;
        while ((1 << n) <= m) ++n;
        const int u = (1 << n) - m;
        const int value = c < u ? c : c + u;
        for (int k = (c < u ? n - 1 : n) - 1; k >= 0; --k) bit(value >> k & 1);
    };
    int next = 257, matched = -1;
    for (const unsigned char a : input) {
        if (matched < 0) {
            matched = a;
            continue;
        }
        const auto it = dict.find({matched, a});
        if (it != dict.end()) {
            matched = it->second;
            continue;
        }
        code(matched, next);
        if (next < 4096) dict[{matched, a}] = next++;
        matched = a;
    }
    if (matched >= 0) code(matched, next);
    code(256, next + 1);
    do bit(0);
    while (bits != 0);
    return out;
}

// Zero runs of every length between other bytes, as project files hold them.
std::vector<unsigned char> zeroRuns(unsigned seed, std::size_t size)
{
    std::mt19937 rng(seed);
    std::vector<unsigned char> b;
    while (b.size() < size) {
        b.insert(b.end(), rng() % (rng() % 4 == 0 ? 5000 : 40), 0);
        for (unsigned k = rng() % 6; k > 0; --k) b.push_back(static_cast<unsigned char>(rng() % 4 == 0 ? 0 : rng()));
    }
    return b;
}

}  // namespace

TEST(LzwCodec, MatchesThePlainCoding)
{
    std::mt19937 rng(3);
    std::vector<unsigned char> random(20000);
    for (auto& b : random) b = static_cast<unsigned char>(rng() % 7);
    const std::vector<std::vector<unsigned char>> inputs = {
        zeroRuns(1, 200000), zeroRuns(2, 3000), random, std::vector<unsigned char>(9000000 / 1000, 0),
        kravin::test::unitDataImage(2), bytes("ABABABA"), {0, 0, 0x41, 0, 0, 0, 0x41, 0}};
    for (const auto& input : inputs) EXPECT_TRUE(encode(input) == referenceEncode(input)) << input.size();
}

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
        kravin::test::unitDataImage(), kravin::test::analogImage(), random, ramp, zeroRuns(5, 2000000),
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
        // An empty member is only the end code.
        {"empty member with a byte code first", encode(bytes("A")), 0, LzwStatus::BadCode},
        {"empty member without data", {}, 0, LzwStatus::Truncated},
        {"empty member ending inside its end code", {0xFF}, 0, LzwStatus::Truncated},
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

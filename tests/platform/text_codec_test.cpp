#include "text_codec.h"

#include <gtest/gtest.h>

#include <QString>

#include <cstring>

using namespace kravin::model;

namespace {

const std::string kA = "\x88\x9F";  // CP932 "亜": its trail byte lies in the lead-byte range

std::string trimmed(std::string text, int length)
{
    std::vector<char> buffer(std::max<std::size_t>(text.size(), static_cast<std::size_t>(std::max(length, 0))) + 1, '\0');
    std::memcpy(buffer.data(), text.data(), text.size());
    TrimDbcsTail(buffer.data(), length);
    return std::string(buffer.data());
}

std::string repeat(const std::string& s, int n)
{
    std::string out;
    while (n-- > 0) out += s;
    return out;
}

}  // namespace

TEST(TrimDbcsTail, NeverLeavesHalfACharacter)
{
    struct Case {
        std::string text;
        int length;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ABCD", 32, "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234"},
        // 30 ASCII bytes then a double-byte character at bytes 30..31: the name keeps 30 bytes.
        {repeat("a", 30) + kA, 32, repeat("a", 30)},
        // One ASCII byte then double-byte characters: byte 30 is a trail byte in the lead
        // range; the text keeps all 31 bytes that form whole characters.
        {"a" + repeat(kA, 16), 32, "a" + repeat(kA, 15)},
        {repeat(kA, 20), 32, repeat(kA, 15)},
        {"AB", 32, "AB"},
        {"ABC", 1, ""},
        {"ABC", 0, "ABC"},
        {"ABC", -1, "ABC"},
        {"ABC", 2, "A"},
        {kA, 2, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(trimmed(c.text, c.length), c.expected) << c.text << " / " << c.length;
}

TEST(TrimDbcsTail, PadsTheRestOfTheFieldWithNul)
{
    char field[8];
    std::memcpy(field, "ABCDEFGH", 8);
    TrimDbcsTail(field, 8);
    EXPECT_EQ(std::string(field, 8), std::string("ABCDEFG\0", 8));
}

TEST(TextCodec, Cp932RoundTrip)
{
    const std::string bytes = "\x93\xfa\x96\x7b\x8c\xea" "ABC\xb1";  // 日本語ABC + half-width katakana ｱ
    const std::string utf8 = cp932ToUtf8(bytes);
    EXPECT_EQ(utf8, "日本語ABCｱ");
    bool lossy = true;
    EXPECT_EQ(utf8ToCp932(utf8, &lossy), bytes);
    EXPECT_FALSE(lossy);
    EXPECT_EQ(cp932ToQString(bytes), QString::fromUtf8("日本語ABCｱ"));
    EXPECT_EQ(qstringToCp932(QString::fromUtf8("無題")), "\x96\xb3\x91\xe8");
}

TEST(TextCodec, BadInputIsReplacedNotDropped)
{
    // A lone lead byte at the end, an undefined byte, and text after a NUL.
    EXPECT_EQ(cp932ToUtf8(std::string("A\x88", 2)), "A\xEF\xBF\xBD");
    EXPECT_EQ(cp932ToUtf8(std::string("A\xA0" "B", 3)).substr(0, 1), "A");
    EXPECT_EQ(cp932ToUtf8(std::string("AB\0CD", 5)), "AB");
    bool lossy = false;
    EXPECT_EQ(utf8ToCp932("A\xF0\x9F\x98\x80" "B", &lossy), "A?B");  // an emoji has no CP932 form
    EXPECT_TRUE(lossy);
}

TEST(TextCodec, FieldTextStopsAtNulOrWidth)
{
    EXPECT_EQ(fieldText("ABC\0DEF", 7), "ABC");
    EXPECT_EQ(fieldText("ABCDEFGH", 5), "ABCDE");
}

#include "serial_frame.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

using namespace kravin::online;
using namespace std::string_literals;

namespace {

// Sums worked out by hand over address and text.
struct FrameVector {
    std::string address;
    std::string command;
    std::string frame;
};

const std::vector<FrameVector> kFrameVectors = {
    {"0012", "I05\r", "\x02" "0012I05" "71\r"},
    {"0001", "G00\r", "\x02" "0001G00" "68\r"},
    {"ABCD", "D12.5\r", "\x02" "ABCDD12.5" "14\r"},
    {"", "I00\r", "\x02" "    I00" "29\r"},            // missing ID: blank address
    {"12345", "COK\r", "\x02" "1234COK" "A7\r"},       // only 4 characters taken
    {"\xff\xff\xff\xff", "\r", "\x02\xff\xff\xff\xff" "FC\r"},  // byte sum wraps
    {"01\0"s "9", "G00\r", "\x02" "01  G00" "48\r"},   // NUL ends the ID text
};

TEST(SerialFrame, BuildsFrameVectors)
{
    for (const auto& v : kFrameVectors) {
        SCOPED_TRACE(v.command);
        std::string frame = BuildFrame(v.address, v.command);
        EXPECT_EQ(frame, v.frame);
        EXPECT_EQ(frame.size(), v.command.size() + kFrameOverhead);
    }
}

TEST(SerialFrame, ParsesItsOwnVectorsBack)
{
    for (const auto& v : kFrameVectors) {
        SCOPED_TRACE(v.command);
        ParsedFrame p = ParseFrame(v.frame, v.address, "PU01");
        ASSERT_EQ(p.status, FrameStatus::Ok) << FrameStatusText(p.status);
        EXPECT_EQ(p.text + "\r", v.command);
        EXPECT_EQ(p.address, FrameAddress(v.address));
    }
}

TEST(SerialFrame, RefusesCommandsThatCannotBeFramed)
{
    const std::string longest(kMaxFramedCommand - 1, 'D');
    EXPECT_EQ(BuildFrame("0012", longest + "\r").size(), kMaxFrameLength);
    const std::vector<std::string> bad = {
        "",                 // nothing
        "I05",              // no final CR
        "I0\r5\r",          // a CR inside the text
        longest + "D\r",    // one byte over the frame limit
    };
    for (const auto& command : bad) EXPECT_EQ(BuildFrame("0012", command), "") << command.size();
}

TEST(SerialFrame, ValidatesReceivedFramesStrictly)
{
    struct Case {
        const char* name;
        std::string line;
        FrameStatus status;
    };
    const std::vector<Case> cases = {
        {"good", "\x02" "0012I05" "71\r", FrameStatus::Ok},
        {"programming-unit address", "\x02" "PU01COK" "E3\r", FrameStatus::Ok},
        {"empty text", "\x02" "0012" "C3\r", FrameStatus::Ok},
        {"empty line", "", FrameStatus::NoStx},
        {"no STX", "0012I05" "71\r", FrameStatus::NoStx},
        {"noise before STX", "#\x02" "0012I05" "71\r", FrameStatus::NoStx},
        {"plain reply", "COK\r", FrameStatus::NoStx},
        {"STX and CR only", "\x02\r", FrameStatus::TooShort},
        {"one byte short", "\x02" "0012" "C\r", FrameStatus::TooShort},
        {"cut before CR", "\x02" "0012I05" "71", FrameStatus::NoCr},
        {"lower-case digits", "\x02" "1234COK" "a7\r", FrameStatus::BadChecksumDigit},
        {"letter beyond F", "\x02" "0012I05" "7G\r", FrameStatus::BadChecksumDigit},
        {"digit replaced by a blank", "\x02" "0012I05" " 1\r", FrameStatus::BadChecksumDigit},
        {"sum off by one", "\x02" "0012I05" "70\r", FrameStatus::ChecksumMismatch},
        {"text changed", "\x02" "0012I06" "71\r", FrameStatus::ChecksumMismatch},
        {"other address", "\x02" "0013I05" "72\r", FrameStatus::WrongAddress},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ParseFrame(c.line, "0012", "PU01").status, c.status);
    }
}

TEST(SerialFrame, ChecksumIsTheLowByteOfTheSum)
{
    EXPECT_EQ(FrameChecksum(""), 0);
    EXPECT_EQ(FrameChecksum("0012I05"), 0x71);
    EXPECT_EQ(FrameChecksum(std::string(257, '\x01')), 0x01);
}

TEST(ReplyParsers, ParseReplyNumber)
{
    struct Case {
        std::string reply;
        int length;
        int value;
    };
    const std::vector<Case> cases = {
        {"D123\r", 5, 123},
        {"D-45\r", 5, -45},
        {"D+7\r", 4, 7},
        {"DAB:12\r", 7, 12},         // tagged value
        {"D1:2:3\r", 7, 2},          // the first colon counts
        {"D123:45\r", 4, 123},       // a colon beyond the length is not seen
        {"D12.5\r", 6, 12},
        {"D\r", 2, 0},
        {"Dx12\r", 5, 0},
        {"D 5\r", 4, 0},
        {"D:\r", 3, 0},
        {"", 0, 0},
        {"D12", -1, 0},
        {"D2147483647", 11, INT_MAX},
        {"D-2147483648", 12, INT_MIN},
        {"D2147483648", 11, INT_MAX},        // saturates
        {"D-99999999999999999999", 22, INT_MIN},
        {"D12\0" "34"s, 6, 12},               // stops at a NUL
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        EXPECT_EQ(ParseReplyNumber(c.reply.data(), c.length), c.value);
    }
    EXPECT_EQ(ParseReplyNumber(nullptr, 5), 0);
}

TEST(ReplyParsers, StoreReplyField)
{
    struct Case {
        std::string reply;
        int length;
        std::size_t fieldSize;
        std::string field;
    };
    const std::vector<Case> cases = {
        {"D12.5\r", 6, 22, "12.5"},
        {"DTAG:val\r", 9, 22, "val"},
        {"D\r", 2, 22, ""},
        {"COK\r", 4, 22, "OK"},
        {"D1\rD2\r", 6, 22, "1"},            // cut at the first CR
        {"D12345\r", 3, 22, "12"},           // only `length` bytes
        {"D0123456789ABCDEFGHIJKLM\r", 26, 22, "0123456789ABCDEFGHIJK"},  // field keeps 21
        {"Dabc\r", 5, 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        std::vector<char> field(c.fieldSize + 1, 'x');
        StoreReplyField(c.reply.data(), c.length, field.data(), c.fieldSize);
        EXPECT_EQ(std::string(field.data()), c.field);
        EXPECT_EQ(field[c.fieldSize], 'x');  // nothing written past the field
        for (std::size_t i = c.field.size(); i < c.fieldSize; ++i) EXPECT_EQ(field[i], '\0');
    }
}

TEST(LineAssembly, LinesEndAtCrOrMaximumAndTheRestIsKept)
{
    struct Case {
        const char* name;
        std::vector<std::string> chunks;
        std::vector<std::size_t> maxima;  // one take per entry
        std::vector<std::string> lines;   // "" for no line yet
        std::size_t left;
    };
    const std::vector<Case> cases = {
        {"reply in two pieces", {"CO", "K\r"}, {4}, {"COK\r"}, 0},
        {"two replies in one chunk", {"COK\rD12\r"}, {4, 21}, {"COK\r", "D12\r"}, 0},
        {"maximum reached", {"D12345"}, {4}, {"D123"}, 2},
        {"CR past the maximum", {"ABCDE\r"}, {4, 4}, {"ABCD", "E\r"}, 0},
        {"incomplete", {"ABC"}, {4}, {""}, 3},
        {"bare CR", {"\r"}, {4}, {"\r"}, 0},
        {"zero maximum takes nothing", {"AB\r"}, {0}, {""}, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LineAssembler a;
        for (const auto& chunk : c.chunks) a.append(chunk);
        for (std::size_t i = 0; i < c.maxima.size(); ++i) {
            auto line = a.take(c.maxima[i]);
            EXPECT_EQ(line.value_or(""), c.lines[i]);
        }
        EXPECT_EQ(a.pendingSize(), c.left);
    }
}

}  // namespace

TEST(ReplyKinds, ReplyCanAnswerOnlyItsKindOfCommand)
{
    const std::string framedG01 = BuildFrame("0012", "G01\r");
    const std::string framedI11 = BuildFrame("0012", "I11\r");
    const std::string framedCok = BuildFrame("0012", "COK\r");
    const std::string framedValue = BuildFrame("0012", "D100.0\r");
    struct Case {
        std::string line;
        std::string command;
        bool answers;
    } cases[] = {
        {"COK\r", "G01\r", true},         {"CNG\r", "G01\r", true},        {"D01\r", "G01\r", false},
        {"D100.0\r", "I11\r", true},      {"CNG\r", "I11\r", true},        {"COK\r", "I11\r", false},
        {"D5\r", "D5\r", true},           {"COK\r", "D5\r", false},        {"D:5\r", "DU\r", true},
        {framedCok, framedG01, true},     {framedValue, framedG01, false}, {framedValue, framedI11, true},
        {framedCok, framedI11, false},    {"COK\r", framedI11, false},     {framedValue, "I11\r", true},
        {"\x7F#?~COK\r", "I11\r", true},  {"COK\r", "CNG\r", true},        {"D1\r", "X\r", true},
        {"", "G01\r", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReplyCanAnswer(c.line, c.command), c.answers) << "line " << c.line << " command " << c.command;
    }
}

// The HT-9 unit's keys, display and exchanges, without a link: each request is answered
// by the test.
#include "ht9_unit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kravin::online::ht9 {
namespace {

using Kind = Ht9Request::Kind;

// Presses keys; every request is answered by `answer` (serial replies, bus read texts).
struct Driver {
    Ht9Unit unit;
    std::vector<Ht9Request> sent;
    std::function<Ht9Reply(const Ht9Request&)> answer = [](const Ht9Request&) { return Ht9Reply{true, {}}; };

    explicit Driver(Ht9Mode mode, int kind = 1) : unit(mode, kind) {}

    void finish(std::optional<Ht9Request> r)
    {
        while (r) {
            sent.push_back(*r);
            r = unit.Complete(r->kind == Kind::Pause ? Ht9Reply{true, {}} : answer(*r));
        }
    }
    void press(std::initializer_list<int> ids)
    {
        for (int id : ids) finish(unit.Press(id));
    }
    void digits(const std::string& text)
    {
        for (char c : text) press({key::Digit0 + (c - '0')});
    }
    std::vector<std::string> serialBytes() const
    {
        std::vector<std::string> out;
        for (const Ht9Request& r : sent)
            if (r.kind == Kind::Serial) out.push_back(r.bytes);
        return out;
    }
};

TEST(Ht9PortKinds, KindsMapToTheirBaudIndexAndFraming)
{
    const int baud[kPortKinds] = {0, 1, 0, 2, 2, 1, 0};
    for (int kind = 0; kind < kPortKinds; ++kind) {
        EXPECT_EQ(PortKindBaudIndex(kind), baud[kind]) << kind;
        EXPECT_EQ(PortKindFramed(kind), kind == 2 || kind == 6) << kind;
        EXPECT_EQ(PortKindOfKey(PortKindKey(kind)), kind) << kind;
    }
    EXPECT_EQ(PortKindOfKey(41058), 2);
    EXPECT_EQ(PortKindOfKey(key::Enter), -1);
}

TEST(Ht9JisKeyboard, EachKeyTypesItsJisCharacters)
{
    struct Case {
        int code;  // the kernel's key code
        char plain, shifted;
    };
    const Case cases[] = {
        {2, '1', '!'},  {3, '2', '"'},  {4, '3', '#'},   {7, '6', '&'},   {8, '7', '\''}, {10, '9', ')'},
        {11, '0', 0},   {12, '-', '='}, {13, '^', '~'},  {124, '\\', '|'}, {26, '@', '`'},  {27, '[', '{'},
        {39, ';', '+'}, {40, ':', '*'}, {43, ']', '}'},  {51, ',', '<'},  {52, '.', '>'},  {53, '/', '?'},
        {89, '\\', '_'}, {16, 'Q', 'Q'}, {38, 'L', 'L'}, {57, ' ', ' '},
        {1, 0, 0},      {28, 0, 0},     {41, 0, 0},      {0, 0, 0},  // Escape, Enter, Hankaku/Zenkaku: no character
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JisKeyChar(c.code, false), c.plain) << c.code;
        EXPECT_EQ(JisKeyChar(c.code, true), c.shifted) << c.code;
        if (c.plain != 0 && c.plain != '\\') {
            EXPECT_EQ(JisKeyCodeOf(c.plain), c.code) << c.plain;
        }
    }
    // A shifted character names no key.
    for (char c : {'"', '+', '*', '#', '\0'}) EXPECT_EQ(JisKeyCodeOf(c), 0) << c;
}

TEST(Ht9Reply, ParsedIntoTheSixteenPlaces)
{
    struct Case {
        std::string reply;
        std::string data;  // data line after parsing into "D" + 15 blanks
        std::string type;
    };
    const std::string blank = "D" + std::string(15, ' ');
    const Case cases[] = {
        {"D1234\r", "D           1234", "  "},         // ends at place 16
        {"AB:1234\r", "D          1234 ", "  "},       // ends at place 15
        {"COK\r", blank, "OK"},
        {"CNG\r", blank, "NG"},
        {"D\r", blank, "  "},
        {"", blank, "  "},
        {"C", blank, "  "},
        {"X12\r", blank, "  "},
        {"D123456789012345\r", "D123456789012345", "  "},           // 16 characters fill the line
        {"D1234567890123456\r", "1234567890123456", "  "},          // 18 bytes: right-aligned, all 16
        {"DXX1234567890123456\r", "1234567890123456", "  "},        // 19 and more: from place 1
        {"DXX12345678901234567890123\r", "1234567890123456", "  "}, // cut to 16
        {"DXX123456789012345678", "1234567890123456", "  "},        // without CR: its last byte dropped
    };
    for (const Case& c : cases) {
        Ht9Unit unit(Ht9Mode::Serial, 1);
        unit.ParseReply(c.reply);
        EXPECT_EQ(unit.dataLine(), c.data) << c.reply;
        EXPECT_EQ(unit.dataLine().size(), 16u) << c.reply;
        EXPECT_EQ(unit.typeText(), c.type) << c.reply;
    }
}

TEST(Ht9Keys, GroupAndItemReadTheValueRightAligned)
{
    Driver d(Ht9Mode::Serial);
    d.answer = [](const Ht9Request& r) {
        if (r.bytes == "G01\r") return Ht9Reply{true, "COK\r"};
        if (r.bytes == "I11\r") return Ht9Reply{true, "D100.0\r"};
        return Ht9Reply{true, "CNG\r"};
    };
    d.press({key::Group});
    EXPECT_EQ(d.unit.mode(), 10);
    EXPECT_EQ(d.unit.groupText(), "_ ");
    d.digits("0");
    EXPECT_EQ(d.unit.groupText(), "0_");
    d.digits("1");
    EXPECT_EQ(d.unit.mode(), 12);
    EXPECT_EQ(d.unit.typeText(), "OK");
    d.press({key::Item});
    d.digits("11");
    EXPECT_EQ(d.unit.mode(), 22);
    EXPECT_EQ(d.serialBytes(), (std::vector<std::string>{"G01\r", "I11\r"}));
    EXPECT_EQ(d.sent[0].replyMax, 4);
    EXPECT_EQ(d.sent[1].replyMax, 21);
    EXPECT_FALSE(d.sent[0].framed);
    EXPECT_EQ(d.unit.dataLine(), "D          100.0");
    EXPECT_EQ(d.unit.dataLine().substr(12), "00.0");  // places 13..16 hold the value's end

    // Letters don't go into a group number.
    d.press({key::Group});
    EXPECT_FALSE(d.unit.Type('A'));
    EXPECT_EQ(d.unit.groupText(), "_ ");
    EXPECT_EQ(d.unit.itemText(), "11");  // the item keeps its digits
}

TEST(Ht9Keys, DataEntryShiftBackspaceAndEnter)
{
    Driver d(Ht9Mode::Serial);
    d.answer = [](const Ht9Request& r) {
        if (r.bytes[0] == 'D') return Ht9Reply{true, "D" + r.bytes.substr(1)};
        return Ht9Reply{true, r.bytes[0] == 'G' ? "COK\r" : "D0\r"};
    };
    d.press({key::Group});
    d.digits("01");
    d.press({key::Item});
    d.digits("12");
    d.press({key::Data});
    EXPECT_EQ(d.unit.mode(), 30);
    EXPECT_EQ(d.unit.dataLine(), "*" + std::string(15, ' '));
    d.press({key::Bs});  // nothing typed: nothing happens
    EXPECT_EQ(d.unit.mode(), 30);
    d.digits("42");
    EXPECT_EQ(d.unit.mode(), 32);
    EXPECT_EQ(d.unit.dataLine(), "*" + std::string(13, ' ') + "42");
    d.press({key::Bs});
    EXPECT_EQ(d.unit.mode(), 31);
    EXPECT_EQ(d.unit.dataLine(), "*" + std::string(14, ' ') + "4");
    d.digits("2");
    // Shift 1 gives A..J, shift 3 U..Z for 0..5 and nothing for 6..9.
    d.press({key::Shift});
    d.digits("0");
    d.press({key::Shift, key::Shift});
    d.digits("56");
    d.press({key::Shift});
    EXPECT_EQ(d.unit.shift(), 0);
    d.press({key::Minus, key::Dot, key::LetterA + 25});
    EXPECT_EQ(d.unit.dataLine(), "*" + std::string(8, ' ') + "42AZ-.Z");
    d.press({key::Enter});
    EXPECT_EQ(d.serialBytes().back(), "D42AZ-.Z\r");
    EXPECT_EQ(d.unit.mode(), 22);
    EXPECT_EQ(d.unit.dataLine(), "D" + std::string(8, ' ') + "42AZ-.Z");

    // A 17th character keeps mode 46 and the line moves on.
    d.press({key::Data});
    d.digits("1234567890123456");
    EXPECT_EQ(d.unit.mode(), 46);
    EXPECT_EQ(d.unit.dataLine(), "1234567890123456");
    d.digits("7");
    EXPECT_EQ(d.unit.mode(), 46);
    EXPECT_EQ(d.unit.dataLine(), "2345678901234567");
    // CLR drops typed data, then everything.
    d.press({key::Clr});
    EXPECT_EQ(d.unit.mode(), 30);
    d.press({key::Clr});
    EXPECT_EQ(d.unit.mode(), 0);
    EXPECT_EQ(d.unit.groupText(), "  ");
}

TEST(Ht9Keys, UpDownStopAtTheirEndsAndGroupStepsRead)
{
    Driver d(Ht9Mode::Serial);
    d.answer = [](const Ht9Request& r) { return Ht9Reply{true, r.bytes[0] == 'G' ? "COK\r" : "D7\r"}; };
    d.press({key::Group});
    d.digits("00");
    d.press({key::Item});
    d.digits("99");
    const std::size_t before = d.sent.size();
    d.press({key::Up});
    EXPECT_EQ(d.sent.size(), before);  // UP at 99 sends nothing
    d.press({key::Down});
    EXPECT_EQ(d.serialBytes().back(), "I98\r");
    d.press({key::Item});
    d.digits("01");
    const std::size_t atOne = d.sent.size();
    d.press({key::Down});
    EXPECT_EQ(d.sent.size(), atOne);  // DOWN at 01 sends nothing
    d.press({key::GroupDown});
    EXPECT_EQ(d.sent.size(), atOne);  // group down stops at 00
    d.press({key::GroupUp});
    EXPECT_EQ(d.serialBytes(), (std::vector<std::string>{"G00\r", "I99\r", "I98\r", "I01\r", "G01\r", "I01\r"}));
    EXPECT_EQ(d.unit.groupText(), "01");
    EXPECT_EQ(d.unit.mode(), 22);
    // UP and DOWN in data entry ask the device.
    d.press({key::Data, key::Up});
    EXPECT_EQ(d.serialBytes().back(), "DU\r");
    d.press({key::Down});
    EXPECT_EQ(d.serialBytes().back(), "DD\r");
}

TEST(Ht9Keys, FramedKindsFrameTheirCommands)
{
    Driver d(Ht9Mode::Serial, 6);
    d.press({key::Group});
    d.digits("01");
    ASSERT_EQ(d.sent.size(), 1u);
    EXPECT_TRUE(d.sent[0].framed);
}

TEST(Ht9Bus, WriteAndReadSwitchTheWriteMode)
{
    Driver d(Ht9Mode::Bus);
    bool writesFail = false;
    d.answer = [&](const Ht9Request& r) {
        if (r.kind == Kind::BusWrite) return Ht9Reply{!writesFail, {}};
        if (r.kind == Kind::BusRead) return Ht9Reply{true, "12.5"};
        return Ht9Reply{true, {}};
    };
    d.press({key::Group});
    d.digits("01");
    EXPECT_TRUE(d.sent.empty());  // the group is not asked on the bus
    EXPECT_EQ(d.unit.typeText(), "OK");
    d.press({key::Item});
    d.digits("11");
    ASSERT_EQ(d.sent.size(), 1u);
    EXPECT_EQ(d.sent[0].kind, Kind::BusRead);
    EXPECT_EQ(d.unit.dataLine(), "D           12.5");
    // DATA does nothing before WRITE.
    d.press({key::Data});
    EXPECT_EQ(d.unit.mode(), 22);
    EXPECT_FALSE(d.unit.dataUsable());

    d.sent.clear();
    d.press({key::Write});
    ASSERT_EQ(d.sent.size(), 4u);
    EXPECT_EQ(d.sent[0].kind, Kind::BusCycle);
    EXPECT_EQ(d.sent[1].pauseMs, 300);
    EXPECT_EQ(d.sent[2].kind, Kind::BusWrite);
    EXPECT_EQ(d.sent[2].group, 0);
    EXPECT_EQ(d.sent[2].item, 1);
    EXPECT_EQ(d.sent[2].bytes, "1\r");
    EXPECT_TRUE(d.unit.writeMode());

    d.sent.clear();
    d.press({key::Data});
    d.digits("42");
    d.press({key::Enter});
    ASSERT_EQ(d.sent.size(), 4u);
    EXPECT_EQ(d.sent[0].kind, Kind::BusWrite);
    EXPECT_EQ(d.sent[0].bytes, "42\r");
    EXPECT_EQ(d.sent[0].group, 1);
    EXPECT_EQ(d.sent[0].item, 11);
    EXPECT_EQ(d.sent[1].pauseMs, 100);
    EXPECT_EQ(d.sent[2].kind, Kind::BusRead);
    EXPECT_EQ(d.sent[3].pauseMs, 200);
    EXPECT_EQ(d.unit.mode(), 22);

    // READ that fails keeps write mode; one that succeeds ends it.
    writesFail = true;
    d.press({key::Data, key::Read});
    EXPECT_TRUE(d.unit.writeMode());
    EXPECT_EQ(d.unit.mode(), 30);
    writesFail = false;
    d.sent.clear();
    d.press({key::Read});
    ASSERT_EQ(d.sent.size(), 4u);
    EXPECT_EQ(d.sent[2].bytes, "0\r");
    EXPECT_FALSE(d.unit.writeMode());
    EXPECT_EQ(d.unit.mode(), 22);
    // A failed WRITE leaves read mode.
    writesFail = true;
    d.press({key::Write});
    EXPECT_FALSE(d.unit.writeMode());
}

TEST(Ht9Bus, AFailedReadShowsCngAndKeysWaitForAnExchange)
{
    Ht9Unit unit(Ht9Mode::Bus, 0);
    unit.Press(key::Group);
    unit.Type('0');
    unit.Type('3');
    unit.Press(key::Item);
    unit.Type('1');
    const std::optional<Ht9Request> read = unit.Type('0');
    ASSERT_TRUE(read);
    EXPECT_TRUE(unit.busy());
    EXPECT_FALSE(unit.Press(key::Group));  // waits
    EXPECT_EQ(unit.mode(), 22);
    unit.Cancel();  // the request never came back
    EXPECT_FALSE(unit.busy());
    EXPECT_EQ(unit.typeText(), "NG");
    // The keyboard: g and i select, D is DATA only in mode 22, # shifts in data entry.
    unit.Type('g');
    EXPECT_EQ(unit.mode(), 10);
    unit.Type('i');
    EXPECT_EQ(unit.mode(), 20);
}

}  // namespace
}  // namespace kravin::online::ht9

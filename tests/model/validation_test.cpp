#include "validation.h"

#include "connections.h"
#include "scripted_prompt.h"
#include "unit_fixture.h"

#include <clocale>
#include <cstdio>

namespace kravin::test {
namespace {

using model::ReferenceError;

struct InputCase {
    const char* type;
    const char* range;
    const char* input;
    int message;          // 0 accepted
    const char* stored;   // accepted: the text to store
    int item = 5;
    int namedItem = -1;   // refused: the item the message names (-1 the checked one)
};

// Every item type: accepted, normalised and refused forms.
const InputCase kInputCases[] = {
    {"FA_FLOAT2", "", "anything", 0, "anything"},
    {"STATION", "00_FF", "ab", 0, "AB"},
    {"STATION", "00_3F;FE;FF", "3f", 0, "3F"},
    {"STATION", "00_3F;FE;FF", "fe", 0, "FE"},
    {"STATION", "00_3F;FE;FF", "40", 8118, ""},
    {"STATION", "00_3F;FE;FF", "FD", 8118, ""},
    {"STATION", "00_3F", "G1", 8119, ""},
    {"STATION", "00_3F", "1", 8117, ""},
    {"STATION", "00_3F", "100", 8117, ""},
    {"CARD", "0_F", "a", 0, "A"},
    {"CARD", "0_F", "G", 8119, ""},
    {"CARD", "0_F", "12", 8117, ""},
    {"CARD", "0_F", "", 8117, ""},
    {"GROUP", "00_99", "07", 0, "07"},
    {"GROUP", "10_20", "21", 8118, ""},
    {"GROUP", "00_99", "7", 8117, ""},
    {"GROUP", "00_99", "0x", 8119, ""},
    {"TEL_TARGET", "", "1611", 0, "1611"},
    {"TEL_TARGET", "", "0000", 0, "0000"},
    {"TEL_TARGET", "", "1610", 8118, ""},
    {"TEL_TARGET", "", "1711", 8118, ""},
    {"TEL_TARGET", "", "12a4", 8119, ""},
    {"TEL_TARGET", "", "123", 8117, ""},
    {"ANACOM", "", "0101", 0, "0101"},
    {"ITEMCOM", "", "01a1", 8119, ""},
    {"INTCH4", "", "101", 8117, ""},
    {"SEQ", "", "******", 0, "******"},
    {"SEQ", "", "010203", 0, "010203"},
    {"SEQ", "", "01020*", 8119, ""},
    {"SEQ", "", "12345", 8117, ""},
    {"47K_COM", "", "1132032", 0, "1132032"},
    {"47K_COM", "", "0000000", 0, "0000000"},
    {"47K_COM", "", "1032000", 8118, ""},
    {"47K_COM", "", "1133000", 8118, ""},
    {"47K_COM", "", "1100900", 8118, ""},
    {"47K_COM", "", "1100033", 8118, ""},
    {"47K_COM", "", "11000x0", 8119, ""},
    {"47K_COM", "", "11320320", 8117, ""},
    {"TQRC_COM", "", "0ff011", 0, "0FF011"},
    {"TQRC_COM", "", "1FE000", 0, "1FE000"},
    {"TQRC_COM", "", "93F026", 0, "93F026"},   // station 63
    {"TQRC_COM", "", "040011", 8118, ""},
    {"TQRC_COM", "", "0FF010", 8118, ""},
    {"TQRC_COM", "", "2FF011", 8119, ""},
    {"TQRC_COM", "", "0FG011", 8119, ""},
    {"TQRC_COM", "", "0FF01A", 8119, ""},
    {"TQRC_COM", "", "0FF01", 8117, ""},
    {"58R_COM", "", "6317", 0, "6317"},
    {"58R_COM", "", "6417", 8118, ""},
    {"58R_COM", "", "6318", 8118, ""},
    {"58R_COM", "", "63a7", 8119, ""},
    {"FLAG", "0;1", "1", 0, "1"},
    {"FLAG", "0;1", "2", 8118, ""},
    {"FLAG", "0;1", "10", 8117, ""},
    {"FLAG", "", "0", 8118, ""},
    {"HEX_FLAG", "0;F", "F", 0, "F"},
    {"CHAR_FLAG", "A;M", "M", 0, "M"},
    {"CHAR_FLAG", "A;M", "m", 8118, ""},
    {"FACTORIAL", "", "16", 0, "16"},
    {"FACTORIAL", "", "64", 0, "64"},
    {"FACTORIAL", "", "3", 8118, ""},
    {"FACTORIAL", "", "128", 8117, ""},
    {"FACTORIAL", "", "1a", 8119, ""},
    {"INT1", "1;3;10_20", "1", 0, "1"},
    {"INT1", "1;3;10_20", "3", 0, "3"},
    {"INT1", "1;3;10_20", "15", 0, "15"},
    {"INT1", "1;3;10_20", "2", 8118, ""},
    {"INT1", "1;3;10_20", "21", 8118, ""},
    {"INT2", "-5_5", "-0", 0, "0"},
    {"INT2", "-5_5", "-5", 0, "-5"},
    {"INT3", "0_10", "007", 0, "7"},
    {"INT4", "-5_5", "--5", 8119, ""},
    {"INT4", "-5_5", "-", 8119, ""},
    {"INT4", "-5_5", "", 8119, ""},
    {"INT4", "-5_5", "1.5", 8119, ""},
    {"INT4", "-5_5", "+1", 8119, ""},
    {"INT4", "-5_5", " 1", 8119, ""},
    {"INT5", "0_10", "99999999999999999999", 8118, ""},
    {"INT6", "", "1", 8118, ""},
    {"INT8", "100_99999999", "99999999", 0, "99999999"},
    {"FLOAT2", "0.0_100.0", "  50", 0, "50.00"},
    {"FLOAT2", "0.0_100.0", "100", 0, "100.00"},
    {"FLOAT2", "-100.0_100.0", "-100", 0, "-100.00"},
    {"FLOAT1", "0.0_100.0", "12.5", 0, "12.5"},
    {"FLOAT3", "-1_1", "-0", 0, "0.000"},
    {"FLOAT4", "0.0_10.0", ".1", 0, "0.1000"},
    {"FLOAT2", "0.0_100.0", "-5", 8118, ""},
    {"FLOAT2", "0.0_100.0", "100.01", 8118, ""},
    {"FLOAT2", "0.0_100.0", "5e3", 8119, ""},
    {"FLOAT2", "0.0_100.0", "1.2.3", 8119, ""},
    {"FLOAT2", "0.0_100.0", "--5", 8119, ""},
    {"FLOAT2", "0.0_100.0", "-", 8119, ""},
    {"FLOAT2", "0.0_100.0", ".", 8119, ""},
    {"FLOAT2", "0.0_100.0", "50,5", 8119, ""},
    {"FLOAT2", "", "5", 8118, ""},
    {"FLOAT4", "0_99999999999999", "99999999999999", 8117, ""},   // 19 characters do not fit
    {"CHAR08", "", "12345678", 0, "12345678"},
    {"CHAR16", "", "1234567890123456", 0, "1234567890123456"},
    {"CHAR02", "", "", 0, ""},
    {"XYZ", "", "any text", 0, "any text"},
    {"XYZ", "", "12345678901234567", 8117, ""},
    {"FA_INT2", "", "123456789012345678901234567890123", 8117, ""},
};

class ValidationTest : public UnitFixture {
protected:
    void define(int item, const char* type, const char* range)
    {
        auto& d = unit->itemDefinitions[item];
        std::memset(&d, 0, sizeof d);
        std::snprintf(d.type, sizeof d.type, "%s", type);
        std::snprintf(d.range, sizeof d.range, "%s", range);
    }

    void runInputTable()
    {
        placeCard(0, 1, "QV200");
        makeCurrent(0, 1, 11);
        for (const InputCase& c : kInputCases) {
            SCOPED_TRACE(std::string(c.type) + " [" + c.range + "] '" + c.input + "'");
            define(c.item, c.type, c.range);
            std::string value = c.input;
            ScriptedPrompt prompt;
            const int r = model::ValidateItemInput(*unit, prompt, 0, c.item, value);
            if (c.message == 0) {
                EXPECT_EQ(r, 0);
                EXPECT_EQ(value, c.stored);
                EXPECT_TRUE(prompt.shown.empty());
            } else {
                EXPECT_EQ(r, -1);
                EXPECT_EQ(value, c.input);
                ASSERT_EQ(prompt.ids(), std::vector<int>{c.message});
                EXPECT_EQ(prompt.shown[0].args[0], model::MessageArg(std::int64_t(c.namedItem < 0 ? c.item : c.namedItem)));
                ScriptedPrompt silent;   // quiet: the same verdict, no message
                std::string again = c.input;
                EXPECT_EQ(model::ValidateItemInput(*unit, silent, 1, c.item, again), -1);
                EXPECT_TRUE(silent.shown.empty());
            }
        }
    }
};

TEST_F(ValidationTest, EveryItemTypeAcceptsNormalisesAndRefuses) { runInputTable(); }

// Numbers never follow the user's locale: the same table under a decimal comma.
TEST_F(ValidationTest, EveryItemTypeUnderADecimalCommaLocale)
{
    const std::string before = std::setlocale(LC_ALL, nullptr);
    const char* chosen = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"})
        if ((chosen = std::setlocale(LC_ALL, name))) break;
    if (!chosen) {
        std::setlocale(LC_ALL, "C.UTF-8");
        std::printf("note: no locale with a decimal comma is installed; running under C.UTF-8\n");
    } else {
        char probe[16];
        std::snprintf(probe, sizeof probe, "%.1f", 1.5);
        EXPECT_STREQ(probe, "1,5");
    }
    runInputTable();
    std::setlocale(LC_ALL, before.c_str());
}

TEST_F(ValidationTest, LongCharacterItemsNameTheirWidth)
{
    placeCard(0, 1, "QV200");
    makeCurrent(0, 1, 11);
    struct Case {
        const char* type;
        const char* input;
        int width;
    } cases[] = {{"CHAR08", "123456789", 8}, {"CHAR16", "12345678901234567", 16}, {"CHAR02", "abc", 2}};
    for (const Case& c : cases) {
        define(5, c.type, "");
        ScriptedPrompt prompt;
        std::string value = c.input;
        EXPECT_EQ(model::ValidateItemInput(*unit, prompt, 0, 5, value), -1);
        ASSERT_EQ(prompt.ids(), std::vector<int>{8120});
        EXPECT_EQ(prompt.shown[0].args, (model::MessageArgs{std::int64_t(5), std::int64_t(c.width)}));
        EXPECT_EQ(res::message(8120, res::Language::English, prompt.shown[0].args),
                  "Incorrect input data length. ( It05 maximum " + std::to_string(c.width) + " characters)");
        ScriptedPrompt silent;
        value = c.input;
        EXPECT_EQ(model::ValidateItemInput(*unit, silent, 1, 5, value), -1);
        EXPECT_TRUE(silent.shown.empty());
    }
}

TEST_F(ValidationTest, CardNumberOfATwoSlotControllerStopsAtE)
{
    placeCard(0, 1, "QV200W");
    writeUnit(0, 0, {{0, "00SYS"}});
    makeCurrent(0, 1, 0);
    ASSERT_EQ(unit->LoadBlockDefinition(unit->model(), unit->version(), "SYS"), 0);
    struct Case {
        int item;
        const char* input;
        int result;
        const char* stored;
    } cases[] = {{51, "e", 0, "E"}, {51, "F", -1, ""}, {51, "9", 0, "9"}};
    for (const Case& c : cases) {
        ScriptedPrompt prompt;
        std::string value = c.input;
        EXPECT_EQ(model::ValidateItemInput(*unit, prompt, 0, c.item, value), c.result) << c.input;
        if (c.result == 0) EXPECT_EQ(value, c.stored);
        else EXPECT_EQ(prompt.ids(), std::vector<int>{8119});
    }
    // The same item of another group, or on another model, takes any hexadecimal digit.
    define(51, "CARD", "");
    unit->g_curGroup = 1;
    ScriptedPrompt prompt;
    std::string value = "F";
    EXPECT_EQ(model::ValidateItemInput(*unit, prompt, 0, 51, value), 0);
}

class ReferenceTest : public UnitFixture {
protected:
    void SetUp() override
    {
        UnitFixture::SetUp();
        placeCard(0, 1, "QV200");
        writeUnit(0, 0, {{0, "00SYS"}, {11, "31CDI"}, {30, "76PVA"}, {31, "60LAG"}, {81, "95SEQ"}, {97, "97AAA"},
                         {98, "96BBB"}},
                  {{30, 11, "3101"}, {81, 11, "011100"}, {81, 12, "013002"}});
        makeCurrent(0, 1, 30);
        ASSERT_EQ(unit->LoadBlockDefinition(unit->model(), unit->version(), "PVA"), 0);
    }

    // The type of item 0 of the definition the library has selected.
    std::string selectedItemType(int item)
    {
        char type[16] = {};
        KRAVinA_Block_Inf_Get(0, item, type, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        return type;
    }
};

TEST_F(ReferenceTest, AnalogReferences)
{
    struct Case {
        const char* ref;
        int result;
    } cases[] = {{"0099", 0}, {"3100", 0}, {"5500", 0}, {"3101", 0}, {"3100", 0}, {"3102", -1},
                 {"3201", -1}, {"31x1", -1}, {"310", -1}, {"0001", -1}, {"", 0}, {"    ", 0}, {" 301", -1}};
    for (const Case& c : cases) EXPECT_EQ(model::CheckBlockReference(*unit, c.ref), c.result) << c.ref;
    // The current group's definition is selected again afterwards.
    EXPECT_EQ(selectedItemType(11), "ANACOM");

    ReferenceError error;
    EXPECT_EQ(model::FindBadAnacomReference(*unit, error), 0);
    KRAVinA_Data_Item_Set(30, 11, itemText("3102").data());
    EXPECT_EQ(model::FindBadAnacomReference(*unit, error), -1);
    EXPECT_EQ(error.group, 30);
    EXPECT_EQ(error.item, 11);
    EXPECT_STREQ(error.value.data(), "3102");
}

TEST_F(ReferenceTest, StepReferencesNeedDigitalTerminals)
{
    struct Case {
        const char* code;
        int result;
    } cases[] = {{"011100", 0}, {"111115", 0}, {"013002", 0}, {"013000", -1}, {"013001", -1}, {"014000", -1},
                 {"030000", 0}, {"050000", 0}, {"120000", 0}, {"******", 0}, {"0130x0", -1}, {"01", -1}};
    for (const Case& c : cases) EXPECT_EQ(model::CheckStepCode(*unit, c.code), c.result) << c.code;
    model::UnitSequenceCheck check(*unit);
    EXPECT_EQ(check.CheckStepCode(model::MakeStepCode("013000")), -1);
    EXPECT_EQ(check.CheckStepCode(model::MakeStepCode("011100")), 0);
    EXPECT_EQ(selectedItemType(11), "ANACOM");
    EXPECT_EQ(unit->g_curGroup, 30);

    unit->g_curGroup = 81;
    ASSERT_EQ(unit->LoadBlockDefinition(unit->model(), unit->version(), "SEQ"), 0);
    ReferenceError error;
    EXPECT_EQ(model::FindBadSeqReference(*unit, error), 0);
    KRAVinA_Data_Item_Set(81, 13, itemText("073000").data());
    EXPECT_EQ(model::FindBadSeqReference(*unit, error), -1);
    EXPECT_EQ(error.item, 13);
    EXPECT_STREQ(error.value.data(), "073000");

    char name[20];
    std::memset(name, '#', sizeof name);
    model::GetBlockItemName(*unit, 30, 2, name);
    EXPECT_EQ(std::string(name, 6), "Alarm#");
    EXPECT_FALSE(model::IsDigitalItem(*unit, 12, 0));   // no block
    EXPECT_TRUE(model::IsDigitalItem(*unit, 11, 15));
    EXPECT_FALSE(model::IsDigitalItem(*unit, 11, 16));   // not in use
}

TEST_F(ReferenceTest, StationScanVisitsTheCardsOfARemoteStationAndRestoresTheUnit)
{
    placeStation(2, "V8RTU", "1.00", 0, 0, "2");
    placeCard(2, 1, "V8RTU");
    placeCard(2, 2, "V8RTU");
    writeUnit(2, 0, {{0, "00SYS"}, {30, "70HLL"}, {31, "60LAG"}}, {{30, 11, "3101"}});
    writeUnit(2, 1, {{0, "00SYS"}, {31, "60LAG"}, {32, "70HLL"}}, {{32, 11, "3102"}, {32, 12, "3101"}});
    makeCurrent(2, 1, 30);
    KRAVinA_Data_Item_Set(45, 0, itemText("PENDING").data());

    ReferenceError error;
    EXPECT_EQ(model::FindBadReferenceInStation(*unit, 30, 31, error), 0);
    EXPECT_EQ(model::FindBadReferenceInStation(*unit, 30, 40, error), -1);
    EXPECT_EQ(error.group, 32);
    EXPECT_EQ(error.item, 11);
    EXPECT_STREQ(error.value.data(), "3102");
    // Back on card 1, group 30, with its tables and its pending change.
    EXPECT_EQ(unit->g_curCard, 1);
    EXPECT_EQ(unit->g_curGroup, 30);
    EXPECT_EQ(unit->blockId(30), "HLL");
    EXPECT_EQ(readItemText(45, 0), "PENDING");
    EXPECT_EQ(readItemText(30, 11), "3101");
}

TEST_F(ReferenceTest, ContactCodesAgainstTheStoredCodes)
{
    struct Case {
        int key;
        const char* code;
        int result;
    } cases[] = {{'a', "000096", -1}, {'a', "000097", -1}, {'a', "000098", -1}, {'a', "000099", -1},
                 {'a', "000095", 0},  {'b', "000097", -1}, {'b', "000096", -1}, {'b', "000098", -1},
                 {'b', "000099", 0},  {'c', "000097", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(model::CheckContactCode(*unit, c.key, c.code), c.result) << char(c.key) << c.code;
}

TEST_F(ReferenceTest, VirtualSlotTerminalsKeepOneKind)
{
    placeCard(0, 3, "TQRQ$");
    auto owned = std::make_unique<model::CommLinkTable>();
    model::CommLinkTable& table = *owned;
    table.slot(0, 2)->terminals[0].kind = 3;
    table.slot(0, 2)->terminals[5].kind = 3;
    makeCurrent(0, 3);
    EXPECT_EQ(model::CheckTqrqTerminalKind(*unit, table, 12, "CAI"), 0);
    EXPECT_EQ(model::CheckTqrqTerminalKind(*unit, table, 12, "CAO"), -1);
    EXPECT_EQ(model::CheckTqrqTerminalKind(*unit, table, 12, "CDI"), 0);
    EXPECT_EQ(model::CheckTqrcTerminalKind(*unit, table, 12, "CAO"), 0);   // not a TQRC slot
    table.slot(0, 2)->terminals[5].kind = 4;
    EXPECT_EQ(model::CheckTqrqTerminalKind(*unit, table, 11, "CAI"), -1);
    EXPECT_EQ(model::CheckTqrqTerminalKind(*unit, table, 16, "CAI"), 0);   // the other one is itself
}

TEST(KeyAndGroupRules, KeysAndSpecialGroups)
{
    struct Case {
        int a, b, key;
        bool allowed;
    } cases[] = {{1, 0, 10, true}, {1, 95, 8, false}, {0, 95, 3, true}, {0, 7, 10, true}, {0, 7, 8, false},
                 {0, 0, 8, true},  {0, 0, 11, true},  {0, 0, 97, false}, {0, 0, 5, false}};
    for (const Case& c : cases) EXPECT_EQ(model::IsKeyAllowed(c.a, c.b, c.key), c.allowed) << c.a << c.b << c.key;
    EXPECT_EQ(model::GetSpecialBlockIndex(4), 101);
    EXPECT_EQ(model::GetSpecialBlockIndex(94), 114);
    EXPECT_EQ(model::GetSpecialBlockIndex(11), 0);
}

}  // namespace
}  // namespace kravin::test

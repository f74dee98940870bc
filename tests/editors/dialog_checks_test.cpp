#include "dialog_checks.h"
#include "system_fixture.h"

#include <gtest/gtest.h>

namespace kravin::editors {
namespace {

using test::fixtureMasters;
using test::kindName;
using test::placeCard;
using test::placeStation;

TEST(ModelSelection, CardListHidesVirtualKindsAndKeepsTheCurrentLine)
{
    const model::CardKindMasters masters = fixtureMasters();
    model::SystemConfigTables tables;
    placeCard(tables, 4, 2, 11, 1);  // KMQ 2.00 follows TQRQ$ (4) and TQRC$ (6)
    const ModelList list = buildModelList(masters, tables, 4, 2);
    ASSERT_EQ(list.models.size(), 11u);
    EXPECT_EQ(list.models[3], kindName("TQRC"));
    ASSERT_GE(list.modelLine, 0);
    EXPECT_EQ(list.models[static_cast<std::size_t>(list.modelLine)], kindName("KMQ"));
    EXPECT_EQ(list.versions, (std::vector<std::string>{"1.00", "2.00"}));
    EXPECT_EQ(list.versionLine, 1);
}

TEST(ModelSelection, StationListsAndEmptyUnits)
{
    model::CardKindMasters masters = fixtureMasters();
    model::SystemConfigTables tables;
    placeStation(tables, 0, 2, 1);
    ModelList st = buildModelList(masters, tables, 0, 0);
    EXPECT_EQ(st.models.size(), 3u);  // station kinds keep every entry
    EXPECT_EQ(st.modelLine, 1);
    EXPECT_EQ(st.versionLine, 1);
    // Nothing placed: first lines, versions of kind 1.
    ModelList none = buildModelList(masters, tables, 0, 7);
    EXPECT_EQ(none.modelLine, 0);
    EXPECT_EQ(none.versions, (std::vector<std::string>{"1.00"}));
    EXPECT_EQ(none.versionLine, 0);
    // A version index past the kind's versions selects the last line, not beyond.
    placeCard(tables, 0, 3, 1, 25);
    EXPECT_EQ(buildModelList(masters, tables, 0, 3).versionLine, 0);
    // No unit at all and a master without kinds.
    EXPECT_EQ(buildModelList(masters, tables, -1, -1).modelLine, 0);
    model::CardKindMasters empty;
    const ModelList nothing = buildModelList(empty, tables, 0, 0);
    EXPECT_TRUE(nothing.models.empty());
    EXPECT_EQ(nothing.modelLine, -1);
    EXPECT_EQ(nothing.versionLine, -1);
}

TEST(ModelSelection, VersionsOfAModelName)
{
    const model::CardKindMasters masters = fixtureMasters();
    EXPECT_EQ(versionsOfModel(masters.card, kindName("KMQ")), (std::vector<std::string>{"1.00", "2.00"}));
    EXPECT_TRUE(versionsOfModel(masters.card, "NOSUCH  ").empty());
}

TEST(ListSelections, CardNamesAndFunctions)
{
    const std::vector<std::string> names{"AAAAAAAA", "BBBBBBBB", "CCCCCCCC"};
    EXPECT_EQ(cardNameLines(names, 14).size(), 2u);
    EXPECT_EQ(cardNameLines(names, 13).size(), 3u);

    auto blockName = [](std::string_view id3) -> std::string {
        if (id3 == "PID") return "PID control";
        if (id3 == "ADD") return "Adder";
        return {};
    };
    const std::vector<std::string> codes{"01PID", "02XXX", "03ADD", "4"};
    FunctionChoices f = buildFunctionChoices("KMQ     ", codes, "03ADD", {}, blockName);
    EXPECT_EQ(f.lines, (std::vector<std::string>{"PID(01)  PID control", "ADD(03)  Adder"}));
    EXPECT_EQ(f.initial, 2);  // index among the valid codes
    EXPECT_EQ(buildFunctionChoices("KMQ     ", codes, "99ZZZ", {}, blockName).initial, 0);
    EXPECT_EQ(buildFunctionChoices("KMQ     ", codes, "", {}, blockName).initial, 0);
    // TQRC$: the first terminal of kind 3 or 4 decides.
    EXPECT_EQ(buildFunctionChoices("TQRC$   ", codes, "03ADD", {0, 4, 3}, blockName).initial, 1);
    EXPECT_EQ(buildFunctionChoices("TQRC$   ", codes, "03ADD", {0, 3, 4}, blockName).initial, 0);
    EXPECT_EQ(buildFunctionChoices("TQRC$   ", codes, "03ADD", {}, blockName).initial, 0);
}

TEST(EnterParameter, InitialTextsLabelsAndContacts)
{
    EXPECT_EQ(paramInitialText(7), "0007");
    EXPECT_EQ(paramInitialText(9999), "9999");
    EXPECT_EQ(paramInitialText(12345), "2345");
    EXPECT_EQ(paramInitialText(10005), "5");
    EXPECT_EQ(paramInitialText(-1), "");
    EXPECT_TRUE(paramDropsSelection(12345));
    EXPECT_FALSE(paramDropsSelection(9999));
    EXPECT_EQ(paramLabelId(0), 9900);
    EXPECT_EQ(paramLabelId(7), 9907);
    EXPECT_EQ(paramLabelId(8), 0);
    EXPECT_EQ(paramLabelId(-1), 0);

    struct Case {
        const char* text;
        int group, item;
    };
    const Case cases[] = {{"0512", 5, 12}, {"05", 5, 0}, {"0", 0, 0}, {"", 0, 0}, {"ab12", 0, 12}, {"9-12", 0, 12}};
    for (const Case& c : cases) {
        const ContactRef r = contactOfParam(c.text);
        EXPECT_EQ(r.group, c.group) << c.text;
        EXPECT_EQ(r.item, c.item) << c.text;
    }
    EXPECT_EQ(paramTextOfContact({3, 7}), "0307");
    EXPECT_EQ(paramTextOfContact({150, -2}), "9900");
}

TEST(EnterParameter, OkCheck)
{
    struct Case {
        const char* text;
        int kind;
        int message;
    };
    const Case cases[] = {
        {"8105", 7, 0},        {"0", 7, 0},     {"9219", 7, 0},       {"8120", 7, 8116}, {"9301", 7, 8116},
        {"8019", 7, 8116},     {"105", 7, 8116},  // 0105: group 1
        {"9999", 0, 0},        {"12", 3, 0},
        {"12a4", 0, 9402},     {"-1", 0, 9402}, {"+12", 0, 9402},    {"", 0, 9402},     {"12345", 0, 9402},
        {" 12", 0, 9402},      {"-105", 7, 9402},
    };
    for (const Case& c : cases) EXPECT_EQ(checkParamEntry(c.text, c.kind), c.message) << c.text << " kind " << c.kind;
}

TEST(IdInput, FourCharactersOfAnyKind)
{
    struct Case {
        const char* typed;
        int result;
        const char* buffer;
    };
    for (const Case& c : {Case{"1234", 0, "1234"}, Case{"AB12", 0, "AB12"}, Case{"12 4", 0, "12 4"},
                          Case{"-123", 0, "-123"}, Case{"123", 9400, "123"}, Case{"12345", 9400, "1234"},
                          Case{"", 9400, ""}}) {
        std::array<char, 5> buffer{'x', 'x', 'x', 'x', 'x'};
        EXPECT_EQ(checkIdEntry(c.typed, buffer), c.result) << c.typed;
        EXPECT_STREQ(buffer.data(), c.buffer) << c.typed;
    }
}

TEST(StepNumber, InitialTextAndCheck)
{
    EXPECT_EQ(stepNoInitialText(7), "07");
    EXPECT_EQ(stepNoInitialText(123), "23");
    EXPECT_EQ(stepNoInitialText(-5), "");
    EXPECT_TRUE(stepNoDropsSelection(100));
    for (const char* ok : {"07", "7", "00", "19"}) EXPECT_EQ(checkStepNoEntry(ok), 0) << ok;
    for (const char* bad : {"20", "99", "", "1x", "-1", "+5", "007"}) EXPECT_EQ(checkStepNoEntry(bad), 8226) << bad;
}

TEST(StepTimer, FromTheCellValue)
{
    struct Case {
        int value, seconds, kind;
    };
    const Case cases[] = {{141005, 5, 1}, {140999, 999, 0}, {140000, 0, 0}, {139999, 0, 0}, {0, 0, 0},
                          {142005, 0, 0}, {-5, 0, 0}};
    for (const Case& c : cases) {
        const StepTimer t = stepTimerOfCell(c.value);
        EXPECT_EQ(t.seconds, c.seconds) << c.value;
        EXPECT_EQ(t.kind, c.kind) << c.value;
    }
}

TEST(EnterComment, CutToTwentyBytesWithoutHalfCharacters)
{
    EXPECT_EQ(fitComment("short"), "short");
    EXPECT_EQ(fitComment(std::string(25, 'a')), std::string(20, 'a'));
    // 19 single bytes then a double-byte character: the half character is dropped.
    const std::string text = std::string(19, 'a') + "\x82\xa0" + "b";
    EXPECT_EQ(fitComment(text), std::string(19, 'a'));
}

}  // namespace
}  // namespace kravin::editors

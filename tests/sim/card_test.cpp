#include "card.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using namespace qvsim;

namespace {

TEST(CardConfig, ReadsCardsGroupsAndBanks)
{
    const char* text =
        "# two units of one device\n"
        "card QV200W 0012 baud=2 select=0\n"
        "00.96 = 24\n"
        "00.99=1.6 \n"
        "01.10 = 01\n"
        "01.11 =  12.50\n"
        "group 98\n"
        "\n"
        "card KMQ100 0013 select=1\r\n"
        "b2:01.10 = 41\r\n"
        "b2:group 14\n";
    ConfigResult r = ParseCardConfig(text);
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(r.cards.size(), 2u);
    const SimCard& a = r.cards[0];
    EXPECT_EQ(a.model, "QV200W");
    EXPECT_EQ(a.unitId(), "0012");
    EXPECT_EQ(a.baudIndex, 2);
    EXPECT_EQ(a.selector, "0");
    EXPECT_EQ(a.bank0.at(0).at(96), "24");
    EXPECT_EQ(a.bank0.at(0).at(99), "1.6");
    EXPECT_EQ(a.bank0.at(1).at(11), "12.50");
    EXPECT_TRUE(a.bank0.count(98));
    EXPECT_TRUE(a.bank0.at(98).empty());
    EXPECT_FALSE(a.hasBank2());
    const SimCard& b = r.cards[1];
    EXPECT_EQ(b.baudIndex, 1);  // default 9600
    EXPECT_EQ(b.selector, "1");
    EXPECT_TRUE(b.hasBank2());
    EXPECT_EQ(b.bank2.at(1).at(10), "41");
    EXPECT_TRUE(b.bank2.count(14));
}

TEST(CardConfig, ReportsTheFirstBadLine)
{
    struct Case {
        std::string text;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"", "no card defined"},
        {"# only a comment\n", "no card defined"},
        {"01.10 = 1\n", "line 1: item before the first card line"},
        {"card QV200\n", "line 1: expected: card MODEL ID [baud=N] [select=TEXT] [blank] [strict] [sample-blocks]"},
        {"card QV200 12\n", "line 1: unit ID must have 4 characters"},
        {"card QV200LONGER 0012\n", "line 1: model name longer than 8 characters"},
        {"card QV200 0012 baud=3\n", "line 1: baud index must be 0, 1 or 2"},
        {"card QV200 0012 baud=x\n", "line 1: baud index must be 0, 1 or 2"},
        {"card QV200 0012 speed=1\n", "line 1: unknown card option 'speed=1'"},
        {"card QV200 0012\n01.10\n", "line 2: expected GG.II = value"},
        {"card QV200 0012\n100.10 = 1\n", "line 2: item key must be GG.II with group and item 0..99"},
        {"card QV200 0012\n01.x = 1\n", "line 2: item key must be GG.II with group and item 0..99"},
        {"card QV200 0012\n\n01.-1 = 1\n", "line 3: item key must be GG.II with group and item 0..99"},
        {"card QV200 0012\n01.10 = 01234567890123456789\n", "line 2: value longer than 19 characters"},
        {"card QV200 0012\n01.10 = a\x02z\n", "line 2: value holds a control character"},
        {"card QV200 0012\n00.52 = 12345\n", "line 2: unit ID must have 4 characters"},
        {"card QV200 0012\nb2:15.10 = 1\n", "line 2: bank 2 groups are 1..14"},
        {"card QV200 0012\nb2:group 0\n", "line 2: bank 2 groups are 1..14"},
        {"card QV200 0012\ngroup 100\n", "line 2: group must be 0..99"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ConfigResult r = ParseCardConfig(c.text);
        EXPECT_EQ(r.error, c.error);
        EXPECT_TRUE(r.cards.empty());
    }
}

TEST(CardConfig, LoadsAFileAndReportsAMissingOne)
{
    kravin::test::TempDir dir;
    const std::string path = dir / "cards.txt";
    std::ofstream(path) << "card QV110 0042\n01.10 = 01\n";
    ConfigResult r = LoadCardConfig(path);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.cards.at(0).unitId(), "0042");
    EXPECT_FALSE(LoadCardConfig(dir / "missing.txt").ok());
}

TEST(CardConfig, SavedStateLoadsBackAsTheSameCards)
{
    SimCard blank = BlankCard("V8RTU", "0009");
    blank.selector = "1";
    blank.strict = true;
    blank.bank0[2][11] = "12.5";
    SimCard bank = DefaultCard();
    bank.model = "KMQ100";
    bank.bank2[3] = {{10, "41"}};
    bank.bank0[98];  // a group without items
    const ConfigResult r = ParseCardConfig(FormatCardConfig({blank, bank}));
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(r.cards.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const SimCard& want = i == 0 ? blank : bank;
        const SimCard& got = r.cards[i];
        EXPECT_EQ(got.model, want.model);
        EXPECT_EQ(got.selector, want.selector);
        EXPECT_EQ(got.blank, want.blank);
        EXPECT_EQ(got.strict, want.strict);
        EXPECT_EQ(got.sampleBlocks, want.sampleBlocks);
        EXPECT_EQ(got.bank0, want.bank0) << i;
        EXPECT_EQ(got.bank2, want.bank2) << i;
    }
}

TEST(CardConfig, SavedStateKeepsEveryValueTheToolWrites)
{
    // Values a download writes, each into its own item; the state written and read back
    // holds them exactly.
    const std::vector<std::pair<int, std::string>> values = {
        {2, "  PUMP 1"},             // blanks at the start of a unit name
        {3, "TAG     "},             // and at its end
        {4, ""},                     // an empty text
        {5, "\"quoted\""},           // quotes around a text
        {6, "a\\b = c"},             // backslash and equals sign
        {7, "0.1000"},
        {11, "#1"},                  // a comment sign
        {48, "**"},
        {49, "1234567890123456789"}, // 19 characters, the longest value
        {50, "x\ty"},                // a tab inside
        {51, "3F"},
        {53, "a\x02z"},              // a start-of-text byte inside
    };
    for (const char* unitId : {"2", "", "12 4", "0001", " 0001", "\"AB\""}) {
        SCOPED_TRACE(std::string("unit ID '") + unitId + "'");
        SimCard card;
        card.baudIndex = 1;
        card.bank0[0][0] = "0";
        card.bank0[0][52] = unitId;  // a V8RTU station download writes the card count there
        for (const auto& [item, v] : values) card.bank0[0][item] = v;
        card.bank0[81][11] = "-";
        card.bank2[1][11] = " b2 ";
        AddClockItems(card);
        const std::string text = FormatCardConfig({card});
        const ConfigResult r = ParseCardConfig(text);
        ASSERT_TRUE(r.ok()) << r.error << "\n" << text;
        ASSERT_EQ(r.cards.size(), 1u);
        EXPECT_EQ(r.cards[0].unitId(), unitId);
        EXPECT_EQ(r.cards[0].bank0, card.bank0) << text;
        EXPECT_EQ(r.cards[0].bank2, card.bank2) << text;
        // Written again, the state is the same text.
        EXPECT_EQ(FormatCardConfig(r.cards), text);
    }
}

TEST(CardConfig, QuotedValuesAreTakenAsWrittenAndCheckedForForm)
{
    const ConfigResult r = ParseCardConfig("card QV200 0012\n02.00 = \"  a\\\"b\\x41 \"\n00.52 = \"2\"\n");
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.cards[0].bank0.at(2).at(0), "  a\"bA ");
    EXPECT_EQ(r.cards[0].unitId(), "2");
    for (const char* bad : {"\"abc", "\"a\"b\"", "\"a\\qb\"", "\"a\\x4\"", "\"a\\xZZ\"", "\"a\\\""}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(ParseCardConfig(std::string("card QV200 0012\n02.00 = ") + bad + "\n").error,
                  "line 2: quoted value not well formed");
    }
    EXPECT_EQ(ParseCardConfig("card QV200 0012\n02.00 = \"01234567890123456789\"\n").error,
              "line 2: value longer than 19 characters");
    EXPECT_EQ(ParseCardConfig("card QV200 0012\n02.00 = \"a\\x0Db\"\n").error, "line 2: value holds a control character");
}

}  // namespace

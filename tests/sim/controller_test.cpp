#include "controller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qvsim;

namespace {

struct Step {
    std::string command;  // without CR
    std::string reply;    // without CR; "" for no reply
};

// Runs plain commands and compares the replies.
void runScript(Controller& c, const std::vector<Step>& script)
{
    for (const auto& s : script) {
        SCOPED_TRACE(s.command);
        auto answer = c.handle(s.command + "\r");
        if (s.reply.empty()) {
            EXPECT_FALSE(answer.has_value());
        } else {
            ASSERT_TRUE(answer.has_value());
            EXPECT_FALSE(answer->framed);
            EXPECT_EQ(answer->bytes(), s.reply + "\r");
        }
    }
}

SimCard bankCard()
{
    SimCard card = DefaultCard();
    card.model = "KMQ100";
    card.bank2[1] = {{10, "41"}, {11, "bank2"}};
    return card;
}

TEST(Controller, GroupItemAndDataCommands)
{
    Controller c({DefaultCard()});
    runScript(c, {
        {"I10", "CNG"},      // no group selected
        {"D5", "CNG"},       // nothing selected
        {"G01", "COK"},
        {"I10", "D01"},
        {"I11", "D0000"},    // the shipped tables' default
        {"D99.5", "D99.5"},
        {"I11", "D99.5"},
        {"D01234567890123456789", "CNG"},  // 20 characters: too long, value kept
        {"I11", "D99.5"},
        {"I50", "CNG"},      // no such item; the selection is gone
        {"D1", "CNG"},
        {"G07", "CNG"},
        {"I10", "CNG"},      // the failed group selection leaves none
        {"G81", "COK"},      // a sequence group
        {"I12", "D030000"},
        {"G1", "CNG"},       // malformed commands
        {"I1x", "CNG"},
        {"X00", "CNG"},
        {"", "CNG"},
        {"CNG", "CNG"},
    });
}

TEST(Controller, ClockItemsTakeTheWrittenTime)
{
    Controller c({DefaultCard()});
    runScript(c, {
        {"G00", "COK"}, {"I00", "D0"},   {"D0", "D0"},     {"I01", "D0"},   {"D1", "D1"},
        {"I54", "D26"}, {"D31", "D31"},  {"I55", "D0101"}, {"D1224", "D1224"},
        {"I56", "D0000"}, {"D0905", "D0905"}, {"I57", "D00"}, {"D07", "D07"},
        {"I01", "D1"},  {"D0", "D0"},
    });
    EXPECT_EQ(c.value(0, 0, 0, 54), "31");
    EXPECT_EQ(c.value(0, 0, 0, 56), "0905");
    EXPECT_EQ(c.value(0, 0, 0, 1), "0");
}

TEST(Controller, CardsFromAFileKeepAClockAndLiveValuesChange)
{
    ConfigResult r = ParseCardConfig("card QV200 0012\n00.55 = 1231\n01.11 = 5\n");
    ASSERT_TRUE(r.ok()) << r.error;
    Controller c(r.cards);
    runScript(c, {{"G00", "COK"}, {"I54", "D26"}, {"I55", "D1231"}, {"I56", "D0000"}, {"I57", "D00"}, {"I01", "D0"}});
    c.setValue(0, 0, 1, 11, "7.5");
    runScript(c, {{"G01", "COK"}, {"I11", "D7.5"}});
    EXPECT_EQ(c.value(0, 0, 1, 11), "7.5");
    c.setValue(3, 0, 1, 11, "9");  // no such card: nothing
    EXPECT_EQ(c.value(0, 0, 1, 11), "7.5");
}

TEST(Controller, ClearEmptiesEveryGroupButGroupZero)
{
    Controller c({DefaultCard()});
    runScript(c, {{"G00", "COK"}, {"I95", "D0"}, {"D1", "D1"}, {"G01", "COK"}, {"I11", "D0"}, {"G00", "COK"}, {"I52", "D0001"}});
    EXPECT_EQ(c.clearCount(), 1);
}

TEST(Controller, SelectorPicksTheCard)
{
    SimCard first = DefaultCard();
    SimCard second = DefaultCard();
    second.selector = "1";
    second.bank0[0][52] = "0002";
    second.bank0[1][10] = "21";
    second.bank0.erase(81);
    Controller c({first, second});
    runScript(c, {
        {"G00", "COK"}, {"I00", "D0"}, {"D1", "D1"}, {"G01", "COK"}, {"I10", "D21"}, {"G81", "CNG"},
        {"G00", "COK"}, {"I00", "D1"}, {"D5", "D5"},  // no card 5: the value is only stored
        {"G01", "COK"}, {"I10", "D21"},
        {"G00", "COK"}, {"I00", "D5"}, {"D0", "D0"}, {"G01", "COK"}, {"I10", "D01"},
    });
    EXPECT_EQ(c.activeCard(), 0);
}

// A V8RTU station holds groups 0 and 1 once for its cards (a station download writes them
// only through card 1); each card keeps its other groups. Other devices keep them per card.
TEST(Controller, V8rtuCardsHoldGroups0And1OnceForTheStation)
{
    std::vector<SimCard> cards;
    for (const char* sel : {"0", "1", "2"}) {
        SimCard card = BlankCard("V8RTU", "0009");
        card.selector = sel;
        cards.push_back(card);
    }
    Controller c(cards);
    runScript(c, {
        {"G00", "COK"}, {"I01", "D0"}, {"D1", "D1"}, {"I52", "D0009"}, {"D3", "D3"},
        {"G01", "COK"}, {"I10", "D**"}, {"D01", "D01"}, {"I11", "D"}, {"D7", "D7"},
        {"G11", "COK"}, {"I10", "D**"}, {"D31", "D31"},
        {"G00", "COK"}, {"I00", "D0"}, {"D2", "D2"},
        {"I52", "D3"}, {"I01", "D1"},
        {"G01", "COK"}, {"I10", "D01"}, {"I11", "D7"},
        {"G11", "COK"}, {"I10", "D**"},
    });
    EXPECT_EQ(c.activeCard(), 2);
    EXPECT_EQ(c.value(1, 0, 1, 11), "7");
    EXPECT_EQ(c.value(2, 0, 11, 10), std::nullopt);
    EXPECT_EQ(c.value(0, 0, 11, 10), "31");
    c.setValue(2, 0, 0, 51, "05");
    EXPECT_EQ(c.value(0, 0, 0, 51), "05");

    SimCard w0 = BlankCard("QV200W", "0001"), w1 = BlankCard("QV200W", "0002");
    w1.selector = "1";
    Controller two({w0, w1});
    two.setValue(1, 0, 1, 11, "2");
    EXPECT_EQ(two.value(0, 0, 1, 11), std::nullopt);
}

TEST(Controller, SecondBankHoldsItsOwnGroups)
{
    Controller c({bankCard()});
    runScript(c, {
        {"G01", "COK"}, {"I11", "D0000"},
        {"G00", "COK"}, {"I00", "D0"}, {"D2", "D2"},
        {"G01", "COK"}, {"I10", "D41"}, {"I11", "Dbank2"}, {"G02", "CNG"},
        {"G00", "COK"}, {"I00", "D2"}, {"D0", "D0"},  // group 0 stays reachable
        {"G01", "COK"}, {"I11", "D0000"},
    });
}

TEST(Controller, FramedCommandsAnswerFramedFromTheirAddress)
{
    Controller c({DefaultCard()});
    auto answer = c.handle(EncodeFrame("0001", "G01") + "");
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->framed);
    EXPECT_EQ(answer->bytes(), "\x02" "0001COK" + FrameSum("0001COK") + "\r");
    EXPECT_EQ(FrameSum("0012I05"), "71");

    c.setExtraAddresses({"PU01"});
    answer = c.handle(EncodeFrame("PU01", "I10"));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->address, "PU01");
    EXPECT_EQ(answer->text, "D01");
}

TEST(Controller, BadOrForeignFramesAreNotAnswered)
{
    Controller c({DefaultCard()});
    std::string good = EncodeFrame("0001", "G01");
    std::string badSum = good;
    badSum[badSum.size() - 2] = badSum[badSum.size() - 2] == '0' ? '1' : '0';
    const std::vector<std::string> silent = {
        EncodeFrame("0002", "G01"),     // another unit
        badSum,
        "\x02" "00\r",                  // too short
        good.substr(0, good.size() - 1),  // no CR
    };
    for (const auto& line : silent) EXPECT_FALSE(c.handle(line).has_value()) << line;
    EXPECT_TRUE(c.handle(good).has_value());
}

TEST(BlankDevice, GroupsAreThereAndItemsComeByWriting)
{
    Controller c({BlankCard("QV200", "0007")});
    runScript(c, {
                     {"G37", "COK"},     // any group 0..99
                     {"I10", "D**"},     // an unwritten item 10
                     {"I11", "D"},       // any other unwritten item: empty
                     {"D12.5", "D12.5"}, // written, now it exists
                     {"I11", "D12.5"},
                     {"G00", "COK"},
                     {"I96", "D03"},     // the code the sample tables give a QV200
                     {"I52", "D0007"},
                 });
    EXPECT_EQ(c.value(0, 0, 37, 11), "12.5");
    EXPECT_EQ(c.value(0, 0, 37, 10), std::nullopt);
}

TEST(BlankDevice, ReportsTheTypeCodeTheSampleTablesGiveItsModel)
{
    const std::pair<const char*, const char*> cases[] = {
        {"QV200", "03"}, {"QV210W", "12"}, {"V8RTU", "13"}, {"PWZ", "16"}, {"TQRC", "22"},
        {"QV200   ", "03"},  // blank padded as the tool writes names
        {"NOSUCH", "00"},
    };
    for (const auto& [model, code] : cases) {
        SCOPED_TRACE(model);
        EXPECT_EQ(TypeCodeOfModel(model), code);
        EXPECT_EQ(BlankCard(model, "0001").bank0[0][96], code);
    }
}

TEST(Controller, DefaultCardIsAQv200OfTheSampleTables)
{
    // Type code and version as the tables give them; group 0 without a unit selector or
    // write mode that a download could take for data; every listed group answers.
    Controller c({DefaultCard()});
    runScript(c, {
                     {"G00", "COK"}, {"I96", "D03"}, {"I99", "D1.00"}, {"I52", "D0001"}, {"I01", "D0"},
                     {"I02", "D"},   // unit name
                     {"G01", "COK"}, {"I10", "D01"}, {"I07", "D1.0"},
                     {"G03", "COK"}, {"I10", "D**"},  // a valid group without a block
                     {"G81", "COK"}, {"I10", "D95"}, {"I13", "D000000"},
                     {"G06", "CNG"},  // not a group of the model
                 });
}

TEST(Controller, DefaultCardGroupsTakeTheBlocksTheTablesAllowThere)
{
    // An empty group takes the items of a block written into it, item by item, and gives
    // them back; items no allowed block has stay refused.
    Controller c({DefaultCard()});
    runScript(c, {
                     {"G03", "COK"}, {"I00", "D"}, {"DFIC-101", "DFIC-101"}, {"I10", "D**"}, {"D23", "D23"},
                     {"I11", "D"}, {"D0102", "D0102"}, {"I21", "D"}, {"I50", "CNG"},
                     {"G03", "COK"}, {"I00", "DFIC-101"}, {"I10", "D23"}, {"I11", "D0102"},
                     {"G02", "COK"}, {"I12", "D0000"}, {"I22", "CNG"},       // MVA or BCA: no item 22
                     {"G12", "COK"}, {"I35", "D"}, {"I36", "CNG"},          // 16 terminals from item 20
                     {"G45", "COK"}, {"I25", "D"}, {"D9", "D9"}, {"I26", "CNG"},  // DCN: sources to 25
                     {"G62", "COK"}, {"I12", "D"}, {"G79", "COK"}, {"I20", "D"},
                     {"G82", "COK"}, {"I11", "D"}, {"I99", "D"}, {"D000000", "D000000"},  // every step item
                     {"G97", "COK"}, {"I11", "D"}, {"G98", "COK"}, {"I20", "D"},
                     {"G80", "COK"}, {"I22", "D0"}, {"I23", "CNG"},
                     {"G01", "COK"}, {"I19", "CNG"},
                     {"G00", "COK"}, {"I60", "CNG"},
                     {"G06", "CNG"},
                 });
    EXPECT_EQ(c.value(0, 0, 82, 99), "000000");

    // A card of a card file holds only its items, unless it says so.
    for (const auto& [text, reply] : std::vector<std::pair<std::string, std::string>>{
             {"card QV200 0001\ngroup 3\n", "CNG"}, {"card QV200 0001 sample-blocks\ngroup 3\n", "D"}}) {
        SCOPED_TRACE(text);
        const ConfigResult r = ParseCardConfig(text);
        ASSERT_TRUE(r.ok()) << r.error;
        Controller file(r.cards);
        runScript(file, {{"G03", "COK"}, {"I00", reply}});
    }
}

TEST(BlankDevice, StrictRefusesWritesOutsideGroup0WhileWriteModeIsOff)
{
    SimCard card = BlankCard("QV200", "0007");
    card.strict = true;
    Controller c({card});
    runScript(c, {
                     {"G02", "COK"}, {"I11", "D"}, {"D5", "CNG"},          // write mode "0"
                     {"G00", "COK"}, {"I01", "D0"}, {"D1", "D1"},         // on
                     {"G02", "COK"}, {"I11", "D"}, {"D5", "D5"},
                     {"G00", "COK"}, {"I01", "D1"}, {"D0", "D0"},         // off again
                     {"G02", "COK"}, {"I11", "D5"}, {"D6", "CNG"},
                 });
    EXPECT_EQ(c.value(0, 0, 2, 11), "5");
}

TEST(BlankDevice, TargetNamesTheItemOfItemAndDataCommands)
{
    Controller c({DefaultCard()});
    EXPECT_EQ(c.target("I11\r"), (std::pair<int, int>{-1, 11}));  // no group selected yet
    c.handle("G01\r");
    EXPECT_EQ(c.target("I11\r"), (std::pair<int, int>{1, 11}));
    c.handle("I11\r");
    EXPECT_EQ(c.target("D3.5\r"), (std::pair<int, int>{1, 11}));
    EXPECT_EQ(c.target("G02\r"), (std::pair<int, int>{-1, -1}));
    EXPECT_EQ(c.target(EncodeFrame("0001", "I12")), (std::pair<int, int>{1, 12}));
}

}  // namespace

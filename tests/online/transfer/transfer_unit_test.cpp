// Copying what a transfer needs out of the model: the used items of each group, every card
// of a V8RTU station, and the current unit left as it was.
#include "transfer_unit.h"

#include "unit_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace kravin::online {
namespace {

class TransferUnitCopy : public test::UnitFixture {};

TEST_F(TransferUnitCopy, UsedItemsOfEachGroupWithTheirTexts)
{
    placeCard(2, 1, "QV200");
    writeUnit(2, 0, {{0, "00SYS"}, {1, "01CTL"}}, {{1, 7, "12.5"}, {1, 10, "0101"}, {0, 52, "0042"}});
    makeCurrent(2, 1, 1);
    const TransferUnitResult r = CopyTransferUnit(*unit);
    ASSERT_TRUE(r.unit);
    ASSERT_EQ(r.unit->cards.size(), 1u);
    const TransferCard& c = r.unit->cards[0];
    EXPECT_EQ(c.card, 0);
    EXPECT_EQ(c.model, "QV200   ");
    EXPECT_EQ(c.unitId, "0042");
    const TransferGroup* g1 = c.find(1);
    ASSERT_NE(g1, nullptr);
    EXPECT_TRUE(g1->hasBlock);
    // CTL: items 0..7 and 10..18 are used; 8 is internal ("FA_"), 9 reserved.
    std::vector<int> items;
    for (const TransferItem& i : g1->items) items.push_back(i.item);
    EXPECT_EQ(std::count(items.begin(), items.end(), 8), 0);
    EXPECT_EQ(std::count(items.begin(), items.end(), 9), 0);
    EXPECT_EQ(std::count(items.begin(), items.end(), 7), 1);
    for (const TransferItem& i : g1->items) {
        if (i.item == 7) {
            EXPECT_EQ(i.text, "12.5");
        }
        if (i.item == 10) {
            EXPECT_EQ(i.text, "0101");
        }
    }
    // A group without a block: item 10 alone when blocks may stand there, else nothing.
    const TransferGroup* g2 = c.find(2);
    ASSERT_NE(g2, nullptr);
    EXPECT_FALSE(g2->hasBlock);
    EXPECT_TRUE(g2->items.empty());
    EXPECT_EQ(c.find(6), nullptr);
    // The current unit and group are as before.
    EXPECT_EQ(unit->g_curStation, 2);
    EXPECT_EQ(unit->g_curCard, 1);
    EXPECT_EQ(unit->g_curGroup, 1);
}

TEST_F(TransferUnitCopy, GroupZerosSelectorAndDownloadModeAreNeverData)
{
    // Tables that mark both control items of the system block as ordinary items.
    const std::string folder = copyTables();
    const std::string sys = folder + "QV200/100/SYS.KRAT";
    std::ifstream in(sys);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    for (const char* line : {"ITEM00,FA_INT1,Unit selector,SEL,,0,", "ITEM01,FA_INT1,Write mode,WRM,,0,"}) {
        const std::size_t at = text.find(line);
        ASSERT_NE(at, std::string::npos) << line;
        text.replace(at + 7, 7, "CHAR02");
    }
    std::ofstream(sys) << text;
    useTables(folder);
    placeCard(2, 1, "QV200");
    writeUnit(2, 0, {{0, "00SYS"}, {1, "01CTL"}}, {{0, 0, "0"}, {0, 1, "00"}, {0, 2, "NAME"}});
    makeCurrent(2, 1, 1);
    const TransferUnitResult r = CopyTransferUnit(*unit);
    ASSERT_TRUE(r.unit);
    const TransferGroup* g0 = r.unit->cards[0].find(0);
    ASSERT_NE(g0, nullptr);
    ASSERT_FALSE(g0->items.empty());
    EXPECT_EQ(g0->items.front().item, 2);
    for (const TransferItem& i : g0->items) EXPECT_GT(i.item, 1);
}

TEST_F(TransferUnitCopy, V8rtuStationGivesItsCardsAndKeepsTheStationCurrent)
{
    placeStation(3, "V8RTU", "1.00", 0, 0, "3");
    for (int card = 1; card <= 3; ++card) {
        placeCard(3, card, "V8RTU");
        writeUnit(3, card - 1, {{0, "00SYS"}, {1, "01RIO"}}, {{0, 51, "xx"}});
    }
    makeCurrent(3, 0);
    const TransferUnitResult r = CopyTransferUnit(*unit);
    ASSERT_TRUE(r.unit) << r.messageId;
    EXPECT_TRUE(r.unit->v8rtu);
    EXPECT_TRUE(r.unit->v8rtuStation);
    EXPECT_EQ(r.unit->cardCount, 3);
    ASSERT_EQ(r.unit->cards.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(r.unit->cards[static_cast<std::size_t>(i)].card, i);
    EXPECT_EQ(unit->g_curStation, 3);
    EXPECT_EQ(unit->g_curCard, 0);
}

TEST_F(TransferUnitCopy, ACardCountThatIsNoHexDigitRefusesTheTransfer)
{
    placeStation(3, "V8RTU", "1.00", 0, 0, "x");
    makeCurrent(3, 0);
    const TransferUnitResult r = CopyTransferUnit(*unit);
    EXPECT_FALSE(r.unit);
    EXPECT_EQ(r.messageId, kMsgBadCardCount);
}

}  // namespace
}  // namespace kravin::online

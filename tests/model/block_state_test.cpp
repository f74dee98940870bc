#include "block_state.h"

#include "unit_fixture.h"

namespace kravin::test {
namespace {

using model::CommLinkTable;

TEST(BlockState, FlagsFollowTheBlockRanges)
{
    struct Case {
        int block;
        bool kind, comm, seq;
    } cases[] = {
        {0, false, false, false},  {10, false, false, false}, {11, true, true, false},  {26, true, true, false},
        {27, false, false, false}, {80, false, false, false}, {81, false, false, true}, {92, false, false, true},
        {93, false, false, false}, {-1, false, false, false},
    };
    for (const Case& c : cases) {
        const model::CurrentBlockState s = model::BlockStateFor(c.block);
        EXPECT_EQ(s.block, c.block);
        EXPECT_EQ(s.kindTables, c.kind) << c.block;
        EXPECT_EQ(s.commRebuild, c.comm) << c.block;
        EXPECT_EQ(s.seqReload, c.seq) << c.block;
    }
    const std::pair<const char*, int> kinds[] = {{"CDI", 1}, {"CDO", 2}, {"CAI", 3}, {"CAO", 4},
                                                 {"CAIX", 3}, {"ADS", 0}, {"CA", 0}, {"", 0}};
    for (const auto& [id, kind] : kinds) EXPECT_EQ(model::PlacedCodeKind(id), kind) << id;
}

TEST(BlockState, KindGoesIntoBothTablesWithinRange)
{
    auto table = std::make_unique<CommLinkTable>();
    ASSERT_TRUE(model::StorePlacedKind(*table, 3, 4, 12, 3));
    EXPECT_EQ(table->terminal(3, 4, 12)->kind, 3);
    EXPECT_EQ(table->flags[3][5].kind[1], 3);
    ASSERT_TRUE(model::StorePlacedKind(*table, 63, -1, 26, 2));
    EXPECT_EQ(table->slot(63, -1)->terminals[15].kind, 2);
    EXPECT_EQ(table->flags[63][0].kind[15], 2);
    // Blocks that are no terminals, and units outside the bus, change nothing.
    auto before = std::make_unique<CommLinkTable>(*table);
    for (const auto& [station, card, block] : {std::tuple{3, 4, 10}, {3, 4, 27}, {64, 0, 11}, {0, 16, 11}, {-1, 0, 11}})
        EXPECT_FALSE(model::StorePlacedKind(*table, station, card, block, 1)) << station << " " << card << " " << block;
    EXPECT_TRUE(*table == *before);
}

class BlockStateUnitTest : public UnitFixture {
protected:
    void SetUp() override
    {
        UnitFixture::SetUp();
        placeStation(0, "RNH6");
        placeCard(0, 1, "QV200");
        writeUnit(0, 0, {{0, "00SYS"}, {12, "33CAI"}, {30, "51ADS"}});
        // A "TQRC " card in slot 2 with slot cards 3 and 5 above it, a second one in 6 and its slot 7.
        placeCard(0, 2, "TQRC");
        placeCard(0, 3, "TQRC$");
        placeCard(0, 5, "TQRC$");
        placeCard(0, 6, "TQRC");
        placeCard(0, 7, "TQRC$");
        placeCard(0, 9, "TQRC$");
        placeStation(1, "RNH6");
        placeCard(1, 1, "TQRC$");
    }
};

TEST_F(BlockStateUnitTest, RebuildKeepsTheCurrentUnit)
{
    makeCurrent(0, 1, 30);
    auto table = std::make_unique<CommLinkTable>();
    int steps = 0;
    model::RebuildCommTableKeepingUnit(*unit, *table, [&] { ++steps; });
    EXPECT_EQ(steps, 33);
    EXPECT_EQ(table->terminal(0, 0, 12)->kind, 3);
    EXPECT_EQ(unit->g_curStation, 0);
    EXPECT_EQ(unit->g_curCard, 1);
    EXPECT_EQ(unit->g_curGroup, 30);
    EXPECT_EQ(std::string(unit->model()).substr(0, 5), "QV200");
    EXPECT_EQ(std::string(unit->g_unitBlocks[30].data()), "51ADS");
}

TEST_F(BlockStateUnitTest, SlotCardsFindTheNearestTqrcCardBelow)
{
    const std::pair<int, int> cases[] = {{3, 2}, {5, 2}, {7, 6}, {9, 6}, {2, -1}, {6, -1}, {1, -1}};
    for (const auto& [card, parent] : cases) {
        makeCurrent(0, card);
        EXPECT_EQ(model::FindTqrcParentCard(*unit), parent) << card;
    }
    makeCurrent(1, 1);  // a slot card with no card below it
    EXPECT_EQ(model::FindTqrcParentCard(*unit), -1);
}

TEST_F(BlockStateUnitTest, SlotItemsAreSetOnlyFromTheirEmptyValues)
{
    EXPECT_EQ(model::TqrcSlotItemsFor(3, 2, 12).mode, 11);
    EXPECT_EQ(model::TqrcSlotItemsFor(3, 2, 12).group, 13);
    EXPECT_EQ(model::TqrcSlotItemsFor(9, 6, 26).mode, 45);
    EXPECT_EQ(model::TqrcSlotItemsFor(9, 6, 26).group, 61);
    struct Case {
        const char* id;
        std::string mode, group;
        std::string modeAfter, groupAfter;
        bool changed;
    } cases[] = {
        {"CAI", "00", "912345", "33", "000000", true},
        {"CAO", "00", "012345", "34", "012345", true},
        {"CAI", "34", "9", "34", "000000", true},
        {"CAO", "33", "000000", "33", "000000", false},
        {"CAI", "000", "", "000", "", false},
    };
    for (const Case& c : cases) {
        writeUnit(0, 1, {{0, "00SYS"}, {1, "01TQC"}}, {{1, 11, c.mode}, {1, 13, c.group}});
        char head[500];
        KRAVinA_Data_Get(0, 1, head, work.str().c_str());
        EXPECT_EQ(model::SetTqrcSlotItems(model::TqrcSlotItemsFor(3, 2, 12), c.id), c.changed) << c.id << c.mode;
        EXPECT_EQ(readItemText(1, 11), c.modeAfter);
        EXPECT_EQ(readItemText(1, 13), c.groupAfter);
    }
    // Items past the block's hundred are left alone.
    EXPECT_FALSE(model::SetTqrcSlotItems({-6, 100}, "CAI"));
}

TEST_F(BlockStateUnitTest, CardSwitchComesBackWhenTheScopeEnds)
{
    writeUnit(0, 1, {{0, "00SYS"}, {1, "01TQC"}});
    makeCurrent(0, 3, 12);
    {
        model::CurrentCardSwitch to(*unit, 2);
        EXPECT_EQ(unit->g_curCard, 2);
        EXPECT_EQ(std::string(unit->model()).substr(0, 5), "TQRC ");
        EXPECT_EQ(std::string(unit->g_unitBlocks[1].data()), "01TQC");
        unit->g_curGroup = 1;
    }
    EXPECT_EQ(unit->g_curCard, 3);
    EXPECT_EQ(std::string(unit->model()).substr(0, 5), "TQRC$");
    EXPECT_EQ(unit->g_unitBlocks[1][0], 0);
}

// The rebuild reads every unit through the library's one image: what the current unit
// holds there and has not written yet must be in the image again afterwards.
TEST_F(BlockStateUnitTest, RebuildKeepsUnwrittenEditsOfTheImage)
{
    makeCurrent(0, 1, 30);
    const std::string item = "EDITED-NOT-SAVED", term = "TERMINAL-NOT-SAVED..";
    ASSERT_EQ(KRAVinA_Data_Item_Set(30, 40, item.c_str()), 0);
    ASSERT_EQ(KRAVinA_Data_Term_Set(99, 99, term.c_str()), 0);
    ASSERT_EQ(KRAVinA_Data_XY_Set(0, 123, -456), 0);
    auto table = std::make_unique<CommLinkTable>();
    model::BuildCommConnectionTable(*unit, *table);
    ASSERT_EQ(table->terminal(0, 0, 12)->kind, 3) << "other units were read";

    char gotItem[17] = {}, gotTerm[21] = {};
    int x = 0, y = 0;
    ASSERT_EQ(KRAVinA_Data_Item_Get(30, 40, gotItem), 0);
    ASSERT_EQ(KRAVinA_Data_Term_Get(99, 99, gotTerm), 0);
    ASSERT_EQ(KRAVinA_Data_XY_Get(0, &x, &y), 0);
    EXPECT_EQ(std::string(gotItem, 16), item);
    EXPECT_EQ(std::string(gotTerm, 20), term);
    EXPECT_EQ(x, 123);
    EXPECT_EQ(y, -456);
}

}  // namespace
}  // namespace kravin::test

// What a drop or a Block Setting asks of the rest of the tool: the kinds of
// placed terminal blocks, the link table rebuild, the step reload, and the
// drop on a "TQRC$" slot card.
#include "anatan_fixture.h"

#include <gtest/gtest.h>

namespace kravin::test {
namespace {

class AnaTanBlockStateTest : public AnaTanFixture {
protected:
    void SetUp() override
    {
        AnaTanFixture::SetUp();
        host->links = std::make_unique<model::CommLinkTable>();
    }
    int kindOf(int libCard, int block)
    {
        const int a = host->links->terminal(0, libCard, block)->kind;
        EXPECT_EQ(host->links->flags[0][static_cast<std::size_t>(libCard + 1)].kind[static_cast<std::size_t>(block - 11)],
                  a);
        return a;
    }
    // A "TQRC " card in slot 2 whose block 1 holds the slot items, a slot card in 3.
    void tqrcCards(const std::string& parentBlock1)
    {
        placeCard(0, 2, "TQRC");
        placeCard(0, 3, "TQRC$");
        writeUnit(0, 1, {{0, "00SYS"}, {1, parentBlock1}}, {{1, 11, "00"}, {1, 13, "912345"}, {1, 14, "912345"}});
        makeCurrent(0, 3);
        editor->open();
    }
};

TEST_F(AnaTanBlockStateTest, DroppedTerminalBlocksKeepTheirKind)
{
    struct Case {
        int group;
        const char *code, *name;
        int kind;
    } cases[] = {{12, "33", "CAI", 3}, {13, "34", "CAO", 4}, {14, "51", "ADS", 0}};
    for (const Case& c : cases) {
        host->links->terminal(0, 0, c.group)->kind = 9;
        host->groups.push_back(c.group);
        ASSERT_TRUE(editor->ChangeFunction(px(60), py(60), c.code, c.name)) << c.name;
        EXPECT_EQ(kindOf(0, c.group), c.kind) << c.name;
    }
    // Blocks outside 11..26 leave the tables alone.
    const auto before = std::make_unique<model::CommLinkTable>(*host->links);
    host->groups.push_back(40);
    ASSERT_TRUE(editor->ChangeFunction(px(60), py(60), "51", "ADS"));
    EXPECT_TRUE(*host->links == *before);
    // Without a table the drop still places the block.
    host->links.reset();
    host->groups.push_back(15);
    EXPECT_TRUE(editor->ChangeFunction(px(60), py(60), "33", "CAI"));
    EXPECT_EQ(unitCode(0, 0, 15), "33CAI");
}

TEST_F(AnaTanBlockStateTest, BlockSettingRebuildsLinksOrRereadsStepsByTheBlock)
{
    writeUnit(0, 0, {{0, "00SYS"}, {1, "01CTL"}, {12, "33CAI"}, {30, "51ADS"}, {81, "95SEQ"}});
    unit->LoadUnitBlocks(1);
    editor->reload();
    struct Case {
        int block;
        bool ok;
        int rebuilds, reloads;
    } cases[] = {{12, true, 1, 0}, {81, true, 0, 1}, {30, true, 0, 0}, {12, false, 0, 0}, {81, false, 0, 0}};
    for (const Case& c : cases) {
        host->rebuilds = host->seqReloads = 0;
        host->setting = [&] { return c.ok; };
        EXPECT_EQ(editor->BlockSetting(c.block), c.ok) << c.block;
        EXPECT_EQ(host->rebuilds, c.rebuilds) << c.block << " " << c.ok;
        EXPECT_EQ(host->seqReloads, c.reloads) << c.block << " " << c.ok;
        EXPECT_EQ(unit->g_curCard, 1);
    }
}

TEST_F(AnaTanBlockStateTest, DropOnASlotCardSetsItsItemsOnTheTqrcCard)
{
    tqrcCards("01TQC");
    const auto before = files();
    host->groups.push_back(12);
    ASSERT_TRUE(editor->ChangeFunction(px(60), py(60), "33", "CAI"));
    // Block 1 of the TQRC card: the slot's mode and the group's item; the slot card places nothing.
    EXPECT_EQ(unitItem(0, 1, 1, 11), "33");
    EXPECT_EQ(unitItem(0, 1, 1, 13), "000000");
    EXPECT_EQ(unitItem(0, 1, 1, 14), "912345");
    EXPECT_EQ(model::test::changedFiles(before, files()), std::vector<std::string>{model::unitDataPath(0, 2)});
    EXPECT_EQ(unitCode(0, 2, 12), "");
    EXPECT_EQ(unit->g_curCard, 3);
    EXPECT_EQ(unit->g_curGroup, 12);
    EXPECT_EQ(std::string(unit->model()).substr(0, 5), "TQRC$");
    EXPECT_EQ(kindOf(2, 12), 3);
    EXPECT_TRUE(host->modified);

    // The slot is an input now: an output block is refused with 8110.
    const auto afterDrop = files();
    host->groups.push_back(13);
    EXPECT_FALSE(editor->ChangeFunction(px(60), py(60), "34", "CAO"));
    EXPECT_EQ(prompt.ids().back(), wiring::kMsgCannotApply);
    EXPECT_EQ(files(), afterDrop);

    // One Undo takes the items on the TQRC card back.
    ASSERT_TRUE(editor->Undo());
    EXPECT_EQ(unitItem(0, 1, 1, 11), "00");
    EXPECT_EQ(unitItem(0, 1, 1, 13), "912345");
    EXPECT_EQ(unit->g_curCard, 3);
}

TEST_F(AnaTanBlockStateTest, SlotDropsWithoutATqrcCardOrItsDefinitionChangeNothing)
{
    struct Case {
        const char* what;
        int parentSlot;  // 0: none below the slot card
        const char* block1;
    } cases[] = {{"no TQRC card below", 0, ""}, {"no definition of block 1", 2, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        placeCard(0, 3, "TQRC$");
        if (c.parentSlot) {
            placeCard(0, c.parentSlot, "TQRC");
            writeUnit(0, c.parentSlot - 1, {{0, "00SYS"}}, {{1, 11, "00"}});
        }
        makeCurrent(0, 3);
        editor->open();
        const auto before = files();
        host->groups.push_back(12);
        EXPECT_FALSE(editor->ChangeFunction(px(60), py(60), "33", "CAI"));
        EXPECT_EQ(files(), before);
        EXPECT_FALSE(host->store.CanUndo());
        EXPECT_EQ(unit->g_curCard, 3);
    }
}

}  // namespace
}  // namespace kravin::test

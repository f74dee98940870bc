#include "block_list_logic.h"

#include "scripted_prompt.h"
#include "unit_fixture.h"

#include <algorithm>

namespace kravin::editors::blocks {
namespace {

using test::UnitFixture;

class FakeListHost : public BlockListHost {
public:
    bool online() const override { return isOnline; }
    void setModified() override { ++modified; }
    std::optional<std::string> chooseFunction(const FunctionChoices& c) override
    {
        offered = c.lines;
        return chosen;
    }
    bool runBlockSetting() override { return settingAnswer; }
    std::optional<BlockClipboardRecord> clipboard() const override { return clip; }
    void setClipboard(const BlockClipboardRecord& r) override { clip = r; }
    bool transferBuilt(int command) const override { return command == builtTransfer; }
    void runTransfer(int command) override { ran.push_back(command); }

    bool isOnline = false;
    int builtTransfer = 0;
    std::vector<int> ran;
    int modified = 0;
    std::optional<std::string> chosen;
    std::vector<std::string> offered;
    bool settingAnswer = false;
    std::optional<BlockClipboardRecord> clip;
};

class BlockListLogicTest : public UnitFixture {
protected:
    void SetUp() override
    {
        UnitFixture::SetUp();
        placeStation(1, "RNH6");
        placeCard(1, 1, "QV200");
        writeUnit(1, 0, {{0, "00SYS"}, {1, "01CTL"}, {2, "21BCA"}, {31, "76PVA"}, {57, "76PVA"}, {80, "81SEQ"}},
                  {{31, 0, "TAG31"}, {31, 7, "2.50"}});
        makeCurrent(1, 1);
        undoHost = std::make_unique<UnitBlockUndoHost>(*unit);
        store = std::make_unique<model::CBlockUndo>(*undoHost);
        list = std::make_unique<BlockListEditor>(*unit, *store, prompt, host);
    }

    bool has(const std::vector<int>& menu, int id) { return std::find(menu.begin(), menu.end(), id) != menu.end(); }

    test::ScriptedPrompt prompt;
    FakeListHost host;
    std::unique_ptr<UnitBlockUndoHost> undoHost;
    std::unique_ptr<model::CBlockUndo> store;
    std::unique_ptr<BlockListEditor> list;
    model::CBlockUndo& undo() { return *store; }
    BlockListEditor& editor() { return *list; }
};

TEST_F(BlockListLogicTest, CellGeometryAndHitTest)
{
    const ListRect r = listCellRect(groupPosition(*unit, kBankNormal, 57));
    EXPECT_EQ(r.x, 396);
    EXPECT_EQ(r.y, 274);
    struct Case {
        int x, y, group;
    } cases[] = {
        {396 + 38, 274 + 16, 57}, {396 + 76, 274 + 32, 57},  // the right and bottom edges are inside
        {396 + 77, 280, -1},      {396, 274 + 33, -1},      // the gaps beside and below hit nothing
        {396 - 1, 280, -1},       {6, 36, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(hitTestGroup(*unit, kBankNormal, c.x, c.y), c.group) << c.x << "," << c.y;
}

TEST_F(BlockListLogicTest, GroupsWithoutAllowedBlocksAreNotShown)
{
    // Group 6..10 have no allowed blocks on this card.
    ASSERT_LT(unit->validBlockCount[7], 1);
    EXPECT_EQ(groupPosition(*unit, kBankNormal, 7), -1);
    const ListRect r = listCellRect(7);
    EXPECT_EQ(hitTestGroup(*unit, kBankNormal, r.x + 5, r.y + 5), -1);
}

TEST_F(BlockListLogicTest, BankTwoShowsTheSpecialGroupsAtTheirIndex)
{
    placeCard(1, 2, "PWZ");
    writeUnit(1, 1, {{0, "00SYS"}, {27, "00B2D"}});
    makeCurrent(1, 2);
    ASSERT_GT(unit->validBlockCount[27], 0);
    EXPECT_EQ(groupPosition(*unit, kBankNormal, 27), -1);
    EXPECT_EQ(groupPosition(*unit, kBankSpecial, 27), 8);
    EXPECT_EQ(groupPosition(*unit, kBankSpecial, 0), -1);

    EXPECT_TRUE(editor().switchBank());
    EXPECT_EQ(unit->g_blockListBank, kBankSpecial);
    EXPECT_EQ(editor().selectedGroup(), -1);
    editor().select(27);
    EXPECT_EQ(unit->g_curGroup, 8);
    EXPECT_EQ(unit->g_specialGroupMode, 1);
    EXPECT_EQ(editor().selectedGroup(), 27);
    // No move, copy or delete in the bank list.
    EXPECT_FALSE(editor().commandEnabled(blkcmd::EditCopy));
    EXPECT_FALSE(has(editor().contextMenu(27), blkcmd::Move));
}

TEST_F(BlockListLogicTest, ProtectedGroupsOfferNoEdits)
{
    for (int g : {0, 1, 80}) {
        const std::vector<int> menu = editor().contextMenu(g);
        EXPECT_TRUE(has(menu, blkcmd::BlockSetting)) << g;
        for (int id : {blkcmd::Move, blkcmd::Copy, blkcmd::Paste, blkcmd::ChangeFunction, blkcmd::Delete})
            EXPECT_FALSE(has(menu, id)) << g << " " << id;
        for (int id : {blkcmd::EditCut, blkcmd::EditCopy, blkcmd::EditDelete, blkcmd::EditPaste})
            EXPECT_FALSE(editor().commandEnabled(id)) << g << " " << id;
    }
    const std::vector<int> menu = editor().contextMenu(31);
    for (int id : {blkcmd::Move, blkcmd::Copy, blkcmd::ChangeFunction, blkcmd::Delete}) EXPECT_TRUE(has(menu, id));
    EXPECT_TRUE(editor().commandEnabled(blkcmd::EditCopy));
    // Transfers stay disabled until built; a built one runs on the selected group.
    EXPECT_FALSE(editor().commandEnabled(blkcmd::Upload));
    EXPECT_FALSE(editor().runTransfer(blkcmd::Download));
    host.builtTransfer = blkcmd::Download;
    EXPECT_TRUE(editor().commandEnabled(blkcmd::Download));
    EXPECT_FALSE(editor().commandEnabled(blkcmd::Compare));
    EXPECT_TRUE(editor().runTransfer(blkcmd::Download));
    EXPECT_EQ(host.ran, std::vector<int>{blkcmd::Download});
    host.isOnline = true;
    EXPECT_FALSE(editor().commandEnabled(blkcmd::Download));
    EXPECT_FALSE(editor().commandEnabled(blkcmd::EditCut));
}

// An empty group above 1 offers Upload, and Network upload on a V8RTU card, and both run:
// they read the group into the empty slot. Nothing else transfers an empty group.
TEST_F(BlockListLogicTest, AnEmptyGroupTakesTheUploadOfItsGroup)
{
    placeStation(2, "V8RTU");
    placeCard(2, 1, "V8RTU");
    writeUnit(2, 0, {{0, "00SYS"}});
    struct Case {
        int station, card, group;
        std::vector<int> runs;  // the transfers offered and enabled
    };
    const std::vector<int> transfers{blkcmd::Upload,          blkcmd::Download,        blkcmd::Compare,
                                     blkcmd::NetworkUpload,   blkcmd::NetworkDownload, blkcmd::NetworkCompare};
    for (const Case& c : {Case{1, 1, 62, {blkcmd::Upload}}, Case{2, 1, 30, {blkcmd::Upload, blkcmd::NetworkUpload}}}) {
        SCOPED_TRACE(::testing::Message() << "station " << c.station << " group " << c.group);
        makeCurrent(c.station, c.card);
        list = std::make_unique<BlockListEditor>(*unit, *store, prompt, host);
        const std::vector<int> menu = editor().contextMenu(c.group);
        for (int id : transfers) {
            host.builtTransfer = id;
            const bool runs = std::find(c.runs.begin(), c.runs.end(), id) != c.runs.end();
            EXPECT_EQ(has(menu, id), runs) << id;
            EXPECT_EQ(editor().commandEnabled(id), runs) << id;
            EXPECT_EQ(editor().runTransfer(id), runs) << id;
        }
    }
}

TEST_F(BlockListLogicTest, PasteFollowsTheRangeRule)
{
    editor().select(31);
    ASSERT_EQ(editor().copy(), EditResult::Done);
    ASSERT_TRUE(host.clip);
    EXPECT_EQ(host.clip->group, 31);

    editor().select(62);
    EXPECT_FALSE(editor().commandEnabled(blkcmd::EditPaste));
    EXPECT_FALSE(has(editor().contextMenu(62), blkcmd::Paste));
    EXPECT_EQ(editor().paste(), EditResult::Nothing);
    EXPECT_EQ(unitCode(1, 0, 62), "");

    editor().select(60);
    EXPECT_TRUE(editor().commandEnabled(blkcmd::EditPaste));
    EXPECT_TRUE(has(editor().contextMenu(60), blkcmd::Paste));
    ASSERT_EQ(editor().paste(), EditResult::Done);
    EXPECT_EQ(unitCode(1, 0, 60), "76PVA");
    EXPECT_EQ(unitItem(1, 0, 60, 0), "TAG31");
    EXPECT_EQ(unitItem(1, 0, 60, 7), "2.50");
    EXPECT_EQ(host.modified, 1);

    struct Case {
        const char* model;
        int source, target;
        bool allowed;
    } cases[] = {{"QV200   ", 31, 60, true},  {"QV200   ", 31, 62, false}, {"QV200   ", 2, 3, true},
                 {"QV200X  ", 2, 3, false},   {"QV200X  ", 3, 3, true},   {"QV200   ", 11, 26, true},
                 {"QV200   ", 97, 98, true},  {"QV200   ", 92, 97, false}};
    for (const Case& c : cases) EXPECT_EQ(pasteRangeAllows(c.model, c.source, c.target), c.allowed) << c.model;
}

TEST_F(BlockListLogicTest, ClipboardRecordIsCheckedWhenRead)
{
    BlockClipboardRecord r;
    r.group = 31;
    std::memcpy(r.code.data(), "76PVA", 5);
    std::memcpy(r.items[3].data(), "ABC", 3);
    QByteArray bytes = r.Serialize();
    ASSERT_EQ(bytes.size(), 4010);
    BlockClipboardRecord back;
    ASSERT_TRUE(back.Deserialize(bytes));
    EXPECT_EQ(back.group, 31);
    EXPECT_EQ(back.items, r.items);

    const auto refused = [&](auto change) {
        QByteArray b = bytes;
        change(b);
        BlockClipboardRecord out;
        out.group = 7;
        return !out.Deserialize(b) && out.group == 7;
    };
    EXPECT_TRUE(refused([](QByteArray& b) { b.chop(1); }));
    EXPECT_TRUE(refused([](QByteArray& b) { b[0] = 100; }));
    EXPECT_TRUE(refused([](QByteArray& b) { b[0] = char(0xFE), b[1] = b[2] = b[3] = char(0xFF); }));
    EXPECT_TRUE(refused([](QByteArray& b) { b[4 + 2] = '\0'; }));
    EXPECT_TRUE(refused([](QByteArray& b) { b[4 + 5] = 'X'; }));
    EXPECT_TRUE(refused([](QByteArray& b) { std::memset(b.data() + 10 + 18 * 5, 'A', 18); }));
    EXPECT_TRUE(refused([](QByteArray& b) { std::memset(b.data() + 1810 + 22 * 99, 'A', 22); }));
}

TEST_F(BlockListLogicTest, ChangeFunctionThenUndoRestoresTheBlock)
{
    editor().select(31);
    const model::BlockImage before = model::readBlock(31);
    host.chosen = "DCN 87";
    ASSERT_EQ(editor().changeFunction(), EditResult::Done);
    EXPECT_FALSE(host.offered.empty());
    EXPECT_EQ(unitCode(1, 0, 31), "87DCN");
    EXPECT_EQ(std::string(unit->g_unitBlocks[31].data()), "87DCN");
    EXPECT_NE(unitItem(1, 0, 31, 0), "TAG31");
    EXPECT_TRUE(editor().commandEnabled(blkcmd::EditUndo));

    ASSERT_EQ(editor().undo(), model::StepResult::Restored);
    EXPECT_EQ(unitCode(1, 0, 31), "76PVA");
    EXPECT_EQ(std::string(unit->g_unitBlocks[31].data()), "76PVA");
    char head[500];
    KRAVinA_Data_Get(1, 0, head, work.str().c_str());
    EXPECT_TRUE(model::readBlock(31) == before);
    EXPECT_TRUE(editor().commandEnabled(blkcmd::EditRedo));
    ASSERT_EQ(editor().redo(), model::StepResult::Restored);
    EXPECT_EQ(unitCode(1, 0, 31), "87DCN");
}

TEST_F(BlockListLogicTest, ChangeFunctionGivesAnEmptyGroupItsDefaultsAndPosition)
{
    editor().select(40);
    ASSERT_EQ(editor().changeFunction(std::string("PVA 76")), EditResult::Done);
    EXPECT_EQ(unitCode(1, 0, 40), "76PVA");
    EXPECT_EQ(unitItem(1, 0, 40, 7), "1.00");
    int x = 0, y = 0;
    KRAVinA_Data_XY_Get(40, &x, &y);
    EXPECT_FALSE(x == 0 && y == 0);
    // A sequential block starts with its marker, a first step and END.
    editor().select(81);
    ASSERT_EQ(editor().changeFunction(std::string("SEQ 95")), EditResult::Done);
    EXPECT_EQ(unitItem(1, 0, 81, 10), "95");
    EXPECT_EQ(unitItem(1, 0, 81, 11), "130000");
    EXPECT_EQ(unitItem(1, 0, 81, 12), "000000");
    // Cancel in the selection changes nothing.
    host.chosen.reset();
    editor().select(41);
    EXPECT_EQ(editor().changeFunction(), EditResult::Nothing);
    EXPECT_EQ(unitCode(1, 0, 41), "");
}

TEST_F(BlockListLogicTest, ContactGroupsRefuseAClashingCode)
{
    writeUnit(1, 0, {{0, "00SYS"}, {98, "96XYZ"}});
    makeCurrent(1, 1);
    editor().select(97);
    EXPECT_EQ(editor().changeFunction(std::string("ABC 97")), EditResult::Refused);
    EXPECT_EQ(prompt.ids(), std::vector<int>{8110});
    EXPECT_FALSE(undo().CanUndo());
}

TEST_F(BlockListLogicTest, VirtualTqrcCardsSetTheirParentsItemsWithinItsHundred)
{
    placeCard(1, 2, "TQRC");
    placeCard(1, 3, "TQRC$");
    placeCard(1, 8, "TQRC$");
    writeUnit(1, 1, {{0, "00SYS"}, {1, "01TQC"}}, {{1, 11, "00"}, {1, 13, "912345"}, {1, 96, "00"}});
    struct Case {
        int card, group;
        std::vector<std::pair<int, std::string>> parentItems;
    } cases[] = {
        {3, 12, {{11, "33"}, {13, "000000"}}},
        // Six cards on, the second item would be 112: only item 96 is in range.
        {8, 26, {{96, "33"}, {13, "000000"}}},
    };
    for (const Case& c : cases) {
        makeCurrent(1, c.card);
        editor().select(c.group);
        EXPECT_EQ(editor().changeFunction(std::string("CAI 33")), EditResult::Done) << c.card;
        for (const auto& [item, text] : c.parentItems) EXPECT_EQ(unitItem(1, 1, 1, item), text) << c.card << " " << item;
    }
}

TEST_F(BlockListLogicTest, CutAndDeleteEmptyTheGroup)
{
    editor().select(57);
    ASSERT_EQ(editor().cut(), EditResult::Done);
    EXPECT_EQ(unitCode(1, 0, 57), "");
    ASSERT_TRUE(host.clip);
    EXPECT_EQ(host.clip->group, 57);

    editor().select(31);
    prompt.answer(8103, model::Answer::Cancel);
    EXPECT_EQ(editor().deleteFunction(), EditResult::Nothing);
    EXPECT_EQ(unitCode(1, 0, 31), "76PVA");
    prompt.answer(8103, model::Answer::Ok);
    EXPECT_EQ(editor().deleteFunction(), EditResult::Done);
    EXPECT_EQ(unitCode(1, 0, 31), "");
    EXPECT_EQ(unitItem(1, 0, 31, 0), "");
    EXPECT_EQ(editor().undo(), model::StepResult::Restored);
    EXPECT_EQ(unitItem(1, 0, 31, 0), "TAG31");
}

TEST_F(BlockListLogicTest, RemoteStationGroupsUseTheFirstCardAndComeBack)
{
    placeStation(2, "V8RTU");
    placeCard(2, 1, "V8RTU");
    placeCard(2, 2, "V8RTU");
    writeUnit(2, 0, {{0, "00SYS"}, {1, "01RIO"}});
    writeUnit(2, 1, {{0, "00SYS"}, {1, "01RIO"}});
    makeCurrent(2, 2);
    if (unit->validBlockCount[0] < 1) GTEST_SKIP() << "no group 0 on the sample V8RTU";
    int opened = -1;
    struct Host : FakeListHost {
        model::UnitContext* unit = nullptr;
        int* card = nullptr;
        bool runBlockSetting() override
        {
            *card = unit->g_curCard;
            return false;
        }
    } cancelling;
    cancelling.unit = unit.get();
    cancelling.card = &opened;
    BlockListEditor e(*unit, undo(), prompt, cancelling);
    e.select(0);
    EXPECT_EQ(e.blockSetting(), EditResult::Nothing);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(unit->g_curCard, 2);
}

}  // namespace
}  // namespace kravin::editors::blocks

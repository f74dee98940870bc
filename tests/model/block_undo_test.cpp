#include "block_undo.h"

#include "undo_fakes.h"

#include <gtest/gtest.h>

namespace kravin::model {
namespace {

using test::Files;
using test::FakeView;
using test::itemText;

class FakeBlockHost : public BlockUndoHost {
public:
    explicit FakeBlockHost(std::string folder) : folder_(std::move(folder)) {}
    int station() const override { return st; }
    int card() const override { return cd; }
    std::string workFolder() const override { return folder_; }
    int currentGroup() const override { return group; }
    bool specialGroupMode() const override { return special; }
    void setCurrentGroup(int g, bool s) override
    {
        group = g;
        special = s;
    }
    BlockCode blockCode(int b) const override { return codes[static_cast<std::size_t>(b)]; }
    void setBlockCode(int b, const BlockCode& c) override { codes[static_cast<std::size_t>(b)] = c; }
    UndoView* activeView() override { return view; }
    void setModified() override { ++modified; }

    int st = 2, cd = 3, group = 0;
    bool special = false;
    std::array<BlockCode, kUnitBlocks> codes{};
    UndoView* view = nullptr;
    int modified = 0;
    std::string folder_;
};

struct BlockUndoTest : ::testing::Test {
    test::ProjectFolder project;
    FakeBlockHost host{project.str()};
    CBlockUndo store{host};

    UnitHead head{};
    void load() { loadUnit(host.st, host.cd, project.str(), head); }
    void write() { ASSERT_TRUE(writeUnit(host.st, host.cd, head, project.str())); }

    // The edit of a block's items that the editors make: record around it.
    void editBlock(int group, const std::string& value)
    {
        host.group = group;
        load();
        ASSERT_TRUE(store.Record(2));
        const int block = host.special ? kSpecialGroupTable[static_cast<std::size_t>(group - 1)] : group;
        for (int i = 0; i < 3; ++i) KRAVinA_Data_Item_Set(block, i, itemText(value + char('0' + i)).data());
        KRAVinA_Data_Term_Set(block, 7, test::termText("T" + value).data());
        KRAVinA_Data_XY_Set(block, 11, 22);
        write();
        ASSERT_TRUE(store.Record(1));
    }
};

TEST_F(BlockUndoTest, BlockEditsUndoToIdenticalFilesAndRedoAgain)
{
    load();
    KRAVinA_Data_Item_Set(4, 0, itemText("ORIGINAL").data());
    write();
    const Files start = project.files();
    editBlock(4, "A");
    editBlock(9, "B");
    const Files edited = project.files();

    EXPECT_EQ(store.Undo(), StepResult::Restored);
    EXPECT_EQ(store.Undo(), StepResult::Restored);
    EXPECT_EQ(test::changedFiles(project.files(), start), std::vector<std::string>{});
    EXPECT_EQ(store.Undo(), StepResult::Nothing);

    EXPECT_EQ(store.Redo(), StepResult::Restored);
    EXPECT_EQ(store.Redo(), StepResult::Restored);
    EXPECT_EQ(test::changedFiles(project.files(), edited), std::vector<std::string>{});
    EXPECT_EQ(store.Redo(), StepResult::Nothing);
    EXPECT_GT(host.modified, 0);
}

TEST_F(BlockUndoTest, RestoreWritesTheUnitItCapturedAndTheBlockCode)
{
    host.codes[4] = {'1', '2', 'P', 'I', 'D', 0};
    const Files start = project.files();
    editBlock(4, "A");
    host.codes[4] = {'2', '2', 'A', 'D', 'D', 0};
    host.st = 9;  // the editor moved on to another unit meanwhile
    EXPECT_EQ(store.Undo(), StepResult::Restored);
    EXPECT_EQ((host.codes[4]), (BlockCode{'1', '2', 'P', 'I', 'D', 0}));
    const Files undone = project.files();
    EXPECT_FALSE(undone.count(unitDataPath(9, 3)));
    // The unit's head carries the restored code.
    const auto& bytes = undone.at(unitDataPath(2, 3));
    EXPECT_EQ(std::string(bytes.begin() + 20, bytes.begin() + 25), "12PID");
}

TEST_F(BlockUndoTest, SpecialGroupModeRestoresTheBlockItRead)
{
    host.special = true;
    load();
    write();
    const Files start = project.files();
    editBlock(3, "S");  // third special group: block 6
    host.special = false;
    host.group = 3;
    EXPECT_EQ(store.Undo(), StepResult::Restored);
    EXPECT_EQ(test::changedFiles(project.files(), start), std::vector<std::string>{});
    EXPECT_TRUE(host.special);
    EXPECT_EQ(host.group, 3);
}

TEST_F(BlockUndoTest, LineAndPositionImages)
{
    FakeView view(WiringViewKind::Analog, project.str(), commentFileName(2, 3), figureFileName(2, 3));
    host.view = &view;
    view.end1 = {5, 12};
    view.block = 5;
    load();
    KRAVinA_Data_Item_Set(5, 12, itemText("0713xyz").data());
    write();
    AconImage line;
    line.kind = 2;
    line.value = 3;
    line.colour = 0x00FF00;
    line.px = {1, 2, 3};
    line.py = {4, 5, 6};
    ASSERT_TRUE(putAcon(2, 3, 5, 12, line, project.str()));
    ASSERT_EQ(KRAVinA_Acon_Write(2, 2, project.str().c_str()), 0);
    const Files start = project.files();

    // A line edit and a block drag, each between its two records.
    ASSERT_TRUE(store.Record(4));
    load();
    KRAVinA_Data_Item_Set(5, 12, itemText("0000").data());
    write();
    line.value = 0;
    line.px = {};
    putAcon(2, 3, 5, 12, line, project.str());
    KRAVinA_Acon_Write(2, 2, project.str().c_str());
    ASSERT_TRUE(store.Record(3));
    ASSERT_TRUE(store.Record(8));
    load();
    KRAVinA_Data_XY_Set(5, 40, 50);
    write();
    ASSERT_TRUE(store.Record(7));
    const Files edited = project.files();

    EXPECT_EQ(store.Undo(), StepResult::Restored);
    EXPECT_EQ(store.Undo(), StepResult::Restored);
    EXPECT_EQ(test::changedFiles(project.files(), start), std::vector<std::string>{});
    EXPECT_EQ(store.Redo(), StepResult::Restored);
    EXPECT_EQ(store.Redo(), StepResult::Restored);
    EXPECT_EQ(test::changedFiles(project.files(), edited), std::vector<std::string>{});
}

TEST_F(BlockUndoTest, LineKindsNeedTheAnalogView)
{
    EXPECT_FALSE(store.Record(4));
    FakeView comm(WiringViewKind::Comm, project.str(), kCommCommentFile, kCommFigureFile);
    host.view = &comm;
    EXPECT_FALSE(store.Record(8));
    EXPECT_FALSE(store.Record(0));
    EXPECT_FALSE(store.Record(17));
    EXPECT_FALSE(store.CanUndo());
}

TEST_F(BlockUndoTest, AbandonedFirstHalfLeavesTheHistoryAlone)
{
    const Files start = project.files();
    editBlock(1, "A");
    const Files afterA = project.files();
    ASSERT_EQ(store.Undo(), StepResult::Restored);
    // An edit cancelled after its first record: the undone edit can still be redone.
    host.group = 2;
    ASSERT_TRUE(store.Record(2));
    EXPECT_TRUE(store.CanRedo());
    EXPECT_EQ(store.Redo(), StepResult::Restored);
    EXPECT_EQ(test::changedFiles(project.files(), afterA), std::vector<std::string>{});

    // Once the ring has wrapped, an abandoned first half must not eat the oldest step.
    for (int g = 10; g < 14; ++g) editBlock(g, "W");
    host.group = 20;
    ASSERT_TRUE(store.Record(2));
    int undone = 0;
    while (store.Undo() == StepResult::Restored) ++undone;
    EXPECT_EQ(undone, 4);
    EXPECT_EQ(test::changedFiles(project.files(), afterA), std::vector<std::string>{});
    (void)start;
}

TEST_F(BlockUndoTest, StepsPushOnceAndLeaveAWaitingHalfAlone)
{
    load();
    write();
    const Files start = project.files();
    {
        UndoStep<CBlockUndo> outer(store);
        editBlock(1, "A");
        {
            UndoStep<CBlockUndo> inner(store);
            editBlock(2, "B");
        }
        EXPECT_FALSE(store.CanUndo());  // nothing reaches the ring before the outermost end
        editBlock(3, "C");
    }
    EXPECT_EQ(store.Undo(), StepResult::Restored);
    EXPECT_EQ(test::changedFiles(project.files(), start), std::vector<std::string>{});
    EXPECT_EQ(store.Undo(), StepResult::Nothing);

    // A first half waiting for its edit is not taken by an empty step.
    store.Redo();
    host.group = 5;
    load();
    ASSERT_TRUE(store.Record(2));
    store.BeginStep();
    store.EndStep();
    EXPECT_TRUE(store.hasPending());
    KRAVinA_Data_XY_Set(5, 1, 1);
    write();
    ASSERT_TRUE(store.Record(1));
    EXPECT_EQ(store.Undo(), StepResult::Restored);
    EXPECT_EQ(store.Undo(), StepResult::Restored);
    EXPECT_EQ(test::changedFiles(project.files(), start), std::vector<std::string>{});
}

TEST_F(BlockUndoTest, SecondHalfWithoutFirstIsRefused)
{
    EXPECT_FALSE(store.Record(1));
    EXPECT_FALSE(store.CanUndo());
}

TEST_F(BlockUndoTest, ClearKeepsTheHistoryOfTheSameUnit)
{
    store.Clear(false);
    editBlock(1, "A");
    store.Clear(false);
    EXPECT_TRUE(store.CanUndo());
    host.cd = 4;
    store.Clear(false);
    EXPECT_FALSE(store.CanUndo());
    host.cd = 3;
    store.Clear(false);
    editBlock(1, "B");
    store.Clear(true);
    EXPECT_FALSE(store.CanUndo());
}

TEST_F(BlockUndoTest, LayerRecordsRestoreOnlyInTheAnalogView)
{
    FakeView view(WiringViewKind::Analog, project.str(), commentFileName(2, 3), figureFileName(2, 3));
    host.view = &view;
    CommentRecord before = view.comments.record(0);
    CommentRecord added;
    added.inUse = kSlotUsed;
    added.width = 3;
    view.comments.RestoreSlot(0, added);
    ASSERT_TRUE(store.RecordComment(10, 0, before));
    ASSERT_TRUE(store.RecordComment(9, 0, view.comments.record(0)));
    EXPECT_FALSE(store.RecordComment(13, 0, before));

    LinkRecord jump;
    std::strcpy(jump.name, "J1");
    jump.inUse = 1;
    LinkRecord none = jump;
    none.inUse = -1;
    view.links.push_back(jump);
    ASSERT_TRUE(store.RecordLink(14, none));
    ASSERT_TRUE(store.RecordLink(13, jump));

    EXPECT_EQ(store.Undo(), StepResult::Restored);
    EXPECT_TRUE(view.links.empty());
    EXPECT_TRUE(view.pendingCleared);
    EXPECT_EQ(store.Undo(), StepResult::Restored);
    EXPECT_FALSE(view.comments.used(0));

    host.view = nullptr;  // no analog view: the steps still count
    EXPECT_EQ(store.Redo(), StepResult::Restored);
    EXPECT_FALSE(view.comments.used(0));
    host.view = &view;
    EXPECT_EQ(store.Redo(), StepResult::Restored);
    EXPECT_EQ(view.links.size(), 1u);
}

// The sequential store with a step table held by the test.
class FakeSeqHost : public SeqStepHost {
public:
    int station() const override { return 0; }
    int card() const override { return cd; }
    SeqImage captureSteps() const override { return table; }
    bool restoreSteps(const SeqImage& image) override
    {
        table = image;
        ++writes;
        return writeOk;
    }
    void setModified() override { ++modified; }
    SeqImage table;
    int cd = 1, writes = 0, modified = 0;
    bool writeOk = true;
};

TEST(SeqBlkUndo, StepTableComesBackAndFailedWritesAreReported)
{
    FakeSeqHost host;
    CSeqBlkUndo store(host);
    store.Clear(false);
    host.table.steps.fill('*');
    host.table.markers.fill(0x2A2A);
    const SeqImage start = host.table;
    ASSERT_TRUE(store.Record(2));
    host.table.group = 3;
    host.table.markers[3] = 0x3539;
    std::memcpy(host.table.steps.data() + 6 * 89 * 3, "010203", 6);
    ASSERT_TRUE(store.Record(1));
    const SeqImage edited = host.table;
    EXPECT_FALSE(store.Record(3));

    EXPECT_EQ(store.Undo(), StepResult::Restored);
    EXPECT_EQ(host.table, start);
    EXPECT_EQ(host.modified, 1);
    host.writeOk = false;
    EXPECT_EQ(store.Redo(), StepResult::Failed);
    EXPECT_EQ(host.table, edited);

    host.cd = 2;
    store.Clear(false);
    EXPECT_FALSE(store.CanUndo());
}

}  // namespace
}  // namespace kravin::model

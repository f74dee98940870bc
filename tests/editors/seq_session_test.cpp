// The sequential program's session on a unit of a project folder: the group
// rules of the sequential view, its hit test and lines, and the ladder's one
// settle path (Confirm, Close, Cancel).
#include "seq_session.h"

#include "ladder_fixtures.h"
#include "scripted_prompt.h"
#include "unit_fixture.h"

#include <gtest/gtest.h>

namespace kravin::sequence {
namespace {

using ladder::test::MakeGrid;
using ladder::test::NO;
using ladder::test::OUT;
using ladder::test::SimpleRung;
using ladder::test::StepRow;

class SeqSessionTest : public test::UnitFixture {
protected:
    test::ScriptedPrompt prompt;
    int modified = 0;
    std::unique_ptr<SequenceSession> s;

    void SetUp() override
    {
        UnitFixture::SetUp();
        placeCard(0, 1, "QV200");
        writeUnit(0, 0, {{0, "00SYS"}, {11, "31CDI"}, {30, "76PVA"}});
        makeCurrent(0, 1);
        s = std::make_unique<SequenceSession>(*unit, prompt, [this] { ++modified; });
        s->PrepareSeqView();
    }

    std::string stored(int group, int step) { return unitItem(0, 0, group, 11 + step); }
    int boxes(int group) { return static_cast<int>(StepBoxes(s->steps.g_stepTable, group).size()); }
};

TEST_F(SeqSessionTest, GroupsEnableFromGroup81On)
{
    // A group other than 81 cannot be enabled while 81 is disabled.
    const SeqHit tab82{SeqHit::Tab, 82, -1};
    EXPECT_TRUE(s->ContextMenu(tab82, false).empty());
    s->Select(tab82);
    EXPECT_FALSE(s->EnableGroup());
    EXPECT_FALSE(s->GroupEnabled(82));

    const SeqHit tab81{SeqHit::Tab, 81, -1};
    EXPECT_EQ(s->ContextMenu(tab81, false), std::vector<int>{seqcmd::EnableSetting});
    EXPECT_TRUE(s->ContextMenu(tab81, true).empty());
    s->Select(tab81);
    ASSERT_TRUE(s->EnableGroup());
    EXPECT_EQ(boxes(81), 1);  // exactly one box: STEP00
    EXPECT_EQ(stored(81, 0), "130000");
    EXPECT_EQ(stored(81, 1), "000000");
    EXPECT_EQ(unitCode(0, 0, 81), "95SEQ");
    EXPECT_EQ(unitItem(0, 0, 81, 1), "0");   // the block's own items get their defaults
    EXPECT_EQ(unitItem(0, 0, 81, 2), "0.1");
    EXPECT_EQ(modified, 1);
    EXPECT_EQ(s->ContextMenu(tab82, false), std::vector<int>{seqcmd::EnableSetting});
    EXPECT_EQ(s->ContextMenu(tab81, false),
              (std::vector<int>{seqcmd::Ladder, seqcmd::Mnemonic, 0, seqcmd::DisableSetting}));
    s->Select(tab82);
    ASSERT_TRUE(s->EnableGroup());
    EXPECT_TRUE(s->LadderAllowed());

    // Undo takes the last enable back, in memory and in the unit.
    EXPECT_TRUE(s->seqUndo.CanUndo());
    s->seqUndo.Undo();
    EXPECT_FALSE(s->GroupEnabled(82));
    EXPECT_EQ(unitCode(0, 0, 82), "");
}

TEST_F(SeqSessionTest, DisablingGroup81ClearsEveryGroup)
{
    for (int g : {81, 85}) {
        s->Select({SeqHit::Tab, g, -1});
        ASSERT_TRUE(s->EnableGroup());
    }
    // Cancel changes nothing.
    s->Select({SeqHit::Tab, 85, -1});
    prompt.answer(seqmsg::DisableGroup, model::Answer::Cancel);
    EXPECT_FALSE(s->DisableGroup());
    EXPECT_TRUE(s->GroupEnabled(85));

    s->Select({SeqHit::Tab, 81, -1});
    prompt.answer(seqmsg::DisableGroup81, model::Answer::Ok);
    EXPECT_TRUE(s->DisableGroup());
    for (int g = 81; g <= 92; ++g) {
        EXPECT_FALSE(s->GroupEnabled(g)) << g;
        EXPECT_EQ(boxes(g), 0) << g;
    }
    EXPECT_EQ(stored(85, 0), "******");
}

TEST_F(SeqSessionTest, HitTestAndBranchLines)
{
    s->Select({SeqHit::Tab, 81, -1});
    s->EnableGroup();
    s->Select({SeqHit::Tab, 82, -1});
    s->EnableGroup();
    *s->steps.g_stepTable.Row(81) = ladder::test::MakeCodes(
        {"130000", "010101", "070201", "130001", "010102", "128202", "130002", "010103", "120001", "000000"});
    *s->steps.g_stepTable.Row(82) = ladder::test::MakeCodes({"130000", "070101", "130001", "130002", "000000"});
    const model::StepTable& t = s->steps.g_stepTable;
    struct Case {
        int x, y;
        SeqHit::Kind kind;
        int group, step;
    } cases[] = {{10, 5, SeqHit::Tab, 81, -1},
                 {70, 33, SeqHit::Tab, 81, -1},
                 {74, 20, SeqHit::Tab, 82, -1},
                 {20, 50, SeqHit::Step, 81, 0},
                 {20, 39 + 34 * 2 + 5, SeqHit::Step, 81, 2},
                 {60, 50, SeqHit::None, -1, -1},
                 {20, 39 + 34 * 3 + 5, SeqHit::None, -1, -1},
                 {84, 39 + 34 + 1, SeqHit::Step, 82, 1}};
    for (const Case& c : cases) {
        const SeqHit h = HitTestSeq(t, c.x, c.y);
        EXPECT_EQ(h.kind, c.kind) << c.x << "," << c.y;
        EXPECT_EQ(h.group, c.group) << c.x << "," << c.y;
        EXPECT_EQ(h.step, c.step) << c.x << "," << c.y;
    }
    // The lines of group 81: to step 02 of group 82, and back to its own step 01.
    const std::vector<BranchLine> lines = BranchLines(t, 81);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].fromIndex, 1);
    EXPECT_EQ(lines[0].toGroup, 82);
    EXPECT_EQ(lines[0].toIndex, 2);
    EXPECT_EQ(lines[1].toGroup, 81);
    EXPECT_EQ(lines[1].toIndex, 1);
    // Seen from group 82 only the line into it is drawn.
    EXPECT_EQ(BranchLines(t, 82).size(), 1u);
}

class LadderSettleTest : public SeqSessionTest {
protected:
    void SetUp() override
    {
        SeqSessionTest::SetUp();
        s->Select({SeqHit::Tab, 81, -1});
        ASSERT_TRUE(s->EnableGroup());
        s->PrepareLadderView();
        ASSERT_EQ(s->convertResult, 0);
        modified = 0;
    }
    void edit(std::initializer_list<ladder::test::RowSpec> rows)
    {
        s->ladder.Grid() = MakeGrid(rows);
        s->ladder.g_ladderEdited = true;
    }
};

TEST_F(LadderSettleTest, CloseTranslatesAndStoresTheSteps)
{
    edit({StepRow(0), SimpleRung(NO(11, 15), OUT(11, 15))});
    EXPECT_TRUE(s->LadderClose());
    EXPECT_EQ(stored(81, 1), "011115");
    EXPECT_EQ(stored(81, 2), "071115");
    EXPECT_EQ(stored(81, 3), "000000");
    EXPECT_EQ(modified, 1);
    EXPECT_FALSE(s->ladder.g_ladderEdited);
}

TEST_F(LadderSettleTest, FailedConfirmAndCloseKeepTheEditAndShowTheError)
{
    // A long program whose only fault lies far down.
    s->ladder.Grid().Clear();
    for (int r = 0; r < 60; ++r) {
        const auto row = r == 0 ? StepRow(0) : SimpleRung(NO(11, 15), OUT(11, 15));
        for (int c = 0; c < 8; ++c) s->ladder.Cell(r, c) = row.cells[static_cast<std::size_t>(c)];
        s->ladder.g_ladderCoils[r] = row.coil;
    }
    s->ladder.Cell(85, 3) = NO(11, 15);  // a contact connected to nothing
    s->ladder.g_ladderEdited = true;
    s->ladder.g_ladderShowComments = false;
    s->LadderConfirm();
    ASSERT_FALSE(prompt.shown.empty());
    EXPECT_GE(prompt.shown.back().id, 8229);
    const int row = s->ladder.g_ladderErrorPos.row;
    EXPECT_EQ(s->ladder.g_ladderCursor, s->ladder.g_ladderErrorPos);
    // The error row is in view and the page does not run past row 88.
    EXPECT_LE(s->ladder.g_ladderScrollRequest, row);
    EXPECT_LE(s->ladder.g_ladderScrollRequest + 10, 89);
    EXPECT_GT(s->ladder.g_ladderScrollRequest + 10, row);
    EXPECT_TRUE(s->ladder.g_ladderEdited);

    EXPECT_FALSE(s->LadderClose());
    EXPECT_TRUE(s->ladder.g_ladderEdited);
    EXPECT_EQ(stored(81, 0), "130000");
    EXPECT_EQ(stored(81, 1), "000000");
    EXPECT_EQ(modified, 0);
}

TEST_F(LadderSettleTest, CancelAsksOnlyWithEdits)
{
    s->steps.g_stepTable.Row(81)->at(1) = model::MakeStepCode("070101");  // as a Confirm would leave it
    prompt.clearLog();
    edit({StepRow(0)});
    prompt.answer(seqmsg::DiscardLadder, model::Answer::Cancel);
    EXPECT_FALSE(s->LadderCancel());
    EXPECT_EQ(prompt.ids(), std::vector<int>{seqmsg::DiscardLadder});
    prompt.answer(seqmsg::DiscardLadder, model::Answer::Ok);
    EXPECT_TRUE(s->LadderCancel());
    EXPECT_EQ(s->steps.g_stepTable, s->ladder.g_stepTableBackup);

    // Without edits Close closes at once and translates nothing.
    prompt.clearLog();
    s->ladder.g_ladderEdited = false;
    EXPECT_TRUE(s->LadderCancel());
    EXPECT_TRUE(s->LadderClose());
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(LadderSettleTest, AFailedWriteKeepsTheEditPending)
{
    edit({StepRow(0), SimpleRung(NO(11, 15), OUT(11, 15))});
    const std::string folder = unit->workFolder;
    unit->workFolder = work / "missing/folder";
    EXPECT_FALSE(s->LadderClose());
    EXPECT_TRUE(s->ladder.g_ladderEdited);
    EXPECT_EQ(prompt.ids().back(), seqmsg::StepsNotWritten);
    unit->workFolder = folder;
    EXPECT_TRUE(s->CommitPending());
    EXPECT_EQ(stored(81, 1), "011115");
}

}  // namespace
}  // namespace kravin::sequence

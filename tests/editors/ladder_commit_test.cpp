// The ladder editor's commit hook as the model's commit service uses it: only a
// translated edit reaches the unit file.
#include "ladder_commit.h"

#include "KRAVinA.h"
#include "current_unit.h"
#include "ladder_fixtures.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kravin::ladder::test {
namespace {

struct LadderCommitTest : ::testing::Test {
    kravin::test::TempDir work;
    model::CardKindMasters masters;
    model::SystemConfigTables tables;
    model::UnitContext unit{masters, tables, "/nonexistent/", work.str()};
    model::SeqSteps steps;
    LadderContext ctx;
    FakeCheck check;
    FakePrompt prompt;
    LadderCommitHook hook{ctx, steps.g_stepTable, check, prompt};

    void SetUp() override
    {
        unit.g_curStation = 0;
        unit.g_curCard = 1;
        steps.g_seqMarkers[2] = {'9', '5'};
        ctx.g_seqGroup = 83;
        ctx.g_stepTableBackup = steps.g_stepTable;
        static_cast<LadderGrid&>(ctx) = MakeGrid({StepRow(0), SimpleRung(NO(1, 1), OUT(2, 1))});
        ctx.g_ladderEdited = true;
        hook.viewOpen = true;
    }

    std::string storedStep(int group, int step)
    {
        char head[500];
        KRAVinA_Data_Get(0, 0, head, work.str().c_str());
        char item[17] = {};
        KRAVinA_Data_Item_Get(group, 11 + step, item);
        return item;
    }
};

TEST_F(LadderCommitTest, UntranslatableEditIsNeverStored)
{
    ctx.Cell(1, 3) = kCellEmpty;   // cannot be translated
    EXPECT_EQ(model::IsLadderEditPending(&hook), 1);
    int modified = 0;
    EXPECT_EQ(model::CommitLadderEdit(&hook, unit, steps, modified), -1);
    EXPECT_EQ(modified, 0);
    EXPECT_EQ(storedStep(83, 0), "");
    EXPECT_TRUE(ctx.g_ladderEdited);
}

TEST_F(LadderCommitTest, TranslatedEditIsStoredAndSettled)
{
    EXPECT_EQ(model::IsLadderEditPending(&hook), 0);
    int modified = 0;
    EXPECT_EQ(model::CommitLadderEdit(&hook, unit, steps, modified), 0);
    EXPECT_EQ(modified, 1);
    EXPECT_FALSE(ctx.g_ladderEdited);
    EXPECT_EQ(storedStep(83, 0), "130000");
    EXPECT_EQ(storedStep(83, 1), "010101");
    EXPECT_EQ(storedStep(83, 2), "070201");
    // Nothing left to settle: a second commit stores nothing new.
    modified = 0;
    EXPECT_EQ(model::CommitLadderEdit(&hook, unit, steps, modified), 0);
    EXPECT_EQ(modified, 0);
}

}  // namespace
}  // namespace kravin::ladder::test

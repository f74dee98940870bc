#include "ladder_convert.h"

#include <gtest/gtest.h>

#include "ladder_fixtures.h"

namespace kravin::ladder {
namespace {

using namespace test;

TEST(ConvertTest, StepAndOneRung)
{
    LadderGrid g;
    ASSERT_EQ(ConvertStepsToGrid(MakeCodes({"130000", "010105", "070203", "000000"}), g), 0);
    EXPECT_EQ(g, MakeGrid({StepRow(0), SimpleRung(MakeValue(1, 1, 5), MakeValue(7, 2, 3))}));
}

TEST(ConvertTest, OutputOnlyRung)
{
    LadderGrid g;
    ASSERT_EQ(ConvertStepsToGrid(MakeCodes({"130000", "070203", "000000"}), g), 0);
    EXPECT_EQ(g, MakeGrid({StepRow(0), {{W, W, W, W, W, W, W, W}, OUT(2, 3)}}));
}

TEST(ConvertTest, EmptyListGivesEmptyGrid)
{
    for (const char* first : {"******", "000000", "**1234"}) {
        LadderGrid g = MakeGrid({StepRow(3)});
        ASSERT_EQ(ConvertStepsToGrid(MakeCodes({first, "130000"}), g), 0);
        EXPECT_EQ(g, LadderGrid());
    }
}

TEST(ConvertTest, ParallelThenSeries)
{
    LadderGrid g;
    ASSERT_EQ(ConvertStepsToGrid(MakeCodes({"130000", "010101", "050103", "030102", "070201"}), g), 0);
    EXPECT_EQ(g, MakeGrid({StepRow(0),
                           {{NO(1, 1), MakeValue(3, 1, 2), W, W, W, W, W, W}, OUT(2, 1), 0x01},
                           {{MakeValue(5, 1, 3), E, E, E, E, E, E, E}}}));
}

TEST(ConvertTest, NestedBlocks)
{
    // (A . B) | C in series with (D | E . F)
    LadderGrid g;
    ASSERT_EQ(ConvertStepsToGrid(MakeCodes({"130000", "010101", "030102", "010103", "050000", "010104", "010105",
                                            "030106", "050000", "030000", "070201"}),
                                 g),
              0);
    EXPECT_EQ(g, MakeGrid({StepRow(0),
                           {{NO(1, 1), MakeValue(3, 1, 2), NO(1, 4), W, W, W, W, W}, OUT(2, 1), 0x0A},
                           {{NO(1, 3), W, NO(1, 5), MakeValue(3, 1, 6), E, E, E, E}}}));
}

TEST(ConvertTest, SeveralOutputsHangOnTheCoilColumn)
{
    LadderGrid g;
    ASSERT_EQ(ConvertStepsToGrid(MakeCodes({"130000", "010101", "070201", "080202", "090203", "130001"}), g), 0);
    EXPECT_EQ(g, MakeGrid({StepRow(0),
                           {{NO(1, 1), W, W, W, W, W, W, W}, OUT(2, 1), 0x80},
                           {{E, E, E, E, E, E, E, E}, MakeValue(8, 2, 2), 0x80},
                           {{E, E, E, E, E, E, E, E}, MakeValue(9, 2, 3)},
                           StepRow(1)}));
}

TEST(ConvertTest, RungWithoutOutputBeforeStepAndTimer)
{
    LadderGrid g;
    ASSERT_EQ(ConvertStepsToGrid(MakeCodes({"130000", "010101", "070201", "130001", "020304", "130002", "142120"}), g),
              0);
    EXPECT_EQ(g, MakeGrid({StepRow(0), SimpleRung(NO(1, 1), OUT(2, 1)), StepRow(1), SimpleRung(NC(3, 4), kCoilWire),
                           StepRow(2), TimerRow(2, 120)}));
}

TEST(ConvertTest, NoOperationCodesAreSkipped)
{
    LadderGrid g;
    ASSERT_EQ(ConvertStepsToGrid(MakeCodes({"150000", "130000", "010101", "151234", "070201", "000000"}), g), 0);
    EXPECT_EQ(g, MakeGrid({StepRow(0), SimpleRung(NO(1, 1), OUT(2, 1))}));
}

struct BadList {
    const char* name;
    std::array<StepCode, kStepsPerGroup> codes;
};

class ConvertRejectTest : public ::testing::TestWithParam<BadList> {};

TEST_P(ConvertRejectTest, GivesMinusOne)
{
    LadderGrid g;
    EXPECT_EQ(ConvertStepsToGrid(GetParam().codes, g), -1);
}

INSTANTIATE_TEST_SUITE_P(
    Ladder, ConvertRejectTest,
    ::testing::Values(BadList{"OrBlockWithoutBranch", MakeCodes({"130000", "010101", "050000", "070201"})},
                      BadList{"AndBlockWithoutBranch", MakeCodes({"130000", "010101", "030000", "070201"})},
                      BadList{"UnclosedBlock", MakeCodes({"130000", "010101", "010102", "070201"})},
                      BadList{"SeriesWithoutLoad", MakeCodes({"130000", "030101", "070201"})},
                      BadList{"UnknownType", MakeCodes({"130000", "160101"})},
                      BadList{"NotDigits", MakeCodes({"130000", "01A101"})},
                      BadList{"RowTooLong", MakeCodes({"130000", "010101", "030102", "030103", "030104", "030105",
                                                       "030106", "030107", "030108", "030109", "070201"})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConvertTest, GridKeepsRungsPlacedBeforeTheFault)
{
    LadderGrid g;
    EXPECT_EQ(ConvertStepsToGrid(MakeCodes({"130000", "010101", "070201", "050000"}), g), -1);
    EXPECT_EQ(g, MakeGrid({StepRow(0), SimpleRung(NO(1, 1), OUT(2, 1))}));
}

struct ConvertFixture : ::testing::Test {
    LadderContext ctx;
    StepTable table;
    void SetUp() override
    {
        auto& row = *table.Row(85);
        const char* codes[] = {"130000", "010101", "070201", "150000", "130001", "010102", "070202", "130002",
                               "010103", "070203", "000000"};
        for (int i = 0; i < 11; ++i) row[i] = MakeStepCode(codes[i]);
        ctx.g_seqGroup = 85;
    }
};

TEST_F(ConvertFixture, StepTableIsOnlyRead)
{
    const StepTable before = table;
    ASSERT_EQ(ConvertSeqToLadder(ctx, table), 0);
    EXPECT_EQ(table, before);   // the no-operation code stays in the project
    EXPECT_EQ(ctx.Cell(2, 0), STEP(1));
}

TEST_F(ConvertFixture, SelectedStepRequestsScroll)
{
    ctx.g_seqSelectedStep = 2;
    ctx.g_ladderScrollRequest = 0;
    ASSERT_EQ(ConvertSeqToLadder(ctx, table), 0);
    EXPECT_EQ(ctx.g_ladderScrollRequest, 4);

    ctx.g_seqSelectedStep = 9;   // no such step
    ctx.g_ladderScrollRequest = 0;
    ASSERT_EQ(ConvertSeqToLadder(ctx, table), 0);
    EXPECT_EQ(ctx.g_ladderScrollRequest, 0);
}

TEST_F(ConvertFixture, GroupOutsideSequenceGroupsIsRefused)
{
    ctx.g_seqGroup = -1;
    EXPECT_EQ(ConvertSeqToLadder(ctx, table), -1);
    EXPECT_EQ(ctx.Grid(), LadderGrid());
}

}  // namespace
}  // namespace kravin::ladder

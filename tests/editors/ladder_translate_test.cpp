#include "ladder_translate.h"

#include <gtest/gtest.h>

#include "ladder_fixtures.h"

namespace kravin::ladder {
namespace {

using namespace test;
using Codes = std::vector<std::string>;

constexpr int32_t BR(int group, int step) { return MakeValue(12, group, step); }

// ------------------------------------------------------------ rejections

struct RejectCase {
    const char* name;
    LadderGrid grid;
    int error;
    GridPos pos;
};

// Rows 1..86 filled with no-operation rows, then the given rows on 87 and 88,
// where the wire-loop pass does not reach.
LadderGrid OnLastTwoRows(RowSpec a, RowSpec b)
{
    LadderGrid g = MakeGrid({StepRow(0)});
    for (int r = 1; r < 87; ++r) {
        g.Cell(r, 0) = 150000;
        for (int c = 1; c < kLadderCols; ++c) g.Cell(r, c) = W;
        g.g_ladderCoils[r] = kCoilWire;
    }
    for (int c = 0; c < kLadderCols; ++c) {
        g.Cell(87, c) = a.cells[c];
        g.Cell(88, c) = b.cells[c];
    }
    g.g_ladderCoils[87] = a.coil;
    g.g_ladderCoils[88] = b.coil;
    g.g_ladderLinks[87] = a.links;
    return g;
}

std::vector<RejectCase> RejectCases()
{
    const RowSpec step0 = StepRow(0);
    const RowSpec rung = SimpleRung(NO(1, 1), OUT(2, 1));
    return {
        {"ContactNotConnectedRight", MakeGrid({step0, {{NO(1, 1), E, E, E, E, E, E, E}, OUT(2, 1)}}),
         kErrNotConnected, {1, 0}},
        {"LineLeadsNowhere",
         MakeGrid({step0, {{NO(1, 1), W, W, W, W, W, W, W}, OUT(2, 1), 0x09}, {{NO(1, 2), E, E, E, E, E, E, E}}}),
         kErrNotConnected, {1, 3}},
        {"FirstElementFloating", MakeGrid({step0, {{E, NO(1, 1), W, W, W, W, W, W}, OUT(2, 1)}}),
         kErrFirstElement, {1, 1}},
        {"LineFromEmptyCell",
         MakeGrid({{{NO(1, 1), W, E, E, E, E, E, E}, OUT(2, 1), 0x04}, {{E, E, E, NO(1, 2), W, W, W, W}, OUT(2, 2)}}),
         kErrFirstElement, {0, 2}},
        {"ContactOnCoilBranch",
         MakeGrid({step0, {{NO(1, 1), W, W, W, W, W, W, W}, OUT(2, 1), 0x04},
                   {{E, E, E, NO(1, 2), W, W, W, W}, OUT(2, 2)}}),
         kErrContactOnCoilBranch, {2, 3}},
        {"ContactInOutputRung",
         MakeGrid({step0, {{W, W, NO(1, 1), W, W, W, W, W}, OUT(2, 1), 0x01}, {{NC(1, 2), E, E, E, E, E, E, E}}}),
         kErrContactInOutputRung, {1, 1}},
        {"OrInOutputRung",
         OnLastTwoRows({{W, W, W, W, W, W, W, W}, OUT(2, 1), 0x08}, {{W, W, W, W, W, W, W, W}, OUT(2, 2)}),
         kErrOrInOutputRung, {87, 3}},
        {"BranchInOutputRung", MakeGrid({step0, {{W, W, W, W, W, W, W, W}, BR(81, 1)}}),
         kErrNoOutputInOutputRung, {1, 8}},
        {"WireOnLaterOutputRow",
         OnLastTwoRows({{W, W, W, W, W, W, W, W}, OUT(2, 1), 0x80}, {{W, W, W, W, W, W, W, W}, OUT(2, 2)}),
         kErrOutputRungShape, {88, 0}},
        {"RungBeforeFirstStep", MakeGrid({rung, step0}), kErrBeforeStep, {0, 0}},
        {"StepNumberTooHigh", MakeGrid({StepRow(20), rung}), kErrStepNumber, {0, 0}},
        {"DuplicateStep", MakeGrid({step0, rung, StepRow(1), rung, StepRow(1), rung}), kErrDuplicateStep, {4, 0}},
        {"LineOutOfStepRow", MakeGrid({{{STEP(0), W, W, W, W, W, W, W}, kCoilWire, 0x01}, rung}), kErrOrToStep,
         {0, 0}},
        {"StepJoinedBelowRung", MakeGrid({step0, {{NO(1, 1), W, W, W, W, W, W, W}, OUT(2, 1), 0x01}, StepRow(1)}),
         kErrOrToStep, {2, 0}},
        {"ContactInStepRow", MakeGrid({{{STEP(0), W, W, NO(1, 1), W, W, W, W}, kCoilWire}, rung}),
         kErrContactInStep, {0, 1}},   // normalisation moved the contact left
        {"OutputInStepRow", MakeGrid({{{STEP(0), W, W, W, W, W, W, W}, OUT(2, 1)}, rung}), kErrOutputInStep,
         {0, 8}},
        {"TimerInStep00", MakeGrid({step0, TimerRow(1, 10), rung}), kErrTimerInStep00, {1, 0}},
        {"LineOutOfTimerRow",
         MakeGrid({step0, rung, StepRow(1), {{TIMER(1, 10), W, W, W, W, W, W, W}, kCoilWire, 0x01}, rung}),
         kErrOrToTimer, {3, 0}},
        {"ContactInTimerRow",
         MakeGrid({step0, rung, StepRow(1), {{TIMER(1, 10), W, NC(1, 1), W, W, W, W, W}, kCoilWire}}),
         kErrContactInTimer, {3, 1}},
        {"OutputInTimerRow", MakeGrid({step0, rung, StepRow(1), {{TIMER(1, 10), W, W, W, W, W, W, W}, OUT(2, 1)}}),
         kErrOutputInTimer, {3, 8}},
        {"ContactShortedByWire",
         MakeGrid({step0, {{NO(1, 1), W, W, W, W, W, W, W}, OUT(2, 1), 0x01}, {{W, E, E, E, E, E, E, E}}}),
         kErrCannotTranslate, {1, 0}},
        {"ContactBetweenWiredLines",
         MakeGrid({step0, {{NO(1, 1), W, W, W, W, W, W, W}, OUT(2, 1), 0x06}, {{E, E, NO(1, 2), E, E, E, E, E}}}),
         kErrCannotTranslate, {2, 2}},
        {"NoOutputInStep00", MakeGrid({step0, SimpleRung(NO(1, 1), kCoilWire), rung}), kErrNoOutputInStep00, {1, 8}},
        {"BranchToStep00", MakeGrid({step0, rung, StepRow(1), SimpleRung(NO(1, 1), BR(0, 0))}), kErrBranchToStep00,
         {3, 8}},
        {"BranchFromStep00", MakeGrid({step0, SimpleRung(NO(1, 1), BR(0, 2))}), kErrBranchFromStep00, {1, 8}},
        {"EmptyGrid", MakeGrid({}), kErrNoStep00Or01, {0, 0}},
        {"OnlyStep02", MakeGrid({StepRow(2), rung}), kErrNoStep00Or01, {0, 0}},
        {"Step02WithoutStep01", MakeGrid({step0, rung, StepRow(2), rung}), kErrNoStep01, {0, 0}},
        {"RungWithoutOutputMidStep",
         MakeGrid({step0, rung, StepRow(1), SimpleRung(NO(1, 1), kCoilWire), rung}), kErrRungWithoutOutput,
         {3, 8}},
    };
}

class RejectTest : public ::testing::TestWithParam<RejectCase> {};

TEST_P(RejectTest, ReportsCodeAndCell)
{
    RejectCase c = GetParam();
    LadderTranslation t = TranslateGrid(c.grid);
    EXPECT_EQ(t.error, c.error) << LadderErrorText(t.error);
    EXPECT_EQ(t.errorPos.row, c.pos.row);
    EXPECT_EQ(t.errorPos.col, c.pos.col);
}

INSTANTIATE_TEST_SUITE_P(Ladder, RejectTest, ::testing::ValuesIn(RejectCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LadderErrorTextTest, EveryCodeHasItsMessageAndId)
{
    EXPECT_STREQ(LadderErrorText(-100), "Connection is not completed.");
    EXPECT_EQ(LadderErrorMessageId(-100), 8229);
    EXPECT_STREQ(LadderErrorText(-124),
                 "Ladder without an output is valid only immediately before STEP or END command.");
    EXPECT_EQ(LadderErrorMessageId(-124), 8253);
    EXPECT_STREQ(LadderErrorText(-125), "Unknown error type.");
    EXPECT_STREQ(LadderErrorText(1), "Unknown error type.");
    EXPECT_EQ(LadderErrorMessageId(-99), 8254);
}

// ------------------------------------------------------------ worked examples

TEST(TranslateTest, Step00AndOneRung)
{
    LadderGrid g = MakeGrid({StepRow(0), SimpleRung(NO(1, 5), OUT(2, 3))});
    LadderTranslation t = TranslateGrid(g);
    ASSERT_EQ(t.error, kLadderOk);
    EXPECT_EQ(ProgramText(t.codes), (Codes{"130000", "010105", "070203"}));
    EXPECT_EQ(CodeText(t.codes[3]), "000000");
    EXPECT_EQ(CodeText(t.codes[4]), "******");
}

TEST(TranslateTest, ParallelContactBeforeSeriesContact)
{
    LadderGrid g = MakeGrid({StepRow(0),
                             {{NO(1, 1), NO(1, 2), W, W, W, W, W, W}, OUT(2, 1), 0x01},
                             {{NO(1, 3), E, E, E, E, E, E, E}}});
    LadderTranslation t = TranslateGrid(g);
    ASSERT_EQ(t.error, kLadderOk) << LadderErrorText(t.error);
    EXPECT_EQ(ProgramText(t.codes), (Codes{"130000", "010101", "050103", "030102", "070201"}));
}

TEST(TranslateTest, RungWithoutOutputBeforeStepWritesOnlyContacts)
{
    LadderGrid g = MakeGrid({StepRow(0), SimpleRung(NO(1, 1), OUT(2, 1)), StepRow(1),
                             SimpleRung(NC(3, 4), kCoilWire), StepRow(2), SimpleRung(NO(1, 2), OUT(2, 2))});
    LadderTranslation t = TranslateGrid(g);
    ASSERT_EQ(t.error, kLadderOk) << LadderErrorText(t.error);
    EXPECT_EQ(ProgramText(t.codes),
              (Codes{"130000", "010101", "070201", "130001", "020304", "130002", "010102", "070202"}));
}

TEST(TranslateTest, ContactKindGivesOnlyOpenOrClosed)
{
    // Kinds 3..6 from conversion translate by position.
    LadderGrid g = MakeGrid({StepRow(0), {{MakeValue(5, 1, 1), MakeValue(4, 1, 2), W, W, W, W, W, W}, OUT(2, 1)}});
    LadderTranslation t = TranslateGrid(g);
    ASSERT_EQ(t.error, kLadderOk);
    EXPECT_EQ(ProgramText(t.codes), (Codes{"130000", "010101", "040102", "070201"}));
}

TEST(TranslateTest, TimerStepsAndOutputOnlyRung)
{
    LadderGrid g = MakeGrid({StepRow(0), SimpleRung(NO(1, 1), OUT(2, 1)), StepRow(1), TimerRow(1, 30),
                             {{W, W, W, W, W, W, W, W}, OUT(2, 2), 0x80},
                             {{E, E, E, E, E, E, E, E}, MakeValue(9, 2, 3)},
                             SimpleRung(NO(1, 4), BR(81, 2))});
    LadderTranslation t = TranslateGrid(g);
    ASSERT_EQ(t.error, kLadderOk) << LadderErrorText(t.error);
    EXPECT_EQ(ProgramText(t.codes),
              (Codes{"130000", "010101", "070201", "130001", "141030", "070202", "090203", "010104", "128102"}));
}

TEST(TranslateTest, NestedBlocksUseBlockOperations)
{
    // (A . B) | C in series with (D | E . F)
    LadderGrid g = MakeGrid({StepRow(0),
                             {{NO(1, 1), NO(1, 2), NO(1, 4), W, W, W, W, W}, OUT(2, 1), 0x0A},
                             {{NO(1, 3), W, NO(1, 5), NO(1, 6), E, E, E, E}}});
    LadderTranslation t = TranslateGrid(g);
    ASSERT_EQ(t.error, kLadderOk) << LadderErrorText(t.error);
    EXPECT_EQ(ProgramText(t.codes), (Codes{"130000", "010101", "030102", "050103", "010104", "010105", "030106",
                                           "050000", "030000", "070201"}));
}

TEST(TranslateTest, OpenContactOnBlock00Terminal00CannotBeSeries)
{
    LadderGrid g = MakeGrid({StepRow(0), {{NO(1, 1), NO(0, 0), W, W, W, W, W, W}, OUT(2, 1)}});
    LadderTranslation t = TranslateGrid(g);
    EXPECT_EQ(t.error, kErrCannotTranslate);
    EXPECT_EQ(t.errorPos, (GridPos{1, 1}));
}

// ------------------------------------------------------------ the 89-code limit

LadderGrid GridWithCodes(int rungs, bool extraStep)
{
    LadderGrid g = MakeGrid({StepRow(0)});
    for (int i = 0; i < rungs; ++i) {
        g.Cell(1 + i, 0) = NO(1, i % 100);
        for (int c = 1; c < kLadderCols; ++c) g.Cell(1 + i, c) = W;
        g.g_ladderCoils[1 + i] = OUT(2, i % 100);
    }
    if (extraStep) {
        const int r = 1 + rungs;
        g.Cell(r, 0) = STEP(1);
        for (int c = 1; c < kLadderCols; ++c) g.Cell(r, c) = W;
        g.g_ladderCoils[r] = kCoilWire;
    }
    return g;
}

TEST(TranslateLimitTest, EightyNinthCodeAcceptedNinetiethRefused)
{
    LadderGrid full = GridWithCodes(44, false);   // 1 + 44 * 2 = 89 codes
    LadderTranslation t = TranslateGrid(full);
    ASSERT_EQ(t.error, kLadderOk) << LadderErrorText(t.error);
    EXPECT_EQ(t.count, 89);
    EXPECT_EQ(CodeText(t.codes[88]), "070243");   // no room for the end code

    LadderGrid over = GridWithCodes(44, true);
    t = TranslateGrid(over);
    EXPECT_EQ(t.error, kErrItemOverflow);
    EXPECT_EQ(t.errorPos, (GridPos{45, 0}));

    // The 90th code inside a rung is named by its element.
    LadderGrid inRung = GridWithCodes(44, false);
    inRung.Cell(44, 1) = NC(5, 5);
    t = TranslateGrid(inRung);
    EXPECT_EQ(t.error, kErrItemOverflow);
    EXPECT_EQ(t.errorPos, (GridPos{44, 8}));
}

// ------------------------------------------------------------ normalisation passes

struct PassCase {
    const char* name;
    void (*pass)(LadderGrid&);
    LadderGrid input;
    LadderGrid want;
};

std::vector<PassCase> PassCases()
{
    const RowSpec rung = SimpleRung(NO(1, 1), OUT(2, 1));
    const RowSpec emptyRow = {{E, E, E, E, E, E, E, E}};
    return {
        {"RemoveEmptyRowsMovesRowsUpWithCoilsAndLines", RemoveEmptyRows,
         MakeGrid({StepRow(0), {{E, E, E, E, E, E, E, E}, kCoilWire},
                   {{NO(1, 1), W, W, W, W, W, W, W}, OUT(2, 1), 0x01}, {{NO(1, 2), E, E, E, E, E, E, E}}}),
         MakeGrid({StepRow(0), {{NO(1, 1), W, W, W, W, W, W, W}, OUT(2, 1), 0x01},
                   {{NO(1, 2), E, E, E, E, E, E, E}}})},
        // The line below row 1 ends in the empty row 2; it must not reach row 3.
        {"RemoveEmptyRowsDoesNotJoinALineEndingInTheRemovedRow", RemoveEmptyRows,
         MakeGrid({StepRow(0), {{NO(1, 1), W, W, W, W, W, W, W}, OUT(2, 1), 0x01}, emptyRow,
                   SimpleRung(NO(1, 2), OUT(2, 2))}),
         MakeGrid({StepRow(0), rung, SimpleRung(NO(1, 2), OUT(2, 2))})},
        {"RedrawOutputBranchesMovesBranchToCoilColumn", RedrawOutputBranches,
         MakeGrid({StepRow(0), {{NO(1, 1), W, W, W, W, W, W, W}, OUT(2, 1), 0x08},
                   {{E, E, E, E, W, W, W, W}, OUT(2, 2)}}),
         MakeGrid({StepRow(0), {{NO(1, 1), W, W, W, W, W, W, W}, OUT(2, 1), 0x80}, {emptyRow.cells, OUT(2, 2)}})},
        {"RedrawOutputBranchesKeepsBranchWithContactsRightOfIt", RedrawOutputBranches,
         MakeGrid({StepRow(0), {{NO(1, 1), W, W, W, NO(1, 5), W, W, W}, OUT(2, 1), 0x08},
                   {{E, E, E, E, W, W, W, W}, OUT(2, 2)}}),
         MakeGrid({StepRow(0), {{NO(1, 1), W, W, W, NO(1, 5), W, W, W}, OUT(2, 1), 0x08},
                   {{E, E, E, E, W, W, W, W}, OUT(2, 2)}})},
        // A line from a timer row to the rung below is no output branch of the rung above.
        {"RedrawOutputBranchesStaysInsideItsRung", RedrawOutputBranches,
         MakeGrid({StepRow(0), rung, StepRow(1), {{TIMER(1, 10), W, W, W, W, W, W, W}, kCoilWire, 0x01}, rung}),
         MakeGrid({StepRow(0), rung, StepRow(1), {{TIMER(1, 10), W, W, W, W, W, W, W}, kCoilWire, 0x01}, rung})},
        {"RemoveWireOnlyParallelsDropsTheWireLoop", RemoveWireOnlyParallels,
         MakeGrid({StepRow(0), {{NO(1, 1), W, W, W, W, W, W, W}, OUT(2, 1), 0x0A}, {{E, E, W, W, E, E, E, E}}}),
         MakeGrid({StepRow(0), rung, emptyRow})},
        {"RemoveWireOnlyParallelsKeepsAParallelContact", RemoveWireOnlyParallels,
         MakeGrid({StepRow(0), {{NO(1, 1), W, W, W, W, W, W, W}, OUT(2, 1), 0x0A},
                   {{E, E, NC(1, 2), W, E, E, E, E}}}),
         MakeGrid({StepRow(0), {{NO(1, 1), W, W, W, W, W, W, W}, OUT(2, 1), 0x0A},
                   {{E, E, NC(1, 2), W, E, E, E, E}}})},
        {"CloseOutputGapsMovesOutputUpTheCoilLine", CloseOutputGaps,
         MakeGrid({StepRow(0), {{NO(1, 1), W, W, W, W, W, W, W}, OUT(2, 1), 0x80},
                   {emptyRow.cells, kCoilNone, 0x80}, {emptyRow.cells, OUT(2, 2)}}),
         MakeGrid({StepRow(0), {{NO(1, 1), W, W, W, W, W, W, W}, OUT(2, 1), 0x80}, {emptyRow.cells, OUT(2, 2)}})},
        // The line at the right edge of column 2 splits row 1 into 0..2 and 3..7.
        {"CompactSeriesSegmentsMovesContactsLeftWithinSegments", CompactSeriesSegments,
         MakeGrid({StepRow(0), {{W, NO(1, 1), W, W, NO(1, 2), W, W, W}, OUT(2, 1), 0x04},
                   {{NO(1, 3), W, W, E, E, E, E, E}}}),
         MakeGrid({StepRow(0), {{NO(1, 1), W, W, NO(1, 2), W, W, W, W}, OUT(2, 1), 0x04},
                   {{NO(1, 3), W, W, E, E, E, E, E}}})},
        // A parallel row that stops short keeps its gap: filling it would short the rung.
        {"CompactSeriesSegmentsLeavesEmptyCellsEmpty", CompactSeriesSegments,
         MakeGrid({StepRow(0), {{NO(1, 1), W, W, W, W, W, W, W}, OUT(2, 1), 0x81},
                   {{NO(1, 2), E, E, E, E, E, E, E}, OUT(2, 2)}}),
         MakeGrid({StepRow(0), {{NO(1, 1), W, W, W, W, W, W, W}, OUT(2, 1), 0x81},
                   {{NO(1, 2), E, E, E, E, E, E, E}, OUT(2, 2)}})},
    };
}

class NormalisePassTest : public ::testing::TestWithParam<PassCase> {};

TEST_P(NormalisePassTest, GivesExpectedGrid)
{
    PassCase c = GetParam();
    c.pass(c.input);
    EXPECT_EQ(c.input, c.want);
}

INSTANTIATE_TEST_SUITE_P(Ladder, NormalisePassTest, ::testing::ValuesIn(PassCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NormaliseTest, TranslationShowsNormalisedGrid)
{
    LadderGrid g = MakeGrid({StepRow(0),
                             {{E, E, E, E, E, E, E, E}},
                             {{W, NO(1, 1), W, W, W, W, W, W}, OUT(2, 1)}});
    LadderTranslation t = TranslateGrid(g);
    ASSERT_EQ(t.error, kLadderOk) << LadderErrorText(t.error);
    EXPECT_EQ(g, MakeGrid({StepRow(0), SimpleRung(NO(1, 1), OUT(2, 1))}));
}

// ------------------------------------------------------------ TranslateLadder and its modes

struct LadderFixture : ::testing::Test {
    LadderContext ctx;
    StepTable table;
    FakeCheck check;
    FakePrompt prompt;

    void SetUp() override
    {
        ctx.g_seqGroup = 83;
        (*table.Row(83))[0] = MakeStepCode("130000");
        (*table.Row(83))[1] = MakeStepCode("010909");
        (*table.Row(83))[2] = MakeStepCode("070909");
        (*table.Row(83))[3] = MakeStepCode("000000");
        (*table.Row(81))[0] = MakeStepCode("130000");
        ctx.g_stepTableBackup = table;
        static_cast<LadderGrid&>(ctx) = MakeGrid({StepRow(0), SimpleRung(NO(1, 1), OUT(2, 1))});
        ctx.g_ladderEdited = true;
    }
    void Reject()   // an edit that cannot be translated
    {
        ctx.Cell(1, 3) = kCellEmpty;
    }
};

TEST_F(LadderFixture, TranslatedCodesReplaceTheGroupRow)
{
    EXPECT_EQ(TranslateLadder(ctx, table, check, prompt, kTranslateReport), 0);
    EXPECT_EQ(ProgramText(*table.Row(83)), (Codes{"130000", "010101", "070201"}));
    EXPECT_EQ(CodeText((*table.Row(83))[3]), "000000");
    EXPECT_EQ((*table.Row(81))[0], MakeStepCode("130000"));
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(check.seen, (Codes{"130000", "010101", "070201"}));
}

TEST_F(LadderFixture, RejectedDiagramLeavesTableAsItWasInEveryMode)
{
    Reject();
    for (int mode : {kTranslateAsk, kTranslateReport, kTranslateSilent}) {
        StepTable before = table;
        prompt.shown.clear();
        EXPECT_EQ(TranslateLadder(ctx, table, check, prompt, mode), kErrNotConnected);
        EXPECT_EQ(table, before);
        if (mode == kTranslateSilent) {
            EXPECT_TRUE(prompt.shown.empty());
        } else {
            ASSERT_EQ(prompt.shown.size(), 1u);
            EXPECT_EQ(prompt.shown[0].id, 8229);
            EXPECT_EQ(prompt.shown[0].text, "Connection is not completed.");
            EXPECT_EQ(ctx.g_ladderErrorPos, (GridPos{1, 2}));
        }
    }
}

TEST_F(LadderFixture, SilentModeChangesNothing)
{
    // Normalisation would move the contact to column 0; the query must not.
    static_cast<LadderGrid&>(ctx) =
        MakeGrid({StepRow(0), {{W, NC(4, 4), W, W, W, W, W, W}, OUT(2, 1)}, {{E, E, E, E, E, E, E, E}}});
    const LadderGrid grid = ctx.Grid();
    const StepTable before = table;
    ctx.g_ladderErrorPos = {7, 7};
    EXPECT_EQ(TranslateLadder(ctx, table, check, prompt, kTranslateSilent), 0);
    EXPECT_EQ(table, before);
    EXPECT_EQ(ctx.Grid(), grid);
    EXPECT_EQ(ctx.g_ladderErrorPos, (GridPos{7, 7}));
    EXPECT_TRUE(ctx.g_ladderEdited);

    check.refused = {"020404"};
    EXPECT_EQ(TranslateLadder(ctx, table, check, prompt, kTranslateSilent), 1);
    EXPECT_EQ(table, before);
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(LadderFixture, FailingSequenceCheckByMode)
{
    ctx.Cell(1, 1) = NO(5, 5);
    check.refused = {"030505", "070201"};

    // Report: every failing code shown, result 1, codes written.
    EXPECT_EQ(TranslateLadder(ctx, table, check, prompt, kTranslateReport), 1);
    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_EQ(prompt.shown[0].text, "Error in sequence connection. ( It13 Dt=030505)");
    EXPECT_EQ(prompt.shown[1].text, "Error in sequence connection. ( It14 Dt=070201)");
    EXPECT_EQ(ProgramText(*table.Row(83)), (Codes{"130000", "010101", "030505", "070201"}));

    // Ask: OK on each goes on and accepts.
    prompt.shown.clear();
    EXPECT_EQ(TranslateLadder(ctx, table, check, prompt, kTranslateAsk), 0);
    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_TRUE(prompt.shown[0].question);
    EXPECT_EQ(prompt.shown[0].text,
              "Error in sequence connection. Do you want to continue? ( It13 Dt=030505)");

    // Ask: Cancel ends at once with 1.
    prompt.shown.clear();
    prompt.answers = {false};
    EXPECT_EQ(TranslateLadder(ctx, table, check, prompt, kTranslateAsk), 1);
    EXPECT_EQ(prompt.shown.size(), 1u);
}

TEST_F(LadderFixture, SettleCommitsTranslatedEdit)
{
    EXPECT_EQ(SettleLadderEdit(ctx, table, check, prompt), LadderSettle::Committed);
    EXPECT_FALSE(ctx.g_ladderEdited);
    EXPECT_EQ(ProgramText(*table.Row(83)), (Codes{"130000", "010101", "070201"}));
    EXPECT_EQ(ctx.g_stepTableBackup, table);
    // Nothing further to settle.
    EXPECT_EQ(SettleLadderEdit(ctx, table, check, prompt), LadderSettle::Nothing);
}

TEST_F(LadderFixture, SettleRefusesRejectedEditAndPointsAtIt)
{
    Reject();
    StepTable before = table;
    EXPECT_EQ(SettleLadderEdit(ctx, table, check, prompt), LadderSettle::Refused);
    EXPECT_EQ(table, before);
    EXPECT_TRUE(ctx.g_ladderEdited);
    EXPECT_EQ(ctx.g_ladderCursor, (GridPos{1, 2}));
    EXPECT_EQ(ctx.g_ladderScrollRequest, 1);
    EXPECT_EQ(ctx.g_stepTableBackup, before);
}

TEST_F(LadderFixture, SettleCancelledAtSequenceCheckKeepsTable)
{
    check.refused = {"070201"};
    prompt.answers = {false};
    StepTable before = table;
    EXPECT_EQ(SettleLadderEdit(ctx, table, check, prompt), LadderSettle::Refused);
    EXPECT_EQ(table, before);
    EXPECT_TRUE(ctx.g_ladderEdited);
}

TEST_F(LadderFixture, SettleWithoutPendingEditTouchesNothing)
{
    ctx.g_ladderEdited = false;
    Reject();
    StepTable before = table;
    EXPECT_EQ(SettleLadderEdit(ctx, table, check, prompt), LadderSettle::Nothing);
    EXPECT_EQ(table, before);
    EXPECT_TRUE(prompt.shown.empty());
}

TEST(PointCursorTest, ScrollNeverRunsPastLastRow)
{
    struct Case {
        int row;
        bool comments;
        int scroll;
    };
    for (Case c : {Case{5, false, 5}, Case{79, false, 79}, Case{80, false, 79}, Case{88, false, 79},
                   Case{83, true, 83}, Case{84, true, 83}}) {
        LadderContext ctx;
        ctx.g_ladderShowComments = c.comments;
        ctx.g_ladderErrorPos = {c.row, 3};
        PointCursorAtLadderError(ctx);
        EXPECT_EQ(ctx.g_ladderCursor, (GridPos{c.row, 3}));
        EXPECT_EQ(ctx.g_ladderScrollRequest, c.scroll) << c.row;
    }
}

}  // namespace
}  // namespace kravin::ladder

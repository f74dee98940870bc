// The ladder editor's keys, row commands, rung clipboard and undo, without a window.
#include "ladder_editor.h"

#include "ladder_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>

namespace kravin::ladder::test {
namespace {

// Answers the operand dialogs from a script and records what was asked.
class FakeHost : public LadderEditorHost {
public:
    bool isOnline = false;
    std::deque<std::optional<int>> steps, params;
    std::deque<std::optional<std::string>> comments;
    std::vector<int> messages;
    std::vector<std::pair<int, int>> asked;  // (kind, initial) of each parameter dialog
    std::vector<int> askedSteps;
    int beeps = 0;
    std::string definitionName = "Start";
    std::map<int, std::string> stored;
    bool writeFails = false;

    bool online() const override { return isOnline; }
    std::optional<int> askStepNumber(int initial) override
    {
        askedSteps.push_back(initial);
        if (steps.empty()) return std::nullopt;
        auto v = steps.front();
        steps.pop_front();
        return v;
    }
    std::optional<Timer> askTimer(int) override { return Timer{1, 30}; }
    std::optional<int> askParameter(int kind, int initial) override
    {
        asked.push_back({kind, initial});
        if (params.empty()) return std::nullopt;
        auto v = params.front();
        params.pop_front();
        return v;
    }
    std::optional<std::string> askComment(const std::string&) override
    {
        if (comments.empty()) return std::nullopt;
        auto v = comments.front();
        comments.pop_front();
        return v;
    }
    void message(int id) override { messages.push_back(id); }
    void beep() override { ++beeps; }
    void toggleKeyHelp() override {}
    std::string definitionTerminalName(int, int) override { return definitionName; }
    std::string terminalComment(int kk, int nn) override { return stored[kk * 100 + nn]; }
    bool storeTerminalComment(int kk, int nn, const std::string& text) override
    {
        if (writeFails) return false;
        stored[kk * 100 + nn] = text;
        return true;
    }
    int station() const override { return 0; }
    int card() const override { return 1; }
    std::string workFolder() const override { return "/nonexistent"; }
};

struct LadderEditorTest : ::testing::Test {
    LadderContext ctx;
    FakeHost host;
    LadderEditor editor{ctx, host};

    void grid(std::initializer_list<RowSpec> rows, int first = 0) { ctx.Grid() = MakeGrid(rows, first); }
    EditResult key(LadderKey k, bool ctrl = false, int digit = -1) { return editor.EditCommand({k, ctrl, digit}); }
    void at(int row, int col) { editor.SetCursor(row, col); }
    GridPos cursor() const { return ctx.g_ladderCursor; }
};

TEST_F(LadderEditorTest, DigitsEditOnlyElementsOfTheirClass)
{
    grid({StepRow(3), SimpleRung(NC(12, 34), OUT(5, 6))});
    at(5, 2);
    EXPECT_EQ(key(LadderKey::Digit, false, 7), EditResult::Nothing);  // empty cell
    at(5, 8);
    EXPECT_EQ(key(LadderKey::Digit, false, 7), EditResult::Nothing);  // no coil
    EXPECT_TRUE(host.asked.empty());
    EXPECT_TRUE(host.askedSteps.empty());
    EXPECT_FALSE(ctx.g_ladderEdited);

    // On a contact: the dialog of its parity with the digit first.
    at(1, 0);
    host.params = {1235};
    EXPECT_EQ(key(LadderKey::Digit, false, 1), EditResult::Changed);
    EXPECT_EQ(host.asked.back(), std::make_pair(1, 10001));
    EXPECT_EQ(ctx.Cell(1, 0), NC(12, 35));
    // On a coil: the dialog of the coil's kind.
    at(1, 8);
    host.params = {507};
    EXPECT_EQ(key(LadderKey::Digit, false, 4), EditResult::Changed);
    EXPECT_EQ(host.asked.back(), std::make_pair(2, 10004));
    EXPECT_EQ(ctx.g_ladderCoils[1], OUT(5, 7));
    // On a step: the step dialog.
    at(0, 0);
    host.steps = {4};
    EXPECT_EQ(key(LadderKey::Digit, false, 2), EditResult::Changed);
    EXPECT_EQ(host.askedSteps.back(), 102);
    EXPECT_EQ(ctx.Cell(0, 0), STEP(4));
}

TEST_F(LadderEditorTest, ContactsMoveRightAndRefuseTerminalZero)
{
    at(5, 7);
    host.params = {1203};
    EXPECT_EQ(key(LadderKey::ContactNO), EditResult::Changed);
    EXPECT_EQ(ctx.Cell(5, 7), NO(12, 3));
    EXPECT_EQ(cursor(), (GridPos{5, 8}));
    EXPECT_TRUE(ctx.g_ladderEdited);

    at(6, 0);
    host.params = {1200};
    EXPECT_EQ(key(LadderKey::ContactNC), EditResult::Nothing);
    EXPECT_EQ(host.messages, std::vector<int>{laddermsg::TerminalZero});
    EXPECT_EQ(ctx.Cell(6, 0), E);
    EXPECT_EQ(cursor(), (GridPos{6, 0}));

    // The current operand is offered when the element is of the same class.
    host.params = {std::nullopt};
    at(5, 7);
    key(LadderKey::ContactNC);
    EXPECT_EQ(host.asked.back(), std::make_pair(1, 1203));
    EXPECT_EQ(ctx.Cell(5, 7), NO(12, 3));  // cancelled: unchanged
}

TEST_F(LadderEditorTest, CoilsWireTheRowAndGoToTheNextRow)
{
    grid({StepRow(0), {{NO(1, 1), E, E, E, E, E, E, E}, kCoilNone, 0}});
    at(1, 3);
    host.params = {8105};
    EXPECT_EQ(key(LadderKey::Branch), EditResult::Changed);
    EXPECT_EQ(host.asked.back().first, 7);
    EXPECT_EQ(ctx.g_ladderCoils[1], MakeValue(12, 81, 5));
    for (int c = 1; c < 3; ++c) EXPECT_EQ(ctx.Cell(1, c), E) << c;
    for (int c = 3; c < 8; ++c) EXPECT_EQ(ctx.Cell(1, c), W) << c;
    EXPECT_EQ(cursor(), (GridPos{2, 0}));
    // A coil needs column 0 empty, a wire or a contact.
    at(0, 8);
    EXPECT_EQ(key(LadderKey::Out), EditResult::Nothing);
}

TEST_F(LadderEditorTest, ConnectOnTheCoilColumnWiresAndGoesDown)
{
    at(4, 8);
    EXPECT_EQ(key(LadderKey::Connect), EditResult::Changed);
    EXPECT_EQ(ctx.g_ladderCoils[4], kCoilWire);
    EXPECT_EQ(cursor(), (GridPos{5, 0}));
    EXPECT_EQ(key(LadderKey::Connect), EditResult::Changed);
    EXPECT_EQ(ctx.Cell(5, 0), W);
    EXPECT_EQ(cursor(), (GridPos{5, 1}));
}

TEST_F(LadderEditorTest, OrLinesAndBackspace)
{
    at(0, 3);
    EXPECT_EQ(key(LadderKey::OrLine), EditResult::Nothing);  // row 0
    at(2, 0);
    EXPECT_EQ(key(LadderKey::OrLine), EditResult::Nothing);  // column 0
    at(2, 3);
    EXPECT_EQ(key(LadderKey::OrLine), EditResult::Changed);
    EXPECT_TRUE(ctx.Link(1, 2));
    at(2, 8);
    key(LadderKey::OrLine);
    EXPECT_TRUE(ctx.Link(1, 7));
    key(LadderKey::OrLine);
    EXPECT_FALSE(ctx.Link(1, 7));

    // Backspace clears the cell left of the cursor and the line from above into it.
    ctx.Cell(2, 2) = NO(1, 2);
    at(2, 3);
    EXPECT_EQ(key(LadderKey::Backspace), EditResult::Changed);
    EXPECT_EQ(ctx.Cell(2, 2), E);
    EXPECT_FALSE(ctx.Link(1, 2));
    EXPECT_EQ(cursor(), (GridPos{2, 2}));
    // A line that goes on below stays.
    ctx.SetLink(1, 1, true);
    ctx.SetLink(2, 1, true);
    key(LadderKey::Backspace);
    EXPECT_TRUE(ctx.Link(1, 1));
}

TEST_F(LadderEditorTest, CursorStopsAtTheGridEdges)
{
    struct Case {
        GridPos from;
        LadderKey key;
        GridPos to;
    } cases[] = {
        {{0, 0}, LadderKey::Up, {0, 0}},         {{88, 4}, LadderKey::Down, {88, 4}},
        {{3, 8}, LadderKey::Right, {4, 0}},      {{88, 8}, LadderKey::Right, {88, 8}},
        {{3, 0}, LadderKey::Left, {2, 8}},       {{0, 0}, LadderKey::Left, {0, 0}},
        {{3, 2}, LadderKey::Enter, {3, 3}},      {{2, 1}, LadderKey::PageUp, {0, 1}},
        {{86, 1}, LadderKey::PageDown, {88, 1}}, {{10, 1}, LadderKey::PageDown, {15, 1}},
    };
    for (const Case& c : cases) {
        at(c.from.row, c.from.col);
        key(c.key);
        EXPECT_EQ(cursor(), c.to) << c.from.row << "," << c.from.col;
    }
    ctx.g_ladderShowComments = true;
    at(10, 1);
    key(LadderKey::PageDown);
    EXPECT_EQ(cursor(), (GridPos{13, 1}));
}

TEST_F(LadderEditorTest, InsertRowNeedsAnEmptyLastRow)
{
    grid({StepRow(0), {{NO(1, 1), W, W, W, W, W, W, W}, OUT(2, 1), 0x01}, {{NO(1, 2), E, E, E, E, E, E, E}, 0, 0}});
    ctx.Cell(88, 5) = NO(3, 3);
    const LadderGrid before = ctx.Grid();
    at(2, 0);
    EXPECT_EQ(key(LadderKey::Insert, true), EditResult::Refused);
    EXPECT_EQ(host.messages, std::vector<int>{laddermsg::CannotInsert});
    EXPECT_EQ(ctx.Grid(), before);

    ctx.Cell(88, 5) = E;
    EXPECT_EQ(key(LadderKey::Insert, true), EditResult::Changed);
    EXPECT_EQ(ctx.Cell(3, 0), NO(1, 2));
    EXPECT_EQ(ctx.Cell(2, 0), E);
    EXPECT_EQ(ctx.g_ladderLinks[2], 0x01);  // the row above's lines come down to the new row
    EXPECT_EQ(ctx.g_ladderLinks[1], 0);
    // Undo puts the row back; redo inserts it again.
    EXPECT_EQ(editor.Undo(), EditResult::Changed);
    EXPECT_EQ(ctx.Cell(2, 0), NO(1, 2));
    EXPECT_EQ(ctx.g_ladderLinks[1], 0x01);
    EXPECT_EQ(editor.Redo(), EditResult::Changed);
    EXPECT_EQ(ctx.Cell(3, 0), NO(1, 2));

    // Delete row: the row above takes over the cursor row's lines.
    at(2, 0);
    EXPECT_EQ(key(LadderKey::Delete, true), EditResult::Changed);
    EXPECT_EQ(ctx.Cell(2, 0), NO(1, 2));
    EXPECT_EQ(ctx.g_ladderLinks[1], 0x01);
    EXPECT_EQ(editor.Undo(), EditResult::Changed);
    EXPECT_EQ(ctx.Cell(3, 0), NO(1, 2));
}

TEST_F(LadderEditorTest, RungClipboard)
{
    grid({StepRow(0),
          {{NO(1, 1), W, W, W, W, W, W, W}, OUT(2, 1), 0x01},
          {{NO(1, 2), E, E, E, E, E, E, E}, 0, 0},
          StepRow(1)});
    at(2, 4);
    editor.CopyRung();
    EXPECT_EQ(ctx.g_ladderClipRows.count, 2);
    EXPECT_EQ(ctx.g_ladderClipRows.firstRow, 1);

    // Three rows do not fit at row 87; nor over a row that holds something.
    ctx.g_ladderClipRows.count = 3;
    at(87, 0);
    EXPECT_EQ(editor.PasteRows(), EditResult::Refused);
    ctx.g_ladderClipRows.count = 2;
    ctx.g_ladderCoils[88] = OUT(9, 9);
    at(10, 0);
    EXPECT_EQ(editor.PasteRows(), EditResult::Refused);
    ctx.g_ladderCoils[88] = kCoilNone;
    EXPECT_EQ(host.messages, (std::vector<int>{laddermsg::CannotInsert, laddermsg::CannotInsert}));

    at(3, 0);
    EXPECT_EQ(editor.PasteRows(), EditResult::Changed);
    EXPECT_EQ(ctx.Cell(3, 0), NO(1, 1));
    EXPECT_EQ(ctx.Cell(4, 0), NO(1, 2));
    EXPECT_EQ(ctx.Cell(5, 0), STEP(1));
    EXPECT_EQ(editor.Undo(), EditResult::Changed);
    EXPECT_EQ(ctx.Cell(3, 0), STEP(1));

    // Cut removes the rung, undo brings it back.
    at(1, 0);
    const LadderGrid before = ctx.Grid();
    EXPECT_EQ(editor.CutRung(), EditResult::Changed);
    EXPECT_EQ(ctx.Cell(1, 0), STEP(1));
    EXPECT_EQ(editor.Undo(), EditResult::Changed);
    EXPECT_EQ(ctx.Grid(), before);
}

TEST_F(LadderEditorTest, OnlineOnlyNavigationWorks)
{
    host.isOnline = true;
    at(3, 3);
    EXPECT_EQ(key(LadderKey::ContactNO), EditResult::Refused);
    EXPECT_EQ(key(LadderKey::Delete, true), EditResult::Refused);
    EXPECT_EQ(editor.RunCommand(laddercmd::Connect), EditResult::Refused);
    EXPECT_EQ(editor.PasteRows(), EditResult::Refused);
    EXPECT_EQ(host.beeps, 4);
    EXPECT_TRUE(host.asked.empty());
    EXPECT_FALSE(ctx.g_ladderEdited);
    EXPECT_EQ(key(LadderKey::Down), EditResult::Moved);
    EXPECT_EQ(cursor(), (GridPos{4, 3}));
}

TEST_F(LadderEditorTest, StepsAndTimersFillTheirRow)
{
    at(2, 0);
    host.steps = {7};
    EXPECT_EQ(key(LadderKey::Step), EditResult::Changed);
    EXPECT_EQ(host.askedSteps.back(), -1);
    EXPECT_EQ(ctx.Cell(2, 0), STEP(7));
    for (int c = 1; c < 8; ++c) EXPECT_EQ(ctx.Cell(2, c), W);
    EXPECT_EQ(ctx.g_ladderCoils[2], kCoilWire);
    EXPECT_EQ(cursor(), (GridPos{3, 0}));
    EXPECT_EQ(key(LadderKey::Timer), EditResult::Changed);
    EXPECT_EQ(ctx.Cell(3, 0), TIMER(1, 30));
    // Not outside column 0, not over a contact.
    at(4, 1);
    EXPECT_EQ(key(LadderKey::Step), EditResult::Nothing);
    ctx.Cell(4, 0) = NO(1, 1);
    at(4, 0);
    EXPECT_EQ(key(LadderKey::Step), EditResult::Nothing);
}

TEST_F(LadderEditorTest, CommentsOfTerminals)
{
    grid({StepRow(0), SimpleRung(NO(11, 15), OUT(30, 2))});
    at(1, 0);
    host.comments = {std::string("Pump")};
    EXPECT_EQ(key(LadderKey::Comment, true), EditResult::Nothing);  // comments hidden
    ctx.g_ladderShowComments = true;
    EXPECT_EQ(key(LadderKey::Comment, true), EditResult::Changed);
    EXPECT_EQ(host.stored[1115], "Pump");
    EXPECT_EQ(key(LadderKey::Comment, false), EditResult::Nothing);  // I without Ctrl

    host.definitionName = "NONE";
    at(1, 8);
    EXPECT_EQ(key(LadderKey::Comment, true), EditResult::Nothing);
    EXPECT_EQ(host.messages, std::vector<int>{laddermsg::NoTerminal});

    // A write that fails is reported and nothing counts as edited.
    host.definitionName = "Out";
    host.writeFails = true;
    host.comments = {std::string("Valve")};
    ctx.g_ladderEdited = false;
    EXPECT_EQ(key(LadderKey::Comment, true), EditResult::Refused);
    EXPECT_EQ(host.messages.back(), laddermsg::CommentNotWritten);
    EXPECT_FALSE(ctx.g_ladderEdited);
}

TEST_F(LadderEditorTest, PopupMenuFollowsTheCursor)
{
    auto ids = [&] {
        std::vector<int> out;
        for (const MenuEntry& e : editor.PopupMenu()) out.push_back(e.id);
        return out;
    };
    at(0, 0);
    std::vector<int> m = ids();
    EXPECT_EQ(m.front(), laddercmd::Step);
    EXPECT_EQ(std::count(m.begin(), m.end(), laddercmd::OrLine), 0);
    EXPECT_EQ(std::count(m.begin(), m.end(), laddercmd::Paste), 0);
    at(3, 8);
    ctx.g_ladderClipRows.count = 1;
    m = ids();
    EXPECT_EQ(std::count(m.begin(), m.end(), laddercmd::ContactNO), 0);
    EXPECT_EQ(std::count(m.begin(), m.end(), laddercmd::OrLine), 1);
    EXPECT_EQ(m.back(), laddercmd::Paste);
}

}  // namespace
}  // namespace kravin::ladder::test

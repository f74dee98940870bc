#include "ladder_undo.h"

#include "undo_fakes.h"

#include <gtest/gtest.h>

namespace kravin::model {
namespace {

using Grid = std::array<LadderRow, kLadderRows>;

class FakeLadder : public LadderUndoHost {
public:
    explicit FakeLadder(std::string folder) : folder_(std::move(folder))
    {
        for (int r = 0; r < kLadderRows; ++r) {
            auto& row = grid[static_cast<std::size_t>(r)];
            row.cells.fill(kLadderEmptyCell);
            if (r < 60) {
                row.cells[0] = 10000 + 100 * (r % 90) + 1;  // block r, terminal 1
                row.coil = 20000 + r;
                row.link = static_cast<std::uint8_t>(r % 3 == 0);
            }
        }
    }
    int station() const override { return 1; }
    int card() const override { return 2; }
    std::string workFolder() const override { return folder_; }
    int scrollRequest() const override { return scroll; }
    int cursorColumn() const override { return col; }
    int cursorRow() const override { return row_; }
    void setView(int s, int c, int r) override
    {
        scroll = s;
        col = c;
        row_ = r;
    }
    LadderRow row(int r) const override { return grid.at(static_cast<std::size_t>(r)); }
    void setRow(int r, const LadderRow& value) override { grid.at(static_cast<std::size_t>(r)) = value; }
    std::vector<LadderRow> clipRows() const override { return clip; }

    // The cursor at grid row r (scrolled by 10 when possible).
    void at(int r, int column = 0)
    {
        scroll = r >= 10 ? 10 : 0;
        row_ = r - scroll;
        col = column;
    }
    Grid grid{};
    std::vector<LadderRow> clip;
    int scroll = 0, col = 0, row_ = 0;
    std::string folder_;
};

LadderRow marked(int v)
{
    LadderRow row;
    row.cells.fill(v);
    row.coil = v;
    row.link = 1;
    return row;
}

// The editor's own row operations, as the ladder view makes them.
void insertRow(Grid& g, int r, const LadderRow& row)
{
    for (int i = kLadderRows - 1; i > r; --i) g[static_cast<std::size_t>(i)] = g[static_cast<std::size_t>(i - 1)];
    if (r > 0) g[static_cast<std::size_t>(r - 1)].link = 0;
    g[static_cast<std::size_t>(r)] = row;
}

void deleteRow(Grid& g, int r, std::int32_t bottomCoil)
{
    if (r > 0) g[static_cast<std::size_t>(r - 1)].link = g[static_cast<std::size_t>(r)].link;
    for (int i = r; i < kLadderRows - 1; ++i) g[static_cast<std::size_t>(i)] = g[static_cast<std::size_t>(i + 1)];
    LadderRow empty;
    empty.cells.fill(kLadderEmptyCell);
    empty.coil = bottomCoil;
    g[kLadderRows - 1] = empty;
}

struct LadderUndoTest : ::testing::Test {
    test::ProjectFolder project;
    FakeLadder ladder{project.str()};
    CLadderUndo store{ladder};

    void expectUndoRedo(const Grid& before, const Grid& after)
    {
        ASSERT_EQ(store.Undo(), StepResult::Restored);
        EXPECT_TRUE(ladder.grid == before);
        ASSERT_EQ(store.Redo(), StepResult::Restored);
        EXPECT_TRUE(ladder.grid == after);
    }
};

TEST_F(LadderUndoTest, CellEditRestoresTheRowAndTheLinkAbove)
{
    ladder.at(30, 3);
    const Grid before = ladder.grid;
    ASSERT_TRUE(store.Record(2));
    ladder.grid[30].cells[3] = 10501;
    ladder.grid[30].link = 1;
    ladder.grid[29].link = 0;
    ASSERT_TRUE(store.Record(1));
    const Grid after = ladder.grid;
    ladder.at(5);  // the cursor went elsewhere
    expectUndoRedo(before, after);
    EXPECT_EQ(ladder.scroll + ladder.row_, 30);
    EXPECT_EQ(ladder.col, 3);
}

TEST_F(LadderUndoTest, SingleRowInsertAndDeleteAtBothEnds)
{
    // A new row carries no link of its own, so undoing its insertion leaves
    // the row above unlinked as the insertion did.
    LadderRow fresh = marked(7);
    fresh.link = 0;
    for (int r : {0, 88}) {
        SCOPED_TRACE(r);
        store.Clear();
        ladder.at(r);
        Grid before = ladder.grid;
        insertRow(ladder.grid, r, fresh);
        ASSERT_TRUE(store.Record(5));
        Grid after = ladder.grid;
        expectUndoRedo(before, after);
        store.Undo();

        before = ladder.grid;
        ASSERT_TRUE(store.Record(6));
        deleteRow(ladder.grid, r, 0);
        after = ladder.grid;
        expectUndoRedo(before, after);
        store.Undo();
    }
}

TEST_F(LadderUndoTest, RowBlocksCutAndPasteAtBothEnds)
{
    for (int r : {0, 86}) {
        SCOPED_TRACE(r);
        store.Clear();
        ladder.at(r);
        const int n = 3;
        // Cut: rows copied to the clipboard, recorded, then removed.
        Grid before = ladder.grid;
        ladder.clip.assign(ladder.grid.begin() + r, ladder.grid.begin() + r + n);
        ASSERT_TRUE(store.Record(7, r));
        // Rows cut as a block move up without touching the links.
        Grid cut = before;
        for (int k = 0; k < n; ++k) {
            for (int i = r; i < kLadderRows - 1; ++i) cut[static_cast<std::size_t>(i)] = cut[static_cast<std::size_t>(i + 1)];
            LadderRow empty;
            empty.cells.fill(kLadderEmptyCell);
            cut[kLadderRows - 1] = empty;
        }
        ladder.grid = cut;
        expectUndoRedo(before, cut);
        store.Undo();

        // Paste of the clipboard at the cursor row.
        before = ladder.grid;
        ladder.clip = {marked(1), marked(2)};
        Grid pasted = before;
        for (int i = kLadderRows - 1; i >= r + 2; --i) pasted[static_cast<std::size_t>(i)] = pasted[static_cast<std::size_t>(i - 2)];
        for (int k = 0; k < 2 && r + k < kLadderRows; ++k) pasted[static_cast<std::size_t>(r + k)] = ladder.clip[static_cast<std::size_t>(k)];
        ladder.grid = pasted;
        ASSERT_TRUE(store.Record(8));
        expectUndoRedo(before, pasted);
    }
}

TEST_F(LadderUndoTest, LastRowDeletedAndUndone)
{
    ladder.grid[88] = marked(5);
    ladder.at(88);
    const Grid before = ladder.grid;
    ASSERT_TRUE(store.Record(6));
    deleteRow(ladder.grid, 88, 0);
    EXPECT_NE(ladder.grid[88], marked(5));
    ASSERT_EQ(store.Undo(), StepResult::Restored);
    EXPECT_TRUE(ladder.grid == before);
}

TEST_F(LadderUndoTest, TerminalDataOfTheElementUnderTheCursor)
{
    UnitHead head{};
    loadUnit(1, 2, project.str(), head);
    KRAVinA_Data_Term_Set(12, 1, test::termText("before").data());
    ASSERT_TRUE(writeUnit(1, 2, head, project.str()));
    const auto start = project.files();
    ladder.at(12, 0);  // cell 0 of row 12 names block 12 terminal 1
    ASSERT_TRUE(store.Record(4));
    loadUnit(1, 2, project.str(), head);
    KRAVinA_Data_Term_Set(12, 1, test::termText("after").data());
    ASSERT_TRUE(writeUnit(1, 2, head, project.str()));
    ASSERT_TRUE(store.Record(3));
    const auto edited = project.files();
    ASSERT_EQ(store.Undo(), StepResult::Restored);
    EXPECT_EQ(test::changedFiles(project.files(), start), std::vector<std::string>{});
    ASSERT_EQ(store.Redo(), StepResult::Restored);
    EXPECT_EQ(test::changedFiles(project.files(), edited), std::vector<std::string>{});

    ladder.at(70, 2);  // an empty cell names no element
    EXPECT_FALSE(store.Record(4));
    ladder.at(70, 9);
    EXPECT_FALSE(store.Record(4));
}

TEST_F(LadderUndoTest, UnknownKindsAndRowsOutsideTheGridAreRefused)
{
    EXPECT_FALSE(store.Record(0));
    EXPECT_FALSE(store.Record(9));
    ladder.scroll = 80;
    ladder.row_ = 20;
    EXPECT_FALSE(store.Record(2));
    EXPECT_FALSE(store.Record(5));
    EXPECT_FALSE(store.CanUndo());
}

}  // namespace
}  // namespace kravin::model

#include "layout_editor.h"

#include "undo_fakes.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

namespace kravin::model {
namespace {

using test::Files;

class FakeLayoutHost : public LayoutHost, public StationUndoHost {
public:
    explicit FakeLayoutHost(std::string folder) : folder_(std::move(folder)) {}
    // LayoutHost
    std::string workFolder() const override { return folder_; }
    SystemConfigTables& tables() override { return t; }
    CStationUndo& stationUndo() override { return undo; }
    bool unitUsed(int s, int c) const override
    {
        return c < 0 ? t.stationKind[static_cast<std::size_t>(s)] != 0
                     : t.cardKind[static_cast<std::size_t>(s)][static_cast<std::size_t>(c)] != 0;
    }
    int terminalKind(int s, int c, int term) const override
    {
        auto it = kinds.find({s, c, term});
        return it == kinds.end() ? 0 : it->second;
    }
    void moveUnitLinks(int s, int c, int x, int y) override { moves.push_back({s, c, x, y}); }
    void selectUnit(int s, int c) override { selected = {s, c}; }
    void makeConnection(const ConnectEnds& e) override { made.push_back(e); }
    void setModified() override { ++modified; }
    // StationUndoHost
    const CardKindMasters& masters() const override { return m; }
    int currentStation() const override { return selected.first; }
    int currentCard() const override { return selected.second + 1; }
    int currentGroup() const override { return 11; }
    UndoView* activeView() override { return nullptr; }

    std::string folder_;
    SystemConfigTables t;
    CardKindMasters m;
    CStationUndo undo{*this};
    std::map<std::tuple<int, int, int>, int> kinds;
    std::vector<std::array<int, 4>> moves;
    std::pair<int, int> selected{0, -1};
    std::vector<ConnectEnds> made;
    int modified = 0;
};

struct LayoutEditorTest : ::testing::Test {
    test::ProjectFolder project;
    FakeLayoutHost host{project.str()};
    CSysLayoutEditor editor{host};

    // A placed unit at (x, y), in the tables and in the header.
    void place(int s, int c, int x, int y)
    {
        if (c < 0) {
            host.t.stationKind[s] = 1;
            host.t.stationX[s] = x;
            host.t.stationY[s] = y;
        } else {
            host.t.cardKind[s][c] = 1;
            host.t.cardX[s][c] = x;
            host.t.cardY[s][c] = y;
        }
        ASSERT_EQ(KRAVinA_Proj_Update_Sys(1, s, c, c < 0 ? "RNH6    " : "QV200   ", "U", "1.00", "note", x, y,
                                          project.str().c_str()),
                  0);
    }
    CardRecord rec(int s, int c)
    {
        CardRecord r;
        r.station = s;
        r.card = c;
        r.x = c < 0 ? host.t.stationX[s] : host.t.cardX[s][c];
        r.y = c < 0 ? host.t.stationY[s] : host.t.cardY[s][c];
        return r;
    }
    std::pair<int, int> header(int s, int c)
    {
        char kind[9], text[6], version[5], comment[33];
        int x = 0, y = 0;
        KRAVinA_Proj_Get_Sys(s, c, kind, text, version, comment, &x, &y);
        EXPECT_EQ(std::string(comment, 4), "note");
        return {x, y};
    }
};

TEST_F(LayoutEditorTest, SelectionStates)
{
    place(0, -1, 10, 10);
    place(0, 2, 40, 10);
    EXPECT_FALSE(editor.selectionMade());
    EXPECT_EQ(editor.SelectCard(rec(0, -1), false), 1);
    EXPECT_EQ(editor.SelectCard(rec(0, -1), false), 2);
    EXPECT_EQ(editor.SelectCard(rec(0, 2), true), 1);
    EXPECT_TRUE(editor.HasMultipleRecords());
    EXPECT_EQ(editor.SelectCard(rec(0, -1), true), 0);
    EXPECT_EQ(editor.records().size(), 1u);
    EXPECT_EQ(editor.SelectCard(rec(0, -1), false), 1);  // replaces the selection
    EXPECT_EQ(editor.records().size(), 1u);
    editor.DeselectCard(rec(0, -1));
    EXPECT_FALSE(editor.HasRecords());
    editor.SelectAll();
    EXPECT_EQ(editor.records().size(), 2u);
    EXPECT_EQ(editor.records()[1].kind, "QV200   ");
    editor.ClearRecords();
    EXPECT_FALSE(editor.selectionMade());
}

TEST_F(LayoutEditorTest, MoveOfSeveralBoxesIsOneUndoStep)
{
    place(3, -1, 10, 20);
    place(3, 0, 50, 20);
    place(3, 1, 90, 20);
    const Files start = project.files();
    editor.SelectCard(rec(3, -1), false);
    editor.SelectCard(rec(3, 1), true);
    editor.BeginDrag(100, 100);
    EXPECT_FALSE(editor.TrackDrag(100, 100));
    EXPECT_TRUE(editor.TrackDrag(101, 100));
    editor.SetDragPoint(105, 97);
    EXPECT_TRUE(editor.EndDrag());
    EXPECT_EQ(editor.ApplyMove(), 1);
    EXPECT_EQ(host.t.stationX[3], 15);
    EXPECT_EQ(host.t.stationY[3], 17);
    EXPECT_EQ(host.t.cardX[3][1], 95);
    EXPECT_EQ(host.t.cardX[3][0], 50);
    EXPECT_EQ(header(3, 1), (std::pair{95, 17}));
    EXPECT_EQ(editor.records()[1].x, 95);
    ASSERT_EQ(host.moves.size(), 2u);
    EXPECT_EQ(host.moves[1], (std::array<int, 4>{3, 1, 95, 17}));
    EXPECT_GT(host.modified, 0);

    ASSERT_EQ(host.undo.Undo(), StepResult::Restored);
    EXPECT_EQ(test::changedFiles(project.files(), start), std::vector<std::string>{});
    EXPECT_EQ(host.t.stationX[3], 10);
    EXPECT_EQ(host.t.cardX[3][1], 90);
    EXPECT_EQ(host.undo.Undo(), StepResult::Nothing);
}

TEST_F(LayoutEditorTest, AlignStoresEverySelectedBox)
{
    place(1, -1, 300, 20);
    place(1, 4, 500, 60);
    editor.SelectAll();
    ASSERT_TRUE(editor.AlignRight(1000));
    EXPECT_EQ(host.t.stationX[1], 973);
    EXPECT_EQ(host.t.cardX[1][4], 973);
    EXPECT_EQ(host.t.cardY[1][4], 60);
    EXPECT_EQ(header(1, 4), (std::pair{973, 60}));
    ASSERT_TRUE(editor.AlignCenter(1000));
    EXPECT_EQ(host.t.cardX[1][4], 492);
    ASSERT_TRUE(editor.AlignLeft(1000));
    EXPECT_EQ(host.t.stationX[1], 1);
    ASSERT_EQ(host.undo.Undo(), StepResult::Restored);
    EXPECT_EQ(host.t.stationX[1], 492);
    EXPECT_EQ(host.t.cardX[1][4], 492);
}

TEST_F(LayoutEditorTest, SelectionBounds)
{
    place(0, -1, 10, 30);
    place(0, 0, 60, 5);
    int top, bottom, right, left;
    editor.SelectCard(rec(0, -1), false);
    EXPECT_FALSE(editor.GetSelectionBounds(top, bottom, right, left, 16));
    EXPECT_TRUE(editor.IsInsideBounds(999, 999, 0, 0, 0, 0));
    editor.SelectCard(rec(0, 0), true);
    ASSERT_TRUE(editor.GetSelectionBounds(top, bottom, right, left, 16));
    EXPECT_EQ(std::tie(top, bottom, right, left), std::make_tuple(5, 30, 60, 10));
    EXPECT_TRUE(editor.IsInsideBounds(10, 5, top, bottom, right, left));
    EXPECT_FALSE(editor.IsInsideBounds(9, 5, top, bottom, right, left));
}

TEST_F(LayoutEditorTest, HitTestsOfBoxesAndTerminalZones)
{
    place(2, 5, 100, 50);
    const int z = 4;  // pixels per unit
    CardRecord r;
    int term = -1;
    struct Box {
        int ux, uy, expect;
    } boxes[] = {{100, 50, 1}, {125, 46, 1}, {125, 54, 1}, {99, 50, 0}, {126, 50, 0}, {110, 55, 0}};
    for (const auto& b : boxes) EXPECT_EQ(editor.HitTestBox(b.ux * z, b.uy * z, r, term, false, z, 0, 0), b.expect) << b.ux << "," << b.uy;
    EXPECT_EQ(editor.HitTestBox(110 * z - 40, 50 * z - 8, r, term, false, z, 40, 8), 1);  // scrolled
    EXPECT_EQ(r.station, 2);
    EXPECT_EQ(r.card, 5);

    // Terminal zones by kind: upper terminal 1 (column 103..106), lower terminal 9.
    struct Zone {
        int t, k, fromY, toY;
    } zones[] = {{1, 1, -4, -2}, {1, 2, -6, -4}, {1, 3, -5, -1}, {1, 4, -7, -4},
                 {9, 1, 3, 5},   {9, 2, 5, 7},   {9, 3, 2, 6},   {9, 4, 5, 8}};
    for (const auto& zn : zones) {
        host.kinds.clear();
        host.kinds[{2, 5, zn.t}] = zn.k;
        const int px = 104 * z;
        for (int dy : {zn.fromY, zn.toY})
            EXPECT_EQ(editor.HitTestTerminal(2, 5, px, (50 + dy) * z, 100, 50, z, 0, 0), zn.t) << zn.k << " " << dy;
        EXPECT_FALSE(editor.HitTestTerminal(2, 5, px, (50 + zn.fromY) * z - 1, 100, 50, z, 0, 0));
        EXPECT_FALSE(editor.HitTestTerminal(2, 5, px, (50 + zn.toY) * z + 1, 100, 50, z, 0, 0));
        EXPECT_FALSE(editor.HitTestTerminal(2, 5, 107 * z + 1, (50 + zn.fromY) * z, 100, 50, z, 0, 0));
    }
    host.kinds.clear();
    host.kinds[{2, 5, 1}] = 4;
    EXPECT_EQ(editor.HitTestBox(104 * z, 45 * z, r, term, true, z, 0, 0), 2);
    EXPECT_EQ(term, 1);
    EXPECT_TRUE(editor.terminalHit());
    EXPECT_EQ(host.selected, (std::pair{2, 5}));
    EXPECT_EQ(editor.rubberStart.x, 105);
    EXPECT_EQ(editor.rubberStart.y, 43);
}

TEST_F(LayoutEditorTest, PickStates)
{
    const ConnectEnd a{1, -1, 12}, b{2, 3, 20}, c{4, 0, 11};
    struct Case {
        int state, kind;
        bool accepted;
        int next;
    } cases[] = {
        {5, 3, true, 6}, {5, 1, true, 7}, {1, 4, true, 1}, {1, 3, true, 8}, {2, 3, true, 2},
        {3, 2, true, 3}, {3, 1, true, 9}, {4, 1, true, 4}, {5, 2, false, 5}, {0, 1, false, 0},
        {6, 3, false, 6}, {2, 1, false, 2}, {4, 3, false, 4}, {1, 1, false, 1},
    };
    for (const auto& cs : cases) {
        editor.connectState = cs.state;
        editor.ends = {a, {}, {}};
        EXPECT_EQ(editor.PickConnectTerminal(b, cs.kind), cs.accepted) << cs.state << "/" << cs.kind;
        EXPECT_EQ(editor.connectState, cs.next) << cs.state << "/" << cs.kind;
    }
    // The first end clicked again as the third is refused in states 1 and 3.
    for (int state : {1, 3}) {
        editor.connectState = state;
        editor.ends = {a, b, {}};
        EXPECT_FALSE(editor.PickConnectTerminal(a, state == 1 ? 3 : 1));
        EXPECT_EQ(editor.connectState, state);
        EXPECT_TRUE(editor.PickConnectTerminal(c, state == 1 ? 3 : 1));
        EXPECT_EQ(editor.ends.third, c);
    }
}

TEST_F(LayoutEditorTest, CompletedConnectionIsBuiltBetweenItsUndoRecords)
{
    place(2, -1, 10, 50);
    host.kinds[{2, -1, 0}] = 3;
    editor.connectState = 1;
    editor.ends.first = {5, -1, 11};
    const int z = 2;
    ASSERT_EQ(editor.HitTestTerminal(2, -1, 11 * z, 47 * z, 10, 50, z, 0, 0), 0);
    ASSERT_EQ(host.made.size(), 1u);
    EXPECT_EQ(host.made[0].third, (ConnectEnd{2, -1, 11}));
    EXPECT_EQ(editor.connectState, 0);
    EXPECT_TRUE(host.undo.CanUndo());
}

TEST_F(LayoutEditorTest, SelectionSerialisesAndRejectsDamagedBytes)
{
    place(0, -1, 1, 2);
    place(9, 15, 3, 4);
    editor.SelectAll();
    const auto bytes = editor.Serialize();
    const auto back = CSysLayoutEditor::Deserialize(bytes);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), 2u);
    EXPECT_EQ((*back)[1].station, 9);
    EXPECT_EQ((*back)[1].card, 15);
    EXPECT_EQ((*back)[1].x, 3);
    EXPECT_EQ((*back)[1].comment, "note");
    for (std::size_t cut : {std::size_t{0}, std::size_t{3}, bytes.size() / 2, bytes.size() - 1})
        EXPECT_FALSE(CSysLayoutEditor::Deserialize({bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut)}));
    auto bad = bytes;
    bad[4] = 64;  // station 64
    EXPECT_FALSE(CSysLayoutEditor::Deserialize(bad));
    auto huge = bytes;
    huge[0] = 0xFF;
    huge[3] = 0x7F;
    EXPECT_FALSE(CSysLayoutEditor::Deserialize(huge));
}

TEST(SystemWorkRecord, AllocatedOnceAndCleared)
{
    SystemWorkRecord holder;
    unsigned char* p = holder.Get();
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[kSystemWorkRecordBytes - 1], 0);
    EXPECT_EQ(holder.Get(), p);
}

}  // namespace
}  // namespace kravin::model

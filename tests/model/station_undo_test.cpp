#include "station_undo.h"

#include "undo_fakes.h"

#include <gtest/gtest.h>

namespace kravin::model {
namespace {

using test::Files;
using test::FakeView;
using test::itemText;

enum CardKinds { QV200 = 1, TQRC = 2, TQRC_V = 3, QV200W = 4, QV200W_R = 5 };

class FakeStationHost : public StationUndoHost {
public:
    explicit FakeStationHost(std::string folder) : folder_(std::move(folder))
    {
        m.station.name[1] = "RNH6    ";
        m.station.versions[1][0] = "1.00";
        const char* cards[] = {"", "QV200   ", "TQRC    ", "TQRC$   ", "QV200W  ", "QV200W$ "};
        for (int k = 1; k <= 5; ++k) {
            m.card.name[static_cast<std::size_t>(k)] = cards[k];
            m.card.versions[static_cast<std::size_t>(k)][0] = "1.00";
        }
    }
    std::string workFolder() const override { return folder_; }
    SystemConfigTables& tables() override { return t; }
    const CardKindMasters& masters() const override { return m; }
    int currentStation() const override { return st; }
    int currentCard() const override { return cd; }
    int currentGroup() const override { return group; }
    void selectUnit(int s, int c) override
    {
        st = s;
        cd = c;
        ++selects;
    }
    UndoView* activeView() override { return view; }
    std::optional<TerminalSelection> linkTarget(int, int, int) override { return target; }
    void setModified() override { ++modified; }

    std::string folder_;
    SystemConfigTables t;
    CardKindMasters m;
    int st = 0, cd = 0, group = 11, selects = 0, modified = 0;
    UndoView* view = nullptr;
    std::optional<TerminalSelection> target;
};

// Every table field the store keeps, for comparisons.
auto tableState(const SystemConfigTables& t)
{
    return std::make_tuple(t.stationKind, t.cardKind, t.stationVersion, t.cardVersion, t.stationUnitText,
                           t.cardUnitText, t.stationX, t.stationY, t.cardX, t.cardY);
}

struct StationUndoTest : ::testing::Test {
    test::ProjectFolder project;
    FakeStationHost host{project.str()};
    CStationUndo store{host};


    // A placed unit with blocks, an analog line, a communication record and both layers.
    void place(int s, int card, int kind, const std::string& text, int tag)
    {
        auto& t = host.t;
        if (card == 0) {
            t.stationKind[s] = kind;
            t.stationUnitText[s] = text;
            t.stationX[s] = 10 * tag;
            t.stationY[s] = 5;
        } else {
            t.cardKind[s][card - 1] = kind;
            t.cardUnitText[s][card - 1] = text;
            t.cardX[s][card - 1] = 10 * tag;
            t.cardY[s][card - 1] = 7;
        }
        const std::string f = project.str();
        UnitHead head{};
        loadUnit(s, card, f, head);
        std::memcpy(head.data(), "00SYS12PID", 10);
        KRAVinA_Data_XY_Set(1, tag, tag + 1);
        KRAVinA_Data_Item_Set(1, 0, itemText("item" + std::to_string(tag)).data());
        KRAVinA_Data_Term_Set(11, 3, test::termText("term").data());
        ASSERT_TRUE(writeUnit(s, card, head, f));
        AconImage line;
        line.kind = 1;
        line.value = 2;
        line.colour = 0xFF;
        line.px[0] = tag;
        line.py[1] = 9;
        ASSERT_TRUE(putAcon(s, card, 1, 5, line, f));
        ASSERT_EQ(KRAVinA_Acon_Write(s, card - 1, f.c_str()), 0);
        DconImage link;
        link.pointCount = 2;
        link.value = tag;
        link.px[0] = 3;
        ASSERT_TRUE(writeDcon(s, card, 12, link, f));
        CCommentMap comments(LayerEnv{}, f, commentFileName(s, card));
        CommentRecord c;
        c.inUse = kSlotUsed;
        c.width = tag;
        ASSERT_TRUE(comments.AddRecord(c));
        CFigureMap figures(LayerEnv{}, f, figureFileName(s, card));
        ASSERT_TRUE(figures.AddFigure(tag, 2, 0x00FF00));
    }

    // What removing a device does to a slot (kind, position, layout, links, layers).
    void clearSlot(int s, int card)
    {
        auto& t = host.t;
        if (card == 0) {
            t.stationKind[s] = t.stationVersion[s] = t.stationX[s] = t.stationY[s] = 0;
        } else {
            t.cardKind[s][card - 1] = t.cardVersion[s][card - 1] = 0;
            t.cardX[s][card - 1] = t.cardY[s][card - 1] = 0;
        }
        const std::string f = project.str();
        UnitHead head{};
        if (loadUnit(s, card, f, head)) {
            for (int g = 1; g < kUnitBlocks; ++g) KRAVinA_Data_XY_Set(g, 0, 0);
            writeUnit(s, card, head, f);
        }
        if (std::filesystem::exists(project.dir.path() / dconPath(s, card)))
            for (int term = 11; term <= 26; ++term) {
                DconImage r = readDcon(s, card, term, f);
                r.pointCount = 0;
                writeDcon(s, card, term, r, f);
            }
        std::filesystem::remove(project.dir.path() / commentFileName(s, card));
        std::filesystem::remove(project.dir.path() / figureFileName(s, card));
    }

    // Undo leaves the start state, Redo the edited one, files and tables alike.
    void expectRoundTrip(const Files& startFiles, const SystemConfigTables& startTables)
    {
        const Files edited = project.files();
        const auto editedTables = tableState(host.t);
        ASSERT_EQ(store.Undo(), StepResult::Restored);
        EXPECT_EQ(test::changedFiles(project.files(), startFiles), std::vector<std::string>{});
        EXPECT_TRUE(tableState(host.t) == tableState(startTables));
        ASSERT_EQ(store.Redo(), StepResult::Restored);
        EXPECT_EQ(test::changedFiles(project.files(), edited), std::vector<std::string>{});
        EXPECT_TRUE(tableState(host.t) == editedTables);
    }
};

TEST_F(StationUndoTest, RemovedCardComesBackWithItsFiles)
{
    place(4, 0, 1, "", 1);
    place(4, 2, QV200, "AB", 2);
    const Files start = project.files();
    const SystemConfigTables startTables = host.t;
    host.st = 4;
    host.cd = 2;
    ASSERT_TRUE(store.Record(2));
    clearSlot(4, 2);
    ASSERT_TRUE(store.Record(1));
    EXPECT_NE(test::changedFiles(project.files(), start), std::vector<std::string>{});
    expectRoundTrip(start, startTables);
    EXPECT_EQ(host.st, 4);
    EXPECT_EQ(host.cd, 2);
}

TEST_F(StationUndoTest, DeviceAddedToAnEmptySlotIsRemovedAgain)
{
    place(1, 0, 1, "", 1);
    const Files start = project.files();
    const SystemConfigTables startTables = host.t;
    host.st = 1;
    host.cd = 3;
    ASSERT_TRUE(store.Record(2));
    place(1, 3, QV200, "N", 3);
    ASSERT_TRUE(store.Record(1));
    expectRoundTrip(start, startTables);
    ASSERT_EQ(store.Undo(), StepResult::Restored);
    EXPECT_FALSE(std::filesystem::exists(project.dir.path() / unitDataPath(1, 3)));
    EXPECT_FALSE(std::filesystem::exists(project.dir.path() / aconPath(1, 3)));
}

TEST_F(StationUndoTest, StationWithAGapKeepsEveryCardAndItsOwnData)
{
    place(7, 0, 1, "ST", 1);
    place(7, 1, QV200, "C1", 2);
    place(7, 3, QV200, "C3", 3);  // after the empty slot 2
    place(7, 16, QV200, "C16", 4);
    const Files start = project.files();
    const SystemConfigTables startTables = host.t;
    host.st = 7;
    host.cd = 0;
    ASSERT_TRUE(store.Record(4));
    for (int c : {0, 1, 3, 16}) clearSlot(7, c);
    ASSERT_TRUE(store.Record(3));
    expectRoundTrip(start, startTables);
    EXPECT_EQ(host.cd, 0);
}

TEST_F(StationUndoTest, TwoSlotCardFromItsRightHalf)
{
    place(2, 0, 1, "", 1);
    place(2, 5, QV200W, "W", 2);
    place(2, 6, QV200W_R, "\x01", 3);
    const Files start = project.files();
    const SystemConfigTables startTables = host.t;
    host.st = 2;
    host.cd = 6;
    ASSERT_TRUE(store.Record(2));
    clearSlot(2, 5);
    clearSlot(2, 6);
    ASSERT_TRUE(store.Record(1));
    expectRoundTrip(start, startTables);
}

TEST_F(StationUndoTest, TqrcPatternSlotsComeBackWithTheCard)
{
    place(3, 0, 1, "", 1);
    place(3, 2, TQRC, "10100", 2);
    place(3, 3, TQRC_V, "", 3);
    place(3, 5, TQRC_V, "", 4);
    place(3, 4, QV200, "X", 5);
    const Files start = project.files();
    const SystemConfigTables startTables = host.t;
    host.st = 3;
    host.cd = 2;
    ASSERT_TRUE(store.Record(2));
    for (int c : {2, 3, 5}) clearSlot(3, c);
    ASSERT_TRUE(store.Record(1));
    expectRoundTrip(start, startTables);
}

TEST_F(StationUndoTest, BoxPositionRewritesTheHeaderRecord)
{
    place(5, 0, 1, "", 1);
    const std::string f = project.str();
    ASSERT_EQ(KRAVinA_Proj_Update_Sys(1, 5, 1, "QV200   ", "AB", "1.00", "", 30, 40, f.c_str()), 0);
    host.t.cardKind[5][1] = QV200;
    host.t.cardX[5][1] = 30;
    host.t.cardY[5][1] = 40;
    const Files start = project.files();
    const SystemConfigTables startTables = host.t;
    EXPECT_EQ(CStationUndo::placementCode(5, 2), 10503);
    ASSERT_TRUE(store.RecordPosition(6, 5, 2));
    ASSERT_EQ(KRAVinA_Proj_Update_Sys(1, 5, 1, "QV200   ", "AB", "1.00", "", 90, 12, f.c_str()), 0);
    host.t.cardX[5][1] = 90;
    host.t.cardY[5][1] = 12;
    ASSERT_TRUE(store.RecordPosition(5, 5, 2));
    expectRoundTrip(start, startTables);
    EXPECT_FALSE(store.RecordPosition(7, 5, 2));
}

TEST_F(StationUndoTest, ConnectionAtTheViewsSelectionAndItsTarget)
{
    place(6, 0, 1, "", 1);
    place(8, 0, 1, "", 2);
    FakeView view(WiringViewKind::Comm, project.str(), kCommCommentFile, kCommFigureFile);
    host.view = &view;
    view.sel2 = {6, -1, 14};
    host.target = TerminalSelection{8, -1, 20};
    const Files start = project.files();
    const SystemConfigTables startTables = host.t;
    ASSERT_TRUE(store.Record(10));
    const std::string f = project.str();
    DconImage r;
    r.pointCount = 4;
    r.value = 77;
    writeDcon(6, 0, 14, r, f);
    writeDcon(8, 0, 20, r, f);
    UnitHead head{};
    loadUnit(6, 0, f, head);
    KRAVinA_Data_Item_Set(14, 13, itemText("0820").data());
    writeUnit(6, 0, head, f);
    loadUnit(8, 0, f, head);
    KRAVinA_Data_Item_Set(20, 11, itemText("0614").data());
    writeUnit(8, 0, head, f);
    ASSERT_TRUE(store.Record(9));
    expectRoundTrip(start, startTables);

    view.sel1 = {6, -1, 30};  // no such terminal
    EXPECT_FALSE(store.Record(8));
    host.view = nullptr;
    EXPECT_FALSE(store.Record(8));
}

TEST_F(StationUndoTest, LayerRecordsActOnTheCommunicationViewOnly)
{
    FakeView view(WiringViewKind::Comm, project.str(), kCommCommentFile, kCommFigureFile);
    host.view = &view;
    FigureRecord none = view.figures.record(0);
    ASSERT_TRUE(view.figures.AddFigure(3, 3, 0));
    ASSERT_TRUE(store.RecordFigure(20, 0, none));
    ASSERT_TRUE(store.RecordFigure(19, 0, view.figures.record(0)));
    EXPECT_FALSE(store.RecordFigure(15, 0, none));
    EXPECT_FALSE(store.RecordComment(12, 0, {}));
    ASSERT_EQ(store.Undo(), StepResult::Restored);
    EXPECT_FALSE(view.figures.used(0));
    FakeView analog(WiringViewKind::Analog, project.str(), commentFileName(0, 0), figureFileName(0, 0));
    host.view = &analog;
    ASSERT_EQ(store.Redo(), StepResult::Restored);
    EXPECT_FALSE(view.figures.used(0));
    EXPECT_FALSE(analog.figures.used(0));
}

TEST_F(StationUndoTest, ClearEmptiesTheHistory)
{
    ASSERT_TRUE(store.RecordPosition(6, 0, 0));
    ASSERT_TRUE(store.RecordPosition(5, 0, 0));
    EXPECT_TRUE(store.CanUndo());
    store.Clear();
    EXPECT_FALSE(store.CanUndo());
    EXPECT_EQ(store.Undo(), StepResult::Nothing);
}

}  // namespace
}  // namespace kravin::model

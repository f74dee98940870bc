#include "figure_layer.h"

#include "layer_fakes.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace kravin::model {
namespace {

using kravin::test::TempDir;
using test::EnvProbe;
using test::RecordingUndo;

struct FigureLayerTest : ::testing::Test {
    TempDir dir;
    EnvProbe probe;
    RecordingUndo undo;
    CFigureMap open(bool withUndo = false)
    {
        return CFigureMap(probe.env(withUndo ? &undo : nullptr), dir.str(), kCommFigureFile);
    }
};

TEST_F(FigureLayerTest, NamesAndRoundTrip)
{
    EXPECT_EQ(figureFileName(0, 5), "AC_TENBYOU0005.KRAB");
    auto map = open();
    ASSERT_TRUE(map.AddFigure(7, 9, 0x0000FF));
    const auto& r = map.record(0);
    EXPECT_EQ((FigureRecord{0, 7, 9, 0x0000FF, 1, kSlotUsed}), r);
    const auto onDisk = kravin::test::readBytes(dir / kCommFigureFile);
    ASSERT_EQ(onDisk.size(), kFigureBlockBytes);
    EXPECT_EQ(onDisk, map.blockBytes());
    EXPECT_EQ(open().blockBytes(), onDisk);
}

TEST_F(FigureLayerTest, ADotIsHitOnlyOnItsCentre)
{
    auto map = open();
    map.AddFigure(10, 10, 0);
    EXPECT_EQ(map.HitTest(10, 10), 0);
    for (auto [x, y] : {std::pair{9, 10}, {11, 10}, {10, 9}, {10, 11}}) EXPECT_FALSE(map.HitTest(x, y));
    map.RestoreSlot(1, {1, 20, 20, 0, 3, kSlotUsed});  // diameter 3 reaches one cell out
    EXPECT_EQ(map.HitTest(21, 19), 1);
    EXPECT_FALSE(map.HitTest(22, 20));
}

TEST_F(FigureLayerTest, HundredFirstDotIsRefusedWithAMessage)
{
    auto map = open(true);
    for (int i = 0; i < kLayerSlots; ++i) ASSERT_TRUE(map.AddFigure(i, i, 0));
    undo.figures.clear();
    const auto before = map.blockBytes();
    EXPECT_FALSE(map.AddFigure(3, 3, 0));
    EXPECT_EQ(probe.messages, std::vector<int>{kMsgFiguresFull});
    EXPECT_EQ(map.blockBytes(), before);
    EXPECT_TRUE(undo.figures.empty());
}

TEST_F(FigureLayerTest, SelectAllThenDeleteZeroesEverything)
{
    auto map = open(true);
    for (int i = 0; i < 5; ++i) map.AddFigure(i * 3, 4, 0x00FF00);
    undo.steps = 0;
    undo.figures.clear();
    map.SelectAll();
    map.DeleteSelected();
    EXPECT_EQ(undo.steps, 1);
    EXPECT_EQ(undo.figures.size(), 10u);
    auto reread = open();
    for (int s = 0; s < kLayerSlots; ++s) {
        const auto& r = reread.record(s);
        EXPECT_EQ((FigureRecord{r.slot, 0, 0, 0, 0, 0}), r);
    }
}

TEST_F(FigureLayerTest, AlignPutsCentres)
{
    auto map = open();
    map.AddFigure(40, 4, 0);
    map.SelectAll();
    map.AlignRight(100);
    EXPECT_EQ(map.record(0).x, 98);
    map.AlignCenter(100);
    EXPECT_EQ(map.record(0).x, 50);
    map.AlignLeft();
    EXPECT_EQ(map.record(0).x, 1);
    EXPECT_EQ(map.record(0).y, 4);
}

TEST_F(FigureLayerTest, CompactionRenumbersAndMoveIsOneStep)
{
    auto map = open(true);
    map.AddFigure(1, 1, 0);
    map.AddFigure(2, 2, 0);
    map.AddFigure(3, 3, 0);
    map.DeleteAt(0);
    map.SelectAt(3, 3, false);
    map.AddFigure(4, 4, 0);
    EXPECT_EQ(map.record(0).x, 2);
    EXPECT_EQ(map.record(1).x, 3);
    EXPECT_EQ(map.record(1).slot, 1);
    EXPECT_EQ(map.record(2).x, 4);
    ASSERT_TRUE(map.isSelected(1));

    undo.steps = 0;
    undo.figures.clear();
    map.SelectAt(2, 2, true);
    map.SetDragDelta(5, -1);
    EXPECT_TRUE(map.TrackDrag(0, 0));
    map.MoveSelected();
    EXPECT_EQ(map.record(0).x, 7);
    EXPECT_EQ(map.record(1).y, 2);
    EXPECT_EQ(undo.steps, 1);
    EXPECT_EQ(undo.figures.size(), 4u);
}

TEST_F(FigureLayerTest, ExtentCountsFreeSlotsToo)
{
    auto map = open();
    map.AddFigure(30, 2, 0);
    map.AddFigure(5, 40, 0);
    EXPECT_EQ(map.GetExtent(), (Point{30, 40}));
}

}  // namespace
}  // namespace kravin::model

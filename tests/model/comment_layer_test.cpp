#include "comment_layer.h"

#include "layer_fakes.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace kravin::model {
namespace {

using kravin::test::TempDir;
using test::EnvProbe;
using test::RecordingUndo;
using test::ScriptedDialog;

struct CommentLayerTest : ::testing::Test {
    TempDir dir;
    EnvProbe probe;
    RecordingUndo undo;
    ScriptedDialog dialog;
    const std::string file = commentFileName(3, 2);

    CCommentMap open(bool withUndo = false) { return CCommentMap(probe.env(withUndo ? &undo : nullptr), dir.str(), file); }

    // Stores boxes directly, one per (x, y, w, h).
    static void place(CCommentMap& map, std::initializer_list<std::array<int, 4>> boxes)
    {
        for (const auto& b : boxes) {
            CommentRecord r;
            r.x = b[0];
            r.y = b[1];
            r.width = b[2];
            r.height = b[3];
            r.inUse = kSlotUsed;
            ASSERT_TRUE(map.AddRecord(r));
        }
    }
};

TEST_F(CommentLayerTest, FileNamesFollowTheUnit)
{
    EXPECT_EQ(commentFileName(3, 2), "AC_COM0302.KRAB");
    EXPECT_EQ(commentFileName(63, 16), "AC_COM6316.KRAB");
}

TEST_F(CommentLayerTest, MissingFileReadsAsEmptyAndRoundTrips)
{
    auto map = open();
    for (int s = 0; s < kLayerSlots; ++s) EXPECT_FALSE(map.used(s));
    dialog.text = "first line\r\nsecond";
    ASSERT_TRUE(map.AddAt(4, 7, dialog));
    const auto& r = map.record(0);
    EXPECT_EQ(r.slot, 0);
    EXPECT_EQ(r.x, 4);
    EXPECT_EQ(r.y, 7);
    EXPECT_EQ(r.width, kNewCommentSize);
    EXPECT_EQ(r.height, kNewCommentSize);
    EXPECT_EQ(r.colour, dialog.colour);
    EXPECT_EQ(r.textView(), "first line\r\nsecond");

    const auto onDisk = kravin::test::readBytes(dir / file);
    ASSERT_EQ(onDisk.size(), kCommentBlockBytes);
    EXPECT_EQ(onDisk, map.blockBytes());
    EXPECT_EQ(open().blockBytes(), onDisk);
    EXPECT_EQ(CCommentMap::CopyConstruct(onDisk.data(), probe.env(), dir.str(), "other").blockBytes(), onDisk);
    EXPECT_GT(probe.modified, 0);
    // Little-endian fields at their offsets.
    EXPECT_EQ(onDisk[8], 4);
    EXPECT_EQ(onDisk[12], 7);
    EXPECT_EQ(onDisk[24], 1);
    EXPECT_EQ(onDisk[28], 'f');
}

TEST_F(CommentLayerTest, CancelledDialogStoresNothing)
{
    auto map = open(true);
    dialog.ok = false;
    EXPECT_FALSE(map.AddAt(1, 1, dialog));
    EXPECT_FALSE(map.used(0));
    EXPECT_TRUE(undo.comments.empty());
}

TEST_F(CommentLayerTest, TextFillingItsFieldIsCutAtTheFieldEnd)
{
    std::vector<unsigned char> block(kCommentBlockBytes, 0);
    block[24] = 1;
    std::fill(block.begin() + 28, block.begin() + 284, 'A');
    kravin::test::writeBytes(dir / file, block);
    auto map = open();
    EXPECT_EQ(map.record(0).textView().size(), 255u);
}

TEST_F(CommentLayerTest, LongTextIsCutWithoutSplittingACharacter)
{
    auto map = open();
    dialog.text = std::string(254, 'a') + "\x82\xa0" + "tail";  // a two-byte character at 254..255
    ASSERT_TRUE(map.AddAt(0, 0, dialog));
    EXPECT_EQ(map.record(0).textView(), std::string(254, 'a'));
}

TEST_F(CommentLayerTest, HitTestIncludesEdgesAndPrefersTheLowerSlot)
{
    auto map = open();
    place(map, {{10, 10, 5, 3}, {12, 11, 6, 6}});
    struct Case {
        int x, y;
        std::optional<int> slot;
    } cases[] = {
        {10, 10, 0}, {15, 13, 0}, {15, 10, 0}, {10, 13, 0},  // corners of box 0
        {13, 12, 0},                                          // inside both: lower slot
        {16, 12, 1}, {18, 17, 1},                             // box 1 only, its far corner
        {9, 10, std::nullopt}, {19, 17, std::nullopt}, {18, 18, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(map.HitTest(c.x, c.y), c.slot) << c.x << "," << c.y;
}

TEST_F(CommentLayerTest, HundredFirstCommentIsRefusedWithAMessage)
{
    auto map = open(true);
    for (int i = 0; i < kLayerSlots; ++i) ASSERT_TRUE(map.AddAt(i, 0, dialog));
    undo.comments.clear();
    const auto before = map.blockBytes();
    EXPECT_FALSE(map.AddAt(5, 5, dialog));
    EXPECT_EQ(probe.messages, std::vector<int>{kMsgCommentsFull});
    EXPECT_EQ(map.blockBytes(), before);
    EXPECT_TRUE(undo.comments.empty());
}

TEST_F(CommentLayerTest, AddingCompactsAndRenumbersSlotsAndSelection)
{
    auto map = open(true);
    place(map, {{1, 1, 2, 2}, {20, 1, 2, 2}, {40, 1, 2, 2}});
    ASSERT_TRUE(map.DeleteAt(1));
    ASSERT_EQ(map.SelectAt(40, 1, false), 1);
    undo.comments.clear();
    undo.steps = 0;

    ASSERT_TRUE(map.AddAt(60, 1, dialog));
    EXPECT_EQ(map.record(1).x, 40);
    EXPECT_EQ(map.record(1).slot, 1);  // the moved box names its new slot
    EXPECT_EQ(map.record(2).x, 60);
    EXPECT_EQ(map.record(2).slot, 2);
    EXPECT_FALSE(map.used(3));
    ASSERT_EQ(map.selection().size(), 1u);
    EXPECT_EQ(map.selection().begin()->first, 1);
    EXPECT_EQ(map.selection().begin()->second.x, 40);
    // One undo step: the move (slot 1 gains, slot 2 loses) and the addition.
    EXPECT_EQ(undo.steps, 1);
    ASSERT_EQ(undo.comments.size(), 6u);
    EXPECT_EQ(undo.comments[0].slot, 1);
    EXPECT_EQ(undo.comments[1].record.x, 40);
    EXPECT_EQ(undo.comments[2].slot, 2);
    EXPECT_EQ(undo.comments[3].record.inUse, kSlotFree);
    EXPECT_EQ(undo.comments[5].record.x, 60);
}

TEST_F(CommentLayerTest, ResizeHandlesLieExactlyOnTheEdges)
{
    auto map = open();
    place(map, {{10, 20, 6, 4}});
    ASSERT_EQ(map.SelectAt(12, 22, false), 1);
    struct Case {
        int x, y, handle;
    } cases[] = {
        {10, 20, 1}, {13, 20, 2}, {16, 20, 3}, {16, 22, 4},
        {16, 24, 5}, {13, 24, 6}, {10, 24, 7}, {10, 22, 8},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(map.CheckResizeHandle(c.x, c.y)) << c.handle;
        EXPECT_EQ(map.resizeHandle(), c.handle);
    }
    EXPECT_FALSE(map.CheckResizeHandle(13, 22));  // inside on no edge: disarmed
    EXPECT_FALSE(map.resizeArmed());
    EXPECT_TRUE(map.CheckResizeHandle(16, 24));
    EXPECT_FALSE(map.CheckResizeHandle(30, 30));  // outside: stays armed
    EXPECT_TRUE(map.resizeArmed());
}

TEST_F(CommentLayerTest, ResizeMovesOnlyTheHandlesEdgesAndKeepsOneCell)
{
    struct Case {
        int handle;
        int px, py;  // where the handle is grabbed
        int tx, ty;  // where it is dragged
        Rect expected;
    } cases[] = {
        {1, 10, 20, 30, 40, {15, 23, 16, 24}},  // past the far corner: one cell left
        {1, 10, 20, 8, 18, {8, 18, 16, 24}},
        {2, 13, 20, 0, 21, {10, 21, 16, 24}},
        {3, 16, 20, 0, 0, {10, 0, 11, 24}},
        {4, 16, 22, 25, 0, {10, 20, 25, 24}},
        {5, 16, 24, 18, 30, {10, 20, 18, 30}},
        {6, 13, 24, 0, 0, {10, 20, 16, 21}},
        {7, 10, 24, 12, 26, {12, 20, 16, 26}},
        {8, 10, 22, 99, 0, {15, 20, 16, 24}},
    };
    for (const auto& c : cases) {
        TempDir d;
        CCommentMap map(probe.env(), d.str(), file);
        place(map, {{10, 20, 6, 4}});
        map.SelectAt(12, 22, false);
        ASSERT_TRUE(map.CheckResizeHandle(c.px, c.py));
        ASSERT_EQ(map.resizeHandle(), c.handle);
        ASSERT_TRUE(map.BeginResize());
        EXPECT_TRUE(map.IsResizing());
        map.TrackResize(c.tx, c.ty);
        EXPECT_EQ(map.resizeRect(), c.expected) << "handle " << c.handle;
        ASSERT_TRUE(map.EndResize());
        const auto& r = map.record(0);
        EXPECT_EQ((Rect{r.x, r.y, r.x + r.width, r.y + r.height}), c.expected) << "handle " << c.handle;
        EXPECT_FALSE(map.IsResizing());
        EXPECT_FALSE(map.resizeArmed());
        EXPECT_EQ(CCommentMap(probe.env(), d.str(), file).blockBytes(), map.blockBytes());
    }
}

TEST_F(CommentLayerTest, ResizeNeedsExactlyOneSelectedBox)
{
    auto map = open();
    place(map, {{0, 0, 4, 4}, {10, 0, 4, 4}});
    EXPECT_FALSE(map.CheckResizeHandle(0, 0));
    map.SelectAt(0, 0, false);
    map.SelectAt(10, 0, true);
    EXPECT_FALSE(map.CheckResizeHandle(0, 0));
    EXPECT_FALSE(map.BeginResize());
}

TEST_F(CommentLayerTest, SelectionTogglesAndReportsAlreadySelected)
{
    auto map = open();
    place(map, {{0, 0, 4, 4}, {10, 0, 4, 4}});
    EXPECT_EQ(map.SelectAt(50, 50, false), 0);
    EXPECT_EQ(map.SelectAt(1, 1, false), 1);
    EXPECT_EQ(map.SelectAt(1, 1, false), 2);
    EXPECT_EQ(map.SelectAt(11, 1, true), 1);
    EXPECT_EQ(map.selection().size(), 2u);
    EXPECT_EQ(map.SelectAt(1, 1, true), 1);  // toggled off
    EXPECT_EQ(map.selection().size(), 1u);
    EXPECT_EQ(map.SelectAt(1, 1, false), 1);  // replaces the selection
    EXPECT_EQ(map.selection().size(), 1u);
    EXPECT_TRUE(map.isSelected(0));
}

TEST_F(CommentLayerTest, DragMovesTheSelectionAsOneStep)
{
    auto map = open(true);
    place(map, {{0, 0, 4, 4}, {10, 0, 4, 4}, {20, 0, 4, 4}});
    map.SelectAt(1, 1, false);
    map.SelectAt(11, 1, true);
    EXPECT_FALSE(map.TrackDrag(11, 1));  // same point: not moving yet
    EXPECT_TRUE(map.TrackDrag(13, 4));
    map.SetDragPoint(14, 6);
    EXPECT_EQ(map.GetDragDelta(), (Point{3, 5}));
    EXPECT_TRUE(map.EndDrag());
    map.MoveSelected();
    EXPECT_EQ(map.record(0).x, 3);
    EXPECT_EQ(map.record(0).y, 5);
    EXPECT_EQ(map.record(1).x, 13);
    EXPECT_EQ(map.record(2).x, 20);
    EXPECT_EQ(map.selection().at(1).x, 13);
    EXPECT_EQ(map.GetDragDelta(), (Point{0, 0}));
    EXPECT_EQ(undo.steps, 1);
    EXPECT_EQ(undo.comments.size(), 4u);
}

TEST_F(CommentLayerTest, SelectAllThenDeleteFreesEverySlotInOneStep)
{
    auto map = open(true);
    place(map, {{0, 0, 4, 4}, {10, 0, 4, 4}, {20, 0, 4, 4}});
    undo.steps = 0;
    map.SelectAll();
    EXPECT_EQ(map.selection().size(), 100u);
    map.DeleteSelected();
    EXPECT_FALSE(map.HasEntries());
    EXPECT_EQ(undo.steps, 1);
    EXPECT_EQ(undo.comments.size(), 6u);
    auto reread = open();
    for (int s = 0; s < kLayerSlots; ++s) EXPECT_FALSE(reread.used(s));
}

TEST_F(CommentLayerTest, EditChangesTextOrDeletes)
{
    auto map = open(true);
    ASSERT_TRUE(map.AddAt(2, 2, dialog));
    undo.comments.clear();
    dialog.text = "changed";
    dialog.colour = 0x123456;
    EXPECT_TRUE(map.EditAt(3, 3, dialog));
    EXPECT_EQ(dialog.seen.back().mode, 1);
    EXPECT_EQ(dialog.seen.back().text, "note");
    EXPECT_EQ(map.record(0).textView(), "changed");
    EXPECT_EQ(map.record(0).colour, 0x123456);
    ASSERT_EQ(undo.comments.size(), 2u);
    EXPECT_EQ(undo.comments[0].kind, 16);
    EXPECT_EQ(undo.comments[0].record.textView(), "note");
    EXPECT_EQ(undo.comments[1].kind, 15);

    dialog.deleteRequested = true;
    EXPECT_TRUE(map.EditAt(3, 3, dialog));
    EXPECT_FALSE(map.used(0));
    EXPECT_FALSE(map.EditAt(3, 3, dialog));  // nothing hit any more
}

TEST_F(CommentLayerTest, AlignAndExtent)
{
    auto map = open();
    place(map, {{30, 2, 6, 3}, {40, 9, 9, 4}});
    EXPECT_EQ(map.GetExtent(), (Point{49, 13}));
    map.SelectAll();
    map.AlignRight(100);
    EXPECT_EQ(map.record(0).x, 92);
    EXPECT_EQ(map.record(1).x, 89);
    map.AlignCenter(100);
    EXPECT_EQ(map.record(0).x, 47);
    EXPECT_EQ(map.record(1).x, 46);
    map.AlignLeft();
    EXPECT_EQ(map.record(0).x, 1);
    EXPECT_EQ(map.record(1).y, 9);
    EXPECT_FALSE(map.used(2));  // free slots in the selection stay free
    EXPECT_EQ(open().blockBytes(), map.blockBytes());
}

TEST_F(CommentLayerTest, FreeSlotsRefuseChanges)
{
    auto map = open();
    EXPECT_FALSE(map.DeleteAt(0));
    EXPECT_FALSE(map.SetText(0, "x", 1));
    EXPECT_FALSE(map.SetRect(0, 1, 1, 1, 1));
    EXPECT_FALSE(map.DeleteAt(100));
    EXPECT_FALSE(map.DeleteAt(-1));
}

}  // namespace
}  // namespace kravin::model

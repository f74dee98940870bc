#include "item_move_list.h"

#include <gtest/gtest.h>

namespace kravin::wiring {
namespace {

BlockLayout block(int x, int y, int inputs, int outputs)
{
    return {true, x, y, inputs, outputs, 3 * std::max(inputs, outputs)};
}

MoveRecord rec(int b, int x = 0, int y = 0)
{
    MoveRecord r;
    r.block = b;
    r.x = x;
    r.y = y;
    return r;
}

TEST(ItemMoveList, SelectTogglesAndKeepsAGroupForDragging)
{
    CItemMoveList list;
    EXPECT_EQ(list.Select(rec(3), false), 1);
    EXPECT_EQ(list.Select(rec(4), true), 1);
    // A click on a selected block without add keeps the group.
    EXPECT_EQ(list.Select(rec(3), false), 2);
    EXPECT_TRUE(list.IsMultiSelected());
    // Ctrl toggles it off.
    EXPECT_EQ(list.Select(rec(3), true), 0);
    EXPECT_FALSE(list.contains(3));
    EXPECT_EQ(list.Select(rec(5), false), 1);
    ASSERT_EQ(list.records().size(), 1u);
    EXPECT_EQ(list.records()[0].block, 5);
}

TEST(ItemMoveList, HitTestsBoxesAndTerminals)
{
    UnitLayout layout;
    layout[2] = block(10, 10, 2, 1);  // box columns 10..25, rows 6..14
    layout[5] = block(20, 10, 1, 6);  // overlaps block 2's box
    MoveRecord out;
    const int p = 16;
    // Inside block 2 only.
    EXPECT_EQ(CItemMoveList::HitTestBlock(layout, 12 * p, 10 * p, p, 0, 0, out), BlockHit::Box);
    EXPECT_EQ(out.block, 2);
    // Both boxes hold column 22: the later block wins.
    EXPECT_EQ(CItemMoveList::HitTestBlock(layout, 22 * p, 10 * p, p, 0, 0, out), BlockHit::Box);
    EXPECT_EQ(out.block, 5);
    // Input 1 of block 2: columns 13..16, rows 6..9; the shared edge goes to the lower index.
    EXPECT_EQ(CItemMoveList::HitTestBlock(layout, 13 * p, 7 * p, p, 0, 0, out), BlockHit::Terminal);
    EXPECT_EQ(out.block, 2);
    EXPECT_EQ(out.terminal, 0);
    EXPECT_EQ(out.side, 1);
    EXPECT_EQ(CItemMoveList::HitTestBlock(layout, 14 * p, 7 * p, p, 0, 0, out), BlockHit::Terminal);
    EXPECT_EQ(out.terminal, 1);
    // Output 5 of block 5: columns 35..38, rows 15..18.
    EXPECT_EQ(CItemMoveList::HitTestBlock(layout, 36 * p, 16 * p, p, 0, 0, out), BlockHit::Terminal);
    EXPECT_EQ(out.block, 5);
    EXPECT_EQ(out.terminal, 5);
    EXPECT_EQ(out.side, 2);
    EXPECT_EQ(CItemMoveList::HitTestBlock(layout, 80 * p, 80 * p, p, 0, 0, out), BlockHit::Nothing);
    // A block not laid out takes no part.
    layout[5].width = 0;
    EXPECT_EQ(CItemMoveList::HitTestBlock(layout, 36 * p, 16 * p, p, 0, 0, out), BlockHit::Nothing);
}

TEST(ItemMoveList, MovesAndAlignsEverySelectedBlock)
{
    UnitLayout layout;
    layout[2] = block(10, 10, 2, 1);
    layout[7] = block(40, 30, 1, 6);
    CItemMoveList list;
    list.SelectAll(layout);
    ASSERT_EQ(list.records().size(), 2u);
    list.BeginDrag(12, 12);
    EXPECT_FALSE(list.TrackDrag(12, 12));
    EXPECT_TRUE(list.TrackDrag(13, 12));
    list.SetDragPoint(15, 14);
    EXPECT_EQ(list.ApplyMove(), (std::vector<BlockMove>{{2, 13, 12}, {7, 43, 32}}));
    EXPECT_TRUE(list.EndDrag());
    EXPECT_EQ(list.AlignLeft(), (std::vector<BlockMove>{{2, 1, 12}, {7, 1, 32}}));
    EXPECT_EQ(list.AlignCenter(250), (std::vector<BlockMove>{{2, 117, 12}, {7, 117, 32}}));
    // Six outputs (width 18) end 3 columns before the edge: x 229; a narrow block x 232.
    EXPECT_EQ(list.AlignRight(250, layout), (std::vector<BlockMove>{{2, 232, 12}, {7, 229, 32}}));
}

TEST(ItemMoveList, GroupDragStopsAtTheDiagramEdge)
{
    CItemMoveList list;
    list.Select(rec(1, 0, 20), true);
    list.Select(rec(2, 30, 40), true);
    CItemMoveList::Bounds b;
    ASSERT_TRUE(list.GetSelectionBounds(b));
    const MoveLimits limits = ComputeMoveLimits(b, 10, 25);
    // The block at x 0 may not go further left: the pointer cell stops at 10.
    EXPECT_TRUE(IsMoveInsideLimits(list, limits, 10, 25));
    EXPECT_FALSE(IsMoveInsideLimits(list, limits, 9, 25));
    EXPECT_TRUE(IsMoveInsideLimits(list, limits, 10 + 250 - 30 - 16, 25));
    EXPECT_FALSE(IsMoveInsideLimits(list, limits, 10 + 250 - 30 - 15, 25));
    list.Deselect(1);
    EXPECT_TRUE(IsMoveInsideLimits(list, limits, -50, -50));
}

}  // namespace
}  // namespace kravin::wiring

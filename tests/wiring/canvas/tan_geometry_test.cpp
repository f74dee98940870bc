#include "tan_geometry.h"

#include <gtest/gtest.h>

namespace kravin::wiring {
namespace {

TEST(TanPixelToGrid, SnapsToTheNearerLineAndFloorsNegativePixels)
{
    struct Case {
        int pixel, pitch, scroll, cell;
    } cases[] = {
        {8, 16, 0, 0},     // half a pitch rounds down
        {9, 16, 0, 1},     // above half rounds up
        {9, 16, 32, 3},    // scrolled two pitches
        {0, 16, 0, 0},
        {-1, 16, 0, 0},    // left of the window: nearer line 0
        {-8, 16, 0, -1},   // exactly half a pitch left: rounds down to -1
        {-7, 16, 0, 0},
        {-9, 16, 0, -1},
        {-20, 16, 32, 1},  // a drag past the window with scroll
        {4, 8, 0, 0},
        {5, 8, 0, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TanPixelToGrid(c.pixel, c.pitch, c.scroll), c.cell)
            << c.pixel << " at pitch " << c.pitch << " scroll " << c.scroll;
    EXPECT_EQ(TanGridToPixel(3, 16, 32), 16);
    EXPECT_EQ(TanGridToPixelF(2.5, 16, 0), 40);
    EXPECT_EQ(GridScroll(47, 16), 32);
}

TEST(TanSegmentDistance, MeasuresToTheSegmentNotTheLine)
{
    // Projection inside: the distance to the line.
    EXPECT_DOUBLE_EQ(TanSegmentDistance(5, 3, 0, 0, 10, 0).distance, 3.0);
    // Projection past the end (10, 0): measured to that end, not to the line (3).
    const SegmentDistance past = TanSegmentDistance(14, 3, 0, 0, 10, 0);
    EXPECT_DOUBLE_EQ(past.distance, 5.0);
    EXPECT_DOUBLE_EQ(past.lineDistance, 3.0);
    EXPECT_DOUBLE_EQ(TanSegmentDistance(-3, -4, 0, 0, 10, 0).distance, 5.0);
    // A segment of length 0 measures to its point, never dividing by zero.
    const SegmentDistance point = TanSegmentDistance(3, 4, 0, 0, 0, 0);
    EXPECT_DOUBLE_EQ(point.distance, 5.0);
    EXPECT_DOUBLE_EQ(point.lineDistance, 5.0);
    EXPECT_DOUBLE_EQ(TanSegmentDistanceF(1.5, 2, 1.5, 0, 1.5, 0).distance, 2.0);
}

TEST(TanCanvas, TerminalBoxIncludesItsBoundaries)
{
    // Column 3 at pitch 16: x 40..56, rows 2..5: y 32..80.
    EXPECT_TRUE(HitTestTerminalBox(40, 32, 3, 2, 16, 0, 0));
    EXPECT_TRUE(HitTestTerminalBox(56, 80, 3, 2, 16, 0, 0));
    EXPECT_FALSE(HitTestTerminalBox(39, 40, 3, 2, 16, 0, 0));
    EXPECT_FALSE(HitTestTerminalBox(57, 40, 3, 2, 16, 0, 0));
    EXPECT_FALSE(HitTestTerminalBox(48, 81, 3, 2, 16, 0, 0));
    EXPECT_TRUE(HitTestTerminalBox(8, 0, 3, 2, 16, 32, 32));
}

TEST(TanCanvas, AutoScrollTakesOnlyTheFirstEdge)
{
    const ScrollPoint start{32, 32};
    // 10 pixels from both the bottom and the right edge: only the vertical position moves.
    EXPECT_EQ(AutoScroll(390, 290, 400, 300, start, 16, 1000, 1000), (ScrollPoint{32, 48}));
    EXPECT_EQ(AutoScroll(390, 150, 400, 300, start, 16, 1000, 1000), (ScrollPoint{48, 32}));
    EXPECT_EQ(AutoScroll(10, 150, 400, 300, start, 16, 1000, 1000), (ScrollPoint{16, 32}));
    EXPECT_EQ(AutoScroll(200, 10, 400, 300, start, 16, 1000, 1000), (ScrollPoint{32, 16}));
    // At the end of the extent nothing moves; far outside the window nothing either.
    EXPECT_EQ(AutoScroll(200, 295, 400, 300, {0, 990}, 16, 1000, 1000), (ScrollPoint{0, 990}));
    EXPECT_EQ(AutoScroll(200, 400, 400, 300, start, 16, 1000, 1000), start);
}

TEST(TanCanvas, LinePens)
{
    EXPECT_EQ(TanLinePen(0, 0), (LinePen{false, 2}));
    EXPECT_EQ(TanLinePen(1, 0), (LinePen{true, 1}));
    EXPECT_EQ(TanLinePen(1, 2), (LinePen{true, 3}));
    EXPECT_EQ(FormatStyle(6), 1);
    EXPECT_EQ(FormatWidth(6), 2);
}

}  // namespace
}  // namespace kravin::wiring

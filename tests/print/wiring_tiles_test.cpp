// Page arithmetic of the wiring prints: tile counts and order, the fitted pitch.
#include "wiring_tiles.h"

#include <gtest/gtest.h>

namespace kravin::print {
namespace {

TEST(WiringTiles, CountsDivideByTheTileEachPageCovers)
{
    struct Case {
        int pitch, maxX, maxY, a, b, across, down;
    } cases[] = {
        {1, 1715, 100, 1000, 1000, 3, 1},   // 2 tiles of 850 would leave 15 dots unprinted
        {1, 1700, 1700, 1000, 1000, 2, 2},  // exactly two tiles each way
        {1, 1701, 850, 1000, 1000, 3, 1},
        {120, 0, 0, 4800, 6800, 1, 1},      // an empty diagram still prints one page
        {120, 60, 100, 4800, 6800, 2, 3},   // 7200 / 4080, 12000 / 5780
        {12, 250, 212, 4800, 6800, 1, 1},
    };
    for (const Case& c : cases) {
        const TileGrid g = tileGrid(c.pitch, {c.maxX, c.maxY}, c.a, c.b);
        EXPECT_EQ(g.across, c.across) << c.maxX;
        EXPECT_EQ(g.down, c.down) << c.maxY;
        EXPECT_EQ(g.total, c.across * c.down);
        EXPECT_EQ(g.tileWidth, c.a * 85 / 100);
        EXPECT_EQ(g.tileHeight, c.b * 85 / 100);
        // The tiles cover the whole drawing.
        EXPECT_GE(g.across * g.tileWidth, c.pitch * c.maxX);
        EXPECT_GE(g.down * g.tileHeight, c.pitch * c.maxY);
    }
    // A corrupt extent gives a bounded count, never an overflow.
    const TileGrid huge = tileGrid(240, {2000000000, 2000000000}, 100, 100);
    EXPECT_GT(huge.total, 0);
}

TEST(WiringTiles, PagesRunDownEachColumnFirst)
{
    TileGrid g;
    g.across = 3;
    g.down = 2;
    g.total = 6;
    g.tileWidth = 850;
    g.tileHeight = 1200;
    const struct {
        int page, x, y;
    } order[] = {{1, 0, 0}, {2, 0, 1200}, {3, 850, 0}, {4, 850, 1200}, {5, 1700, 0}, {6, 1700, 1200}};
    for (const auto& o : order) {
        const TileOrigin t = tileOrigin(g, o.page);
        EXPECT_EQ(t.x, o.x) << o.page;
        EXPECT_EQ(t.y, o.y) << o.page;
    }
}

TEST(WiringTiles, FittedPitch)
{
    // The pitch of a scale at 600 dpi: 200 % of 1/1000 inch per percent.
    EXPECT_EQ(printPitch(100, 600), 120);
    EXPECT_EQ(printPitch(10, 600), 12);
    EXPECT_EQ(printPitch(55, 600), 66);
    // Nothing to draw: the pitch cap of the page.
    EXPECT_EQ(fitPitch(FitRule::Analog, 4800, 6800, {0, 0}, 120), 4800 * 25 / 1000);
    EXPECT_EQ(fitPitch(FitRule::Communication, 6800, 4800, {0, 0}, 120), 4800 * 25 / 1000);
    // Portrait, too wide: the width decides (85 % of the page over the width).
    EXPECT_EQ(fitPitch(FitRule::Analog, 4800, 6800, {200, 40}, 120), 4080 / 200);
    EXPECT_EQ(fitPitch(FitRule::Communication, 4800, 6800, {200, 40}, 120), 4080 / 200);
    // Portrait, too tall: three quarters of the height decide.
    EXPECT_EQ(fitPitch(FitRule::Analog, 4800, 6800, {20, 400}, 120), 4080 / 300);
    // Landscape: the height decides; the communication pages keep 82 % of it.
    EXPECT_EQ(fitPitch(FitRule::Analog, 6800, 4800, {40, 300}, 120), 4080 / 300);
    EXPECT_EQ(fitPitch(FitRule::Communication, 6800, 4800, {40, 300}, 120), 4800 * 82 / 100 / 300);
    // A pitch never falls to 0.
    EXPECT_EQ(fitPitch(FitRule::Analog, 4800, 6800, {100000000, 10}, 120), 1);
}

}  // namespace
}  // namespace kravin::print

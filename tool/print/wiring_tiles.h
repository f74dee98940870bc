// Page arithmetic of the wiring diagram prints: the print pitch, the pitch
// that fits a whole diagram on one page, and the tiles of a print at a scale.
// Integer arithmetic, multiplying before dividing, truncating toward zero.
#pragma once

namespace kravin::print {

// Size of one grid unit on the page at a scale (percent) and a resolution (dots per inch).
int printPitch(int scale, int dpi);

// Extent of a diagram in grid units.
struct DiagramExtent {
    int maxX = 0, maxY = 0;
};

// The fitting rule of the two diagram kinds: the analog pages compare with
// 85 % of the page and cap by 85 % of the width; the communication pages
// compare with the whole page and cap landscape pages by 82 % of the height.
enum class FitRule { Analog, Communication };
// The pitch of a fitted page of width W and height H (never below 1).
int fitPitch(FitRule rule, int W, int H, DiagramExtent extent, int pitch);

// The tiles of a print at a scale: each tile covers 85 % of the page, so the
// count divides by that size; at least one page each way.
struct TileGrid {
    int across = 1, down = 1, total = 1;
    int tileWidth = 0, tileHeight = 0;
};
TileGrid tileGrid(int pitch, DiagramExtent extent, int horzRes, int vertRes);

// Origin of a page's tile (page from 1), pages running down each column first.
struct TileOrigin {
    int x = 0, y = 0;
};
TileOrigin tileOrigin(const TileGrid& grid, int page);

}  // namespace kravin::print

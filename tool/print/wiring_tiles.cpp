#include "wiring_tiles.h"

#include <algorithm>
#include <cstdint>

namespace kravin::print {

namespace {

// Pages needed for length dots in pieces of size dots: at least 1, and a
// count that stays an int however large a corrupt extent is.
int pieces(std::int64_t length, int size)
{
    if (size <= 0 || length <= 0) return 1;
    const std::int64_t n = (length + size - 1) / size;
    return static_cast<int>(std::clamp<std::int64_t>(n, 1, 1000));
}

}  // namespace

int printPitch(int scale, int dpi) { return (scale * 200 / 100) * dpi / 1000; }

int fitPitch(FitRule rule, int W, int H, DiagramExtent e, int p0)
{
    const bool analog = rule == FitRule::Analog;
    const std::int64_t w = analog ? W * 85 / 100 : W, h = analog ? H * 85 / 100 : H;
    const std::int64_t mx = e.maxX, my = e.maxY, p = p0;
    std::int64_t d = 0;
    if (H > W) {
        if (h < p * my) d = my * 3 / 4;
        if (w < p * mx && mx > d) d = mx;
    } else {
        if (h < p * my) d = my;
        if (w < p * mx && mx * 3 / 4 > d) d = mx * 3 / 4;
    }
    if (d == 0) d = 3 * my >= 4 * mx ? my * 3 / 4 : mx;
    if (d <= 0) d = 1;
    std::int64_t pitch = 0;
    if (H > W)
        pitch = std::min<std::int64_t>(std::int64_t(W) * 85 / 100 / d, std::int64_t(W) * 25 / 1000);
    else
        pitch = std::min<std::int64_t>(std::int64_t(H) * (analog ? 85 : 82) / 100 / d, std::int64_t(H) * 25 / 1000);
    return static_cast<int>(std::max<std::int64_t>(1, pitch));
}

TileGrid tileGrid(int pitch, DiagramExtent e, int a, int b)
{
    TileGrid g;
    g.tileWidth = a * 85 / 100;
    g.tileHeight = b * 85 / 100;
    g.across = pieces(std::int64_t(pitch) * e.maxX, g.tileWidth);
    g.down = pieces(std::int64_t(pitch) * e.maxY, g.tileHeight);
    g.total = g.across * g.down;
    return g;
}

TileOrigin tileOrigin(const TileGrid& g, int page)
{
    const int down = std::max(1, g.down);
    const int index = std::max(0, page - 1);
    return {index / down * g.tileWidth, index % down * g.tileHeight};
}

}  // namespace kravin::print

#include "tan_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kravin::wiring {

namespace {

int floorDiv(int a, int b)
{
    int q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

int floorMod(int a, int b) { return a - floorDiv(a, b) * b; }

}  // namespace

int TanGridToPixel(int index, int pitch, int scroll) { return index * pitch - scroll; }

int TanGridToPixelF(double index, int pitch, int scroll) { return static_cast<int>(index * pitch - scroll); }

int TanPixelToGrid(int p, int pitch, int scroll)
{
    if (pitch <= 0) return 0;
    const int absolute = p + scroll;
    int cell = floorDiv(absolute, pitch);
    if (floorMod(absolute, pitch) > pitch / 2) ++cell;
    return cell;
}

int GridScroll(int position, int pitch) { return pitch > 0 ? floorDiv(position, pitch) * pitch : position; }

SegmentDistance TanSegmentDistanceF(double px, double py, double x1, double y1, double x2, double y2)
{
    const double dx = x2 - x1, dy = y2 - y1;
    const double len2 = dx * dx + dy * dy;
    SegmentDistance d;
    if (len2 == 0) {
        d.distance = d.lineDistance = TanPointDistanceF(px, py, x1, y1);
        return d;
    }
    d.lineDistance = std::fabs(((y1 - py) * dx - dy * (x1 - px)) / len2) * std::sqrt(len2);
    const double t = (dx * (px - x1) + (py - y1) * dy) / len2;
    if (t >= 0 && t <= 1)
        d.distance = d.lineDistance;
    else
        d.distance = std::min(TanPointDistanceF(px, py, x1, y1), TanPointDistanceF(px, py, x2, y2));
    return d;
}

SegmentDistance TanSegmentDistance(int px, int py, int x1, int y1, int x2, int y2)
{
    return TanSegmentDistanceF(px, py, x1, y1, x2, y2);
}

double TanPointDistanceF(double x1, double y1, double x2, double y2)
{
    return std::sqrt((x2 - x1) * (x2 - x1) + (y2 - y1) * (y2 - y1));
}

bool HitTestTerminalBox(int px, int py, int column, int row, int pitch, int scrollX, int scrollY)
{
    const int half = pitch / 2;
    const int x = px + scrollX, y = py + scrollY;
    return column * pitch - half <= x && x <= column * pitch + half && row * pitch <= y && y <= (row + 3) * pitch;
}

ScrollPoint AutoScroll(int x, int y, int clientWidth, int clientHeight, ScrollPoint scroll, int step, int maxX,
                       int maxY)
{
    if (std::abs(clientHeight - y) < 32) {
        if (scroll.y + step < maxY) scroll.y += step;
    } else if (std::abs(clientWidth - x) < 32) {
        if (scroll.x + step < maxX) scroll.x += step;
    } else if (std::abs(x) < 32) {
        if (scroll.x > 0) scroll.x = std::max(0, scroll.x - step);
    } else if (std::abs(y) < 32) {
        if (scroll.y > 0) scroll.y = std::max(0, scroll.y - step);
    }
    return scroll;
}

LinePen TanLinePen(int style, int width)
{
    if (style == 0) return {false, width + 2};
    if (width == 0) return {true, 1};
    return {true, width + 1};
}

int ScaleByZoom(int v, double zoom) { return static_cast<int>(v * zoom); }

}  // namespace kravin::wiring

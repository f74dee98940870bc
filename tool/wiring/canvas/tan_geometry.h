// Grid and pixel mapping of the wiring canvases, point-to-segment distances,
// the terminal box hit and the auto-scroll rule. Window-free: the views and
// the print pages share it.
#pragma once

namespace kravin::wiring {

// The diagram at 100 %: 4000 x 3390 pixels, 250 x 212 cells of 16 pixels.
constexpr int kBasePitch = 16;
constexpr int kCanvasWidth = 4000;
constexpr int kCanvasHeight = 3390;
constexpr int kGridColumns = 250;
constexpr int kGridRows = 212;
// The drawing surface of one repaint.
constexpr int kSurfaceWidth = 1920;
constexpr int kSurfaceHeight = 1200;

// index * pitch - scroll.
int TanGridToPixel(int index, int pitch, int scroll);
// The same in floating point, truncated toward zero.
int TanGridToPixelF(double index, int pitch, int scroll);
// The cell of a pixel: the nearer grid line, a remainder of exactly half a
// pitch rounding down. Pixels left of or above the window (negative) floor
// like any other.
int TanPixelToGrid(int p, int pitch, int scroll);

// A scroll position rounded down to whole pitches.
int GridScroll(int position, int pitch);

struct SegmentDistance {
    double distance = 0;      // to the segment
    double lineDistance = 0;  // to the infinite line through it
};
// Distance from P to the segment A-B; a segment of length 0 measures to its point.
SegmentDistance TanSegmentDistance(int px, int py, int x1, int y1, int x2, int y2);
SegmentDistance TanSegmentDistanceF(double px, double py, double x1, double y1, double x2, double y2);
double TanPointDistanceF(double x1, double y1, double x2, double y2);

// The terminal box one pitch wide centred on a grid column and three pitches
// tall from its top row; client pixels, both bounds included.
bool HitTestTerminalBox(int px, int py, int column, int row, int pitch, int scrollX, int scrollY);

// The new scroll position while a drag runs near an edge of the client area
// (only the first edge within 32 pixels counts: bottom, right, left, top).
struct ScrollPoint {
    int x = 0, y = 0;
    friend bool operator==(const ScrollPoint&, const ScrollPoint&) = default;
};
ScrollPoint AutoScroll(int x, int y, int clientWidth, int clientHeight, ScrollPoint scroll, int step, int maxX,
                       int maxY);

// The pen of a line format: style 0 solid of width + 2 pixels; a dotted
// style is one pixel at width 0, else width + 1.
struct LinePen {
    bool dotted = false;
    int width = 1;
    friend bool operator==(const LinePen&, const LinePen&) = default;
};
LinePen TanLinePen(int style, int width);
inline int FormatStyle(int format) { return format / 4; }
inline int FormatWidth(int format) { return format % 4; }

// v * zoom truncated toward zero; the pitch of a zoom is ScaleByZoom(16, zoom).
int ScaleByZoom(int v, double zoom);

}  // namespace kravin::wiring

// Drawing helpers of the wiring canvases on any paint device: line pens,
// arrow heads and the dotted grid. Colours are COLORREF values (0x00BBGGRR).
#pragma once

#include <QColor>
#include <QPen>

#include <cstdint>

class QPainter;
class QPolygon;

namespace kravin::wiring {

QColor colorOf(std::int32_t colorref);
// The pen of a connection line of a style and width code.
QPen TanMakeLinePen(int style, int width, std::int32_t colorref);
// A filled triangle with its tip at (x, y) and its base `length` lower
// (higher when reversed), size * 5 / 16 to either side. Returns the middle of the base.
QPoint TanDrawArrow(QPainter& painter, std::int32_t colorref, int x, int y, int size, int length, bool reversed);
// A path of runs: a horizontal or vertical run is filled as rectangles (a solid
// pen's run reaching half the width past both ends, so corners close; a dotted
// pen's as its dots, one width on and two off); other runs are stroked.
void TanDrawPath(QPainter& painter, const QPen& pen, const QPolygon& path);
// Background fill and one dot in the inverse colour at every grid point of width x height.
void TanDrawDotGrid(QPainter& painter, std::int32_t background, int pitch, int width, int height);

}  // namespace kravin::wiring

#include "layer_paint.h"

#include "comment_layer.h"
#include "figure_layer.h"
#include "font_faces.h"
#include "text_codec.h"

#include <QFont>
#include <QPainter>
#include <QPen>

#include <cmath>

namespace kravin::model {

namespace {

const QColor kSelectionGreen(0, 255, 0);
const QColor kResizeMagenta(255, 0, 255);

// A COLORREF (0x00BBGGRR) as a colour.
QColor fromColorRef(std::int32_t c)
{
    const auto u = static_cast<std::uint32_t>(c);
    return QColor(static_cast<int>(u & 0xFF), static_cast<int>((u >> 8) & 0xFF), static_cast<int>((u >> 16) & 0xFF));
}

bool drawsDrag(int mode) { return mode == 1 || mode == 4 || mode == 5; }

struct Pixels {
    double scale;
    int offsetX, offsetY;
    int x(double cell) const { return static_cast<int>(cell * scale) - offsetX; }
    int y(double cell) const { return static_cast<int>(cell * scale) - offsetY; }
    // The rectangle from cell (l, t) to cell (r, b), edges included.
    QRect rect(int l, int t, int r, int b) const { return QRect(QPoint(x(l), y(t)), QPoint(x(r), y(b))); }
};

// An outline drawn by inverting what lies beneath, as the rubber bands are.
void invertedOutline(QPainter& p, const QRect& r, const QColor& colour, int width)
{
    p.save();
    p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
    p.restore();
}

void invertedEllipse(QPainter& p, const QRect& r)
{
    p.save();
    p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    p.setPen(QPen(kSelectionGreen, 3));
    p.setBrush(kSelectionGreen);
    p.drawEllipse(r);
    p.restore();
}

}  // namespace

void DrawComments(QPainter& p, const CCommentMap& layer, int mode, double scale, int offsetX, int offsetY)
{
    const Pixels px{scale, offsetX, offsetY};
    p.save();
    QFont font;
    font.setFamilies(res::fontFamilies());
    font.setPixelSize(std::max(1, static_cast<int>(scale)));
    p.setFont(font);
    for (int s = kLayerSlots - 1; s >= 0; --s) {
        const CommentRecord& r = layer.record(s);
        if (r.inUse != kSlotUsed) continue;
        const QRect box = px.rect(r.x, r.y, r.x + r.width, r.y + r.height);
        p.fillRect(box, fromColorRef(r.colour));
        p.setPen(QPen(Qt::black, 1));
        p.drawText(box.translated(2, 2), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
                   cp932ToQString(r.textView()));
        p.drawLine(box.topLeft(), box.topRight());
        p.drawLine(box.topRight(), box.bottomRight());
        p.drawLine(box.bottomRight(), box.bottomLeft());
        p.drawLine(box.bottomLeft(), box.topLeft());
        if (layer.isSelected(s)) invertedOutline(p, box.adjusted(-1, -1, 1, 1), kSelectionGreen, 3);
    }
    if (drawsDrag(mode)) {
        if (layer.dragPointSet() && layer.HasEntries()) {
            const Point d = layer.GetDragDelta();
            for (const auto& [slot, copy] : layer.selection()) {
                const CommentRecord& r = layer.record(slot);
                if (r.inUse != kSlotUsed) continue;
                invertedOutline(p, px.rect(r.x + d.x, r.y + d.y, r.x + d.x + r.width, r.y + d.y + r.height),
                                kSelectionGreen, 3);
            }
        }
        if (layer.IsResizing()) {
            const Rect& rr = layer.resizeRect();
            invertedOutline(p, px.rect(rr.left, rr.top, rr.right, rr.bottom), kResizeMagenta, 1);
        }
    }
    p.restore();
}

void DrawFigures(QPainter& p, const CFigureMap& layer, int mode, double scale, int offsetX, int offsetY)
{
    const Pixels px{scale, offsetX, offsetY};
    auto dotRect = [&](const FigureRecord& r, int dx, int dy) {
        const double radius = r.diameter * 0.5;
        return QRect(QPoint(px.x(r.x + dx - radius), px.y(r.y + dy - radius)),
                     QPoint(px.x(r.x + dx + radius), px.y(r.y + dy + radius)));
    };
    p.save();
    for (int s = kLayerSlots - 1; s >= 0; --s) {
        const FigureRecord& r = layer.record(s);
        if (r.inUse != kSlotUsed) continue;
        const QRect box = dotRect(r, 0, 0);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(fromColorRef(r.colour));
        p.drawEllipse(box);
        if (layer.isSelected(s)) invertedEllipse(p, box.adjusted(1, 1, -1, -1));
    }
    if (drawsDrag(mode) && layer.dragMoving() && layer.HasEntries()) {
        const Point d = layer.GetDragDelta();
        for (const auto& [slot, copy] : layer.selection())
            if (layer.used(slot)) invertedEllipse(p, dotRect(layer.record(slot), d.x, d.y));
    }
    p.restore();
}

Qt::CursorShape ResizeCursor(int handle)
{
    switch (handle) {
    case 1:
    case 5:
        return Qt::SizeFDiagCursor;
    case 3:
    case 7:
        return Qt::SizeBDiagCursor;
    case 2:
    case 6:
        return Qt::SizeVerCursor;
    case 4:
    case 8:
        return Qt::SizeHorCursor;
    default:
        return Qt::ArrowCursor;
    }
}

}  // namespace kravin::model

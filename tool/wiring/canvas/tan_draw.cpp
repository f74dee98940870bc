#include "tan_draw.h"

#include "tan_geometry.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPolygon>
#include <QTransform>

#include <cmath>

#include <vector>

namespace kravin::wiring {

QColor colorOf(std::int32_t c)
{
    const auto v = static_cast<std::uint32_t>(c);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>((v >> 16) & 0xFF));
}

QPen TanMakeLinePen(int style, int width, std::int32_t colorref)
{
    const LinePen spec = TanLinePen(style, width);
    QPen pen(colorOf(colorref));
    pen.setWidth(spec.width);
    pen.setStyle(spec.dotted ? Qt::DotLine : Qt::SolidLine);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

QPoint TanDrawArrow(QPainter& painter, std::int32_t colorref, int x, int y, int size, int length, bool reversed)
{
    const int h = size * 5 / 16;
    const int e = reversed ? -length : length;
    const QColor c = colorOf(colorref);
    painter.save();
    painter.setPen(QPen(c, 1));
    painter.setBrush(c);
    painter.drawPolygon(QPolygon({QPoint(x, y), QPoint(x - h, y + e), QPoint(x + h, y + e)}));
    painter.restore();
    return {x, y + e};
}

void TanDrawPath(QPainter& painter, const QPen& pen, const QPolygon& path)
{
    const bool solid = pen.style() == Qt::SolidLine;
    if (!solid && pen.style() != Qt::DotLine) {
        painter.drawPolyline(path);
        return;
    }
    const int w = std::max(1, pen.width());
    const int lead = w / 2;
    const QColor c = pen.color();
    // A page (a printer, a PDF, the recording a preview replays at its zoom) gets
    // pen strokes: whatever device draws them again keeps them at least a pixel
    // wide. Pixels of the screen and of images are filled exactly.
    const QPaintEngine* engine = painter.paintEngine();
    if (engine && engine->type() != QPaintEngine::Raster) {
        QPen stroke(c, w, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
        if (!solid) {
            stroke.setCapStyle(Qt::FlatCap);
            stroke.setDashPattern({1.0, 2.0});  // one width on, two off, on along the path
        }
        painter.save();
        if (!solid) {
            painter.setPen(stroke);
            painter.drawPolyline(path);
        } else {
            for (qsizetype i = 0; i + 1 < path.size(); ++i) {
                const QPoint a = path[i], b = path[i + 1];
                painter.setPen(a.x() != b.x() && a.y() != b.y() ? pen : stroke);
                painter.drawLine(a, b);
            }
        }
        painter.restore();
        return;
    }
    // Runs and dots are at least one device pixel across, so that a painter
    // scaled down still shows them.
    const QTransform& scale = painter.combinedTransform();
    const double px = std::hypot(scale.m11(), scale.m12()), py = std::hypot(scale.m21(), scale.m22());
    const int minX = px > 0 && px < 1 ? static_cast<int>(std::ceil(1 / px)) : 1;
    const int minY = py > 0 && py < 1 ? static_cast<int>(std::ceil(1 / py)) : 1;
    int phase = 0;  // the dot pattern runs on along the path
    for (qsizetype i = 0; i + 1 < path.size(); ++i) {
        const QPoint a = path[i], b = path[i + 1];
        if (a.x() != b.x() && a.y() != b.y()) {
            painter.save();
            painter.setPen(pen);
            painter.drawLine(a, b);
            painter.restore();
            continue;
        }
        if (solid) {
            const int wx = std::max(w, minX), wy = std::max(w, minY);
            painter.fillRect(std::min(a.x(), b.x()) - wx / 2, std::min(a.y(), b.y()) - wy / 2,
                             std::abs(b.x() - a.x()) + wx, std::abs(b.y() - a.y()) + wy, c);
            continue;
        }
        const int length = std::abs(b.x() - a.x()) + std::abs(b.y() - a.y());
        const int dx = b.x() > a.x() ? 1 : b.x() < a.x() ? -1 : 0, dy = b.y() > a.y() ? 1 : b.y() < a.y() ? -1 : 0;
        // Only the dots on the device (inside the clip) are made; the device's
        // pixels are taken back into the painter's coordinates first.
        int first = 0, last = length;
        if (const QPaintDevice* device = painter.device()) {
            bool invertible = false;
            const QTransform back = painter.combinedTransform().inverted(&invertible);
            QRect shown = invertible ? back.mapRect(QRectF(0, 0, device->width(), device->height())).toAlignedRect()
                                     : QRect(0, 0, device->width(), device->height());
            if (painter.hasClipping()) shown &= painter.clipBoundingRect().toAlignedRect();
            const int x0 = shown.left() - w, x1 = shown.right() + 1 + w, y0 = shown.top() - w,
                      y1 = shown.bottom() + 1 + w;
            const auto limit = [&](int start, int step, int lo, int hi) {
                if (step == 0) {
                    if (start < lo || start > hi) last = -1;
                    return;
                }
                int from = (lo - start) * step, to = (hi - start) * step;
                if (from > to) std::swap(from, to);
                first = std::max(first, from);
                last = std::min(last, to);
            };
            limit(a.x(), dx, x0, x1);
            limit(a.y(), dy, y0, y1);
        }
        std::vector<QRect> dots;
        for (int d = std::max(0, first); d <= last; ++d)
            if ((phase + d) % (3 * w) < w)
                dots.emplace_back(a.x() + dx * d - (dx ? 0 : lead), a.y() + dy * d - (dy ? 0 : lead),
                                  std::max(dx ? 1 : w, minX), std::max(dy ? 1 : w, minY));
        phase += length + 1;
        painter.save();
        painter.setPen(Qt::NoPen);
        painter.setBrush(c);
        painter.drawRects(dots.data(), static_cast<int>(dots.size()));
        painter.restore();
    }
}

void TanDrawDotGrid(QPainter& painter, std::int32_t background, int pitch, int width, int height)
{
    painter.fillRect(0, 0, width, height, colorOf(background));
    if (pitch <= 0) return;
    std::vector<QPoint> dots;
    dots.reserve(static_cast<std::size_t>((width / pitch + 1) * (height / pitch + 1)));
    for (int y = 0; y <= height; y += pitch)
        for (int x = 0; x <= width; x += pitch) dots.emplace_back(x, y);
    painter.save();
    painter.setPen(QPen(colorOf(0xFFFFFF - background), 1));
    painter.drawPoints(dots.data(), static_cast<int>(dots.size()));
    painter.restore();
}

}  // namespace kravin::wiring

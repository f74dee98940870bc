#include "tan_draw.h"

#include "tan_geometry.h"

#include <QPainter>
#include <QPolygon>

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

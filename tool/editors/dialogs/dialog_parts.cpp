#include "dialog_parts.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

namespace kravin::editors {

int titleBarWidth(const QString& title)
{
    // Title bars draw a little larger and bolder than the widgets' font.
    QFont font = QApplication::font();
    font.setBold(true);
    if (font.pointSizeF() > 0) font.setPointSizeF(font.pointSizeF() * 1.2);
    return QFontMetrics(font).horizontalAdvance(title) + 160;
}

// ---- Colour swatch ----

ColorSwatch::ColorSwatch(QWidget* parent) : QWidget(parent) {}

void ColorSwatch::setColour(const QColor& colour)
{
    colour_ = colour;
    update();
}

void ColorSwatch::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), colour_);
}

}  // namespace kravin::editors

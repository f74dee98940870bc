#include "info_bar.h"

#include "text_codec.h"

#include <QPainter>

#include <cstdio>

namespace kravin::shell {

std::string infoStationText(int station)
{
    char text[16];
    std::snprintf(text, sizeof text, "STATION:%02X", station & 0xFF);
    return text;
}

std::string infoCardText(int card)
{
    if (card <= 0) return "CARD:-";
    char text[16];
    std::snprintf(text, sizeof text, "CARD:%01X", (card - 1) & 0xF);
    return text;
}

InfoBar::InfoBar(int templateId, std::function<InfoBarUnit()> unit, QWidget* parent)
    : QWidget(parent), templateId_(templateId), unit_(std::move(unit))
{
    setObjectName(QStringLiteral("infoBar%1").arg(templateId));
    setMinimumHeight(28);
}

void InfoBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setBackgroundMode(Qt::TransparentMode);
    p.setPen(Qt::black);
    const InfoBarUnit u = unit_ ? unit_() : InfoBarUnit{};
    const int base = 8 + p.fontMetrics().ascent();
    if (u.station >= 0) {
        p.drawText(10, base, QString::fromStdString(infoStationText(u.station)));
        p.drawText(130, base, QString::fromStdString(infoCardText(u.card)));
        p.drawText(240, base, model::cp932ToQString(u.kind.substr(0, 8)));
        p.drawText(308, base, model::cp932ToQString(u.version.substr(0, 4)));
    }
    if (paintExtra) paintExtra(p, rect());
}

}  // namespace kravin::shell

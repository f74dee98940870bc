// The info bar of a view's frame: the current unit as "STATION:0A CARD:3",
// its kind and version, painted on a transparent background. A view adds what
// else it shows (a group, a line sample) through paintExtra.
#pragma once

#include <QWidget>

#include <functional>
#include <string>

namespace kravin::shell {

struct InfoBarUnit {
    int station = -1;  // -1 no unit
    int card = 0;      // 0 the station itself, 1..16 a card
    std::string kind;     // 8 characters (CP932)
    std::string version;  // 4 characters
};

// "STATION:%02X" and "CARD:%01X" of card - 1, "CARD:-" for the station itself.
std::string infoStationText(int station);
std::string infoCardText(int card);

class InfoBar : public QWidget {
    Q_OBJECT
public:
    InfoBar(int templateId, std::function<InfoBarUnit()> unit, QWidget* parent = nullptr);

    int templateId() const { return templateId_; }
    std::function<void(QPainter&, const QRect&)> paintExtra;
    QSize sizeHint() const override { return {400, 28}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int templateId_;
    std::function<InfoBarUnit()> unit_;
};

}  // namespace kravin::shell

// The shared drawing set: fonts, named colours, pens and brushes every view,
// layer, bar and palette draws with. One instance, made after the
// QApplication and handed to whoever draws.
#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QPen>

#include <array>

namespace kravin::shell {

class Theme {
public:
    Theme();

    // Start-up fonts, in creation order.
    QFont font16, font14, font10, font7, font10b, font11, font12, font14b;
    // Zoom fonts the two wiring views set for themselves.
    std::array<QFont, 3> anaTanFonts, denTanFonts;

    // Named colours.
    const QColor white{255, 255, 255};
    const QColor black{0, 0, 0};
    const QColor black2{0, 0, 0};
    const QColor gray127{127, 127, 127};
    const QColor silver{192, 192, 192};
    const QColor green{0, 255, 0};
    const QColor magenta{255, 0, 255};
    const QColor selectGreen{0, 255, 0};
    const QColor gray96{96, 96, 96};
    const QColor olive{192, 192, 0};
    const QColor lime{0, 255, 0};

    // Solid pens and brushes.
    const QPen penWhite{white, 1}, penBlack{black, 1}, penMagenta{magenta, 1}, penSelect{QColor(0, 255, 0), 3};
    const QPen penLadderGreen{QColor(0, 255, 0), 2}, penLadderYellow{QColor(255, 255, 0), 2};
    const QPen penLadderSilver{silver, 1}, penLadderBlack{black, 1}, penLadderMagenta{magenta, 3};
    const QPen penRed{QColor(255, 0, 0), 1}, penGray96{gray96, 1};
    const QBrush brushWhite{white}, brushBlack{black}, brushMagenta{magenta}, brushSelect{QColor(0, 255, 0)};
    const QBrush brushLadderGreen{QColor(0, 255, 0)}, brushLadderYellow{QColor(255, 255, 0)};
    const QBrush brushYellow{QColor(255, 255, 0)};
    const QBrush brushLadderSilver{silver}, brushLadderBlack{black}, brushLadderMagenta{magenta};
    const QBrush brushRed{QColor(255, 0, 0)}, brushGray96{gray96}, brushOlive{olive};

    // Type codes of the card type table, always in this order.
    static constexpr std::array<const char*, 17> kRnh6TypeCodes{
        "A1", "A2", "C1", "C2", "C3", "C4", "E1", "E2", "G1", "H2", "J2", "M1", "P1", "R1", "S1", "S2", "U1"};

    // Heights of the start-up fonts, in creation order.
    static constexpr std::array<int, 8> kFontHeights{16, 14, 10, 7, 10, 11, 12, 14};

    // A start-up font of the given cell height in pixels.
    static QFont makeFont(int height);
};

}  // namespace kravin::shell

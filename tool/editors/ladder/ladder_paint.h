// Drawing of the ladder grid, shared by the ladder view and the print pages:
// the painter is set up by the caller (content coordinates: column c from
// x 5 + 80 c, row r from y h r) and the rows meeting the given rectangle are drawn.
#pragma once

#include "ladder_grid.h"
#include "ladder_monitor.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QRect>
#include <QStaticText>
#include <QString>
#include <QStringList>

#include <functional>

class QPainter;

namespace kravin::ladder {

constexpr int kLadderLeft = 5;
constexpr int kCellPitch = 80;
constexpr int kCoilLeft = 645;
constexpr int kRightRail = 725;
constexpr int kLadderWidth = 740;
constexpr int kWireOffset = 25;

constexpr int LadderRowHeight(bool comments) { return comments ? 65 : 40; }
constexpr int LadderContentHeight(bool comments) { return comments ? 5795 : 3570; }

struct LadderStyle {
    QColor background{255, 255, 255};
    QColor element{0, 0, 0};
    QColor text{0, 0, 0};
    QColor guide{192, 192, 192};
    QColor cursor{255, 0, 255};
    QColor on{0, 160, 0};
    QColor off{0, 0, 0};
    QColor unknown{160, 160, 0};
    QColor highlight{255, 255, 0};
    QFont font;
    bool grid = false;
};

// Laid-out texts kept between drawings (operands and terminal names repeat).
struct LadderTextCache {
    QHash<QString, QStaticText> labels;
    QHash<QString, QStaticText> comments;
    QFont font;  // the font the texts were laid out in
};

struct LadderPaintState {
    const LadderGrid* grid = nullptr;
    bool comments = false;
    bool showCursor = true;
    GridPos cursor;
    // Set while monitoring: the states to draw in.
    const LadderConduction* conduction = nullptr;
    int activeStep = -1;
    // Terminal name under a contact (coil = false) or coil; empty for none.
    std::function<QString(int kk, int nn, bool coil)> terminalName;
    // Optional: texts laid out once and reused.
    LadderTextCache* cache = nullptr;
};

// Terminal comments sit under their cell, kCommentWidth wide, in the view's font.
constexpr int kCommentWidth = 76;
// The font the view draws the ladder's texts in.
QFont LadderFont();
// A terminal comment as the view shows it: the lines it breaks into in font at the
// comment's width (between words, or anywhere in a word too long for a line).
QStringList LadderCommentLines(const QString& text, const QFont& font);

// The cell under a point in content coordinates: column 0..8 and row, or (-1, -1).
GridPos HitTestCell(int x, int y, bool comments);

void DrawLadder(QPainter& p, const LadderPaintState& state, const LadderStyle& style, const QRect& area);

}  // namespace kravin::ladder

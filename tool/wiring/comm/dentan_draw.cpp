#include "dentan_draw.h"

#include "tan_draw.h"
#include "tan_geometry.h"

#include <QPainter>
#include <QPolygon>
#include <QStaticText>

#include <cstdio>
#include <cstring>

namespace kravin::wiring::comm {

namespace {

constexpr std::int32_t kBlack = 0x000000;
constexpr std::int32_t kWhite = 0xFFFFFF;
constexpr std::int32_t kYellow = 0x00FFFF;
constexpr std::int32_t kGrey = 0x878787;  // 135, 135, 135

int gx(double v, int pitch, int scroll) { return TanGridToPixelF(v, pitch, scroll); }

std::string textOf(const std::array<char, 8>& t) { return std::string(t.data(), ::strnlen(t.data(), t.size())); }

void drawText(QPainter& painter, int x, int y, const std::string& text, std::int32_t colour)
{
    painter.setPen(colorOf(colour));
    painter.drawText(x, y + painter.fontMetrics().ascent(), QString::fromLatin1(text.data(), static_cast<int>(text.size())));
}

// The terminal numbers 11..26 keep their layout between repaints.
void drawNumber(QPainter& painter, int x, int y, int index, std::int32_t colour)
{
    static const std::array<QStaticText, 16> numbers = [] {
        std::array<QStaticText, 16> n;
        for (int i = 0; i < 16; ++i) {
            n[static_cast<std::size_t>(i)].setText(QString::number(i + 11));
            n[static_cast<std::size_t>(i)].setPerformanceHint(QStaticText::AggressiveCaching);
        }
        return n;
    }();
    painter.setPen(colorOf(colour));
    painter.drawStaticText(x, y, numbers[static_cast<std::size_t>(index)]);
}

QPen linePen(int format, std::int32_t colour, const DenTanDrawStyle& style)
{
    if (style.printing && (colour & 0xFFFFFF) == kWhite) colour = kBlack;
    return TanMakeLinePen(FormatStyle(format), FormatWidth(format), colour);
}

// The box row (Y) of a slot, for a label's row.
int boxRowOf(const model::CommLinkTable& table, int station, int card)
{
    const model::CommLinkSlot* s = table.slot(station, card);
    return s ? s->y : 0;
}

}  // namespace

std::string CommValueText(int kind, std::int16_t value);

namespace {

// A terminal's two values beside a line's end at grid column x, on the rows of its box (top Y).
void drawValues(QPainter& painter, int x, int Y, bool bottom, int kind, const std::pair<std::int16_t, std::int16_t>& v,
                int pitch, int scrollX, int scrollY)
{
    const int vx = gx(x, pitch, scrollX) + 4;
    drawText(painter, vx, gx(bottom ? Y + 3 : Y - 5, pitch, scrollY), CommValueText(kind, v.first), kBlack);
    drawText(painter, vx, gx(bottom ? Y + 4 : Y - 4, pitch, scrollY), CommValueText(kind, v.second), kBlack);
}

}  // namespace

std::string CommValueText(int kind, std::int16_t value)
{
    char buf[32];
    if (kind == 3 || kind == 4) {
        std::snprintf(buf, sizeof buf, "%6.3d", static_cast<int>(value));
        std::string s(buf);
        if (s.size() >= 4) s.insert(4, ".");
        const auto b = s.find_first_not_of(' ');
        return b == std::string::npos ? std::string() : s.substr(b);
    }
    std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(static_cast<std::uint16_t>(value)));
    return buf;
}

void DrawStationCard(QPainter& painter, const model::CommLinkSlot& slot, int station, int card, int pitch,
                     int scrollX, int scrollY, const DenTanDrawStyle& style, const CommValueFn& values)
{
    const int X = slot.x, Y = slot.y;
    const QRect box(gx(X, pitch, scrollX), gx(Y + kBoxTop, pitch, scrollY), kBoxWidth * pitch,
                    (kBoxBottom - kBoxTop) * pitch);
    painter.fillRect(box, Qt::white);
    painter.setFont(style.font);
    const std::string kind = textOf(slot.kind);
    const std::string text = card < 0 && style.stationText ? style.stationText(station) : std::string();
    drawText(painter, gx(X, pitch, scrollX) + 10 * pitch / 16, gx(Y, pitch, scrollY),
             BoxCaption(station, card, kind, text), kBlack);
    for (int t = 0; t < 16; ++t) {
        const model::CommLinkTerminal& r = slot.terminals[static_cast<std::size_t>(t)];
        const int U = TerminalColumn(X, t);
        const bool bottom = t > 7;
        if (r.kind == 0) {
            drawNumber(painter, gx(U + 1, pitch, scrollX) + 1, gx(bottom ? Y + 3 : Y - 4, pitch, scrollY), t, kGrey);
            continue;
        }
        const bool send = r.kind == 2 || r.kind == 4;
        const bool analog = r.kind == 3 || r.kind == 4;
        double edge, outer, tip;  // the row on the box edge, the row away from it, the point
        if (bottom) {
            edge = Y + 5;
            outer = send ? Y + 7 : Y + 3;
            tip = send ? Y + 8 : Y + 2;
        } else {
            edge = Y - 4;
            outer = send ? Y - 6 : Y - 2;
            tip = send ? Y - 7 : Y - 1;
        }
        const int L = gx(U + 0.75, pitch, scrollX), R = gx(U + 3.25, pitch, scrollX);
        const int e = gx(edge, pitch, scrollY), o = gx(outer, pitch, scrollY);
        QPolygon poly;
        poly << QPoint(L, e) << QPoint(R, e) << QPoint(R, o);
        if (analog) poly << QPoint(gx(U + 2, pitch, scrollX), gx(tip, pitch, scrollY));
        poly << QPoint(L, o);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(colorOf(r.link == 2 ? kYellow : kWhite));
        painter.drawPolygon(poly);
        painter.setBrush(Qt::NoBrush);
        if (!send) painter.drawLine(L, o, R, o);
        drawNumber(painter, gx(U + 1, pitch, scrollX), std::min(e, o), t, kBlack);
        if (values && r.link != 0 && (r.startX != 0 || r.startY != 0))
            if (auto v = values(station, card + 1, t)) drawValues(painter, r.startX, Y, bottom, r.kind, *v, pitch, scrollX, scrollY);
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
}

void DrawLinkLabel(QPainter& painter, std::int32_t colour, int x, int y, int index, int kind, const std::string& name,
                   int pitch, bool noText, int stack, const DenTanDrawStyle& style)
{
    const bool bottom = index > 7;
    const int s = bottom ? pitch : -pitch;
    const int d = kind == 2 ? s : 0;
    const int k = stack * s;
    const int a = bottom ? pitch : 0;
    const int arrow = pitch;
    int tx = x - pitch * 3 / 2, ty = 0;
    if (kind == 1 || kind == 3) {
        painter.drawLine(x, y + s, x, y + 5 * s);
        TanDrawArrow(painter, colour, x, y, pitch, arrow, !bottom);
        ty = y + 6 * s + k - a;
    } else {
        painter.drawLine(x, y, x, y + s + d);
        TanDrawArrow(painter, colour, x, y + 2 * s + d, pitch, arrow, bottom);
        ty = y + 3 * s + d + k - a;
    }
    if (noText) return;
    const std::string padded = std::string(name.size() < 8 ? (8 - name.size()) / 2 : 0, ' ') + name;
    painter.save();
    painter.setFont(style.font);
    drawText(painter, tx, ty, padded, kBlack);
    painter.restore();
}

void DrawTerminalLink(QPainter& painter, const model::CommLinkTable& table, std::int32_t colour, int station,
                      int slot, int index, int pitch, int scrollX, int scrollY, const DenTanDrawStyle& style)
{
    const model::CommLinkTerminal& r = table.slots[station][slot].terminals[index];
    const std::string name = textOf(r.text);
    const int nearY = DenTanLabelOffset(r.kind, index, table.slots[station][slot].y, 4, 2, 3, 1);
    const int nearStack = CountSharedEnds(table, station, slot - 1, index, r.startX, r.startY);
    DrawLinkLabel(painter, colour, gx(r.startX, pitch, scrollX), gx(nearY, pitch, scrollY), index, r.kind, name, pitch,
                  false, nearStack, style);
    // The far end: the source terminal found from the drawn end point.
    const model::CommLinkSlot* far = table.slot(r.sourceStation, r.sourceCard);
    if (!far) return;
    const int farNumber = model::CommTerminalAt(far->x, far->y, r.endX, r.endY);
    const int farIndex = farNumber ? farNumber - 11 : (r.endY > far->y ? 8 : 0);
    int farKind = farNumber ? far->terminals[static_cast<std::size_t>(farIndex)].kind : 0;
    if (farKind == 0) farKind = r.kind == 1 ? 2 : r.kind == 3 ? 4 : r.kind;
    const int farY = DenTanLabelOffset(farKind, farIndex, boxRowOf(table, r.sourceStation, r.sourceCard), 4, 2, 3, 1);
    // Connections ahead of this one that end at the same point stack the label further out.
    const int farStack = CountSharedEnds(table, station, slot - 1, index, r.endX, r.endY);
    DrawLinkLabel(painter, colour, gx(r.endX, pitch, scrollX), farY ? gx(farY, pitch, scrollY) : gx(r.endY, pitch, scrollY),
                  farIndex, farKind, name, pitch, false, farStack, style);
}

void DrawAllTerminalLinks(QPainter& painter, const model::CommLinkTable& table, int pitch, int scrollX, int scrollY,
                          const DenTanDrawStyle& style, const QRect& visible)
{
    // The grid rectangle a line must touch to be seen, with room for arrows and labels.
    const bool limit = visible.isValid();
    const double gl = limit ? (visible.left() + scrollX) / double(pitch) - 8 : 0;
    const double gr = limit ? (visible.right() + scrollX) / double(pitch) + 8 : 0;
    const double gt = limit ? (visible.top() + scrollY) / double(pitch) - 8 : 0;
    const double gb = limit ? (visible.bottom() + scrollY) / double(pitch) + 8 : 0;
    const auto seen = [&](const model::CommLinkTerminal& r, int n) {
        if (!limit) return true;
        int x0 = std::min(r.startX, r.endX), x1 = std::max(r.startX, r.endX);
        int y0 = std::min(r.startY, r.endY), y1 = std::max(r.startY, r.endY);
        for (int i = 0; i < n; ++i) {
            x0 = std::min<int>(x0, r.pointX[static_cast<std::size_t>(i)]);
            x1 = std::max<int>(x1, r.pointX[static_cast<std::size_t>(i)]);
            y0 = std::min<int>(y0, r.pointY[static_cast<std::size_t>(i)]);
            y1 = std::max<int>(y1, r.pointY[static_cast<std::size_t>(i)]);
        }
        return x1 >= gl && x0 <= gr && y1 >= gt && y0 <= gb;
    };
    painter.save();
    painter.setBrush(Qt::NoBrush);
    for (int s = 0; s < model::kStations; ++s)
        for (int k = 0; k <= 16; ++k) {
            const model::CommLinkSlot& slot = table.slots[s][k];
            if (!slot.used) continue;
            for (int t = 0; t < 16; ++t) {
                const model::CommLinkTerminal& r = slot.terminals[static_cast<std::size_t>(t)];
                if (r.kind == 0 || r.link != 1) continue;
                if (r.text[0] == 0 && !seen(r, ClampPointCount(r.points))) continue;
                const std::int32_t colour =
                    style.printing && (r.colour & 0xFFFFFF) == kWhite ? kBlack : static_cast<std::int32_t>(r.colour);
                painter.setPen(linePen(r.value, colour, style));
                if (r.text[0] != 0) {
                    DrawTerminalLink(painter, table, colour, s, k, t, pitch, scrollX, scrollY, style);
                    continue;
                }
                const int sx = gx(r.startX, pitch, scrollX), sy = gx(r.startY, pitch, scrollY);
                TanDrawArrow(painter, colour, sx, sy, pitch, pitch, t <= 7);
                QPolygon path;
                path << QPoint(sx, sy);
                const int n = ClampPointCount(r.points);
                for (int i = 0; i < n; ++i)
                    path << QPoint(gx(r.pointX[static_cast<std::size_t>(i)], pitch, scrollX),
                                   gx(r.pointY[static_cast<std::size_t>(i)], pitch, scrollY));
                const model::CommLinkSlot* far = table.slot(r.sourceStation, r.sourceCard);
                const int farNumber = far ? model::CommTerminalAt(far->x, far->y, r.endX, r.endY) : 0;
                const int farKind = farNumber ? far->terminals[static_cast<std::size_t>(farNumber - 11)].kind : 0;
                path << QPoint(gx(r.endX, pitch, scrollX),
                               gx(FarEndY(r.endY, r.kind, farKind, farNumber), pitch, scrollY));
                TanDrawPath(painter, painter.pen(), path);
            }
        }
    painter.restore();
}

void DrawJumpLabels(QPainter& painter, const model::CommLinkTable& table, const std::vector<JumpMark>& marks,
                    int pitch, int scrollX, int scrollY, const DenTanDrawStyle& style, std::int32_t forceColour)
{
    painter.save();
    for (std::size_t i = 0; i < marks.size(); ++i) {
        const JumpMark& m = marks[i];
        if (!m.terminal.valid()) continue;
        const model::CommLinkSlot* slot = table.slot(m.terminal.unit.station, m.terminal.unit.card);
        if (!slot) continue;
        int ax = 0, ay = 0;
        TerminalAnchor(slot->x, slot->y, m.terminal.index, &ax, &ay);
        int stack = CountSharedEnds(table, model::kStations, -1, m.terminal.index, ax, ay);
        for (std::size_t j = 0; j < i; ++j)
            if (marks[j].terminal == m.terminal) ++stack;
        const int kind = slot->terminals[static_cast<std::size_t>(m.terminal.index)].kind;
        const std::int32_t colour = forceColour >= 0 ? forceColour : m.colour;
        painter.setPen(linePen(m.format, colour, style));
        const int y = DenTanLabelOffset(kind, m.terminal.index, slot->y, 4, 2, 3, 1);
        DrawLinkLabel(painter, colour, gx(ax, pitch, scrollX), gx(y ? y : ay, pitch, scrollY), m.terminal.index,
                      kind, m.name, pitch, false, stack, style);
    }
    painter.restore();
}

void DrawFarMonitorValues(QPainter& painter, const model::CommLinkTable& table, int pitch, int scrollX, int scrollY,
                          const CommValueFn& values)
{
    if (!values) return;
    painter.save();
    for (int s = 0; s < model::kStations; ++s)
        for (int k = 0; k <= 16; ++k) {
            const model::CommLinkSlot& slot = table.slots[s][k];
            if (!slot.used) continue;
            for (const model::CommLinkTerminal& r : slot.terminals) {
                if (r.kind == 0 || r.link != 1 || (r.startX == 0 && r.startY == 0)) continue;
                const int farIndex = r.sourceTerminal - 11;
                const model::CommLinkSlot* far =
                    farIndex >= 0 && farIndex < 16 ? table.slot(r.sourceStation, r.sourceCard) : nullptr;
                if (!far || !far->used) continue;
                const int farKind = far->terminals[static_cast<std::size_t>(farIndex)].kind;
                if (farKind == 0) continue;
                if (auto v = values(r.sourceStation, r.sourceCard + 1, farIndex))
                    drawValues(painter, r.endX, far->y, r.sourceTerminal > 18, farKind, *v, pitch, scrollX, scrollY);
            }
        }
    painter.restore();
}

void DrawCommDiagram(QPainter& painter, const model::CommLinkTable& table, const std::vector<JumpMark>& marks,
                     int pitch, int scrollX, int scrollY, int width, int height, const DenTanDrawStyle& style,
                     const CommValueFn& values)
{
    if (style.grid) TanDrawDotGrid(painter, style.background, pitch, width, height);
    else painter.fillRect(0, 0, width, height, colorOf(style.background));
    const QRect visible(0, 0, width, height);
    for (int s = model::kStations - 1; s >= 0; --s)
        for (int k = 0; k <= 16; ++k) {
            // The station first, then cards 15 down to 0.
            const int slotIndex = k == 0 ? 0 : 17 - k;
            const model::CommLinkSlot& slot = table.slots[s][slotIndex];
            if (!slot.used) continue;
            const QRect box(gx(slot.x, pitch, scrollX), gx(slot.y - 7, pitch, scrollY), kBoxWidth * pitch,
                            15 * pitch);
            if (!box.intersects(visible)) continue;
            DrawStationCard(painter, slot, s, slotIndex - 1, pitch, scrollX, scrollY, style, values);
        }
    // After every box, so that no box drawn later covers them.
    painter.setFont(style.font);
    DrawFarMonitorValues(painter, table, pitch, scrollX, scrollY, values);
    DrawAllTerminalLinks(painter, table, pitch, scrollX, scrollY, style, visible);
    DrawJumpLabels(painter, table, marks, pitch, scrollX, scrollY, style);
}

}  // namespace kravin::wiring::comm

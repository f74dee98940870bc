#include "ladder_paint.h"

#include "font_faces.h"
#include "step_codes.h"

#include <QPainter>
#include <QPen>
#include <QFontMetrics>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cstdio>

namespace kravin::ladder {

namespace {

QString Operand(int32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d%02d", ValueBlock(v), ValueTerminal(v));
    return QString::fromLatin1(text);
}

struct RowPainter {
    QPainter& p;
    const LadderPaintState& s;
    const LadderStyle& st;
    int h;

    QColor colour(Conduction c) const
    {
        if (!s.conduction) return st.element;
        switch (c) {
        case Conduction::On: return st.on;
        case Conduction::Off: return st.off;
        case Conduction::Unknown: return st.unknown;
        }
        return st.element;
    }
    void pen(Conduction c) { p.setPen(QPen(colour(c), s.conduction && c == Conduction::On ? 2 : 1)); }
    QStaticText& staticText(QHash<QString, QStaticText>& hash, const QString& t, int width)
    {
        auto it = hash.find(t);
        if (it == hash.end()) {
            QStaticText laid(t);
            laid.setTextFormat(Qt::PlainText);
            if (width > 0) {
                laid.setTextWidth(width);
                QTextOption o(Qt::AlignHCenter);
                o.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
                laid.setTextOption(o);
            }
            laid.prepare(QTransform(), st.font);
            it = hash.insert(t, laid);
        }
        return *it;
    }
    void text(int x, int top, const QString& t)
    {
        p.setPen(st.text);
        if (s.cache) {
            p.drawStaticText(x, top, staticText(s.cache->labels, t, 0));
            return;
        }
        p.drawText(QRect(x, top, 80, 12), Qt::AlignLeft | Qt::AlignTop, t);
    }
    void comment(int x, int wire, const QString& t)
    {
        if (t.isEmpty()) return;
        p.setPen(st.text);
        const QStringList lines = LadderCommentLines(t, st.font);
        const int step = QFontMetrics(st.font).height();
        for (int i = 0; i < lines.size(); ++i) {
            const QRect line(x + 2, wire + 11 + i * step, kCommentWidth, step);
            if (s.cache) {
                const QStaticText& laid = staticText(s.cache->comments, lines[i], 0);
                p.drawStaticText(line.x() + (kCommentWidth - qRound(laid.size().width())) / 2, line.y(), laid);
            } else {
                p.drawText(line, Qt::AlignHCenter | Qt::AlignTop, lines[i]);
            }
        }
    }
    void bracketBox(int x, int wire, const QString& label, bool highlight)
    {
        const QRect box(x + 12, wire - 9, 56, 18);
        if (highlight) p.fillRect(box, st.highlight);
        p.setPen(st.element);
        p.drawLine(x, wire, box.left(), wire);
        p.drawLine(box.right(), wire, x + kCellPitch, wire);
        p.drawLine(box.left(), box.top(), box.left(), box.bottom());
        p.drawLine(box.left(), box.top(), box.left() + 4, box.top());
        p.drawLine(box.left(), box.bottom(), box.left() + 4, box.bottom());
        p.drawLine(box.right(), box.top(), box.right(), box.bottom());
        p.drawLine(box.right(), box.top(), box.right() - 4, box.top());
        p.drawLine(box.right(), box.bottom(), box.right() - 4, box.bottom());
        p.setPen(st.text);
        p.drawText(box, Qt::AlignCenter, label);
    }

    void cell(int r, int c)
    {
        const int32_t v = s.grid->Cell(r, c);
        const int x = kLadderLeft + kCellPitch * c;
        const int top = h * r;
        const int wire = top + kWireOffset;
        const Conduction in = s.conduction ? s.conduction->in[r][c] : Conduction::Off;
        const Conduction out = s.conduction ? s.conduction->out[r][c] : Conduction::Off;
        if (v == kCellEmpty) return;
        if (v == kCellWire) {
            pen(in);
            p.drawLine(x, wire, x + kCellPitch, wire);
            return;
        }
        if (IsContact(v)) {
            pen(in);
            p.drawLine(x, wire, x + 36, wire);
            pen(out);
            p.drawLine(x + 44, wire, x + kCellPitch, wire);
            p.drawLine(x + 36, wire - 8, x + 36, wire + 8);
            p.drawLine(x + 44, wire - 8, x + 44, wire + 8);
            if (!IsNormallyOpen(v)) p.drawLine(x + 48, wire - 8, x + 32, wire + 8);
            text(x + 31, top + 1, Operand(v));
            if (s.comments && s.terminalName) comment(x, wire, s.terminalName(ValueBlock(v), ValueTerminal(v), false));
            return;
        }
        if (IsStepCell(v)) {
            char label[16];
            std::snprintf(label, sizeof label, "STEP%02d", v - 130000);
            const int ss = v - 130000;
            bracketBox(x, wire, QString::fromLatin1(label), s.conduction && (ss == 0 || ss == s.activeStep));
            return;
        }
        if (IsTimerCell(v)) {
            char above[16];
            std::snprintf(above, sizeof above, "%01d:%03d", (v - 140000) / 1000, (v - 140000) % 1000);
            bracketBox(x, wire, QStringLiteral("TIM"), false);
            text(x + 31, top + 1, QString::fromLatin1(above));
            return;
        }
        if (v > 149999) {
            bracketBox(x, wire, QStringLiteral("NOP"), false);
        } else if (v >= 0 && v <= 9999) {
            bracketBox(x, wire, QStringLiteral("END"), false);
        }
    }

    void coil(int r)
    {
        const int32_t v = s.grid->g_ladderCoils[r];
        const int top = h * r;
        const int wire = top + kWireOffset;
        const Conduction in = s.conduction ? s.conduction->in[r][kLadderCols] : Conduction::Off;
        const Conduction state = s.conduction ? s.conduction->coil[r] : Conduction::Off;
        if (v == kCoilWire) {
            pen(in);
            p.drawLine(kCoilLeft, wire, kRightRail, wire);
            return;
        }
        if (!IsOutputCoil(v)) return;
        pen(in);
        p.drawLine(kCoilLeft, wire, kCoilLeft + 30, wire);
        pen(state);
        p.drawArc(QRect(kCoilLeft + 28, wire - 9, 12, 18), 90 * 16, 180 * 16);
        p.drawArc(QRect(kCoilLeft + 40, wire - 9, 12, 18), -90 * 16, 180 * 16);
        p.drawLine(kCoilLeft + 50, wire, kRightRail, wire);
        const int kind = ValueKind(v);
        text(kCoilLeft + 10, top + 1,
             QString::fromLatin1(kStepMnemonics[static_cast<std::size_t>(kind)]) + QLatin1Char(' ') + Operand(v));
        if (s.comments && kind < 12 && s.terminalName)
            comment(kCoilLeft, wire, s.terminalName(ValueBlock(v), ValueTerminal(v), true));
    }

    void links(int r)
    {
        for (int j = 0; j < 8; ++j) {
            if (!s.grid->Link(r, j)) continue;
            const int x = kLadderLeft + kCellPitch * (j + 1);
            const Conduction c = s.conduction ? s.conduction->in[r][j + 1] : Conduction::Off;
            pen(c);
            p.drawLine(x, h * r + kWireOffset, x, h * (r + 1) + kWireOffset);
        }
    }
};

}  // namespace

QFont LadderFont()
{
    QFont font;
    font.setFamilies(res::fontFamilies());
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    return font;
}

QStringList LadderCommentLines(const QString& text, const QFont& font)
{
    QTextLayout layout(text, font);
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(kCommentWidth);
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

GridPos HitTestCell(int x, int y, bool comments)
{
    const int h = LadderRowHeight(comments);
    for (int c = 0; c <= kCoilCol; ++c) {
        if (x < 15 + kCellPitch * c || x >= 95 + kCellPitch * c) continue;
        if (y < 5) break;
        const int r = (y - 5) / h;
        if (r >= kLadderRows) break;
        return {r, c};
    }
    return {-1, -1};
}

void DrawLadder(QPainter& p, const LadderPaintState& s, const LadderStyle& st, const QRect& area)
{
    if (!s.grid) return;
    const int h = LadderRowHeight(s.comments);
    const int bottom = h * kLadderRows;
    p.save();
    p.setFont(st.font);
    if (s.cache && s.cache->font != st.font) {
        s.cache->labels.clear();
        s.cache->comments.clear();
        s.cache->font = st.font;
    }
    p.fillRect(area, st.background);
    if (st.grid) {
        p.setPen(QPen(st.guide, 1, Qt::DotLine));
        for (int x = 85; x <= kCoilLeft; x += kCellPitch)
            p.drawLine(x, std::max(area.top(), 0), x, std::min(area.bottom(), bottom));
        for (int y = kWireOffset; y <= bottom; y += h) p.drawLine(area.left(), y, area.right(), y);
    }
    const int first = std::clamp(area.top() / h - 1, 0, kLadderRows - 1);
    const int last = std::clamp(area.bottom() / h + 1, 0, kLadderRows - 1);
    p.setPen(QPen(st.element, 1));
    p.drawLine(kLadderLeft, h * first, kLadderLeft, h * (last + 1));
    p.drawLine(kRightRail, h * first, kRightRail, h * (last + 1));
    RowPainter rows{p, s, st, h};
    for (int r = first; r <= last; ++r) {
        for (int c = 0; c < kLadderCols; ++c) rows.cell(r, c);
        rows.coil(r);
        rows.links(r);
    }
    if (s.showCursor && s.cursor.row >= first && s.cursor.row <= last) {
        p.setPen(QPen(st.cursor, 3));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(QPoint(kCellPitch * s.cursor.col + 8, h * s.cursor.row),
                         QPoint(kCellPitch * s.cursor.col + 82, h * s.cursor.row + h - 4)));
    }
    p.restore();
}

}  // namespace kravin::ladder

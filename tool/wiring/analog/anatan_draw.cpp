#include "anatan_draw.h"

#include "tan_draw.h"
#include "tan_geometry.h"
#include "text_codec.h"

#include <QPainter>
#include <QPolygonF>

#include <cstdio>
#include <cstring>

namespace kravin::wiring {

namespace {

QString show(const std::string& cp932)
{
    for (const char c : cp932)
        if (static_cast<unsigned char>(c) >= 0x80) return model::cp932ToQString(cp932);
    return QString::fromLatin1(cp932.data(), static_cast<qsizetype>(cp932.size()));
}

std::string labelOf(const model::AconImage& line)
{
    return std::string(line.text.data(), ::strnlen(line.text.data(), line.text.size()));
}

void drawText(QPainter& painter, double x, double y, const std::string& text)
{
    // (x, y) is the text's top-left corner, as the boxes place their texts.
    if (text.empty()) return;
    painter.drawText(QPointF(x, y + painter.fontInfo().pixelSize() * 0.8), show(text));
}

std::int32_t lineColour(std::int32_t colour, bool alternate, const AnaTanDrawStyle& style)
{
    return alternate && colour == style.blockFill ? style.alternateLine : colour;
}

}  // namespace

std::string MonitorValueText(std::int32_t value)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%6.3d", static_cast<int>(value));
    std::string s(buf);
    if (s.size() > 4) s.insert(4, ".");
    return s;
}

void DrawBlockSymbol(QPainter& painter, int p, int sx, int sy, int blockNo, const DiagramBlock& b,
                     const AnaTanDrawStyle& style)
{
    const auto px = [&](double i) { return i * p - sx; };
    const auto py = [&](double j) { return j * p - sy; };
    const int inputs = static_cast<int>(b.inputs.size()), outputs = static_cast<int>(b.outputs.size());
    const int w = BlockBoxWidth(inputs, outputs) - 1;
    const int gx = b.x, gy = b.y;
    painter.setPen(QPen(colorOf(style.text), 1));
    painter.setBrush(colorOf(style.blockFill));
    painter.drawRect(QRectF(QPointF(px(gx), py(gy - 4)), QPointF(px(gx + w + 1), py(gy + 5))));
    painter.setBrush(Qt::NoBrush);
    char number[8];
    std::snprintf(number, sizeof number, "G%02d", blockNo);
    drawText(painter, p + px(gx), py(gy), number);
    drawText(painter, p + px(gx + 2), py(gy), b.codeText);
    drawText(painter, p + px(gx), py(gy + 1), b.name);
    if (!b.tag.empty()) drawText(painter, px(gx + 1), py(gy + 2), b.tag);
    const auto nameColumn = [&](int k, const std::string& name) {
        return name.size() > 2 ? gx + 3 * k + 1.0 : gx + 3 * k + 1.5;
    };
    for (int k = 0; k < inputs; ++k) {
        const double l = (gx + 3 * k + 0.75) * p - sx, r = (gx + 3 * k + 3.25) * p - sx;
        const QPolygonF pent({QPointF(l, py(gy - 4)), QPointF(r, py(gy - 4)), QPointF(r, py(gy - 2)),
                              QPointF(px(gx + 3 * k + 2), py(gy - 1)), QPointF(l, py(gy - 2))});
        painter.setBrush(colorOf(style.blockFill));
        painter.drawPolygon(pent);
        painter.drawLine(QPointF(l, py(gy - 2)), QPointF(r, py(gy - 2)));
        const std::string& name = b.inputs[static_cast<std::size_t>(k)].name;
        drawText(painter, px(nameColumn(k, name)), py(gy - 3.5), name);
    }
    for (int k = 0; k < outputs; ++k) {
        const DiagramOutput& o = b.outputs[static_cast<std::size_t>(k)];
        drawText(painter, px(nameColumn(k, o.word)), py(gy + 3), o.word);
        const double l = (gx + 3 * k + 0.75) * p - sx, r = (gx + 3 * k + 3.25) * p - sx;
        const QPolygonF pent({QPointF(l, py(gy + 7)), QPointF(px(gx + 3 * k + 2), py(gy + 8)), QPointF(r, py(gy + 7)),
                              QPointF(r, py(gy + 5)), QPointF(l, py(gy + 5))});
        painter.setBrush(colorOf(style.blockFill));
        painter.drawPolygon(pent);
        drawText(painter, px(nameColumn(k, o.name)), py(gy + 5.5), o.name);
    }
    painter.setBrush(Qt::NoBrush);
}

void DrawBlocks(QPainter& painter, const AnalogDiagram& d, int p, int sx, int sy, const AnaTanDrawStyle& style)
{
    painter.setFont(style.font);
    for (int b = 0; b < kLayoutBlocks; ++b) {
        const DiagramBlock& block = d.blocks[static_cast<std::size_t>(b)];
        if (!block.drawn) continue;
        // Boxes wholly outside the surface are left out.
        const int left = TanGridToPixel(block.x, p, sx), top = TanGridToPixel(block.y - 6, p, sy);
        const QRect bounds(left, top, (block.width + 20) * p, 16 * p);
        if (!painter.window().intersects(bounds) && painter.window().isValid()) continue;
        DrawBlockSymbol(painter, p, sx, sy, b, block, style);
    }
}

void DrawJumpSymbol(QPainter& painter, std::int32_t colour, int x, int y, int side, const std::string& name, int p,
                    int stack, const AnaTanDrawStyle& style)
{
    const int offset = stack > 0 ? stack * p : 0;
    painter.drawLine(x, y, x, y + p);
    TanDrawArrow(painter, colour, x, y + 2 * p, p, p, true);
    std::string centred(static_cast<std::size_t>(std::max<int>(0, (8 - static_cast<int>(name.size())) / 2)), ' ');
    centred += name;
    painter.save();
    painter.setPen(colorOf(style.text));
    const double tx = x - 1.5 * p;
    const double ty = side == 1 ? y - offset - p : y + 2 * p + offset;
    drawText(painter, tx, ty, centred);
    painter.restore();
}

int GetJumpTerminalPos(const AnalogDiagram& d, const CJumpRecord& r)
{
    if (r.block < 0 || r.block >= kLayoutBlocks) return 0;
    const DiagramBlock& owner = d.blocks[static_cast<std::size_t>(r.block)];
    const GridPoint mark = JumpMarkPlace(r, owner.x, owner.y);
    int n = 0;
    for (const DiagramBlock& b : d.blocks) {
        if (!b.drawn) continue;
        for (std::size_t k = 0; k < b.inputs.size(); ++k) {
            const DiagramInput& in = b.inputs[k];
            if (!in.connected) continue;
            const std::string label = labelOf(in.line);
            if (label.empty() || label == r.name) continue;
            const DiagramBlock& s = d.blocks[static_cast<std::size_t>(in.sourceBlock)];
            if (AnalogDiagram::inputPinColumn(b, static_cast<int>(k)) == mark.x && b.y == mark.y + 6) ++n;
            if (AnalogDiagram::outputPinColumn(s, in.sourceOutput) == mark.x && s.y + 8 == mark.y) ++n;
        }
    }
    return n;
}

void DrawConnectionLines(QPainter& painter, const AnalogDiagram& d, int p, int sx, int sy, bool alternate,
                         const MonitorValueFn& values, const AnaTanDrawStyle& style)
{
    painter.setFont(style.font);
    for (int bi = 0; bi < kLayoutBlocks; ++bi) {
        const DiagramBlock& b = d.blocks[static_cast<std::size_t>(bi)];
        if (!b.drawn) continue;
        for (std::size_t k = 0; k < b.inputs.size(); ++k) {
            const DiagramInput& in = b.inputs[k];
            if (!in.connected) continue;
            const DiagramBlock& s = d.blocks[static_cast<std::size_t>(in.sourceBlock)];
            const std::int32_t colour = lineColour(in.line.colour, alternate, style);
            const int x = AnalogDiagram::inputPinColumn(b, static_cast<int>(k)) * p - sx;
            const int endX = AnalogDiagram::outputPinColumn(s, in.sourceOutput) * p - sx;
            const int endY = TanGridToPixel(s.y + 8, p, sy);
            painter.setPen(TanMakeLinePen(FormatStyle(in.line.value), FormatWidth(in.line.value), colour));
            const std::string label = labelOf(in.line);
            if (!label.empty()) {
                // A jump pair stands in for the line: one mark above the input, one below the output.
                CJumpRecord atInput;
                atInput.name = label;
                atInput.side = 1;
                atInput.block = bi;
                atInput.item = in.item;
                atInput.terminal = static_cast<int>(k);
                DrawJumpSymbol(painter, colour, x, TanGridToPixel(b.y - 6, p, sy), 1, label, p,
                               GetJumpTerminalPos(d, atInput), style);
                CJumpRecord atOutput = atInput;
                atOutput.side = 2;
                atOutput.block = in.sourceBlock;
                atOutput.item = in.sourceItem;
                atOutput.terminal = in.sourceOutput;
                painter.setPen(TanMakeLinePen(FormatStyle(in.line.value), FormatWidth(in.line.value), colour));
                DrawJumpSymbol(painter, colour, endX, endY, 2, label, p, GetJumpTerminalPos(d, atOutput), style);
            } else {
                TanDrawArrow(painter, colour, x, TanGridToPixel(b.y - 4, p, sy), p, p, true);
                QPolygon path;
                path << QPoint(x, TanGridToPixel(b.y - 5, p, sy));
                for (int i = 0; i < in.line.kind; ++i)
                    path << QPoint(TanGridToPixel(in.line.px[static_cast<std::size_t>(i)], p, sx),
                                   TanGridToPixel(in.line.py[static_cast<std::size_t>(i)], p, sy));
                path << QPoint(endX, endY);
                TanDrawPath(painter, painter.pen(), path);
            }
            if (values) {
                const DiagramOutput& o = s.outputs[static_cast<std::size_t>(in.sourceOutput)];
                if (const auto v = values(in.sourceBlock, o.item)) {
                    painter.save();
                    painter.setPen(colorOf(style.text));
                    drawText(painter, x + 2, TanGridToPixel(b.y - 7, p, sy), MonitorValueText(*v));
                    painter.restore();
                }
            }
        }
    }
}

void DrawJumps(QPainter& painter, const JumpList& list, const AnalogDiagram& d, int p, int sx, int sy,
               bool alternate, const AnaTanDrawStyle& style)
{
    painter.setFont(style.font);
    for (const CJumpRecord& r : list) {
        if (r.block < 0 || r.block >= kLayoutBlocks) continue;
        const std::int32_t colour = lineColour(r.colour, alternate, style);
        painter.setPen(TanMakeLinePen(FormatStyle(r.format), FormatWidth(r.format), colour));
        const int stack = CountJumpsAtTerminal(list, r) + GetJumpTerminalPos(d, r);
        const DiagramBlock& b = d.blocks[static_cast<std::size_t>(r.block)];
        const GridPoint g = JumpMarkPlace(r, b.x, b.y);
        DrawJumpSymbol(painter, colour, TanGridToPixel(g.x, p, sx), TanGridToPixel(g.y, p, sy), r.side, r.name, p,
                       stack, style);
    }
}

void DrawAnalogDiagram(QPainter& painter, const AnalogDiagram& d, const JumpList& open, int p, int sx, int sy,
                       int width, int height, const AnaTanDrawStyle& style, const MonitorValueFn& values)
{
    if (style.grid)
        TanDrawDotGrid(painter, style.background, p, width, height);
    else
        painter.fillRect(0, 0, width, height, colorOf(style.background));
    DrawBlocks(painter, d, p, sx, sy, style);
    DrawConnectionLines(painter, d, p, sx, sy, true, values, style);
    DrawJumps(painter, open, d, p, sx, sy, true, style);
}

}  // namespace kravin::wiring

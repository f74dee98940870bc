#include "wiring_pages.h"

#include "anatan_draw.h"
#include "layer_paint.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

namespace kravin::print {

namespace {

const QColor kBlack(0, 0, 0);

void grow(int& m, int v) { m = std::max(m, v); }

// The page text: the job's page counter in a bulk print, the page number of a
// tile, nothing on a fitted page.
QString pageText(const PageCanvas& c, bool fit, int page)
{
    if (c.job.bulkMode != 0) return QStringLiteral("(%1)").arg(c.jobPage);
    return fit ? QString() : QStringLiteral("(%1)").arg(page + 1);
}

// The frame around the drawing area; returns its inside.
QRect drawFrame(PageCanvas& c)
{
    const int x0 = c.W * 7 / 100, y0 = c.H * 10 / 100;
    // One device pixel wide, as the wire pen draws on a printer.
    QPen pen(kBlack, 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setCosmetic(true);
    c.painter.setPen(pen);
    c.line(x0, y0, x0, c.H - y0 / 2);
    c.line(c.W - x0, y0, c.W - x0, c.H - y0 / 2);
    c.line(x0, y0, c.W - x0, y0);
    c.line(x0, c.H - y0 / 2, c.W - x0, c.H - y0 / 2);
    c.flush();
    return QRect(QPoint(x0, y0), QPoint(c.W - x0, c.H - y0 / 2));
}

class AnalogDocument final : public PrintDocument {
public:
    AnalogDocument(std::shared_ptr<const AnalogSnapshot> s, WiringPrintSetup setup) : s_(std::move(s)), setup_(setup)
    {
    }
    int pageCount() const override { return setup_.fit ? 1 : std::max(1, setup_.tiles.total); }

    void drawPage(PageCanvas& c, int page) const override
    {
        stationCardCaption(c, c.text(9754), pageText(c, setup_.fit, page), QString::fromStdString(unitLine(s_->unit)));
        QPainter& p = c.painter;
        const int x0 = c.W * 7 / 100, y0 = c.H * 10 / 100;
        if (setup_.fit) {
            const AnalogExtent e = measureAnalog(*s_, false);
            const int pitch = fitPitch(FitRule::Analog, c.W, c.H, e.extent, setup_.pitch);
            const QRect inside = drawFrame(c);
            p.save();
            p.setClipRect(inside);
            draw(p, c, pitch, -(x0 + e.shiftX * pitch), -(y0 + e.shiftY * pitch), false);
            p.restore();
            return;
        }
        // A tile: 85 % of the page from the tile's origin in the whole drawing.
        TileGrid tiles = setup_.tiles;
        tiles.tileWidth = c.W * 85 / 100;
        tiles.tileHeight = c.H * 85 / 100;
        const TileOrigin o = tileOrigin(tiles, page + 1);
        p.save();
        p.setClipRect(QRect(x0, y0, tiles.tileWidth, tiles.tileHeight));
        draw(p, c, setup_.pitch, o.x - x0, o.y - y0, true);
        p.restore();
        drawFrame(c);
    }

private:
    // Blocks, lines, layers and open jump marks at pitch and scroll.
    void draw(QPainter& p, const PageCanvas& c, int pitch, int sx, int sy, bool alternateJumps) const
    {
        c.flush();
        wiring::AnaTanDrawStyle style;
        style.grid = false;
        style.font = c.bodyFont;
        style.font.setPixelSize(std::max(1, pitch * 3 / 4));
        const wiring::AnalogDiagram* d = &s_->diagram;
        p.setFont(style.font);
        for (int b = 0; b < wiring::kLayoutBlocks; ++b) {
            const wiring::DiagramBlock& block = d->blocks[static_cast<std::size_t>(b)];
            if (block.drawn) wiring::DrawBlockSymbol(p, pitch, sx, sy, b, block, style);
        }
        wiring::DrawConnectionLines(p, *d, pitch, sx, sy, true, {}, style);
        if (s_->comments) model::DrawComments(p, *s_->comments, 1, pitch, sx, sy);
        if (s_->figures) model::DrawFigures(p, *s_->figures, 1, pitch, sx, sy);
        wiring::DrawJumps(p, s_->openJumps, *d, pitch, sx, sy, alternateJumps, style);
    }

    std::shared_ptr<const AnalogSnapshot> s_;
    WiringPrintSetup setup_;
};

}  // namespace

AnalogExtent measureAnalog(const AnalogSnapshot& s, bool forCount)
{
    const wiring::AnalogDiagram& d = s.diagram;
    AnalogExtent r;
    if (!forCount) {
        // The most negative position sets the shift, so nothing is cut at the left or top.
        for (const wiring::DiagramBlock& b : d.blocks) {
            if (!b.drawn) continue;
            grow(r.shiftX, -b.x);
            grow(r.shiftY, -b.y);
        }
    }
    int& mx = r.extent.maxX;
    int& my = r.extent.maxY;
    for (int bi = 0; bi < wiring::kLayoutBlocks; ++bi) {
        const wiring::DiagramBlock& b = d.blocks[static_cast<std::size_t>(bi)];
        if (!b.drawn) continue;
        const int x = b.x + r.shiftX, y = b.y + r.shiftY;
        grow(mx, x + wiring::BlockBoxWidth(static_cast<int>(b.inputs.size()), static_cast<int>(b.outputs.size())));
        const int bottom = y + (b.outputs.empty() ? 5 : 8);
        grow(my, bottom);
        for (const wiring::CJumpRecord& j : s.openJumps)
            if (j.block == bi && j.side == 2)
                grow(my, wiring::GetJumpTerminalPos(d, j) + wiring::CountJumpsAtTerminal(s.openJumps, j) + bottom + 3);
        for (const wiring::DiagramInput& in : b.inputs) {
            if (!in.connected) continue;
            for (int i = 0; i < in.line.kind && i < model::kLinePoints; ++i) {
                grow(mx, in.line.px[static_cast<std::size_t>(i)] + r.shiftX);
                grow(my, in.line.py[static_cast<std::size_t>(i)] + r.shiftY);
            }
            if (in.line.text[0] == 0) continue;
            const wiring::DiagramBlock& src = d.blocks[static_cast<std::size_t>(in.sourceBlock)];
            const int below = src.y + r.shiftY + 11;
            if (below <= my) continue;
            wiring::CJumpRecord mark;
            mark.name.assign(in.line.text.data(), ::strnlen(in.line.text.data(), in.line.text.size()));
            mark.side = 2;
            mark.block = in.sourceBlock;
            mark.item = in.sourceItem;
            mark.terminal = in.sourceOutput;
            my = below + wiring::GetJumpTerminalPos(d, mark);
        }
    }
    if (s.comments) {
        const model::Point e = s.comments->GetExtent();
        grow(mx, e.x + r.shiftX);
        grow(my, e.y + r.shiftY);
    }
    if (s.figures) {
        const model::Point e = s.figures->GetExtent();
        grow(mx, e.x + r.shiftX + (forCount ? 1 : 0));
        grow(my, e.y + r.shiftY);
    }
    return r;
}

WiringPrintSetup analogSetup(const AnalogSnapshot& s, bool fit, int scale, int W, int H)
{
    WiringPrintSetup setup;
    setup.fit = fit;
    setup.pitch = std::max(1, printPitch(scale, kLogicalDpi));
    if (!fit) setup.tiles = tileGrid(setup.pitch, measureAnalog(s, true).extent, W, H);
    return setup;
}

std::unique_ptr<PrintDocument> analogDocument(std::shared_ptr<const AnalogSnapshot> s, WiringPrintSetup setup)
{
    return std::make_unique<AnalogDocument>(std::move(s), setup);
}

}  // namespace kravin::print

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
        c.flush();  // the header's rulings go out before the tile's clip is set
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

// ---- Communication terminal connection ----

int pendingAt(const CommSnapshot& s, int station, int card, int index)
{
    int n = 0;
    for (const wiring::comm::JumpMark& m : s.pending)
        if (m.terminal.unit.station == station && m.terminal.unit.card == card && m.terminal.index == index) ++n;
    return n;
}

class CommDocument final : public PrintDocument {
public:
    CommDocument(std::shared_ptr<const CommSnapshot> s, WiringPrintSetup setup) : s_(std::move(s)), setup_(setup) {}
    int pageCount() const override { return setup_.fit ? 1 : std::max(1, setup_.tiles.total); }

    void drawPage(PageCanvas& c, int page) const override
    {
        pageHeader(c, c.text(9758), pageText(c, setup_.fit, page));
        QPainter& p = c.painter;
        const int x0 = c.W * 7 / 100, y0 = c.H * 10 / 100;
        if (setup_.fit) {
            const int pitch = fitPitch(FitRule::Communication, c.W, c.H, measureComm(*s_, false), setup_.pitch);
            drawCommLegend(c, c.R);
            const QRect inside = drawFrame(c);
            p.save();
            p.setClipRect(inside);
            draw(p, c, pitch, -x0, -y0);
            p.restore();
            return;
        }
        TileGrid tiles = setup_.tiles;
        tiles.tileWidth = c.W * 85 / 100;
        tiles.tileHeight = c.H * 85 / 100;
        const TileOrigin o = tileOrigin(tiles, page + 1);
        drawCommLegend(c, c.R);
        p.save();
        p.setClipRect(QRect(x0, y0, tiles.tileWidth, tiles.tileHeight));
        draw(p, c, setup_.pitch, o.x - x0, o.y - y0);
        p.restore();
        drawFrame(c);
    }

private:
    void draw(QPainter& p, const PageCanvas& c, int pitch, int sx, int sy) const
    {
        c.flush();
        if (!s_->table) return;
        const model::CommLinkTable& table = *s_->table;
        wiring::comm::DenTanDrawStyle style;
        style.printing = true;
        style.font = c.bodyFont;
        style.font.setPixelSize(std::max(4, pitch * 3 / 4));
        const auto texts = s_;
        style.stationText = [texts](int station) {
            return station >= 0 && station < model::kStations ? texts->stationTexts[static_cast<std::size_t>(station)]
                                                               : std::string();
        };
        // Stations from 63 down; per station its cards from 15 down, then the station.
        for (int st = model::kStations - 1; st >= 0; --st)
            for (int k = model::kCardSlots; k >= 0; --k) {
                const model::CommLinkSlot& slot = table.slots[static_cast<std::size_t>(st)][static_cast<std::size_t>(k)];
                if (slot.used) wiring::comm::DrawStationCard(p, slot, st, k - 1, pitch, sx, sy, style, {});
            }
        wiring::comm::DrawAllTerminalLinks(p, table, pitch, sx, sy, style);
        if (s_->comments) model::DrawComments(p, *s_->comments, 1, pitch, sx, sy);
        if (s_->figures) model::DrawFigures(p, *s_->figures, 1, pitch, sx, sy);
        wiring::comm::DrawJumpLabels(p, table, s_->pending, pitch, sx, sy, style);
    }

    std::shared_ptr<const CommSnapshot> s_;
    WiringPrintSetup setup_;
};

}  // namespace

void drawCommLegend(PageCanvas& c, int s)
{
    QPainter& p = c.painter;
    const int y = c.H * 72 / 1000, h = s / 2;
    QPen pen(kBlack, 3, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    p.setFont(c.headerFont);
    // A label ends before the next symbol begins.
    const auto label = [&](int x, const char* text) {
        c.textIn(x + s + 20, y, x + c.W * 14 / 100 - s / 2, QString::fromLatin1(text), kBlack);
    };
    for (int column : {8, 22}) {
        const int x = c.W * column / 100;
        p.setPen(pen);
        c.line(x, y, x + h, y - h);
        c.line(x + h, y - h, x + s, y);
        c.line(x + s, y, x + s, y + s);
        c.line(x + s, y + s, x, y + s);
        c.line(x, y + s, x, y);
        if (column == 8) c.line(x, y, x + s, y);
        label(x, column == 8 ? "Analog In" : "Analog Out");
    }
    for (int column : {36, 50}) {
        const int x = c.W * column / 100;
        p.setPen(pen);
        c.line(x, y, x + s, y);
        c.line(x + s, y, x + s, y + s);
        c.line(x + s, y + s, x, y + s);
        c.line(x, y + s, x, y);
        label(x, column == 36 ? "Digital In" : "Digital Out");
    }
    const int x = c.W * 64 / 100;
    c.fill(x, y, std::max(1, s - 16), s, QColor(255, 255, 0));
    p.setPen(QPen(kBlack, 8, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    c.line(x, y, x + s - 16, y);
    c.line(x + s - 16, y, x + s - 16, y + s);
    c.line(x + s - 16, y + s, x, y + s);
    c.line(x, y + s, x, y);
    label(x, "PC");
    c.flush();
}

DiagramExtent measureComm(const CommSnapshot& s, bool forCount)
{
    DiagramExtent r;
    if (!s.table) return r;
    const model::CommLinkTable& table = *s.table;
    int& mx = r.maxX;
    int& my = r.maxY;
    for (int st = 0; st < model::kStations; ++st)
        for (int k = 0; k <= model::kCardSlots; ++k) {
            const model::CommLinkSlot& slot = table.slots[static_cast<std::size_t>(st)][static_cast<std::size_t>(k)];
            if (!slot.used) continue;
            const int X = slot.x, Y = slot.y, card = k - 1;
            grow(mx, X + wiring::comm::kBoxWidth);
            grow(my, Y + 6);
            for (int t = 0; t < model::kCommTerminals; ++t) {
                const model::CommLinkTerminal& term = slot.terminals[static_cast<std::size_t>(t)];
                if (term.kind == 0) continue;
                const bool send = term.kind == 2 || term.kind == 4, analog = term.kind == 3 || term.kind == 4;
                if (t > 7 && send) grow(my, Y + (analog ? 9 : 8));
                if (const int n = pendingAt(s, st, card, t); n > 0) {
                    const int cc = forCount ? (send ? 11 : 9) : (send ? (analog ? 11 : 10) : 8);
                    const int e = forCount ? wiring::comm::CountSharedEnds(table, st, card, t, X + 3 * (t % 8) + 2, Y + 5) : 0;
                    grow(my, Y + n + cc + e);
                }
                if (send || term.link != 1) continue;
                if (term.text[0] != 0) {
                    grow(my, Y + 9);
                    if (const model::CommLinkSlot* src = table.slot(term.sourceStation, term.sourceCard)) {
                        const int ft = term.sourceTerminal - model::kFirstCommTerminal;
                        if (forCount)
                            grow(my, src->y + 12 +
                                         wiring::comm::CountSharedEnds(table, st, card, t,
                                                                       src->x + 3 * (((ft % 8) + 8) % 8) + 2, src->y + 5));
                        else
                            grow(my, src->y + 11 + (analog ? 1 : 0));
                    }
                }
                const int n = wiring::comm::ClampPointCount(term.points);
                for (int i = 0; i < n; ++i) {
                    grow(mx, term.pointX[static_cast<std::size_t>(i)]);
                    grow(my, term.pointY[static_cast<std::size_t>(i)] + 1);
                }
                if (n == 0) grow(my, Y + 7);
            }
        }
    if (s.comments) {
        const model::Point e = s.comments->GetExtent();
        grow(mx, e.x);
        grow(my, e.y + 1);
    }
    if (s.figures) {
        const model::Point e = s.figures->GetExtent();
        grow(mx, e.x + (forCount ? 1 : 0));
        grow(my, e.y + 1);
    }
    return r;
}

WiringPrintSetup commSetup(const CommSnapshot& s, bool fit, int scale, int W, int H)
{
    WiringPrintSetup setup;
    setup.fit = fit;
    setup.pitch = std::max(1, printPitch(scale, kLogicalDpi));
    if (!fit) setup.tiles = tileGrid(setup.pitch, measureComm(s, true), W, H);
    return setup;
}

std::unique_ptr<PrintDocument> commDocument(std::shared_ptr<const CommSnapshot> s, WiringPrintSetup setup)
{
    return std::make_unique<CommDocument>(std::move(s), setup);
}

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

#include "print_pages.h"

#include "font_faces.h"
#include "ladder_paint.h"
#include "text_codec.h"
#include "text_layer_face.h"
#include "validation.h"

#include <QFontMetrics>
#include <QHash>
#include <QPaintDevice>
#include <QPainter>

#include <cmath>
#include <cstdio>

namespace kravin::print {

namespace {

const QColor kBlue(0, 0, 255);
const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kSilver(192, 192, 192);
const QColor kRed(255, 0, 0);

QPen solidPen(const QColor& colour, int width)
{
    QPen pen(colour, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    return pen;
}
QPen penBlack3() { return solidPen(kBlack, 3); }
QPen penBlack5() { return solidPen(kBlack, 5); }
QPen penBlue5() { return solidPen(kBlue, 5); }
QPen penRed1() { return solidPen(kRed, 1); }
QPen penDot()
{
    QPen pen(kBlack, 1, Qt::DotLine);
    return pen;
}

QString num2(int v) { return QString::asprintf("%02d", v); }

// Four connected lines around (x0, y0)-(x1, y1).
void frameRect(const PageCanvas& c, int x0, int y0, int x1, int y1)
{
    c.line(x0, y0, x1, y0);
    c.line(x1, y0, x1, y1);
    c.line(x1, y1, x0, y1);
    c.line(x0, y1, x0, y0);
}

QString modeText(const PageCanvas& c)
{
    if (c.job.bulkMode == 1) return c.text(9740);
    if (c.job.bulkMode == 2) return c.text(9742);
    return {};
}

QString projectLine(const PageCanvas& c) { return c.text(9750) + shown(c.job.projectName); }

// The framed header: the title and the page or date on the first row, the
// project and the job's mode on the second, the unit on a third when given.
// lift lowers the texts of the first two rows.
void drawHeader(PageCanvas& c, const QString& title, const QString& pageText, const QString* unitText, int lift)
{
    QPainter& p = c.painter;
    const int W = c.W, H = c.H, L = c.R;
    const int ya = H * 3 / 100, x8 = W * 8 / 100, x68 = W * 68 / 100, x7 = W * 7 / 100, x65 = W * 65 / 100;
    const int rows = unitText ? 3 : 2;
    p.setFont(c.headerFont);
    c.textOut(x8, ya + lift, title, kBlue);
    c.textOut(x68, ya + lift, pageText, kBlack);
    c.textOut(x8, ya + L + lift, projectLine(c), kBlue);
    if (c.job.bulkMode == 1 || c.job.bulkMode == 2) c.textOut(x68, ya + L, modeText(c), kBlack);
    if (unitText) c.textOut(x8, ya + 2 * L, *unitText, kBlue);
    p.setPen(penBlack5());
    frameRect(c, x7, ya, x65, ya + rows * L);
    for (int row = 1; row < rows; ++row) c.line(x7, ya + row * L, x65, ya + row * L);
}

QString stampAndPage(const PageCanvas& c, const QString& pageText)
{
    return QString::fromStdString(stampText(c.job.stamp)) + QLatin1Char(' ') + pageText;
}

// The header of the system configuration pages.
void drawPageHeader(PageCanvas& c, const QString& title, const QString& pageText)
{
    drawHeader(c, cutTitle(title), stampAndPage(c, pageText), nullptr, 5);
}

// The header of the block list, block setting, sequence and ladder pages.
void drawUnitHeader(PageCanvas& c, const QString& title, const QString& dateText, const QString& unitText)
{
    drawHeader(c, title, dateText, &unitText, 0);
}

// A text of a cell: at (dx, dy) from the cell's top left, kept left of its
// column's right edge (right from the cell's left; 0 the cell's width).
struct CellText {
    int dx = 0, dy = 0;
    QString text;
    QColor colour;
    int right = 0;
    const QFont* font = nullptr;  // else the painter's font
};

// The look of a cell besides its texts.
struct CellLook {
    int pad = 0;                   // room kept between a text and its column's right edge
    const QColor* fill = nullptr;  // drawn first
    const QPen* frame = nullptr;   // the outline, drawn last with the rulings
    std::initializer_list<int> rulings = {};  // columns' left edges from the cell's left
};

// One cell of a page: its fill, its texts fitted to their columns (drawn
// smaller or cut) and its outline with the rulings between the columns.
void drawPageCell(PageCanvas& c, const QRect& box, const CellLook& look, std::initializer_list<CellText> texts)
{
    const int x = box.x(), y = box.y(), w = box.width(), h = box.height();
    if (look.fill) c.fill(x, y, w, h, *look.fill);
    for (const CellText& t : texts) {
        if (t.font) c.painter.setFont(*t.font);
        c.textIn(x + t.dx, y + t.dy, x + (t.right > 0 ? t.right : w) - look.pad, t.text, t.colour);
    }
    if (!look.frame) return;
    c.painter.setPen(*look.frame);
    frameRect(c, x, y, x + w, y + h);
    for (int r : look.rulings) c.line(x + r, y, x + r, y + h);
}

QString bankSuffix(const UnitHeader& unit, int bank, const char* blanks)
{
    return unit.banked() ? QString::fromLatin1(blanks) + QStringLiteral("BANK %1").arg(bank) : QString();
}

// ---- Cover sheet ----

class CoverDocument final : public PrintDocument {
public:
    explicit CoverDocument(CoverSnapshot s) : s_(std::move(s)) {}
    int pageCount() const override { return 1; }
    void drawPage(PageCanvas& c, int) const override
    {
        QPainter& p = c.painter;
        const int W = c.W, H = c.H, r = c.R;
        const int x20 = W * 20 / 100, y20 = H * 20 / 100, x85 = W * 85 / 100;
        p.setFont(c.headerFont);
        c.textOut(W * 68 / 100, H * 3 / 100,
                  QString::fromStdString(stampText(c.job.stamp)) + QString::asprintf("  (%4d)", c.jobPage), kBlack);
        c.textOut(x20, y20, c.text(9751), kBlue);
        c.textOut(x20, y20 + 2 * r, shown(s_.projectName), kBlue);
        const int n = s_.commentLines.empty() ? 1 : static_cast<int>(s_.commentLines.size());
        for (std::size_t i = 0; i < s_.commentLines.size(); ++i)
            if (!s_.commentLines[i].empty())
                c.textOut(W * 25 / 100, y20 + 4 * r + static_cast<int>(i) * r, shown(s_.commentLines[i]), kBlue);
        p.setPen(penBlue5());
        frameRect(c, x20 - r, y20 - r, x85, y20 + (n + 5) * r);
        const int D = W * 61 / 100, E = H * 82 / 100;
        p.setPen(penBlack3());
        for (int y : {E, E + 3 * r, E + 8 * r}) c.line(D, y, D + 15 * r, y);
        c.line(D, E, D, E + 8 * r);
        c.line(D + 15 * r, E, D + 15 * r, E + 8 * r);
        c.line(D + 5 * r, E + 3 * r, D + 5 * r, E + 8 * r);
        c.line(D + 10 * r, E + 3 * r, D + 10 * r, E + 8 * r);
    }

private:
    CoverSnapshot s_;
};

// ---- System configuration ----

class SystemDocument final : public PrintDocument {
public:
    explicit SystemDocument(SystemSnapshot s) : s_(std::move(s)) {}
    int pageCount() const override { return s_.pageCount(); }
    void drawPage(PageCanvas& c, int page) const override
    {
        QPainter& p = c.painter;
        const int W = c.W, H = c.H, R = c.R, F = c.F;
        const QString pageText = c.job.bulkMode != 0 ? QStringLiteral("(%1)").arg(c.jobPage)
                                                     : QStringLiteral("(%1/%2)").arg(page + 1).arg(pageCount());
        drawPageHeader(c, c.text(9752), pageText);
        const int x7 = W * 7 / 100, y0 = H * 8 / 100, pitch = W * 5 / 100 + 2, u = W / 100, x3 = W * 3 / 100,
                  g = W * 3 / 1000, T = 70;
        const QFont font = fontOfHeight(c.bodyFont, T);
        const QPen blue = penBlue5();
        p.setFont(font);
        c.textOut(x7, y0, QStringLiteral("ST"), kBlack);
        for (int i = 0; i < 16; ++i)
            c.textOut(x7 + x3 + 3 * u + (i + 1) * pitch, y0, QString::fromStdString(hexUpper(i, 1)), kBlack);
        const int first = kStationsPerPage * page;
        for (int n = first; n < first + kStationsPerPage && n < static_cast<int>(s_.rows.size()); ++n) {
            const SystemRow& row = s_.rows[n];
            const int y = y0 + (2 * (n - first) + 1) * R;
            p.setFont(font);
            c.textOut(x7, y + R / 2, QString::fromStdString(hexUpper(row.station, 2)), kBlack);
            for (int cell = 0; cell <= model::kCardSlots; ++cell) {
                const int X = cell == 0 ? x7 + x3 : x7 + cell * pitch + x3 + u;
                const QRect box(X, y, pitch - g, 2 * R - g);
                const SystemCell& sc = row.cells[cell];
                if (!sc.used) {
                    drawPageCell(c, box, {g, &kSilver}, {});
                    continue;
                }
                const QString label = shown(sc.label);
                const int length = static_cast<int>(label.size());
                const QFont labelFont =
                    length > 5 ? fontOfHeight(c.bodyFont, std::max(1, T + (5 - length) * 10)) : font;
                // The texts stay inside the cell: the next cell's fill would cover them.
                drawPageCell(c, box, {g, &kSilver, &blue},
                             {{20, F / 3, label, kBlue, 0, &labelFont}, {55, R, shown(sc.version), kBlue}});
            }
        }
    }

private:
    SystemSnapshot s_;
};

// ---- Function block list ----

QString listDateText(const PageCanvas& c)
{
    const QString stamp = QString::fromStdString(stampText(c.job.stamp));
    if (c.job.bulkMode != 0) return stamp + QString::asprintf("  (%4d)", c.jobPage);
    return stamp + QStringLiteral("  (%1/%2)").arg(c.pageIndex + 1).arg(c.pageCount);
}

class BlockListDocument final : public PrintDocument {
public:
    explicit BlockListDocument(BlockListSnapshot s) : s_(std::move(s)) {}
    int pageCount() const override { return s_.pageCount(); }
    void drawPage(PageCanvas& c, int page) const override
    {
        drawUnitHeader(c, c.text(9753), listDateText(c),
                       QString::fromStdString(unitLine(s_.unit)) + bankSuffix(s_.unit, s_.bank, "   "));
        if (page == 0)
            drawMap(c);
        else
            drawList(c, page);
    }

private:
    bool skipped(int b) const
    {
        if (b == 0 && s_.block0Hidden) return true;
        if (s_.unit.banked()) {
            const bool special = model::GetSpecialBlockIndex(b) != 0;
            if (s_.bank == 0 && special) return true;
            if (s_.bank == 2 && !special) return true;
        }
        return false;
    }

    void drawMap(PageCanvas& c) const
    {
        const int W = c.W, H = c.H, F = c.F;
        const int x7 = W * 7 / 100, y10 = H * 10 / 100, g = W * 5 / 1000, px = W * 9 / 100, py = H * 4 / 100;
        const QPen blue = penBlue5();
        for (int b = 0; b < model::kGroups; ++b) {
            if (skipped(b) || s_.valid[b] <= 0) continue;
            const int d = s_.bank == 2 ? model::GetSpecialBlockIndex(b) - 100 : b;
            if (d < 0) continue;
            const QRect box(x7 + (d / 10) * px, y10 + (d % 10) * py, px - g, py - g);
            const CellText group{g, g, QLatin1Char('G') + num2(d), kBlue, 0, &c.bodyFont};
            if (s_.codes[b].empty()) {
                drawPageCell(c, box, {g / 2, &kSilver}, {group});
                continue;
            }
            const QString code = QString::fromStdString(blockText(s_.codes[b]));
            drawPageCell(c, box, {g / 2, &kSilver, &blue}, {group, {2 * g, F + 2 * g, code, kBlue, 0, &c.headerFont}});
        }
    }

    void row(PageCanvas& c, int group, int x, int y) const
    {
        const int W = c.W, H = c.H;
        const int g = W * 5 / 1000, w1 = W * 4 / 100, w2 = W * 8 / 100, w = W * 43 / 100, h = H * 2 / 100;
        const bool shownBlock = !(s_.block0Hidden && group == 0) && s_.valid[group] > 0;
        const QPen black = penBlack3();
        // Each text stays left of the ruling that ends its column.
        const QString code = shownBlock ? QString::fromStdString(blockText(s_.codes[group])) : QString();
        drawPageCell(c, QRect(x, y, w, h), {g / 2, nullptr, &black, {w1, w1 + w2}},
                     {{g, g, QLatin1Char('G') + num2(groupLabel(group, s_.bank)), kBlue, w1},
                      {w1 + g, g, code, kBlue, w1 + w2},
                      {w1 + w2 + g, g, shownBlock ? shown(s_.names[group]) : QString(), kBlack}});
    }

    void drawList(PageCanvas& c, int page) const
    {
        QPainter& p = c.painter;
        const int W = c.W, H = c.H;
        const int x7 = W * 7 / 100, y10 = H * 10 / 100, g = W * 5 / 1000, a = H * 2 / 100, x2 = x7 + W * 45 / 100;
        p.setFont(c.headerFont);
        auto caption = [&](int x, int k, int id) { c.textOut(x + g, y10 + k * a + g, c.text(id), kBlue); };
        auto groups = [&](int x, int k, int from, int to) {
            for (int group = from; group <= to; ++group, ++k) row(c, group, x, y10 + k * a);
        };
        if (page == 1 && s_.bank != 0) {
            caption(x7, 0, 9770);
            for (std::size_t i = 0; i < model::SpecialGroupTable.size(); ++i)
                row(c, model::SpecialGroupTable[i], x7, y10 + static_cast<int>(i + 1) * a);
            return;
        }
        if (page == 1) {
            caption(x7, 0, 9760);
            groups(x7, 1, 0, 0);
            caption(x7, 3, 9761);
            groups(x7, 4, 1, 1);
            caption(x7, 6, 9762);
            groups(x7, 7, 2, 3);
            if (s_.modelCode != 0 || s_.unit.model.rfind("V8RTU", 0) == 0) {
                caption(x7, 10, s_.unit.model.rfind("V8RTU", 0) == 0 ? 9771 : 9772);
                groups(x7, 11, 4, 10);
                caption(x7, 19, 9763);
                groups(x7, 20, 11, 26);
            } else {
                caption(x7, 10, 9763);
                groups(x7, 11, 11, 26);
            }
            caption(x2, 0, 9764);
            groups(x2, 1, 30, 61);
            caption(x2, 34, 9765);
            groups(x2, 35, 62, 69);
            return;
        }
        caption(x7, 0, 9766);
        groups(x7, 1, 72, 79);
        caption(x7, 10, 9767);
        groups(x7, 11, 80, 80);
        caption(x7, 13, 9768);
        groups(x7, 14, 81, 92);
        caption(x7, 27, 9769);
        groups(x7, 28, 97, 98);
    }

    BlockListSnapshot s_;
};

// ---- Function block settings ----

struct SettingColumns {
    int xA, xB, xC, xD, xE, lh, y10, u, v;
    explicit SettingColumns(const PageCanvas& c)
    {
        xA = c.W * 7 / 100;
        xB = xA + c.W * 4 / 100;
        xC = xB + c.W * 50 / 100;
        xD = xC + c.W * 24 / 100;
        xE = xD + c.W * 10 / 100;
        lh = c.H * 2 / 100;
        y10 = c.H * 10 / 100;
        u = c.W / 100;
        v = c.W * 3 / 1000;
    }
};

void drawSettingLine(PageCanvas& c, const SettingColumns& k, const SettingLine& line, int y)
{
    QPainter& p = c.painter;
    const QRect box(k.xA, y, k.xE - k.xA, k.lh);
    const int u = k.u, v = k.v, b = k.xB - k.xA, cc = k.xC - k.xA, d = k.xD - k.xA;
    if (line.kind == SettingLine::Group) {
        const QString group = QLatin1Char('G') + num2(line.number) + QStringLiteral("  ") + shown(line.name);
        drawPageCell(c, box, {u / 2}, {{u, v, group, kBlue}});
        return;
    }
    const bool item = line.kind == SettingLine::Item;
    // The rulings are dotted and open at the right of a terminal line: drawn here, not as an outline.
    drawPageCell(c, box, {u / 2},
                 {{u, v, num2(line.number), kBlue, b},
                  {b + u, v, shown(line.name), kBlack, cc},
                  {cc + u, v, shown(line.value), kBlue, d},
                  {d + u, v, item ? shown(line.extra) : QString(), kBlack}});
    p.setPen(penDot());
    const int right = item ? k.xE : k.xD;
    c.line(k.xA, y, right, y);
    c.line(k.xA, y + k.lh, right, y + k.lh);
    for (int x : {k.xA, k.xB, k.xC, k.xD}) c.line(x, y, x, y + k.lh);
    if (item) c.line(k.xE, y, k.xE, y + k.lh);
}

class BlockSettingDocument final : public PrintDocument {
public:
    explicit BlockSettingDocument(BlockSettingSnapshot s) : s_(std::move(s)) {}
    int pageCount() const override { return s_.pageCount(); }
    void drawPage(PageCanvas& c, int page) const override
    {
        const QString unit = QString::fromStdString(unitLine(s_.unit)) + bankSuffix(s_.unit, s_.bank, "  ") +
                             QStringLiteral("  G") + num2(s_.groupLabel) + QStringLiteral("  ") +
                             QString::fromStdString(s_.blockText);
        drawUnitHeader(c, c.text(9757), listDateText(c), unit);
        c.painter.setFont(c.headerFont);
        const SettingColumns k(c);
        const int first = kSettingLinesPerPage * page;
        for (int n = first; n < first + kSettingLinesPerPage && n < static_cast<int>(s_.lines.size()); ++n)
            drawSettingLine(c, k, s_.lines[n], k.y10 + (n - first) * k.lh);
    }

private:
    BlockSettingSnapshot s_;
};

class SettingFlowDocument final : public PrintDocument {
public:
    explicit SettingFlowDocument(SettingFlowSnapshot s) : s_(std::move(s)) {}
    int pageCount() const override { return s_.pageCount(); }
    void drawPage(PageCanvas& c, int page) const override
    {
        const SettingPage* sp = page >= 0 && page < static_cast<int>(s_.pages.size()) ? &s_.pages[page] : nullptr;
        const QString unit = QString::fromStdString(unitLine(s_.unit)) +
                             bankSuffix(s_.unit, sp ? sp->bank : 0, "  ") + QStringLiteral("  ");
        drawUnitHeader(c, c.text(9757), listDateText(c), unit);
        if (!sp) return;
        c.painter.setFont(c.headerFont);
        const SettingColumns k(c);
        for (std::size_t n = 0; n < sp->lines.size(); ++n)
            drawSettingLine(c, k, sp->lines[n], k.y10 + static_cast<int>(n) * k.lh);
    }

private:
    SettingFlowSnapshot s_;
};

// ---- Sequential control blocks ----

int digits2(const model::StepCode& code, int at)
{
    const char a = code[at], b = code[at + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9') return -1;
    return (a - '0') * 10 + (b - '0');
}

class SequenceDocument final : public PrintDocument {
public:
    explicit SequenceDocument(SequenceSnapshot s) : s_(std::move(s)) {}
    int pageCount() const override { return 1; }
    void drawPage(PageCanvas& c, int) const override
    {
        QPainter& p = c.painter;
        QString date = QString::fromStdString(stampText(c.job.stamp));
        if (c.job.bulkMode != 0) date += QString::asprintf("  (%4d)", c.jobPage);
        drawUnitHeader(c, c.text(9755), date, QString::fromStdString(unitLine(s_.unit)));
        const int W = c.W, H = c.H, R = c.R;
        const int x7 = W * 7 / 100, y10 = H * 10 / 100, cp = W * 76 / 1000, rp = H * 4 / 100, g = W * 12 / 1000,
                  y1 = y10 + R;
        p.setFont(c.bodyFont);
        for (int k = 0; k < model::kSeqGroupCount; ++k)
            drawPageCell(c, QRect(x7 + k * cp, y10, cp, rp), {g / 2},
                         {{g / 2, 0, QStringLiteral("Group%1").arg(81 + k), kBlack}});
        for (int k = 0; k < model::kSeqGroupCount; ++k) {
            int j = 0;
            for (const model::StepCode& code : s_.steps.rows[k]) {
                const int n = stepNumber(code);
                if (n < 0) continue;
                if (n != 0 && j == 0) j = 1;
                drawPageCell(c, QRect(x7 + k * cp, y1 + j * rp, cp - g, rp - g), {g / 4, &kSilver},
                             {{g, g, QStringLiteral("Step") + num2(n), kBlue}});
                ++j;
            }
        }
        p.setPen(penRed1());
        p.setBrush(kRed);
        for (int k = 0; k < model::kSeqGroupCount; ++k) {
            int j = 0;
            bool haveSource = false;
            int sx = 0, sy = 0;
            for (const model::StepCode& code : s_.steps.rows[k]) {
                const int n = stepNumber(code);
                if (n >= 0) {
                    if (n != 0 && j == 0) j = 1;
                    sx = x7 + (k + 1) * cp - g;
                    sy = y1 + j * rp + (rp - g) / 2;
                    haveSource = true;
                    ++j;
                    continue;
                }
                if (digits2(code, 0) != 12 || !haveSource) continue;  // a jump before any step has no source
                const int tg = digits2(code, 2), ts = digits2(code, 4);
                if (tg < 0 || ts < 0) continue;
                int target = k;
                if (tg != 0 && tg != 81 + k) {
                    if (tg < 81 || tg > 92 || ts < 1 || ts > 19) continue;
                    target = tg - 81;
                }
                const int slot = findStep(target, ts);
                if (slot >= 0) c.line(sx, sy, x7 + target * cp, y1 + slot * rp + (rp - g) / 2);
            }
        }
        p.setBrush(Qt::NoBrush);
    }

private:
    static int stepNumber(const model::StepCode& code)
    {
        return digits2(code, 0) == 13 ? std::max(0, digits2(code, 4)) : -1;
    }
    int findStep(int column, int step) const
    {
        int j = 0;
        for (const model::StepCode& code : s_.steps.rows[column]) {
            const int n = stepNumber(code);
            if (n < 0) continue;
            if (n != 0 && j == 0) j = 1;
            if (n == step) return j;
            ++j;
        }
        return -1;
    }

    SequenceSnapshot s_;
};

// ---- Ladder ----

class LadderDocument final : public PrintDocument {
public:
    explicit LadderDocument(LadderSnapshot s) : s_(std::move(s)) {}
    int pageCount() const override { return s_.pageCount(); }
    void drawPage(PageCanvas& c, int page) const override
    {
        QPainter& p = c.painter;
        drawUnitHeader(c, c.text(9756), listDateText(c),
                       QString::fromStdString(unitLine(s_.unit)) + QStringLiteral("  G") + num2(s_.group) +
                           QStringLiteral("  "));
        const int W = c.W, H = c.H;
        const int x0 = W * 7 / 100, y0 = H * 10 / 100, cw = W * 94 / 1000, K = W * 5 / 1000;
        const int rh = s_.comments ? H * 60 / 1000 : H * 35 / 1000;
        const int n = s_.comments ? kLadderRowsWithComments : kLadderRowsPlain;
        p.setPen(penBlack5());
        c.line(x0, y0, x0, y0 + (n + 1) * rh - rh / 2);
        c.line(x0 + 9 * cw, y0, x0 + 9 * cw, y0 + (n + 1) * rh - rh / 2);
        const ladder::LadderGrid& grid = s_.grid;
        for (int r = page * n; r < (page + 1) * n && r < s_.firstEmpty; ++r) {
            const int y = y0 + (r - page * n) * rh + rh / 2;
            for (int j = 0; j < ladder::kLadderCols; ++j) drawCell(c, grid.g_ladderCells[r][j], r, j, x0 + j * cw, y, cw, K);
            drawCoil(c, grid.g_ladderCoils[r], r, x0 + 8 * cw, y, cw, K);
            p.setPen(penBlack5());
            for (int j = 0; j < 8; ++j)
                if (grid.Link(r, j)) c.line(x0 + (j + 1) * cw, y, x0 + (j + 1) * cw, y + rh);
        }
        if (page >= 1) {
            p.setPen(penBlack5());
            for (int j = 0; j < 8; ++j)
                if (grid.Link(page * n - 1, j)) c.line(x0 + (j + 1) * cw, y0 + rh / 2, x0 + (j + 1) * cw, y0);
        }
    }

private:
    void comment(PageCanvas& c, int r, int col, int x, int y, int cw, int K, const QColor& colour) const
    {
        if (!s_.comments || r >= static_cast<int>(s_.commentTexts.size())) return;
        const std::string& text = s_.commentTexts[r][col];
        if (text.empty()) return;
        // Broken into the lines the ladder view shows, one under the other.
        c.painter.setFont(c.headerFont);
        const QFontMetricsF metrics(c.headerFont, c.painter.device());
        const int step = qRound(metrics.ascent() + metrics.descent());
        const QStringList lines = ladder::LadderCommentLines(shown(text), ladder::LadderFont());
        for (int i = 0; i < lines.size(); ++i)
            c.textIn(x + K, y + 4 * K + i * step, x + cw - K, lines[i], colour);
    }

    void drawCell(PageCanvas& c, int32_t v, int r, int j, int x, int y, int cw, int K) const
    {
        QPainter& p = c.painter;
        if (v == ladder::kCellEmpty || v < -2) return;
        if (v == ladder::kCellWire) {
            p.setPen(penBlack5());
            c.line(x, y, x + cw, y);
            return;
        }
        p.setFont(c.bodyFont);
        if (v < 10000) {
            drawLadderSymbol(p, 0, x, y, cw);
            c.textOut(x + 7 * K, y - K, QStringLiteral("END"), kBlack);
        } else if (v < 70000) {
            drawLadderSymbol(p, ladder::ValueKind(v) % 2 == 1 ? 1 : 2, x, y, cw);
            c.textOut(x + cw / 2 - 2 * K, y - 5 * K, num2((v % 10000) / 100) + num2(v % 100), kBlack);
            comment(c, r, j, x, y, cw, K, kBlack);
        } else if (v < 140000) {
            drawLadderSymbol(p, 0, x, y, cw);
            c.textOut(x + 5 * K, y - K, QStringLiteral("STEP") + num2(v % 100), kBlue);
        } else if (v < 150000) {
            drawLadderSymbol(p, 0, x, y, cw);
            c.textOut(x + 8 * K, y - K, QStringLiteral("TIM"), kBlack);
            c.textOut(x + cw / 2 - 4 * K, y - 5 * K, QString::asprintf("%01d:%03d", (v % 10000) / 1000, v % 1000),
                      kBlack);
        } else {
            drawLadderSymbol(p, 0, x, y, cw);
            c.textOut(x + 7 * K, y - K, QStringLiteral("NOP"), kBlack);
        }
    }

    void drawCoil(PageCanvas& c, int32_t v, int r, int x, int y, int cw, int K) const
    {
        QPainter& p = c.painter;
        if (v == ladder::kCoilWire) {
            p.setPen(penBlack5());
            c.line(x, y, x + cw, y);
            return;
        }
        if (v < 70000 || v >= 130000) return;
        static const char* const kMnemonics[] = {"OT", "NO", "ON", "OF", "SH", "BR"};
        drawLadderSymbol(p, 3, x, y, cw);
        p.setFont(c.bodyFont);
        c.textOut(x + cw / 2 - 2 * K, y - K, QString::fromLatin1(kMnemonics[v / 10000 - 7]), kBlue);
        c.textOut(x + cw / 2 - 2 * K, y - 5 * K, num2((v % 10000) / 100) + num2(v % 100), kBlue);
        if (v < 120000) comment(c, r, ladder::kLadderCols, x, y, cw, K, kBlue);
    }

    LadderSnapshot s_;
};

// An elliptic arc of rect drawn counterclockwise from the radial through
// start to the radial through end.
void arcThrough(QPainter& p, const QRectF& rect, QPointF start, QPointF end)
{
    const QPointF centre = rect.center();
    const double rx = std::max(1.0, rect.width() / 2), ry = std::max(1.0, rect.height() / 2);
    auto angle = [&](QPointF pt) {
        return std::atan2(-(pt.y() - centre.y()) / ry, (pt.x() - centre.x()) / rx) * 180.0 / M_PI;
    };
    const double a0 = angle(start);
    double span = angle(end) - a0;
    while (span <= 0) span += 360;
    p.drawArc(rect, static_cast<int>(std::lround(a0 * 16)), static_cast<int>(std::lround(span * 16)));
}

}  // namespace

void PageCanvas::textOut(int x, int y, const QString& s, const QColor& fg) const
{
    if (s.isEmpty()) return;
    painter.setPen(fg);
    // Texts sit on their cell's own colour, drawn before them: no background box.
    if (painter.font() != ascentFont_) {
        ascentFont_ = painter.font();
        ascent_ = painter.fontMetrics().ascent();
    }
    painter.drawText(x, y + ascent_, s);
}

void PageCanvas::textIn(int x, int y, int right, const QString& s, const QColor& fg) const
{
    const int room = right - x;
    if (s.isEmpty() || room <= 0) return;
    const QFont base = painter.font();
    const QFontMetricsF metrics(base, painter.device());
    const qreal width = metrics.horizontalAdvance(s);
    if (width <= room) {
        textOut(x, y, s, fg);
        return;
    }
    QFont smaller = base;
    const int size = base.pixelSize() > 0 ? base.pixelSize() : std::max(1, qRound(metrics.height()));
    smaller.setPixelSize(std::max({1, size * 3 / 4, static_cast<int>(size * room / width)}));
    const QFontMetricsF small(smaller, painter.device());
    QString cut = s;
    while (!cut.isEmpty() && small.horizontalAdvance(cut) > room) {
        cut.chop(1);
        if (!cut.isEmpty() && cut.back().isHighSurrogate()) cut.chop(1);
    }
    if (cut.isEmpty()) return;
    // The smaller text keeps the line's baseline.
    if (base != ascentFont_) {
        ascentFont_ = base;
        ascent_ = painter.fontMetrics().ascent();
    }
    painter.setPen(fg);
    painter.setFont(smaller);
    painter.drawText(x, y + ascent_, cut);
    painter.setFont(base);
}

void PageCanvas::line(int x0, int y0, int x1, int y1) const
{
    if (!pending_.isEmpty() && painter.pen() != pendingPen_) flush();
    pendingPen_ = painter.pen();
    if (pending_.isEmpty() || pending_.currentPosition() != QPointF(x0, y0)) pending_.moveTo(x0, y0);
    pending_.lineTo(x1, y1);
}

void PageCanvas::fill(int x, int y, int w, int h, const QColor& colour) const
{
    flush();
    painter.fillRect(x, y, w, h, colour);
}

void PageCanvas::flush() const
{
    if (pending_.isEmpty()) return;
    painter.strokePath(pending_, pendingPen_);
    pending_ = QPainterPath();
}

QString printFontFamily(res::Language language)
{
    return language == res::Language::Japanese ? res::japaneseFontFamily() : res::latinFontFamily();
}

namespace {

// Japanese pages take their Latin letters and digits from the Latin face too.
QFont pageFont(res::Language language)
{
    QFont font;
    if (language == res::Language::Japanese) {
        // The kanji come from a copy of the CJK face whose character map
        // gives the PDF's text layer the kanji, not the radicals.
        const QString cjk = printFontFamily(language);
        const QString textLayer = textLayerFamily(cjk);
        font.setFamilies(textLayer.isEmpty() ? QStringList{res::latinFontFamily(), cjk}
                                             : QStringList{res::latinFontFamily(), textLayer, cjk});
    } else {
        font.setFamily(printFontFamily(language));
    }
    return font;
}

}  // namespace

QFont fontOfHeight(QFont font, int height)
{
    // Line height per em of the font's first family, measured once.
    static QHash<QString, qreal> perEm;
    const QString key = font.families().join(QLatin1Char(','));
    auto it = perEm.find(key);
    if (it == perEm.end()) {
        QFont probe = font;
        probe.setPixelSize(1000);
        const QFontMetricsF m(probe);
        it = perEm.insert(key, std::max<qreal>(0.5, (m.ascent() + m.descent()) / 1000));
    }
    font.setPixelSize(std::max(1, static_cast<int>(height / it.value())));
    return font;
}

QFont printHeaderFont(res::Language language)
{
    QFont font = fontOfHeight(pageFont(language), 100);
    font.setWeight(QFont::Normal);
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

QFont printBodyFont(res::Language language, int W)
{
    QFont font = fontOfHeight(pageFont(language), std::max(1, W / 72));
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

QString shown(std::string_view cp932) { return model::cp932ToQString(cp932); }

QString cutTitle(const QString& title)
{
    const std::string bytes = model::qstringToCp932(title);
    return shown(model::trimDbcs(bytes, kTitleBytes));
}

std::unique_ptr<PrintDocument> coverDocument(CoverSnapshot s) { return std::make_unique<CoverDocument>(std::move(s)); }
std::unique_ptr<PrintDocument> systemDocument(SystemSnapshot s) { return std::make_unique<SystemDocument>(std::move(s)); }
std::unique_ptr<PrintDocument> blockListDocument(BlockListSnapshot s)
{
    return std::make_unique<BlockListDocument>(std::move(s));
}
std::unique_ptr<PrintDocument> blockSettingDocument(BlockSettingSnapshot s)
{
    return std::make_unique<BlockSettingDocument>(std::move(s));
}
std::unique_ptr<PrintDocument> settingFlowDocument(SettingFlowSnapshot s)
{
    return std::make_unique<SettingFlowDocument>(std::move(s));
}
std::unique_ptr<PrintDocument> sequenceDocument(SequenceSnapshot s)
{
    return std::make_unique<SequenceDocument>(std::move(s));
}
std::unique_ptr<PrintDocument> ladderDocument(LadderSnapshot s) { return std::make_unique<LadderDocument>(std::move(s)); }

void pageHeader(PageCanvas& c, const QString& title, const QString& pageText) { drawPageHeader(c, title, pageText); }

void stationCardCaption(PageCanvas& c, const QString& title, const QString& pageText, const QString& unitText)
{
    drawHeader(c, cutTitle(title), stampAndPage(c, pageText), &unitText, 5);
}

void renderPage(QPainter& painter, const QPaintDevice& device, const PrintDocument& document, int page,
                const JobInfo& job, res::Language language, int jobPage)
{
    const double sx = device.logicalDpiX() / double(kLogicalDpi), sy = device.logicalDpiY() / double(kLogicalDpi);
    painter.save();
    painter.resetTransform();
    painter.scale(sx, sy);
    PageCanvas c{painter, 0, 0, 0, 0, QFont(), QFont(), JobInfo{}};
    c.W = static_cast<int>(device.width() / sx);
    c.H = static_cast<int>(device.height() / sy);
    c.R = c.H / 64;
    c.F = c.W / 72;
    c.headerFont = printHeaderFont(language);
    c.bodyFont = printBodyFont(language, c.W);
    c.job = job;
    c.language = language;
    c.pageIndex = page;
    c.pageCount = document.pageCount();
    c.jobPage = jobPage;
    painter.setBrush(Qt::NoBrush);
    document.drawPage(c, page);
    c.flush();
    painter.restore();
}

void drawLadderSymbol(QPainter& p, int type, int x, int y, int w)
{
    p.setPen(penBlack5());
    const int d = w / 8, y1 = y - d, y2 = y + d, e = x + w / 5, f = x + w - w / 5, s = w / 12;
    switch (type) {
    case 0:
        p.drawLine(x, y, e, y);
        p.drawLine(e, y1, e, y2);
        p.drawLine(e, y2, e + s, y2);
        p.drawLine(e, y1, e + s, y1);
        p.drawLine(x + w, y, f, y);
        p.drawLine(f, y1, f, y2);
        p.drawLine(f, y2, f - s, y2);
        p.drawLine(f, y1, f - s, y1);
        break;
    case 1:
    case 2: {
        const int a = w / 2 - s;
        p.drawLine(x, y, x + a, y);
        p.drawLine(x + a, y1, x + a, y2);
        p.drawLine(x + w - a, y1, x + w - a, y2);
        p.drawLine(x + w, y, x + w - a, y);
        if (type == 2) {
            p.setPen(penBlack3());
            p.drawLine(x + w - (w / 2 - d), y1, x + w / 2 - d, y2);
        }
        break;
    }
    case 3:
        p.drawLine(x, y, x + d, y);
        arcThrough(p, QRectF(QPointF(x + d, y1), QPointF(x + w / 3, y2)), QPointF(e, y1), QPointF(e, y2));
        p.drawLine(x + w, y, x + w - d, y);
        arcThrough(p, QRectF(QPointF(x + w - w / 3, y1), QPointF(x + w - d, y2)), QPointF(f, y2), QPointF(f, y1));
        break;
    default: break;
    }
}

}  // namespace kravin::print

// The printed pages. Each page is drawn with a QPainter into a fixed logical
// page of 600 dots per inch that is scaled onto the device, so the lengths of
// the layouts look the same on a printer, in a PDF and in the preview.
#pragma once

#include "print_model.h"
#include "string_table.h"

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QPen>
#include <QString>

#include <memory>

class QPainter;
class QPaintDevice;

namespace kravin::print {

constexpr int kLogicalDpi = 600;

// Everything one page is drawn with: the painter (already scaled), the page
// metrics in logical dots, the two page fonts and the job.
struct PageCanvas {
    QPainter& painter;
    int W = 0, H = 0;   // printable area
    int R = 0;          // row height H / 64
    int F = 0;          // font height W / 72
    QFont headerFont;
    QFont bodyFont;
    JobInfo job;
    res::Language language = res::Language::English;
    int pageIndex = 0;     // page of the document, from 0
    int pageCount = 1;     // pages of the document
    int jobPage = 1;       // pages of the job so far, this one included

    // Drawing state kept across the calls of one page.
    mutable QFont ascentFont_{};        // font whose ascent is ascent_
    mutable int ascent_ = 0;
    mutable QPainterPath pending_{};    // lines not stroked yet
    mutable QPen pendingPen_{};

    QString text(int id) const { return res::qmessage(id, language); }
    // Text whose top left is at (x, y).
    void textOut(int x, int y, const QString& s, const QColor& fg) const;
    // Text of a cell whose top left is at (x, y), kept left of right: a text
    // wider than the room is drawn smaller (down to 3/4 of the font's size)
    // and beyond that cut after its last whole character that fits.
    void textIn(int x, int y, int right, const QString& s, const QColor& fg) const;
    // A line with the painter's pen. Lines of one pen are gathered into one
    // path and stroked when the pen changes, before a fill and at the page's end.
    void line(int x0, int y0, int x1, int y1) const;
    void fill(int x, int y, int w, int h, const QColor& colour) const;
    void flush() const;
};

// The font face of the printed pages in a language.
QString printFontFamily(res::Language language);
// The font at the size whose lines (ascent and descent) are height dots:
// the heights the page layouts give are line heights, not em sizes.
QFont fontOfHeight(QFont font, int height);
// Page fonts of a page of width W.
QFont printHeaderFont(res::Language language);
QFont printBodyFont(res::Language language, int W);
// A CP932 text to show.
QString shown(std::string_view cp932);
// A title cut to 32 bytes as the project files count them, never inside a character.
QString cutTitle(const QString& title);

// One document of a job: its page count and each page on demand.
class PrintDocument {
public:
    virtual ~PrintDocument() = default;
    virtual int pageCount() const = 0;
    virtual void drawPage(PageCanvas& canvas, int page) const = 0;
};

std::unique_ptr<PrintDocument> coverDocument(CoverSnapshot snapshot);
std::unique_ptr<PrintDocument> systemDocument(SystemSnapshot snapshot);
std::unique_ptr<PrintDocument> blockListDocument(BlockListSnapshot snapshot);
std::unique_ptr<PrintDocument> blockSettingDocument(BlockSettingSnapshot snapshot);
std::unique_ptr<PrintDocument> settingFlowDocument(SettingFlowSnapshot snapshot);
std::unique_ptr<PrintDocument> sequenceDocument(SequenceSnapshot snapshot);
std::unique_ptr<PrintDocument> ladderDocument(LadderSnapshot snapshot);

// The framed page header of the system configuration and communication pages.
void pageHeader(PageCanvas& canvas, const QString& title, const QString& pageText);
// The same header with a third row naming the unit (analog connection pages).
void stationCardCaption(PageCanvas& canvas, const QString& title, const QString& pageText, const QString& unitText);

// Sets the painter up for one page of a device (logical 600 dpi) and draws
// page of document. jobPage counts the pages of the job, this one included.
void renderPage(QPainter& painter, const QPaintDevice& device, const PrintDocument& document, int page,
                const JobInfo& job, res::Language language, int jobPage);

// The drawing of the ladder symbols: 0 instruction box, 1 normally open,
// 2 normally closed, 3 coil, in a cell of width w at (x, centre line y).
void drawLadderSymbol(QPainter& painter, int type, int x, int y, int w);

}  // namespace kravin::print

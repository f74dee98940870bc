// The printed pages drawn offscreen: into images (pages in any order) and into
// PDF files read back with pdftotext.
#include "print_job.h"
#include "ladder_paint.h"
#include "print_pages.h"
#include "text_layer_face.h"

#include "qt_app.h"
#include "temp_dir.h"
#include "text_codec.h"

#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>

namespace kravin::print {
namespace {

// A page image at 100 dots per inch of an A4 page without margins.
QImage pageImage(const PrintDocument& doc, int page, const JobInfo& job)
{
    QImage image(827, 1169, QImage::Format_RGB32);
    image.setDotsPerMeterX(3937);
    image.setDotsPerMeterY(3937);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderPage(painter, image, doc, page, job, res::Language::English, page + 1);
    return image;
}

// The text of a PDF file, one entry a page.
std::vector<std::string> pdfPages(const std::string& path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QString::fromStdString(path), QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(60000));
    const std::string text = p.readAllStandardOutput().toStdString();
    std::vector<std::string> pages;
    std::size_t from = 0;
    for (std::size_t ff; (ff = text.find('\f', from)) != std::string::npos; from = ff + 1)
        pages.push_back(text.substr(from, ff - from));
    return pages;
}

// Runs of blanks read back as one blank (pdftotext lays words out by position).
std::string squeezed(const std::string& text)
{
    std::string out;
    std::string plain = text;
    for (std::size_t at; (at = plain.find("ﬁ")) != std::string::npos;) plain.replace(at, std::string("ﬁ").size(), "fi");
    for (char c : plain)
        if (c != ' ' || out.empty() || out.back() != ' ') out += c;
    return out;
}

bool has(const std::string& text, const std::string& part)
{
    return squeezed(text).find(squeezed(part)) != std::string::npos;
}

JobInfo job(int bulkMode = 0)
{
    JobInfo j;
    j.stamp = 1700000000;
    j.bulkMode = bulkMode;
    j.projectName = "Plant";
    return j;
}

// Prints documents into one PDF file and reads it back.
std::vector<std::string> printToPdf(const std::string& path, std::vector<std::unique_ptr<PrintDocument>> docs,
                                    const JobInfo& info, res::Language language = res::Language::English)
{
    QPdfWriter writer(QString::fromStdString(path));
    writer.setResolution(300);
    PrintJob pdf(info, language);
    for (auto& d : docs) pdf.add(QString(), std::move(d));
    EXPECT_TRUE(pdf.run(writer));
    return pdfPages(path);
}

SystemSnapshot usedStations(int count)
{
    SystemSnapshot snap;
    for (int s = 0; s < count; ++s) {
        SystemRow row;
        row.station = s;
        row.cells[0] = {true, "QV200", "1.00"};
        row.cells[11] = {true, "KMQ", "1.00"};
        snap.rows.push_back(row);
    }
    return snap;
}

LadderSnapshot ladderRows(int rows)
{
    LadderSnapshot snap;
    snap.group = 81;
    for (int r = 0; r < rows; ++r) {
        snap.grid.Cell(r, 0) = ladder::MakeValue(1 + r % 2, r % 100, 1);
        snap.grid.Cell(r, 1) = ladder::kCellWire;
        snap.grid.g_ladderCoils[r] = ladder::MakeValue(7, r % 100, 2);
        if (r % 5 == 0) snap.grid.SetLink(r, 0, true);
    }
    snap.grid.Cell(3, 2) = ladder::MakeTimerValue(1, 250);
    snap.grid.Cell(4, 2) = ladder::MakeStepValue(5);
    snap.firstEmpty = firstEmptyLadderRow(snap.grid);
    return snap;
}

BlockSettingSnapshot settingLines(int n)
{
    BlockSettingSnapshot snap;
    snap.blockText = "CTL(01)";
    for (int i = 0; i < n; ++i) snap.lines.push_back({SettingLine::Item, i, "Item " + std::to_string(i), "1.5", "s"});
    return snap;
}

// A page image at 300 dots per inch (A4 without margins) and probes in
// logical 600-dpi page units.
struct Page300 {
    QImage image{2480, 3508, QImage::Format_RGB32};
    explicit Page300(const PrintDocument& doc, int page = 0, bool smooth = false)
    {
        image.setDotsPerMeterX(11811);
        image.setDotsPerMeterY(11811);
        image.fill(Qt::white);
        QPainter painter(&image);
        // Lines thinner than a pixel show only when smoothed.
        painter.setRenderHint(QPainter::Antialiasing, smooth);
        renderPage(painter, image, doc, page, JobInfo{}, res::Language::English, 1);
    }
    int W() const { return image.width() * 2; }
    int H() const { return image.height() * 2; }
    // Pixels of a colour in the logical rectangle.
    int count(int x, int y, int w, int h, QColor colour) const
    {
        int n = 0;
        for (int py = y / 2; py <= (y + h) / 2 && py < image.height(); ++py)
            for (int px = x / 2; px <= (x + w) / 2 && px < image.width(); ++px) n += image.pixelColor(px, py) == colour;
        return n;
    }
};

const QColor kBlue(0, 0, 255), kSilver(192, 192, 192), kBlack(0, 0, 0);

class PrintPages : public ::testing::Test {
protected:
    void SetUp() override { test::qtApp(); }
    test::TempDir dir;
};

TEST_F(PrintPages, PagesDrawnOutOfOrderMatchThePagesDrawnInOrder)
{
    std::vector<std::unique_ptr<PrintDocument>> docs;
    docs.push_back(ladderDocument(ladderRows(30)));
    docs.push_back(blockSettingDocument(settingLines(50)));
    docs.push_back(systemDocument(usedStations(30)));
    for (const auto& doc : docs) {
        ASSERT_EQ(doc->pageCount(), 2);
        const QImage second = pageImage(*doc, 1, job());
        const QImage first = pageImage(*doc, 0, job());
        EXPECT_EQ(pageImage(*doc, 0, job()), first);
        EXPECT_EQ(pageImage(*doc, 1, job()), second);
        EXPECT_NE(first, second);  // the two pages show different rows
    }
}

TEST_F(PrintPages, SystemConfigurationPagesInAPdf)
{
    const auto pages = printToPdf(dir / "system.pdf", [] {
        std::vector<std::unique_ptr<PrintDocument>> d;
        d.push_back(systemDocument(usedStations(30)));
        return d;
    }(), job());
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_TRUE(has(pages[0], "(1/2)"));
    EXPECT_TRUE(has(pages[1], "(2/2)"));
    EXPECT_TRUE(has(pages[0], "*KRAVin3 System Configuration*")) << pages[0];
    EXPECT_TRUE(has(pages[0], "Project Name :Plant"));
    EXPECT_TRUE(has(pages[0], "1B"));   // the 28th used station ends page 1
    EXPECT_FALSE(has(pages[0], "1C"));
    EXPECT_TRUE(has(pages[1], "1C"));
    EXPECT_TRUE(has(pages[1], "1D"));
    EXPECT_TRUE(has(pages[1], "KMQ"));
    EXPECT_TRUE(has(pages[0], model::cp932ToUtf8(stampText(1700000000))));
}

TEST_F(PrintPages, JapaneseTitleIsCutOnACharacterBoundary)
{
    const auto pages = printToPdf(dir / "ja.pdf", [] {
        std::vector<std::unique_ptr<PrintDocument>> d;
        d.push_back(systemDocument(usedStations(1)));
        return d;
    }(), job(), res::Language::Japanese);
    ASSERT_EQ(pages.size(), 1u);
    // 31 bytes fit; the next character would cross byte 32 and is left out whole.
    const std::string cut = "＊KRAVin3: システム構成（ステー";
    ASSERT_EQ(model::utf8ToCp932(cut).size(), 31u);
    EXPECT_TRUE(has(pages[0], cut)) << pages[0];
    EXPECT_FALSE(has(pages[0], cut + "シ"));
    EXPECT_EQ(cutTitle(res::qmessage(9752, res::Language::Japanese)).toStdString(), cut);
    EXPECT_EQ(cutTitle(QStringLiteral("short")), QStringLiteral("short"));
    // The page fonts follow the language.
    EXPECT_TRUE(printHeaderFont(res::Language::Japanese).families().contains(QStringLiteral("Noto Sans CJK JP")));
    EXPECT_FALSE(printBodyFont(res::Language::English, 4800).families().contains(QStringLiteral("Noto Sans CJK JP")));
}

TEST_F(PrintPages, UnitLinesAndPageCountersOfABulkJob)
{
    BlockListSnapshot card;
    card.unit.station = 0x3B;
    card.unit.card = 11;
    card.unit.kindName = "QV200   ";
    card.unit.version = "1.00";
    card.unit.model = "QV200   ";
    card.codes[1] = "01CTL";
    card.valid[1] = 1;
    card.names[1] = "Controller";
    SequenceSnapshot station;
    station.unit.station = 2;
    station.unit.card = 0;
    station.unit.kindName = "QV100   ";
    station.unit.version = "1.00";
    station.steps.rows[0][0] = model::MakeStepCode("130000");
    station.steps.rows[0][1] = model::MakeStepCode("130003");

    std::vector<std::unique_ptr<PrintDocument>> docs;
    docs.push_back(blockListDocument(card));
    docs.push_back(sequenceDocument(station));
    const auto pages = printToPdf(dir / "bulk.pdf", std::move(docs), job(1));
    ASSERT_EQ(pages.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(has(pages[i], "(   " + std::to_string(i + 1) + ")")) << "page " << i + 1;
    EXPECT_TRUE(has(pages[0], "STATION:3B  CARD:A  QV200"));
    EXPECT_TRUE(has(pages[0], "Print all jobs"));
    EXPECT_TRUE(has(pages[0], "G01"));
    EXPECT_TRUE(has(pages[0], "CTL(01)"));
    EXPECT_TRUE(has(pages[1], "Controller"));
    EXPECT_TRUE(has(pages[1], "Field Terminal Block"));
    EXPECT_TRUE(has(pages[2], "Sequential Control Block"));
    EXPECT_TRUE(has(pages[3], "STATION:02  CARD:-  QV100"));
    EXPECT_TRUE(has(pages[3], "Step00"));
    EXPECT_TRUE(has(pages[3], "Step03"));
}

TEST_F(PrintPages, LadderAndSettingPagesInAPdf)
{
    std::vector<std::unique_ptr<PrintDocument>> docs;
    docs.push_back(ladderDocument(ladderRows(30)));
    docs.push_back(blockSettingDocument(settingLines(0)));
    const auto pages = printToPdf(dir / "ladder.pdf", std::move(docs), job());
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_TRUE(has(pages[0], "(1/2)"));
    EXPECT_TRUE(has(pages[0], "G81"));
    EXPECT_TRUE(has(pages[0], "TIM"));
    EXPECT_TRUE(has(pages[0], "1:250"));
    EXPECT_TRUE(has(pages[0], "STEP05"));
    EXPECT_TRUE(has(pages[0], "OT"));
    EXPECT_TRUE(has(pages[1], "(2/2)"));
    EXPECT_TRUE(has(pages[1], "2901"));     // row 29: block 29 terminal 1
    EXPECT_TRUE(has(pages[2], "(1/1)"));    // an empty block still prints one page
    EXPECT_TRUE(has(pages[2], "*KRAVin3 Function Block Setting*"));
}

TEST_F(PrintPages, LadderCommentsPrintOnTheLinesTheViewShows)
{
    LadderSnapshot snap = ladderRows(1);
    snap.comments = true;
    snap.commentTexts.resize(ladder::kLadderRows);
    snap.commentTexts[0][0] = "Group 83 run";
    snap.commentTexts[0][ladder::kLadderCols] = "Group 83 run";
    // The view breaks this comment into two lines.
    const QStringList lines = ladder::LadderCommentLines(QStringLiteral("Group 83 run"), ladder::LadderFont());
    ASSERT_EQ(lines, QStringList({QStringLiteral("Group 83"), QStringLiteral("run")}));

    std::vector<std::unique_ptr<PrintDocument>> docs;
    docs.push_back(ladderDocument(snap));
    const auto pages = printToPdf(dir / "comments.pdf", std::move(docs), job());
    ASSERT_EQ(pages.size(), 1u);
    // Each comment (the contact's and the coil's) on two lines, the second whole.
    int first = 0, second = 0;
    std::size_t from = 0;
    for (std::size_t end; (end = pages[0].find('\n', from)) != std::string::npos; from = end + 1) {
        const std::string line = squeezed(pages[0].substr(from, end - from));
        for (std::size_t at = 0; (at = line.find("Group 83", at)) != std::string::npos; at += 8) ++first;
        for (std::size_t at = 0; (at = line.find("run", at)) != std::string::npos; at += 3) {
            EXPECT_EQ(line.find("Group 83"), std::string::npos) << line;
            ++second;
        }
    }
    EXPECT_EQ(first, 2);
    EXPECT_EQ(second, 2);
}

TEST_F(PrintPages, AJobWithoutPagesLeavesNoFile)
{
    const std::string path = dir / "empty.pdf";
    {
        QPdfWriter writer(QString::fromStdString(path));
        PrintJob empty(job(1), res::Language::English);
        empty.add([] { return std::vector<JobDocument>{}; });
        EXPECT_TRUE(empty.run(writer));
        EXPECT_EQ(empty.pagesPrinted(), 0);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(PrintPages, CoverFrameGrowsWithTheCommentLines)
{
    const struct {
        std::vector<std::string> comment;
        int rows;
    } cases[] = {{{}, 6}, {{"one", "", "three"}, 8}};
    for (const auto& c : cases) {
        const auto doc = coverDocument(CoverSnapshot{"Plant", c.comment});
        const Page300 page(*doc);
        const int W = page.W(), H = page.H(), r = H / 64;
        const int x = W * 50 / 100, y20 = H * 20 / 100;
        EXPECT_GT(page.count(x, y20 + c.rows * r - 4, 8, 8, kBlue), 0) << c.rows;      // the bottom edge
        EXPECT_EQ(page.count(x, y20 + (c.rows + 1) * r - 4, 8, 8, kBlue), 0) << c.rows; // nothing below it
        // The approval box: its heading row line.
        EXPECT_GT(page.count(W * 61 / 100 + 2 * r, H * 82 / 100 + 3 * r - 4, 8, 8, kBlack), 0);
    }
}

TEST_F(PrintPages, SystemCellsAreOutlinedOnlyWhenUsed)
{
    SystemSnapshot snap = usedStations(1);
    const auto doc = systemDocument(snap);
    const Page300 page(*doc);
    const int W = page.W(), H = page.H(), R = H / 64;
    const int x7 = W * 7 / 100, y0 = H * 8 / 100, pitch = W * 5 / 100 + 2, u = W / 100, x3 = W * 3 / 100;
    const int y = y0 + R;
    auto cellX = [&](int c) { return c == 0 ? x7 + x3 : x7 + c * pitch + x3 + u; };
    // Slot 2 is empty: a silver box, no outline; slot 11 holds a card: outlined in blue.
    EXPECT_GT(page.count(cellX(2) + 40, y + 40, 40, 40, kSilver), 0);
    EXPECT_EQ(page.count(cellX(2) - 2, y - 2, 6, 6, kBlue), 0);
    EXPECT_GT(page.count(cellX(11) - 4, y - 4, 8, 8, kBlue), 0);
    EXPECT_GT(page.count(cellX(0) - 4, y - 4, 8, 8, kBlue), 0);
}

TEST_F(PrintPages, SequenceJumpsDrawRedLinesOnlyToStepsThatExist)
{
    auto redPixels = [](const std::vector<std::pair<int, std::vector<const char*>>>& columns) {
        SequenceSnapshot snap;
        for (const auto& [k, codes] : columns)
            for (std::size_t i = 0; i < codes.size(); ++i) snap.steps.rows[k][i] = model::MakeStepCode(codes[i]);
        const auto doc = sequenceDocument(snap);
        const Page300 page(*doc, 0, true);
        int n = 0;
        for (int y = 0; y < page.image.height(); ++y)
            for (int x = 0; x < page.image.width(); ++x) {
                const QColor c = page.image.pixelColor(x, y);
                n += c.red() > c.green() + 40 && c.red() > c.blue() + 40;  // reddish
            }
        return n;
    };
    // Group 81 jumps to step 2 of group 82, which exists.
    EXPECT_GT(redPixels({{0, {"130000", "128202"}}, {1, {"130001", "130002"}}}), 0);
    // Group 95 and step 20 are outside the ranges; step 7 of group 82 does not exist.
    EXPECT_EQ(redPixels({{0, {"130000", "129502", "128220", "128207"}}, {1, {"130001", "130002"}}}), 0);
    // A jump within its own group is searched whatever the step number.
    EXPECT_GT(redPixels({{0, {"130000", "130025", "120025"}}}), 0);
}


// ---- Texts fitted to their cells ----

// Blue pixels of a 300-dpi page in a rectangle of logical dots.
int bluePixels(const Page300& page, int x, int y, int w, int h)
{
    int n = 0;
    for (int py = std::max(0, y / 2); py <= (y + h) / 2 && py < page.image.height(); ++py)
        for (int px = std::max(0, x / 2); px <= (x + w) / 2 && px < page.image.width(); ++px) {
            const QColor c = page.image.pixelColor(px, py);
            n += c.blue() > 150 && c.red() < 120 && c.green() < 120;
        }
    return n;
}

TEST_F(PrintPages, SystemCellLabelsStayInsideTheirCells)
{
    // The last slot has no neighbour whose fill would hide an overrun.
    const char* labels[] = {"QV200B", "QV200W", "TQRC$", "V8RTU", "QV210WXY"};
    for (const char* label : labels) {
        SystemSnapshot snap;
        SystemRow row;
        row.cells[16] = {true, label, "1.00"};
        snap.rows.push_back(row);
        const auto doc = systemDocument(snap);
        const Page300 page(*doc);
        const int W = page.W(), H = page.H(), R = H / 64;
        const int x7 = W * 7 / 100, y0 = H * 8 / 100, pitch = W * 5 / 100 + 2, u = W / 100, x3 = W * 3 / 100,
                  g = W * 3 / 1000;
        const int X = x7 + 16 * pitch + x3 + u, y = y0 + R, cw = pitch - g, ch = 2 * R - g;
        EXPECT_GT(bluePixels(page, X + 20, y + 8, cw - 40, ch - 16), 0) << label;
        // Right of the outline (pen 5 wide) nothing blue.
        EXPECT_EQ(bluePixels(page, X + cw + 6, y, 300, ch), 0) << label;
    }
    // A label that fits keeps all its characters in the text layer.
    SystemSnapshot snap;
    SystemRow row;
    row.cells[1] = {true, "QV200B", "1.00"};
    row.cells[2] = {true, "QV200W", "1.00"};
    snap.rows.push_back(row);
    const auto pages = printToPdf(dir / "cells.pdf", [&] {
        std::vector<std::unique_ptr<PrintDocument>> d;
        d.push_back(systemDocument(snap));
        return d;
    }(), job());
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(has(pages[0], "QV200B QV200W")) << pages[0];
}

BlockListSnapshot listUnit()
{
    BlockListSnapshot s;
    s.unit.kindName = "QV200   ";
    s.unit.version = "1.00";
    s.unit.model = "QV200   ";
    const std::pair<int, const char*> blocks[] = {{0, "00SYS"}, {1, "01CTL"}, {30, "32CDO"}, {39, "51ADS"}, {57, "99MMM"}};
    for (const auto& [g, code] : blocks) {
        s.codes[g] = code;
        s.valid[g] = 1;
        s.names[g] = "System Common Table Definition Block Name";  // 41: cut to 39 by the snapshot
    }
    s.names[0] = "System Common Table";
    return s;
}

TEST_F(PrintPages, BlockListTextsStayInsideTheirCellsAndRulings)
{
    const BlockListSnapshot s = listUnit();
    const auto doc = blockListDocument(s);
    // Map: group 39 sits in column 3, row 9 with no group to its right.
    {
        const Page300 page(*doc, 0);
        const int W = page.W(), H = page.H();
        const int x7 = W * 7 / 100, y10 = H * 10 / 100, g = W * 5 / 1000, px = W * 9 / 100, py = H * 4 / 100;
        const int X = x7 + 3 * px, Y = y10 + 9 * py;
        EXPECT_GT(bluePixels(page, X + 2 * g, Y + 2 * g, px - 4 * g, py - 4 * g), 0);
        EXPECT_EQ(bluePixels(page, X + px - g + 6, Y + 8, px / 2, py - g - 16), 0);
    }
    // List page: no text crosses the rulings between the label, the block text and the name.
    {
        const Page300 page(*doc, 1);
        const int W = page.W(), H = page.H();
        const int x7 = W * 7 / 100, y10 = H * 10 / 100, g = W * 5 / 1000, w1 = W * 4 / 100, w2 = W * 8 / 100,
                  w = W * 43 / 100, a = H * 2 / 100;
        const int y = y10 + 1 * a;  // group 0's row
        EXPECT_GT(bluePixels(page, x7 + g, y + 4, w1 - g - 4, a - 8), 0);          // "G00"
        EXPECT_EQ(bluePixels(page, x7 + w1 + 3, y + 4, g - 6, a - 8), 0);          // right of the first ruling
        EXPECT_GT(bluePixels(page, x7 + w1 + g, y + 4, w2 - g - 4, a - 8), 0);     // "SYS(00)"
        EXPECT_EQ(bluePixels(page, x7 + w1 + w2 + 3, y + 4, g - 6, a - 8), 0);     // right of the second ruling
        // Group 30's long name (second column) is cut before its row's right end: the gap to
        // the page edge beyond the row holds no ink.
        const int x2 = x7 + W * 45 / 100, row30 = y10 + 1 * a;
        EXPECT_EQ(page.count(x2 + w + 6, row30 + 4, W - x2 - w - 12, a - 8, kBlack), 0);
        EXPECT_GT(page.count(x2 + w1 + w2 + g, row30 + 4, w - w1 - w2 - 2 * g, a - 8, kBlack), 0);
    }
    const auto pages = printToPdf(dir / "list.pdf", [&] {
        std::vector<std::unique_ptr<PrintDocument>> d;
        d.push_back(blockListDocument(s));
        return d;
    }(), job());
    ASSERT_EQ(pages.size(), 3u);
    for (const char* text : {"CDO(32)", "ADS(51)", "SYS(00)", "G39"}) EXPECT_TRUE(has(pages[0], text)) << text << pages[0];
    EXPECT_TRUE(has(pages[1], "G00 SYS(00) System Common Table")) << pages[1];
    EXPECT_TRUE(has(pages[1], "G30 CDO(32)")) << pages[1];
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(has(pages[i], "(" + std::to_string(i + 1) + "/3)")) << i;
}

TEST_F(PrintPages, BankedUnitsPrintTheBankTheListShows)
{
    BlockListSnapshot s = listUnit();
    s.unit.model = "PWZ     ";
    s.unit.kindName = "PWZ     ";
    for (int g : {4, 27}) {
        s.codes[g] = "00CFG";
        s.valid[g] = 1;
    }
    const struct {
        int bank;
        int pages;
        std::vector<std::string> shown, hidden;
    } cases[] = {{0, 3, {"BANK 0", "G30"}, {"BANK 2"}}, {2, 2, {"BANK 2", "G01", "G08", "Relaying Terminal Block"}, {"G30", "BANK 0"}}};
    for (const auto& c : cases) {
        s.bank = c.bank;
        const auto pages = printToPdf(dir / ("bank" + std::to_string(c.bank) + ".pdf"), [&] {
            std::vector<std::unique_ptr<PrintDocument>> d;
            d.push_back(blockListDocument(s));
            return d;
        }(), job());
        ASSERT_EQ(static_cast<int>(pages.size()), c.pages) << c.bank;
        std::string all;
        for (const auto& p : pages) all += p;
        for (const auto& t : c.shown) EXPECT_TRUE(has(all, t)) << c.bank << " " << t;
        for (const auto& t : c.hidden) EXPECT_FALSE(has(all, t)) << c.bank << " " << t;
    }
    // A unit without the Bank button shows every group, with no bank on its unit line.
    BlockListSnapshot kmq = listUnit();
    kmq.unit.model = "KMQ     ";
    kmq.codes[4] = "00CFG";
    kmq.valid[4] = 1;
    const auto pages = printToPdf(dir / "kmq.pdf", [&] {
        std::vector<std::unique_ptr<PrintDocument>> d;
        d.push_back(blockListDocument(kmq));
        return d;
    }(), job());
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_FALSE(has(pages[0], "BANK"));
    EXPECT_TRUE(has(pages[0], "CFG(00)")) << pages[0];
}

TEST_F(PrintPages, SettingLineTextsStopShortOfTheirColumnRulings)
{
    BlockSettingSnapshot snap;
    const std::string longText(80, 'W');
    snap.lines.push_back({SettingLine::Item, 1, longText, longText, longText});
    snap.lines.push_back({SettingLine::Group, 2, longText, "", ""});
    const auto doc = blockSettingDocument(snap);
    const Page300 page(*doc);
    const int W = page.W(), H = page.H();
    const int xA = W * 7 / 100, xB = xA + W * 4 / 100, xC = xB + W * 50 / 100, xD = xC + W * 24 / 100,
              xE = xD + W * 10 / 100, lh = H * 2 / 100, y10 = H * 10 / 100, u = W / 100;
    auto ink = [&](int x, int y, int w) {
        int n = 0;
        for (int py = (y + 4) / 2; py <= (y + lh - 4) / 2; ++py)
            for (int px = x / 2; px <= (x + w) / 2; ++px) n += page.image.pixelColor(px, py) != QColor(Qt::white);
        return n;
    };
    // Each column's text fills its column and ends half a margin before the ruling that closes it.
    const struct {
        int line, left, right;
    } cases[] = {{0, xB, xC}, {0, xC, xD}, {0, xD, xE}, {1, xA, xE}};
    for (const auto& c : cases) {
        const int y = y10 + c.line * lh;
        EXPECT_GT(ink(c.left + u, y, c.right - c.left - 2 * u), 0) << c.line << " " << c.right;
        EXPECT_EQ(ink(c.right - u / 2 + 2, y, u / 2 - 6), 0) << c.line << " " << c.right;
        EXPECT_EQ(ink(c.right + 4, y, u - 8), 0) << c.line << " " << c.right;
    }
}

TEST_F(PrintPages, JapanesePagesKeepTheDrawnKanjiInTheTextLayer)
{
    BlockListSnapshot s = listUnit();
    s.names[1] = model::utf8ToCp932("一次遅れ工程");
    JobInfo info = job();
    info.projectName = model::utf8ToCp932("テスト工場");
    const auto pages = printToPdf(dir / "ja-list.pdf", [&] {
        std::vector<std::unique_ptr<PrintDocument>> d;
        d.push_back(blockListDocument(s));
        return d;
    }(), info, res::Language::Japanese);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_TRUE(has(pages[0], "機能ブロック一覧")) << pages[0];
    EXPECT_TRUE(has(pages[0], "テスト工場")) << pages[0];
    EXPECT_TRUE(has(pages[1], "一次遅れ工程")) << pages[1];
    for (const auto& page : pages) {
        EXPECT_EQ(page.find("⼀"), std::string::npos) << page;  // U+2F00
        EXPECT_EQ(page.find("⼯"), std::string::npos) << page;  // U+2F2F
    }
}

// A format 4 character map of (character, glyph) pairs, one segment each.
QByteArray format4(const std::vector<std::pair<int, int>>& pairs)
{
    QByteArray b;
    auto put = [&b](int v) {
        b.append(char((v >> 8) & 0xFF));
        b.append(char(v & 0xFF));
    };
    const int segments = static_cast<int>(pairs.size()) + 1;
    put(0);
    put(1);
    put(3);
    put(1);
    put(0);
    put(12);
    put(4);
    put(16 + 8 * segments);
    put(0);
    put(2 * segments);
    put(0);
    put(0);
    put(0);
    for (const auto& [c, g] : pairs) put(c);
    put(0xFFFF);
    put(0);
    for (const auto& [c, g] : pairs) put(c);
    put(0xFFFF);
    for (const auto& [c, g] : pairs) put((g - c) & 0xFFFF);
    put(1);
    for (int i = 0; i < segments; ++i) put(0);
    return b;
}

TEST(TextLayerFace, CharacterMapLeadsSharedGlyphsBackToTheirOrdinaryCharacters)
{
    // U+2F00 and U+2F2F are the radicals drawn with the glyphs of U+4E00 and
    // U+5DE5; U+2E81 has a glyph of its own; U+00C5 and U+212B (Angstrom sign)
    // share one, the lower one already ordinary.
    const QByteArray cmap = format4({{0x41, 3}, {0x42, 4}, {0xC5, 20}, {0x212B, 20}, {0x2E81, 30}, {0x2F00, 5},
                                     {0x2F2F, 9}, {0x4E00, 5}, {0x5DE5, 9}});
    const QByteArray repaired = repairedCharacterMap(cmap);
    EXPECT_EQ(repaired.size(), cmap.size());
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {
        {0x41, 3}, {0x42, 4}, {0xC5, 20}, {0x212B, 20}, {0x2E81, 30}, {0x4E00, 5}, {0x5DE5, 9}};
    EXPECT_EQ(characterMap(repaired), expected);
    EXPECT_EQ(characterMap(cmap).size(), expected.size() + 2);
    EXPECT_TRUE(repairedCharacterMap(QByteArray()).isEmpty());
    EXPECT_TRUE(repairedCharacterMap(QByteArray("\0\0\0\1\0\1\0\0", 8)).isEmpty());
}

}  // namespace
}  // namespace kravin::print

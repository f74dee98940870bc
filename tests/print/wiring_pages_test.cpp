// The analog connection pages drawn from a card on the sample tables: the
// fitted page and the tiles into images probed by pixel, and into PDF files
// read back with pdftotext.
#include "anatan_fixture.h"
#include "print_job.h"
#include "wiring_pages.h"

#include "pdf_pages.h"
#include "qt_app.h"
#include "temp_dir.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPageSize>
#include <QPdfWriter>
#include <QPicture>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace kravin::print {
namespace {

// An A4 page without margins at 150 dots per inch; probes take 600-dpi page dots.
struct Page150 {
    QImage image{1240, 1754, QImage::Format_RGB32};
    Page150(const PrintDocument& doc, int page, const JobInfo& job = {})
    {
        image.setDotsPerMeterX(5906);
        image.setDotsPerMeterY(5906);
        image.fill(Qt::white);
        QPainter painter(&image);
        renderPage(painter, image, doc, page, job, res::Language::English, page + 1);
    }
    // Dark pixels in a rectangle of page dots (any ink at all with the threshold 255).
    int dark(int x, int y, int w, int h, int threshold = 128) const
    {
        int n = 0;
        const QRect r = QRect(x / 4, y / 4, std::max(1, w / 4), std::max(1, h / 4)).intersected(image.rect());
        for (int py = r.top(); py <= r.bottom(); ++py)
            for (int px = r.left(); px <= r.right(); ++px)
                if (qGray(image.pixel(px, py)) < threshold) ++n;
        return n;
    }
};

// A page as the preview shows it and as it prints, at the resolution the
// preview's zoom gives it on the screen. The preview records the page on a
// 1200-dpi printer and replays the recording scaled to its zoom; the printed
// page is drawn onto an image of that resolution straight. The page is 8 by 11
// inches, so that both lay the page out alike.
struct PreviewAndPrint {
    QImage preview, printed;
    PreviewAndPrint(const PrintDocument& doc, int page, int dpi)
    {
        QBuffer sink;
        sink.open(QIODevice::WriteOnly);
        QPdfWriter printer(&sink);
        printer.setResolution(1200);
        printer.setPageSize(QPageSize(QSizeF(8, 11), QPageSize::Inch));
        printer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPicture picture;
        {
            QPainter painter(&picture);
            renderPage(painter, printer, doc, page, {}, res::Language::English, page + 1);
        }
        const double scale = dpi / 1200.0;
        const QSize size(static_cast<int>(printer.width() * scale), static_cast<int>(printer.height() * scale));
        preview = QImage(size, QImage::Format_RGB32);
        preview.fill(Qt::white);
        {
            QPainter painter(&preview);
            painter.scale(scale, scale);
            painter.drawPicture(0, 0, picture);
        }
        printed = QImage(size, QImage::Format_RGB32);
        printed.setDotsPerMeterX(static_cast<int>(std::lround(dpi / 0.0254)));
        printed.setDotsPerMeterY(static_cast<int>(std::lround(dpi / 0.0254)));
        printed.fill(Qt::white);
        QPainter painter(&printed);
        renderPage(painter, printed, doc, page, {}, res::Language::English, page + 1);
    }
    // Ink of the printed page that the preview lacks: printed pixels with no
    // preview pixel beside them, counted where four or more run on in a row or a
    // column (a line's run, not a glyph's edge drawn a pixel aside).
    int missingRuns() const
    {
        const auto ink = [](const QImage& im, int x, int y) {
            return x >= 0 && y >= 0 && x < im.width() && y < im.height() && qGray(im.pixel(x, y)) < 250;
        };
        const auto lacking = [&](int x, int y) {
            if (!ink(printed, x, y)) return false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (ink(preview, x + dx, y + dy)) return false;
            return true;
        };
        std::vector<char> miss(static_cast<std::size_t>(printed.width() * printed.height()));
        for (int y = 0; y < printed.height(); ++y)
            for (int x = 0; x < printed.width(); ++x)
                miss[static_cast<std::size_t>(y * printed.width() + x)] = lacking(x, y);
        const auto at = [&](int x, int y) {
            return x >= 0 && y >= 0 && x < printed.width() && y < printed.height() &&
                   miss[static_cast<std::size_t>(y * printed.width() + x)];
        };
        int n = 0;
        for (int y = 0; y < printed.height(); ++y)
            for (int x = 0; x < printed.width(); ++x) {
                if (!at(x, y)) continue;
                const auto run = [&](int dx, int dy) {
                    int k = 1;
                    for (int i = 1; at(x + i * dx, y + i * dy); ++i) ++k;
                    for (int i = 1; at(x - i * dx, y - i * dy); ++i) ++k;
                    return k;
                };
                if (run(1, 0) >= 4 || run(0, 1) >= 4) ++n;
            }
        return n;
    }
    int printedInk() const
    {
        int n = 0;
        for (int y = 0; y < printed.height(); ++y)
            for (int x = 0; x < printed.width(); ++x) n += qGray(printed.pixel(x, y)) < 250;
        return n;
    }
};

// The preview's zooms of 30 % to 150 % on a 96-dpi screen, as dots per inch.
constexpr int kPreviewDpi[] = {29, 49, 65, 87, 96, 144};

class AnalogPagesTest : public test::AnaTanFixture {
protected:
    void SetUp() override
    {
        test::qtApp();
        AnaTanFixture::SetUp();
    }
    std::shared_ptr<AnalogSnapshot> snapshot()
    {
        auto s = std::make_shared<AnalogSnapshot>();
        s->unit = unitHeader(*unit);
        s->diagram = editor->diagram();
        s->openJumps = editor->openJumps();
        return s;
    }
    // The drawn blocks: number and grid position.
    std::vector<std::tuple<int, int, int>> blocks(const AnalogSnapshot& s)
    {
        std::vector<std::tuple<int, int, int>> out;
        for (int b = 0; b < wiring::kLayoutBlocks; ++b)
            if (s.diagram.blocks[static_cast<std::size_t>(b)].drawn)
                out.emplace_back(b, s.diagram.blocks[static_cast<std::size_t>(b)].x,
                                 s.diagram.blocks[static_cast<std::size_t>(b)].y);
        return out;
    }
    static constexpr int kW = 1240 * 4, kH = 1754 * 4;  // the page in 600-dpi dots
};

TEST_F(AnalogPagesTest, FittedPageShowsEveryBlockInsideTheFrame)
{
    auto s = snapshot();
    ASSERT_GE(blocks(*s).size(), 3u);
    WiringPrintSetup setup = analogSetup(*s, true, 100, kW, kH);
    auto doc = analogDocument(s, setup);
    ASSERT_EQ(doc->pageCount(), 1);
    const Page150 page(*doc, 0);
    const AnalogExtent e = measureAnalog(*s, false);
    const int p = fitPitch(FitRule::Analog, kW, kH, e.extent, setup.pitch);
    const int x0 = kW * 7 / 100, y0 = kH * 10 / 100;
    for (const auto& [b, x, y] : blocks(*s)) {
        // The block number and code row of the box.
        EXPECT_GT(page.dark(x0 + (x + e.shiftX) * p + p, y0 + (y + e.shiftY) * p, 6 * p, p), 0) << "block " << b;
    }
    // The frame's right edge and the page outside it.
    EXPECT_GT(page.dark(kW - x0 - 4, kH / 2, 8, 40), 0);
    EXPECT_EQ(page.dark(kW - x0 + 40, y0, kW * 7 / 100 - 60, kH * 80 / 100), 0);
}

TEST_F(AnalogPagesTest, EveryBlockLandsOnTheTileThatHoldsIt)
{
    auto s = snapshot();
    const WiringPrintSetup setup = analogSetup(*s, false, 100, kW, kH);
    ASSERT_EQ(setup.pitch, 120);
    const TileGrid& t = setup.tiles;
    // 60 + 16 cells across and 40 + 8 down at 120 dots a cell.
    EXPECT_EQ(t.across, (76 * 120 + t.tileWidth - 1) / t.tileWidth);
    EXPECT_EQ(t.down, (48 * 120 + t.tileHeight - 1) / t.tileHeight);
    ASSERT_GT(t.total, 1);
    auto doc = analogDocument(s, setup);
    ASSERT_EQ(doc->pageCount(), t.total);
    std::vector<std::unique_ptr<Page150>> pages;
    for (int i = 0; i < t.total; ++i) pages.push_back(std::make_unique<Page150>(*doc, i));
    const int x0 = kW * 7 / 100, y0 = kH * 10 / 100;
    for (const auto& [b, x, y] : blocks(*s)) {
        const int dx = x * 120 + 120, dy = y * 120;  // the block number's row
        const int col = dx / t.tileWidth, row = dy / t.tileHeight;
        const int page = col * t.down + row;
        ASSERT_LT(page, t.total);
        const int px = x0 + dx - col * t.tileWidth, py = y0 + dy - row * t.tileHeight;
        EXPECT_GT(pages[static_cast<std::size_t>(page)]->dark(px, py, std::min(360, x0 + t.tileWidth - px), 100), 0)
            << "block " << b << " page " << page + 1;
    }
    // Nothing is drawn between the tile's window and the frame.
    for (const auto& pg : pages) EXPECT_EQ(pg->dark(x0 + t.tileWidth + 8, y0 + 8, kW - 2 * x0 - t.tileWidth - 16, 4000), 0);
}

TEST_F(AnalogPagesTest, TilePagesKeepTheirHeaderAndTheirDrawingRunsOnAcrossTheSeam)
{
    auto s = snapshot();
    const WiringPrintSetup setup = analogSetup(*s, false, 100, kW, kH);
    const TileGrid& t = setup.tiles;
    ASSERT_GE(t.across, 2);
    auto doc = analogDocument(s, setup);
    const int ya = kH * 3 / 100, R = kH / 64, x7 = kW * 7 / 100, x65 = kW * 65 / 100;
    std::vector<std::unique_ptr<Page150>> pages;
    for (int i = 0; i < t.total; ++i) pages.push_back(std::make_unique<Page150>(*doc, i));
    for (int i = 0; i < t.total; ++i) {
        // The three-row header: its four rulings and both ends of its frame.
        for (int row = 0; row <= 3; ++row)
            EXPECT_GT(pages[i]->dark(kW * 30 / 100, ya + row * R - 6, 40, 12), 0) << "page " << i + 1 << " ruling " << row;
        EXPECT_GT(pages[i]->dark(x7 - 6, ya + R / 2, 12, 40), 0) << "page " << i + 1;
        EXPECT_GT(pages[i]->dark(x65 - 6, ya + R / 2, 12, 40), 0) << "page " << i + 1;
    }
    // What leaves the first tile at its right edge comes in at the left edge
    // of the tile beside it (the next column), at the same height.
    const Page150& left = *pages[0];
    const Page150& right = *pages[static_cast<std::size_t>(t.down)];
    const int x0 = kW * 7 / 100, y0 = kH * 10 / 100;
    std::vector<int> out, in;
    for (int y = y0 + 8; y < y0 + t.tileHeight - 8; y += 4) {
        // One pixel column each side, the frame's own line left out.
        if (left.dark(x0 + t.tileWidth - 8, y, 4, 4, 255) > 0) out.push_back(y);
        if (right.dark(x0 + 4, y, 4, 4, 255) > 0) in.push_back(y);
    }
    ASSERT_FALSE(out.empty());
    const auto near = [](const std::vector<int>& ys, int y) {
        return std::any_of(ys.begin(), ys.end(), [y](int v) { return std::abs(v - y) <= 16; });
    };
    for (int y : out) EXPECT_TRUE(near(in, y)) << "leaves at " << y;
    for (int y : in) EXPECT_TRUE(near(out, y)) << "comes in at " << y;
    // The bent wire 30.OT1 -> 31.IN1 keeps its run up at x 15 between its bends (y 30 to 22).
    for (int y = 23; y < 30; ++y) EXPECT_GT(left.dark(x0 + 15 * 120 - 8, y0 + y * 120, 16, 120), 0) << y;
}

TEST_F(AnalogPagesTest, AnEmptyDiagramPrintsOnePage)
{
    auto s = std::make_shared<AnalogSnapshot>();
    s->unit = unitHeader(*unit);
    const WiringPrintSetup tiled = analogSetup(*s, false, 100, kW, kH);
    EXPECT_EQ(tiled.tiles.total, 1);
    EXPECT_EQ(analogDocument(s, tiled)->pageCount(), 1);
    const AnalogExtent e = measureAnalog(*s, false);
    EXPECT_EQ(e.extent.maxX, 0);
    EXPECT_EQ(e.extent.maxY, 0);
    const Page150 page(*analogDocument(s, analogSetup(*s, true, 100, kW, kH)), 0);
    EXPECT_GT(page.dark(kW * 7 / 100 - 4, kH / 2, 8, 40), 0);  // the frame alone
}

// Every line of the page, fitted or a tile, shows in the preview at every zoom.
TEST_F(AnalogPagesTest, PreviewShowsEveryLineThePagePrintsAtEveryZoom)
{
    auto s = snapshot();
    for (bool fit : {true, false}) {
        auto doc = analogDocument(s, analogSetup(*s, fit, 100, 8 * 600, 11 * 600));
        for (int dpi : kPreviewDpi) {
            const PreviewAndPrint page(*doc, 0, dpi);
            ASSERT_GT(page.printedInk(), 0);
            EXPECT_EQ(page.missingRuns(), 0) << (fit ? "fitted" : "tile") << " at " << dpi << " dpi";
        }
    }
}

TEST_F(AnalogPagesTest, NegativePositionsShiftTheFittedDrawing)
{
    auto s = snapshot();
    s->diagram.blocks[31].x = -7;
    s->diagram.blocks[32].y = -3;
    const AnalogExtent fitted = measureAnalog(*s, false);
    EXPECT_EQ(fitted.shiftX, 7);
    EXPECT_EQ(fitted.shiftY, 3);
    const AnalogExtent counted = measureAnalog(*s, true);
    EXPECT_EQ(counted.shiftX, 0);
    EXPECT_EQ(counted.extent.maxX + 7, fitted.extent.maxX);
    // The block moved left prints inside the frame.
    auto doc = analogDocument(s, analogSetup(*s, true, 100, kW, kH));
    const Page150 page(*doc, 0);
    const int p = fitPitch(FitRule::Analog, kW, kH, fitted.extent, 120);
    const int x0 = kW * 7 / 100, y0 = kH * 10 / 100;
    EXPECT_GT(page.dark(x0 + p, y0 + (40 + 3) * p, 6 * p, p), 0);
}

TEST_F(AnalogPagesTest, PdfShowsTheHeaderAndTheTerminalTexts)
{
    auto s = snapshot();
    const std::string path = work.str() + "/../analog.pdf";
    {
        QPdfWriter writer(QString::fromStdString(path));
        writer.setResolution(600);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        JobInfo job;
        job.stamp = 1700000000;
        job.projectName = "Plant";
        PrintJob pdf(job, res::Language::English);
        pdf.add(QString(), analogDocument(s, analogSetup(*s, true, 100, writer.width(), writer.height())));
        pdf.add(QString(), analogDocument(s, analogSetup(*s, false, 50, writer.width(), writer.height())));
        ASSERT_TRUE(pdf.run(writer));
    }
    const auto pages = test::pdfPageTexts(path);
    ASSERT_GE(pages.size(), 2u);
    const std::string& fitted = pages[0];
    EXPECT_NE(fitted.find("*KRAVin3 Analog Connection*"), std::string::npos) << fitted;
    EXPECT_NE(fitted.find("Project Name :Plant"), std::string::npos);
    EXPECT_NE(fitted.find("STATION:00 CARD:0 QV200"), std::string::npos);
    for (const char* text : {"G30", "G31", "G32", "ADS(51)", "LAG(60)", "IN1", "OT1"})
        EXPECT_NE(fitted.find(text), std::string::npos) << text;
    // A fitted page outside a bulk print has no page text; tiles are numbered.
    EXPECT_EQ(fitted.find("(1)"), std::string::npos);
    EXPECT_NE(pages[1].find("(1)"), std::string::npos);
}

}  // namespace
}  // namespace kravin::print

namespace kravin::print {
namespace {

// Two cards of station 0: card 0 at (10, 10) receives on terminal 11 (CAI)
// from terminal 19 (CAO) of card 1 at (60, 40), with one bend.
std::shared_ptr<CommSnapshot> twoCards()
{
    auto s = std::make_shared<CommSnapshot>();
    auto table = std::make_shared<model::CommLinkTable>();
    model::CommLinkSlot& a = table->slots[0][1];
    model::CommLinkSlot& b = table->slots[0][2];
    a.used = b.used = 1;
    std::memcpy(a.kind.data(), "TQRC", 4);
    std::memcpy(b.kind.data(), "TQRQ", 4);
    a.x = 10;
    a.y = 10;
    b.x = 60;
    b.y = 40;
    model::CommLinkTerminal& out = b.terminals[8];
    out.kind = 4;
    model::CommLinkTerminal& in = a.terminals[0];
    in.kind = 3;
    in.link = 1;
    in.sourceStation = 0;
    in.sourceCard = 1;
    in.sourceTerminal = 19;
    int x = 0, y = 0;
    wiring::comm::TerminalAnchor(a.x, a.y, 0, &x, &y);
    in.startX = static_cast<std::int16_t>(x);
    in.startY = static_cast<std::int16_t>(y);
    wiring::comm::TerminalAnchor(b.x, b.y, 8, &x, &y);
    in.endX = static_cast<std::int16_t>(x);
    in.endY = static_cast<std::int16_t>(y);
    in.points = 1;
    in.pointX[0] = 12;
    in.pointY[0] = 50;
    s->table = table;
    return s;
}

constexpr int kW = 1240 * 4, kH = 1754 * 4;

TEST(CommPages, ExtentAndTilesOfTheDiagram)
{
    test::qtApp();
    auto s = twoCards();
    // The right box ends at 60 + 25; the bend lies lowest, at 50 + 1.
    const DiagramExtent e = measureComm(*s, false);
    EXPECT_EQ(e.maxX, 85);
    EXPECT_EQ(e.maxY, 51);
    const WiringPrintSetup setup = commSetup(*s, false, 100, kW, kH);
    EXPECT_EQ(setup.tiles.across, (85 * 120 + setup.tiles.tileWidth - 1) / setup.tiles.tileWidth);
    EXPECT_EQ(setup.tiles.down, (51 * 120 + setup.tiles.tileHeight - 1) / setup.tiles.tileHeight);
    EXPECT_EQ(commDocument(s, setup)->pageCount(), setup.tiles.total);
    // A pending label at a send terminal reaches further down.
    // A pending label at the analog send terminal reaches further down.
    s->pending.push_back({{{0, 1}, 8}, "J1", 0, 0});
    EXPECT_EQ(measureComm(*s, false).maxY, 40 + 1 + 11);
    // Nothing placed: one page.
    auto empty = std::make_shared<CommSnapshot>();
    empty->table = std::make_shared<model::CommLinkTable>();
    EXPECT_EQ(commSetup(*empty, false, 100, kW, kH).tiles.total, 1);
}

TEST(CommPages, FittedPageDrawsTheBoxesAndTheLegend)
{
    test::qtApp();
    auto s = twoCards();
    const WiringPrintSetup setup = commSetup(*s, true, 100, kW, kH);
    auto doc = commDocument(s, setup);
    ASSERT_EQ(doc->pageCount(), 1);
    const Page150 page(*doc, 0);
    const int p = fitPitch(FitRule::Communication, kW, kH, measureComm(*s, false), 120);
    const int x0 = kW * 7 / 100, y0 = kH * 10 / 100;
    for (const auto& [x, y] : {std::pair{10, 10}, std::pair{60, 40}})
        EXPECT_GT(page.dark(x0 + x * p, y0 + (y - 4) * p, 25 * p, 9 * p), 0) << x;
    EXPECT_EQ(page.dark(x0 + 40 * p, y0 + 20 * p, 10 * p, 8 * p), 0);  // between the boxes
    // Each legend label ends before the next symbol: the strip left of each symbol is blank.
    const int size = kH / 64, ly = kH * 72 / 1000;
    for (int column : {22, 36, 50, 64})
        EXPECT_EQ(page.dark(kW * column / 100 - size / 2 + 8, ly - size / 2, size / 2 - 16, size + size / 2, 255), 0)
            << column;
    // The PC mark of the legend is yellow.
    const QColor pc = page.image.pixelColor((kW * 64 / 100 + 20) / 4, (kH * 72 / 1000 + 20) / 4);
    EXPECT_EQ(pc, QColor(255, 255, 0));
}

TEST(CommPages, PreviewShowsEveryLineThePagePrintsAtEveryZoom)
{
    test::qtApp();
    auto s = twoCards();
    auto table = std::make_shared<model::CommLinkTable>(*s->table);
    // A second bend: the line runs down, across and down again.
    model::CommLinkTerminal& in = table->slots[0][1].terminals[0];
    in.points = 2;
    in.pointX[0] = 12;
    in.pointY[0] = 30;
    in.pointX[1] = 40;
    in.pointY[1] = 30;
    s->table = table;
    for (bool fit : {true, false}) {
        auto doc = commDocument(s, commSetup(*s, fit, 100, 8 * 600, 11 * 600));
        for (int dpi : kPreviewDpi) {
            const PreviewAndPrint page(*doc, 0, dpi);
            ASSERT_GT(page.printedInk(), 0);
            EXPECT_EQ(page.missingRuns(), 0) << (fit ? "fitted" : "tile") << " at " << dpi << " dpi";
        }
    }
}

TEST(CommPages, PdfShowsTheHeaderLegendAndCaptions)
{
    test::qtApp();
    auto s = twoCards();
    test::TempDir dir;
    const std::string path = dir.str() + "/comm.pdf";
    {
        QPdfWriter writer(QString::fromStdString(path));
        writer.setResolution(600);
        JobInfo job;
        job.stamp = 1700000000;
        job.projectName = "Plant";
        PrintJob pdf(job, res::Language::English);
        pdf.add(QString(), commDocument(s, commSetup(*s, true, 100, writer.width(), writer.height())));
        ASSERT_TRUE(pdf.run(writer));
    }
    const auto pages = test::pdfPageTexts(path);
    ASSERT_EQ(pages.size(), 1u);
    for (const char* text : {"*KRAVin3 Communication Terminal*", "Project Name :Plant", "Analog In", "Analog Out",
                             "Digital In", "Digital Out", "PC", "Station:00 Card:0 TQRC", "Station:00 Card:1 TQRQ",
                             "11", "19"})
        EXPECT_NE(pages[0].find(text), std::string::npos) << text << "\n" << pages[0];
}

// The RNH6 of station 00 has terminal 11 linked to terminals 12 and 13 of the
// QV200 card on station 04 as "K1" and "K2": at the RNH6 the two labels stand
// one pitch apart on the printed page.
TEST(CommPages, LabelsSharingAnEndStandOnePitchApart)
{
    test::qtApp();
    auto s = std::make_shared<CommSnapshot>();
    auto table = std::make_shared<model::CommLinkTable>();
    model::CommLinkSlot& rnh6 = table->slots[0][0];
    rnh6.used = 1;
    std::memcpy(rnh6.kind.data(), "RNH6", 4);
    rnh6.x = 2, rnh6.y = 20;
    rnh6.terminals[0].kind = 2;
    model::CommLinkSlot& card = table->slots[4][1];
    card.used = 1;
    std::memcpy(card.kind.data(), "QV200", 5);
    card.x = 60, card.y = 20;
    int fx = 0, fy = 0;
    wiring::comm::TerminalAnchor(rnh6.x, rnh6.y, 0, &fx, &fy);
    for (int i = 0; i < 2; ++i) {
        model::CommLinkTerminal& r = card.terminals[static_cast<std::size_t>(1 + i)];
        r.kind = 1;
        r.link = 1;
        std::memcpy(r.text.data(), i == 0 ? "K1" : "K2", 2);
        r.sourceStation = 0;
        r.sourceCard = -1;
        r.sourceTerminal = 11;
        int x = 0, y = 0;
        wiring::comm::TerminalAnchor(card.x, card.y, 1 + i, &x, &y);
        r.startX = static_cast<std::int16_t>(x), r.startY = static_cast<std::int16_t>(y);
        r.endX = static_cast<std::int16_t>(fx), r.endY = static_cast<std::int16_t>(fy);
    }
    s->table = table;
    test::TempDir dir;
    const std::string path = dir.str() + "/labels.pdf";
    int pitch = 0;
    {
        QPdfWriter writer(QString::fromStdString(path));
        writer.setResolution(600);
        const WiringPrintSetup setup = commSetup(*s, true, 100, writer.width(), writer.height());
        pitch = fitPitch(FitRule::Communication, writer.width(), writer.height(), measureComm(*s, false), setup.pitch);
        PrintJob pdf(JobInfo{}, res::Language::English);
        pdf.add(QString(), commDocument(s, setup));
        ASSERT_TRUE(pdf.run(writer));
    }
    const auto pages = test::pdfPageWords(path);
    ASSERT_EQ(pages.size(), 1u);
    std::vector<test::PdfWord> labels;
    for (const test::PdfWord& w : pages[0])
        if (w.text == "K1" || w.text == "K2") labels.push_back(w);
    ASSERT_EQ(labels.size(), 4u);
    std::sort(labels.begin(), labels.end(), [](const auto& a, const auto& b) { return a.xMin < b.xMin; });
    // The two at the RNH6, left of the card's.
    const double points = pitch * 72.0 / 600;
    EXPECT_NEAR(labels[0].xMin, labels[1].xMin, 1);
    EXPECT_NEAR(std::abs(labels[0].yMin - labels[1].yMin), points, 1.5);
    EXPECT_NE(labels[0].text, labels[1].text);
}

}  // namespace
}  // namespace kravin::print

// The printed pages drawn offscreen: into images (pages in any order) and into
// PDF files read back with pdftotext.
#include "print_job.h"
#include "print_pages.h"

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

}  // namespace
}  // namespace kravin::print

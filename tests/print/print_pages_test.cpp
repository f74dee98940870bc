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

}  // namespace
}  // namespace kravin::print

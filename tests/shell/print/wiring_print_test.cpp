// File > Print and Print Preview from the analog terminal connection view and
// the analog step of Bulk Print, through the real main frame, printed into
// PDF files and read back with pdftotext. Printing leaves the current unit
// and the work folder as they were.
#include "KRAVinA.h"
#include "anatan_page.h"
#include "child_frame.h"
#include "command_ids.h"
#include "model_select.h"
#include "pdf_pages.h"
#include "print_service.h"
#include "system_cells.h"
#include "wiring_road.h"
#include "unit_files.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <map>

namespace kravin::shell {
namespace {

using test::WiringRoad;

class PdfChooser final : public print::PrinterChooser {
public:
    explicit PdfChooser(std::string folder) : folder_(std::move(folder)) {}
    bool choose(QPrinter& printer, QWidget*) override
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(next("print")));
        return true;
    }
    void preview(QPrinter& printer, const std::function<void(QPrinter*)>& paint, QWidget*) override
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(next("preview")));
        paint(&printer);
    }
    bool confirmPages(const print::TileGrid& tiles, bool preview, res::Language, QWidget*) override
    {
        asked.push_back({tiles, preview});
        return acceptPages;
    }
    std::string next(const char* what)
    {
        files.push_back(folder_ + "/" + what + std::to_string(files.size()) + ".pdf");
        return files.back();
    }

    bool acceptPages = true;
    std::vector<std::pair<print::TileGrid, bool>> asked;
    std::vector<std::string> files;

private:
    std::string folder_;
};

bool has(const std::string& page, const std::string& part) { return page.find(part) != std::string::npos; }

using Files = std::map<std::string, std::vector<char>>;
Files snapshot(const std::filesystem::path& root)
{
    Files files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) continue;
        std::ifstream in(e.path(), std::ios::binary);
        files[std::filesystem::relative(e.path(), root).string()] = {std::istreambuf_iterator<char>(in),
                                                                      std::istreambuf_iterator<char>()};
    }
    return files;
}

struct UnitState {
    int station, card;
    std::string model;
    std::array<model::BlockCode, model::kGroups> blocks;
    bool operator==(const UnitState&) const = default;
};

class WiringPrintTest : public WiringRoad {
protected:
    std::shared_ptr<PdfChooser> pdf;
    print::TileGrid lastTiles;
    int scale = 100;
    bool fit = true;

    void SetUp() override
    {
        pdf = std::make_shared<PdfChooser>(dir.str());
        printerChooser = pdf;
        services.askPrintScale = [this](int) { return std::optional<PrintSettings>(PrintSettings{0, scale, fit}); };
        start();
        makeProject();
    }

    // Station 0 (RNH6) with a QV200 card in slot 1: blocks 30 and 32 ADS, 31
    // LAG; a line 30.OT1 -> 31.IN1 with two bends; block 32 never placed.
    void makeProject()
    {
        session().g_projectName = "Plant";
        // Their boxes on the communication diagram.
        placeStation(0, "RNH6", 4, 12);
        placeCard(0, 1, "QV200", 40, 12);
        writeUnitFile(0, 0, {{0, "00SYS"}, {1, "01CTL"}, {80, "94SSW"}, {30, "51ADS"}, {31, "60LAG"}, {32, "51ADS"}},
                      {{31, 10, "3004"}}, {{30, {20, 10}}, {31, {20, 40}}});
        writeLine(0, 1, 31, 10, {{15, 30}, {15, 22}});
    }

    void openAnalogView()
    {
        app->unitSelection().select(0, 1);
        app->unitSelection().loadUnitBlocks();
        ASSERT_TRUE(frame().trigger(cmd::ViewAnaTan));
        ASSERT_NE(app->anaTanPage(), nullptr);
        frame().mdiArea()->setActiveSubWindow(frame().frame(ViewKind::AnaTan));
        ASSERT_EQ(frame().activeKind(), ViewKind::AnaTan);
    }

    UnitState unitState()
    {
        const model::UnitContext& u = app->unitContext();
        return {u.g_curStation, u.g_curCard, std::string(u.model()), u.g_unitBlocks};
    }
};

TEST_F(WiringPrintTest, PrintFromTheAnalogViewFittedAndTiled)
{
    openAnalogView();
    const Files before = snapshot(work());
    const UnitState unitBefore = unitState();

    // Fitted: one page, no page count asked.
    ASSERT_TRUE(frame().trigger(cmd::FilePrint));
    ASSERT_EQ(pdf->files.size(), 1u);
    EXPECT_TRUE(pdf->asked.empty());
    auto pages = test::pdfPageTexts(pdf->files[0]);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(has(pages[0], "*KRAVin3 Analog Connection*"));
    EXPECT_TRUE(has(pages[0], "Project Name :Plant"));
    EXPECT_TRUE(has(pages[0], "STATION:00 CARD:0 QV200"));
    for (const char* text : {"G30", "G31", "G32", "ADS(51)", "LAG(60)", "IN1", "OT1"})
        EXPECT_TRUE(has(pages[0], text)) << text;

    // At 100 %: the tiles are counted on the chosen printer and confirmed.
    fit = false;
    ASSERT_TRUE(frame().trigger(cmd::FilePrint));
    ASSERT_EQ(pdf->asked.size(), 1u);
    const print::TileGrid tiles = pdf->asked[0].first;
    EXPECT_FALSE(pdf->asked[0].second);
    EXPECT_GT(tiles.total, 1);
    ASSERT_EQ(pdf->files.size(), 2u);
    pages = test::pdfPageTexts(pdf->files[1]);
    ASSERT_EQ(static_cast<int>(pages.size()), tiles.total);
    for (int i = 0; i < tiles.total; ++i) EXPECT_TRUE(has(pages[static_cast<std::size_t>(i)], "(" + std::to_string(i + 1) + ")"));
    EXPECT_TRUE(has(pages[0], "G30"));  // the top left tile

    // Cancel in the Number of Print Pages dialog prints nothing.
    pdf->acceptPages = false;
    ASSERT_TRUE(frame().trigger(cmd::FilePrint));
    ASSERT_EQ(pdf->files.size(), 3u);
    EXPECT_FALSE(std::filesystem::exists(pdf->files[2]));

    // The toolbar's preview takes the zoom box's scale and shows "Preview" pages.
    pdf->acceptPages = true;
    ASSERT_TRUE(frame().trigger(cmd::ToolPreview));
    ASSERT_EQ(pdf->asked.size(), 3u);
    EXPECT_TRUE(pdf->asked[2].second);
    ASSERT_EQ(pdf->files.size(), 4u);
    EXPECT_EQ(static_cast<int>(test::pdfPageTexts(pdf->files[3]).size()), pdf->asked[2].first.total);

    // The unit and the work folder are as they were.
    EXPECT_TRUE(unitState() == unitBefore);
    EXPECT_TRUE(snapshot(work()) == before);
}

TEST_F(WiringPrintTest, BulkPrintAddsTheAnalogPagesOfEveryCard)
{
    app->unitSelection().select(0, 1);
    app->unitSelection().loadUnitBlocks();
    const Files before = snapshot(work());
    const UnitState unitBefore = unitState();
    QString status;
    bool analogOffered = false;
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [&, timer] {
        auto* d = qobject_cast<print::BulkPrintDialog*>(QApplication::activeModalWidget());
        if (!d) return;
        timer->stop();
        timer->deleteLater();
        analogOffered = d->check(print::CheckAnalog)->isEnabled() && d->check(print::CheckAnalog)->isChecked() &&
                        d->check(print::CheckComm)->isEnabled() && d->check(print::CheckComm)->isChecked();
        for (int id : {print::CheckCover, print::CheckSystem, print::CheckBlockList, print::CheckBlockSetting,
                       print::CheckSequence, print::CheckLadder})
            d->check(id)->setChecked(false);
        QObject::connect(d, &print::BulkPrintDialog::finished, d, [d, &status] {
            status = d->statusText();
            QTimer::singleShot(0, d->closeButton(), &QPushButton::click);
        });
        d->startButton()->click();
    });
    timer->start();
    ASSERT_TRUE(frame().trigger(cmd::FileBulkPrint));
    EXPECT_TRUE(analogOffered);
    EXPECT_EQ(status.toStdString(), "Printing is completed.");
    ASSERT_EQ(pdf->files.size(), 1u);
    const auto pages = test::pdfPageTexts(pdf->files[0]);
    // The communication diagram of the project, then the one card's analog diagram, each fitted.
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_TRUE(has(pages[0], "*KRAVin3 Communication Terminal*"));
    EXPECT_TRUE(has(pages[0], "Station:00 Card:0 QV200"));
    EXPECT_TRUE(has(pages[0], "Digital Out"));
    EXPECT_TRUE(has(pages[0], "(1)"));
    EXPECT_TRUE(has(pages[1], "*KRAVin3 Analog Connection*"));
    EXPECT_TRUE(has(pages[1], "Print all jobs"));
    EXPECT_TRUE(has(pages[1], "(2)"));
    EXPECT_TRUE(has(pages[1], "G31"));
    // Block 32 was never placed: printed at its default place, not written.
    EXPECT_TRUE(has(pages[1], "G32"));
    EXPECT_TRUE(unitState() == unitBefore);
    EXPECT_TRUE(snapshot(work()) == before);
    // Reading a diagram for printing leaves the unit image without default places.
    auto snap = app->printService().analogSnapshot(false);
    ASSERT_TRUE(snap);
    EXPECT_TRUE(snap->diagram.blocks[32].drawn);
    EXPECT_NE(snap->diagram.blocks[32].x, 0);
    int x = -1, y = -1;
    KRAVinA_Data_XY_Get(32, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

TEST_F(WiringPrintTest, PrintFromTheCommunicationView)
{
    app->unitSelection().select(0, 1);
    app->unitSelection().loadUnitBlocks();
    ASSERT_TRUE(frame().trigger(cmd::ViewDenTan));
    frame().mdiArea()->setActiveSubWindow(frame().frame(ViewKind::DenTan));
    ASSERT_EQ(frame().activeKind(), ViewKind::DenTan);
    const Files before = snapshot(work());
    const UnitState unitBefore = unitState();
    ASSERT_TRUE(frame().trigger(cmd::FilePrint));
    ASSERT_EQ(pdf->files.size(), 1u);
    auto pages = test::pdfPageTexts(pdf->files[0]);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(has(pages[0], "*KRAVin3 Communication Terminal*"));
    EXPECT_TRUE(has(pages[0], "Project Name :Plant"));
    EXPECT_TRUE(has(pages[0], "Station:00 Card:0 QV200"));
    EXPECT_FALSE(has(pages[0], "(1)"));
    fit = false;
    scale = 100;
    ASSERT_TRUE(frame().trigger(cmd::FilePrint));
    ASSERT_EQ(pdf->asked.size(), 1u);
    ASSERT_EQ(pdf->files.size(), 2u);
    pages = test::pdfPageTexts(pdf->files[1]);
    EXPECT_EQ(static_cast<int>(pages.size()), pdf->asked[0].first.total);
    EXPECT_TRUE(has(pages[0], "(1)"));
    EXPECT_TRUE(unitState() == unitBefore);
    EXPECT_TRUE(snapshot(work()) == before);
}

TEST_F(WiringPrintTest, CardsOfOneSlotInThreeStationsPrintAsThreeBoxesAtTheirSlots)
{
    for (int s : {1, 2, 5}) {
        test::chooseModel("QV200", "1.00");
        test::doubleClickSystemCell(*app->systemView(), s, 1);
        ASSERT_EQ(app->unitContext().unitKindName(s, 1).substr(0, 6), "QV200 ") << s;
    }
    ASSERT_TRUE(frame().trigger(cmd::ViewDenTan));
    frame().mdiArea()->setActiveSubWindow(frame().frame(ViewKind::DenTan));
    ASSERT_EQ(frame().activeKind(), ViewKind::DenTan);
    ASSERT_TRUE(frame().trigger(cmd::FilePrint));
    ASSERT_EQ(pdf->files.size(), 1u);
    const auto pages = test::pdfPageWords(pdf->files[0]);
    ASSERT_EQ(pages.size(), 1u);
    std::map<std::string, std::vector<test::PdfWord>> captions;
    for (const test::PdfWord& w : pages[0]) captions[w.text].push_back(w);
    for (const char* s : {"Station:01", "Station:02", "Station:05"}) ASSERT_EQ(captions[s].size(), 1u) << s;
    const test::PdfWord& a = captions["Station:01"][0];
    const test::PdfWord& b = captions["Station:02"][0];
    const test::PdfWord& e = captions["Station:05"][0];
    // One row; one station's column apart, wider than a caption, and station 5 four columns on.
    EXPECT_NEAR(a.yMin, b.yMin, 0.1);
    EXPECT_NEAR(a.yMin, e.yMin, 0.1);
    const double column = b.xMin - a.xMin;
    EXPECT_GT(column, a.xMax - a.xMin);
    EXPECT_NEAR(e.xMin - a.xMin, 4 * column, 0.02 * column);
}

TEST_F(WiringPrintTest, NumberOfPrintPagesDialog)
{
    print::TileGrid tiles;
    tiles.across = 3;
    tiles.down = 2;
    tiles.total = 6;
    print::PrintPagesDialog printing(tiles, false, res::Language::English);
    EXPECT_EQ(printing.across()->text().toStdString(), "3");
    EXPECT_EQ(printing.down()->text().toStdString(), "2");
    EXPECT_EQ(printing.total()->text().toStdString(), "6");
    EXPECT_TRUE(printing.total()->isReadOnly());
    EXPECT_EQ(printing.okButton()->text().toStdString(), "OK");
    print::PrintPagesDialog previewing(tiles, true, res::Language::English);
    EXPECT_EQ(previewing.okButton()->text().toStdString(), "Preview");
}

}  // namespace
}  // namespace kravin::shell

// The communication terminal connection view through the real main frame:
// blocks dropped from its palette on two cards, the two terminals connected
// with the mouse through a bend, saved and opened again with the same diagram.
#include "block_setting_dialog.h"
#include "block_state.h"
#include "child_frame.h"
#include "command_ids.h"
#include "dentan_page.h"
#include "frame_bars.h"
#include "hand_drag.h"
#include "modal_script.h"
#include "model_select.h"
#include "palette_rules.h"
#include "shell_fixture.h"
#include "system_cells.h"
#include "print_service.h"
#include "small_dialogs.h"
#include "system_view_logic.h"
#include "wiring_pages.h"
#include "wiring_tiles.h"
#include "wiring_road.h"
#include "toolbox_dock.h"
#include "unit_files.h"

#include <QDockWidget>
#include <QDropEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QMimeData>
#include <QTest>

#include <filesystem>
#include <fstream>

namespace kravin::shell {
namespace {

using test::WiringRoad;

class NoDialogs final : public wiring::comm::DenTanDialogs {
public:
    std::optional<wiring::comm::DevicePlace> deviceLayout(const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> jumpName() override { return jump; }
    std::optional<std::pair<int, std::uint32_t>> lineFormat(int, std::uint32_t) override { return format; }
    std::optional<std::string> chooseFunction(const editors::FunctionChoices&) override
    {
        ++chosen;
        return function;
    }
    model::CommentDialog* commentDialog() override { return &comments; }

    struct Comments final : model::CommentDialog {
        bool run(model::CommentDialogData& d) override
        {
            d.text = text;
            d.colour = 0x00FFFF;
            return !text.empty();
        }
        std::string text;
    } comments;
    std::optional<std::pair<int, std::uint32_t>> format;
    std::optional<std::string> function;
    std::optional<std::string> jump;
    int chosen = 0;
};

std::vector<char> bytesOf(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class DenTanPageTest : public WiringRoad {
protected:
    DenTanPage* page() { return app->denTanPage(); }
    QWidget* viewport() { return page()->view()->viewport(); }
    static QPoint cell(double x, double y) { return {static_cast<int>(x * 16), static_cast<int>(y * 16)}; }

    // Station 0 (RNH6) with QV200 cards in slots 1 and 2, saved as plant.KRA.
    std::string saveFixtureProject()
    {
        model::SystemConfigTables& t = app->systemTables();
        t.stationKind[0] = app->masters().station.find("RNH6");
        t.stationX[0] = 2, t.stationY[0] = 6;
        for (int c : {0, 1}) {
            t.cardKind[0][c] = app->masters().card.find("QV200");
            t.cardX[0][c] = 2 + 28 * c;
            t.cardY[0][c] = 20;
        }
        EXPECT_GT(t.stationKind[0], 0);
        EXPECT_GT(t.cardKind[0][0], 0);
        return saveProject();
    }

    void open()
    {
        ASSERT_TRUE(frame().trigger(cmd::ViewDenTan));
        ASSERT_NE(page(), nullptr);
        page()->view()->setDialogs(&dialogs);
        page()->resize(1400, 900);
    }

    // A hand's drag of the tile onto the point, taken there, and let go.
    void dropItem(const std::string& name, QPoint at)
    {
        test::HandDrag drag(*page()->palette(), name, viewport());
        ASSERT_TRUE(drag.started()) << name;
        ASSERT_TRUE(drag.moveTo(viewport(), at)) << name;
        EXPECT_TRUE(drag.release());
    }

    std::filesystem::path work() { return session().projectRecord.workFolder; }

    // A left-button drag in the viewport, with the button held during the move.
    void drag(QPoint from, QPoint to)
    {
        QWidget* vp = viewport();
        QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, from);
        QMouseEvent move(QEvent::MouseMove, QPointF(to), vp->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(vp, &move);
        QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, to);
    }

    NoDialogs dialogs;
};

// Whether the top edge of a box at grid (x, y) is drawn on the picture at pitch p
// (probed mid-way along it, between the grid's dots).
bool boxEdgeAt(const QImage& image, int x, int y, int p)
{
    for (int dy = -1; dy <= 1; ++dy)
        if (qGray(image.pixel(x * p + 12 * p + p / 2, (y - 4) * p + dy)) < 128) return true;
    return false;
}

TEST_F(DenTanPageTest, CardsOfOneSlotInThreeStationsShowAsThreeBoxesAtTheirSlots)
{
    start();
    for (int s : {0, 1, 5}) {
        test::chooseModel("QV200", "1.00");
        test::doubleClickSystemCell(*app->systemView(), s, 1);
        ASSERT_EQ(app->unitContext().unitKindName(s, 1).substr(0, 6), "QV200 ") << s;
    }
    open();
    frame().applyZoomText(QStringLiteral("50%"));
    ASSERT_EQ(page()->view()->pitch(), 8);
    const auto& table = page()->view()->editor().table();
    QImage image(viewport()->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    page()->view()->render(painter, image.size());
    painter.end();
    // Station s's card 0 (slot 1) stands in column s, row 1 of the sheet's 24 x 13 cells.
    for (int s = 0; s <= 5; ++s) {
        const bool placed = s == 0 || s == 1 || s == 5;
        const int x = 24 * s + 4, y = 19;
        EXPECT_EQ(table.slot(s, 0)->used != 0, placed) << s;
        if (placed) {
            EXPECT_EQ(table.slot(s, 0)->x, x) << s;
            EXPECT_EQ(table.slot(s, 0)->y, y) << s;
        }
        EXPECT_EQ(boxEdgeAt(image, x, y, 8), placed) << s;
    }
}

TEST_F(DenTanPageTest, BoxesOfAnEarlierVersionOpenAtTheirSlots)
{
    start();
    // Where earlier versions put every card 0 (slot 1), whatever the station; station
    // 2's card was moved by hand.
    model::SystemConfigTables& t = app->systemTables();
    for (int s : {0, 1, 2, 5}) {
        t.cardKind[s][0] = app->masters().card.find("QV200");
        t.cardX[s][0] = 4 * 24 + 4;
        t.cardY[s][0] = 2 * 13 + 6;
    }
    t.cardX[2][0] = 300;
    t.cardY[2][0] = 90;
    const std::string path = dir / "old.KRA";
    prompt.dialog([=](model::ProjectDialogData& d) {
        d.name = "Old";
        d.location = path;
        return true;
    });
    ASSERT_TRUE(frame().trigger(cmd::FileSave));
    ASSERT_TRUE(frame().trigger(cmd::FileNew));
    ASSERT_FALSE(frame().recentFileActions().isEmpty());
    frame().recentFileActions().front()->trigger();
    ASSERT_EQ(session().projectRecord.path, path);
    EXPECT_FALSE(session().projectRecord.modified);

    open();
    const auto& table = page()->view()->editor().table();
    for (int s : {0, 1, 5}) {
        EXPECT_EQ(table.slot(s, 0)->x, 24 * s + 4) << s;
        EXPECT_EQ(table.slot(s, 0)->y, 19) << s;
    }
    EXPECT_EQ(table.slot(2, 0)->x, 300);
    EXPECT_EQ(table.slot(2, 0)->y, 90);
}

TEST_F(DenTanPageTest, ConnectTwoCardsSaveAndReopenGiveTheSameDiagram)
{
    start();
    const std::string path = saveFixtureProject();
    open();
    EXPECT_EQ(frame().frame(ViewKind::DenTan)->view(), page());
    EXPECT_TRUE(page()->palette()->isVisible());
    const auto& table = page()->view()->editor().table();
    ASSERT_TRUE(table.slot(0, -1)->used);
    ASSERT_TRUE(table.slot(0, 1)->used);

    // CDO on card 0's first terminal (top row), CDI on card 1's ninth (bottom row).
    dropItem("CDO", cell(3.5, 17));
    dropItem("CDI", cell(31.5, 24));
    ASSERT_EQ(table.terminal(0, 0, 11)->kind, 2);
    ASSERT_EQ(table.terminal(0, 1, 19)->kind, 1);
    EXPECT_TRUE(frame().action(cmd::EditUndo)->isEnabled());

    // From the CDO up, across, and down into the CDI.
    QWidget* vp = viewport();
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(3.5, 17));
    ASSERT_EQ(page()->view()->editor().linkMode(), 4);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(4, 12));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(60, 12));
    ASSERT_EQ(page()->view()->editor().breakPoints().size(), 2u);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(31.5, 24));
    const model::CommLinkTerminal& r = *table.terminal(0, 1, 19);
    ASSERT_EQ(r.link, 1);
    EXPECT_EQ(r.points, 2);
    EXPECT_EQ(r.sourceCard, 0);
    EXPECT_EQ(r.sourceTerminal, 11);
    const auto before = std::make_unique<model::CommLinkTable>(table);

    ASSERT_TRUE(frame().trigger(cmd::FileSave));
    const auto dcon = work() / model::dconPath(0, 2);
    const std::vector<char> dconBytes = bytesOf(dcon);
    ASSERT_FALSE(dconBytes.empty());

    ASSERT_TRUE(frame().trigger(cmd::FileNew));
    EXPECT_FALSE(frame().views().frameExists(ViewKind::DenTan));
    prompt.file(path);
    ASSERT_TRUE(frame().trigger(cmd::FileOpen));
    EXPECT_EQ(bytesOf(work() / model::dconPath(0, 2)), dconBytes);
    open();
    EXPECT_TRUE(page()->view()->editor().table() == *before);
}

TEST_F(DenTanPageTest, DoubleClickOnABoxOpensItsFunctionBlockList)
{
    start();
    saveFixtureProject();
    open();
    QTest::mouseDClick(viewport(), Qt::LeftButton, Qt::NoModifier, cell(40, 20));
    EXPECT_EQ(app->unitContext().g_curStation, 0);
    EXPECT_EQ(app->unitContext().g_curCard, 2);
    EXPECT_TRUE(frame().views().frameExists(ViewKind::BlkList));
}

TEST_F(DenTanPageTest, DoubleClickOnATerminalOpensAPrintableBlockSetting)
{
    start();
    saveFixtureProject();
    ASSERT_TRUE(frame().trigger(cmd::ViewDenTan));
    ASSERT_NE(page(), nullptr);
    page()->resize(1400, 900);
    dropItem("CDO", cell(3.5, 17));
    ASSERT_EQ(page()->view()->editor().table().terminal(0, 0, 11)->kind, 2);
    bool opened = false, printable = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<editors::blocks::BlockSettingDialog*>(QApplication::activeModalWidget());
        if (!d) return;
        opened = true;
        printable = d->findChild<QPushButton*>(QStringLiteral("print"))->isEnabled();
        d->reject();
    });
    QTest::mouseDClick(viewport(), Qt::LeftButton, Qt::NoModifier, cell(3.5, 17));
    EXPECT_TRUE(opened);
    EXPECT_TRUE(printable);
}

TEST_F(DenTanPageTest, PaletteHoldsCardModelsAndTheFourBlocksAndNothingStartsOnline)
{
    start();
    saveFixtureProject();
    open();
    // Card models, then the terminal blocks, which are open at first.
    ToolBoxDock& palette = *page()->palette();
    const auto& cats = palette.categories();
    ASSERT_EQ(cats.size(), 2u);
    EXPECT_EQ(palette.openCategory(), 1);
    EXPECT_EQ(palette.categoryButton(0)->text(), QStringLiteral("Card"));
    EXPECT_EQ(palette.categoryButton(1)->text(), QStringLiteral("Communication Terminal"));
    EXPECT_EQ(palette.list()->count(), 4);
    std::vector<std::string> cards, blocks;
    for (const PaletteItem& i : cats[0].items) cards.push_back(i.name);
    for (const PaletteItem& i : cats[1].items) blocks.push_back(i.name + i.code);
    EXPECT_NE(std::find(cards.begin(), cards.end(), "QV200"), cards.end());
    EXPECT_EQ(std::find(cards.begin(), cards.end(), "TQRQ$"), cards.end());
    EXPECT_EQ(blocks, (std::vector<std::string>{"CDI31", "CDO32", "CAI33", "CAO34"}));
    // Help of a communication block whose document is missing: 7016.
    ASSERT_TRUE(palette.onItemHelp);
    palette.onItemHelp(&cats[1].items[0]);
    EXPECT_EQ(prompt.ids().back(), kMsgNoTerminalHelp);
    // The drag shows a terminal's size, or a card's box, at the view's zoom.
    const QPixmap tile(46, 46);
    EXPECT_EQ(paletteDragPicture(page(), tile).image.size(), QSize(40, 30));
    frame().applyZoomText(QStringLiteral("200%"));
    EXPECT_EQ(page()->view()->pitch(), 32);
    EXPECT_EQ(paletteDragPicture(page(), tile).image.size(), QSize(80, 60));
    palette.categoryButton(0)->click();
    EXPECT_EQ(paletteDragPicture(page(), tile).image.size(), QSize(800, 288));
    app->online().online = true;
    EXPECT_FALSE(page()->dragAllowed());
    EXPECT_FALSE(frame().action(cmd::EditUndo)->isEnabled());
    app->online().online = false;
}

TEST_F(DenTanPageTest, RubberBandSelectsBothCardsAndDeleteAsksOnceAndUndoes)
{
    start();
    saveFixtureProject();
    open();
    const auto& table = page()->view()->editor().table();
    // From the free row between the station and the cards around both cards (2..27 and 30..55, rows 16..25).
    drag(cell(1, 14), cell(60, 27));
    EXPECT_EQ(page()->view()->editor().selectedBoxes(), (std::vector<wiring::comm::UnitRef>{{0, 0}, {0, 1}}));
    ASSERT_TRUE(frame().action(cmd::EditDelete)->isEnabled());
    prompt.answer(8101, model::Answer::Ok);
    ASSERT_TRUE(frame().trigger(cmd::EditDelete));
    const std::vector<int> asked = prompt.ids();
    EXPECT_EQ(std::count(asked.begin(), asked.end(), 8101), 1);
    EXPECT_FALSE(table.slot(0, 0)->used);
    EXPECT_FALSE(table.slot(0, 1)->used);
    EXPECT_EQ(app->systemTables().cardKind[0][0], 0);
    ASSERT_TRUE(frame().trigger(cmd::EditUndo));
    EXPECT_TRUE(table.slot(0, 1)->used);
    ASSERT_TRUE(frame().trigger(cmd::EditUndo));
    EXPECT_TRUE(table.slot(0, 0)->used);

    // A click on a box selects it alone, Ctrl adds; a drag moves both.
    QTest::mouseClick(viewport(), Qt::LeftButton, Qt::NoModifier, cell(10, 21));
    QTest::mouseClick(viewport(), Qt::LeftButton, Qt::ControlModifier, cell(40, 21));
    ASSERT_EQ(page()->view()->editor().selectedBoxes().size(), 2u);
    drag(cell(10, 21), cell(10, 31));
    EXPECT_EQ(table.slot(0, 0)->y, 30);
    EXPECT_EQ(table.slot(0, 1)->y, 30);
    EXPECT_EQ(app->systemTables().cardY[0][1], 30);
    // Select All takes the station too.
    ASSERT_TRUE(frame().trigger(cmd::EditSelectAll));
    EXPECT_EQ(page()->view()->editor().selectedBoxes().size(), 3u);
}

TEST_F(DenTanPageTest, AReceiverReTransmitsToAnotherCardAndUndoTakesItBack)
{
    start();
    saveFixtureProject();
    open();
    const auto& table = page()->view()->editor().table();
    QWidget* vp = viewport();
    // Card 0 sends on 11 (CAO) and receives on 20 (CAI); card 1 receives on 19 (CAI).
    for (const auto& [at, function] : {std::pair{cell(3.5, 17), "CAO 34"}, std::pair{cell(31.5, 24), "CAI 33"},
                                       std::pair{cell(6.5, 24), "CAI 33"}}) {
        dialogs.function = function;
        QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, at);
    }
    ASSERT_EQ(table.terminal(0, 0, 11)->kind, 4);
    ASSERT_EQ(table.terminal(0, 1, 19)->kind, 3);
    ASSERT_EQ(table.terminal(0, 0, 20)->kind, 3);
    // Card 1's CAI receives from card 0's CAO.
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(3.5, 17));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(4, 12));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(60, 12));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(31.5, 24));
    ASSERT_EQ(table.terminal(0, 1, 19)->link, 1);
    const std::vector<char> before = bytesOf(work() / model::dconPath(0, 1));

    // From card 1's CAI down, across and up into card 0's CAI: a re-transmission.
    prompt.clearLog();
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(31.5, 24));
    ASSERT_EQ(page()->view()->editor().linkMode(), 1);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(32, 32));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(7, 32));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(6.5, 24));
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
    const model::CommLinkTerminal& c = *table.terminal(0, 0, 20);
    ASSERT_EQ(c.link, 1);
    EXPECT_EQ(c.sourceCard, 1);
    EXPECT_EQ(c.sourceTerminal, 19);
    EXPECT_EQ(c.points, 2);
    EXPECT_EQ(session().projectRecord.modified, 1);

    frame().refresh();
    ASSERT_TRUE(frame().action(cmd::EditUndo)->isEnabled());
    ASSERT_TRUE(frame().trigger(cmd::EditUndo));
    EXPECT_EQ(table.terminal(0, 0, 20)->link, 0);
    EXPECT_EQ(table.terminal(0, 1, 19)->link, 1);
    EXPECT_EQ(bytesOf(work() / model::dconPath(0, 1)), before);
    ASSERT_TRUE(frame().trigger(cmd::EditRedo));
    EXPECT_EQ(table.terminal(0, 0, 20)->link, 1);
}

// The fitted communication page of the project's files, drawn as File > Print
// draws it, at 150 dots per inch; ink() counts the dark pixels around a grid point.
class CommPrintImage {
public:
    explicit CommPrintImage(print::PrintService& service)
    {
        image_.setDotsPerMeterX(5906);
        image_.setDotsPerMeterY(5906);
        image_.fill(Qt::white);
        const std::shared_ptr<print::CommSnapshot> s = service.commSnapshot(false);
        const print::WiringPrintSetup setup = print::commSetup(*s, true, 100, kW, kH);
        pitch_ = print::fitPitch(print::FitRule::Communication, kW, kH, print::measureComm(*s, false), setup.pitch);
        const auto doc = print::commDocument(s, setup);
        QPainter painter(&image_);
        print::renderPage(painter, image_, *doc, 0, {}, res::Language::English, 1);
    }
    int ink(double gx, double gy) const
    {
        const int x = (kW * 7 / 100 + static_cast<int>(gx * pitch_)) / 4;
        const int y = (kH * 10 / 100 + static_cast<int>(gy * pitch_)) / 4;
        int n = 0;
        for (int py = y - 2; py <= y + 2; ++py)
            for (int px = x - 2; px <= x + 2; ++px)
                if (image_.rect().contains(px, py) && qGray(image_.pixel(px, py)) < 160) ++n;
        return n;
    }

private:
    static constexpr int kW = 1240 * 4, kH = 1754 * 4;  // A4 in 600-dpi dots
    QImage image_{1240, 1754, QImage::Format_RGB32};
    int pitch_ = 0;
};

// RNH6 terminal 11 -> station 3's CDI 11 -> station 4's CDI 11, each line drawn
// with two right-angled bends: both routes stay as drawn through undo, redo,
// save, reopening and the print.
TEST_F(DenTanPageTest, AReTransmissionKeepsBothDrawnRoutes)
{
    start();
    placeStation(0, "RNH6", 30, 10);
    placeCard(3, 1, "QV200", 2, 40);
    placeCard(4, 1, "QV200", 60, 40);
    writeUnitFile(0, -1, {{0, "00SYS"}, {11, "32CDO"}});  // the RNH6 sends on terminal 11
    const std::string path = saveProject();
    open();
    dropItem("CDI", cell(3.5, 37));
    dropItem("CDI", cell(61.5, 37));
    const model::CommLinkTable* table = &page()->view()->editor().table();
    ASSERT_EQ(table->terminal(0, -1, 11)->kind, 2);
    ASSERT_EQ(table->terminal(3, 0, 11)->kind, 1);
    ASSERT_EQ(table->terminal(4, 0, 11)->kind, 1);

    prompt.clearLog();
    QWidget* vp = viewport();
    const auto clicks = [vp](std::initializer_list<QPoint> points) {
        for (const QPoint& at : points) QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, at);
    };
    // RNH6 11 up, left and down into station 3's CDI.
    clicks({cell(31.5, 7), cell(32, 3), cell(4, 3), cell(3.5, 37)});
    // From there up, right and down into station 4's CDI: a re-transmission.
    clicks({cell(3.5, 37), cell(4, 32), cell(62, 32), cell(61.5, 37)});
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());

    using Route = std::vector<std::pair<int, int>>;
    const auto route = [](const model::CommLinkTerminal& r) {
        Route out;
        for (int i = 0; i < r.points; ++i) out.emplace_back(r.pointX[static_cast<std::size_t>(i)], r.pointY[static_cast<std::size_t>(i)]);
        return out;
    };
    const Route first{{4, 3}, {32, 3}}, second{{62, 32}, {4, 32}};
    const auto bothRoutes = [&](const model::CommLinkTable& tb, const char* when) {
        SCOPED_TRACE(when);
        const model::CommLinkTerminal& b = *tb.terminal(3, 0, 11);
        EXPECT_EQ(b.link, 1);
        EXPECT_EQ(b.sourceStation, 0);
        EXPECT_EQ(b.sourceCard, -1);
        EXPECT_EQ(b.sourceTerminal, 11);
        EXPECT_EQ(route(b), first);
        const model::CommLinkTerminal& c = *tb.terminal(4, 0, 11);
        EXPECT_EQ(c.link, 1);
        EXPECT_EQ(c.sourceStation, 3);
        EXPECT_EQ(c.sourceCard, 0);
        EXPECT_EQ(c.sourceTerminal, 11);
        EXPECT_EQ(route(c), second);
    };
    bothRoutes(*table, "drawn");

    frame().refresh();
    ASSERT_TRUE(frame().trigger(cmd::EditUndo));
    EXPECT_EQ(route(*table->terminal(3, 0, 11)), first);
    EXPECT_EQ(table->terminal(4, 0, 11)->link, 0);
    ASSERT_TRUE(frame().trigger(cmd::EditRedo));
    bothRoutes(*table, "undone and done again");

    ASSERT_TRUE(frame().trigger(cmd::FileSave));
    ASSERT_TRUE(frame().trigger(cmd::FileNew));
    prompt.file(path);
    ASSERT_TRUE(frame().trigger(cmd::FileOpen));
    open();
    table = &page()->view()->editor().table();
    bothRoutes(*table, "reopened");

    // The print draws each route through its bends: the middle of every segment has ink.
    const CommPrintImage printed(app->printService());
    for (const auto& [x, y] : {std::pair{32.0, 4.5}, std::pair{18.0, 3.0}, std::pair{4.0, 20.0},  // first line
                               std::pair{4.0, 34.0}, std::pair{33.0, 32.0}, std::pair{62.0, 34.0}})
        EXPECT_GT(printed.ink(x, y), 0) << x << ", " << y;
    // Nothing runs where an overwritten first line would cut across.
    EXPECT_EQ(printed.ink(18.0, 19.0), 0);
}

TEST_F(DenTanPageTest, FreeTerminalOpensTheBlockSelectionAndABreakPointDragsWithUndo)
{
    start();
    saveFixtureProject();
    open();
    const auto& table = page()->view()->editor().table();
    // A click on the unused terminal 11 of card 0 chooses its block.
    dialogs.function = "CAO 34";
    QTest::mouseClick(viewport(), Qt::LeftButton, Qt::NoModifier, cell(3.5, 17));
    EXPECT_EQ(dialogs.chosen, 1);
    ASSERT_EQ(table.terminal(0, 0, 11)->kind, 4);
    dialogs.function = "CAI 33";
    QTest::mouseClick(viewport(), Qt::LeftButton, Qt::NoModifier, cell(31.5, 24));
    ASSERT_EQ(table.terminal(0, 1, 19)->kind, 3);

    // Connect through two bends, select the line, drag its first bend down.
    QWidget* vp = viewport();
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(3.5, 17));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(4, 12));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(60, 12));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(31.5, 24));
    const model::CommLinkTerminal& r = *table.terminal(0, 1, 19);
    ASSERT_EQ(r.link, 1);
    ASSERT_EQ(r.points, 2);
    // Stored from the receiving end: (60, 12), then (4, 12).
    const int bx = r.pointX[0], by = r.pointY[0];
    ASSERT_EQ(std::make_pair(bx, by), std::make_pair(60, 12));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(32, 12));
    ASSERT_TRUE(page()->view()->editor().selectedLine().valid());
    const std::vector<char> before = bytesOf(work() / model::dconPath(0, 2));
    drag(cell(bx, by), cell(bx, by - 3));
    EXPECT_EQ(r.pointY[0], by - 3);
    EXPECT_NE(bytesOf(work() / model::dconPath(0, 2)), before);
    ASSERT_TRUE(frame().trigger(cmd::EditUndo));
    EXPECT_EQ(bytesOf(work() / model::dconPath(0, 2)), before);

    // The context menu's break-point commands on the selected line.
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, cell(32, 12));
    const QPoint mid = cell(45.1, 12);
    EXPECT_TRUE(page()->view()->isCommandEnabled(wiring::comm::dencmd::AddBreakpoint, mid));
    EXPECT_FALSE(page()->view()->isCommandEnabled(wiring::comm::dencmd::DeleteBreakpoint, mid));
    page()->view()->runCommand(wiring::comm::dencmd::AddBreakpoint, mid);
    EXPECT_EQ(table.terminal(0, 1, 19)->points, 3);
    EXPECT_TRUE(page()->view()->isCommandEnabled(wiring::comm::dencmd::DeleteBreakpoint, mid));
    page()->view()->runCommand(wiring::comm::dencmd::DeleteBreakpoint, mid);
    EXPECT_EQ(table.terminal(0, 1, 19)->points, 2);
}

TEST_F(DenTanPageTest, AWaitingJumpLabelIsSelectedByAClickAndDeletedWithUndo)
{
    start();
    saveFixtureProject();
    open();
    dropItem("CDO", cell(3.5, 17));
    dialogs.jump = "J1";
    page()->view()->runCommand(wiring::comm::dencmd::AddJump, cell(3.5, 17));
    const wiring::comm::DenTanEditor& e = page()->view()->editor();
    ASSERT_EQ(e.pendingJumps().size(), 1u);
    // The label stands above the top-row terminal (anchor 4, 16).
    QTest::mouseClick(viewport(), Qt::LeftButton, Qt::NoModifier, cell(4, 12));
    ASSERT_EQ(e.selectedJumps().size(), 1u);
    QImage image(viewport()->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    page()->view()->render(painter, image.size());
    painter.end();
    EXPECT_EQ(image.pixelColor(4 * 16, 13 * 16), QColor(0, 255, 0));  // drawn again in green
    ASSERT_TRUE(frame().action(cmd::EditDelete)->isEnabled());
    ASSERT_TRUE(frame().trigger(cmd::EditDelete));
    EXPECT_TRUE(e.pendingJumps().empty());
    ASSERT_TRUE(frame().trigger(cmd::EditUndo));
    ASSERT_EQ(e.pendingJumps().size(), 1u);
    EXPECT_EQ(e.pendingJumps()[0].name, "J1");
    // A click elsewhere clears the label selection.
    QTest::mouseClick(viewport(), Qt::LeftButton, Qt::NoModifier, cell(100, 60));
    EXPECT_TRUE(e.selectedJumps().empty());
}

TEST_F(DenTanPageTest, BarClosesAfterAskingAboutPendingJumpsAndTheInfoBarShowsTheLineFormat)
{
    start();
    saveFixtureProject();
    app->settings().DT_LCOL = 0x0000FF;  // red
    open();
    ChildFrame* f = frame().frame(ViewKind::DenTan);
    auto* bar = f->findChild<ViewBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->templateId(), barid::DenTanBar);
    auto* info = f->findChild<QDockWidget*>(QStringLiteral("infoBar168"));
    ASSERT_NE(info, nullptr);
    info->widget()->resize(120, 300);
    const QImage sample = info->widget()->grab().toImage();
    EXPECT_EQ(sample.pixelColor(20, 10), QColor(255, 0, 0));

    dropItem("CDO", cell(3.5, 17));
    dialogs.jump = "J1";
    page()->view()->runCommand(wiring::comm::dencmd::AddJump, cell(3.5, 17));
    prompt.answer(8102, model::Answer::Cancel);
    ASSERT_TRUE(bar->click(barid::DenTanClose));
    EXPECT_TRUE(frame().views().frameExists(ViewKind::DenTan));
    EXPECT_EQ(prompt.ids().back(), 8102);
    ASSERT_TRUE(bar->click(barid::DenTanSystem));
    EXPECT_EQ(frame().activeKind(), ViewKind::System);
    prompt.answer(8102, model::Answer::Ok);
    ASSERT_TRUE(bar->click(barid::DenTanClose));
    QApplication::processEvents();
    EXPECT_FALSE(frame().views().frameExists(ViewKind::DenTan));
}

TEST_F(DenTanPageTest, PitchSheetAndLineFormatComeFromTheSettings)
{
    start();
    saveFixtureProject();
    app->settings().DT_UNIT = 24;
    app->settings().DT_DX = 10;
    app->settings().DT_LKIND = 5;
    app->settings().DT_LCOL = 0x00FF00;
    open();
    wiring::comm::DenTanView* view = page()->view();
    EXPECT_EQ(view->pitch(), 24);
    EXPECT_EQ(view->editor().lineFormat(), 5);
    EXPECT_EQ(view->editor().lineColour(), 0x00FF00u);
    // The sheet is DT_DX x 64 columns wide: column 639 is on it, 640 is not.
    EXPECT_TRUE(view->isCellInCanvas(QPoint(639 * 24, 5 * 24)));
    EXPECT_FALSE(view->isCellInCanvas(QPoint(640 * 24, 5 * 24)));
    EXPECT_EQ(view->canvasWidth(), 10 * 64 * 24);
    frame().applyZoomText(QStringLiteral("200%"));
    EXPECT_EQ(app->settings().DT_UNIT, 32);

    // A box selected by a click is outlined in green on the rendered picture.
    QTest::mouseClick(viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(10 * 32, 21 * 32));
    ASSERT_EQ(view->editor().selectedBoxes().size(), 1u);
    QImage image(viewport()->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    view->render(painter, image.size());
    painter.end();
    EXPECT_EQ(image.pixelColor(15 * 32, 16 * 32), QColor(0, 255, 0));  // top edge of card 0 (row 16)
    EXPECT_NE(image.pixelColor(40 * 32, 16 * 32), QColor(0, 255, 0));  // card 1 is not selected
}

TEST_F(DenTanPageTest, MenuFollowsTheModelAndLayersAndLineFormatReachTheirFiles)
{
    start();
    saveFixtureProject();
    open();
    wiring::comm::DenTanView* view = page()->view();
    const QPoint station = cell(10, 8), card = cell(10, 21);
    // RNH6 has no terminals nor a program to transfer.
    EXPECT_FALSE(view->isCommandEnabled(wiring::comm::dencmd::Download, station));
    EXPECT_TRUE(view->isCommandEnabled(wiring::comm::dencmd::RemoveDevice, station));
    EXPECT_EQ(view->isCommandEnabled(wiring::comm::dencmd::Download, card), app->onlineShell() != nullptr);
    EXPECT_FALSE(view->isCommandEnabled(wiring::comm::dencmd::DeleteJunction, card));

    // Line format: kept in DT_LKIND and DT_LCOL for the next lines.
    dialogs.format = std::make_pair(6, 0x0000FFu);
    view->runCommand(wiring::comm::dencmd::LineFormat, card);
    EXPECT_EQ(app->settings().DT_LKIND, 6);
    EXPECT_EQ(app->settings().DT_LCOL, 0x0000FF);
    EXPECT_EQ(view->editor().lineFormat(), 6);

    // A junction in the line colour, and Edit > Comment, land in DC_TENBYOU and DC_COM.
    view->runCommand(wiring::comm::dencmd::DrawJunction, cell(70, 40));
    ASSERT_TRUE(view->editor().figures()->used(0));
    EXPECT_EQ(view->editor().figures()->record(0).colour, 0x0000FF);
    dialogs.comments.text = "PUMP";
    ASSERT_TRUE(frame().action(cmd::EditComment)->isEnabled());
    ASSERT_TRUE(frame().trigger(cmd::EditComment));
    ASSERT_TRUE(view->editor().comments()->used(0));
    EXPECT_EQ(view->editor().comments()->record(0).textView(), "PUMP");
    ASSERT_TRUE(frame().trigger(cmd::FileSave));
    const std::vector<char> com = bytesOf(work() / model::kCommCommentFile);
    ASSERT_EQ(com.size(), model::kCommentBlockBytes);
    EXPECT_EQ(bytesOf(work() / model::kCommFigureFile).size(), model::kFigureBlockBytes);
    // A double click edits it; Undo gives the old text back, then takes the comment out of the layer.
    const model::CommentRecord& added = view->editor().comments()->record(0);
    dialogs.comments.text = "VALVE";
    QTest::mouseDClick(viewport(), Qt::LeftButton, Qt::NoModifier, cell(added.x + 1, added.y + 1));
    EXPECT_EQ(view->editor().comments()->record(0).textView(), "VALVE");
    ASSERT_TRUE(frame().trigger(cmd::EditUndo));
    EXPECT_EQ(view->editor().comments()->record(0).textView(), "PUMP");
    ASSERT_TRUE(frame().trigger(cmd::EditUndo));
    EXPECT_FALSE(view->editor().comments()->used(0));
    EXPECT_TRUE(view->editor().figures()->used(0));

    // The junction is selected and dragged, then removed by the menu; Align keeps a box inside the sheet.
    drag(cell(70, 40), cell(75, 42));
    EXPECT_EQ(view->editor().figures()->record(0).x, 75);
    EXPECT_EQ(view->editor().figures()->record(0).y, 42);
    EXPECT_TRUE(view->isCommandEnabled(wiring::comm::dencmd::DeleteJunction, card));
    view->runCommand(wiring::comm::dencmd::DeleteJunction, card);
    EXPECT_FALSE(view->editor().figures()->used(0));
    QTest::mouseClick(viewport(), Qt::LeftButton, Qt::NoModifier, card);
    ASSERT_TRUE(frame().trigger(cmd::AlignRight));
    EXPECT_EQ(view->editor().table().slot(0, 0)->x, 24 * 64 - 27);
}

// The used boxes of a link table with their models and versions, and where each
// connected terminal takes its value from ("00/1 QV200 1.00 11<00/0.11").
std::vector<std::string> drawnUnits(const model::CommLinkTable& table)
{
    std::vector<std::string> out;
    const auto text = [](const auto& a) { return std::string(a.data(), ::strnlen(a.data(), a.size())); };
    for (int s = 0; s < model::kStations; ++s)
        for (int c = -1; c < 16; ++c) {
            const model::CommLinkSlot* slot = table.slot(s, c);
            if (!slot || !slot->used) continue;
            char head[24];
            std::snprintf(head, sizeof head, "%02d/%c ", s, c < 0 ? 'S' : static_cast<char>('0' + c));
            std::string line = head + text(slot->kind) + " " + text(slot->version);
            for (int t = 11; t <= 26; ++t) {
                const model::CommLinkTerminal* r = table.terminal(s, c, t);
                if (!r || r->link == 0) continue;
                char link[40];
                std::snprintf(link, sizeof link, " %d<%02d/%d.%d", t, r->sourceStation, r->sourceCard, r->sourceTerminal);
                line += link;
            }
            out.push_back(line);
        }
    return out;
}

// With the communication view open behind the system view, every change of the
// project's units reaches what the view draws and what its print page prints,
// and no mark of the view stays on a unit that is gone.
TEST_F(DenTanPageTest, AnOpenViewAndItsPrintFollowEveryChangeOfTheUnits)
{
    start();
    placeCard(0, 1, "QV200", 2, 20);
    placeCard(0, 2, "QV200", 32, 20);
    placeCard(1, 1, "QV200", 2, 45);
    placeStation(2, "RNH6", 32, 45);
    saveProject();
    writeUnitFile(0, 0, {{0, "00SYS"}, {11, "32CDO"}, {12, "32CDO"}, {13, "32CDO"}, {14, "32CDO"}});
    writeUnitFile(0, 1, {{0, "00SYS"}, {11, "31CDI"}});
    writeUnitFile(1, 0, {{0, "00SYS"}, {11, "31CDI"}, {12, "31CDI"}, {13, "31CDI"}, {14, "31CDI"}});
    writeUnitFile(2, -1, {{0, "00SYS"}, {11, "32CDO"}});
    open();
    wiring::comm::DenTanEditor& e = page()->view()->editor();
    using wiring::comm::TerminalRef;
    const auto at = [](int s, int c, int terminal) { return TerminalRef{{s, c}, terminal - 11}; };
    // Within station 00, from 00 to 01, and two jumps: JL1 from card 00/0, JL2 from the RNH6.
    for (const auto& [from, to] : {std::pair{at(0, 0, 11), at(0, 1, 11)}, std::pair{at(0, 0, 12), at(1, 0, 11)}}) {
        e.clickTerminal(from);
        ASSERT_NE(e.linkMode(), 0);
        ASSERT_TRUE(e.clickTerminal(to));
    }
    ASSERT_EQ(e.addJump("JL1", at(0, 0, 13)), 2);
    ASSERT_EQ(e.addJump("JL1", at(1, 0, 12)), 1);
    ASSERT_EQ(e.addJump("JL2", at(2, -1, 11)), 2);
    ASSERT_EQ(e.addJump("JL2", at(1, 0, 13)), 1);
    // A label waiting on card 00/0, whose box is selected too.
    ASSERT_EQ(e.addJump("JL3", at(0, 0, 14)), 2);
    e.selectBox({0, 0}, false);
    // Back with the view's "System Configuration" button.
    auto* bar = frame().frame(ViewKind::DenTan)->findChild<ViewBar*>();
    ASSERT_NE(bar, nullptr);
    prompt.answer(8102, model::Answer::Ok);
    ASSERT_TRUE(bar->click(barid::DenTanSystem));
    ASSERT_EQ(frame().activeKind(), ViewKind::System);
    ASSERT_EQ(e.pendingJumps().size(), 1u);
    ShellSystemView* system = app->systemView();
    ASSERT_NE(system, nullptr);
    ASSERT_NE(page(), nullptr) << "the communication view stays open behind";

    const auto onCell = [&](int s, int c, int command) {
        bool offered = false;
        for (const auto& [id, enabled] : system->contextMenuEntries(test::systemCellCentre(*system, s, c)))
            if (id == command) offered = enabled;
        ASSERT_TRUE(offered) << command << " at " << s << "/" << c;
        for (int question : {8100, 8101}) prompt.answer(question, model::Answer::Ok);
        EXPECT_TRUE(system->runCommand(command));
    };
    const auto edit = [&](int command) {
        frame().refresh();
        ASSERT_TRUE(frame().action(command)->isEnabled()) << command;
        ASSERT_TRUE(frame().trigger(command));
    };
    namespace syscmd = editors::syscmd;
    struct Case {
        const char* what;
        std::function<void()> act;
        std::vector<std::string> units;  // the used slots afterwards, in order
        std::function<void()> after = {};
    };
    const std::vector<Case> cases{
        {"remove 00/0", [&] { onCell(0, 1, syscmd::RemoveDevice); }, {"00/1", "01/0", "02/S"},
         [&] {
             // Its waiting label and its box's selection went with it: JL3 on 01/0 waits anew.
             EXPECT_TRUE(e.pendingJumps().empty());
             EXPECT_TRUE(e.selectedBoxes().empty());
             EXPECT_EQ(e.addJump("JL3", at(1, 0, 14)), 2);
         }},
        {"undo the removal", [&] { edit(cmd::EditUndo); }, {"00/0", "00/1", "01/0", "02/S"}},
        {"redo the removal", [&] { edit(cmd::EditRedo); }, {"00/1", "01/0", "02/S"}},
        {"undo it again", [&] { edit(cmd::EditUndo); }, {"00/0", "00/1", "01/0", "02/S"}},
        {"select another version of 00/1",
         [&] {
             test::answerNextDialog<editors::SelectVersionDialog>([](editors::SelectVersionDialog* d) {
                 d->list()->setCurrentRow(d->list()->count() - 1);
                 d->accept();
             });
             onCell(0, 2, syscmd::SelectVersion);
         },
         {"00/0", "00/1", "01/0", "02/S"}},
        {"undo the version", [&] { edit(cmd::EditUndo); }, {"00/0", "00/1", "01/0", "02/S"}},
        {"copy 00/1 and paste it into 00/2",
         [&] {
             onCell(0, 2, syscmd::Copy);
             onCell(0, 3, syscmd::Paste);
         },
         {"00/0", "00/1", "00/2", "01/0", "02/S"}},
        {"remove the pasted card", [&] { onCell(0, 3, syscmd::RemoveDevice); }, {"00/0", "00/1", "01/0", "02/S"}},
        {"move 01/0 to 01/1",
         [&] {
             onCell(1, 1, syscmd::Move);
             onCell(1, 2, syscmd::Paste);
         },
         {"00/0", "00/1", "01/1", "02/S"}},
        {"undo the move", [&] { edit(cmd::EditUndo); edit(cmd::EditUndo); }, {"00/0", "00/1", "01/0", "02/S"}},
        {"remove station 02", [&] { onCell(2, 0, syscmd::RemoveDevice); }, {"00/0", "00/1", "01/0"}},
        {"undo the station's removal", [&] { edit(cmd::EditUndo); }, {"00/0", "00/1", "01/0", "02/S"}},
    };
    auto truth = std::make_unique<model::CommLinkTable>();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.act();
        ASSERT_NE(page(), nullptr);
        model::RebuildCommTableKeepingUnit(app->unitContext(), *truth);
        const std::vector<std::string> project = drawnUnits(*truth);
        std::vector<std::string> slots;
        for (const std::string& u : project) slots.push_back(u.substr(0, 4));
        ASSERT_EQ(slots, c.units) << ::testing::PrintToString(project);
        // The view draws from its table; the print page of the open view prints the same.
        EXPECT_EQ(drawnUnits(e.table()), project);
        EXPECT_TRUE(e.table() == *truth);
        const std::shared_ptr<print::CommSnapshot> printed = app->printService().commSnapshot(true);
        EXPECT_EQ(drawnUnits(*printed->table), project);
        // Waiting labels and selected boxes only on terminals and boxes the project holds.
        for (const wiring::comm::JumpMark& j : printed->pending) {
            const model::CommLinkTerminal* r = truth->terminal(j.terminal.unit.station, j.terminal.unit.card, j.terminal.index + 11);
            EXPECT_TRUE(r && r->kind != 0 && truth->slot(j.terminal.unit.station, j.terminal.unit.card)->used) << j.name;
        }
        for (const wiring::comm::UnitRef& u : e.selectedBoxes()) EXPECT_TRUE(truth->slot(u.station, u.card)->used);
        if (c.after) c.after();
    }
}

}  // namespace
}  // namespace kravin::shell

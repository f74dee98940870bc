#include "dialogs/busy_dialog.h"
#include "clipboard.h"
#include "qt_app.h"
#include "system_fixture.h"
#include "system_view.h"

#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace kravin::editors {
namespace {

using test::fixtureMasters;
using test::placeCard;
using test::placeStation;

class SystemViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::qtApp();
        placeStation(tables, 0, 1, 1);     // QV200 1.10
        placeCard(tables, 0, 1, 11, 1);    // KMQ 2.00
        placeCard(tables, 0, 3, 3);        // TQRQ
        placeCard(tables, 0, 4, 4);        // its virtual card
        placeStation(tables, 1, 2);        // V8RTU
        placeCard(tables, 1, 1, 10);       // V8RTU card
        SystemViewContext ctx;
        ctx.masters = &masters;
        ctx.tables = &tables;
        ctx.selection = &selection;
        ctx.slotState = &slot;
        ctx.online = [this] { return online; };
        ctx.commViewOpen = [this] { return commOpen; };
        ctx.buildCommTable = [this](BusyDialog& busy) {
            for (int i = 0; i < 40; ++i) busy.step();
            busyValue = busy.value();
        };
        ctx.invalidateCommView = [this] { ++commInvalidated; };
        selection.onLoadBlocks = [this] { ++blockLoads; };
        view = std::make_unique<SystemView>(std::move(ctx));
        view->resize(900, 700);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }

    // Viewport point at the middle of a cell at the view's zoom (no scroll).
    QPoint centre(int station, int card) const
    {
        const double z = view->zoom();
        return {toZoomed(cellLeft(card) + 22, z), toZoomed(cellTop(station) + 19, z)};
    }
    QImage grab() const { return view->viewport()->grab().toImage(); }
    static QColor at(const QImage& img, int x, int y) { return img.pixelColor(x, y); }
    // Dark pixels in a rectangle (text).
    static int dark(const QImage& img, int x, int y, int w, int h)
    {
        int n = 0;
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i)
                if (img.pixelColor(i, j).lightness() < 100) ++n;
        return n;
    }

    model::CardKindMasters masters = fixtureMasters();
    model::SystemConfigTables tables;
    TableUnitSelection selection{masters, tables};
    std::atomic<int> slot{SlotOpen};
    bool online = false;
    bool commOpen = false;
    int busyValue = -1;
    int commInvalidated = 0;
    int blockLoads = 0;
    std::unique_ptr<SystemView> view;
    const SystemViewStyle style;
};

TEST_F(SystemViewTest, RendersPlacedEmptyAndSelectedCells)
{
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre(1, 1));
    ASSERT_EQ(selection.current().cell(), (Cell{1, 1}));
    const QImage img = grab();
    const int x1 = cellLeft(1), y0 = cellTop(0);
    // Placed card (0,1): occupied body, raised frame, its name and version as text.
    EXPECT_EQ(at(img, x1 + 3, y0 + 21), style.occupied);
    EXPECT_EQ(at(img, x1 + 20, y0), style.raisedLight);
    EXPECT_EQ(at(img, x1 + 20, y0 + kCellHeight), style.raisedDark);
    EXPECT_GT(dark(img, x1 + 1, y0 + 2, 43, 18), 10);  // "KMQ"
    EXPECT_GT(dark(img, x1 + 1, y0 + 23, 43, 15), 10); // "2.00"
    // Empty slot (0,2): empty body, sunken frame, no text.
    const int x2 = cellLeft(2);
    EXPECT_EQ(at(img, x2 + 20, y0 + 20), style.empty);
    EXPECT_EQ(at(img, x2 + 20, y0), style.sunkenDark);
    EXPECT_EQ(at(img, x2 + kCellWidth, y0 + 20), style.sunkenLight);
    EXPECT_EQ(dark(img, x2 + 1, y0 + 1, 43, 37), 0);
    // Selected slot (1,1): selection colour.
    EXPECT_EQ(at(img, x1 + 3, cellTop(1) + 21), style.selected);
    // Station cell text and the row and column labels.
    EXPECT_GT(dark(img, cellLeft(0) + 1, y0 + 6, 43, 16), 10);  // "QV200"
    EXPECT_GT(dark(img, 8, 37, 24, 14), 5);                      // "00"
    EXPECT_GT(dark(img, 105, 8, 12, 14), 3);                     // "0"
    EXPECT_EQ(at(img, 4, 300), style.background);
}

TEST_F(SystemViewTest, RendersAtHalfZoomAndScrollsToTheZoomedSize)
{
    view->SetZoom(50);
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0);  // 414 fits in 900
    EXPECT_EQ(view->verticalScrollBar()->maximum(), 1426 - view->viewport()->height());
    const QImage img = grab();
    const int x = toZoomed(cellLeft(1), 0.5), y = toZoomed(cellTop(0), 0.5);
    EXPECT_EQ(at(img, x + 10, y), style.raisedLight);
    EXPECT_EQ(at(img, x + 10, y + toZoomed(kCellHeight, 0.5)), style.raisedDark);
    const int x2 = toZoomed(cellLeft(2), 0.5);
    EXPECT_EQ(at(img, x2 + 10, y), style.sunkenDark);
    EXPECT_EQ(at(img, x2 + 10, y + 10), style.empty);
    int station = 0, card = 0;
    EXPECT_TRUE(view->HitTestCell(QPoint(x2, y), station, card));
    EXPECT_EQ(station, 0);
    EXPECT_EQ(card, 2);
    EXPECT_EQ(selection.current().cell(), (Cell{0, 2}));
    EXPECT_FALSE(view->HitTestCell(QPoint(2, 2), station, card));
    EXPECT_EQ(station, -1);
    EXPECT_EQ(card, -1);
    EXPECT_TRUE(view->IsInCardArea(QPoint(43, 10)));
    EXPECT_TRUE(view->IsLeftOfCardArea(QPoint(42, 10)));
    EXPECT_EQ(view->zoomPercent(), 50);
}

TEST_F(SystemViewTest, LongNamesShrinkToFitAndStopAtTheMinimumFont)
{
    masters.card.name[13] = "WWWWWWWW";  // wider than a cell at any font size it may use
    placeCard(tables, 3, 2, 13);
    for (int percent : {10, 50, 100, 300}) {
        view->SetZoom(percent);
        const QImage img = grab();
        EXPECT_FALSE(img.isNull()) << percent;
    }
    view->SetZoom(100);
    const QImage img = grab();
    const int x = cellLeft(2), y = cellTop(3);
    EXPECT_GT(dark(img, x, y + 2, 46, 18), 0);
    // The fitted name stays inside the cell's text box.
    EXPECT_EQ(dark(img, x - 4, y + 2, 3, 18), 0);
}

TEST_F(SystemViewTest, SlotProtocolGatesDrawing)
{
    slot = SlotRedraw;
    (void)grab();
    EXPECT_EQ(slot.load(), SlotOpen);
    view->requestRedraw();
    EXPECT_EQ(slot.load(), SlotRedraw);
    view->systemRedraw();
    EXPECT_EQ(slot.load(), SlotRedrawFill);
    (void)grab();
    EXPECT_EQ(slot.load(), SlotOpen);
    // A closed slot draws nothing but the background.
    slot = SlotClosed;
    const QImage img = grab();
    EXPECT_EQ(at(img, cellLeft(1) + 3, cellTop(0) + 21), style.background);
    EXPECT_EQ(slot.load(), SlotClosed);
    view->requestRedraw();
    EXPECT_EQ(slot.load(), SlotClosed);
}

TEST_F(SystemViewTest, PaletteHighlightFillsTheCellInside)
{
    const Cell c = view->HitTestHighlight(centre(2, 5), QColor(255, 0, 255));
    EXPECT_EQ(c, (Cell{2, 5}));
    QImage img = grab();
    EXPECT_EQ(at(img, cellLeft(5) + 1, cellTop(2) + 1), QColor(255, 0, 255));
    EXPECT_EQ(at(img, cellLeft(5) + 43, cellTop(2) + 37), QColor(255, 0, 255));
    EXPECT_EQ(at(img, cellLeft(5) + 20, cellTop(2)), style.sunkenDark);  // frame stays
    view->systemRedraw();
    img = grab();
    EXPECT_EQ(at(img, cellLeft(5) + 20, cellTop(2) + 20), style.empty);
    EXPECT_FALSE(view->HitTestHighlight(QPoint(2, 2), Qt::red).valid());
}

TEST_F(SystemViewTest, ClicksSelectAndOnlineRefuses)
{
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre(0, 1));
    EXPECT_EQ(selection.current().model, "KMQ     ");
    EXPECT_EQ(slot.load(), SlotRedraw);
    (void)grab();
    // Second click on the same cell: repainted at once, the unit stays selected.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre(0, 1));
    EXPECT_EQ(slot.load(), SlotOpen);
    EXPECT_EQ(selection.current().cell(), (Cell{0, 1}));
    // A click in a gap selects nothing.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(cellLeft(2) - 1, 40));
    EXPECT_FALSE(selection.current().cell().valid());

    online = true;
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre(0, 3));
    EXPECT_FALSE(selection.current().cell().valid());
    QSignalSpy commands(view.get(), &SystemView::commandRequested);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centre(0, 2));
    EXPECT_EQ(commands.count(), 0);
}

TEST_F(SystemViewTest, DoubleClickOpensBlockListOrChangesDevice)
{
    QSignalSpy commands(view.get(), &SystemView::commandRequested);
    QSignalSpy blockList(view.get(), &SystemView::openBlockListRequested);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centre(0, 1));  // KMQ
    EXPECT_EQ(blockList.count(), 1);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centre(0, 3));  // TQRQ: no block list
    EXPECT_EQ(blockList.count(), 1);
    EXPECT_EQ(commands.count(), 0);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centre(0, 9));  // empty card slot
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.takeFirst().at(0).toInt(), syscmd::ChangeDevice);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centre(5, 0));  // empty station
    EXPECT_EQ(commands.count(), 1);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centre(0, 0));  // placed station
    EXPECT_EQ(commands.count(), 1);
    EXPECT_EQ(blockList.count(), 1);
}

TEST_F(SystemViewTest, ContextMenuSelectsLoadsBlocksAndListsCommands)
{
    std::vector<int> m = view->prepareContextMenu(centre(1, 1));
    EXPECT_EQ(selection.current().cell(), (Cell{1, 1}));
    EXPECT_EQ(blockLoads, 1);
    ASSERT_FALSE(m.empty());
    EXPECT_EQ(m.front(), syscmd::ViewBlockList);
    EXPECT_EQ(m.back(), syscmd::NetworkHt9);
    EXPECT_TRUE(view->prepareContextMenu(centre(0, 4)).empty());  // virtual card
    EXPECT_TRUE(view->prepareContextMenu(QPoint(2, 2)).empty());
    online = true;
    EXPECT_EQ(view->prepareContextMenu(centre(1, 0)), (std::vector<int>{syscmd::NetworkHt9}));
    EXPECT_EQ(selection.current().cell(), (Cell{0, 4}));  // online menus leave the selection
}

TEST_F(SystemViewTest, EditRulesReadTheClipboard)
{
    auto* data = new QMimeData;
    data->setData(model::ClipboardMimeType(QStringLiteral("KRAV3 system data2")), QByteArray("x"));
    QGuiApplication::clipboard()->setMimeData(data);
    EXPECT_EQ(systemClipboardFormats(QGuiApplication::clipboard()->mimeData()), unsigned{ClipStation});
    selection.select(7, 0);
    EXPECT_TRUE(view->isEditEnabled(syscmd::EditPaste));
    selection.select(7, 3);
    EXPECT_FALSE(view->isEditEnabled(syscmd::EditPaste));
    selection.select(0, 1);
    EXPECT_TRUE(view->isEditEnabled(syscmd::EditCut));
    online = true;
    EXPECT_FALSE(view->isEditEnabled(syscmd::EditCut));
    QGuiApplication::clipboard()->clear();
}

TEST_F(SystemViewTest, RebuildDisplayDataOnlyWithTheCommunicationViewOpen)
{
    view->RebuildDisplayData();
    EXPECT_EQ(busyValue, -1);
    commOpen = true;
    view->RebuildDisplayData();
    EXPECT_EQ(busyValue, BusyDialog::kSteps);  // the bar stops at its end
    EXPECT_EQ(commInvalidated, 1);
}

}  // namespace
}  // namespace kravin::editors

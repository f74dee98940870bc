// The toolbox palettes through the real main frame: a model dropped onto the
// system view, a function onto the block list, drags refused while online,
// and a tile's help.
#include "KRAVinA.h"
#include "block_list_page.h"
#include "child_frame.h"
#include "command_ids.h"
#include "hand_drag.h"
#include "palettes.h"
#include "shell_fixture.h"
#include "system_view_logic.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>

#include <filesystem>
#include <fstream>

namespace kravin::shell {
namespace {

using test::ShellFixture;

class PaletteRoad : public ShellFixture {
protected:
    ToolBoxDock* dock(ViewKind kind, const char* name)
    {
        ChildFrame* f = frame().frame(kind);
        return f ? f->findChild<ToolBoxDock*>(QString::fromLatin1(name)) : nullptr;
    }

    static const PaletteItem* find(const ToolBoxDock& d, const std::string& name)
    {
        for (const PaletteCategory& c : d.categories())
            for (const PaletteItem& i : c.items)
                if (i.name == name) return &i;
        return nullptr;
    }

    // A hand's drag of the tile over a point, then its drop there or Escape; whether the view took it.
    static bool dragTo(ToolBoxDock& dock, QWidget* target, const PaletteItem& item, QPoint at, bool drop)
    {
        test::HandDrag drag(dock, item.name, target);
        EXPECT_TRUE(drag.started()) << item.name;
        const bool taken = drag.moveTo(target, at);
        if (!drop) {
            drag.escape();
            return taken;
        }
        return drag.release();
    }

    QPoint cellPoint(int s, int c)
    {
        ShellSystemView* v = app->systemView();
        return QPoint(v->ToZoomed(editors::cellLeft(c) + 22), v->ToZoomed(editors::cellTop(s) + 19)) -
               v->scrollPosition();
    }
};

TEST_F(PaletteRoad, ModelDroppedOntoAFreeSlotAndUndone)
{
    ASSERT_NO_FATAL_FAILURE(start());
    ToolBoxDock* d = dock(ViewKind::System, "systemToolbox");
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->categories().size(), 2u);
    EXPECT_EQ(d->openCategory(), 1);   // the card models
    EXPECT_GT(d->list()->count(), 0);
    const PaletteItem* qv200 = find(*d, "QV200");
    ASSERT_NE(qv200, nullptr);
    EXPECT_EQ(qv200->code, "1.20");

    QWidget* viewport = app->systemView()->viewport();
    EXPECT_FALSE(dragTo(*d, viewport, *qv200, cellPoint(2, 0), false));   // a card model on a station cell
    {
        // The slot under the drag is marked; Escape takes the mark away and places nothing.
        test::HandDrag drag(*d, "QV200", viewport);
        ASSERT_TRUE(drag.moveTo(viewport, cellPoint(2, 3)));
        EXPECT_EQ(viewport->grab().toImage().pixelColor(cellPoint(2, 3)), QColor(255, 0, 255));
        drag.escape();
        EXPECT_NE(viewport->grab().toImage().pixelColor(cellPoint(2, 3)), QColor(255, 0, 255));
        EXPECT_EQ(app->systemTables().cardKind[2][2], 0);
    }
    ASSERT_TRUE(dragTo(*d, viewport, *qv200, cellPoint(2, 3), true));
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
    EXPECT_EQ(app->systemTables().cardKind[2][2], app->masters().card.find("QV200"));
    EXPECT_EQ(app->systemTables().cardVersion[2][2], app->masters().card.findVersion(app->masters().card.find("QV200"), "1.20"));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(session().projectRecord.workFolder) / "STN02/CARD2.KRAB"));
    EXPECT_EQ(app->unitContext().g_curStation, 2);
    EXPECT_EQ(app->unitContext().g_curCard, 3);
    // An occupied slot takes nothing more.
    EXPECT_FALSE(dragTo(*d, viewport, *qv200, cellPoint(2, 3), true));

    // Edit Undo takes the card away again.
    frame().refresh();
    ASSERT_TRUE(frame().action(cmd::EditUndo)->isEnabled());
    ASSERT_TRUE(frame().trigger(cmd::EditUndo));
    EXPECT_EQ(app->systemTables().cardKind[2][2], 0);

    // Online no drag starts and no drop is taken.
    app->online().online = true;
    EXPECT_FALSE(d->list()->target->dragAllowed());
    EXPECT_FALSE(dragTo(*d, viewport, *qv200, cellPoint(2, 4), true));
    EXPECT_EQ(app->systemTables().cardKind[2][3], 0);
    app->online().online = false;
    EXPECT_TRUE(d->list()->target->dragAllowed());
}

TEST_F(PaletteRoad, FunctionDroppedOntoAnEmptyGroupAndHelpAsked)
{
    ASSERT_NO_FATAL_FAILURE(start());
    model::SystemConfigTables& t = app->systemTables();
    t.stationKind[1] = app->masters().station.find("RNH6");
    t.cardKind[1][0] = app->masters().card.find("QV200");
    app->unitSelection().select(1, 1);
    app->unitSelection().loadUnitBlocks();
    ASSERT_EQ(frame().views().openBlkList(), 0);
    ChildFrame* f = frame().frame(ViewKind::BlkList);
    ASSERT_NE(f, nullptr);
    auto* list = qobject_cast<ShellBlockListView*>(f->view());
    ASSERT_NE(list, nullptr);
    ToolBoxDock* d = dock(ViewKind::BlkList, "blockListToolbox");
    ASSERT_NE(d, nullptr);
    const PaletteItem* pva = find(*d, "PVA");
    ASSERT_NE(pva, nullptr);
    EXPECT_EQ(pva->code, "76");
    EXPECT_EQ(find(*d, "SYS"), nullptr);   // "00" is excluded

    EXPECT_FALSE(dragTo(*d, list->viewport(), *pva, list->cellCentre(2), true));   // not valid in group 2
    ASSERT_TRUE(dragTo(*d, list->viewport(), *pva, list->cellCentre(30), true));
    EXPECT_EQ(std::string(app->unitContext().g_unitBlocks[30].data()), "76PVA");
    EXPECT_EQ(session().projectRecord.modified, 1);
    // The group is taken now.
    EXPECT_FALSE(dragTo(*d, list->viewport(), *pva, list->cellCentre(30), false));

    // A double click on a tile asks for its help; the tables ship none.
    std::vector<std::string> opened;
    app->openHelpFile = [&opened](const std::string& path) { opened.push_back(path); };
    d->openCategory(static_cast<int>(d->categories().size()) - 1);
    ASSERT_GT(d->list()->count(), 0);
    const QRect tile = d->list()->visualItemRect(d->list()->item(0));
    QTest::mouseClick(d->list()->viewport(), Qt::LeftButton, {}, tile.center());
    QTest::mouseDClick(d->list()->viewport(), Qt::LeftButton, {}, tile.center());
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(prompt.ids(), (std::vector<int>{kMsgNoItemHelp}));
}

TEST_F(PaletteRoad, EveryClosedCategoryOpensAgainAndLongNamesStillFit)
{
    ASSERT_NO_FATAL_FAILURE(start());
    ToolBoxDock* d = dock(ViewKind::System, "systemToolbox");
    ASSERT_NE(d, nullptr);
    // The buttons carry their captions, the open one's arrow down.
    EXPECT_EQ(d->categoryButton(0)->text(), QStringLiteral("Station"));
    EXPECT_EQ(d->categoryButton(1)->text(), QStringLiteral("Card"));
    for (int i : {0, 1, 0, 1}) {
        CategoryButton* b = d->categoryButton(i);
        ASSERT_NE(b, nullptr);
        EXPECT_TRUE(b->isEnabled());
        b->click();
        EXPECT_EQ(d->openCategory(), i);
        EXPECT_TRUE(b->isOpen());
        EXPECT_FALSE(d->categoryButton(1 - i)->isOpen());
    }
    EXPECT_EQ(static_cast<std::size_t>(d->list()->count()), d->categories()[1].items.size());

    // The toolbox floats, and a floating resize keeps the docked size.
    ASSERT_TRUE(d->features() & QDockWidget::DockWidgetFloatable);
    const BarSize docked = d->sizes().docked;
    d->setFloating(true);
    d->resize(220, 480);
    QCoreApplication::processEvents();
    EXPECT_EQ(d->sizes().floating.width, 220);
    EXPECT_EQ(d->sizes().floating.height, 480);
    EXPECT_EQ(d->sizes().docked.width, docked.width);
    EXPECT_EQ(d->sizes().docked.height, docked.height);
    EXPECT_EQ(d->sizeHint(), QSize(220, 480));
    d->setFloating(false);

    // A name far too wide is drawn at the smallest font, not shrunk away.
    const QImage tile = paletteTile({"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "99"}).pixmap(46, 46).toImage();
    ASSERT_EQ(tile.size(), QSize(46, 46));
    int ink = 0;
    for (int y = 5; y < 23; ++y)
        for (int x = 0; x < 46; ++x) ink += tile.pixelColor(x, y) != QColor(0, 255, 0);
    EXPECT_GT(ink, 10);
}

// Category captions in both languages: the code tables', the models', the terminal blocks' and the ladder's.
TEST(ToolBoxCaptions, ComeFromTheStringTableInEitherLanguage)
{
    test::qtApp();
    struct Case {
        int bitmap;
        const char* en;
        const char* ja;
    };
    const Case cases[] = {{kStationCategoryBitmap, "Station", "ステーション"},
                          {kCardCategoryBitmap, "Card", "カード"},
                          {kTerminalCategoryBitmap, "Communication Terminal", "通信端子"},
                          {kCodeCategoryBitmap, "Control", "制御"},
                          {kCodeCategoryBitmap + 2, "Calculation", "演算"},
                          {kCodeCategoryBitmap + 9, "Others", "その他"},
                          {kLadderCategoryBitmap, "Ladder", "ラダー"}};
    for (const Case& c : cases) {
        ToolBoxDock dock(QString{});
        PaletteCategory category;
        category.bitmap = c.bitmap;
        dock.setCategories({category});
        EXPECT_EQ(dock.categoryButton(0)->text().toStdString(), c.en);
        dock.setLanguage(res::Language::Japanese);
        EXPECT_EQ(dock.categoryButton(0)->text().toStdString(), c.ja);
        // The caption is drawn left of the arrow.
        const QImage face = dock.categoryButton(0)->grab().toImage();
        int ink = 0;
        for (int y = 0; y < face.height(); ++y)
            for (int x = 4; x < face.width() - 24; ++x) ink += qGray(face.pixel(x, y)) < 100;
        EXPECT_GT(ink, 10) << c.en;
    }
    // A palette without categories gets one plain, empty one.
    ToolBoxDock empty(QString{});
    empty.setCategories(BuildCodeCategories({}, ExclusionListB()));
    ASSERT_NE(empty.categoryButton(0), nullptr);
    EXPECT_TRUE(empty.categoryButton(0)->text().isEmpty());
}

// Every tile's text lies inside its tile: the ladder elements in both languages and the longest module names.
TEST(PaletteTiles, TextsStayInsideTheTile)
{
    test::qtApp();
    std::vector<PaletteItem> items = {{"63WJ1", "1.00"}, {"TQGW2", "2.00"}, {"QV200BX", "1.30"}, {"V8RTU", "2.00"}};
    for (bool japanese : {false, true}) {
        const std::vector<PaletteCategory> ladder = LadderPaletteCategories(japanese);
        items.insert(items.end(), ladder[0].items.begin(), ladder[0].items.end());
    }
    for (const PaletteItem& item : items) {
        const QImage tile = paletteTile(item).pixmap(46, 46).toImage();
        int ink = 0, edge = 0;
        for (int y = 0; y < 46; ++y)
            for (int x = 0; x < 46; ++x) {
                const bool dark = qGray(tile.pixel(x, y)) < 100;
                ink += dark;
                edge += dark && (x == 0 || x == 45);
            }
        EXPECT_GT(ink, 10) << item.name;
        EXPECT_EQ(edge, 0) << item.name;
    }
}

TEST(PaletteHelpShow, OpensTheModelsFileOrTellsItIsMissing)
{
    test::TempDir dir;
    std::filesystem::create_directories(dir.path() / "Item");
    std::ofstream(dir.path() / "Item" / "PVA_QV200.pdf") << "%PDF";
    test::ScriptedPrompt prompt;
    std::vector<std::string> opened;
    const PaletteHelp help{dir.str(), &prompt, [&opened](const std::string& path) { opened.push_back(path); }};
    const PaletteItem pva{"PVA", "76"};
    help.show(HelpKind::Item, &pva, "QV200   ");
    EXPECT_EQ(opened, (std::vector<std::string>{(dir.path() / "Item" / "PVA_QV200.pdf").string()}));
    help.show(HelpKind::Item, &pva, "QV210");
    help.show(HelpKind::Terminal, &pva, "QV200");
    help.show(HelpKind::Terminal, nullptr, "QV200");
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(prompt.ids(), (std::vector<int>{kMsgNoItemHelp, kMsgNoTerminalHelp, kMsgNoDeviceHelp}));
}

}  // namespace
}  // namespace kravin::shell

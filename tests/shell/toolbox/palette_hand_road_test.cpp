// Every palette through the real main frame as a hand drags a tile: the drag
// enters the view at its edge over no target, crosses cells that take nothing
// (no mark), reaches a free target (marked), and drops; the project is saved,
// opened again and its unit files hold the item. A drag that leaves the view
// and is let go outside changes nothing.
#include "anatan_page.h"
#include "block_list_page.h"
#include "child_frame.h"
#include "dentan_page.h"
#include "frame_bars.h"
#include "palettes.h"
#include "sequence_views.h"
#include "system_view_logic.h"
#include "view_bar.h"
#include "modal_script.h"
#include "wiring_road.h"

#include <QDialog>
#include <QDockWidget>
#include <QLineEdit>
#include <QScrollBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>

namespace kravin::shell {
namespace {

using test::answerDialog;
using test::HandDrag;

class GroupDialogs final : public wiring::AnaTanDialogs, public model::CommentDialog {
public:
    std::optional<int> selectGroup(const model::UnitContext&, const std::string&) override { return group; }
    std::optional<std::string> jumpLabel() override { return std::nullopt; }
    std::optional<wiring::LineFormatChoice> lineFormat(const wiring::LineFormatChoice&) override
    {
        return std::nullopt;
    }
    model::CommentDialog& commentDialog() override { return *this; }
    bool run(model::CommentDialogData&) override { return false; }
    std::optional<int> group;
};

class LayoutDialogs final : public wiring::comm::DenTanDialogs {
public:
    // Card 1 of station 1, with the master's version text the tile's version stands for.
    std::optional<wiring::comm::DevicePlace> deviceLayout(const std::string& name, const std::string& version) override
    {
        const int kind = masters->card.find(name);
        if (kind <= 0) return std::nullopt;
        const auto& versions = masters->card.versions[static_cast<std::size_t>(kind)];
        return wiring::comm::DevicePlace{1, 1, MasterVersionText(versions, version)};
    }
    const model::CardKindMasters* masters = nullptr;
    std::optional<std::string> jumpName() override { return std::nullopt; }
    std::optional<std::pair<int, std::uint32_t>> lineFormat(int, std::uint32_t) override { return std::nullopt; }
};

enum class Road { SystemCard, SystemStation, BlockList, Ladder, CommBlock, CommDevice, Analog };

struct RoadCase {
    Road road;
    const char* label;
};

std::ostream& operator<<(std::ostream& out, const RoadCase& c) { return out << c.label; }

// What a road needs of its view once it is open.
struct Stage {
    ToolBoxDock* dock = nullptr;
    QWidget* view = nullptr;  // the viewport the drops go to
    std::string item;
    std::vector<QPoint> refused;  // points the drag crosses that take nothing
    QPoint target;
    std::function<bool()> marked;   // the view marks the target under the drag
    bool markStays = false;         // the mark is the ladder's cursor: it stays where the drag left it
    bool markOn() const { return !marked || marked(); }
    bool markOff() const { return !marked || markStays || !marked(); }
    std::function<void()> finish;   // what the user does after the drop before saving
    std::function<bool()> held;     // the unit files of the work folder hold the item
};

constexpr int kMagentaMin = 20;

int magentaPixels(QWidget* w)
{
    const QImage image = w->grab().toImage();
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixelColor(x, y) == QColor(255, 0, 255);
    return n;
}

class HandRoad : public test::WiringRoad {
protected:
    std::string path;
    GroupDialogs groupDialogs;
    LayoutDialogs layoutDialogs;

    ToolBoxDock* dock(ViewKind kind, const char* name)
    {
        ChildFrame* f = frame().frame(kind);
        return f ? f->findChild<ToolBoxDock*>(QString::fromLatin1(name)) : nullptr;
    }

    std::string unitCode(int station, int libCard, int group)
    {
        char head[500] = {};
        if (KRAVinA_Data_Get(station, libCard, head, work().string().c_str()) != 0) return {};
        return std::string(head + 5 * group, strnlen(head + 5 * group, 5));
    }

    QPoint systemCell(int s, int c)
    {
        ShellSystemView* v = app->systemView();
        return QPoint(v->ToZoomed(editors::cellLeft(c) + 22), v->ToZoomed(editors::cellTop(s) + 19)) -
               v->scrollPosition();
    }

    // Presses OK on the next modal dialog as it comes.
    static void acceptDialog()
    {
        QTimer::singleShot(0, [] {
            QWidget* w = QApplication::activeModalWidget();
            ASSERT_NE(w, nullptr);
            if (auto* ok = w->findChild<QPushButton*>(QStringLiteral("IDOK"))) ok->click();
            else if (auto* d = qobject_cast<QDialog*>(w)) d->accept();
        });
    }

    QPushButton* barButton(ViewKind kind, int id)
    {
        ChildFrame* f = frame().frame(kind);
        if (!f) return nullptr;
        for (ViewBar* bar : f->findChildren<ViewBar*>())
            if (QPushButton* b = bar->button(id)) return b;
        return nullptr;
    }

    Stage stage(Road road)
    {
        Stage s;
        switch (road) {
        case Road::SystemCard:
        case Road::SystemStation: {
            placeStation(3, "RNH6");
            placeCard(2, 2, "QV200");
            path = saveProject();
            s.dock = dock(ViewKind::System, "systemToolbox");
            s.view = app->systemView()->viewport();
            if (road == Road::SystemCard) {
                // A card model: not on a station cell, not on a taken slot.
                s.item = "QV200";
                s.refused = {systemCell(2, 0), systemCell(2, 2)};
                s.target = systemCell(2, 3);
                s.held = [this] {
                    return app->systemTables().cardKind[2][2] == app->masters().card.find("QV200") &&
                           std::filesystem::exists(work() / "STN02/CARD2.KRAB");
                };
            } else {
                // A station model: not on a card slot, not on a placed station.
                s.item = "RNH6";
                s.refused = {systemCell(3, 0), systemCell(5, 1)};
                s.target = systemCell(5, 0);
                s.held = [this] { return app->systemTables().stationKind[5] == app->masters().station.find("RNH6"); };
            }
            QWidget* view = s.view;
            s.marked = [view] { return magentaPixels(view) > kMagentaMin; };
            break;
        }
        case Road::BlockList: {
            placeStation(1, "RNH6");
            placeCard(1, 1, "QV200");
            path = saveProject();
            writeUnitFile(1, 0, {{0, "00SYS"}, {31, "51ADS"}});
            app->unitSelection().select(1, 1);
            app->unitSelection().loadUnitBlocks();
            if (frame().views().openBlkList() != 0) return s;
            auto* list = qobject_cast<ShellBlockListView*>(frame().frame(ViewKind::BlkList)->view());
            s.dock = dock(ViewKind::BlkList, "blockListToolbox");
            s.view = list->viewport();
            // PVA is no function of group 2, and group 31 holds one.
            s.item = "PVA";
            s.refused = {list->cellCentre(2), list->cellCentre(31)};
            s.target = list->cellCentre(30);
            s.held = [this] { return unitCode(1, 0, 30) == "76PVA" && unitCode(1, 0, 31) == "51ADS"; };
            break;
        }
        case Road::Ladder: {
            model::SystemConfigTables& t = app->systemTables();
            t.stationKind[1] = 1;
            t.cardKind[1][0] = app->masters().card.find("QV200");
            path = saveProject();
            writeUnitFile(1, 0, {{0, "00SYS"}, {11, "31CDI"}});
            app->unitSelection().select(1, 1);
            app->unitSelection().loadUnitBlocks();
            frame().refresh();
            if (!frame().trigger(cmd::ViewSeqBlk)) return s;
            auto* seq = qobject_cast<sequence::SeqBlkView*>(frame().frame(ViewKind::SeqBlk)->view());
            QTest::mouseClick(seq->viewport(), Qt::LeftButton, {}, QPoint(40, 19));  // group 81's tab
            seq->runCommand(sequence::seqcmd::EnableSetting);
            QTest::mouseClick(barButton(ViewKind::SeqBlk, seqbar::SeqLadder), Qt::LeftButton);
            QCoreApplication::processEvents();
            ChildFrame* f = frame().frame(ViewKind::Ladder);
            if (!f) return s;
            auto* ladder = qobject_cast<ladder::LadderView*>(f->view());
            const int h = ladder::LadderRowHeight(ladder->ladder().g_ladderShowComments);
            const auto cell = [h](int row, int column) {
                return QPoint(15 + ladder::kCellPitch * column + 40, 5 + h * row + h / 2);
            };
            s.dock = dock(ViewKind::Ladder, "ladderToolbox");
            s.view = ladder->viewport();
            // No contact on the coil column.
            s.item = "N.O.\nContact";
            s.refused = {cell(1, 8)};
            s.target = cell(1, 0);
            // The cursor follows the drag.
            s.marked = [ladder] { return ladder->ladder().g_ladderCursor == (ladder::GridPos{1, 0}); };
            s.markStays = true;
            ToolBoxDock* d = s.dock;
            s.finish = [this, d, ladder, cell] {
                // A coil beside it, then Confirm and Close.
                answerDialog(QStringLiteral("1115"));
                EXPECT_TRUE(test::handDrop(*d, "Output\nCoil", ladder->viewport(), cell(1, 1)));
                QTest::mouseClick(barButton(ViewKind::Ladder, seqbar::LadderConfirm), Qt::LeftButton);
                QTest::mouseClick(barButton(ViewKind::Ladder, seqbar::LadderClose), Qt::LeftButton);
                QCoreApplication::processEvents();
            };
            s.held = [this] {
                char head[500] = {};
                if (KRAVinA_Data_Get(1, 0, head, work().string().c_str()) != 0) return false;
                std::string steps;
                for (int i = 11; i <= 14; ++i) {
                    char v[17] = {};
                    KRAVinA_Data_Item_Get(81, i, v);
                    steps += std::string(v) + " ";
                }
                return steps == "130000 011115 071115 000000 ";
            };
            break;
        }
        case Road::CommBlock:
        case Road::CommDevice: {
            placeStation(0, "RNH6", 2, 6);
            placeCard(0, 1, "QV200", 2, 20);
            placeCard(0, 2, "QV200", 30, 20);
            path = saveProject();
            if (!frame().trigger(cmd::ViewDenTan) || !app->denTanPage()) return s;
            DenTanPage* page = app->denTanPage();
            layoutDialogs.masters = &app->masters();
            page->view()->setDialogs(&layoutDialogs);
            s.dock = page->palette();
            s.view = page->view()->viewport();
            const auto cell = [](double x, double y) {
                return QPoint(static_cast<int>(x * 16), static_cast<int>(y * 16));
            };
            if (road == Road::CommBlock) {
                // No block on the RNH6 station's box, none off the boxes.
                s.item = "CDO";
                s.refused = {cell(3.5, 9), cell(20, 40)};
                s.target = cell(3.5, 17);
                s.marked = [page] { return page->view()->dropMark().valid(); };
                s.held = [this] { return unitCode(0, 0, 11) == "32CDO"; };
            } else {
                s.item = "QV200";
                s.target = cell(20, 40);
                s.held = [this] {
                    return app->systemTables().cardKind[1][0] == app->masters().card.find("QV200") &&
                           std::filesystem::exists(work() / "STN01/CARD0.KRAB");
                };
            }
            break;
        }
        case Road::Analog: {
            placeStation(0, "RNH6");
            placeCard(0, 1, "QV200");
            path = saveProject();
            app->unitSelection().select(0, 1);
            if (!frame().trigger(cmd::ViewAnaTan) || !app->anaTanPage()) return s;
            AnaTanPage* page = app->anaTanPage();
            groupDialogs.group = 30;
            page->view()->setDialogs(&groupDialogs);
            s.dock = page->palette();
            s.view = page->view()->viewport();
            s.item = "ADS";
            s.target = QPoint(20 * 16, 20 * 16);
            s.held = [this] { return unitCode(0, 0, 30) == "51ADS"; };
            break;
        }
        }
        return s;
    }

    // File > Save, a new project, and the saved one opened again.
    void saveAndReopen()
    {
        ASSERT_TRUE(frame().trigger(cmd::FileSave));
        ASSERT_TRUE(frame().trigger(cmd::FileNew));
        prompt.file(path);
        ASSERT_TRUE(frame().trigger(cmd::FileOpen));
    }
};

class PaletteHandRoad : public HandRoad, public ::testing::WithParamInterface<RoadCase> {};

TEST_P(PaletteHandRoad, EntersAtTheEdgeCrossesRefusedCellsAndDropsOnAFreeTarget)
{
    start();
    Stage s = stage(GetParam().road);
    ASSERT_NE(s.dock, nullptr);
    ASSERT_NE(s.view, nullptr);
    prompt.clearLog();

    HandDrag drag(*s.dock, s.item, s.view);
    ASSERT_TRUE(drag.started()) << s.item;
    // In at the left edge, beside the target, over nothing to drop on.
    EXPECT_FALSE(drag.moveTo(s.view, QPoint(0, s.target.y())));
    EXPECT_TRUE(!s.marked || !s.marked());
    for (const QPoint& p : s.refused) {
        EXPECT_FALSE(drag.moveTo(s.view, p)) << p.x() << "," << p.y();
        EXPECT_TRUE(s.markOff()) << p.x() << "," << p.y();
    }
    ASSERT_TRUE(drag.moveTo(s.view, s.target));
    EXPECT_TRUE(s.markOn());
    if (GetParam().road == Road::Ladder) answerDialog(QStringLiteral("1115"));  // the contact's terminal
    if (GetParam().road == Road::SystemStation) acceptDialog();                 // the station's I/O type
    ASSERT_TRUE(drag.release());
    EXPECT_TRUE(s.markOff());
    EXPECT_FALSE(prompt.ids().size() > 0 && prompt.ids().back() == 8110) << ::testing::PrintToString(prompt.ids());
    if (s.finish) s.finish();

    ASSERT_NO_FATAL_FAILURE(saveAndReopen());
    EXPECT_TRUE(s.held());
}

TEST_P(PaletteHandRoad, LeavesTheViewComesBackLeavesAgainAndIsLetGoOutside)
{
    start();
    Stage s = stage(GetParam().road);
    ASSERT_NE(s.dock, nullptr);
    ASSERT_NE(s.view, nullptr);
    prompt.clearLog();
    {
        HandDrag drag(*s.dock, s.item, s.view);
        ASSERT_TRUE(drag.started()) << s.item;
        ASSERT_TRUE(drag.moveTo(s.view, s.target));
        // Out over the toolbox, back onto the target, and out again.
        QWidget* tiles = s.dock->list()->viewport();
        EXPECT_FALSE(drag.moveTo(tiles, tiles->rect().center()));
        EXPECT_TRUE(s.markOff());
        ASSERT_TRUE(drag.moveTo(s.view, s.target));
        EXPECT_TRUE(s.markOn());
        EXPECT_FALSE(drag.moveTo(tiles, tiles->rect().center()));
        EXPECT_FALSE(drag.release());
    }
    EXPECT_TRUE(s.markOff());
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
    if (GetParam().road == Road::Ladder)
        QTest::mouseClick(barButton(ViewKind::Ladder, seqbar::LadderClose), Qt::LeftButton);
    ASSERT_NO_FATAL_FAILURE(saveAndReopen());
    EXPECT_FALSE(s.held());
}

TEST_F(HandRoad, SystemViewScrolledUnderTheDragMarksAndTakesTheCellNowUnderThePointer)
{
    start();
    Stage s = stage(Road::SystemCard);
    ASSERT_NE(s.dock, nullptr);
    ShellSystemView* view = app->systemView();
    prompt.clearLog();
    HandDrag drag(*s.dock, s.item, s.view);
    ASSERT_TRUE(drag.moveTo(s.view, s.target));
    ASSERT_TRUE(s.marked());
    // The wheel scrolls two station rows up under the resting pointer; the next small move marks the new cell.
    const QPoint where = s.target;
    ASSERT_GT(view->verticalScrollBar()->maximum(), 0);
    view->verticalScrollBar()->setValue(view->ToZoomed(88));
    ASSERT_TRUE(drag.moveTo(s.view, where + QPoint(1, 0)));
    EXPECT_EQ(view->cellAt(where + QPoint(1, 0)).station, 4);
    EXPECT_EQ(s.view->grab().toImage().pixelColor(where), QColor(255, 0, 255));
    ASSERT_TRUE(drag.release());
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
    EXPECT_EQ(app->systemTables().cardKind[4][2], app->masters().card.find("QV200"));
    EXPECT_EQ(app->systemTables().cardKind[2][2], 0);
}

TEST_F(HandRoad, DropsTheViewRefusesTellWhy)
{
    start();
    Stage s = stage(Road::SystemCard);
    ASSERT_NE(s.dock, nullptr);
    prompt.clearLog();
    // The free slot of the RNH6 station takes the drag, but that station carries no cards.
    EXPECT_TRUE(test::handDrop(*s.dock, s.item, s.view, systemCell(3, 1)));
    EXPECT_EQ(prompt.ids(), (std::vector<int>{8110}));
    EXPECT_EQ(app->systemTables().cardKind[3][0], 0);
}

struct PictureCase {
    Road road;
    const char* label;
    QSize size;
    QPoint hotSpot;
};

std::ostream& operator<<(std::ostream& out, const PictureCase& c) { return out << c.label; }

class DragPicture : public HandRoad, public ::testing::WithParamInterface<PictureCase> {};

// The picture a palette drag shows under the pointer: the drag bitmap at the
// palette's size, held at its hot spot, every pixel half transparent.
TEST_P(DragPicture, HalfTransparentAtThePalettesSizeAndHotSpot)
{
    start();
    Stage s = stage(GetParam().road);
    ASSERT_NE(s.dock, nullptr);
    const PaletteDropTarget* target = s.dock->list()->target;
    ASSERT_NE(target, nullptr);
    const QListWidget* tiles = s.dock->list();
    ASSERT_GT(tiles->count(), 0);
    const PaletteDragPicture picture = paletteDragPicture(target, tiles->item(0)->icon().pixmap(46, 46));
    EXPECT_EQ(picture.image.size(), GetParam().size);
    EXPECT_EQ(picture.hotSpot, GetParam().hotSpot);
    const QImage image = picture.image.toImage();
    int off = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) off += image.pixelColor(x, y).alpha() != 100;
    EXPECT_EQ(off, 0);
}

INSTANTIATE_TEST_SUITE_P(Palettes, DragPicture,
                         ::testing::Values(PictureCase{Road::Analog, "Analog", {240, 144}, {120, 72}},
                                           PictureCase{Road::Ladder, "Ladder", {41, 41}, {20, 20}},
                                           PictureCase{Road::BlockList, "BlockList", {41, 41}, {20, 20}},
                                           PictureCase{Road::SystemCard, "System", {46, 46}, {23, 23}},
                                           PictureCase{Road::CommBlock, "CommTerminal", {40, 30}, {20, 15}}),
                         [](const ::testing::TestParamInfo<PictureCase>& info) { return std::string(info.param.label); });

class LegendFit : public HandRoad, public ::testing::WithParamInterface<const char*> {};

// The terminal legend of the communication view's info bar ends inside the bar in either language.
TEST_P(LegendFit, TerminalLegendTextsEndInsideTheBar)
{
    {
        QSettings pre(QString::fromStdString(dir / "profile.ini"), QSettings::IniFormat);
        pre.setValue(QStringLiteral("KRAVin/LANGUAGE"), QString::fromLatin1(GetParam()));
    }
    start();
    Stage s = stage(Road::CommBlock);
    ASSERT_NE(s.dock, nullptr);
    auto* bar = frame().frame(ViewKind::DenTan)->findChild<QDockWidget*>(
        QStringLiteral("infoBar%1").arg(barid::DenTanInfoBar));
    ASSERT_NE(bar, nullptr);
    QWidget* panel = bar->widget();
    panel->resize(panel->minimumSize());
    const QImage image = panel->grab().toImage();
    // Five legend rows from y 40, 45 apart; text starts at x 42.
    for (int row = 0; row < 5; ++row) {
        int ink = 0, edge = 0;
        for (int y = 40 + 45 * row; y < 40 + 45 * row + 18 && y < image.height(); ++y)
            for (int x = 42; x < image.width(); ++x) {
                const bool dark = qGray(image.pixel(x, y)) < 128;
                ink += dark;
                edge += dark && x >= image.width() - 3;
            }
        EXPECT_GT(ink, 10) << row;
        EXPECT_EQ(edge, 0) << row;
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, LegendFit, ::testing::Values("en", "ja"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

INSTANTIATE_TEST_SUITE_P(Palettes, PaletteHandRoad,
                         ::testing::Values(RoadCase{Road::SystemCard, "SystemCard"},
                                           RoadCase{Road::SystemStation, "SystemStation"},
                                           RoadCase{Road::BlockList, "BlockList"}, RoadCase{Road::Ladder, "Ladder"},
                                           RoadCase{Road::CommBlock, "CommBlock"},
                                           RoadCase{Road::CommDevice, "CommDevice"},
                                           RoadCase{Road::Analog, "Analog"}),
                         [](const ::testing::TestParamInfo<RoadCase>& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace kravin::shell

#include "KRAVinA.h"
#include "block_list_page.h"
#include "block_setting_dialog.h"
#include "child_frame.h"
#include "command_ids.h"
#include "frame_bars.h"
#include "shared_dialogs.h"
#include "shell_fixture.h"
#include "system_view_logic.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <functional>

namespace kravin::shell {
namespace {

using test::ShellFixture;

constexpr int kStation = 1;
constexpr int kCard = 1;

// Runs fn on the modal dialog of type D that the next call opens.
template <class D>
void onNextDialog(std::function<void(D*)> fn)
{
    QTimer::singleShot(0, [fn] {
        auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!d) {
            ADD_FAILURE() << "no dialog";
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
            return;
        }
        fn(d);
    });
}

class BlockListPageTest : public ShellFixture {
protected:
    // A station with one QV200 card, saved as plant.KRA.
    std::string saveProject()
    {
        model::SystemConfigTables& t = app->systemTables();
        t.stationKind[kStation] = app->masters().station.find("RNH6");
        t.cardKind[kStation][kCard - 1] = app->masters().card.find("QV200");
        EXPECT_GT(t.cardKind[kStation][kCard - 1], 0);
        const std::string path = dir / "plant.KRA";
        prompt.dialog([=](model::ProjectDialogData& d) {
            d.name = "Plant";
            d.location = path;
            return true;
        });
        EXPECT_TRUE(frame().trigger(cmd::FileSave));
        return path;
    }

    // Double-clicks the card in the system view: its block list opens.
    ShellBlockListView* openFromSystemView()
    {
        ShellSystemView* v = app->systemView();
        if (!v) return nullptr;
        const editors::IntRect r = editors::cellRect({kStation, kCard}, v->zoom());
        const QPoint centre(r.x + r.width / 2, r.y + r.height / 2);
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(v->viewport(), Qt::LeftButton, {}, centre);
        return list();
    }

    ShellBlockListView* list()
    {
        ChildFrame* f = frame().frame(ViewKind::BlkList);
        return f ? qobject_cast<ShellBlockListView*>(f->view()) : nullptr;
    }

    ViewBar* bar(ViewKind kind)
    {
        ChildFrame* f = frame().frame(kind);
        return f ? f->findChild<ViewBar*>() : nullptr;
    }

    std::string code(int group) { return std::string(model::fieldView(app->unitContext().g_unitBlocks[group])); }

    // One item of the card's file in the work folder.
    std::string fileItem(int group, int item)
    {
        char head[500] = {};
        KRAVinA_Data_Get(kStation, kCard - 1, head, session().projectRecord.workFolder.c_str());
        char v[17] = {};
        KRAVinA_Data_Item_Get(group, item, v);
        return std::string(head + 5 * group, strnlen(head + 5 * group, 5)) + "/" + std::string(v);
    }
};

TEST_F(BlockListPageTest, ChangeAFunctionEditAValueSaveAndReopen)
{
    start();
    const std::string path = saveProject();
    prompt.clearLog();
    ShellBlockListView* view = openFromSystemView();
    ASSERT_NE(view, nullptr);
    EXPECT_FALSE(frame().views().frameExists(ViewKind::System));
    ASSERT_NE(bar(ViewKind::BlkList), nullptr);

    // An empty group: the double click asks for its function.
    onNextDialog<editors::ListSelectDialog>([](editors::ListSelectDialog* d) {
        const auto found = d->list()->findItems(QStringLiteral("PVA"), Qt::MatchStartsWith);
        if (!found.isEmpty()) d->list()->setCurrentItem(found.front());
        d->accept();
    });
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->cellCentre(31));
    EXPECT_EQ(code(31), "76PVA");
    EXPECT_EQ(session().projectRecord.modified, 1);

    // Edit > Undo and Redo step through the block's history.
    frame().refresh();
    ASSERT_TRUE(frame().action(cmd::EditUndo)->isEnabled());
    ASSERT_TRUE(frame().trigger(cmd::EditUndo));
    EXPECT_EQ(code(31), "");
    EXPECT_EQ(fileItem(31, 7), "/");
    ASSERT_TRUE(frame().trigger(cmd::EditRedo));
    EXPECT_EQ(code(31), "76PVA");
    EXPECT_EQ(fileItem(31, 7), "76PVA/1.00");

    // A used group opens its setting; the edited value is written on OK.
    onNextDialog<editors::blocks::BlockSettingDialog>([](editors::blocks::BlockSettingDialog* d) {
        const auto& rows = d->editor().rows();
        for (std::size_t r = 0; r < rows.size(); ++r)
            if (rows[r].index == 7)
                d->gridModel()->setData(d->gridModel()->index(static_cast<int>(r), 3), QStringLiteral("2.50"),
                                        Qt::EditRole);
        d->accept();
    });
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->cellCentre(31));
    EXPECT_EQ(fileItem(31, 7), "76PVA/2.50");
    EXPECT_TRUE(prompt.ids().empty());

    // Copy and paste go through the clipboard, within the group's range.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->cellCentre(31));
    ASSERT_TRUE(frame().trigger(cmd::EditCopy));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->cellCentre(62));
    frame().refresh();
    EXPECT_FALSE(frame().action(cmd::EditPaste)->isEnabled());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->cellCentre(60));
    ASSERT_TRUE(frame().trigger(cmd::EditPaste));
    EXPECT_EQ(fileItem(60, 7), "76PVA/2.50");

    ASSERT_TRUE(frame().trigger(cmd::FileSave));
    EXPECT_EQ(session().projectRecord.modified, 0);
    ASSERT_TRUE(frame().trigger(cmd::FileNew));
    EXPECT_EQ(list(), nullptr);
    prompt.file(path);
    ASSERT_TRUE(frame().trigger(cmd::FileOpen));
    view = openFromSystemView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(code(31), "76PVA");
    EXPECT_EQ(fileItem(31, 7), "76PVA/2.50");
    EXPECT_EQ(fileItem(60, 7), "76PVA/2.50");
}

TEST_F(BlockListPageTest, BarButtonsMoveBetweenTheViews)
{
    start();
    saveProject();
    ASSERT_NE(bar(ViewKind::System), nullptr);
    ShellSystemView* v = app->systemView();
    // Without a card the system bar offers no block list.
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, QPoint(2, 2));
    app->unitSelection().select(kStation, 0);
    frame().refresh();
    EXPECT_FALSE(bar(ViewKind::System)->button(barid::SystemBlkList)->isEnabled());
    app->unitSelection().select(kStation, kCard);
    frame().refresh();
    ASSERT_TRUE(bar(ViewKind::System)->button(barid::SystemBlkList)->isEnabled());
    ASSERT_TRUE(bar(ViewKind::System)->click(barid::SystemBlkList));
    ASSERT_NE(list(), nullptr);

    ViewBar* b = bar(ViewKind::BlkList);
    ASSERT_NE(b, nullptr);
    // Not a "PWZ" card: no Bank button.
    EXPECT_TRUE(b->button(barid::BlkListBank)->isHidden());
    EXPECT_FALSE(b->click(barid::BlkListBank));
    // Close goes back to the system view the list replaced.
    ASSERT_TRUE(b->click(barid::BlkListClose));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(frame().views().frameExists(ViewKind::BlkList));
    EXPECT_TRUE(frame().views().frameExists(ViewKind::System));
}

TEST_F(BlockListPageTest, AFailedWriteIsReportedAndTheNextViewStaysClosed)
{
    start();
    saveProject();
    prompt.clearLog();
    ASSERT_NE(openFromSystemView(), nullptr);
    ViewBar* b = bar(ViewKind::BlkList);
    ASSERT_NE(b, nullptr);
    // A work folder that cannot take the unit's file.
    const std::string folder = session().projectRecord.workFolder;
    const std::string blocked = dir / "blocked";
    std::ofstream(blocked) << "x";
    session().projectRecord.workFolder = blocked;
    ASSERT_TRUE(b->click(barid::BlkListSeqBlk));
    ASSERT_TRUE(b->click(barid::BlkListAnaTan));
    EXPECT_EQ(prompt.ids(), (std::vector<int>{7018, 7018}));
    EXPECT_FALSE(frame().views().frameExists(ViewKind::SeqBlk));
    EXPECT_FALSE(frame().views().frameExists(ViewKind::AnaTan));

    session().projectRecord.workFolder = folder;
    prompt.clearLog();
    ASSERT_TRUE(b->click(barid::BlkListAnaTan));
    EXPECT_TRUE(prompt.ids().empty());
    EXPECT_TRUE(frame().views().frameExists(ViewKind::AnaTan));
}

// The list closed to the system view and opened again at once, before any event is handled,
// keeps its frame while its Block Setting runs; and a list closed while its Block Setting
// runs goes once the dialog has.
TEST_F(BlockListPageTest, AListClosedWhileOrJustBeforeItsBlockSettingSurvivesTheDialog)
{
    start();
    saveProject();
    ShellBlockListView* view = openFromSystemView();
    ASSERT_NE(view, nullptr);
    onNextDialog<editors::ListSelectDialog>([](editors::ListSelectDialog* d) {
        const auto found = d->list()->findItems(QStringLiteral("PVA"), Qt::MatchStartsWith);
        if (!found.isEmpty()) d->list()->setCurrentItem(found.front());
        d->accept();
    });
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->cellCentre(31));
    ASSERT_EQ(code(31), "76PVA");

    for (const bool closeDuringDialog : {false, true}) {
        SCOPED_TRACE(closeDuringDialog ? "closed during the dialog" : "closed and reopened at once");
        if (!closeDuringDialog) {
            ASSERT_TRUE(frame().trigger(cmd::ViewSystem));
            view = openFromSystemView();
            ASSERT_NE(view, nullptr);
        }
        QPointer<ChildFrame> opened = frame().frame(ViewKind::BlkList);
        ASSERT_FALSE(opened.isNull());
        bool ran = false, shown = false;
        onNextDialog<editors::blocks::BlockSettingDialog>([&](editors::blocks::BlockSettingDialog* d) {
            ran = true;
            if (closeDuringDialog) {
                EXPECT_TRUE(frame().trigger(cmd::ViewSystem));
            }
            // Whatever was left to run after the close runs under the dialog.
            for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            shown = d->isVisible();
            d->accept();
        });
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->cellCentre(31));
        EXPECT_TRUE(ran);
        EXPECT_TRUE(shown);
        EXPECT_EQ(frame().views().frameExists(ViewKind::BlkList), !closeDuringDialog);
        EXPECT_EQ(frame().views().frameExists(ViewKind::System), closeDuringDialog);
        QTest::qWait(20);
        EXPECT_EQ(opened.isNull(), closeDuringDialog);
    }
    EXPECT_EQ(code(31), "76PVA");
}

TEST_F(BlockListPageTest, BankButtonSwitchesThePwzList)
{
    start();
    model::SystemConfigTables& t = app->systemTables();
    t.stationKind[kStation] = app->masters().station.find("RNH6");
    t.cardKind[kStation][kCard - 1] = app->masters().card.find("PWZ");
    ASSERT_GT(t.cardKind[kStation][kCard - 1], 0);
    ShellBlockListView* view = openFromSystemView();
    ASSERT_NE(view, nullptr);
    ViewBar* b = bar(ViewKind::BlkList);
    ASSERT_NE(b, nullptr);
    QPushButton* bank = b->button(barid::BlkListBank);
    EXPECT_FALSE(bank->isHidden());
    EXPECT_EQ(bank->text(), QStringLiteral("Bank 2"));
    EXPECT_EQ(view->cellCentre(27), QPoint(-1, -1));
    ASSERT_TRUE(b->click(barid::BlkListBank));
    EXPECT_EQ(app->unitContext().g_blockListBank, 2);
    EXPECT_EQ(bank->text(), QStringLiteral("Bank 0"));
    const editors::blocks::ListRect r = editors::blocks::listCellRect(8);
    EXPECT_EQ(view->groupAt(QPoint(r.x + 5, r.y + 5)), 27);
    ASSERT_TRUE(b->click(barid::BlkListClose));
    EXPECT_EQ(app->unitContext().g_blockListBank, 0);
}

}  // namespace
}  // namespace kravin::shell

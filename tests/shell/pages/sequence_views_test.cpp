// The sequential control block and ladder views through the real main frame:
// groups enabled, a program keyed in, confirmed, closed and found again after
// the project was reopened; the ladder's bars and its leave checks.
#include "child_frame.h"
#include "open_view.h"
#include "command_ids.h"
#include "KRAVinA.h"
#include "block_setting_dialog.h"
#include "select_contact.h"
#include "shared_dialogs.h"
#include "sequence_views.h"
#include "view_bar.h"
#include "modal_script.h"
#include "shell_fixture.h"
#include "string_table.h"
#include "hand_drag.h"
#include "toolbox_dock.h"

#include <QApplication>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kravin::shell {
namespace {

using test::answerDialog;
using test::ShellFixture;

constexpr int kStation = 1;
constexpr int kCard = 1;

class SequenceViewsTest : public ShellFixture {
protected:
    std::string path;

    // A station with a QV200 card whose unit holds a digital-input block in group 11; saved.
    void makeProject()
    {
        start();
        model::SystemConfigTables& t = app->systemTables();
        t.stationKind[kStation] = 1;
        t.cardKind[kStation][kCard - 1] = app->masters().card.find("QV200");
        ASSERT_GT(t.cardKind[kStation][kCard - 1], 0);
        const std::string folder = session().projectRecord.workFolder;
        char head[512] = {};
        KRAVinA_Data_Get(kStation, kCard - 1, head, folder.c_str());
        std::memset(head, 0, sizeof head);
        std::memcpy(head, "00SYS", 5);
        std::memcpy(head + 5 * 11, "31CDI", 5);
        ASSERT_EQ(KRAVinA_Data_Write(kStation, kCard - 1, head, folder.c_str()), 0);
        path = dir / "seq.KRA";
        prompt.dialog([this](model::ProjectDialogData& d) {
            d.name = "Seq";
            d.location = path;
            return true;
        });
        ASSERT_TRUE(frame().trigger(cmd::FileSave));
        selectCard();
    }

    void selectCard()
    {
        app->unitSelection().select(kStation, kCard);
        app->unitSelection().loadUnitBlocks();
        frame().refresh();
    }

    sequence::SeqBlkView* seqPage() { return test::openView<sequence::SeqBlkView>(frame(), ViewKind::SeqBlk); }
    ladder::LadderView* ladderPage() { return test::openView<ladder::LadderView>(frame(), ViewKind::Ladder); }
    // A button of a frame's bar.
    QPushButton* button(ViewKind kind, int id)
    {
        ChildFrame* f = frame().frame(kind);
        if (!f) return nullptr;
        for (ViewBar* bar : f->findChildren<ViewBar*>())
            if (QPushButton* b = bar->button(id)) return b;
        return nullptr;
    }

    QPoint tabCentre(int group) { return {10 + 64 * (group - 81) + 30, 19}; }

    void key(char c) { QTest::keyClick(ladderPage(), c); }
    void key(Qt::Key k, Qt::KeyboardModifiers m = {}) { QTest::keyClick(ladderPage(), k, m); }

    // Opens the ladder on group 81, enabled first.
    void openLadderOn81()
    {
        ASSERT_TRUE(frame().trigger(cmd::ViewSeqBlk));
        sequence::SeqBlkView* page = seqPage();
        ASSERT_NE(page, nullptr);
        QTest::mouseClick(page->viewport(), Qt::LeftButton, {}, tabCentre(81));
        page->runCommand(sequence::seqcmd::EnableSetting);
        ASSERT_TRUE(button(ViewKind::SeqBlk, seqbar::SeqLadder)->isEnabled());
        QTest::mouseClick(button(ViewKind::SeqBlk, seqbar::SeqLadder), Qt::LeftButton);
        QCoreApplication::processEvents();
        ASSERT_TRUE(frame().views().frameExists(ViewKind::Ladder)) << frame().views().state(ViewKind::Ladder);
        ASSERT_NE(ladderPage(), nullptr);
    }
};

TEST_F(SequenceViewsTest, KeyedProgramIsTranslatedSavedAndThereAfterReopening)
{
    makeProject();
    ASSERT_TRUE(frame().trigger(cmd::ViewSeqBlk));
    sequence::SeqBlkView* page = seqPage();
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(frame().views().frameExists(ViewKind::System));
    // A double click on a disabled group's tab opens nothing.
    QTest::mouseDClick(page->viewport(), Qt::LeftButton, {}, tabCentre(81));
    QCoreApplication::processEvents();
    EXPECT_EQ(ladderPage(), nullptr);
    EXPECT_FALSE(frame().action(cmd::ViewLadder)->isEnabled());

    QTest::mouseClick(page->viewport(), Qt::LeftButton, {}, tabCentre(81));
    page->runCommand(sequence::seqcmd::EnableSetting);
    frame().refresh();
    EXPECT_TRUE(frame().action(cmd::ViewLadder)->isEnabled());
    // Double click on the STEP00 box: the ladder replaces the sequential view.
    QTest::mouseDClick(page->viewport(), Qt::LeftButton, {}, QPoint(30, 50));
    QCoreApplication::processEvents();
    ASSERT_NE(ladderPage(), nullptr);
    EXPECT_FALSE(frame().views().frameExists(ViewKind::SeqBlk));
    EXPECT_TRUE(frame().views().reopenFlags() & ReopenSeqAfterLadder);

    // Row 1: N.O. contact 1115 wired to an output coil 1115.
    key(Qt::Key_Down);
    answerDialog(QStringLiteral("1115"));
    key('a');
    EXPECT_EQ(ladderPage()->ladder().g_ladderCursor, (ladder::GridPos{1, 1}));
    answerDialog(QStringLiteral("1115"));
    key('O');
    EXPECT_EQ(ladderPage()->ladder().g_ladderCursor, (ladder::GridPos{2, 0}));
    EXPECT_TRUE(app->sequenceViews()->ladderPending());
    frame().refresh();
    EXPECT_TRUE(frame().action(cmd::EditUndo)->isEnabled());

    QTest::mouseClick(button(ViewKind::Ladder, seqbar::LadderConfirm), Qt::LeftButton);
    QTest::mouseClick(button(ViewKind::Ladder, seqbar::LadderClose), Qt::LeftButton);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(frame().views().frameExists(ViewKind::Ladder));
    ASSERT_NE(seqPage(), nullptr);  // the sequential view came back
    EXPECT_EQ(session().projectRecord.modified, 1);

    ASSERT_TRUE(frame().trigger(cmd::FileSave));
    prompt.clearLog();
    ASSERT_TRUE(frame().trigger(cmd::FileNew));
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
    prompt.file(path);
    ASSERT_TRUE(frame().trigger(cmd::FileOpen));
    selectCard();
    ASSERT_TRUE(frame().trigger(cmd::ViewSeqBlk));
    const auto& row = *app->sequenceViews()->session().steps.g_stepTable.Row(81);
    EXPECT_EQ(std::string(row[0].data(), 6), "130000");
    EXPECT_EQ(std::string(row[1].data(), 6), "011115");
    EXPECT_EQ(std::string(row[2].data(), 6), "071115");
    EXPECT_EQ(std::string(row[3].data(), 6), "000000");
    EXPECT_TRUE(app->sequenceViews()->session().GroupEnabled(81));
}

TEST_F(SequenceViewsTest, MnemonicSetsTheGroupsCodesThroughBlockSetting)
{
    makeProject();
    ASSERT_TRUE(frame().trigger(cmd::ViewSeqBlk));
    sequence::SeqBlkView* view = seqPage();
    ASSERT_NE(view, nullptr);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, tabCentre(81));
    view->runCommand(sequence::seqcmd::EnableSetting);
    prompt.clearLog();
    bool printable = false;
    QTimer::singleShot(0, [&printable] {
        auto* d = qobject_cast<editors::blocks::BlockSettingDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        printable = d->findChild<QPushButton*>(QStringLiteral("print"))->isEnabled();
        const auto& rows = d->editor().rows();
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const char* code = rows[r].index == 12 ? "011115" : rows[r].index == 13 ? "071115"
                             : rows[r].index == 14 ? "000000" : nullptr;
            if (code) d->gridModel()->setData(d->gridModel()->index(static_cast<int>(r), 3), QString::fromLatin1(code),
                                              Qt::EditRole);
        }
        d->accept();
        // A refused OK must not leave the test waiting.
        if (d->isVisible()) {
            ADD_FAILURE() << "Block Setting refused its OK";
            d->done(QDialog::Rejected);
        }
    });
    view->runCommand(sequence::seqcmd::Mnemonic);
    EXPECT_TRUE(printable);
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
    const auto& row = *app->sequenceViews()->session().steps.g_stepTable.Row(81);
    EXPECT_EQ(std::string(row[1].data(), 6), "011115");
    EXPECT_EQ(std::string(row[2].data(), 6), "071115");
    EXPECT_EQ(session().projectRecord.modified, 1);
    // The ladder opens on the new codes.
    QTest::mouseClick(button(ViewKind::SeqBlk, seqbar::SeqLadder), Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_NE(ladderPage(), nullptr);
    EXPECT_EQ(ladderPage()->ladder().Cell(1, 0), ladder::MakeValue(1, 11, 15));
    EXPECT_EQ(ladderPage()->ladder().g_ladderCoils[1], ladder::MakeValue(7, 11, 15));
}

TEST_F(SequenceViewsTest, BrowsePicksAContactWithOneOkAndReturnConfirmsIt)
{
    makeProject();
    openLadderOn81();
    key(Qt::Key_Down);
    bool browsed = false, confirmed = false;
    int selects = 0;
    QWidget* selectParent = nullptr;
    // Select Contact, each time it opens: the first time the second terminal of
    // G11 with one OK; a second opening is counted and closed.
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* select = qobject_cast<ladder::SelectContactDialog*>(QApplication::activeModalWidget());
        if (!select) return;
        if (++selects > 1) {
            select->reject();
            return;
        }
        selectParent = select->parentWidget();
        select->groupList()->setCurrentRow(0);
        select->contactList()->setCurrentRow(1);
        QTest::mouseClick(select->findChild<QPushButton*>(QStringLiteral("IDOK")), Qt::LeftButton);
        browsed = !select->isVisible();
        if (!browsed) select->reject();
    });
    watch.start();
    QTimer::singleShot(0, [&] {
        auto* param = qobject_cast<editors::ParamInputDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(param, nullptr);
        QTest::mouseClick(param->browseButton(), Qt::LeftButton);
        // Return in the parameter dialog (to its focused control) is OK, not Browse again.
        QTest::keyClick(param->focusWidget() ? param->focusWidget() : param, Qt::Key_Return);
        confirmed = !param->isVisible();
        if (param->isVisible()) param->reject();
    });
    key('a');
    watch.stop();
    EXPECT_EQ(selects, 1);
    EXPECT_TRUE(browsed);
    EXPECT_TRUE(confirmed);
    EXPECT_NE(selectParent, nullptr);
    const int value = ladderPage()->ladder().Cell(1, 0);
    EXPECT_EQ(value / 10000, 1);          // a N.O. contact
    EXPECT_EQ(value / 100 % 100, 11);     // of block 11
    EXPECT_GT(value % 100, 0);            // on the terminal chosen
}

TEST_F(SequenceViewsTest, FailedCloseKeepsTheLadderOpenOnTheError)
{
    makeProject();
    openLadderOn81();
    ladder::LadderContext& l = ladderPage()->ladder();
    l.Cell(60, 4) = ladder::MakeValue(1, 11, 15);  // a contact joined to nothing
    l.g_ladderEdited = true;
    QTest::mouseClick(button(ViewKind::Ladder, seqbar::LadderClose), Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_NE(ladderPage(), nullptr);
    EXPECT_FALSE(prompt.shown.empty());
    // The error row is in view.
    ladder::LadderView* v = ladderPage();
    const int h = ladder::LadderRowHeight(l.g_ladderShowComments);
    const int row = l.g_ladderCursor.row;
    EXPECT_EQ(l.g_ladderCursor, l.g_ladderErrorPos);
    EXPECT_LE(v->verticalScrollBar()->value(), row * h);
    EXPECT_GE(v->verticalScrollBar()->value() + v->viewport()->height(), row * h + 1);

    // Leaving for the system view runs the same check and stays.
    prompt.clearLog();
    EXPECT_TRUE(frame().trigger(cmd::ViewSystem));
    EXPECT_NE(ladderPage(), nullptr);
    EXPECT_FALSE(prompt.shown.empty());

    // Cancel asks; Cancel to that question keeps the window.
    prompt.answer(8104, model::Answer::Cancel);
    QTest::mouseClick(button(ViewKind::Ladder, seqbar::LadderCancel), Qt::LeftButton);
    EXPECT_NE(ladderPage(), nullptr);
    prompt.answer(8104, model::Answer::Ok);
    QTest::mouseClick(button(ViewKind::Ladder, seqbar::LadderCancel), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(ladderPage(), nullptr);
}

TEST_F(SequenceViewsTest, TheFrameCloseBoxAsksBeforeDroppingAnEdit)
{
    makeProject();
    openLadderOn81();
    const model::StepTable saved = app->sequenceViews()->session().steps.g_stepTable;
    key(Qt::Key_Down);
    key(Qt::Key_Right);
    key('y');
    ASSERT_TRUE(app->sequenceViews()->ladderPending());
    app->sequenceViews()->session().steps.g_stepTable.Row(81)->at(5) = model::MakeStepCode("070101");
    prompt.answer(8104, model::Answer::Cancel);
    frame().frame(ViewKind::Ladder)->close();
    QCoreApplication::processEvents();
    ASSERT_NE(ladderPage(), nullptr);
    prompt.answer(8104, model::Answer::Ok);
    frame().frame(ViewKind::Ladder)->close();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(ladderPage(), nullptr);
    EXPECT_EQ(app->sequenceViews()->session().steps.g_stepTable, saved);
    EXPECT_NE(seqPage(), nullptr);
}

TEST_F(SequenceViewsTest, SavingTheProjectTranslatesAPendingLadderEdit)
{
    makeProject();
    openLadderOn81();
    key(Qt::Key_Down);
    answerDialog(QStringLiteral("1115"));
    key('b');
    answerDialog(QStringLiteral("1115"));
    key('s');
    ASSERT_TRUE(app->sequenceViews()->ladderPending());
    ASSERT_TRUE(frame().trigger(cmd::FileSave));
    EXPECT_FALSE(app->sequenceViews()->ladderPending());
    EXPECT_NE(ladderPage(), nullptr);
    const auto& row = *app->sequenceViews()->session().steps.g_stepTable.Row(81);
    EXPECT_EQ(std::string(row[1].data(), 6), "021115");
    EXPECT_EQ(std::string(row[2].data(), 6), "091115");
    // The unit file holds them too.
    char head[512];
    KRAVinA_Data_Get(kStation, kCard - 1, head, session().projectRecord.workFolder.c_str());
    char item[17] = {};
    KRAVinA_Data_Item_Get(81, 12, item);
    EXPECT_STREQ(item, "021115");
}

// A contact keyed in before STEP00: the translation rejects the grid.
class RejectedLadderEditTest : public SequenceViewsTest {
protected:
    void keyRejectedEdit()
    {
        ASSERT_NO_FATAL_FAILURE(makeProject());
        ASSERT_NO_FATAL_FAILURE(openLadderOn81());
        key(Qt::Key_Insert, Qt::ControlModifier);
        answerDialog(QStringLiteral("0109"));
        key('a');
        ASSERT_EQ(ladderPage()->ladder().Cell(0, 0), ladder::MakeValue(1, 1, 9));
        ASSERT_TRUE(app->sequenceViews()->ladderPending());
        saved = app->sequenceViews()->session().steps.g_stepTable;
        archive = readFile(path);
        prompt.clearLog();
    }

    static std::string readFile(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // The edit is still there, unsaved, with the ladder open on it.
    void expectEditKept()
    {
        ASSERT_NE(ladderPage(), nullptr);
        EXPECT_EQ(ladderPage()->ladder().Cell(0, 0), ladder::MakeValue(1, 1, 9));
        EXPECT_TRUE(app->sequenceViews()->ladderPending());
        EXPECT_EQ(app->sequenceViews()->session().steps.g_stepTable, saved);
        EXPECT_EQ(session().projectRecord.path, path);
        EXPECT_EQ(readFile(path), archive);
    }

    model::StepTable saved;
    std::string archive;
};

TEST_F(RejectedLadderEditTest, SaveStopsAtDataEditingIsNotCompleted)
{
    ASSERT_NO_FATAL_FAILURE(keyRejectedEdit());
    for (int id : {cmd::FileSave, cmd::FileSaveAs}) {
        prompt.clearLog();
        ASSERT_TRUE(frame().trigger(id));
        ASSERT_EQ(prompt.ids(), std::vector<int>{7002});
        EXPECT_EQ(prompt.shown[0].args, model::MessageArgs{std::string("Ladder Setting ")});
        EXPECT_EQ(session().projectRecord.modified, 1);
        expectEditKept();
    }
}

// New, Open and Exit ask 7000 first: Cancel keeps the project and its edit,
// OK drops the edit and the command goes on (the project's own changes are
// still offered for saving).
TEST_F(RejectedLadderEditTest, NewOpenAndExitAskToDiscardTheEdit)
{
    const std::string other = dir / "other.KRA";
    struct Case {
        const char* name;
        std::function<void()> run;
        std::function<void()> after;  // once the edit was dropped
    };
    const std::vector<Case> cases{
        {"new", [&] { frame().trigger(cmd::FileNew); },
         [&] { EXPECT_TRUE(session().projectRecord.untitled); }},
        {"open",
         [&] {
             prompt.file(other);
             frame().trigger(cmd::FileOpen);
         },
         [&] { EXPECT_EQ(session().projectRecord.path, other); }},
        {"exit", [&] { frame().trigger(cmd::FileExit); }, [&] { EXPECT_FALSE(frame().isVisible()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(keyRejectedEdit());
        std::filesystem::copy_file(path, other, std::filesystem::copy_options::overwrite_existing);
        frame().show();
        prompt.answer(7000, model::Answer::Cancel);
        c.run();
        ASSERT_EQ(prompt.ids(), std::vector<int>{7000});
        EXPECT_EQ(prompt.shown[0].args, model::MessageArgs{std::string("Ladder Setting ")});
        expectEditKept();
        EXPECT_TRUE(frame().isVisible());

        prompt.clearLog();
        prompt.answer(7000, model::Answer::Ok);
        prompt.answer(7001, model::Answer::No);
        if (std::string(c.name) != "open") c.run();
        else frame().trigger(cmd::FileOpen);
        QCoreApplication::processEvents();
        const std::vector<int> ids = prompt.ids();
        ASSERT_GE(ids.size(), 2u);
        EXPECT_EQ((std::vector<int>(ids.begin(), ids.begin() + 2)), (std::vector<int>{7000, 7001}));
        EXPECT_EQ(std::count(ids.begin(), ids.end(), 7003), 0);
        EXPECT_EQ(readFile(path), archive);
        c.after();
        EXPECT_TRUE(prompt.scriptDone());
        TearDown();
        prompt = test::ScriptedPrompt();
    }
}

TEST_F(SequenceViewsTest, CommentSwitchIsKeptInTheSettings)
{
    makeProject();
    openLadderOn81();
    const bool before = ladderPage()->ladder().g_ladderShowComments;
    QPushButton* b = button(ViewKind::Ladder, seqbar::LadderComment);
    EXPECT_EQ(b->text(), before ? QStringLiteral("Hide Comment") : QStringLiteral("Show Comment"));
    QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_EQ(ladderPage()->ladder().g_ladderShowComments, !before);
    EXPECT_EQ(profile->value(QStringLiteral("KRAVin/SEQ_DSP")).toInt(), before ? 0 : 1);
    EXPECT_EQ(b->text(), before ? QStringLiteral("Show Comment") : QStringLiteral("Hide Comment"));
}

TEST_F(SequenceViewsTest, OnlineTheLadderRefusesEditsAndPublishesItsTables)
{
    makeProject();
    openLadderOn81();
    ladder::LadderContext& l = ladderPage()->ladder();
    // The monitor's tables follow the grid.
    l.Cell(1, 0) = ladder::MakeValue(1, 11, 15);
    Q_EMIT ladderPage()->edited();
    const online::LadderMonitorPlan plan = app->monitorContext().StartUnitMonitor();
    EXPECT_TRUE(plan.valid);
    EXPECT_EQ(plan.group, 81);
    EXPECT_EQ(plan.contacts[1][0] / 100, 11);

    app->online().online = true;
    const ladder::LadderGrid before = l.Grid();
    key(Qt::Key_Down);
    key('b');
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(l.Grid(), before);
    EXPECT_FALSE(l.g_ladderEdited);
    EXPECT_EQ(l.g_ladderCursor.row, 1);
    frame().refresh();
    EXPECT_FALSE(frame().action(cmd::EditCut)->isEnabled());
    app->online().online = false;
}

// The ladder frame in each language: its bar keeps Close, Cancel, the comment
// button and Confirm at the right edge, 10 pixels apart, whatever the frame's
// width; the first button stays where it is, and every caption fits.
class LadderBarTest : public SequenceViewsTest, public ::testing::WithParamInterface<res::Language> {};

TEST_P(LadderBarTest, ButtonsStayAtTheRightEdgeAsTheFrameIsResized)
{
    {
        QSettings pre(QString::fromStdString(dir / "profile.ini"), QSettings::IniFormat);
        pre.setValue(QStringLiteral("KRAVin/LANGUAGE"),
                     GetParam() == res::Language::Japanese ? QStringLiteral("ja") : QStringLiteral("en"));
    }
    makeProject();
    ASSERT_EQ(app->language(), GetParam());
    ASSERT_NO_FATAL_FAILURE(openLadderOn81());
    ChildFrame* f = frame().frame(ViewKind::Ladder);
    QPushButton* seq = button(ViewKind::Ladder, seqbar::LadderSeq);
    // From the right edge inward.
    const std::vector<QPushButton*> right = {
        button(ViewKind::Ladder, seqbar::LadderClose), button(ViewKind::Ladder, seqbar::LadderCancel),
        button(ViewKind::Ladder, seqbar::LadderComment), button(ViewKind::Ladder, seqbar::LadderConfirm)};
    ASSERT_NE(seq, nullptr);
    for (QPushButton* b : right) ASSERT_NE(b, nullptr);
    EXPECT_EQ(right[2]->text(), res::qmessage(ladderPage()->ladder().g_ladderShowComments ? 8201 : 8200, GetParam()));
    frame().resize(1900, 1400);
    std::optional<QPoint> seqAt;
    for (const int width : {900, 1500}) {
        f->resize(width, 600);
        for (int i = 0; i < 4; ++i) QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::processEvents();
        auto* bar = qobject_cast<ViewBar*>(seq->parentWidget());
        ASSERT_NE(bar, nullptr);
        // The bar spans the frame.
        EXPECT_GT(bar->width(), width - 60) << width;
        int edge = bar->width() - 10;
        for (QPushButton* b : right) {
            EXPECT_TRUE(b->isVisible()) << b->text().toStdString();
            EXPECT_EQ(b->geometry().right() + 1, edge) << b->text().toStdString() << " at " << width;
            EXPECT_EQ(b->y(), seq->y()) << b->text().toStdString();
            EXPECT_EQ(b->height(), seq->height()) << b->text().toStdString();
            EXPECT_GT(b->width(), b->fontMetrics().horizontalAdvance(b->text())) << b->text().toStdString();
            edge = b->x() - 10;
        }
        EXPECT_GT(right.back()->x(), seq->geometry().right()) << width;
        EXPECT_GT(seq->width(), seq->fontMetrics().horizontalAdvance(seq->text()));
        if (seqAt) {
            EXPECT_EQ(seq->pos(), *seqAt);
        }
        seqAt = seq->pos();
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, LadderBarTest,
                         ::testing::Values(res::Language::English, res::Language::Japanese),
                         [](const ::testing::TestParamInfo<res::Language>& info) {
                             return info.param == res::Language::Japanese ? std::string("Japanese")
                                                                          : std::string("English");
                         });

// A hand's drag of a palette tile over a ladder cell, dropped there or let go
// with Escape; whether the view took it.
bool dropOnLadder(ToolBoxDock& dock, ladder::LadderView* view, const PaletteItem& item, int row, int column,
                  bool drop = true)
{
    QWidget* port = view->viewport();
    const int h = ladder::LadderRowHeight(view->ladder().g_ladderShowComments);
    const QPoint at = QPoint(15 + ladder::kCellPitch * column + 40, 5 + h * row + h / 2) -
                      QPoint(view->horizontalScrollBar()->value(), view->verticalScrollBar()->value());
    test::HandDrag drag(dock, item.name, port);
    EXPECT_TRUE(drag.started());
    const bool taken = drag.moveTo(port, at);
    if (!drop) {
        drag.escape();
        return taken;
    }
    return drag.release();
}

TEST_F(SequenceViewsTest, PaletteElementsDroppedOntoLadderCellsAreConfirmedIntoTheUnit)
{
    makeProject();
    ASSERT_NO_FATAL_FAILURE(openLadderOn81());
    prompt.clearLog();
    ladder::LadderView* view = ladderPage();
    ToolBoxDock* dock = frame().frame(ViewKind::Ladder)->findChild<ToolBoxDock*>(QStringLiteral("ladderToolbox"));
    ASSERT_NE(dock, nullptr);
    ASSERT_EQ(dock->categories().size(), 1u);
    std::map<std::string, PaletteItem> items;
    for (const PaletteItem& i : dock->categories()[0].items) items[i.name] = i;
    ASSERT_EQ(items.size(), 12u);
    const PaletteItem& contact = items.at("N.O.\nContact");
    const PaletteItem& coil = items.at("Output\nCoil");

    // Step and Timer only in column 0, no contact in the coil column.
    EXPECT_FALSE(dropOnLadder(*dock, view, items.at("Step"), 1, 1, false));
    EXPECT_FALSE(dropOnLadder(*dock, view, items.at("Timer"), 1, 3, false));
    EXPECT_FALSE(dropOnLadder(*dock, view, contact, 1, 8, false));
    EXPECT_TRUE(dropOnLadder(*dock, view, contact, 1, 7, false));
    // The hovered cell becomes the cursor's.
    EXPECT_EQ(view->ladder().g_ladderCursor, (ladder::GridPos{1, 7}));

    // A contact dropped onto row 1, column 0 asks for its terminal; a coil after it.
    answerDialog(QStringLiteral("1115"));
    ASSERT_TRUE(dropOnLadder(*dock, view, contact, 1, 0));
    EXPECT_TRUE(ladder::IsContact(view->ladder().Cell(1, 0)));
    answerDialog(QStringLiteral("1115"));
    ASSERT_TRUE(dropOnLadder(*dock, view, coil, 1, 1));
    EXPECT_TRUE(app->sequenceViews()->ladderPending());

    // Online no drag starts and nothing is taken.
    app->online().online = true;
    EXPECT_FALSE(dock->list()->target->dragAllowed());
    const std::int32_t empty = view->ladder().Cell(2, 0);
    EXPECT_FALSE(dropOnLadder(*dock, view, contact, 2, 0));
    EXPECT_EQ(view->ladder().Cell(2, 0), empty);
    app->online().online = false;

    QTest::mouseClick(button(ViewKind::Ladder, seqbar::LadderConfirm), Qt::LeftButton);
    QTest::mouseClick(button(ViewKind::Ladder, seqbar::LadderClose), Qt::LeftButton);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(frame().views().frameExists(ViewKind::Ladder));
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
    // The steps are in the unit file of the work folder.
    char head[500] = {};
    ASSERT_EQ(KRAVinA_Data_Get(kStation, kCard - 1, head, session().projectRecord.workFolder.c_str()), 0);
    std::string steps;
    for (int i = 11; i <= 14; ++i) {
        char v[17] = {};
        KRAVinA_Data_Item_Get(81, i, v);
        steps += std::string(v) + " ";
    }
    EXPECT_EQ(steps, "130000 011115 071115 000000 ");
}

}  // namespace
}  // namespace kravin::shell

// The configuration commands through the real main frame: the context menu,
// the Edit menu, save and reopen; every enabled command reaches its work; the
// transfer workers' questions; the recent-file list.
#include "child_frame.h"
#include "command_ids.h"
#include "qt_worker_question.h"
#include "recent_files.h"
#include "shared_dialogs.h"
#include "modal_script.h"
#include "model_select.h"
#include "shell_fixture.h"
#include "shell_texts.h"
#include "small_dialogs.h"
#include "system_cells.h"
#include "system_view_logic.h"
#include "unit_files.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <set>
#include <future>
#include <thread>

namespace kravin::shell {
namespace {

using editors::syscmd::ChangeDevice;
using test::ShellFixture;

constexpr int kStation = 2;
constexpr int kCard = 3;

using test::answerNextDialog;

using test::chooseModel;

class SystemCommandsRoadTest : public ShellFixture {
protected:
    ShellSystemView* view() { return app->systemView(); }

    QPoint cellCentre(int station, int card) { return test::systemCellCentre(*view(), station, card); }

    // The context menu at a cell as the user sees it: the command must be offered and enabled.
    void chooseFromContextMenu(int station, int card, int command)
    {
        bool offered = false;
        for (const auto& [id, enabled] : view()->contextMenuEntries(cellCentre(station, card)))
            if (id == command) offered = enabled;
        ASSERT_TRUE(offered) << command;
        Q_EMIT view()->commandRequested(command);
    }

    // A double click on an empty slot places a device there.
    void doubleClick(int station, int card) { test::doubleClickSystemCell(*view(), station, card); }

    std::string cardKind(int station, int card)
    {
        return app->unitContext().unitKindName(station, card);
    }
    std::string cardVersion(int station, int card)
    {
        const model::SystemConfigTables& t = app->systemTables();
        return app->masters().card.versions[t.cardKind[station][card - 1]][t.cardVersion[station][card - 1]];
    }
};

TEST_F(SystemCommandsRoadTest, PlaceUndoRedoSaveAndReopenThroughTheFrame)
{
    start();
    ASSERT_NE(view(), nullptr);
    EXPECT_FALSE(frame().action(cmd::EditUndo)->isEnabled());

    chooseModel("QV200", "1.00");
    doubleClick(kStation, kCard);
    EXPECT_EQ(cardKind(kStation, kCard).substr(0, 6), "QV200 ");
    EXPECT_TRUE(session().projectRecord.modified);
    // Changed again from the context menu: another version replaces it.
    chooseModel("QV200", "1.20");
    prompt.answer(8100, model::Answer::Ok);
    chooseFromContextMenu(kStation, kCard, ChangeDevice);
    frame().refresh();
    EXPECT_TRUE(frame().action(cmd::EditUndo)->isEnabled());
    EXPECT_FALSE(frame().action(cmd::EditRedo)->isEnabled());

    ASSERT_TRUE(frame().trigger(cmd::EditUndo));
    EXPECT_EQ(cardVersion(kStation, kCard), "1.00");
    ASSERT_TRUE(frame().trigger(cmd::EditUndo));
    EXPECT_TRUE(cardKind(kStation, kCard).empty());
    EXPECT_TRUE(frame().action(cmd::EditRedo)->isEnabled());
    ASSERT_TRUE(frame().trigger(cmd::EditRedo));
    ASSERT_TRUE(frame().trigger(cmd::EditRedo));
    EXPECT_EQ(cardKind(kStation, kCard).substr(0, 6), "QV200 ");
    EXPECT_EQ(cardVersion(kStation, kCard), "1.20");
    EXPECT_FALSE(frame().action(cmd::EditRedo)->isEnabled());

    const std::string path = dir / "placed.KRA";
    prompt.dialog([=](model::ProjectDialogData& d) {
        d.name = "Placed";
        d.location = path;
        return true;
    });
    ASSERT_TRUE(frame().trigger(cmd::FileSave));
    ASSERT_TRUE(frame().trigger(cmd::FileNew));
    EXPECT_TRUE(cardKind(kStation, kCard).empty());
    // A new project starts without the old one's history.
    EXPECT_FALSE(frame().action(cmd::EditUndo)->isEnabled());
    EXPECT_FALSE(app->stationUndo().CanUndo());

    // Reopened from the recent-file list of the File menu.
    ASSERT_FALSE(frame().recentFileActions().isEmpty());
    QAction* recent = frame().recentFileActions().front();
    EXPECT_TRUE(recent->text().endsWith(QString::fromStdString(path)));
    recent->trigger();
    EXPECT_EQ(session().projectRecord.path, path);
    EXPECT_EQ(cardKind(kStation, kCard).substr(0, 6), "QV200 ");
    EXPECT_EQ(cardVersion(kStation, kCard), "1.20");
    EXPECT_FALSE(app->stationUndo().CanUndo());
}

// Answers the questions a placement asks after the model: the ID (typed "0042"),
// the number of cards or virtual cards and the RNH6 type (their first choices).
class PlacementQuestions {
public:
    PlacementQuestions()
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [] {
            QWidget* w = QApplication::activeModalWidget();
            if (auto* id = qobject_cast<editors::IdInputDialog*>(w)) {
                id->edit()->setText(QStringLiteral("0042"));
                id->accept();
            } else if (auto* count = qobject_cast<editors::CardCountDialog*>(w)) {
                count->accept();
            } else if (auto* type = qobject_cast<editors::ListSelectDialog*>(w)) {
                type->list()->setCurrentRow(0);
                type->accept();
            }
        });
        timer_.start();
    }

private:
    QTimer timer_;
};

TEST_F(SystemCommandsRoadTest, PlacedUnitsStartWithTheCardNumberAndIdOfTheirKinds)
{
    start();
    // Block 0 of a new unit: item 51 the card's number (card 12 shows "B"), item 52 the typed ID.
    struct Expect {
        bool number, id;
    };
    const std::map<std::string, Expect> cards = {
        {"QV100", {false, false}},  {"QV110", {false, false}}, {"QV200", {true, false}},  {"QV200B", {true, false}},
        {"QV200BX", {true, false}}, {"QV200C", {true, false}}, {"QV200D", {true, false}}, {"QV200E", {true, false}},
        {"QV200W", {true, false}},  {"QV200X", {true, false}}, {"QV210", {true, false}},  {"QV210W", {true, false}},
        {"V8RTU", {false, false}},  {"TQRQ", {false, false}},  {"TQRC", {false, false}},  {"TQRJ", {false, false}},
        {"TQRN", {false, false}},   {"TQRW", {false, false}},  {"63WH", {false, false}},  {"TQNW2", {false, false}},
        {"TQGW2", {false, false}},  {"RNH6", {false, false}},  {"KMQ", {false, false}},   {"PWZ", {false, false}},
        {"TJK5", {true, true}},     {"TJW", {true, true}}};
    // A station is no card: no number, the ID of an IR kind.
    const std::map<std::string, Expect> stations = {{"RNH6", {false, false}}, {"RNZ6", {false, false}},
                                                    {"RNJ6", {false, false}}, {"63NW", {false, false}},
                                                    {"TQNW", {false, false}}, {"V8RTU", {false, false}},
                                                    {"TJK5", {false, true}}};
    PlacementQuestions questions;
    auto item0 = [&](int s, int card, int item) {
        const std::string folder = session().projectRecord.workFolder;
        model::UnitHead head;
        model::loadUnit(s, card, folder, head);
        char v[20] = {};
        KRAVinA_Data_Item_Get(0, item, v);
        return std::string(v, ::strnlen(v, 16));
    };
    model::SystemConfigTables& t = app->systemTables();
    const model::CardKindMasters& m = app->masters();
    int station = 0, placed = 0;
    for (const bool onCard : {true, false}) {
        const model::CardKindMaster& master = onCard ? m.card : m.station;
        const auto& expected = onCard ? cards : stations;
        for (int k = 1; k < model::kKindEntries && !master.name[k].empty(); ++k) {
            const std::string kind = master.name[k].substr(0, master.name[k].find(' '));
            if (kind.back() == '$') continue;  // virtual slots come with their communication card
            const auto e = expected.find(kind);
            ASSERT_NE(e, expected.end()) << kind << " is not in the table";
            for (int v = 0; v < model::kKindVersions && !master.versions[k][v].empty(); ++v, ++station) {
                const std::string version = master.versions[k][v];
                SCOPED_TRACE(kind + " " + version + (onCard ? " card" : " station"));
                if (!onCard) {
                    // The stations of a project are of one family: each station kind in a new project.
                    session().projectRecord.modified = 0;
                    ASSERT_TRUE(frame().trigger(cmd::FileNew));
                }
                int card = onCard ? 12 : 0;
                if (onCard && kind == "V8RTU") {
                    // Remote cards follow remote cards of a remote station of their version.
                    const int stationKind = m.station.find("V8RTU");
                    t.stationKind[station] = stationKind;
                    t.stationVersion[station] = m.station.findVersion(stationKind, version);
                    card = version == "1.00" ? 8 : 12;
                    t.stationUnitText[station] = std::string(1, "0123456789ABCDEF"[card - 1]);
                    for (int c = 0; c < card - 1; ++c) {
                        t.cardKind[station][c] = k;
                        t.cardVersion[station][c] = v;
                    }
                }
                chooseModel(kind, version);
                doubleClick(station, card);
                ASSERT_EQ(cardKind(station, card), master.name[k]) << ::testing::PrintToString(prompt.ids());
                const std::string number(1, "0123456789ABCDEF"[(card + 15) % 16]);
                if (e->second.number)
                    EXPECT_EQ(item0(station, card, 51), number);
                else
                    EXPECT_NE(item0(station, card, 51), number);
                if (e->second.id)
                    EXPECT_EQ(item0(station, card, 52), "0042");
                else
                    EXPECT_NE(item0(station, card, 52), "0042");
                ++placed;
            }
        }
    }
    EXPECT_EQ(placed, station);
    EXPECT_GT(placed, 30);
}

TEST_F(SystemCommandsRoadTest, RemovingAskedFromTheEditMenu)
{
    start();
    chooseModel("QV200W", "1.00");
    doubleClick(kStation, kCard);
    ASSERT_EQ(cardKind(kStation, kCard + 1).substr(0, 6), "QV200W");

    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, cellCentre(kStation, kCard));
    frame().refresh();
    ASSERT_TRUE(frame().action(cmd::EditDelete)->isEnabled());
    prompt.answer(8101, model::Answer::Cancel);
    ASSERT_TRUE(frame().trigger(cmd::EditDelete));
    EXPECT_FALSE(cardKind(kStation, kCard).empty());
    prompt.answer(8101, model::Answer::Ok);
    ASSERT_TRUE(frame().trigger(cmd::EditDelete));
    EXPECT_TRUE(cardKind(kStation, kCard).empty());
    EXPECT_TRUE(cardKind(kStation, kCard + 1).empty());
}

// Every enabled command of the frame and of the view's context menu has its work.
TEST_F(SystemCommandsRoadTest, EveryEnabledCommandHasAHandler)
{
    start();
    chooseModel("QV200", "1.00");
    doubleClick(kStation, kCard);
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, cellCentre(kStation, kCard));
    frame().refresh();

    int checked = 0;
    for (QAction* a : frame().findChildren<QAction*>()) {
        bool isCommand = false;
        const int id = a->data().toInt(&isCommand);
        if (!isCommand || !a->isEnabled() || a->objectName() != QStringLiteral("cmd%1").arg(id)) continue;
        ++checked;
        static const std::set<int> viewCommands{cmd::EditUndo,   cmd::EditRedo,      cmd::EditCut,
                                                cmd::EditCopy,   cmd::EditPaste,     cmd::EditDelete,
                                                cmd::EditSelectAll, cmd::EditComment, cmd::AlignLeft,
                                                cmd::AlignCenter, cmd::AlignRight};
        if (viewCommands.count(id)) {
            EXPECT_TRUE(view()->hasCommand(id)) << id;
        } else {
            EXPECT_TRUE(frame().hasHandler(id)) << id;
        }
    }
    EXPECT_GT(checked, 5);

    // Entries whose work is not built yet are shown, disabled.
    const auto emptyCard = view()->contextMenuEntries(cellCentre(kStation, kCard + 1));
    ASSERT_FALSE(emptyCard.empty());
    for (const auto& [id, enabled] : emptyCard) EXPECT_EQ(enabled, view()->hasCommand(id)) << id;

    // Each enabled entry of the menus runs its handler; its dialogs and questions are cancelled.
    auto* canceller = new QTimer;
    canceller->setInterval(5);
    QObject::connect(canceller, &QTimer::timeout, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
    });
    canceller->start();
    for (const QPoint cell : {QPoint(kCard, kStation), QPoint(0, kStation), QPoint(kCard + 1, kStation)}) {
        for (const auto& [id, enabled] : view()->contextMenuEntries(cellCentre(cell.y(), cell.x()))) {
            // Move asks nothing: it is run by the clipboard's own road.
            if (!enabled || id == editors::syscmd::Move) continue;
            // A command that opened another view may have closed this one.
            if (!view()) {
                ASSERT_TRUE(frame().trigger(cmd::ViewSystem));
            }
            ASSERT_NE(view(), nullptr);
            view()->contextMenuEntries(cellCentre(cell.y(), cell.x()));  // selects the cell again
            for (int question : {8100, 8101}) prompt.answer(question, model::Answer::Cancel);
            EXPECT_TRUE(view()->runCommand(id)) << id << " at card " << cell.x();
        }
        if (!view()) {
            ASSERT_TRUE(frame().trigger(cmd::ViewSystem));
        }
    }
    canceller->stop();
    delete canceller;
    // Nothing was changed by the cancelled commands.
    EXPECT_EQ(cardKind(kStation, kCard).substr(0, 6), "QV200 ");
}

TEST_F(SystemCommandsRoadTest, RecentEntryThatNoLongerOpensIsDropped)
{
    const QString gone = QString::fromStdString(dir / "gone.KRA");
    {
        QSettings before(QString::fromStdString(dir / "profile.ini"), QSettings::IniFormat);
        before.setValue(QStringLiteral("Recent File List/File1"), gone);
    }
    start();
    ASSERT_EQ(frame().recentFileActions().size(), 2);  // the entry and its separator
    frame().recentFileActions().front()->trigger();
    EXPECT_TRUE(frame().recentFileActions().isEmpty());
    EXPECT_TRUE(session().projectRecord.untitled);
    EXPECT_TRUE(frame().views().frameExists(ViewKind::System));
    EXPECT_EQ(prompt.ids(), std::vector<int>{7012});

    shell::runShutdown(*app);
    profile->sync();
    EXPECT_FALSE(profile->contains(QStringLiteral("Recent File List/File1")));
    app.reset();
}

TEST_F(SystemCommandsRoadTest, AProjectThatDoesNotOpenIsReportedAsNotOpened)
{
    start();
    EXPECT_NE(app->loadProject(dir / "missing.KRA"), 0);
    EXPECT_TRUE(session().g_projectOpen);  // a new untitled project took its place
    EXPECT_TRUE(session().projectRecord.untitled);
}

TEST_F(SystemCommandsRoadTest, HelpWithoutItsFileAndTilingLabels)
{
    start();
    frame().refresh();
    // The sample tree ships no help file; the command stays enabled all the same.
    EXPECT_TRUE(frame().action(cmd::HelpBlockList)->isEnabled());
    EXPECT_TRUE(frame().action(cmd::HelpLadderKeys)->isEnabled());
    // Side by side and one above the other, in both languages.
    EXPECT_TRUE(commandText(cmd::WindowTileVertical, UiLanguage::Japanese).contains(QStringLiteral("左右")));
    EXPECT_TRUE(commandText(cmd::WindowTileHorizontal, UiLanguage::Japanese).contains(QStringLiteral("上下")));
}

class WorkerQuestionTest : public ::testing::Test {
protected:
    void SetUp() override { test::qtApp(); }

    // Runs the GUI thread's events until the future is ready.
    template <class T>
    T waitFor(std::future<T>& f)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (f.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready &&
               std::chrono::steady_clock::now() < end)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return f.get();
    }
};

TEST_F(WorkerQuestionTest, AWorkerAsksAndTheGuiThreadAnswers)
{
    QtWorkerQuestion question(res::Language::English);
    std::thread::id shownOn;
    QString detail;
    answerNextDialog([&](QDialog* d) {
        shownOn = std::this_thread::get_id();
        auto* dialog = qobject_cast<editors::ItemMissingDialog*>(d);
        ASSERT_NE(dialog, nullptr);
        detail = dialog->detail()->text();
        dialog->findChild<QPushButton*>(QStringLiteral("3"))->click();
    });
    auto answer = std::async(std::launch::async, [&question] { return question.itemMissing(3, 7); });
    EXPECT_EQ(waitFor(answer), model::AnswerSkipAll);
    EXPECT_EQ(shownOn, std::this_thread::get_id());
    EXPECT_EQ(detail, QStringLiteral("(Gr03 It07)"));

    answerNextDialog([](QDialog* d) {
        ASSERT_NE(qobject_cast<editors::ComErrorDialog*>(d), nullptr);
        d->findChild<QPushButton*>(QStringLiteral("IDOK"))->click();
    });
    auto skip = std::async(std::launch::async, [&question] { return question.communicationError("timeout"); });
    EXPECT_EQ(waitFor(skip), model::AnswerSkip);
}

TEST_F(WorkerQuestionTest, ShutDownAnswersAbort)
{
    QtWorkerQuestion question(res::Language::English);
    answerNextDialog([&question](QDialog*) { question.shutDown(); });
    auto open = std::async(std::launch::async, [&question] { return question.uploadVersionCheck(); });
    EXPECT_EQ(waitFor(open), model::AnswerAbort);

    // Asked after the shut-down: answered at once, no dialog.
    auto later = std::async(std::launch::async, [&question] { return question.communicationError("late"); });
    EXPECT_EQ(later.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(later.get(), model::AnswerAbort);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(RecentFiles, NewestFirstOnceAndSixteenAtMost)
{
    std::vector<std::string> list;
    for (int i = 0; i < 20; ++i) addRecentFile(list, "p" + std::to_string(i));
    ASSERT_EQ(list.size(), kRecentFileCount);
    EXPECT_EQ(list.front(), "p19");
    EXPECT_EQ(list.back(), "p4");
    addRecentFile(list, "p10");
    EXPECT_EQ(list.front(), "p10");
    EXPECT_EQ(std::count(list.begin(), list.end(), "p10"), 1);
    removeRecentFile(list, "p10");
    EXPECT_EQ(list.size(), kRecentFileCount - 1);
    EXPECT_EQ(recentFileLabel(0, "a.KRA"), "&1 a.KRA");
    EXPECT_EQ(recentFileLabel(9, "a.KRA"), "1&0 a.KRA");
    EXPECT_EQ(recentFileLabel(15, "a.KRA"), "16 a.KRA");
}

}  // namespace
}  // namespace kravin::shell

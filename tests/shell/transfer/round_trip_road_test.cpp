// The controller round trip as a new user takes it, through the real main frame with the
// shipped tables and the controller simulator as run.sh starts it: place a card, set its
// blocks, download, compare, upload into a new project, edit again; and Synchronize
// version against the simulator's default card.
#include "KRAVinA.h"
#include "block_list_page.h"
#include "block_setting_dialog.h"
#include "child_frame.h"
#include "command_ids.h"
#include "compare_error_dialog.h"
#include "current_unit.h"
#include "hand_drag.h"
#include "shared_dialogs.h"
#include "option_dialog.h"
#include "option_port.h"
#include "pty_server.h"
#include "model_select.h"
#include "shell_fixture.h"
#include "system_view_logic.h"
#include "transfer_shell.h"
#include "transfer_unit.h"
#include "transfer_worker.h"
#include "upload_dialog.h"
#include "upload_shell.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <map>
#include <set>
#include <vector>

namespace kravin::shell {
namespace {

constexpr int kStation = 0;
constexpr int kCard = 1;

// One write the device received: group, item and data.
struct Write {
    int group;
    int item;
    std::string data;
    bool operator==(const Write&) const = default;
};

// The plain data commands of a command log, with the group and item they went to.
std::vector<Write> writesOf(const std::vector<std::string>& lines)
{
    std::vector<Write> out;
    int group = -1, item = -1;
    for (std::string l : lines) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        if (l.size() == 3 && l[0] == 'G') group = std::stoi(l.substr(1));
        else if (l.size() == 3 && l[0] == 'I') item = std::stoi(l.substr(1));
        else if (!l.empty() && l[0] == 'D') out.push_back({group, item, l.substr(1)});
    }
    return out;
}

class RoundTripRoad : public test::ShellFixture {
protected:
    void TearDown() override
    {
        test::ShellFixture::TearDown();
        if (server) server->stop();
    }

    void serve(std::vector<qvsim::SimCard> cards)
    {
        if (server) server->stop();
        server = std::make_unique<qvsim::PtyServer>(std::move(cards));
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
    }

    void startTool()
    {
        start();
        profile->setValue(QStringLiteral("KRAVin/EXTRA_PORTS"), QString::fromStdString(server->devicePath()));
        app->onlineShell()->transfers().setTiming({});
    }

    void shortReplyTimeout()
    {
        online::SerialLinkSettings s;
        s.replyTimeout = std::chrono::milliseconds(500);
        app->serialLink()->setSettings(s);
    }

    void allocatePort()
    {
        ASSERT_NO_FATAL_FAILURE(test::choosePort(*app, server->devicePath()));
        shortReplyTimeout();
    }

    QPoint cellCentre(int station, int card)
    {
        ShellSystemView* v = app->systemView();
        const editors::IntRect r = editors::cellRect({station, card}, v->zoom());
        const QPoint s = v->scrollPosition();
        return {r.x + r.width / 2 - s.x(), r.y + r.height / 2 - s.y()};
    }

    // Places a card as the user does: a double click on the empty slot, the model chosen.
    void placeCard(const std::string& model, const std::string& version)
    {
        ASSERT_NE(app->systemView(), nullptr);
        test::chooseModel(model, version);
        QTest::mouseDClick(app->systemView()->viewport(), Qt::LeftButton, {}, cellCentre(kStation, kCard));
        ASSERT_EQ(app->unitContext().unitKindName(kStation, kCard).substr(0, 6), model.substr(0, 6) + std::string(6 - model.substr(0, 6).size(), ' '));
    }

    // The system view's context menu at the card: offered, enabled, chosen.
    void choose(int command)
    {
        ShellSystemView* view = app->systemView();
        ASSERT_NE(view, nullptr);
        bool offered = false;
        for (const auto& [id, enabled] : view->contextMenuEntries(cellCentre(kStation, kCard)))
            if (id == command) offered = enabled;
        ASSERT_TRUE(offered) << command;
        Q_EMIT view->commandRequested(command);
    }

    // The card's groups that hold a block, from its file.
    std::vector<int> placedGroups()
    {
        std::vector<int> out;
        for (int g = 0; g < model::kGroups; ++g)
            if (app->unitContext().g_unitBlocks[static_cast<std::size_t>(g)][0] != 0) out.push_back(g);
        return out;
    }

    // Types text into an item's value cell of an open Block Setting: Return opens the cell's
    // editor, the old text is selected and replaced, Return ends it.
    static void typeValue(editors::blocks::BlockSettingDialog& d, int item, const QString& text)
    {
        int row = -1;
        for (std::size_t r = 0; r < d.editor().rows().size(); ++r)
            if (d.editor().rows()[r].index == item) row = static_cast<int>(r);
        ASSERT_GE(row, 0) << "item " << item;
        d.grid()->setFocus();
        d.grid()->setCurrentIndex(d.gridModel()->index(row, 3));
        QTest::keyClick(d.grid(), Qt::Key_Return);
        auto* edit = d.grid()->findChild<QLineEdit*>(QStringLiteral("cellEditor"));
        ASSERT_NE(edit, nullptr);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
        QCoreApplication::processEvents();
    }

    // Opens the card's block list and each given group's Block Setting, types the given
    // values (group -> item and text), pressing OK. The groups whose OK was refused.
    std::vector<int> okEveryBlockSetting(const std::vector<int>& groups,
                                         const std::map<int, std::vector<std::pair<int, QString>>>& typed = {})
    {
        app->unitSelection().select(kStation, kCard);
        QTest::mouseClick(app->systemView()->viewport(), Qt::LeftButton, {}, cellCentre(kStation, kCard));
        QTest::mouseDClick(app->systemView()->viewport(), Qt::LeftButton, {}, cellCentre(kStation, kCard));
        ChildFrame* f = frame().frame(ViewKind::BlkList);
        EXPECT_NE(f, nullptr);
        auto* list = f ? qobject_cast<ShellBlockListView*>(f->view()) : nullptr;
        EXPECT_NE(list, nullptr);
        std::vector<int> refused;
        if (!list) return refused;
        for (int g : groups) {
            if (g == 0) continue;  // the system block has no cell of the list
            bool opened = false, accepted = false;
            QTimer::singleShot(0, [&, g] {
                auto* d = qobject_cast<editors::blocks::BlockSettingDialog*>(QApplication::activeModalWidget());
                if (!d) return;
                opened = true;
                if (const auto t = typed.find(g); t != typed.end())
                    for (const auto& [item, text] : t->second) typeValue(*d, item, text);
                d->accept();
                accepted = !d->isVisible();
                if (!accepted) d->done(QDialog::Rejected);
            });
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->cellCentre(g));
            EXPECT_TRUE(opened) << "group " << g;
            if (!accepted) refused.push_back(g);
        }
        // Back to the system configuration.
        EXPECT_TRUE(frame().trigger(cmd::ViewSystem));
        return refused;
    }

    // Opens the card's block list and drops each palette tile named onto its group, as a hand
    // drags it; the drops the view refused.
    std::vector<std::string> dropBlocks(const std::vector<std::pair<std::string, int>>& drops)
    {
        std::vector<std::string> refused;
        app->unitSelection().select(kStation, kCard);
        QTest::mouseClick(app->systemView()->viewport(), Qt::LeftButton, {}, cellCentre(kStation, kCard));
        QTest::mouseDClick(app->systemView()->viewport(), Qt::LeftButton, {}, cellCentre(kStation, kCard));
        ChildFrame* f = frame().frame(ViewKind::BlkList);
        auto* list = f ? qobject_cast<ShellBlockListView*>(f->view()) : nullptr;
        auto* dock = f ? f->findChild<ToolBoxDock*>(QStringLiteral("blockListToolbox")) : nullptr;
        EXPECT_TRUE(list && dock);
        if (!list || !dock) return {"no block list"};
        for (const PaletteCategory& c : dock->categories())
            for (const PaletteItem& i : c.items) paletteKinds.insert(i.name);
        for (const auto& [name, group] : drops) {
            test::HandDrag drag(*dock, name, list->viewport());
            const bool taken = drag.started() && drag.moveTo(list->viewport(), list->cellCentre(group)) && drag.release();
            if (!taken) refused.push_back(name + " to " + std::to_string(group));
        }
        EXPECT_TRUE(frame().trigger(cmd::ViewSystem));
        return refused;
    }

    // Runs a download or compare command with Start pressed; Compare Errors are recorded
    // and skipped, any other question answered Abort and recorded.
    online::TransferOutcome runTransfer(int command, int* differences = nullptr)
    {
        online::TransferOutcome outcome = online::TransferOutcome::Running;
        QTimer answerer;
        answerer.setInterval(5);
        QObject::connect(&answerer, &QTimer::timeout, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (auto* e = qobject_cast<online::CompareErrorDialog*>(w)) {
                compareErrors.push_back(e->field(1)->text().toStdString() + "." + e->field(2)->text().toStdString() +
                                        ": " + e->field(3)->text().toStdString() + " / " +
                                        e->field(4)->text().toStdString());
                e->done(model::AnswerSkip);
            } else if (auto* d = qobject_cast<QDialog*>(w); d && (QByteArray(d->metaObject()->className()).contains("ItemMissing") ||
                                                                  QByteArray(d->metaObject()->className()).contains("ComError"))) {
                questions.push_back(d->metaObject()->className());
                d->done(model::AnswerAbort);
            }
        });
        answerer.start();
        app->onlineShell()->transfers().beforeDialog = [&](QDialog& d) {
            QObject* dialog = &d;
            auto done = [&, dialog](online::TransferOutcome o) {
                outcome = o;
                if (auto* c = qobject_cast<online::CompareDialog*>(dialog)) {
                    if (differences) *differences = c->lastDifferences();
                    c->reject();
                } else if (o != online::TransferOutcome::Finished) {
                    qobject_cast<QDialog*>(dialog)->reject();
                }
            };
            if (auto* c = qobject_cast<online::CompareDialog*>(&d)) {
                QObject::connect(c, &online::CompareDialog::runEnded, c, done);
                QMetaObject::invokeMethod(c, [c] { c->startStop(); }, Qt::QueuedConnection);
            } else if (auto* dl = qobject_cast<online::DownloadDialog*>(&d)) {
                QObject::connect(dl, &online::DownloadDialog::runEnded, dl, done);
                QMetaObject::invokeMethod(dl, [dl] { dl->startStop(); }, Qt::QueuedConnection);
            } else {
                ADD_FAILURE() << "unexpected dialog " << d.metaObject()->className();
                QMetaObject::invokeMethod(&d, "reject", Qt::QueuedConnection);
            }
        };
        choose(command);
        app->onlineShell()->transfers().beforeDialog = nullptr;
        return outcome;
    }

    online::TransferOutcome upload()
    {
        online::TransferOutcome outcome = online::TransferOutcome::Running;
        QString name, version;
        app->onlineShell()->uploads().beforeDialog = [&](QDialog& d) {
            auto* dialog = qobject_cast<online::UploadDialog*>(&d);
            ASSERT_NE(dialog, nullptr);
            QObject::connect(dialog, &online::UploadDialog::runEnded, dialog, [&, dialog](auto o) {
                outcome = o;
                if (o != online::TransferOutcome::Finished) dialog->reject();
            });
            // Card name and version as the dialog shows them while the groups are read.
            QObject::connect(dialog->worker(), &online::TransferWorker::progress, dialog,
                             [this, dialog](const online::TransferProgress& p) {
                                 if (p.group < 1 || !shownWhileRunning.first.isEmpty()) return;
                                 shownWhileRunning = {dialog->label("1000")->text(), dialog->label("1001")->text()};
                             });
            QMetaObject::invokeMethod(dialog, [dialog] { dialog->startStop(); }, Qt::QueuedConnection);
        };
        EXPECT_TRUE(app->onlineShell()->runCommand(uploadcmd::Upload));
        app->onlineShell()->uploads().beforeDialog = nullptr;
        return outcome;
    }

    // What a transfer carries of the card: per group with a block its code and used items.
    std::map<int, std::pair<std::string, std::vector<std::pair<int, std::string>>>> transferred()
    {
        std::map<int, std::pair<std::string, std::vector<std::pair<int, std::string>>>> out;
        app->unitSelection().select(kStation, kCard);
        const online::TransferUnitResult copy = online::CopyTransferUnit(app->unitContext());
        EXPECT_TRUE(copy.unit);
        if (!copy.unit) return out;
        app->unitSelection().select(kStation, kCard);
        app->unitSelection().loadUnitBlocks();
        for (const online::TransferGroup& g : copy.unit->cards.front().groups) {
            if (!g.hasBlock) continue;
            auto& entry = out[g.group];
            entry.first = std::string(model::fieldView(app->unitContext().g_unitBlocks[static_cast<std::size_t>(g.group)]));
            for (const online::TransferItem& i : g.items) entry.second.emplace_back(i.item, i.text);
        }
        return out;
    }

    // Uploads the card into the empty slot of a new project and returns what it holds there,
    // without item 51 of group 0 (the end of the card writes the station's, none here).
    std::map<int, std::pair<std::string, std::vector<std::pair<int, std::string>>>> uploadIntoNewProject()
    {
        prompt.answer(7001, model::Answer::No);
        EXPECT_TRUE(frame().trigger(cmd::FileNew));
        EXPECT_TRUE(app->unitContext().unitKindName(kStation, kCard).empty());
        app->unitSelection().select(kStation, kCard);
        prompt.clearLog();
        EXPECT_EQ(upload(), online::TransferOutcome::Finished) << ::testing::PrintToString(prompt.ids());
        return withoutItem51(transferred());
    }

    static std::map<int, std::pair<std::string, std::vector<std::pair<int, std::string>>>> withoutItem51(
        std::map<int, std::pair<std::string, std::vector<std::pair<int, std::string>>>> unit)
    {
        std::erase_if(unit[0].second, [](const auto& i) { return i.first == 51; });
        return unit;
    }

    std::unique_ptr<qvsim::PtyServer> server;
    std::vector<std::string> compareErrors;
    std::vector<std::string> questions;
    std::pair<QString, QString> shownWhileRunning;
    std::set<std::string> paletteKinds;  // the block list palette's tiles
};

TEST_F(RoundTripRoad, PlaceSetDownloadCompareUploadAndEditAgain)
{
    // The simulator as "qvsim --blank QV200 0001 --strict" serves it.
    qvsim::SimCard blank = qvsim::BlankCard("QV200", "0001");
    blank.strict = true;
    ASSERT_NO_FATAL_FAILURE(serve({blank}));
    ASSERT_NO_FATAL_FAILURE(startTool());
    ASSERT_NO_FATAL_FAILURE(allocatePort());

    // A freshly placed card's blocks open with their defaults and save with OK; the gain of
    // group 4 (a FLOAT3 item) is typed with one digit.
    ASSERT_NO_FATAL_FAILURE(placeCard("QV200", "1.00"));
    const std::vector<int> groups = placedGroups();
    EXPECT_EQ(groups, (std::vector<int>{0, 1, 4, 5, 80}));
    EXPECT_TRUE(okEveryBlockSetting(groups, {{4, {{7, QStringLiteral("100.0")}}}}).empty())
        << ::testing::PrintToString(prompt.ids());
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
    const auto placed = transferred();
    ASSERT_EQ(placed.count(1), 1u);
    EXPECT_EQ(placed.at(1).second.front(), (std::pair<int, std::string>{0, ""}));
    ASSERT_EQ(placed.count(4), 1u);
    const auto gain = std::find_if(placed.at(4).second.begin(), placed.at(4).second.end(),
                                   [](const auto& i) { return i.first == 7; });
    ASSERT_NE(gain, placed.at(4).second.end());
    EXPECT_EQ(std::stod(gain->second), 100.0) << gain->second;

    // Download: no question; write mode on first and off last, never in between, and the
    // unit selector is never written.
    EXPECT_EQ(runTransfer(editors::syscmd::Download), online::TransferOutcome::Finished)
        << ::testing::PrintToString(prompt.ids()) << ::testing::PrintToString(questions);
    EXPECT_TRUE(questions.empty()) << ::testing::PrintToString(questions);
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
    const std::vector<Write> writes = writesOf(server->receivedLines());
    ASSERT_GE(writes.size(), 3u);
    EXPECT_EQ(writes.front(), (Write{0, 1, "1"}));
    EXPECT_EQ(writes.back(), (Write{0, 1, "0"}));
    for (std::size_t i = 1; i + 1 < writes.size(); ++i) {
        EXPECT_FALSE(writes[i].group == 0 && (writes[i].item == 1 || writes[i].item == 0))
            << "control item written as data at " << i << ": " << writes[i].item << " = " << writes[i].data;
    }
    for (const Write& w : writes)
        if (w.item == 10 && w.group != 0) {
            EXPECT_EQ(w.data.size(), 2u) << "group " << w.group;
        }

    // Compare: nothing differs; one changed item gives exactly one Compare Error.
    int differences = -1;
    EXPECT_EQ(runTransfer(editors::syscmd::Compare, &differences), online::TransferOutcome::Finished);
    EXPECT_EQ(differences, 0) << ::testing::PrintToString(compareErrors);
    compareErrors.clear();
    server->withController([](qvsim::Controller& c) { c.setValue(0, 0, 1, 7, "55.5"); });
    EXPECT_EQ(runTransfer(editors::syscmd::Compare, &differences), online::TransferOutcome::Finished);
    EXPECT_EQ(differences, 1);
    ASSERT_EQ(compareErrors.size(), 1u);
    EXPECT_EQ(compareErrors[0], "01.07: 55.5 / 1.0");
    server->withController([](qvsim::Controller& c) { c.setValue(0, 0, 1, 7, "1.0"); });

    // Upload into a new project: the unit's transferred items are those downloaded.
    const auto uploaded = uploadIntoNewProject();
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(uploaded, withoutItem51(placed));
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
    // The uploaded project compares equal to the device, the typed gain too.
    compareErrors.clear();
    EXPECT_EQ(runTransfer(editors::syscmd::Compare, &differences), online::TransferOutcome::Finished);
    EXPECT_EQ(differences, 0) << ::testing::PrintToString(compareErrors);

    // The uploaded blocks open in Block Setting and save with OK.
    std::vector<int> uploadedGroups;
    for (const auto& [g, entry] : uploaded) uploadedGroups.push_back(g);
    EXPECT_TRUE(okEveryBlockSetting(uploadedGroups).empty()) << ::testing::PrintToString(prompt.ids());
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
}

TEST_F(RoundTripRoad, DefaultSimulatorCardIsUploadedComparedAndSynchronized)
{
    // The simulator with no options.
    ASSERT_NO_FATAL_FAILURE(serve({qvsim::DefaultCard()}));
    ASSERT_NO_FATAL_FAILURE(startTool());
    ASSERT_NO_FATAL_FAILURE(allocatePort());

    // Upload into an empty slot: the card is the model the simulator claims, and compares equal.
    app->unitSelection().select(kStation, kCard);
    ASSERT_EQ(upload(), online::TransferOutcome::Finished) << ::testing::PrintToString(prompt.ids());
    EXPECT_EQ(app->unitContext().unitKindName(kStation, kCard), "QV200   ");
    EXPECT_EQ(shownWhileRunning, (std::pair<QString, QString>{QStringLiteral("QV200   "), QStringLiteral("1.00")}));
    const auto uploaded = transferred();
    for (int g : {0, 1, 2, 4, 5, 80, 81}) EXPECT_EQ(uploaded.count(g), 1u) << "group " << g;
    int differences = -1;
    EXPECT_EQ(runTransfer(editors::syscmd::Compare, &differences), online::TransferOutcome::Finished);
    EXPECT_EQ(differences, 0) << ::testing::PrintToString(compareErrors);
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());

    // Synchronize version places the simulator's version on a card placed at another one.
    prompt.answer(7001, model::Answer::No);
    ASSERT_TRUE(frame().trigger(cmd::FileNew));
    ASSERT_NO_FATAL_FAILURE(placeCard("QV200", "1.20"));
    prompt.clearLog();
    prompt.answer(8100, model::Answer::Ok);
    choose(editors::syscmd::SynchronizeVersion);
    EXPECT_EQ(prompt.ids(), (std::vector<int>{8100}));
    EXPECT_EQ(app->unitSelection().current().version, "1.00");
}

TEST_F(RoundTripRoad, EveryBlockKindDroppedIntoAnEmptyGroupGoesToTheDefaultSimulatorAndBack)
{
    // The simulator as run.sh starts it: no options.
    ASSERT_NO_FATAL_FAILURE(serve({qvsim::DefaultCard()}));
    ASSERT_NO_FATAL_FAILURE(startTool());
    ASSERT_NO_FATAL_FAILURE(allocatePort());

    // Each kind the block list offers a QV200 1.00 card, dropped into an empty group that
    // takes it, all on a first card; the four telemetry kinds share groups 97 and 98, so
    // three of them go to group 97 of one more card each.
    struct Drop {
        const char* kind;
        int group;
        int card;
    };
    const std::vector<Drop> drops = {
        {"BCA", 2, 0},  {"MVA", 3, 0},  {"CDI", 11, 0}, {"CDO", 12, 0}, {"CAI", 13, 0}, {"CAO", 26, 0},
        {"ADS", 30, 0}, {"MLT", 31, 0}, {"LAG", 32, 0}, {"HLL", 33, 0}, {"PVA", 34, 0}, {"DCN", 35, 0},
        {"TMR", 36, 0}, {"CTR", 61, 0}, {"BPS", 62, 0}, {"LIN", 72, 0}, {"PRG", 79, 0}, {"SEQ", 81, 0},
        {"SEQ", 86, 0}, {"SEQ", 92, 0}, {"TLW", 97, 0}, {"TLP", 97, 2}, {"TLM", 97, 3}, {"TLC", 97, 4},
    };
    auto kindAt = [this](int group) {
        const std::string code(model::fieldView(app->unitContext().g_unitBlocks[static_cast<std::size_t>(group)]));
        return code.size() > 2 ? code.substr(2) : std::string();
    };

    std::set<std::string> covered;
    for (int card = 1; card <= 4; ++card) {
        SCOPED_TRACE("card " + std::to_string(card));
        if (card > 1) {
            // A fresh simulator for each card, so the upload holds this card's blocks only.
            ASSERT_NO_FATAL_FAILURE(serve({qvsim::DefaultCard()}));
            profile->setValue(QStringLiteral("KRAVin/EXTRA_PORTS"), QString::fromStdString(server->devicePath()));
            ASSERT_NO_FATAL_FAILURE(allocatePort());
            prompt.answer(7001, model::Answer::No);
            ASSERT_TRUE(frame().trigger(cmd::FileNew));
        }
        ASSERT_NO_FATAL_FAILURE(placeCard("QV200", "1.00"));
        for (int g : placedGroups()) covered.insert(kindAt(g));
        std::vector<std::pair<std::string, int>> these;
        for (const Drop& d : drops)
            if ((d.card == 0 && card == 1) || d.card == card) these.emplace_back(d.kind, d.group);
        const std::vector<std::string> refused = dropBlocks(these);
        EXPECT_TRUE(refused.empty()) << ::testing::PrintToString(refused);
        for (const auto& [kind, group] : these) {
            EXPECT_EQ(kindAt(group), kind) << "group " << group;
            covered.insert(kind);
        }
        EXPECT_TRUE(okEveryBlockSetting(placedGroups()).empty()) << ::testing::PrintToString(prompt.ids());
        const auto placed = transferred();

        // Download: every group and item taken, no question.
        prompt.clearLog();
        const std::size_t before = server->receivedLines().size();
        EXPECT_EQ(runTransfer(editors::syscmd::Download), online::TransferOutcome::Finished)
            << ::testing::PrintToString(prompt.ids()) << ::testing::PrintToString(questions);
        EXPECT_TRUE(questions.empty()) << ::testing::PrintToString(questions);
        EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
        questions.clear();
        std::set<int> written;
        const std::vector<std::string> lines = server->receivedLines();
        for (const Write& w : writesOf({lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()}))
            written.insert(w.group * 100 + w.item);
        for (const auto& [kind, group] : these) EXPECT_EQ(written.count(group * 100 + 10), 1u) << "group " << group;
        if (card == 1) {
            EXPECT_EQ(written.count(9211), 1u);  // the first step of a sequence group
        }

        // Compare: clean.
        int differences = -1;
        compareErrors.clear();
        EXPECT_EQ(runTransfer(editors::syscmd::Compare, &differences), online::TransferOutcome::Finished);
        EXPECT_EQ(differences, 0) << ::testing::PrintToString(compareErrors);

        // Upload into an empty slot of a new project: the same blocks and items.
        const auto uploaded = uploadIntoNewProject();
        ASSERT_FALSE(HasFailure());
        EXPECT_EQ(uploaded, withoutItem51(placed));
        compareErrors.clear();
        EXPECT_EQ(runTransfer(editors::syscmd::Compare, &differences), online::TransferOutcome::Finished);
        EXPECT_EQ(differences, 0) << ::testing::PrintToString(compareErrors);
        EXPECT_TRUE(questions.empty()) << ::testing::PrintToString(questions);
    }
    // The cases cover every kind the palette offers.
    EXPECT_FALSE(paletteKinds.empty());
    for (const std::string& kind : paletteKinds) EXPECT_EQ(covered.count(kind), 1u) << kind;
}

}  // namespace
}  // namespace kravin::shell

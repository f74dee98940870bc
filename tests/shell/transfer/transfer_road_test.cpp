// Download and compare through the real main frame: the system view's context menu,
// the dialogs and their workers, against the controller simulator.
#include "command_ids.h"
#include "compare_error_dialog.h"
#include "option_dialog.h"
#include "option_port.h"
#include "pty_server.h"
#include "shell_fixture.h"
#include "transfer_shell.h"
#include "block_list_page.h"
#include "child_frame.h"
#include "dentan_page.h"

#include "KRAVinA.h"
#include "vuken_sim.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <memory>

namespace kravin::shell {
namespace {

class TransferRoad : public test::ShellFixture {
protected:
    void SetUp() override
    {
        server = std::make_unique<qvsim::PtyServer>(std::vector<qvsim::SimCard>{qvsim::BlankCard("QV200", "0001")});
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
        start();
        profile->setValue(QStringLiteral("KRAVin/EXTRA_PORTS"), QString::fromStdString(server->devicePath()));
        app->onlineShell()->transfers().setTiming({});
        online::SerialLinkSettings s;
        s.replyTimeout = std::chrono::milliseconds(500);
        app->serialLink()->setSettings(s);
    }

    // A QV200 card in slot 1 of station 0 with block 1 ("01CTL") and two item values.
    void placeCard()
    {
        ASSERT_NO_FATAL_FAILURE(writeQv200Unit({{1, "01CTL"}}, [] {
            setItem(1, 10, "01");
            setItem(1, 11, "100.0");
        }));
        app->unitSelection().select(0, 1);
        app->unitSelection().loadUnitBlocks();
    }

    static void setItem(int group, int item, const char* text)
    {
        char entry[20] = {};
        std::memcpy(entry, text, std::strlen(text));
        KRAVinA_Data_Item_Set(group, item, entry);
    }

    // Answers every Compare Error with Skip while it lives, noting the two values shown.
    static std::unique_ptr<QTimer> skipCompareErrors(std::vector<std::pair<QString, QString>>& errors)
    {
        auto answerer = std::make_unique<QTimer>();
        answerer->setInterval(5);
        QObject::connect(answerer.get(), &QTimer::timeout, [&errors] {
            if (auto* e = qobject_cast<online::CompareErrorDialog*>(QApplication::activeModalWidget())) {
                errors.emplace_back(e->field(3)->text(), e->field(4)->text());
                e->done(model::AnswerSkip);
            }
        });
        answerer->start();
        return answerer;
    }

    void allocatePort()
    {
        test::choosePort(*app, server->devicePath());
    }

    // The system view's context menu at the card: the command is offered, enabled, and chosen.
    void choose(int command)
    {
        ShellSystemView* view = app->systemView();
        ASSERT_NE(view, nullptr);
        const editors::IntRect r = editors::cellRect({0, 1}, view->zoom());
        const QPoint s = view->scrollPosition();
        bool offered = false;
        for (const auto& [id, enabled] : view->contextMenuEntries({r.x + r.width / 2 - s.x(), r.y + r.height / 2 - s.y()}))
            if (id == command) offered = enabled;
        ASSERT_TRUE(offered) << command;
        Q_EMIT view->commandRequested(command);
    }

    std::string value(int group, int item)
    {
        std::string v;
        server->withController([&](qvsim::Controller& c) { v = c.value(0, 0, group, item).value_or("?"); });
        return v;
    }

    std::unique_ptr<qvsim::PtyServer> server;
};

TEST_F(TransferRoad, DownloadFromTheSystemViewThenCompare)
{
    ASSERT_NO_FATAL_FAILURE(placeCard());
    ASSERT_NO_FATAL_FAILURE(allocatePort());
    TransferShell& transfers = app->onlineShell()->transfers();

    // Download: Start, and the dialog closes by itself when the run finished.
    online::TransferOutcome downloaded = online::TransferOutcome::Running;
    transfers.beforeDialog = [&downloaded](QDialog& d) {
        auto* dialog = qobject_cast<online::DownloadDialog*>(&d);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->label("1064")->text(), QStringLiteral("STATION  00"));
        EXPECT_EQ(dialog->label("1065")->text(), QStringLiteral("CARD  0"));
        EXPECT_TRUE(dialog->clearBox()->isChecked());
        EXPECT_EQ(dialog->deviceCombo()->currentText(), QStringLiteral("QVxxx(JOV-US)"));
        QObject::connect(dialog, &online::DownloadDialog::runEnded, dialog, [&downloaded, dialog](auto outcome) {
            downloaded = outcome;
            if (outcome != online::TransferOutcome::Finished) dialog->reject();
        });
        QMetaObject::invokeMethod(dialog, [dialog] {
            dialog->startStop();
            EXPECT_FALSE(dialog->cancelButton()->isEnabled());
        }, Qt::QueuedConnection);
    };
    ASSERT_NO_FATAL_FAILURE(choose(editors::syscmd::Download));
    EXPECT_EQ(downloaded, online::TransferOutcome::Finished) << ::testing::PrintToString(prompt.ids());
    EXPECT_EQ(value(1, 11), "100.0") << ::testing::PrintToString(server->receivedLines());
    EXPECT_EQ(value(1, 10), "01");
    EXPECT_EQ(value(0, 1), "0");
    EXPECT_FALSE(app->serialLink()->isOpen());
    EXPECT_TRUE(app->onlineShell()->owner().Free());
    EXPECT_EQ(app->unitContext().g_curCard, 1);

    // Compare: no difference; then one edited item gives one Compare Error with both values.
    std::vector<std::pair<QString, QString>> errors;
    auto answerer = skipCompareErrors(errors);
    int differences = -1;
    online::TransferOutcome compared = online::TransferOutcome::Running;
    transfers.beforeDialog = [&](QDialog& d) {
        auto* dialog = qobject_cast<online::CompareDialog*>(&d);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Compare Item Data"));
        QObject::connect(dialog, &online::CompareDialog::runEnded, dialog, [&, dialog](auto outcome) {
            compared = outcome;
            differences = dialog->lastDifferences();
            EXPECT_EQ(dialog->label("1070")->text(), QStringLiteral("[Compare process completed]"));
            dialog->reject();
        });
        QMetaObject::invokeMethod(dialog, [dialog] { dialog->startStop(); }, Qt::QueuedConnection);
    };
    ASSERT_NO_FATAL_FAILURE(choose(editors::syscmd::Compare));
    EXPECT_EQ(compared, online::TransferOutcome::Finished);
    EXPECT_EQ(differences, 0);
    EXPECT_TRUE(errors.empty());

    server->withController([](qvsim::Controller& c) { c.setValue(0, 0, 1, 11, "99.5"); });
    ASSERT_NO_FATAL_FAILURE(choose(editors::syscmd::Compare));
    EXPECT_EQ(compared, online::TransferOutcome::Finished);
    EXPECT_EQ(differences, 1);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].first, QStringLiteral("99.5"));
    EXPECT_EQ(errors[0].second, QStringLiteral("100.0"));
    answerer.reset();
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
    EXPECT_TRUE(app->onlineShell()->owner().Free());
}

TEST_F(TransferRoad, DownloadFromTheCommunicationViewsContextMenu)
{
    ASSERT_NO_FATAL_FAILURE(placeCard());
    ASSERT_NO_FATAL_FAILURE(allocatePort());
    ASSERT_TRUE(frame().trigger(cmd::ViewDenTan));
    DenTanPage* page = app->denTanPage();
    ASSERT_NE(page, nullptr);
    wiring::comm::DenTanView* view = page->view();
    view->resize(800, 600);
    const QPoint card(12 * 16, 2 * 16);  // the QV200 box at (0, 0)
    for (int id : {40459, 40460, 40461, 40462}) EXPECT_TRUE(view->isCommandEnabled(id, card)) << id;
    EXPECT_FALSE(view->isCommandEnabled(40461, QPoint(12 * 16, 40 * 16)));  // no box there
    app->unitSelection().select(3, 0);  // the command works on the box, not on the current unit

    online::TransferOutcome downloaded = online::TransferOutcome::Running;
    app->onlineShell()->transfers().beforeDialog = [&downloaded](QDialog& d) {
        auto* dialog = qobject_cast<online::DownloadDialog*>(&d);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->label("1065")->text(), QStringLiteral("CARD  0"));
        QObject::connect(dialog, &online::DownloadDialog::runEnded, dialog, [&downloaded, dialog](auto outcome) {
            downloaded = outcome;
            if (outcome != online::TransferOutcome::Finished) dialog->reject();
        });
        QMetaObject::invokeMethod(dialog, [dialog] { dialog->startStop(); }, Qt::QueuedConnection);
    };
    view->runCommand(40461, card);
    EXPECT_EQ(downloaded, online::TransferOutcome::Finished) << ::testing::PrintToString(prompt.ids());
    EXPECT_EQ(value(1, 11), "100.0");
    EXPECT_TRUE(app->onlineShell()->owner().Free());
}

TEST_F(TransferRoad, WithoutAnAllocatedPortTheCommandsSay8301AndOpenNothing)
{
    ASSERT_NO_FATAL_FAILURE(placeCard());
    bool opened = false;
    app->onlineShell()->transfers().beforeDialog = [&opened](QDialog& d) {
        opened = true;
        d.reject();
    };
    ASSERT_NO_FATAL_FAILURE(choose(editors::syscmd::Download));
    ASSERT_NO_FATAL_FAILURE(choose(editors::syscmd::Compare));
    EXPECT_FALSE(opened);
    EXPECT_EQ(prompt.ids(), (std::vector<int>{8301, 8301}));
    EXPECT_TRUE(server->receivedLines().empty());
}

TEST_F(TransferRoad, GroupDownloadFromTheBlockListSendsOnlyThatGroup)
{
    ASSERT_NO_FATAL_FAILURE(placeCard());
    ASSERT_NO_FATAL_FAILURE(allocatePort());
    ASSERT_TRUE(frame().trigger(cmd::ViewBlkList));
    ChildFrame* f = frame().frame(ViewKind::BlkList);
    ASSERT_NE(f, nullptr);
    auto* list = qobject_cast<ShellBlockListView*>(f->view());
    ASSERT_NE(list, nullptr);
    const std::vector<int> menu = list->contextMenuAt(list->cellCentre(1));
    ASSERT_NE(std::find(menu.begin(), menu.end(), 40426), menu.end());
    EXPECT_TRUE(list->isCommandEnabled(40426));
    EXPECT_TRUE(list->isCommandEnabled(40473));
    EXPECT_TRUE(list->isCommandEnabled(40427));   // network group download
    EXPECT_TRUE(list->isCommandEnabled(40609));   // upload of the group

    online::TransferOutcome outcome = online::TransferOutcome::Running;
    app->onlineShell()->transfers().beforeDialog = [&outcome](QDialog& d) {
        auto* dialog = qobject_cast<online::GroupDownloadDialog*>(&d);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->label("1099")->text(), QStringLiteral("GROUP 01"));
        QObject::connect(dialog, &online::GroupDownloadDialog::runEnded, dialog, [&outcome, dialog](auto o) {
            outcome = o;
            if (o != online::TransferOutcome::Finished) dialog->reject();
        });
        QMetaObject::invokeMethod(dialog, [dialog] { dialog->startStop(); }, Qt::QueuedConnection);
    };
    list->runCommand(40426);
    EXPECT_EQ(outcome, online::TransferOutcome::Finished) << ::testing::PrintToString(prompt.ids());
    EXPECT_EQ(value(1, 11), "100.0");
    const std::vector<std::string> lines = server->receivedLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "G01\r");
    for (const std::string& l : lines) EXPECT_TRUE(l == "G01\r" || l == "G00\r" || l[0] == 'I' || l[0] == 'D') << l;
    EXPECT_TRUE(app->onlineShell()->owner().Free());
}

TEST_F(TransferRoad, NetworkCompareOfOneGroupFromTheBlockListOverTheSimulatedBus)
{
    ASSERT_NO_FATAL_FAILURE(placeCard());
    // The bus holds the card's items as the project has them, one of them changed.
    vuken_sim_reset();
    vuken_sim_add_card(0, 0);
    const online::TransferUnitResult copy = online::CopyTransferUnit(app->unitContext());
    ASSERT_TRUE(copy.unit);
    for (const online::TransferGroup& g : copy.unit->cards[0].groups)
        for (const online::TransferItem& i : g.items) vuken_sim_set_item(0, 0, g.group, i.item, i.text.c_str());
    vuken_sim_set_item(0, 0, 1, 11, "101.0");
    vuken_sim_fail_item(0, 0, 2, 10, VUKEN_ERR_NO_ITEM);  // outside the group: never read

    std::vector<std::pair<QString, QString>> errors;
    auto answerer = skipCompareErrors(errors);
    online::TransferOutcome compared = online::TransferOutcome::Running;
    app->onlineShell()->transfers().beforeDialog = [&compared](QDialog& d) {
        auto* dialog = qobject_cast<online::CompareDialog*>(&d);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Network Compare Item Data"));
        EXPECT_TRUE(dialog->deviceCombo()->isHidden());
        EXPECT_EQ(dialog->firstGroup()->value(), 1);  // group mode: the block list's group
        EXPECT_FALSE(dialog->firstGroup()->isEnabled());
        QObject::connect(dialog, &online::CompareDialog::runEnded, dialog, [&compared, dialog](auto outcome) {
            compared = outcome;
            dialog->reject();
        });
        QMetaObject::invokeMethod(dialog, [dialog] { dialog->startStop(); }, Qt::QueuedConnection);
    };
    ASSERT_TRUE(frame().trigger(cmd::ViewBlkList));
    ChildFrame* f = frame().frame(ViewKind::BlkList);
    ASSERT_NE(f, nullptr);
    auto* list = qobject_cast<ShellBlockListView*>(f->view());
    ASSERT_NE(list, nullptr);
    list->contextMenuAt(list->cellCentre(1));
    list->runCommand(40474);
    answerer.reset();
    EXPECT_EQ(compared, online::TransferOutcome::Finished) << ::testing::PrintToString(prompt.ids());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].first, QStringLiteral("101.0"));
    EXPECT_EQ(errors[0].second, QStringLiteral("100.0"));
    EXPECT_EQ(get_kilnbus_status(), VUKEN_STATUS_CLOSED);
    EXPECT_TRUE(server->receivedLines().empty());  // no port was needed
    vuken_sim_reset();
}

}  // namespace
}  // namespace kravin::shell

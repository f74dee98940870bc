// The transfer dialogs over their workers, against the controller simulator: the start's
// refusals, Stop, Cancel and the close box while a run goes.
#include "compare_dialog.h"
#include "download_dialog.h"
#include "group_download_dialog.h"

#include "../transfer/scripted_questions.h"
#include "pty_server.h"
#include "qt_app.h"
#include "scripted_prompt.h"
#include "serial_link.h"
#include "string_table.h"
#include "wait_for.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace kravin::online {
namespace {

using namespace std::chrono_literals;

using kravin::test::waitFor;

TransferUnit oneCard()
{
    TransferCard c;
    c.card = 0;
    c.model = "QV200   ";
    c.unitText = std::string(8, '\0');
    c.unitId = "0001";
    c.groups = {{1, true, {{10, "01"}, {11, "100.0"}}, "01"}, {2, true, {{10, "21"}, {11, "5"}}, "21"}};
    TransferUnit u;
    u.cards.push_back(c);
    return u;
}

class TransferDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        kravin::test::qtApp();
        server = std::make_unique<qvsim::PtyServer>(std::vector<qvsim::SimCard>{qvsim::BlankCard("QV200", "0001")});
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
        SerialLinkSettings s;
        s.replyTimeout = 300ms;
        link.setSettings(s);
    }

    TransferDialogSetup setup()
    {
        TransferDialogSetup s;
        s.devices.rows = {{"QVxxx(JOV-US)", server->devicePath(), 1}};
        s.devices.selected = 0;
        s.link = &link;
        s.questions = &questions;
        s.prompt = &prompt;
        return s;
    }

    std::string value(int group, int item)
    {
        std::string v;
        server->withController([&](qvsim::Controller& c) { v = c.value(0, 0, group, item).value_or("?"); });
        return v;
    }

    std::unique_ptr<qvsim::PtyServer> server;
    SerialLink link;
    test::ScriptedQuestions questions;
    kravin::test::ScriptedPrompt prompt;
};

TEST_F(TransferDialogs, DownloadBoundAbove99DoesNotStartAndTheClearFlagLocksTheBounds)
{
    DownloadDialog dialog(setup(), oneCard());
    EXPECT_TRUE(dialog.clearBox()->isChecked());
    EXPECT_FALSE(dialog.bound(0)->isEnabled());
    dialog.clearBox()->setChecked(false);
    EXPECT_TRUE(dialog.bound(0)->isEnabled());
    EXPECT_FALSE(dialog.bound(2)->isEnabled());  // no bank 2 on this model
    dialog.bound(1)->setValue(100);
    dialog.startStop();
    EXPECT_FALSE(dialog.running());
    EXPECT_TRUE(server->receivedLines().empty());

    dialog.bound(1)->setValue(1);
    dialog.startStop();
    ASSERT_TRUE(dialog.running());
    EXPECT_FALSE(dialog.cancelButton()->isEnabled());
    ASSERT_TRUE(waitFor([&] { return !dialog.running(); }));
    EXPECT_EQ(dialog.lastOutcome(), TransferOutcome::Finished);
    EXPECT_EQ(value(1, 11), "100.0");
    EXPECT_EQ(value(2, 11), "?");  // outside the bounds
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(TransferDialogs, DownloadCancelIsIgnoredWhileRunningAndStopSendsWriteModeOff)
{
    DownloadDialog dialog(setup(), oneCard());
    int rejected = 0;
    QObject::connect(&dialog, &QDialog::rejected, [&rejected] { ++rejected; });
    server->holdReplies();
    dialog.startStop();
    ASSERT_TRUE(dialog.running());
    dialog.reject();
    EXPECT_EQ(rejected, 0);
    dialog.startStop();  // Stop
    EXPECT_FALSE(dialog.startButton()->isEnabled());
    server->releaseReplies();
    ASSERT_TRUE(waitFor([&] { return !dialog.running(); }));
    EXPECT_EQ(dialog.lastOutcome(), TransferOutcome::Stopped);
    EXPECT_TRUE(dialog.startButton()->isEnabled());
    EXPECT_EQ(value(0, 1), "0");
    EXPECT_EQ(server->receivedLines().back(), "D0\r");
    dialog.reject();
    EXPECT_EQ(rejected, 1);
}

TEST_F(TransferDialogs, DownloadAbortedAfterNoReplyStaysOpenWithWriteModeOff)
{
    DownloadDialog dialog(setup(), oneCard());
    int accepted = 0;
    QObject::connect(&dialog, &QDialog::accepted, [&accepted] { ++accepted; });
    server->setItemFault(2, 11, qvsim::Fault::NoReply, 1);
    questions.answer(model::AnswerAbort);
    dialog.startStop();
    ASSERT_TRUE(waitFor([&] { return !dialog.running(); }));
    EXPECT_EQ(dialog.lastOutcome(), TransferOutcome::Aborted);
    EXPECT_EQ(questions.kinds(), std::vector<std::string>{"comm"});
    EXPECT_EQ(accepted, 0);
    EXPECT_TRUE(dialog.startButton()->isEnabled());
    EXPECT_TRUE(dialog.cancelButton()->isEnabled());
    EXPECT_EQ(value(0, 1), "0");
    EXPECT_FALSE(link.isOpen());
}

TEST_F(TransferDialogs, CompareCancelStopsAndJoinsTheWorkerFirst)
{
    CompareDialog dialog(setup(), oneCard(), {});
    int rejected = 0;
    QObject::connect(&dialog, &QDialog::rejected, [&rejected] { ++rejected; });
    server->holdReplies();
    dialog.startStop();
    ASSERT_TRUE(dialog.running());
    EXPECT_TRUE(dialog.cancelButton()->isEnabled());
    server->releaseReplies();
    dialog.reject();
    EXPECT_FALSE(dialog.running());
    EXPECT_EQ(rejected, 1);
    EXPECT_NE(dialog.lastOutcome(), TransferOutcome::Running);
    EXPECT_FALSE(link.isOpen());
}

// The connection device row belongs to the serial compare: the network compare shows
// neither its caption nor its box.
TEST_F(TransferDialogs, NetworkCompareShowsNoConnectionDevice)
{
    for (const bool bus : {false, true}) {
        SCOPED_TRACE(bus ? "network compare" : "compare");
        CompareDialogOptions options;
        options.bus = bus;
        CompareDialog dialog(setup(), oneCard(), options);
        QLabel* caption = dialog.label("1105");
        ASSERT_NE(caption, nullptr);
        EXPECT_EQ(caption->text(), QStringLiteral("Connection Device"));
        EXPECT_EQ(caption->isHidden(), bus);
        EXPECT_EQ(dialog.deviceCombo()->isHidden(), bus);
    }
}

TEST_F(TransferDialogs, GroupDownloadFinishesAndCloses)
{
    TransferCard g = oneCard().cards[0];
    g.groups = {g.groups[1]};
    GroupDownloadSetup run;
    run.shownGroup = 2;
    GroupDownloadDialog dialog(setup(), g, run);
    dialog.startStop();
    ASSERT_TRUE(waitFor([&] { return !dialog.running(); }));
    EXPECT_EQ(dialog.lastOutcome(), TransferOutcome::Finished);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(value(2, 11), "5");
    EXPECT_EQ(value(1, 11), "?");
}

// The close box of every serial transfer dialog while its run goes: a dialog that closes
// by itself refuses it (Stop, then the close box closes it, Start reading Start again);
// the compare stops and joins its run and closes.
TEST_F(TransferDialogs, CloseBoxWhileRunningIsRefusedOrStopsTheCompare)
{
    struct Case {
        const char* name;
        std::function<std::unique_ptr<TransferDialogFrame>(TransferDialogSetup)> make;
        int startText, stopText;
        bool closesWhileRunning;
    };
    const Case cases[] = {
        {"download", [](TransferDialogSetup s) { return std::make_unique<DownloadDialog>(std::move(s), oneCard()); },
         9600, 9601, false},
        {"group download",
         [](TransferDialogSetup s) {
             GroupDownloadSetup run;
             run.shownGroup = 1;
             return std::make_unique<GroupDownloadDialog>(std::move(s), oneCard().cards[0], run);
         },
         8600, 8601, false},
        {"compare",
         [](TransferDialogSetup s) {
             return std::make_unique<CompareDialog>(std::move(s), oneCard(), CompareDialogOptions{});
         },
         8500, 8502, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TransferDialogFrame> dialog = c.make(setup());
        dialog->show();
        server->holdReplies();
        dialog->startStop();
        ASSERT_TRUE(dialog->running());
        EXPECT_EQ(dialog->startButton()->text(), res::qmessage(c.stopText, res::Language::English));
        if (c.closesWhileRunning) server->releaseReplies();
        dialog->close();
        EXPECT_EQ(dialog->running(), !c.closesWhileRunning);
        EXPECT_EQ(dialog->isVisible(), !c.closesWhileRunning);
        if (!c.closesWhileRunning) {
            dialog->startStop();  // Stop
            EXPECT_FALSE(dialog->startButton()->isEnabled());
            server->releaseReplies();
            ASSERT_TRUE(waitFor([&] { return !dialog->running(); }));
            EXPECT_EQ(dialog->lastOutcome(), TransferOutcome::Stopped);
            EXPECT_TRUE(dialog->startButton()->isEnabled());
            EXPECT_TRUE(dialog->cancelButton()->isEnabled());
            dialog->close();
            EXPECT_FALSE(dialog->isVisible());
        }
        EXPECT_EQ(dialog->startButton()->text(), res::qmessage(c.startText, res::Language::English));
        EXPECT_NE(dialog->lastOutcome(), TransferOutcome::Running);
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        EXPECT_FALSE(link.isOpen());
    }
}

}  // namespace
}  // namespace kravin::online

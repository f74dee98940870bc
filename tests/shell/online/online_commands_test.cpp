// The online commands through the real main frame against the controller simulator:
// Option, Online Monitor with the registry monitor, Online Stop, and the clock.
#include "child_frame.h"
#include "command_ids.h"
#include "connect_device_dialog.h"
#include "date_setting_dialog.h"
#include "option_dialog.h"
#include "option_port.h"
#include "pty_server.h"
#include "shell_fixture.h"

#include "KRAVinA.h"
#include "ladder_monitor.h"
#include "ladder_view.h"
#include "seq_view.h"
#include "step_table.h"
#include "view_bar.h"
#include "vuken_sim.h"
#include "wait_for.h"

#include <QAction>
#include <QButtonGroup>
#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <QMessageBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>

#include <cstdio>
#include <cstring>
#include <functional>

namespace kravin::shell {
namespace {

using namespace std::chrono_literals;

using kravin::test::waitFor;

class OnlineCommandsRoad : public test::ShellFixture {
protected:
    void SetUp() override
    {
        // The simulator's default card with a value of its own.
        qvsim::SimCard card = qvsim::DefaultCard();
        card.bank0[1][11] = "100.0";
        server = std::make_unique<qvsim::PtyServer>(std::vector<qvsim::SimCard>{card});
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
        start();
        profile->setValue(QStringLiteral("KRAVin/EXTRA_PORTS"), QString::fromStdString(server->devicePath()));
        OnlineMonitorWorker* worker = app->onlineMonitor();
        ASSERT_NE(worker, nullptr);
        online::OnlineState::Waits waits;
        waits.cycleSlow = waits.cycleFast = 20ms;
        waits.afterRun = 50ms;
        worker->state().SetWaits(waits);
        app->onlineShell()->setClockTiming({});
    }

    // A QV200 card in slot 1 of station 0 whose unit file has block 1.
    void placeCard()
    {
        ASSERT_NO_FATAL_FAILURE(writeQv200Unit({{1, "01001"}}));
        app->unitSelection().select(0, 1);
    }

    // Option: row 1 gets the simulator's port for the QVxxx devices.
    void allocatePort(const char* device = "QVxxx(JOV-US)", int row = 0)
    {
        test::choosePort(*app, server->devicePath(), device, row);
    }

    online::OnlineState& state() { return app->onlineMonitor()->state(); }

    std::unique_ptr<qvsim::PtyServer> server;
};

// The tool's own message boxes, each answered OK and noted with its parent.
class RegistryMonitorBoxes : public test::ShellFixture {
protected:
    struct Box {
        QString text;
        QWidget* parent;
    };
    std::vector<Box> boxes;
    QTimer answerer;

    void SetUp() override
    {
        realPrompt = true;
        start();
        answerer.setInterval(10);
        QObject::connect(&answerer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            boxes.push_back({box->text(), box->parentWidget()});
            box->button(QMessageBox::Ok)->click();
        });
        answerer.start();
    }
};

TEST_F(RegistryMonitorBoxes, AnErrorOfTheMonitorStartBelongsToTheRegistryMonitor)
{
    ASSERT_NO_FATAL_FAILURE(writeQv200Unit({{1, "01001"}}));
    app->unitSelection().select(0, 1);
    online::OnlineState& state = app->onlineMonitor()->state();
    online::MonitorTargets targets = state.Targets();
    targets.station = 0;
    targets.card = 0;
    state.SetTargets(targets);

    ASSERT_TRUE(frame().trigger(cmd::ViewRegMonitor));
    online::RegistryMonitorDialog* registry = app->onlineShell()->registryMonitor();
    ASSERT_TRUE(registry->isVisible());
    ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == registry; }));
    // Start Monitor without a port allocated.
    QTest::mouseClick(registry->startStopButton(), Qt::LeftButton);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Configure port allocation to start PU online monitoring.");
    EXPECT_EQ(boxes[0].parent, registry);
    EXPECT_FALSE(registry->monitoring());
    EXPECT_TRUE(registry->isVisible());

    // A box asked for by the main frame's own commands stays the frame's.
    frame().activateWindow();
    ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == &frame(); }));
    app->settings().portList = {{"COM1", "1"}};
    frame().trigger(cmd::PortSettingDelete);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "Are you sure to delete port setting?");
    EXPECT_EQ(boxes[1].parent, &frame());
}

TEST_F(OnlineCommandsRoad, OptionThenMonitorShowsLiveValuesThenOnlineStop)
{
    ASSERT_NO_FATAL_FAILURE(placeCard());
    ASSERT_NO_FATAL_FAILURE(allocatePort());
    EXPECT_EQ(app->settings().PortAllocation[0].port, server->devicePath());
    EXPECT_EQ(app->settings().PortAllocation[0].device, "QVxxx(JOV-US)");
    // The Option dialog's OK saves the settings.
    profile->sync();
    EXPECT_EQ(profile->value(QStringLiteral("KRAVin/PORT0_KIKI")).toString(), QStringLiteral("QVxxx(JOV-US)"));

    // The registry monitor was made hidden at start-up.
    online::RegistryMonitorDialog* registry = app->onlineShell()->registryMonitor();
    ASSERT_NE(registry, nullptr);
    EXPECT_FALSE(registry->isVisible());
    online::MonitorTargets targets = state().Targets();
    targets.station = 0;
    targets.card = 0;
    targets.rows[0] = {};
    targets.rows[0].ggii = 111;
    targets.rows[0].on = online::kRowOn;
    state().SetTargets(targets);

    ASSERT_TRUE(frame().trigger(cmd::ViewRegMonitor));
    EXPECT_TRUE(registry->isVisible());
    EXPECT_TRUE(app->online().regMonitorShown);
    EXPECT_FALSE(frame().action(cmd::ViewRegMonitor)->isEnabled());
    // Restoring the main window shows the registry monitor again.
    registry->hide();
    frame().showMinimized();
    frame().showNormal();
    QCoreApplication::processEvents();
    EXPECT_TRUE(registry->isVisible());
    registry->startStop();
    ASSERT_TRUE(registry->monitoring()) << ::testing::PrintToString(prompt.ids());
    EXPECT_TRUE(app->online().online);
    EXPECT_EQ(app->onlineShell()->owner().Holder(), online::LinkUser::Monitor);
    EXPECT_FALSE(frame().action(cmd::Option)->isEnabled());

    // Row GGII 0111 shows the simulator's value, and a changed value follows.
    ASSERT_TRUE(waitFor([&] { return registry->dataLabel(0)->text() == QStringLiteral("100.0"); }))
        << registry->dataLabel(0)->text().toStdString();
    server->withController([](qvsim::Controller& c) { c.setValue(0, 0, 1, 11, "123.5"); });
    ASSERT_TRUE(waitFor([&] {
        const auto values = state().Results().registry;
        return values && values->rows[0].text == "123.5";
    }));
    ASSERT_TRUE(waitFor([&] { return registry->dataLabel(0)->text() == QStringLiteral("123.5"); }));

    // Online Stop: Stop once a cycle has run, then the worker's "M Online Stop" takes the link down.
    ASSERT_TRUE(waitFor([&] { return onlineCommandState(frame().commandContext()) == 2; }));
    ASSERT_TRUE(frame().trigger(cmd::OnlineMonitor));
    EXPECT_EQ(state().MonitorActive.load(), 0);
    ASSERT_TRUE(waitFor([&] { return !app->online().online; }));
    EXPECT_EQ(state().OnlineLinkOpen.load(), 0);
    EXPECT_FALSE(app->serialLink()->isOpen());
    EXPECT_TRUE(app->onlineShell()->owner().Free());
    EXPECT_FALSE(registry->monitoring());  // back in edit mode
    EXPECT_TRUE(frame().action(cmd::Option)->isEnabled());
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
}

TEST_F(OnlineCommandsRoad, TwoMatchingRowsAskForTheDeviceAndCancelStaysOffline)
{
    ASSERT_NO_FATAL_FAILURE(placeCard());
    ASSERT_NO_FATAL_FAILURE(allocatePort("QVxxx(JOV-US)", 0));
    ASSERT_NO_FATAL_FAILURE(allocatePort("QVxxx(JOV-IRDA)", 1));
    int asked = 0;
    app->onlineShell()->beforeDialog = [&asked](QDialog& d) {
        auto* chooser = qobject_cast<online::ConnectDeviceDialog*>(&d);
        ASSERT_NE(chooser, nullptr);
        EXPECT_EQ(chooser->combo()->count(), 2);
        ++asked;
        QMetaObject::invokeMethod(chooser, "reject", Qt::QueuedConnection);
    };
    ASSERT_TRUE(frame().trigger(cmd::OnlineMonitor));
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(app->online().online);
    EXPECT_EQ(state().MonitorActive.load(), 0);
    EXPECT_FALSE(app->serialLink()->isOpen());
    EXPECT_TRUE(app->onlineShell()->owner().Free());
}

TEST_F(OnlineCommandsRoad, PortThatFailsToOpenIsShownAndTheToolStaysOffline)
{
    ASSERT_NO_FATAL_FAILURE(placeCard());
    app->settings().PortAllocation[0] = {"/nonexistent/tty-road", "", "QVxxx(JOV-US)", 0};
    ASSERT_TRUE(frame().trigger(cmd::OnlineMonitor));
    EXPECT_EQ(prompt.ids(), std::vector<int>{online::kMsgPortOpenFailed});
    EXPECT_FALSE(app->online().online);
    EXPECT_EQ(state().MonitorActive.load(), 0);
    EXPECT_EQ(state().OnlineLinkOpen.load(), 0);
    EXPECT_TRUE(app->onlineShell()->owner().Free());
    EXPECT_TRUE(frame().action(cmd::Option)->isEnabled());
}

TEST_F(OnlineCommandsRoad, DateSettingWritesTheClock)
{
    ASSERT_NO_FATAL_FAILURE(placeCard());
    ASSERT_NO_FATAL_FAILURE(allocatePort());
    bool failed = true;
    app->onlineShell()->beforeDialog = [&failed](QDialog& d) {
        auto* clock = qobject_cast<online::DateSettingDialog*>(&d);
        ASSERT_NE(clock, nullptr);
        EXPECT_EQ(clock->stationLabel()->text(), QStringLiteral("STATION  00"));
        EXPECT_EQ(clock->modeGroup()->checkedId(), 1);  // serial: the ONLINE setting
        clock->setDateTime({2031, 2, 3, 9, 5, 7});
        QObject::connect(clock, &online::DateSettingDialog::finished, clock, [clock, &failed](bool f) {
            failed = f;
            clock->accept();
        });
        QMetaObject::invokeMethod(clock, [clock] { clock->start(); }, Qt::QueuedConnection);
    };
    EXPECT_TRUE(app->onlineShell()->handles(40408));
    EXPECT_FALSE(app->onlineShell()->handles(40605));  // the monitor's notice, not a menu command
    EXPECT_TRUE(app->onlineShell()->handles(40405));  // Download
    // Date setting from the System Configuration view's context menu.
    ShellSystemView* view = app->systemView();
    ASSERT_NE(view, nullptr);
    Q_EMIT view->commandRequested(40408);
    EXPECT_FALSE(failed);
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
    auto value = [this](int item) {
        std::string v;
        server->withController([&](qvsim::Controller& c) { v = c.value(0, 0, 0, item).value_or("?"); });
        return v;
    };
    EXPECT_EQ(value(54), "31");
    EXPECT_EQ(value(55), "0203");
    EXPECT_EQ(value(56), "0905");
    EXPECT_EQ(value(57), "07");
    EXPECT_EQ(value(1), "0");
    EXPECT_FALSE(app->serialLink()->isOpen());
    EXPECT_TRUE(app->onlineShell()->owner().Free());
}

TEST_F(OnlineCommandsRoad, ClockRefusesImpossibleDatesAndAHeldLink)
{
    ASSERT_NO_FATAL_FAILURE(placeCard());
    ASSERT_NO_FATAL_FAILURE(allocatePort());
    app->onlineShell()->beforeDialog = [this](QDialog& d) {
        auto* clock = qobject_cast<online::DateSettingDialog*>(&d);
        ASSERT_NE(clock, nullptr);
        clock->setDateTime({2031, 2, 31, 0, 0, 0});
        clock->start();
        EXPECT_FALSE(clock->running());
        clock->setDateTime({2031, 2, 28, 0, 0, 0});
        ASSERT_TRUE(app->onlineShell()->owner().Acquire(online::LinkUser::Transfer));
        clock->start();
        EXPECT_FALSE(clock->running());
        app->onlineShell()->owner().Release(online::LinkUser::Transfer);
        QMetaObject::invokeMethod(clock, "accept", Qt::QueuedConnection);
    };
    ASSERT_TRUE(app->onlineShell()->runCommand(40408));
    EXPECT_EQ(prompt.ids(), (std::vector<int>{online::kMsgInvalidDate, online::kMsgLinkInUse}));
    EXPECT_TRUE(server->receivedLines().empty());
}

TEST_F(OnlineCommandsRoad, OverTheSimulatedBus)
{
    ASSERT_NO_FATAL_FAILURE(placeCard());
    vuken_sim_reset();
    vuken_sim_add_card(0, 0);
    vuken_sim_set_item(0, 0, 1, 11, "42.0");
    // Option: U-Bus.
    ASSERT_NO_FATAL_FAILURE(test::chooseBus(*app));
    EXPECT_EQ(app->settings().ONLINE, 1);
    EXPECT_TRUE(app->online().busMode);

    online::MonitorTargets targets = state().Targets();
    targets.station = 0;
    targets.card = 0;
    targets.rows[0] = {};
    targets.rows[0].ggii = 111;
    targets.rows[0].on = online::kRowOn;
    state().SetTargets(targets);
    ASSERT_TRUE(frame().trigger(cmd::ViewRegMonitor));
    online::RegistryMonitorDialog* registry = app->onlineShell()->registryMonitor();
    registry->startStop();
    ASSERT_TRUE(registry->monitoring()) << ::testing::PrintToString(prompt.ids());
    EXPECT_EQ(get_kilnbus_status(), VUKEN_STATUS_READY);
    ASSERT_TRUE(waitFor([&] { return registry->dataLabel(0)->text() == QStringLiteral("42.0"); }));
    vuken_sim_set_item(0, 0, 1, 11, "43.5");
    ASSERT_TRUE(waitFor([&] { return registry->dataLabel(0)->text() == QStringLiteral("43.5"); }));
    ASSERT_TRUE(waitFor([&] { return onlineCommandState(frame().commandContext()) == 2; }));
    ASSERT_TRUE(frame().trigger(cmd::OnlineMonitor));
    ASSERT_TRUE(waitFor([&] { return !app->online().online; }));
    EXPECT_EQ(get_kilnbus_status(), VUKEN_STATUS_CLOSED);
    EXPECT_TRUE(app->onlineShell()->owner().Free());

    // The clock over the bus: the dialog opens on "Network" without a port.
    const long before = vuken_sim_journal_size();
    app->onlineShell()->beforeDialog = [](QDialog& d) {
        auto* clock = qobject_cast<online::DateSettingDialog*>(&d);
        ASSERT_NE(clock, nullptr);
        EXPECT_EQ(clock->modeGroup()->checkedId(), 0);
        clock->setDateTime({2031, 2, 3, 9, 5, 7});
        QObject::connect(clock, &online::DateSettingDialog::finished, clock, [clock](bool) { clock->accept(); });
        QMetaObject::invokeMethod(clock, [clock] { clock->start(); }, Qt::QueuedConnection);
    };
    ASSERT_TRUE(app->onlineShell()->runCommand(40408));
    char value[8] = {};
    ASSERT_EQ(vuken_sim_get_item(0, 0, 0, 55, value, sizeof value), 0);
    EXPECT_STREQ(value, "0203");
    ASSERT_EQ(vuken_sim_get_item(0, 0, 0, 1, value, sizeof value), 0);
    EXPECT_STREQ(value, "0");
    EXPECT_EQ(vuken_sim_journal_size() - before, 7);
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
}

// The ladder under the monitor: a contact of a digital terminal shows the
// simulator's state, and no edit is taken while online.
TEST_F(OnlineCommandsRoad, LadderShowsContactStatesAndRefusesEdits)
{
    ASSERT_NO_FATAL_FAILURE(writeQv200Unit({{11, "31CDI"}}));
    app->unitSelection().select(0, 1);
    app->unitSelection().loadUnitBlocks();
    ASSERT_NO_FATAL_FAILURE(allocatePort());

    // Group 81 enabled and its ladder open on a rung of terminal 11/15.
    ASSERT_TRUE(frame().trigger(cmd::ViewSeqBlk));
    auto* seq = qobject_cast<sequence::SeqBlkView*>(frame().frame(ViewKind::SeqBlk)->view());
    ASSERT_NE(seq, nullptr);
    seq->session().Select({sequence::SeqHit::Tab, 81, -1});
    seq->runCommand(sequence::seqcmd::EnableSetting);
    ASSERT_TRUE(frame().trigger(cmd::ViewLadder));
    QCoreApplication::processEvents();
    auto* page = qobject_cast<ladder::LadderView*>(frame().frame(ViewKind::Ladder)->view());
    ASSERT_NE(page, nullptr);
    ladder::LadderContext& l = page->ladder();
    l.Cell(1, 0) = ladder::MakeValue(1, 11, 15);
    for (int c = 1; c < ladder::kLadderCols; ++c) l.Cell(1, c) = ladder::kCellWire;
    l.g_ladderCoils[1] = ladder::MakeValue(7, 11, 15);
    Q_EMIT page->edited();
    ladder::UnitTerminalItems items(app->unitContext());
    const int item = items.itemOf(11, 15);
    ASSERT_GE(item, 0);
    server->withController([item](qvsim::Controller& c) {
        c.setValue(0, 0, 11, item, "1");
        c.setValue(0, 0, 81, 3, "0");
    });

    ASSERT_TRUE(frame().trigger(cmd::OnlineMonitor));
    ASSERT_TRUE(app->online().online) << ::testing::PrintToString(prompt.ids());
    ASSERT_TRUE(waitFor([&] {
        const auto values = state().Results().ladder;
        return state().LadderMonitorState.load() == 2 && values && values->contacts[1][0] == 1;
    }));
    // The wire right of the contact in the "on" colour.
    QImage image(ladder::kLadderWidth, 200, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter p(&image);
        page->paintContent(p, image.rect());
    }
    const int h = ladder::LadderRowHeight(l.g_ladderShowComments);
    EXPECT_EQ(image.pixelColor(ladder::kLadderLeft + 60, h + ladder::kWireOffset), ladder::LadderStyle().on);

    const ladder::LadderGrid before = l.Grid();
    QTest::keyClick(page, 'y');
    QTest::keyClick(page, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(l.Grid(), before);
    EXPECT_FALSE(l.g_ladderEdited);

    ASSERT_TRUE(waitFor([&] { return onlineCommandState(frame().commandContext()) == 2; }));
    ASSERT_TRUE(frame().trigger(cmd::OnlineMonitor));
    ASSERT_TRUE(waitFor([&] { return !app->online().online; }));
    EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
}


// A ladder opened while the monitor runs, closed and opened again, over either link:
// each opening reads group 81 and the contacts and coils, and draws their states.
class LadderOpenedOnline : public OnlineCommandsRoad {
protected:
    int contactTerminal = -1, coilTerminal = -1;
    int contactItem = -1, coilItem = -1;

    // Group 81: STEP00, a N.O. contact on an output coil (two terminals of block 11 that
    // read items), STEP01; saved.
    void writeProgram()
    {
        ASSERT_NO_FATAL_FAILURE(writeQv200Unit({{11, "31CDI"}}));
        app->unitSelection().select(0, 1);
        app->unitSelection().loadUnitBlocks();
        ladder::UnitTerminalItems items(app->unitContext());
        for (int t = 1; t < 100 && coilTerminal < 0; ++t) {
            const int item = items.itemOf(11, t);
            if (item < 0 || item == contactItem) continue;
            (contactTerminal < 0 ? contactTerminal : coilTerminal) = t;
            (contactItem < 0 ? contactItem : coilItem) = item;
        }
        ASSERT_GE(coilTerminal, 0);
        char contact[8], coil[8];
        std::snprintf(contact, sizeof contact, "0111%02d", contactTerminal);
        std::snprintf(coil, sizeof coil, "0711%02d", coilTerminal);
        ASSERT_TRUE(frame().trigger(cmd::ViewSeqBlk));
        sequence::SeqBlkView* seq = seqPage();
        ASSERT_NE(seq, nullptr);
        seq->session().Select({sequence::SeqHit::Tab, 81, -1});
        seq->runCommand(sequence::seqcmd::EnableSetting);
        auto& codes = *seq->session().steps.g_stepTable.Row(81);
        int i = 0;
        for (const char* code : std::initializer_list<const char*>{"130000", contact, coil, "130001", "000000"})
            codes[static_cast<std::size_t>(i++)] = model::MakeStepCode(code);
        ASSERT_EQ(seq->session().SaveSteps(), 0);
    }

    sequence::SeqBlkView* seqPage()
    {
        ChildFrame* f = frame().frame(ViewKind::SeqBlk);
        return f ? qobject_cast<sequence::SeqBlkView*>(f->view()) : nullptr;
    }
    ladder::LadderView* ladderPage()
    {
        ChildFrame* f = frame().frame(ViewKind::Ladder);
        return f ? qobject_cast<ladder::LadderView*>(f->view()) : nullptr;
    }

    // The controller's contact, coil and active step (item 3 of group 81).
    std::function<void(const char*, const char*, const char*)> setDevice;
    // Requests of group 81 and of the contact's item since the mark.
    std::function<void()> markRequests;
    std::function<std::pair<int, int>()> requestsSinceMark;

    struct Drawn {
        QColor contactOut, coil, step01;
    };
    // The open ladder's drawing where the contact's wire leaves it, on the coil and
    // inside the STEP01 box.
    Drawn drawn()
    {
        ladder::LadderView* page = ladderPage();
        const ladder::LadderContext& l = page->ladder();
        QImage image(ladder::kLadderWidth, 600, QImage::Format_ARGB32_Premultiplied);
        {
            QPainter p(&image);
            page->paintContent(p, image.rect());
        }
        const int h = ladder::LadderRowHeight(l.g_ladderShowComments);
        Drawn d;
        for (int r = 0; r < 10; ++r) {
            const int wire = h * r + ladder::kWireOffset;
            for (int c = 0; c < ladder::kLadderCols; ++c) {
                const int x = ladder::kLadderLeft + ladder::kCellPitch * c;
                if (l.Cell(r, c) == ladder::MakeValue(1, 11, contactTerminal)) d.contactOut = image.pixelColor(x + 60, wire);
                if (l.Cell(r, c) == 130001) d.step01 = image.pixelColor(x + 14, wire + 7);
            }
            if (l.g_ladderCoils[r] == ladder::MakeValue(7, 11, coilTerminal))
                d.coil = image.pixelColor(ladder::kCoilLeft + 60, wire);
        }
        return d;
    }

    // The monitor runs: the ladder is opened by open, its reads reach the device and it
    // shows the device's contact and coil (on or off) and whether STEP01 is the active
    // step; then it is closed.
    void openMonitoredLadder(const std::function<void()>& open, bool contactOn, bool coilOn, bool step01)
    {
        setDevice(contactOn ? "1" : "0", coilOn ? "1" : "0", step01 ? "1" : "0");
        markRequests();
        open();
        ASSERT_TRUE(waitFor([&] { return ladderPage() != nullptr; }));
        const ladder::LadderStyle style;
        ASSERT_TRUE(waitFor([&] {
            const Drawn d = drawn();
            return d.contactOut == (contactOn ? style.on : style.off) && d.coil == (coilOn ? style.on : style.off) &&
                   (d.step01 == style.highlight) == step01 && requestsSinceMark().first > 0 &&
                   requestsSinceMark().second > 0;
        }))
            << "group 81 requests " << requestsSinceMark().first << ", contact requests "
            << requestsSinceMark().second << ", monitor state " << state().LadderMonitorState.load();
        // Closed: the sequential view comes back.
        ChildFrame* f = frame().frame(ViewKind::Ladder);
        QPushButton* close = nullptr;
        for (ViewBar* bar : f->findChildren<ViewBar*>())
            if (QPushButton* b = bar->button(seqbar::LadderClose)) close = b;
        ASSERT_NE(close, nullptr);
        QTest::mouseClick(close, Qt::LeftButton);
        ASSERT_TRUE(waitFor([&] { return ladderPage() == nullptr && seqPage() != nullptr; }));
    }

    void run()
    {
        ASSERT_TRUE(frame().trigger(cmd::OnlineMonitor));
        ASSERT_TRUE(app->online().online) << ::testing::PrintToString(prompt.ids());
        ASSERT_TRUE(waitFor([&] { return state().MonitorCycleRan.load() == 1; }));
        QThread::msleep(100);  // a few cycles without the ladder

        // A double click on the Group 81 tab, then Step01 > Ladder from the context menu.
        ASSERT_NO_FATAL_FAILURE(openMonitoredLadder(
            [this] { QTest::mouseDClick(seqPage()->viewport(), Qt::LeftButton, {}, QPoint(40, 19)); }, true, false,
            true));
        ASSERT_NO_FATAL_FAILURE(openMonitoredLadder(
            [this] {
                QWidget* vp = seqPage()->viewport();
                const QPoint step01(30, 85);
                const sequence::SeqHit hit = seqPage()->hitAt(step01);
                ASSERT_EQ(hit.kind, sequence::SeqHit::Step);
                ASSERT_EQ(hit.step, 1);
                bool chosen = false;
                QTimer::singleShot(0, [&] {
                    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                    if (!menu) return;
                    for (QAction* a : menu->actions())
                        if (a->text() == QStringLiteral("Ladder")) {
                            chosen = true;
                            menu->setActiveAction(a);
                        }
                    QTest::keyClick(menu, chosen ? Qt::Key_Return : Qt::Key_Escape);
                });
                QContextMenuEvent event(QContextMenuEvent::Mouse, step01, vp->mapToGlobal(step01));
                QApplication::sendEvent(vp, &event);
                ASSERT_TRUE(chosen);
            },
            false, true, false));

        ASSERT_TRUE(waitFor([&] { return onlineCommandState(frame().commandContext()) == 2; }));
        ASSERT_TRUE(frame().trigger(cmd::OnlineMonitor));
        ASSERT_TRUE(waitFor([&] { return !app->online().online; }));
        EXPECT_TRUE(prompt.ids().empty()) << ::testing::PrintToString(prompt.ids());
    }
};

TEST_F(LadderOpenedOnline, OverTheSerialLink)
{
    ASSERT_NO_FATAL_FAILURE(writeProgram());
    ASSERT_NO_FATAL_FAILURE(allocatePort());
    setDevice = [this](const char* contact, const char* coil, const char* step) {
        server->withController([&](qvsim::Controller& c) {
            c.setValue(0, 0, 11, contactItem, contact);
            c.setValue(0, 0, 11, coilItem, coil);
            c.setValue(0, 0, 81, 3, step);
        });
    };
    std::size_t mark = 0;
    markRequests = [&] { mark = server->receivedLines().size(); };
    requestsSinceMark = [&] {
        const std::vector<std::string> lines = server->receivedLines();
        char item[8];
        std::snprintf(item, sizeof item, "I%02d\r", contactItem);
        std::pair<int, int> n{0, 0};
        for (std::size_t i = mark; i < lines.size(); ++i) {
            n.first += lines[i] == "G81\r";
            n.second += i > 0 && lines[i - 1] == "G11\r" && lines[i] == item;
        }
        return n;
    };
    run();
}

TEST_F(LadderOpenedOnline, OverTheBus)
{
    ASSERT_NO_FATAL_FAILURE(writeProgram());
    vuken_sim_reset();
    vuken_sim_add_card(0, 0);
    ASSERT_NO_FATAL_FAILURE(test::chooseBus(*app));
    setDevice = [this](const char* contact, const char* coil, const char* step) {
        vuken_sim_set_item(0, 0, 11, contactItem, contact);
        vuken_sim_set_item(0, 0, 11, coilItem, coil);
        vuken_sim_set_item(0, 0, 81, 3, step);
    };
    long mark = 0;
    markRequests = [&] { mark = vuken_sim_journal_size(); };
    requestsSinceMark = [&] {
        std::pair<int, int> n{0, 0};
        for (long i = mark; i < vuken_sim_journal_size(); ++i) {
            VukenJournalEntry e{};
            if (vuken_sim_journal_entry(i, &e) != 0 || e.address != 0) continue;
            n.first += e.group == 81;
            n.second += e.group == 11 && e.item == contactItem;
        }
        return n;
    };
    run();
}
}  // namespace
}  // namespace kravin::shell

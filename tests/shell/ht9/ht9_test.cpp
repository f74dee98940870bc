// The HT-9 simulation through the real main frame: serial against the controller
// simulator, network over the simulated bus.
#include "command_ids.h"
#include "connect_device_dialog.h"
#include "dialog_parts.h"
#include "ht9_shell.h"
#include "option_dialog.h"
#include "option_port.h"
#include "pty_server.h"
#include "shell_fixture.h"

#include "child_frame.h"
#include "vuken_sim.h"
#include "wait_for.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include <functional>

namespace kravin::shell {
namespace {

using namespace std::chrono_literals;
using online::ht9::Ht9View;
namespace key = online::ht9::key;

// Closed frames go at once, so a waited-for window is really gone.
bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds bound = 10000ms)
{
    return kravin::test::waitFor(
        [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return done();
        },
        bound);
}

class Ht9Road : public test::ShellFixture {
protected:
    void SetUp() override
    {
        vuken_sim_reset();
        // The simulator's default card with values of its own.
        qvsim::SimCard card = qvsim::DefaultCard();
        card.bank0[1][11] = "100.0";
        card.bank0[1][12] = "0.0";
        server = std::make_unique<qvsim::PtyServer>(std::vector<qvsim::SimCard>{card});
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
        start();
        profile->setValue(QStringLiteral("KRAVin/EXTRA_PORTS"), QString::fromStdString(server->devicePath()));
        const int kind = app->masters().card.find("QV200");
        ASSERT_GT(kind, 0);
        app->systemTables().cardKind[3][0] = kind;
        app->unitSelection().select(3, 1);
    }
    void TearDown() override
    {
        test::ShellFixture::TearDown();
        vuken_sim_reset();
    }

    void allocatePort()
    {
        test::choosePort(*app, server->devicePath(), "TQN(JOV-UM)");
    }

    Ht9View* view() { return app->onlineShell()->ht9().view(); }

    // The network HT-9 on station 3, card 0 (item 0111 holds 12.5, the unit reads), once the bus is ready.
    void openNetworkHt9()
    {
        vuken_sim_add_card(3, 0);
        vuken_sim_set_item(3, 0, 0, 1, "0");
        vuken_sim_set_item(3, 0, 1, 11, "12.5");
        ASSERT_TRUE(app->onlineShell()->runCommand(ht9cmd::NetworkHt9));
        ASSERT_NE(view(), nullptr);
        ASSERT_TRUE(waitFor([] { return get_kilnbus_status() == VUKEN_STATUS_READY; }));
    }

    // Types on the view's keyboard and waits for its exchange.
    void type(const QString& text)
    {
        for (QChar c : text) {
            QTest::keyClick(view(), c.toLatin1());
            ASSERT_TRUE(waitFor([&] { return !view()->busy(); }));
        }
    }
    void keyClick(Qt::Key k)
    {
        QTest::keyClick(view(), k);
        ASSERT_TRUE(waitFor([&] { return !view()->busy(); }));
    }
    void click(int id)
    {
        QAbstractButton* b = view()->button(id);
        ASSERT_NE(b, nullptr);
        ASSERT_TRUE(b->isEnabled());
        b->click();
        ASSERT_TRUE(waitFor([&] { return !view()->busy(); }));
    }
    std::string simValue(int group, int item)
    {
        std::string v;
        server->withController([&](qvsim::Controller& c) { v = c.value(0, 0, group, item).value_or("?"); });
        return v;
    }

    std::unique_ptr<qvsim::PtyServer> server;
};

TEST_F(Ht9Road, SerialKeysReadAndWriteOnTheSimulator)
{
    ASSERT_NO_FATAL_FAILURE(allocatePort());
    app->settings().HT9_BAU = 1;  // 9600, as the simulated card
    int asked = 0;
    app->onlineShell()->beforeDialog = [&asked](QDialog& d) {
        auto* chooser = qobject_cast<online::ConnectDeviceDialog*>(&d);
        ASSERT_NE(chooser, nullptr);
        ++asked;
        QMetaObject::invokeMethod(chooser, "accept", Qt::QueuedConnection);
    };
    ASSERT_TRUE(frame().trigger(cmd::Ht9Simulation));
    app->onlineShell()->beforeDialog = nullptr;
    EXPECT_EQ(asked, 1);
    ASSERT_NE(view(), nullptr);
    EXPECT_EQ(view()->windowTitle().toStdString(), "HT-9 Simulation");
    // Every key face shows its caption whole.
    int keys = 0;
    for (QPushButton* b : view()->findChildren<QPushButton*>()) {
        if (!b->property("ht9Key").isValid()) continue;
        ++keys;
        EXPECT_LE(QFontMetrics(b->font()).horizontalAdvance(b->text()), b->width() - 8) << b->text().toStdString();
    }
    EXPECT_GT(keys, 20);
    ASSERT_TRUE(waitFor([&] { return app->serialLink()->isOpen(); }));
    EXPECT_TRUE(app->online().ht9PortOpen);
    EXPECT_EQ(app->onlineShell()->owner().Holder(), online::LinkUser::Ht9);
    EXPECT_FALSE(frame().action(cmd::Ht9Simulation)->isEnabled());

    ASSERT_NO_FATAL_FAILURE(type(QStringLiteral("G01")));
    EXPECT_EQ(view()->unit().typeText(), "OK");
    ASSERT_NO_FATAL_FAILURE(type(QStringLiteral("I11")));
    EXPECT_EQ(view()->unit().dataLine(), "D          100.0");
    // The display shows the value; the LCD stays its colour outside the characters.
    const QImage face = view()->render();
    EXPECT_EQ(face.pixelColor(52, 43), QColor(168, 196, 120));

    // DATA, then 4 and 2 on the numeric keypad.
    ASSERT_NO_FATAL_FAILURE(type(QStringLiteral("D")));
    for (Qt::Key k : {Qt::Key_4, Qt::Key_2}) {
        QTest::keyClick(view(), k, Qt::KeypadModifier);
        ASSERT_TRUE(waitFor([&] { return !view()->busy(); }));
    }
    EXPECT_EQ(view()->unit().dataLine(), "*" + std::string(13, ' ') + "42");
    ASSERT_NO_FATAL_FAILURE(keyClick(Qt::Key_Return));
    EXPECT_EQ(simValue(1, 11), "42");
    EXPECT_EQ(view()->unit().dataLine(), "D             42");
    // Arrows: item up reads item 12, right arrow the next group.
    ASSERT_NO_FATAL_FAILURE(keyClick(Qt::Key_Up));
    EXPECT_EQ(view()->unit().itemText(), "12");
    EXPECT_EQ(view()->unit().dataLine(), "D            0.0");

    // A port kind key reopens the port at its rate and keeps the setting.
    ASSERT_NO_FATAL_FAILURE(click(online::ht9::PortKindKey(3)));
    EXPECT_EQ(app->serialLink()->baudRate(), 57600);
    EXPECT_EQ(profile->value(QStringLiteral("KRAVin/HT9_BAU")).toInt(), 3);
    EXPECT_TRUE(view()->button(online::ht9::PortKindKey(3))->isChecked());
    EXPECT_FALSE(view()->button(online::ht9::PortKindKey(1))->isChecked());

    // END closes the view: the port is closed and the link given back.
    view()->button(key::End)->click();
    ASSERT_TRUE(waitFor([&] { return !frame().views().frameExists(ViewKind::Ht9); }));
    ASSERT_TRUE(waitFor([&] { return app->onlineShell()->owner().Free(); }));
    EXPECT_FALSE(app->serialLink()->isOpen());
    EXPECT_FALSE(app->online().ht9PortOpen);
    EXPECT_TRUE(app->onlineShell()->owner().Free());
    EXPECT_TRUE(frame().action(cmd::Ht9Simulation)->isEnabled());
}

TEST_F(Ht9Road, SerialWithoutAPortSaysSo)
{
    ASSERT_TRUE(frame().trigger(cmd::Ht9Simulation));
    EXPECT_EQ(prompt.ids(), (std::vector<int>{8303}));
    EXPECT_FALSE(frame().views().frameExists(ViewKind::Ht9));
    EXPECT_TRUE(app->onlineShell()->owner().Free());
}

// Which port HT-9 Simulation opens on for the current QV200 card: the one row of
// the controller's device kinds without a question, the remembered port when no
// row serves the card, the dialog over the matching rows only when more than one fits.
TEST_F(Ht9Road, SerialPortComesFromTheAllocationOrTheRememberedPort)
{
    struct Row {
        const char* device;
        bool simulator;  // the simulator's port, else a port that is not there
    };
    struct Case {
        const char* name;
        std::vector<Row> rows;
        int remembered;  // the HT-9 port kept from before: 0 none, 1 the simulator's, 2 one not there
        int asked;
        int offered;  // rows the dialog lists
        int pick;     // the listed row chosen
        int kind;     // the HT-9 device kind after
    };
    const std::vector<Case> cases = {
        {"one controller row", {{"TQN(JOV-UM)", false}, {"QVxxx(JOV-US)", true}}, 0, 0, 0, 0, 4},
        {"one controller row before a remembered port", {{"QVxxx(JOV-IRDA)", true}}, 2, 0, 0, 0, 3},
        {"remembered port", {}, 1, 0, 0, 0, 1},
        {"remembered port, no row for the card", {{"TQN(JOV-UM)", false}}, 1, 0, 0, 0, 1},
        {"two controller rows", {{"QVxxx(JOV-US)", false}, {"TQN(JOV-UM)", false}, {"QVxxx(JOV-IRDA)", true}}, 0, 1,
         2, 1, 3},
    };
    const std::string bogus = "/dev/kravin-no-such-port";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        model::UserSettings& settings = app->settings();
        settings.PortAllocation = {};
        for (std::size_t r = 0; r < c.rows.size(); ++r) {
            settings.PortAllocation[r].device = c.rows[r].device;
            settings.PortAllocation[r].port = c.rows[r].simulator ? server->devicePath() : bogus;
        }
        settings.HT9_COM = c.remembered == 1 ? server->devicePath() : c.remembered == 2 ? bogus : std::string();
        settings.HT9_BAU = 1;
        int asked = 0, offered = -1;
        app->onlineShell()->beforeDialog = [&](QDialog& d) {
            auto* chooser = qobject_cast<online::ConnectDeviceDialog*>(&d);
            ASSERT_NE(chooser, nullptr);
            ++asked;
            offered = chooser->combo()->count();
            chooser->combo()->setCurrentIndex(c.pick);
            QMetaObject::invokeMethod(chooser, "accept", Qt::QueuedConnection);
        };
        ASSERT_TRUE(frame().trigger(cmd::Ht9Simulation));
        app->onlineShell()->beforeDialog = nullptr;
        EXPECT_EQ(asked, c.asked);
        if (c.asked) {
            EXPECT_EQ(offered, c.offered);
        }
        EXPECT_TRUE(prompt.ids().empty());
        ASSERT_NE(view(), nullptr);
        EXPECT_TRUE(waitFor([&] { return app->serialLink()->isOpen(); }));
        // The port and kind taken are the HT-9's own from now on.
        EXPECT_EQ(settings.HT9_COM, server->devicePath());
        EXPECT_EQ(settings.HT9_BAU, c.kind);
        EXPECT_EQ(profile->value(QStringLiteral("KRAVin/HT9_COM")).toString().toStdString(), server->devicePath());
        view()->button(key::End)->click();
        ASSERT_TRUE(waitFor([&] { return !frame().views().frameExists(ViewKind::Ht9); }));
        ASSERT_TRUE(waitFor([&] { return app->onlineShell()->owner().Free(); }));
    }
}

TEST_F(Ht9Road, SerialDeviceChoiceCancelledOpensNothing)
{
    model::UserSettings& settings = app->settings();
    for (std::size_t r = 0; r < 2; ++r) {
        settings.PortAllocation[r].device = r == 0 ? "QVxxx(JOV-US)" : "QVxxx(JOV-IRDA)";
        settings.PortAllocation[r].port = server->devicePath();
    }
    int asked = 0;
    app->onlineShell()->beforeDialog = [&asked](QDialog& d) {
        ++asked;
        QMetaObject::invokeMethod(&d, "reject", Qt::QueuedConnection);
    };
    ASSERT_TRUE(frame().trigger(cmd::Ht9Simulation));
    app->onlineShell()->beforeDialog = nullptr;
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(frame().views().frameExists(ViewKind::Ht9));
    EXPECT_TRUE(app->onlineShell()->owner().Free());
    EXPECT_TRUE(settings.HT9_COM.empty());
}

TEST(ConnectDeviceDialogTitle, ShowsWholeInBothLanguages)
{
    test::qtApp();
    model::UserSettings settings;
    settings.PortAllocation[0].device = "QVxxx(JOV-US)";
    settings.PortAllocation[0].port = "/dev/ttyS0";
    for (res::Language l : {res::Language::English, res::Language::Japanese}) {
        online::ConnectDeviceDialog d(settings, {}, l);
        d.show();
        EXPECT_GE(d.width(), editors::titleBarWidth(d.windowTitle())) << d.windowTitle().toStdString();
        d.hide();
    }
}

TEST_F(Ht9Road, NetworkHt9WritesOnTheBusAndLeavesItReading)
{
    ASSERT_NO_FATAL_FAILURE(openNetworkHt9());
    EXPECT_EQ(view()->windowTitle().toStdString(), "Network HT-9 Simulation");
    EXPECT_EQ(app->onlineShell()->owner().Holder(), online::LinkUser::Ht9);

    ASSERT_NO_FATAL_FAILURE(type(QStringLiteral("G01I11")));
    EXPECT_EQ(view()->unit().dataLine(), "D           12.5");
    EXPECT_FALSE(view()->button(key::Data)->isEnabled());
    ASSERT_NO_FATAL_FAILURE(click(key::Write));
    EXPECT_TRUE(view()->unit().writeMode());
    EXPECT_TRUE(view()->button(key::Write)->isChecked());
    char mode[8] = {};
    vuken_sim_get_item(3, 0, 0, 1, mode, sizeof mode);
    EXPECT_STREQ(mode, "1");
    ASSERT_NO_FATAL_FAILURE(click(key::Data));
    ASSERT_NO_FATAL_FAILURE(click(key::Digit0 + 4));
    ASSERT_NO_FATAL_FAILURE(click(key::Digit0 + 2));
    ASSERT_NO_FATAL_FAILURE(click(key::Enter));
    char value[32] = {};
    vuken_sim_get_item(3, 0, 1, 11, value, sizeof value);
    EXPECT_STREQ(value, "42");
    // The READ key as the network download sends it.
    ASSERT_TRUE(frame().sendCommand(static_cast<int>(ViewKind::Ht9), key::Read));
    ASSERT_TRUE(waitFor([&] { return !view()->busy(); }));
    vuken_sim_get_item(3, 0, 0, 1, mode, sizeof mode);
    EXPECT_STREQ(mode, "0");
    ASSERT_NO_FATAL_FAILURE(click(key::Write));

    // Closing in write mode puts the unit back to reading; every request went to station 3, card 0.
    frame().frame(ViewKind::Ht9)->close();
    ASSERT_TRUE(waitFor([&] { return app->onlineShell()->owner().Free(); }));
    vuken_sim_get_item(3, 0, 0, 1, mode, sizeof mode);
    EXPECT_STREQ(mode, "0");
    for (long i = 0; i < vuken_sim_journal_size(); ++i) {
        VukenJournalEntry e{};
        vuken_sim_journal_entry(i, &e);
        EXPECT_EQ(e.address, 3 << 5 | 0);
    }
}

TEST_F(Ht9Road, ShiftedKeysTypeTheirJisCharactersWhateverTheLayout)
{
    ASSERT_NO_FATAL_FAILURE(openNetworkHt9());
    ASSERT_NO_FATAL_FAILURE(type(QStringLiteral("G01I11")));
    ASSERT_NO_FATAL_FAILURE(click(key::Write));
    ASSERT_NO_FATAL_FAILURE(click(key::Data));
    frame().activateWindow();
    view()->setFocus();
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == view(); }));

    // Keys as a US layout under X11 reports them: the key's place (its key code + 8)
    // with the layout's own character, which the unit does not take.
    struct Native {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        quint32 keycode;
        const char* text;
    };
    const Native native[] = {
        {Qt::Key_At, Qt::ShiftModifier, 3 + 8, "@"},            // Shift+2
        {Qt::Key_Colon, Qt::ShiftModifier, 39 + 8, ":"},        // Shift and the key beside L
        {Qt::Key_Semicolon, Qt::NoModifier, 39 + 8, ";"},       // the key beside L
        {Qt::Key_BracketLeft, Qt::NoModifier, 26 + 8, "["},     // the key beside P
        {Qt::Key_ParenLeft, Qt::ShiftModifier, 10 + 8, "("},    // Shift+9
    };
    for (const Native& n : native) {
        for (const QEvent::Type t : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent e(t, n.key, n.mods, n.keycode, 0, 0, QString::fromLatin1(n.text));
            QApplication::sendEvent(QApplication::focusWidget(), &e);
        }
        ASSERT_TRUE(waitFor([&] { return !view()->busy(); }));
    }
    EXPECT_EQ(view()->unit().dataLine(), "*" + std::string(10, ' ') + "\"+;@)");
    // A key a program sends, without its place: Shift+2 still types a double quote.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_2, Qt::ShiftModifier);
    EXPECT_EQ(view()->unit().dataLine(), "*" + std::string(9, ' ') + "\"+;@)\"");
    ASSERT_NO_FATAL_FAILURE(keyClick(Qt::Key_Return));
    char value[32] = {};
    vuken_sim_get_item(3, 0, 1, 11, value, sizeof value);
    EXPECT_STREQ(value, "\"+;@)\"");
    frame().frame(ViewKind::Ht9)->close();
    ASSERT_TRUE(waitFor([&] { return app->onlineShell()->owner().Free(); }));
}

TEST_F(Ht9Road, BusHt9FromTheOperationMenuOpensAgainAfterEnd)
{
    vuken_sim_add_card(3, 0);
    vuken_sim_set_item(3, 0, 1, 11, "12.5");
    ASSERT_NO_FATAL_FAILURE(test::chooseBus(*app));
    ASSERT_TRUE(app->online().busMode);

    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        frame().refresh();
        ASSERT_TRUE(frame().action(cmd::Ht9Simulation)->isEnabled());
        ASSERT_TRUE(frame().trigger(cmd::Ht9Simulation));
        ASSERT_NE(view(), nullptr);
        EXPECT_EQ(view()->windowTitle().toStdString(), "Network HT-9 Simulation");
        EXPECT_FALSE(frame().action(cmd::Ht9Simulation)->isEnabled());
        ASSERT_TRUE(waitFor([] { return get_kilnbus_status() == VUKEN_STATUS_READY; }));
        ASSERT_NO_FATAL_FAILURE(type(QStringLiteral("G01I11")));
        EXPECT_EQ(view()->unit().dataLine(), "D           12.5");
        view()->button(key::End)->click();
        ASSERT_TRUE(waitFor([&] { return !frame().views().frameExists(ViewKind::Ht9); }));
        ASSERT_TRUE(waitFor([&] { return app->onlineShell()->owner().Free(); }));
    }
    frame().refresh();
    EXPECT_TRUE(frame().action(cmd::Ht9Simulation)->isEnabled());
    EXPECT_TRUE(prompt.ids().empty());
}

}  // namespace
}  // namespace kravin::shell

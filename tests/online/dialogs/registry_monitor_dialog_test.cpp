#include "registry_monitor_dialog.h"

#include "../monitor_fakes.h"
#include "qt_app.h"
#include "serial_link.h"
#include "temp_dir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace kravin::online {
namespace {

class FakeHost : public RegistryMonitorHost {
public:
    explicit FakeHost(OnlineState& s) : s_(s) {}
    OnlineState& state() override { return s_; }
    bool projectOpen() const override { return true; }
    void applyMonitorTarget() override { ++applies; }
    MonitorSubject unitAt(int station, int card) const override { return {"QV200   ", station, card}; }
    MonitorSubject currentUnit() const override { return {"QV200   ", 0, 0}; }
    bool analogOrLadderActive() const override { return false; }
    bool startMonitor(const MonitorSubject& target) override
    {
        started.push_back(target);
        if (startSucceeds) s_.OnlineLinkOpen = 1;
        return startSucceeds;
    }
    void stopMonitor() override { ++stops; }
    void shownChanged(bool shown) override { this->shown = shown; }
    void beep() override { ++beeps; }

    OnlineState& s_;
    int applies = 0, stops = 0, beeps = 0;
    bool shown = false;
    bool startSucceeds = true;
    std::vector<MonitorSubject> started;
};

class RegistryDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kravin::test::qtApp();
        context->appDataDir = dir.str();
        MonitorTargets t = FreshMonitorTargets();
        t.station = 2;
        t.card = 5;
        t.rows[1].ggii = 111;
        t.rows[1].on = kRowOn;
        ASSERT_TRUE(WriteMonitorFile(std::filesystem::path(dir.str()) / "MON.KRAB", t, nullptr));
        dialog = std::make_unique<RegistryMonitorDialog>(host, res::Language::English);
        dialog->showMonitor();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }

    void type(QLineEdit* edit, const char* keys)
    {
        edit->setFocus();
        QCoreApplication::processEvents();
        QTest::keyClicks(edit, QString::fromLatin1(keys));
    }

    kravin::test::TempDir dir;
    std::shared_ptr<test::FakeContext> context = std::make_shared<test::FakeContext>();
    std::shared_ptr<SerialLink> link = std::make_shared<SerialLink>();
    OnlineState state{context, link};
    FakeHost host{state};
    std::unique_ptr<RegistryMonitorDialog> dialog;
};

TEST_F(RegistryDialogTest, OpensOnTheFileInEditMode)
{
    EXPECT_TRUE(host.shown);
    EXPECT_EQ(dialog->stationCombo()->currentText(), "02");
    EXPECT_EQ(dialog->cardCombo()->currentText(), "5");
    EXPECT_EQ(dialog->rowLabel(1)->text(), "01");
    EXPECT_EQ(dialog->ggiiEdit(1)->text(), "0111");
    EXPECT_EQ(dialog->ggnnEdit(1)->text(), "");
    EXPECT_TRUE(dialog->onBox(1)->isChecked());
    EXPECT_FALSE(dialog->onBox(0)->isChecked());  // empty rows are switched off
    EXPECT_EQ(dialog->statusLabel()->text(), "Edit mode");
    EXPECT_EQ(dialog->startStopButton()->text(), "Start Monitor");
}

TEST_F(RegistryDialogTest, DigitsOnlyFourAtMostAndEnterCommitsWithoutClosing)
{
    QLineEdit* edit = dialog->ggnnEdit(3);
    type(edit, "12a");
    EXPECT_EQ(edit->text(), "12");
    EXPECT_EQ(host.beeps, 1);
    type(edit, "34");
    EXPECT_EQ(edit->text(), "1234");
    type(edit, "5");  // a fifth digit at the end
    EXPECT_EQ(edit->text(), "1234");
    EXPECT_EQ(host.beeps, 2);
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(state.Targets().rows[3].ggnn, 1234);
    MonitorTargets onDisk;
    ASSERT_EQ(ReadMonitorFile(std::filesystem::path(dir.str()) / "MON.KRAB", onDisk).result, MonitorFileResult::Loaded);
    EXPECT_EQ(onDisk.rows[3].ggnn, 1234);
    EXPECT_GE(host.applies, 1);
}

TEST_F(RegistryDialogTest, LeavingWithThreeDigitsClearsTheRow)
{
    QLineEdit* edit = dialog->ggiiEdit(1);
    edit->setFocus();
    QCoreApplication::processEvents();
    edit->setText("123");
    dialog->endButton()->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(edit->text(), "");
    EXPECT_EQ(state.Targets().rows[1].ggii, -1);
    EXPECT_EQ(state.Targets().rows[1].on, 0);
    EXPECT_FALSE(dialog->onBox(1)->isChecked());
}

TEST_F(RegistryDialogTest, PageDownFromSeventyFiveShowsTheLastTwenty)
{
    dialog->scroll(ScrollAction::Thumb, 75);
    dialog->scroll(ScrollAction::PageDown);
    EXPECT_EQ(dialog->topRow(), 80);
    EXPECT_EQ(dialog->rowLabel(0)->text(), "80");
    EXPECT_EQ(dialog->rowLabel(19)->text(), "99");
}

TEST_F(RegistryDialogTest, StartHandsTheTargetToTheMonitorAndStopsAgain)
{
    dialog->startStop();
    ASSERT_EQ(host.started.size(), 1u);
    EXPECT_EQ(host.started[0].station, 2);
    EXPECT_EQ(host.started[0].card, 5);
    EXPECT_TRUE(dialog->monitoring());
    EXPECT_EQ(dialog->statusLabel()->text(), "Monitoring");
    EXPECT_TRUE(dialog->ggiiEdit(1)->isReadOnly());
    EXPECT_FALSE(dialog->stationCombo()->isEnabled());

    dialog->monitorEnded();  // "M Online Stop"
    EXPECT_FALSE(dialog->monitoring());
    EXPECT_EQ(dialog->startStopButton()->text(), "Start Monitor");

    host.startSucceeds = false;
    state.OnlineLinkOpen = 0;
    dialog->startStop();
    EXPECT_FALSE(dialog->monitoring());  // a monitor that can't start leaves edit mode

    host.startSucceeds = true;
    dialog->startStop();
    ASSERT_TRUE(dialog->monitoring());
    dialog->accept();  // End stops the monitor
    EXPECT_EQ(host.stops, 1);
    EXPECT_FALSE(dialog->monitoring());
    EXPECT_FALSE(host.shown);
}

TEST_F(RegistryDialogTest, SetAllAndToggle)
{
    dialog->ggnnEdit(4)->setText("0102");
    dialog->ggnnEdit(4)->setFocus();
    QCoreApplication::processEvents();
    dialog->endButton()->setFocus();
    QCoreApplication::processEvents();
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("1019")), Qt::LeftButton);
    EXPECT_FALSE(dialog->onBox(1)->isChecked());
    EXPECT_FALSE(dialog->onBox(4)->isChecked());
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("1018")), Qt::LeftButton);
    EXPECT_TRUE(dialog->onBox(1)->isChecked());
    EXPECT_TRUE(dialog->onBox(4)->isChecked());
    EXPECT_FALSE(dialog->onBox(0)->isChecked());
    dialog->onBox(1)->click();
    EXPECT_EQ(state.Targets().rows[1].on, 0);
}

}  // namespace
}  // namespace kravin::online

// The main dialog and the port dialog, driven offscreen through their buttons against
// the controller simulator.
#include "config_db.h"
#include "fake_line.h"
#include "main_dialog.h"
#include "port_dialog.h"
#include "port_list.h"
#include "prompt.h"
#include "qt_app.h"
#include "qvcfg_sim.h"
#include "temp_dir.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <filesystem>
#include <sys/stat.h>

namespace qvcfg::test {
namespace {

namespace fs = std::filesystem;

class ScriptedPrompt : public Prompt {
public:
    std::deque<QString> paths;  // answers of the file dialogs; "" cancels
    std::deque<bool> answers;   // answers of the questions
    QStringList shown;          // "error: ...", "info: ...", "ask: ..."
    QStringList initialNames;   // initial names the file dialogs were given

    void ShowError(const QString& t) override { shown << QStringLiteral("error: ") + t; }
    void ShowInfo(const QString& t) override { shown << QStringLiteral("info: ") + t; }
    bool AskYesNo(const QString& t) override
    {
        shown << QStringLiteral("ask: ") + t;
        if (answers.empty()) return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    QString OpenFileName(const QString&, const QString& initial) override { return Next(initial); }
    QString SaveFileName(const QString&, const QString& initial) override { return Next(initial); }

private:
    QString Next(const QString& initial)
    {
        initialNames << initial;
        if (paths.empty()) return {};
        const QString p = paths.front();
        paths.pop_front();
        return p;
    }
};

class MainDialogTest : public ::testing::Test {
protected:
    MainDialogTest() : settings(QString::fromStdString(dir / "qvcfg.ini"), QSettings::IniFormat)
    {
        kravin::test::qtApp();
    }

    void StartSim(const std::string& model = "QV200")
    {
        qvcfgsim::SimSettings s;
        s.model = model;
        sim = std::make_unique<qvcfgsim::Server>(s);
        std::string error;
        ASSERT_TRUE(sim->Start(error)) << error;
        settings.setValue(QLatin1String(kPortSetting), QString::fromStdString(sim->DevicePath()));
    }

    void Open() { dialog = std::make_unique<CQVCFGDlg>(prompt, settings); }

    template <typename W>
    W* Find(const char* name)
    {
        auto* w = dialog->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void Click(const char* name) { QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton); }
    QString P(const std::string& rel) { return QString::fromStdString(dir / rel); }

    kravin::test::TempDir dir;
    QSettings settings;
    ScriptedPrompt prompt;
    std::unique_ptr<qvcfgsim::Server> sim;
    std::unique_ptr<CQVCFGDlg> dialog;
};

TEST_F(MainDialogTest, StartsWithNoData)
{
    Open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("QVCFG [Ver. 1.92.01]"));
    EXPECT_EQ(Find<QLineEdit>("state")->text(), QStringLiteral("No data"));
    EXPECT_EQ(Find<QLabel>("model")->text(), QStringLiteral("Device Model : "));
    EXPECT_FALSE(Find<QLabel>("model")->isEnabled());
    EXPECT_EQ(Find<QLabel>("lcdVersion")->text(), QStringLiteral("LCD Ver. : "));
    for (const char* b : {"download", "writeFile", "exportCsv"}) EXPECT_FALSE(Find<QPushButton>(b)->isEnabled()) << b;
    for (const char* b : {"upload", "readFile", "trendUpload", "portSetting", "finish"})
        EXPECT_TRUE(Find<QPushButton>(b)->isEnabled()) << b;
    EXPECT_EQ(dialog->Com().Port(), kDefaultPort);
}

TEST_F(MainDialogTest, WholeRoadAgainstTheSimulator)
{
    StartSim();
    Open();
    Click("upload");
    EXPECT_EQ(prompt.shown, QStringList{QStringLiteral("info: Reading completed")});
    EXPECT_EQ(Find<QLineEdit>("state")->text(), QStringLiteral("Uploaded from device"));
    EXPECT_EQ(Find<QLabel>("model")->text(), QStringLiteral("Device Model : QV200"));
    EXPECT_EQ(Find<QLabel>("lcdVersion")->text(), QStringLiteral("LCD Ver. : 2.3x"));
    EXPECT_TRUE(Find<QPushButton>("writeFile")->isEnabled());

    // Write: the default name is offered, the extension forced.
    prompt.paths = {P("plant")};
    Click("writeFile");
    EXPECT_EQ(prompt.initialNames.back(), QStringLiteral("QV200.cfg"));
    EXPECT_EQ(prompt.shown.back(), QStringLiteral("info: Writing completed"));
    ASSERT_TRUE(fs::exists(dir / "plant.cfg"));
    EXPECT_EQ(fs::file_size(dir / "plant.cfg"), 2048u);

    // Read it back: the state shows the file.
    prompt.paths = {P("plant.cfg")};
    Click("readFile");
    EXPECT_EQ(prompt.initialNames.back(), QStringLiteral("*.cfg"));
    EXPECT_EQ(Find<QLineEdit>("state")->text(), QStringLiteral("plant.cfg"));
    EXPECT_EQ(Find<QLineEdit>("state")->toolTip(), P("plant.cfg"));

    prompt.paths = {P("plant.txt")};
    Click("exportCsv");
    EXPECT_EQ(prompt.initialNames.back(), QStringLiteral("QV200.csv"));
    ASSERT_TRUE(fs::exists(dir / "plant.csv"));

    Click("download");
    EXPECT_EQ(prompt.shown.back(), QStringLiteral("info: Writing completed"));
    EXPECT_EQ(sim->Downloads(), 1);

    prompt.paths = {P("trend")};
    Click("trendUpload");
    EXPECT_EQ(prompt.initialNames.back(), QStringLiteral("20261210_080000.csv"));
    EXPECT_EQ(prompt.shown.back(), QStringLiteral("info: Writing completed"));
    EXPECT_TRUE(fs::exists(dir / "trend.csv"));
    for (const QString& s : prompt.shown) EXPECT_FALSE(s.startsWith(QStringLiteral("error"))) << s.toStdString();
}

TEST_F(MainDialogTest, SerialWorkRunsBehindAModalBusyDialog)
{
    qvcfgsim::SimSettings s;
    s.slowDelay = std::chrono::milliseconds(600);
    sim = std::make_unique<qvcfgsim::Server>(s);
    std::string error;
    ASSERT_TRUE(sim->Start(error)) << error;
    settings.setValue(QLatin1String(kPortSetting), QString::fromStdString(sim->DevicePath()));
    Open();
    sim->InjectFault(qvcfgsim::Fault::Slow, 1);
    QString modal;
    bool stateWhileBusy = true;
    QTimer::singleShot(200, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) modal = w->objectName();
        // The dialog's own widgets are not touched while the worker runs.
        stateWhileBusy = Find<QLineEdit>("state")->text() == QStringLiteral("No data");
    });
    Click("upload");
    EXPECT_EQ(modal, QStringLiteral("busyDialog"));
    EXPECT_TRUE(stateWhileBusy);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(Find<QLineEdit>("state")->text(), QStringLiteral("Uploaded from device"));
}

TEST_F(MainDialogTest, NoPortIsOpenedUntilAnOperationNeedsIt)
{
    auto line = std::make_unique<FakeLine>();
    FakeLine* probe = line.get();
    dialog = std::make_unique<CQVCFGDlg>(prompt, settings,
                                         std::make_unique<QVCom>(std::make_unique<CTransfer>(std::move(line), FastTiming())));
    EXPECT_EQ(probe->opens, 0);
    Click("upload");
    EXPECT_EQ(probe->opens, 1);
    EXPECT_FALSE(probe->open);
    EXPECT_EQ(prompt.shown.back(), QStringLiteral("error: Failed to read\nFailed to communicate"));
}

TEST_F(MainDialogTest, OverwriteQuestionAndCancel)
{
    StartSim();
    Open();
    Click("upload");
    kravin::test::writeBytes(dir / "old.cfg", {1, 2, 3});
    // No to "Overwrite?" shows the save dialog again with the chosen name; cancelling writes nothing.
    prompt.paths = {P("old.cfg"), QString()};
    prompt.answers = {false};
    Click("writeFile");
    EXPECT_EQ(prompt.shown.back(), QStringLiteral("ask: Overwrite?"));
    EXPECT_EQ(prompt.initialNames.back(), P("old.cfg"));
    EXPECT_EQ(fs::file_size(dir / "old.cfg"), 3u);
    // Yes replaces it.
    prompt.paths = {P("old.cfg")};
    prompt.answers = {true};
    Click("writeFile");
    EXPECT_EQ(fs::file_size(dir / "old.cfg"), 2048u);
}

TEST_F(MainDialogTest, FailureBoxes)
{
    Open();
    prompt.paths = {P("missing.cfg")};
    Click("readFile");
    EXPECT_EQ(prompt.shown.back(), QStringLiteral("error: Failed to read\nFailed to open file"));
    EXPECT_EQ(Find<QLineEdit>("state")->text(), QStringLiteral("No data"));

    // A FIFO, a device and a folder chosen as the file: "Failed to open file" at once.
    ASSERT_EQ(::mkfifo((dir / "pipe.cfg").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir / "zero.cfg");
    fs::create_directories(dir / "folder.cfg");
    for (const char* name : {"pipe.cfg", "zero.cfg", "folder.cfg"}) {
        const auto start = std::chrono::steady_clock::now();
        prompt.paths = {P(name)};
        Click("readFile");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << name;
        EXPECT_EQ(prompt.shown.back(), QStringLiteral("error: Failed to read\nFailed to open file")) << name;
        EXPECT_EQ(Find<QLineEdit>("state")->text(), QStringLiteral("No data")) << name;
    }

    // A controller that answers nothing. Stopping the simulator instead would leave its
    // device name free for another test's simulator to take over.
    StartSim();
    Open();
    sim->InjectFault(qvcfgsim::Fault::NoReply, -1);
    Click("trendUpload");
    EXPECT_TRUE(prompt.shown.back().startsWith(QStringLiteral("error: Failed to read\n")));
}

// A .cfg of another model downloads into the controller's own image: the settings
// of the file arrive, the controller keeps its model and its network settings.
TEST_F(MainDialogTest, AnotherModelsFileDownloadsIntoTheControllersImage)
{
    StartSim("QV210");
    const qvcfgsim::Bytes device = sim->Config();
    Open();
    qvcfgsim::Bytes file = qvcfgsim::InitialConfig("QV200");
    file[41] = 2;    // back light brightness code 2
    file[122] = 33;  // another node address, IP address and port than the controller's
    file[132] = 192;
    file[145] = 80;
    kravin::test::writeBytes(dir / "QV200.cfg", file);
    prompt.paths = {P("QV200.cfg")};
    Click("readFile");
    ASSERT_EQ(Find<QLabel>("model")->text(), QStringLiteral("Device Model : QV200"));
    Click("download");
    EXPECT_EQ(prompt.shown.back(), QStringLiteral("info: Writing completed"));
    ASSERT_EQ(sim->Downloads(), 1);
    const qvcfgsim::Bytes now = sim->Config();
    ASSERT_EQ(now.size(), device.size());
    EXPECT_EQ(GetU16(now, 6), 210);
    EXPECT_TRUE(std::equal(now.begin(), now.begin() + 32, device.begin())) << "the controller's header";
    EXPECT_TRUE(std::equal(now.begin() + 122, now.begin() + 148, device.begin() + 122)) << "its network settings";
    EXPECT_EQ(now[41], 2);
    // The dialog still shows the file it read.
    EXPECT_EQ(Find<QLineEdit>("state")->text(), QStringLiteral("QV200.cfg"));
}

TEST_F(MainDialogTest, PortSettingIsStored)
{
    Open();
    dialog->runPortDialog = [](QVCom& com) {
        com.SetPort("/dev/ttyUSB3");
        return true;
    };
    Click("portSetting");
    EXPECT_EQ(settings.value(QLatin1String(kPortSetting)).toString(), QStringLiteral("/dev/ttyUSB3"));
    dialog->runPortDialog = [](QVCom& com) {
        com.SetPort("/dev/ttyUSB9");
        return false;
    };
    Click("portSetting");
    EXPECT_EQ(settings.value(QLatin1String(kPortSetting)).toString(), QStringLiteral("/dev/ttyUSB3"));
    Click("finish");
    EXPECT_EQ(dialog->result(), 1008);
}

TEST(ForceExtension, ReplacesOrAppends)
{
    EXPECT_EQ(ForceExtension(QStringLiteral("/site.old/plant"), QStringLiteral(".cfg")), QStringLiteral("/site.old/plant.cfg"));
    EXPECT_EQ(ForceExtension(QStringLiteral("/data/plant.txt"), QStringLiteral(".cfg")), QStringLiteral("/data/plant.cfg"));
    EXPECT_EQ(ForceExtension(QStringLiteral("/data/plant."), QStringLiteral(".cfg")), QStringLiteral("/data/plant.cfg"));
}

TEST(PortList, MergedSortedAndUnique)
{
    const auto ports = MergePorts({{QStringLiteral("/dev/ttyUSB10"), QStringLiteral("Adapter B")},
                                   {QStringLiteral("/dev/ttyS0"), QStringLiteral("ttyS0")},
                                   {QStringLiteral("/dev/ttyUSB2"), QStringLiteral("Adapter A")}},
                                  {QStringLiteral("/dev/pts/7"), QStringLiteral(" /dev/ttyUSB2 "), QString()});
    QStringList got;
    for (const auto& p : ports) got << PortLabel(p);
    // An extra port has no name of the system's: its path alone, no colon.
    EXPECT_EQ(got, (QStringList{QStringLiteral("/dev/pts/7"), QStringLiteral("/dev/ttyS0:ttyS0"),
                                QStringLiteral("/dev/ttyUSB2:Adapter A"), QStringLiteral("/dev/ttyUSB10:Adapter B")}));
}

TEST(PortDialog, ListsExtraPortsAndKeepsThePortWithoutASelection)
{
    kravin::test::qtApp();
    kravin::test::TempDir dir;
    QSettings settings(QString::fromStdString(dir / "s.ini"), QSettings::IniFormat);
    settings.setValue(QLatin1String(kExtraPortsSetting), QStringLiteral("/dev/pts/91;/dev/pts/90"));
    qputenv(kExtraPortsEnvironment, "/dev/pts/92");
    QVCom com;
    com.SetPort("/dev/pts/90");
    {
        CComDlg dlg(&com, settings);
        auto* list = dlg.findChild<QComboBox*>(QStringLiteral("ports"));
        ASSERT_NE(list, nullptr);
        EXPECT_GE(list->findText(QStringLiteral("/dev/pts/92")), 0);
        EXPECT_EQ(list->currentText(), QStringLiteral("/dev/pts/90"));
        list->setCurrentIndex(list->findText(QStringLiteral("/dev/pts/91")));
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(com.Port(), "/dev/pts/91");
    }
    {
        com.SetPort("/dev/not-listed");
        CComDlg dlg(&com, settings);
        EXPECT_EQ(dlg.findChild<QComboBox*>(QStringLiteral("ports"))->currentIndex(), -1);
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
        EXPECT_EQ(com.Port(), "/dev/not-listed");
    }
    qunsetenv(kExtraPortsEnvironment);
}

}  // namespace
}  // namespace qvcfg::test

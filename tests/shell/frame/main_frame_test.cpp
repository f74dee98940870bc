#include "child_frame.h"
#include "command_ids.h"
#include "archive.h"
#include "main_frame.h"
#include "online_shell.h"
#include "option_dialog.h"
#include "shell_fixture.h"
#include "file_size_limit.h"
#include "text_codec.h"
#include "vuken_sim.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QImage>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QUrl>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>
#include <set>

namespace kravin::shell {
namespace {

using test::ShellFixture;

bool exists(const std::string& path) { return std::filesystem::exists(path); }

class MainFrameTest : public ShellFixture {
protected:
    // Saves the untitled project as name at path through File/Save.
    void saveAs(const std::string& name, const std::string& path)
    {
        prompt.dialog([=](model::ProjectDialogData& d) {
            d.name = name;
            d.location = path;
            return true;
        });
        ASSERT_TRUE(frame().trigger(cmd::FileSave));
    }
};

TEST_F(MainFrameTest, StartsOnANewProjectWithTheSystemView)
{
    start();
    EXPECT_TRUE(frame().isVisible());
    EXPECT_TRUE(frame().views().frameExists(ViewKind::System));
    EXPECT_EQ(frame().views().state(ViewKind::System), SlotOpen);
    EXPECT_EQ(frame().activeKind(), ViewKind::System);
    EXPECT_EQ(title(), "KRAVin3 - System Configuration [Untitled]");
    EXPECT_TRUE(session().g_projectOpen);
    EXPECT_TRUE(session().projectRecord.untitled);
    EXPECT_FALSE(app->masters().station.name[1].empty());
    int groups = 0;
    for (const FieldNameGroup& g : app->fieldNames()) groups += g.count > 0;
    EXPECT_GT(groups, 0);
    EXPECT_TRUE(prompt.ids().empty());
}

TEST_F(MainFrameTest, SaveOpenSaveAsAndNewThroughTheMenu)
{
    start();
    EXPECT_FALSE(frame().action(cmd::FileProperties)->isEnabled());
    const std::string first = dir / "plant.KRA";
    saveAs("Plant", first);
    EXPECT_TRUE(exists(first));
    EXPECT_EQ(prompt.ids(), std::vector<int>{7003});
    EXPECT_EQ(title(), "KRAVin3 - System Configuration [Plant]");
    EXPECT_TRUE(frame().action(cmd::FileProperties)->isEnabled());

    // New: nothing changed, so nothing is asked.
    prompt.clearLog();
    ASSERT_TRUE(frame().trigger(cmd::FileNew));
    EXPECT_TRUE(prompt.ids().empty());
    EXPECT_EQ(title(), "KRAVin3 - System Configuration [Untitled]");

    // Open the saved file.
    prompt.file(first);
    ASSERT_TRUE(frame().trigger(cmd::FileOpen));
    EXPECT_EQ(title(), "KRAVin3 - System Configuration [Plant]");
    EXPECT_EQ(session().projectRecord.path, first);
    EXPECT_TRUE(frame().views().frameExists(ViewKind::System));

    // Save As another file.
    const std::string second = dir / "copy.KRA";
    prompt.file(second);
    ASSERT_TRUE(frame().trigger(cmd::FileSaveAs));
    EXPECT_TRUE(exists(second));
    EXPECT_EQ(session().projectRecord.path, second);
    EXPECT_TRUE(prompt.scriptDone());
}

TEST_F(MainFrameTest, NewAsksToSaveAModifiedProject)
{
    start();
    saveAs("Plant", dir / "plant.KRA");
    prompt.clearLog();

    session().projectRecord.modified = 1;
    prompt.answer(7001, model::Answer::Cancel);
    frame().trigger(cmd::FileNew);
    EXPECT_EQ(title(), "KRAVin3 - System Configuration [Plant]");

    prompt.answer(7001, model::Answer::No);
    frame().trigger(cmd::FileNew);
    EXPECT_EQ(title(), "KRAVin3 - System Configuration [Untitled]");
    EXPECT_EQ(prompt.ids(), (std::vector<int>{7001, 7001}));
}

TEST_F(MainFrameTest, OpenCancelledAtTheSaveQuestionShowsNoFileDialog)
{
    start();
    session().projectRecord.modified = 1;
    prompt.answer(7001, model::Answer::Cancel);
    frame().trigger(cmd::FileOpen);
    EXPECT_TRUE(prompt.fileChoices.empty());
}

TEST_F(MainFrameTest, ClosingAsksToSaveAndCancelKeepsTheProgramOpen)
{
    start();
    session().projectRecord.modified = 1;
    prompt.answer(7001, model::Answer::Cancel);
    EXPECT_FALSE(frame().close());
    EXPECT_TRUE(frame().isVisible());
    prompt.answer(7001, model::Answer::No);
    EXPECT_TRUE(frame().close());
    EXPECT_TRUE(frame().views().closingAllViews());
    EXPECT_FALSE(frame().views().frameExists(ViewKind::System));
}

struct EditingView : ViewHooks {
    int nameId = 0;
    int commits = 0;
    int editModeViewNameId() override { return nameId; }
    bool ladderPending() override { return nameId == 6002; }
    bool commitLadder() override
    {
        ++commits;
        return true;
    }
};

TEST_F(MainFrameTest, DiscardingAViewEditStillOffersToSaveTheProject)
{
    EditingView edits;
    start(std::nullopt, &edits);
    session().projectRecord.modified = 1;
    edits.nameId = 6002;

    // Cancel at 7000: nothing else is asked, nothing happens.
    prompt.answer(7000, model::Answer::Cancel);
    frame().trigger(cmd::FileNew);
    EXPECT_EQ(prompt.ids(), std::vector<int>{7000});
    ASSERT_EQ(prompt.shown[0].args.size(), 1u);
    EXPECT_EQ(std::get<std::string>(prompt.shown[0].args[0]), "Ladder Setting ");

    // OK at 7000 drops the view's edit; the project's changes are still asked for.
    prompt.clearLog();
    prompt.answer(7000, model::Answer::Ok);
    prompt.answer(7001, model::Answer::No);
    frame().trigger(cmd::FileNew);
    EXPECT_EQ(prompt.ids(), (std::vector<int>{7000, 7001}));
    EXPECT_EQ(edits.commits, 0);  // the dropped edit is not committed

    // Save while a view edits: 7002 and no save.
    prompt.clearLog();
    frame().trigger(cmd::FileSave);
    EXPECT_EQ(prompt.ids(), std::vector<int>{7002});
    EXPECT_TRUE(prompt.dialogData.empty());
}

TEST_F(MainFrameTest, ViewCommandsFollowTheOpenFrames)
{
    start();
    EXPECT_FALSE(frame().action(cmd::ViewSystem)->isEnabled());
    EXPECT_TRUE(frame().action(cmd::ViewDenTan)->isEnabled());
    EXPECT_FALSE(frame().action(cmd::ViewBlkList)->isEnabled());  // no card selected
    ASSERT_TRUE(frame().trigger(cmd::ViewDenTan));
    EXPECT_EQ(frame().activeKind(), ViewKind::DenTan);
    EXPECT_EQ(title(), "KRAVin3 - Communication Terminal Connection [Untitled]");
    EXPECT_FALSE(frame().action(cmd::ViewDenTan)->isEnabled());
    // The view's commands wait for a view that answers them.
    EXPECT_FALSE(frame().action(cmd::EditCut)->isEnabled());
    EXPECT_FALSE(frame().trigger(cmd::ViewDenTan));  // disabled commands do not run
}

struct CardSelected : ViewHooks {
    bool unitAllowsBlockViews() override { return true; }
    int currentCard() override { return 1; }
};

TEST_F(MainFrameTest, ClosingABlockViewReopensSystemAfterItsFrameIsGone)
{
    CardSelected hooks;
    start(std::nullopt, &hooks);
    ASSERT_TRUE(frame().trigger(cmd::ViewBlkList));
    EXPECT_FALSE(frame().views().frameExists(ViewKind::System));
    ChildFrame* list = frame().frame(ViewKind::BlkList);
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->close());
    EXPECT_FALSE(frame().views().frameExists(ViewKind::System));  // not inside the close
    QCoreApplication::processEvents();
    EXPECT_TRUE(frame().views().frameExists(ViewKind::System));
    EXPECT_EQ(frame().mdiArea()->subWindowList().size(), 1);
}

TEST_F(MainFrameTest, CommunicationViewFromTheBlockListStaysInFrontOfTheReopenedSystem)
{
    CardSelected hooks;
    start(std::nullopt, &hooks);
    ASSERT_TRUE(frame().trigger(cmd::ViewBlkList));
    ASSERT_TRUE(frame().trigger(cmd::ViewDenTan));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    ASSERT_TRUE(frame().views().frameExists(ViewKind::System));
    ASSERT_TRUE(frame().views().frameExists(ViewKind::DenTan));
    EXPECT_EQ(frame().mdiArea()->activeSubWindow(), frame().frame(ViewKind::DenTan));
    const QList<QMdiSubWindow*> order = frame().mdiArea()->subWindowList(QMdiArea::StackingOrder);
    ASSERT_FALSE(order.isEmpty());
    EXPECT_EQ(order.back(), frame().frame(ViewKind::DenTan));
}

TEST_F(MainFrameTest, ZoomBoxHandsItsValueOnlyWithAView)
{
    start();
    QComboBox* zoom = frame().zoomBox();
    ASSERT_EQ(zoom->count(), 6);
    EXPECT_EQ(zoom->currentText(), "100%");
    EXPECT_EQ(frame().applyZoomText(QStringLiteral("25%")), 0);
    frame().syncZoomBox(0.75);
    EXPECT_EQ(zoom->currentText(), "75%");
    frame().syncZoomBox(0.33);  // not an entry
    EXPECT_EQ(zoom->currentText(), "100%");
    frame().views().closeAllViews();
    frame().refresh();
    EXPECT_EQ(frame().applyZoomText(QStringLiteral("25%")), -1);
    EXPECT_FALSE(zoom->isEnabled());
}

TEST_F(MainFrameTest, RenderedFrameShowsMenusAndToolbar)
{
    start();
    const QImage shot = frame().grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), frame().size());

    QStringList titles;
    for (QAction* a : frame().menuBar()->actions()) titles << a->text().remove(QLatin1Char('&'));
    EXPECT_EQ(titles, (QStringList{"File", "Edit", "View", "Operation", "Window", "Help"}));

    auto* bar = frame().findChild<QToolBar*>(QStringLiteral("toolbar"));
    ASSERT_NE(bar, nullptr);
    int buttons = 0;
    for (QAction* a : bar->actions()) {
        if (a->isSeparator() || !a->data().isValid()) continue;
        EXPECT_FALSE(a->icon().isNull()) << a->data().toInt();
        ++buttons;
    }
    EXPECT_GE(buttons, 20);

    // The toolbar's strip carries drawn icons: many colours, not a blank band.
    const QRect strip = bar->geometry().intersected(shot.rect());
    ASSERT_FALSE(strip.isEmpty());
    std::set<QRgb> colours;
    for (int y = strip.top(); y <= strip.bottom(); ++y)
        for (int x = strip.left(); x <= strip.right(); ++x) colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 20u);

    // The menu bar lies above the toolbar and the MDI area below both.
    EXPECT_LT(frame().menuBar()->geometry().bottom(), bar->geometry().top() + 1);
    EXPECT_GE(frame().mdiArea()->geometry().top(), bar->geometry().bottom());
}

// A save that would grow the archive past the process's file-size limit: the save's
// own error, the edits kept, the old archive and its folder as they were.
TEST_F(MainFrameTest, ASavePastTheFileSizeLimitEndsInTheSaveError)
{
    test::FileSizeSignalCounter signals;  // the tool's start-up decides what the signal does
    start();
    const std::string path = dir / "big/Big.KRA";
    std::filesystem::create_directories(dir / "big");
    saveAs("Big", path);
    const auto archive = test::readBytes(path);
    // Incompressible bytes that take the archive past the limit.
    std::vector<unsigned char> noise(3u << 20);
    std::uint32_t x = 12345;
    for (unsigned char& b : noise) b = static_cast<unsigned char>((x = x * 1103515245u + 12345u) >> 24);
    test::writeBytes((std::filesystem::path(session().projectRecord.workFolder) / "extra.bin").string(), noise);
    session().projectRecord.modified = 1;
    prompt.clearLog();
    {
        test::FileSizeLimit limit(1u << 20, false);
        ASSERT_TRUE(frame().trigger(cmd::FileSave));
    }
    EXPECT_EQ(test::FileSizeSignalCounter::count().load(), 0);
    const std::vector<int> ids = prompt.ids();
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 7013), 1) << ::testing::PrintToString(ids);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 7003), 0);
    EXPECT_EQ(session().projectRecord.modified, 1);
    EXPECT_EQ(session().projectRecord.path, path);
    EXPECT_TRUE(test::readBytes(path) == archive);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir / "big")) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"Big.KRA"});
    // Without the limit the same project saves.
    prompt.clearLog();
    ASSERT_TRUE(frame().trigger(cmd::FileSave));
    EXPECT_EQ(prompt.ids(), std::vector<int>{7003});
    EXPECT_EQ(session().projectRecord.modified, 0);
}

TEST_F(MainFrameTest, ShutdownRemovesTheWorkFolderAndKeepsThePlacement)
{
    start();
    const std::string work = session().projectRecord.workFolder;
    ASSERT_TRUE(exists(work));
    frame().frame(ViewKind::System)->setGeometry(10, 20, 400, 300);
    ASSERT_TRUE(frame().close());
    shell::runShutdown(*app);
    EXPECT_FALSE(exists(work));
    profile->sync();
    EXPECT_EQ(profile->value(QStringLiteral("KRAVin/SYSSET_RIGHT")).toInt(), 410);
    EXPECT_EQ(profile->value(QStringLiteral("KRAVin/SYSSET_LENGTH")).toInt(), 44);
    app.reset();
}

TEST_F(MainFrameTest, ShortOldProjectIsOfferedAndConvertedLeavingTheOriginal)
{
    // An old project whose header lost its end: the name and station 0 are still in it.
    start();
    // The first station kind of the shipped tables, in its first version.
    const std::string kind = app->masters().station.name[1].substr(0, 4);
    const std::string& version = app->masters().station.versions[1][0];
    ASSERT_EQ(version.size(), 4u);
    std::filesystem::create_directories(dir / "old/STN00");
    std::vector<unsigned char> header(2000, 0);
    std::memcpy(header.data(), "Old plant", 9);
    std::memcpy(header.data() + 1024, kind.data(), kind.size());
    std::memcpy(header.data() + 1034, version.data(), 4);
    const std::string old = dir / "old/KRAVin.KRA";
    test::writeBytes(old, header);
    test::writeBytes(dir / "old/STN00/STNINF.KRA", std::vector<unsigned char>(361300, 0));

    prompt.file(old);
    prompt.answer(7004, model::Answer::Ok);
    ASSERT_TRUE(frame().trigger(cmd::FileOpen));
    EXPECT_EQ(prompt.ids(), (std::vector<int>{7004}));
    const model::ProjectRecord& r = session().projectRecord;
    EXPECT_TRUE(r.untitled);
    EXPECT_TRUE(r.path.empty());
    EXPECT_EQ(session().g_projectName, "Old plant");
    EXPECT_EQ(app->systemTables().stationKind[0], 1);
    EXPECT_TRUE(exists(r.workFolder + "/KRAVin.KRAB"));
    EXPECT_TRUE(exists(r.workFolder + "/STN00/STNINF.KRAB"));
    EXPECT_TRUE(frame().views().frameExists(ViewKind::System));

    // Saved under a new name; the old files stay as they were.
    saveAs("Old plant", dir / "Converted.KRA");
    EXPECT_TRUE(exists(dir / "Converted.KRA"));
    EXPECT_FALSE(session().projectRecord.untitled);
    EXPECT_EQ(test::readBytes(old), header);
    std::set<std::string> oldFiles;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir / "old"))
        oldFiles.insert(e.path().lexically_relative(dir / "old").string());
    EXPECT_EQ(oldFiles, (std::set<std::string>{"KRAVin.KRA", "STN00", "STN00/STNINF.KRA"}));
}

TEST_F(MainFrameTest, CommandLineProjectThatDoesNotLoadLeavesAnUntitledOne)
{
    const std::string broken = dir / "broken.KRA";
    test::writeBytes(broken, {'n', 'o', 't', ' ', 'z', 'i', 'p'});
    prompt.answer(7004, model::Answer::Cancel);  // not offered as an old project either way
    start(broken);
    EXPECT_TRUE(session().projectRecord.untitled);
    EXPECT_NE(session().projectRecord.path, broken);
    EXPECT_TRUE(frame().views().frameExists(ViewKind::System));
    EXPECT_FALSE(prompt.ids().empty());  // the reason was shown
}

// The project header entry of a saved archive with its CRC, or its declared size,
// changed in both of its headers: the archive opens, its entry does not extract.
std::vector<unsigned char> damageHeaderEntry(std::vector<unsigned char> zip, bool crc)
{
    const auto get16 = [&](std::size_t at) { return static_cast<unsigned>(zip[at] | zip[at + 1] << 8); };
    const auto change32 = [&](std::size_t at) {
        if (crc) zip[at] ^= 0x5a;
        else for (std::size_t k = 0; k < 4; ++k) zip[at + k] = k == 0 ? 1 : 0;  // one byte
    };
    const std::string name = "KRAVin.KRAB";
    int found = 0;
    for (std::size_t at = 0; at + 46 < zip.size(); ++at) {
        if (zip[at] != 'P' || zip[at + 1] != 'K' || zip[at + 2] != 1 || zip[at + 3] != 2) continue;
        if (std::string(zip.begin() + static_cast<long>(at) + 46,
                        zip.begin() + static_cast<long>(at + 46 + get16(at + 28))) != name)
            continue;
        const std::size_t local = get16(at + 42) | get16(at + 44) << 16;
        change32(crc ? at + 16 : at + 24);
        change32(crc ? local + 14 : local + 22);
        ++found;
    }
    EXPECT_EQ(found, 1);
    return zip;
}

TEST_F(MainFrameTest, AnArchiveThatFailsToExtractLeavesAnUntitledProjectThatSaves)
{
    start();
    const std::string good = dir / "CV.KRA";
    saveAs("CV", good);
    for (bool crc : {true, false}) {
        SCOPED_TRACE(crc ? "CRC" : "size");
        if (session().projectRecord.path != good) {
            prompt.file(good);
            ASSERT_TRUE(frame().trigger(cmd::FileOpen));
        }
        ASSERT_EQ(title(), "KRAVin3 - System Configuration [CV]");
        const std::string bad = dir / "bad.KRA";
        test::writeBytes(bad, damageHeaderEntry(test::readBytes(good), crc));
        prompt.clearLog();
        prompt.file(bad);
        ASSERT_TRUE(frame().trigger(cmd::FileOpen));
        const std::vector<int> ids = prompt.ids();
        ASSERT_EQ(std::count(ids.begin(), ids.end(), 7012), 1) << ::testing::PrintToString(ids);
        const auto box = std::find_if(prompt.shown.begin(), prompt.shown.end(), [](const auto& s) { return s.id == 7012; });
        ASSERT_EQ(box->args.size(), 1u);
        EXPECT_NE(std::get<std::int64_t>(box->args[0]), 0);
        EXPECT_EQ(title(), "KRAVin3 - System Configuration [Untitled]");
        EXPECT_TRUE(session().projectRecord.untitled);
        EXPECT_TRUE(session().projectRecord.path.empty());
        EXPECT_TRUE(model::HasProjectHeader(session().projectRecord.workFolder));
        EXPECT_TRUE(frame().views().frameExists(ViewKind::System));

        // The untitled project saves under a new name.
        const std::string saved = dir / (crc ? "afterCrc.KRA" : "afterSize.KRA");
        prompt.clearLog();
        saveAs("After", saved);
        EXPECT_EQ(prompt.ids(), std::vector<int>{7003});
        EXPECT_TRUE(exists(saved));
        EXPECT_TRUE(prompt.scriptDone());
    }
}

}  // namespace
}  // namespace kravin::shell

namespace kravin::shell {
namespace {

class FrameExtrasTest : public test::ShellFixture {};

TEST_F(FrameExtrasTest, PortSettingDeleteAsksFirst)
{
    start();
    app->settings().portList = {{"COM1", "1"}, {"/dev/pts/3", "2"}};
    app->saveSettings();
    prompt.answer(9307, model::Answer::Cancel);
    frame().trigger(cmd::PortSettingDelete);
    EXPECT_EQ(app->settings().portList.size(), 2u);
    EXPECT_EQ(profile->value(QStringLiteral("KRAVin/COM_PORT_NUM")).toInt(), 2);

    prompt.answer(9307, model::Answer::Ok);
    frame().trigger(cmd::PortSettingDelete);
    EXPECT_TRUE(app->settings().portList.empty());
    EXPECT_EQ(profile->value(QStringLiteral("KRAVin/COM_PORT_NUM")).toInt(), 0);
    EXPECT_EQ(profile->value(QStringLiteral("KRAVin/COM1_PORT_STR")).toString(), QString());
}

TEST_F(FrameExtrasTest, DamagedSettingsShowAsDefaultsAndExitWritesTheDefaults)
{
    {
        QSettings damaged(QString::fromStdString(dir / "profile.ini"), QSettings::IniFormat);
        damaged.setValue(QStringLiteral("KRAVin/COM_PORT_NUM"), 100000);
        damaged.setValue(QStringLiteral("KRAVin/COM0_PORT_STR"), QStringLiteral("Serial (COM1)"));
        damaged.setValue(QStringLiteral("KRAVin/COM0_PORT_NUM"), QStringLiteral("COM1"));
        damaged.setValue(QStringLiteral("KRAVin/COM_TIME"), -3);
    }
    start();
    QStringList ports;
    QString timeout;
    app->onlineShell()->beforeDialog = [&](QDialog& d) {
        auto* option = qobject_cast<OptionDialog*>(&d);
        ASSERT_NE(option, nullptr);
        for (int i = 0; i < option->portCombo(0)->count(); ++i) ports << option->portCombo(0)->itemText(i);
        timeout = option->timeoutEdit()->text();
        QMetaObject::invokeMethod(option, "reject", Qt::QueuedConnection);
    };
    ASSERT_TRUE(frame().trigger(cmd::Option));
    app->onlineShell()->beforeDialog = nullptr;
    EXPECT_EQ(timeout, "10");
    ASSERT_FALSE(ports.isEmpty());
    EXPECT_EQ(ports.first(), QString());
    for (qsizetype i = 1; i < ports.size(); ++i) EXPECT_FALSE(ports[i].isEmpty()) << "row " << i;

    ASSERT_TRUE(frame().close());
    shell::runShutdown(*app);
    app.reset();
    profile->sync();
    EXPECT_EQ(profile->value(QStringLiteral("KRAVin/COM_TIME")).toInt(), 10);
    EXPECT_EQ(profile->value(QStringLiteral("KRAVin/COM_PORT_NUM")).toInt(), 0);
}

TEST_F(FrameExtrasTest, OnlineButtonBlinksAndReadsOffline)
{
    start();
    QAction* monitor = frame().action(cmd::OnlineMonitor);
    EXPECT_EQ(monitor->text().remove(QLatin1Char('&')), "Online Monitor");
    app->online().online = true;
    // The blink timer's ticks, waited for with a generous bound so a loaded machine does not miss one.
    const bool phase = frame().blinkPhase();
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame().blinkPhase() != phase; }, 5000));
    EXPECT_EQ(monitor->text(), "Offline");
    const QImage first = monitor->icon().pixmap(16, 16).toImage();
    // Image A and B alternate.
    EXPECT_TRUE(QTest::qWaitFor([&] { return monitor->icon().pixmap(16, 16).toImage() != first; }, 5000));
    app->online().online = false;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return monitor->text().remove(QLatin1Char('&')) == QStringLiteral("Online Monitor"); }, 5000));
}

TEST_F(FrameExtrasTest, JapaneseFromTheSetting)
{
    {
        QSettings pre(QString::fromStdString(dir / "profile.ini"), QSettings::IniFormat);
        pre.setValue(QStringLiteral("KRAVin/LANGUAGE"), QStringLiteral("ja"));
    }
    start();
    EXPECT_EQ(app->language(), res::Language::Japanese);
    EXPECT_EQ(frame().menuBar()->actions().first()->text(), QString::fromUtf8("ファイル(&F)"));
    EXPECT_EQ(frame().windowTitle(), QString::fromUtf8("KRAVin3 - システム構成 [無題]"));
    // Qt's standard buttons speak Japanese too.
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QString::fromUtf8("キャンセル"));
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')).left(2), QString::fromUtf8("はい"));
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove(QLatin1Char('&')).left(3), QString::fromUtf8("いいえ"));
    // Shut down, the translation goes with the program.
    runShutdown(*app);
    app.reset();
    QMessageBox after;
    after.setStandardButtons(QMessageBox::Cancel);
    EXPECT_EQ(after.button(QMessageBox::Cancel)->text(), QStringLiteral("Cancel"));
}

TEST_F(FrameExtrasTest, ProjectNameInTheTitleComesFromCp932)
{
    start();
    prompt.dialog([this](model::ProjectDialogData& d) {
        d.name = model::utf8ToCp932("制御盤A");
        d.location = dir / "jp.KRA";
        return true;
    });
    frame().trigger(cmd::FileSave);
    EXPECT_EQ(frame().windowTitle(), QString::fromUtf8("KRAVin3 - System Configuration [制御盤A]"));
}

}  // namespace
}  // namespace kravin::shell

namespace kravin::shell {
namespace {

TEST_F(FrameExtrasTest, WindowCommandsTileSideBySideOrStacked)
{
    start();
    frame().trigger(cmd::ViewDenTan);
    QMdiSubWindow* system = frame().frame(ViewKind::System);
    QMdiSubWindow* comm = frame().frame(ViewKind::DenTan);
    const QRect area = frame().mdiArea()->viewport()->rect();

    ASSERT_TRUE(frame().trigger(cmd::WindowTileVertical));
    EXPECT_EQ(system->geometry(), QRect(0, 0, area.width() / 2, area.height()));
    EXPECT_EQ(comm->geometry().left(), area.width() / 2);

    ASSERT_TRUE(frame().trigger(cmd::WindowTileHorizontal));
    EXPECT_EQ(system->geometry(), QRect(0, 0, area.width(), area.height() / 2));
    EXPECT_EQ(comm->geometry().top(), area.height() / 2);
}

}  // namespace
}  // namespace kravin::shell

namespace kravin::shell {
namespace {

TEST_F(FrameExtrasTest, BusFatalErrorsReachTheCallbackRegisteredAtStartUp)
{
    start();
    const int before = busFatalErrorCount();
    vuken_sim_raise_fatal("link lost");
    panic();
    EXPECT_EQ(busFatalErrorCount(), before + 2);
}

}  // namespace
}  // namespace kravin::shell

namespace kravin::shell {
namespace {

// A view that takes commands the way the frame hands them over.
class CommandView : public QWidget {
    Q_OBJECT
public:
    QList<int> received;
    bool enableUndo = false;
    Q_INVOKABLE bool isCommandEnabled(int id) { return id == cmd::EditUndo && enableUndo; }
    Q_INVOKABLE void runCommand(int id) { received << id; }
};

TEST_F(FrameExtrasTest, CommandsReachTheViewOfTheirSlot)
{
    CommandView* made = nullptr;
    int stopped = 0;
    services.makeView = [&made](ViewKind kind) -> QWidget* {
        if (kind != ViewKind::DenTan) return nullptr;  // an empty page
        made = new CommandView;
        return made;
    };
    services.onlineStopped = [&stopped] { ++stopped; };
    start();
    ASSERT_TRUE(frame().trigger(cmd::ViewDenTan));
    ASSERT_NE(made, nullptr);

    // Frame-level disabled Undo is enabled by the view that answers for it.
    EXPECT_FALSE(frame().action(cmd::EditUndo)->isEnabled());
    made->enableUndo = true;
    frame().refresh();
    EXPECT_TRUE(frame().action(cmd::EditUndo)->isEnabled());
    ASSERT_TRUE(frame().trigger(cmd::EditUndo));

    // A worker's redraw request, queued to the frame.
    QMetaObject::invokeMethod(&frame(), "sendCommand", Qt::QueuedConnection,
                              Q_ARG(int, static_cast<int>(ViewKind::DenTan)), Q_ARG(int, 40602));
    QCoreApplication::processEvents();
    EXPECT_EQ(made->received, (QList<int>{cmd::EditUndo, 40602}));
    EXPECT_FALSE(frame().sendCommand(static_cast<int>(ViewKind::Ladder), cmd::LadderRedraw));  // no such frame
    EXPECT_TRUE(frame().sendCommand(-1, cmd::OnlineStop));
    EXPECT_EQ(stopped, 1);
}

// Takes the files the tool hands to the desktop.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
    Q_INVOKABLE void open(const QUrl& url) { urls << url; }
};

TEST_F(FrameExtrasTest, HelpCommandsStayEnabledAndOpenTheListOnlyWhenItIsThere)
{
    helpDir = dir / "Help";
    std::filesystem::create_directories(helpDir);
    start();
    OpenedUrls opened;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
    const QUrl pdf = QUrl::fromLocalFile(QString::fromStdString(helpDir + "/ItemList.pdf"));
    for (const bool present : {false, true}) {
        if (present) test::writeBytes(helpDir + "/ItemList.pdf", {'%', 'P', 'D', 'F'});
        opened.urls.clear();
        for (const int id : {cmd::HelpBlockList, cmd::ToolHelp}) {
            frame().refresh();
            EXPECT_TRUE(frame().action(id)->isEnabled()) << id << " present " << present;
            EXPECT_TRUE(frame().trigger(id));
        }
        EXPECT_EQ(opened.urls, present ? (QList<QUrl>{pdf, pdf}) : QList<QUrl>{});
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_TRUE(prompt.ids().empty());
}

}  // namespace
}  // namespace kravin::shell

#include "main_frame_test.moc"

#include "backup_job.h"
#include "child_frame.h"
#include "command_ids.h"
#include "crafted_backups.h"
#include "file_size_limit.h"
#include "modal_script.h"
#include "online_shell.h"
#include "pty_server.h"
#include "shell_fixture.h"
#include "system_view_logic.h"
#include "unit_image.h"
#include "version_sync_command.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>

namespace kravin::shell {
namespace {

namespace fs = std::filesystem;
using editors::Cell;
using test::ModalScript;
using test::ShellFixture;
namespace syscmd = editors::syscmd;

constexpr int kStation = 1;

template <class Keep>
int firstKind(const model::CardKindMaster& master, Keep keep)
{
    for (int k = 1; k < model::kKindEntries; ++k)
        if (!master.name[k].empty() && keep(master.name[k])) return k;
    return -1;
}

// In the restore dialog: types the folder, confirms it with Return and selects the one
// backup it lists.
void chooseOnlyBackup(QWidget* dialog, const std::filesystem::path& folder)
{
    auto* source = dialog->findChild<QLineEdit*>(QStringLiteral("sourceFolder"));
    source->setText(QString::fromStdString(folder.string()));
    source->setModified(true);
    QTest::keyClick(source, Qt::Key_Return);
    auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("backupList"));
    ASSERT_EQ(list->topLevelItemCount(), 1);
    list->setCurrentItem(list->topLevelItem(0));
}

void click(QWidget* dialog, const char* button)
{
    auto* b = dialog->findChild<QPushButton*>(QString::fromLatin1(button));
    ASSERT_NE(b, nullptr) << button;
    b->click();
}

class CardBackupTest : public ShellFixture {
protected:
    ShellSystemView* view() { return app->systemView(); }
    fs::path work() { return session().projectRecord.workFolder; }

    // A station with a card in slot 1 whose unit and analog files exist.
    void placeCard()
    {
        const int station = firstKind(app->masters().station, [](const std::string& n) { return editors::modelIs(n, "63NW"); });
        kind_ = firstKind(app->masters().card, [](const std::string& n) {
            return editors::hasBlockList(n) && !editors::isTwoSlotModel(n) && !editors::modelIs(n, "V8RTU");
        });
        ASSERT_GT(station, 0);
        ASSERT_GT(kind_, 0);
        model::SystemConfigTables& t = app->systemTables();
        t.stationKind[kStation] = station;
        t.cardKind[kStation][0] = kind_;
        t.cardVersion[kStation][0] = 0;
        t.cardUnitText[kStation][0] = "AB";
        fs::create_directories(work() / "STN01");
        test::writeBytes((work() / "STN01/CARD0.KRAB").string(), test::unitDataImage(5));
        test::writeBytes((work() / "STN01/AC0.KRAB").string(), test::analogImage(5));
        view()->systemRedraw();
    }

    // The view's context menu on a cell (which selects it) offers the command; it is chosen.
    void runFromContextMenu(Cell cell, int command)
    {
        ShellSystemView* v = view();
        const editors::IntRect r = editors::cellRect(cell, v->zoom());
        const std::vector<int> menu = v->prepareContextMenu(QPoint(r.x + r.width / 2, r.y + r.height / 2));
        ASSERT_NE(std::find(menu.begin(), menu.end(), command), menu.end()) << command;
        Q_EMIT v->commandRequested(command);
    }

    int kind_ = 0;
};

TEST_F(CardBackupTest, BackUpACardRestoreItIntoAnotherSlotAndUndo)
{
    start();
    ASSERT_NE(view(), nullptr);
    placeCard();
    const fs::path bkc = dir.path() / "backups" / "S01C0.BKC";

    // Card backup from the context menu of the card.
    ModalScript backup;
    backup.then("cardBackupDialog", [&](QWidget* d) {
        auto* path = d->findChild<QLineEdit*>(QStringLiteral("backupPath"));
        ASSERT_NE(path, nullptr);
        EXPECT_TRUE(path->text().endsWith(QStringLiteral("S01C0.BKC")));
        path->setText(QString::fromStdString(bkc.string()));
        click(d, "startButton");
    });
    backup.then("backupDone", [](QWidget* d) { click(d, "endButton"); });
    runFromContextMenu({kStation, 1}, syscmd::CardBackup);
    EXPECT_TRUE(backup.done()) << "waiting for " << backup.pending();
    kravinb::BkcHeader header;
    ASSERT_EQ(kravinb::CheckBackupHeader(bkc, &header), kravinb::HeaderCheck::Ok);
    EXPECT_EQ(header.station, kStation);
    EXPECT_EQ(header.card, 0);
    EXPECT_EQ(header.memberCount(), 2);
    EXPECT_EQ(header.unitText, "AB");

    // Restore it into the empty slot 3 (card 2 of the library).
    ModalScript restore;
    restore.then("cardRestoreDialog", [&](QWidget* d) {
        auto* source = d->findChild<QLineEdit*>(QStringLiteral("sourceFolder"));
        source->setText(QString::fromStdString(bkc.parent_path().string()));
        source->setModified(true);
        QTest::keyClick(source, Qt::Key_Return);  // a changed folder refreshes the list
        auto* list = d->findChild<QTreeWidget*>(QStringLiteral("backupList"));
        ASSERT_EQ(list->topLevelItemCount(), 1);
        EXPECT_EQ(list->topLevelItem(0)->text(6), QStringLiteral("S01C0.BKC"));
        list->setCurrentItem(list->topLevelItem(0));
        click(d, "startButton");
    });
    restore.then("backupDone", [](QWidget* d) { click(d, "endButton"); });
    runFromContextMenu({kStation, 3}, syscmd::RestoreCard);
    EXPECT_TRUE(restore.done()) << "waiting for " << restore.pending();

    const model::SystemConfigTables& t = app->systemTables();
    EXPECT_EQ(t.cardKind[kStation][2], kind_);
    EXPECT_EQ(t.cardVersion[kStation][2], 0);
    EXPECT_EQ(t.cardUnitText[kStation][2], "AB");
    EXPECT_TRUE(t.cardX[kStation][2] != 0 || t.cardY[kStation][2] != 0) << "a new slot gets its grid position";
    EXPECT_EQ(session().projectRecord.modified, 1);
    const auto unit = test::readBytes((work() / "STN01/CARD0.KRAB").string());
    EXPECT_TRUE(test::readBytes((work() / "STN01/CARD2.KRAB").string()) == unit);
    EXPECT_TRUE(test::readBytes((work() / "STN01/AC2.KRAB").string()) == test::readBytes((work() / "STN01/AC0.KRAB").string()));

    // Edit/Undo takes the restored card out again.
    frame().refresh();
    ASSERT_TRUE(frame().action(cmd::EditUndo)->isEnabled());
    ASSERT_TRUE(frame().trigger(cmd::EditUndo));
    EXPECT_EQ(t.cardKind[kStation][2], 0);
    EXPECT_FALSE(kravinb::FindNoCase(work() / "STN01", "CARD2.KRAB"));
    EXPECT_FALSE(kravinb::FindNoCase(work() / "STN01", "AC2.KRAB"));
    EXPECT_EQ(t.cardKind[kStation][0], kind_) << "the backed-up card stays";
    ASSERT_TRUE(frame().trigger(cmd::EditRedo));
    EXPECT_EQ(t.cardKind[kStation][2], kind_);
    EXPECT_TRUE(test::readBytes((work() / "STN01/CARD2.KRAB").string()) == unit);
}

// A card whose unit file cannot be read, backed up over an older backup with Yes to
// "continue?": no member was written, so it is no backup; the older one stays.
TEST_F(CardBackupTest, BackupWithNothingReadableKeepsTheOlderBackup)
{
    start();
    ASSERT_NE(view(), nullptr);
    placeCard();
    const fs::path bkc = dir.path() / "backups" / "S01C0.BKC";
    const auto backUp = [&](QStringList& boxes, std::vector<QMessageBox::StandardButton> answers) {
        ModalScript script;
        script.then("cardBackupDialog", [&](QWidget* d) {
            d->findChild<QLineEdit*>(QStringLiteral("backupPath"))->setText(QString::fromStdString(bkc.string()));
            click(d, "startButton");
            if (d->isVisible()) click(d, "cancelButton");
        });
        for (QMessageBox::StandardButton button : answers) {
            script.then("kravinbMessage", [&boxes, button](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                boxes << box->text();
                box->button(button)->click();
            });
        }
        ModalScript unexpected;  // a success where the script expects messages
        (answers.empty() ? script : unexpected).then("backupDone", [&answers](QWidget* d) {
            EXPECT_TRUE(answers.empty()) << "reported as done";
            click(d, "endButton");
        });
        runFromContextMenu({kStation, 1}, syscmd::CardBackup);
        EXPECT_TRUE(script.done()) << "waiting for " << script.pending();
    };
    QStringList boxes;
    backUp(boxes, {});
    const auto good = test::readBytes(bkc.string());
    ASSERT_GT(good.size(), kravinb::kHeaderSize);

    fs::resize_file(work() / "STN01/CARD0.KRAB", 1000);
    backUp(boxes, {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::Ok});  // 7104, 7112, then the outcome
    ASSERT_EQ(boxes.size(), 3);
    EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("Backup file="))) << boxes[0].toStdString();
    EXPECT_TRUE(boxes[1].startsWith(QStringLiteral("Cannot read ["))) << boxes[1].toStdString();
    EXPECT_TRUE(boxes[2].endsWith(QStringLiteral("Data is not available."))) << boxes[2].toStdString();
    EXPECT_TRUE(test::readBytes(bkc.string()) == good);
    for (const auto& e : fs::directory_iterator(bkc.parent_path())) EXPECT_EQ(e.path(), bkc);
}

// A backup that would grow past the process's file-size limit ends in the disk-full
// message; the older backup stays, no temporary file is left, the session goes on.
TEST_F(CardBackupTest, BackupPastTheFileSizeLimitEndsInDiskFull)
{
    test::FileSizeSignalCounter signals;  // the tool's start-up decides what the signal does
    start();
    ASSERT_NE(view(), nullptr);
    placeCard();
    session().projectRecord.modified = 1;
    const fs::path bkc = dir.path() / "backups" / "S01C0.BKC";
    QStringList boxes;
    const auto backUp = [&](std::vector<QMessageBox::StandardButton> answers) {
        ModalScript script;
        script.then("cardBackupDialog", [&](QWidget* d) {
            d->findChild<QLineEdit*>(QStringLiteral("backupPath"))->setText(QString::fromStdString(bkc.string()));
            click(d, "startButton");
            if (d->isVisible()) click(d, "cancelButton");
        });
        for (QMessageBox::StandardButton button : answers)
            script.then("kravinbMessage", [&boxes, button](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                boxes << box->text();
                box->button(button)->click();
            });
        if (answers.empty()) script.then("backupDone", [](QWidget* d) { click(d, "endButton"); });
        runFromContextMenu({kStation, 1}, syscmd::CardBackup);
        EXPECT_TRUE(script.done()) << "waiting for " << script.pending();
    };
    backUp({});
    const auto good = test::readBytes(bkc.string());
    ASSERT_GT(good.size(), 2 * kravinb::kHeaderSize);
    {
        test::FileSizeLimit limit(good.size() / 2, false);
        backUp({QMessageBox::Ok, QMessageBox::Ok});  // 7104, then the outcome
    }
    EXPECT_EQ(test::FileSizeSignalCounter::count().load(), 0);
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_TRUE(boxes[1].startsWith(QStringLiteral("Disk is full."))) << boxes[1].toStdString();
    EXPECT_TRUE(test::readBytes(bkc.string()) == good);
    for (const auto& e : fs::directory_iterator(bkc.parent_path())) EXPECT_EQ(e.path(), bkc);
    EXPECT_EQ(session().projectRecord.modified, 1);
    EXPECT_EQ(app->systemTables().cardKind[kStation][0], kind_);
}

TEST_F(CardBackupTest, UnknownRestoredModelIsRefusedBeforeAnythingIsWritten)
{
    start();
    ASSERT_NE(view(), nullptr);
    placeCard();
    // A backup of a model the masters do not know.
    const fs::path bkc = dir.path() / "backups" / "S01C0.BKC";
    {
        kravinb::BkcWriter w(bkc);
        kravinb::BkcHeader h;
        h.project = "Plant";
        h.cardName = "NOSUCH  ";
        h.version = "1.00";
        h.station = kStation;
        h.card = 0;
        ASSERT_EQ(w.Create(h), kravinb::WriteStatus::Ok);
        ASSERT_EQ(w.AddMember(0, work() / "STN01/CARD0.KRAB"), kravinb::WriteStatus::Ok);
        ASSERT_EQ(w.Finish(), kravinb::WriteStatus::Ok);
    }
    const auto before = test::readBytes((work() / "STN01/CARD0.KRAB").string());
    ModalScript restore;
    restore.then("cardRestoreDialog", [&](QWidget* d) {
        ASSERT_NO_FATAL_FAILURE(chooseOnlyBackup(d, bkc.parent_path()));
        // Restoring over the card asks first (8203).
        ModalScript* confirm = new ModalScript;
        confirm->then("kravinbMessage", [](QWidget* box) {
            qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
        });
        QObject::connect(d, &QObject::destroyed, [confirm] { delete confirm; });
        click(d, "startButton");
        // The refusal keeps the dialog open; the user cancels it.
        click(d, "cancelButton");
    });
    runFromContextMenu({kStation, 1}, syscmd::RestoreCard);
    EXPECT_TRUE(restore.done());
    EXPECT_EQ(prompt.ids(), (std::vector<int>{7102}));
    EXPECT_TRUE(test::readBytes((work() / "STN01/CARD0.KRAB").string()) == before);
    EXPECT_EQ(app->systemTables().cardKind[kStation][0], kind_);
}

// Backups from elsewhere, damaged or forged, chosen in the restore dialog: each is
// refused with "Failed to read ... Card backup information", the card's files stay
// byte for byte, and the project saves and opens again.
TEST_F(CardBackupTest, CraftedBackupsAreRefusedAndTheProjectStillSavesAndOpens)
{
    start();
    ASSERT_NE(view(), nullptr);
    placeCard();
    const std::string archive = dir / "plant.KRA";
    prompt.dialog([=](model::ProjectDialogData& d) {
        d.name = "Plant";
        d.location = archive;
        return true;
    });
    ASSERT_TRUE(frame().trigger(cmd::FileSave));
    const auto unit = test::readBytes((work() / "STN01/CARD0.KRAB").string());
    const auto analog = test::readBytes((work() / "STN01/AC0.KRAB").string());

    kravinb::BkcHeader base;
    base.project = "Plant";
    base.cardName = app->masters().card.name[static_cast<std::size_t>(kind_)];
    base.version = app->masters().card.versions[static_cast<std::size_t>(kind_)][0];
    base.station = kStation;
    base.card = 0;
    const fs::path bkc = dir.path() / "backups" / "S01C0.BKC";
    fs::create_directories(bkc.parent_path());
    for (const auto& c : test::craftedBackups(base, unit, analog)) {
        SCOPED_TRACE(c.what);
        test::writeBytes(bkc.string(), c.bytes);
        // A file whose header does not fit is refused at Start (Retry, Cancel); one
        // that only decodes wrong after the overwrite question (OK) when it runs.
        const bool headerFits = kravinb::CheckBackupHeader(bkc, nullptr) == kravinb::HeaderCheck::Ok;
        prompt.clearLog();
        QStringList boxes;
        ModalScript restore;
        restore.then("cardRestoreDialog", [&](QWidget* d) {
            ASSERT_NO_FATAL_FAILURE(chooseOnlyBackup(d, bkc.parent_path()));
            click(d, "startButton");
            click(d, "cancelButton");
        });
        const auto answer = [&](QMessageBox::StandardButton button) {
            return [&boxes, button](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                boxes << box->text();
                box->button(button)->click();
            };
        };
        if (headerFits) {
            restore.then("kravinbMessage", answer(QMessageBox::Ok));
            restore.then("kravinbMessage", answer(QMessageBox::Ok));
        } else {
            restore.then("kravinbMessage", answer(QMessageBox::Cancel));
        }
        runFromContextMenu({kStation, 1}, syscmd::RestoreCard);
        EXPECT_TRUE(restore.done()) << "waiting for " << restore.pending();
        ASSERT_FALSE(boxes.isEmpty());
        EXPECT_TRUE(boxes.back().startsWith(QStringLiteral("Failed to read ") + QString::fromStdString(bkc.string())))
            << boxes.back().toStdString();
        EXPECT_TRUE(prompt.ids().empty());
        EXPECT_TRUE(test::readBytes((work() / "STN01/CARD0.KRAB").string()) == unit);
        EXPECT_TRUE(test::readBytes((work() / "STN01/AC0.KRAB").string()) == analog);
        EXPECT_EQ(app->systemTables().cardKind[kStation][0], kind_);
        for (const auto& e : fs::directory_iterator(work() / "STN01"))
            EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
    }

    // The project saves and opens again with the card as it was.
    session().projectRecord.modified = 1;
    prompt.clearLog();
    ASSERT_TRUE(frame().trigger(cmd::FileSave));
    EXPECT_EQ(session().projectRecord.modified, 0);
    ASSERT_TRUE(frame().trigger(cmd::FileNew));
    prompt.file(archive);
    ASSERT_TRUE(frame().trigger(cmd::FileOpen));
    EXPECT_EQ(session().projectRecord.path, archive);
    EXPECT_EQ(app->systemTables().cardKind[kStation][0], kind_);
    EXPECT_TRUE(test::readBytes((work() / "STN01/CARD0.KRAB").string()) == unit);
    EXPECT_TRUE(test::readBytes((work() / "STN01/AC0.KRAB").string()) == analog);
}

TEST_F(CardBackupTest, SynchronizeVersionPlacesTheVersionOfTheUnitOnThePort)
{
    qvsim::SimCard simCard;
    simCard.model = "QV200";
    simCard.baudIndex = 1;
    simCard.bank0[0] = {{0, "0"}, {52, "0001"}, {96, "03"}, {99, "1.10"}};
    qvsim::PtyServer server({simCard});
    std::string error;
    ASSERT_TRUE(server.start(error)) << error;

    start();
    ASSERT_NE(view(), nullptr);
    const int station = firstKind(app->masters().station, [](const std::string& n) { return editors::modelIs(n, "63NW"); });
    const int qv200 = app->masters().card.find("QV200   ");
    ASSERT_GT(qv200, 0);
    model::SystemConfigTables& t = app->systemTables();
    t.stationKind[kStation] = station;
    t.cardKind[kStation][4] = qv200;
    t.cardVersion[kStation][4] = 0;  // "1.00"
    app->settings().PortAllocation[0] = {server.devicePath(), server.devicePath(), "QVxxx(JOV-US)", 0};

    // The version is placed as Select version places one: after the question 8100.
    prompt.answer(8100, model::Answer::Ok);
    runFromContextMenu({kStation, 5}, syscmd::SynchronizeVersion);
    EXPECT_EQ(prompt.ids(), (std::vector<int>{8100}));
    EXPECT_EQ(t.cardVersion[kStation][4], app->masters().card.findVersion(qv200, "1.10"));
    EXPECT_EQ(app->unitSelection().current().version, "1.10");
    frame().refresh();
    ASSERT_TRUE(frame().trigger(cmd::EditUndo));
    EXPECT_EQ(t.cardVersion[kStation][4], 0);
    prompt.clearLog();

    // A unit of another model on the port is refused and changes nothing.
    server.withController([](qvsim::Controller& c) {
        c.handle("G00\r");
        c.handle("I96\r");
        c.handle("D01\r");
    });
    runFromContextMenu({kStation, 5}, syscmd::SynchronizeVersion);
    EXPECT_EQ(prompt.ids(), (std::vector<int>{8123}));
    EXPECT_EQ(t.cardVersion[kStation][4], 0);
    EXPECT_FALSE(app->versionSync().link->isOpen());

    // Four refusals of "G00": a communication error, and the port is closed again.
    prompt.clearLog();
    server.setStandingFault(qvsim::Fault::Cng);
    runFromContextMenu({kStation, 5}, syscmd::SynchronizeVersion);
    EXPECT_EQ(prompt.ids(), (std::vector<int>{8300}));
    EXPECT_FALSE(app->versionSync().link->isOpen());

    // While the monitor holds the link the command is refused.
    prompt.clearLog();
    ASSERT_NE(app->onlineShell(), nullptr);
    ASSERT_TRUE(app->onlineShell()->owner().Acquire(online::LinkUser::Monitor));
    app->systemCommandTable().run(syscmd::SynchronizeVersion);
    EXPECT_EQ(prompt.ids(), (std::vector<int>{9290}));
    app->onlineShell()->owner().Release(online::LinkUser::Monitor);

    // Cancel in the busy box while the unit does not answer: nothing is shown or changed.
    prompt.clearLog();
    server.setStandingFault(qvsim::Fault::None);
    app->versionSync().link->setSettings(online::SerialLinkSettings::fromProfile(1, ""));
    server.holdReplies();
    ModalScript cancel;
    cancel.then("syncBusy", [](QWidget* busy) {
        auto* button = busy->findChild<QPushButton*>();
        ASSERT_NE(button, nullptr);
        button->click();
    });
    runFromContextMenu({kStation, 5}, syscmd::SynchronizeVersion);
    EXPECT_TRUE(cancel.done());
    EXPECT_TRUE(prompt.ids().empty());
    EXPECT_EQ(t.cardVersion[kStation][4], 0);
    EXPECT_FALSE(app->versionSync().link->isOpen());
    server.releaseReplies();
    server.stop();
}

}  // namespace
}  // namespace kravin::shell

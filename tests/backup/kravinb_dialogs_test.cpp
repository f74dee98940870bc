// The two exports of KRAVinB with their dialogs, offscreen.
#include "KRAVinB.h"
#include "backup_job.h"
#include "dialogs.h"
#include "drive_kind.h"
#include "modal_script.h"
#include "qt_app.h"
#include "temp_dir.h"
#include "unit_image.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <type_traits>

namespace {

namespace fs = std::filesystem;
using kravin::test::ModalScript;
using kravin::test::TempDir;

void click(QWidget* dialog, const char* button)
{
    auto* b = dialog->findChild<QPushButton*>(QString::fromLatin1(button));
    ASSERT_NE(b, nullptr) << button;
    b->click();
}

void answer(QWidget* box, QMessageBox::StandardButton button)
{
    qobject_cast<QMessageBox*>(box)->button(button)->click();
}

class KravinbDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        kravin::test::qtApp();
        QStandardPaths::setTestModeEnabled(true);
        fs::create_directories(work / "STN05");
        kravin::test::writeBytes((work / "STN05/CARD3.KRAB").string(), kravin::test::unitDataImage(1));
        kravin::test::writeBytes((work / "STN05/STNINF.KRAB").string(), kravin::test::unitDataImage(2));
    }
    int backup(int card)
    {
        return KRAVinB_CD_Backup("Plant", 0, 5, card, "QV200   ", "1.00", "UNIT1234", nullptr, work.c_str());
    }
    // Backs up card 3 through its dialog into the backups folder under name; 1 when written.
    int backupTo(const char* name)
    {
        ModalScript script;
        script.then("cardBackupDialog", [&](QWidget* d) {
            d->findChild<QLineEdit*>(QStringLiteral("backupPath"))->setText(QString::fromStdString((backups / name).string()));
            click(d, "startButton");
        });
        script.then("backupDone", [](QWidget* d) { click(d, "endButton"); });
        const int result = backup(3);
        EXPECT_TRUE(script.done()) << script.pending();
        return result;
    }
    int restore(int station, int card, char* model, char* version, char* text)
    {
        return KRAVinB_CD_Restore("Plant", 0, station, card, model, version, text, nullptr, work.c_str(),
                                  (dir.path() / "keep/").c_str());
    }
    // Points the restore dialog at the backups folder and selects row.
    static void pick(QWidget* d, const fs::path& folder, int row)
    {
        auto* source = d->findChild<QLineEdit*>(QStringLiteral("sourceFolder"));
        source->setText(QString::fromStdString(folder.string()));
        source->setModified(true);
        QTest::keyClick(source, Qt::Key_Return);
        auto* list = d->findChild<QTreeWidget*>(QStringLiteral("backupList"));
        if (row >= 0 && row < list->topLevelItemCount()) list->setCurrentItem(list->topLevelItem(row));
    }

    TempDir dir;
    fs::path work = dir.path() / "work";
    fs::path backups = dir.path() / "backups";
};

TEST_F(KravinbDialogs, BackupNamesTheFileAndAsksBeforeReplacingOne)
{
    struct Case {
        const char* typed;   // relative to the backups folder
        const char* written;
    };
    const Case cases[] = {{"", "S05C3.BKC"}, {"plant.txt", "plant.BKC"}};
    for (const Case& c : cases) {
        ModalScript script;
        script.then("cardBackupDialog", [&](QWidget* d) {
            // Card 3 has no analog connection file (7102).
            EXPECT_EQ(d->findChild<QLabel*>(QStringLiteral("analogNote"))->text(),
                      QStringLiteral("QV200    Ver 1.00 does not contain Analog wiring information."));
            d->findChild<QLineEdit*>(QStringLiteral("backupPath"))
                ->setText(QString::fromStdString((backups / c.typed).string()) + (c.typed[0] ? "" : "/"));
            click(d, "startButton");
        });
        if (!c.typed[0]) script.then("kravinbMessage", [](QWidget* box) { answer(box, QMessageBox::Ok); });  // 7103
        script.then("backupDone", [](QWidget* d) { click(d, "endButton"); });
        EXPECT_EQ(backup(3), 1) << c.written;
        EXPECT_TRUE(script.done()) << script.pending();
        EXPECT_TRUE(fs::exists(backups / c.written)) << c.written;
    }

    // The file exists: Cancel on 7104 leaves it and the dialog open.
    const auto before = kravin::test::readBytes((backups / "plant.BKC").string());
    ModalScript again;
    again.then("cardBackupDialog", [&](QWidget* d) {
        d->findChild<QLineEdit*>(QStringLiteral("backupPath"))->setText(QString::fromStdString((backups / "plant.BKC").string()));
        click(d, "startButton");
        click(d, "cancelButton");
    });
    again.then("kravinbMessage", [](QWidget* box) { answer(box, QMessageBox::Cancel); });  // 7104
    EXPECT_EQ(backup(3), 0);
    EXPECT_TRUE(again.done()) << again.pending();
    EXPECT_EQ(kravin::test::readBytes((backups / "plant.BKC").string()), before);
}

TEST_F(KravinbDialogs, RestoreListsTheTargetKindAndHandsBackTheUnit)
{
    // One script per backup: the next one's dialog step must not catch the closing dialog
    // of the one before.
    for (int card : {3, -1}) {
        ModalScript script;
        script.then("cardBackupDialog", [&, card](QWidget* d) {
            d->findChild<QLineEdit*>(QStringLiteral("backupPath"))
                ->setText(QString::fromStdString((backups / (card < 0 ? "station.BKC" : "card.BKC")).string()));
            click(d, "startButton");
        });
        script.then("backupDone", [](QWidget* d) { click(d, "endButton"); });
        ASSERT_EQ(backup(card), 1);
        ASSERT_TRUE(script.done()) << script.pending();
    }

    char model[9] = "unset", version[5] = "xx", text[6] = "yy";
    // Cancel: 0 and the buffers as they were; the card target lists the card backup only.
    ModalScript cancel;
    cancel.then("cardRestoreDialog", [&](QWidget* d) {
        pick(d, backups, 0);
        auto* list = d->findChild<QTreeWidget*>(QStringLiteral("backupList"));
        ASSERT_EQ(list->topLevelItemCount(), 1);
        EXPECT_EQ(list->topLevelItem(0)->text(6), QStringLiteral("card.BKC"));
        EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("03"));
        click(d, "cancelButton");
    });
    EXPECT_EQ(restore(7, 9, model, version, text), 0);
    EXPECT_STREQ(model, "unset");
    EXPECT_STREQ(text, "yy");

    // A station target lists the station backup; the unit text comes back cut to 5.
    ModalScript ok;
    ok.then("cardRestoreDialog", [&](QWidget* d) {
        pick(d, backups, 0);
        auto* list = d->findChild<QTreeWidget*>(QStringLiteral("backupList"));
        ASSERT_EQ(list->topLevelItemCount(), 1);
        EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("Y-Bus"));
        click(d, "startButton");
    });
    ok.then("backupDone", [](QWidget* d) { click(d, "endButton"); });
    EXPECT_EQ(restore(7, -1, model, version, text), 1);
    EXPECT_TRUE(ok.done()) << ok.pending();
    EXPECT_STREQ(model, "QV200   ");
    EXPECT_STREQ(version, "1.00");
    EXPECT_STREQ(text, "UNIT1");
    EXPECT_EQ(kravin::test::readBytes((work / "STN07/STNINF.KRAB").string()),
              kravin::test::readBytes((work / "STN05/STNINF.KRAB").string()));
}

// The restore as a caller built to the library's interface sees it: ten parameters.
using InterfaceRestore = int (*)(const char*, int, int, int, char*, char*, char*, void*, const char*, const char*);

// Leaves values where a call with two more stack arguments puts them, then calls
// restore as such a caller does: a restore that read more than ten would find them.
int twelve(const char*, int, int, int, char*, char*, char*, void*, const char*, const char*, void*, void*) { return 0; }
int (*volatile g_twelve)(const char*, int, int, int, char*, char*, char*, void*, const char*, const char*, void*,
                         void*) = &twelve;
__attribute__((noinline)) int callAsInterface(InterfaceRestore restore, int station, int card, char* model,
                                              char* version, char* text, const char* work, const char* keep)
{
    g_twelve("", 0, 0, 0, model, version, text, nullptr, work, keep, reinterpret_cast<void*>(0x10),
             reinterpret_cast<void*>(0x20));
    return restore("Plant", 0, station, card, model, version, text, nullptr, work, keep);
}

// A caller built to the library's interface binds the restore by name with its ten
// parameters, and passes nothing more.
TEST_F(KravinbDialogs, RestoreTakesExactlyTheTenParametersOfItsInterface)
{
    static_assert(std::is_same_v<decltype(&KRAVinB_CD_Restore), InterfaceRestore>);
    const auto restoreByName = reinterpret_cast<InterfaceRestore>(::dlsym(RTLD_DEFAULT, "KRAVinB_CD_Restore"));
    ASSERT_NE(restoreByName, nullptr) << ::dlerror();

    ASSERT_EQ(backupTo("card.BKC"), 1);

    ModalScript script;
    script.then("cardRestoreDialog", [&](QWidget* d) {
        pick(d, backups, 0);
        click(d, "startButton");
    });
    script.then("backupDone", [](QWidget* d) { click(d, "endButton"); });
    char model[9] = {}, version[5] = {}, text[6] = {};
    EXPECT_EQ(callAsInterface(restoreByName, 7, 9, model, version, text, work.c_str(), (dir.path() / "keep/").c_str()),
              1);
    EXPECT_TRUE(script.done()) << script.pending();
    EXPECT_STREQ(model, "QV200   ");
    EXPECT_STREQ(version, "1.00");
    EXPECT_EQ(kravin::test::readBytes((work / "STN07/CARD9.KRAB").string()),
              kravin::test::readBytes((work / "STN05/CARD3.KRAB").string()));
}

// Stands in for the drive kind lookup; remembers the folder it was asked about.
fs::path g_askedDrive;
template <kravinb::DriveKind kind>
kravinb::DriveKind driveOf(const fs::path& path)
{
    g_askedDrive = path;
    return kind;
}

// A backup whose file cannot be created (its folder is a file) offers to change the
// disk only on a removable drive; on any other it tells the user to check the disk.
TEST_F(KravinbDialogs, BackupThatCannotCreateItsFileAsksForAnotherDiskOnlyOnARemovableDrive)
{
    using kravinb::DriveKind;
    const fs::path blocked = dir.path() / "blocked";
    kravin::test::writeBytes(blocked.string(), {1});
    const QString fixed = QStringLiteral("Cannot create [QV200    Ver 1.00] backup file. Check the Disk and try to backup again.");
    const QString removable =
        QStringLiteral("Cannot create [QV200    Ver 1.00] backup file. Change the Disk and try again or Cancel the process.");
    struct Case {
        const char* what;
        kravinb::DriveKindLookup lookup;
        std::vector<std::pair<QString, QMessageBox::StandardButton>> boxes;
    };
    const Case cases[] = {
        {"fixed disk", &driveOf<DriveKind::Fixed>, {{fixed, QMessageBox::Ok}}},
        {"removable disk: Retry, then Cancel",
         &driveOf<DriveKind::Removable>,
         {{removable, QMessageBox::Retry}, {removable, QMessageBox::Cancel}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const kravinb::DriveKindLookup before = kravinb::SetDriveKindLookup(c.lookup);
        kravinb::BackupArgs args;
        args.project = "Plant";
        args.cardName = "QV200   ";
        args.version = "1.00";
        args.station = 5;
        args.card = 3;
        args.workFolder = work;
        kravinb::CardBackupDialog dialog(nullptr, std::move(args));
        QStringList shown;
        bool stayedOpen = false;
        ModalScript script;
        script.then("cardBackupDialog", [&](QWidget* d) {
            d->findChild<QLineEdit*>(QStringLiteral("backupPath"))->setText(QString::fromStdString((blocked / "S05C3.BKC").string()));
            click(d, "startButton");
            stayedOpen = d->isVisible();
            click(d, "cancelButton");
        });
        for (const auto& [text, button] : c.boxes) {
            script.then("kravinbMessage", [&shown, button = button](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                shown << box->text();
                if (QAbstractButton* b = box->button(button)) return b->click();
                ADD_FAILURE() << "no such button on " << box->text().toStdString();
                box->reject();
            });
        }
        EXPECT_EQ(dialog.exec(), QDialog::Rejected);
        kravinb::SetDriveKindLookup(before);
        EXPECT_TRUE(script.done()) << script.pending();
        QStringList expected;
        for (const auto& box : c.boxes) expected << box.first;
        EXPECT_EQ(shown.join(QLatin1Char('\n')).toStdString(), expected.join(QLatin1Char('\n')).toStdString());
        EXPECT_EQ(g_askedDrive, blocked);
        EXPECT_TRUE(stayedOpen);
    }
}

TEST_F(KravinbDialogs, DeleteAsksThenRemovesTheFileAndItsRow)
{
    ASSERT_EQ(backupTo("card.BKC"), 1);

    ModalScript del;
    QTreeWidget* list = nullptr;
    del.then("cardRestoreDialog", [&](QWidget* d) {
        pick(d, backups, 0);
        list = d->findChild<QTreeWidget*>(QStringLiteral("backupList"));
        Q_EMIT list->customContextMenuRequested(QPoint(5, 5));
    });
    del.then(ModalScript::kPopup, [](QWidget* w) {
        auto* menu = qobject_cast<QMenu*>(w);
        QAction* a = menu->findChild<QAction*>(QStringLiteral("deleteBackup"));
        ASSERT_NE(a, nullptr);
        EXPECT_TRUE(a->text().startsWith(QStringLiteral("Delete \"Plant QV200"))) << a->text().toStdString();
        EXPECT_TRUE(a->text().endsWith(QStringLiteral(" Ver 1.00\" backup File"))) << a->text().toStdString();
        a->trigger();
        menu->close();
    });
    del.then("deleteBackupDialog", [](QWidget* d) { click(d, "okButton"); });
    del.then("cardRestoreDialog", [&](QWidget* d) {
        EXPECT_EQ(list->topLevelItemCount(), 0);
        click(d, "cancelButton");
    });
    char model[9] = {}, version[5] = {}, text[6] = {};
    EXPECT_EQ(restore(5, 3, model, version, text), 0);
    EXPECT_TRUE(del.done()) << del.pending();
    EXPECT_FALSE(fs::exists(backups / "card.BKC"));
}

TEST_F(KravinbDialogs, FolderChoiceRefreshesOnAChangedPathAndConfirmsOnAnUnchangedOne)
{
    ASSERT_EQ(backupTo("card.BKC"), 1);

    bool stayedOpen = false;
    ModalScript script;
    script.then("cardRestoreDialog", [&](QWidget* d) {
        d->findChild<QLineEdit*>(QStringLiteral("sourceFolder"))->setText(QString::fromStdString(dir.str()));
        click(d, "browseButton");
    });
    script.then("selectDirDialog", [&](QWidget* d) {
        auto* edit = d->findChild<QLineEdit*>(QStringLiteral("dirPath"));
        EXPECT_EQ(edit->text().toStdString(), dir.str());
        edit->setText(QString::fromStdString(backups.string() + "/"));
        edit->setModified(true);
        QTest::keyClick(edit, Qt::Key_Return);  // changed: refresh, the dialog stays
        stayedOpen = d->isVisible();
        EXPECT_EQ(edit->text().toStdString(), backups.string()) << "a trailing separator gives the same folder";
        QTest::keyClick(edit, Qt::Key_Return);  // unchanged: OK
    });
    script.then("cardRestoreDialog", [&](QWidget* d) {
        EXPECT_EQ(d->findChild<QLineEdit*>(QStringLiteral("sourceFolder"))->text().toStdString(), backups.string());
        EXPECT_EQ(d->findChild<QTreeWidget*>(QStringLiteral("backupList"))->topLevelItemCount(), 1);
        click(d, "cancelButton");
    });
    char model[9] = {}, version[5] = {}, text[6] = {};
    EXPECT_EQ(restore(5, 3, model, version, text), 0);
    EXPECT_TRUE(script.done()) << script.pending();
    EXPECT_TRUE(stayedOpen);
}

}  // namespace

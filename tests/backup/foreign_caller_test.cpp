// A program that is not a Qt program calls both exports of KRAVinB and gets their dialogs.
#include "temp_dir.h"
#include "unit_image.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

TEST(ForeignCaller, BacksUpAndRestoresThroughTheLibrarysOwnDialogs)
{
    kravin::test::TempDir dir;
    const fs::path work = dir.path() / "work";
    fs::create_directories(work / "STN05");
    fs::create_directories(dir.path() / "backups");
    fs::create_directories(dir.path() / "config");
    kravin::test::writeBytes((work / "STN05/CARD3.KRAB").string(), kravin::test::unitDataImage(1));

    QProcess caller;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((dir.path() / "config").string()));
    caller.setProcessEnvironment(env);
    caller.start(QStringLiteral(KRAVIN_FOREIGN_CALLER),
                 {QStringLiteral(KRAVIN_KRAVINB), QString::fromStdString(work.string()),
                  QString::fromStdString((dir.path() / "backups/card.BKC").string()),
                  QString::fromStdString((dir.path() / "keep/").string())});
    if (!caller.waitForFinished(20000)) {
        caller.kill();
        caller.waitForFinished();
        FAIL() << "no end: " << caller.readAllStandardError().toStdString();
    }
    EXPECT_EQ(caller.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(caller.exitCode(), 0) << caller.readAllStandardError().toStdString();
    EXPECT_EQ(caller.readAllStandardOutput().toStdString(),
              "backup 1 restore 1 model [QV200   ] version [1.00] text [UNIT1] "
              "dialogs [cardBackupDialog backupDone cardRestoreDialog backupDone]\n");
    EXPECT_TRUE(fs::exists(dir.path() / "backups/card.BKC"));
    EXPECT_EQ(kravin::test::readBytes((work / "STN07/CARD9.KRAB").string()),
              kravin::test::readBytes((work / "STN05/CARD3.KRAB").string()));
}

}  // namespace

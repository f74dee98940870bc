// The driver of dialog_driver.h: a start-up routine of every application object polls
// for the modal dialog and answers it.
#include "dialog_driver.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <string>

namespace {

std::string g_file;
std::string g_seen;

void click(QWidget* dialog, const char* name)
{
    if (auto* b = dialog->findChild<QPushButton*>(QString::fromLatin1(name))) b->click();
}

void answer(QWidget* dialog)
{
    const QString name = dialog->objectName();
    g_seen += (g_seen.empty() ? "" : " ") + name.toStdString();
    const QString file = QString::fromStdString(g_file);
    if (name == QLatin1String("cardBackupDialog")) {
        dialog->findChild<QLineEdit*>(QStringLiteral("backupPath"))->setText(file);
        click(dialog, "startButton");
    } else if (name == QLatin1String("cardRestoreDialog")) {
        auto* source = dialog->findChild<QLineEdit*>(QStringLiteral("sourceFolder"));
        source->setText(QFileInfo(file).absolutePath());
        source->setModified(true);
        QTest::keyClick(source, Qt::Key_Return);
        auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("backupList"));
        if (list->topLevelItemCount() > 0) list->setCurrentItem(list->topLevelItem(0));
        click(dialog, "startButton");
    } else if (name == QLatin1String("backupDone")) {
        click(dialog, "endButton");
    } else if (auto* d = qobject_cast<QDialog*>(dialog)) {
        d->reject();
    }
}

void startDriving()
{
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w->property("driven").toBool()) return;
        w->setProperty("driven", true);
        // Out of the timer's own call: an answer may run the next dialog's loop.
        QTimer::singleShot(0, w, [w] { answer(w); });
    });
    timer->start();
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(startDriving)

extern "C" void dialog_driver_use(const char* backupFile) { g_file = backupFile; }

extern "C" const char* dialog_driver_seen(void) { return g_seen.c_str(); }

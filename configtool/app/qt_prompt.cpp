#include "qt_prompt.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace qvcfg {

QString QtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        out << parts[i] + QStringLiteral(" (") + QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')) +
                   QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

void QtPrompt::ShowError(const QString& text)
{
    QMessageBox::critical(parent_, QStringLiteral("QVCFG"), text);
}

void QtPrompt::ShowInfo(const QString& text)
{
    QMessageBox::information(parent_, QStringLiteral("QVCFG"), text);
}

bool QtPrompt::AskYesNo(const QString& text)
{
    return QMessageBox::question(parent_, QStringLiteral("QVCFG"), text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

QString QtPrompt::OpenFileName(const QString& filter, const QString& initial)
{
    return QFileDialog::getOpenFileName(parent_, QString(), initial, filter);
}

QString QtPrompt::SaveFileName(const QString& filter, const QString& initial)
{
    // The overwrite question is the caller's.
    return QFileDialog::getSaveFileName(parent_, QString(), initial, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

}  // namespace qvcfg

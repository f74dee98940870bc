#include "qt_prompt.h"

#include "new_project_dialog.h"
#include "shared_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>

namespace kravin::shell {

namespace {

QMessageBox::Icon boxIcon(model::Icon icon)
{
    switch (icon) {
    case model::Icon::Information: return QMessageBox::Information;
    case model::Icon::Question: return QMessageBox::Question;
    case model::Icon::Warning: return QMessageBox::Warning;
    case model::Icon::Error: return QMessageBox::Critical;
    case model::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QWidget* QtPrompt::owner() const
{
    // The window that asked: an open modal dialog, else the active window (a modeless
    // dialog such as the registry monitor), else the main frame. Closing the box gives
    // the front back to it.
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* active = QApplication::activeWindow(); active && active->isVisible()) return active;
    return parent_;
}

model::Answer QtPrompt::message(int id, const model::MessageArgs& args, model::Buttons buttons, model::Icon icon)
{
    // On the heap: the window that asked may go while the box is open, and its children with it.
    QPointer<QMessageBox> box = new QMessageBox(boxIcon(icon), res::qmessage(57344, language_),
                                                res::qmessage(id, language_, args), QMessageBox::NoButton, owner());
    switch (buttons) {
    case model::Buttons::Ok: box->setStandardButtons(QMessageBox::Ok); break;
    case model::Buttons::OkCancel: box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case model::Buttons::YesNo: box->setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case model::Buttons::YesNoCancel:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    // A box is never narrower than its title.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(new QSpacerItem(editors::titleBarWidth(box->windowTitle()), 0, QSizePolicy::Minimum,
                                      QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    const int pressed = box->exec();
    delete box.data();
    switch (pressed) {
    case QMessageBox::Ok: return model::Answer::Ok;
    case QMessageBox::Yes: return model::Answer::Yes;
    case QMessageBox::No: return model::Answer::No;
    default: return buttons == model::Buttons::Ok ? model::Answer::Ok : model::Answer::Cancel;
    }
}

void QtPrompt::text(const std::string& utf8, model::Icon icon)
{
    QPointer<QMessageBox> box = new QMessageBox(boxIcon(icon), res::qmessage(57344, language_),
                                                QString::fromStdString(utf8), QMessageBox::Ok, owner());
    box->exec();
    delete box.data();
}

QString QtPrompt::nameFilters(const std::string& filter)
{
    // Pairs of description and pattern separated by '|', ended by "||".
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        QString description = parts[i];
        const QString pattern = parts[i + 1];
        if (!description.contains(QLatin1Char('('))) description += QStringLiteral(" (%1)").arg(pattern);
        filters << description;
    }
    return filters.join(QStringLiteral(";;"));
}

std::optional<std::string> QtPrompt::chooseFile(const model::FileChoice& choice)
{
    QFileDialog dialog(parent_);
    dialog.setNameFilter(nameFilters(choice.filter));
    dialog.setDefaultSuffix(QString::fromStdString(choice.defaultExtension));
    if (choice.mode == model::FileMode::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        // A new project's location may not exist yet.
        dialog.setFileMode(choice.overwritePrompt ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    }
    if (!choice.overwritePrompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!choice.defaultName.empty()) dialog.selectFile(QString::fromStdString(choice.defaultName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString path = dialog.selectedFiles().first();
    if (choice.overwritePrompt && choice.mode == model::FileMode::Open && QFileInfo::exists(path)) {
        const auto answer = QMessageBox::question(parent_, res::qmessage(57344, language_),
                                                  QFileDialog::tr("%1 already exists.\nDo you want to replace it?")
                                                      .arg(QFileInfo(path).fileName()));
        if (answer != QMessageBox::Yes) return std::nullopt;
    }
    return path.toStdString();
}

bool QtPrompt::projectDialog(model::ProjectDialogData& data)
{
    NewProjectDialog dialog(data, *this, language_, parent_);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace kravin::shell

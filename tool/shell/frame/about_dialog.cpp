#include "main_frame.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace kravin::shell {

void MainFrame::showAbout()
{
    QDialog box(this);
    box.setWindowTitle(QStringLiteral("KRAVin3 Version Information"));
    auto* layout = new QVBoxLayout(&box);
    auto* label = new QLabel(QStringLiteral("%1 Version %2\n\n%3")
                                 .arg(QCoreApplication::applicationName(), QCoreApplication::applicationVersion(),
                                      QStringLiteral("Copyright (C) KRAVin developers")),
                             &box);
    label->setObjectName(QStringLiteral("versionText"));
    layout->addWidget(label);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    layout->addWidget(buttons);
    box.exec();
}

}  // namespace kravin::shell

#include "port_dialog.h"

#include "qv_com.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace qvcfg {

CComDlg::CComDlg(QVCom* com, const QSettings& settings, QWidget* parent) : QDialog(parent), com_(com)
{
    setWindowTitle(QStringLiteral("Port setting"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("COM port number"), this);
    auto* groupLayout = new QVBoxLayout(group);
    list_ = new QComboBox(group);
    list_->setObjectName(QStringLiteral("ports"));
    list_->setMinimumContentsLength(40);
    groupLayout->addWidget(list_);
    layout->addWidget(group);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CComDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CComDlg::reject);
    layout->addWidget(buttons);
    FillPortList(settings);
}

void CComDlg::FillPortList(const QSettings& settings)
{
    ports_ = ListSerialPorts(settings);
    list_->clear();
    for (const PortEntry& p : ports_) list_->addItem(PortLabel(p), p.path);
    // The current port is selected when it is listed; otherwise nothing is.
    list_->setCurrentIndex(list_->findData(QString::fromStdString(com_->Port())));
}

void CComDlg::accept()
{
    // With nothing selected the previous port stays.
    if (list_->currentIndex() >= 0) com_->SetPort(list_->currentData().toString().toStdString());
    QDialog::accept();
}

}  // namespace qvcfg

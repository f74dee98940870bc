#include "connect_device_dialog.h"

#include "dialog_parts.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kravin::online {

namespace {
QString tx(res::Language l, const char* en, const char* ja)
{
    return QString::fromUtf8(l == res::Language::Japanese ? ja : en);
}
}  // namespace

ConnectDeviceDialog::ConnectDeviceDialog(const model::UserSettings& settings, const std::vector<int>& rows,
                                         res::Language l, QWidget* parent)
    : QDialog(parent), combo_(new QComboBox(this)), ok_(new QPushButton(tx(l, "OK", "OK"), this))
{
    setObjectName(QStringLiteral("IDD_273"));
    setWindowTitle(tx(l, "Select Connection Device", "接続機器の選択"));
    combo_->setObjectName(QStringLiteral("1275"));
    for (int r = 0; r < model::kPortRows; ++r) {
        const model::PortAllocationRow& row = settings.PortAllocation[static_cast<std::size_t>(r)];
        if (row.port.empty()) continue;
        if (!rows.empty() && std::find(rows.begin(), rows.end(), r) == rows.end()) continue;
        combo_->addItem(QStringLiteral("%1  (%2)").arg(QString::fromStdString(row.device), QString::fromStdString(row.port)),
                        r);
    }
    combo_->setCurrentIndex(combo_->count() > 0 ? 0 : -1);
    combo_->setEnabled(combo_->count() > 0);
    ok_->setEnabled(combo_->count() > 0);
    ok_->setObjectName(QStringLiteral("IDOK"));
    ok_->setDefault(true);
    auto* cancel = new QPushButton(tx(l, "Cancel", "キャンセル"), this);
    cancel->setObjectName(QStringLiteral("IDCANCEL"));
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tx(l, "Connected device", "接続機器"), this));
    layout->addWidget(combo_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    // Wide enough for the title bar to show the title whole.
    setMinimumWidth(editors::titleBarWidth(windowTitle()));
}

void ConnectDeviceDialog::accept()
{
    if (combo_->currentIndex() < 0) return;
    row_ = combo_->currentData().toInt();
    QDialog::accept();
}

}  // namespace kravin::online

#include "download_dialog.h"

#include "serial_link.h"
#include "transfer_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kravin::online {

DownloadDialog::DownloadDialog(TransferDialogSetup setup, TransferUnit unit, BusApi bus, QWidget* parent)
    : TransferDialogFrame(std::move(setup), Style::ClosesWhenFinished, parent), unit_(std::move(unit)), bus_(bus)
{
    const res::Language l = language();
    setObjectName(QStringLiteral("IDD_147"));
    setWindowTitle(TransferText(l, "Download", "ダウンロード"));
    hasBank2_ = !unit_.cards.empty() && HasBank2(unit_.cards.front().model);
    addUnitHead();

    clear_ = addClearBox();
    connect(clear_, &QCheckBox::toggled, this, &DownloadDialog::updateEdits);

    auto* range = new QGridLayout;
    const char* ids[4] = {"1010", "1011", "1012", "1013"};
    const int initial[4] = {0, 99, 0, 99};
    for (int i = 0; i < 4; ++i) {
        auto* box = new QSpinBox(this);
        box->setObjectName(QString::fromLatin1(ids[i]));
        box->setRange(0, 999);  // a bound above 99 is refused at the start
        box->setValue(initial[i]);
        bounds_[static_cast<std::size_t>(i)] = box;
    }
    auto* target = TransferLabel(this, "1103", TransferText(l, "Target Group", "対象グループ"));
    auto* bank0 = TransferLabel(this, "1104", TransferText(l, "Bank 0", "バンク0"));
    auto* bank2 = TransferLabel(this, "1106", TransferText(l, "Bank 2", "バンク2"));
    auto* dash0 = TransferLabel(this, "1105", QStringLiteral("-"));
    auto* dash2 = TransferLabel(this, "1107", QStringLiteral("-"));
    range->addWidget(target, 0, 0);
    range->addWidget(bank0, 1, 0);
    range->addWidget(bounds_[0], 1, 1);
    range->addWidget(dash0, 1, 2);
    range->addWidget(bounds_[1], 1, 3);
    range->addWidget(bank2, 2, 0);
    range->addWidget(bounds_[2], 2, 1);
    range->addWidget(dash2, 2, 2);
    range->addWidget(bounds_[3], 2, 3);
    frameLayout()->addLayout(range);
    if (unit_.v8rtuStation)
        for (QWidget* w : std::initializer_list<QWidget*>{target, bank0, bank2, dash0, dash2, bounds_[0], bounds_[1],
                                                        bounds_[2], bounds_[3]})
            w->hide();

    addProgress({{"1002", "Processing Card", "処理カード"},
                 {"1000", "Processing Group", "処理グループ"},
                 {"1001", "Sent data", "送信データ"},
                 {"1009", "Received data", "受信データ"}});
    addDeviceRow("1108");
    if (this->setup().devices.rows.empty()) clear_->setEnabled(false);
    addButtons({"1018", 9600, 9601});
    updateEdits();
}

void DownloadDialog::updateEdits()
{
    const bool free = !clear_->isChecked() && !running();
    bounds_[0]->setEnabled(free);
    bounds_[1]->setEnabled(free);
    bounds_[2]->setEnabled(free && hasBank2_);
    bounds_[3]->setEnabled(free && hasBank2_);
}

std::unique_ptr<TransferRun> DownloadDialog::makeRun()
{
    DownloadSetup s;
    s.clearEeprom = clear_->isChecked();
    s.bank0First = bounds_[0]->value();
    s.bank0Last = bounds_[1]->value();
    s.bank2First = bounds_[2]->value();
    s.bank2Last = bounds_[3]->value();
    if (!s.clearEeprom && !ValidDownloadBounds(s)) return nullptr;
    const int first = s.clearEeprom ? 0 : s.bank0First;
    const int last = s.clearEeprom ? 99 : s.bank0Last;
    const TransferDialogSetup& d = setup();
    if (d.referenceCheck && !d.referenceCheck(first, last)) return nullptr;
    const DeviceChoice* device = chosenDevice();
    if (!device || !d.link || !d.questions) return refuse(8301);
    s.portName = device->port;
    s.baudIndex = device->baudIndex;
    s.programmingUnitId = d.programmingUnitId;
    s.cardTypes = d.cardTypes;
    return std::make_unique<DownloadRun>(*d.link, unit_, s, *d.questions, d.timing);
}

void DownloadDialog::started()
{
    clear_->setEnabled(false);
    updateEdits();
}

void DownloadDialog::showProgress(const TransferProgress& p)
{
    if (p.group >= 0) label("1000")->setText(QString::asprintf("%02d", p.group));
    label("1001")->setText(QString::fromStdString(p.sent));
    label("1009")->setText(QString::fromStdString(p.received));
    label("1002")->setText(p.card >= 0 ? QString::asprintf("%X", p.card) : QString());
}

void DownloadDialog::ended(TransferRun*)
{
    clear_->setEnabled(!setup().devices.rows.empty());
    updateEdits();
}

void DownloadDialog::leaving()
{
    // A unit on the bus leaves download mode too, whatever the serial run did.
    leaveBus(bus_, true);
}

}  // namespace kravin::online

#include "download_dialog.h"

#include "serial_link.h"
#include "transfer_texts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kravin::online {

DownloadDialog::DownloadDialog(TransferDialogSetup setup, TransferUnit unit, QWidget* parent)
    : RunDialog(parent), setup_(std::move(setup)), unit_(std::move(unit))
{
    const res::Language l = setup_.language;
    setObjectName(QStringLiteral("IDD_147"));
    setWindowTitle(TransferText(l, "Download", "ダウンロード"));
    hasBank2_ = !unit_.cards.empty() && HasBank2(unit_.cards.front().model);
    worker_ = new TransferWorker(this);
    connect(worker_, &TransferWorker::progress, this, &DownloadDialog::showProgress);
    connect(worker_, &TransferWorker::finished, this, &DownloadDialog::ended);

    auto* layout = new QVBoxLayout(this);
    auto* head = new QGridLayout;
    head->addWidget(TransferLabel(this, "1064", QString::fromStdString(StationLabel(setup_.station))), 0, 0);
    head->addWidget(TransferLabel(this, "1065", QString::fromStdString(CardLabel(setup_.libraryCard))), 0, 1);
    head->addWidget(TransferLabel(this, "1067", QString::fromStdString(setup_.kind)), 1, 0);
    head->addWidget(TransferLabel(this, "1068", QString::fromStdString(setup_.version)), 1, 1);
    layout->addLayout(head);

    clear_ = new QCheckBox(TransferText(l, "Clear EEPROM and Download", "EEPROMクリア後ダウンロード"), this);
    clear_->setObjectName(QStringLiteral("1066"));
    clear_->setChecked(true);
    connect(clear_, &QCheckBox::toggled, this, &DownloadDialog::updateEdits);
    layout->addWidget(clear_);

    auto* range = new QGridLayout;
    const bool hideGroups = unit_.v8rtuStation;
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
    layout->addLayout(range);
    if (hideGroups)
        for (QWidget* w : std::initializer_list<QWidget*>{target, bank0, bank2, dash0, dash2, bounds_[0], bounds_[1],
                                                        bounds_[2], bounds_[3]})
            w->hide();

    auto* progress = new QGridLayout;
    progress->addWidget(new QLabel(TransferText(l, "Processing Card", "処理カード"), this), 0, 0);
    progress->addWidget(TransferLabel(this, "1002"), 0, 1);
    progress->addWidget(new QLabel(TransferText(l, "Processing Group", "処理グループ"), this), 1, 0);
    progress->addWidget(TransferLabel(this, "1000"), 1, 1);
    progress->addWidget(new QLabel(TransferText(l, "Sent data", "送信データ"), this), 2, 0);
    progress->addWidget(TransferLabel(this, "1001"), 2, 1);
    progress->addWidget(new QLabel(TransferText(l, "Received data", "受信データ"), this), 3, 0);
    progress->addWidget(TransferLabel(this, "1009"), 3, 1);
    layout->addLayout(progress);

    auto* deviceRow = new QHBoxLayout;
    deviceRow->addWidget(TransferLabel(this, "1108", TransferText(l, "Connection Device", "接続機器")));
    combo_ = DeviceCombo(this, setup_.devices);
    deviceRow->addWidget(combo_);
    layout->addLayout(deviceRow);
    if (setup_.devices.rows.empty()) clear_->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    start_ = new QPushButton(res::qmessage(9600, l), this);
    start_->setObjectName(QStringLiteral("1018"));
    cancel_ = new QPushButton(TransferText(l, "Cancel", "キャンセル"), this);
    cancel_->setObjectName(QStringLiteral("IDCANCEL"));
    connect(start_, &QPushButton::clicked, this, &DownloadDialog::startStop);
    connect(cancel_, &QPushButton::clicked, this, &DownloadDialog::reject);
    buttons->addStretch();
    buttons->addWidget(start_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    updateEdits();
}

DownloadDialog::~DownloadDialog()
{
    if (running() && setup_.questions) setup_.questions->abortAll();
}

QLabel* DownloadDialog::label(const char* id) const { return findChild<QLabel*>(QString::fromLatin1(id)); }

void DownloadDialog::updateEdits()
{
    const bool free = !clear_->isChecked() && !running();
    bounds_[0]->setEnabled(free);
    bounds_[1]->setEnabled(free);
    bounds_[2]->setEnabled(free && hasBank2_);
    bounds_[3]->setEnabled(free && hasBank2_);
}

void DownloadDialog::startStop()
{
    if (running()) {
        worker_->stop();
        start_->setEnabled(false);  // comes back when the run has sent write mode off
        return;
    }
    DownloadSetup s;
    s.clearEeprom = clear_->isChecked();
    s.bank0First = bounds_[0]->value();
    s.bank0Last = bounds_[1]->value();
    s.bank2First = bounds_[2]->value();
    s.bank2Last = bounds_[3]->value();
    if (!s.clearEeprom && !ValidDownloadBounds(s)) return;
    const int first = s.clearEeprom ? 0 : s.bank0First;
    const int last = s.clearEeprom ? 99 : s.bank0Last;
    if (setup_.referenceCheck && !setup_.referenceCheck(first, last)) return;
    const DeviceChoice* device = ChosenDevice(combo_, setup_.devices);
    if (!device || !setup_.link || !setup_.questions) {
        if (setup_.prompt) setup_.prompt->message(8301, {}, model::Buttons::Ok, model::Icon::Warning);
        return;
    }
    s.portName = device->port;
    s.baudIndex = device->baudIndex;
    s.programmingUnitId = setup_.programmingUnitId;
    s.cardTypes = setup_.cardTypes;
    for (const char* id : {"1000", "1001", "1002", "1009"}) label(id)->clear();
    outcome_ = TransferOutcome::Running;
    worker_->start(std::make_unique<DownloadRun>(*setup_.link, unit_, s, *setup_.questions, setup_.timing));
    start_->setText(res::qmessage(9601, setup_.language));
    cancel_->setEnabled(false);
    clear_->setEnabled(false);
    combo_->setEnabled(false);
    updateEdits();
}

void DownloadDialog::showProgress(const TransferProgress& p)
{
    if (p.group >= 0) label("1000")->setText(QString::asprintf("%02d", p.group));
    label("1001")->setText(QString::fromStdString(p.sent));
    label("1009")->setText(QString::fromStdString(p.received));
    label("1002")->setText(p.card >= 0 ? QString::asprintf("%X", p.card) : QString());
}

void DownloadDialog::ended()
{
    outcome_ = worker_->run() ? worker_->run()->context().result().outcome() : TransferOutcome::Failed;
    start_->setText(res::qmessage(9600, setup_.language));
    start_->setEnabled(true);
    cancel_->setEnabled(true);
    clear_->setEnabled(!setup_.devices.rows.empty());
    combo_->setEnabled(setup_.devices.enabled && !setup_.devices.rows.empty());
    updateEdits();
    if (outcome_ == TransferOutcome::Failed && setup_.prompt && worker_->run())
        ShowTransferFailure(*setup_.prompt, worker_->run()->context().result());
    Q_EMIT runEnded(outcome_);
    if (outcome_ == TransferOutcome::Finished) accept();
}

}  // namespace kravin::online

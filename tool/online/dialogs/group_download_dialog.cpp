#include "group_download_dialog.h"

#include "serial_link.h"
#include "transfer_texts.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kravin::online {

GroupDownloadDialog::GroupDownloadDialog(TransferDialogSetup setup, TransferCard group, GroupDownloadSetup run,
                                         QWidget* parent)
    : RunDialog(parent), setup_(std::move(setup)), group_(std::move(group)), run_(std::move(run))
{
    const res::Language l = setup_.language;
    setObjectName(QStringLiteral("IDD_162"));
    setWindowTitle(TransferText(l, "Download", "ダウンロード"));
    worker_ = new TransferWorker(this);
    connect(worker_, &TransferWorker::progress, this, &GroupDownloadDialog::showProgress);
    connect(worker_, &TransferWorker::finished, this, &GroupDownloadDialog::ended);

    auto* layout = new QVBoxLayout(this);
    auto* head = new QGridLayout;
    head->addWidget(TransferLabel(this, "1064", QString::fromStdString(StationLabel(setup_.station))), 0, 0);
    head->addWidget(TransferLabel(this, "1065", QString::fromStdString(CardLabel(setup_.libraryCard))), 0, 1);
    head->addWidget(TransferLabel(this, "1067", QString::fromStdString(setup_.kind)), 1, 0);
    head->addWidget(TransferLabel(this, "1068", QString::fromStdString(setup_.version)), 1, 1);
    head->addWidget(TransferLabel(this, "1099", QString::asprintf("GROUP %02d", run_.shownGroup)), 2, 0);
    layout->addLayout(head);
    auto* progress = new QGridLayout;
    progress->addWidget(new QLabel(TransferText(l, "Sent data", "送信データ"), this), 0, 0);
    progress->addWidget(TransferLabel(this, "1000"), 0, 1);
    progress->addWidget(new QLabel(TransferText(l, "Received data", "受信データ"), this), 1, 0);
    progress->addWidget(TransferLabel(this, "1001"), 1, 1);
    layout->addLayout(progress);
    auto* deviceRow = new QHBoxLayout;
    deviceRow->addWidget(TransferLabel(this, "1108", TransferText(l, "Connection Device", "接続機器")));
    combo_ = DeviceCombo(this, setup_.devices);
    deviceRow->addWidget(combo_);
    layout->addLayout(deviceRow);
    auto* buttons = new QHBoxLayout;
    start_ = new QPushButton(res::qmessage(8600, l), this);
    start_->setObjectName(QStringLiteral("1066"));
    cancel_ = new QPushButton(TransferText(l, "Cancel", "キャンセル"), this);
    cancel_->setObjectName(QStringLiteral("IDCANCEL"));
    connect(start_, &QPushButton::clicked, this, &GroupDownloadDialog::startStop);
    connect(cancel_, &QPushButton::clicked, this, &GroupDownloadDialog::reject);
    buttons->addStretch();
    buttons->addWidget(start_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
}

GroupDownloadDialog::~GroupDownloadDialog()
{
    if (running() && setup_.questions) setup_.questions->abortAll();
}

QLabel* GroupDownloadDialog::label(const char* id) const { return findChild<QLabel*>(QString::fromLatin1(id)); }

void GroupDownloadDialog::startStop()
{
    if (running()) {
        worker_->stop();
        start_->setEnabled(false);
        return;
    }
    if (setup_.referenceCheck && !setup_.referenceCheck(run_.shownGroup, run_.shownGroup)) return;
    const DeviceChoice* device = ChosenDevice(combo_, setup_.devices);
    if (!device || !setup_.link || !setup_.questions) {
        if (setup_.prompt) setup_.prompt->message(8301, {}, model::Buttons::Ok, model::Icon::Warning);
        return;
    }
    GroupDownloadSetup s = run_;
    s.portName = device->port;
    s.baudIndex = device->baudIndex;
    s.programmingUnitId = setup_.programmingUnitId;
    label("1000")->clear();
    label("1001")->clear();
    outcome_ = TransferOutcome::Running;
    worker_->start(std::make_unique<GroupDownloadRun>(*setup_.link, group_, s, *setup_.questions, setup_.timing));
    start_->setText(res::qmessage(8601, setup_.language));
    cancel_->setEnabled(false);
    combo_->setEnabled(false);
}

void GroupDownloadDialog::showProgress(const TransferProgress& p)
{
    label("1000")->setText(QString::fromStdString(p.sent));
    label("1001")->setText(QString::fromStdString(p.received));
}

void GroupDownloadDialog::ended()
{
    outcome_ = worker_->run() ? worker_->run()->context().result().outcome() : TransferOutcome::Failed;
    start_->setText(res::qmessage(8600, setup_.language));
    start_->setEnabled(true);
    cancel_->setEnabled(true);
    combo_->setEnabled(setup_.devices.enabled && !setup_.devices.rows.empty());
    if (outcome_ == TransferOutcome::Failed && setup_.prompt && worker_->run())
        ShowTransferFailure(*setup_.prompt, worker_->run()->context().result());
    Q_EMIT runEnded(outcome_);
    if (outcome_ == TransferOutcome::Finished) accept();
}

}  // namespace kravin::online

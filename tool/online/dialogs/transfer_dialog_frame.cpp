#include "transfer_dialog_frame.h"

#include "monitor_engine.h"
#include "transfer_texts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kravin::online {

namespace {
// Longest wait for a stopped run when a dialog that stays open is cancelled.
constexpr unsigned long kJoinBoundMs = 120000;
}  // namespace

TransferDialogFrame::TransferDialogFrame(TransferDialogSetup setup, Style style, QWidget* parent)
    : RunDialog(parent), setup_(std::move(setup)), style_(style)
{
    worker_ = new TransferWorker(this);
    connect(worker_, &TransferWorker::progress, this, &TransferDialogFrame::showProgress);
    connect(worker_, &TransferWorker::finished, this, &TransferDialogFrame::runStopped);
    layout_ = new QVBoxLayout(this);
}

TransferDialogFrame::~TransferDialogFrame()
{
    if (running() && setup_.questions) setup_.questions->abortAll();
}

QLabel* TransferDialogFrame::label(const char* id) const { return findChild<QLabel*>(QString::fromLatin1(id)); }

QGridLayout* TransferDialogFrame::addUnitHead(bool kindRow)
{
    auto* head = new QGridLayout;
    head->addWidget(TransferLabel(this, "1064", QString::fromStdString(StationLabel(setup_.station))), 0, 0);
    head->addWidget(TransferLabel(this, "1065", QString::fromStdString(CardLabel(setup_.libraryCard))), 0, 1);
    if (kindRow) {
        head->addWidget(TransferLabel(this, "1067", QString::fromStdString(setup_.kind)), 1, 0);
        head->addWidget(TransferLabel(this, "1068", QString::fromStdString(setup_.version)), 1, 1);
    }
    layout_->addLayout(head);
    return head;
}

QCheckBox* TransferDialogFrame::addClearBox()
{
    const QString text = TransferText(setup_.language, "Clear EEPROM and Download", "EEPROMクリア後ダウンロード");
    auto* box = new QCheckBox(text, this);
    box->setObjectName(QStringLiteral("1066"));
    box->setChecked(true);
    layout_->addWidget(box);
    return box;
}

void TransferDialogFrame::addProgress(std::initializer_list<ProgressRow> rows)
{
    auto* progress = new QGridLayout;
    int r = 0;
    for (const ProgressRow& row : rows) {
        progress->addWidget(new QLabel(TransferText(setup_.language, row.en, row.ja), this), r, 0);
        progress_.push_back(TransferLabel(this, row.id));
        progress->addWidget(progress_.back(), r++, 1);
    }
    layout_->addLayout(progress);
}

QLabel* TransferDialogFrame::addDeviceRow(const char* captionId)
{
    auto* row = new QHBoxLayout;
    auto* caption = TransferLabel(this, captionId, TransferText(setup_.language, "Connection Device", "接続機器"));
    combo_ = DeviceCombo(this, setup_.devices);
    row->addWidget(caption);
    row->addWidget(combo_);
    layout_->addLayout(row);
    return caption;
}

void TransferDialogFrame::addButtons(Buttons buttons)
{
    buttons_ = buttons;
    auto* row = new QHBoxLayout;
    start_ = new QPushButton(res::qmessage(buttons_.startText, setup_.language), this);
    start_->setObjectName(QString::fromLatin1(buttons_.startId));
    cancel_ = new QPushButton(TransferText(setup_.language, "Cancel", "キャンセル"), this);
    cancel_->setObjectName(QStringLiteral("IDCANCEL"));
    connect(start_, &QPushButton::clicked, this, &TransferDialogFrame::startStop);
    connect(cancel_, &QPushButton::clicked, this, &TransferDialogFrame::reject);
    row->addStretch();
    row->addWidget(start_);
    row->addWidget(cancel_);
    layout_->addLayout(row);
}

std::unique_ptr<TransferRun> TransferDialogFrame::refuse(int messageId) const
{
    if (setup_.prompt) setup_.prompt->message(messageId, {}, model::Buttons::Ok, model::Icon::Warning);
    return nullptr;
}

void TransferDialogFrame::startStop()
{
    if (running()) {
        worker_->stop();
        start_->setEnabled(false);  // back when the run has left the device as it found it
        return;
    }
    std::unique_ptr<TransferRun> run = makeRun();
    if (!run) return;
    for (QLabel* value : progress_) value->clear();
    outcome_ = TransferOutcome::Running;
    worker_->start(std::move(run));
    start_->setText(res::qmessage(buttons_.stopText, setup_.language));
    if (style_ == Style::ClosesWhenFinished) {
        cancel_->setEnabled(false);
        if (combo_) combo_->setEnabled(false);
    }
    started();
}

void TransferDialogFrame::runStopped()
{
    TransferRun* run = worker_->run();
    outcome_ = run ? run->context().result().outcome() : TransferOutcome::Failed;
    start_->setText(res::qmessage(buttons_.startText, setup_.language));
    start_->setEnabled(true);
    cancel_->setEnabled(true);
    if (combo_ && style_ == Style::ClosesWhenFinished)
        combo_->setEnabled(setup_.devices.enabled && !setup_.devices.rows.empty());
    ended(run);
    // Only a failure carries a message, and a stopped upload.
    if (outcome_ != TransferOutcome::Finished && setup_.prompt && run)
        ShowTransferFailure(*setup_.prompt, run->context().result());
    Q_EMIT runEnded(outcome_);
    if (outcome_ == TransferOutcome::Finished && style_ == Style::ClosesWhenFinished) {
        leaving();
        accept();
    }
}

void TransferDialogFrame::leaveBus(const BusApi& bus, bool modeOff) const
{
    if (!bus.cycle) return;
    bus.cycle();
    if (setup_.timing.sleep) setup_.timing.sleep(setup_.timing.busSettle);
    if (modeOff && bus.items) {
        std::string off = "0";
        BusItemRequest request{0, 1, off.data()};
        bus.items(VUKEN_OP_WRITE, BusItemAddress(setup_.station, -1), &request, nullptr);
    }
    if (bus.close) bus.close();
}

void TransferDialogFrame::stopAndJoin()
{
    if (!running()) return;
    if (setup_.questions) setup_.questions->abortAll();
    worker_->stop();
    worker_->join(kJoinBoundMs);
}

void TransferDialogFrame::reject()
{
    // The worker reports into this dialog: it ends before the dialog does.
    if (style_ == Style::StaysOpen) stopAndJoin();
    if (running()) return;
    leaving();
    QDialog::reject();
}

void TransferDialogFrame::closeEvent(QCloseEvent* event)
{
    if (style_ == Style::StaysOpen)
        QDialog::closeEvent(event);
    else
        RunDialog::closeEvent(event);
}

}  // namespace kravin::online

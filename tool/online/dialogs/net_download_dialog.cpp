#include "net_download_dialog.h"

#include "monitor_engine.h"
#include "transfer_texts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kravin::online {

NetDownloadDialog::NetDownloadDialog(TransferDialogSetup setup, TransferUnit unit, NetDownloadSetup run, BusApi bus,
                                     int shownGroup, QWidget* parent)
    : RunDialog(parent), setup_(std::move(setup)), unit_(std::move(unit)), run_(run), bus_(bus)
{
    const res::Language l = setup_.language;
    setObjectName(QString::fromLatin1(run_.groupMode ? "IDD_165" : "IDD_164"));
    setWindowTitle(TransferText(l, "Network Download", "ネットワークダウンロード"));
    worker_ = new TransferWorker(this);
    connect(worker_, &TransferWorker::progress, this, &NetDownloadDialog::showProgress);
    connect(worker_, &TransferWorker::finished, this, &NetDownloadDialog::ended);

    auto* layout = new QVBoxLayout(this);
    auto* head = new QGridLayout;
    head->addWidget(TransferLabel(this, "1064", QString::fromStdString(StationLabel(setup_.station))), 0, 0);
    head->addWidget(TransferLabel(this, "1065", QString::fromStdString(CardLabel(setup_.libraryCard))), 0, 1);
    head->addWidget(TransferLabel(this, "1067", QString::fromStdString(setup_.kind)), 1, 0);
    head->addWidget(TransferLabel(this, "1068", QString::fromStdString(setup_.version)), 1, 1);
    layout->addLayout(head);

    if (run_.groupMode) {
        layout->addWidget(TransferLabel(this, "1099", QString::asprintf("GROUP %02d", shownGroup)));
        auto* sent = new QHBoxLayout;
        sent->addWidget(new QLabel(TransferText(l, "Sent data", "送信データ"), this));
        sent->addWidget(TransferLabel(this, "1000"));
        layout->addLayout(sent);
    } else {
        clear_ = new QCheckBox(TransferText(l, "Clear EEPROM and Download", "EEPROMクリア後ダウンロード"), this);
        clear_->setObjectName(QStringLiteral("1066"));
        clear_->setChecked(true);
        connect(clear_, &QCheckBox::toggled, this, &NetDownloadDialog::updateEdits);
        layout->addWidget(clear_);
        auto* range = new QHBoxLayout;
        auto* target = TransferLabel(this, "1103", TransferText(l, "Target Group", "対象グループ"));
        first_ = new QSpinBox(this);
        first_->setObjectName(QStringLiteral("1009"));
        last_ = new QSpinBox(this);
        last_->setObjectName(QStringLiteral("1010"));
        for (QSpinBox* b : {first_, last_}) b->setRange(0, 999);  // a bound above 99 is refused at the start
        last_->setValue(99);
        range->addWidget(target);
        range->addWidget(first_);
        range->addWidget(last_);
        layout->addLayout(range);
        if (unit_.v8rtuStation)
            for (QWidget* w : std::initializer_list<QWidget*>{target, first_, last_}) w->hide();
        auto* progress = new QGridLayout;
        progress->addWidget(new QLabel(TransferText(l, "Processing Card", "処理カード"), this), 0, 0);
        progress->addWidget(TransferLabel(this, "1000"), 0, 1);
        progress->addWidget(new QLabel(TransferText(l, "Sent data", "送信データ"), this), 1, 0);
        progress->addWidget(TransferLabel(this, "1001"), 1, 1);
        layout->addLayout(progress);
    }

    auto* buttons = new QHBoxLayout;
    start_ = new QPushButton(res::qmessage(run_.groupMode ? 8800 : 8700, l), this);
    start_->setObjectName(QString::fromLatin1(run_.groupMode ? "1066" : "1018"));
    cancel_ = new QPushButton(TransferText(l, "Cancel", "キャンセル"), this);
    cancel_->setObjectName(QStringLiteral("IDCANCEL"));
    connect(start_, &QPushButton::clicked, this, &NetDownloadDialog::startStop);
    connect(cancel_, &QPushButton::clicked, this, &NetDownloadDialog::reject);
    buttons->addStretch();
    buttons->addWidget(start_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    updateEdits();
}

NetDownloadDialog::~NetDownloadDialog()
{
    if (running() && setup_.questions) setup_.questions->abortAll();
}

QLabel* NetDownloadDialog::label(const char* id) const { return findChild<QLabel*>(QString::fromLatin1(id)); }

void NetDownloadDialog::updateEdits()
{
    if (!clear_) return;
    const bool free = !clear_->isChecked() && !running();
    first_->setEnabled(free);
    last_->setEnabled(free);
}

void NetDownloadDialog::startStop()
{
    if (running()) {
        worker_->stop();
        start_->setEnabled(false);  // back when the run has put the mode off
        return;
    }
    NetDownloadSetup s = run_;
    if (clear_) {
        s.clearEeprom = clear_->isChecked();
        s.firstGroup = s.clearEeprom ? 0 : first_->value();
        s.lastGroup = s.clearEeprom ? 99 : last_->value();
        if (s.firstGroup > 99 || s.lastGroup > 99) return;
    }
    if (setup_.referenceCheck && !setup_.referenceCheck(s.firstGroup, s.lastGroup)) return;
    if (!setup_.questions) return;
    for (const char* id : {"1000", "1001"})
        if (QLabel* l = label(id)) l->clear();
    outcome_ = TransferOutcome::Running;
    worker_->start(std::make_unique<NetDownloadRun>(bus_, unit_, s, *setup_.questions, setup_.timing));
    start_->setText(res::qmessage(run_.groupMode ? 8801 : 8701, setup_.language));
    cancel_->setEnabled(false);
    if (clear_) clear_->setEnabled(false);
    updateEdits();
}

void NetDownloadDialog::showProgress(const TransferProgress& p)
{
    if (run_.groupMode) {
        label("1000")->setText(QString::fromStdString(p.sent));
        return;
    }
    label("1001")->setText(QString::fromStdString(p.sent));
    label("1000")->setText(p.card >= 0 ? QString::asprintf("%X", p.card) : QString());
}

void NetDownloadDialog::ended()
{
    outcome_ = worker_->run() ? worker_->run()->context().result().outcome() : TransferOutcome::Failed;
    start_->setText(res::qmessage(run_.groupMode ? 8800 : 8700, setup_.language));
    start_->setEnabled(true);
    cancel_->setEnabled(true);
    if (clear_) clear_->setEnabled(true);
    updateEdits();
    if (outcome_ == TransferOutcome::Failed && setup_.prompt && worker_->run())
        ShowTransferFailure(*setup_.prompt, worker_->run()->context().result());
    Q_EMIT runEnded(outcome_);
    if (outcome_ == TransferOutcome::Finished) accept();
}

void NetDownloadDialog::reject()
{
    if (running()) return;
    // The unit leaves download mode, whatever was done before.
    if (bus_.cycle && bus_.items && bus_.status) {
        bus_.cycle();
        if (setup_.timing.sleep) setup_.timing.sleep(setup_.timing.busSettle);
        if (bus_.status() == VUKEN_STATUS_READY) {
            std::string off = "0";
            BusItemRequest request{0, 1, off.data()};
            bus_.items(VUKEN_OP_WRITE, BusItemAddress(setup_.station, -1), &request, nullptr);
        }
        if (bus_.close) bus_.close();
    }
    QDialog::reject();
}

}  // namespace kravin::online

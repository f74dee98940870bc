#include "compare_dialog.h"

#include "serial_link.h"
#include "transfer_texts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kravin::online {

namespace {
constexpr unsigned long kJoinBoundMs = 120000;
}

CompareDialog::CompareDialog(TransferDialogSetup setup, TransferUnit unit, CompareDialogOptions options,
                             QWidget* parent)
    : QDialog(parent), setup_(std::move(setup)), unit_(std::move(unit)), options_(options)
{
    const res::Language l = setup_.language;
    setObjectName(QStringLiteral("IDD_191"));
    setWindowTitle(res::qmessage(options_.bus ? 8505 : 8504, l));
    worker_ = new TransferWorker(this);
    connect(worker_, &TransferWorker::progress, this, &CompareDialog::showProgress);
    connect(worker_, &TransferWorker::finished, this, &CompareDialog::ended);

    auto* layout = new QVBoxLayout(this);
    auto* head = new QGridLayout;
    head->addWidget(TransferLabel(this, "1064", QString::fromStdString(StationLabel(setup_.station))), 0, 0);
    head->addWidget(TransferLabel(this, "1065", QString::fromStdString(CardLabel(setup_.libraryCard))), 0, 1);
    head->addWidget(TransferLabel(this, "1067", QString::fromStdString(setup_.kind)), 1, 0);
    head->addWidget(TransferLabel(this, "1068", QString::fromStdString(setup_.version)), 1, 1);
    layout->addLayout(head);

    auto* range = new QHBoxLayout;
    auto* target = TransferLabel(this, "1103", TransferText(l, "Target Group", "対象グループ"));
    auto* dash = TransferLabel(this, "1104", QStringLiteral("-"));
    first_ = new QSpinBox(this);
    first_->setObjectName(QStringLiteral("1000"));
    last_ = new QSpinBox(this);
    last_->setObjectName(QStringLiteral("1001"));
    first_->setRange(0, 999);
    last_->setRange(0, 999);
    first_->setValue(options_.groupMode ? options_.group : 0);
    last_->setValue(options_.groupMode ? options_.group : 99);
    range->addWidget(target);
    range->addWidget(first_);
    range->addWidget(dash);
    range->addWidget(last_);
    layout->addLayout(range);
    if (unit_.v8rtuStation) {
        for (QWidget* w : std::initializer_list<QWidget*>{target, dash, first_, last_}) w->hide();
    } else if (options_.groupMode) {
        dash->hide();
        last_->hide();
        first_->setEnabled(false);
    }

    auto* progress = new QGridLayout;
    const struct {
        const char *id, *en, *ja;
    } rows[] = {{"1009", "Processing Card", "処理カード"},  {"1010", "Processing Group", "処理グループ"},
                {"1011", "Item", "項目"},                    {"1012", "Data (Device)", "データ（機器）"},
                {"1013", "Data (KRAV)", "データ（KRAV）"}};
    int r = 0;
    for (const auto& row : rows) {
        progress->addWidget(new QLabel(TransferText(l, row.en, row.ja), this), r, 0);
        progress->addWidget(TransferLabel(this, row.id), r++, 1);
    }
    layout->addLayout(progress);
    layout->addWidget(TransferLabel(this, "1070"));

    auto* deviceRow = new QHBoxLayout;
    auto* deviceLabel = TransferLabel(this, "1105", TransferText(l, "Connection Device", "接続機器"));
    combo_ = DeviceCombo(this, setup_.devices);
    deviceRow->addWidget(deviceLabel);
    deviceRow->addWidget(combo_);
    layout->addLayout(deviceRow);
    if (options_.bus) combo_->hide();

    auto* buttons = new QHBoxLayout;
    start_ = new QPushButton(res::qmessage(8500, l), this);
    start_->setObjectName(QStringLiteral("1098"));
    cancel_ = new QPushButton(TransferText(l, "Cancel", "キャンセル"), this);
    cancel_->setObjectName(QStringLiteral("IDCANCEL"));
    connect(start_, &QPushButton::clicked, this, &CompareDialog::startStop);
    connect(cancel_, &QPushButton::clicked, this, &CompareDialog::reject);
    buttons->addStretch();
    buttons->addWidget(start_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
}

CompareDialog::~CompareDialog()
{
    if (running() && setup_.questions) setup_.questions->abortAll();
}

QLabel* CompareDialog::label(const char* id) const { return findChild<QLabel*>(QString::fromLatin1(id)); }

void CompareDialog::startStop()
{
    if (running()) {
        worker_->stop();
        start_->setEnabled(false);
        return;
    }
    CompareSetup s;
    s.bus = options_.bus;
    s.firstGroup = first_->value();
    s.lastGroup = last_->value();
    if (s.firstGroup > 99 || s.lastGroup > 99) return;
    if (!s.bus) {
        const DeviceChoice* device = ChosenDevice(combo_, setup_.devices);
        if (!device || !setup_.link) {
            if (setup_.prompt) setup_.prompt->message(8301, {}, model::Buttons::Ok, model::Icon::Warning);
            return;
        }
        s.portName = device->port;
        s.baudIndex = device->baudIndex;
    }
    if (!setup_.questions) return;
    s.programmingUnitId = setup_.programmingUnitId;
    for (const char* id : {"1009", "1010", "1011", "1012", "1013"}) label(id)->clear();
    outcome_ = TransferOutcome::Running;
    differences_ = 0;
    worker_->start(std::make_unique<CompareRun>(s.bus ? nullptr : setup_.link, options_.busApi, unit_, s,
                                                *setup_.questions, setup_.timing));
    start_->setText(res::qmessage(8502, setup_.language));
    label("1070")->setText(res::qmessage(8503, setup_.language));
    first_->setEnabled(false);
    last_->setEnabled(false);
}

void CompareDialog::showProgress(const TransferProgress& p)
{
    label("1009")->setText(p.card >= 0 ? QString::asprintf("%X", p.card) : QStringLiteral("0"));
    if (p.group >= 0) label("1010")->setText(QString::asprintf("%02d", p.group));
    if (p.item >= 0) label("1011")->setText(QString::asprintf("%02d", p.item));
    label("1012")->setText(QString::fromStdString(p.deviceValue));
    label("1013")->setText(QString::fromStdString(p.projectValue));
}

void CompareDialog::ended()
{
    auto* run = static_cast<CompareRun*>(worker_->run());
    outcome_ = run ? run->context().result().outcome() : TransferOutcome::Failed;
    differences_ = run ? run->differences() : 0;
    start_->setText(res::qmessage(8500, setup_.language));
    start_->setEnabled(true);
    label("1070")->setText(res::qmessage(8501, setup_.language));
    first_->setEnabled(!options_.groupMode);
    last_->setEnabled(true);
    if (outcome_ == TransferOutcome::Failed && setup_.prompt && run)
        ShowTransferFailure(*setup_.prompt, run->context().result());
    Q_EMIT runEnded(outcome_);
}

void CompareDialog::stopAndJoin()
{
    if (!running()) return;
    if (setup_.questions) setup_.questions->abortAll();
    worker_->stop();
    worker_->join(kJoinBoundMs);
}

void CompareDialog::reject()
{
    // The worker reports into this dialog: it ends before the dialog does.
    stopAndJoin();
    if (!running()) QDialog::reject();
}

}  // namespace kravin::online

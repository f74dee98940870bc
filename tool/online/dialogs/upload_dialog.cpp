#include "upload_dialog.h"

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

namespace {

constexpr int kCaptionUpload = 8900;
constexpr int kCaptionNetUpload = 8901;
constexpr int kStart = 8902;
constexpr int kStop = 8903;
constexpr int kSelectComPort = 8303;

}  // namespace

UploadDialog::UploadDialog(TransferDialogSetup setup, UploadDialogOptions options, QWidget* parent)
    : RunDialog(parent), setup_(std::move(setup)), options_(std::move(options))
{
    const res::Language l = setup_.language;
    setObjectName(QStringLiteral("IDD_146"));
    setWindowTitle(res::qmessage(options_.bus ? kCaptionNetUpload : kCaptionUpload, l));
    worker_ = new TransferWorker(this);
    connect(worker_, &TransferWorker::progress, this, &UploadDialog::showProgress);
    connect(worker_, &TransferWorker::finished, this, &UploadDialog::ended);

    auto* layout = new QVBoxLayout(this);
    auto* head = new QGridLayout;
    station_ = new QComboBox(this);
    station_->setObjectName(QStringLiteral("1122"));
    for (int s = 0; s < 64; ++s) station_->addItem(QString::asprintf("%02X", s));
    card_ = new QComboBox(this);
    card_->setObjectName(QStringLiteral("1123"));
    card_->addItem(QStringLiteral("U-Bus"));
    for (int c = 0; c < 16; ++c) card_->addItem(QString::asprintf("%X", c));
    auto* stationText = TransferLabel(this, "1064", QString::fromStdString(StationLabel(setup_.station)));
    auto* cardText = TransferLabel(this, "1065", QString::fromStdString(CardLabel(setup_.libraryCard)));
    head->addWidget(stationText, 0, 0);
    head->addWidget(cardText, 0, 1);
    head->addWidget(station_, 1, 0);
    head->addWidget(card_, 1, 1);
    if (options_.mode == 1) {
        stationText->hide();
        cardText->hide();
        station_->setCurrentIndex(std::clamp(setup_.station, 0, 63));
        card_->setCurrentIndex(std::clamp(setup_.libraryCard + 1, 0, 16));
        connect(station_, &QComboBox::currentIndexChanged, this, &UploadDialog::unitChosen);
        connect(card_, &QComboBox::currentIndexChanged, this, &UploadDialog::unitChosen);
    } else {
        station_->hide();
        card_->hide();
    }
    layout->addLayout(head);

    auto* progress = new QGridLayout;
    const char* rows[][3] = {{"Card name", "カード名", "1000"},           {"Version", "バージョン", "1001"},
                             {"Processing Card", "処理カード", "1012"},  {"Processing Group", "処理グループ", "1011"},
                             {"Sent data", "送信データ", "1009"},        {"Received data", "受信データ", "1010"}};
    for (int r = 0; r < 6; ++r) {
        progress->addWidget(new QLabel(TransferText(l, rows[r][0], rows[r][1]), this), r, 0);
        progress->addWidget(TransferLabel(this, rows[r][2]), r, 1);
    }
    layout->addLayout(progress);
    if (options_.mode == 2 && setup_.libraryCard >= 0) {
        label("1000")->setText(QString::fromStdString(setup_.kind));
        label("1001")->setText(QString::fromStdString(setup_.version));
        if (options_.group >= 0) label("1011")->setText(QString::asprintf("%02d", options_.group));
    }

    auto* deviceRow = new QHBoxLayout;
    auto* deviceText = TransferLabel(this, "1103", TransferText(l, "Connection Device", "接続機器"));
    deviceRow->addWidget(deviceText);
    combo_ = DeviceCombo(this, setup_.devices);
    deviceRow->addWidget(combo_);
    layout->addLayout(deviceRow);
    if (options_.bus) {
        deviceText->hide();
        combo_->hide();
    }

    auto* buttons = new QHBoxLayout;
    start_ = new QPushButton(res::qmessage(kStart, l), this);
    start_->setObjectName(QStringLiteral("1066"));
    cancel_ = new QPushButton(TransferText(l, "Cancel", "キャンセル"), this);
    cancel_->setObjectName(QStringLiteral("IDCANCEL"));
    connect(start_, &QPushButton::clicked, this, &UploadDialog::startStop);
    connect(cancel_, &QPushButton::clicked, this, &UploadDialog::reject);
    buttons->addStretch();
    buttons->addWidget(start_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    // Without a port the serial upload cannot start.
    if (!options_.bus && setup_.devices.rows.empty()) {
        combo_->setEnabled(false);
        start_->setEnabled(false);
    }
}

UploadDialog::~UploadDialog()
{
    if (running() && setup_.questions) setup_.questions->abortAll();
}

QLabel* UploadDialog::label(const char* id) const { return findChild<QLabel*>(QString::fromLatin1(id)); }

void UploadDialog::unitChosen()
{
    if (!options_.unitTexts) return;
    const auto [kind, version] = options_.unitTexts(station_->currentIndex(), card_->currentIndex());
    label("1000")->setText(QString::fromStdString(kind));
    label("1001")->setText(QString::fromStdString(version));
}

void UploadDialog::startStop()
{
    if (running()) {
        worker_->stop();
        start_->setEnabled(false);  // back when the run has closed its link
        return;
    }
    const DeviceChoice* device = options_.bus ? nullptr : ChosenDevice(combo_, setup_.devices);
    if (!options_.bus && !device) {
        if (setup_.prompt) setup_.prompt->message(kSelectComPort, {}, model::Buttons::Ok, model::Icon::Warning);
        return;
    }
    const int station = options_.mode == 1 ? station_->currentIndex() : setup_.station;
    const int card = options_.mode == 1 ? card_->currentIndex() : setup_.libraryCard + 1;
    std::optional<UploadSetup> s = options_.prepare ? options_.prepare(station, card) : std::nullopt;
    if (!s || !setup_.questions) return;
    s->bus = options_.bus;
    s->mode = options_.mode;
    if (device) {
        s->portName = device->port;
        s->baudIndex = device->baudIndex;
    }
    s->programmingUnitId = setup_.programmingUnitId;
    started_ = s;
    stagedUnits_.clear();
    stagedCount_.reset();
    for (const char* id : {"1009", "1010", "1011", "1012"}) label(id)->clear();
    label("1000")->setText(QString::fromStdString(s->newUnit ? std::string() : s->model));
    label("1001")->setText(QString::fromStdString(s->newUnit ? std::string() : s->version));
    outcome_ = TransferOutcome::Running;
    worker_->start(std::make_unique<UploadRun>(setup_.link, options_.busApi, *s, *setup_.questions, setup_.timing));
    start_->setText(res::qmessage(kStop, setup_.language));
    cancel_->setEnabled(false);
    combo_->setEnabled(false);
    station_->setEnabled(false);
    card_->setEnabled(false);
}

void UploadDialog::showProgress(const TransferProgress& p)
{
    if (p.group >= 0) label("1011")->setText(QString::asprintf("%02d", p.group));
    label("1009")->setText(QString::fromStdString(p.sent));
    label("1010")->setText(QString::fromStdString(p.received));
    label("1012")->setText(p.card >= 0 ? QString::asprintf("%X", p.card) : QString());
    if (!p.unitName.empty()) label("1000")->setText(QString::fromStdString(p.unitName));
    if (!p.unitVersion.empty()) label("1001")->setText(QString::fromStdString(p.unitVersion));
}

void UploadDialog::ended()
{
    auto* run = dynamic_cast<UploadRun*>(worker_->run());
    outcome_ = run ? run->context().result().outcome() : TransferOutcome::Failed;
    start_->setText(res::qmessage(kStart, setup_.language));
    start_->setEnabled(true);
    cancel_->setEnabled(true);
    combo_->setEnabled(setup_.devices.enabled && !setup_.devices.rows.empty());
    station_->setEnabled(true);
    card_->setEnabled(true);
    if (outcome_ == TransferOutcome::Finished && run) {
        stagedUnits_ = run->units();
        stagedCount_ = run->cardCount();
        label("1000")->setText(QString::fromStdString(run->staging().model));
        label("1001")->setText(QString::fromStdString(run->staging().version));
    } else if (setup_.prompt && run) {
        ShowTransferFailure(*setup_.prompt, run->context().result());
    }
    Q_EMIT runEnded(outcome_);
    if (outcome_ == TransferOutcome::Finished) accept();
}

}  // namespace kravin::online

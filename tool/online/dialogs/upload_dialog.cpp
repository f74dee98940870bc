#include "upload_dialog.h"

#include "serial_link.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace kravin::online {

namespace {

constexpr int kCaptionUpload = 8900;
constexpr int kCaptionNetUpload = 8901;
constexpr int kStart = 8902;
constexpr int kStop = 8903;
constexpr int kSelectComPort = 8303;

}  // namespace

UploadDialog::UploadDialog(TransferDialogSetup setup, UploadDialogOptions options, QWidget* parent)
    : TransferDialogFrame(std::move(setup), Style::ClosesWhenFinished, parent), options_(std::move(options))
{
    const TransferDialogSetup& d = this->setup();
    setObjectName(QStringLiteral("IDD_146"));
    setWindowTitle(res::qmessage(options_.bus ? kCaptionNetUpload : kCaptionUpload, language()));

    QGridLayout* head = addUnitHead(false);
    station_ = new QComboBox(this);
    station_->setObjectName(QStringLiteral("1122"));
    for (int s = 0; s < 64; ++s) station_->addItem(QString::asprintf("%02X", s));
    card_ = new QComboBox(this);
    card_->setObjectName(QStringLiteral("1123"));
    card_->addItem(QStringLiteral("U-Bus"));
    for (int c = 0; c < 16; ++c) card_->addItem(QString::asprintf("%X", c));
    head->addWidget(station_, 1, 0);
    head->addWidget(card_, 1, 1);
    if (options_.mode == 1) {
        label("1064")->hide();
        label("1065")->hide();
        station_->setCurrentIndex(std::clamp(d.station, 0, 63));
        card_->setCurrentIndex(std::clamp(d.libraryCard + 1, 0, 16));
        connect(station_, &QComboBox::currentIndexChanged, this, &UploadDialog::unitChosen);
        connect(card_, &QComboBox::currentIndexChanged, this, &UploadDialog::unitChosen);
    } else {
        station_->hide();
        card_->hide();
    }

    addProgress({{"1000", "Card name", "カード名"},
                 {"1001", "Version", "バージョン"},
                 {"1012", "Processing Card", "処理カード"},
                 {"1011", "Processing Group", "処理グループ"},
                 {"1009", "Sent data", "送信データ"},
                 {"1010", "Received data", "受信データ"}});
    if (options_.mode == 2 && d.libraryCard >= 0) {
        label("1000")->setText(QString::fromStdString(d.kind));
        label("1001")->setText(QString::fromStdString(d.version));
        if (options_.group >= 0) label("1011")->setText(QString::asprintf("%02d", options_.group));
    }

    QLabel* deviceText = addDeviceRow("1103");
    if (options_.bus) {
        deviceText->hide();
        deviceCombo()->hide();
    }
    addButtons({"1066", kStart, kStop});
    // Without a port the serial upload cannot start.
    if (!options_.bus && d.devices.rows.empty()) {
        deviceCombo()->setEnabled(false);
        startButton()->setEnabled(false);
    }
}

void UploadDialog::unitChosen()
{
    if (!options_.unitTexts) return;
    const auto [kind, version] = options_.unitTexts(station_->currentIndex(), card_->currentIndex());
    label("1000")->setText(QString::fromStdString(kind));
    label("1001")->setText(QString::fromStdString(version));
}

std::unique_ptr<TransferRun> UploadDialog::makeRun()
{
    const TransferDialogSetup& d = setup();
    const DeviceChoice* device = options_.bus ? nullptr : chosenDevice();
    if (!options_.bus && !device) return refuse(kSelectComPort);
    const int station = options_.mode == 1 ? station_->currentIndex() : d.station;
    const int card = options_.mode == 1 ? card_->currentIndex() : d.libraryCard + 1;
    std::optional<UploadSetup> s = options_.prepare ? options_.prepare(station, card) : std::nullopt;
    if (!s || !d.questions) return nullptr;
    s->bus = options_.bus;
    s->mode = options_.mode;
    if (device) {
        s->portName = device->port;
        s->baudIndex = device->baudIndex;
        if (s->newUnit) s->probeBauds = device->kindBauds;
    }
    s->programmingUnitId = d.programmingUnitId;
    started_ = s;
    stagedUnits_.clear();
    stagedCount_.reset();
    return std::make_unique<UploadRun>(d.link, options_.busApi, *s, *d.questions, d.timing);
}

void UploadDialog::started()
{
    label("1000")->setText(QString::fromStdString(started_->newUnit ? std::string() : started_->model));
    label("1001")->setText(QString::fromStdString(started_->newUnit ? std::string() : started_->version));
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

void UploadDialog::leaving()
{
    if (options_.bus) leaveBus(options_.busApi, false);
}

void UploadDialog::ended(TransferRun* run)
{
    station_->setEnabled(true);
    card_->setEnabled(true);
    auto* upload = dynamic_cast<UploadRun*>(run);
    if (lastOutcome() != TransferOutcome::Finished || !upload) return;
    stagedUnits_ = upload->units();
    stagedCount_ = upload->cardCount();
    label("1000")->setText(QString::fromStdString(upload->staging().model));
    label("1001")->setText(QString::fromStdString(upload->staging().version));
}

}  // namespace kravin::online

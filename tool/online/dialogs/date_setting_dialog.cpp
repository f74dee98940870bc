#include "date_setting_dialog.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>

namespace kravin::online {

namespace {

QString tx(res::Language l, const char* en, const char* ja)
{
    return QString::fromUtf8(l == res::Language::Japanese ? ja : en);
}

// Longest wait for a worker at destruction: every step at one reply time-out is far below.
constexpr unsigned long kWorkerBoundMs = 120000;

}  // namespace

DateSettingDialog::DateSettingDialog(const DateSettingRequest& request, SerialLink* serial, BusApi bus,
                                     ClockTiming timing, model::Prompt& prompt, res::Language l, QWidget* parent)
    : RunDialog(parent), request_(request), prompt_(prompt),
      setter_(std::make_unique<ClockSetter>(serial, bus, std::move(timing)))
{
    setObjectName(QStringLiteral("IDD_166"));
    setWindowTitle(tx(l, "V8RTU Date and Time Setting", "V8RTU日時設定"));
    auto* layout = new QVBoxLayout(this);
    station_ = new QLabel(QString::fromStdString(ClockStationLabel(request.station)), this);
    station_->setObjectName(QStringLiteral("1064"));
    layout->addWidget(station_);

    auto* modeRow = new QHBoxLayout;
    mode_ = new QButtonGroup(this);
    auto* network = new QRadioButton(tx(l, "Network", "ネットワーク"), this);
    auto* serialButton = new QRadioButton(tx(l, "Serial 9600", "シリアル 9600"), this);
    network->setObjectName(QStringLiteral("1005"));
    serialButton->setObjectName(QStringLiteral("1006"));
    mode_->addButton(network, 0);
    mode_->addButton(serialButton, 1);
    (request.link == OnlineLink::Bus ? network : serialButton)->setChecked(true);
    modeRow->addWidget(network);
    modeRow->addWidget(serialButton);
    layout->addLayout(modeRow);

    struct Field {
        int id, lo, hi;
        const char *en, *ja;
    };
    static constexpr Field kFields[] = {{1000, 2004, 2099, "Year", "年"}, {1001, 1, 12, "Month", "月"},
                                        {1009, 1, 31, "Day", "日"},      {1010, 0, 23, "Hour", "時"},
                                        {1011, 0, 59, "Minute", "分"},   {1012, 0, 59, "Second", "秒"}};
    auto* grid = new QGridLayout;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const Field& f = kFields[i];
        auto* box = new QSpinBox(this);
        box->setObjectName(QString::number(f.id));
        box->setRange(f.lo, f.hi);
        grid->addWidget(new QLabel(tx(l, f.en, f.ja), this), 0, static_cast<int>(i));
        grid->addWidget(box, 1, static_cast<int>(i));
        fields_[i] = box;
    }
    layout->addLayout(grid);
    const QDateTime now = QDateTime::currentDateTime();
    setDateTime({std::clamp(now.date().year(), 2004, 2099), now.date().month(), now.date().day(), now.time().hour(),
                 now.time().minute(), now.time().second()});

    progress_ = new QProgressBar(this);
    progress_->setRange(0, ClockSetter::kLastStep);
    progress_->setValue(0);
    layout->addWidget(progress_);

    auto* buttons = new QHBoxLayout;
    start_ = new QPushButton(tx(l, "Start", "開始"), this);
    start_->setObjectName(QStringLiteral("1066"));
    end_ = new QPushButton(tx(l, "End", "終了"), this);
    end_->setObjectName(QStringLiteral("IDOK"));
    connect(start_, &QPushButton::clicked, this, &DateSettingDialog::start);
    connect(end_, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addStretch();
    buttons->addWidget(start_);
    buttons->addWidget(end_);
    layout->addLayout(buttons);
}

DateSettingDialog::~DateSettingDialog()
{
    if (thread_) {
        thread_->wait(kWorkerBoundMs);
        if (thread_->isFinished()) delete thread_;
    }
    if (holding_ != LinkUser::None && request_.owner) request_.owner->Release(holding_);
}

void DateSettingDialog::setDateTime(const ClockDateTime& t)
{
    const int values[] = {t.year, t.month, t.day, t.hour, t.minute, t.second};
    for (std::size_t i = 0; i < fields_.size(); ++i) fields_[i]->setValue(values[i]);
}

void DateSettingDialog::setControlsEnabled(bool enabled)
{
    for (QSpinBox* f : fields_) f->setEnabled(enabled);
    for (QAbstractButton* b : mode_->buttons()) b->setEnabled(enabled);
    start_->setEnabled(enabled);
    end_->setEnabled(enabled);
}

void DateSettingDialog::start()
{
    if (running()) return;
    ClockSetter::Setup setup;
    setup.station = request_.station;
    setup.time = {fields_[0]->value(), fields_[1]->value(), fields_[2]->value(),
                  fields_[3]->value(), fields_[4]->value(), fields_[5]->value()};
    setup.link = mode_->checkedId() == 0 ? OnlineLink::Bus : OnlineLink::Serial;
    if (!ValidClockDate(setup.time)) {
        prompt_.message(kMsgInvalidDate, {}, model::Buttons::Ok, model::Icon::Warning);
        return;
    }
    if (setup.link == OnlineLink::Serial) {
        if (!request_.port) {
            prompt_.message(kMsgConfigurePortLayout, {}, model::Buttons::Ok, model::Icon::Warning);
            return;
        }
        setup.portName = request_.port->port;
        setup.baudIndex = request_.port->baudIndex;
    }
    if (request_.owner && !request_.owner->Acquire(LinkUser::Clock)) {
        prompt_.message(kMsgLinkInUse, {}, model::Buttons::Ok, model::Icon::Warning);
        return;
    }
    holding_ = request_.owner ? LinkUser::Clock : LinkUser::None;
    if (setter_->Start(setup) != 0) {
        if (request_.owner) request_.owner->Release(LinkUser::Clock);
        holding_ = LinkUser::None;
        return;
    }
    setControlsEnabled(false);
    progress_->setValue(0);
    // The dialog outlives the thread: its destructor waits for it.
    ClockSetter* setter = setter_.get();
    thread_ = QThread::create([setter, this] {
        setter->Run([this](int step) {
            QMetaObject::invokeMethod(this, [this, step] { stepReached(step); }, Qt::QueuedConnection);
        });
    });
    connect(thread_, &QThread::finished, this, &DateSettingDialog::runEnded, Qt::QueuedConnection);
    thread_->start();
}

void DateSettingDialog::stepReached(int step)
{
    if (step >= 1 && step <= ClockSetter::kLastStep) progress_->setValue(step - 1);
}

void DateSettingDialog::runEnded()
{
    if (thread_) {
        thread_->wait();
        delete thread_;
        thread_ = nullptr;
    }
    if (request_.owner && holding_ != LinkUser::None) request_.owner->Release(holding_);
    holding_ = LinkUser::None;
    const bool failed = setter_->failed();
    progress_->setValue(failed ? progress_->value() : ClockSetter::kLastStep);
    setControlsEnabled(true);
    if (failed) prompt_.message(kMsgCommunicationError, {}, model::Buttons::Ok, model::Icon::Error);
    Q_EMIT finished(failed);
}

}  // namespace kravin::online

#include "compare_dialog.h"

#include "serial_link.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kravin::online {

CompareDialog::CompareDialog(TransferDialogSetup setup, TransferUnit unit, CompareDialogOptions options,
                             QWidget* parent)
    : TransferDialogFrame(std::move(setup), Style::StaysOpen, parent), unit_(std::move(unit)), options_(options)
{
    const res::Language l = language();
    setObjectName(QStringLiteral("IDD_191"));
    setWindowTitle(res::qmessage(options_.bus ? 8505 : 8504, l));
    addUnitHead();

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
    frameLayout()->addLayout(range);
    if (unit_.v8rtuStation) {
        for (QWidget* w : std::initializer_list<QWidget*>{target, dash, first_, last_}) w->hide();
    } else if (options_.groupMode) {
        dash->hide();
        last_->hide();
        first_->setEnabled(false);
    }

    addProgress({{"1009", "Processing Card", "処理カード"},
                 {"1010", "Processing Group", "処理グループ"},
                 {"1011", "Item", "項目"},
                 {"1012", "Data (Device)", "データ（機器）"},
                 {"1013", "Data (KRAV)", "データ（KRAV）"}});
    frameLayout()->addWidget(TransferLabel(this, "1070"));
    QLabel* device = addDeviceRow("1105");
    if (options_.bus) {
        device->hide();
        deviceCombo()->hide();
    }
    addButtons({"1098", 8500, 8502});
}

std::unique_ptr<TransferRun> CompareDialog::makeRun()
{
    const TransferDialogSetup& d = setup();
    CompareSetup s;
    s.bus = options_.bus;
    s.firstGroup = first_->value();
    s.lastGroup = last_->value();
    if (s.firstGroup > 99 || s.lastGroup > 99) return nullptr;
    if (!s.bus) {
        const DeviceChoice* device = chosenDevice();
        if (!device || !d.link) return refuse(8301);
        s.portName = device->port;
        s.baudIndex = device->baudIndex;
    }
    if (!d.questions) return nullptr;
    s.programmingUnitId = d.programmingUnitId;
    return std::make_unique<CompareRun>(s.bus ? nullptr : d.link, options_.busApi, unit_, s, *d.questions, d.timing);
}

void CompareDialog::started()
{
    differences_ = 0;
    label("1070")->setText(res::qmessage(8503, language()));
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

void CompareDialog::leaving()
{
    if (options_.bus) leaveBus(options_.busApi, false);
}

void CompareDialog::ended(TransferRun* run)
{
    differences_ = run ? static_cast<CompareRun*>(run)->differences() : 0;
    label("1070")->setText(res::qmessage(8501, language()));
    first_->setEnabled(!options_.groupMode);
    last_->setEnabled(true);
}

}  // namespace kravin::online

#include "net_download_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kravin::online {

NetDownloadDialog::NetDownloadDialog(TransferDialogSetup setup, TransferUnit unit, NetDownloadSetup run, BusApi bus,
                                     int shownGroup, QWidget* parent)
    : TransferDialogFrame(std::move(setup), Style::ClosesWhenFinished, parent), unit_(std::move(unit)), run_(run),
      bus_(bus)
{
    const res::Language l = language();
    setObjectName(QString::fromLatin1(run_.groupMode ? "IDD_165" : "IDD_164"));
    setWindowTitle(TransferText(l, "Network Download", "ネットワークダウンロード"));
    addUnitHead();

    if (run_.groupMode) {
        frameLayout()->addWidget(TransferLabel(this, "1099", QString::asprintf("GROUP %02d", shownGroup)));
        addProgress({{"1000", "Sent data", "送信データ"}});
    } else {
        clear_ = addClearBox();
        connect(clear_, &QCheckBox::toggled, this, &NetDownloadDialog::updateEdits);
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
        frameLayout()->addLayout(range);
        if (unit_.v8rtuStation)
            for (QWidget* w : std::initializer_list<QWidget*>{target, first_, last_}) w->hide();
        addProgress({{"1000", "Processing Card", "処理カード"}, {"1001", "Sent data", "送信データ"}});
    }
    addButtons(run_.groupMode ? Buttons{"1066", 8800, 8801} : Buttons{"1018", 8700, 8701});
    updateEdits();
}

void NetDownloadDialog::updateEdits()
{
    if (!clear_) return;
    const bool free = !clear_->isChecked() && !running();
    first_->setEnabled(free);
    last_->setEnabled(free);
}

std::unique_ptr<TransferRun> NetDownloadDialog::makeRun()
{
    NetDownloadSetup s = run_;
    if (clear_) {
        s.clearEeprom = clear_->isChecked();
        s.firstGroup = s.clearEeprom ? 0 : first_->value();
        s.lastGroup = s.clearEeprom ? 99 : last_->value();
        if (s.firstGroup > 99 || s.lastGroup > 99) return nullptr;
    }
    const TransferDialogSetup& d = setup();
    if (d.referenceCheck && !d.referenceCheck(s.firstGroup, s.lastGroup)) return nullptr;
    if (!d.questions) return nullptr;
    return std::make_unique<NetDownloadRun>(bus_, unit_, s, *d.questions, d.timing);
}

void NetDownloadDialog::started()
{
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

void NetDownloadDialog::ended(TransferRun*)
{
    if (clear_) clear_->setEnabled(true);
    updateEdits();
}

void NetDownloadDialog::leaving()
{
    // The unit leaves download mode, whatever was done before.
    leaveBus(bus_, true);
}

}  // namespace kravin::online

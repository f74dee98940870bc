#include "registry_monitor_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace kravin::online {

namespace {

QString tx(res::Language l, const char* en, const char* ja)
{
    return QString::fromUtf8(l == res::Language::Japanese ? ja : en);
}

QPushButton* button(QWidget* parent, const QString& text, const char* id)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(id));
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

}  // namespace

RegistryMonitorDialog::RegistryMonitorDialog(RegistryMonitorHost& host, res::Language l, QWidget* parent)
    : QDialog(parent, Qt::Window), host_(host), language_(l)
{
    setObjectName(QStringLiteral("IDD_175"));
    setWindowTitle(tx(l, "Registry Monitor", "レジストリモニタ"));
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    station_ = new QComboBox(this);
    station_->setObjectName(QStringLiteral("1169"));
    for (int s = 0; s < 64; ++s) station_->addItem(QStringLiteral("%1").arg(s, 2, 16, QLatin1Char('0')).toUpper());
    card_ = new QComboBox(this);
    card_->setObjectName(QStringLiteral("1170"));
    for (int c = 0; c < 16; ++c) card_->addItem(QString::number(c, 16).toUpper());
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("1171"));
    status_->setAutoFillBackground(true);
    status_->setMinimumWidth(100);
    startStop_ = button(this, QString(), "1098");
    top->addWidget(new QLabel(tx(l, "Station", "ステーション"), this));
    top->addWidget(station_);
    top->addWidget(new QLabel(tx(l, "Card", "カード"), this));
    top->addWidget(card_);
    top->addWidget(status_);
    top->addWidget(startStop_);
    layout->addLayout(top);

    auto* rows = new QHBoxLayout;
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("No."), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("GGNN"), this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("GGII"), this), 0, 2);
    grid->addWidget(new QLabel(tx(l, "Data", "データ"), this), 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("ON"), this), 0, 4);
    for (int i = 0; i < kRegistryVisibleRows; ++i) {
        const auto k = static_cast<std::size_t>(i);
        labels_[k] = new QLabel(this);
        labels_[k]->setObjectName(QString::number(1253 + i));
        ggnn_[k] = new QLineEdit(this);
        ggnn_[k]->setObjectName(QString::number(1172 + i));
        ggii_[k] = new QLineEdit(this);
        ggii_[k]->setObjectName(QString::number(1192 + i));
        data_[k] = new QLabel(this);
        data_[k]->setObjectName(QString::number(1212 + i));
        data_[k]->setMinimumWidth(160);
        on_[k] = new QCheckBox(this);
        on_[k]->setObjectName(QString::number(1232 + i));
        for (QLineEdit* e : {ggnn_[k], ggii_[k]}) {
            e->setMaximumWidth(60);
            e->installEventFilter(this);
            connect(e, &QLineEdit::textEdited, this, [this, e](const QString& text) { filter(e, text); });
            // Enter commits through the focus leaving for the End button.
            connect(e, &QLineEdit::returnPressed, this, [this] { end_->setFocus(); });
        }
        connect(on_[k], &QCheckBox::clicked, this, [this, i] { toggle(i); });
        grid->addWidget(labels_[k], i + 1, 0);
        grid->addWidget(ggnn_[k], i + 1, 1);
        grid->addWidget(ggii_[k], i + 1, 2);
        grid->addWidget(data_[k], i + 1, 3);
        grid->addWidget(on_[k], i + 1, 4);
    }
    rows->addLayout(grid);
    scrollBar_ = new QScrollBar(Qt::Vertical, this);
    scrollBar_->setObjectName(QStringLiteral("1252"));
    scrollBar_->setRange(0, kRegistryMaxTop);
    scrollBar_->setPageStep(kRegistryVisibleRows);
    connect(scrollBar_, &QScrollBar::actionTriggered, this, [this](int action) {
        ScrollAction a = ScrollAction::Other;
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub: a = ScrollAction::LineUp; break;
        case QAbstractSlider::SliderSingleStepAdd: a = ScrollAction::LineDown; break;
        case QAbstractSlider::SliderPageStepSub: a = ScrollAction::PageUp; break;
        case QAbstractSlider::SliderPageStepAdd: a = ScrollAction::PageDown; break;
        case QAbstractSlider::SliderMove: a = ScrollAction::Thumb; break;
        default: break;
        }
        scroll(a, scrollBar_->sliderPosition());
        scrollBar_->setSliderPosition(top_);
    });
    rows->addWidget(scrollBar_);
    layout->addLayout(rows);

    auto* bottom = new QHBoxLayout;
    setAllOn_ = button(this, tx(l, "Set All ON", "全てON"), "1018");
    setAllOff_ = button(this, tx(l, "Set All OFF", "全てOFF"), "1019");
    end_ = button(this, tx(l, "End", "終了"), "1");
    bottom->addWidget(setAllOn_);
    bottom->addWidget(setAllOff_);
    bottom->addStretch();
    bottom->addWidget(end_);
    layout->addLayout(bottom);

    connect(startStop_, &QPushButton::clicked, this, &RegistryMonitorDialog::startStop);
    connect(setAllOn_, &QPushButton::clicked, this, [this] { setAll(true); });
    connect(setAllOff_, &QPushButton::clicked, this, [this] { setAll(false); });
    connect(end_, &QPushButton::clicked, this, &QDialog::accept);
    connect(station_, &QComboBox::currentIndexChanged, this, [this] { targetChanged(); });
    connect(card_, &QComboBox::currentIndexChanged, this, [this] { targetChanged(); });

    // Initialisation: the file, edit mode, the target in the combos, empty rows off.
    OnlineState& state = host_.state();
    state.LoadMonitorFile();
    state.RegMonitorOn = 0;
    MonitorTargets targets = state.Targets();
    SwitchOffEmptyRows(targets);
    state.SetTargets(targets);
    filling_ = true;
    station_->setCurrentIndex(std::clamp<int>(targets.station, 0, 63));
    card_->setCurrentIndex(std::clamp<int>(targets.card, 0, 15));
    filling_ = false;
    showRows();
    updateModeControls();
}

RegistryMonitorDialog::~RegistryMonitorDialog() { host_.state().RegMonitorOn = 0; }

bool RegistryMonitorDialog::monitoring() const { return host_.state().RegMonitorOn.load() == 1; }

void RegistryMonitorDialog::showMonitor()
{
    host_.shownChanged(true);
    show();
    raise();
    activateWindow();
}

void RegistryMonitorDialog::showRows()
{
    const OnlineState& state = host_.state();
    const MonitorTargets targets = state.Targets();
    const auto values = state.Results().registry;
    for (int i = 0; i < kRegistryVisibleRows; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const RegistryRowTexts t = RowTexts(targets, values.get(), top_ + i, language_);
        labels_[k]->setText(QString::fromStdString(t.label));
        // An edit being typed into keeps its text.
        if (!ggnn_[k]->hasFocus()) ggnn_[k]->setText(QString::fromStdString(t.ggnn));
        if (!ggii_[k]->hasFocus()) ggii_[k]->setText(QString::fromStdString(t.ggii));
        data_[k]->setText(QString::fromStdString(t.data));
        on_[k]->setChecked(t.on);
    }
}

void RegistryMonitorDialog::updateModeControls()
{
    const bool on = monitoring();
    startStop_->setText(res::qmessage(on ? kMsgStopMonitor : kMsgStartMonitor, language_));
    status_->setText(res::qmessage(on ? kMsgMonitoring : kMsgEditMode, language_));
    QPalette p = status_->palette();
    p.setColor(QPalette::Window, on ? QColor(0xFF, 0x00, 0xFF) : QColor(0xFF, 0xFF, 0x00));
    status_->setPalette(p);
    for (std::size_t k = 0; k < ggnn_.size(); ++k) {
        ggnn_[k]->setReadOnly(on);
        ggii_[k]->setReadOnly(on);
        on_[k]->setEnabled(!on);
    }
    station_->setEnabled(!on);
    card_->setEnabled(!on);
    setAllOn_->setEnabled(!on);
    setAllOff_->setEnabled(!on);
}

void RegistryMonitorDialog::startStop()
{
    OnlineState& state = host_.state();
    if (monitoring()) {
        host_.stopMonitor();
        state.RegMonitorOn = 0;
        updateModeControls();
        return;
    }
    host_.applyMonitorTarget();
    const MonitorTargets targets = state.Targets();
    const MonitorSubject current = host_.currentUnit();
    const bool linkOpen = state.OnlineLinkOpen.load() == 1;
    if (host_.analogOrLadderActive() && linkOpen &&
        (targets.station != current.station || targets.card != current.card)) {
        // The running monitor takes the registry rows in.
        state.RegMonitorOn = 1;
    } else {
        // The target's own model decides the port; the current unit stays as it is.
        if (!linkOpen && !host_.startMonitor(host_.unitAt(targets.station, targets.card))) {
            updateModeControls();
            return;
        }
        if (state.OnlineLinkOpen.load() != 1) {
            updateModeControls();
            return;
        }
        state.RegMonitorOn = 1;
    }
    updateModeControls();
}

void RegistryMonitorDialog::monitorEnded()
{
    host_.state().RegMonitorOn = 0;
    updateModeControls();
}

void RegistryMonitorDialog::scroll(ScrollAction action, int thumb)
{
    top_ = ScrollRows(top_, action, thumb);
    scrollBar_->setValue(top_);
    scrollBar_->setFocus();
    showRows();
}

int RegistryMonitorDialog::editRow(const QLineEdit* edit, RowField* field) const
{
    for (std::size_t k = 0; k < ggnn_.size(); ++k) {
        if (edit == ggnn_[k] || edit == ggii_[k]) {
            if (field) *field = edit == ggnn_[k] ? RowField::Ggnn : RowField::Ggii;
            return static_cast<int>(k);
        }
    }
    return -1;
}

void RegistryMonitorDialog::filter(QLineEdit* edit, const QString& text)
{
    const DigitFilterResult r = FilterDigits(remembered_.toStdString(), text.toStdString(), edit->cursorPosition());
    const QString result = QString::fromStdString(r.text);
    if (result != text) edit->setText(result);
    edit->setCursorPosition(r.caret);
    remembered_ = result;
    if (r.beep) host_.beep();
}

void RegistryMonitorDialog::commit(QLineEdit* edit)
{
    if (edit->isReadOnly()) return;
    RowField field = RowField::Ggnn;
    const int i = editRow(edit, &field);
    if (i < 0) return;
    OnlineState& state = host_.state();
    MonitorTargets targets = state.Targets();
    MonitorTargetRow& row = targets.rows[static_cast<std::size_t>(top_ + i)];
    const MonitorTargetRow before = row;
    if (CommitRowText(row, field, edit->text().toStdString())) {
        edit->clear();
        data_[static_cast<std::size_t>(i)]->clear();
        on_[static_cast<std::size_t>(i)]->setChecked(false);
    }
    if (row == before) return;
    state.SetTargets(targets);
    state.SaveMonitorFile();
    host_.applyMonitorTarget();
}

void RegistryMonitorDialog::toggle(int i)
{
    OnlineState& state = host_.state();
    MonitorTargets targets = state.Targets();
    MonitorTargetRow& row = targets.rows[static_cast<std::size_t>(top_ + i)];
    ToggleRow(row);
    state.SetTargets(targets);
    on_[static_cast<std::size_t>(i)]->setChecked(row.on != 0);
    if (row.on == 0) data_[static_cast<std::size_t>(i)]->clear();
}

void RegistryMonitorDialog::setAll(bool on)
{
    OnlineState& state = host_.state();
    MonitorTargets targets = state.Targets();
    SetAllRows(targets, on);
    state.SetTargets(targets);
    showRows();
    state.SaveMonitorFile();
}

void RegistryMonitorDialog::targetChanged()
{
    if (filling_) return;
    OnlineState& state = host_.state();
    MonitorTargets targets = state.Targets();
    targets.station = static_cast<std::int16_t>(station_->currentIndex());
    targets.card = static_cast<std::int16_t>(card_->currentIndex());
    state.SetTargets(targets);
    state.SaveMonitorFile();
    if (host_.projectOpen()) host_.applyMonitorTarget();
}

void RegistryMonitorDialog::closeMonitor(bool stop)
{
    if (monitoring()) {
        if (stop) host_.stopMonitor();
        host_.state().RegMonitorOn = 0;
        updateModeControls();
    }
    host_.shownChanged(false);
}

void RegistryMonitorDialog::accept()
{
    closeMonitor(true);
    QDialog::accept();
}

void RegistryMonitorDialog::reject()
{
    closeMonitor(false);
    QDialog::reject();
}

bool RegistryMonitorDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (auto* edit = qobject_cast<QLineEdit*>(watched); edit && editRow(edit, nullptr) >= 0) {
        if (event->type() == QEvent::FocusIn) remembered_ = edit->text();
        if (event->type() == QEvent::FocusOut) commit(edit);
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace kravin::online

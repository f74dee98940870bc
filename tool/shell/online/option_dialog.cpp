#include "option_dialog.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kravin::shell {

namespace {

QString tx(res::Language l, const char* en, const char* ja)
{
    return QString::fromUtf8(l == res::Language::Japanese ? ja : en);
}

// COLORREF (0x00BBGGRR) and QColor.
QColor toColor(int ref) { return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF); }
int toRef(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }

void selectText(QComboBox* combo, const std::string& text)
{
    const int at = text.empty() ? 0 : combo->findText(QString::fromStdString(text));
    combo->setCurrentIndex(at < 0 ? 0 : at);
}

}  // namespace

OptionDialog::OptionDialog(model::UserSettings& settings, const model::CardKindMasters& masters,
                           const std::vector<FoundPort>& found, model::Prompt& prompt, res::Language l,
                           QWidget* parent)
    : QDialog(parent), settings_(settings), prompt_(prompt)
{
    setObjectName(QStringLiteral("IDD_141"));
    setWindowTitle(tx(l, "Option", "オプション"));
    portList_ = settings_.portList;
    RememberPorts(portList_, found);
    stored_ = FormFromSettings(settings_);
    const OptionForm& stored = stored_;
    const std::vector<std::string> devices = OptionDevices(masters);

    auto* layout = new QVBoxLayout(this);
    auto* portBox = new QGroupBox(tx(l, "Port allocation", "ポート割り当て"), this);
    auto* grid = new QGridLayout(portBox);
    grid->addWidget(new QLabel(tx(l, "Port", "ポート"), portBox), 0, 1);
    grid->addWidget(new QLabel(tx(l, "Connected device", "接続機器"), portBox), 0, 2);
    grid->addWidget(new QLabel(tx(l, "Monitor", "モニタ"), portBox), 0, 3);
    for (int r = 0; r < model::kPortRows; ++r) {
        const auto i = static_cast<std::size_t>(r);
        grid->addWidget(new QLabel(QString::number(r + 1), portBox), r + 1, 0);
        auto* port = new QComboBox(portBox);
        port->setObjectName(QString::number(1140 + 3 * r));
        port->addItem(QString());
        for (const model::PortListEntry& e : portList_) {
            port->addItem(QString::fromStdString(e.number));
            port->setItemData(port->count() - 1, QString::fromStdString(e.text), Qt::ToolTipRole);
        }
        selectText(port, stored.rows[i].port);
        port->setEnabled(!portList_.empty());
        auto* device = new QComboBox(portBox);
        device->setObjectName(QString::number(1141 + 3 * r));
        device->addItem(QString());
        for (const std::string& d : devices) device->addItem(QString::fromStdString(d));
        selectText(device, stored.rows[i].device);
        auto* speed = new QComboBox(portBox);
        speed->setObjectName(QString::number(1142 + 3 * r));
        speed->addItem(tx(l, "Normal", "通常"));
        speed->addItem(tx(l, "High Speed", "高速"));
        speed->setCurrentIndex(stored.rows[i].speed);
        grid->addWidget(port, r + 1, 1);
        grid->addWidget(device, r + 1, 2);
        grid->addWidget(speed, r + 1, 3);
        ports_[i] = port;
        devices_[i] = device;
        speeds_[i] = speed;
    }
    layout->addWidget(portBox);

    auto radios = [this, l](const char* title, const char* ja, QButtonGroup*& group, int first, const char* a,
                            const char* aJa, const char* b, const char* bJa, int checked) {
        auto* box = new QGroupBox(tx(l, title, ja), this);
        auto* row = new QHBoxLayout(box);
        group = new QButtonGroup(box);
        auto* one = new QRadioButton(tx(l, a, aJa), box);
        auto* two = new QRadioButton(tx(l, b, bJa), box);
        one->setObjectName(QString::number(first));
        two->setObjectName(QString::number(first + 1));
        group->addButton(one, 0);
        group->addButton(two, 1);
        (checked == 0 ? one : two)->setChecked(true);
        row->addWidget(one);
        row->addWidget(two);
        return box;
    };
    auto* middle = new QHBoxLayout;
    middle->addWidget(radios("Online", "オンライン", online_, 1026, "PU", "PU", "U-Bus", "U-Bus", stored.online));
    middle->addWidget(radios("Grid", "グリッド", grid_, 1158, "Yes", "あり", "No", "なし", stored.grid ? 0 : 1));
    layout->addLayout(middle);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(tx(l, "Background colour", "背景色"), this));
    sample_ = new QLabel(this);
    sample_->setObjectName(QStringLiteral("1160"));
    sample_->setFixedSize(48, 20);
    sample_->setAutoFillBackground(true);
    bottom->addWidget(sample_);
    auto* colourButton = new QPushButton(QStringLiteral("..."), this);
    colourButton->setObjectName(QStringLiteral("1129"));
    connect(colourButton, &QPushButton::clicked, this, [this] { chooseColour(); });
    bottom->addWidget(colourButton);
    bottom->addSpacing(16);
    bottom->addWidget(new QLabel(tx(l, "Time-out (s)", "タイムアウト(秒)"), this));
    timeout_ = new QLineEdit(QString::fromStdString(stored.timeout), this);
    timeout_->setObjectName(QStringLiteral("1281"));
    timeout_->setMaxLength(8);
    bottom->addWidget(timeout_);
    layout->addLayout(bottom);

    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(tx(l, "OK", "OK"), this);
    auto* cancel = new QPushButton(tx(l, "Cancel", "キャンセル"), this);
    ok->setObjectName(QStringLiteral("IDOK"));
    cancel->setObjectName(QStringLiteral("IDCANCEL"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    colour_ = stored.backColor;
    showColour();
}

void OptionDialog::showColour()
{
    QPalette p = sample_->palette();
    p.setColor(QPalette::Window, toColor(colour_));
    sample_->setPalette(p);
}

void OptionDialog::chooseColour()
{
    const QColor chosen = QColorDialog::getColor(toColor(colour_), this);
    if (!chosen.isValid()) return;
    colour_ = toRef(chosen);
    showColour();
}

OptionForm OptionDialog::form() const
{
    OptionForm f;
    for (std::size_t r = 0; r < f.rows.size(); ++r) {
        // Without any serial port the rows keep their ports.
        if (!ports_[r]->isEnabled())
            f.rows[r].port = stored_.rows[r].port;
        else
            f.rows[r].port = ports_[r]->currentIndex() > 0 ? ports_[r]->currentText().toStdString() : std::string();
        f.rows[r].device = devices_[r]->currentText().toStdString();
        f.rows[r].speed = speeds_[r]->currentIndex() == 1 ? 1 : 0;
    }
    f.online = online_->checkedId() == 1 ? 1 : 0;
    f.grid = grid_->checkedId() != 1;
    f.backColor = colour_;
    f.timeout = timeout_->text().toStdString();
    return f;
}

void OptionDialog::accept()
{
    const int refused = ApplyOptionForm(form(), portList_, settings_);
    if (refused != 0) {
        prompt_.message(refused, {}, model::Buttons::Ok, model::Icon::Warning);
        if (refused == kMsgTimeoutRange) timeout_->setText(QString::number(settings_.COM_TIME));
        return;
    }
    QDialog::accept();
}

}  // namespace kravin::shell

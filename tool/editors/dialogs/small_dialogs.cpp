#include "small_dialogs.h"

#include "text_codec.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kravin::editors {

namespace {

using res::Language;

QString tx(Language l, const char* en, const char* ja) { return QString::fromUtf8(l == Language::Japanese ? ja : en); }

QPushButton* button(QDialog* d, const QString& text, const QString& name)
{
    auto* b = new QPushButton(text, d);
    b->setObjectName(name);
    return b;
}

// A row of buttons; each ends the dialog with its code (1 accept, 2 reject, others done(code)).
QHBoxLayout* endRow(QDialog* d, std::initializer_list<std::pair<QPushButton*, int>> buttons)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    bool first = true;
    for (const auto& [b, code] : buttons) {
        if (first) b->setDefault(true);
        first = false;
        const int result = code;
        if (result == QDialog::Accepted)
            QObject::connect(b, &QPushButton::clicked, d, &QDialog::accept);
        else if (result == 2)
            QObject::connect(b, &QPushButton::clicked, d, &QDialog::reject);
        else
            QObject::connect(b, &QPushButton::clicked, d, [d, result] { d->done(result); });
        row->addWidget(b);
    }
    return row;
}

QHBoxLayout* okCancel(QDialog* d, Language l)
{
    return endRow(d, {{button(d, tx(l, "OK", "OK"), QStringLiteral("IDOK")), 1},
                      {button(d, tx(l, "Cancel", "キャンセル"), QStringLiteral("IDCANCEL")), 2}});
}

QLineEdit* readOnly(QDialog* d, const QString& name, const std::string& cp932)
{
    auto* e = new QLineEdit(model::cp932ToQString(cp932), d);
    e->setObjectName(name);
    e->setReadOnly(true);
    return e;
}

// The arrows stay within the range; a typed value is checked by OK.
class BoundedSpin : public QSpinBox {
public:
    BoundedSpin(int low, int high, QWidget* parent) : QSpinBox(parent), low_(low), high_(high) {}
    void stepBy(int steps) override { setValue(std::clamp(value() + steps, low_, high_)); }

protected:
    StepEnabled stepEnabled() const override
    {
        StepEnabled e = StepNone;
        if (value() < high_) e |= StepUpEnabled;
        if (value() > low_) e |= StepDownEnabled;
        return e;
    }

private:
    int low_, high_;
};

}  // namespace

// ---- Communication error and confirmation dialogs ----

ComErrorDialog::ComErrorDialog(const QString& detail, Language l, QWidget* parent)
    : QDialog(parent), detail_(new QLabel(detail, this))
{
    setObjectName(QStringLiteral("IDD_160"));
    setWindowTitle(QStringLiteral("KRAVin"));
    detail_->setObjectName(QStringLiteral("1101"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tx(l, "Communication Error!", "通信エラー！"), this));
    layout->addWidget(detail_);
    layout->addLayout(endRow(this, {{button(this, tx(l, "Skip", "スキップ"), QStringLiteral("IDOK")), 1},
                                    {button(this, tx(l, "Abort", "中止"), QStringLiteral("IDCANCEL")), 2}}));
}

ItemMissingDialog::ItemMissingDialog(int group, int item, Language l, QWidget* parent)
    : QDialog(parent), detail_(new QLabel(QString::fromStdString(itemMissingDetail(group, item)), this))
{
    setObjectName(QStringLiteral("IDD_306"));
    setWindowTitle(QStringLiteral("KRAVin"));
    detail_->setObjectName(QStringLiteral("1101"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tx(l, "Item does not exist.", "項目が存在しません。"), this));
    layout->addWidget(detail_);
    layout->addLayout(endRow(this, {{button(this, tx(l, "Skip", "スキップ"), QStringLiteral("IDOK")), 1},
                                    {button(this, tx(l, "Abort", "中止"), QStringLiteral("IDCANCEL")), 2},
                                    {button(this, tx(l, "Skip All", "すべてスキップ"), QStringLiteral("3")), 3}}));
}

UploadVersionCheckDialog::UploadVersionCheckDialog(Language l, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("IDD_163"));
    setWindowTitle(tx(l, "Check Upload Version ", "アップロードバージョンの確認 "));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tx(l, "This ROM version is not supported. \nDo you want to upload the latest version?",
                                    "このROMバージョンはサポートされていません。\n最新バージョンでアップロードしますか？"),
                                 this));
    layout->addLayout(endRow(this, {{button(this, tx(l, "Forced Execute", "強制実行"), QStringLiteral("IDOK")), 1},
                                    {button(this, tx(l, "Cancel", "キャンセル"), QStringLiteral("IDCANCEL")), 2}}));
}

CardCountDialog::CardCountDialog(const CardCountRange& range, model::Prompt& prompt, Language l, QWidget* parent)
    : QDialog(parent), range_(range), prompt_(prompt), edit_(new BoundedSpin(range.minimum, range.maximum, this))
{
    setObjectName(QStringLiteral("IDD_149"));
    setWindowTitle(res::qmessage(range.captionId(), l));
    edit_->setObjectName(QStringLiteral("1000"));
    edit_->setRange(0, 99);
    edit_->setValue(range.current);
    auto* label = new QLabel(res::qmessage(range.labelId(), l), this);
    label->setObjectName(QStringLiteral("1108"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(edit_);
    layout->addLayout(row);
    layout->addLayout(okCancel(this, l));
    setMinimumWidth(titleBarWidth(windowTitle()));
}

void CardCountDialog::accept()
{
    edit_->interpretText();
    const int value = edit_->value();
    if (const int id = checkCardCount(range_, value)) {
        prompt_.message(id, {std::int64_t{range_.minimum}, std::int64_t{range_.maximum}}, model::Buttons::Ok,
                        model::Icon::Warning);
        return;
    }
    count_ = value;
    QDialog::accept();
}

// ---- Select Version ----

SelectVersionDialog::SelectVersionDialog(const model::CardKindMasters& masters, const model::SystemConfigTables& tables,
                                         int station, int card, Language l, QWidget* parent)
    : QDialog(parent), list_(new QListWidget(this))
{
    setObjectName(QStringLiteral("IDD_252"));
    setWindowTitle(tx(l, "Select Version", "バージョン選択"));
    const VersionChoice c = buildVersionChoice(masters, tables, station, card);
    station_ = readOnly(this, QStringLiteral("1109"), c.station);
    card_ = readOnly(this, QStringLiteral("1110"), c.card);
    function_ = readOnly(this, QStringLiteral("1111"), c.function);
    list_->setObjectName(QStringLiteral("1112"));
    versions_ = c.versions;
    for (const std::string& v : versions_) list_->addItem(model::cp932ToQString(v));
    list_->setCurrentRow(c.selected);
    auto* form = new QFormLayout;
    form->addRow(tx(l, "STATION : ", "ステーション : "), station_);
    form->addRow(tx(l, "CARD : ", "カード : "), card_);
    form->addRow(tx(l, "Function Name :", "機能名 :"), function_);
    form->addRow(tx(l, "Version", "バージョン"), list_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(okCancel(this, l));
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

void SelectVersionDialog::accept()
{
    const int row = list_->currentRow();
    version_ = row >= 0 && row < static_cast<int>(versions_.size()) ? versions_[static_cast<std::size_t>(row)]
                                                                     : std::string();
    QDialog::accept();
}

// ---- Print ----

PrintScaleDialog::PrintScaleDialog(bool fit, model::Prompt& prompt, Language l, QWidget* parent)
    : QDialog(parent), prompt_(prompt), edit_(new QLineEdit(this)), spin_(new QSpinBox(this)),
      fitBox_(new QCheckBox(tx(l, "Fit to Page and Print ", "ページに合わせて印刷 "), this))
{
    setObjectName(QStringLiteral("IDD_255"));
    setWindowTitle(tx(l, "Print", "印刷"));
    edit_->setObjectName(QStringLiteral("1116"));
    edit_->setMaxLength(3);
    spin_->setObjectName(QStringLiteral("1117"));
    spin_->setRange(10, 100);
    spin_->setValue(100);
    // The up-down control drives the edit beside it.
    spin_->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    spin_->setFixedWidth(20);
    edit_->setText(QStringLiteral("100"));
    connect(spin_, &QSpinBox::valueChanged, this, [this](int v) { edit_->setText(QString::number(v)); });
    fitBox_->setObjectName(QStringLiteral("1121"));
    fitBox_->setChecked(fit);
    connect(fitBox_, &QCheckBox::toggled, this, &PrintScaleDialog::fitChanged);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tx(l, "Print Magnification :", "印刷倍率 :"), this));
    row->addWidget(edit_);
    row->addWidget(spin_);
    row->addWidget(new QLabel(QStringLiteral("%"), this));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(fitBox_);
    layout->addLayout(endRow(this, {{button(this, tx(l, "Print", "印刷"), QStringLiteral("IDOK")), 1},
                                    {button(this, tx(l, "Cancel", "キャンセル"), QStringLiteral("IDCANCEL")), 2}}));
    fitChanged();
}

void PrintScaleDialog::fitChanged()
{
    const bool scaled = !fitBox_->isChecked();
    edit_->setEnabled(scaled);
    spin_->setEnabled(scaled);
}

void PrintScaleDialog::accept()
{
    const auto r = checkPrintScale(fitBox_->isChecked(), edit_->text().toStdString());
    if (!r) {
        prompt_.message(kPrintScaleMessage, {}, model::Buttons::Ok, model::Icon::Warning);
        return;
    }
    result_ = *r;
    QDialog::accept();
}

// ---- Jump to Label ----

JumpLabelDialog::JumpLabelDialog(std::string& label, Language l, QWidget* parent)
    : QDialog(parent), label_(label), edit_(new QLineEdit(model::cp932ToQString(label), this))
{
    setObjectName(QStringLiteral("IDD_266"));
    setWindowTitle(tx(l, "Jump to Label", "ラベルへジャンプ"));
    edit_->setObjectName(QStringLiteral("1128"));
    edit_->setMaxLength(static_cast<int>(kJumpLabelBytes));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tx(l, "Label Name :", "ラベル名 :"), this));
    row->addWidget(edit_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(okCancel(this, l));
}

void JumpLabelDialog::accept()
{
    label_ = cutCp932(model::qstringToCp932(edit_->text()), kJumpLabelBytes);
    QDialog::accept();
}

// ---- Comment ----

CommentDialog::CommentDialog(int mode, const std::string& cp932, const QColor& colour, Language l, QWidget* parent)
    : QDialog(parent), edit_(new QPlainTextEdit(this)), swatch_(new ColorSwatch(this)),
      delete_(button(this, tx(l, "Delete", "削除"), QStringLiteral("3")))
{
    setObjectName(QStringLiteral("IDD_267"));
    setWindowTitle(tx(l, "Comment", "コメント"));
    edit_->setObjectName(QStringLiteral("1130"));
    swatch_->setObjectName(QStringLiteral("1160"));
    swatch_->setFixedSize(40, 20);
    if (mode == 0) {
        const unsigned c = kCommentDefaultColour;
        colour_ = QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
        delete_->setEnabled(false);
    } else {
        colour_ = colour;
        edit_->setPlainText(model::cp932ToQString(cp932));
    }
    swatch_->setColour(colour_);
    auto* pick = button(this, QStringLiteral("..."), QStringLiteral("1129"));
    connect(pick, &QPushButton::clicked, this, [this] {
        const QColor c = QColorDialog::getColor(colour_, this);
        if (!c.isValid()) return;
        colour_ = c;
        swatch_->setColour(c);
    });
    connect(delete_, &QPushButton::clicked, this, [this] {
        deleted_ = true;
        QDialog::accept();
    });
    auto* colourRow = new QHBoxLayout;
    colourRow->addWidget(new QLabel(tx(l, "Background Color:", "背景色:"), this));
    colourRow->addWidget(swatch_);
    colourRow->addWidget(pick);
    colourRow->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tx(l, "Comment:", "コメント:"), this));
    layout->addWidget(edit_);
    layout->addLayout(colourRow);
    auto* row = okCancel(this, l);
    row->insertWidget(1, delete_);
    layout->addLayout(row);
}

void CommentDialog::keyPressEvent(QKeyEvent* event)
{
    // Neither Enter nor Escape ends the dialog: Enter is a new line in the comment.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CommentDialog::accept()
{
    QStringList lines = edit_->toPlainText().split(QLatin1Char('\n'));
    if (lines.size() > kCommentLines) lines = lines.mid(0, kCommentLines);
    // The layer keeps the text with its NUL in a fixed field.
    text_ = cutCp932(model::qstringToCp932(lines.join(QStringLiteral("\r\n"))), model::kCommentTextBytes - 1);
    QDialog::accept();
}

bool QtCommentDialog::run(model::CommentDialogData& data)
{
    const auto c = static_cast<std::uint32_t>(data.colour);
    editors::CommentDialog d(data.mode, data.text, QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF), language_,
                             parent_);
    if (d.exec() != QDialog::Accepted) return false;
    data.text = d.text();
    const QColor chosen = d.colour();
    data.colour = static_cast<std::int32_t>(static_cast<std::uint32_t>(chosen.red()) |
                                            (static_cast<std::uint32_t>(chosen.green()) << 8) |
                                            (static_cast<std::uint32_t>(chosen.blue()) << 16));
    data.deleteRequested = d.deleted();
    return true;
}

// ---- Connection Line Format ----

LineFormatDialog::LineFormatDialog(const QColor& colour, int lineType, int thickness, Language l, QWidget* parent)
    : QDialog(parent), type_(new QComboBox(this)), thick_(new QComboBox(this)), swatch_(new ColorSwatch(this)),
      colour_(colour)
{
    setObjectName(QStringLiteral("IDD_264"));
    setWindowTitle(tx(l, "Connection Line Format", "結線の書式"));
    type_->setObjectName(QStringLiteral("1125"));
    type_->addItems({tx(l, "Solid", "実線"), tx(l, "Dot", "点線")});
    type_->setCurrentIndex(lineType);
    thick_->setObjectName(QStringLiteral("1126"));
    thick_->addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
    thick_->setCurrentIndex(thickness);
    swatch_->setObjectName(QStringLiteral("1160"));
    swatch_->setFixedSize(40, 20);
    swatch_->setColour(colour_);
    auto* pick = button(this, QStringLiteral("..."), QStringLiteral("1129"));
    connect(pick, &QPushButton::clicked, this, [this] {
        const QColor c = QColorDialog::getColor(colour_, this);
        if (!c.isValid()) return;
        colour_ = c;
        swatch_->setColour(c);
    });
    auto* colourRow = new QHBoxLayout;
    colourRow->addWidget(swatch_);
    colourRow->addWidget(pick);
    auto* form = new QFormLayout;
    form->addRow(tx(l, "Line Type :", "線種 :"), type_);
    form->addRow(tx(l, "Thickness :", "太さ :"), thick_);
    form->addRow(tx(l, "Color :", "色 :"), colourRow);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(okCancel(this, l));
}

void LineFormatDialog::accept()
{
    lineType_ = type_->currentIndex();
    thickness_ = thick_->currentIndex();
    QDialog::accept();
}

// ---- Select Group ----

SelectGroupDialog::SelectGroupDialog(const GroupChoice& choice, Language l, QWidget* parent)
    : QDialog(parent), box_(new QComboBox(this))
{
    setObjectName(QStringLiteral("IDD_272"));
    setWindowTitle(tx(l, "Select Group", "グループ選択"));
    box_->setObjectName(QStringLiteral("1166"));
    for (const std::string& g : choice.groups) box_->addItem(QString::fromStdString(g));
    box_->setCurrentIndex(choice.selected);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tx(l, "Group :", "グループ :"), this));
    row->addWidget(box_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(okCancel(this, l));
}

void SelectGroupDialog::accept()
{
    index_ = box_->currentIndex();
    group_ = box_->currentText().toStdString();
    QDialog::accept();
}

// ---- Device Layout ----

DeviceLayoutDialog::DeviceLayoutDialog(const std::string& modelName, const DeviceLayoutChoice& choice, Language l,
                                       QWidget* parent)
    : QDialog(parent), stationBox_(new QComboBox(this)), cardBox_(new QComboBox(this)), versions_(new QListWidget(this))
{
    setObjectName(QStringLiteral("IDD_261"));
    setWindowTitle(tx(l, "Device Layout", "機器配置"));
    QLineEdit* name = readOnly(this, QStringLiteral("1124"), modelName);
    stationBox_->setObjectName(QStringLiteral("1122"));
    cardBox_->setObjectName(QStringLiteral("1123"));
    versions_->setObjectName(QStringLiteral("1112"));
    for (const std::string& s : choice.stations) stationBox_->addItem(QString::fromStdString(s));
    for (const std::string& c : choice.cards) cardBox_->addItem(QString::fromStdString(c));
    for (const std::string& v : choice.versions) versions_->addItem(model::cp932ToQString(v));
    stationBox_->setCurrentIndex(choice.stationLine);
    cardBox_->setCurrentIndex(choice.cardLine);
    versions_->setCurrentRow(choice.versionLine);
    auto* form = new QFormLayout;
    form->addRow(tx(l, "Model Name :", "機種名 :"), name);
    form->addRow(tx(l, "Station :", "ステーション :"), stationBox_);
    form->addRow(tx(l, "Card :", "カード :"), cardBox_);
    form->addRow(tx(l, "Version :", "バージョン :"), versions_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(okCancel(this, l));
}

void DeviceLayoutDialog::accept()
{
    const QListWidgetItem* item = versions_->currentItem();
    version_ = item ? model::qstringToCp932(item->text()) : std::string();
    readDeviceLayout(stationBox_->currentText().toStdString(), cardBox_->currentText().toStdString(), &station_,
                     &card_);
    QDialog::accept();
}

}  // namespace kravin::editors

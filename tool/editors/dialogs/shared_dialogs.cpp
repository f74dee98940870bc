#include "shared_dialogs.h"

#include "text_codec.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace kravin::editors {

namespace {

using res::Language;

QString tx(Language l, const char* en, const char* ja)
{
    return QString::fromUtf8(l == Language::Japanese ? ja : en);
}

QString okText(Language l) { return tx(l, "OK", "OK"); }
QString cancelText(Language l) { return tx(l, "Cancel", "キャンセル"); }

// OK and Cancel buttons wired to accept and reject, with the given object names.
QHBoxLayout* buttonRow(QDialog* d, Language l, const QString& okName, const QString& cancelName,
                       const QString& okLabel = {})
{
    auto* row = new QHBoxLayout;
    auto* ok = new QPushButton(okLabel.isEmpty() ? okText(l) : okLabel, d);
    auto* cancel = new QPushButton(cancelText(l), d);
    ok->setObjectName(okName);
    cancel->setObjectName(cancelName);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, d, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, d, &QDialog::reject);
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

void fillList(QListWidget* list, const std::vector<std::string>& lines)
{
    list->clear();
    for (const std::string& s : lines) list->addItem(model::cp932ToQString(s));
}

std::string selectedLine(const QListWidget* list, const std::vector<std::string>& lines)
{
    const int row = list->currentRow();
    return row >= 0 && row < static_cast<int>(lines.size()) ? lines[static_cast<std::size_t>(row)] : std::string();
}

// An edit whose text is not selected when it gets the focus.
class DeselectOnFocus : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn)
            if (auto* edit = qobject_cast<QLineEdit*>(watched))
                QTimer::singleShot(0, edit, [edit] { edit->deselect(); });
        return false;
    }
};

void dropSelectionOnFocus(QLineEdit* edit) { edit->installEventFilter(new DeselectOnFocus(edit)); }

void showMessage(model::Prompt& prompt, int id)
{
    prompt.message(id, {}, model::Buttons::Ok, model::Icon::Warning);
}

}  // namespace

DialogExchange& dialogExchange()
{
    static DialogExchange exchange;
    return exchange;
}

// ---- Model Selection ----

ModelSelectDialog::ModelSelectDialog(const model::CardKindMasters& masters, const model::SystemConfigTables& tables,
                                     int station, int card, res::Language language, QWidget* parent)
    : QDialog(parent), master_(card > 0 ? &masters.card : &masters.station), id_(138)
{
    build(language);
    const ModelList list = buildModelList(masters, tables, station, card);
    fillList(models_, list.models);
    fillList(versions_, list.versions);
    models_->setCurrentRow(list.modelLine);
    versions_->setCurrentRow(list.versionLine);
    connect(models_, &QListWidget::currentRowChanged, this, &ModelSelectDialog::modelChanged);
}

ModelSelectDialog::ModelSelectDialog(int targetStation, int targetCardIndex, DialogExchange& exchange,
                                     res::Language language, QWidget* parent)
    : QDialog(parent), id_(178)
{
    exchange.targetCard = targetCardIndex + 1;
    exchange.targetStation = targetStation;
    build(language);
}

void ModelSelectDialog::build(res::Language l)
{
    setObjectName(QStringLiteral("IDD_%1").arg(id_));
    setWindowTitle(tx(l, "Model Selection", "機種選択"));
    models_ = new QListWidget(this);
    versions_ = new QListWidget(this);
    models_->setObjectName(QStringLiteral("1003"));
    versions_->setObjectName(QStringLiteral("1004"));
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tx(l, "Model Name", "機種名"), this), 0, 0);
    grid->addWidget(new QLabel(tx(l, "Version", "バージョン"), this), 0, 1);
    grid->addWidget(models_, 1, 0);
    grid->addWidget(versions_, 1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    if (id_ == 138)
        layout->addLayout(buttonRow(this, l, QStringLiteral("1098"), QStringLiteral("1066")));
    else
        layout->addLayout(buttonRow(this, l, QStringLiteral("IDOK"), QStringLiteral("IDCANCEL"), tx(l, "Fix", "確定")));
    connect(models_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(versions_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

void ModelSelectDialog::modelChanged()
{
    if (!master_) return;
    const QListWidgetItem* item = models_->currentItem();
    const std::string name = item ? model::qstringToCp932(item->text()) : std::string();
    fillList(versions_, versionsOfModel(*master_, name));
    versions_->setCurrentRow(versions_->count() > 0 ? 0 : -1);
}

void ModelSelectDialog::accept()
{
    auto text = [](const QListWidget* list) {
        const QListWidgetItem* item = list->currentItem();
        return item ? model::qstringToCp932(item->text()) : std::string();
    };
    model_ = text(models_);
    version_ = text(versions_);
    QDialog::accept();
}

// ---- List selections ----

const std::array<const char*, 17> ListSelectDialog::kRnh6TypeCodes{
    "A1", "A2", "C1", "C2", "C3", "C4", "E1", "E2", "G1", "H2", "J2", "M1", "P1", "R1", "S1", "S2", "U1"};

ListSelectDialog::ListSelectDialog(Kind kind, std::vector<std::string> lines, int initial, res::Language l,
                                   QWidget* parent)
    : QDialog(parent), kind_(kind), lines_(std::move(lines)), list_(new QListWidget(this))
{
    if (kind == Kind::CardType) lines_.assign(kRnh6TypeCodes.begin(), kRnh6TypeCodes.end());
    setObjectName(QStringLiteral("IDD_%1").arg(dialogId()));
    list_->setObjectName(QStringLiteral("1003"));
    QString title, caption;
    switch (kind) {
    case Kind::CardName:
        title = tx(l, "Select Card Name", "カード名選択");
        caption = tx(l, "Selectable Card Name", "選択可能なカード名");
        break;
    case Kind::CardType:
        title = tx(l, "Select RNH6 Type", "RNH6タイプ選択");
        caption = tx(l, "Selectable Type", "選択可能なタイプ");
        break;
    case Kind::Function:
        title = tx(l, "Select Function", "機能選択");
        caption = tx(l, "Selectable Function", "選択可能な機能");
        break;
    }
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(caption, this));
    layout->addWidget(list_);
    if (kind == Kind::CardName)
        layout->addLayout(buttonRow(this, l, QStringLiteral("IDOK"), QStringLiteral("IDCANCEL"), tx(l, "Fix", "確定")));
    else
        layout->addLayout(buttonRow(this, l, QStringLiteral("1098"), QStringLiteral("1066")));
    fillList(list_, lines_);
    if (kind != Kind::Function) initial = 0;
    if (initial < 0 || initial >= list_->count()) initial = list_->count() > 0 ? 0 : -1;
    list_->setCurrentRow(initial);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

int ListSelectDialog::dialogId() const
{
    switch (kind_) {
    case Kind::CardName: return 156;
    case Kind::CardType: return 148;
    case Kind::Function: return 142;
    }
    return 0;
}

void ListSelectDialog::accept()
{
    const int row = list_->currentRow();
    index_ = row >= 0 && row < static_cast<int>(lines_.size()) ? row : -1;
    line_ = selectedLine(list_, lines_);
    QDialog::accept();
}

// ---- Enter Parameter ----

ParamInputDialog::ParamInputDialog(DialogExchange& exchange, model::Prompt& prompt, res::Language l, Browse browse,
                                   QWidget* parent)
    : QDialog(parent),
      ex_(exchange),
      prompt_(prompt),
      browseFn_(std::move(browse)),
      label_(new QLabel(this)),
      edit_(new QLineEdit(this)),
      browse_(new QPushButton(tx(l, "Browse", "参照"), this))
{
    setObjectName(QStringLiteral("IDD_150"));
    setWindowTitle(tx(l, "Enter Parameter ", "パラメータ入力 "));
    label_->setObjectName(QStringLiteral("1069"));
    edit_->setObjectName(QStringLiteral("1000"));
    browse_->setObjectName(QStringLiteral("1098"));
    edit_->setMaxLength(4);
    const int labelId = paramLabelId(ex_.paramKind);
    label_->setText(labelId ? res::qmessage(labelId, l) : tx(l, "Discrete Signal Number", "接点信号番号"));
    browse_->setEnabled(ex_.paramKind != 7);
    // Return confirms the entry even after a click on Browse.
    browse_->setAutoDefault(false);
    edit_->setText(QString::fromStdString(paramInitialText(ex_.paramValue)));
    if (paramDropsSelection(ex_.paramValue)) dropSelectionOnFocus(edit_);
    connect(browse_, &QPushButton::clicked, this, &ParamInputDialog::onBrowse);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(label_);
    row->addWidget(edit_);
    row->addWidget(browse_);
    layout->addLayout(row);
    layout->addLayout(buttonRow(this, l, QStringLiteral("IDOK"), QStringLiteral("IDCANCEL")));
}

void ParamInputDialog::onBrowse()
{
    const ContactRef c = contactOfParam(edit_->text().toStdString());
    ex_.contactGroup = c.group;
    ex_.contactItem = c.item;
    if (browseFn_ && browseFn_(ex_.contactGroup, ex_.contactItem))
        edit_->setText(QString::fromStdString(paramTextOfContact({ex_.contactGroup, ex_.contactItem})));
}

void ParamInputDialog::accept()
{
    const std::string typed = edit_->text().toStdString();
    if (const int id = checkParamEntry(typed, ex_.paramKind)) {
        showMessage(prompt_, id);
        return;
    }
    text_ = typed;
    QDialog::accept();
}

// ---- ID INPUT ----

IdInputDialog::IdInputDialog(DialogExchange& exchange, model::Prompt& prompt, res::Language l,
                             const std::string& initial, QWidget* parent)
    : QDialog(parent), ex_(exchange), prompt_(prompt), edit_(new QLineEdit(this))
{
    setObjectName(QStringLiteral("IDD_212"));
    setWindowTitle(tx(l, "ID INPUT", "ID入力"));
    edit_->setObjectName(QStringLiteral("1000"));
    edit_->setMaxLength(4);
    edit_->setText(QString::fromStdString(initial));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tx(l, "Please enter ID", "IDを入力してください"), this));
    layout->addWidget(edit_);
    layout->addLayout(buttonRow(this, l, QStringLiteral("IDOK"), QStringLiteral("IDCANCEL")));
}

void IdInputDialog::accept()
{
    if (const int id = checkIdEntry(model::utf8ToCp932(edit_->text().toStdString()), ex_.unitIdBuffer)) {
        showMessage(prompt_, id);
        return;
    }
    QDialog::accept();
}

// ---- Enter Step Number ----

StepNoInputDialog::StepNoInputDialog(const DialogExchange& exchange, model::Prompt& prompt, res::Language l,
                                     QWidget* parent)
    : QDialog(parent), value_(exchange.stepNoValue), prompt_(prompt), edit_(new QLineEdit(this))
{
    setObjectName(QStringLiteral("IDD_151"));
    setWindowTitle(tx(l, "Enter Step Number", "ステップ番号入力"));
    edit_->setObjectName(QStringLiteral("1000"));
    edit_->setMaxLength(2);
    edit_->setText(QString::fromStdString(stepNoInitialText(value_)));
    if (stepNoDropsSelection(value_)) dropSelectionOnFocus(edit_);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tx(l, "Step Number", "ステップ番号"), this));
    row->addWidget(edit_);
    layout->addLayout(row);
    layout->addLayout(buttonRow(this, l, QStringLiteral("IDOK"), QStringLiteral("IDCANCEL")));
}

void StepNoInputDialog::accept()
{
    const std::string typed = edit_->text().toStdString();
    if (const int id = checkStepNoEntry(typed)) {
        showMessage(prompt_, id);
        return;
    }
    text_ = typed;
    QDialog::accept();
}

// ---- Enter Step Timer ----

StepTimerDialog::StepTimerDialog(int cellValue, res::Language l, QWidget* parent)
    : QDialog(parent),
      onDelay_(new QRadioButton(tx(l, "On Delay Timer", "オンディレイタイマ"), this)),
      monitor_(new QRadioButton(tx(l, "Step Monitor Timer", "ステップ監視タイマ"), this)),
      spin_(new QSpinBox(this))
{
    setObjectName(QStringLiteral("IDD_152"));
    setWindowTitle(tx(l, "Enter Step Timer", "ステップタイマ入力"));
    onDelay_->setObjectName(QStringLiteral("1005"));
    monitor_->setObjectName(QStringLiteral("1006"));
    spin_->setObjectName(QStringLiteral("1000"));
    spin_->setRange(0, 999);
    auto* group = new QButtonGroup(this);
    group->addButton(onDelay_, 0);
    group->addButton(monitor_, 1);
    const StepTimer t = stepTimerOfCell(cellValue);
    seconds_ = t.seconds;
    kind_ = t.kind;
    (kind_ == 1 ? monitor_ : onDelay_)->setChecked(true);
    spin_->setValue(seconds_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(onDelay_);
    layout->addWidget(monitor_);
    auto* row = new QHBoxLayout;
    row->addWidget(spin_);
    row->addWidget(new QLabel(tx(l, "Sec.", "秒"), this));
    layout->addLayout(row);
    layout->addLayout(buttonRow(this, l, QStringLiteral("IDOK"), QStringLiteral("IDCANCEL")));
}

void StepTimerDialog::accept()
{
    seconds_ = spin_->value();
    kind_ = monitor_->isChecked() ? 1 : 0;
    QDialog::accept();
}

// ---- Enter Comment ----

EnterCommentDialog::EnterCommentDialog(const std::string& cp932, res::Language l, QWidget* parent)
    : QDialog(parent), edit_(new QLineEdit(this))
{
    setObjectName(QStringLiteral("IDD_153"));
    setWindowTitle(tx(l, "Enter Comment", "コメント入力"));
    edit_->setObjectName(QStringLiteral("1000"));
    edit_->setMaxLength(static_cast<int>(kCommentBytes));
    edit_->setText(model::cp932ToQString(fitComment(cp932)));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tx(l, "Comment", "コメント"), this));
    row->addWidget(edit_);
    layout->addLayout(row);
    layout->addLayout(buttonRow(this, l, QStringLiteral("IDOK"), QStringLiteral("IDCANCEL")));
}

void EnterCommentDialog::accept()
{
    comment_ = fitComment(model::qstringToCp932(edit_->text()));
    QDialog::accept();
}

// ---- Ladder keys ----

LadderKeyHelpDialog::LadderKeyHelpDialog(res::Language l, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("IDD_154"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(tx(l, "Ladder Operation Key Explanation", "ラダー操作キー説明"));
    auto* grid = new QGridLayout;
    int row = 0;
    for (const KeyHelpLine& line : kLadderKeyHelp) {
        const QString label = QString::fromUtf8(l == Language::Japanese ? line.labelJa : line.label);
        grid->addWidget(new QLabel(label + QStringLiteral(" ............"), this), row, 0);
        grid->addWidget(new QLabel(QString::fromUtf8(line.keys), this), row, 1);
        ++row;
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    auto* close = new QPushButton(tx(l, "Close", "閉じる"), this);
    close->setObjectName(QStringLiteral("IDOK"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);
}

}  // namespace kravin::editors

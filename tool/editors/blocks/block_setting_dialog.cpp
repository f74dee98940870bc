#include "block_setting_dialog.h"

#include "text_codec.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace kravin::editors::blocks {

namespace {

QString tx(res::Language l, const char* english, const char* japanese)
{
    return QString::fromUtf8(l == res::Language::Japanese ? japanese : english);
}

// Twips to pixels at the screen's 96 dots an inch.
int twipsToPixels(int twips) { return twips * 96 / 1440; }

// The longest prefix of text whose CP932 form fits in limit bytes.
QString fitted(const QString& text, std::size_t limit)
{
    QString out;
    std::size_t used = 0;
    for (QChar c : text) {
        const std::size_t n = model::qstringToCp932(QString(c)).size();
        if (used + n > limit) break;
        used += n;
        out += c;
    }
    return out;
}

}  // namespace

// ---- Model ----

BlockSettingModel::BlockSettingModel(BlockSettingEditor& editor, QObject* parent)
    : QAbstractTableModel(parent), editor_(editor)
{
}

int BlockSettingModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(editor_.rows().size());
}

int BlockSettingModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kSettingColumns; }

QVariant BlockSettingModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const SettingRow& row = editor_.rows()[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return model::cp932ToQString(row.cells[static_cast<std::size_t>(index.column())]);
    case Qt::BackgroundRole:
        if (index.column() == kValueColumn)
            return QColor(editor_.mode() == 0 && row.locked ? QColor(0, 0, 0) : QColor(255, 255, 255));
        return {};
    case Qt::TextAlignmentRole:
        return index.column() == 0 ? int(Qt::AlignCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
    default: return {};
    }
}

QVariant BlockSettingModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kSettingColumns) return {};
    if (role == Qt::DisplayRole) return QString::fromStdString(editor_.headers()[static_cast<std::size_t>(section)]);
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    return {};
}

Qt::ItemFlags BlockSettingModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (editor_.cellEditable(index.row(), index.column())) f |= Qt::ItemIsEditable;
    return f;
}

bool BlockSettingModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !editor_.cellEditable(index.row(), index.column())) return false;
    const std::string bytes = model::qstringToCp932(fitted(value.toString(), editor_.valueLimit()));
    editor_.setValue(index.row(), bytes);
    Q_EMIT dataChanged(index, index);
    return true;
}

void BlockSettingModel::reload()
{
    beginResetModel();
    endResetModel();
}

// ---- Delegate ----

QWidget* Cp932CellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QStringLiteral("cellEditor"));
    last_ = edit;
    edit->setFrame(false);
    const auto limit = limit_;
    connect(edit, &QLineEdit::textEdited, edit, [edit, limit](const QString& text) {
        const QString fit = fitted(text, limit ? limit() : 16);
        if (fit == text) return;
        const int cursor = std::min(edit->cursorPosition(), static_cast<int>(fit.size()));
        edit->setText(fit);
        edit->setCursorPosition(cursor);
    });
    return edit;
}

void Cp932CellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* edit = static_cast<QLineEdit*>(editor);
    if (!startText_.isNull()) {
        edit->setText(startText_);
        startText_ = QString();
    } else {
        edit->setText(index.data(Qt::EditRole).toString());
    }
    edit->setCursorPosition(static_cast<int>(edit->text().size()));
}

void Cp932CellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
}

bool Cp932CellDelegate::eventFilter(QObject* object, QEvent* event)
{
    // Up and Down end the edit, then move as on the grid.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            auto* editor = qobject_cast<QWidget*>(object);
            Q_EMIT commitData(editor);
            Q_EMIT closeEditor(editor, key == Qt::Key_Up ? EditPreviousItem : EditNextItem);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

// ---- Grid ----

bool BlockSettingGrid::editCurrent(const QString& startText)
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !(model()->flags(current) & Qt::ItemIsEditable)) return false;
    if (cellDelegate) cellDelegate->startWith(startText.isEmpty() ? QString() : startText);
    return edit(current, QAbstractItemView::AllEditTriggers, nullptr);
}

bool BlockSettingGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    const bool opened = QTableView::edit(index, trigger, event);
    if (opened && cellDelegate)
        if (auto* line = qobject_cast<QLineEdit*>(cellDelegate->lastEditor())) {
            line->deselect();
            line->end(false);
        }
    return opened;
}

void BlockSettingGrid::keyPressEvent(QKeyEvent* event)
{
    if (state() != EditingState) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            editCurrent();
            return;
        }
        // Only a printable ASCII character starts an edit with itself.
        const QString text = event->text();
        if (text.size() == 1 && keyStartsEdit(text.at(0).unicode()) && !(event->modifiers() & Qt::ControlModifier)) {
            editCurrent(text);
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

// ---- Dialog ----

BlockSettingDialog::BlockSettingDialog(model::UnitContext& unit, model::Prompt& prompt, res::Language language,
                                       BlockSettingHost& host, QWidget* parent)
    : QDialog(parent), editor_(unit, prompt, language, host)
{
    setObjectName(QStringLiteral("blockSettingDialog"));
    setWindowTitle(tx(language, "Function Block Setting", "機能ブロック設定"));

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tx(language, "Group No", "グループNo"), this));
    group_ = new QLabel(QString::fromStdString(editor_.groupText()), this);
    group_->setObjectName(QStringLiteral("groupNo"));
    mark_ = new QLabel(QString::fromStdString(editor_.markText()), this);
    mark_->setObjectName(QStringLiteral("blockMark"));
    name_ = new QLabel(model::cp932ToQString(editor_.nameText()), this);
    name_->setObjectName(QStringLiteral("blockName"));
    top->addWidget(group_);
    top->addSpacing(20);
    top->addWidget(mark_);
    top->addSpacing(20);
    top->addWidget(name_, 1);

    grid_ = new BlockSettingGrid(this);
    grid_->setObjectName(QStringLiteral("grid"));
    model_ = new BlockSettingModel(editor_, grid_);
    grid_->setModel(model_);
    grid_->cellDelegate = new Cp932CellDelegate([this] { return editor_.valueLimit(); }, grid_);
    grid_->setItemDelegate(grid_->cellDelegate);
    grid_->setEditTriggers(QAbstractItemView::DoubleClicked);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setDefaultSectionSize(twipsToPixels(kSettingRowTwips));
    grid_->horizontalHeader()->setStretchLastSection(true);
    fitColumns();

    itemButton_ = new QPushButton(tx(language, "Item Information", "項目情報"), this);
    itemButton_->setObjectName(QStringLiteral("itemInformation"));
    terminalButton_ = new QPushButton(tx(language, "Terminal Information", "端子情報"), this);
    terminalButton_->setObjectName(QStringLiteral("terminalInformation"));
    printButton_ = new QPushButton(tx(language, "Print", "印刷"), this);
    printButton_->setObjectName(QStringLiteral("print"));
    printButton_->setEnabled(false);
    auto* ok = new QPushButton(tx(language, "OK", "OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    auto* cancel = new QPushButton(tx(language, "Cancel", "キャンセル"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    for (QPushButton* b : {itemButton_, terminalButton_, printButton_, ok, cancel}) b->setAutoDefault(false);
    connect(itemButton_, &QPushButton::clicked, this, [this] { switchMode(false); });
    connect(terminalButton_, &QPushButton::clicked, this, [this] { switchMode(true); });
    connect(printButton_, &QPushButton::clicked, this, [this] {
        if (!print_) return;
        editor_.collect();
        print_();
    });
    connect(ok, &QPushButton::clicked, this, &BlockSettingDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &BlockSettingDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(itemButton_);
    buttons->addWidget(terminalButton_);
    buttons->addWidget(printButton_);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);
    resize(std::max(width(), 760), 520);
    updateButtons();
    if (model_->rowCount() > 0) grid_->setCurrentIndex(model_->index(0, kValueColumn));
    grid_->setFocus();
}

BlockSettingDialog::~BlockSettingDialog()
{
    // The grid reads the editor's rows until it is gone.
    delete grid_;
}

void BlockSettingDialog::updateButtons()
{
    itemButton_->setEnabled(editor_.itemButtonEnabled());
    terminalButton_->setEnabled(editor_.terminalButtonEnabled());
}

void BlockSettingDialog::selectRow(int row)
{
    if (row < 0 || row >= model_->rowCount()) return;
    const QModelIndex index = model_->index(row, kValueColumn);
    grid_->setCurrentIndex(index);
    grid_->scrollTo(index);
}

void BlockSettingDialog::switchMode(bool terminals)
{
    // An open cell edit goes into the grid first.
    grid_->setFocus();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int bad = -1;
    const bool switched = terminals ? editor_.showTerminals(&bad) : editor_.showItems();
    QApplication::restoreOverrideCursor();
    if (!switched) {
        selectRow(bad);
        return;
    }
    model_->reload();
    fitColumns();
    updateButtons();
    (terminals ? itemButton_ : terminalButton_)->setFocus();
}

void BlockSettingDialog::fitColumns()
{
    // The grid's widths, widened where a heading of the interface's language or a cell would be cut.
    QHeaderView* header = grid_->horizontalHeader();
    int total = 0;
    for (int c = 0; c < kSettingColumns; ++c) {
        // The range column, last, takes what its texts need and stretches over the rest.
        const int base = c + 1 < kSettingColumns ? twipsToPixels(kSettingColumnTwips[static_cast<std::size_t>(c)]) : 0;
        int width = std::max(base, header->sectionSizeHint(c));
        // A cell is painted beside the grid's line, which its own size hint leaves out.
        const int line = grid_->showGrid() ? 1 : 0;
        for (int r = 0; r < model_->rowCount(); ++r)
            width = std::max(width, grid_->sizeHintForIndex(model_->index(r, c)).width() + line);
        grid_->setColumnWidth(c, width);
        total += width;
    }
    // The dialog shows every column beside the other, as far as the screen allows.
    const int frame = 2 * grid_->frameWidth() + grid_->verticalScrollBar()->sizeHint().width();
    const QMargins margins = layout() ? layout()->contentsMargins() : QMargins(11, 11, 11, 11);
    int wanted = total + frame + margins.left() + margins.right();
    if (const QScreen* screen = this->screen()) wanted = std::min(wanted, screen->availableGeometry().width());
    if (width() < wanted) resize(wanted, height());
}

void BlockSettingDialog::accept()
{
    grid_->setFocus();
    int bad = -1;
    const int result = editor_.accept(&bad);
    // Cleared steps or normalised values show in the grid.
    model_->reload();
    if (result != 0) {
        selectRow(bad);
        return;
    }
    QDialog::accept();
}

void BlockSettingDialog::setPrint(std::function<void()> print)
{
    print_ = std::move(print);
    printButton_->setEnabled(static_cast<bool>(print_));
}

void BlockSettingDialog::reject()
{
    if (!editor_.cancel()) return;
    QDialog::reject();
}

}  // namespace kravin::editors::blocks

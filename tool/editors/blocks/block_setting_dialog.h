// The Function Block Setting dialog: the block's items or terminals on a grid
// whose value column edits in place, with the mode buttons, OK and Cancel.
// The rules live in BlockSettingEditor.
#pragma once

#include "block_setting_logic.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>

class QLabel;
class QPushButton;

namespace kravin::editors::blocks {

// The grid's rows over the editor (texts shown from CP932).
class BlockSettingModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit BlockSettingModel(BlockSettingEditor& editor, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    // The rows were rebuilt (mode switch, cleared steps).
    void reload();

private:
    BlockSettingEditor& editor_;
};

// The in-place editor: a line edit that takes no more CP932 bytes than the
// cell holds, and may start with a typed character instead of the cell text.
class Cp932CellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit Cp932CellDelegate(std::function<std::size_t()> limit, QObject* parent = nullptr)
        : QStyledItemDelegate(parent), limit_(std::move(limit))
    {
    }
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    // The next editor starts with this text (a typed key) instead of the cell's.
    void startWith(const QString& text) { startText_ = text; }
    // The editor made last (null once it is gone).
    QWidget* lastEditor() const { return last_; }

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    std::function<std::size_t()> limit_;
    mutable QString startText_;
    mutable QPointer<QWidget> last_;
};

// The grid: editing starts on double click, Return or a printable key only.
class BlockSettingGrid : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;
    Cp932CellDelegate* cellDelegate = nullptr;
    bool editCurrent(const QString& startText = {});
    bool editing() const { return state() == EditingState; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The editor opens with its caret after the text, nothing selected.
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
};

class BlockSettingDialog : public QDialog {
    Q_OBJECT
public:
    BlockSettingDialog(model::UnitContext& unit, model::Prompt& prompt, res::Language language,
                       BlockSettingHost& host, QWidget* parent = nullptr);
    ~BlockSettingDialog() override;

    BlockSettingEditor& editor() { return editor_; }
    BlockSettingGrid* grid() const { return grid_; }
    BlockSettingModel* gridModel() const { return model_; }
    QPushButton* itemButton() const { return itemButton_; }
    QPushButton* terminalButton() const { return terminalButton_; }
    QPushButton* printButton() const { return printButton_; }
    // Print prints the block with the values on the grid; without it the button stays disabled.
    void setPrint(std::function<void()> print);

    void accept() override;
    void reject() override;

private:
    void switchMode(bool terminals);
    void fitColumns();
    void updateButtons();
    void selectRow(int row);

    BlockSettingEditor editor_;
    BlockSettingModel* model_ = nullptr;
    BlockSettingGrid* grid_ = nullptr;
    QLabel* group_ = nullptr;
    QLabel* mark_ = nullptr;
    QLabel* name_ = nullptr;
    QPushButton* itemButton_ = nullptr;
    QPushButton* terminalButton_ = nullptr;
    QPushButton* printButton_ = nullptr;
    std::function<void()> print_;
};

}  // namespace kravin::editors::blocks

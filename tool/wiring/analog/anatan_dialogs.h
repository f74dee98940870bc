// The small dialogs of the analog view: Select Group, Connection Line
// Format, Jump to Label and the comment box dialog.
#pragma once

#include "anatan_editor.h"
#include "string_table.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kravin::wiring {

// What the view asks through dialogs; tests answer from a script.
class AnaTanDialogs {
public:
    virtual ~AnaTanDialogs() = default;
    virtual std::optional<int> selectGroup(const model::UnitContext& unit, const std::string& code5) = 0;
    virtual std::optional<std::string> jumpLabel() = 0;
    virtual std::optional<LineFormatChoice> lineFormat(const LineFormatChoice& current) = 0;
    virtual model::CommentDialog& commentDialog() = 0;
};

// Select Group (272): the groups that accept the code.
class SelectGroupDialog : public QDialog {
    Q_OBJECT
public:
    SelectGroupDialog(const GroupChoices& choices, res::Language language, QWidget* parent = nullptr);
    int group() const;
    QComboBox* combo() const { return combo_; }

private:
    QComboBox* combo_;
};

// Connection Line Format (264).
class LineFormatDialog : public QDialog {
    Q_OBJECT
public:
    LineFormatDialog(const LineFormatChoice& current, res::Language language, QWidget* parent = nullptr);
    LineFormatChoice choice() const;

private:
    QComboBox* type_;
    QComboBox* width_;
    QPushButton* colour_;
    std::int32_t colourRef_ = 0;
};

// Jump to Label (266): at most 7 characters.
class JumpLabelDialog : public QDialog {
    Q_OBJECT
public:
    explicit JumpLabelDialog(res::Language language, QWidget* parent = nullptr);
    QLineEdit* edit() const { return edit_; }

private:
    QLineEdit* edit_;
};

// The real dialogs, modal over a parent.
class QtAnaTanDialogs final : public AnaTanDialogs, public model::CommentDialog {
public:
    QtAnaTanDialogs(res::Language language, QWidget* parent) : language_(language), parent_(parent) {}
    std::optional<int> selectGroup(const model::UnitContext& unit, const std::string& code5) override;
    std::optional<std::string> jumpLabel() override;
    std::optional<LineFormatChoice> lineFormat(const LineFormatChoice& current) override;
    model::CommentDialog& commentDialog() override { return *this; }
    bool run(model::CommentDialogData& data) override;

private:
    res::Language language_;
    QWidget* parent_;
};

}  // namespace kravin::wiring

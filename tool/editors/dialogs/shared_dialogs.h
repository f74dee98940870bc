// The shared selection and input dialogs of the editors. Each takes what it
// shows in its constructor and gives the choice after exec() returned Accepted;
// the checks behind OK are those of dialog_checks.h.
#pragma once

#include "dialog_checks.h"
#include "dialog_parts.h"
#include "prompt.h"
#include "string_table.h"

#include <QColor>
#include <QDialog>
#include <QWidget>

#include <array>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace kravin::editors {

class BusyDialog;

// Values handed to and from the dialogs (the editors fill them before and read them after).
struct DialogExchange {
    int paramValue = 0;
    int paramKind = 0;
    int contactGroup = 0;
    int contactItem = 0;
    std::array<char, 5> unitIdBuffer{};
    int stepNoValue = 0;
    int fieldNameGroup = 0;
    int targetStation = 0;
    int targetCard = 0;
    BusyDialog* busyDlg = nullptr;
};
DialogExchange& dialogExchange();

// Model Selection: dialog 138 lists the kinds and versions for a unit; dialog 178
// leaves its lists empty and records the target unit.
class ModelSelectDialog : public QDialog {
    Q_OBJECT
public:
    ModelSelectDialog(const model::CardKindMasters& masters, const model::SystemConfigTables& tables, int station,
                      int card, res::Language language, QWidget* parent = nullptr);
    // Dialog 178: the lists stay empty; the unit last chosen in the communication view becomes the target.
    ModelSelectDialog(int targetStation, int targetCardIndex, DialogExchange& exchange, res::Language language,
                      QWidget* parent = nullptr);
    int dialogId() const { return id_; }
    // The chosen lines (CP932 names as the masters hold them); empty when none.
    std::string model() const { return model_; }
    std::string version() const { return version_; }
    QListWidget* modelList() const { return models_; }
    QListWidget* versionList() const { return versions_; }

    void accept() override;

private:
    void build(res::Language language);
    void modelChanged();

    const model::CardKindMaster* master_ = nullptr;
    int id_;
    QListWidget* models_ = nullptr;
    QListWidget* versions_ = nullptr;
    std::string model_, version_;
};

// A single list to pick one line from: Select Card Name (156), Select RNH6 Type (148),
// Select Function (142).
class ListSelectDialog : public QDialog {
    Q_OBJECT
public:
    enum class Kind { CardName, CardType, Function };
    ListSelectDialog(Kind kind, std::vector<std::string> lines, int initial, res::Language language,
                     QWidget* parent = nullptr);
    // Select Card Name of a field-name group.
    static std::vector<std::string> cardNames(const std::vector<std::string>& groupNames, int group)
    {
        return cardNameLines(groupNames, group);
    }
    // The RNH6 type codes, always in this order.
    static const std::array<const char*, 17> kRnh6TypeCodes;

    int dialogId() const;
    // Line chosen at OK (-1 when none) and its text (CP932).
    int index() const { return index_; }
    std::string line() const { return line_; }
    QListWidget* list() const { return list_; }

    void accept() override;

private:
    Kind kind_;
    std::vector<std::string> lines_;
    QListWidget* list_;
    int index_ = -1;
    std::string line_;
};

// Enter Parameter (150).
class ParamInputDialog : public QDialog {
    Q_OBJECT
public:
    // browse: the Select Contact dialog on group and item; true for OK.
    using Browse = std::function<bool(int& group, int& item)>;
    ParamInputDialog(DialogExchange& exchange, model::Prompt& prompt, res::Language language, Browse browse = {},
                     QWidget* parent = nullptr);
    std::string text() const { return text_; }
    QLineEdit* edit() const { return edit_; }
    QPushButton* browseButton() const { return browse_; }
    QLabel* label() const { return label_; }

    void accept() override;

private:
    void onBrowse();

    DialogExchange& ex_;
    model::Prompt& prompt_;
    Browse browseFn_;
    QLabel* label_;
    QLineEdit* edit_;
    QPushButton* browse_;
    std::string text_;
};

// ID INPUT (212).
class IdInputDialog : public QDialog {
    Q_OBJECT
public:
    IdInputDialog(DialogExchange& exchange, model::Prompt& prompt, res::Language language,
                  const std::string& initial = {}, QWidget* parent = nullptr);
    QLineEdit* edit() const { return edit_; }
    void accept() override;

private:
    DialogExchange& ex_;
    model::Prompt& prompt_;
    QLineEdit* edit_;
};

// Enter Step Number (151).
class StepNoInputDialog : public QDialog {
    Q_OBJECT
public:
    StepNoInputDialog(const DialogExchange& exchange, model::Prompt& prompt, res::Language language,
                      QWidget* parent = nullptr);
    std::string text() const { return text_; }
    QLineEdit* edit() const { return edit_; }
    void accept() override;

private:
    int value_;
    model::Prompt& prompt_;
    QLineEdit* edit_;
    std::string text_;
};

// Enter Step Timer (152).
class StepTimerDialog : public QDialog {
    Q_OBJECT
public:
    StepTimerDialog(int cellValue, res::Language language, QWidget* parent = nullptr);
    int seconds() const { return seconds_; }
    int timerKind() const { return kind_; }
    QSpinBox* secondsBox() const { return spin_; }
    void accept() override;

private:
    QRadioButton* onDelay_;
    QRadioButton* monitor_;
    QSpinBox* spin_;
    int seconds_ = 0;
    int kind_ = -1;
};

// Enter Comment (153).
class EnterCommentDialog : public QDialog {
    Q_OBJECT
public:
    EnterCommentDialog(const std::string& cp932, res::Language language, QWidget* parent = nullptr);
    std::string comment() const { return comment_; }  // CP932, at most 20 bytes
    QLineEdit* edit() const { return edit_; }
    void accept() override;

private:
    QLineEdit* edit_;
    std::string comment_;
};

// Ladder Operation Key Explanation (154), modeless.
class LadderKeyHelpDialog : public QDialog {
    Q_OBJECT
public:
    explicit LadderKeyHelpDialog(res::Language language, QWidget* parent = nullptr);
};

}  // namespace kravin::editors

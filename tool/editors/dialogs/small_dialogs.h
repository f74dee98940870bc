// The communication error and confirmation dialogs and the small editor
// dialogs. Each takes what it shows in its constructor and gives its result
// after exec() (the result codes of the communication dialogs are 1, 2 and 3).
#pragma once

#include "comment_layer.h"
#include "dialog_parts.h"
#include "prompt.h"
#include "small_dialog_logic.h"
#include "string_table.h"

#include <QColor>
#include <QDialog>
#include <QSpinBox>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace kravin::editors {

// ---- Communication error and confirmation dialogs ----

// "Communication Error!" (160): Skip (1) or Abort (2).
class ComErrorDialog : public QDialog {
    Q_OBJECT
public:
    ComErrorDialog(const QString& detail, res::Language language, QWidget* parent = nullptr);
    QLabel* detail() const { return detail_; }

private:
    QLabel* detail_;
};

// "Item does not exist." (306): Skip (1), Abort (2) or Skip All (3).
class ItemMissingDialog : public QDialog {
    Q_OBJECT
public:
    ItemMissingDialog(int group, int item, res::Language language, QWidget* parent = nullptr);
    QLabel* detail() const { return detail_; }

private:
    QLabel* detail_;
};

// "Check Upload Version " (163): Forced Execute (1) or Cancel (2).
class UploadVersionCheckDialog : public QDialog {
    Q_OBJECT
public:
    explicit UploadVersionCheckDialog(res::Language language, QWidget* parent = nullptr);
};

// The card count (149): the number of virtual cards or of registered cards.
class CardCountDialog : public QDialog {
    Q_OBJECT
public:
    CardCountDialog(const CardCountRange& range, model::Prompt& prompt, res::Language language,
                    QWidget* parent = nullptr);
    int count() const { return count_; }
    QSpinBox* edit() const { return edit_; }
    void accept() override;

private:
    CardCountRange range_;
    model::Prompt& prompt_;
    QSpinBox* edit_;
    int count_ = 0;
};

// ---- Small editor dialogs ----

// "Select Version" (252).
class SelectVersionDialog : public QDialog {
    Q_OBJECT
public:
    SelectVersionDialog(const model::CardKindMasters& masters, const model::SystemConfigTables& tables, int station,
                        int card, res::Language language, QWidget* parent = nullptr);
    std::string version() const { return version_; }  // CP932
    QListWidget* list() const { return list_; }
    QLineEdit* stationEdit() const { return station_; }
    QLineEdit* cardEdit() const { return card_; }
    QLineEdit* functionEdit() const { return function_; }
    void accept() override;

private:
    QLineEdit* station_;
    QLineEdit* card_;
    QLineEdit* function_;
    QListWidget* list_;
    std::vector<std::string> versions_;
    std::string version_;
};

// "Print" (255): the print magnification or fit to page.
class PrintScaleDialog : public QDialog {
    Q_OBJECT
public:
    PrintScaleDialog(bool fit, model::Prompt& prompt, res::Language language, QWidget* parent = nullptr);
    int scale() const { return result_.scale; }
    bool fit() const { return result_.fit; }
    QLineEdit* edit() const { return edit_; }
    QCheckBox* fitBox() const { return fitBox_; }
    QSpinBox* spin() const { return spin_; }
    void accept() override;

private:
    void fitChanged();
    model::Prompt& prompt_;
    QLineEdit* edit_;
    QSpinBox* spin_;
    QCheckBox* fitBox_;
    PrintScale result_;
};

// "Jump to Label" (266): a label of at most 7 bytes.
class JumpLabelDialog : public QDialog {
    Q_OBJECT
public:
    JumpLabelDialog(std::string& label, res::Language language, QWidget* parent = nullptr);
    QLineEdit* edit() const { return edit_; }
    void accept() override;

private:
    std::string& label_;
    QLineEdit* edit_;
};

// "Comment" (267): a comment text and its background colour, or Delete.
class CommentDialog : public QDialog {
    Q_OBJECT
public:
    // mode 0 a new comment (default colour, no Delete), 1 an existing one.
    CommentDialog(int mode, const std::string& cp932, const QColor& colour, res::Language language,
                  QWidget* parent = nullptr);
    std::string text() const { return text_; }  // CP932
    QColor colour() const { return colour_; }
    bool deleted() const { return deleted_; }
    QPlainTextEdit* edit() const { return edit_; }
    QPushButton* deleteButton() const { return delete_; }
    void accept() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPlainTextEdit* edit_;
    ColorSwatch* swatch_;
    QPushButton* delete_;
    QColor colour_;
    std::string text_;
    bool deleted_ = false;
};

// The comment layer's dialog as a window (COLORREF colours, 0x00BBGGRR).
class QtCommentDialog final : public model::CommentDialog {
public:
    explicit QtCommentDialog(res::Language language, QWidget* parent = nullptr) : language_(language), parent_(parent) {}
    bool run(model::CommentDialogData& data) override;

private:
    res::Language language_;
    QWidget* parent_;
};

// "Connection Line Format" (264).
class LineFormatDialog : public QDialog {
    Q_OBJECT
public:
    LineFormatDialog(const QColor& colour, int lineType, int thickness, res::Language language,
                     QWidget* parent = nullptr);
    int lineType() const { return lineType_; }
    int thickness() const { return thickness_; }
    QColor colour() const { return colour_; }
    QComboBox* typeBox() const { return type_; }
    QComboBox* thicknessBox() const { return thick_; }
    void accept() override;

private:
    QComboBox* type_;
    QComboBox* thick_;
    ColorSwatch* swatch_;
    QColor colour_;
    int lineType_ = -1;
    int thickness_ = -1;
};

// "Select Group" (272).
class SelectGroupDialog : public QDialog {
    Q_OBJECT
public:
    SelectGroupDialog(const GroupChoice& choice, res::Language language, QWidget* parent = nullptr);
    std::string group() const { return group_; }
    int index() const { return index_; }
    QComboBox* box() const { return box_; }
    void accept() override;

private:
    QComboBox* box_;
    std::string group_;
    int index_ = -1;
};

// "Device Layout" (261): where a dropped device goes.
class DeviceLayoutDialog : public QDialog {
    Q_OBJECT
public:
    DeviceLayoutDialog(const std::string& modelName, const DeviceLayoutChoice& choice, res::Language language,
                       QWidget* parent = nullptr);
    std::string version() const { return version_; }
    int station() const { return station_; }
    int card() const { return card_; }
    QComboBox* stationBox() const { return stationBox_; }
    QComboBox* cardBox() const { return cardBox_; }
    QListWidget* versionList() const { return versions_; }
    void accept() override;

private:
    QComboBox* stationBox_;
    QComboBox* cardBox_;
    QListWidget* versions_;
    std::string version_;
    int station_ = 0;
    int card_ = 0;
};

}  // namespace kravin::editors

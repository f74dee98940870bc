// The New Project / Project Properties dialog: project name, comment and the
// archive's location.
#pragma once

#include "prompt.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace kravin::shell {

class NewProjectDialog : public QDialog {
    Q_OBJECT
public:
    // data holds the values shown; after OK it holds the accepted ones. prompt
    // shows the dialog's message and its file choice.
    NewProjectDialog(model::ProjectDialogData& data, model::Prompt& prompt, res::Language language,
                     QWidget* parent = nullptr);

    QLineEdit* nameEdit() const { return name_; }
    QLineEdit* commentEdit() const { return comment_; }
    QLineEdit* locationEdit() const { return location_; }
    QPushButton* browseButton() const { return browse_; }

    void accept() override;
    void browse();

private:
    model::ProjectDialogData& data_;
    model::Prompt& prompt_;
    res::Language language_;
    QLineEdit* name_;
    QLineEdit* comment_;
    QLineEdit* location_;
    QPushButton* browse_;
};

}  // namespace kravin::shell

// A dialog that stays open while its run goes on: Esc, Cancel and the close box
// are refused until the run has ended.
#pragma once

#include <QCloseEvent>
#include <QDialog>

namespace kravin::online {

class RunDialog : public QDialog {
public:
    using QDialog::QDialog;
    virtual bool running() const = 0;
    void reject() override
    {
        if (!running()) QDialog::reject();
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (running())
            event->ignore();
        else
            QDialog::closeEvent(event);
    }
};

}  // namespace kravin::online

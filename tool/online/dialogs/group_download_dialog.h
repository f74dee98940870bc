// "Download" of one group (162), from the function block list: a GroupDownloadRun in a
// worker. Closes when the group was sent; stays open after a failure, Abort or Stop.
#pragma once

#include "group_download_run.h"
#include "run_dialog.h"
#include "transfer_dialog_common.h"
#include "transfer_worker.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace kravin::online {

class GroupDownloadDialog : public RunDialog {
    Q_OBJECT
public:
    // group: the card with the one group to send; shownGroup, bank2: as the block list shows it.
    GroupDownloadDialog(TransferDialogSetup setup, TransferCard group, GroupDownloadSetup run, QWidget* parent = nullptr);
    ~GroupDownloadDialog() override;

    void startStop();
    bool running() const override { return worker_->running(); }
    TransferOutcome lastOutcome() const { return outcome_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* cancelButton() const { return cancel_; }
    QLabel* label(const char* id) const;
    TransferWorker* worker() const { return worker_; }

    // Cancel: ignored while a run goes (the compare stops and joins it first).

Q_SIGNALS:
    void runEnded(kravin::online::TransferOutcome outcome);

private:
    void showProgress(const TransferProgress& p);
    void ended();

    TransferDialogSetup setup_;
    TransferCard group_;
    GroupDownloadSetup run_;
    TransferOutcome outcome_ = TransferOutcome::Running;
    QComboBox* combo_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* cancel_ = nullptr;
    TransferWorker* worker_ = nullptr;
};

}  // namespace kravin::online

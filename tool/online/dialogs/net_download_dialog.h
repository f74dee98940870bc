// "Network Download" (164) and the network group download (165): a NetDownloadRun on a
// worker writes the unit (or the block list's group) over the bus. Cancel, when no run
// goes, puts the unit's download mode off before the dialog ends.
#pragma once

#include "net_download_run.h"
#include "run_dialog.h"
#include "transfer_dialog_common.h"
#include "transfer_worker.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace kravin::online {

class NetDownloadDialog : public RunDialog {
    Q_OBJECT
public:
    // groupMode: the network group download of unit's one group (shown as "GROUP %02d").
    NetDownloadDialog(TransferDialogSetup setup, TransferUnit unit, NetDownloadSetup run, BusApi bus, int shownGroup,
                      QWidget* parent = nullptr);
    ~NetDownloadDialog() override;

    void startStop();
    bool running() const override { return worker_->running(); }
    TransferOutcome lastOutcome() const { return outcome_; }
    QCheckBox* clearBox() const { return clear_; }
    QSpinBox* bound(int i) const { return i == 0 ? first_ : last_; }
    QPushButton* startButton() const { return start_; }
    QLabel* label(const char* id) const;
    TransferWorker* worker() const { return worker_; }

    void reject() override;

Q_SIGNALS:
    void runEnded(kravin::online::TransferOutcome outcome);

private:
    void updateEdits();
    void showProgress(const TransferProgress& p);
    void ended();

    TransferDialogSetup setup_;
    TransferUnit unit_;
    NetDownloadSetup run_;
    BusApi bus_;
    TransferOutcome outcome_ = TransferOutcome::Running;
    QCheckBox* clear_ = nullptr;
    QSpinBox* first_ = nullptr;
    QSpinBox* last_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* cancel_ = nullptr;
    TransferWorker* worker_ = nullptr;
};

}  // namespace kravin::online

// "Download" (147): writes the unit (every card of a V8RTU station) into the device over
// the serial link. The run is a DownloadRun in a worker; the dialog shows its progress,
// closes when it finished and stays open after a failure, an Abort or a Stop.
#pragma once

#include "download_run.h"
#include "run_dialog.h"
#include "transfer_dialog_common.h"
#include "transfer_worker.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace kravin::online {

class DownloadDialog : public RunDialog {
    Q_OBJECT
public:
    DownloadDialog(TransferDialogSetup setup, TransferUnit unit, QWidget* parent = nullptr);
    ~DownloadDialog() override;

    // Start / Stop (1018).
    void startStop();
    bool running() const override { return worker_->running(); }
    TransferOutcome lastOutcome() const { return outcome_; }

    QCheckBox* clearBox() const { return clear_; }
    QSpinBox* bound(int i) const { return bounds_[static_cast<std::size_t>(i)]; }
    QPushButton* startButton() const { return start_; }
    QPushButton* cancelButton() const { return cancel_; }
    QComboBox* deviceCombo() const { return combo_; }
    QLabel* label(const char* id) const;
    TransferWorker* worker() const { return worker_; }

    // Cancel: ignored while a run goes (the compare stops and joins it first).

Q_SIGNALS:
    void runEnded(kravin::online::TransferOutcome outcome);

private:
    void updateEdits();
    void showProgress(const TransferProgress& p);
    void ended();

    TransferDialogSetup setup_;
    TransferUnit unit_;
    bool hasBank2_ = false;
    TransferOutcome outcome_ = TransferOutcome::Running;
    QCheckBox* clear_ = nullptr;
    std::array<QSpinBox*, 4> bounds_{};
    QComboBox* combo_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* cancel_ = nullptr;
    TransferWorker* worker_ = nullptr;
};

}  // namespace kravin::online

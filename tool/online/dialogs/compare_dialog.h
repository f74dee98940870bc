// "Compare Item Data" (191), serial or over the bus ("Network Compare Item Data"): reads
// the unit's items back in a worker (CompareRun) and asks at each difference. The dialog
// stays open until Cancel, which first stops and joins a running compare.
#pragma once

#include "bus_api.h"
#include "compare_run.h"
#include "transfer_dialog_common.h"
#include "transfer_worker.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace kravin::online {

struct CompareDialogOptions {
    bool bus = false;        // network compare
    bool groupMode = false;  // one group, from the block list
    int group = 0;           // group mode: the block list's group
    BusApi busApi;
};

class CompareDialog : public QDialog {
    Q_OBJECT
public:
    CompareDialog(TransferDialogSetup setup, TransferUnit unit, CompareDialogOptions options, QWidget* parent = nullptr);
    ~CompareDialog() override;

    // Start / Stop (1098).
    void startStop();
    bool running() const { return worker_->running(); }
    TransferOutcome lastOutcome() const { return outcome_; }
    int lastDifferences() const { return differences_; }

    QSpinBox* firstGroup() const { return first_; }
    QSpinBox* lastGroup() const { return last_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* cancelButton() const { return cancel_; }
    QComboBox* deviceCombo() const { return combo_; }
    QLabel* label(const char* id) const;
    TransferWorker* worker() const { return worker_; }

    // Cancel: ignored while a run goes (the compare stops and joins it first).
    void reject() override;

Q_SIGNALS:
    void runEnded(kravin::online::TransferOutcome outcome);

private:
    void showProgress(const TransferProgress& p);
    void ended();
    void stopAndJoin();

    TransferDialogSetup setup_;
    TransferUnit unit_;
    CompareDialogOptions options_;
    TransferOutcome outcome_ = TransferOutcome::Running;
    int differences_ = 0;
    QSpinBox* first_ = nullptr;
    QSpinBox* last_ = nullptr;
    QComboBox* combo_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* cancel_ = nullptr;
    TransferWorker* worker_ = nullptr;
};

}  // namespace kravin::online

// "Compare Item Data" (191), serial or over the bus ("Network Compare Item Data"): reads
// the unit's items back in a worker (CompareRun) and asks at each difference. The dialog
// stays open until Cancel, which first stops and joins a running compare.
#pragma once

#include "bus_api.h"
#include "compare_run.h"
#include "transfer_dialog_frame.h"

class QSpinBox;

namespace kravin::online {

struct CompareDialogOptions {
    bool bus = false;        // network compare
    bool groupMode = false;  // one group, from the block list
    int group = 0;           // group mode: the block list's group
    BusApi busApi;
};

class CompareDialog : public TransferDialogFrame {
    Q_OBJECT
public:
    CompareDialog(TransferDialogSetup setup, TransferUnit unit, CompareDialogOptions options, QWidget* parent = nullptr);

    int lastDifferences() const { return differences_; }
    QSpinBox* firstGroup() const { return first_; }
    QSpinBox* lastGroup() const { return last_; }

private:
    std::unique_ptr<TransferRun> makeRun() override;
    void showProgress(const TransferProgress& p) override;
    void started() override;
    void ended(TransferRun* run) override;
    void leaving() override;

    TransferUnit unit_;
    CompareDialogOptions options_;
    int differences_ = 0;
    QSpinBox* first_ = nullptr;
    QSpinBox* last_ = nullptr;
};

}  // namespace kravin::online

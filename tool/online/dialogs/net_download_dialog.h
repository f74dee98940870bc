// "Network Download" (164) and the network group download (165): a NetDownloadRun on a
// worker writes the unit (or the block list's group) over the bus. Cancel, when no run
// goes, and the end of a finished run put the unit's download mode off before the dialog ends.
#pragma once

#include "net_download_run.h"
#include "transfer_dialog_frame.h"

class QCheckBox;
class QSpinBox;

namespace kravin::online {

class NetDownloadDialog : public TransferDialogFrame {
    Q_OBJECT
public:
    // groupMode: the network group download of unit's one group (shown as "GROUP %02d").
    NetDownloadDialog(TransferDialogSetup setup, TransferUnit unit, NetDownloadSetup run, BusApi bus, int shownGroup,
                      QWidget* parent = nullptr);

    QCheckBox* clearBox() const { return clear_; }
    QSpinBox* bound(int i) const { return i == 0 ? first_ : last_; }

private:
    std::unique_ptr<TransferRun> makeRun() override;
    void showProgress(const TransferProgress& p) override;
    void started() override;
    void ended(TransferRun* run) override;
    void leaving() override;
    void updateEdits();

    TransferUnit unit_;
    NetDownloadSetup run_;
    BusApi bus_;
    QCheckBox* clear_ = nullptr;
    QSpinBox* first_ = nullptr;
    QSpinBox* last_ = nullptr;
};

}  // namespace kravin::online

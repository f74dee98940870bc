// "Download" (147): writes the unit (every card of a V8RTU station) into the device over
// the serial link. The run is a DownloadRun in a worker; the dialog shows its progress,
// closes when it finished and stays open after a failure, an Abort or a Stop.
#pragma once

#include "download_run.h"
#include "transfer_dialog_frame.h"

#include <array>

class QCheckBox;
class QSpinBox;

namespace kravin::online {

class DownloadDialog : public TransferDialogFrame {
    Q_OBJECT
public:
    // bus: the end of the dialog puts the unit's download mode off there as well.
    DownloadDialog(TransferDialogSetup setup, TransferUnit unit, BusApi bus = {}, QWidget* parent = nullptr);

    QCheckBox* clearBox() const { return clear_; }
    QSpinBox* bound(int i) const { return bounds_[static_cast<std::size_t>(i)]; }

private:
    std::unique_ptr<TransferRun> makeRun() override;
    void showProgress(const TransferProgress& p) override;
    void started() override;
    void ended(TransferRun* run) override;
    void leaving() override;
    void updateEdits();

    TransferUnit unit_;
    BusApi bus_;
    bool hasBank2_ = false;
    QCheckBox* clear_ = nullptr;
    std::array<QSpinBox*, 4> bounds_{};
};

}  // namespace kravin::online

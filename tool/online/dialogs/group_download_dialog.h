// "Download" of one group (162), from the function block list: a GroupDownloadRun in a
// worker. Closes when the group was sent; stays open after a failure, Abort or Stop.
#pragma once

#include "group_download_run.h"
#include "transfer_dialog_frame.h"

namespace kravin::online {

class GroupDownloadDialog : public TransferDialogFrame {
    Q_OBJECT
public:
    // group: the card with the one group to send; shownGroup, bank2: as the block list shows it.
    GroupDownloadDialog(TransferDialogSetup setup, TransferCard group, GroupDownloadSetup run, QWidget* parent = nullptr);

private:
    std::unique_ptr<TransferRun> makeRun() override;
    void showProgress(const TransferProgress& p) override;

    TransferCard group_;
    GroupDownloadSetup run_;
};

}  // namespace kravin::online

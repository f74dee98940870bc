#include "group_download_dialog.h"

#include "serial_link.h"

#include <QGridLayout>
#include <QLabel>

namespace kravin::online {

GroupDownloadDialog::GroupDownloadDialog(TransferDialogSetup setup, TransferCard group, GroupDownloadSetup run,
                                         QWidget* parent)
    : TransferDialogFrame(std::move(setup), Style::ClosesWhenFinished, parent), group_(std::move(group)),
      run_(std::move(run))
{
    setObjectName(QStringLiteral("IDD_162"));
    setWindowTitle(TransferText(language(), "Download", "ダウンロード"));
    addUnitHead()->addWidget(TransferLabel(this, "1099", QString::asprintf("GROUP %02d", run_.shownGroup)), 2, 0);
    addProgress({{"1000", "Sent data", "送信データ"}, {"1001", "Received data", "受信データ"}});
    addDeviceRow("1108");
    addButtons({"1066", 8600, 8601});
}

std::unique_ptr<TransferRun> GroupDownloadDialog::makeRun()
{
    const TransferDialogSetup& d = setup();
    if (d.referenceCheck && !d.referenceCheck(run_.shownGroup, run_.shownGroup)) return nullptr;
    const DeviceChoice* device = chosenDevice();
    if (!device || !d.link || !d.questions) return refuse(8301);
    GroupDownloadSetup s = run_;
    s.portName = device->port;
    s.baudIndex = device->baudIndex;
    s.programmingUnitId = d.programmingUnitId;
    return std::make_unique<GroupDownloadRun>(*d.link, group_, s, *d.questions, d.timing);
}

void GroupDownloadDialog::showProgress(const TransferProgress& p)
{
    label("1000")->setText(QString::fromStdString(p.sent));
    label("1001")->setText(QString::fromStdString(p.received));
}

}  // namespace kravin::online

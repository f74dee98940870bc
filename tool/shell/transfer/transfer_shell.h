// The transfer commands as the running tool serves them: Download (system and
// communication views), Compare and Network Compare (system view, block list) and the
// block list's group Download. Each checks the allocated port (8301), takes the link,
// copies what its run needs out of the model on this thread and runs its dialog.
#pragma once

#include "online_services.h"

#include "compare_dialog.h"
#include "download_dialog.h"
#include "group_download_dialog.h"
#include "online_commands.h"

#include <QObject>

#include <functional>

namespace kravin::shell {

class QtWorkerQuestion;

namespace transfercmd {
constexpr int Download = 40405;
constexpr int DownloadFromDenTan = 40461;
constexpr int GroupDownload = 40426;
constexpr int Compare = 40471;
constexpr int NetCompare = 40472;
constexpr int CompareFromBlkList = 40473;
constexpr int NetCompareFromBlkList = 40474;
}  // namespace transfercmd

// The worker questions of one dialog: Compare Error and message boxes join those of the
// shell; abortAll answers Abort to the rest of this dialog's run.
class QtTransferQuestions final : public online::TransferQuestions {
public:
    QtTransferQuestions(QtWorkerQuestion& base, model::Prompt& prompt, res::Language language);
    int communicationError(const std::string& detail) override;
    int itemMissing(int group, int item) override;
    int uploadVersionCheck() override;
    int compareError(const online::CompareDifference& difference) override;
    bool confirm(int messageId, const model::MessageArgs& args, bool okCancel) override;
    void abortAll() override;

private:
    QtWorkerQuestion& base_;
    model::Prompt& prompt_;
    res::Language language_;
    std::shared_ptr<std::atomic<bool>> aborted_ = std::make_shared<std::atomic<bool>>(false);
};

class TransferShell {
public:
    TransferShell(const OnlineServices& services, online::OnlineCommands& commands);

    void download();
    void compare(bool bus, bool groupMode);
    void groupDownload();

    // The runs' waits (tests run without them).
    void setTiming(online::TransferTiming timing) { timing_ = std::move(timing); }
    // Runs each dialog before it is shown (tests drive it here).
    std::function<void(QDialog&)> beforeDialog;

    // The dialog setup of the current unit: its device rows (the allocated one chosen).
    online::TransferDialogSetup makeSetup(const std::optional<online::AllocatedPort>& port, QtTransferQuestions& q);
    // The start's reference checks (messages 8112, 8113); false when the user cancels.
    bool referenceCheck(int first, int last, bool station);

private:
    int exec(QDialog& dialog);
    void refreshViews();

    OnlineServices s_;
    online::OnlineCommands& commands_;
    online::TransferTiming timing_ = online::TransferTiming::Real();
};

}  // namespace kravin::shell

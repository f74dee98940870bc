// Upload (system view, communication view, block list; serial and network) and the
// network download and network group download, as the running tool serves them. Each takes
// the link, copies what its run needs on this thread, runs its dialog, and gives the link
// back; a finished upload is written into the project here, once.
#pragma once

#include "online_services.h"

#include "online_commands.h"
#include "upload_run.h"

#include <QObject>

#include <functional>
#include <optional>
#include <vector>

class QDialog;

namespace kravin::shell {

class TransferShell;

namespace uploadcmd {
constexpr int Upload = 40404;
constexpr int UploadFromDenTan = 40459;
constexpr int UploadFromBlkList = 40609;
constexpr int NetUpload = 40406;
constexpr int NetUploadFromDenTan = 40460;
constexpr int NetUploadFromBlkList = 40610;
constexpr int NetDownload = 40407;
constexpr int NetDownloadFromDenTan = 40462;
constexpr int NetGroupDownload = 40427;
}  // namespace uploadcmd

class UploadShell {
public:
    UploadShell(const OnlineServices& services, online::OnlineCommands& commands, TransferShell& transfers);

    void upload(int mode, bool bus);
    void netDownload(bool groupMode);

    // Runs each dialog before it is shown (tests drive it here).
    std::function<void(QDialog&)> beforeDialog;

    // Writes a finished upload into the project: each unit read (created when new), the
    // items read, its block codes; a V8RTU station's new card count. False when a unit file
    // could not be written (said).
    bool commit(const online::UploadSetup& setup, const std::vector<online::UploadStaging>& units,
                std::optional<int> cardCount);

private:
    bool commitUnit(const online::UploadSetup& setup, const online::UploadStaging& staging);
    std::optional<online::UploadSetup> prepare(int station, int card, int mode);
    int exec(QDialog& dialog);
    void refreshViews();

    OnlineServices s_;
    online::OnlineCommands& commands_;
    TransferShell& transfers_;
};

}  // namespace kravin::shell

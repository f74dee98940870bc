// "Upload" / "Network upload" (146): reads a unit from the device in an UploadRun on a
// worker. The dialog keeps the run's staged result; the caller writes it into the project
// after the dialog ended with Accepted. A stopped, aborted or failed run leaves the dialog
// open and the project untouched.
#pragma once

#include "transfer_dialog_frame.h"
#include "upload_run.h"

#include <optional>
#include <vector>

namespace kravin::online {

struct UploadDialogOptions {
    int mode = 0;      // 0 the current unit, 1 the unit chosen here, 2 one group
    bool bus = false;  // "Network upload"
    int group = -1;    // mode 2: the shown group
    BusApi busApi;
    // Copies the unit to read (station, card 0..16) out of the model on Start; nothing
    // when it cannot be read (the reason was shown).
    std::function<std::optional<UploadSetup>(int station, int card)> prepare;
    // Mode 1: the combo boxes chose another unit; its kind and version for the texts.
    std::function<std::pair<std::string, std::string>(int station, int card)> unitTexts;
};

class UploadDialog : public TransferDialogFrame {
    Q_OBJECT
public:
    UploadDialog(TransferDialogSetup setup, UploadDialogOptions options, QWidget* parent = nullptr);

    // The finished run's setup and staged result (after Accepted).
    const std::optional<UploadSetup>& uploadSetup() const { return started_; }
    // Every unit the run read, and a V8RTU station's new card count.
    const std::vector<UploadStaging>& stagedUnits() const { return stagedUnits_; }
    std::optional<int> stagedCardCount() const { return stagedCount_; }

    QComboBox* stationCombo() const { return station_; }
    QComboBox* cardCombo() const { return card_; }

private:
    std::unique_ptr<TransferRun> makeRun() override;
    void showProgress(const TransferProgress& p) override;
    void started() override;
    void ended(TransferRun* run) override;
    void leaving() override;
    void unitChosen();

    UploadDialogOptions options_;
    std::optional<UploadSetup> started_;
    std::vector<UploadStaging> stagedUnits_;
    std::optional<int> stagedCount_;
    QComboBox* station_ = nullptr;
    QComboBox* card_ = nullptr;
};

}  // namespace kravin::online

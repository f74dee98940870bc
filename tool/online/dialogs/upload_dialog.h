// "Upload" / "Network upload" (146): reads a unit from the device in an UploadRun on a
// worker. The dialog keeps the run's staged result; the caller writes it into the project
// after the dialog ended with Accepted. A stopped, aborted or failed run leaves the dialog
// open and the project untouched.
#pragma once

#include "run_dialog.h"
#include "transfer_dialog_common.h"
#include "transfer_worker.h"
#include "upload_run.h"

#include <QDialog>

#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;

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

class UploadDialog : public RunDialog {
    Q_OBJECT
public:
    UploadDialog(TransferDialogSetup setup, UploadDialogOptions options, QWidget* parent = nullptr);
    ~UploadDialog() override;

    // Start / Stop (1066).
    void startStop();
    bool running() const override { return worker_->running(); }
    TransferOutcome lastOutcome() const { return outcome_; }
    // The finished run's setup and staged result (after Accepted).
    const std::optional<UploadSetup>& uploadSetup() const { return started_; }
    // Every unit the run read, and a V8RTU station's new card count.
    const std::vector<UploadStaging>& stagedUnits() const { return stagedUnits_; }
    std::optional<int> stagedCardCount() const { return stagedCount_; }

    QComboBox* stationCombo() const { return station_; }
    QComboBox* cardCombo() const { return card_; }
    QComboBox* deviceCombo() const { return combo_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* cancelButton() const { return cancel_; }
    QLabel* label(const char* id) const;
    TransferWorker* worker() const { return worker_; }


Q_SIGNALS:
    void runEnded(kravin::online::TransferOutcome outcome);

private:
    void showProgress(const TransferProgress& p);
    void ended();
    void unitChosen();

    TransferDialogSetup setup_;
    UploadDialogOptions options_;
    TransferOutcome outcome_ = TransferOutcome::Running;
    std::optional<UploadSetup> started_;
    std::vector<UploadStaging> stagedUnits_;
    std::optional<int> stagedCount_;
    QComboBox* station_ = nullptr;
    QComboBox* card_ = nullptr;
    QComboBox* combo_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* cancel_ = nullptr;
    TransferWorker* worker_ = nullptr;
};

}  // namespace kravin::online

// The frame every transfer dialog (download, compare, group download, network download,
// upload) builds on: the unit head, the progress texts, the connection device, Start/Stop
// and Cancel over one worker, and the end of a run (outcome, failure message, runEnded).
// A finished run closes its dialog through the same leaving step as Cancel.
// A dialog adds its own fields, makes its run on Start and shows its progress.
#pragma once

#include "bus_api.h"
#include "run_dialog.h"
#include "transfer_dialog_common.h"
#include "transfer_worker.h"

#include <initializer_list>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace kravin::online {

class TransferDialogFrame : public RunDialog {
    Q_OBJECT
public:
    ~TransferDialogFrame() override;

    // Start / Stop. Stop asks the run to end; the button comes back when it has.
    void startStop();
    bool running() const override { return worker_->running(); }
    TransferOutcome lastOutcome() const { return outcome_; }

    QPushButton* startButton() const { return start_; }
    QPushButton* cancelButton() const { return cancel_; }
    QComboBox* deviceCombo() const { return combo_; }
    QLabel* label(const char* id) const;
    TransferWorker* worker() const { return worker_; }

    // Cancel while a run goes: refused, or (a dialog that stays open) the run is stopped
    // and joined first.
    void reject() override;

Q_SIGNALS:
    void runEnded(kravin::online::TransferOutcome outcome);

protected:
    enum class Style {
        ClosesWhenFinished,  // Cancel and the device are locked while the run goes
        StaysOpen,           // Cancel stops and joins the run; only Cancel closes
    };
    struct Buttons {
        const char* startId;  // the Start button's object name
        int startText;        // message ids of its two texts
        int stopText;
    };
    struct ProgressRow {
        const char* id;  // the value label's object name
        const char* en;
        const char* ja;
    };

    TransferDialogFrame(TransferDialogSetup setup, Style style, QWidget* parent);

    const TransferDialogSetup& setup() const { return setup_; }
    res::Language language() const { return setup_.language; }
    QVBoxLayout* frameLayout() const { return layout_; }

    // Station and card (1064, 1065), and with kindRow the kind and version (1067, 1068).
    QGridLayout* addUnitHead(bool kindRow = true);
    // "Clear EEPROM and Download" (1066), checked.
    QCheckBox* addClearBox();
    // Caption and value label a row; the values are cleared at each Start.
    void addProgress(std::initializer_list<ProgressRow> rows);
    // The connection device row; returns its caption.
    QLabel* addDeviceRow(const char* captionId);
    void addButtons(Buttons buttons);

    const DeviceChoice* chosenDevice() const { return ChosenDevice(combo_, setup_.devices); }
    // Shows a warning; a refused start.
    std::unique_ptr<TransferRun> refuse(int messageId) const;

    // The run Start begins, or nothing (refused; a reason was shown when there is one).
    virtual std::unique_ptr<TransferRun> makeRun() = 0;
    virtual void showProgress(const TransferProgress& p) = 0;
    // The dialog's own fields after the start and after the end.
    virtual void started() {}
    virtual void ended(TransferRun* run) { (void)run; }
    // The dialog's end, Cancel and a finished run alike, before it closes.
    virtual void leaving() {}
    // The end on the bus: cycled and settled; with modeOff the unit's download mode is
    // written off at the station's address (whatever the bus answers); then closed.
    void leaveBus(const BusApi& bus, bool modeOff) const;

    void closeEvent(QCloseEvent* event) override;

private:
    void runStopped();
    void stopAndJoin();

    TransferDialogSetup setup_;
    Style style_;
    Buttons buttons_{};
    TransferOutcome outcome_ = TransferOutcome::Running;
    QVBoxLayout* layout_ = nullptr;
    std::vector<QLabel*> progress_;
    QComboBox* combo_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* cancel_ = nullptr;
    TransferWorker* worker_ = nullptr;
};

}  // namespace kravin::online

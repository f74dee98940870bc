// "V8RTU Date and Time Setting": writes a date and time into a station's clock. The steps
// run in a worker thread (clock_setting.h); the dialog shows their progress and stays
// open, its controls disabled, until the run is over.
#pragma once

#include "clock_setting.h"
#include "online_commands.h"
#include "prompt.h"
#include "run_dialog.h"
#include "string_table.h"

#include <QDialog>

#include <array>
#include <memory>

class QButtonGroup;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QThread;

namespace kravin::online {

class DateSettingDialog : public RunDialog {
    Q_OBJECT
public:
    DateSettingDialog(const DateSettingRequest& request, SerialLink* serial, BusApi bus, ClockTiming timing,
                      model::Prompt& prompt, res::Language language, QWidget* parent = nullptr);
    ~DateSettingDialog() override;

    // Start (1066): checks the date, takes the link and starts the worker.
    void start();
    bool running() const override { return thread_ != nullptr; }

    QSpinBox* field(int i) const { return fields_[static_cast<std::size_t>(i)]; }  // year .. second
    void setDateTime(const ClockDateTime& t);
    QButtonGroup* modeGroup() const { return mode_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* endButton() const { return end_; }
    QLabel* stationLabel() const { return station_; }
    QProgressBar* progress() const { return progress_; }

Q_SIGNALS:
    // The run is over (failed: "Communication error" was shown).
    void finished(bool failed);

private:
    void setControlsEnabled(bool enabled);
    void stepReached(int step);
    void runEnded();

    DateSettingRequest request_;
    model::Prompt& prompt_;
    std::unique_ptr<ClockSetter> setter_;
    std::array<QSpinBox*, 6> fields_{};
    QButtonGroup* mode_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* end_ = nullptr;
    QLabel* station_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QThread* thread_ = nullptr;
    LinkUser holding_ = LinkUser::None;
};

}  // namespace kravin::online

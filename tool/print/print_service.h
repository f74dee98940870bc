// Printing as the shell offers it: the documents of each view kind made from
// the model, printing through the print dialog (which offers a PDF file),
// the preview, the bulk print dialog and the print scale dialog.
#pragma once

#include "ladder_grid.h"
#include "print_job.h"
#include "prompt.h"
#include "wiring_pages.h"

#include <QDialog>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QSpinBox;
class QTimer;

namespace kravin::model {
class ProjectSession;
}

namespace kravin::print {

// How the printer is chosen and the preview shown; tests put a PDF file in.
class PrinterChooser {
public:
    virtual ~PrinterChooser() = default;
    // Lets the user choose the printer (or a PDF file); false when cancelled.
    virtual bool choose(QPrinter& printer, QWidget* parent) = 0;
    // Shows the pages that paint draws onto the preview's printer.
    virtual void preview(QPrinter& printer, const std::function<void(QPrinter*)>& paint, QWidget* parent) = 0;
    // The tiles of a scaled wiring print in the Number of Print Pages dialog;
    // false when cancelled.
    virtual bool confirmPages(const TileGrid& tiles, bool preview, res::Language language, QWidget* parent);
};

// "Number of Print Pages": the tiles across, down and in all, with OK (or
// "Preview" before a preview) and Cancel.
class PrintPagesDialog final : public QDialog {
    Q_OBJECT
public:
    PrintPagesDialog(const TileGrid& tiles, bool preview, res::Language language, QWidget* parent = nullptr);
    QLineEdit* across() const { return across_; }
    QLineEdit* down() const { return down_; }
    QLineEdit* total() const { return total_; }
    QPushButton* okButton() const { return ok_; }

private:
    QLineEdit* across_;
    QLineEdit* down_;
    QLineEdit* total_;
    QPushButton* ok_;
};

// QPrintDialog and QPrintPreviewDialog.
class DialogPrinterChooser final : public PrinterChooser {
public:
    bool choose(QPrinter& printer, QWidget* parent) override;
    void preview(QPrinter& printer, const std::function<void(QPrinter*)>& paint, QWidget* parent) override;
};

// A file the printer writes is written beside the chosen name and put in
// its place only when the job completes: a stopped or failed job leaves no
// partial file, and a file of that name stays as it was.
class StagedOutput {
public:
    explicit StagedOutput(QPrinter& printer);
    StagedOutput(const StagedOutput&) = delete;
    StagedOutput& operator=(const StagedOutput&) = delete;
    ~StagedOutput();
    // Puts the written file in place; false when it cannot be.
    bool commit();
    // Drops what was written.
    void discard();
    const QString& stagingName() const { return staging_; }

private:
    QString target_;
    QString staging_;
};

// What printing reads of the model.
struct PrintModel {
    const model::CardKindMasters* masters = nullptr;
    model::SystemConfigTables* tables = nullptr;
    model::UnitContext* unit = nullptr;
    model::ProjectSession* session = nullptr;
    model::Prompt* prompt = nullptr;
    res::Language language = res::Language::English;
    // Makes a unit the current one (station, card 0..16) the way the views see it.
    std::function<void(int station, int card)> selectUnit;
    // Told after a bulk print: the system view redraws (40600).
    std::function<void()> redrawSystem;
};

// What the open views add to their documents.
struct PrintViewState {
    bool ladderComments = false;   // the ladder view shows comments
    // The ladder view's grid and group while it is open; unset: drawn from the step table.
    std::function<const ladder::LadderContext*()> ladderSource;
    // What the analog view shows while it is open; unset or none: read from the files.
    std::function<std::optional<AnalogViewState>()> analogView;
    // What the communication view shows while it is open; unset or none: built from the project.
    std::function<std::optional<CommViewState>()> commView;
};

// Bulk print check boxes, by their control ids.
enum BulkCheck : int {
    CheckCover = 1066,
    CheckSystem = 1067,
    CheckComm = 1068,
    CheckBlockList = 1069,
    CheckBlockSetting = 1070,
    CheckTerminalInfo = 1028,
    CheckGroupBreak = 1029,
    CheckSequence = 1073,
    CheckLadder = 1074,
    CheckAnalog = 1075,
};

struct BulkChoice {
    bool cover = true, system = true, blockList = true, blockSetting = true, terminalInfo = true, groupBreak = true,
         sequence = true, ladder = true, comm = true, analog = true;
};

class PrintService {
public:
    PrintService(PrintModel model, std::shared_ptr<PrinterChooser> chooser);

    PrintViewState& viewState() { return view_; }
    PrinterChooser& chooser() { return *chooser_; }
    const PrintModel& model() const { return model_; }

    // A job stamp of now, with the project name.
    JobInfo newJob(int bulkMode) const;
    // The document of a kind for the current unit (kinds 10, 20, 30, 60, 70);
    // null when there is nothing to print.
    std::unique_ptr<PrintDocument> makeDocument(int kind);
    // File > Print / Print Preview of a view's document kind.
    void printKind(int kind, bool preview, QWidget* parent);
    // File > Print / Print Preview of a wiring view (kinds 40, 50): fitted to
    // one page, or tiled at scale after the Number of Print Pages dialog.
    void printWiring(int kind, int scale, bool fit, bool preview, QWidget* parent);
    // The analog diagram of the current unit: as the open view shows it
    // (fromView), else read from the work folder without changing it.
    std::shared_ptr<AnalogSnapshot> analogSnapshot(bool fromView);
    // The communication diagram of the project: as the open view shows it
    // (fromView), else built from the project; the current unit is kept.
    std::shared_ptr<CommSnapshot> commSnapshot(bool fromView);
    // The Block Setting dialog's print of the current group, with the values the unit holds now.
    void printBlockSetting(bool preview, QWidget* parent);
    // Prints one document: chooses the printer, prints, reports a failure.
    // True when every page went out.
    bool printDocument(std::unique_ptr<PrintDocument> document, bool preview, QWidget* parent);

    // The documents of a bulk print in order. mode 0 every card of the
    // project, 1 the current card only (station, card as saved).
    std::unique_ptr<PrintJob> bulkJob(const BulkChoice& choice, int mode, int station, int card);
    // The Bulk Print Documents dialog, modal; mode 0 all jobs, 1 all cards.
    void runBulkPrint(int mode, QWidget* parent);

private:
    void select(int station, int card);
    bool printPages(std::unique_ptr<PrintDocument> document, QPrinter& printer, const JobInfo& job);
    std::vector<JobDocument> unitDocuments(int kind, const BulkChoice& choice, int station, int card);

    PrintModel model_;
    std::shared_ptr<PrinterChooser> chooser_;
    PrintViewState view_;
    BlockNameCache blockNames_;   // of the bulk job being printed
};

// "Bulk Print Documents": check boxes, Start/Stop and the status line; the
// job runs from the event loop, one page per turn, so Stop stays live.
class BulkPrintDialog final : public QDialog {
    Q_OBJECT
public:
    BulkPrintDialog(PrintService& service, int mode, int station, int card, QWidget* parent = nullptr);
    ~BulkPrintDialog() override;

    QCheckBox* check(int id) const;
    QPushButton* startButton() const { return start_; }
    QPushButton* closeButton() const { return close_; }
    QString statusText() const;
    bool running() const { return job_ != nullptr; }

    // Start/Stop (40210).
    void startStop();

Q_SIGNALS:
    // The run ended (completed, stopped or failed).
    void finished();

protected:
    void reject() override;

private:
    void tick();
    void finish(int statusId);
    void setChecksEnabled(bool enabled);
    BulkChoice choice() const;

    PrintService& service_;
    int mode_;
    int station_, card_;
    std::map<int, QCheckBox*> checks_;
    QLabel* status_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* close_ = nullptr;
    QTimer* timer_ = nullptr;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<StagedOutput> output_;
    std::unique_ptr<PrintJob> job_;
};

}  // namespace kravin::print

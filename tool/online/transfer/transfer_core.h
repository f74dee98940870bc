// What every transfer run shares: its waits in one timing object, its one result, the
// user's questions, its progress and the stop request. No Qt: the runs are plain classes
// that a worker thread drives; tests run them with no waits.
#pragma once

#include "prompt.h"
#include "worker_question.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace kravin::online {

using std::chrono::milliseconds;

// Every wait of the transfers. sleep null: no waits at all (the waits are still counted).
struct TransferTiming {
    std::function<void(milliseconds)> sleep;
    milliseconds step{20};          // before each step of a serial run
    milliseconds afterCommand{30};  // before the reply of a preamble command is read
    milliseconds compareCommand{10};// after each command of the serial compare
    milliseconds selectWait{1000};  // before "I00" of a preamble or a bank select, before "I51"
    milliseconds itemTen{1200};     // before item 10 of groups 81..98 is sent
    milliseconds busFirstTick{500}; // the bus compare's first tick
    milliseconds busTick{200};      // each later tick
    milliseconds busRead{1};        // after each bus read
    milliseconds busSettle{300};    // after the bus is cycled before the mode-off write
    milliseconds busUploadRead{100};// after each bus request of the upload and the network download
    milliseconds remoteCardWait{5000};// V8RTU card check: after the remote card's mode is switched off

    // The run's waits with the given values; real sleeping in the running tool.
    static TransferTiming Real();
};

enum class TransferOutcome { Running, Finished, Failed, Aborted, Stopped };

// One end of a run, set once: the first Set wins, later ones are ignored.
class TransferResult {
public:
    bool Set(TransferOutcome outcome, int messageId = 0, std::string detail = {});
    TransferOutcome outcome() const;
    int messageId() const;      // the message shown for a failure, 0 none
    std::string detail() const;
    bool ended() const { return outcome() != TransferOutcome::Running; }
    void Reset();

private:
    mutable std::mutex mutex_;
    TransferOutcome outcome_ = TransferOutcome::Running;
    int messageId_ = 0;
    std::string detail_;
};

// The progress texts of a run, copied to the dialog.
struct TransferProgress {
    int card = -1;             // library card (-1 the station)
    int group = -1;
    int item = -1;
    std::string sent;          // the last command without CR
    std::string received;      // the last reply cut at CR
    std::string deviceValue;   // compare: the device's value
    std::string projectValue;  // compare: the project's value
    std::string unitName;      // upload: the card name and version read from the device
    std::string unitVersion;
};

// A difference found by the compare: Skip or Abort.
struct CompareDifference {
    int card = 0;   // library card, shown "%X" (0 for the station)
    int group = 0;
    int item = 0;
    std::string device;
    std::string project;
};

// The questions a run asks; the compare's difference joins those of the worker.
class TransferQuestions : public model::WorkerQuestion {
public:
    // "Compare Error": Skip (AnswerSkip) or Abort (AnswerAbort).
    virtual int compareError(const CompareDifference& difference) = 0;
    // A string-table message box (OK/Cancel, or OK alone); true for OK.
    virtual bool confirm(int messageId, const model::MessageArgs& args, bool okCancel) = 0;
    // From now on every question is answered Abort, the open one too (the dialog closes).
    virtual void abortAll() {}
};

// The hooks of a run: the questions, progress reports and the stop request.
class TransferContext {
public:
    TransferContext(TransferQuestions& questions, TransferTiming timing)
        : questions_(questions), timing_(std::move(timing))
    {
    }
    virtual ~TransferContext() = default;

    TransferQuestions& questions() { return questions_; }
    const TransferTiming& timing() const { return timing_; }
    TransferResult& result() { return result_; }
    const TransferResult& result() const { return result_; }

    // Called by the run whenever its texts change.
    std::function<void(const TransferProgress&)> progress;

    // The user's Stop: the run ends after its current step.
    void RequestStop() { stop_ = true; }
    bool stopRequested() const { return stop_.load(); }

    // Waits d (counted even without a sleep function).
    void Wait(milliseconds d);
    milliseconds waited() const { return milliseconds(waitedMs_.load()); }
    void countBytes(std::size_t sent, std::size_t received);
    std::uint64_t bytesOnWire() const { return bytes_.load(); }

private:
    TransferQuestions& questions_;
    TransferTiming timing_;
    TransferResult result_;
    std::atomic<bool> stop_{false};
    std::atomic<std::int64_t> waitedMs_{0};
    std::atomic<std::uint64_t> bytes_{0};
};

// A run a worker thread drives: Run returns when the result is set.
class TransferRun {
public:
    virtual ~TransferRun() = default;
    virtual void Run() = 0;
    virtual TransferContext& context() = 0;
};

}  // namespace kravin::online

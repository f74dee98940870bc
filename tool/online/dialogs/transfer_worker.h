// Runs one transfer in a worker thread. The run's progress reaches the GUI thread as
// queued signals carrying copies; finished() comes once, after the thread has ended.
#pragma once

#include "transfer_core.h"

#include <QMetaType>
#include <QObject>

#include <deque>
#include <memory>
#include <mutex>

class QThread;

Q_DECLARE_METATYPE(kravin::online::TransferProgress)

namespace kravin::online {

class TransferWorker : public QObject {
    Q_OBJECT
public:
    explicit TransferWorker(QObject* parent = nullptr);
    // Asks a running transfer to stop and waits for it (bounded).
    ~TransferWorker() override;

    // Starts run in a new thread; false while another run is going.
    bool start(std::unique_ptr<TransferRun> run);
    bool running() const { return thread_ != nullptr; }
    // The user's Stop: the run ends after its current step.
    void stop();
    // Waits for the thread at most ms; true when it has ended (finished() then comes
    // right away instead of later).
    bool join(unsigned long ms);
    // The last run (kept after it ended for its result).
    TransferRun* run() const { return run_.get(); }

Q_SIGNALS:
    void progress(const kravin::online::TransferProgress& progress);
    void finished();

private:
    void ended();
    // Hands the progress the run queued to the GUI thread's signal.
    Q_INVOKABLE void deliver();

    std::unique_ptr<TransferRun> run_;
    // Progress crosses from the worker under this lock only.
    std::mutex mutex_;
    std::deque<TransferProgress> pending_;
    QThread* thread_ = nullptr;
};

}  // namespace kravin::online

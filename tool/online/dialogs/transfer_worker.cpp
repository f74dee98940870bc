#include "transfer_worker.h"

#include <QThread>

namespace kravin::online {

namespace {
// Longest wait for a run at destruction: a few exchanges at the longest reply time-out.
constexpr unsigned long kWorkerBoundMs = 120000;
}  // namespace

TransferWorker::TransferWorker(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<TransferProgress>();
}

TransferWorker::~TransferWorker()
{
    if (!thread_) return;
    stop();
    thread_->wait(kWorkerBoundMs);
    // A thread that did not end is left to the process (its run stays allocated).
    if (thread_->isFinished())
        delete thread_;
    else
        (void)run_.release();
}

bool TransferWorker::start(std::unique_ptr<TransferRun> run)
{
    if (thread_ || !run) return false;
    run_ = std::move(run);
    TransferRun* r = run_.get();
    r->context().progress = [this](const TransferProgress& p) {
        {
            std::lock_guard lock(mutex_);
            pending_.push_back(p);
        }
        QMetaObject::invokeMethod(this, "deliver", Qt::QueuedConnection);
    };
    thread_ = QThread::create([this, r] {
        r->Run();
        // Everything the run did is handed over with this lock (ended() takes it).
        std::lock_guard lock(mutex_);
    });
    connect(thread_, &QThread::finished, this, &TransferWorker::ended, Qt::QueuedConnection);
    thread_->start(QThread::TimeCriticalPriority);
    return true;
}

void TransferWorker::deliver()
{
    std::deque<TransferProgress> taken;
    {
        std::lock_guard lock(mutex_);
        taken.swap(pending_);
    }
    for (const TransferProgress& p : taken) Q_EMIT progress(p);
}

void TransferWorker::stop()
{
    if (run_ && thread_) run_->context().RequestStop();
}

bool TransferWorker::join(unsigned long ms)
{
    if (!thread_) return true;
    if (!thread_->wait(ms)) return false;
    ended();
    return true;
}

void TransferWorker::ended()
{
    if (!thread_) return;
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    deliver();  // the last texts before the end; its lock orders the run's writes before ours
    Q_EMIT finished();
}

}  // namespace kravin::online

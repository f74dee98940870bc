// Jobs handed to another thread. The jobs pass under a lock, so whatever a job holds (its
// request, a reply, the state of a port opened before it) is handed over in an order every
// thread, and the thread sanitizer, can see. Qt's event queue only wakes the receiving
// JobRunner through its slot, with no data of ours inside the event.
#pragma once

#include <QObject>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace kravin::online {

class JobRunner;

class JobQueue {
public:
    // Queues the job and wakes the runner's thread to run it; from any thread. False when
    // the queue has no runner (not yet made, or gone).
    bool post(std::function<void()> job);

    // Runs the queued jobs in order, on the runner's thread.
    void runPending();

    // Drops the queued jobs and refuses new ones: nothing posted from now on runs.
    void close();

private:
    friend class JobRunner;

    std::mutex mutex_;
    QObject* runner_ = nullptr;
    std::deque<std::function<void()>> jobs_;
};

// Runs a queue's jobs in the thread it lives in. Make it, and move it to its thread,
// before that thread starts; its queue is closed when it goes.
class JobRunner : public QObject {
    Q_OBJECT
public:
    explicit JobRunner(std::shared_ptr<JobQueue> queue, QObject* parent = nullptr);
    ~JobRunner() override;

public Q_SLOTS:
    void runPending();

private:
    const std::shared_ptr<JobQueue> queue_;
};

}  // namespace kravin::online

// Jobs handed to the thread of a QObject. The jobs pass under a lock, so whatever a job
// holds (its request, a reply, the state of a port opened before it) is handed over in an
// order every thread, and the thread sanitizer, can see; Qt's event queue only wakes the
// receiver. Once the queue is closed (the receiver going) nothing posted to it runs.
#pragma once

#include <QMetaObject>
#include <QObject>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace kravin::online {

class JobQueue : public std::enable_shared_from_this<JobQueue> {
public:
    // Make it before the receiver's thread starts.
    static std::shared_ptr<JobQueue> create(QObject* receiver)
    {
        return std::shared_ptr<JobQueue>(new JobQueue(receiver));
    }

    // Queues the job and wakes the receiver's thread to run it; from any thread. False
    // when the queue is closed.
    bool post(std::function<void()> job)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!receiver_) return false;
        jobs_.push_back(std::move(job));
        std::weak_ptr<JobQueue> self = weak_from_this();
        QMetaObject::invokeMethod(
            receiver_,
            [self] {
                if (const auto queue = self.lock()) queue->runPending();
            },
            Qt::QueuedConnection);
        return true;
    }

    // Drops the queued jobs and refuses new ones; the receiver's owner calls it before
    // the receiver goes.
    void close()
    {
        std::deque<std::function<void()>> dropped;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            receiver_ = nullptr;
            dropped.swap(jobs_);
        }
    }

    // Runs the queued jobs in order, on the receiver's thread.
    void runPending()
    {
        for (;;) {
            std::function<void()> job;
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                if (jobs_.empty()) return;
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            job();
        }
    }

private:
    explicit JobQueue(QObject* receiver) : receiver_(receiver) {}

    QObject* receiver_;
    std::mutex mutex_;
    std::deque<std::function<void()>> jobs_;
};

}  // namespace kravin::online

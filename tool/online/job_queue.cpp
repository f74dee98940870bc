#include "job_queue.h"

#include <QMetaObject>

namespace kravin::online {

bool JobQueue::post(std::function<void()> job)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!runner_) return false;
    jobs_.push_back(std::move(job));
    // Under the lock: close() cannot let the runner go between the test and the post.
    return QMetaObject::invokeMethod(runner_, "runPending", Qt::QueuedConnection);
}

void JobQueue::runPending()
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

void JobQueue::close()
{
    std::deque<std::function<void()>> dropped;
    const std::lock_guard<std::mutex> lock(mutex_);
    runner_ = nullptr;
    dropped.swap(jobs_);
}

JobRunner::JobRunner(std::shared_ptr<JobQueue> queue, QObject* parent) : QObject(parent), queue_(std::move(queue))
{
    const std::lock_guard<std::mutex> lock(queue_->mutex_);
    queue_->runner_ = this;
}

JobRunner::~JobRunner() { queue_->close(); }

void JobRunner::runPending() { queue_->runPending(); }

}  // namespace kravin::online

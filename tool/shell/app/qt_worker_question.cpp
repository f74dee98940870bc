#include "qt_worker_question.h"

#include "small_dialogs.h"

#include <QCoreApplication>
#include <QDialog>
#include <QMetaObject>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace kravin::shell {

// One question handed from a worker to the GUI thread.
struct QtWorkerQuestion::Pending {
    std::function<int()> fn;
    std::shared_ptr<const std::atomic<bool>> cancel;
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
    int result = model::AnswerAbort;
};

QtWorkerQuestion::QtWorkerQuestion(res::Language language, QObject* parent) : QObject(parent), language_(language) {}

QtWorkerQuestion::~QtWorkerQuestion() { shutDown(); }

void QtWorkerQuestion::shutDown()
{
    *down_ = true;
    if (open_) open_->done(model::AnswerAbort);
}

int QtWorkerQuestion::show(const std::function<QDialog*(QWidget*)>& make)
{
    if (*down_) return model::AnswerAbort;
    std::unique_ptr<QDialog> dialog(make(parentWidget_.data()));
    open_ = dialog.get();
    const int result = dialog->exec();
    open_ = nullptr;
    if (*down_) return model::AnswerAbort;
    return result == QDialog::Rejected ? model::AnswerAbort : result;
}

int QtWorkerQuestion::ask(std::function<QDialog*(QWidget*)> make, std::shared_ptr<const std::atomic<bool>> cancel)
{
    return call([this, make = std::move(make)] { return show(make); }, std::move(cancel));
}

void QtWorkerQuestion::abortOpen()
{
    if (open_) open_->done(model::AnswerAbort);
}

int QtWorkerQuestion::call(std::function<int()> fn, std::shared_ptr<const std::atomic<bool>> cancel)
{
    const std::shared_ptr<std::atomic<bool>> down = down_;
    if (*down || (cancel && *cancel)) return model::AnswerAbort;
    if (QThread::currentThread() == thread()) return fn();

    auto pending = std::make_shared<Pending>();
    {
        // The question reaches the GUI thread through this queue alone, never inside
        // the posted call: its hand-over is then ordered by a lock of ours.
        std::lock_guard<std::mutex> lock(queueMutex_);
        pending->fn = std::move(fn);
        pending->cancel = cancel;
        queue_.push_back(pending);
    }
    const bool queued = QMetaObject::invokeMethod(this, "servePending", Qt::QueuedConnection);
    if (!queued) return model::AnswerAbort;
    std::unique_lock<std::mutex> lock(pending->mutex);
    // The wait ends with the answer, or with the shut-down whose GUI thread no
    // longer shows dialogs, or with the asker's cancel.
    while (!pending->done && !*down && !(cancel && *cancel))
        pending->answered.wait_for(lock, std::chrono::milliseconds(50));
    return pending->done ? pending->result : model::AnswerAbort;
}

void QtWorkerQuestion::servePending()
{
    for (;;) {
        std::shared_ptr<Pending> p;
        {
            std::lock_guard<std::mutex> lock(queueMutex_);
            if (queue_.empty()) return;
            p = queue_.front();
            queue_.pop_front();
        }
        // A question its asker gave up on is not shown any more.
        const int result = (p->cancel && *p->cancel) || *down_ ? static_cast<int>(model::AnswerAbort) : p->fn();
        std::lock_guard<std::mutex> lock(p->mutex);
        p->result = result;
        p->done = true;
        p->answered.notify_all();
    }
}

int QtWorkerQuestion::communicationError(const std::string& detail)
{
    const QString text = QString::fromStdString(detail);
    const res::Language l = language_;
    return ask([text, l](QWidget* parent) { return new editors::ComErrorDialog(text, l, parent); });
}

int QtWorkerQuestion::itemMissing(int group, int item)
{
    const res::Language l = language_;
    return ask([group, item, l](QWidget* parent) { return new editors::ItemMissingDialog(group, item, l, parent); });
}

int QtWorkerQuestion::uploadVersionCheck()
{
    const res::Language l = language_;
    return ask([l](QWidget* parent) { return new editors::UploadVersionCheckDialog(l, parent); });
}

}  // namespace kravin::shell

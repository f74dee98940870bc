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

namespace {

// One question handed from a worker to the GUI thread; guarded by the exchange's mutex.
struct Pending {
    std::function<QDialog*(QWidget*)> make;
    bool done = false;
    int result = model::AnswerAbort;
};

}  // namespace

struct QtWorkerQuestion::Exchange {
    std::mutex mutex;
    std::condition_variable answered;
};

QtWorkerQuestion::QtWorkerQuestion(res::Language language, QObject* parent)
    : QObject(parent), language_(language), exchange_(std::make_shared<Exchange>())
{
}

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

int QtWorkerQuestion::ask(std::function<QDialog*(QWidget*)> make)
{
    const std::shared_ptr<std::atomic<bool>> down = down_;
    if (*down) return model::AnswerAbort;
    if (QThread::currentThread() == thread()) return show(make);

    const std::shared_ptr<Exchange> exchange = exchange_;
    std::shared_ptr<Pending> pending;
    {
        // Made under the lock the GUI thread takes to answer.
        std::lock_guard<std::mutex> lock(exchange->mutex);
        pending = std::make_shared<Pending>();
        pending->make = std::move(make);
    }
    const bool queued = QMetaObject::invokeMethod(
        this,
        [this, exchange, pending] {
            std::function<QDialog*(QWidget*)> make;
            {
                std::lock_guard<std::mutex> lock(exchange->mutex);
                make = std::move(pending->make);
            }
            const int result = show(make);
            std::lock_guard<std::mutex> lock(exchange->mutex);
            pending->result = result;
            pending->done = true;
            exchange->answered.notify_all();
        },
        Qt::QueuedConnection);
    if (!queued) return model::AnswerAbort;
    std::unique_lock<std::mutex> lock(exchange->mutex);
    // The wait ends with the answer, or with the shut-down whose GUI thread no
    // longer shows dialogs.
    while (!pending->done && !*down) exchange->answered.wait_for(lock, std::chrono::milliseconds(50));
    return pending->done ? pending->result : model::AnswerAbort;
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

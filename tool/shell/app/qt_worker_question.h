// The questions of the transfer workers as dialogs: any thread asks, the GUI
// thread shows the dialog and the asking thread waits for the answer. After
// shutDown() every question, waiting or new, is answered Abort.
#pragma once

#include "string_table.h"
#include "worker_question.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QDialog;
class QWidget;

namespace kravin::shell {

class QtWorkerQuestion final : public QObject, public model::WorkerQuestion {
    Q_OBJECT
public:
    // Made on the GUI thread; its dialogs open there.
    explicit QtWorkerQuestion(res::Language language, QObject* parent = nullptr);
    ~QtWorkerQuestion() override;

    void setParentWidget(QWidget* parent) { parentWidget_ = parent; }

    int communicationError(const std::string& detail) override;
    int itemMissing(int group, int item) override;
    int uploadVersionCheck() override;

    // From now on every question is answered Abort; an open dialog ends with Abort.
    void shutDown();
    bool isShutDown() const { return down_->load(); }

    // Shows the dialog make gives on the GUI thread and returns its answer; a question
    // waiting while *cancel becomes true is answered Abort.
    int ask(std::function<QDialog*(QWidget*)> make, std::shared_ptr<const std::atomic<bool>> cancel = {});
    // Runs fn on the GUI thread for its answer, as ask does.
    int call(std::function<int()> fn, std::shared_ptr<const std::atomic<bool>> cancel = {});
    // The open question's dialog ends with Abort.
    void abortOpen();

private:
    struct Pending;
    int show(const std::function<QDialog*(QWidget*)>& make);
    // Runs the questions the workers queued (on the GUI thread).
    Q_INVOKABLE void servePending();

    res::Language language_;
    QPointer<QWidget> parentWidget_;
    // Shared with the waiting workers, which may outlive this object.
    std::shared_ptr<std::atomic<bool>> down_ = std::make_shared<std::atomic<bool>>(false);
    QPointer<QDialog> open_;
    // The questions waiting for the GUI thread: they cross under this lock only.
    std::mutex queueMutex_;
    std::deque<std::shared_ptr<Pending>> queue_;
};

}  // namespace kravin::shell

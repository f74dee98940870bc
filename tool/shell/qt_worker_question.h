// The questions of the transfer workers as dialogs: any thread asks, the GUI
// thread shows the dialog and the asking thread waits for the answer. After
// shutDown() every question, waiting or new, is answered Abort.
#pragma once

#include "string_table.h"
#include "worker_question.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>

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

private:
    int ask(std::function<QDialog*(QWidget*)> make);
    int show(const std::function<QDialog*(QWidget*)>& make);

    res::Language language_;
    QPointer<QWidget> parentWidget_;
    // Shared with the waiting workers, which may outlive this object.
    std::shared_ptr<std::atomic<bool>> down_ = std::make_shared<std::atomic<bool>>(false);
    // The lock and signal of the answers, made here on the GUI thread before any
    // worker can ask, so every hand-over is ordered by this one mutex.
    struct Exchange;
    std::shared_ptr<Exchange> exchange_;
    QPointer<QDialog> open_;
};

}  // namespace kravin::shell

#include "monitor_worker.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>
#include <QtGlobal>

namespace kravin::online {

class MonitorWorker::Relay : public MonitorNotices {
public:
    explicit Relay(MonitorWorker* worker) : worker_(worker) {}
    void DentanRedraw() override { Q_EMIT worker_->dentanRedraw(); }
    void AnatanRedraw() override { Q_EMIT worker_->anatanRedraw(); }
    void MonRedraw() override { Q_EMIT worker_->monRedraw(); }
    void OnlineStop() override { Q_EMIT worker_->onlineStop(); }
    void LadderRedraw() override { Q_EMIT worker_->ladderRedraw(); }
    void CommunicationError(int messageId) override { Q_EMIT worker_->communicationError(messageId); }

private:
    MonitorWorker* worker_;
};

MonitorWorker::MonitorWorker(std::shared_ptr<OnlineState> state, QObject* parent)
    : QObject(parent), state_(std::move(state)), relay_(std::make_unique<Relay>(this))
{
    state_->SetAppDataFallback(
        QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).toStdString());
}

MonitorWorker::~MonitorWorker()
{
    const bool ended = Stop();
    state_->SetNotices(nullptr);
    if (!ended) {
        // Still inside one exchange after the bound: let it end on its own. It holds its own
        // share of the state and, detached from this object, signals nothing.
        qCritical("monitor worker did not end in time; left to finish on its own");
        thread_ = nullptr;  // intentionally not deleted while it runs
    }
}

bool MonitorWorker::Start()
{
    if (thread_) {
        if (thread_->isRunning()) return false;
        delete thread_;
        thread_ = nullptr;
    }
    state_->MonitorThreadAlive = 1;
    state_->MonitorActive = 0;
    state_->RegMonitorOn = 0;
    state_->SetNotices(relay_.get());
    std::shared_ptr<OnlineState> state = state_;
    thread_ = QThread::create([state] { state->MonitorThreadProc(); });
    thread_->setObjectName(QStringLiteral("MonitorThreadProc"));
    thread_->start(QThread::TimeCriticalPriority);
    return true;
}

bool MonitorWorker::Stop(std::chrono::milliseconds bound)
{
    state_->RequestWorkerStop();
    if (!thread_) return true;
    if (!thread_->wait(QDeadlineTimer(static_cast<qint64>(bound.count())))) return false;
    delete thread_;
    thread_ = nullptr;
    return true;
}

bool MonitorWorker::IsRunning() const { return thread_ && thread_->isRunning(); }

}  // namespace kravin::online

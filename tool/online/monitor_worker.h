// The monitor worker thread: runs OnlineState::MonitorThreadProc for the program's life and
// turns its notices into queued signals.
#pragma once

#include "monitor_engine.h"

#include <QObject>

#include <chrono>
#include <memory>

class QThread;

namespace kravin::online {

class MonitorWorker : public QObject {
    Q_OBJECT
public:
    // Long enough for one serial exchange at the longest reply time-out in use.
    static constexpr std::chrono::milliseconds kDefaultStopBound{15000};

    // Gives the state the platform's application-data folder for MON.KRAB, used when the
    // context names none.
    explicit MonitorWorker(std::shared_ptr<OnlineState> state, QObject* parent = nullptr);
    // Stops the thread (kDefaultStopBound). A thread that hasn't ended by then is left to end
    // on its own: it owns a share of the state and sends no more signals.
    ~MonitorWorker() override;

    // MonitorThreadAlive := 1, MonitorActive := 0, RegMonitorOn := 0, then starts the thread
    // at time-critical priority. False when it already runs.
    bool Start();
    // Clears MonitorActive and MonitorThreadAlive, wakes the worker and waits for its end
    // up to `bound`. True when the thread has ended.
    bool Stop(std::chrono::milliseconds bound = kDefaultStopBound);
    bool IsRunning() const;

    OnlineState& state() { return *state_; }

Q_SIGNALS:
    void dentanRedraw();           // 40602 "M Dentan Redraw"
    void anatanRedraw();           // 40603 "M Anatan Redraw"
    void monRedraw();              // 40604 "M Mon Redraw"
    void onlineStop();             // 40605 "M Online Stop"
    void ladderRedraw();           // 40606 "M Ladder Redraw"
    void communicationError(int messageId);  // show this message (9205)

private:
    class Relay;
    std::shared_ptr<OnlineState> state_;
    std::unique_ptr<Relay> relay_;
    QThread* thread_ = nullptr;
};

}  // namespace kravin::online

// Runs the event loop until a condition holds, with a bound: for tests that wait
// on workers, timers and queued signals.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <chrono>
#include <functional>

namespace kravin::test {

inline bool waitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds bound = std::chrono::milliseconds(10000))
{
    QDeadlineTimer deadline(bound.count());
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

}  // namespace kravin::test

// The online monitor worker as the start-up and shut-down see it: started once
// the frame is shown, stopped and joined before the project's work folder goes.
#pragma once

#include <chrono>

namespace kravin::shell {

class MonitorWorker {
public:
    virtual ~MonitorWorker() = default;
    virtual void start() = 0;
    // Clears the worker's flags and waits at most bound for it to end; false
    // when it did not end in time.
    virtual bool stop(std::chrono::milliseconds bound) = 0;
};

// Stands in until the monitor engine is plugged in.
class IdleMonitorWorker final : public MonitorWorker {
public:
    void start() override { running_ = true; }
    bool stop(std::chrono::milliseconds) override
    {
        running_ = false;
        return true;
    }
    bool running() const { return running_; }

private:
    bool running_ = false;
};

}  // namespace kravin::shell

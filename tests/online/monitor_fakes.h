// A scripted monitor context and a notice counter for the monitor tests.
#pragma once

#include "monitor_context.h"
#include "monitor_engine.h"

#include <atomic>
#include <mutex>

namespace kravin::online::test {

class FakeContext : public MonitorContext {
public:
    MonitorViews Views() const override
    {
        std::lock_guard lock(mutex);
        return views;
    }
    bool ProjectOpen() const override
    {
        std::lock_guard lock(mutex);
        return projectOpen;
    }
    MonitorUnitInfo CurrentUnit() const override
    {
        std::lock_guard lock(mutex);
        return current;
    }
    MonitorUnitInfo UnitAt(int station, int card) const override
    {
        std::lock_guard lock(mutex);
        ++unitAtCalls;
        MonitorUnitInfo u = target;
        if (u.station != station || u.card != card) u = MonitorUnitInfo{false, station, card, {}, {}, {}, false, {}};
        return u;
    }
    std::shared_ptr<const AnalogMonitorPlan> AnalogPlan() const override
    {
        std::lock_guard lock(mutex);
        return analog;
    }
    std::shared_ptr<const CommMonitorPlan> CommPlan() const override
    {
        std::lock_guard lock(mutex);
        return comm;
    }
    LadderMonitorPlan StartUnitMonitor() override
    {
        std::lock_guard lock(mutex);
        ++startUnitMonitorCalls;
        return ladder;
    }
    void ApplyMonitorTarget(MonitorTargets& targets) override
    {
        std::lock_guard lock(mutex);
        ++applyCalls;
        for (auto& row : targets.rows)
            if (row.ggnn != -1) row.resolvedItem = static_cast<std::int16_t>(resolveTo);
    }
    std::string GetAppDataDir() const override
    {
        std::lock_guard lock(mutex);
        return appDataDir;
    }

    mutable std::mutex mutex;
    MonitorViews views;
    bool projectOpen = false;
    MonitorUnitInfo current;
    MonitorUnitInfo target;
    std::shared_ptr<const AnalogMonitorPlan> analog;
    std::shared_ptr<const CommMonitorPlan> comm;
    LadderMonitorPlan ladder;
    int resolveTo = -1;
    std::string appDataDir;
    mutable int unitAtCalls = 0;
    int startUnitMonitorCalls = 0;
    int applyCalls = 0;
};

// Counts the notices (thread-safe).
class NoticeCounter : public MonitorNotices {
public:
    void DentanRedraw() override { ++dentan; }
    void AnatanRedraw() override { ++anatan; }
    void MonRedraw() override { ++mon; }
    void OnlineStop() override { ++stop; }
    void LadderRedraw() override { ++ladder; }
    void CommunicationError(int id) override
    {
        ++errors;
        lastError = id;
    }
    std::atomic<int> dentan{0}, anatan{0}, mon{0}, stop{0}, ladder{0}, errors{0}, lastError{0};
};

inline MonitorUnitInfo Unit(int station, int card, std::string model, std::string unitId = "0012")
{
    MonitorUnitInfo u;
    u.exists = true;
    u.station = station;
    u.card = card;
    u.model = std::move(model);
    u.recordText = std::string(5, '\0');
    u.unitId = std::move(unitId);
    return u;
}

}  // namespace kravin::online::test

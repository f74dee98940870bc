// The online monitor as the shell runs it: the model data the worker reads,
// taken as snapshots on the GUI thread, and the worker thread itself behind
// the start-up's MonitorWorker.
#pragma once

#include "connections.h"
#include "current_unit.h"
#include "monitor_port.h"

#include "monitor_context.h"
#include "monitor_engine.h"
#include "serial_link.h"

#include <QObject>

#include <array>
#include <atomic>
#include <bitset>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace kravin::online {
class MonitorWorker;
}  // namespace kravin::online

namespace kravin::shell {

// The analog monitor plan of the current unit from its analog map: a group with
// analog terminals is monitored, its used items are read, an ANACOM item reads its
// source instead.
online::AnalogMonitorPlan analogMonitorPlan(const model::UnitContext& unit);
// The communication monitor plan from the communication link table's flags.
online::CommMonitorPlan commMonitorPlan(const model::CommLinkTable& table);

// What the worker reads of the project at one moment.
struct MonitorModelSnapshot {
    bool projectOpen = false;
    online::MonitorViews views;
    int station = -1;  // the current unit: card 0 the station, 1..16 cards, -1 none
    int card = -1;
    // [station][0] the station, [station][j] card j.
    std::array<std::array<online::MonitorUnitInfo, model::kCardSlots + 1>, model::kStations> units;
    std::shared_ptr<const online::AnalogMonitorPlan> analog;  // null: no current unit
};

// The monitor's view of the model. The worker's calls read the latest
// snapshot only and never touch the unit context; refresh and
// ApplyMonitorTarget run on the GUI thread.
class ModelMonitorContext final : public online::MonitorContext {
public:
    explicit ModelMonitorContext(model::UnitContext& unit);

    // Takes a fresh snapshot of the tables and the current unit; workFolder
    // is the open project's folder (empty when none).
    void refresh(bool projectOpen, const online::MonitorViews& views, std::string workFolder);
    void setAppDataDir(std::string folder);
    // The unit ID the link uses for a unit (card -1 the station) during this session,
    // kept out of the project; taken in by the next refresh.
    void setSessionUnitId(int station, int card, std::string id);
    std::shared_ptr<const MonitorModelSnapshot> snapshot() const;

    online::MonitorViews Views() const override { return snapshot()->views; }
    bool ProjectOpen() const override { return snapshot()->projectOpen; }
    online::MonitorUnitInfo CurrentUnit() const override;
    online::MonitorUnitInfo UnitAt(int station, int card) const override;
    std::shared_ptr<const online::AnalogMonitorPlan> AnalogPlan() const override { return snapshot()->analog; }
    // The plan of the last communication link table published (null before any).
    std::shared_ptr<const online::CommMonitorPlan> CommPlan() const override;
    // Whoever rebuilds the communication link table hands it over here.
    void publishCommTable(const model::CommLinkTable& table);
    // The ladder's tables as the ladder view last published them.
    online::LadderMonitorPlan StartUnitMonitor() override;
    // Published on the GUI thread when the ladder opens or its grid changes.
    void setLadderPlan(online::LadderMonitorPlan plan);
    void ApplyMonitorTarget(online::MonitorTargets& targets) override;
    std::string GetAppDataDir() const override;

private:
    // irCards caches the IR card look-up per kind name.
    online::MonitorUnitInfo describe(int station, int card, std::map<std::string, bool>& irCards) const;
    void publish(std::shared_ptr<MonitorModelSnapshot> next);

    model::UnitContext& unit_;
    std::string workFolder_;  // GUI thread only
    mutable std::mutex mutex_;
    std::shared_ptr<const MonitorModelSnapshot> snapshot_;
    std::string appDataDir_;
    std::shared_ptr<const online::CommMonitorPlan> commPlan_;
    online::LadderMonitorPlan ladderPlan_;
    // Blocks of the registry target unit, kept across refreshes.
    int targetStation_ = -1, targetCard_ = -1;
    std::bitset<online::kMonitorBlocks> targetBlocks_;
    std::map<std::pair<int, int>, std::string> sessionUnitIds_;  // GUI thread only
};

// The online worker thread behind the start-up's start and stop, with its
// notices turned into calls on the GUI thread.
class OnlineMonitorWorker final : public QObject, public MonitorWorker {
    Q_OBJECT
public:
    OnlineMonitorWorker(std::shared_ptr<online::OnlineState> state);
    ~OnlineMonitorWorker() override;

    void start() override;
    bool stop(std::chrono::milliseconds bound) override;
    bool running() const;

    online::OnlineState& state();
    online::MonitorWorker& worker() { return *worker_; }

    // The worker's notices, set by the shell; both run on the GUI thread.
    std::function<void(int messageId)> onCommunicationError;
    std::function<void()> onOnlineStop;  // "M Online Stop"
    std::function<void()> onLadderRedraw;  // "M Ladder Redraw"

    // The link half of "M Online Stop" and the shell's online flag.
    static void takeLinkDown(online::OnlineState& state, std::atomic<bool>& onlineFlag);

private:
    std::unique_ptr<online::MonitorWorker> worker_;
};

// The longest wait for the worker at exit: one reply time-out ("COM_TIME",
// seconds; not above 0 the link's default) and a margin, never below floor.
std::chrono::milliseconds monitorStopBound(int comTimeSeconds, std::chrono::milliseconds floor);

}  // namespace kravin::shell

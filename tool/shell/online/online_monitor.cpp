#include "online_monitor.h"

#include "KRAVinA.h"
// The online worker's header shares its name with the shell's.
#include "monitor_worker.h"

#include <algorithm>
#include <cstring>

namespace kravin::shell {

namespace {

constexpr std::chrono::milliseconds kStopMargin{2000};

bool validUnit(int station, int card)
{
    return station >= 0 && station < model::kStations && card >= 0 && card <= model::kCardSlots;
}

}  // namespace

std::chrono::milliseconds monitorStopBound(int comTimeSeconds, std::chrono::milliseconds floor)
{
    const online::SerialLinkSettings link = online::SerialLinkSettings::fromProfile(comTimeSeconds, {});
    return std::max(floor, link.replyTimeout + kStopMargin);
}

// ---- Monitor plans ----

online::AnalogMonitorPlan analogMonitorPlan(const model::UnitContext& unit)
{
    online::AnalogMonitorPlan plan;
    plan.station = unit.g_curStation;
    plan.card = unit.g_curCard - 1;
    for (int g = 0; g < model::kGroups && g < online::kMonitorBlocks; ++g) {
        const model::AnalogMapEntry& entry = unit.analogMap[static_cast<std::size_t>(g)];
        online::AnalogMonitorPlan::Row& row = plan.rows[static_cast<std::size_t>(g)];
        if (unit.g_unitBlocks[g][0] == 0 || entry.hasAnalog == online::kNotMonitored) continue;
        row.blockFlag = 1;
        for (int i = 0; i < model::kItems && i < online::kMonitorItems; ++i) {
            const auto k = static_cast<std::size_t>(i);
            if (entry.terminalUsed[k] == online::kNotMonitored) continue;
            row.itemFlags[k] = 1;
            const int source = entry.source[k];
            row.redirect[k] = source >= 0 && source < online::kMonitorBlocks * online::kMonitorItems ? source : -1;
        }
    }
    return plan;
}

online::CommMonitorPlan commMonitorPlan(const model::CommLinkTable& table)
{
    online::CommMonitorPlan plan;
    for (int s = 0; s < model::kStations && s < online::kMonitorStations; ++s)
        for (int u = 0; u < model::kCommSlots && u < online::kMonitorSlots; ++u) {
            const model::CommLinkFlagEntry& from = table.flags[static_cast<std::size_t>(s)][static_cast<std::size_t>(u)];
            online::CommMonitorPlan::Slot& to = plan.slots[static_cast<std::size_t>(s)][static_cast<std::size_t>(u)];
            to.used = from.used != 0;
            for (int t = 0; t < model::kCommTerminals && t < online::kMonitorTerminals; ++t)
                to.kinds[static_cast<std::size_t>(t)] = from.kind[static_cast<std::size_t>(t)];
        }
    return plan;
}

// ---- The model as the monitor reads it ----

ModelMonitorContext::ModelMonitorContext(model::UnitContext& unit)
    : unit_(unit), snapshot_(std::make_shared<const MonitorModelSnapshot>())
{
}

online::MonitorUnitInfo ModelMonitorContext::describe(int station, int card,
                                                      std::map<std::string, bool>& irCards) const
{
    online::MonitorUnitInfo info;
    info.station = station;
    info.card = card - 1;
    const std::string kind = unit_.unitKindName(station, card);
    if (kind.empty()) return info;
    info.exists = true;
    info.model = kind;
    const std::string& text =
        card == 0 ? unit_.tables.stationUnitText[station] : unit_.tables.cardUnitText[station][card - 1];
    info.recordText = text.substr(0, model::kUnitTextWidth);
    if (const auto id = sessionUnitIds_.find({station, card - 1}); id != sessionUnitIds_.end()) info.unitId = id->second;
    if (card > 0) {
        const auto [it, added] = irCards.try_emplace(kind, false);
        if (added) it->second = KRAVinA_IRCardName_Comp(kind.c_str(), unit_.tableFolder.c_str()) == 1;
        info.irCard = it->second;
    }
    return info;
}

void ModelMonitorContext::refresh(bool projectOpen, const online::MonitorViews& views, std::string workFolder)
{
    workFolder_ = std::move(workFolder);
    auto next = std::make_shared<MonitorModelSnapshot>();
    next->projectOpen = projectOpen;
    next->views = views;
    if (projectOpen) {
        std::map<std::string, bool> irCards;
        for (int s = 0; s < model::kStations; ++s)
            for (int c = 0; c <= model::kCardSlots; ++c) next->units[s][c] = describe(s, c, irCards);
        if (validUnit(targetStation_, targetCard_)) next->units[targetStation_][targetCard_].blocks = targetBlocks_;
        if (validUnit(unit_.g_curStation, unit_.g_curCard)) {
            next->station = unit_.g_curStation;
            next->card = unit_.g_curCard;
            auto& blocks = next->units[next->station][next->card].blocks;
            for (int g = 0; g < model::kGroups && g < online::kMonitorBlocks; ++g)
                if (unit_.g_unitBlocks[g][0] != 0) blocks.set(static_cast<std::size_t>(g));
            next->analog = std::make_shared<const online::AnalogMonitorPlan>(analogMonitorPlan(unit_));
        }
    } else {
        for (int s = 0; s < model::kStations; ++s)
            for (int c = 0; c <= model::kCardSlots; ++c) {
                next->units[s][c].station = s;
                next->units[s][c].card = c - 1;
            }
    }
    publish(std::move(next));
}

void ModelMonitorContext::publish(std::shared_ptr<MonitorModelSnapshot> next)
{
    std::lock_guard lock(mutex_);
    snapshot_ = std::move(next);
}

std::shared_ptr<const MonitorModelSnapshot> ModelMonitorContext::snapshot() const
{
    std::lock_guard lock(mutex_);
    return snapshot_;
}

online::MonitorUnitInfo ModelMonitorContext::CurrentUnit() const
{
    const auto snap = snapshot();
    if (!validUnit(snap->station, snap->card)) return {};
    return snap->units[snap->station][snap->card];
}

online::MonitorUnitInfo ModelMonitorContext::UnitAt(int station, int card) const
{
    if (!validUnit(station, card + 1)) {
        online::MonitorUnitInfo none;
        none.station = station;
        none.card = card;
        return none;
    }
    return snapshot()->units[station][card + 1];
}

online::LadderMonitorPlan ModelMonitorContext::StartUnitMonitor()
{
    std::lock_guard lock(mutex_);
    return ladderPlan_;
}

void ModelMonitorContext::setLadderPlan(online::LadderMonitorPlan plan)
{
    std::lock_guard lock(mutex_);
    ladderPlan_ = std::move(plan);
}

std::shared_ptr<const online::CommMonitorPlan> ModelMonitorContext::CommPlan() const
{
    std::lock_guard lock(mutex_);
    return commPlan_;
}

void ModelMonitorContext::publishCommTable(const model::CommLinkTable& table)
{
    auto plan = std::make_shared<const online::CommMonitorPlan>(commMonitorPlan(table));
    std::lock_guard lock(mutex_);
    commPlan_ = std::move(plan);
}

void ModelMonitorContext::setSessionUnitId(int station, int card, std::string id)
{
    sessionUnitIds_[{station, card}] = std::move(id);
}

void ModelMonitorContext::setAppDataDir(std::string folder)
{
    std::lock_guard lock(mutex_);
    appDataDir_ = std::move(folder);
}

std::string ModelMonitorContext::GetAppDataDir() const
{
    std::lock_guard lock(mutex_);
    return appDataDir_;
}

void ModelMonitorContext::ApplyMonitorTarget(online::MonitorTargets& targets)
{
    if (!snapshot()->projectOpen) return;
    const int station = targets.station;
    const int card = targets.card + 1;
    model::MonitorTargetUnit& target = unit_.monitorTarget;
    target = {};
    targetStation_ = targetCard_ = -1;
    targetBlocks_.reset();
    const std::string kind = unit_.unitKindName(station, card);
    if (!validUnit(station, card) || kind.empty()) return;

    target.station = static_cast<std::int16_t>(station);
    target.card = static_cast<std::int16_t>(card);
    std::memcpy(target.model.data(), kind.data(), std::min(kind.size(), target.model.size()));
    const model::CardKindMaster& master = card == 0 ? unit_.masters.station : unit_.masters.card;
    const int k = unit_.unitKind(station, card);
    const int v = unit_.unitVersionIndex(station, card);
    if (v >= 0 && v < model::kKindVersions) {
        const std::string& version = master.versions[k][v];
        std::memcpy(target.version.data(), version.data(), std::min(version.size(), target.version.size()));
    }
    {
        // Reading another unit's file replaces the library's unit image: keep it.
        model::UnitImageGuard guard;
        std::array<char, model::kUnitHeadSize> head{};
        KRAVinA_Data_Get(station, card - 1, head.data(), workFolder_.c_str());
        for (int g = 0; g < model::kGroups; ++g) {
            std::memcpy(target.blocks[g].data(), head.data() + 5 * g, 5);
            if (target.blocks[g][0] != 0 && g < online::kMonitorBlocks) targetBlocks_.set(static_cast<std::size_t>(g));
        }
    }
    targetStation_ = station;
    targetCard_ = card;
    for (online::MonitorTargetRow& row : targets.rows) {
        if (row.ggnn < 0) continue;
        const int group = row.ggnn / 100;
        const int terminal = row.ggnn % 100;
        const bool present = group < model::kGroups && target.blocks[group][0] != 0;
        row.resolvedItem = static_cast<std::int16_t>(present ? unit_.GetMonitorTerminalNo(group, terminal) : -1);
    }
}

// ---- The worker ----

OnlineMonitorWorker::OnlineMonitorWorker(std::shared_ptr<online::OnlineState> state)
    : worker_(std::make_unique<online::MonitorWorker>(std::move(state)))
{
    // The worker's signals come from its thread: queued to this object's (the GUI) thread.
    connect(worker_.get(), &online::MonitorWorker::communicationError, this,
            [this](int id) {
                if (onCommunicationError) onCommunicationError(id);
            },
            Qt::QueuedConnection);
    connect(worker_.get(), &online::MonitorWorker::onlineStop, this,
            [this] {
                if (onOnlineStop) onOnlineStop();
            },
            Qt::QueuedConnection);
    connect(worker_.get(), &online::MonitorWorker::ladderRedraw, this,
            [this] {
                if (onLadderRedraw) onLadderRedraw();
            },
            Qt::QueuedConnection);
}

OnlineMonitorWorker::~OnlineMonitorWorker() = default;

void OnlineMonitorWorker::start() { worker_->Start(); }

bool OnlineMonitorWorker::stop(std::chrono::milliseconds bound) { return worker_->Stop(bound); }

bool OnlineMonitorWorker::running() const { return worker_->IsRunning(); }

online::OnlineState& OnlineMonitorWorker::state() { return worker_->state(); }

void OnlineMonitorWorker::takeLinkDown(online::OnlineState& state, std::atomic<bool>& onlineFlag)
{
    state.OnOnlineStop();
    onlineFlag = state.OnlineLinkOpen.load() == 1;
}

}  // namespace kravin::shell

#include "online_commands.h"

#include "services.h"

#include <algorithm>

namespace kravin::online {

namespace {

std::string padded(const std::string& model)
{
    std::string m = model.substr(0, std::min<std::size_t>(model.size(), 8));
    if (const auto nul = m.find('\0'); nul != std::string::npos) m.resize(nul);
    m.resize(8, ' ');
    return m;
}

bool isTjk5(const std::string& model) { return model.rfind("TJK5", 0) == 0; }

}  // namespace

std::optional<AllocatedPort> FindAllocatedPort(const model::CardKindMasters& masters,
                                               const model::UserSettings& settings, const std::string& name)
{
    if (name.empty() || name[0] == '\0' || name[0] == ' ') return std::nullopt;
    const std::string model = padded(name);
    for (std::size_t r = 0; r < settings.PortAllocation.size(); ++r) {
        const model::PortAllocationRow& row = settings.PortAllocation[r];
        if (!model::IsDeviceUsableForModel(model, row.device)) continue;
        int bus = 0, speed = 0, value = 0;
        if (model::FindCardKind(masters, model, &bus, &speed, &value) == 0) return std::nullopt;
        if (row.port.empty()) return std::nullopt;
        return AllocatedPort{static_cast<int>(r), row.port, speed, row.speed};
    }
    return std::nullopt;
}

ConnectionModel ConnectionDeviceModel(const std::string& device)
{
    switch (model::DeviceStringId(device)) {
    case 9303: return {"QV100   ", true, false};
    case 9304: return {"QV100   ", false, false};
    case 9305: return {"TJK5    ", false, false};
    case 9401: return {"TJK5    ", false, true};
    case 9309: return {"TJW     ", false, false};
    case 9306: return {"V8RTU   ", false, false};
    default: return {device, false, false};
    }
}

std::vector<int> DeviceKindBaudIndexes(const model::CardKindMasters& masters, const std::string& device)
{
    int bus = 0, speed = 0, value = 0;
    if (model::FindCardKind(masters, ConnectionDeviceModel(device).model, &bus, &speed, &value)) return {speed};
    std::map<int, int> kindsAtSpeed;
    for (const model::CardKindMaster* master : {&masters.card, &masters.station}) {
        for (std::size_t i = 1; i < master->name.size() && !master->name[i].empty(); ++i)
            if (model::IsDeviceUsableForModel(master->name[i], device)) ++kindsAtSpeed[master->speedCode[i]];
    }
    std::vector<std::pair<int, int>> speeds(kindsAtSpeed.begin(), kindsAtSpeed.end());
    std::stable_sort(speeds.begin(), speeds.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    std::vector<int> out;
    for (const auto& [code, kinds] : speeds) out.push_back(code);
    return out;
}

int DeviceBaudIndex(const model::CardKindMasters& masters, const std::string& device, std::optional<int> unitBaud)
{
    const std::vector<int> speeds = DeviceKindBaudIndexes(masters, device);
    if (speeds.size() == 1) return speeds.front();
    if (unitBaud) return *unitBaud;
    return speeds.empty() ? 0 : speeds.front();
}

std::vector<int> RowsWithDevices(const model::UserSettings& settings, std::initializer_list<int> ids)
{
    std::vector<int> rows;
    for (std::size_t r = 0; r < settings.PortAllocation.size(); ++r) {
        const int id = model::DeviceStringId(settings.PortAllocation[r].device);
        if (std::find(ids.begin(), ids.end(), id) != ids.end()) rows.push_back(static_cast<int>(r));
    }
    return rows;
}

OnlineCommands::OnlineCommands(OnlineCommandHost& host, OnlineState& state, LinkOwner& owner)
    : host_(host), state_(state), owner_(owner)
{
    Register(onlinecmd::OnlineStop, [this] { OnOnlineStop(); });
    Register(onlinecmd::DateSetting, [this] { OnDateSetting(); });
}

void OnlineCommands::Register(int id, Handler handler) { handlers_[id] = std::move(handler); }

bool OnlineCommands::Run(int id)
{
    const auto it = handlers_.find(id);
    if (it == handlers_.end()) return false;
    it->second();
    return true;
}

bool OnlineCommands::TakeLink(LinkUser user)
{
    if (owner_.Acquire(user)) return true;
    host_.prompt().message(kMsgLinkInUse, {}, model::Buttons::Ok, model::Icon::Warning);
    return false;
}

bool OnlineCommands::ChooseDevice(AllocatedPort& port, std::initializer_list<int> ids)
{
    const std::vector<int> rows = RowsWithDevices(host_.settings(), ids);
    if (rows.size() < 2) return true;
    const int chosen = host_.chooseConnectionDevice(rows);
    if (std::find(rows.begin(), rows.end(), chosen) == rows.end()) return false;
    const model::PortAllocationRow& row = host_.settings().PortAllocation[static_cast<std::size_t>(chosen)];
    port.row = chosen;
    port.port = row.port;
    port.speed = row.speed;
    return !port.port.empty();
}

bool OnlineCommands::StartPuOnlineMonitor(const MonitorSubject& subject)
{
    model::Prompt& prompt = host_.prompt();
    if (host_.networkHt9Open()) {
        if (prompt.message(kMsgCloseNetworkPu, {}, model::Buttons::OkCancel, model::Icon::Question) !=
            model::Answer::Ok)
            return false;
        host_.closeNetworkHt9();
        if (host_.networkHt9Open()) return false;
    }
    if (state_.OnlineLinkOpen.load() == 1) return false;  // the last run still holds its link
    model::UserSettings& settings = host_.settings();
    const bool bus = settings.ONLINE == 1;

    MonitorStart start;
    if (bus) {
        start.link = OnlineLink::Bus;
    } else {
        if (subject.model.empty() || subject.model[0] == ' ' || subject.model[0] == '\0') {
            prompt.message(kMsgSelectDevice, {}, model::Buttons::Ok, model::Icon::Warning);
            return false;
        }
        std::optional<AllocatedPort> port = FindAllocatedPort(host_.masters(), settings, subject.model);
        if (!port) {
            prompt.message(kMsgConfigurePortAllocation, {}, model::Buttons::Ok, model::Icon::Warning);
            return false;
        }
        if (model::GetModelCode(padded(subject.model)) != 0 && !ChooseDevice(*port, {9303, 9304})) return false;
        if (isTjk5(subject.model) && !ChooseDevice(*port, {9305, 9401})) return false;
        if (isTjk5(subject.model) && host_.registryMonitorShown()) {
            const std::optional<std::string> id = host_.askUnitId();
            if (!id) return false;
            host_.setSessionUnitId(subject, *id);
        }
        settings.MON_SPEED = port->speed;
        start.link = OnlineLink::Serial;
        start.portName = port->port;
        start.baudIndex = port->baudIndex;
    }

    if (!TakeLink(LinkUser::Monitor)) return false;
    state_.MonitorSpeed = settings.MON_SPEED;
    host_.refreshMonitorSnapshot();
    if (state_.StartMonitor(start) != 0) {
        owner_.Release(LinkUser::Monitor);
        if (bus)
            prompt.message(kMsgBusNotReady, {}, model::Buttons::Ok, model::Icon::Error);
        else
            prompt.message(kMsgPortOpenFailed, {start.portName}, model::Buttons::Ok, model::Icon::Error);
        return false;
    }
    host_.onlineChanged(true);
    return true;
}

void OnlineCommands::StopMonitorThreadFlags() { state_.StopMonitorThreadFlags(); }

void OnlineCommands::OnOnlineStop()
{
    host_.refreshMonitorSnapshot();  // the HT-9 window may hold the port
    state_.OnOnlineStop();
    if (state_.OnlineLinkOpen.load() != 0) return;  // a new run holds the link
    owner_.Release(LinkUser::Monitor);
    host_.onlineChanged(false);
    if (state_.RegMonitorOn.load() == 1) host_.registryMonitorEnded();
}

std::optional<AllocatedPort> OnlineCommands::CheckAllocatedPort()
{
    std::optional<AllocatedPort> port = FindAllocatedPort(host_.masters(), host_.settings(), host_.currentUnit().model);
    if (!port) host_.prompt().message(kMsgConfigurePortLayout, {}, model::Buttons::Ok, model::Icon::Warning);
    return port;
}

void OnlineCommands::OnDateSetting()
{
    const MonitorSubject unit = host_.currentUnit();
    DateSettingRequest request;
    request.station = unit.station;
    request.link = host_.settings().ONLINE == 1 ? OnlineLink::Bus : OnlineLink::Serial;
    request.owner = &owner_;
    request.port = FindAllocatedPort(host_.masters(), host_.settings(), unit.model);
    // Over the serial link the clock needs its port; over the bus it doesn't.
    if (!request.port && request.link == OnlineLink::Serial) {
        host_.prompt().message(kMsgConfigurePortLayout, {}, model::Buttons::Ok, model::Icon::Warning);
        return;
    }
    if (unit.station < 0) return;
    host_.runDateSetting(request);
}

}  // namespace kravin::online

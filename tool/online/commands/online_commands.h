// The online and transfer commands of the application behind one dispatcher: each
// handler checks and prepares (port allocation, device choice, serial or bus), takes the
// link for its user and hands over to the monitor or the dialog that does the work. No
// Qt: the shell fills in the host; tests a fake.
#pragma once

#include "link_owner.h"
#include "monitor_engine.h"
#include "prompt.h"
#include "settings.h"
#include "system_config.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kravin::online {

// Command ids served here.
namespace onlinecmd {
constexpr int OnlineMonitor = 32903;  // Operation/Online Monitor: start or stop
constexpr int DateSetting = 40408;
constexpr int OnlineStop = 40605;     // "M Online Stop" from the monitor worker
}  // namespace onlinecmd

// Message ids of the checks.
constexpr int kMsgConfigurePortLayout = 8301;     // "Configure port layout."
constexpr int kMsgCloseNetworkPu = 9202;          // "Cannot run at once with network PU. ..."
constexpr int kMsgSelectDevice = 9203;            // "Select a device to start PU online monitoring."
constexpr int kMsgConfigurePortAllocation = 9204; // "Configure port allocation to start PU online monitoring."
constexpr int kMsgLinkInUse = 9290;               // the port or bus is held by another function
constexpr int kMsgPortOpenFailed = 9291;          // "Cannot open the communication port %s."
constexpr int kMsgBusNotReady = 9292;             // the bus is not ready

// The port of an allocation row serving a model.
struct AllocatedPort {
    int row = -1;          // 0..5
    std::string port;      // what OpenComPort takes
    int baudIndex = 0;     // of the model's card kind
    int speed = 0;         // the row's monitor speed
};

// The first allocation row that serves model (8-character name, blank padded or not),
// when that row names a port and the model is a kind of the masters.
std::optional<AllocatedPort> FindAllocatedPort(const model::CardKindMasters& masters,
                                               const model::UserSettings& settings, const std::string& model);

// Rows (0..5) whose device is one of ids (9303 ...), in row order.
std::vector<int> RowsWithDevices(const model::UserSettings& settings, std::initializer_list<int> ids);

// The unit at the other end of a connection device (Select Connection Device).
struct ConnectionModel {
    std::string model;     // 8 characters, blank padded ("QV100   " for the QVxxx devices)
    bool infrared = false; // "QVxxx(JOV-IRDA)"
    bool second = false;   // "TJK5(JOV-US)"
};
ConnectionModel ConnectionDeviceModel(const std::string& device);

// The baud index a connection device row runs at: that of its device's kind; for a row
// that serves many kinds ("TQN(JOV-UM)") that of the unit when it has one (unitBaud),
// else the one most of the kinds it serves share in the masters; 0 when none is known.
int DeviceBaudIndex(const model::CardKindMasters& masters, const std::string& device, std::optional<int> unitBaud);

// The baud indexes of the kinds a connection device row serves: its device's kind's
// alone, or for a row that serves many kinds each speed they run at, the one most of
// them share first; none when no kind is known.
std::vector<int> DeviceKindBaudIndexes(const model::CardKindMasters& masters, const std::string& device);

// What the clock dialog is started with.
struct DateSettingRequest {
    int station = 0;
    OnlineLink link = OnlineLink::Serial;  // the "ONLINE" setting: the dialog's initial choice
    std::optional<AllocatedPort> port;     // serial: none allocated
    LinkOwner* owner = nullptr;
};

// The monitor start's subject: the current unit, or the registry monitor's target.
struct MonitorSubject {
    std::string model;  // 8-character name; empty when no unit is selected
    int station = -1;
    int card = -1;      // -1 the station, 0..15 cards
};

// What the commands need of the shell.
class OnlineCommandHost {
public:
    virtual ~OnlineCommandHost() = default;
    virtual model::Prompt& prompt() = 0;
    virtual model::UserSettings& settings() = 0;
    virtual const model::CardKindMasters& masters() const = 0;
    virtual MonitorSubject currentUnit() const = 0;
    virtual bool networkHt9Open() const = 0;
    // Closes the network HT-9 window and waits for it to let go of the bus.
    virtual void closeNetworkHt9() = 0;
    virtual bool registryMonitorShown() const = 0;
    // The connection device chooser over these allocation rows: the chosen row, -1 Cancel.
    virtual int chooseConnectionDevice(const std::vector<int>& rows) = 0;
    // The ID input: 4 characters, nothing for Cancel.
    virtual std::optional<std::string> askUnitId() = 0;
    // The unit ID the link uses for subject during this session (never stored in the project).
    virtual void setSessionUnitId(const MonitorSubject& subject, const std::string& id) = 0;
    virtual void runDateSetting(const DateSettingRequest& request) = 0;
    // The model's state as the monitor reads it, taken now.
    virtual void refreshMonitorSnapshot() = 0;
    // Online came or went.
    virtual void onlineChanged(bool online) = 0;
    // The monitor stopped while the registry monitor dialog was monitoring.
    virtual void registryMonitorEnded() = 0;
};

class OnlineCommands {
public:
    using Handler = std::function<void()>;

    OnlineCommands(OnlineCommandHost& host, OnlineState& state, LinkOwner& owner);

    // A command and its handler (the transfer commands join here). A registered id is
    // built: the shell enables it by its own rules.
    void Register(int id, Handler handler);
    bool Handles(int id) const { return handlers_.count(id) != 0; }
    // Runs a registered command; false for an unknown id.
    bool Run(int id);

    // The monitor start. True when monitoring started.
    bool StartPuOnlineMonitor(const MonitorSubject& subject);
    bool StartPuOnlineMonitor() { return StartPuOnlineMonitor(host_.currentUnit()); }
    void StopMonitorThreadFlags();
    // "M Online Stop": the link goes down and the monitor gives it back.
    void OnOnlineStop();
    void OnDateSetting();

    // The transfer commands' port check: the allocated port of the current unit's model,
    // else message 8301 and nothing.
    std::optional<AllocatedPort> CheckAllocatedPort();
    // Takes the link for user; when another user holds it, says so and gives false.
    bool TakeLink(LinkUser user);

    LinkOwner& owner() { return owner_; }
    OnlineState& state() { return state_; }

private:
    // Lets the user pick one of several rows serving the model; the port then follows
    // the chosen row. False for Cancel.
    bool ChooseDevice(AllocatedPort& port, std::initializer_list<int> ids);

    OnlineCommandHost& host_;
    OnlineState& state_;
    LinkOwner& owner_;
    std::map<int, Handler> handlers_;
};

}  // namespace kravin::online

#include "ht9_shell.h"

#include "child_frame.h"
#include "online_shell.h"
#include "main_frame.h"
#include "project.h"
#include "settings.h"
#include "system_config.h"
#include "online_monitor.h"
#include "system_view_page.h"
#include "qt_worker_question.h"
#include "string_table.h"
#include "services.h"
#include "online_commands.h"

#include "KRAVinA.h"

#include <QSettings>

#include <algorithm>

namespace kravin::shell {

namespace {

constexpr int kMsgSelectComPort = 8303;  // "Please select COM port."
constexpr int kTitleSerial = 6005;
constexpr int kTitleBus = 6006;
constexpr auto kBusRequestBound = std::chrono::milliseconds(5000);
constexpr auto kReplyMargin = std::chrono::milliseconds(2000);

}  // namespace

Ht9Shell::Ht9Shell(const OnlineServices& services, OnlineShell& online) : s_(services), online_(online)
{
    online_.commands().Register(ht9cmd::NetworkHt9, [this] { openNetwork(); });
}

Ht9Shell::~Ht9Shell()
{
    *alive_ = false;
    // The view gives its link back before the link's owner goes.
    if (MainFrame* f = s_.mainFrame)
        if (f->views().frameExists(ViewKind::Ht9)) f->destroyFrame(ViewKind::Ht9);
}

online::ht9::Ht9View* Ht9Shell::view() const
{
    MainFrame* f = s_.mainFrame;
    ChildFrame* frame = f ? f->frame(ViewKind::Ht9) : nullptr;
    return frame ? qobject_cast<online::ht9::Ht9View*>(frame->view()) : nullptr;
}

void Ht9Shell::openNetwork()
{
    MainFrame* f = s_.mainFrame;
    if (!f || !s_.session || !s_.session->g_projectOpen) return;
    if (f->views().state(ViewKind::Ht9) == SlotOpening) return;
    network_ = true;
    f->views().openHt9();
    network_ = false;
    f->refresh();
}

namespace {

// The HT-9 device kind of an allocation row's connected device; -1 for a device
// that does not name one.
int deviceKind(const std::string& device)
{
    switch (model::DeviceStringId(device)) {
    case 9305:
        return 2;
    case 9303:
        return 3;
    case 9304:
        return 4;
    case 9309:
        return 5;
    case 9401:
        return 6;
    default:
        return -1;
    }
}

}  // namespace

bool Ht9Shell::choosePort()
{
    const model::UnitContext& unit = s_.unitContext;
    model::UserSettings& settings = s_.settings;
    const std::string model(unit.model());
    const bool irCard = !model.empty() && KRAVinA_IRCardName_Comp(model.c_str(), unit.tableFolder.c_str()) == 1;
    int kind = settings.HT9_BAU;
    std::string port;
    if (model::GetAllocatedPort(unit, settings, port, nullptr) != 0) {
        const bool controller = model::GetModelCode(model) != 0;
        if (controller || irCard) {
            const std::vector<int> rows = controller ? online::RowsWithDevices(settings, {9303, 9304})
                                                     : online::RowsWithDevices(settings, {9305, 9401});
            int row = rows.empty() ? -1 : rows.front();
            if (rows.size() > 1) {
                row = online_.chooseConnectionDevice(rows);
                if (std::find(rows.begin(), rows.end(), row) == rows.end()) return false;
            }
            if (row >= 0) {
                const model::PortAllocationRow& r = settings.PortAllocation[static_cast<std::size_t>(row)];
                port = r.port;
                if (const int k = deviceKind(r.device); k >= 0) kind = k;
            }
        } else if (model.substr(0, 3) == "TJW") {
            kind = 5;
        }
    } else if (!settings.HT9_COM.empty()) {
        port = settings.HT9_COM;
    } else {
        const bool anyPort = std::any_of(settings.PortAllocation.begin(), settings.PortAllocation.end(),
                                         [](const model::PortAllocationRow& r) { return !r.port.empty(); });
        if (!anyPort) {
            s_.prompt.message(kMsgSelectComPort, {}, model::Buttons::Ok, model::Icon::Warning);
            return false;
        }
        const int row = online_.chooseConnectionDevice({});
        if (row < 0 || row >= static_cast<int>(settings.PortAllocation.size())) return false;
        const model::PortAllocationRow& r = settings.PortAllocation[static_cast<std::size_t>(row)];
        port = r.port;
        const int k = deviceKind(r.device);
        if (k == 5) kind = 5;
        if (irCard && (k == 2 || k == 6)) kind = k;
    }
    if (port.empty()) {
        s_.prompt.message(kMsgSelectComPort, {}, model::Buttons::Ok, model::Icon::Warning);
        return false;
    }
    // The port and kind are kept for the next opening.
    port_ = port;
    settings.HT9_COM = port;
    settings.HT9_BAU = kind;
    if (QSettings* profile = s_.profile) {
        profile->setValue(QStringLiteral("KRAVin/HT9_COM"), QString::fromStdString(port));
        profile->setValue(QStringLiteral("KRAVin/HT9_BAU"), kind);
    }
    return true;
}

bool Ht9Shell::prepare()
{
    using online::ht9::Ht9Mode;
    const model::UnitContext& unit = s_.unitContext;
    mode_ = network_ || s_.online.busMode.load() ? Ht9Mode::Bus : Ht9Mode::Serial;
    target_ = {};
    target_.station = std::max(0, unit.g_curStation);
    target_.card = std::max(0, unit.g_curCard);
    if (unit.g_curStation >= 0 && unit.g_curCard >= 0) target_.model = unit.unitKindName(unit.g_curStation, unit.g_curCard);
    port_.clear();
    if (mode_ == Ht9Mode::Serial && !choosePort()) return false;
    return online_.commands().TakeLink(online::LinkUser::Ht9);
}

QWidget* Ht9Shell::makeView()
{
    using namespace online::ht9;
    Ht9ViewContext c;
    c.mode = mode_;
    c.portKind = std::clamp(s_.settings.HT9_BAU, 0, kPortKinds - 1);
    c.portName = port_;
    c.target = target_;
    c.serial = s_.serialLink;
    c.bus = online::BusApi::Vuken();
    c.language = s_.language;
    c.requestBound = mode_ == Ht9Mode::Bus
                         ? kBusRequestBound
                         : std::chrono::milliseconds(std::max(1, s_.settings.COM_TIME) * 1000) + kReplyMargin;
    c.prepareKind = [this](int) {
        if (s_.settings.HT9_ID.size() == 4) return true;
        const std::optional<std::string> id = online_.askUnitId();
        if (!id) return false;
        s_.settings.HT9_ID = *id;
        if (QSettings* profile = s_.profile) profile->setValue(QStringLiteral("KRAVin/HT9_ID"), QString::fromStdString(*id));
        s_.applyOnlineSettings();
        return true;
    };
    c.kindChosen = [this](int kind) {
        s_.settings.HT9_BAU = kind;
        if (QSettings* profile = s_.profile) profile->setValue(QStringLiteral("KRAVin/HT9_BAU"), kind);
    };
    c.message = [this](int id, const std::vector<std::string>& args) {
        model::MessageArgs a;
        for (const std::string& s : args) a.push_back(s);
        s_.prompt.message(id, a, model::Buttons::Ok, model::Icon::Warning);
    };
    c.portOpenChanged = [this, alive = alive_](bool open) {
        if (!*alive) return;
        s_.online.ht9PortOpen = open;
        if (MainFrame* f = s_.mainFrame) f->refresh();
    };
    c.endPressed = [this] {
        if (MainFrame* f = s_.mainFrame)
            if (ChildFrame* frame = f->frame(ViewKind::Ht9)) frame->close();
    };
    c.closed = [this, alive = alive_] {
        if (*alive) online_.commands().owner().Release(online::LinkUser::Ht9);
    };
    auto* view = new Ht9View(std::move(c));
    view->setWindowTitle(res::qmessage(mode_ == Ht9Mode::Bus ? kTitleBus : kTitleSerial, s_.language).trimmed());
    return view;
}

}  // namespace kravin::shell

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
    if (mode_ == Ht9Mode::Serial) {
        const model::UserSettings& settings = s_.settings;
        const bool anyPort = std::any_of(settings.PortAllocation.begin(), settings.PortAllocation.end(),
                                         [](const model::PortAllocationRow& r) { return !r.port.empty(); });
        if (!anyPort) {
            s_.prompt.message(kMsgSelectComPort, {}, model::Buttons::Ok, model::Icon::Warning);
            return false;
        }
        const int row = online_.chooseConnectionDevice({});
        if (row < 0 || row >= static_cast<int>(settings.PortAllocation.size())) return false;
        port_ = settings.PortAllocation[static_cast<std::size_t>(row)].port;
        if (port_.empty()) {
            s_.prompt.message(kMsgSelectComPort, {}, model::Buttons::Ok, model::Icon::Warning);
            return false;
        }
    }
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

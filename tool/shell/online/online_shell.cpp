#include "online_shell.h"

#include "child_frame.h"
#include "command_ids.h"
#include "connect_device_dialog.h"
#include "date_setting_dialog.h"
#include "ht9_shell.h"
#include "upload_shell.h"
#include "monitor_worker.h"
#include "option_dialog.h"
#include "port_list.h"
#include "shared_dialogs.h"
#include "shell_application.h"
#include "transfer_shell.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QSettings>
#include <QThread>
#include <QTimer>

#include <cstring>

namespace kravin::shell {

namespace {

constexpr int kCycleWatchMs = 100;
constexpr int kDentanRedraw = 40602;  // "M Dentan Redraw"
constexpr int kAnatanRedraw = 40603;  // "M Anatan Redraw"

std::string padded(std::string model)
{
    if (model.empty()) return model;
    model.resize(8, ' ');
    return model;
}

}  // namespace

OnlineShell::OnlineShell(ShellApplication& app) : app_(app)
{
    clockTiming_.sleep = [](std::chrono::milliseconds d) { QThread::msleep(static_cast<unsigned long>(d.count())); };
    OnlineMonitorWorker* worker = app_.onlineMonitor();
    commands_ = std::make_unique<online::OnlineCommands>(*this, worker->state(), owner_);
    ht9_ = std::make_unique<Ht9Shell>(app_, *this);
    transfers_ = std::make_unique<TransferShell>(app_, *commands_);
    uploads_ = std::make_unique<UploadShell>(app_, *commands_, *transfers_);

    ShellServices& s = app_.services();
    if (!s.startOnlineMonitor) s.startOnlineMonitor = [this] { commands_->StartPuOnlineMonitor(); };
    if (!s.stopOnlineMonitor) s.stopOnlineMonitor = [this] { commands_->StopMonitorThreadFlags(); };
    if (!s.optionDialog) s.optionDialog = [this] { optionDialog(); };
    if (!s.showRegistryMonitor)
        s.showRegistryMonitor = [this] {
            if (registry_) registry_->showMonitor();
        };

    // The Stop command waits for the monitor's first cycle.
    cycleWatch_ = new QTimer(this);
    cycleWatch_->setInterval(kCycleWatchMs);
    connect(cycleWatch_, &QTimer::timeout, this, [this] {
        OnlineFlags& flags = app_.online();
        const bool ran = flags.online.load() && state().MonitorCycleRan.load() == 1;
        if (ran != flags.monitorRan.load()) {
            flags.monitorRan = ran;
            if (MainFrame* f = app_.mainFrame()) f->refresh();
        }
    });
    cycleWatch_->start();
}

OnlineShell::~OnlineShell()
{
    ht9_.reset();
    if (registry_) delete registry_.data();
}

void OnlineShell::createRegistryMonitor()
{
    if (registry_) return;
    registry_ = new online::RegistryMonitorDialog(*this, app_.language(), app_.mainFrame());
    registry_->hide();
    if (MainFrame* f = app_.mainFrame()) f->installEventFilter(this);
    OnlineMonitorWorker* worker = app_.onlineMonitor();
    connect(&worker->worker(), &online::MonitorWorker::monRedraw, registry_.data(),
            &online::RegistryMonitorDialog::showRows, Qt::QueuedConnection);
}

bool OnlineShell::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && watched == app_.mainFrame() && registry_ &&
        registryMonitorShown() && !app_.mainFrame()->isMinimized())
        registry_->show();
    return QObject::eventFilter(watched, event);
}

bool OnlineShell::handles(int id) const { return commands_->Handles(id) && id != online::onlinecmd::OnlineStop; }

bool OnlineShell::runCommand(int id) { return handles(id) && commands_->Run(id); }

int OnlineShell::exec(QDialog& dialog)
{
    if (beforeDialog) beforeDialog(dialog);
    return dialog.exec();
}

void OnlineShell::optionDialog()
{
    model::UserSettings& settings = app_.settings();
    online::PortList list;
    online::PortSources sources;
    if (app_.profile())
        sources.extraPortsSetting =
            app_.profile()->value(QStringLiteral("KRAVin/") + QLatin1String(online::kExtraPortsSetting)).toString().toStdString();
    online::EnumerateSerialPorts(list, sources, nullptr, nullptr);
    std::vector<FoundPort> found;
    for (const online::PortEntry& e : list.entries()) found.push_back({e.openName, e.description});
    if (found.empty() && settings.portList.empty())
        prompt().message(kMsgNoSerialPorts, {}, model::Buttons::Ok, model::Icon::Warning);

    OptionDialog dialog(settings, app_.masters(), found, prompt(), app_.language(), app_.mainFrame());
    if (exec(dialog) != QDialog::Accepted) return;
    app_.saveSettings();
    app_.applyOnlineSettings();
    if (MainFrame* f = app_.mainFrame()) {
        ViewManager& v = f->views();
        if (v.state(ViewKind::DenTan) == 2) f->sendCommand(static_cast<int>(ViewKind::DenTan), kDentanRedraw);
        if (v.frameExists(ViewKind::AnaTan)) f->sendCommand(static_cast<int>(ViewKind::AnaTan), kAnatanRedraw);
        if (v.frameExists(ViewKind::Ladder)) f->sendCommand(static_cast<int>(ViewKind::Ladder), cmd::LadderRedraw);
        f->refresh();
    }
}

// ---- OnlineCommandHost ----

model::Prompt& OnlineShell::prompt() { return app_.prompt(); }

model::UserSettings& OnlineShell::settings() { return app_.settings(); }

const model::CardKindMasters& OnlineShell::masters() const { return app_.masters(); }

online::MonitorSubject OnlineShell::currentUnit() const
{
    const model::UnitContext& unit = app_.unitContext();
    online::MonitorSubject s;
    s.station = unit.g_curStation;
    s.card = unit.g_curCard - 1;
    if (unit.g_curStation >= 0 && unit.g_curCard >= 0)
        s.model = padded(unit.unitKindName(unit.g_curStation, unit.g_curCard));
    return s;
}

bool OnlineShell::networkHt9Open() const
{
    const MainFrame* f = app_.mainFrame();
    return f && const_cast<MainFrame*>(f)->views().frameExists(ViewKind::Ht9) && app_.online().busMode.load();
}

void OnlineShell::closeNetworkHt9()
{
    MainFrame* f = app_.mainFrame();
    if (!f) return;
    if (ChildFrame* ht9 = f->frame(ViewKind::Ht9)) ht9->close();
    QCoreApplication::processEvents();
}

bool OnlineShell::registryMonitorShown() const { return app_.online().regMonitorShown.load(); }

int OnlineShell::chooseConnectionDevice(const std::vector<int>& rows)
{
    online::ConnectDeviceDialog dialog(settings(), rows, app_.language(), app_.mainFrame());
    return exec(dialog) == QDialog::Accepted ? dialog.row() : -1;
}

std::optional<std::string> OnlineShell::askUnitId()
{
    editors::DialogExchange& ex = editors::dialogExchange();
    editors::IdInputDialog dialog(ex, prompt(), app_.language(), {}, app_.mainFrame());
    if (exec(dialog) != QDialog::Accepted) return std::nullopt;
    return std::string(ex.unitIdBuffer.data(), ::strnlen(ex.unitIdBuffer.data(), 4));
}

void OnlineShell::setSessionUnitId(const online::MonitorSubject& subject, const std::string& id)
{
    app_.monitorContext().setSessionUnitId(subject.station, subject.card, id);
}

void OnlineShell::runDateSetting(const online::DateSettingRequest& request)
{
    online::DateSettingDialog dialog(request, app_.serialLink(), online::BusApi::Vuken(), clockTiming_, prompt(),
                                     app_.language(), app_.mainFrame());
    exec(dialog);
}

void OnlineShell::refreshMonitorSnapshot() { app_.refreshMonitorSnapshot(); }

void OnlineShell::onlineChanged(bool online)
{
    OnlineFlags& flags = app_.online();
    flags.online = online;
    if (!online) flags.monitorRan = false;
    MainFrame* f = app_.mainFrame();
    if (!f) return;
    // The views that showed monitored values draw their offline picture again.
    if (!online) {
        ViewManager& v = f->views();
        if (v.state(ViewKind::DenTan) == 2) f->sendCommand(static_cast<int>(ViewKind::DenTan), kDentanRedraw);
        if (v.frameExists(ViewKind::AnaTan)) f->sendCommand(static_cast<int>(ViewKind::AnaTan), kAnatanRedraw);
        if (v.frameExists(ViewKind::Ladder)) f->sendCommand(static_cast<int>(ViewKind::Ladder), cmd::LadderRedraw);
    }
    f->refresh();
}

void OnlineShell::registryMonitorEnded()
{
    if (registry_)
        registry_->monitorEnded();
    else
        state().RegMonitorOn = 0;
}

// ---- RegistryMonitorHost ----

online::OnlineState& OnlineShell::state() { return app_.onlineMonitor()->state(); }

bool OnlineShell::projectOpen() const { return app_.session() && app_.session()->g_projectOpen != 0; }

void OnlineShell::applyMonitorTarget()
{
    app_.refreshMonitorSnapshot();
    state().ApplyMonitorTarget();
    app_.refreshMonitorSnapshot();
}

online::MonitorSubject OnlineShell::unitAt(int station, int card) const
{
    online::MonitorSubject s;
    s.station = station;
    s.card = card;
    if (station >= 0 && station < model::kStations && card >= -1 && card < model::kCardSlots)
        s.model = padded(app_.unitContext().unitKindName(station, card + 1));
    return s;
}

bool OnlineShell::analogOrLadderActive() const
{
    const MainFrame* f = app_.mainFrame();
    const std::optional<ViewKind> kind = f ? f->activeKind() : std::nullopt;
    return kind && (*kind == ViewKind::AnaTan || *kind == ViewKind::Ladder);
}

bool OnlineShell::startMonitor(const online::MonitorSubject& target) { return commands_->StartPuOnlineMonitor(target); }

void OnlineShell::stopMonitor() { commands_->StopMonitorThreadFlags(); }

void OnlineShell::shownChanged(bool shown)
{
    app_.online().regMonitorShown = shown;
    if (MainFrame* f = app_.mainFrame()) f->refresh();
}

void OnlineShell::beep() { QApplication::beep(); }

}  // namespace kravin::shell

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
#include "main_frame.h"
#include "project.h"
#include "settings.h"
#include "system_config.h"
#include "online_monitor.h"
#include "system_view_page.h"
#include "qt_worker_question.h"
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

OnlineShell::OnlineShell(const OnlineServices& services, SystemCommandTable& systemCommands) : s_(services)
{
    clockTiming_.sleep = [](std::chrono::milliseconds d) { QThread::msleep(static_cast<unsigned long>(d.count())); };
    OnlineMonitorWorker* worker = s_.onlineMonitor;
    commands_ = std::make_unique<online::OnlineCommands>(*this, worker->state(), owner_);
    ht9_ = std::make_unique<Ht9Shell>(s_, *this);
    transfers_ = std::make_unique<TransferShell>(s_, *commands_);
    uploads_ = std::make_unique<UploadShell>(s_, *commands_, *transfers_);

    CommandTable& t = s_.mainFrame->commands();
    // Online Monitor starts or stops the monitoring, as the link's state says.
    t.add(cmd::OnlineMonitor, [this] {
        const int state = onlineCommandState(s_.mainFrame->commandContext());
        if (state == 1) commands_->StartPuOnlineMonitor();
        if (state == 2) commands_->StopMonitorThreadFlags();
    });
    t.add(cmd::ViewRegMonitor, [this] {
        if (registry_) registry_->showMonitor();
    });
    t.add(cmd::Option, [this] { optionDialog(); });
    // The system view's online commands (Date setting, transfers ...) come here.
    systemCommands.setFallback([this](int id) { return handles(id); }, [this](int id) { return runCommand(id); });

    // The Stop command waits for the monitor's first cycle.
    cycleWatch_ = new QTimer(this);
    cycleWatch_->setInterval(kCycleWatchMs);
    connect(cycleWatch_, &QTimer::timeout, this, [this] {
        OnlineFlags& flags = s_.online;
        const bool ran = flags.online.load() && state().MonitorCycleRan.load() == 1;
        if (ran != flags.monitorRan.load()) {
            flags.monitorRan = ran;
            if (MainFrame* f = s_.mainFrame) f->refresh();
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
    registry_ = new online::RegistryMonitorDialog(*this, s_.language, s_.mainFrame);
    registry_->hide();
    if (MainFrame* f = s_.mainFrame) f->installEventFilter(this);
    OnlineMonitorWorker* worker = s_.onlineMonitor;
    connect(&worker->worker(), &online::MonitorWorker::monRedraw, registry_.data(),
            &online::RegistryMonitorDialog::showRows, Qt::QueuedConnection);
}

bool OnlineShell::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && watched == s_.mainFrame && registry_ &&
        registryMonitorShown() && !s_.mainFrame->isMinimized())
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
    model::UserSettings& settings = s_.settings;
    online::PortList list;
    online::PortSources sources;
    if (s_.profile)
        sources.extraPortsSetting =
            s_.profile->value(QStringLiteral("KRAVin/") + QLatin1String(online::kExtraPortsSetting)).toString().toStdString();
    online::EnumerateSerialPorts(list, sources, nullptr, nullptr);
    std::vector<FoundPort> found;
    for (const online::PortEntry& e : list.entries()) found.push_back({e.openName, e.description});
    if (found.empty() && settings.portList.empty())
        prompt().message(kMsgNoSerialPorts, {}, model::Buttons::Ok, model::Icon::Warning);

    OptionDialog dialog(settings, s_.masters, found, prompt(), s_.language, s_.mainFrame);
    if (exec(dialog) != QDialog::Accepted) return;
    s_.saveSettings();
    s_.applyOnlineSettings();
    if (MainFrame* f = s_.mainFrame) {
        ViewManager& v = f->views();
        if (v.state(ViewKind::DenTan) == 2) f->sendCommand(static_cast<int>(ViewKind::DenTan), kDentanRedraw);
        if (v.frameExists(ViewKind::AnaTan)) f->sendCommand(static_cast<int>(ViewKind::AnaTan), kAnatanRedraw);
        if (v.frameExists(ViewKind::Ladder)) f->sendCommand(static_cast<int>(ViewKind::Ladder), cmd::LadderRedraw);
        f->refresh();
    }
}

// ---- OnlineCommandHost ----

model::Prompt& OnlineShell::prompt() { return s_.prompt; }

model::UserSettings& OnlineShell::settings() { return s_.settings; }

const model::CardKindMasters& OnlineShell::masters() const { return s_.masters; }

online::MonitorSubject OnlineShell::currentUnit() const
{
    const model::UnitContext& unit = s_.unitContext;
    online::MonitorSubject s;
    s.station = unit.g_curStation;
    s.card = unit.g_curCard - 1;
    if (unit.g_curStation >= 0 && unit.g_curCard >= 0)
        s.model = padded(unit.unitKindName(unit.g_curStation, unit.g_curCard));
    return s;
}

bool OnlineShell::networkHt9Open() const
{
    const MainFrame* f = s_.mainFrame;
    return f && const_cast<MainFrame*>(f)->views().frameExists(ViewKind::Ht9) && s_.online.busMode.load();
}

void OnlineShell::closeNetworkHt9()
{
    MainFrame* f = s_.mainFrame;
    if (!f) return;
    if (ChildFrame* ht9 = f->frame(ViewKind::Ht9)) ht9->close();
    QCoreApplication::processEvents();
}

bool OnlineShell::registryMonitorShown() const { return s_.online.regMonitorShown.load(); }

int OnlineShell::chooseConnectionDevice(const std::vector<int>& rows)
{
    online::ConnectDeviceDialog dialog(settings(), rows, s_.language, s_.mainFrame);
    return exec(dialog) == QDialog::Accepted ? dialog.row() : -1;
}

std::optional<std::string> OnlineShell::askUnitId()
{
    editors::DialogExchange& ex = editors::dialogExchange();
    editors::IdInputDialog dialog(ex, prompt(), s_.language, {}, s_.mainFrame);
    if (exec(dialog) != QDialog::Accepted) return std::nullopt;
    return std::string(ex.unitIdBuffer.data(), ::strnlen(ex.unitIdBuffer.data(), 4));
}

void OnlineShell::setSessionUnitId(const online::MonitorSubject& subject, const std::string& id)
{
    s_.monitorContext.setSessionUnitId(subject.station, subject.card, id);
}

void OnlineShell::runDateSetting(const online::DateSettingRequest& request)
{
    online::DateSettingDialog dialog(request, s_.serialLink, online::BusApi::Vuken(), clockTiming_, prompt(),
                                     s_.language, s_.mainFrame);
    exec(dialog);
}

void OnlineShell::refreshMonitorSnapshot() { s_.refreshMonitorSnapshot(); }

void OnlineShell::onlineChanged(bool online)
{
    OnlineFlags& flags = s_.online;
    flags.online = online;
    if (!online) flags.monitorRan = false;
    MainFrame* f = s_.mainFrame;
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

online::OnlineState& OnlineShell::state() { return s_.onlineMonitor->state(); }

bool OnlineShell::projectOpen() const { return s_.session && s_.session->g_projectOpen != 0; }

void OnlineShell::applyMonitorTarget()
{
    s_.refreshMonitorSnapshot();
    state().ApplyMonitorTarget();
    s_.refreshMonitorSnapshot();
}

online::MonitorSubject OnlineShell::unitAt(int station, int card) const
{
    online::MonitorSubject s;
    s.station = station;
    s.card = card;
    if (station >= 0 && station < model::kStations && card >= -1 && card < model::kCardSlots)
        s.model = padded(s_.unitContext.unitKindName(station, card + 1));
    return s;
}

bool OnlineShell::analogOrLadderActive() const
{
    const MainFrame* f = s_.mainFrame;
    const std::optional<ViewKind> kind = f ? f->activeKind() : std::nullopt;
    return kind && (*kind == ViewKind::AnaTan || *kind == ViewKind::Ladder);
}

bool OnlineShell::startMonitor(const online::MonitorSubject& target) { return commands_->StartPuOnlineMonitor(target); }

void OnlineShell::stopMonitor() { commands_->StopMonitorThreadFlags(); }

void OnlineShell::shownChanged(bool shown)
{
    s_.online.regMonitorShown = shown;
    if (MainFrame* f = s_.mainFrame) f->refresh();
}

void OnlineShell::beep() { QApplication::beep(); }

}  // namespace kravin::shell

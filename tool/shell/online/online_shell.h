// The online commands as the running tool serves them: the dispatcher and the one owner
// of the link, the Option dialog, the connection device chooser, the clock dialog and the
// registry monitor dialog (made hidden at start-up), over the application's model, flags
// and monitor worker.
#pragma once

#include "online_services.h"

#include "clock_setting.h"
#include "link_owner.h"
#include "online_commands.h"
#include "registry_monitor_dialog.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QTimer;

namespace kravin::shell {

class Ht9Shell;
class SystemCommandTable;
class UploadShell;
class TransferShell;

class OnlineShell final : public QObject, public online::OnlineCommandHost, public online::RegistryMonitorHost {
    Q_OBJECT
public:
    // Adds the Operation commands to the frame's command table (Online Monitor,
    // Registry Monitor, Option) and serves the view commands the system view's
    // table has no line for; the registry monitor dialog comes with
    // createRegistryMonitor() once the monitor's folder is known.
    OnlineShell(const OnlineServices& services, SystemCommandTable& systemCommands);
    ~OnlineShell() override;

    void createRegistryMonitor();
    online::RegistryMonitorDialog* registryMonitor() const { return registry_; }
    online::OnlineCommands& commands() { return *commands_; }
    online::LinkOwner& owner() { return owner_; }
    Ht9Shell& ht9() { return *ht9_; }
    UploadShell& uploads() { return *uploads_; }
    // Download, compare and group download.
    TransferShell& transfers() { return *transfers_; }

    // Whether a view's context-menu command is served here (Date setting, and the transfer
    // commands registered with commands()).
    bool handles(int id) const;
    // A command of a view's context menu; false when it is none of the online ones.
    bool runCommand(int id);
    // Operation/Option.
    void optionDialog();
    // The clock dialog's waits (tests run without them).
    void setClockTiming(online::ClockTiming timing) { clockTiming_ = std::move(timing); }
    // Runs each modal dialog the commands open before it is shown (tests answer it here).
    std::function<void(QDialog&)> beforeDialog;

    // OnlineCommandHost
    model::Prompt& prompt() override;
    model::UserSettings& settings() override;
    const model::CardKindMasters& masters() const override;
    online::MonitorSubject currentUnit() const override;
    bool networkHt9Open() const override;
    void closeNetworkHt9() override;
    bool registryMonitorShown() const override;
    int chooseConnectionDevice(const std::vector<int>& rows) override;
    std::optional<std::string> askUnitId() override;
    void setSessionUnitId(const online::MonitorSubject& subject, const std::string& id) override;
    void runDateSetting(const online::DateSettingRequest& request) override;
    void refreshMonitorSnapshot() override;
    void onlineChanged(bool online) override;
    void registryMonitorEnded() override;

    // RegistryMonitorHost
    online::OnlineState& state() override;
    bool projectOpen() const override;
    void applyMonitorTarget() override;
    online::MonitorSubject unitAt(int station, int card) const override;
    bool analogOrLadderActive() const override;
    bool startMonitor(const online::MonitorSubject& target) override;
    void stopMonitor() override;
    void shownChanged(bool shown) override;
    void beep() override;

protected:
    // A main window restored from its minimised state shows the registry monitor again.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int exec(QDialog& dialog);

    OnlineServices s_;
    online::LinkOwner owner_;
    std::unique_ptr<online::OnlineCommands> commands_;
    std::unique_ptr<TransferShell> transfers_;
    QPointer<online::RegistryMonitorDialog> registry_;
    QTimer* cycleWatch_ = nullptr;
    online::ClockTiming clockTiming_;
    std::unique_ptr<Ht9Shell> ht9_;
    std::unique_ptr<UploadShell> uploads_;
};

}  // namespace kravin::shell

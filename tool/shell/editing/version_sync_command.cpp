#include "version_sync_command.h"

#include "KRAVinA.h"
#include "online_commands.h"
#include "services.h"
#include "shared_dialogs.h"
#include "version_sync.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <optional>
#include <cstring>

namespace kravin::shell {

namespace {

int show(VersionSyncContext& c, int id)
{
    c.prompt->message(id, {}, model::Buttons::Ok, model::Icon::Error);
    return id;
}

std::vector<std::string> groupNames(const FieldNameTable& table, int number)
{
    std::vector<std::string> names;
    if (number < 0 || number >= kFieldNameGroups) return names;
    const FieldNameGroup& g = table[static_cast<std::size_t>(number)];
    for (int i = 0; i < g.count && i < kFieldNamesPerGroup; ++i)
        names.emplace_back(g.names[static_cast<std::size_t>(i)].data(),
                           ::strnlen(g.names[static_cast<std::size_t>(i)].data(), kFieldNameWidth));
    return names;
}

// The exchange on a worker while a busy box with Cancel shows; the wait for
// the worker after Cancel is bounded by the link's reply time.
online::SyncResult runBehindBusyBox(VersionSyncContext& c, bool framed)
{
    // Shared with the worker, which may outlive this call when its link hangs.
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    // The worker publishes its result through the flag, so the hand-over does not
    // rest on the thread's join alone.
    struct Outcome {
        online::SyncResult value;
        std::atomic<bool> done{false};
    };
    auto result = std::make_shared<Outcome>();
    std::shared_ptr<online::SerialLink> link = c.link;
    QThread* worker = QThread::create([link, framed, result, cancel] {
        result->value = online::ReadUnitIdentity(*link, framed, [cancel] { return cancel->load(); });
        result->done.store(true, std::memory_order_release);
    });
    QProgressDialog busy(res::qmessage(40479, c.language), res::qmessage(16301, c.language), 0, 0,
                         c.parent ? c.parent() : nullptr);
    busy.setObjectName(QStringLiteral("syncBusy"));
    busy.setWindowModality(Qt::ApplicationModal);
    busy.setMinimumDuration(0);
    QObject::connect(worker, &QThread::finished, &busy, &QProgressDialog::reset);
    QObject::connect(&busy, &QProgressDialog::canceled, &busy, [cancel] { *cancel = true; });
    worker->start();
    if (!worker->isFinished()) busy.exec();
    if (busy.wasCanceled()) *cancel = true;
    // Each exchange ends at the reply time at the latest; at most eight remain.
    const int seconds = c.settings && c.settings->COM_TIME > 0 ? c.settings->COM_TIME : 10;
    if (!worker->wait(QDeadlineTimer(std::chrono::seconds(seconds) * 8 + std::chrono::seconds(1)))) {
        QObject::connect(worker, &QThread::finished, worker, &QObject::deleteLater);
        online::SyncResult gone;
        gone.status = online::SyncStatus::CommunicationError;
        return gone;
    }
    delete worker;
    online::SyncResult r;
    if (result->done.load(std::memory_order_acquire))
        r = result->value;
    else
        r.status = online::SyncStatus::CommunicationError;
    if (cancel->load() && r.status != online::SyncStatus::Ok) r.status = online::SyncStatus::Cancelled;
    return r;
}

}  // namespace

int SynchronizeUnitVersion(VersionSyncContext& c)
{
    model::UnitContext& unit = *c.unit;
    const std::string model(unit.model());
    std::string port;
    int speed = 0;
    if (model.empty() || model::GetAllocatedPort(unit, *c.settings, port, &speed) == 0) return show(c, 8301);
    // Several rows with a device for this model: the user picks one.
    const std::vector<int> rows = model::GetModelCode(model) != 0 ? online::RowsWithDevices(*c.settings, {9303, 9304})
                                  : model.rfind("TJK5", 0) == 0   ? online::RowsWithDevices(*c.settings, {9305, 9401})
                                                                  : std::vector<int>{};
    if (rows.size() > 1 && c.chooseDevice) {
        const int chosen = c.chooseDevice(rows);
        if (std::find(rows.begin(), rows.end(), chosen) == rows.end()) return -1;
        port = c.settings->PortAllocation[static_cast<std::size_t>(chosen)].port;
        if (port.empty()) return show(c, 8301);
    }
    std::optional<online::LinkLease> lease;
    if (online::LinkOwner* owner = c.owner ? c.owner() : nullptr) {
        lease.emplace(*owner, online::LinkUser::Transfer);
        if (!lease->held()) return show(c, 9290);
    }

    c.link->CloseComPort();
    if (c.link->OpenComPort(speed, port) != 0) {
        c.prompt->message(9291, {port}, model::Buttons::Ok, model::Icon::Error);
        return 9291;
    }
    const bool framed = KRAVinA_IRCardName_Comp(model.c_str(), unit.tableFolder.c_str()) == 1;
    const online::SyncResult r = runBehindBusyBox(c, framed);
    c.link->CloseComPort();
    if (r.status == online::SyncStatus::Cancelled) return -1;
    if (r.status != online::SyncStatus::Ok) return show(c, 8300);

    const auto names = groupNames(*c.fieldNames, r.unit.modelNumber);
    const int check = online::CheckUnitModel(
        r.unit, model, names, [&](const std::vector<std::string>& list) -> std::optional<std::string> {
            const auto lines = editors::ListSelectDialog::cardNames(list, r.unit.modelNumber);
            editors::ListSelectDialog dlg(editors::ListSelectDialog::Kind::CardName, lines, 0, c.language,
                                          c.parent ? c.parent() : nullptr);
            if (dlg.exec() != QDialog::Accepted || dlg.index() < 0) return std::nullopt;
            return lines[static_cast<std::size_t>(dlg.index())];
        });
    if (check != 0) return show(c, check);

    if (r.unit.version == unit.version().substr(0, 4)) return 0;
    const model::CardKindMaster& master = unit.g_curCard == 0 ? unit.masters.station : unit.masters.card;
    const int kind = unit.unitKind(unit.g_curStation, unit.g_curCard);
    int v = master.findVersion(kind, r.unit.version);
    if (v < 0) {
        // "Check Upload Version": Forced Execute places the kind's first version.
        if (c.prompt->message(16300, {}, model::Buttons::OkCancel, model::Icon::Question) != model::Answer::Ok)
            return -1;
        v = 0;
    }
    if (c.placeVersion) c.placeVersion(unit.unitKindName(unit.g_curStation, unit.g_curCard), master.versions[kind][v]);
    return 0;
}

}  // namespace kravin::shell

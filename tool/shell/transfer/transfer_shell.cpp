#include "transfer_shell.h"

#include "compare_error_dialog.h"
#include "field_names.h"
#include "qt_worker_question.h"
#include "services.h"
#include "main_frame.h"
#include "project.h"
#include "settings.h"
#include "system_config.h"
#include "online_monitor.h"
#include "system_view_page.h"
#include "qt_worker_question.h"
#include "small_dialogs.h"
#include "transfer_texts.h"
#include "validation.h"

#include <algorithm>

namespace kravin::shell {

// ---- Questions ----

QtTransferQuestions::QtTransferQuestions(QtWorkerQuestion& base, model::Prompt& prompt, res::Language language)
    : base_(base), prompt_(prompt), language_(language)
{
}

int QtTransferQuestions::communicationError(const std::string& detail)
{
    const QString text = QString::fromStdString(detail);
    const res::Language l = language_;
    return base_.ask([text, l](QWidget* parent) { return new editors::ComErrorDialog(text, l, parent); }, aborted_);
}

int QtTransferQuestions::itemMissing(int group, int item)
{
    const res::Language l = language_;
    return base_.ask([group, item, l](QWidget* parent) { return new editors::ItemMissingDialog(group, item, l, parent); },
                     aborted_);
}

int QtTransferQuestions::uploadVersionCheck()
{
    const res::Language l = language_;
    return base_.ask([l](QWidget* parent) { return new editors::UploadVersionCheckDialog(l, parent); }, aborted_);
}

int QtTransferQuestions::compareError(const online::CompareDifference& d)
{
    const res::Language l = language_;
    return base_.ask([d, l](QWidget* parent) { return new online::CompareErrorDialog(d, l, parent); }, aborted_);
}

bool QtTransferQuestions::confirm(int messageId, const model::MessageArgs& args, bool okCancel)
{
    model::Prompt* prompt = &prompt_;
    const int answer = base_.call(
        [prompt, messageId, args, okCancel] {
            const model::Answer a = prompt->message(messageId, args, okCancel ? model::Buttons::OkCancel : model::Buttons::Ok,
                                                    okCancel ? model::Icon::Question : model::Icon::Warning);
            return a == model::Answer::Ok ? static_cast<int>(model::AnswerSkip) : static_cast<int>(model::AnswerAbort);
        },
        aborted_);
    return answer == model::AnswerSkip;
}

void QtTransferQuestions::abortAll()
{
    *aborted_ = true;
    base_.abortOpen();
}

// ---- Commands ----

TransferShell::TransferShell(const OnlineServices& services, online::OnlineCommands& commands)
    : s_(services), commands_(commands)
{
    using namespace transfercmd;
    commands_.Register(Download, [this] { download(); });
    commands_.Register(DownloadFromDenTan, [this] { download(); });
    commands_.Register(Compare, [this] { compare(false, false); });
    commands_.Register(NetCompare, [this] { compare(true, false); });
    commands_.Register(CompareFromBlkList, [this] { compare(false, true); });
    commands_.Register(NetCompareFromBlkList, [this] { compare(true, true); });
    commands_.Register(GroupDownload, [this] { groupDownload(); });
}

int TransferShell::exec(QDialog& dialog)
{
    if (beforeDialog) beforeDialog(dialog);
    return dialog.exec();
}

void TransferShell::refreshViews()
{
    if (MainFrame* f = s_.mainFrame) {
        if (ShellSystemView* v = s_.systemView()) v->requestRedraw(true);
        f->refresh();
    }
}

online::TransferDialogSetup TransferShell::makeSetup(const std::optional<online::AllocatedPort>& port,
                                                     QtTransferQuestions& q)
{
    model::UnitContext& unit = s_.unitContext;
    online::TransferDialogSetup s;
    s.station = unit.g_curStation;
    s.libraryCard = unit.libraryCard();
    s.kind = std::string(unit.model());
    s.version = std::string(unit.version());
    s.link = s_.serialLink;
    s.questions = &q;
    s.timing = timing_;
    s.prompt = &s_.prompt;
    s.language = s_.language;
    s.programmingUnitId = s_.settings.HT9_ID;
    s.cardTypes = FieldNamesByGroup(s_.fieldNames);

    // The device rows: every allocation row with a port; the allocated one chosen.
    const model::UserSettings& settings = s_.settings;
    std::string model(unit.model());
    model.resize(8, ' ');
    int qvRows = 0, tjk5Rows = 0;
    for (std::size_t r = 0; r < settings.PortAllocation.size(); ++r) {
        const model::PortAllocationRow& row = settings.PortAllocation[r];
        if (row.port.empty()) continue;
        online::DeviceChoice c;
        c.device = row.device;
        c.port = row.port;
        c.baudIndex = online::DeviceBaudIndex(s_.masters, row.device,
                                              port ? std::optional<int>(port->baudIndex) : std::nullopt);
        if (std::vector<int> speeds = online::DeviceKindBaudIndexes(s_.masters, row.device); speeds.size() > 1)
            c.kindBauds = std::move(speeds);
        const int id = model::DeviceStringId(row.device);
        qvRows += id == 9303 || id == 9304;
        tjk5Rows += id == 9305 || id == 9401;
        if (port && s.devices.selected < 0 && static_cast<int>(r) == port->row)
            s.devices.selected = static_cast<int>(s.devices.rows.size());
        s.devices.rows.push_back(std::move(c));
    }
    if (port) {
        s.devices.enabled = (model::GetModelCode(model) != 0 && qvRows > 1) ||
                            (online::ModelBeginsWith(model, "TJK5") && tjk5Rows > 1);
        if (s.devices.selected < 0 && !s.devices.rows.empty()) s.devices.selected = 0;
    }
    return s;
}

bool TransferShell::referenceCheck(int first, int last, bool station)
{
    model::UnitContext& unit = s_.unitContext;
    model::Prompt& prompt = s_.prompt;
    model::ReferenceError e;
    const auto ask = [&](int id) {
        const model::MessageArgs args{std::int64_t{e.group}, std::int64_t{e.item},
                                      std::string(model::fieldView(e.value))};
        return prompt.message(id, args, model::Buttons::OkCancel, model::Icon::Question) == model::Answer::Ok;
    };
    if ((station ? model::FindBadReferenceInStation(unit, first, last, e) : model::FindBadAnacomReference(unit, e)) &&
        !ask(online::kMsgAnalogReference))
        return false;
    e = {};
    if ((station ? model::FindBadSeqReferenceInStation(unit, first, last, e) : model::FindBadSeqReference(unit, e)) &&
        !ask(online::kMsgSequenceReference))
        return false;
    return true;
}

void TransferShell::download()
{
    const std::optional<online::AllocatedPort> port = commands_.CheckAllocatedPort();
    if (!port) return;
    if (!commands_.TakeLink(online::LinkUser::Transfer)) return;
    online::TransferUnitResult copied = online::CopyTransferUnit(s_.unitContext);
    if (!copied.unit) {
        commands_.owner().Release(online::LinkUser::Transfer);
        if (copied.messageId) s_.prompt.message(copied.messageId, {}, model::Buttons::Ok, model::Icon::Warning);
        return;
    }
    QtTransferQuestions questions(s_.workerQuestion, s_.prompt, s_.language);
    online::TransferDialogSetup setup = makeSetup(port, questions);
    setup.referenceCheck = [this](int first, int last) { return referenceCheck(first, last, true); };
    {
        online::DownloadDialog dialog(std::move(setup), std::move(*copied.unit), online::BusApi::Vuken(),
                                      s_.mainFrame);
        exec(dialog);
    }
    commands_.owner().Release(online::LinkUser::Transfer);
    refreshViews();
}

void TransferShell::compare(bool bus, bool groupMode)
{
    std::optional<online::AllocatedPort> port;
    if (!bus) {
        port = commands_.CheckAllocatedPort();
        if (!port) return;
    }
    if (!commands_.TakeLink(online::LinkUser::Transfer)) return;
    model::UnitContext& unit = s_.unitContext;
    online::TransferUnitResult copied = online::CopyTransferUnit(unit);
    if (!copied.unit) {
        commands_.owner().Release(online::LinkUser::Transfer);
        if (copied.messageId) s_.prompt.message(copied.messageId, {}, model::Buttons::Ok, model::Icon::Warning);
        return;
    }
    QtTransferQuestions questions(s_.workerQuestion, s_.prompt, s_.language);
    online::CompareDialogOptions options;
    options.bus = bus;
    options.groupMode = groupMode;
    options.group = std::max(0, unit.realGroup());
    options.busApi = online::BusApi::Vuken();
    {
        online::CompareDialog dialog(makeSetup(port, questions), std::move(*copied.unit), options, s_.mainFrame);
        exec(dialog);
    }
    commands_.owner().Release(online::LinkUser::Transfer);
    refreshViews();
}

void TransferShell::groupDownload()
{
    const std::optional<online::AllocatedPort> port = commands_.CheckAllocatedPort();
    if (!port) return;
    model::UnitContext& unit = s_.unitContext;
    const int real = unit.realGroup();
    if (real < 0) return;
    if (!commands_.TakeLink(online::LinkUser::Transfer)) return;
    std::optional<online::TransferCard> card = online::CopyTransferGroup(unit, real);
    if (!card) {
        commands_.owner().Release(online::LinkUser::Transfer);
        return;
    }
    QtTransferQuestions questions(s_.workerQuestion, s_.prompt, s_.language);
    online::TransferDialogSetup setup = makeSetup(port, questions);
    setup.referenceCheck = [this](int, int) { return referenceCheck(0, 0, false); };
    online::GroupDownloadSetup run;
    run.shownGroup = unit.g_curGroup;
    run.bank2 = unit.g_specialGroupMode != 0;
    run.station = unit.g_curStation;
    const std::string& stationText = unit.tables.stationUnitText[static_cast<std::size_t>(unit.g_curStation)];
    run.cardCount = online::CardCountOfUnitText(stationText).value_or(0);
    {
        online::GroupDownloadDialog dialog(std::move(setup), std::move(*card), run, s_.mainFrame);
        exec(dialog);
    }
    commands_.owner().Release(online::LinkUser::Transfer);
    refreshViews();
}

}  // namespace kravin::shell

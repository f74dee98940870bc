#include "upload_shell.h"

#include "KRAVinA.h"
#include "connections.h"
#include "net_download_dialog.h"
#include "qt_worker_question.h"
#include "services.h"
#include "main_frame.h"
#include "project.h"
#include "settings.h"
#include "system_config.h"
#include "online_monitor.h"
#include "system_view_page.h"
#include "qt_worker_question.h"
#include "transfer_shell.h"
#include "transfer_texts.h"
#include "unit_files.h"
#include "upload_dialog.h"
#include "upload_model.h"

#include <algorithm>
#include <cstring>

namespace kravin::shell {

namespace {

constexpr int kMsgWriteFailed = 7018;

std::string itemText(int group, int item)
{
    std::array<char, model::kItemSlot> slot{};
    KRAVinA_Data_Item_Get(group, item, slot.data());
    return std::string(model::fieldView(slot.data(), model::kItemBytes));
}

// The current unit's 100 block codes as texts.
std::array<std::string, model::kGroups> blockCodes(const model::UnitContext& unit)
{
    std::array<std::string, model::kGroups> codes;
    for (int g = 0; g < model::kGroups; ++g)
        codes[static_cast<std::size_t>(g)] = std::string(model::fieldView(unit.g_unitBlocks[g]));
    return codes;
}

}  // namespace

UploadShell::UploadShell(const OnlineServices& services, online::OnlineCommands& commands, TransferShell& transfers)
    : s_(services), commands_(commands), transfers_(transfers)
{
    using namespace uploadcmd;
    commands_.Register(Upload, [this] { upload(0, false); });
    commands_.Register(UploadFromDenTan, [this] { upload(1, false); });
    commands_.Register(UploadFromBlkList, [this] { upload(2, false); });
    commands_.Register(NetUpload, [this] { upload(0, true); });
    commands_.Register(NetUploadFromDenTan, [this] { upload(1, true); });
    commands_.Register(NetUploadFromBlkList, [this] { upload(2, true); });
    commands_.Register(NetDownload, [this] { netDownload(false); });
    commands_.Register(NetDownloadFromDenTan, [this] { netDownload(false); });
    commands_.Register(NetGroupDownload, [this] { netDownload(true); });
}

int UploadShell::exec(QDialog& dialog)
{
    if (beforeDialog) beforeDialog(dialog);
    return dialog.exec();
}

void UploadShell::refreshViews()
{
    if (MainFrame* f = s_.mainFrame) {
        if (ShellSystemView* v = s_.systemView()) v->requestRedraw(true);
        f->sendCommand(static_cast<int>(ViewKind::BlkList), 40611);  // "M BklLst Redraw"
        f->refresh();
    }
}

std::optional<online::UploadSetup> UploadShell::prepare(int station, int card, int mode)
{
    model::UnitContext& unit = s_.unitContext;
    if (station < 0 || station >= model::kStations || card < 0 || card > model::kCardSlots) return std::nullopt;
    online::UploadSetup s;
    s.station = station;
    s.card = card;
    s.masters = s_.masters;
    s.cardTypes = FieldNamesByGroup(s_.fieldNames);
    s.stationIsV8rtu = online::ModelBeginsWith(unit.unitKindName(station, 0), "V8RTU");
    s.nextSlotEmpty = card >= model::kCardSlots || unit.unitKindName(station, card + 1).empty();
    unit.g_curStation = station;
    unit.g_curCard = card;
    unit.SelectCurrentUnit();
    const std::string model(unit.model());
    s.newUnit = model.empty() || model[0] == ' ';
    const model::SystemConfigTables& t = s_.systemTables;
    s.unitText = card == 0 ? t.stationUnitText[static_cast<std::size_t>(station)]
                           : t.cardUnitText[static_cast<std::size_t>(station)][static_cast<std::size_t>(card - 1)];
    if (s.newUnit) {
        // The views select the slot the unit comes into.
        s_.unitSelection.select(station, card);
    } else {
        unit.LoadUnitBlocks(1);
        s.model = model;
        s.model.resize(8, ' ');
        s.version = std::string(unit.version());
        s.blockCodes = blockCodes(unit);
        s.unitId = itemText(0, 52).substr(0, 4);
        s.irCard = KRAVinA_IRCardName_Comp(s.model.c_str(), unit.tableFolder.c_str()) == 1;
    }
    if (mode == 2) {
        s.group = unit.realGroup();
        if (s.group < 0) return std::nullopt;
    }
    if (!s.newUnit && online::ModelBeginsWith(s.model, "V8RTU")) {
        // A V8RTU card is read after its selection; from the station or card 1 every card
        // of the station is read, one after the other.
        const std::optional<int> count = online::CardCountOfUnitText(t.stationUnitText[static_cast<std::size_t>(station)]);
        if (!count) {
            s_.prompt.message(online::kMsgBadCardCount, {}, model::Buttons::Ok, model::Icon::Warning);
            return std::nullopt;
        }
        s.v8rtu = true;
        s.cardCount = *count;
        std::vector<int> cards;
        if (card > 1) cards.push_back(card);
        else if (mode == 2) cards.push_back(1);
        else
            for (int c = 1; c <= *count; ++c) cards.push_back(c);
        for (int c : cards) {
            unit.g_curCard = c;
            unit.SelectCurrentUnit();
            unit.LoadUnitBlocks(1);
            online::UploadCardSetup cs;
            cs.card = c;
            cs.model = std::string(unit.model());
            cs.model.resize(8, ' ');
            cs.version = std::string(unit.version());
            cs.blockCodes = blockCodes(unit);
            s.v8rtuCards.push_back(std::move(cs));
        }
        unit.g_curCard = card;
        unit.SelectCurrentUnit();
        unit.LoadUnitBlocks(1);
    }
    QtWorkerQuestion* gui = &s_.workerQuestion;
    const model::CardKindMasters* masters = &s_.masters;
    const std::string folder = unit.tableFolder;
    s.describe = [gui, masters, folder](const std::string& m, const std::string& v) {
        std::optional<online::UploadModelInfo> info;
        // The master tables are the library's: read them on the GUI thread.
        gui->call([&info, masters, &folder, &m, &v] {
            info = online::DescribeUploadModel(*masters, folder, m, v);
            return 0;
        });
        return info;
    };
    return s;
}

void UploadShell::upload(int mode, bool bus)
{
    model::UnitContext& unit = s_.unitContext;
    if (!s_.session || !s_.session->g_projectOpen || unit.g_curStation < 0 || unit.g_curCard < 0) return;
    if (!commands_.TakeLink(online::LinkUser::Transfer)) return;
    const int station = unit.g_curStation;
    const int card = unit.g_curCard;
    std::optional<online::AllocatedPort> port =
        online::FindAllocatedPort(s_.masters, s_.settings, std::string(unit.model()));
    QtTransferQuestions questions(s_.workerQuestion, s_.prompt, s_.language);
    online::TransferDialogSetup setup = transfers_.makeSetup(port, questions);
    online::UploadDialogOptions options;
    options.mode = mode;
    options.bus = bus;
    options.group = unit.g_curGroup;
    options.busApi = online::BusApi::Vuken();
    options.prepare = [this, mode](int s, int c) { return prepare(s, c, mode); };
    options.unitTexts = [this](int s, int c) {
        const model::UnitContext& u = s_.unitContext;
        std::string version;
        const int kind = u.unitKind(s, c);
        if (kind > 0) {
            const model::CardKindMaster& master = c == 0 ? u.masters.station : u.masters.card;
            version = master.versions[static_cast<std::size_t>(kind)][static_cast<std::size_t>(
                std::clamp(u.unitVersionIndex(s, c), 0, model::kKindVersions - 1))];
        }
        return std::make_pair(u.unitKindName(s, c), version);
    };
    bool done = false;
    {
        online::UploadDialog dialog(std::move(setup), options, s_.mainFrame);
        const int result = exec(dialog);
        if (result == QDialog::Accepted && !dialog.stagedUnits().empty() && dialog.uploadSetup())
            done = commit(*dialog.uploadSetup(), dialog.stagedUnits(), dialog.stagedCardCount());
    }
    commands_.owner().Release(online::LinkUser::Transfer);
    if (!done) {
        // The current unit as it was (a chosen slot stays chosen).
        unit.g_curStation = mode == 1 ? unit.g_curStation : station;
        unit.g_curCard = mode == 1 ? unit.g_curCard : card;
        unit.SelectCurrentUnit();
        unit.LoadUnitBlocks(1);
    }
    refreshViews();
}

bool UploadShell::commit(const online::UploadSetup& setup, const std::vector<online::UploadStaging>& units,
                         std::optional<int> cardCount)
{
    model::UnitContext& unit = s_.unitContext;
    model::SystemConfigTables& t = s_.systemTables;
    const std::string folder = s_.session->projectRecord.workFolder;
    const int st = setup.station;
    const auto s = static_cast<std::size_t>(st);
    bool ok = true;
    if (setup.v8rtu && cardCount) {
        // The station's new card count: the cards past it go, its unit text takes the digit.
        for (int c = *cardCount + 1; c <= setup.cardCount && c <= model::kCardSlots; ++c) {
            unit.g_curStation = st;
            unit.g_curCard = c;
            unit.SelectCurrentUnit();
            model::UnitHead head{};
            model::loadUnit(st, c, folder, head);
            unit.ClearUnit(0);
        }
        std::string& text = t.stationUnitText[s];
        if (text.empty()) text.resize(1);
        text[0] = model::hexDigitChar(*cardCount);
    }
    for (const online::UploadStaging& staging : units) ok = commitUnit(setup, staging) && ok;
    if (setup.v8rtu && setup.card > 1 && !units.empty()) {
        // Groups 0 and 1 of a V8RTU station live on its card 1: they go there as well.
        unit.g_curStation = st;
        unit.g_curCard = 1;
        unit.SelectCurrentUnit();
        model::UnitHead head{};
        if (model::loadUnit(st, 1, folder, head)) {
            for (const auto& [key, value] : units.front().items) {
                if (key.first > 1) continue;
                char entry[20] = {};
                std::memcpy(entry, value.data(), std::min<std::size_t>(value.size(), 19));
                KRAVinA_Data_Item_Set(key.first, key.second, entry);
            }
            if (!model::writeUnit(st, 1, head, folder)) {
                ok = false;
                s_.prompt.message(kMsgWriteFailed, {}, model::Buttons::Ok, model::Icon::Error);
            }
        }
    }
    s_.session->projectRecord.modified = 1;
    // The unit the upload started from is the current one again.
    unit.g_curStation = st;
    unit.g_curCard = setup.card;
    unit.SelectCurrentUnit();
    s_.unitSelection.select(st, setup.card);
    s_.unitSelection.loadUnitBlocks();
    return ok;
}

bool UploadShell::commitUnit(const online::UploadSetup& setup, const online::UploadStaging& staging)
{
    model::UnitContext& unit = s_.unitContext;
    model::SystemConfigTables& t = s_.systemTables;
    const std::string folder = s_.session->projectRecord.workFolder;
    const int st = setup.station;
    const int card = staging.card;
    if (staging.created) {
        const model::CardKindMaster& master = card == 0 ? s_.masters.station : s_.masters.card;
        const int kind = master.find(staging.model);
        const int version = std::max(0, master.findVersion(kind, staging.version));
        if (kind <= 0) return false;
        model::WiringGrid grid;
        int x = 0, y = 0;
        grid.GridCellToPixel(st, card, &x, &y);
        if (card == 0) {
            t.stationKind[static_cast<std::size_t>(st)] = kind;
            t.stationVersion[static_cast<std::size_t>(st)] = version;
            if (t.stationX[static_cast<std::size_t>(st)] == 0 && t.stationY[static_cast<std::size_t>(st)] == 0) {
                t.stationX[static_cast<std::size_t>(st)] = x;
                t.stationY[static_cast<std::size_t>(st)] = y;
            }
        } else {
            const auto s = static_cast<std::size_t>(st), c = static_cast<std::size_t>(card - 1);
            t.cardKind[s][c] = kind;
            t.cardVersion[s][c] = version;
            if (t.cardX[s][c] == 0 && t.cardY[s][c] == 0) {
                t.cardX[s][c] = x;
                t.cardY[s][c] = y;
            }
        }
    }
    if (staging.unitText) {
        if (card == 0)
            t.stationUnitText[static_cast<std::size_t>(st)] = *staging.unitText;
        else
            t.cardUnitText[static_cast<std::size_t>(st)][static_cast<std::size_t>(card - 1)] = *staging.unitText;
    }
    unit.g_curStation = st;
    unit.g_curCard = card;
    unit.SelectCurrentUnit();
    model::UnitHead head{};
    model::loadUnit(st, card, folder, head);
    if (staging.created)
        for (int b = 0; b < model::kUnitBlocks; ++b) model::putBlock(b, model::BlockImage{});
    head.fill('\0');
    for (int g = 0; g < model::kGroups; ++g) {
        const std::string& code = staging.blockCodes[static_cast<std::size_t>(g)];
        std::memcpy(head.data() + g * model::kCodeBytes, code.data(), std::min<std::size_t>(code.size(), model::kCodeBytes));
    }
    auto set = [](int group, int item, const std::string& value) {
        char entry[20] = {};
        std::memcpy(entry, value.data(), std::min<std::size_t>(value.size(), 19));
        KRAVinA_Data_Item_Set(group, item, entry);
    };
    for (const auto& [key, value] : staging.items) set(key.first, key.second, value);
    if (setup.mode != 2 || setup.group == 0) set(0, 97, online::UploadDisplayName(staging.model));
    const bool written = model::writeUnit(st, card, head, folder);
    if (!written) s_.prompt.message(kMsgWriteFailed, {}, model::Buttons::Ok, model::Icon::Error);
    if (card > 0 && online::ModelBeginsWith(staging.model, "TQRC ")) {
        // Each used port takes the next card slot with the kind that follows TQRC.
        const auto s = static_cast<std::size_t>(st), c = static_cast<std::size_t>(card - 1);
        const int ports = std::min(online::UploadTqrcPorts(staging), model::kCardSlots - card);
        std::string pattern(static_cast<std::size_t>(ports), '1');
        pattern.resize(model::kUnitTextWidth, '0');
        t.cardUnitText[s][c] = pattern;
        const int slotKind = s_.masters.card.find(staging.model) + 1;
        model::WiringGrid grid;
        for (int k = 1; k <= ports; ++k) {
            int x = 0, y = 0;
            grid.GridCellToPixel(st, card + k, &x, &y);
            t.cardKind[s][c + static_cast<std::size_t>(k)] = slotKind;
            t.cardVersion[s][c + static_cast<std::size_t>(k)] = t.cardVersion[s][c];
            t.cardX[s][c + static_cast<std::size_t>(k)] = x;
            t.cardY[s][c + static_cast<std::size_t>(k)] = y;
        }
    }
    return written;
}

void UploadShell::netDownload(bool groupMode)
{
    model::UnitContext& unit = s_.unitContext;
    if (!s_.session || !s_.session->g_projectOpen || unit.g_curStation < 0 || unit.g_curCard < 0) return;
    if (!commands_.TakeLink(online::LinkUser::Transfer)) return;
    unit.SelectCurrentUnit();
    unit.LoadUnitBlocks(1);
    online::TransferUnit copied;
    int shownGroup = unit.g_curGroup;
    if (groupMode) {
        const int real = unit.realGroup();
        std::optional<online::TransferCard> card = real >= 0 ? online::CopyTransferGroup(unit, real) : std::nullopt;
        if (!card) {
            commands_.owner().Release(online::LinkUser::Transfer);
            return;
        }
        copied.station = unit.g_curStation;
        copied.startCard = unit.g_curCard;
        copied.v8rtu = unit.modelStartsWith("V8RTU");
        if (copied.v8rtu)
            copied.cardCount = online::CardCountOfUnitText(
                                   s_.systemTables.stationUnitText[static_cast<std::size_t>(unit.g_curStation)])
                                   .value_or(0);
        copied.cards.push_back(std::move(*card));
    } else {
        online::TransferUnitResult r = online::CopyTransferUnit(unit);
        if (!r.unit) {
            commands_.owner().Release(online::LinkUser::Transfer);
            if (r.messageId) s_.prompt.message(r.messageId, {}, model::Buttons::Ok, model::Icon::Warning);
            return;
        }
        copied = std::move(*r.unit);
    }
    online::NetDownloadSetup run;
    run.groupMode = groupMode;
    run.blockCodes = blockCodes(unit);
    QtTransferQuestions questions(s_.workerQuestion, s_.prompt, s_.language);
    online::TransferDialogSetup setup = transfers_.makeSetup(std::nullopt, questions);
    setup.referenceCheck = [this, groupMode](int first, int last) {
        return transfers_.referenceCheck(first, last, !groupMode);
    };
    {
        online::NetDownloadDialog dialog(std::move(setup), std::move(copied), run, online::BusApi::Vuken(), shownGroup,
                                         s_.mainFrame);
        exec(dialog);
    }
    commands_.owner().Release(online::LinkUser::Transfer);
    refreshViews();
}

}  // namespace kravin::shell

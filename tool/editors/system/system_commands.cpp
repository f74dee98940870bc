#include "system_commands.h"

#include "KRAVinA.h"
#include "services.h"
#include "unit_files.h"

#include <algorithm>
#include <cstring>

namespace kravin::editors {

namespace {

using model::kCardSlots;
using model::kStations;

bool validUnit(int station, int card) { return station >= 0 && station < kStations && card >= 0 && card <= kCardSlots; }

std::string pad8(std::string_view name)
{
    std::string s(name.substr(0, std::min<std::size_t>(name.size(), model::kKindWidth)));
    if (const auto nul = s.find('\0'); nul != std::string::npos) s.resize(nul);
    s.resize(model::kKindWidth, ' ');
    return s;
}

// The table fields of a slot (card 0 = the station itself).
struct SlotRef {
    int& kind;
    int& version;
    std::string& text;
    int& x;
    int& y;
};

SlotRef slotRef(model::SystemConfigTables& t, int s, int c)
{
    if (c == 0) return {t.stationKind[s], t.stationVersion[s], t.stationUnitText[s], t.stationX[s], t.stationY[s]};
    return {t.cardKind[s][c - 1], t.cardVersion[s][c - 1], t.cardUnitText[s][c - 1], t.cardX[s][c - 1],
            t.cardY[s][c - 1]};
}

std::string hexDigit(int n) { return std::string(1, model::hexDigitChar(n)); }

// The card count a V8RTU station's unit text holds: 0..16, or -1 when the text holds none.
int stationCardCount(const std::string& text)
{
    if (text.empty()) return 0;
    const int n = model::hexDigitValue(text[0]);
    return n >= 0 && n <= kCardSlots ? n : -1;
}

model::UnitHead headOfCodes(const std::array<model::BlockCode, model::kGroups>& codes)
{
    model::UnitHead head{};
    for (int g = 0; g < model::kGroups; ++g) std::memcpy(head.data() + 5 * g, codes[g].data(), 5);
    return head;
}

void setCode(model::BlockCode& code, std::string_view text)
{
    code.fill(0);
    std::memcpy(code.data(), text.data(), std::min<std::size_t>(text.size(), 5));
}

// The first allowed code of a group of the current unit (empty when none).
std::string firstValidCode(const model::UnitContext& unit, int group)
{
    if (unit.validBlockCount[group] <= 0) return {};
    return std::string(unit.validBlocks[group].data(), ::strnlen(unit.validBlocks[group].data(), 5));
}

void setItem(int block, int item, std::string_view text)
{
    char value[model::kItemBytes + 2] = {};
    std::memcpy(value, text.data(), std::min<std::size_t>(text.size(), model::kItemBytes));
    KRAVinA_Data_Item_Set(block, item, value);
}

// Codes of the RNH6 I/O types' terminal blocks 11..26.
std::vector<std::pair<int, const char*>> rnh6Blocks(int type)
{
    std::vector<std::pair<int, const char*>> b;
    auto range = [&b](int from, int to, const char* code) {
        for (int g = from; g <= to; ++g) b.emplace_back(g, code);
    };
    switch (type) {
    case 0: range(11, 11, "32CDO"); break;
    case 1: range(11, 12, "32CDO"); break;
    case 2:
    case 3: range(11, 11, "31CDI"); break;
    case 4:
    case 5: range(11, 12, "31CDI"); break;
    case 6:
    case 7:
        range(11, 11, "32CDO");
        range(12, 12, "31CDI");
        break;
    case 8:
    case 12: range(11, 26, "34CAO"); break;
    case 9:
    case 10: range(11, 18, "34CAO"); break;
    case 11:
    case 16: range(11, 26, "33CAI"); break;
    case 13:
        range(11, 18, "34CAO");
        range(19, 26, "33CAI");
        break;
    case 14:
        range(11, 14, "34CAO");
        range(15, 18, "33CAI");
        range(19, 19, "32CDO");
        range(20, 20, "31CDI");
        break;
    case 15:
        range(11, 18, "34CAO");
        range(19, 19, "32CDO");
        break;
    default: break;
    }
    return b;
}

constexpr std::array<const char*, 17> kRnh6Types{"A1", "A2", "C1", "C2", "C3", "C4", "E1", "E2", "G1",
                                                 "H2", "J2", "M1", "P1", "R1", "S1", "S2", "U1"};

}  // namespace

SystemCommands::SystemCommands(model::UnitContext& unit, model::CStationUndo& undo, model::Prompt& prompt,
                               SystemDialogs& dialogs, SystemCommandHooks hooks)
    : unit_(unit), undo_(undo), prompt_(prompt), dialogs_(dialogs), hooks_(std::move(hooks))
{
}

void SystemCommands::defaultPosition(int station, int card, int* x, int* y) const
{
    grid_.GridCellToPixel(station, card, x, y);
}

bool SystemCommands::isIrCard(const std::string& model) const
{
    return KRAVinA_IRCardName_Comp(pad8(model).c_str(), unit_.tableFolder.c_str()) == 1;
}

void SystemCommands::select(int station, int card)
{
    unit_.g_curStation = station;
    unit_.g_curCard = card;
    unit_.SelectCurrentUnit();
    if (hooks_.unitChanged) hooks_.unitChanged();
}

void SystemCommands::notice(int id, model::Icon icon) { prompt_.message(id, {}, model::Buttons::Ok, icon); }

void SystemCommands::modified()
{
    if (hooks_.setModified) hooks_.setModified();
}

void SystemCommands::finish(bool ok)
{
    if (!ok) notice(sysmsg::WriteFailed, model::Icon::Error);
    if (hooks_.invalidate) hooks_.invalidate();
    if (hooks_.rebuildDisplayData) hooks_.rebuildDisplayData();
}

void SystemCommands::clearSlot(int station, int card)
{
    select(station, card);
    model::UnitHead head;
    model::loadUnit(station, card, unit_.workFolder, head);
    unit_.ClearUnit(0);
}

bool SystemCommands::writeCurrentUnit(int station, int card)
{
    return model::writeUnit(station, card, headOfCodes(unit_.g_unitBlocks), unit_.workFolder);
}

bool SystemCommands::writeDefaultData(int station, int card, int rnh6Type, const std::string& id)
{
    select(station, card);
    unit_.LoadUnitBlocks(0);
    model::UnitHead head;
    model::loadUnit(station, card, unit_.workFolder, head);
    for (int b = 0; b < model::kUnitBlocks; ++b) model::putBlock(b, model::BlockImage{});
    auto& codes = unit_.g_unitBlocks;
    codes = {};

    const std::string m(unit_.model());
    const std::string v(unit_.version());
    setCode(codes[0], "00SYS");
    setCode(codes[80], "94SSW");
    if (card > 0) setCode(codes[1], firstValidCode(unit_, 1));
    const int modelCode = model::GetModelCode(pad8(m));
    auto addFirst = [&](int g) { setCode(codes[g], firstValidCode(unit_, g)); };
    if (modelCode != 0 || modelIs(m, "TJW")) {
        addFirst(4);
        addFirst(5);
    }
    if (modelCode == 64 || modelCode == 128) addFirst(6);
    if (modelCode == 64 && v >= "2.00") addFirst(7);
    if (modelCode == 144) {
        addFirst(6);
        addFirst(7);
    }
    if (modelIs(m, "PWZ")) {
        for (std::size_t i = 0; i < model::SpecialGroupTable.size(); ++i) {
            const int g = model::SpecialGroupTable[i];
            setCode(codes[g], i == 0 ? "00B2A" : "00B2D");
        }
    }
    if (card == 0 && modelIs(m, "RNH6")) {
        for (const auto& [g, code] : rnh6Blocks(rnh6Type)) {
            setCode(codes[g], code);
            int col = 0, row = 0;
            model::GetBlockCellPosition(unit_, g, &col, &row);
            KRAVinA_Data_XY_Set(g, col, row);
        }
    }
    // Every block the unit starts with opens with its defaults (item 10 its block number).
    for (int g = 0; g < model::kUnitBlocks; ++g)
        if (codes[static_cast<std::size_t>(g)][0] != 0) unit_.WriteItemDefaults(g);

    const bool irCard = isIrCard(m);
    if (irCard && !id.empty()) setItem(0, 52, id);
    // The card's number, for the kinds the download also ends a card with it.
    if (card > 0 && model::HoldsCardNumber(irCard, m, v)) {
        // The card's number as shown in the view, one upper-case hex digit as paste writes it.
        char number[2] = {model::hexDigitChar((card - 1) & 0xF), 0};
        setItem(0, 51, number);
    }
    if (card > 0 && modelIs(m, "TQRC")) {
        const std::string pattern = slotRef(unit_.tables, station, card).text;
        for (int k = 0; k < 5 && k < static_cast<int>(pattern.size()); ++k)
            if (pattern[static_cast<std::size_t>(k)] == '1') setItem(1, 11 + 17 * k, "33");
    }
    return writeCurrentUnit(station, card);
}

bool SystemCommands::virtualSlotsFree(int station, int card, int count) const
{
    for (int k = 0; k < count && card + 1 + k <= kCardSlots; ++k) {
        const std::string name = unit_.unitKindName(station, card + 1 + k);
        if (!name.empty() && !modelIs(name, "TQRQ$") && !modelIs(name, "TQRC$")) return false;
    }
    return true;
}

bool SystemCommands::applyVirtualCards(int station, int card, int count)
{
    model::SystemConfigTables& t = unit_.tables;
    const std::string owner = unit_.unitKindName(station, card);
    const bool tqrc = modelIs(owner, "TQRC");
    const int virtualKind = unit_.masters.card.find(tqrc ? "TQRC$" : "TQRQ$");
    const int version = t.cardVersion[station][card - 1];
    std::string pattern(5, '0');
    for (int k = 0; k < count && k < 5; ++k) pattern[static_cast<std::size_t>(k)] = '1';

    std::vector<int> gone, added;
    for (int k = 0; k < 5 && card + 1 + k <= kCardSlots; ++k) {
        const int slot = card + 1 + k;
        const bool present = pattern[static_cast<std::size_t>(k)] == '1';
        const std::string here = unit_.unitKindName(station, slot);
        const bool wasVirtual = modelIs(here, "TQRQ$") || modelIs(here, "TQRC$");
        if (present) {
            SlotRef s = slotRef(t, station, slot);
            int x = s.x, y = s.y;
            const bool hadPosition = wasVirtual && (x != 0 || y != 0);
            if (!here.empty()) clearSlot(station, slot);
            if (!hadPosition) defaultPosition(station, slot, &x, &y);
            s.kind = virtualKind;
            s.version = version;
            s.text.clear();
            s.x = x;
            s.y = y;
            t.forgetUnresolved(station, slot - 1);
            if (!wasVirtual) added.push_back(k);
        } else if (wasVirtual) {
            clearSlot(station, slot);
            gone.push_back(k);
        }
    }
    t.cardUnitText[station][card - 1] = pattern;

    // The communication card's links to slots that went away, and the TQRC
    // settings of new ones.
    select(station, card);
    unit_.LoadUnitBlocks(1);
    if (gone.empty() && (!tqrc || added.empty())) return true;
    if (unit_.SelectGroupDefinition(1) == 0) {
        for (int k : gone) {
            setItem(1, 11 + 17 * k, "00");
            for (int i = 12 + 17 * k; i <= 27 + 17 * k; ++i) setItem(1, i, "900000");
        }
    }
    if (tqrc)
        for (int k : added) setItem(1, 11 + 17 * k, "33");
    return writeCurrentUnit(station, card);
}

SystemCommands::Result SystemCommands::PlaceDevice(bool showDialog, const std::string& chosenModel,
                                                   const std::string& chosenVersion, bool sync)
{
    const int station = unit_.g_curStation;
    int card = unit_.g_curCard;
    if (!validUnit(station, card)) return Result::Cancelled;

    // 1. Model and version.
    SystemDialogs::ModelChoice choice{chosenModel, chosenVersion};
    if (showDialog) {
        auto chosen = dialogs_.selectModel(station, card);
        if (!chosen) return Result::Cancelled;
        choice = *chosen;
    }
    const std::string m = pad8(choice.model);
    const std::string& version = choice.version;
    model::SystemConfigTables& t = unit_.tables;

    // 3. A remote I/O card on card 1 of an empty row places the station.
    if (modelIs(m, "V8RTU") && card == 1 && t.stationKind[station] == 0) {
        card = 0;
        select(station, 0);
    }
    const std::string current = unit_.unitKindName(station, card);
    const std::string currentText = slotRef(t, station, card).text;
    const bool occupied = !current.empty();
    const bool twoSlot = isTwoSlotModel(m);

    // 4. Placement checks.
    const model::CardKindMaster& master = card == 0 ? unit_.masters.station : unit_.masters.card;
    const int kind = master.find(m);
    const int versionIndex = master.findVersion(kind, version);
    const std::string stationVersion =
        card > 0 ? unit_.masters.station.versions[std::clamp(t.stationKind[station], 0, model::kKindEntries - 1)]
                                                 [std::clamp(t.stationVersion[station], 0, model::kKindVersions - 1)]
                 : std::string();
    bool refuse = kind <= 0 || versionIndex < 0 ||
                  model::CheckKindPlacement(unit_.masters, t, station, card, m, false) != 0;
    if (modelIs(m, "V8RTU") && card > 8 && version.compare(0, 4, "1.00") == 0) refuse = true;
    if (modelIs(m, "V8RTU") && card > 1 && version.substr(0, 4) != stationVersion.substr(0, 4)) refuse = true;
    // A two-slot card needs its slot and the next one, also for a version change.
    (void)sync;
    if (twoSlot && (card == 0 || card >= kCardSlots)) refuse = true;
    if (twoSlot && !isTwoSlotModel(current) && !unit_.unitKindName(station, card + 1).empty()) refuse = true;
    if (refuse) {
        notice(sysmsg::CannotApply);
        return Result::Refused;
    }

    // 5. The RNH6 station's I/O type.
    int rnh6Type = -1;
    std::string unitText;
    if (card == 0 && modelIs(m, "RNH6")) {
        const auto type = dialogs_.selectRnh6Type();
        if (!type || *type < 0 || *type >= static_cast<int>(kRnh6Types.size())) return Result::Cancelled;
        rnh6Type = *type;
        unitText = kRnh6Types[static_cast<std::size_t>(rnh6Type)];
    }
    // 7. The ID of a TJK5, and of every other IR card kind, whose block 0 holds it.
    std::string id;
    if (modelIs(m, "TJK5") || isIrCard(m)) {
        const auto typed = dialogs_.inputId({});
        if (!typed) return Result::Cancelled;
        id = *typed;
    }
    // 8. A remote I/O station.
    int stationCards = -1;
    if (card == 0 && modelIs(m, "V8RTU")) {
        const int registered = stationCardCount(t.stationUnitText[station]);
        if (version.compare(0, 1, "1") == 0 && registered > 8) {
            notice(sysmsg::TooManyCards);
            return Result::Refused;
        }
        if (modelIs(current, "V8RTU")) {
            if (prompt_.message(sysmsg::PartOfDataLost, {}, model::Buttons::OkCancel, model::Icon::Question) !=
                model::Answer::Ok)
                return Result::Cancelled;
            return changeV8rtuVersion(station, kind, versionIndex);
        }
        const int mode = version.compare(0, 1, "1") == 0 ? 1 : 2;
        const auto n = dialogs_.cardCount(cardCountRange(mode, 0, m, {}, mode == 1 ? 8 : 16));
        if (!n) return Result::Cancelled;
        stationCards = *n;
        unitText = hexDigit(stationCards);
    }
    // 9. Any other replacement asks first.
    if (occupied && stationCards < 0 && !(card == 0 && modelIs(m, "V8RTU"))) {
        if (prompt_.message(sysmsg::PartOfDataLost, {}, model::Buttons::OkCancel, model::Icon::Question) !=
            model::Answer::Ok)
            return Result::Cancelled;
    }
    // 10. The virtual cards of a communication card.
    int virtualCards = -1;
    if (card > 0 && (modelIs(m, "TQRQ ") || modelIs(m, "TQRC "))) {
        const auto h = dialogs_.cardCount(cardCountRange(0, card, m, currentText, 0));
        if (!h) return Result::Cancelled;
        virtualCards = *h;
        if (!virtualSlotsFree(station, card, virtualCards)) {
            notice(sysmsg::CannotApply);
            return Result::Refused;
        }
    }

    // Every question is answered: the change starts here.
    if (hooks_.waitCursor) hooks_.waitCursor(true);
    select(station, card);
    undo_.Record(card == 0 ? model::kStationWhole + 1 : model::kStationUnit + 1);
    bool ok = true;

    // 6. The old unit's groups for the terminal rebuild.
    if (occupied) {
        select(station, card);
        unit_.LoadUnitBlocks(1);
        model::SaveGroupRecords(unit_, model::savedGroupRecords()[0]);
    }
    // 8. A new remote I/O station starts with its registered slots empty.
    if (stationCards >= 0)
        for (int c = 1; c <= stationCards; ++c)
            if (!unit_.unitKindName(station, c).empty()) clearSlot(station, c);

    // 12. The slot itself.
    SlotRef slot = slotRef(t, station, card);
    int x = slot.x, y = slot.y;
    if (occupied) clearSlot(station, card);
    if (drop_) {
        x = drop_->first;
        y = drop_->second;
    } else if (!occupied || (x == 0 && y == 0)) {
        defaultPosition(station, card, &x, &y);
    }
    slot.kind = kind;
    slot.version = versionIndex;
    slot.text = unitText;
    slot.x = x;
    slot.y = y;
    t.forgetUnresolved(station, card - 1);

    // 11. The right-hand half of a two-slot card.
    if (twoSlot) {
        const int right = card + 1;
        if (!unit_.unitKindName(station, right).empty()) clearSlot(station, right);
        SlotRef r = slotRef(t, station, right);
        int rx = r.x, ry = r.y;
        if (rx == 0 && ry == 0) defaultPosition(station, right, &rx, &ry);
        r.kind = kind;
        r.version = versionIndex;
        r.text = std::string(1, '\x01');
        r.x = rx;
        r.y = ry;
        t.forgetUnresolved(station, right - 1);
    }
    // 10. The slots of the virtual cards.
    if (virtualCards >= 0) {
        t.cardUnitText[station][card - 1] = std::string(5, '0');
        ok = applyVirtualCards(station, card, virtualCards) && ok;
    }

    // 13, 14. The unit's default data.
    ok = writeDefaultData(station, card, rnh6Type, id) && ok;
    // The old unit's items and terminals, where the new kind still has their blocks.
    if (occupied && hooks_.rebuildBlockTerminals) {
        hooks_.rebuildBlockTerminals();
        ok = writeCurrentUnit(station, card) && ok;
    }
    select(station, card);
    unit_.LoadUnitBlocks(1);
    modified();
    undo_.Record(card == 0 ? model::kStationWhole : model::kStationUnit);
    if (hooks_.waitCursor) hooks_.waitCursor(false);
    finish(ok);
    return ok ? Result::Done : Result::Failed;
}

SystemCommands::Result SystemCommands::changeV8rtuVersion(int station, int kind, int versionIndex)
{
    model::SystemConfigTables& t = unit_.tables;
    select(station, 0);
    undo_.Record(model::kStationWhole + 1);
    t.stationVersion[station] = versionIndex;
    bool ok = true;
    select(station, 0);
    unit_.LoadUnitBlocks(1);
    ok = writeCurrentUnit(station, 0) && ok;
    const std::string stationVersion = unit_.masters.station.versions[kind][versionIndex].substr(0, 4);
    for (int c = 1; c <= kCardSlots; ++c) {
        const int cardKind = t.cardKind[station][c - 1];
        if (cardKind <= 0 || cardKind >= model::kKindEntries) continue;
        for (int v = 0; v < model::kKindVersions; ++v) {
            const std::string& text = unit_.masters.card.versions[cardKind][v];
            if (text.empty()) break;
            if (text.substr(0, 4) != stationVersion) continue;
            t.cardVersion[station][c - 1] = v;
            break;
        }
        select(station, c);
        unit_.LoadUnitBlocks(1);
        ok = writeCurrentUnit(station, c) && ok;
    }
    select(station, 0);
    modified();
    undo_.Record(model::kStationWhole);
    finish(ok);
    return ok ? Result::Done : Result::Failed;
}

SystemCommands::Result SystemCommands::RemoveDevice(bool ask)
{
    const int station = unit_.g_curStation;
    int card = unit_.g_curCard;
    if (!validUnit(station, card) || unit_.unitKindName(station, card).empty()) return Result::Cancelled;
    model::SystemConfigTables& t = unit_.tables;
    // The right-hand half of a two-slot card goes with its left-hand half.
    if (card > 1 && isTwoSlotModel(unit_.unitKindName(station, card)) && isSecondHalf(t.cardUnitText[station][card - 1]))
        --card;
    const bool remoteCard = card > 0 && modelIs(unit_.unitKindName(station, 0), "V8RTU");
    const int registered = remoteCard ? stationCardCount(t.stationUnitText[station]) : 0;
    if (registered < 0) {
        notice(sysmsg::CannotApply);
        return Result::Refused;
    }
    if (ask && prompt_.message(sysmsg::ConfirmDelete, {}, model::Buttons::OkCancel, model::Icon::Question) !=
                   model::Answer::Ok)
        return Result::Cancelled;

    const int first = unit_.g_curCard;
    // A remote I/O card changes its station's text: the whole station is recorded.
    const bool whole = card == 0 || remoteCard;
    select(station, whole ? 0 : card);
    undo_.Record(whole ? model::kStationWhole + 1 : model::kStationUnit + 1);
    if (remoteCard) {
        for (int c = card; c <= std::max(card, registered); ++c)
            if (!unit_.unitKindName(station, c).empty()) clearSlot(station, c);
        t.stationUnitText[station] = hexDigit(card - 1);
    } else if (card > 0 && isTwoSlotModel(unit_.unitKindName(station, card))) {
        clearSlot(station, card);  // takes the right-hand half's table entries
        if (card < kCardSlots) clearSlot(station, card + 1);
    } else {
        clearSlot(station, card);
    }
    select(station, whole ? 0 : card);
    modified();
    undo_.Record(whole ? model::kStationWhole : model::kStationUnit);
    select(station, first);
    finish(true);
    return Result::Done;
}

SystemCommands::Result SystemCommands::ChangeIdNo()
{
    const int station = unit_.g_curStation, card = unit_.g_curCard;
    if (!validUnit(station, card) || !modelIs(unit_.unitKindName(station, card), "TJK5")) return Result::Cancelled;
    select(station, card);
    unit_.LoadUnitBlocks(1);
    char item[model::kItemBytes + 2] = {};
    KRAVinA_Data_Item_Get(0, 52, item);
    const std::string current(item, ::strnlen(item, model::kItemBytes));
    if (current.size() != 4) {
        notice(sysmsg::IdNotFound);
        return Result::Refused;
    }
    const auto typed = dialogs_.inputId(current);
    if (!typed) return Result::Cancelled;
    // Recorded like the other changes, so the ID can be undone as well.
    const int recordKind = card == 0 ? model::kStationWhole : model::kStationUnit;
    undo_.Record(recordKind + 1);
    select(station, card);
    unit_.LoadUnitBlocks(1);
    setItem(0, 52, *typed);
    const bool ok = writeCurrentUnit(station, card);
    modified();
    undo_.Record(recordKind);
    if (!ok) notice(sysmsg::WriteFailed, model::Icon::Error);
    return ok ? Result::Done : Result::Failed;
}

SystemCommands::Result SystemCommands::ChangeCardCount()
{
    const int station = unit_.g_curStation, card = unit_.g_curCard;
    if (!validUnit(station, card)) return Result::Cancelled;
    const std::string name = unit_.unitKindName(station, card);
    if (card > 0 && (modelIs(name, "TQRQ ") || modelIs(name, "TQRC "))) return changeVirtualCards();
    if (modelIs(unit_.unitKindName(station, 0), "V8RTU")) return changeStationCards();
    return Result::Cancelled;
}

SystemCommands::Result SystemCommands::changeStationCards()
{
    const int station = unit_.g_curStation;
    select(station, 0);
    model::SystemConfigTables& t = unit_.tables;
    const int b = stationCardCount(t.stationUnitText[station]);
    if (b < 0) {
        notice(sysmsg::CannotApply);
        return Result::Refused;
    }
    const int mode = std::string(unit_.version()).compare(0, 1, "1") == 0 ? 1 : 2;
    const auto chosen = dialogs_.cardCount(cardCountRange(mode, 0, unit_.model(), {}, b));
    if (!chosen) return Result::Cancelled;
    const int h = std::clamp(*chosen, 0, kCardSlots);
    if (h == b) {
        if (hooks_.invalidate) hooks_.invalidate();
        return Result::Done;
    }
    undo_.Record(model::kStationWhole + 1);
    bool ok = true;
    for (int i = 2; i <= std::max(b, h); ++i) {
        if (i > h) {
            clearSlot(station, i);
        } else if (i > b) {
            if (!unit_.unitKindName(station, i).empty()) clearSlot(station, i);
            SlotRef s = slotRef(t, station, i);
            s.kind = t.cardKind[station][0];
            s.version = t.cardVersion[station][0];
            s.text = t.cardUnitText[station][0];
            int x = 0, y = 0;
            defaultPosition(station, i, &x, &y);
            s.x = x;
            s.y = y;
            t.forgetUnresolved(station, i - 1);
            if (s.kind > 0) ok = writeDefaultData(station, i, -1, {}) && ok;
        }
    }
    t.stationUnitText[station] = hexDigit(h);
    select(station, 0);
    modified();
    undo_.Record(model::kStationWhole);
    finish(ok);
    return ok ? Result::Done : Result::Failed;
}

SystemCommands::Result SystemCommands::changeVirtualCards()
{
    const int station = unit_.g_curStation, card = unit_.g_curCard;
    const std::string name = unit_.unitKindName(station, card);
    const auto h = dialogs_.cardCount(
        cardCountRange(0, card, name, unit_.tables.cardUnitText[station][card - 1], 0));
    if (!h) return Result::Cancelled;
    if (!virtualSlotsFree(station, card, *h)) {
        notice(sysmsg::CannotApply);
        return Result::Refused;
    }
    undo_.Record(model::kStationUnit + 1);
    const bool ok = applyVirtualCards(station, card, *h);
    select(station, card);
    modified();
    undo_.Record(model::kStationUnit);
    finish(ok);
    return ok ? Result::Done : Result::Failed;
}

SystemCommands::Result SystemCommands::SelectVersion()
{
    const int station = unit_.g_curStation, card = unit_.g_curCard;
    if (!validUnit(station, card)) return Result::Cancelled;
    const std::string name = unit_.unitKindName(station, card);
    if (name.empty()) return Result::Cancelled;
    const auto chosen = dialogs_.selectVersion(station, card);
    if (!chosen) return Result::Cancelled;
    const model::CardKindMaster& master = card == 0 ? unit_.masters.station : unit_.masters.card;
    const int kind = unit_.unitKind(station, card);
    const int index = unit_.unitVersionIndex(station, card);
    if (index >= 0 && index < model::kKindVersions && master.versions[kind][index] == *chosen) return Result::Done;
    const Result r = PlaceDevice(false, name, *chosen, true);
    if (hooks_.invalidate) hooks_.invalidate();
    return r;
}

SystemCommands::Result SystemCommands::afterUndoStep(model::StepResult result)
{
    if (hooks_.waitCursor) hooks_.waitCursor(false);
    if (result == model::StepResult::Nothing) return Result::Cancelled;
    if (hooks_.unitChanged) hooks_.unitChanged();
    finish(result == model::StepResult::Restored);
    return result == model::StepResult::Restored ? Result::Done : Result::Failed;
}

SystemCommands::Result SystemCommands::Undo()
{
    if (hooks_.waitCursor) hooks_.waitCursor(true);
    return afterUndoStep(undo_.Undo());
}

SystemCommands::Result SystemCommands::Redo()
{
    if (hooks_.waitCursor) hooks_.waitCursor(true);
    return afterUndoStep(undo_.Redo());
}

}  // namespace kravin::editors

#include "connections.h"

#include "KRAVinA.h"
#include "layout_editor.h"
#include "text_codec.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

namespace kravin::model {
namespace {

// Value of n decimal digits, -1 when one is not a digit.
int decimal(const char* text, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        v = v * 10 + (text[i] - '0');
    }
    return v;
}

int clampPoints(int count) { return std::clamp(count, 0, kLinePoints); }

std::int16_t toInt16(int v) { return static_cast<std::int16_t>(std::clamp(v, -32768, 32767)); }

// Kind number of a communication block id.
int terminalKind(std::string_view id)
{
    if (id == "CDI") return 1;
    if (id == "CDO") return 2;
    if (id == "CAI") return 3;
    if (id == "CAO") return 4;
    return 0;
}

void readItem(int group, int item, char (&out)[KRAVINA_UNIT_ITEM_SIZE + 1])
{
    std::memset(out, 0, sizeof out);
    KRAVinA_Data_Item_Get(group, item, out);
}

// Unit position from the configuration tables (card 0 the station).
void unitPosition(const SystemConfigTables& t, int station, int card, int* x, int* y)
{
    if (card == 0) {
        *x = t.stationX[station];
        *y = t.stationY[station];
    } else {
        *x = t.cardX[station][card - 1];
        *y = t.cardY[station][card - 1];
    }
}

// Reads only the block codes of the current unit (the link table needs nothing else).
void loadCodes(UnitContext& unit)
{
    std::array<char, kUnitHeadSize> head;
    unit.LoadBlockCodes(head);
}

// The source of a link, parsed from the station (2), card (1) and terminal (2) texts.
// Fills the terminal record and returns true when it names an existing unit.
bool linkSource(const UnitContext& unit, CommLinkTable& table, int s, int libCard, int j, const char* station,
                char card, const char* terminal, CommLinkTerminal& rec)
{
    int ss;
    if (station[0] == 'F' && station[1] == 'F') ss = s;
    else if (station[0] == 'F' && station[1] == 'E') {
        rec.link = 2;
        return false;
    } else {
        const int hi = station[0] >= '0' && station[0] <= '3' ? station[0] - '0' : -1;
        const int lo = hexDigitValue(station[1]);
        if (hi < 0 || lo < 0) return false;
        ss = hi * 16 + lo;
    }
    int m = hexDigitValue(card);
    if (m < 0) return false;
    if (m == 0) {
        bool anyCard = false;
        for (int k = 0; k < kCardSlots; ++k) anyCard = anyCard || unit.tables.cardKind[ss][k] != 0;
        if (!anyCard) m = -1;
    }
    const int n = decimal(terminal, 2);
    if (n < kFirstCommTerminal || n > kLastCommTerminal) return false;
    if (unit.unitKind(ss, m + 1) == 0) return false;

    int points = 0, value = 0, colour = 0, kind = 0;
    char text[KRAVINA_CONNECTION_TEXT_SIZE] = {};
    KRAVinA_Dcon_Get(s, libCard, j, &points, &value, &colour, &kind, text, unit.workFolder.c_str());
    points = clampPoints(points);
    rec.link = 1;
    rec.value = value;
    rec.colour = static_cast<std::uint32_t>(colour);
    rec.points = static_cast<std::uint8_t>(points);
    rec.sourceStation = static_cast<std::uint8_t>(ss);
    rec.sourceCard = static_cast<std::int8_t>(m);
    rec.sourceTerminal = static_cast<std::uint8_t>(n);
    const std::string shown = trimDbcs(fieldView(text, sizeof text), rec.text.size());
    std::memcpy(rec.text.data(), shown.data(), shown.size());
    for (int k = 0; k < points; ++k) {
        int x = 0, y = 0;
        KRAVinA_Dcon_Pnt_Get(j, k, &x, &y);
        rec.pointX[k] = toInt16(x);
        rec.pointY[k] = toInt16(y);
    }
    int sx, sy, ex, ey;
    const CommLinkSlot* own = table.slot(s, libCard);
    CommTerminalPosition(own->x, own->y, j, &sx, &sy);
    int ux, uy;
    unitPosition(unit.tables, ss, m + 1, &ux, &uy);
    CommTerminalPosition(ux, uy, n, &ex, &ey);
    rec.startX = toInt16(sx);
    rec.startY = toInt16(sy);
    rec.endX = toInt16(ex);
    rec.endY = toInt16(ey);
    return true;
}

}  // namespace

// ---- CommLinkTable ----

CommLinkSlot* CommLinkTable::slot(int station, int card)
{
    if (station < 0 || station >= kStations || card < -1 || card >= kCardSlots) return nullptr;
    return &slots[station][card + 1];
}

const CommLinkSlot* CommLinkTable::slot(int station, int card) const
{
    return const_cast<CommLinkTable*>(this)->slot(station, card);
}

CommLinkTerminal* CommLinkTable::terminal(int station, int card, int t)
{
    CommLinkSlot* s = slot(station, card);
    if (!s || t < kFirstCommTerminal || t > kLastCommTerminal) return nullptr;
    return &s->terminals[t - kFirstCommTerminal];
}

const CommLinkTerminal* CommLinkTable::terminal(int station, int card, int t) const
{
    return const_cast<CommLinkTable*>(this)->terminal(station, card, t);
}

void CommLinkTable::clear()
{
    // Every member's empty value is all zero bytes: one pass over the memory.
    static_assert(std::is_trivially_copyable_v<CommLinkTable>);
    std::memset(static_cast<void*>(slots.data()), 0, sizeof slots);
    std::memset(static_cast<void*>(flags.data()), 0, sizeof flags);
}

void CommTerminalPosition(int unitX, int unitY, int terminal, int* x, int* y)
{
    const int k = terminal - kFirstCommTerminal;
    *x = unitX + (k % 8) * 3 + 2;
    *y = k < 8 ? unitY - 4 : unitY + 5;
}

int CommTerminalAt(int unitX, int unitY, int x, int y)
{
    const int dx = x - unitX - 2;
    if (dx < 0 || dx % 3 != 0 || dx / 3 > 7) return 0;
    if (y == unitY - 4) return kFirstCommTerminal + dx / 3;
    if (y == unitY + 5) return kFirstCommTerminal + 8 + dx / 3;
    return 0;
}

void BuildCommConnectionTable(UnitContext& unit, CommLinkTable& table, const ProgressStep& step)
{
    UnitImageGuard keep;
    table.clear();
    const SystemConfigTables& t = unit.tables;
    for (int s = 0; s < kStations; ++s) {
        if (s % 2 == 0 && step) step();
        int main = -2;   // library card index of the last TQRC card of the station
        std::string mainVersion;
        for (int u = -1; u < kCardSlots; ++u) {
            const int kind = unit.unitKind(s, u + 1);
            if (kind <= 0) continue;
            const std::string name = unit.unitKindName(s, u + 1);
            bool extension = false;
            if (u < 0) {
                if (!startsWith(name, "RNH6    ")) continue;
            } else {
                if (startsWith(name, "TQRJ    ")) continue;
                extension = startsWith(name, "TQRC$   ");
                if (startsWith(name, "TQRC    ")) {
                    main = u;
                    const int v = t.cardVersion[s][u];
                    mainVersion = v >= 0 && v < kKindVersions ? unit.masters.card.versions[kind][v].substr(0, 4) : "";
                }
            }
            CommLinkSlot& sl = *table.slot(s, u);
            CommLinkFlagEntry& fl = table.flags[s][u + 1];
            sl.used = 1;
            fl.used = 1;
            std::memcpy(sl.kind.data(), u < 0 ? "RNH6    " : name.c_str(), 8);
            const int vi = unit.unitVersionIndex(s, u + 1);
            const CardKindMaster& master = u < 0 ? unit.masters.station : unit.masters.card;
            if (vi >= 0 && vi < kKindVersions) {
                const std::string& v = master.versions[kind][vi];
                std::memcpy(sl.version.data(), v.data(), std::min<std::size_t>(v.size(), 4));
            }
            int ux, uy;
            unitPosition(t, s, u + 1, &ux, &uy);
            sl.x = toInt16(ux);
            sl.y = toInt16(uy);

            if (extension) {
                // A virtual slot lies one to five slots above its main card.
                const int offset = u - main;
                if (main < 0 || offset < 1 || offset > 5) continue;
                unit.g_curStation = s;
                unit.g_curCard = main + 1;
                unit.SelectCurrentUnit();
                loadCodes(unit);
                if (unit.SelectBlockDefinition("TQRC    ", mainVersion, unit.blockId(1)) != 0) continue;
                const int base = offset * 17 - 6;
                char mode[KRAVINA_UNIT_ITEM_SIZE + 1];
                readItem(1, base, mode);
                const bool input = mode[0] == '3' && mode[1] == '3';
                const bool output = mode[0] == '3' && mode[1] == '4';
                if (!input && !output) continue;
                for (int j = kFirstCommTerminal; j <= kLastCommTerminal; ++j) {
                    char v[KRAVINA_UNIT_ITEM_SIZE + 1];
                    readItem(1, base + j - 10, v);
                    if (v[0] == '9') continue;
                    CommLinkTerminal& rec = sl.terminals[j - kFirstCommTerminal];
                    rec.kind = input ? 3 : 4;
                    fl.kind[j - kFirstCommTerminal] = rec.kind;
                    if (input) linkSource(unit, table, s, u, j, v + 1, v[3], v + 4, rec);
                }
                continue;
            }

            unit.g_curStation = s;
            unit.g_curCard = u + 1;
            unit.SelectCurrentUnit();
            loadCodes(unit);
            for (int j = kFirstCommTerminal; j <= kLastCommTerminal; ++j) {
                const std::string id = unit.blockId(j);
                CommLinkTerminal& rec = sl.terminals[j - kFirstCommTerminal];
                rec.kind = static_cast<std::uint8_t>(terminalKind(id));
                fl.kind[j - kFirstCommTerminal] = rec.kind;
                if (id.size() < 3 || id[2] != 'I') continue;
                char st[KRAVINA_UNIT_ITEM_SIZE + 1], cd[KRAVINA_UNIT_ITEM_SIZE + 1], tm[KRAVINA_UNIT_ITEM_SIZE + 1];
                readItem(j, 11, st);
                readItem(j, 12, cd);
                readItem(j, 13, tm);
                linkSource(unit, table, s, u, j, st, cd[0], tm, rec);
            }
        }
    }
    if (step) step();
    unit.g_curStation = -1;
    unit.g_curCard = -1;
}

// ---- analog lists ----

void UnitContext::CollectAnacomItems(int group, AnacomList& out) const
{
    out.itemCount = 0;
    out.terminalCount = 0;
    if (isSpecialPwzGroup(group)) return;
    if (SelectGroupDefinition(group) != 0) return;
    for (int i = 0; i < kItems; ++i) {
        char type[KRAVINA_DEF_TYPE_SIZE] = {}, abbr[KRAVINA_DEF_ABBR_SIZE] = {};
        KRAVinA_Block_Inf_Get(0, i, type, nullptr, abbr, nullptr, nullptr, nullptr, nullptr);
        if (!startsWith(fieldView(type), "ANACOM")) continue;
        auto& e = out.items[out.itemCount++];
        std::memcpy(e.abbreviation.data(), abbr, 4);
        e.index = i;
    }
    for (int i = 0; i < kTerminals; ++i) {
        char type[KRAVINA_TERM_TYPE_SIZE] = {}, abbr[KRAVINA_TERM_ABBR_SIZE] = {};
        char number[KRAVINA_DEF_EXTRA_SIZE] = {};
        KRAVinA_Block_Inf_Get(1, i, type, nullptr, abbr, nullptr, nullptr, nullptr, number);
        if (fieldView(type) != "A") continue;
        auto& e = out.terminals[out.terminalCount++];
        std::memcpy(e.abbreviation.data(), abbr, 4);
        e.index = i;
        const std::string_view n = fieldView(number);
        e.number = n.empty() ? -1 : decimal(n.data(), static_cast<int>(std::min<std::size_t>(n.size(), 3)));
        if (n.size() > 3) e.number = -1;
    }
}

namespace {

// Terminal number of terminal `terminal` of the selected definition when its type is
// one of the accepted ones and the number is 0..99, else -1.
int selectedTerminalNumber(int terminal, bool acceptDigital)
{
    if (terminal < 0 || terminal >= kTerminals) return -1;
    char type[KRAVINA_TERM_TYPE_SIZE] = {}, number[KRAVINA_DEF_EXTRA_SIZE] = {};
    KRAVinA_Block_Inf_Get(1, terminal, type, nullptr, nullptr, nullptr, nullptr, nullptr, number);
    const std::string_view t = fieldView(type);
    if (!(t == "A" || (acceptDigital && t == "D"))) return -1;
    const std::string_view n = fieldView(number);
    if (n.empty() || n.size() > 2) return -1;
    return decimal(n.data(), static_cast<int>(n.size()));
}

}  // namespace

int UnitContext::GetAnalogTerminalNo(int group, int terminal) const
{
    if (group < 0 || group >= kGroups || isSpecialPwzGroup(group)) return -1;
    if (SelectGroupDefinition(group) != 0) return -1;
    return selectedTerminalNumber(terminal, false);
}

int UnitContext::GetMonitorTerminalNo(int group, int terminal) const
{
    if (group < 0 || group >= kGroups) return -1;
    const std::string_view m = fieldView(monitorTarget.model);
    if (startsWith(m, "PWZ") &&
        std::find(SpecialGroupTable.begin(), SpecialGroupTable.end(), group) != SpecialGroupTable.end())
        return -1;
    const BlockCode& code = monitorTarget.blocks[group];
    if (code[0] == 0) return -1;
    if (SelectMonitorBlockDefinition(m, fieldView(monitorTarget.version), fieldView(code.data() + 2, 3)) != 0)
        return -1;
    return selectedTerminalNumber(terminal, true);
}

int UnitContext::AnalyzeAnacomBlocks(int group)
{
    if (group < 0 || group >= kGroups || isSpecialPwzGroup(group)) return 0;
    if (SelectGroupDefinition(group) != 0) return -1;
    // Read this definition's lines first, then look the references up (each look-up
    // selects another definition).
    std::array<int, kItems> anacom{};
    int anacomCount = 0;
    for (int i = 0; i < kItems; ++i) {
        char type[KRAVINA_DEF_TYPE_SIZE] = {};
        KRAVinA_Block_Inf_Get(0, i, type, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        if (startsWith(fieldView(type), "ANACOM")) anacom[anacomCount++] = i;
    }
    AnalogMapEntry& entry = analogMap[group];
    for (int i = 0; i < kTerminals; ++i) {
        char type[KRAVINA_TERM_TYPE_SIZE] = {}, number[KRAVINA_DEF_EXTRA_SIZE] = {};
        KRAVinA_Block_Inf_Get(1, i, type, nullptr, nullptr, nullptr, nullptr, nullptr, number);
        const std::string_view n = fieldView(number);
        if (fieldView(type) != "A" || n.empty()) continue;
        entry.hasAnalog = 1;
        const int v = n.size() <= 2 ? decimal(n.data(), static_cast<int>(n.size())) : -1;
        if (v >= 0 && v < kItems) entry.terminalUsed[v] = 1;
    }
    for (int k = 0; k < anacomCount; ++k) {
        const int i = anacom[k];
        char value[KRAVINA_UNIT_ITEM_SIZE + 1];
        readItem(group, i, value);
        const int v = decimal(value, 4);
        if (v < 0) continue;
        const int t = GetAnalogTerminalNo(v / 100, v % 100);
        if (t == -1) continue;
        entry.hasAnalog = 1;
        entry.source[i] = t + (v / 100) * 100;
        entry.terminalUsed[i] = 1;
    }
    if (anacomCount > 0) SelectGroupDefinition(group);
    return 0;
}

// ---- grid ----

void GetBlockCellPosition(const UnitContext& unit, int group, int* col, int* row)
{
    static constexpr int kStarts[] = {1, 11, 19, 30, 38, 46, 54, 62, 72, 81, 97, 100};
    static constexpr int kRemoteStarts[] = {0, 1, 11, 19, 30, 38, 46, 54, 62, 72, 81, 97, 100};
    const bool remote = unit.modelStartsWith("V8RTU");
    const int* starts = remote ? kRemoteStarts : kStarts;
    const int n = remote ? 13 : 12;
    int c = 0;
    for (int i = 0; i < n; ++i)
        if (starts[i] <= group) ++c;
    c = std::max(c, 1);
    *col = c * 18 - 14;
    *row = (group - starts[c - 1]) * 13 + 6;
}

// ---- analog line ----

int SaveAconLine(UnitContext& unit, const AnalogLineEditState& line)
{
    const auto inRange = [](int v) { return v >= 0 && v < kItems; };
    if (!inRange(line.sourceGroup) || !inRange(line.sourceItem) || !inRange(line.destGroup) ||
        !inRange(line.destItem))
        return -1;
    const int card = unit.libraryCard();
    const char* folder = unit.workFolder.c_str();

    // The reference, into the current unit's own file.
    std::array<char, kUnitHeadSize> head;
    if (unit.ReadUnitImage(head) == -1) return -1;
    char ref[KRAVINA_UNIT_ITEM_SIZE] = {};
    std::snprintf(ref, sizeof ref, "%02d%02d", line.sourceGroup, line.sourceItem);
    KRAVinA_Data_Item_Set(line.destGroup, line.destItem, ref);
    int result = KRAVinA_Data_Write(unit.g_curStation, card, head.data(), folder) == 0 ? 0 : -1;

    // The line, into the same unit's analog file.
    int kind = 0, value = 0, colour = 0;
    char text[KRAVINA_CONNECTION_TEXT_SIZE] = {};
    KRAVinA_Acon_Get(unit.g_curStation, card, line.destGroup, line.destItem, &kind, &value, &colour, text, folder);
    const int count = clampPoints(line.pointCount);
    for (int i = 0; i < count; ++i) {
        const int k = line.direction == 1 ? i : count - 1 - i;
        KRAVinA_Acon_Pnt_Set(line.destGroup, line.destItem, i, static_cast<int>(std::lround(line.secondList[k])),
                             static_cast<int>(std::lround(line.firstList[k])));
    }
    const std::string lineText = trimDbcs(line.text, KRAVINA_CONNECTION_TEXT_SIZE - 1);
    if (KRAVinA_Acon_Set(unit.g_curStation, card, line.destGroup, line.destItem, count, line.value,
                         static_cast<int>(line.colour), lineText.c_str()) != 0)
        return -1;
    if (KRAVinA_Acon_Write(unit.g_curStation, card, folder) != 0) result = -1;
    return result;
}

// ---- system work record ----

namespace {

void put32(unsigned char* at, std::int32_t v)
{
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(u >> (8 * i));
}

void put16(unsigned char* at, int v)
{
    const auto u = static_cast<std::uint16_t>(toInt16(v));
    at[0] = static_cast<unsigned char>(u);
    at[1] = static_cast<unsigned char>(u >> 8);
}

}  // namespace

static_assert(workrecord::size == kSystemWorkRecordBytes);
static_assert(workrecord::lines + kGroups * kItems * workrecord::lineSize == workrecord::size);
static_assert(workrecord::groups + kGroups * workrecord::groupSize == workrecord::lines);

void FillSystemWorkRecord(UnitContext& unit, unsigned char* r)
{
    namespace w = workrecord;
    std::memset(r, 0, w::size);
    const int s = unit.g_curStation, card = unit.g_curCard;
    put32(r + w::station, s);
    put32(r + w::card, card);
    // The station itself takes its record from the station tables.
    put32(r + w::kindIndex, unit.unitKind(s, card));
    put32(r + w::versionIndex, unit.unitVersionIndex(s, card));
    if (s >= 0 && s < kStations && card >= 0 && card <= kCardSlots) {
        const std::string& text = card == 0 ? unit.tables.stationUnitText[s] : unit.tables.cardUnitText[s][card - 1];
        const std::string cut = trimDbcs(text, w::unitTextWidth - 1);
        std::memcpy(r + w::unitText, cut.data(), cut.size());
    }
    unit.LoadUnitBlocks(1);
    const int keepGroup = unit.g_curGroup, keepSpecial = unit.g_specialGroupMode;
    unit.g_specialGroupMode = 0;
    for (int g = 0; g < kGroups; ++g) {
        std::memcpy(r + w::codes + 5 * g, unit.g_unitBlocks[g].data(), 5);
        unit.g_curGroup = g;
        unsigned char* grp = r + w::groups + w::groupSize * g;
        if (unit.LoadBlockItemList() == 0) {
            for (int i = 0; i < kItems; ++i)
                std::memcpy(grp + kItemSlot * i, unit.blockItemData.items[i].data(), kItemSlot);
            for (int t = 0; t < kTerminals; ++t)
                std::memcpy(grp + w::groupTerminals + kTermSlot * t, unit.blockItemData.terminals[t].data(), kTermSlot);
        } else {
            // A block without a definition (a sequential group that is off) still
            // carries what its file holds: the copy takes it as it is.
            for (int i = 0; i < kItems; ++i) {
                char item[kItemSlot] = {};
                KRAVinA_Data_Item_Get(g, i, item);
                std::memcpy(grp + kItemSlot * i, item, kItemSlot);
            }
            for (int t = 0; t < kTerminals; ++t) {
                char term[kTermSlot] = {};
                KRAVinA_Data_Term_Get(g, t, term);
                std::memcpy(grp + w::groupTerminals + kTermSlot * t, term, kTermSlot);
            }
        }
        // Every group keeps its place, analog or not.
        int x = 0, y = 0;
        KRAVinA_Data_XY_Get(g, &x, &y);
        put32(grp + w::groupX, x);
        put32(grp + w::groupY, y);
        for (int i = 0; i < kItems; ++i) put32(r + w::lines + w::lineSize * (g * kItems + i) + 8, -1);
        AnacomList list;
        unit.CollectAnacomItems(g, list);
        for (int k = 0; k < list.itemCount; ++k) {
            const int item = list.items[k].index;
            unsigned char* line = r + w::lines + w::lineSize * (g * kItems + item);
            int count = 0, value = 0, colour = 0;
            char text[KRAVINA_CONNECTION_TEXT_SIZE] = {};
            KRAVinA_Acon_Get(s, card - 1, g, item, &count, &value, &colour, text, unit.workFolder.c_str());
            count = clampPoints(count);
            put32(line, value);
            put32(line + 4, colour);
            put32(line + 8, count);
            for (int p = 0; p < count; ++p) {
                int px = 0, py = 0;
                KRAVinA_Acon_Pnt_Get(g, item, p, &px, &py);
                put16(line + w::lineX + 2 * p, px);
                put16(line + w::lineY + 2 * p, py);
            }
            const std::string cut = trimDbcs(fieldView(text, sizeof text), 7);
            std::memcpy(line + w::lineText, cut.data(), cut.size());
        }
    }
    unit.g_curGroup = keepGroup;
    unit.g_specialGroupMode = keepSpecial;
    unit.LoadBlockItemList();
}

}  // namespace kravin::model

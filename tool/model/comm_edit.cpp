#include "comm_edit.h"

#include "KRAVinA.h"
#include "text_codec.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace kravin::model {
namespace {

bool validEnd(const CommLinkEnd& e)
{
    return e.station >= 0 && e.station < kStations && e.card >= -1 && e.card < kCardSlots &&
           e.terminal >= kFirstCommTerminal && e.terminal <= kLastCommTerminal;
}

bool sameEnd(const CommLinkEnd& a, const CommLinkEnd& b)
{
    return a.station == b.station && a.card == b.card && a.terminal == b.terminal;
}

std::string kindOf(const UnitContext& unit, const CommLinkEnd& e) { return unit.unitKindName(e.station, e.card + 1); }

std::string hex2(int v)
{
    char t[4];
    std::snprintf(t, sizeof t, "%02X", v & 0xFF);
    return t;
}

std::string hex1(int card)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string(1, card >= 0 && card < 16 ? kDigits[card] : '0');
}

std::string dec2(int v)
{
    char t[8];
    std::snprintf(t, sizeof t, "%02d", v);
    return t;
}

// The TQRC card a virtual slot belongs to: searched downwards, at most five slots
// (a card carries five virtual slots); -1 when there is none.
int owningTqrc(const UnitContext& unit, int station, int card)
{
    for (int k = card - 1; k >= 0 && k >= card - 5; --k) {
        const std::string name = unit.unitKindName(station, k + 1);
        if (startsWith(name, "TQRC ")) return k;
        if (!startsWith(name, "TQRC$")) return -1;
    }
    return -1;
}

// The physical card of an end: the owning TQRC card of a virtual slot.
int physicalCard(const UnitContext& unit, const CommLinkEnd& e)
{
    return startsWith(kindOf(unit, e), "TQRC$") ? owningTqrc(unit, e.station, e.card) : e.card;
}

bool isTqrc(const UnitContext& unit, const CommLinkEnd& e) { return startsWith(kindOf(unit, e), "TQRC"); }

// New values of a terminal's link items; unset ones stay as they are.
struct LinkItems {
    std::optional<std::string> station, card, terminal, item18, item19;
    char k = '0';   // first character of a virtual slot's KSSCTT item
};

void setItem(int group, int item, const std::string& text)
{
    char v[KRAVINA_UNIT_ITEM_SIZE] = {};
    std::memcpy(v, text.data(), std::min(text.size(), sizeof v));
    KRAVinA_Data_Item_Set(group, item, v);
}

// Makes the unit of a library card index current and reads its file.
void visit(UnitContext& unit, int station, int card, std::array<char, kUnitHeadSize>& head)
{
    unit.g_curStation = station;
    unit.g_curCard = card + 1;
    unit.SelectCurrentUnit();
    unit.LoadBlockCodes(head);
}

void writeUnit(const UnitContext& unit, const std::array<char, kUnitHeadSize>& head)
{
    KRAVinA_Data_Write(unit.g_curStation, unit.libraryCard(), head.data(), unit.workFolder.c_str());
}

// Writes the link items of an end: the terminal's group, or the KSSCTT item of a
// virtual TQRC slot in group 1 of its card.
void writeLinkItems(UnitContext& unit, const CommLinkEnd& e, const LinkItems& items)
{
    std::array<char, kUnitHeadSize> head;
    if (startsWith(kindOf(unit, e), "TQRC$")) {
        const int main = owningTqrc(unit, e.station, e.card);
        if (main < 0) return;
        visit(unit, e.station, main, head);
        const int item = (e.card - main) * 17 - 6 + e.terminal - 10;
        char v[KRAVINA_UNIT_ITEM_SIZE + 1] = {};
        KRAVinA_Data_Item_Get(1, item, v);
        std::string text(v, 6);
        for (char& c : text)
            if (c == 0) c = '0';
        text[0] = items.k;
        if (items.station) text.replace(1, 2, *items.station);
        if (items.card) text.replace(3, 1, *items.card);
        if (items.terminal) text.replace(4, 2, *items.terminal);
        setItem(1, item, text);
        writeUnit(unit, head);
        return;
    }
    visit(unit, e.station, e.card, head);
    const int g = e.terminal;
    if (items.station) setItem(g, 11, *items.station);
    if (items.card) setItem(g, 12, *items.card);
    if (items.terminal) setItem(g, 13, *items.terminal);
    if (items.item18) setItem(g, 18, *items.item18);
    if (items.item19) setItem(g, 19, *items.item19);
    writeUnit(unit, head);
}

// Writes the editor's line as an end's connection record.
void writeRecord(UnitContext& unit, const CommLinkEnd& e, const CommLinkEditState& edit, int count)
{
    const char* folder = unit.workFolder.c_str();
    int points = 0, value = 0, colour = 0, kind = 0;
    char text[KRAVINA_CONNECTION_TEXT_SIZE] = {};
    KRAVinA_Dcon_Get(e.station, e.card, e.terminal, &points, &value, &colour, &kind, text, folder);
    for (int i = 0; i < count; ++i) KRAVinA_Dcon_Pnt_Set(e.terminal, i, edit.pointX[i], edit.pointY[i]);
    const std::string t = trimDbcs(edit.text, KRAVINA_CONNECTION_TEXT_SIZE - 1);
    KRAVinA_Dcon_Write(e.station, e.card, e.terminal, count, edit.value, static_cast<int>(edit.colour), kind,
                       t.c_str(), folder);
}

void unitXY(const UnitContext& unit, const CommLinkEnd& e, int* x, int* y)
{
    const SystemConfigTables& t = unit.tables;
    *x = e.card < 0 ? t.stationX[e.station] : t.cardX[e.station][e.card];
    *y = e.card < 0 ? t.stationY[e.station] : t.cardY[e.station][e.card];
}

std::int16_t i16(int v) { return static_cast<std::int16_t>(std::clamp(v, -32768, 32767)); }

// The editor's line into a table record; with a source, the record is linked to it.
void updateEntry(const UnitContext& unit, CommLinkTable& table, const CommLinkEnd& r, const CommLinkEnd* source,
                 const CommLinkEditState& edit, int count)
{
    CommLinkTerminal* rec = table.terminal(r.station, r.card, r.terminal);
    if (!rec) return;
    rec->value = edit.value;
    rec->colour = edit.colour;
    rec->points = static_cast<std::uint8_t>(count);
    rec->pointX.fill(0);
    rec->pointY.fill(0);
    for (int i = 0; i < count; ++i) {
        rec->pointX[i] = i16(edit.pointX[i]);
        rec->pointY[i] = i16(edit.pointY[i]);
    }
    rec->text.fill(0);
    const std::string shown = trimDbcs(edit.text, rec->text.size());
    std::memcpy(rec->text.data(), shown.data(), shown.size());
    if (!source) return;
    rec->link = 1;
    rec->sourceStation = static_cast<std::uint8_t>(source->station);
    rec->sourceCard = static_cast<std::int8_t>(source->card);
    rec->sourceTerminal = static_cast<std::uint8_t>(source->terminal);
    int ux, uy, x, y;
    unitXY(unit, r, &ux, &uy);
    CommTerminalPosition(ux, uy, r.terminal, &x, &y);
    rec->startX = i16(x);
    rec->startY = i16(y);
    unitXY(unit, *source, &ux, &uy);
    CommTerminalPosition(ux, uy, source->terminal, &x, &y);
    rec->endX = i16(x);
    rec->endY = i16(y);
}

// The source end a linked table record names, worked out from the drawn end point.
std::optional<CommLinkEnd> drawnSource(const CommLinkTable& table, const CommLinkTerminal& rec)
{
    const CommLinkSlot* src = table.slot(rec.sourceStation, rec.sourceCard);
    if (!src) return std::nullopt;
    const int t = CommTerminalAt(src->x, src->y, rec.endX, rec.endY);
    if (t == 0) return std::nullopt;
    return CommLinkEnd{rec.sourceStation, rec.sourceCard, t};
}

int refuse(Prompt& prompt, int id)
{
    prompt.message(id, {}, Buttons::Ok, Icon::Warning);
    return 0;
}

}  // namespace

int MakeCommConnection(UnitContext& unit, CommLinkTable& table, const CommLinkEditState& edit, Prompt& prompt)
{
    const int p = edit.pattern;
    const CommLinkEnd &a = edit.a, &b = edit.b, &c = edit.c;
    const auto card = [](const CommLinkEnd& e) { return e.card >= 0; };
    const bool direct = p >= 1 && p <= 4;

    int kase = 8;
    if (direct && card(a) && card(b) && a.station == b.station) kase = 1;
    else if (direct && card(a) && card(b)) kase = 2;
    else if ((p == 8 || p == 9) && card(b) && card(c) && b.station == c.station) kase = 3;
    else if (p >= 8) kase = 4;
    else if ((p == 6 || p == 7) && card(b)) kase = 5;
    else if (direct && !card(b) && card(a) && a.station != b.station) kase = 6;
    else if (direct && card(b) && !card(a) && a.station != b.station) kase = 7;
    if (kase == 8 && !((p == 6 || p == 7) && !card(b))) return refuse(prompt, kMsgUnknownPattern);

    const bool forward = kase == 1 || kase == 2 || kase == 6 || kase == 7;
    // The receiving end and its source: B from A, or C re-transmitted from B.
    const CommLinkEnd& r = forward ? b : c;
    const CommLinkEnd& s = forward ? a : b;
    if (!validEnd(r) || !validEnd(s)) return refuse(prompt, kMsgUnknownPattern);

    const CommLinkTerminal* bRec = table.terminal(b.station, b.card, b.terminal);
    switch (kase) {
    case 1:
        if (a.card == b.card) return refuse(prompt, kMsgSameCard);
        break;
    case 3:
        if (b.card == c.card) return refuse(prompt, kMsgSameCard);
        [[fallthrough]];
    case 4:
        if (!bRec || (bRec->link != 1 && bRec->link != 2)) return refuse(prompt, kMsgNotReceived);
        break;
    case 6: {
        const std::string ak = kindOf(unit, a);
        if (ak == "TQRN    " || ak == "TQRQ    " || ak == "TQRQ$   ") return refuse(prompt, kMsgRnh6FromTqr);
        for (int st = 0; st < kStations; ++st) {
            const CommLinkSlot& slot = table.slots[st][0];
            if (!slot.used || std::string_view(slot.kind.data(), 8) != "RNH6    ") continue;
            for (int t = kFirstCommTerminal; t <= kLastCommTerminal; ++t) {
                if (st == b.station && b.card == -1 && t == b.terminal) continue;
                const CommLinkTerminal& rec = slot.terminals[t - kFirstCommTerminal];
                if ((rec.kind != 1 && rec.kind != 3) || rec.link != 1) continue;
                const auto src = drawnSource(table, rec);
                if (src && sameEnd(*src, a)) return refuse(prompt, kMsgDuplicateToRnh6);
            }
        }
        break;
    }
    default:
        break;
    }

    // The receiving terminal keeps the source it has; so does a B that would be
    // turned over to the other network.
    const CommLinkTerminal* rRec = table.terminal(r.station, r.card, r.terminal);
    if (rRec && rRec->link == 1 &&
        !(rRec->sourceStation == s.station && rRec->sourceCard == s.card && rRec->sourceTerminal == s.terminal))
        return refuse(prompt, kMsgAddressSet);
    if ((kase == 5 || kase == 8) && bRec && bRec->link == 1) return refuse(prompt, kMsgAddressSet);

    // Rules of the TQRC card and its virtual slots.
    if (isTqrc(unit, r)) {
        const int rMain = physicalCard(unit, r);
        if (rMain >= 0 && s.station == r.station && isTqrc(unit, s) && physicalCard(unit, s) == rMain)
            return refuse(prompt, kMsgTqrcSameCard);
        for (int k = std::max(rMain, 0); rMain >= 0 && k <= std::min(rMain + 5, kCardSlots - 1); ++k) {
            const CommLinkEnd slotEnd{r.station, k, kFirstCommTerminal};
            if (k != rMain && (!startsWith(kindOf(unit, slotEnd), "TQRC$") || owningTqrc(unit, r.station, k) != rMain))
                continue;
            const CommLinkSlot* slot = table.slot(r.station, k);
            for (int t = kFirstCommTerminal; t <= kLastCommTerminal; ++t) {
                if (k == r.card && t == r.terminal) continue;
                const CommLinkTerminal& rec = slot->terminals[t - kFirstCommTerminal];
                if (rec.link == 1 && rec.sourceStation == s.station && rec.sourceCard == s.card &&
                    rec.sourceTerminal == s.terminal)
                    return refuse(prompt, kMsgTqrcSameOutput);
            }
        }
    }

    // Accepted: write B's items.
    LinkItems items;
    switch (kase) {
    case 1:
        items = {"FF", hex1(a.card), dec2(a.terminal), "10.0", std::nullopt, '0'};
        break;
    case 2:
    case 6:
        items = {hex2(a.station), hex1(a.card), dec2(a.terminal), "10.0", std::nullopt, '0'};
        break;
    case 7:
        items = {hex2(a.station), "0", dec2(a.terminal), "10.0", std::nullopt, '0'};
        break;
    case 5:
    case 8:
        items = {"FE", "0", "11", "10.0", "1", '1'};
        break;
    default:   // 3, 4: B re-transmits; the source it receives from stays as it is
        items = {std::nullopt, std::nullopt, std::nullopt, std::nullopt, "1", '1'};
        break;
    }
    writeLinkItems(unit, b, items);

    const int count = std::clamp(edit.pointCount, 0, kLinePoints);
    if (kase == 3 || kase == 4) {
        LinkItems back{kase == 3 ? std::string("FF") : hex2(b.station), hex1(b.card), dec2(b.terminal), "10.0",
                       std::nullopt, '0'};
        writeLinkItems(unit, c, back);
    }
    if (!forward) {
        writeRecord(unit, c, edit, count);
        updateEntry(unit, table, c, &b, edit, count);
        if (kase == 5 || kase == 8)
            if (CommLinkTerminal* rec = table.terminal(b.station, b.card, b.terminal)) rec->link = 2;
    }
    // The drawn line is C's; B keeps the line it receives on.
    if (kase == 3 || kase == 4) return 1;
    writeRecord(unit, b, edit, count);
    updateEntry(unit, table, b, forward ? &a : nullptr, edit, count);
    return 1;
}

namespace {

// Clears the link items, connection record and table record of one end.
void clearEnd(UnitContext& unit, CommLinkTable& table, const CommLinkEnd& e, const CommLinkEditState& edit)
{
    std::array<char, kUnitHeadSize> head;
    if (startsWith(kindOf(unit, e), "TQRC$")) {
        const int main = owningTqrc(unit, e.station, e.card);
        if (main >= 0) {
            visit(unit, e.station, main, head);
            const int item = (e.card - main) * 17 - 6 + e.terminal - 10;
            char v[KRAVINA_UNIT_ITEM_SIZE + 1] = {};
            KRAVinA_Data_Item_Get(1, item, v);
            setItem(1, item, std::string(1, v[0] ? v[0] : '0') + "00000");
            writeUnit(unit, head);
        }
    } else {
        visit(unit, e.station, e.card, head);
        const int g = e.terminal;
        if (unit.SelectGroupDefinition(g) == 0) {
            char keep[3][KRAVINA_UNIT_ITEM_SIZE] = {};
            const int kept[3] = {11, 18, 19};
            for (int k = 0; k < 3; ++k) KRAVinA_Data_Item_Get(g, kept[k], keep[k]);
            unit.WriteItemDefaults(g);
            for (int k = 0; k < 3; ++k) KRAVinA_Data_Item_Set(g, kept[k], keep[k]);
            writeUnit(unit, head);
        }
    }
    const char* folder = unit.workFolder.c_str();
    int points = 0, value = 0, colour = 0, kind = 0;
    char text[KRAVINA_CONNECTION_TEXT_SIZE] = {};
    KRAVinA_Dcon_Get(e.station, e.card, e.terminal, &points, &value, &colour, &kind, text, folder);
    KRAVinA_Dcon_Write(e.station, e.card, e.terminal, 0, value, colour, kind, "", folder);
    if (CommLinkTerminal* rec = table.terminal(e.station, e.card, e.terminal)) {
        const std::uint8_t kindByte = rec->kind;
        *rec = CommLinkTerminal{};
        rec->kind = kindByte;
        rec->colour = edit.defaultColour;
        rec->value = edit.defaultValue;
    }
}

}  // namespace

void DeleteCommConnection(UnitContext& unit, CommLinkTable& table, const CommLinkEditState& edit)
{
    const CommLinkEnd& e = edit.b;
    if (!validEnd(e)) return;
    const CommLinkTerminal* rec = table.terminal(e.station, e.card, e.terminal);
    std::optional<CommLinkEnd> source;
    if (rec && rec->link == 1) source = CommLinkEnd{rec->sourceStation, rec->sourceCard, rec->sourceTerminal};
    clearEnd(unit, table, e, edit);
    // The far end is cleared too when it is linked back to this terminal (a
    // re-transmission pair); a plain sender keeps its block as it is.
    if (source && validEnd(*source)) {
        const CommLinkTerminal* far = table.terminal(source->station, source->card, source->terminal);
        if (far && far->link == 1 && far->sourceStation == e.station && far->sourceCard == e.card &&
            far->sourceTerminal == e.terminal)
            clearEnd(unit, table, *source, edit);
    }
}

}  // namespace kravin::model

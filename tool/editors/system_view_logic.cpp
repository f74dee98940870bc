#include "system_view_logic.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kravin::editors {

using namespace syscmd;

int MenuTextId(int command, std::string_view model)
{
    switch (command) {
    case ViewBlockList: return FunctionBlockListText;
    case ViewAnalog: return 6502;
    case ViewSequential: return 6503;
    case ChangeCardCount:
        return modelIs(model, "TQRQ") || modelIs(model, "TQRC") ? 6500 : command;
    default: return command;
    }
}

// ---- Geometry ----

double zoomOfPercent(int percent)
{
    if (percent < 10 || percent > 1000) percent = 100;
    return percent * 0.01;
}

int toZoomed(int value, double zoom) { return static_cast<int>(value * zoom); }

IntPoint fromZoomed(IntPoint point, double zoom)
{
    if (zoom <= 0) return point;
    return {static_cast<int>(point.x / zoom), static_cast<int>(point.y / zoom)};
}

IntPoint scrollSize(double zoom) { return {toZoomed(kContentWidth, zoom), toZoomed(kContentHeight, zoom)}; }

Cell hitTestContent(IntPoint p)
{
    // Cells never overlap, so the first hit is the only one.
    for (int r = 0; r < kRows; ++r) {
        const int top = cellTop(r);
        if (p.y < top || p.y > top + kCellHeight) continue;
        for (int j = 0; j < kColumns; ++j) {
            const int left = cellLeft(j);
            if (p.x >= left && p.x <= left + kCellWidth) return {r, j};
        }
        return {};
    }
    return {};
}

Cell hitTestView(IntPoint view, IntPoint scroll, double zoom)
{
    if (zoom <= 0) return {};
    return hitTestContent(fromZoomed({view.x + scroll.x, view.y + scroll.y}, zoom));
}

IntRect highlightRect(Cell cell, IntPoint scroll, double zoom)
{
    if (!cell.valid()) return {};
    const int left = cellLeft(cell.card) + 1;
    const int top = cellTop(cell.station) + 1;
    return {toZoomed(left, zoom) - scroll.x, toZoomed(top, zoom) - scroll.y, toZoomed(43, zoom), toZoomed(37, zoom)};
}

IntRect cellRect(Cell cell, double zoom)
{
    if (!cell.valid()) return {};
    const int left = toZoomed(cellLeft(cell.card), zoom);
    const int top = toZoomed(cellTop(cell.station), zoom);
    // Texts reach 2 units past the right edge and 8 past the bottom.
    return {left, top, toZoomed(cellLeft(cell.card) + 47, zoom) - left + 1,
            toZoomed(cellTop(cell.station) + 47, zoom) - top + 1};
}

bool isLeftOfCardArea(IntPoint view, int scrollX, int viewportHeight, double zoom)
{
    return view.x + scrollX < kCardAreaLeft * zoom && view.y >= 0 && view.y < viewportHeight;
}

bool isInCardArea(IntPoint view, int scrollX, int viewportHeight, double zoom)
{
    return kCardAreaLeft * zoom < view.x + scrollX && view.y >= 0 && view.y < viewportHeight;
}

std::string stationLabel(int station)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X", station & 0xFF);
    return text;
}

std::string cardLabel(int column)
{
    char text[4];
    std::snprintf(text, sizeof text, "%X", (column - 1) & 0xF);
    return text;
}

// ---- Current unit ----

namespace {

std::string padded(std::string_view name, std::size_t width)
{
    std::string s(name.substr(0, std::min(name.size(), width)));
    if (const auto nul = s.find('\0'); nul != std::string::npos) s.resize(nul);
    s.resize(width, ' ');
    return s;
}

bool inRange(int station, int card)
{
    return station >= 0 && station < kRows && card >= 0 && card < kColumns;
}

int kindAt(const model::SystemConfigTables& t, int station, int card)
{
    return card == 0 ? t.stationKind[station] : t.cardKind[station][card - 1];
}

int versionAt(const model::SystemConfigTables& t, int station, int card)
{
    return card == 0 ? t.stationVersion[station] : t.cardVersion[station][card - 1];
}

const std::string& unitTextAt(const model::SystemConfigTables& t, int station, int card)
{
    return card == 0 ? t.stationUnitText[station] : t.cardUnitText[station][card - 1];
}

const std::string* versionText(const model::CardKindMaster& master, int kind, int version)
{
    if (kind <= 0 || kind >= model::kKindEntries || version < 0 || version >= model::kKindVersions)
        return nullptr;
    return &master.versions[kind][version];
}

}  // namespace

bool unitPlaced(const model::SystemConfigTables& tables, Cell cell)
{
    if (!inRange(cell.station, cell.card)) return false;
    const int kind = kindAt(tables, cell.station, cell.card);
    return kind > 0 && kind < model::kKindEntries;
}

CurrentUnit DescribeUnit(const model::CardKindMasters& masters, const model::SystemConfigTables& tables,
                         int station, int card)
{
    CurrentUnit u;
    u.station = station;
    u.card = card;
    if (!inRange(station, card) || !unitPlaced(tables, {station, card})) return u;
    const model::CardKindMaster& master = card == 0 ? masters.station : masters.card;
    const int kind = kindAt(tables, station, card);
    if (master.name[kind].empty()) return u;
    u.model = padded(master.name[kind], model::kKindWidth);
    u.unitText = unitTextAt(tables, station, card).substr(0, model::kUnitTextWidth);
    if (const std::string* v = versionText(master, kind, versionAt(tables, station, card)))
        u.version = v->substr(0, model::kVersionWidth);
    return u;
}

void TableUnitSelection::select(int station, int card) { unit_ = DescribeUnit(masters_, tables_, station, card); }

// ---- Model names ----

bool modelIs(std::string_view model, std::string_view prefix)
{
    return model.size() >= prefix.size() && model.substr(0, prefix.size()) == prefix;
}

bool isTwoSlotModel(std::string_view model) { return modelIs(model, "QV200W ") || modelIs(model, "QV210W "); }

bool isSecondHalf(std::string_view unitText) { return !unitText.empty() && unitText[0] == 1; }

bool hasBlockList(std::string_view model)
{
    return !(modelIs(model, "TQRQ$") || modelIs(model, "TQRC$") || modelIs(model, "TQRJ ") ||
             modelIs(model, "TQRN ") || modelIs(model, "TQRQ"));
}

// ---- Clicks ----

ClickTracker::Result ClickTracker::press(Cell cell, UnitSelection& sel)
{
    const Cell previous = saved_.cell();
    sel.select(cell.station, cell.card);
    saved_ = sel.current();
    Result r;
    if (cell.valid() && cell == previous) {
        saved_ = CurrentUnit{};
        r.repaintNow = true;
    }
    r.hit = cell.valid();
    return r;
}

bool ClickTracker::select(Cell cell, UnitSelection& sel)
{
    sel.select(cell.station, cell.card);
    saved_ = sel.current();
    return cell.valid();
}

void ClickTracker::restoreIfUnselected(UnitSelection& sel) const
{
    if (!sel.current().cell().valid() && saved_.cell().valid()) sel.restore(saved_);
}

DoubleClickAction doubleClickAction(const CurrentUnit& unit, bool placed)
{
    if (!unit.cell().valid()) return DoubleClickAction::None;
    if (unit.card > 0) {
        if (!placed) return DoubleClickAction::ChangeDevice;
        return hasBlockList(unit.model) ? DoubleClickAction::OpenBlockList : DoubleClickAction::None;
    }
    return placed ? DoubleClickAction::None : DoubleClickAction::ChangeDevice;
}

// ---- Redraw protocol ----

DrawDecision drawDecision(int slotState, bool sameDocument)
{
    if (!sameDocument || slotState < SlotOpen || slotState > SlotRedrawFill) return {};
    return {true, slotState != SlotRedraw};
}

int stateAfterDraw(int slotState)
{
    return slotState == SlotRedraw || slotState == SlotRedrawFill ? SlotOpen : slotState;
}

int stateAfterErase(int slotState) { return slotState == SlotRedraw ? SlotRedrawFill : slotState; }

// ---- Cell texts ----

namespace {

std::string cutAtBlank(std::string_view name, std::size_t width)
{
    std::string s(name.substr(0, std::min(name.size(), width)));
    if (const auto end = s.find_first_of(std::string_view(" \0", 2)); end != std::string::npos) s.resize(end);
    return s;
}

}  // namespace

CellText cellText(const model::CardKindMasters& masters, const model::SystemConfigTables& tables, Cell cell,
                  const DisplayNameTable& displayNames)
{
    CellText t;
    if (!unitPlaced(tables, cell)) return t;
    const int kind = kindAt(tables, cell.station, cell.card);
    const int version = versionAt(tables, cell.station, cell.card);
    if (cell.card == 0) {
        const std::string& name = masters.station.name[kind];
        if (modelIs(name, "RNH6"))
            t.name = "RNH" + tables.stationUnitText[cell.station].substr(0, 2);
        else
            t.name = cutAtBlank(name, 5);
        if (const std::string* v = versionText(masters.station, kind, version)) t.version = v->substr(0, 4);
        return t;
    }
    t.name = cutAtBlank(masters.card.name[kind], 8);
    for (const auto& [from, to] : displayNames)
        if (t.name == from) {
            t.name = to.substr(0, 6);
            break;
        }
    if (const std::string* v = versionText(masters.card, kind, version)) t.version = *v;
    return t;
}

int fitFontHeight(int start, int minimum, int limit, const std::function<int(int)>& width)
{
    minimum = std::max(1, minimum);
    int h = std::max(start, minimum);
    while (h > minimum && width(h) >= limit) --h;
    return h;
}

// ---- Context menu ----

std::vector<int> contextMenuCommands(const MenuContext& c)
{
    std::vector<int> m;
    if (!c.cell.valid()) return m;
    const std::string& model = c.model;
    const bool v8rtu = modelIs(model, "V8RTU");
    if (c.online) {
        if (!c.registryMonitorActive && v8rtu) m.push_back(NetworkHt9);
        return m;
    }
    auto add = [&m](std::initializer_list<int> ids) { m.insert(m.end(), ids); };

    if (c.cell.card == 0) {
        if (!c.placed) {
            add({RestoreCard});
            if (c.clipboard & ClipStation) add({Separator, BulkPasteV8rtu});
            return m;
        }
        if (v8rtu)
            add({SelectVersion, SynchronizeVersion, Separator, Upload, Download, Compare, Separator, NetworkUpload,
                 NetworkDownload, NetworkCompare, DateSetting, Separator, ChangeCardCount, Separator, BulkCopyV8rtu,
                 Separator});
        add({ChangeDevice, RemoveDevice});
        if (!v8rtu) add({Separator});
        if (modelIs(model, "RNH6")) add({CardBackup});
        if (!v8rtu) add({RestoreCard});
        return m;
    }

    if (!c.placed) {
        add({Upload});
        if (c.clipboard & (ClipCard | ClipQv200w | ClipQv210w)) add({Separator, Paste});
        if (!modelIs(model, "TQRQ") && !modelIs(model, "TQRC")) add({Separator, RestoreCard});
        return m;
    }
    if (modelIs(model, "TQRQ$") || modelIs(model, "TQRC$")) return m;

    const bool twoSlot = isTwoSlotModel(model);
    const bool second = isSecondHalf(c.unitText);
    const bool tqrq = modelIs(model, "TQRQ");
    const bool tqrn = modelIs(model, "TQRN ");
    const bool tqrj = modelIs(model, "TQRJ ");

    if (!v8rtu) {
        if (twoSlot) {
            if (!second) add({SelectVersion, SynchronizeVersion, Separator});
        } else {
            add({SelectVersion});
            if (!tqrn && !tqrq) add({SynchronizeVersion});
            add({Separator});
        }
    }
    if (!tqrj) {
        if (!tqrn && !tqrq) {
            add({ViewBlockList, ViewAnalog, ViewSequential, Separator, Upload, Download, Compare, Separator});
            if (v8rtu) add({NetworkUpload, NetworkDownload, NetworkCompare, DateSetting, Separator, ChangeCardCount,
                            Separator});
        }
        if (!v8rtu) add({Move});
        add({Copy});
        if (c.workRecordHasCard) add({Paste});
        if (!v8rtu) add({Separator});
        if (tqrq || modelIs(model, "TQRC")) add({ChangeCardCount});
        if (twoSlot ? !second : !v8rtu) add({ChangeDevice, RemoveDevice});
        if (!tqrn && !tqrq) {
            if (!twoSlot || !second) add({Separator});
            add({PrintAllCards});
        }
        if (modelIs(model, "TJK5")) add({Separator, ChangeId});
    }
    if (!tqrq && !modelIs(model, "TQRC") && !tqrn && !v8rtu && !tqrj) {
        if (!twoSlot) add({Separator, CardBackup, RestoreCard});
    }
    if (v8rtu) add({Separator, NetworkHt9});
    return m;
}

bool editCommandEnabled(int command, const EditContext& c)
{
    if (c.online) return false;
    if (command == EditUndo) return c.canUndo;
    if (command == EditRedo) return c.canRedo;
    if (!c.cell.valid()) return false;
    const bool station = c.cell.card == 0;
    const std::string& model = c.model;
    const bool virtualOrJ = modelIs(model, "TQRQ$") || modelIs(model, "TQRC$") || modelIs(model, "TQRJ ");
    const bool v8rtu = modelIs(model, "V8RTU");
    switch (command) {
    case EditDelete:
        if (station) return c.placed;
        if (!c.placed || virtualOrJ || v8rtu) return false;
        return !isTwoSlotModel(model) || !isSecondHalf(c.unitText);
    case EditCopy:
        if (station) return c.placed && v8rtu;
        return c.placed && !virtualOrJ && !model.empty();
    case EditCut:
        return !station && c.placed && !virtualOrJ && !v8rtu && !model.empty();
    case EditPaste:
        return station ? (c.clipboard & ClipStation) != 0 : (c.clipboard & (ClipCard | ClipQv200w | ClipQv210w)) != 0;
    default: return false;
    }
}

}  // namespace kravin::editors

#include "dentan_editor.h"

#include "KRAVinA.h"
#include "validation.h"

#include <cstring>

#include <algorithm>

namespace kravin::wiring::comm {

namespace {

std::string trim(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

bool receives(int kind) { return kind == 1 || kind == 3; }

model::CommLinkEnd endOf(const TerminalRef& t) { return {t.unit.station, t.unit.card, t.index + 11}; }

// The view's comments and figures undo in the station store, with its boxes and connections.
class StationLayerUndo final : public model::LayerUndo {
public:
    explicit StationLayerUndo(model::CStationUndo& undo) : undo_(undo) {}
    void RecordComment(int kind, int slot, const model::CommentRecord& record) override
    {
        undo_.RecordComment(kind, slot, record);
    }
    void RecordFigure(int kind, int slot, const model::FigureRecord& record) override
    {
        undo_.RecordFigure(kind, slot, record);
    }
    void BeginStep() override { undo_.BeginStep(); }
    void EndStep() override { undo_.EndStep(); }

private:
    model::CStationUndo& undo_;
};

}  // namespace

// The block list's editor sets the dropped block; the view's table takes the terminal kind.
class DenTanEditor::BlockHost final : public editors::blocks::BlockListHost {
public:
    explicit BlockHost(DenTanEditor& e) : e_(e) {}
    bool online() const override { return e_.host_.online(); }
    void setModified() override { e_.host_.setModified(); }
    // The choice is only noted: the terminal's block is set afterwards, checks first.
    std::optional<std::string> chooseFunction(const editors::FunctionChoices& choices) override
    {
        chosen = choices.lines.empty() ? std::nullopt : e_.host_.chooseFunction(choices);
        return std::nullopt;
    }
    std::optional<std::string> chosen;
    bool runBlockSetting() override { return e_.host_.runBlockSetting(); }
    std::optional<editors::blocks::BlockClipboardRecord> clipboard() const override { return std::nullopt; }
    void setClipboard(const editors::blocks::BlockClipboardRecord&) override {}
    model::CommLinkTable* commTable() override { return e_.table_.get(); }

private:
    DenTanEditor& e_;
};

// Box moves go through the configuration view's layout editor.
class DenTanEditor::LayoutHostImpl final : public model::LayoutHost {
public:
    explicit LayoutHostImpl(DenTanEditor& e) : e_(e) {}
    std::string workFolder() const override { return e_.unit_.workFolder; }
    model::SystemConfigTables& tables() override { return e_.unit_.tables; }
    model::CStationUndo& stationUndo() override { return e_.undo_; }
    bool unitUsed(int station, int card) const override
    {
        const model::CommLinkSlot* s = e_.table_->slot(station, card);
        return s && s->used;
    }
    int terminalKind(int station, int card, int t) const override
    {
        const model::CommLinkTerminal* r = e_.table_->terminal(station, card, t + 11);
        return r ? r->kind : 0;
    }
    // The table is rebuilt after the move.
    void moveUnitLinks(int, int, int, int) override {}
    void selectUnit(int station, int card) override { e_.select(station, card + 1); }
    void makeConnection(const model::ConnectEnds&) override {}
    void setModified() override { e_.host_.setModified(); }

private:
    DenTanEditor& e_;
};

DenTanEditor::DenTanEditor(model::UnitContext& unit, model::CStationUndo& undo, model::CBlockUndo& blockUndo,
                           model::Prompt& prompt, editors::SystemCommands& system, DenTanHost& host)
    : unit_(unit), undo_(undo), prompt_(prompt), system_(system), host_(host),
      table_(std::make_unique<model::CommLinkTable>()), blockHost_(std::make_unique<BlockHost>(*this)),
      blocks_(std::make_unique<editors::blocks::BlockListEditor>(unit, blockUndo, prompt, *blockHost_))
{
    blocks_->terminalFlag = true;
    layoutHost_ = std::make_unique<LayoutHostImpl>(*this);
    layout_ = std::make_unique<model::CSysLayoutEditor>(*layoutHost_);
    layerUndo_ = std::make_unique<StationLayerUndo>(undo_);
    openLayers();
}

DenTanEditor::~DenTanEditor() = default;

void DenTanEditor::select(int station, int card)
{
    unit_.g_curStation = station;
    unit_.g_curCard = card;
    unit_.SelectCurrentUnit();
}

void DenTanEditor::rebuild()
{
    const int station = unit_.g_curStation, card = unit_.g_curCard;
    model::BuildCommConnectionTable(unit_, *table_);
    unit_.g_curStation = station;
    unit_.g_curCard = card;
    if (station >= 0 && card >= 0) unit_.SelectCurrentUnit();
    host_.tableRebuilt(*table_);
}

namespace {

// What a box or terminal of the table holds: its unit's model, and the terminal's block kind
// and whether it is connected; empty when the unit is gone or the terminal holds no block.
std::string holding(const model::CommLinkTable& table, const UnitRef& u, int index, bool linked)
{
    const model::CommLinkSlot* slot = u.valid() ? table.slot(u.station, u.card) : nullptr;
    if (!slot || !slot->used) return {};
    std::string s(slot->kind.data(), slot->kind.size());
    if (index < 0) return s;
    const model::CommLinkTerminal* r = table.terminal(u.station, u.card, index + 11);
    if (!r || r->kind == 0 || (linked && r->link == 0)) return {};
    return s + static_cast<char>('0' + r->kind);
}

}  // namespace

void DenTanEditor::followProject()
{
    const auto what = [this](const TerminalRef& t, bool linked) { return holding(*table_, t.unit, t.index, linked); };
    std::vector<std::string> pending, jumps, boxes;
    for (const PendingJump& j : pending_) pending.push_back(what(j.terminal, false));
    for (const PendingJump& j : selectedJumps_) jumps.push_back(what(j.terminal, false));
    for (const UnitRef& u : boxes_) boxes.push_back(holding(*table_, u, -1, false));
    const std::string line = what(selected_, true), start = what(start_, false);
    rebuild();
    // A mark stays where its terminal or box holds what it held (or came with the change, as an undo brings it).
    const auto still = [](const std::string& before, const std::string& now) {
        return !now.empty() && (before.empty() || before == now);
    };
    const auto keep = [&](std::vector<PendingJump>& list, const std::vector<std::string>& before) {
        std::vector<PendingJump> kept;
        for (std::size_t i = 0; i < list.size(); ++i)
            if (still(before[i], what(list[i].terminal, false))) kept.push_back(list[i]);
        list = std::move(kept);
    };
    keep(pending_, pending);
    keep(selectedJumps_, jumps);
    std::vector<UnitRef> keptBoxes;
    for (std::size_t i = 0; i < boxes_.size(); ++i)
        if (still(boxes[i], holding(*table_, boxes_[i], -1, false))) keptBoxes.push_back(boxes_[i]);
    boxes_ = std::move(keptBoxes);
    if (!still(line, what(selected_, true))) selected_ = {};
    if (linkMode_ != 0 && !still(start, what(start_, false))) cancelLine();
}

int DenTanEditor::kindAt(const TerminalRef& t) const
{
    if (!t.valid()) return 0;
    const model::CommLinkTerminal* r = table_->terminal(t.unit.station, t.unit.card, t.index + 11);
    return r ? r->kind : 0;
}

bool DenTanEditor::connect(model::CommLinkEditState& edit)
{
    edit.value = format_;
    edit.colour = colour_;
    edit.defaultValue = format_;
    edit.defaultColour = colour_;
    // The receiving end's station is recorded whole: its items and connection file
    // change; so is the station a received value is re-transmitted to.
    std::vector<int> stations{edit.b.station};
    if (edit.pattern >= 8 && edit.c.station != edit.b.station) stations.push_back(edit.c.station);
    int made = 0;
    {
        model::UndoStep<model::CStationUndo> step(undo_);
        for (int s : stations) {
            select(s, 0);
            undo_.Record(model::kStationWhole + 1);
        }
        made = model::MakeCommConnection(unit_, *table_, edit, prompt_);
        if (made)
            for (int s : stations) {
                select(s, 0);
                undo_.Record(model::kStationWhole);
            }
    }
    select(edit.b.station, 0);
    if (made) host_.setModified();
    // A refused connection wrote nothing; its first half never reaches the history.
    rebuild();
    return made != 0;
}

bool DenTanEditor::clickTerminal(const TerminalRef& t)
{
    if (host_.online() || !t.valid()) return false;
    const int kind = kindAt(t);
    if (kind == 0) return false;
    if (linkMode_ == 5) {
        linkMode_ = 0;
        if (!receives(kind)) return false;
        model::CommLinkEditState edit;
        edit.pattern = kind == 3 ? 6 : 7;
        edit.b = endOf(t);
        return connect(edit);
    }
    if (linkMode_ == 0) {
        static const int kModeOfKind[] = {0, 3, 4, 1, 2};
        linkMode_ = kModeOfKind[kind];
        start_ = t;
        points_.clear();
        return false;
    }
    // The far end must complete the pair: CAI-CAO or CDI-CDO.
    static const int kFarKind[] = {0, 4, 3, 2, 1};
    if (t == start_) return false;
    // A receiving terminal to another of its kind: the start re-transmits what it received.
    if ((linkMode_ == 1 || linkMode_ == 3) && kind == kindAt(start_)) return retransmit(t);
    if (kind != kFarKind[linkMode_]) {
        prompt_.message(denmsg::InputToInput, {}, model::Buttons::Ok, model::Icon::Warning);
        cancelLine();
        return false;
    }
    model::CommLinkEditState edit;
    edit.pattern = linkMode_;
    const bool startReceives = linkMode_ == 1 || linkMode_ == 3;
    edit.b = endOf(startReceives ? start_ : t);
    edit.a = endOf(startReceives ? t : start_);
    // The points run from the receiving end to the sending end.
    std::vector<std::pair<int, int>> pts = points_;
    if (!startReceives) std::reverse(pts.begin(), pts.end());
    edit.pointCount = static_cast<int>(std::min<std::size_t>(pts.size(), kMaxBreakPoints));
    for (int i = 0; i < edit.pointCount; ++i) {
        edit.pointX[static_cast<std::size_t>(i)] = pts[static_cast<std::size_t>(i)].first;
        edit.pointY[static_cast<std::size_t>(i)] = pts[static_cast<std::size_t>(i)].second;
    }
    linkMode_ = 0;
    points_.clear();
    start_ = {};
    return connect(edit);
}

bool DenTanEditor::retransmit(const TerminalRef& t)
{
    model::CommLinkEditState edit;
    edit.pattern = linkMode_ == 1 ? 8 : 9;
    edit.b = endOf(start_);
    edit.c = endOf(t);
    // The points run from the new receiving end back to the re-transmitting one.
    std::vector<std::pair<int, int>> pts(points_.rbegin(), points_.rend());
    edit.pointCount = static_cast<int>(std::min<std::size_t>(pts.size(), kMaxBreakPoints));
    for (int i = 0; i < edit.pointCount; ++i) {
        edit.pointX[static_cast<std::size_t>(i)] = pts[static_cast<std::size_t>(i)].first;
        edit.pointY[static_cast<std::size_t>(i)] = pts[static_cast<std::size_t>(i)].second;
    }
    cancelLine();
    return connect(edit);
}

bool DenTanEditor::addBreakPoint(int x, int y)
{
    if (linkMode_ < 1 || linkMode_ > 4) return false;
    if (points_.size() >= static_cast<std::size_t>(kMaxBreakPoints)) return false;
    if (!points_.empty() && points_.back() == std::make_pair(x, y)) return false;
    points_.emplace_back(x, y);
    return true;
}

void DenTanEditor::stepBack()
{
    if (linkMode_ == 0) return;
    if (!points_.empty()) points_.pop_back();
    else cancelLine();
}

void DenTanEditor::cancelLine()
{
    linkMode_ = 0;
    points_.clear();
    start_ = {};
}

void DenTanEditor::pcSetting(const TerminalRef& t)
{
    if (host_.online() || kindAt(t) == 0) return;
    if (selected_.valid()) deleteSelectedLine();
    if (linkMode_ == 1 || linkMode_ == 3) {
        model::CommLinkEditState edit;
        edit.pattern = linkMode_ == 1 ? 6 : 7;
        edit.b = endOf(start_);
        cancelLine();
        connect(edit);
        return;
    }
    if (linkMode_ == 5) {
        linkMode_ = 0;
        return;
    }
    cancelLine();
    linkMode_ = 5;
}

bool DenTanEditor::deleteSelectedLine()
{
    if (host_.online() || !selected_.valid()) return false;
    model::CommLinkEditState edit;
    edit.b = endOf(selected_);
    edit.defaultValue = format_;
    edit.defaultColour = colour_;
    select(selected_.unit.station, 0);
    undo_.Record(model::kStationWhole + 1);
    model::DeleteCommConnection(unit_, *table_, edit);
    select(selected_.unit.station, 0);
    undo_.Record(model::kStationWhole);
    host_.setModified();
    selected_ = {};
    rebuild();
    return true;
}

bool DenTanEditor::deleteTerminal(const TerminalRef& t)
{
    if (host_.online() || kindAt(t) == 0) return false;
    const int station = t.unit.station, card = t.unit.card + 1, group = t.index + 11;
    const auto setItem = [](int block, int item, const char* text) {
        char value[model::kItemBytes + 4] = {};
        std::strncpy(value, text, model::kItemBytes);
        KRAVinA_Data_Item_Set(block, item, value);
    };
    select(station, 0);
    undo_.Record(model::kStationWhole + 1);
    bool ok = true;
    select(station, card);
    if (unit_.modelStartsWith("TQRC$")) {
        // The parent "TQRC " card before it holds this terminal's settings.
        int parent = -1;
        for (int c = card - 1; c >= 1 && parent < 0; --c)
            if (unit_.unitKindName(station, c).rfind("TQRC ", 0) == 0) parent = c;
        model::UnitHead head;
        if (parent >= 0 && model::loadUnit(station, parent, unit_.workFolder, head)) {
            const int offset = 17 * (card - parent);
            if (offset - 6 >= 0 && offset - 6 < model::kItems) setItem(1, offset - 6, "00");
            if (group + offset - 16 >= 0 && group + offset - 16 < model::kItems) setItem(1, group + offset - 16, "900000");
            ok = model::writeUnit(station, parent, head, unit_.workFolder);
        }
        // Back to the card it started from, whatever happened.
        select(station, card);
    }
    unit_.LoadUnitBlocks(1);
    unit_.g_unitBlocks[static_cast<std::size_t>(group)] = {};
    const char zeros[24] = {};
    for (int i = 0; i < model::kItems; ++i) KRAVinA_Data_Item_Set(group, i, zeros);
    for (int j = 0; j < model::kTerminals; ++j) KRAVinA_Data_Term_Set(group, j, zeros);
    ok = editors::blocks::WriteCurrentUnitHead(unit_) && ok;
    model::CommLinkEditState edit;
    edit.b = endOf(t);
    edit.defaultValue = format_;
    edit.defaultColour = colour_;
    model::DeleteCommConnection(unit_, *table_, edit);
    std::erase_if(pending_, [&](const PendingJump& j) { return j.terminal == t; });
    std::erase_if(selectedJumps_, [&](const PendingJump& j) { return j.terminal == t; });
    if (selected_ == t) selected_ = {};
    select(station, 0);
    undo_.Record(model::kStationWhole);
    host_.setModified();
    select(station, card);
    rebuild();
    if (!ok) prompt_.message(7018, {}, model::Buttons::Ok, model::Icon::Error);
    return ok;
}

bool DenTanEditor::moveBoxes(const std::vector<UnitRef>& units, int dx, int dy)
{
    if (host_.online() || (dx == 0 && dy == 0)) return false;
    const DenTanSheet sheet;
    layout_->ClearRecords();
    for (const UnitRef& u : units) {
        const model::CommLinkSlot* slot = u.valid() ? table_->slot(u.station, u.card) : nullptr;
        if (!slot || !slot->used) continue;
        // Every box stays on the sheet.
        dx = std::clamp(dx, -slot->x, sheet.columns() - kBoxWidth - slot->x);
        dy = std::clamp(dy, 4 - slot->y, sheet.rows() - kBoxBottom - 3 - slot->y);
        model::CardRecord r;
        r.station = u.station;
        r.card = u.card;
        r.x = slot->x;
        r.y = slot->y;
        layout_->SelectCard(r, true);
    }
    if (!layout_->HasRecords() || (dx == 0 && dy == 0)) return false;
    const int station = unit_.g_curStation, card = unit_.g_curCard;
    layout_->BeginDrag(0, 0);
    layout_->SetDragDelta(dx, dy);
    const bool ok = layout_->ApplyMove() == 1;
    layout_->EndDrag();
    layout_->ClearRecords();
    unit_.g_curStation = station;
    unit_.g_curCard = card;
    host_.setModified();
    rebuild();
    return ok;
}

bool DenTanEditor::setLineFormat(int format, std::uint32_t colour)
{
    format_ = format;
    colour_ = colour;
    if (host_.online() || !selected_.valid()) return true;
    const int station = selected_.unit.station, card = selected_.unit.card + 1, number = selected_.index + 11;
    select(station, 0);
    undo_.Record(model::kStationWhole + 1);
    model::DconImage r = model::readDcon(station, card, number, unit_.workFolder);
    r.value = format;
    r.colour = static_cast<std::int32_t>(colour);
    const bool ok = model::writeDcon(station, card, number, r, unit_.workFolder);
    select(station, 0);
    if (ok) {
        undo_.Record(model::kStationWhole);
        host_.setModified();
    }
    rebuild();
    return ok;
}

int DenTanEditor::addJump(const std::string& raw, const TerminalRef& t)
{
    if (host_.online() || !t.valid()) return 0;
    const std::string name = trim(raw).substr(0, 7);
    if (name.empty()) return 0;
    for (const auto& station : table_->slots)
        for (const auto& slot : station)
            for (const auto& r : slot.terminals)
                if (r.text[0] != 0 && std::string(r.text.data(), ::strnlen(r.text.data(), r.text.size())) == name) {
                    prompt_.message(denmsg::NameExists, {}, model::Buttons::Ok, model::Icon::Warning);
                    return 0;
                }
    const auto it = std::find_if(pending_.begin(), pending_.end(), [&](const PendingJump& j) { return j.name == name; });
    if (it == pending_.end()) {
        pending_.push_back({name, t, format_, colour_});
        return 2;
    }
    const int first = kindAt(it->terminal), second = kindAt(t);
    static const int kFarKind[] = {0, 2, 1, 4, 3};
    linkMode_ = 0;
    if (first == 0 || second != kFarKind[first]) {
        prompt_.message(denmsg::InputToInput, {}, model::Buttons::Ok, model::Icon::Warning);
        return 0;
    }
    model::CommLinkEditState edit;
    const bool firstReceives = receives(first);
    edit.b = endOf(firstReceives ? it->terminal : t);
    edit.a = endOf(firstReceives ? t : it->terminal);
    static const int kMode[] = {0, 3, 4, 1, 2};
    edit.pattern = kMode[first];
    edit.text = name;
    const PendingJump done = *it;
    if (!connect(edit)) return 0;
    pending_.erase(std::find_if(pending_.begin(), pending_.end(), [&](const PendingJump& j) { return j.name == done.name; }));
    std::erase_if(selectedJumps_, [&](const PendingJump& j) { return j.name == done.name; });
    return 1;
}

std::string DenTanEditor::openJumpNames() const
{
    std::string s;
    for (const PendingJump& j : pending_) s += j.name + ", ";
    return s;
}

TerminalRef DenTanEditor::canDropBlockAt(int px, int py, int pitch, int sx, int sy, const std::string& block) const
{
    if (host_.online() || CommBlockKind(block) == 0) return {};
    return BlockDropTarget(*table_, px, py, pitch, sx, sy, block);
}

bool DenTanEditor::dropCommBlock(int px, int py, int pitch, int sx, int sy, const std::string& block)
{
    const TerminalRef t = canDropBlockAt(px, py, pitch, sx, sy, block);
    if (!t.valid()) return false;
    return applyFunction(t, CommBlockFunction(block));
}

bool DenTanEditor::chooseBlock(const TerminalRef& t)
{
    if (host_.online() || !t.valid() || kindAt(t) != 0) return false;
    select(t.unit.station, t.unit.card + 1);
    // An RNH6 box takes no block, as a drop on it.
    if (unit_.modelStartsWith("RNH6")) return false;
    unit_.LoadUnitBlocks(1);
    blocks_->select(t.index + 11);
    blockHost_->chosen.reset();
    blocks_->changeFunction();
    const std::optional<std::string> function = std::exchange(blockHost_->chosen, std::nullopt);
    if (!function) return false;
    return applyFunction(t, *function);
}

bool DenTanEditor::applyFunction(const TerminalRef& t, const std::string& function)
{
    const int station = t.unit.station, card = t.unit.card + 1, group = t.index + 11;
    select(station, card);
    unit_.LoadUnitBlocks(1);
    // The checks come before the undo step.
    if (function.size() < 6 || model::CheckContactCode(unit_, group, function) != 0 ||
        model::CheckTqrqTerminalKind(unit_, *table_, group, function.substr(0, 3)) != 0 ||
        model::CheckTqrcTerminalKind(unit_, *table_, group, function.substr(0, 3)) != 0) {
        prompt_.message(denmsg::CannotApply, {}, model::Buttons::Ok, model::Icon::Warning);
        return false;
    }
    select(station, 0);
    undo_.Record(model::kStationWhole + 1);
    select(station, card);
    unit_.LoadUnitBlocks(1);
    blocks_->select(group);
    const auto result = blocks_->changeFunction(function);
    select(station, 0);
    if (result == editors::blocks::EditResult::Done) {
        undo_.Record(model::kStationWhole);
        host_.setModified();
    }
    select(station, card);
    rebuild();
    return result == editors::blocks::EditResult::Done;
}

bool DenTanEditor::dropDevice(int column, int row, const std::string& name, const std::string& version)
{
    if (host_.online()) return false;
    const auto place = host_.deviceLayout(name, version);
    if (!place) return false;
    int x = 0, y = 0;
    DeviceDropAnchor(column, row, &x, &y);
    select(place->station, place->card);
    system_.setDropPosition(std::make_pair(x, y));
    const auto result = system_.PlaceDevice(false, name, place->version, false);
    system_.setDropPosition(std::nullopt);
    selected_ = {};
    rebuild();
    return result == editors::SystemCommands::Result::Done;
}

bool DenTanEditor::blockSetting(const TerminalRef& t)
{
    if (host_.online() || kindAt(t) == 0) return false;
    select(t.unit.station, t.unit.card + 1);
    if (unit_.modelStartsWith("TQRN ") || unit_.modelStartsWith("TQRQ") || unit_.modelStartsWith("TQRC$"))
        return false;
    unit_.LoadUnitBlocks(1);
    blocks_->select(t.index + 11);
    const bool done = blocks_->blockSetting() == editors::blocks::EditResult::Done;
    rebuild();
    return done;
}

bool DenTanEditor::removeDevice(const UnitRef& u, bool ask)
{
    if (host_.online() || !u.valid()) return false;
    select(u.station, u.card + 1);
    const auto result = system_.RemoveDevice(ask);
    if (result != editors::SystemCommands::Result::Done) return false;
    std::erase_if(pending_, [&](const PendingJump& j) { return j.terminal.unit == u; });
    std::erase_if(selectedJumps_, [&](const PendingJump& j) { return j.terminal.unit == u; });
    std::erase(boxes_, u);
    if (selected_.unit == u) selected_ = {};
    rebuild();
    return true;
}

bool DenTanEditor::undo()
{
    if (host_.online()) return false;
    const bool done = system_.Undo() == editors::SystemCommands::Result::Done;
    clearSelection();
    cancelLine();
    rebuild();
    return done;
}

bool DenTanEditor::redo()
{
    if (host_.online()) return false;
    const bool done = system_.Redo() == editors::SystemCommands::Result::Done;
    clearSelection();
    cancelLine();
    rebuild();
    return done;
}

}  // namespace kravin::wiring::comm

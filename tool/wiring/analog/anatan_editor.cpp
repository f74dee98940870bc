#include "anatan_editor.h"

#include "KRAVinA.h"
#include "block_state.h"
#include "tan_geometry.h"
#include "text_codec.h"
#include "validation.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kravin::wiring {

namespace {

bool undeletable(int block) { return block == 0 || block == 1 || block == 80; }

const std::array<char, model::kItemBytes> kEmptyItem{};
const std::array<char, model::kTermBytes> kEmptyTerm{};

}  // namespace

std::string BlockCodeText(const model::BlockCode& code)
{
    return std::string(code.data() + 2, 3) + "(" + std::string(code.data(), 2) + ")";
}

int ScrollPositionAfter(ScrollCode code, bool vertical, int position, int thumb, int pitch, int page)
{
    pitch = std::max(1, pitch);
    switch (code) {
    case ScrollCode::LineUp: return position - pitch;
    case ScrollCode::LineDown: return position + pitch;
    case ScrollCode::PageUp: return position - page;
    case ScrollCode::PageDown: return position + page;
    case ScrollCode::ThumbPosition:
    case ScrollCode::ThumbTrack: return pitch * ((thumb + pitch / 2) / pitch);
    case ScrollCode::Top: return vertical ? position - pitch : position;
    case ScrollCode::Bottom: return vertical ? position + pitch : position;
    case ScrollCode::EndScroll: break;
    }
    return position;
}

AnaTanEditor::AnaTanEditor(model::UnitContext& unit, AnaTanHost& host) : unit_(unit), host_(host) {}

AnaTanEditor::~AnaTanEditor() = default;

void AnaTanEditor::open()
{
    if (model::CBlockUndo* u = host_.undo()) u->Clear(false);
    model::LayerEnv env;
    env.setModified = [this] { host_.setModified(); };
    env.message = [this](int id) { host_.prompt().message(id, {}, model::Buttons::Ok, model::Icon::Warning); };
    env.undo = host_.layerUndo();
    const int station = unit_.g_curStation, card = unit_.g_curCard;
    comments_ = std::make_unique<model::CCommentMap>(env, unit_.workFolder, model::commentFileName(station, card));
    figures_ = std::make_unique<model::CFigureMap>(env, unit_.workFolder, model::figureFileName(station, card));
    openJumps_.clear();
    selectedJumps_.clear();
    line_ = LineWork{};
    moves_.Clear();
    reload();
}

void AnaTanEditor::loadImage()
{
    std::array<char, model::kUnitHeadSize> head;
    unit_.ReadUnitImage(head);
}

void AnaTanEditor::reload()
{
    loadImage();
    ReadAnalogDiagram(unit_, diagram_);
}

void AnaTanEditor::setView(int pitch, int scrollX, int scrollY)
{
    pitch_ = std::max(1, pitch);
    scrollX_ = GridScroll(std::max(0, scrollX), pitch_);
    scrollY_ = GridScroll(std::max(0, scrollY), pitch_);
}

bool AnaTanEditor::IsPointInDiagram(int x, int y) const
{
    return 0 < x && x < diagramWidth() - 1 && 0 < y && y < diagramHeight() - 1;
}

GridPoint AnaTanEditor::cellOf(int x, int y) const
{
    return {TanPixelToGrid(x, pitch_, scrollX_), TanPixelToGrid(y, pitch_, scrollY_)};
}

bool AnaTanEditor::refuseOnline()
{
    if (!host_.online()) return false;
    host_.beep();
    return true;
}

bool AnaTanEditor::writeHead()
{
    std::array<char, model::kUnitHeadSize> head{};
    for (int b = 0; b < model::kGroups; ++b)
        std::memcpy(head.data() + model::kCodeBytes * b, unit_.g_unitBlocks[static_cast<std::size_t>(b)].data(),
                    model::kCodeBytes);
    return KRAVinA_Data_Write(unit_.g_curStation, unit_.libraryCard(), head.data(), unit_.workFolder.c_str()) == 0;
}

void AnaTanEditor::afterBlockChange()
{
    unit_.LoadUnitBlocks(1);
    reload();
}

model::LineEnd AnaTanEditor::selectedLineEnd(int) const { return {line_.destBlock, line_.destItem}; }

void AnaTanEditor::forgetBlockHeight(int) { reload(); }

void AnaTanEditor::restoreLink(const model::LinkRecord& saved)
{
    const CJumpRecord r = CJumpRecord::fromLink(saved);
    RemoveEqual(openJumps_, r);
    RemoveEqual(selectedJumps_, r);
    if (saved.inUse == 1) openJumps_.push_back(r);
}

void AnaTanEditor::recordLine(int kind)
{
    if (model::CBlockUndo* u = host_.undo()) u->Record(kind);
}

void AnaTanEditor::deselectLine()
{
    if (!line_.selected) return;
    line_.selected = false;
    line_.bendDrag = false;
    if (lineDirty_) recordLine(model::kLineFirstEnd);
    lineDirty_ = false;
}

void AnaTanEditor::clearSelections()
{
    deselectLine();
    moves_.Clear();
    if (comments_) comments_->RemoveAll();
    if (figures_) figures_->RemoveAll();
    selectedJumps_.clear();
}

// ---- lines ----

bool AnaTanEditor::saveLine(const LineWork& l, int direction)
{
    model::AnalogLineEditState s;
    s.sourceGroup = l.sourceBlock;
    s.sourceItem = l.sourceItem;
    s.destGroup = l.destBlock;
    s.destItem = l.destItem;
    s.pointCount = static_cast<int>(std::min<std::size_t>(l.points.size(), model::kLinePoints));
    for (int i = 0; i < s.pointCount; ++i) {
        s.secondList[static_cast<std::size_t>(i)] = l.points[static_cast<std::size_t>(i)].x;
        s.firstList[static_cast<std::size_t>(i)] = l.points[static_cast<std::size_t>(i)].y;
    }
    s.direction = direction;
    s.value = l.format;
    s.colour = static_cast<std::uint32_t>(l.colour);
    s.text = l.label;
    loadImage();
    return model::SaveAconLine(unit_, s) == 0;
}

bool AnaTanEditor::connectTerminal(const MoveRecord& hit)
{
    if (hit.side == line_.mode) return false;
    const DiagramBlock& b = diagram_.blocks[static_cast<std::size_t>(hit.block)];
    const bool input = hit.side == 1;
    const GridPointF pin{static_cast<double>(b.x + 3 * hit.terminal + 2),
                         static_cast<double>(input ? b.y - 4 : b.y + 8)};
    const auto setEnd = [&] {
        if (input) {
            line_.destBlock = hit.block;
            line_.destItem = b.inputs[static_cast<std::size_t>(hit.terminal)].item;
            line_.destTerminal = hit.terminal;
        } else {
            line_.sourceBlock = hit.block;
            line_.sourceItem = b.outputs[static_cast<std::size_t>(hit.terminal)].terminal;
            line_.sourceOutput = hit.terminal;
        }
    };
    if (line_.mode == 0) {
        deselectLine();
        line_ = LineWork{};
        setEnd();
        line_.start = line_.rubber = pin;
        line_.mode = hit.side;
        line_.format = host_.lineKind();
        line_.colour = host_.lineColour();
        return true;
    }
    setEnd();
    const int direction = line_.mode == 1 ? 1 : 0;
    recordLine(model::kLineFirstEnd + 1);
    saveLine(line_, direction);
    recordLine(model::kLineFirstEnd);
    host_.setModified();
    line_.mode = 0;
    line_.points.clear();
    afterBlockChange();
    return false;
}

GridPointF AnaTanEditor::previousPoint() const
{
    return line_.points.empty() ? line_.start : line_.points.back();
}

std::vector<GridPointF> AnaTanEditor::selectedLinePath() const
{
    std::vector<GridPointF> path{line_.start};
    path.insert(path.end(), line_.points.begin(), line_.points.end());
    path.push_back(line_.rubber);
    return path;
}

bool AnaTanEditor::SelectConnectionLine(int block, int item)
{
    if (line_.selected) {
        deselectLine();
        return true;
    }
    const DiagramInput* in = diagram_.input(block, item);
    if (!in || !in->connected) return false;
    const DiagramBlock& b = diagram_.blocks[static_cast<std::size_t>(block)];
    const DiagramBlock& s = diagram_.blocks[static_cast<std::size_t>(in->sourceBlock)];
    const int k = static_cast<int>(in - b.inputs.data());
    line_ = LineWork{};
    line_.selected = true;
    line_.destBlock = block;
    line_.destItem = item;
    line_.destTerminal = k;
    line_.sourceBlock = in->sourceBlock;
    line_.sourceItem = in->sourceItem;
    line_.sourceOutput = in->sourceOutput;
    line_.format = in->line.value;
    line_.colour = in->line.colour;
    line_.label = std::string(in->line.text.data(), ::strnlen(in->line.text.data(), in->line.text.size()));
    for (int p = 0; p < in->line.kind; ++p)
        line_.points.push_back({static_cast<double>(in->line.px[static_cast<std::size_t>(p)]),
                                static_cast<double>(in->line.py[static_cast<std::size_t>(p)])});
    line_.start = {static_cast<double>(AnalogDiagram::inputPinColumn(b, k)), static_cast<double>(b.y - 5)};
    line_.rubber = {static_cast<double>(AnalogDiagram::outputPinColumn(s, in->sourceOutput)),
                    static_cast<double>(s.y + 8)};
    lineDirty_ = false;
    recordLine(model::kLineFirstEnd + 1);
    return true;
}

bool AnaTanEditor::FindConnectionLineAt(int x, int y, int* block, int* item, int* terminal) const
{
    return FindLineAt(diagram_, x, y, pitch_, scrollX_, scrollY_, block, item, terminal);
}

bool AnaTanEditor::FindBendPointAt(GridPoint cell, double tolerance)
{
    if (!line_.selected || line_.bendDrag) return false;
    bool taken = false;
    double best = 0;
    for (std::size_t i = 0; i < line_.points.size(); ++i) {
        const double d = TanPointDistanceF(cell.x, cell.y, line_.points[i].x, line_.points[i].y);
        if ((tolerance < 0 || d <= tolerance) && (!taken || d <= best)) {
            taken = true;
            best = d;
            line_.found = static_cast<int>(i) + 1;
        }
    }
    return taken;
}

bool AnaTanEditor::FindNearestSegment(GridPoint cell)
{
    if (!line_.selected || line_.bendDrag) return false;
    const std::vector<GridPointF> path = selectedLinePath();
    double best = 0;
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
        const double d =
            TanSegmentDistanceF(cell.x, cell.y, path[i].x, path[i].y, path[i + 1].x, path[i + 1].y).distance;
        if (i == 0 || d <= best) {
            best = d;
            line_.found = static_cast<int>(i);
        }
    }
    return true;
}

bool AnaTanEditor::AddBreakpoint(GridPoint cell)
{
    if (refuseOnline() || !FindNearestSegment(cell)) return false;
    if (line_.points.size() >= static_cast<std::size_t>(model::kLinePoints)) return false;
    const std::vector<GridPointF> path = selectedLinePath();
    const GridPointF a = path[static_cast<std::size_t>(line_.found)];
    const GridPointF b = path[static_cast<std::size_t>(line_.found) + 1];
    if (std::fabs(b.x - a.x) < 2 && std::fabs(b.y - a.y) < 2) return false;
    const GridPointF mid{std::trunc((a.x + b.x) / 2), std::trunc((a.y + b.y) / 2)};
    line_.points.insert(line_.points.begin() + line_.found, mid);
    saveLine(line_, 1);
    lineDirty_ = true;
    host_.setModified();
    reload();
    return true;
}

bool AnaTanEditor::DeleteBreakpoint(GridPoint cell)
{
    if (refuseOnline() || line_.points.empty() || !FindBendPointAt(cell, -1)) return false;
    line_.points.erase(line_.points.begin() + (line_.found - 1));
    saveLine(line_, 1);
    lineDirty_ = true;
    host_.setModified();
    reload();
    return true;
}

bool AnaTanEditor::DeleteConnectionLine()
{
    if (refuseOnline() || !line_.selected) return false;
    loadImage();
    recordLine(model::kLineSecondEnd + 1);
    model::AconImage a = model::readAcon(unit_.g_curStation, unit_.g_curCard, line_.destBlock, line_.destItem,
                                         unit_.workFolder);
    a.kind = 0;
    a.text.fill(0);
    model::putAcon(unit_.g_curStation, unit_.g_curCard, line_.destBlock, line_.destItem, a, unit_.workFolder);
    KRAVinA_Acon_Write(unit_.g_curStation, unit_.libraryCard(), unit_.workFolder.c_str());
    KRAVinA_Data_Item_Set(line_.destBlock, line_.destItem, kEmptyItem.data());
    writeHead();
    recordLine(model::kLineSecondEnd);
    line_.selected = false;
    lineDirty_ = false;
    for (const CJumpRecord& r : JumpList(selectedJumps_)) RemoveEqual(openJumps_, r);
    selectedJumps_.clear();
    host_.setModified();
    afterBlockChange();
    return true;
}

bool AnaTanEditor::LineFormat()
{
    if (refuseOnline()) return false;
    LineFormatChoice current;
    const int kind = line_.selected ? line_.format : host_.lineKind();
    current.style = FormatStyle(kind);
    current.width = FormatWidth(kind);
    current.colour = line_.selected ? line_.colour : host_.lineColour();
    const auto chosen = host_.lineFormat(current);
    if (!chosen) return false;
    const int format = chosen->width + 4 * chosen->style;
    host_.setLineFormat(format, chosen->colour);
    if (line_.selected) {
        loadImage();
        recordLine(model::kLineSecondEnd + 1);
        model::AconImage a = model::readAcon(unit_.g_curStation, unit_.g_curCard, line_.destBlock,
                                             line_.destItem, unit_.workFolder);
        a.value = format;
        a.colour = chosen->colour;
        model::putAcon(unit_.g_curStation, unit_.g_curCard, line_.destBlock, line_.destItem, a, unit_.workFolder);
        KRAVinA_Acon_Write(unit_.g_curStation, unit_.libraryCard(), unit_.workFolder.c_str());
        recordLine(model::kLineSecondEnd);
        line_.format = format;
        line_.colour = chosen->colour;
        host_.setModified();
        reload();
    }
    return true;
}

// ---- jumps ----

bool AnaTanEditor::anyLineLabelled(const std::string& name) const
{
    for (const DiagramBlock& b : diagram_.blocks)
        for (const DiagramInput& in : b.inputs)
            if (in.connected && std::string(in.line.text.data(), ::strnlen(in.line.text.data(), 17)) == name)
                return true;
    return false;
}

void AnaTanEditor::removeJumpsOfBlock(int block)
{
    std::erase_if(openJumps_, [block](const CJumpRecord& r) { return r.block == block; });
    std::erase_if(selectedJumps_, [block](const CJumpRecord& r) { return r.block == block; });
}

bool AnaTanEditor::AddJumpAt(int block, int side, int terminal)
{
    if (refuseOnline() || block < 0 || block >= kLayoutBlocks) return false;
    const DiagramBlock& b = diagram_.blocks[static_cast<std::size_t>(block)];
    const std::size_t count = side == 1 ? b.inputs.size() : b.outputs.size();
    if (terminal < 0 || static_cast<std::size_t>(terminal) >= count) return false;
    const auto label = host_.jumpLabel();
    if (!label) return false;
    std::string name = *label;
    const auto first = name.find_first_not_of(' ');
    const auto last = name.find_last_not_of(' ');
    name = first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
    name = TrimJumpLabel(name);
    if (name.empty()) return false;
    if (anyLineLabelled(name)) {
        host_.prompt().message(kMsgJumpExists, {}, model::Buttons::Ok, model::Icon::Warning);
        return false;
    }
    CJumpRecord r;
    r.name = name;
    r.side = side;
    r.format = host_.lineKind();
    r.colour = host_.lineColour();
    r.item = side == 1 ? b.inputs[static_cast<std::size_t>(terminal)].item
                       : b.outputs[static_cast<std::size_t>(terminal)].terminal;
    r.terminal = terminal;
    r.block = block;
    if (const CJumpRecord* other = FindByName(openJumps_, name)) {
        if (other->side == side) {
            host_.prompt().message(kMsgJumpSameSide, {}, model::Buttons::Ok, model::Icon::Warning);
            return false;
        }
        const CJumpRecord in = side == 1 ? r : *other;
        const CJumpRecord out = side == 1 ? *other : r;
        LineWork l;
        l.destBlock = in.block;
        l.destItem = in.item;
        l.destTerminal = in.terminal;
        l.sourceBlock = out.block;
        l.sourceItem = out.item;
        l.sourceOutput = out.terminal;
        l.format = in.format;
        l.colour = in.colour;
        l.label = name;
        const CJumpRecord open = *other;
        const LineWork keep = line_;
        line_ = l;
        model::CBlockUndo* u = host_.undo();
        std::optional<model::UndoStep<model::CBlockUndo>> step;
        if (u) step.emplace(*u);
        recordLine(model::kLineFirstEnd + 1);
        if (u) u->RecordLink(model::kJumpRecord + 1, open.toLink(true));
        saveLine(l, 1);
        RemoveEqual(openJumps_, open);
        RemoveEqual(selectedJumps_, open);
        recordLine(model::kLineFirstEnd);
        if (u) u->RecordLink(model::kJumpRecord, open.toLink(false));
        step.reset();
        line_ = keep;
        line_.selected = false;
        host_.setModified();
        afterBlockChange();
        return true;
    }
    if (model::CBlockUndo* u = host_.undo()) {
        u->RecordLink(model::kJumpRecord + 1, r.toLink(false));
        openJumps_.push_back(r);
        u->RecordLink(model::kJumpRecord, r.toLink(true));
    } else {
        openJumps_.push_back(r);
    }
    return true;
}

bool AnaTanEditor::ConfirmOpenJumps()
{
    if (openJumps_.empty()) return true;
    return host_.prompt().message(kMsgJumpsOpen, {OpenJumpNames(openJumps_)}, model::Buttons::OkCancel,
                                  model::Icon::Question) == model::Answer::Ok;
}

int AnaTanEditor::findJumpAt(int x, int y) const
{
    int i = 0;
    for (const CJumpRecord& r : openJumps_) {
        const DiagramBlock& b = diagram_.blocks[static_cast<std::size_t>(std::clamp(r.block, 0, 99))];
        const GridPoint g = JumpMarkPlace(r, b.x, b.y);
        if (HitTestTerminalBox(x, y, g.x, g.y, pitch_, scrollX_, scrollY_)) return i;
        ++i;
    }
    return -1;
}

// ---- blocks ----

void AnaTanEditor::writePositions(const std::vector<BlockMove>& moves)
{
    if (moves.empty()) return;
    loadImage();
    {
        model::CBlockUndo* u = host_.undo();
        std::optional<model::UndoStep<model::CBlockUndo>> step;
        if (u) step.emplace(*u);
        for (const BlockMove& m : moves) {
            currentBlock_ = m.block;
            if (u) u->Record(model::kBlockPosition + 1);
            KRAVinA_Data_XY_Set(m.block, m.x, m.y);
            if (u) u->Record(model::kBlockPosition);
        }
    }
    writeHead();
    host_.setModified();
    reload();
}

bool AnaTanEditor::ChangeFunction(int x, int y, const std::string& code, const std::string& name)
{
    if (refuseOnline() || code.size() != 2 || name.size() != 3) return false;
    const std::string code5 = code + name;
    const auto chosen = host_.selectGroup(code5);
    if (!chosen || *chosen < 0 || *chosen >= model::kGroups) return false;
    const int g = *chosen;
    unit_.g_curGroup = g;
    unit_.g_specialGroupMode = 0;
    bool refused = model::CheckContactCode(unit_, g, "0000" + code) != 0;
    // The terminal kind checks concern the slot cards of communication cards only.
    const bool slotCard = unit_.modelStartsWith("TQRQ$") || unit_.modelStartsWith("TQRC$");
    if (const model::CommLinkTable* table = !refused && slotCard ? host_.linkTable() : nullptr) {
        refused = model::CheckTqrqTerminalKind(unit_, *table, g, name) != 0 ||
                  model::CheckTqrcTerminalKind(unit_, *table, g, name) != 0;
    }
    if (refused) {
        host_.prompt().message(kMsgCannotApply, {}, model::Buttons::Ok, model::Icon::Warning);
        return false;
    }
    if (unit_.modelStartsWith("TQRC$")) return dropOnTqrcSlot(g, name);
    const bool occupied = unit_.g_unitBlocks[static_cast<std::size_t>(g)][0] != 0;
    // Asked before anything is recorded, so Cancel leaves no empty undo step.
    if (occupied && host_.prompt().message(kMsgReplaceFunction, {}, model::Buttons::OkCancel,
                                           model::Icon::Question) != model::Answer::Ok)
        return false;
    loadImage();
    model::CBlockUndo* u = host_.undo();
    if (u) u->Record(model::kBlockData + 1);
    if (occupied) {
        removeJumpsOfBlock(g);
        for (const DiagramInput& in : diagram_.blocks[static_cast<std::size_t>(g)].inputs) {
            model::AconImage a =
                model::readAcon(unit_.g_curStation, unit_.g_curCard, g, in.item, unit_.workFolder);
            if (a.kind == 0 && a.text[0] == 0) continue;
            a.kind = 0;
            a.text.fill(0);
            model::putAcon(unit_.g_curStation, unit_.g_curCard, g, in.item, a, unit_.workFolder);
            KRAVinA_Acon_Write(unit_.g_curStation, unit_.libraryCard(), unit_.workFolder.c_str());
        }
    }
    model::BlockCode& slot = unit_.g_unitBlocks[static_cast<std::size_t>(g)];
    slot.fill(0);
    std::memcpy(slot.data(), code5.data(), model::kCodeBytes);
    for (int i = 0; i < model::kItems; ++i) KRAVinA_Data_Item_Set(g, i, kEmptyItem.data());
    for (int t = 0; t < model::kTerminals; ++t) KRAVinA_Data_Term_Set(g, t, kEmptyTerm.data());
    if (unit_.LoadBlockDefinition(unit_.model(), unit_.version(), name) == 0) {
        for (int i = 0; i < model::kItems; ++i) {
            const model::ItemDefinition& def = unit_.itemDefinitions[static_cast<std::size_t>(i)];
            if (def.name[0] == 0) continue;
            std::array<char, model::kItemBytes> text{};
            std::memcpy(text.data(), def.defaultValue, ::strnlen(def.defaultValue, model::kItemBytes));
            KRAVinA_Data_Item_Set(g, i, text.data());
        }
    }
    if (code == "95") {
        const auto set = [g](int item, const char* v) {
            std::array<char, model::kItemBytes> text{};
            std::memcpy(text.data(), v, std::strlen(v));
            KRAVinA_Data_Item_Set(g, item, text.data());
        };
        set(10, "95");
        set(11, "130000");
        set(12, "000000");
    }
    const GridPoint cell = cellOf(x, y);
    // Row 7 is the highest a dropped block takes: its input pins (row y - 4), the
    // line's end above them, an input jump mark (y - 6) and its label (y - 7) stay
    // on the canvas.
    constexpr int kTopDropRow = 7;
    KRAVinA_Data_XY_Set(g, cell.x >= 9 ? cell.x - 8 : 0, std::max(cell.y - 3, kTopDropRow));
    writeHead();
    if (u) u->Record(model::kBlockData);
    storePlacedKind(g, name);
    deselectLine();
    moves_.Clear();
    host_.setModified();
    afterBlockChange();
    return true;
}

void AnaTanEditor::storePlacedKind(int block, const std::string& name)
{
    if (!model::BlockStateFor(block).kindTables) return;
    if (model::CommLinkTable* table = host_.linkTable())
        model::StorePlacedKind(*table, unit_.g_curStation, unit_.libraryCard(), block,
                               model::PlacedCodeKind(name));
}

bool AnaTanEditor::dropOnTqrcSlot(int group, const std::string& name)
{
    // A slot card holds no blocks: the drop sets the slot's items on block 1
    // of its "TQRC " card, recorded there so that Undo takes them back.
    const int slot = unit_.g_curCard;
    const int parent = model::FindTqrcParentCard(unit_);
    if (parent < 0) return false;
    bool changed = false;
    {
        model::CurrentCardSwitch onParent(unit_, parent);
        if (unit_.SelectGroupDefinition(1) != 0) return false;
        loadImage();
        const model::TqrcSlotItems items = model::TqrcSlotItemsFor(slot, parent, group);
        if (model::SetTqrcSlotItems(items, name, false)) {
            unit_.g_curGroup = 1;
            unit_.g_specialGroupMode = 0;
            model::CBlockUndo* u = host_.undo();
            if (u) u->Record(model::kBlockData + 1);
            model::SetTqrcSlotItems(items, name);
            writeHead();
            if (u) u->Record(model::kBlockData);
            changed = true;
        }
    }
    unit_.g_curGroup = group;
    storePlacedKind(group, name);
    deselectLine();
    moves_.Clear();
    if (changed) host_.setModified();
    afterBlockChange();
    return changed;
}

bool AnaTanEditor::DeleteFunction(int block, bool ask)
{
    if (refuseOnline() || block < 0 || block >= model::kGroups || undeletable(block)) return false;
    if (unit_.g_unitBlocks[static_cast<std::size_t>(block)][0] == 0) return false;
    if (ask && host_.prompt().message(kMsgDeleteFunction, {}, model::Buttons::OkCancel, model::Icon::Question) !=
                   model::Answer::Ok)
        return false;
    removeJumpsOfBlock(block);
    loadImage();
    unit_.g_curGroup = block;
    unit_.g_specialGroupMode = 0;
    model::CBlockUndo* u = host_.undo();
    if (u) u->Record(model::kBlockData + 1);
    unit_.g_unitBlocks[static_cast<std::size_t>(block)].fill(0);
    for (int i = 0; i < model::kItems; ++i) KRAVinA_Data_Item_Set(block, i, kEmptyItem.data());
    for (int t = 0; t < model::kTerminals; ++t) KRAVinA_Data_Term_Set(block, t, kEmptyTerm.data());
    // The unit file takes the change at once, like every other edit of the view.
    writeHead();
    if (u) u->Record(model::kBlockData);
    moves_.Deselect(block);
    host_.setModified();
    afterBlockChange();
    return true;
}

bool AnaTanEditor::BlockSetting(int block)
{
    if (refuseOnline() || block < 0 || block >= model::kGroups) return false;
    loadImage();
    writeHead();
    const model::CurrentBlockState state = model::BlockStateFor(block);
    // A remote I/O station's blocks 0 and 1 live on its first card; the
    // current card comes back however the dialog ends.
    std::optional<model::CurrentCardSwitch> firstCard;
    if (unit_.modelStartsWith("V8RTU") && unit_.g_curCard > 1 && block <= 1) {
        firstCard.emplace(unit_, 1);
        loadImage();
    }
    unit_.g_curGroup = block;
    unit_.g_specialGroupMode = 0;
    line_.mode = 0;
    line_.points.clear();
    if (unit_.LoadBlockItemList() != 0) return false;
    if (!host_.runBlockSetting()) return false;
    loadImage();
    model::CBlockUndo* u = host_.undo();
    if (u) u->Record(model::kBlockData + 1);
    const int real = unit_.realGroup();
    for (int i = 0; i < model::kItems; ++i)
        KRAVinA_Data_Item_Set(real, i, unit_.blockItemData.items[static_cast<std::size_t>(i)].data());
    for (int t = 0; t < model::kTerminals; ++t)
        KRAVinA_Data_Term_Set(real, t, unit_.blockItemData.terminals[static_cast<std::size_t>(t)].data());
    writeHead();
    if (u) u->Record(model::kBlockData);
    if (state.commRebuild) host_.rebuildCommTable();
    if (state.seqReload) host_.reloadSequence();
    host_.setModified();
    return true;
}

bool AnaTanEditor::DeleteSelection()
{
    if (refuseOnline()) return false;
    bool changed = false;
    if (comments_ && comments_->HasEntries()) {
        comments_->DeleteSelected();
        changed = true;
    }
    if (figures_ && figures_->HasEntries()) {
        figures_->DeleteSelected();
        changed = true;
    }
    if (moves_.IsSelected()) {
        const auto& recs = moves_.records();
        const bool aloneUndeletable = recs.size() == 1 && undeletable(recs[0].block);
        if (!aloneUndeletable && host_.prompt().message(kMsgDeleteFunction, {}, model::Buttons::OkCancel,
                                                        model::Icon::Question) == model::Answer::Ok) {
            std::vector<int> blocks;
            for (const MoveRecord& r : recs) blocks.push_back(r.block);
            model::CBlockUndo* u = host_.undo();
            std::optional<model::UndoStep<model::CBlockUndo>> step;
            if (u) step.emplace(*u);
            for (int b : blocks) DeleteFunction(b, false);
        }
        moves_.Clear();
        changed = true;
    }
    if (line_.selected) changed = DeleteConnectionLine() || changed;
    for (const CJumpRecord& r : JumpList(selectedJumps_)) {
        if (model::CBlockUndo* u = host_.undo()) {
            u->RecordLink(model::kJumpRecord + 1, r.toLink(true));
            RemoveEqual(openJumps_, r);
            u->RecordLink(model::kJumpRecord, r.toLink(false));
        } else {
            RemoveEqual(openJumps_, r);
        }
        changed = true;
    }
    selectedJumps_.clear();
    return changed;
}

bool AnaTanEditor::SelectAll()
{
    deselectLine();
    if (comments_) comments_->SelectAll();
    moves_.SelectAll(diagram_.layout());
    if (figures_) figures_->SelectAll();
    return true;
}

bool AnaTanEditor::AlignLeft()
{
    if (refuseOnline()) return false;
    writePositions(moves_.AlignLeft());
    if (comments_) comments_->AlignLeft();
    if (figures_) figures_->AlignLeft();
    clearSelections();
    return true;
}

bool AnaTanEditor::AlignCenter()
{
    if (refuseOnline()) return false;
    writePositions(moves_.AlignCenter(kGridColumns));
    if (comments_) comments_->AlignCenter(kGridColumns);
    if (figures_) figures_->AlignCenter(kGridColumns);
    clearSelections();
    return true;
}

bool AnaTanEditor::AlignRight()
{
    if (refuseOnline()) return false;
    writePositions(moves_.AlignRight(kGridColumns, diagram_.layout()));
    if (comments_) comments_->AlignRight(kGridColumns);
    if (figures_) figures_->AlignRight(kGridColumns);
    clearSelections();
    return true;
}

bool AnaTanEditor::Undo()
{
    model::CBlockUndo* u = host_.undo();
    if (!u || refuseOnline()) return false;
    // The selected line's change is closed first, so it is a step of its own.
    clearSelections();
    u->Undo();
    line_ = LineWork{};
    lineDirty_ = false;
    clearSelections();
    afterBlockChange();
    return true;
}

bool AnaTanEditor::Redo()
{
    model::CBlockUndo* u = host_.undo();
    if (!u || refuseOnline()) return false;
    // The selected line's change is closed first, so it is a step of its own.
    clearSelections();
    u->Redo();
    line_ = LineWork{};
    lineDirty_ = false;
    clearSelections();
    afterBlockChange();
    return true;
}

bool AnaTanEditor::AddCommentAtCenter(int clientWidth, int clientHeight)
{
    if (refuseOnline() || !comments_) return false;
    const int cx = TanPixelToGrid(std::abs(clientWidth - 100) / 2, pitch_, scrollX_);
    const int cy = TanPixelToGrid(std::abs(clientHeight - 75) / 2, pitch_, scrollY_);
    return comments_->AddAt(cx, cy, host_.commentDialog());
}

// ---- mouse ----

void AnaTanEditor::computeMoveLimits(GridPoint cell)
{
    CItemMoveList::Bounds b;
    if (moves_.GetSelectionBounds(b)) limits_ = ComputeMoveLimits(b, cell.x, cell.y);
}

bool AnaTanEditor::pressLeft(int x, int y, bool ctrl)
{
    if (refuseOnline()) return false;
    const GridPoint cell = cellOf(x, y);
    if (!IsPointInDiagram(x, y)) return false;
    computeMoveLimits(cell);
    bool figureHit = false, commentHit = false, blockHit = false, jumpHit = false, already = false;
    if (line_.mode == 0 && figures_) {
        const int r = figures_->SelectAt(cell.x, cell.y, ctrl);
        if (r != 0) {
            deselectLine();
            figureHit = true;
            already = r == 2;
        }
    }
    if (line_.mode == 0 && !figureHit && comments_) {
        const int r = comments_->SelectAt(cell.x, cell.y, ctrl);
        if (r != 0) {
            deselectLine();
            commentHit = true;
            already = r == 2;
            if (!moves_.IsSelected() && r == 2 && comments_->CheckResizeHandle(cell.x, cell.y))
                comments_->BeginResize();
        }
    }
    bool terminalHit = false;
    if (!figureHit && !commentHit && !line_.bendDrag) {
        MoveRecord rec;
        const BlockHit hit = CItemMoveList::HitTestBlock(diagram_.layout(), x, y, pitch_, scrollX_, scrollY_, rec);
        if (hit == BlockHit::Box) {
            blockHit = true;
            if (line_.mode == 0) {
                const int r = moves_.Select(rec, ctrl);
                if (r != 0) moves_.BeginDrag(cell.x, cell.y);
                if (r == 2) already = true;
                currentBlock_ = rec.block;
                deselectLine();
            }
        } else if (hit == BlockHit::Terminal) {
            blockHit = true;
            terminalHit = true;
            connectTerminal(rec);
        }
    }
    if (!terminalHit && line_.mode != 0 && line_.points.size() < static_cast<std::size_t>(model::kLinePoints)) {
        const GridPointF prev = previousPoint();
        if (cell.x != prev.x || cell.y != prev.y)
            line_.points.push_back({std::trunc(line_.rubber.x), std::trunc(line_.rubber.y)});
    }
    if (!terminalHit && line_.mode == 0 && !line_.bendDrag && !figureHit && !commentHit && !blockHit) {
        int b = -1, item = -1, k = -1;
        if (FindConnectionLineAt(x, y, &b, &item, &k)) {
            moves_.Clear();
            if (comments_) comments_->RemoveAll();
            selectedJumps_.clear();
            if (line_.selected && !(line_.destBlock == b && line_.destItem == item)) deselectLine();
            if (!line_.selected) SelectConnectionLine(b, item);
        } else {
            deselectLine();
        }
    }
    if (!terminalHit && FindBendPointAt(cell, 1)) line_.bendDrag = true;
    if (!terminalHit && !(moves_.hideOutlines && line_.selected) && line_.mode == 0 && !figureHit && !commentHit &&
        !blockHit) {
        const int j = findJumpAt(x, y);
        if (j >= 0) {
            const CJumpRecord r = *std::next(openJumps_.begin(), j);
            selectedJumps_.clear();
            AddOrRemove(selectedJumps_, r);
            deselectLine();
            jumpHit = true;
        }
    }
    if (terminalHit) return true;
    if (!already) {
        if (!commentHit && !ctrl && comments_) comments_->RemoveAll();
        if (!blockHit && !ctrl) moves_.Clear();
        if (figureHit) return true;
        if (!ctrl && figures_) figures_->RemoveAll();
    } else if (figureHit) {
        return true;
    }
    if (!commentHit && !blockHit && !jumpHit) {
        if (figures_) figures_->RemoveAll();
        if (comments_) comments_->RemoveAll();
        moves_.Clear();
        selectedJumps_.clear();
    }
    return true;
}

bool AnaTanEditor::moveMouse(int x, int y, bool leftDown)
{
    const GridPoint cell = cellOf(x, y);
    if (leftDown) {
        moves_.TrackDrag(cell.x, cell.y);
        if (comments_) comments_->TrackDrag(cell.x, cell.y);
        if (figures_) figures_->TrackDrag(cell.x, cell.y);
    }
    if (line_.bendDrag) {
        if (!IsPointInDiagram(x, y)) return false;
        if (host_.online() || line_.found < 1) return false;
        GridPointF& p = line_.points[static_cast<std::size_t>(line_.found - 1)];
        if (p.x == cell.x && p.y == cell.y) return false;
        p = {static_cast<double>(cell.x), static_cast<double>(cell.y)};
        saveLine(line_, 1);
        lineDirty_ = true;
        host_.setModified();
        reload();
        return true;
    }
    bool redraw = false;
    if (moves_.moving()) {
        if (!(1 < cell.x && cell.x <= kGridColumns - 9 && 1 < cell.y && cell.y <= kGridRows - 5)) return false;
        if (!IsMoveInsideLimits(moves_, limits_, cell.x, cell.y)) return false;
        moves_.SetDragPoint(cell.x, cell.y);
        const auto d = moves_.GetDragDelta();
        if (comments_) comments_->SetDragDelta(d.dx, d.dy);
        if (figures_) figures_->SetDragDelta(d.dx, d.dy);
        redraw = true;
    } else if (comments_ && comments_->dragMoving()) {
        comments_->SetDragPoint(cell.x, cell.y);
        const auto d = comments_->GetDragDelta();
        moves_.SetDragDelta(d.x, d.y);
        if (figures_) figures_->SetDragDelta(d.x, d.y);
        redraw = true;
    } else if (figures_ && figures_->dragMoving()) {
        figures_->SetDragPoint(cell.x, cell.y);
        const auto d = figures_->GetDragDelta();
        moves_.SetDragDelta(d.x, d.y);
        if (comments_) comments_->SetDragDelta(d.x, d.y);
        redraw = true;
    }
    if (line_.mode != 0) {
        const GridPointF prev = previousPoint();
        const int px = TanGridToPixelF(prev.x, pitch_, scrollX_);
        const int py = TanGridToPixelF(prev.y, pitch_, scrollY_);
        const GridPointF rubber = std::abs(py - y) > std::abs(px - x)
                                      ? GridPointF{prev.x, static_cast<double>(cell.y)}
                                      : GridPointF{static_cast<double>(cell.x), prev.y};
        if (!(rubber == line_.rubber)) {
            line_.rubber = rubber;
            redraw = true;
        }
    }
    if (comments_ && comments_->IsResizing()) {
        comments_->TrackResize(cell.x, cell.y);
        redraw = true;
    }
    return redraw;
}

bool AnaTanEditor::releaseLeft(int x, int y)
{
    if (!IsPointInDiagram(x, y)) {
        moves_.EndDrag();
        if (comments_) comments_->EndDrag();
        if (figures_) figures_->EndDrag();
        line_.bendDrag = false;
        line_.mode = 0;
        line_.points.clear();
        return true;
    }
    const bool blocksMoved = moves_.EndDrag();
    const bool commentsMoved = comments_ && comments_->EndDrag();
    const bool figuresMoved = figures_ && figures_->EndDrag();
    if (blocksMoved || commentsMoved || figuresMoved) {
        if (host_.online()) return true;
        model::CBlockUndo* u = host_.undo();
        std::optional<model::UndoStep<model::CBlockUndo>> step;
        if (u) step.emplace(*u);
        writePositions(moves_.ApplyMove());
        if (comments_) comments_->MoveSelected();
        if (figures_) figures_->MoveSelected();
    }
    if (comments_ && comments_->IsResizing()) comments_->EndResize();
    if (line_.bendDrag && line_.mode == 0) {
        line_.bendDrag = false;
        host_.setModified();
    }
    return true;
}

bool AnaTanEditor::pressRight(int x, int y)
{
    (void)x, (void)y;
    if (line_.bendDrag) {
        line_.bendDrag = false;
        saveLine(line_, 1);
        host_.setModified();
        reload();
        return true;
    }
    if (line_.mode == 0) return false;
    if (!line_.points.empty()) {
        line_.points.pop_back();
        const GridPointF prev = previousPoint();
        const GridPoint cell = cellOf(x, y);
        line_.rubber = std::abs(cell.y - prev.y) > std::abs(cell.x - prev.x)
                           ? GridPointF{prev.x, static_cast<double>(cell.y)}
                           : GridPointF{static_cast<double>(cell.x), prev.y};
        return true;
    }
    line_.mode = 0;
    contextMenuArmed_ = false;
    return true;
}

bool AnaTanEditor::doubleClick(int x, int y)
{
    if (refuseOnline() || !IsPointInDiagram(x, y)) return false;
    const GridPoint cell = cellOf(x, y);
    if (comments_ && comments_->EditAt(cell.x, cell.y, host_.commentDialog())) return true;
    MoveRecord rec;
    if (CItemMoveList::HitTestBlock(diagram_.layout(), x, y, pitch_, scrollX_, scrollY_, rec) == BlockHit::Nothing)
        return false;
    currentBlock_ = rec.block;
    const bool written = BlockSetting(rec.block);
    afterBlockChange();
    return written;
}

ContextMenu AnaTanEditor::contextMenu(int x, int y)
{
    ContextMenu menu;
    if (!contextMenuArmed_) {
        contextMenuArmed_ = true;
        return menu;
    }
    contextCell_ = cellOf(x, y);
    contextHit_ = ContextHit{};
    if (refuseOnline() || !IsPointInDiagram(x, y)) return menu;
    bool commentNew = false, blockHit = false;
    const GridPoint cell = contextCell_;
    if (line_.mode == 0) {
        int fr = figures_ ? figures_->SelectAt(cell.x, cell.y, false) : 0;
        int cr = 0;
        if (fr != 0) {
            if (fr == 1) {
                deselectLine();
                moves_.Clear();
                if (comments_) comments_->RemoveAll();
            }
            figures_->EndDrag();
            contextHit_.figure = true;
        } else {
            cr = comments_ ? comments_->SelectAt(cell.x, cell.y, false) : 0;
            if (cr == 1) {
                deselectLine();
                commentNew = true;
                comments_->EndDrag();
                moves_.Clear();
                if (figures_) figures_->RemoveAll();
            } else if (cr == 2) {
                comments_->EndDrag();
            }
        }
        if (fr == 0 && cr != 1) {
            MoveRecord rec;
            const BlockHit hit =
                CItemMoveList::HitTestBlock(diagram_.layout(), x, y, pitch_, scrollX_, scrollY_, rec);
            if (hit == BlockHit::Box) {
                blockHit = true;
                contextHit_.block = rec.block;
                contextHit_.deletable = !undeletable(rec.block);
                if (moves_.IsMultiSelected()) {
                    if (!moves_.contains(rec.block)) {
                        deselectLine();
                        moves_.Clear();
                        moves_.Select(rec, false);
                    }
                } else {
                    deselectLine();
                    if (moves_.Select(rec, false) == 1) {
                        if (comments_) comments_->RemoveAll();
                        if (figures_) figures_->RemoveAll();
                    } else {
                        moves_.EndDrag();
                    }
                }
                currentBlock_ = rec.block;
            } else if (hit == BlockHit::Terminal) {
                const DiagramBlock& b = diagram_.blocks[static_cast<std::size_t>(rec.block)];
                contextHit_.block = rec.block;
                contextHit_.side = rec.side;
                contextHit_.terminal = rec.terminal;
                if (rec.side == 1) {
                    const DiagramInput& in = b.inputs[static_cast<std::size_t>(rec.terminal)];
                    contextHit_.item = in.item;
                    contextHit_.connected = in.connected;
                } else {
                    contextHit_.item = b.outputs[static_cast<std::size_t>(rec.terminal)].terminal;
                }
            }
        }
    }
    if (line_.mode != 0 || line_.bendDrag) return menu;
    menu.shown = true;
    auto& e = menu.entries;
    const int kinds = (moves_.IsSelected() ? 1 : 0) + (comments_ && comments_->HasEntries() ? 1 : 0) +
                      (figures_ && figures_->HasEntries() ? 1 : 0);
    if (kinds >= 2 || commentNew) {
        e = {anacmd::LineFormat};
    } else if (line_.selected) {
        e = {anacmd::LineFormat, 0, anacmd::AddBreakpoint, anacmd::DeleteBreakpoint, 0, anacmd::DeleteLine};
    } else if (blockHit) {
        if (!moves_.IsMultiSelected() && contextHit_.deletable) e = {anacmd::DeleteFunction, 0};
        e.push_back(anacmd::ItemHelp);
    } else if (!selectedJumps_.empty()) {
        e = {anacmd::ItemHelp, 0, anacmd::DeleteLine};
    } else if (contextHit_.side == 1) {
        e = {anacmd::LineFormat, anacmd::AddJump};
        if (contextHit_.connected) e.insert(e.end(), {0, anacmd::SelectLine, anacmd::DeleteLine});
    } else if (contextHit_.side == 2) {
        e = {anacmd::LineFormat, 0, anacmd::AddJump};
    } else {
        e = {anacmd::LineFormat};
    }
    if (kinds < 2) {
        e.push_back(0);
        e.push_back(contextHit_.figure ? anacmd::DeleteJunction : anacmd::DrawJunction);
    }
    e.push_back(0);
    e.push_back(anacmd::ResetOrigin);
    return menu;
}

bool AnaTanEditor::isCommandEnabled(int id) const
{
    switch (id) {
    case anacmd::DeleteLine: return line_.selected || !selectedJumps_.empty() || contextHit_.connected;
    case anacmd::AddBreakpoint:
    case anacmd::DeleteBreakpoint: return line_.selected;
    default: return true;
    }
}

bool AnaTanEditor::runCommand(int id)
{
    switch (id) {
    case anacmd::LineFormat: return this->LineFormat();
    case anacmd::DeleteLine:
        if (!line_.selected && contextHit_.connected) SelectConnectionLine(contextHit_.block, contextHit_.item);
        if (line_.selected) return DeleteConnectionLine();
        return DeleteSelection();
    case anacmd::DeleteFunction:
        if (DeleteFunction(contextHit_.block, true)) {
            moves_.Deselect(contextHit_.block);
            return true;
        }
        return false;
    case anacmd::SelectLine:
        if (contextHit_.connected) return SelectConnectionLine(contextHit_.block, contextHit_.item);
        return false;
    case anacmd::AddBreakpoint: return this->AddBreakpoint(contextCell_);
    case anacmd::DeleteBreakpoint: return this->DeleteBreakpoint(contextCell_);
    case anacmd::AddJump: return AddJumpAt(contextHit_.block, contextHit_.side, contextHit_.terminal);
    case anacmd::DrawJunction:
        if (refuseOnline() || !figures_) return false;
        return figures_->AddFigure(contextCell_.x, contextCell_.y, host_.lineColour());
    case anacmd::DeleteJunction:
        if (refuseOnline() || !figures_) return false;
        figures_->DeleteSelected();
        return true;
    default: return false;
    }
}

}  // namespace kravin::wiring

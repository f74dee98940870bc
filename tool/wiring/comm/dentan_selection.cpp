// The selections of the communication view (boxes, jump labels, comments,
// figures), the break points of the selected connection, the layers and the
// deletion, align and undo hooks that work on them.
#include "dentan_editor.h"

#include "tan_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kravin::wiring::comm {

namespace {

// The comment area at pitch 16: 25000 x 3600 pixels.
constexpr int kCommentColumns = 25000 / 16;

bool holds(int left, int top, int right, int bottom, int x0, int y0, int x1, int y1)
{
    return left <= x0 && x1 <= right && top <= y0 && y1 <= bottom;
}

}  // namespace

// ---- boxes ----

bool DenTanEditor::isBoxSelected(const UnitRef& u) const
{
    return std::find(boxes_.begin(), boxes_.end(), u) != boxes_.end();
}

int DenTanEditor::selectBox(const UnitRef& u, bool add)
{
    const model::CommLinkSlot* slot = u.valid() ? table_->slot(u.station, u.card) : nullptr;
    if (!slot || !slot->used) return 0;
    if (isBoxSelected(u)) {
        if (!add) return 2;
        std::erase(boxes_, u);
        return 0;
    }
    if (!add) boxes_.clear();
    boxes_.push_back(u);
    return 1;
}

void DenTanEditor::selectInside(int left, int top, int right, int bottom, bool add)
{
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    if (!add) clearSelection();
    for (int s = 0; s < model::kStations; ++s)
        for (int c = -1; c < 16; ++c) {
            const model::CommLinkSlot* slot = table_->slot(s, c);
            if (!slot || !slot->used) continue;
            if (holds(left, top, right, bottom, slot->x, slot->y + kBoxTop, slot->x + kBoxWidth, slot->y + kBoxBottom) &&
                !isBoxSelected({s, c}))
                boxes_.push_back({s, c});
        }
    for (int i = 0; comments_ && i < model::kLayerSlots; ++i) {
        const model::CommentRecord& r = comments_->record(i);
        if (comments_->used(i) && holds(left, top, right, bottom, r.x, r.y, r.x + r.width, r.y + r.height))
            comments_->Select(i);
    }
    for (int i = 0; figures_ && i < model::kLayerSlots; ++i) {
        const model::FigureRecord& r = figures_->record(i);
        if (figures_->used(i) && holds(left, top, right, bottom, r.x, r.y, r.x, r.y)) figures_->Select(i);
    }
}

void DenTanEditor::clearSelection()
{
    boxes_.clear();
    selected_ = {};
    selectedJumps_.clear();
    if (comments_) comments_->RemoveAll();
    if (figures_) figures_->RemoveAll();
}

void DenTanEditor::selectAll()
{
    selected_ = {};
    if (figures_) figures_->SelectAll();
    if (comments_) comments_->SelectAll();
    boxes_.clear();
    for (int s = 0; s < model::kStations; ++s)
        for (int c = -1; c < 16; ++c)
            if (const model::CommLinkSlot* slot = table_->slot(s, c); slot && slot->used) boxes_.push_back({s, c});
}

bool DenTanEditor::hasSelection() const
{
    return !boxes_.empty() || selected_.valid() || !selectedJumps_.empty() || (comments_ && comments_->HasEntries()) ||
           (figures_ && figures_->HasEntries());
}

// ---- jump labels ----

int DenTanEditor::jumpAt(double a, double b) const
{
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        const TerminalRef& t = pending_[i].terminal;
        const model::CommLinkSlot* slot = t.valid() ? table_->slot(t.unit.station, t.unit.card) : nullptr;
        if (!slot) continue;
        int ax = 0, ay = 0;
        TerminalAnchor(slot->x, slot->y, t.index, &ax, &ay);
        const int kind = slot->terminals[static_cast<std::size_t>(t.index)].kind;
        const int y = DenTanLabelOffset(kind, t.index, slot->y, 4, 2, 3, 1);
        const double y0 = y ? y : ay;
        // The label runs from its anchor row seven pitches away from the box.
        const double y1 = t.index > 7 ? y0 + 7 : y0 - 7;
        if (std::abs(a - ax) <= 1.5 && std::min(y0, y1) <= b && b <= std::max(y0, y1)) return static_cast<int>(i);
    }
    return -1;
}

void DenTanEditor::toggleJump(int index)
{
    if (index < 0 || index >= static_cast<int>(pending_.size())) return;
    const PendingJump& j = pending_[static_cast<std::size_t>(index)];
    const auto same = [&](const PendingJump& k) { return k.terminal == j.terminal && k.name == j.name; };
    if (std::find_if(selectedJumps_.begin(), selectedJumps_.end(), same) != selectedJumps_.end())
        std::erase_if(selectedJumps_, same);
    else
        selectedJumps_.push_back(j);
}

model::LinkRecord DenTanEditor::linkOf(const PendingJump& j, bool inUse) const
{
    model::LinkRecord r;
    std::memcpy(r.name, j.name.data(), std::min<std::size_t>(j.name.size(), 7));
    r.value[0] = j.terminal.unit.station;
    r.value[1] = j.terminal.unit.card + 1;
    r.value[2] = j.terminal.index + 11;
    r.value[4] = j.format;
    r.value[5] = static_cast<std::int32_t>(j.colour);
    r.inUse = inUse ? 1 : 0;
    return r;
}

void DenTanEditor::restoreLink(const model::LinkRecord& saved)
{
    PendingJump j;
    j.name = std::string(saved.name, ::strnlen(saved.name, 8));
    j.terminal = {{saved.value[0], saved.value[1] - 1}, saved.value[2] - 11};
    j.format = saved.value[4];
    j.colour = static_cast<std::uint32_t>(saved.value[5]);
    const auto same = [&](const PendingJump& k) { return k.terminal == j.terminal && k.name == j.name; };
    std::erase_if(pending_, same);
    std::erase_if(selectedJumps_, same);
    if (saved.inUse != 1) return;
    pending_.push_back(j);
    cancelLine();
}

bool DenTanEditor::deleteSelectedJumps()
{
    if (host_.online() || selectedJumps_.empty()) return false;
    const std::vector<PendingJump> gone = std::exchange(selectedJumps_, {});
    for (const PendingJump& j : gone) {
        undo_.RecordLink(model::kStationLinkRecord + 1, linkOf(j, true));
        std::erase_if(pending_, [&](const PendingJump& k) { return k.terminal == j.terminal && k.name == j.name; });
        undo_.RecordLink(model::kStationLinkRecord, linkOf(j, false));
    }
    return true;
}

model::TerminalSelection DenTanEditor::terminalSelection(int which) const
{
    if (which == 1 && start_.valid()) return {start_.unit.station, start_.unit.card, start_.index + 11};
    if (!selected_.valid()) return {};
    return {selected_.unit.station, selected_.unit.card, selected_.index + 11};
}

// ---- break points of the selected connection ----

int DenTanEditor::breakPointAt(double a, double b, double tol) const
{
    const model::CommLinkTerminal* r =
        selected_.valid() ? table_->terminal(selected_.unit.station, selected_.unit.card, selected_.index + 11) : nullptr;
    if (!r) return -1;
    int best = -1;
    double bestDistance = tol;
    for (int i = 0; i < ClampPointCount(r->points); ++i) {
        const double d = std::hypot(a - r->pointX[static_cast<std::size_t>(i)], b - r->pointY[static_cast<std::size_t>(i)]);
        if (d <= bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

bool DenTanEditor::pointEdit(const std::function<bool(model::DconImage&)>& change)
{
    if (host_.online() || !selected_.valid()) return false;
    const int station = selected_.unit.station, card = selected_.unit.card + 1, number = selected_.index + 11;
    model::DconImage r = model::readDcon(station, card, number, unit_.workFolder);
    r.pointCount = ClampPointCount(r.pointCount);
    if (!change(r)) return false;
    const model::TerminalSelection at{station, card - 1, number};
    if (!pointDrag_) undo_.RecordConnection(model::kStationLinkSecond + 1, at);
    const bool ok = model::writeDcon(station, card, number, r, unit_.workFolder);
    if (!pointDrag_) undo_.RecordConnection(model::kStationLinkSecond, at);
    host_.setModified();
    rebuild();
    return ok;
}

bool DenTanEditor::dragBreakPoint(int i, int x, int y)
{
    if (host_.online() || !selected_.valid()) return false;
    const model::CommLinkTerminal* t = table_->terminal(selected_.unit.station, selected_.unit.card, selected_.index + 11);
    if (!t || i < 0 || i >= ClampPointCount(t->points)) return false;
    if (t->pointX[static_cast<std::size_t>(i)] == x && t->pointY[static_cast<std::size_t>(i)] == y) return false;
    const model::TerminalSelection at{selected_.unit.station, selected_.unit.card, selected_.index + 11};
    // The drag is one undo step: its first half before the first move.
    if (!pointDrag_) undo_.RecordConnection(model::kStationLinkSecond + 1, at);
    pointDrag_ = true;
    return pointEdit([&](model::DconImage& r) {
        if (i >= r.pointCount) return false;
        r.px[static_cast<std::size_t>(i)] = x;
        r.py[static_cast<std::size_t>(i)] = y;
        return true;
    });
}

bool DenTanEditor::endBreakPointDrag()
{
    if (!pointDrag_) return false;
    pointDrag_ = false;
    if (selected_.valid())
        undo_.RecordConnection(model::kStationLinkSecond,
                               {selected_.unit.station, selected_.unit.card, selected_.index + 11});
    return true;
}

bool DenTanEditor::addBreakPointAt(double a, double b)
{
    const model::CommLinkTerminal* t =
        selected_.valid() ? table_->terminal(selected_.unit.station, selected_.unit.card, selected_.index + 11) : nullptr;
    if (!t || ClampPointCount(t->points) >= kMaxBreakPoints) return false;
    // The nearest segment of start, points, end takes the new point after its first end.
    const int n = ClampPointCount(t->points);
    int segment = 0;
    double best = 1e300;
    double px = t->startX, py = t->startY;
    for (int i = 0; i <= n; ++i) {
        const double qx = i < n ? t->pointX[static_cast<std::size_t>(i)] : t->endX;
        const double qy = i < n ? t->pointY[static_cast<std::size_t>(i)] : t->endY;
        const double d = kravin::wiring::TanSegmentDistanceF(a, b, px, py, qx, qy).distance;
        if (d < best) {
            best = d;
            segment = i;
        }
        px = qx, py = qy;
    }
    const int x = static_cast<int>(std::lround(a)), y = static_cast<int>(std::lround(b));
    return pointEdit([&](model::DconImage& r) {
        if (r.pointCount >= kMaxBreakPoints || segment > r.pointCount) return false;
        for (int k = r.pointCount; k > segment; --k) {
            r.px[static_cast<std::size_t>(k)] = r.px[static_cast<std::size_t>(k - 1)];
            r.py[static_cast<std::size_t>(k)] = r.py[static_cast<std::size_t>(k - 1)];
        }
        r.px[static_cast<std::size_t>(segment)] = x;
        r.py[static_cast<std::size_t>(segment)] = y;
        ++r.pointCount;
        return true;
    });
}

bool DenTanEditor::deleteBreakPointAt(double a, double b)
{
    const int i = breakPointAt(a, b, 1.0);
    if (i < 0) return false;
    return pointEdit([&](model::DconImage& r) {
        if (i >= r.pointCount) return false;
        for (int k = i; k + 1 < r.pointCount; ++k) {
            r.px[static_cast<std::size_t>(k)] = r.px[static_cast<std::size_t>(k + 1)];
            r.py[static_cast<std::size_t>(k)] = r.py[static_cast<std::size_t>(k + 1)];
        }
        --r.pointCount;
        r.px[static_cast<std::size_t>(r.pointCount)] = 0;
        r.py[static_cast<std::size_t>(r.pointCount)] = 0;
        return true;
    });
}

// ---- layers ----

void DenTanEditor::openLayers()
{
    model::LayerEnv env;
    env.setModified = [this] { host_.setModified(); };
    env.message = [this](int id) { host_.message(id); };
    env.undo = layerUndo_.get();
    comments_ = std::make_unique<model::CCommentMap>(env, unit_.workFolder, model::kCommCommentFile);
    figures_ = std::make_unique<model::CFigureMap>(env, unit_.workFolder, model::kCommFigureFile);
}

model::CCommentMap& DenTanEditor::commentLayer()
{
    if (!comments_) openLayers();
    return *comments_;
}

model::CFigureMap& DenTanEditor::figureLayer()
{
    if (!figures_) openLayers();
    return *figures_;
}

bool DenTanEditor::moveSelection(int dx, int dy)
{
    if (host_.online() || (dx == 0 && dy == 0)) return false;
    model::UndoStep<model::CStationUndo> whole(undo_);
    bool changed = false;
    const bool layers = (comments_ && comments_->HasEntries()) || (figures_ && figures_->HasEntries());
    if (layers) {
        model::LayerStep step(layerUndo_.get());
        if (comments_ && comments_->HasEntries()) {
            comments_->BeginDrag(0, 0);
            comments_->SetDragDelta(dx, dy);
            comments_->MoveSelected();
            comments_->EndDrag();
        }
        if (figures_ && figures_->HasEntries()) {
            figures_->BeginDrag(0, 0);
            figures_->SetDragDelta(dx, dy);
            figures_->MoveSelected();
            figures_->EndDrag();
        }
        changed = true;
    }
    if (!boxes_.empty()) changed = moveBoxes(boxes_, dx, dy) || changed;
    return changed;
}

bool DenTanEditor::align(int how)
{
    if (host_.online()) return false;
    const int width = sheet_.dx * 64;
    layout_->ClearRecords();
    for (const UnitRef& u : boxes_) {
        const model::CommLinkSlot* slot = table_->slot(u.station, u.card);
        if (!slot || !slot->used) continue;
        model::CardRecord r;
        r.station = u.station;
        r.card = u.card;
        r.x = slot->x;
        r.y = slot->y;
        layout_->SelectCard(r, true);
    }
    const int station = unit_.g_curStation, card = unit_.g_curCard;
    if (layout_->HasRecords()) {
        if (how == 0) layout_->AlignLeft(width);
        else if (how == 1) layout_->AlignCenter(width);
        else layout_->AlignRight(width);
    }
    layout_->ClearRecords();
    {
        model::LayerStep step(layerUndo_.get());
        const auto alignLayer = [&](auto& layer) {
            if (!layer || !layer->HasEntries()) return;
            if (how == 0) layer->AlignLeft();
            else if (how == 1) layer->AlignCenter(std::min(width, kCommentColumns));
            else layer->AlignRight(std::min(width, kCommentColumns));
        };
        alignLayer(comments_);
        alignLayer(figures_);
    }
    unit_.g_curStation = station;
    unit_.g_curCard = card;
    clearSelection();
    rebuild();
    return true;
}

bool DenTanEditor::addJunction(int x, int y)
{
    if (host_.online() || !figures_) return false;
    return figures_->AddFigure(x, y, static_cast<std::int32_t>(colour_));
}

bool DenTanEditor::deleteJunctions()
{
    if (host_.online() || !figures_ || !figures_->HasEntries()) return false;
    figures_->DeleteSelected();
    return true;
}

bool DenTanEditor::deleteSelection()
{
    if (host_.online()) return false;
    bool changed = false;
    if (comments_ && comments_->HasEntries()) {
        comments_->DeleteSelected();
        changed = true;
    }
    if (figures_ && figures_->HasEntries()) {
        figures_->DeleteSelected();
        changed = true;
    }
    if (!boxes_.empty()) {
        if (prompt_.message(8101, {}, model::Buttons::OkCancel, model::Icon::Question) == model::Answer::Ok) {
            const std::vector<UnitRef> gone = boxes_;
            for (const UnitRef& u : gone) changed = removeDevice(u, false) || changed;
        }
        boxes_.clear();
    }
    if (selected_.valid()) changed = deleteSelectedLine() || changed;
    changed = deleteSelectedJumps() || changed;
    return changed;
}

}  // namespace kravin::wiring::comm

#include "comment_layer.h"

#include "KRAVinA.h"
#include "text_codec.h"

#include <cstdio>

namespace kravin::model {

static_assert(CCommentMap::kBlockBytes == kCommentBlockBytes);

namespace {

void putText(CommentRecord& rec, std::string_view text)
{
    std::memset(rec.text, 0, sizeof rec.text);
    const std::string fitted = trimDbcs(text, sizeof rec.text - 1);
    std::memcpy(rec.text, fitted.data(), fitted.size());
}

void clearComment(CommentRecord& rec)
{
    rec.inUse = kSlotFree;
    std::memset(rec.text, 0, sizeof rec.text);
    rec.colour = 0;
}

}  // namespace

std::string commentFileName(int station, int card)
{
    char name[32];
    std::snprintf(name, sizeof name, "%s%.2i%.2i%s", "AC_COM", station, card, ".KRAB");
    return name;
}

CCommentMap::CCommentMap(LayerEnv env, std::string folder, std::string fileName, const unsigned char* block)
    : LayerBlock(std::move(env), std::move(folder), std::move(fileName), block)
{
    // A text that fills its field without a NUL is cut at the field's end.
    for (auto& rec : block_) rec.text[sizeof rec.text - 1] = '\0';
}

CCommentMap::CCommentMap(LayerEnv env, std::string folder, std::string fileName)
    : CCommentMap(std::move(env), std::move(folder), std::move(fileName), nullptr)
{
}

CCommentMap CCommentMap::CopyConstruct(const unsigned char* block, LayerEnv env, std::string folder,
                                       std::string fileName)
{
    return CCommentMap(std::move(env), std::move(folder), std::move(fileName), block);
}

void CCommentMap::note(int kind, int slot, const CommentRecord& rec) const
{
    if (env_.undo) env_.undo->RecordComment(kind, slot, rec);
}

std::optional<int> CCommentMap::HitTest(int x, int y) const
{
    for (int s = 0; s < kLayerSlots; ++s) {
        const auto& r = record(s);
        if (r.inUse == kSlotUsed && r.x <= x && x <= r.x + r.width && r.y <= y && y <= r.y + r.height)
            return s;
    }
    return std::nullopt;
}

int CCommentMap::SelectAt(int x, int y, bool add)
{
    return selectSlot(HitTest(x, y), x, y, add);
}

void CCommentMap::MoveSelected()
{
    const Point d = GetDragDelta();
    LayerStep step(env_.undo);
    for (auto& [slot, copy] : selection_) {
        if (!used(slot)) continue;
        CommentRecord before = record(slot);
        note(16, slot, before);
        SetRect(slot, before.x + d.x, before.y + d.y, before.width, before.height);
        copy = record(slot);
        note(15, slot, copy);
    }
    dragStart_ = dragCurrent_ = {0, 0};
}

bool CCommentMap::CheckResizeHandle(int x, int y)
{
    if (selection_.size() != 1 || resizing_) return false;
    const int slot = selection_.begin()->first;
    const auto& r = record(slot);
    const int left = r.x, top = r.y, right = r.x + r.width, bottom = r.y + r.height;
    if (x < left || x > right || y < top || y > bottom) return false;
    int handle = 0;
    if (r.inUse == kSlotUsed) {
        const bool onLeft = x == left, onRight = x == right, onTop = y == top, onBottom = y == bottom;
        if (onTop) handle = onLeft ? 1 : onRight ? 3 : 2;
        else if (onBottom) handle = onLeft ? 7 : onRight ? 5 : 6;
        else if (onRight) handle = 4;
        else if (onLeft) handle = 8;
    }
    resizeArmed_ = handle != 0;
    if (resizeArmed_) resizeHandle_ = handle;
    return resizeArmed_;
}

bool CCommentMap::BeginResize()
{
    if (selection_.size() != 1 || !resizeArmed_) return false;
    resizing_ = true;
    dragArmed_ = dragMoving_ = false;
    return true;
}

void CCommentMap::TrackResize(int x, int y)
{
    if (!resizing_) return;
    const auto& r = record(selection_.begin()->first);
    const int L = r.x, T = r.y, W = r.width, H = r.height;
    const int minLeft = std::min(x, L + W - 1), minTop = std::min(y, T + H - 1);
    const int maxRight = std::max(x, L + 1), maxBottom = std::max(y, T + 1);
    Rect n{L, T, L + W, T + H};
    switch (resizeHandle_) {
    case 1: n.left = minLeft; n.top = minTop; break;
    case 2: n.top = minTop; break;
    case 3: n.top = minTop; n.right = maxRight; break;
    case 4: n.right = maxRight; break;
    case 5: n.right = maxRight; n.bottom = maxBottom; break;
    case 6: n.bottom = maxBottom; break;
    case 7: n.left = minLeft; n.bottom = maxBottom; break;
    case 8: n.left = minLeft; break;
    default: return;
    }
    resizeRect_ = n;
    resizeValid_ = true;
}

bool CCommentMap::EndResize()
{
    bool applied = false;
    if (resizing_ && resizeValid_ && selection_.size() == 1) {
        auto& [slot, copy] = *selection_.begin();
        const Rect& n = resizeRect_;
        applied = SetRect(slot, n.left, n.top, n.right - n.left, n.bottom - n.top);
        copy = record(slot);
    }
    resizeRect_ = {};
    resizeValid_ = resizeArmed_ = resizing_ = false;
    return applied;
}

bool CCommentMap::AddAt(int x, int y, CommentDialog& dialog)
{
    CommentDialogData data;
    data.mode = 0;
    if (!dialog.run(data)) return false;
    if (firstFree() < 0) {
        message(kMsgCommentsFull);
        return false;
    }
    LayerStep step(env_.undo);
    compact([this](int slot, const CommentRecord& before, const CommentRecord& after) {
        note(14, slot, before);
        note(13, slot, after);
    }, clearComment);
    CommentRecord rec;
    rec.colour = data.colour;
    rec.x = x;
    rec.y = y;
    rec.width = rec.height = kNewCommentSize;
    rec.inUse = kSlotUsed;
    putText(rec, data.text);
    const int slot = firstFree();
    const CommentRecord before = record(slot);
    if (!AddRecord(rec)) return false;
    note(14, slot, before);
    note(13, slot, record(slot));
    return true;
}

bool CCommentMap::EditAt(int x, int y, CommentDialog& dialog)
{
    const auto hit = HitTest(x, y);
    if (!hit) return false;
    const int slot = *hit;
    const CommentRecord before = record(slot);
    CommentDialogData data;
    data.mode = 1;
    data.text = std::string(before.textView());
    data.colour = before.colour;
    if (dialog.run(data)) {
        if (data.deleteRequested)
            DeleteAt(slot);
        else
            SetText(slot, data.text, data.colour);
        note(16, slot, before);
        note(15, slot, record(slot));
        RemoveAll();
    }
    return true;
}

bool CCommentMap::AddRecord(CommentRecord rec)
{
    const int slot = firstFree();
    if (slot < 0) {
        message(kMsgCommentsFull);
        return false;
    }
    rec.slot = slot;
    rec.text[sizeof rec.text - 1] = '\0';
    at(slot) = rec;
    Write();
    return true;
}

bool CCommentMap::DeleteAt(int slot)
{
    if (!used(slot)) return false;
    clearComment(at(slot));
    Write();
    return true;
}

bool CCommentMap::SetText(int slot, std::string_view text, std::int32_t colour)
{
    if (!used(slot)) return false;
    putText(at(slot), text);
    at(slot).colour = colour;
    Write();
    return true;
}

bool CCommentMap::SetRect(int slot, int x, int y, int width, int height)
{
    if (!used(slot)) return false;
    auto& r = at(slot);
    r.x = x;
    r.y = y;
    r.width = width;
    r.height = height;
    Write();
    return true;
}

bool CCommentMap::RestoreSlot(int slot, const CommentRecord& rec)
{
    if (!validSlot(slot)) return false;
    at(slot) = rec;
    at(slot).text[sizeof rec.text - 1] = '\0';
    if (auto it = selection_.find(slot); it != selection_.end()) {
        if (rec.inUse == kSlotUsed)
            it->second = record(slot);
        else
            selection_.erase(it);
    }
    return Write();
}

void CCommentMap::DeleteSelected()
{
    {
        LayerStep step(env_.undo);
        for (const auto& entry : selection_) {
            const int slot = entry.first;
            if (!used(slot)) continue;
            const CommentRecord before = record(slot);
            DeleteAt(slot);
            note(14, slot, before);
            note(13, slot, record(slot));
        }
    }
    RemoveAll();
}

void CCommentMap::alignTo(int (*place)(const CommentRecord&, int), int width)
{
    for (auto& [slot, copy] : selection_) {
        if (!used(slot)) continue;
        const auto& r = record(slot);
        SetRect(slot, place(r, width), r.y, r.width, r.height);
        copy = record(slot);
    }
}

void CCommentMap::AlignLeft()
{
    alignTo([](const CommentRecord&, int) { return 1; }, 0);
}

void CCommentMap::AlignCenter(int width)
{
    alignTo([](const CommentRecord& r, int w) { return w / 2 - r.width / 2; }, width);
}

void CCommentMap::AlignRight(int width)
{
    alignTo([](const CommentRecord& r, int w) { return w - r.width - 2; }, width);
}

Point CCommentMap::GetExtent() const
{
    Point e;
    for (const auto& r : block_) {
        if (r.inUse != kSlotUsed) continue;
        e.x = std::max(e.x, r.x + r.width);
        e.y = std::max(e.y, r.y + r.height);
    }
    return e;
}

}  // namespace kravin::model

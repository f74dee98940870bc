#include "item_move_list.h"

#include "tan_geometry.h"

#include <algorithm>

namespace kravin::wiring {

void CItemMoveList::BeginDrag(int x, int y)
{
    pressX_ = currentX_ = x;
    pressY_ = currentY_ = y;
    pressed_ = true;
    moving_ = false;
}

void CItemMoveList::SetDragPoint(int x, int y)
{
    currentX_ = x;
    currentY_ = y;
    moving_ = true;
}

void CItemMoveList::SetDragDelta(int dx, int dy)
{
    currentX_ = pressX_ + dx;
    currentY_ = pressY_ + dy;
}

bool CItemMoveList::TrackDrag(int x, int y)
{
    if (moving_) return true;
    if (!pressed_ || (x == pressX_ && y == pressY_)) return false;
    moving_ = true;
    pressed_ = false;
    return true;
}

bool CItemMoveList::EndDrag()
{
    const bool moved = moving_;
    pressed_ = moving_ = false;
    hideOutlines = false;
    return moved;
}

bool CItemMoveList::contains(int block) const
{
    return std::any_of(records_.begin(), records_.end(), [block](const MoveRecord& r) { return r.block == block; });
}

int CItemMoveList::Select(const MoveRecord& record, bool add)
{
    selectionChanged_ = 1;
    if (contains(record.block)) {
        if (!add) return 2;
        Deselect(record.block);
        return 0;
    }
    if (!add) records_.clear();
    records_.push_back(record);
    return 1;
}

void CItemMoveList::Deselect(int block)
{
    std::erase_if(records_, [block](const MoveRecord& r) { return r.block == block; });
}

void CItemMoveList::Clear()
{
    records_.clear();
    selectionChanged_ = 0;
    hideOutlines = false;
}

void CItemMoveList::SelectAll(const UnitLayout& layout)
{
    records_.clear();
    for (int b = 0; b < kLayoutBlocks; ++b) {
        const BlockLayout& l = layout[static_cast<std::size_t>(b)];
        if (!l.present || l.width == 0) continue;
        MoveRecord r;
        r.block = b;
        r.inputs = l.inputs;
        r.outputs = l.outputs;
        r.x = r.pressX = r.currentX = l.x;
        r.y = r.pressY = r.currentY = l.y;
        records_.push_back(r);
    }
    selectionChanged_ = 1;
}

std::vector<BlockMove> CItemMoveList::ApplyMove()
{
    const Delta d = GetDragDelta();
    std::vector<BlockMove> moves;
    for (MoveRecord& r : records_) {
        r.x += d.dx;
        r.y += d.dy;
        moves.push_back({r.block, r.x, r.y});
    }
    pressX_ = pressY_ = currentX_ = currentY_ = 0;
    return moves;
}

std::vector<BlockMove> CItemMoveList::placeAll(int (*place)(const MoveRecord&, int, const UnitLayout*), int width,
                                               const UnitLayout* layout)
{
    std::vector<BlockMove> moves;
    for (MoveRecord& r : records_) {
        r.x = place(r, width, layout);
        moves.push_back({r.block, r.x, r.y});
    }
    return moves;
}

std::vector<BlockMove> CItemMoveList::AlignLeft()
{
    return placeAll([](const MoveRecord&, int, const UnitLayout*) { return 1; }, 0, nullptr);
}

std::vector<BlockMove> CItemMoveList::AlignCenter(int width)
{
    return placeAll([](const MoveRecord&, int w, const UnitLayout*) { return w / 2 - 8; }, width, nullptr);
}

std::vector<BlockMove> CItemMoveList::AlignRight(int width, const UnitLayout& layout)
{
    return placeAll(
        [](const MoveRecord& r, int w, const UnitLayout* l) {
            const int bw = (*l)[static_cast<std::size_t>(r.block)].width;
            return bw > 14 ? w - bw - 3 : w - 18;
        },
        width, &layout);
}

bool CItemMoveList::HitTestTerminal(const BlockLayout& b, int x, int y, int p, int sx, int sy, MoveRecord& out)
{
    out.terminal = -1;
    out.side = -1;
    const auto inBand = [&](int i) { return (b.x + 3 * i) * p - sx <= x && x <= (b.x + 3 * i + 3) * p - sx; };
    if ((b.y - 4) * p - sy <= y && y <= (b.y - 1) * p - sy) {
        for (int i = 0; i < b.inputs; ++i)
            if (inBand(i)) {
                out.terminal = i;
                out.side = 1;
                return true;
            }
    }
    if ((b.y + 5) * p - sy <= y && y <= (b.y + 8) * p - sy) {
        for (int j = 0; j < b.outputs; ++j)
            if (inBand(j)) {
                out.terminal = j;
                out.side = 2;
                return true;
            }
    }
    return false;
}

BlockHit CItemMoveList::HitTestBlock(const UnitLayout& layout, int x, int y, int p, int sx, int sy, MoveRecord& out)
{
    if (p <= 0) return BlockHit::Nothing;
    const int gx = (x + sx) / p, gy = (y + sy) / p;
    BlockHit result = BlockHit::Nothing;
    for (int b = 0; b < kLayoutBlocks; ++b) {
        const BlockLayout& l = layout[static_cast<std::size_t>(b)];
        if (!l.present || l.width == 0) continue;
        const auto fill = [&](MoveRecord& r) {
            r.block = b;
            r.inputs = l.inputs;
            r.outputs = l.outputs;
            r.x = l.x;
            r.y = l.y;
            r.pressX = r.currentX = x;
            r.pressY = r.currentY = y;
        };
        if (l.x <= gx && gx <= l.x + std::max(15, l.width) && l.y - 4 <= gy && gy <= l.y + 4) {
            fill(out);
            out.terminal = out.side = -1;
            result = BlockHit::Box;
        }
        MoveRecord t;
        if (HitTestTerminal(l, x, y, p, sx, sy, t)) {
            fill(out);
            out.terminal = t.terminal;
            out.side = t.side;
            return BlockHit::Terminal;
        }
    }
    return result;
}

bool CItemMoveList::GetSelectionBounds(Bounds& out) const
{
    if (records_.size() < 2) return false;
    out = {records_[0].x, records_[0].y, records_[0].x, records_[0].y};
    for (const MoveRecord& r : records_) {
        out.minX = std::min(out.minX, r.x);
        out.minY = std::min(out.minY, r.y);
        out.maxX = std::max(out.maxX, r.x);
        out.maxY = std::max(out.maxY, r.y);
    }
    return true;
}

MoveLimits ComputeMoveLimits(const CItemMoveList::Bounds& b, int gx, int gy)
{
    return {gx - b.minX, gx + kGridColumns - b.maxX - 16, gy - b.minY, gy + kGridRows - b.maxY - 5};
}

bool IsMoveInsideLimits(const CItemMoveList& list, const MoveLimits& l, int gx, int gy)
{
    if (!list.IsMultiSelected()) return true;
    return l.left <= gx && gx <= l.right && l.top <= gy && gy <= l.bottom;
}

}  // namespace kravin::wiring

#include "figure_layer.h"

#include "KRAVinA.h"

#include <cstdio>

namespace kravin::model {

static_assert(CFigureMap::kBlockBytes == kFigureBlockBytes);

namespace {

void clearFigure(FigureRecord& rec)
{
    rec.inUse = kSlotFree;
    rec.x = rec.y = rec.colour = rec.diameter = 0;
}

}  // namespace

std::string figureFileName(int station, int card)
{
    char name[32];
    std::snprintf(name, sizeof name, "%s%.2i%.2i%s", "AC_TENBYOU", station, card, ".KRAB");
    return name;
}

CFigureMap::CFigureMap(LayerEnv env, std::string folder, std::string fileName, const unsigned char* block)
    : LayerBlock(std::move(env), std::move(folder), std::move(fileName), block)
{
}

CFigureMap::CFigureMap(LayerEnv env, std::string folder, std::string fileName)
    : CFigureMap(std::move(env), std::move(folder), std::move(fileName), nullptr)
{
}

CFigureMap CFigureMap::CopyConstruct(const unsigned char* block, LayerEnv env, std::string folder,
                                     std::string fileName)
{
    return CFigureMap(std::move(env), std::move(folder), std::move(fileName), block);
}

void CFigureMap::note(int kind, int slot, const FigureRecord& rec) const
{
    if (env_.undo) env_.undo->RecordFigure(kind, slot, rec);
}

std::optional<int> CFigureMap::HitTest(int x, int y) const
{
    for (int s = 0; s < kLayerSlots; ++s) {
        const auto& r = record(s);
        const int d = r.diameter / 2;
        if (r.inUse == kSlotUsed && r.x - d <= x && x <= r.x + d && r.y - d <= y && y <= r.y + d) return s;
    }
    return std::nullopt;
}

int CFigureMap::SelectAt(int x, int y, bool add)
{
    return selectSlot(HitTest(x, y), x, y, add);
}

bool CFigureMap::AddFigure(int x, int y, std::int32_t colour)
{
    if (firstFree() < 0) {
        message(kMsgFiguresFull);
        return false;
    }
    LayerStep step(env_.undo);
    compact([this](int slot, const FigureRecord& before, const FigureRecord& after) {
        note(20, slot, before);
        note(19, slot, after);
    }, clearFigure);
    const int slot = firstFree();
    const FigureRecord before = record(slot);
    if (!AddRecord({0, x, y, colour, 1, kSlotUsed})) return false;
    note(20, slot, before);
    note(19, slot, record(slot));
    return true;
}

bool CFigureMap::AddRecord(FigureRecord rec)
{
    const int slot = firstFree();
    if (slot < 0) return false;
    rec.slot = slot;
    at(slot) = rec;
    Write();
    return true;
}

bool CFigureMap::DeleteAt(int slot)
{
    if (!used(slot)) return false;
    clearFigure(at(slot));
    Write();
    return true;
}

bool CFigureMap::SetPos(int slot, int x, int y, int diameter)
{
    if (!used(slot)) return false;
    auto& r = at(slot);
    r.x = x;
    r.y = y;
    r.diameter = diameter;
    Write();
    return true;
}

bool CFigureMap::RestoreSlot(int slot, const FigureRecord& rec)
{
    if (!validSlot(slot)) return false;
    at(slot) = rec;
    if (auto it = selection_.find(slot); it != selection_.end()) {
        if (rec.inUse == kSlotUsed)
            it->second = rec;
        else
            selection_.erase(it);
    }
    return Write();
}

void CFigureMap::MoveSelected()
{
    const Point d = GetDragDelta();
    {
        LayerStep step(env_.undo);
        for (auto& [slot, copy] : selection_) {
            if (!used(slot)) continue;
            const FigureRecord before = record(slot);
            note(20, slot, before);
            SetPos(slot, before.x + d.x, before.y + d.y, 1);
            copy = record(slot);
            note(19, slot, copy);
        }
    }
    dragStart_ = dragCurrent_ = {0, 0};
}

void CFigureMap::DeleteSelected()
{
    {
        LayerStep step(env_.undo);
        for (const auto& entry : selection_) {
            const int slot = entry.first;
            if (!used(slot)) continue;
            const FigureRecord before = record(slot);
            DeleteAt(slot);
            note(20, slot, before);
            note(19, slot, record(slot));
        }
    }
    RemoveAll();
}

void CFigureMap::alignTo(int (*place)(int width), int width)
{
    for (auto& [slot, copy] : selection_) {
        if (!used(slot)) continue;
        SetPos(slot, place(width), record(slot).y, 1);
        copy = record(slot);
    }
}

void CFigureMap::AlignLeft()
{
    alignTo([](int) { return 1; }, 0);
}

void CFigureMap::AlignCenter(int width)
{
    alignTo([](int w) { return w / 2; }, width);
}

void CFigureMap::AlignRight(int width)
{
    // Every aligned dot gets diameter 1.
    alignTo([](int w) { return w - 1 - 1; }, width);
}

Point CFigureMap::GetExtent() const
{
    Point e;
    for (const auto& r : block_) {
        e.x = std::max(e.x, r.x);
        e.y = std::max(e.y, r.y);
    }
    return e;
}

}  // namespace kravin::model

#include "block_undo.h"

#include "KRAVinA.h"

#include <cstring>

namespace kravin::model {

namespace {

// The analog view when it is the active one.
UndoView* analogView(BlockUndoHost& host)
{
    UndoView* view = host.activeView();
    return view && view->kind() == WiringViewKind::Analog ? view : nullptr;
}

bool inRange(int v, int count) { return v >= 0 && v < count; }

// The odd kind of a record pair.
int pairKind(int kind) { return kind % 2 ? kind : kind - 1; }

}  // namespace

void CBlockUndo::Clear(bool force)
{
    if (unit_.update(host_.station(), host_.card()) || force) clearHistory();
}

bool CBlockUndo::Record(int kind)
{
    if (kind < kBlockData || kind > kBlockPosition + 1) return false;
    BlockUndoEntry entry;
    entry.kind = pairKind(kind);
    entry.station = host_.station();
    entry.card = host_.card();
    const std::string folder = host_.workFolder();

    switch (entry.kind) {
    case kBlockData: {
        BlockUndoEntry::Block b;
        b.group = host_.currentGroup();
        b.special = host_.specialGroupMode();
        if (b.special) {
            if (!inRange(b.group - 1, static_cast<int>(kSpecialGroupTable.size()))) return false;
            b.block = kSpecialGroupTable[static_cast<std::size_t>(b.group - 1)];
        } else {
            if (!inRange(b.group, kUnitBlocks)) return false;
            b.block = b.group;
        }
        b.code = host_.blockCode(b.block);
        b.data = readBlock(b.block);
        entry.image = b;
        break;
    }
    case kLineFirstEnd:
    case kLineSecondEnd: {
        UndoView* view = analogView(host_);
        if (!view) return false;
        const LineEnd end = view->selectedLineEnd(entry.kind == kLineFirstEnd ? 1 : 2);
        if (!inRange(end.block, kUnitBlocks) || !inRange(end.item, kBlockItems)) return false;
        BlockUndoEntry::Line l;
        l.block = end.block;
        l.item = end.item;
        KRAVinA_Data_Item_Get(l.block, l.item, l.itemText.data());
        l.line = readAcon(entry.station, entry.card, l.block, l.item, folder);
        entry.image = l;
        break;
    }
    case kBlockPosition: {
        UndoView* view = analogView(host_);
        if (!view || !inRange(view->currentBlock(), kUnitBlocks)) return false;
        BlockUndoEntry::Position p;
        p.block = view->currentBlock();
        KRAVinA_Data_XY_Get(p.block, &p.x, &p.y);
        entry.image = p;
        break;
    }
    default:
        return false;
    }
    if (kind % 2 == 0) {
        saveBefore(kind, std::move(entry));
        return true;
    }
    return saveAfter(kind, std::move(entry));
}

bool CBlockUndo::RecordComment(int kind, int slot, const CommentRecord& record)
{
    if (kind < kCommentAdd || kind > kCommentChange + 1) return false;
    BlockUndoEntry entry{pairKind(kind), host_.station(), host_.card(), CommentSlot{slot, record}};
    if (kind % 2 == 0) {
        saveBefore(kind, std::move(entry));
        return true;
    }
    return saveAfter(kind, std::move(entry));
}

bool CBlockUndo::RecordLink(int kind, const LinkRecord& record)
{
    if (kind != kJumpRecord && kind != kJumpRecord + 1) return false;
    BlockUndoEntry entry{kJumpRecord, host_.station(), host_.card(), record};
    if (kind % 2 == 0) {
        saveBefore(kind, std::move(entry));
        return true;
    }
    return saveAfter(kind, std::move(entry));
}

bool CBlockUndo::RecordFigure(int kind, int slot, const FigureRecord& record)
{
    if (kind != kFigure && kind != kFigure + 1) return false;
    BlockUndoEntry entry{kFigure, host_.station(), host_.card(), FigureSlot{slot, record}};
    if (kind % 2 == 0) {
        saveBefore(kind, std::move(entry));
        return true;
    }
    return saveAfter(kind, std::move(entry));
}

bool CBlockUndo::restoreEntry(const BlockUndoEntry& e, bool)
{
    const std::string folder = host_.workFolder();
    UndoView* view = analogView(host_);
    bool ok = true;

    if (const auto* b = std::get_if<BlockUndoEntry::Block>(&e.image)) {
        UnitHead head;
        loadUnit(e.station, e.card, folder, head);
        putBlock(b->block, b->data);
        std::memcpy(head.data() + kCodeBytes * b->block, b->code.data(), kCodeBytes);
        ok = writeUnit(e.station, e.card, head, folder);
        host_.setBlockCode(b->block, b->code);
        host_.setCurrentGroup(b->group, b->special);
        if (view) view->forgetBlockHeight(b->block);
    } else if (const auto* l = std::get_if<BlockUndoEntry::Line>(&e.image)) {
        UnitHead head;
        loadUnit(e.station, e.card, folder, head);
        KRAVinA_Data_Item_Set(l->block, l->item, l->itemText.data());
        ok = writeUnit(e.station, e.card, head, folder);
        ok = putAcon(e.station, e.card, l->block, l->item, l->line, folder) && ok;
        ok = KRAVinA_Acon_Write(e.station, libraryCard(e.card), folder.c_str()) == 0 && ok;
    } else if (const auto* p = std::get_if<BlockUndoEntry::Position>(&e.image)) {
        UnitHead head;
        loadUnit(e.station, e.card, folder, head);
        KRAVinA_Data_XY_Set(p->block, p->x, p->y);
        ok = writeUnit(e.station, e.card, head, folder);
    } else if (const auto restored = RestoreViewImage(view, e.image)) {
        ok = *restored;
    }
    host_.setModified();
    return ok;
}

void CSeqBlkUndo::Clear(bool force)
{
    if (unit_.update(host_.station(), host_.card()) || force) clearHistory();
}

bool CSeqBlkUndo::Record(int kind)
{
    if (kind == 2) {
        saveBefore(1, host_.captureSteps());
        return true;
    }
    if (kind == 1) return saveAfter(1, host_.captureSteps());
    return false;
}

bool CSeqBlkUndo::restoreEntry(const SeqImage& image, bool)
{
    const bool ok = host_.restoreSteps(image);
    host_.setModified();
    return ok;
}

}  // namespace kravin::model

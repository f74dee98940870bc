// Undo stores of the block-level editors of one unit (analog terminal view and
// function block list) and of the sequential control block view.
#pragma once

#include "comment_layer.h"
#include "figure_layer.h"
#include "undo_store.h"
#include "undo_view.h"
#include "unit_files.h"

#include <string>
#include <variant>

namespace kravin::model {

// The groups shown as 101..114 in special-group mode.
inline constexpr std::array<int, 14> kSpecialGroupTable = {4, 5, 6, 7, 8, 9, 10, 27, 28, 29, 70, 71, 93, 94};

// The current unit and its block table as the block store needs them.
class BlockUndoHost {
public:
    virtual ~BlockUndoHost() = default;
    virtual int station() const = 0;  // g_curStation
    virtual int card() const = 0;     // g_curCard: 0 the station, 1..16 cards
    virtual std::string workFolder() const = 0;
    virtual int currentGroup() const = 0;       // g_curGroup (1-based in special-group mode)
    virtual bool specialGroupMode() const = 0;  // g_specialGroupMode
    virtual void setCurrentGroup(int group, bool specialMode) = 0;
    virtual BlockCode blockCode(int block) const = 0;  // g_unitBlocks entry
    virtual void setBlockCode(int block, const BlockCode& code) = 0;
    virtual UndoView* activeView() = 0;  // null when no wiring view is active
    virtual void setModified() = 0;
};

// Kinds of CBlockUndo (odd = after, even = before).
enum BlockUndoKind {
    kBlockData = 1,       // 1/2 one function block
    kLineFirstEnd = 3,    // 3/4 analog line at the selected line's first end
    kLineSecondEnd = 5,   // 5/6 the same at its second end
    kBlockPosition = 7,   // 7/8 the analog view's current block position
    kCommentAdd = 9,      // 9/10 comment added or deleted
    kCommentChange = 11,  // 11/12 comment moved or edited
    kJumpRecord = 13,     // 13/14 jump record
    kFigure = 15,         // 15/16 figure
};

// One image of CBlockUndo: its kind (odd) and what it saved.
struct BlockUndoEntry {
    struct Block {
        int group = 0;        // the current group as the editor had it
        bool special = false;
        int block = 0;        // the block actually read (mapped in special-group mode)
        BlockCode code{};
        BlockImage data;
    };
    struct Line {
        int block = 0, item = 0;
        std::array<char, kItemBytes> itemText{};
        AconImage line;
    };
    struct Position {
        int block = 0, x = 0, y = 0;
    };
    int kind = 0;
    int station = 0, card = 0;
    std::variant<std::monostate, Block, Line, Position, CommentSlot, LinkRecord, FigureSlot> image;
};

class CBlockUndo : public SnapshotStore<BlockUndoEntry> {
public:
    explicit CBlockUndo(BlockUndoHost& host) : host_(host) {}
    ~CBlockUndo() override = default;

    // Empties the history when the current unit is not the one it was kept
    // for, or when force is set.
    void Clear(bool force);

    // Kinds 1..8 capture the state named by the kind; false for other kinds.
    bool Record(int kind);
    bool RecordComment(int kind, int slot, const CommentRecord& record);  // 9..12
    bool RecordLink(int kind, const LinkRecord& record);                  // 13, 14
    bool RecordFigure(int kind, int slot, const FigureRecord& record);    // 15, 16

protected:
    bool restoreEntry(const BlockUndoEntry& entry, bool undo) override;

private:
    BlockUndoHost& host_;
    UnitKey unit_;
};

// g_seqGroup, g_seqSelectedStep, g_seqMarkers and g_stepTable of the unit.
struct SeqImage {
    static constexpr int kRows = 12, kSteps = 89, kCodeWidth = 6;
    std::int32_t group = 0;
    std::int32_t selectedStep = 0;
    std::array<std::int16_t, kRows> markers{};
    std::array<char, kRows * kSteps * kCodeWidth> steps{};
    friend bool operator==(const SeqImage&, const SeqImage&) = default;
};

class SeqStepHost {
public:
    virtual ~SeqStepHost() = default;
    virtual int station() const = 0;
    virtual int card() const = 0;
    virtual SeqImage captureSteps() const = 0;
    // Copies the image back into the step table and writes the steps to the
    // unit file (SaveSeqSteps); false when the unit could not be written.
    virtual bool restoreSteps(const SeqImage& image) = 0;
    virtual void setModified() = 0;
};

class CSeqBlkUndo : public SnapshotStore<SeqImage> {
public:
    explicit CSeqBlkUndo(SeqStepHost& host) : host_(host) {}
    void Clear(bool force);
    bool Record(int kind);  // 2 before, 1 after

protected:
    bool restoreEntry(const SeqImage& image, bool undo) override;

private:
    SeqStepHost& host_;
    UnitKey unit_;
};

}  // namespace kravin::model

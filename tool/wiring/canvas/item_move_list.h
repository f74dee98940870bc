// The analog view's selection of function blocks with the state of a drag:
// hit tests of block boxes and terminals, the group's drag delta and bounds,
// and the moves of a drag or an alignment handed back as one list.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace kravin::wiring {

constexpr int kLayoutBlocks = 100;

// What the hit tests need of one block of the diagram.
struct BlockLayout {
    bool present = false;  // takes part in hit tests and select-all
    int x = 0, y = 0;      // grid position
    int inputs = 0, outputs = 0;
    int width = 0;         // 3 x the larger terminal count; 0 = not laid out
};
using UnitLayout = std::array<BlockLayout, kLayoutBlocks>;

// One selected block (the stored form: 11 int32 in this order).
struct MoveRecord {
    std::int32_t block = -1;
    std::int32_t inputs = 0, outputs = 0;
    std::int32_t x = 0, y = 0;
    std::int32_t pressX = 0, pressY = 0;
    std::int32_t currentX = 0, currentY = 0;
    std::int32_t terminal = -1;
    std::int32_t side = -1;  // 1 input, 2 output, -1 none
};
static_assert(sizeof(MoveRecord) == 44);

// A block's new position after a drag or an alignment.
struct BlockMove {
    int block = 0;
    int x = 0, y = 0;
    friend bool operator==(const BlockMove&, const BlockMove&) = default;
};

enum class BlockHit { Nothing = 0, Box = 1, Terminal = 2 };

class CItemMoveList {
public:
    void BeginDrag(int x, int y);
    void SetDragPoint(int x, int y);
    void SetDragDelta(int dx, int dy);
    struct Delta {
        int dx = 0, dy = 0;
    };
    Delta GetDragDelta() const { return {currentX_ - pressX_, currentY_ - pressY_}; }
    // Moving once the cell left the pressed one while the button is down.
    bool TrackDrag(int x, int y);
    // Clears the drag; true when it moved.
    bool EndDrag();
    bool pressed() const { return pressed_; }
    bool moving() const { return moving_; }

    bool IsSelected() const { return !records_.empty(); }
    bool IsMultiSelected() const { return records_.size() > 1; }
    bool contains(int block) const;
    // 0 removed (toggle with add), 1 selected, 2 already selected.
    int Select(const MoveRecord& record, bool add);
    void Deselect(int block);
    void Clear();
    void SelectAll(const UnitLayout& layout);
    const std::vector<MoveRecord>& records() const { return records_; }
    int selectionChanged() const { return selectionChanged_; }
    bool hideOutlines = false;

    // Every selected block at its position plus the drag delta; the records
    // take the new positions and the drag points go back to 0.
    std::vector<BlockMove> ApplyMove();
    // The grid of width columns: left to x 1, centre to width / 2 - 8, right so
    // the box ends 3 columns before the edge.
    std::vector<BlockMove> AlignLeft();
    std::vector<BlockMove> AlignCenter(int width);
    std::vector<BlockMove> AlignRight(int width, const UnitLayout& layout);

    // The cell is (x + scroll) / pitch. A terminal hit ends the search at
    // once; otherwise the last box in block order that holds the point.
    static BlockHit HitTestBlock(const UnitLayout& layout, int x, int y, int pitch, int scrollX, int scrollY,
                                 MoveRecord& out);
    static bool HitTestTerminal(const BlockLayout& block, int x, int y, int pitch, int scrollX, int scrollY,
                                MoveRecord& out);

    struct Bounds {
        int minX = 0, minY = 0, maxX = 0, maxY = 0;
    };
    // Bounds of the selected blocks; false unless several are selected.
    bool GetSelectionBounds(Bounds& out) const;

private:
    std::vector<BlockMove> placeAll(int (*place)(const MoveRecord&, int, const UnitLayout*), int width,
                                    const UnitLayout* layout);

    std::vector<MoveRecord> records_;
    int pressX_ = 0, pressY_ = 0, currentX_ = 0, currentY_ = 0;
    bool pressed_ = false, moving_ = false;
    int selectionChanged_ = 0;
};

// The limits of a group drag: the pointer cell may move as far as keeps every
// selected block inside the diagram.
struct MoveLimits {
    int left = 0, right = 0, top = 0, bottom = 0;
};
MoveLimits ComputeMoveLimits(const CItemMoveList::Bounds& bounds, int gx, int gy);
// True when at most one block is selected or the cell lies within the limits.
bool IsMoveInsideLimits(const CItemMoveList& list, const MoveLimits& limits, int gx, int gy);

}  // namespace kravin::wiring

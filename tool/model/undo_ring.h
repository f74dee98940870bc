// The four-deep undo history every editor store is built on: a ring of
// snapshot pointers with a cursor that moves back on Undo and forward on Redo.
// The ring never owns, copies or reads a snapshot.
#pragma once

#include <array>
#include <cstdint>

namespace kravin::model {

class CUndoRing {
public:
    static constexpr int Depth = 4;

    CUndoRing() { Reset(); }
    virtual ~CUndoRing() = default;

    CUndoRing(const CUndoRing&) = delete;
    CUndoRing& operator=(const CUndoRing&) = delete;

    // Empties every position; Undo and Redo become impossible.
    void Reset();

    // Stores p at the cursor and advances; returns the new cursor.
    int Push(void* p);

    // n < 0: one Undo step; n == 0: the slot at the cursor; n > 0: one Redo
    // step. Null when there is nothing to step to.
    void* Step(int n);

    bool CanUndo() const { return !atOldest_; }
    bool CanRedo() const { return !atNewest_; }

    int cursor() const { return cursor_; }
    int depth() const { return depth_; }

private:
    std::array<void*, Depth> slot_{};
    bool atOldest_ = true;
    bool atNewest_ = true;
    std::int32_t oldest_ = 0;
    std::int32_t cursor_ = 0;
    std::int32_t newest_ = 0;
    std::int32_t depth_ = 0;
};

}  // namespace kravin::model

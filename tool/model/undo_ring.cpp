#include "undo_ring.h"

namespace kravin::model {

void CUndoRing::Reset()
{
    slot_.fill(nullptr);
    atOldest_ = atNewest_ = true;
    oldest_ = cursor_ = newest_ = depth_ = 0;
}

int CUndoRing::Push(void* p)
{
    slot_[cursor_] = p;
    cursor_ = (cursor_ + 1) % Depth;
    newest_ = cursor_;
    if (depth_ >= Depth)
        oldest_ = cursor_;
    else
        ++depth_;
    atOldest_ = false;
    atNewest_ = true;
    return cursor_;
}

void* CUndoRing::Step(int n)
{
    if (n < 0) {
        if (depth_ <= 0 || atOldest_) return nullptr;
        cursor_ = (cursor_ == 0 ? Depth : cursor_) - 1;
        if (cursor_ == oldest_) atOldest_ = true;
        atNewest_ = false;
        --depth_;
        return slot_[cursor_];
    }
    if (n == 0) return slot_[cursor_];
    if (atNewest_) return nullptr;
    void* p = slot_[cursor_];
    cursor_ = (cursor_ + 1) % Depth;
    if (cursor_ == newest_) atNewest_ = true;
    atOldest_ = false;
    ++depth_;
    return p;
}

}  // namespace kravin::model

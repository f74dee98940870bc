// The common machinery of the undo stores: snapshots that hold what an edit
// changed (one entry, or several for an operation on many objects), made in
// two halves around the edit and pushed into the ring only when complete.
#pragma once

#include "undo_ring.h"

#include <array>
#include <memory>
#include <vector>

namespace kravin::model {

// Outcome of Undo and Redo.
enum class StepResult {
    Nothing,   // no snapshot to step to
    Restored,  // the snapshot was restored
    Failed,    // stepped, but a restore could not be written or applied
};

template <class Entry>
class SnapshotStore : public CUndoRing {
public:
    // Brackets an operation on several objects: the halves recorded between
    // them become one snapshot, pushed by the outermost EndStep.
    void BeginStep()
    {
        if (stepDepth_++ == 0) stepPending_ = false;
    }
    void EndStep()
    {
        if (stepDepth_ > 0 && --stepDepth_ == 0 && stepPending_) commitPending();
    }

    StepResult Undo()
    {
        pending_.reset();
        auto* s = static_cast<Snapshot*>(Step(-1));
        if (!s) return StepResult::Nothing;
        bool ok = true;
        for (auto it = s->before.rbegin(); it != s->before.rend(); ++it) ok = restoreEntry(*it, true) && ok;
        return ok ? StepResult::Restored : StepResult::Failed;
    }

    StepResult Redo()
    {
        pending_.reset();
        auto* s = static_cast<Snapshot*>(Step(+1));
        if (!s) return StepResult::Nothing;
        bool ok = true;
        for (const auto& e : s->after) ok = restoreEntry(e, false) && ok;
        return ok ? StepResult::Restored : StepResult::Failed;
    }

    // True while the first half of an edit waits for its second.
    bool hasPending() const { return pending_ != nullptr; }

protected:
    struct Snapshot {
        int kind = 0;
        std::vector<Entry> before, after;
    };

    // Restores one entry: its before image on undo, its after image on redo.
    virtual bool restoreEntry(const Entry& entry, bool undo) = 0;

    // First half (even kind). Outside a step it starts a fresh snapshot, so a
    // first half whose edit was abandoned is simply replaced and never
    // reaches the ring.
    void saveBefore(int kind, Entry entry)
    {
        openPending(kind);
        pending_->before.push_back(std::move(entry));
    }

    // Second half (odd kind); false when no first half is waiting.
    bool saveAfter(int kind, Entry entry)
    {
        if (!pending_ || (stepDepth_ > 0 && !stepPending_)) return false;
        pending_->kind = kind;
        pending_->after.push_back(std::move(entry));
        if (stepDepth_ == 0) commitPending();
        return true;
    }

    // A snapshot made in one go (both halves the same image).
    void saveSingle(int kind, Entry entry)
    {
        openPending(kind);
        pending_->before.push_back(entry);
        pending_->after.push_back(std::move(entry));
        if (stepDepth_ == 0) commitPending();
    }

    // Empties the history and forgets any waiting half.
    void clearHistory()
    {
        pending_.reset();
        stepDepth_ = 0;
        stepPending_ = false;
        Reset();
        for (auto& s : owned_) s.reset();
    }

private:
    // The snapshot the coming half goes into: a fresh one, except inside a
    // step that has already started one.
    void openPending(int kind)
    {
        if (pending_ && stepDepth_ > 0 && stepPending_) return;
        pending_ = std::make_unique<Snapshot>();
        pending_->kind = kind;
        stepPending_ = stepDepth_ > 0;
    }

    void commitPending()
    {
        if (!pending_ || pending_->after.empty()) {
            pending_.reset();
            return;
        }
        const int pos = cursor();
        owned_[static_cast<std::size_t>(pos)] = std::move(pending_);
        Push(owned_[static_cast<std::size_t>(pos)].get());
    }

    std::array<std::unique_ptr<Snapshot>, Depth> owned_;
    std::unique_ptr<Snapshot> pending_;
    int stepDepth_ = 0;
    bool stepPending_ = false;  // pending_ belongs to the step under way
};

// The unit a history is kept for: a history of another unit is emptied.
struct UnitKey {
    int station = -1, card = -1;
    // Takes the unit now current; true when it differs from the one kept.
    bool update(int s, int c)
    {
        const bool other = s != station || c != card;
        station = s;
        card = c;
        return other;
    }
};

// RAII bracket around an operation on several objects.
template <class Store>
class UndoStep {
public:
    explicit UndoStep(Store& store) : store_(store) { store_.BeginStep(); }
    ~UndoStep() { store_.EndStep(); }
    UndoStep(const UndoStep&) = delete;
    UndoStep& operator=(const UndoStep&) = delete;

private:
    Store& store_;
};

}  // namespace kravin::model

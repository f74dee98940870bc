// What the comment and figure layers share: the records' slot block, the
// selection keyed by slot, the drag state and the hooks to the rest of the tool.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "KRAVinA.h"

namespace kravin::model {

static_assert(std::endian::native == std::endian::little, "layer blocks are stored little-endian");

constexpr int kLayerSlots = 100;

// Record states of the in-use field. Removed appears only in undo copies.
enum : std::int32_t { kSlotFree = 0, kSlotUsed = 1, kSlotRemoved = -1 };

struct CommentRecord;
struct FigureRecord;

// Where a layer reports its changes for undo: the whole contents of one slot
// before (even kind) and after (odd kind) a change. Layer kinds: comments
// 13/14 (add, delete) and 15/16 (move, edit); figures 19/20. BeginStep and
// EndStep bracket an operation on several records so it undoes as one step.
class LayerUndo {
public:
    virtual ~LayerUndo() = default;
    virtual void RecordComment(int kind, int slot, const CommentRecord& record) = 0;
    virtual void RecordFigure(int kind, int slot, const FigureRecord& record) = 0;
    virtual void BeginStep() = 0;
    virtual void EndStep() = 0;
};

// The rest of the tool as a layer sees it.
struct LayerEnv {
    std::function<void()> setModified;       // project modified flag := 1
    std::function<void(int id)> message;     // string-table message box (OK)
    LayerUndo* undo = nullptr;               // none: nothing is recorded
};

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// One undo step around an operation on several records; nothing when no undo is wired.
class LayerStep {
public:
    explicit LayerStep(LayerUndo* undo) : undo_(undo)
    {
        if (undo_) undo_->BeginStep();
    }
    ~LayerStep()
    {
        if (undo_) undo_->EndStep();
    }
    LayerStep(const LayerStep&) = delete;
    LayerStep& operator=(const LayerStep&) = delete;

private:
    LayerUndo* undo_;
};

using LayerFileRead = int (*)(void* block, const char* folder, const char* fileName);
using LayerFileWrite = int (*)(const void* block, const char* folder, const char* fileName);

// The 100 records of a layer file with the selection and drag state of its
// view. Record needs int32 fields slot and inUse.
template <class Record, LayerFileRead ReadFile, LayerFileWrite WriteFile>
class LayerBlock {
public:
    static constexpr std::size_t kBlockBytes = sizeof(Record) * kLayerSlots;

    // Writes the whole block and sets the project modified; false when the
    // file could not be written.
    bool Write()
    {
        const auto bytes = blockBytes();
        const int rc = WriteFile(bytes.data(), folder_.c_str(), fileName_.c_str());
        if (env_.setModified) env_.setModified();
        return rc == 0;
    }

    const std::string& folder() const { return folder_; }
    const std::string& fileName() const { return fileName_; }

    const Record& record(int slot) const { return block_[static_cast<std::size_t>(slot)]; }
    bool used(int slot) const { return validSlot(slot) && record(slot).inUse == kSlotUsed; }
    static bool validSlot(int slot) { return slot >= 0 && slot < kLayerSlots; }

    // The block as stored in the file.
    void CopyBlock(unsigned char* out) const { std::memcpy(out, block_.data(), kBlockBytes); }
    std::vector<unsigned char> blockBytes() const
    {
        std::vector<unsigned char> bytes(kBlockBytes);
        CopyBlock(bytes.data());
        return bytes;
    }

    const std::map<int, Record>& selection() const { return selection_; }
    void RemoveAll() { selection_.clear(); }
    // Adds a used slot to the selection (rubber band).
    void Select(int slot)
    {
        if (used(slot)) selection_[slot] = record(slot);
    }
    bool HasEntries() const { return !selection_.empty(); }
    bool isSelected(int slot) const { return selection_.count(slot) != 0; }
    void SelectAll()
    {
        selection_.clear();
        for (int s = 0; s < kLayerSlots; ++s) selection_[s] = record(s);
    }

    void BeginDrag(int x, int y)
    {
        dragStart_ = dragCurrent_ = {x, y};
        dragArmed_ = true;
        dragMoving_ = false;
    }
    bool TrackDrag(int x, int y)
    {
        if (dragMoving_) return true;
        if (!dragArmed_ || Point{x, y} == dragCurrent_) return false;
        dragMoving_ = true;
        dragArmed_ = false;
        return true;
    }
    Point GetDragDelta() const { return {dragCurrent_.x - dragStart_.x, dragCurrent_.y - dragStart_.y}; }
    bool EndDrag()
    {
        const bool moved = dragMoving_;
        dragArmed_ = dragMoving_ = false;
        return moved;
    }
    bool dragMoving() const { return dragMoving_; }
    bool dragArmed() const { return dragArmed_; }

protected:
    // Takes the given block, or reads the layer file (a missing file reads as empty).
    LayerBlock(LayerEnv env, std::string folder, std::string fileName, const unsigned char* block)
        : env_(std::move(env)), folder_(std::move(folder)), fileName_(std::move(fileName))
    {
        if (block) {
            std::memcpy(block_.data(), block, kBlockBytes);
        } else {
            std::vector<unsigned char> bytes(kBlockBytes);
            ReadFile(bytes.data(), folder_.c_str(), fileName_.c_str());
            std::memcpy(block_.data(), bytes.data(), kBlockBytes);
        }
    }

    Record& at(int slot) { return block_[static_cast<std::size_t>(slot)]; }

    void message(int id) const
    {
        if (env_.message) env_.message(id);
    }

    // The first slot whose record is not in use, or -1.
    int firstFree() const
    {
        for (int s = 0; s < kLayerSlots; ++s)
            if (record(s).inUse != kSlotUsed) return s;
        return -1;
    }

    // Selection semantics shared by both layers (hit is the slot under the point).
    int selectSlot(std::optional<int> hit, int x, int y, bool add)
    {
        if (!hit) return 0;
        BeginDrag(x, y);
        const int slot = *hit;
        if (isSelected(slot)) {
            if (!add) return 2;
            selection_.erase(slot);
            return 1;
        }
        if (!add) selection_.clear();
        selection_[slot] = record(slot);
        return 1;
    }

    // Moves the used records to the front in slot order and frees the slots
    // they left. A moved record gets its new slot number, in the block and in
    // the selection; report(slot, before, after) hears of every slot changed.
    template <class Report, class Clear>
    void compact(Report report, Clear clearRecord)
    {
        std::vector<int> freeSelected;
        for (const auto& entry : selection_)
            if (record(entry.first).inUse != kSlotUsed) freeSelected.push_back(entry.first);
        std::map<int, Record> selection;
        int next = 0;
        for (int s = 0; s < kLayerSlots; ++s) {
            if (record(s).inUse != kSlotUsed) continue;
            if (s != next) {
                Record moved = record(s);
                moved.slot = next;
                report(next, record(next), moved);
                at(next) = moved;
                Record left = record(s);
                clearRecord(left);
                report(s, record(s), left);
                at(s) = left;
            }
            if (isSelected(s)) selection[next] = record(next);
            ++next;
        }
        for (int slot : freeSelected)
            if (record(slot).inUse != kSlotUsed) selection[slot] = record(slot);
        selection_ = std::move(selection);
    }

    LayerEnv env_;
    std::string folder_;
    std::string fileName_;
    std::array<Record, kLayerSlots> block_{};
    std::map<int, Record> selection_;
    Point dragCurrent_, dragStart_;
    bool dragArmed_ = false;
    bool dragMoving_ = false;
};

}  // namespace kravin::model

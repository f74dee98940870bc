// The comment boxes of one wiring diagram: 100 slots read from and written to
// one layer file, with the view's selection, drag and resize state.
#pragma once

#include "layer_common.h"

#include <string>
#include <string_view>

namespace kravin::model {

// One comment box as stored in the layer file (284 bytes, little-endian).
struct CommentRecord {
    std::int32_t slot = 0;    // its own index, written when added
    std::int32_t colour = 0;  // background, COLORREF 0x00BBGGRR
    std::int32_t x = 0;       // top-left corner, cells
    std::int32_t y = 0;
    std::int32_t width = 0;   // cells
    std::int32_t height = 0;
    std::int32_t inUse = 0;   // kSlotUsed / kSlotFree
    char text[256] = {};      // NUL-terminated CP932, may hold CR LF

    std::string_view textView() const { return {text, ::strnlen(text, sizeof text)}; }
    friend bool operator==(const CommentRecord& a, const CommentRecord& b)
    {
        return std::memcmp(&a, &b, sizeof a) == 0;
    }
};
static_assert(sizeof(CommentRecord) == 284);

constexpr std::size_t kCommentBlockBytes = 28400;

// A slot's whole contents as the undo stores keep them.
struct CommentSlot {
    int slot = 0;
    CommentRecord record;
};

// The comment dialog: new (mode 0) or edit (mode 1). OK returns true with the
// text (CP932), the colour and, in edit mode, whether Delete was ticked.
struct CommentDialogData {
    int mode = 0;
    std::string text;
    std::int32_t colour = 0;
    bool deleteRequested = false;
};

class CommentDialog {
public:
    virtual ~CommentDialog() = default;
    virtual bool run(CommentDialogData& data) = 0;
};

constexpr int kMsgCommentsFull = 8111;  // "Cannot register any more comments."
constexpr int kNewCommentSize = 5;      // cells, both ways
constexpr int kCommentTextBytes = 256;  // with the NUL

class CCommentMap : public LayerBlock<CommentRecord, KRAVinA_Comment_Read, KRAVinA_Comment_Write> {
public:
    // Reads the layer file folder/fileName (a missing file reads as empty).
    CCommentMap(LayerEnv env, std::string folder, std::string fileName);
    // Takes the given 28400-byte block instead of reading the file.
    static CCommentMap CopyConstruct(const unsigned char* block, LayerEnv env, std::string folder,
                                     std::string fileName);

    // The first used slot whose box holds (x, y), edges included.
    std::optional<int> HitTest(int x, int y) const;
    // 0 nothing hit, 1 selected (or unselected with add), 2 already selected.
    int SelectAt(int x, int y, bool add);

    void SetDragPoint(int x, int y)
    {
        dragCurrent_ = {x, y};
        dragMoving_ = true;
    }
    void SetDragDelta(int dx, int dy) { dragCurrent_ = {dragStart_.x + dx, dragStart_.y + dy}; }
    bool dragPointSet() const { return dragMoving_; }

    // Moves every selected box by the drag delta as one undo step.
    void MoveSelected();

    // Resize of the single selected box by one of its handles 1..8
    // (corners clockwise from top-left 1, 3, 5, 7; edges 2, 4, 6, 8).
    bool CheckResizeHandle(int x, int y);
    bool BeginResize();
    void TrackResize(int x, int y);
    bool EndResize();
    bool IsResizing() const { return resizing_; }
    int resizeHandle() const { return resizeHandle_; }
    bool resizeArmed() const { return resizeArmed_; }
    const Rect& resizeRect() const { return resizeRect_; }

    bool AddAt(int x, int y, CommentDialog& dialog);
    bool EditAt(int x, int y, CommentDialog& dialog);
    // Stores a record in the first free slot; message 8111 when all are used.
    bool AddRecord(CommentRecord record);
    bool DeleteAt(int slot);
    bool SetText(int slot, std::string_view text, std::int32_t colour);
    bool SetRect(int slot, int x, int y, int width, int height);
    // Puts a slot's whole contents back (undo and redo).
    bool RestoreSlot(int slot, const CommentRecord& record);

    void DeleteSelected();
    void AlignLeft();
    void AlignCenter(int width);
    void AlignRight(int width);

    Point GetExtent() const;

private:
    CCommentMap(LayerEnv env, std::string folder, std::string fileName, const unsigned char* block);
    void note(int kind, int slot, const CommentRecord& rec) const;
    void alignTo(int (*place)(const CommentRecord&, int), int width);

    Rect resizeRect_;
    int resizeHandle_ = 0;
    bool resizing_ = false;
    bool resizeArmed_ = false;
    bool resizeValid_ = false;
};

// "AC_COM" + station + card + ".KRAB" of a unit; the communication view's file is "DC_COM.KRAB".
std::string commentFileName(int station, int card);
inline constexpr const char* kCommCommentFile = "DC_COM.KRAB";

}  // namespace kravin::model

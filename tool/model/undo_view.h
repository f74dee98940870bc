// What the undo stores reach in the active wiring view. The views implement
// it; the stores only ask for the view that is active right now.
#pragma once

#include "comment_layer.h"
#include "figure_layer.h"

#include <cstdint>
#include <optional>
#include <variant>
#include <cstring>

namespace kravin::model {

// The link record handed between a view and the stores: a jump record of the
// analog view or a terminal link record of the communication view (44 bytes).
struct LinkRecord {
    char name[16] = {};
    std::int32_t value[6] = {};
    std::int32_t inUse = 0;  // 1 present
    friend bool operator==(const LinkRecord& a, const LinkRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
};
static_assert(sizeof(LinkRecord) == 44);

// A (block, item) end of the analog view's selected line.
struct LineEnd {
    int block = -1;
    int item = -1;
};

// A (station, card, terminal) selection of the communication view; card -1 is
// the station itself, terminal 11..26.
struct TerminalSelection {
    int station = -1;
    int card = -1;
    int terminal = -1;
};

enum class WiringViewKind { Analog, Comm };

class UndoView {
public:
    virtual ~UndoView() = default;
    virtual WiringViewKind kind() const = 0;
    virtual CCommentMap& commentLayer() = 0;
    virtual CFigureMap& figureLayer() = 0;
    // Removes every record of the view's two lists equal to saved; adds saved
    // again when it is in use and then clears the pending-link state.
    virtual void restoreLink(const LinkRecord& saved) = 0;

    // Analog view.
    virtual int currentBlock() const { return -1; }
    virtual LineEnd selectedLineEnd(int which) const { return (void)which, LineEnd{}; }
    // The block's drawing height is forgotten so the next drawing lays it out again.
    virtual void forgetBlockHeight(int block) { (void)block; }

    // Communication view: selection 1 or 2.
    virtual TerminalSelection terminalSelection(int which) const { return (void)which, TerminalSelection{}; }
};

// Restores a layer or link record on the view, when there is one; false when
// the layer file could not be written.
bool RestoreOnView(UndoView* view, const CommentSlot& comment);
bool RestoreOnView(UndoView* view, const FigureSlot& figure);
bool RestoreOnView(UndoView* view, const LinkRecord& link);

// Restores a snapshot image that lives on the view (comment, link or figure record);
// none when the image is of another kind.
template <class Image>
std::optional<bool> RestoreViewImage(UndoView* view, const Image& image)
{
    if (const auto* c = std::get_if<CommentSlot>(&image)) return RestoreOnView(view, *c);
    if (const auto* link = std::get_if<LinkRecord>(&image)) return RestoreOnView(view, *link);
    if (const auto* f = std::get_if<FigureSlot>(&image)) return RestoreOnView(view, *f);
    return std::nullopt;
}

}  // namespace kravin::model

// The rules of the analog terminal connection view, window-free: selection,
// drags, line drawing with bends, bend points, line format, jump marks,
// block drop and delete, comment and figure layers, undo. The view turns its
// events into these calls and paints from the state. Points are client
// pixels; the editor knows the pitch and scroll position the view shows.
#pragma once

#include "anatan_diagram.h"
#include "block_state.h"
#include "block_undo.h"
#include "comment_layer.h"
#include "connections.h"
#include "figure_layer.h"
#include "item_move_list.h"
#include "jump_records.h"
#include "prompt.h"
#include "tan_geometry.h"
#include "undo_view.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kravin::wiring {

// Messages of the view.
enum : int {
    kMsgJumpsOpen = 8102,        // "Jump to %s is not completed. ..."
    kMsgDeleteFunction = 8103,   // "Are you sure to delete function information?"
    kMsgReplaceFunction = 8105,  // "Are you sure to delete original function block?"
    kMsgCannotApply = 8110,      // "Cannot apply."
    kMsgJumpExists = 8121,       // "The jump destination name already exists."
    kMsgJumpSameSide = 8122,     // "Input-to-input or output-to-output connection is not allowed."
};

// Commands of the view's context menu (0 in a menu is a separator).
namespace anacmd {
constexpr int ResetOrigin = 40226;
constexpr int LineFormat = 40433;
constexpr int DeleteLine = 40434;
constexpr int DeleteFunction = 40467;
constexpr int SelectLine = 40468;
constexpr int AddBreakpoint = 40469;
constexpr int DeleteBreakpoint = 40470;
constexpr int AddJump = 40475;
constexpr int ItemHelp = 40476;
constexpr int DrawJunction = 40480;
constexpr int DeleteJunction = 40481;
constexpr int Redraw = 40603;
}  // namespace anacmd

struct LineFormatChoice {
    int style = 0;  // 0 solid, 1 dotted
    int width = 0;  // 0..3
    std::int32_t colour = 0;
};

// What the editor needs of the rest of the tool.
class AnaTanHost {
public:
    virtual ~AnaTanHost() = default;
    virtual bool online() const = 0;
    virtual void beep() {}
    virtual void setModified() = 0;
    virtual model::Prompt& prompt() = 0;
    virtual model::CBlockUndo* undo() = 0;
    virtual model::LayerUndo* layerUndo() { return nullptr; }
    // The link table for the placement checks of communication cards and the
    // kinds of placed terminal blocks; null skips both.
    virtual model::CommLinkTable* linkTable() { return nullptr; }
    // After a terminal block's setting: the link table is built again (busy box).
    virtual void rebuildCommTable() {}
    // After a sequential control group's setting: blocks and step codes are
    // read again and the sequential control block view repainted.
    virtual void reloadSequence() {}
    // Select Group: the block number for a dropped code; none = Cancel.
    virtual std::optional<int> selectGroup(const std::string& code5) = 0;
    virtual std::optional<std::string> jumpLabel() = 0;  // CP932
    virtual std::optional<LineFormatChoice> lineFormat(const LineFormatChoice& current) = 0;
    virtual model::CommentDialog& commentDialog() = 0;
    // The Function Block Setting dialog for the current group (its item list
    // loaded); true on OK with the block's entries in the unit's block item data.
    virtual bool runBlockSetting() { return false; }
    // The current line format of new lines (settings AC_LKIND, AC_LCOL).
    virtual int lineKind() const = 0;
    virtual std::int32_t lineColour() const = 0;
    virtual void setLineFormat(int kind, std::int32_t colour) = 0;
};

// The line under work: being drawn, or selected.
struct LineWork {
    int mode = 0;  // 0 none, 1 drawing from an input, 2 from an output
    bool selected = false;
    bool bendDrag = false;
    int destBlock = -1, destItem = -1, destTerminal = -1;
    int sourceBlock = -1, sourceItem = -1, sourceOutput = -1;
    GridPointF start;               // pin where drawing began (or the input end of a selected line)
    std::vector<GridPointF> points; // bend points in the order drawn (at most 30)
    GridPointF rubber;              // free end while drawing; source pin of a selected line
    int found = -1;                 // index of the bend point (from 1) or segment last found
    int format = 0;
    std::int32_t colour = 0;
    std::string label;
};

// What lies under the context-menu point, and the menu it gives.
struct ContextMenu {
    std::vector<int> entries;  // command ids, 0 = separator
    bool shown = false;        // false: swallowed, online, or outside the diagram
};

class AnaTanEditor final : public model::UndoView {
public:
    AnaTanEditor(model::UnitContext& unit, AnaTanHost& host);
    ~AnaTanEditor() override;

    // Binds the editor to the current unit: its layers and the undo history.
    void open();
    // Reads the diagram of the current unit again.
    void reload();
    const AnalogDiagram& diagram() const { return diagram_; }

    // The view's pitch, zoom and scroll (rounded to whole pitches by the editor).
    void setView(int pitch, int scrollX, int scrollY);
    int pitch() const { return pitch_; }
    int scrollX() const { return scrollX_; }
    int scrollY() const { return scrollY_; }
    // Client pixels of the whole diagram at the current pitch.
    int diagramWidth() const { return kCanvasWidth * pitch_ / kBasePitch; }
    int diagramHeight() const { return kCanvasHeight * pitch_ / kBasePitch; }
    bool IsPointInDiagram(int x, int y) const;
    GridPoint cellOf(int x, int y) const;

    // Mouse. Each returns whether the view needs a repaint.
    bool pressLeft(int x, int y, bool ctrl);
    bool moveMouse(int x, int y, bool leftDown);
    bool releaseLeft(int x, int y);
    bool pressRight(int x, int y);
    bool doubleClick(int x, int y);
    ContextMenu contextMenu(int x, int y);
    // A command of the context menu or of the frame.
    bool runCommand(int id);
    bool isCommandEnabled(int id) const;

    // Frame commands.
    bool SelectAll();
    bool DeleteSelection();
    bool AlignLeft();
    bool AlignCenter();
    bool AlignRight();
    bool Undo();
    bool Redo();
    // The selected line was changed and its step is not closed yet.
    bool lineChangeOpen() const { return line_.selected && lineDirty_; }
    bool AddCommentAtCenter(int clientWidth, int clientHeight);
    // False after Cancel on message 8102.
    bool ConfirmOpenJumps();

    // The palette's drop: client pixels, the 2-digit code and 3-letter name.
    bool ChangeFunction(int x, int y, const std::string& code, const std::string& name);
    bool DeleteFunction(int block, bool ask);
    // Function Block Setting of a block; true when OK wrote it.
    bool BlockSetting(int block);
    bool DeleteConnectionLine();
    bool LineFormat();
    bool AddJumpAt(int block, int side, int terminal);
    bool SelectConnectionLine(int block, int item);
    bool AddBreakpoint(GridPoint cell);
    bool DeleteBreakpoint(GridPoint cell);
    bool FindConnectionLineAt(int x, int y, int* block, int* item, int* terminal) const;

    // State for painting.
    const LineWork& line() const { return line_; }
    const CItemMoveList& moveList() const { return moves_; }
    CItemMoveList& moveList() { return moves_; }
    const JumpList& openJumps() const { return openJumps_; }
    const JumpList& selectedJumps() const { return selectedJumps_; }
    model::CCommentMap* comments() const { return comments_.get(); }
    model::CFigureMap* figures() const { return figures_.get(); }
    bool blocksMoving() const { return moves_.moving(); }
    GridPoint contextCell() const { return contextCell_; }

    // UndoView
    model::WiringViewKind kind() const override { return model::WiringViewKind::Analog; }
    model::CCommentMap& commentLayer() override { return *comments_; }
    model::CFigureMap& figureLayer() override { return *figures_; }
    void restoreLink(const model::LinkRecord& saved) override;
    int currentBlock() const override { return currentBlock_; }
    model::LineEnd selectedLineEnd(int which) const override;
    void forgetBlockHeight(int block) override;

private:
    bool refuseOnline();
    void loadImage();
    bool writeHead();
    void afterBlockChange();
    void deselectLine();
    void clearSelections();
    void writePositions(const std::vector<BlockMove>& moves);
    bool saveLine(const LineWork& line, int direction);
    bool connectTerminal(const MoveRecord& hit);
    GridPointF previousPoint() const;
    bool FindBendPointAt(GridPoint cell, double tolerance);
    bool FindNearestSegment(GridPoint cell);
    std::vector<GridPointF> selectedLinePath() const;
    void removeJumpsOfBlock(int block);
    bool anyLineLabelled(const std::string& name) const;
    void computeMoveLimits(GridPoint cell);
    int findJumpAt(int x, int y) const;
    void recordLine(int kind);
    void storePlacedKind(int block, const std::string& name);
    bool dropOnTqrcSlot(int group, const std::string& name);

    model::UnitContext& unit_;
    AnaTanHost& host_;
    AnalogDiagram diagram_;
    CItemMoveList moves_;
    std::unique_ptr<model::CCommentMap> comments_;
    std::unique_ptr<model::CFigureMap> figures_;
    JumpList openJumps_, selectedJumps_;
    LineWork line_;
    bool lineDirty_ = false;
    int pitch_ = kBasePitch, scrollX_ = 0, scrollY_ = 0;
    int currentBlock_ = -1;
    MoveLimits limits_;
    bool contextMenuArmed_ = true;
    GridPoint contextCell_;
    // What the last context menu found under its point.
    struct ContextHit {
        int block = -1, item = -1, terminal = -1, side = -1;
        bool connected = false;
        bool deletable = false;
        bool figure = false;
    } contextHit_;
};

// The code text of a block as the box shows it: characters 2..4, "(", 0..1, ")".
std::string BlockCodeText(const model::BlockCode& code);

// Scroll bar requests of the view, by their codes.
enum class ScrollCode {
    LineUp = 0, LineDown = 1, PageUp = 2, PageDown = 3, ThumbPosition = 4, ThumbTrack = 5,
    Top = 6, Bottom = 7, EndScroll = 8,
};
// The scroll position after a request: lines are one pitch, pages the
// window's extent, the thumb rounds to the nearest pitch; top and bottom move
// the vertical bar one pitch and leave the horizontal one.
int ScrollPositionAfter(ScrollCode code, bool vertical, int position, int thumb, int pitch, int page);

}  // namespace kravin::wiring

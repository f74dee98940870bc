// The ladder editor without its window: the cursor, the one-key commands, row
// insert and delete, the rung clipboard and the undo records, over the ladder
// grid of the group being edited. The view turns its key events into
// LadderKey values and paints from the context.
#pragma once

#include "ladder_grid.h"
#include "ladder_undo.h"

#include <optional>
#include <string>
#include <vector>

namespace kravin::ladder {

enum class LadderKey {
    None,
    Digit,      // 0..9 (main row or keypad), in KeyPress::digit
    Step,       // P
    Timer,      // T
    ContactNO,  // A
    ContactNC,  // B
    Out,        // O
    OutNot,     // N
    Set,        // S
    Reset,      // R
    OneShot,    // E
    Branch,     // J
    Connect,    // Y
    OrLine,     // U
    Comment,    // I (with Ctrl)
    Delete,
    Backspace,
    Enter,
    Insert,
    Home,
    PageUp,
    PageDown,
    Left,
    Up,
    Right,
    Down,
};

struct KeyPress {
    LadderKey key = LadderKey::None;
    bool ctrl = false;
    int digit = -1;
};

// The key of a letter (either case); None for letters without a command.
LadderKey LetterKey(char letter);
// Keys that only move the cursor or show help: they work online too.
bool IsNavigationKey(const KeyPress& key);

// Message ids the editor shows.
namespace laddermsg {
constexpr int CannotInsert = 8260;       // "Cannot insert"
constexpr int TerminalZero = 8261;       // "Cannot specify terminal number 00."
constexpr int NoTerminal = 8262;         // "Cannot find corresponding terminal."
constexpr int CannotConvert = 8263;      // the conversion failure at opening
constexpr int CommentNotWritten = 8267;  // the unit file could not be written
}  // namespace laddermsg

// What the editor asks of its surroundings: the operand dialogs, messages and
// the terminal data of the unit.
class LadderEditorHost {
public:
    virtual ~LadderEditorHost() = default;
    virtual bool online() const = 0;
    // initial: -1 empty, 0..99 the current step, 100 + d a typed digit.
    virtual std::optional<int> askStepNumber(int initial) = 0;
    // The timer of the cell value given (kind 0/1, seconds 0..999).
    struct Timer {
        int kind = 0;
        int seconds = 0;
    };
    virtual std::optional<Timer> askTimer(int cellValue) = 0;
    // kind 0..7 (N.O., N.C., the five coils, branch); initial: -1 empty,
    // 0..9999 the current KKNN, 10000 + d a typed digit. Gives KKNN.
    virtual std::optional<int> askParameter(int kind, int initial) = 0;
    virtual std::optional<std::string> askComment(const std::string& currentCp932) = 0;
    virtual void message(int id) = 0;
    virtual void beep() = 0;
    virtual void toggleKeyHelp() = 0;
    // The terminal's name in the block definition of block kk (empty: none).
    virtual std::string definitionTerminalName(int kk, int nn) = 0;
    // The unit's terminal comment; an empty one falls back to the definition.
    virtual std::string terminalComment(int kk, int nn) = 0;
    // Stores the terminal comment (at most 20 bytes) and writes the unit file.
    virtual bool storeTerminalComment(int kk, int nn, const std::string& cp932) = 0;
    // The unit the undo records name.
    virtual int station() const = 0;
    virtual int card() const = 0;
    virtual std::string workFolder() const = 0;
};

enum class EditResult { Nothing, Moved, Changed, Refused };

// One entry of the popup menu: a command id, or 0 for a separator.
struct MenuEntry {
    int id = 0;
};

namespace laddercmd {
constexpr int Step = 40438, Timer = 40439, ContactNO = 40440, ContactNC = 40441, Out = 40442, OutNot = 40443,
              Set = 40444, Reset = 40445, OneShot = 40446, Branch = 40447, Connect = 40448, Delete = 40449,
              OrLine = 40450, InsertRow = 40451, DeleteRow = 40452, Move = 40453, Copy = 40454, Paste = 40455,
              Comment = 40456;
}  // namespace laddercmd

class LadderEditor final : private model::LadderUndoHost {
public:
    LadderEditor(LadderContext& ctx, LadderEditorHost& host);

    LadderContext& context() { return ctx_; }
    const LadderContext& context() const { return ctx_; }
    model::CLadderUndo& undo() { return undo_; }

    // The central editor: one key. Online only the navigation keys work.
    EditResult EditCommand(const KeyPress& key);
    // A popup menu or palette command (40438..40456).
    EditResult RunCommand(int id);
    // Double click: edits the element under the cursor by its kind.
    EditResult EditElement();

    // The rung clipboard.
    EditResult CopyRung();
    EditResult CutRung();
    EditResult PasteRows();
    EditResult Undo();
    EditResult Redo();

    void SetCursor(int row, int col);
    // Rows the view shows at once and moves by a page.
    int VisibleRows() const { return ctx_.g_ladderShowComments ? 6 : 10; }
    int PageRows() const { return ctx_.g_ladderShowComments ? 3 : 5; }
    int RowHeight() const { return ctx_.g_ladderShowComments ? 65 : 40; }

    // The popup menu at the cursor.
    std::vector<MenuEntry> PopupMenu() const;

    // Rows of the rung at row r: first row and count.
    std::pair<int, int> RungRows(int r) const;

private:
    // LadderUndoHost
    int station() const override { return host_.station(); }
    int card() const override { return host_.card(); }
    std::string workFolder() const override { return host_.workFolder(); }
    int scrollRequest() const override { return 0; }
    int cursorColumn() const override { return ctx_.g_ladderCursor.col; }
    int cursorRow() const override { return ctx_.g_ladderCursor.row; }
    void setView(int scrollRequest, int column, int row) override;
    model::LadderRow row(int r) const override;
    void setRow(int r, const model::LadderRow& row) override;
    std::vector<model::LadderRow> clipRows() const override;

    EditResult edit(const KeyPress& key);
    EditResult step(int digit);
    EditResult timer();
    EditResult contact(bool normallyOpen, int digit);
    EditResult coil(int kind, int digit);
    EditResult connect();
    EditResult orLine();
    EditResult deleteElement();
    EditResult backspace();
    EditResult insertRow();
    EditResult deleteRow();
    EditResult comment();
    EditResult move(LadderKey key);
    void changed();
    void nextRow();
    void cursorRight();
    bool rowBlank(int r) const;
    bool rowHolds(int r) const;

    LadderContext& ctx_;
    LadderEditorHost& host_;
    model::CLadderUndo undo_;
};

}  // namespace kravin::ladder

// The editing side of the communication terminal connection view, window-free:
// drawing a connection from terminal to terminal with break points, the PC
// link, jump labels, communication-block and device drops, device removal,
// line deletion, the selections, break-point editing of a drawn line, the
// comment and figure layers, and undo. Every change goes through the unit services and the
// connection service, brackets itself with station undo records taken after
// its checks, and ends with a rebuilt link table.
#pragma once

#include "block_list_logic.h"
#include "comment_layer.h"
#include "dialog_checks.h"
#include "figure_layer.h"
#include "layout_editor.h"
#include "comm_edit.h"
#include "dentan_diagram.h"
#include "station_undo.h"
#include "system_commands.h"
#include "undo_view.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kravin::wiring::comm {

namespace denmsg {
constexpr int CannotApply = 8110;
constexpr int JumpOpen = 8102;       // "Jump to %s is not completed. ..."
constexpr int NameExists = 8121;     // "The jump destination name already exists."
constexpr int InputToInput = 8122;   // "Input-to-input or output-to-output connection is not allowed."
}  // namespace denmsg

// Where the Device Layout dialog puts a dropped device.
struct DevicePlace {
    int station = 0;
    int card = 0;  // 0 the station, 1..16 cards 0..15
    std::string version;
};

class DenTanHost {
public:
    virtual ~DenTanHost() = default;
    virtual bool online() const = 0;
    virtual void setModified() = 0;
    // The link table was rebuilt (the monitor's plan follows it).
    virtual void tableRebuilt(const model::CommLinkTable& table) { (void)table; }
    // "Device Layout" pre-filled with a dropped model; nothing on Cancel.
    virtual std::optional<DevicePlace> deviceLayout(const std::string& name, const std::string& version) = 0;
    // The Function Block Setting dialog over the loaded group; true for OK.
    virtual bool runBlockSetting() { return false; }
    // The block selection of a free terminal: "CDI 31" and the like; nothing on Cancel.
    virtual std::optional<std::string> chooseFunction(const editors::FunctionChoices& choices)
    {
        (void)choices;
        return std::nullopt;
    }
    virtual void message(int id) { (void)id; }
};

// A pending jump label: a name on a terminal, waiting for its partner.
struct PendingJump {
    std::string name;
    TerminalRef terminal;
    int format = 0;
    std::uint32_t colour = 0;
};

class DenTanEditor final : public model::UndoView {
public:
    DenTanEditor(model::UnitContext& unit, model::CStationUndo& undo, model::CBlockUndo& blockUndo,
                 model::Prompt& prompt, editors::SystemCommands& system, DenTanHost& host);
    ~DenTanEditor() override;

    const model::CommLinkTable& table() const { return *table_; }
    model::CommLinkTable& table() { return *table_; }
    // BuildCommConnectionTable, then the host hears of it; the current unit is kept.
    void rebuild();
    // The project's units changed elsewhere (system view, clipboard, undo): the table is
    // rebuilt, and a selection, waiting jump or line being drawn whose terminal or box
    // no longer holds what it held goes.
    void followProject();

    // 0 idle, 1..4 a line is drawn (1 from CAI, 2 from CAO, 3 from CDI, 4 from CDO), 5 a PC link waits.
    int linkMode() const { return linkMode_; }
    const std::vector<std::pair<int, int>>& breakPoints() const { return points_; }
    TerminalRef lineStart() const { return start_; }

    // A click on a terminal that has a kind: starts a line, or ends it through the
    // connection service. True when the diagram changed.
    bool clickTerminal(const TerminalRef& t);
    // A click elsewhere while drawing: a break point (refused past 30 and when equal to the last).
    bool addBreakPoint(int x, int y);
    // Right button or Escape: the last break point goes, or the line is cancelled.
    void stepBack();
    void cancelLine();
    // PC setting at a terminal (an invalid terminal does nothing); the selected
    // connection is deleted first.
    void pcSetting(const TerminalRef& t);

    // The selected connection (its receiving terminal), or invalid.
    TerminalRef selectedLine() const { return selected_; }
    void selectLine(const TerminalRef& t) { selected_ = t; }
    bool deleteSelectedLine();

    // The selected boxes (card -1 the station), in the order selected.
    const std::vector<UnitRef>& selectedBoxes() const { return boxes_; }
    bool isBoxSelected(const UnitRef& u) const;
    // 0 removed (add on a selected box), 1 added, 2 already selected; a plain
    // click on an unselected box makes it the only one.
    int selectBox(const UnitRef& u, bool add);
    // Rubber band over grid cells: the boxes, comments and figures wholly inside.
    void selectInside(int left, int top, int right, int bottom, bool add);
    // Boxes, comments, figures, the line and the jump label.
    void clearSelection();
    void clearBoxes() { boxes_.clear(); }
    // Select All: every figure, comment and placed box.
    void selectAll();

    // The pending jump whose label holds grid point (a, b), or -1.
    int jumpAt(double a, double b) const;
    // The selected jump label (at most one), toggled by a click.
    const std::vector<PendingJump>& selectedJumps() const { return selectedJumps_; }
    void toggleJump(int index);
    // Deletes the selected jump labels from the pending list, each one undo step.
    bool deleteSelectedJumps();

    // A click on a free terminal: the block selection, then the block as a drop sets it.
    bool chooseBlock(const TerminalRef& t);

    // Break points of the selected connection (its record's order).
    // The point within tol grid units of (a, b), or -1.
    int breakPointAt(double a, double b, double tol) const;
    // Moves point i to (x, y) and writes the record; the first move of a drag opens its undo step.
    bool dragBreakPoint(int i, int x, int y);
    // Closes the undo step of a drag; false when nothing moved.
    bool endBreakPointDrag();
    // 40464: a point on the segment nearest (a, b); 40465: the point nearest (a, b).
    bool addBreakPointAt(double a, double b);
    bool deleteBreakPointAt(double a, double b);

    // Moves boxes by a grid delta (kept on the sheet), as one undo step.
    bool moveBoxes(const std::vector<UnitRef>& units, int dx, int dy);

    // Delete terminal: the terminal's block and its connection go (on a "TQRC$"
    // card its parent's items for it are reset), as one undo step.
    bool deleteTerminal(const TerminalRef& t);

    // Line format for new lines and, written back to its record, the selected one.
    int lineFormat() const { return format_; }
    std::uint32_t lineColour() const { return colour_; }
    bool setLineFormat(int format, std::uint32_t colour);

    // Add jump destination on a terminal: 1 paired and connected, 2 pending, 0 refused or nothing.
    int addJump(const std::string& name, const TerminalRef& t);
    const std::vector<PendingJump>& pendingJumps() const { return pending_; }
    // The text of 8102 when jumps wait; empty when none.
    std::string openJumpNames() const;

    // Palette drops: points in viewport pixels at a pitch and scroll.
    TerminalRef canDropBlockAt(int px, int py, int pitch, int sx, int sy, const std::string& block) const;
    bool dropCommBlock(int px, int py, int pitch, int sx, int sy, const std::string& block);
    // A device at grid cell (column, row); Device Layout chooses the slot.
    bool dropDevice(int column, int row, const std::string& name, const std::string& version);
    // Double click on a terminal that has a block: its Function Block Setting
    // (not on "TQRN ", "TQRQ" and "TQRC$" units). True when OK changed it.
    bool blockSetting(const TerminalRef& t);
    // Removes a box (card -1 the station) with its connections, asking 8101 unless told not to.
    bool removeDevice(const UnitRef& unit, bool ask = true);

    // The comment and figure layers of the view ("DC_COM", "DC_TENBYOU"), read again from the work folder.
    void openLayers();
    model::CCommentMap* comments() const { return comments_.get(); }
    model::CFigureMap* figures() const { return figures_.get(); }
    // Comment and figure moves by a grid delta, with the box moves as one step.
    bool moveSelection(int dx, int dy);
    // Align: boxes, comments and figures within DT_DX x 64 by DT_DY x 16; selections cleared.
    bool align(int how);  // 0 left, 1 centre, 2 right
    // A junction point of colour DT_LCOL at a grid cell; delete the selected ones.
    bool addJunction(int x, int y);
    bool deleteJunctions();
    // Edit/Delete: comments, figures, boxes (asking 8101 once), line and jump label.
    bool deleteSelection();
    bool hasSelection() const;

    // Sheet size and line format defaults from the settings.
    void setSheet(const DenTanSheet& sheet) { sheet_ = sheet; }
    const DenTanSheet& sheet() const { return sheet_; }
    void setLineDefaults(int format, std::uint32_t colour)
    {
        format_ = format;
        colour_ = colour;
    }

    // UndoView
    model::WiringViewKind kind() const override { return model::WiringViewKind::Comm; }
    model::CCommentMap& commentLayer() override;
    model::CFigureMap& figureLayer() override;
    void restoreLink(const model::LinkRecord& saved) override;
    model::TerminalSelection terminalSelection(int which) const override;

    bool canUndo() const { return system_.canUndo(); }
    bool canRedo() const { return system_.canRedo(); }
    bool undo();
    bool redo();

private:
    // Ends a line on a second receiving terminal of the start's kind (patterns 8 and 9).
    bool retransmit(const TerminalRef& t);
    class BlockHost;
    class LayoutHostImpl;
    bool connect(model::CommLinkEditState& edit);
    void select(int station, int card);
    int kindAt(const TerminalRef& t) const;
    bool applyFunction(const TerminalRef& t, const std::string& function);
    model::LinkRecord linkOf(const PendingJump& j, bool inUse) const;
    bool pointEdit(const std::function<bool(model::DconImage&)>& change);

    model::UnitContext& unit_;
    model::CStationUndo& undo_;
    model::Prompt& prompt_;
    editors::SystemCommands& system_;
    DenTanHost& host_;
    std::unique_ptr<model::CommLinkTable> table_;
    std::unique_ptr<BlockHost> blockHost_;
    std::unique_ptr<editors::blocks::BlockListEditor> blocks_;
    std::unique_ptr<LayoutHostImpl> layoutHost_;
    std::unique_ptr<model::CSysLayoutEditor> layout_;
    int linkMode_ = 0;
    TerminalRef start_;
    std::vector<std::pair<int, int>> points_;
    TerminalRef selected_;
    std::vector<PendingJump> pending_;
    std::vector<PendingJump> selectedJumps_;
    std::vector<UnitRef> boxes_;
    std::unique_ptr<model::LayerUndo> layerUndo_;
    std::unique_ptr<model::CCommentMap> comments_;
    std::unique_ptr<model::CFigureMap> figures_;
    DenTanSheet sheet_;
    bool pointDrag_ = false;
    int format_ = 0;
    std::uint32_t colour_ = 0;
};

}  // namespace kravin::wiring::comm

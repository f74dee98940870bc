// The editing side of the communication terminal connection view, window-free:
// drawing a connection from terminal to terminal with break points, the PC
// link, jump labels, communication-block and device drops, device removal,
// line deletion and undo. Every change goes through the unit services and the
// connection service, brackets itself with station undo records taken after
// its checks, and ends with a rebuilt link table.
#pragma once

#include "block_list_logic.h"
#include "layout_editor.h"
#include "comm_edit.h"
#include "dentan_diagram.h"
#include "station_undo.h"
#include "system_commands.h"

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
};

// A pending jump label: a name on a terminal, waiting for its partner.
struct PendingJump {
    std::string name;
    TerminalRef terminal;
    int format = 0;
    std::uint32_t colour = 0;
};

class DenTanEditor {
public:
    DenTanEditor(model::UnitContext& unit, model::CStationUndo& undo, model::CBlockUndo& blockUndo,
                 model::Prompt& prompt, editors::SystemCommands& system, DenTanHost& host);
    ~DenTanEditor();

    const model::CommLinkTable& table() const { return *table_; }
    model::CommLinkTable& table() { return *table_; }
    // BuildCommConnectionTable, then the host hears of it; the current unit is kept.
    void rebuild();

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
    // PC setting at a terminal (an invalid terminal does nothing).
    void pcSetting(const TerminalRef& t);

    // The selected connection (its receiving terminal), or invalid.
    TerminalRef selectedLine() const { return selected_; }
    void selectLine(const TerminalRef& t) { selected_ = t; }
    bool deleteSelectedLine();

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
    // Removes a box (card -1 the station) with its connections, asking 8101.
    bool removeDevice(const UnitRef& unit);

    bool canUndo() const { return system_.canUndo(); }
    bool canRedo() const { return system_.canRedo(); }
    bool undo();
    bool redo();

private:
    class BlockHost;
    class LayoutHostImpl;
    bool connect(model::CommLinkEditState& edit);
    void select(int station, int card);
    int kindAt(const TerminalRef& t) const;

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
    int format_ = 0;
    std::uint32_t colour_ = 0;
};

}  // namespace kravin::wiring::comm

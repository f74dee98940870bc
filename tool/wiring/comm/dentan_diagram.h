// Geometry and rules of the communication terminal connection diagram: the
// boxes of every station and card with their 16 terminals, the anchors and
// labels of the connections, and where a dropped block or device lands.
// Window-free: the view, its editor and the print pages share it.
#pragma once

#include "connections.h"

#include <string>
#include <string_view>

namespace kravin::wiring::comm {

// A box covers X .. X+25 by Y-4 .. Y+5 grid units.
constexpr int kBoxWidth = 25;
constexpr int kBoxTop = -4;
constexpr int kBoxBottom = 5;
constexpr int kMaxBreakPoints = 30;

// The sheet: DT_DX x 64 by DT_DY x 17 grid units.
struct DenTanSheet {
    int dx = 24;
    int dy = 13;
    int columns() const { return dx * 64; }
    int rows() const { return dy * 17; }
};

// A unit of the diagram: station 0..63, card -1 (the station) or 0..15.
struct UnitRef {
    int station = -1;
    int card = -2;
    bool valid() const { return station >= 0 && station < model::kStations && card >= -1 && card < 16; }
    friend bool operator==(const UnitRef&, const UnitRef&) = default;
};

// Terminal index 0..15 (number index + 11): its column and connection anchor.
int TerminalColumn(int boxX, int index);
void TerminalAnchor(int boxX, int boxY, int index, int* x, int* y);

// "Station:%02X  Card:Y-Bus  <kind> <text>" or "Station:%02X  Card:%X  <kind>".
std::string BoxCaption(int station, int card, std::string_view kindName, std::string_view unitText);

// The y of a jump label of a terminal kind at anchor row Y.
int DenTanLabelOffset(int kind, int index, int y, int c, int d, int e, int f);

// Named connections with an end at (x, y) ahead of the given terminal in table
// order (stations, then cards 0..15, then terminals); card -1 counts the whole table.
int CountSharedEnds(const model::CommLinkTable& table, int station, int card, int index, int x, int y);

// The y a connection's last segment ends at: moved toward the far box by the
// far terminal's protrusion when the two kinds differ.
int FarEndY(int endY, int nearKind, int farKind, int farNumber);

// The box anchor of a device dropped at grid cell (column, row).
void DeviceDropAnchor(int column, int row, int* x, int* y);

// Communication blocks: "CDI" 1, "CDO" 2, "CAI" 3, "CAO" 4 (case-blind); 0 otherwise.
int CommBlockKind(std::string_view name);
// The function name the block list takes ("CDI 31"); empty for another name.
std::string CommBlockFunction(std::string_view name);

// The box holding a pixel (ends included), scanning stations 0..63 and slots in
// table order; {-1,-2} for none.
UnitRef BoxAt(const model::CommLinkTable& table, int px, int py, int pitch, int scrollX, int scrollY);

struct TerminalRef {
    UnitRef unit;
    int index = -1;  // 0..15
    bool valid() const { return unit.valid() && index >= 0 && index < 16; }
    friend bool operator==(const TerminalRef&, const TerminalRef&) = default;
};

// Where a block dropped at a pixel goes: a free terminal of a box that takes it.
// Invalid when no box holds the point, the box takes no such block ("RNH6", or a
// digital block on "TQRQ$"/"TQRC$"), the terminal is past the 16th or already has a kind.
TerminalRef BlockDropTarget(const model::CommLinkTable& table, int px, int py, int pitch, int scrollX, int scrollY,
                            std::string_view block);

// The terminal whose zone holds a grid cell: column (a - X - 1/2) / 3, top
// row Y-4..Y-2, bottom row Y+3..Y+5. Invalid for none.
TerminalRef TerminalAtCell(const model::CommLinkTable& table, double a, double b);

// Connections' segments near a grid point (within tolerance grid units): the
// receiving terminal of the nearest unnamed linked connection.
TerminalRef LineAtCell(const model::CommLinkTable& table, double a, double b, double tolerance);

// A point count read from a file, within 0..30.
inline int ClampPointCount(int n) { return n < 0 ? 0 : n > kMaxBreakPoints ? kMaxBreakPoints : n; }

}  // namespace kravin::wiring::comm

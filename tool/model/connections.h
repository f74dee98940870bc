// Connection services: the system-wide communication link table, the placement
// of blocks and terminals on the wiring grids, storing one analog line and
// capturing a whole unit into the system work record.
#pragma once

#include "current_unit.h"
#include "wiring_state.h"

#include <array>
#include <cstdint>
#include <functional>

namespace kravin::model {

constexpr int kCommTerminals = 16;   // terminals 11..26
constexpr int kFirstCommTerminal = 11;
constexpr int kLastCommTerminal = 26;
constexpr int kCommSlots = 18;       // 0 the station, 1..16 cards, 17 unused

struct CommLinkTerminal {
    std::uint8_t kind = 0;     // 1 CDI, 2 CDO, 3 CAI, 4 CAO, 0 none
    std::uint8_t link = 0;     // 1 linked, 2 source station "FE"
    std::int32_t value = 0;
    std::uint32_t colour = 0;
    std::uint8_t points = 0;   // 0..30
    std::uint8_t sourceStation = 0;
    std::int8_t sourceCard = 0;   // -1 the station
    std::uint8_t sourceTerminal = 0;
    std::array<char, 8> text{};
    std::int16_t startX = 0, startY = 0;
    std::array<std::int16_t, kLinePoints> pointX{};
    std::array<std::int16_t, kLinePoints> pointY{};
    std::int16_t endX = 0, endY = 0;
    bool operator==(const CommLinkTerminal&) const = default;
};

struct CommLinkSlot {
    std::uint8_t used = 0;
    std::array<char, 8> kind{};
    std::array<char, 4> version{};
    std::int16_t x = 0, y = 0;
    std::array<CommLinkTerminal, kCommTerminals> terminals{};
    bool operator==(const CommLinkSlot&) const = default;
};

struct CommLinkFlagEntry {
    std::uint8_t used = 0;
    std::array<std::uint8_t, kCommTerminals> kind{};
    bool operator==(const CommLinkFlagEntry&) const = default;
};

// About 3 MB: keep it on the heap or in a long-lived object.
struct CommLinkTable {
    std::array<std::array<CommLinkSlot, kCommSlots>, kStations> slots{};
    std::array<std::array<CommLinkFlagEntry, kCommSlots>, kStations> flags{};
    bool operator==(const CommLinkTable&) const = default;

    // Empties every slot in place (the table is too large for a temporary).
    void clear();

    // Slot of a unit by its library card index (-1 the station); nullptr out of range.
    CommLinkSlot* slot(int station, int card);
    const CommLinkSlot* slot(int station, int card) const;
    CommLinkTerminal* terminal(int station, int card, int terminal);
    const CommLinkTerminal* terminal(int station, int card, int terminal) const;
};

// Called 33 times while the table is rebuilt (before each even station and once at the end).
using ProgressStep = std::function<void()>;

// Rebuilds the whole table from the project; leaves the current station and card at -1.
void BuildCommConnectionTable(UnitContext& unit, CommLinkTable& table, const ProgressStep& step = {});

// Where communication terminal 11..26 of a unit at (x, y) is drawn, and the terminal
// drawn at a point next to a unit at (x, y) (0 when none).
void CommTerminalPosition(int unitX, int unitY, int terminal, int* x, int* y);
int CommTerminalAt(int unitX, int unitY, int x, int y);

// The wiring grid (cell sizes from the settings DT_DX, DT_DY).
struct WiringGrid {
    int dx = 24;
    int dy = 13;
    void GridCellToPixel(int col, int row, int* x, int* y) const;
    void ClampToGrid(int* x, int* y) const;
};
void GetBlockCellPosition(const UnitContext& unit, int group, int* col, int* row);

// Stores the analog editor's current line into the current unit: the destination
// item's reference, then the line's record and points. 0, -1 when a write failed
// or the line's ends are out of range.
int SaveAconLine(UnitContext& unit, const AnalogLineEditState& line);

// The image of one whole unit (the unit of copy and paste of stations and cards).
struct SystemWorkRecord {
    struct Group {
        std::array<std::array<char, kItemSlot>, kItems> items{};
        std::array<std::array<char, kTermSlot>, kTerminals> terminals{};
        std::int32_t x = 0, y = 0;
    };
    struct Line {
        std::int32_t value = 0;
        std::uint32_t colour = 0;
        std::int32_t count = 0;   // -1 none
        std::array<std::int16_t, kLinePoints> x{};
        std::array<std::int16_t, kLinePoints> y{};
        std::array<char, 8> text{};
    };
    std::int32_t station = 0;
    std::int32_t card = 0;         // 0 the station
    std::int32_t kindIndex = 0;
    std::int32_t versionIndex = 0;
    std::array<char, 12> unitText{};
    std::array<std::array<char, 5>, kGroups> codes{};
    std::array<Group, kGroups> groups{};
    std::array<Line, kGroups * kItems> lines{};
};

// Fills the record from the current unit (allocate it on the heap: 1.8 MB).
void FillSystemWorkRecord(UnitContext& unit, SystemWorkRecord& record);

}  // namespace kravin::model

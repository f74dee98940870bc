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

void GetBlockCellPosition(const UnitContext& unit, int group, int* col, int* row);

// Stores the analog editor's current line into the current unit: the destination
// item's reference, then the line's record and points. 0, -1 when a write failed
// or the line's ends are out of range.
int SaveAconLine(UnitContext& unit, const AnalogLineEditState& line);

// Layout of the system work record (the image of one whole unit, the unit of copy
// and paste of stations and cards; the layout editor holds its 1,801,328 bytes).
// Integers are little-endian.
namespace workrecord {
constexpr std::size_t station = 0;        // int32
constexpr std::size_t card = 4;           // int32, 0 the station
constexpr std::size_t kindIndex = 8;      // int32
constexpr std::size_t versionIndex = 12;  // int32
constexpr std::size_t unitText = 16;      // 12 bytes: the text, NUL padded
constexpr std::size_t unitTextWidth = 12;
constexpr std::size_t codes = 28;         // 100 x 5 bytes
constexpr std::size_t groups = 528;       // 100 x groupSize
constexpr std::size_t groupSize = 4008;   // items 100 x 18, terminals 100 x 22, int32 X, Y
constexpr std::size_t groupTerminals = 1800;
constexpr std::size_t groupX = 4000, groupY = 4004;
constexpr std::size_t lines = 401328;     // 10000 x lineSize, index group * 100 + item
constexpr std::size_t lineSize = 140;     // int32 value, colour, count (-1 none), int16 x[30], y[30], char[8]
constexpr std::size_t lineX = 12, lineY = 72, lineText = 132;
constexpr std::size_t size = 1801328;
}  // namespace workrecord

// Fills the work record (workrecord::size bytes) from the current unit.
void FillSystemWorkRecord(UnitContext& unit, unsigned char* record);

}  // namespace kravin::model

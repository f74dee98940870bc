// The ladder under the online monitor: which item each contact and coil reads
// (group x 100 + item, -1 none) and the conduction drawn from the monitored
// values.
#pragma once

#include "current_unit.h"
#include "ladder_grid.h"

#include <array>
#include <cstdint>

namespace kravin::ladder {

struct LadderAddresses {
    bool valid = false;  // the unit has a kind in the system configuration
    int station = -1;    // 0..63
    int card = -1;       // 0 the station, 1..16 cards
    std::array<std::array<std::int32_t, kLadderCols>, kLadderRows> contacts{};
    std::array<std::int32_t, kLadderRows> coils{};
};

// The item a terminal of a block is read from: the terminal definition's item
// number when its type begins with "A" or "D"; -1 otherwise.
class TerminalItems {
public:
    virtual ~TerminalItems() = default;
    virtual bool hasBlock(int group) = 0;
    virtual int itemOf(int group, int terminal) = 0;
};

// The terminal items of the current unit's blocks, through the block definitions.
class UnitTerminalItems final : public TerminalItems {
public:
    explicit UnitTerminalItems(model::UnitContext& unit) : unit_(unit) {}
    bool hasBlock(int group) override;
    int itemOf(int group, int terminal) override;

private:
    model::UnitContext& unit_;
    int cachedGroup_ = -1;
    std::array<int, model::kTerminals> cached_{};
};

// Every contact (10000..69999) and coil (70000..119999) of the grid whose block
// exists gets its address; the rest stay -1.
LadderAddresses BuildLadderAddresses(const LadderGrid& grid, TerminalItems& items);

enum class Conduction : std::uint8_t { Off, On, Unknown };

struct LadderConduction {
    // The state flowing into each cell from its left, and out of it.
    std::array<std::array<Conduction, kLadderCols + 1>, kLadderRows> in{};
    std::array<std::array<Conduction, kLadderCols>, kLadderRows> out{};
    std::array<Conduction, kLadderRows> coil{};
};

// Conduction of the grid under the monitored values (0 off, 1 on, anything
// else undetermined; odd contact kinds as read, even ones inverted; coils 7, 9,
// 11 as read, 8 and 10 inverted); a step cell conducts when it is the active
// step or STEP00.
LadderConduction ComputeConduction(const LadderGrid& grid, const LadderMonitorValues& values);

}  // namespace kravin::ladder

#include "ladder_monitor.h"

#include "KRAVinA.h"

#include <charconv>
#include <string_view>

namespace kravin::ladder {

namespace {

Conduction OfValue(int v, bool inverted)
{
    if (v != 0 && v != 1) return Conduction::Unknown;
    return (v == 1) != inverted ? Conduction::On : Conduction::Off;
}

Conduction And(Conduction a, Conduction b)
{
    if (a == Conduction::Off || b == Conduction::Off) return Conduction::Off;
    if (a == Conduction::Unknown || b == Conduction::Unknown) return Conduction::Unknown;
    return Conduction::On;
}

Conduction Or(Conduction a, Conduction b)
{
    if (a == Conduction::On || b == Conduction::On) return Conduction::On;
    if (a == Conduction::Unknown || b == Conduction::Unknown) return Conduction::Unknown;
    return Conduction::Off;
}

}  // namespace

bool UnitTerminalItems::hasBlock(int group)
{
    return group >= 0 && group < model::kGroups && unit_.g_unitBlocks[static_cast<std::size_t>(group)][0] != 0;
}

int UnitTerminalItems::itemOf(int group, int terminal)
{
    if (!hasBlock(group) || terminal < 0 || terminal >= model::kTerminals) return -1;
    if (group != cachedGroup_) {
        cachedGroup_ = group;
        cached_.fill(-1);
        if (unit_.SelectGroupDefinition(group) == 0) {
            for (int t = 0; t < model::kTerminals; ++t) {
                char type[KRAVINA_TERM_TYPE_SIZE] = {}, number[KRAVINA_DEF_EXTRA_SIZE] = {};
                KRAVinA_Block_Inf_Get(1, t, type, nullptr, nullptr, nullptr, nullptr, nullptr, number);
                if (type[0] != 'A' && type[0] != 'D') continue;
                const std::string_view n = model::fieldView(number);
                int item = -1;
                const auto [end, ec] = std::from_chars(n.data(), n.data() + n.size(), item);
                if (ec == std::errc{} && end != n.data() && item >= 0 && item <= 99)
                    cached_[static_cast<std::size_t>(t)] = item;
            }
        }
    }
    return cached_[static_cast<std::size_t>(terminal)];
}

LadderAddresses BuildLadderAddresses(const LadderGrid& grid, TerminalItems& items)
{
    LadderAddresses a;
    for (auto& row : a.contacts) row.fill(-1);
    a.coils.fill(-1);
    auto address = [&](int32_t v) {
        const int g = ValueBlock(v), t = ValueTerminal(v);
        if (!items.hasBlock(g)) return -1;
        const int item = items.itemOf(g, t);
        return item < 0 ? -1 : g * 100 + item;
    };
    for (int r = 0; r < kLadderRows; ++r) {
        for (int c = 0; c < kLadderCols; ++c) {
            const int32_t v = grid.Cell(r, c);
            if (IsContact(v)) a.contacts[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = address(v);
        }
        const int32_t coil = grid.g_ladderCoils[r];
        if (coil >= 70000 && coil < 120000) a.coils[static_cast<std::size_t>(r)] = address(coil);
    }
    return a;
}

LadderConduction ComputeConduction(const LadderGrid& grid, const LadderMonitorValues& values)
{
    LadderConduction k;
    for (int r = 0; r < kLadderRows; ++r) k.in[r][0] = Conduction::On;  // the left rail
    for (int c = 0; c < kLadderCols; ++c) {
        for (int r = 0; r < kLadderRows; ++r) {
            const int32_t v = grid.Cell(r, c);
            const Conduction in = k.in[r][c];
            Conduction out = Conduction::Off;
            if (v == kCellWire) {
                out = in;
            } else if (IsContact(v)) {
                out = And(in, OfValue(values.cells[r][c], !IsNormallyOpen(v)));
            } else if (IsStepCell(v)) {
                const int ss = v - 130000;
                out = ss == 0 || ss == values.activeStep ? Conduction::On : Conduction::Off;
            } else if (IsTimerCell(v)) {
                out = in;
            }
            k.out[r][c] = out;
        }
        // Rows joined by the lines at the right edge of column c share their state.
        for (int r = 0; r < kLadderRows;) {
            int last = r;
            while (last < kLadderRows - 1 && grid.Link(last, c)) ++last;
            Conduction joined = Conduction::Off;
            for (int i = r; i <= last; ++i) joined = Or(joined, k.out[i][c]);
            for (int i = r; i <= last; ++i) k.in[i][c + 1] = last > r ? joined : k.out[i][c];
            r = last + 1;
        }
    }
    for (int r = 0; r < kLadderRows; ++r) {
        const int32_t coil = grid.g_ladderCoils[r];
        if (!IsOutputCoil(coil)) {
            k.coil[r] = coil == kCoilWire ? k.in[r][kLadderCols] : Conduction::Off;
            continue;
        }
        const int kind = ValueKind(coil);
        k.coil[r] = kind == 12 ? k.in[r][kLadderCols] : OfValue(values.coils[r], kind == 8 || kind == 10);
    }
    return k;
}

}  // namespace kravin::ladder

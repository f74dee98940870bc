#include "ladder_grid.h"

namespace kravin::ladder {

void LadderGrid::Clear()
{
    for (auto& row : g_ladderCells)
        for (auto& cell : row) cell = kCellEmpty;
    for (auto& coil : g_ladderCoils) coil = kCoilNone;
    for (auto& link : g_ladderLinks) link = 0;
}

bool LadderGrid::RowEmpty(int r) const
{
    for (int c = 0; c < kLadderCols; ++c)
        if (g_ladderCells[r][c] != kCellEmpty) return false;
    return g_ladderCoils[r] <= 0;
}

int LadderGrid::RungEnd(int r) const
{
    while (r < kLadderRows - 1 && g_ladderLinks[r] != 0) ++r;
    return r;
}

}  // namespace kravin::ladder

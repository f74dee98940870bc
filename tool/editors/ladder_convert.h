// Step codes drawn as a ladder diagram.
#pragma once

#include <array>

#include "ladder_grid.h"
#include "step_codes.h"

namespace kravin::ladder {

// Lays out one group's codes into grid (cleared first). No-operation codes
// are skipped; the codes themselves are never changed. Returns 0, or -1 when
// the list cannot be drawn (grid keeps the rungs placed before the fault).
// When selectedStep is above 0 and its step row exists, *scrollRow gets it.
int ConvertStepsToGrid(const std::array<StepCode, kStepsPerGroup>& codes, LadderGrid& grid,
                       int selectedStep = -2, int* scrollRow = nullptr);

// The codes of ctx.g_seqGroup drawn into ctx's grid; may set
// g_ladderScrollRequest. The step table is only read. -1 also when
// g_seqGroup is not a sequence group.
int ConvertSeqToLadder(LadderContext& ctx, const StepTable& table);

}  // namespace kravin::ladder

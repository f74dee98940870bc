#include "step_table.h"

#include "KRAVinA.h"
#include "current_unit.h"

#include <algorithm>
#include <cstring>

namespace kravin::model {

StepCode MakeStepCode(std::string_view text)
{
    StepCode code;
    code.fill('*');
    std::copy_n(text.begin(), std::min<std::size_t>(text.size(), kStepCodeLen), code.begin());
    return code;
}

StepTable::StepTable()
{
    for (auto& row : rows) row.fill(MakeStepCode(kEmptyCode));
}

std::array<StepCode, kStepsPerGroup>* StepTable::Row(int group)
{
    if (group < kFirstSeqGroup || group > kLastSeqGroup) return nullptr;
    return &rows[group - kFirstSeqGroup];
}

const std::array<StepCode, kStepsPerGroup>* StepTable::Row(int group) const
{
    if (group < kFirstSeqGroup || group > kLastSeqGroup) return nullptr;
    return &rows[group - kFirstSeqGroup];
}

void LoadSeqSteps(const UnitContext&, SeqSteps& steps)
{
    for (int k = 0; k < kSeqGroupCount; ++k) {
        const int group = kFirstSeqGroup + k;
        char item[KRAVINA_UNIT_ITEM_SIZE] = {};
        KRAVinA_Data_Item_Get(group, kSeqMarkerItem, item);
        const bool used = item[0] == '9' && item[1] == '5';
        steps.g_seqMarkers[k] = used ? std::array<char, 2>{'9', '5'} : std::array<char, 2>{'*', '*'};
        for (int s = 0; s < kStepsPerGroup; ++s) {
            StepCode& code = steps.g_stepTable.rows[k][s];
            code = MakeStepCode(kEmptyCode);
            if (!used) continue;
            KRAVinA_Data_Item_Get(group, kFirstStepItem + s, item);
            std::memcpy(code.data(), item, kStepCodeLen);
        }
    }
}

int SaveSeqSteps(UnitContext& unit, const SeqSteps& steps)
{
    // The library's image may hold another unit: read this one first, so that only
    // its sequential groups change.
    std::array<char, kUnitHeadSize> head;
    if (unit.ReadUnitImage(head) == -1) return -1;
    for (int k = 0; k < kSeqGroupCount; ++k) {
        const int group = kFirstSeqGroup + k;
        char item[KRAVINA_UNIT_ITEM_SIZE] = {};
        std::memcpy(item, steps.g_seqMarkers[k].data(), 2);
        KRAVinA_Data_Item_Set(group, kSeqMarkerItem, item);
        BlockCode& code = unit.g_unitBlocks[group];
        const bool used = item[0] == '9' && item[1] == '5';
        code.fill(0);
        if (used) std::memcpy(code.data(), "95SEQ", 5);
        std::memcpy(head.data() + 5 * group, code.data(), 5);
        for (int s = 0; s < kStepsPerGroup; ++s) {
            std::memset(item, 0, sizeof item);
            std::memcpy(item, steps.g_stepTable.rows[k][s].data(), kStepCodeLen);
            KRAVinA_Data_Item_Set(group, kFirstStepItem + s, item);
        }
    }
    return KRAVinA_Data_Write(unit.g_curStation, unit.libraryCard(), head.data(), unit.workFolder.c_str()) == 0 ? 0
                                                                                                                : -1;
}

}  // namespace kravin::model

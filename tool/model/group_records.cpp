#include "group_records.h"

#include "KRAVinA.h"

#include <cstring>

namespace kravin::model {

void SaveGroupRecords(const UnitContext& unit, SavedGroupRecords& out)
{
    out.records.assign(kGroups, BlockSaveRecord{});
    out.oldCodes = unit.g_unitBlocks;
    for (int g = 0; g < kGroups; ++g) {
        BlockSaveRecord& r = out.records[static_cast<std::size_t>(g)];
        if (unit.SelectGroupDefinition(g) != 0) continue;
        for (int i = 0; i < kItems; ++i) {
            char type[KRAVINA_DEF_TYPE_SIZE + 1] = {};
            KRAVinA_Block_Inf_Get(0, i, type, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
            std::memcpy(r.data() + i * kSavedTypeBytes, type, kSavedTypeBytes);
            char value[kSavedItemBytes + 2] = {};
            KRAVinA_Data_Item_Get(g, i, value);
            std::memcpy(r.data() + 1600 + i * kSavedItemBytes, value, kSavedItemBytes);
        }
        for (int t = 0; t < kTerminals; ++t) {
            char entry[kSavedTermBytes + 2] = {};
            KRAVinA_Data_Term_Get(g, t, entry);
            std::memcpy(r.data() + 3400 + t * kSavedTermBytes, entry, kSavedTermBytes);
        }
    }
    out.present = true;
}

std::array<SavedGroupRecords, 2>& savedGroupRecords()
{
    static std::array<SavedGroupRecords, 2> sets;
    return sets;
}

}  // namespace kravin::model

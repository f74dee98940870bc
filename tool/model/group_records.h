// The data of a unit's groups kept before its kind changes, so the terminal
// rebuild can carry items and terminals over to the new kind. Kept in memory:
// one set for the system configuration and one for the communication editor.
#pragma once

#include "current_unit.h"

#include <array>
#include <vector>

namespace kravin::model {

constexpr std::size_t kBlockSaveRecordBytes = 5600;
constexpr std::size_t kSavedTypeBytes = 16, kSavedItemBytes = 18, kSavedTermBytes = 22;

// Per group: 100 item type names of 16 bytes, 100 item values of 18 bytes and
// 100 terminal entries of 22 bytes; all zero for a group without a definition.
using BlockSaveRecord = std::array<char, kBlockSaveRecordBytes>;

struct SavedGroupRecords {
    bool present = false;
    std::vector<BlockSaveRecord> records;       // kGroups of them when present
    std::array<BlockCode, kGroups> oldCodes{};  // the unit's block codes when saved
    void clear() { *this = SavedGroupRecords{}; }
};

// Saves the current unit's groups from the library's unit image (read before)
// and the unit's block codes (LoadUnitBlocks before).
void SaveGroupRecords(const UnitContext& unit, SavedGroupRecords& out);

// Both sets of the tool: [0] the system configuration's, [1] the communication editor's.
std::array<SavedGroupRecords, 2>& savedGroupRecords();

}  // namespace kravin::model

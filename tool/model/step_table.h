// The step table of a unit's sequential control groups: twelve groups (81..92)
// of 89 six-character step codes, its load from and save to the unit data, and
// the sequence-connection check the ladder translation asks.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kravin::model {

class UnitContext;

constexpr int kSeqGroupCount = 12;   // groups 81..92
constexpr int kFirstSeqGroup = 81;
constexpr int kLastSeqGroup = 92;
constexpr int kStepsPerGroup = 89;   // items 11..99
constexpr int kFirstStepItem = 11;
constexpr int kSeqMarkerItem = 10;
constexpr int kStepCodeLen = 6;

inline constexpr char kEmptyCode[kStepCodeLen + 1] = "******";

// One 6-character code, no terminator.
using StepCode = std::array<char, kStepCodeLen>;

// First six characters of text, '*'-padded.
StepCode MakeStepCode(std::string_view text);

// The step table of a unit: 12 groups x 89 codes, 6408 bytes as stored.
struct StepTable {
    std::array<std::array<StepCode, kStepsPerGroup>, kSeqGroupCount> rows{};

    StepTable();   // every slot "******"
    // group 81..92; nullptr for any other group.
    std::array<StepCode, kStepsPerGroup>* Row(int group);
    const std::array<StepCode, kStepsPerGroup>* Row(int group) const;
    bool operator==(const StepTable&) const = default;
};
static_assert(sizeof(StepTable) == kSeqGroupCount * kStepsPerGroup * kStepCodeLen);

// The sequence-connection check of one code (0 accepted, -1 refused).
class SequenceCheck {
public:
    virtual ~SequenceCheck() = default;
    virtual int CheckStepCode(const StepCode& code) = 0;
};

// The twelve groups' codes and their in-use markers for the current unit.
struct SeqSteps {
    StepTable g_stepTable;
    // First two characters of item 10 of each group: "95" in use, "**" not.
    std::array<std::array<char, 2>, kSeqGroupCount> g_seqMarkers{};
};

// Fills steps from the current unit's data as the library's unit image holds it.
void LoadSeqSteps(const UnitContext& unit, SeqSteps& steps);

// Reads the current unit's file, stores markers, codes and the block codes of the
// twelve sequential groups (nothing else), and writes the unit file. 0, or -1
// when the unit is not valid or the file could not be written.
int SaveSeqSteps(UnitContext& unit, const SeqSteps& steps);

}  // namespace kravin::model

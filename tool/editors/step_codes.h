// Step codes of the sequential control groups and the step table that holds them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kravin::ladder {

constexpr int kSeqGroupCount = 12;   // groups 81..92
constexpr int kFirstSeqGroup = 81;
constexpr int kLastSeqGroup = 92;
constexpr int kStepsPerGroup = 89;   // items 11..99
constexpr int kFirstStepItem = 11;
constexpr int kStepCodeLen = 6;

// Step types (first two digits of a code).
enum StepType : int {
    kTypeEnd = 0,
    kTypeLoad = 1,        // IN
    kTypeLoadNot = 2,     // NI
    kTypeAnd = 3,         // AD; "030000" = AND block
    kTypeAndNot = 4,      // NA
    kTypeOr = 5,          // OR; "050000" = OR block
    kTypeOrNot = 6,       // NR
    kTypeOut = 7,         // OT
    kTypeOutNot = 8,      // NO
    kTypeSet = 9,         // ON
    kTypeReset = 10,      // OF
    kTypeOneShot = 11,    // SH
    kTypeBranch = 12,     // BR
    kTypeStep = 13,       // ST
    kTypeTimer = 14,      // TM
    kTypeNop = 15,        // NP
};

// Two-letter mnemonic of each type 0..15.
extern const std::array<const char*, 16> kStepMnemonics;

inline constexpr char kEmptyCode[kStepCodeLen + 1] = "******";
inline constexpr char kEndCode[kStepCodeLen + 1] = "000000";
inline constexpr char kAndBlockCode[kStepCodeLen + 1] = "030000";
inline constexpr char kOrBlockCode[kStepCodeLen + 1] = "050000";

// One 6-character code, no terminator.
using StepCode = std::array<char, kStepCodeLen>;

StepCode MakeStepCode(std::string_view text);   // first six characters, '*'-padded
std::string CodeText(const StepCode& code);

// True for "000000" and for any slot starting with "**".
bool IsEndOfProgram(const StepCode& code);
bool IsBlockAnd(const StepCode& code);
bool IsBlockOr(const StepCode& code);

// A code split into its fields. ok is false when the first two characters are
// not digits, or a field that the type uses is not all digits.
struct DecodedStep {
    bool ok = false;
    bool end = false;    // "**" slot or type 00
    int type = 0;
    int kk = 0;          // block, or the target group of a branch
    int nn = 0;          // terminal, step number, or target step
    int timerKind = 0;   // timer v
    int timerSeconds = 0;// timer ttt
};
DecodedStep DecodeStep(const StepCode& code);

// "%02d%02d%02d" of (type, KK, NN); "14%01d%03d" for a timer. Values out of
// their field's range give false and leave out untouched.
bool EncodeStep(int type, int kk, int nn, StepCode& out);
bool EncodeTimer(int kind, int seconds, StepCode& out);

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

// The sequence-connection check of one code (0 accepted, -1 refused). The
// project model supplies it; it needs the unit's block definitions.
class SequenceCheck {
public:
    virtual ~SequenceCheck() = default;
    virtual int CheckStepCode(const StepCode& code) = 0;
};

}  // namespace kravin::ladder

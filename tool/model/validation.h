// Checks of entered item values by their data type, and the cross-reference
// checks the editors run before they accept a block: analog references (GGII),
// step references (TTGGII), digital terminals and a few editor rules.
#pragma once

#include "current_unit.h"
#include "prompt.h"
#include "step_table.h"

#include <array>
#include <string>
#include <string_view>

namespace kravin::model {

struct CommLinkTable;

constexpr int kMsgInputLength = 8117;
constexpr int kMsgInputRange = 8118;
constexpr int kMsgInputData = 8119;
constexpr int kMsgInputMaxLength = 8120;

// The offending reference of a failed scan.
struct ReferenceError {
    int group = 0;
    int item = 0;
    std::array<char, 7> value{};   // 4 or 6 characters and a zero
};

// Checks value (the text typed for item of the current block) by the item's data
// type. 0 accepted; value then holds the text to store (normalised for STATION,
// CARD, TQRC_COM, INT and FLOAT types), never longer than the 16-byte item.
// -1 refused with message 8117..8120 unless quiet.
int ValidateItemInput(UnitContext& unit, Prompt& prompt, int quiet, int item, std::string& value);

// A FLOAT1..FLOAT4 value printed with the digits of its type (no "-0.0"), so that equal
// numbers read the same; other types, a text that is no number and a result wider than
// the item are given back as they are.
std::string FormatItemValue(std::string_view type, std::string_view value);

// Message 8117, 8118 or 8119 with the item number (OK button), unless quiet.
void ReportItemError(Prompt& prompt, int quiet, int messageId, int item);

// GGII analog reference: 0 accepted, -1 refused.
int CheckBlockReference(UnitContext& unit, std::string_view ref4);
// The first ANACOM (resp. SEQ) item of the current group whose reference fails; 0 none.
int FindBadAnacomReference(UnitContext& unit, ReferenceError& error);
int FindBadSeqReference(UnitContext& unit, ReferenceError& error);
// The same over groups first..last of the current unit, or of every card of a
// remote I/O station; the current unit, group and tables are restored.
int FindBadReferenceInStation(UnitContext& unit, int firstGroup, int lastGroup, ReferenceError& error);
int FindBadSeqReferenceInStation(UnitContext& unit, int firstGroup, int lastGroup, ReferenceError& error);

// TTGGII step reference: contacts and coils (types 01..11) must name a digital terminal.
int CheckStepCode(UnitContext& unit, std::string_view code6);
bool IsDigitalItem(UnitContext& unit, int group, int terminal);
// Name of a terminal of a group's block, at most 20 bytes, no terminator added.
void GetBlockItemName(UnitContext& unit, int group, int terminal, char* out20);
int CheckContactCode(const UnitContext& unit, int key, std::string_view code6);
int CheckTqrqTerminalKind(const UnitContext& unit, const CommLinkTable& table, int terminal,
                          std::string_view blockId3);
int CheckTqrcTerminalKind(const UnitContext& unit, const CommLinkTable& table, int terminal,
                          std::string_view blockId3);
bool IsKeyAllowed(int a, int b, int key);
int GetSpecialBlockIndex(int group);

// The sequence-connection check of the ladder translation on the current unit.
class UnitSequenceCheck : public SequenceCheck {
public:
    explicit UnitSequenceCheck(UnitContext& unit) : unit_(unit) {}
    int CheckStepCode(const StepCode& code) override;

private:
    UnitContext& unit_;
};

}  // namespace kravin::model

// What the shared selection and input dialogs show and accept, without their
// windows: list contents and initial lines, initial texts and the checks of
// their OK buttons. A check returns 0 or the id of the message to show.
#pragma once

#include "system_config.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kravin::editors {

// Message ids of the checks.
namespace dlgmsg {
constexpr int BadJumpDestination = 8116;  // "Incorrect jump destination."
constexpr int StepNoRange = 8226;         // "Please enter a number between 00 to 19."
constexpr int IdFourDigits = 9400;        // "Enter 4-digit integer."
constexpr int ParamDigits = 9402;         // "Enter a number of up to 4 digits."
}  // namespace dlgmsg

// ---- Model Selection ----

struct ModelList {
    std::vector<std::string> models;    // kind names in kind order (virtual card kinds left out)
    std::vector<std::string> versions;  // versions of the current kind (of kind 1 when none)
    int modelLine = -1;                 // -1 when the list is empty
    int versionLine = -1;
};

// The lists for the unit at station/card (card 0 = the station).
ModelList buildModelList(const model::CardKindMasters& masters, const model::SystemConfigTables& tables,
                         int station, int card);
// The versions of the first kind named model; empty when no kind has that name.
std::vector<std::string> versionsOfModel(const model::CardKindMaster& master, std::string_view model);

// ---- Select Card Name ----

// The names of one field-name group as the dialog lists them (group 14 shows two at most).
std::vector<std::string> cardNameLines(const std::vector<std::string>& groupNames, int group);

// ---- Select Function ----

struct FunctionChoices {
    std::vector<std::string> lines;  // "CDE(AB)  name"
    int initial = 0;
};
// validCodes: the group's allowed 5-character codes; presentCode: the group's
// block code; blockName(id3) gives the block's name or nothing.
// commTerminalKinds: the unit's 16 communication terminal kinds, used for "TQRC$".
FunctionChoices buildFunctionChoices(std::string_view model, const std::vector<std::string>& validCodes,
                                     std::string_view presentCode, const std::vector<int>& commTerminalKinds,
                                     const std::function<std::string(std::string_view id3)>& blockName);

// ---- Enter Parameter ----

std::string paramInitialText(int value);
// The edit's selection is removed on focus for a value of 10000 or more.
inline bool paramDropsSelection(int value) { return value >= 10000; }
// The string id of the label for a parameter kind; 0 keeps "Discrete Signal Number".
int paramLabelId(int kind);
struct ContactRef {
    int group = 0;
    int item = 0;
};
// Group and contact from a parameter text ("GGII"); missing or non-digit parts read 0.
ContactRef contactOfParam(std::string_view text);
std::string paramTextOfContact(ContactRef contact);
// The OK check: 1 to 4 digits; kind 7 also needs group 0 or 81..92 and step 0..19.
int checkParamEntry(std::string_view text, int kind);

// ---- ID INPUT ----

// Exactly 4 digits, copied into buffer; a refused text leaves buffer empty.
int checkIdEntry(std::string_view text, std::array<char, 5>& buffer);

// ---- Enter Step Number ----

std::string stepNoInitialText(int value);
inline bool stepNoDropsSelection(int value) { return value >= 100; }
// 1 or 2 digits, 00..19.
int checkStepNoEntry(std::string_view text);

// ---- Enter Step Timer ----

struct StepTimer {
    int seconds = 0;  // 0..999
    int kind = 0;     // 0 on-delay, 1 step monitor
};
// From the step code in column 0 of the cursor row (140000 + kind x 1000 + seconds).
StepTimer stepTimerOfCell(int cellValue);

// ---- Enter Comment ----

constexpr std::size_t kCommentBytes = 20;
// The comment cut to 20 bytes without splitting a double-byte character.
std::string fitComment(std::string_view cp932);

// ---- Ladder keys ----

struct KeyHelpLine {
    const char* label;     // English
    const char* labelJa;   // Japanese
    const char* keys;
};
extern const std::array<KeyHelpLine, 20> kLadderKeyHelp;

}  // namespace kravin::editors

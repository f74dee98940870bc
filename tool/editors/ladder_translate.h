// Ladder diagram checked and translated into step codes.
#pragma once

#include <array>
#include <string>

#include "ladder_grid.h"
#include "step_codes.h"

namespace kravin::ladder {

enum LadderError : int {
    kLadderOk = 0,
    kErrNotConnected = -100,
    kErrFirstElement = -101,
    kErrContactOnCoilBranch = -102,
    kErrItemOverflow = -103,
    kErrContactInOutputRung = -104,
    kErrOrInOutputRung = -105,
    kErrNoOutputInOutputRung = -106,
    kErrOutputRungShape = -107,
    kErrBeforeStep = -108,
    kErrStepNumber = -109,
    kErrDuplicateStep = -110,
    kErrOrToStep = -111,
    kErrContactInStep = -112,
    kErrOutputInStep = -113,
    kErrTimerInStep00 = -114,
    kErrOrToTimer = -115,
    kErrContactInTimer = -116,
    kErrOutputInTimer = -117,
    kErrCannotTranslate = -118,
    kErrNoOutputInStep00 = -119,
    kErrBranchToStep00 = -120,
    kErrBranchFromStep00 = -121,
    kErrNoStep00Or01 = -122,
    kErrNoStep01 = -123,
    kErrRungWithoutOutput = -124,
};

// Message of a translation error code: string id 8229 (-100) .. 8253 (-124);
// 8254 "Unknown error type." for any other code.
int LadderErrorMessageId(int code);
const char* LadderErrorText(int code);

// Messages of the translation go through the caller's prompt.
class LadderPrompt {
public:
    virtual ~LadderPrompt() = default;
    // OK box.
    virtual void ShowMessage(int messageId, const std::string& text) = 0;
    // OK/Cancel box; true for OK.
    virtual bool AskOkCancel(int messageId, const std::string& text) = 0;
    // A code of slot that failed the sequence-connection check: asked (OK/Cancel,
    // true for OK) or reported (OK only).
    virtual bool SeqConnection(bool ask, int slot, const StepCode& code);
};

// The two sequence-connection messages: item number (11 + slot) and the code.
constexpr int kMsgSeqConnectionAsk = 9501;
constexpr int kMsgSeqConnectionReport = 8266;
std::string SeqConnectionAskText(int slot, const StepCode& code);
std::string SeqConnectionReportText(int slot, const StepCode& code);

// Normalisation passes, each on its own; NormaliseLadder runs them in order
// (empty rows, output branches, wire-only parallels, empty rows, output gaps,
// empty rows, series compaction). None of them changes what the diagram means.
void RemoveEmptyRows(LadderGrid& grid);
void RedrawOutputBranches(LadderGrid& grid);
void RemoveWireOnlyParallels(LadderGrid& grid);
void CloseOutputGaps(LadderGrid& grid);
void CompactSeriesSegments(LadderGrid& grid);
void NormaliseLadder(LadderGrid& grid);

struct LadderTranslation {
    int error = kLadderOk;
    GridPos errorPos;
    int count = 0;   // codes written before the end code
    std::array<StepCode, kStepsPerGroup> codes{};   // "000000"-terminated, "******" behind
};

// Normalises grid in place, checks it and translates it. Touches nothing else.
LadderTranslation TranslateGrid(LadderGrid& grid);

// Shows the message of code (nothing for 0).
void ReportLadderError(LadderPrompt& prompt, int code);

// Modes of TranslateLadder.
constexpr int kTranslateAsk = 0;
constexpr int kTranslateReport = 1;
constexpr int kTranslateSilent = 2;

// Translates the grid of ctx.g_seqGroup into its row of table.
//   0        translated, written, every code passed the sequence-connection
//            check (in mode 0: or the user chose OK for each that failed);
//   -100..-124  rejected: table untouched, g_ladderErrorPos names the element;
//   1        written, but a code failed the check (mode 0: the user chose Cancel).
// Modes 0 and 1 normalise ctx's grid in place and show their messages.
// Mode 2 is a dry run: no message, and nothing changes -- neither the table,
// nor the grid, nor g_ladderErrorPos; the first failing code gives 1.
int TranslateLadder(LadderContext& ctx, StepTable& table, SequenceCheck& check,
                    LadderPrompt& prompt, int mode);

// Moves g_ladderCursor onto g_ladderErrorPos and scrolls so that the row is
// visible without running past row 88.
void PointCursorAtLadderError(LadderContext& ctx);

// The one way a pending ladder edit reaches the step table.
enum class LadderSettle {
    Nothing,     // no pending edit; the table is as it was
    Committed,   // translated into table; g_stepTableBackup refreshed, g_ladderEdited cleared
    Refused,     // not translated (or the user cancelled); the table is as it was,
                 // the edit stays pending, the cursor is on the offending element
};

// Settles the pending edit with TranslateLadder (mode 0 or 1). Every path that
// stores the step table while the ladder view is open -- the ladder bar's
// Close, the leave/save check, CommitLadderEdit before File/Save and the save
// question -- calls this first and, on Committed, writes the step table to the
// unit (SaveSeqSteps) and marks the project modified; on Refused it stores
// nothing and the save or close stops.
LadderSettle SettleLadderEdit(LadderContext& ctx, StepTable& table, SequenceCheck& check,
                              LadderPrompt& prompt, int mode = kTranslateAsk);

// True while the grid may differ from the step table.
inline bool LadderEditPending(const LadderContext& ctx) { return ctx.g_ladderEdited; }

}  // namespace kravin::ladder

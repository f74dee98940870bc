// The sequential control program of the current unit while its views are open:
// the step table with the group markers, the ladder context of the group being
// edited, the two undo stores' hosts, the preparation of the two views, the
// sequential view's rules (hit test, menus, enabling and disabling groups) and
// the one settle path of a ladder edit (Confirm, Close, Cancel, the leave and
// save check). No window here.
#pragma once

#include "block_undo.h"
#include "current_unit.h"
#include "ladder_grid.h"
#include "ladder_translate.h"
#include "prompt.h"
#include "step_table.h"
#include "validation.h"

#include <functional>
#include <string>
#include <vector>

namespace kravin::sequence {

// Message ids of the sequential views.
namespace seqmsg {
constexpr int DiscardLadder = 8104;    // "Are you sure to discard updated data?"
constexpr int DisableGroup81 = 8264;   // "If you disable Group 81, all groups will be disabled. ..."
constexpr int DisableGroup = 8265;     // "Are you sure to disable entire group?"
constexpr int StepsNotWritten = 8268;  // the unit file could not be written
}  // namespace seqmsg

// Command ids of the sequential view.
namespace seqcmd {
constexpr int EnableSetting = 40435;
constexpr int DisableSetting = 40436;
constexpr int Mnemonic = 40437;
constexpr int Ladder = 32902;
}  // namespace seqcmd

// ---- the sequential view's geometry ----

constexpr int kTabWidth = 60, kTabHeight = 28, kTabPitch = 64, kTabLeft = 10, kTabTop = 5;
constexpr int kBoxWidth = 44, kBoxHeight = 28, kBoxPitch = 34, kBoxTop = 39;
constexpr int kSeqAreaWidth = 768;

// A step box of a group: the SS of its step code and its place in the list of
// the group's step codes (0 = the first).
struct StepBox {
    int step = 0;
    int index = 0;
    int slot = 0;  // the code's slot 0..88
};
// The step codes (type 13) of a group in list order, up to the end of the program.
std::vector<StepBox> StepBoxes(const model::StepTable& table, int group);

struct SeqHit {
    enum Kind { None, Tab, Step } kind = None;
    int group = -1;
    int step = -1;  // SS of the step hit
};
// Point in content coordinates (the scroll offset already added).
SeqHit HitTestSeq(const model::StepTable& table, int x, int y);

// Branch lines to draw: the step boxes they join (group and list index of each).
struct BranchLine {
    int fromGroup = 0, fromIndex = 0;
    int toGroup = 0, toIndex = 0;
};
std::vector<BranchLine> BranchLines(const model::StepTable& table, int currentGroup);

// Height of the content: the tabs and the longest group's boxes.
int SeqContentHeight(const model::StepTable& table);

class LadderPromptAdapter final : public ladder::LadderPrompt {
public:
    explicit LadderPromptAdapter(model::Prompt& prompt) : prompt_(prompt) {}
    void ShowMessage(int messageId, const std::string& text) override;
    bool AskOkCancel(int messageId, const std::string& text) override;
    bool SeqConnection(bool ask, int slot, const model::StepCode& code) override;

private:
    model::Prompt& prompt_;
};

class SequenceSession final : private model::SeqStepHost {
public:
    SequenceSession(model::UnitContext& unit, model::Prompt& prompt, std::function<void()> setModified);

    model::UnitContext& unit() { return unit_; }
    model::SeqSteps steps;
    ladder::LadderContext ladder;
    model::CSeqBlkUndo seqUndo;
    // The conversion at the ladder's opening: 0, or -1 with its message due once.
    int convertResult = 0;
    bool convertMessageShown = false;
    // Told while the monitor runs: edits are refused.
    std::function<bool()> online;

    int& group() { return ladder.g_seqGroup; }
    int& selectedStep() { return ladder.g_seqSelectedStep; }

    // Before the sequential frame is made: the unit's blocks and steps, nothing selected.
    void PrepareSeqView();
    // Before the ladder frame is made: cursor, scroll and edit flag reset, the
    // group converted, the step table backed up.
    void PrepareLadderView();
    // The unit's blocks and steps read again (after the block setting dialog
    // stored the group's codes); the selection stays.
    void ReloadSteps();
    // The steps into the unit file; on failure the message is shown and -1.
    int SaveSteps();

    bool GroupEnabled(int group) const;
    // The sequential view's commands on the current group; true when the table changed.
    bool EnableGroup();
    bool DisableGroup();
    // The popup menu of a hit: command ids, 0 a separator; empty for none.
    std::vector<int> ContextMenu(const SeqHit& hit, bool isOnline) const;
    // Selects what a hit names.
    void Select(const SeqHit& hit);
    // "Ladder Setting" may open: a group selected and enabled.
    bool LadderAllowed() const;

    // ---- the ladder's settle path ----
    ladder::LadderPrompt& ladderPrompt() { return ladderPrompt_; }
    model::UnitSequenceCheck& sequenceCheck() { return check_; }
    // Confirm: translate (report mode) and redraw from the new codes, or put
    // the cursor on the offending element.
    void LadderConfirm();
    // Close: true when the frame may go (translated and saved, or nothing edited).
    bool LadderClose();
    // Cancel: true when the frame may go (the table is back from the backup).
    bool LadderCancel();
    // The leave and save check: true when nothing is pending or the edit is
    // translated and stored.
    bool CommitPending();
    // An edit of the open ladder that the silent translation cannot store: the
    // ladder is in edit mode, and no save or close may pass it unasked.
    bool LadderEditRejected(bool ladderOpen);
    bool ConfirmDiscard();
    void RestoreBackup();
    // Hide/Show Comment: the switch and the scroll request within the rows.
    void ToggleComments();

private:
    // SeqStepHost
    int station() const override { return unit_.g_curStation; }
    int card() const override { return unit_.g_curCard; }
    model::SeqImage captureSteps() const override;
    bool restoreSteps(const model::SeqImage& image) override;
    void setModified() override
    {
        if (setModified_) setModified_();
    }

    bool isOnline() const { return online && online(); }
    // The block's own items (0..9) that hold nothing get their defaults.
    void WriteBlockDefaults(int group);
    void pointAtError();

    model::UnitContext& unit_;
    model::Prompt& prompt_;
    std::function<void()> setModified_;
    LadderPromptAdapter ladderPrompt_;
    model::UnitSequenceCheck check_;
};

}  // namespace kravin::sequence

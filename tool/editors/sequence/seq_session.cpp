#include "seq_session.h"

#include "KRAVinA.h"
#include "ladder_commit.h"
#include "ladder_convert.h"

#include <algorithm>
#include <cstring>

namespace kravin::sequence {

using ladder::DecodedStep;
using ladder::DecodeStep;
using model::kFirstSeqGroup;
using model::kLastSeqGroup;
using model::kSeqGroupCount;
using model::kStepsPerGroup;

namespace {

constexpr std::array<char, 2> kEnabled{'9', '5'};
constexpr std::array<char, 2> kDisabled{'*', '*'};

int tabLeft(int group) { return kTabLeft + kTabPitch * (group - kFirstSeqGroup); }

}  // namespace

std::vector<StepBox> StepBoxes(const model::StepTable& table, int group)
{
    std::vector<StepBox> boxes;
    const auto* row = table.Row(group);
    if (!row) return boxes;
    for (int s = 0; s < kStepsPerGroup; ++s) {
        const DecodedStep d = DecodeStep((*row)[static_cast<std::size_t>(s)]);
        if (!d.ok || d.end) break;
        if (d.type == ladder::kTypeStep) boxes.push_back({d.nn, static_cast<int>(boxes.size()), s});
    }
    return boxes;
}

SeqHit HitTestSeq(const model::StepTable& table, int x, int y)
{
    for (int g = kFirstSeqGroup; g <= kLastSeqGroup; ++g) {
        const int left = tabLeft(g);
        if (x >= left && x <= left + kTabWidth && y >= kTabTop && y < kTabTop + kTabHeight + 1)
            return {SeqHit::Tab, g, -1};
    }
    for (int g = kFirstSeqGroup; g <= kLastSeqGroup; ++g) {
        const int left = tabLeft(g);
        if (x < left || x > left + kBoxWidth) continue;
        for (const StepBox& b : StepBoxes(table, g)) {
            const int top = kBoxTop + kBoxPitch * b.index;
            if (y >= top && y <= top + kBoxHeight) return {SeqHit::Step, g, b.step};
        }
    }
    return {};
}

std::vector<BranchLine> BranchLines(const model::StepTable& table, int currentGroup)
{
    std::vector<BranchLine> lines;
    auto indexOfStep = [&](int group, int step) {
        for (const StepBox& b : StepBoxes(table, group))
            if (b.step == step) return b.index;
        return -1;
    };
    for (int g = kFirstSeqGroup; g <= kLastSeqGroup; ++g) {
        const auto* row = table.Row(g);
        int holder = -1;  // list index of the step that holds the code
        for (int s = 0; s < kStepsPerGroup; ++s) {
            const DecodedStep d = DecodeStep((*row)[static_cast<std::size_t>(s)]);
            if (!d.ok || d.end) break;
            if (d.type == ladder::kTypeStep) ++holder;
            if (d.type != ladder::kTypeBranch || holder < 0) continue;
            const int target = d.kk == 0 ? g : d.kk;
            if (target < kFirstSeqGroup || target > kLastSeqGroup || d.nn < 1 || d.nn > 19) continue;
            if (g != currentGroup && target != currentGroup) continue;
            const int to = indexOfStep(target, d.nn);
            if (to >= 0) lines.push_back({g, holder, target, to});
        }
    }
    return lines;
}

int SeqContentHeight(const model::StepTable& table)
{
    std::size_t most = 0;
    for (int g = kFirstSeqGroup; g <= kLastSeqGroup; ++g) most = std::max(most, StepBoxes(table, g).size());
    return std::max(719, kBoxTop + kBoxPitch * static_cast<int>(most) + 10);
}

// ---- prompts ----

void LadderPromptAdapter::ShowMessage(int messageId, const std::string& text)
{
    if (res::lookup(messageId, res::Language::English))
        prompt_.message(messageId, {}, model::Buttons::Ok, model::Icon::Warning);
    else
        prompt_.text(text, model::Icon::Warning);
}

bool LadderPromptAdapter::AskOkCancel(int messageId, const std::string& text)
{
    if (!res::lookup(messageId, res::Language::English)) prompt_.text(text, model::Icon::Question);
    return prompt_.message(messageId, {}, model::Buttons::OkCancel, model::Icon::Question) == model::Answer::Ok;
}

bool LadderPromptAdapter::SeqConnection(bool ask, int slot, const model::StepCode& code)
{
    const model::MessageArgs args{std::int64_t{model::kFirstStepItem + slot}, std::string(code.data(), code.size())};
    if (!ask) {
        prompt_.message(ladder::kMsgSeqConnectionReport, args, model::Buttons::Ok, model::Icon::Warning);
        return true;
    }
    return prompt_.message(ladder::kMsgSeqConnectionAsk, args, model::Buttons::OkCancel, model::Icon::Question) ==
           model::Answer::Ok;
}

// ---- session ----

SequenceSession::SequenceSession(model::UnitContext& unit, model::Prompt& prompt, std::function<void()> setModified)
    : seqUndo(*this),
      unit_(unit),
      prompt_(prompt),
      setModified_(std::move(setModified)),
      ladderPrompt_(prompt),
      check_(unit)
{
}

model::SeqImage SequenceSession::captureSteps() const
{
    model::SeqImage image;
    image.group = ladder.g_seqGroup;
    image.selectedStep = ladder.g_seqSelectedStep;
    for (int k = 0; k < kSeqGroupCount; ++k)
        std::memcpy(&image.markers[static_cast<std::size_t>(k)], steps.g_seqMarkers[static_cast<std::size_t>(k)].data(),
                    2);
    std::memcpy(image.steps.data(), steps.g_stepTable.rows.data(), image.steps.size());
    return image;
}

bool SequenceSession::restoreSteps(const model::SeqImage& image)
{
    ladder.g_seqGroup = image.group;
    ladder.g_seqSelectedStep = image.selectedStep;
    for (int k = 0; k < kSeqGroupCount; ++k)
        std::memcpy(steps.g_seqMarkers[static_cast<std::size_t>(k)].data(), &image.markers[static_cast<std::size_t>(k)],
                    2);
    std::memcpy(steps.g_stepTable.rows.data(), image.steps.data(), image.steps.size());
    return model::SaveSeqSteps(unit_, steps) == 0;
}

void SequenceSession::PrepareSeqView()
{
    unit_.LoadUnitBlocks(1);
    model::LoadSeqSteps(unit_, steps);
    ladder.g_seqGroup = -1;
    ladder.g_seqSelectedStep = -2;
    seqUndo.Clear(false);
}

void SequenceSession::ReloadSteps()
{
    unit_.LoadUnitBlocks(1);
    model::LoadSeqSteps(unit_, steps);
}

void SequenceSession::PrepareLadderView()
{
    ladder.g_ladderCursor = {};
    ladder.g_ladderScrollRequest = 0;
    ladder.g_ladderEdited = false;
    ladder.g_ladderErrorPos = {};
    convertResult = ladder::ConvertSeqToLadder(ladder, steps.g_stepTable);
    convertMessageShown = false;
    ladder.g_stepTableBackup = steps.g_stepTable;
}

int SequenceSession::SaveSteps()
{
    if (model::SaveSeqSteps(unit_, steps) == 0) return 0;
    prompt_.message(seqmsg::StepsNotWritten, {}, model::Buttons::Ok, model::Icon::Error);
    return -1;
}

void SequenceSession::WriteBlockDefaults(int group)
{
    std::array<char, model::kUnitHeadSize> head;
    if (unit_.ReadUnitImage(head) == -1) return;
    if (unit_.LoadBlockDefinition(unit_.model(), unit_.version(), "SEQ") != 0) return;
    bool set = false;
    for (int i = 0; i < model::kSeqMarkerItem; ++i) {
        const model::ItemDefinition& d = unit_.itemDefinitions[static_cast<std::size_t>(i)];
        const std::string_view type = model::fieldView(d.type);
        if (type.empty() || type.rfind("NON", 0) == 0) continue;
        char value[KRAVINA_UNIT_ITEM_SIZE + 1] = {};
        KRAVinA_Data_Item_Get(group, i, value);
        if (value[0] != 0) continue;   // a value the group kept while disabled stays
        std::memcpy(value, d.defaultValue, std::min<std::size_t>(KRAVINA_UNIT_ITEM_SIZE, model::fieldView(d.defaultValue).size()));
        KRAVinA_Data_Item_Set(group, i, value);
        set = true;
    }
    // SaveSeqSteps reads the file again: the defaults go into it first.
    if (set) KRAVinA_Data_Write(unit_.g_curStation, unit_.libraryCard(), head.data(), unit_.workFolder.c_str());
}

bool SequenceSession::GroupEnabled(int group) const
{
    if (group < kFirstSeqGroup || group > kLastSeqGroup) return false;
    return steps.g_seqMarkers[static_cast<std::size_t>(group - kFirstSeqGroup)] == kEnabled;
}

bool SequenceSession::LadderAllowed() const { return GroupEnabled(ladder.g_seqGroup); }

void SequenceSession::Select(const SeqHit& hit)
{
    if (hit.kind == SeqHit::None) return;
    ladder.g_seqGroup = hit.group;
    ladder.g_seqSelectedStep = hit.kind == SeqHit::Tab ? -1 : hit.step;
}

bool SequenceSession::EnableGroup()
{
    const int group = ladder.g_seqGroup;
    if (isOnline() || group < kFirstSeqGroup || group > kLastSeqGroup || GroupEnabled(group)) return false;
    if (group != kFirstSeqGroup && !GroupEnabled(kFirstSeqGroup)) return false;
    seqUndo.Record(2);
    WriteBlockDefaults(group);
    steps.g_seqMarkers[static_cast<std::size_t>(group - kFirstSeqGroup)] = kEnabled;
    auto& row = *steps.g_stepTable.Row(group);
    row.fill(model::MakeStepCode(model::kEmptyCode));
    row[0] = model::MakeStepCode("130000");
    row[1] = model::MakeStepCode("000000");
    SaveSteps();
    setModified();
    seqUndo.Record(1);
    return true;
}

bool SequenceSession::DisableGroup()
{
    const int group = ladder.g_seqGroup;
    if (isOnline() || group < kFirstSeqGroup || group > kLastSeqGroup) return false;
    const bool all = group == kFirstSeqGroup;
    if (prompt_.message(all ? seqmsg::DisableGroup81 : seqmsg::DisableGroup, {}, model::Buttons::OkCancel,
                        model::Icon::Question) != model::Answer::Ok)
        return false;
    seqUndo.Record(2);
    for (int g = kFirstSeqGroup; g <= kLastSeqGroup; ++g) {
        if (!all && g != group) continue;
        steps.g_seqMarkers[static_cast<std::size_t>(g - kFirstSeqGroup)] = kDisabled;
        steps.g_stepTable.Row(g)->fill(model::MakeStepCode(model::kEmptyCode));
    }
    SaveSteps();
    setModified();
    seqUndo.Record(1);
    return true;
}

std::vector<int> SequenceSession::ContextMenu(const SeqHit& hit, bool isOnlineNow) const
{
    if (hit.kind == SeqHit::Step)
        return isOnlineNow ? std::vector<int>{seqcmd::Ladder} : std::vector<int>{seqcmd::Ladder, seqcmd::Mnemonic};
    if (hit.kind != SeqHit::Tab) return {};
    if (GroupEnabled(hit.group))
        return isOnlineNow ? std::vector<int>{seqcmd::Ladder}
                           : std::vector<int>{seqcmd::Ladder, seqcmd::Mnemonic, 0, seqcmd::DisableSetting};
    if (!isOnlineNow && (hit.group == kFirstSeqGroup || GroupEnabled(kFirstSeqGroup))) return {seqcmd::EnableSetting};
    return {};
}

// ---- ladder settle path ----

void SequenceSession::pointAtError() { ladder::PointCursorAtLadderError(ladder); }

void SequenceSession::LadderConfirm()
{
    ladder.g_seqSelectedStep = 0;
    const int result =
        ladder::TranslateLadder(ladder, steps.g_stepTable, check_, ladderPrompt_, ladder::kTranslateReport);
    if (result == 0) {
        ladder::ConvertSeqToLadder(ladder, steps.g_stepTable);
        ladder.g_ladderScrollRequest = 0;
    } else if (result < 0) {
        pointAtError();
    }
}

bool SequenceSession::LadderClose()
{
    if (!ladder.g_ladderEdited) {
        RestoreBackup();
        return true;
    }
    return CommitPending();
}

bool SequenceSession::CommitPending()
{
    switch (ladder::SettleLadderEdit(ladder, steps.g_stepTable, check_, ladderPrompt_)) {
    case ladder::LadderSettle::Nothing: return true;
    case ladder::LadderSettle::Refused: return false;
    case ladder::LadderSettle::Committed: break;
    }
    setModified();
    if (SaveSteps() != 0) {
        // The unit does not hold the translation yet: the edit stays pending.
        ladder.g_ladderEdited = true;
        return false;
    }
    return true;
}

bool SequenceSession::LadderEditRejected(bool ladderOpen)
{
    ladder::LadderCommitHook hook(ladder, steps.g_stepTable, check_, ladderPrompt_);
    hook.viewOpen = ladderOpen;
    return model::IsLadderEditPending(&hook) == 1;
}

bool SequenceSession::LadderCancel()
{
    if (ladder.g_ladderEdited && !ConfirmDiscard()) return false;
    RestoreBackup();
    return true;
}

bool SequenceSession::ConfirmDiscard()
{
    return prompt_.message(seqmsg::DiscardLadder, {}, model::Buttons::OkCancel, model::Icon::Question) ==
           model::Answer::Ok;
}

void SequenceSession::RestoreBackup() { steps.g_stepTable = ladder.g_stepTableBackup; }

void SequenceSession::ToggleComments()
{
    ladder.g_ladderShowComments = !ladder.g_ladderShowComments;
    const int visible = ladder.g_ladderShowComments ? 6 : 10;
    if (ladder.g_ladderScrollRequest + visible > ladder::kLadderRows)
        ladder.g_ladderScrollRequest = ladder::kLadderRows - visible;
}

}  // namespace kravin::sequence

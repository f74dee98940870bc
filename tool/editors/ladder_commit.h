// The ladder editor's side of the model's commit service: the model asks through
// this hook whether a ladder edit is pending and has it settled, so that no save
// or close ever stores a ladder edit that was not translated.
#pragma once

#include "ladder_translate.h"
#include "services.h"

namespace kravin::ladder {

class LadderCommitHook : public model::LadderEditHook {
public:
    LadderCommitHook(LadderContext& ctx, StepTable& table, SequenceCheck& check, LadderPrompt& prompt)
        : ctx_(ctx), table_(table), check_(check), prompt_(prompt)
    {
    }

    // Set by the view while it is open.
    bool viewOpen = false;

    bool LadderViewOpen() const override { return viewOpen; }
    bool LadderEdited() const override { return ctx_.g_ladderEdited; }
    bool TranslationObjects() override
    {
        return TranslateLadder(ctx_, table_, check_, prompt_, kTranslateSilent) != 0;
    }
    Settle SettleEdit() override
    {
        switch (SettleLadderEdit(ctx_, table_, check_, prompt_)) {
        case LadderSettle::Committed:
            return Settle::Committed;
        case LadderSettle::Refused:
            return Settle::Refused;
        case LadderSettle::Nothing:
            break;
        }
        return Settle::Nothing;
    }

private:
    LadderContext& ctx_;
    StepTable& table_;
    SequenceCheck& check_;
    LadderPrompt& prompt_;
};

}  // namespace kravin::ladder

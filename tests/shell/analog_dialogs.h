// The analog view's dialogs answered from a script: the groups to pick in turn, and
// the comment text (none: the comment dialog is cancelled).
#pragma once

#include "anatan_dialogs.h"
#include "comment_layer.h"

#include <deque>
#include <optional>
#include <string>

namespace kravin::test {

class ScriptedAnalogDialogs : public wiring::AnaTanDialogs, public model::CommentDialog {
public:
    std::deque<int> groups;
    std::optional<int> selectGroup(const model::UnitContext&, const std::string&) override
    {
        if (groups.empty()) return std::nullopt;
        const int g = groups.front();
        groups.pop_front();
        return g;
    }
    std::optional<std::string> jumpLabel() override { return std::nullopt; }
    std::optional<wiring::LineFormatChoice> lineFormat(const wiring::LineFormatChoice&) override
    {
        return std::nullopt;
    }
    model::CommentDialog& commentDialog() override { return *this; }
    bool run(model::CommentDialogData& data) override
    {
        if (!commentText) return false;
        data.text = *commentText;
        return true;
    }
    std::optional<std::string> commentText;
};

}  // namespace kravin::test

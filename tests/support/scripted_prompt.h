// A Prompt that answers from a script and records what was asked, for tests of
// code that talks to the user.
#pragma once

#include "prompt.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kravin::test {

class ScriptedPrompt : public model::Prompt {
public:
    struct Shown {
        int id;
        model::MessageArgs args;
        model::Buttons buttons;
    };

    // Answers for the next boxes of an id, in order. A one-button box needs none.
    void answer(int id, model::Answer a) { answers_[id].push_back(a); }
    // The next file dialog returns path (nothing = cancelled).
    void file(std::optional<std::string> path) { files_.push_back(std::move(path)); }
    // The next project dialog runs fill on its data; fill's result is OK / Cancel.
    void dialog(std::function<bool(model::ProjectDialogData&)> fill) { dialogs_.push_back(std::move(fill)); }

    model::Answer message(int id, const model::MessageArgs& args, model::Buttons buttons, model::Icon) override
    {
        shown.push_back({id, args, buttons});
        auto it = answers_.find(id);
        if (it != answers_.end() && !it->second.empty()) {
            const model::Answer a = it->second.front();
            it->second.pop_front();
            return a;
        }
        if (buttons == model::Buttons::Ok) return model::Answer::Ok;
        ADD_FAILURE() << "unscripted question " << id;
        return buttons == model::Buttons::OkCancel ? model::Answer::Cancel : model::Answer::No;
    }

    void text(const std::string& utf8, model::Icon) override { texts.push_back(utf8); }

    std::optional<std::string> chooseFile(const model::FileChoice& choice) override
    {
        fileChoices.push_back(choice);
        if (files_.empty()) {
            ADD_FAILURE() << "unscripted file dialog";
            return std::nullopt;
        }
        auto path = files_.front();
        files_.pop_front();
        return path;
    }

    bool projectDialog(model::ProjectDialogData& data) override
    {
        dialogData.push_back(data);
        if (dialogs_.empty()) {
            ADD_FAILURE() << "unscripted project dialog";
            return false;
        }
        auto fill = std::move(dialogs_.front());
        dialogs_.pop_front();
        return fill(data);
    }

    // Ids of the boxes shown, in order.
    std::vector<int> ids() const
    {
        std::vector<int> out;
        for (const Shown& s : shown) out.push_back(s.id);
        return out;
    }
    void clearLog()
    {
        shown.clear();
        texts.clear();
        fileChoices.clear();
        dialogData.clear();
    }
    // Every scripted answer was used.
    bool scriptDone() const
    {
        for (const auto& [id, q] : answers_)
            if (!q.empty()) return false;
        return files_.empty() && dialogs_.empty();
    }

    std::vector<Shown> shown;
    std::vector<std::string> texts;
    std::vector<model::FileChoice> fileChoices;
    std::vector<model::ProjectDialogData> dialogData;

private:
    std::map<int, std::deque<model::Answer>> answers_;
    std::deque<std::optional<std::string>> files_;
    std::deque<std::function<bool(model::ProjectDialogData&)>> dialogs_;
};

}  // namespace kravin::test

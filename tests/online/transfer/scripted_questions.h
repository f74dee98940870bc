// Answers a run's questions from a script and records what was asked.
#pragma once

#include "transfer_core.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace kravin::online::test {

class ScriptedQuestions final : public TransferQuestions {
public:
    struct Asked {
        std::string kind;  // "comm", "missing", "version", "compare", "confirm"
        int a = 0, b = 0;
        std::string device, project;
    };

    // Answers given in order; when none is left, defaultAnswer.
    void answer(int a) { answers_.push_back(a); }
    int defaultAnswer = model::AnswerSkip;

    int communicationError(const std::string& detail) override { return take({"comm", 0, 0, detail, {}}); }
    int itemMissing(int group, int item) override { return take({"missing", group, item, {}, {}}); }
    int uploadVersionCheck() override { return take({"version", 0, 0, {}, {}}); }
    int compareError(const CompareDifference& d) override { return take({"compare", d.group, d.item, d.device, d.project}); }
    bool confirm(int id, const model::MessageArgs&, bool) override { return take({"confirm", id, 0, {}, {}}) == model::AnswerSkip; }

    std::vector<Asked> asked() const
    {
        std::lock_guard lock(mutex_);
        return asked_;
    }
    std::vector<std::string> kinds() const
    {
        std::vector<std::string> k;
        for (const Asked& a : asked()) k.push_back(a.kind);
        return k;
    }

private:
    int take(Asked a)
    {
        std::lock_guard lock(mutex_);
        asked_.push_back(std::move(a));
        if (answers_.empty()) return defaultAnswer;
        const int r = answers_.front();
        answers_.pop_front();
        return r;
    }

    mutable std::mutex mutex_;
    std::deque<int> answers_;
    std::vector<Asked> asked_;
};

}  // namespace kravin::online::test

// Small builders for ladder grids and step lists used by the editor tests.
#pragma once

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "ladder_grid.h"
#include "ladder_translate.h"
#include "step_codes.h"

namespace kravin::ladder::test {

constexpr int32_t E = kCellEmpty;
constexpr int32_t W = kCellWire;

// Cell and coil values.
constexpr int32_t NO(int kk, int nn) { return MakeValue(1, kk, nn); }
constexpr int32_t NC(int kk, int nn) { return MakeValue(2, kk, nn); }
constexpr int32_t OUT(int kk, int nn) { return MakeValue(7, kk, nn); }
constexpr int32_t STEP(int ss) { return MakeStepValue(ss); }
constexpr int32_t TIMER(int v, int ttt) { return MakeTimerValue(v, ttt); }

struct RowSpec {
    std::array<int32_t, 8> cells;
    int32_t coil = kCoilNone;
    uint8_t links = 0;
};

inline RowSpec StepRow(int ss) { return {{STEP(ss), W, W, W, W, W, W, W}, kCoilWire, 0}; }
inline RowSpec TimerRow(int v, int ttt) { return {{TIMER(v, ttt), W, W, W, W, W, W, W}, kCoilWire, 0}; }
// One contact in column 0 wired through to a coil.
inline RowSpec SimpleRung(int32_t contact, int32_t coil) { return {{contact, W, W, W, W, W, W, W}, coil, 0}; }

inline LadderGrid MakeGrid(std::initializer_list<RowSpec> rows, int firstRow = 0)
{
    LadderGrid g;
    int r = firstRow;
    for (const auto& spec : rows) {
        for (int c = 0; c < kLadderCols; ++c) g.g_ladderCells[r][c] = spec.cells[c];
        g.g_ladderCoils[r] = spec.coil;
        g.g_ladderLinks[r] = spec.links;
        ++r;
    }
    return g;
}

inline std::array<StepCode, kStepsPerGroup> MakeCodes(std::initializer_list<const char*> texts)
{
    std::array<StepCode, kStepsPerGroup> codes;
    codes.fill(MakeStepCode(kEmptyCode));
    int i = 0;
    for (const char* t : texts) codes[i++] = MakeStepCode(t);
    return codes;
}

// The codes up to (not including) the end of the program, as text.
inline std::vector<std::string> ProgramText(const std::array<StepCode, kStepsPerGroup>& codes)
{
    std::vector<std::string> out;
    for (const auto& c : codes) {
        if (IsEndOfProgram(c)) break;
        out.push_back(CodeText(c));
    }
    return out;
}

// Accepts every code, or refuses the codes listed.
class FakeCheck : public SequenceCheck {
public:
    std::vector<std::string> refused;
    std::vector<std::string> seen;
    int CheckStepCode(const StepCode& code) override
    {
        seen.push_back(CodeText(code));
        for (const auto& r : refused)
            if (r == CodeText(code)) return -1;
        return 0;
    }
};

// Records every message; answers AskOkCancel from a script (OK when empty).
class FakePrompt : public LadderPrompt {
public:
    struct Shown {
        int id;
        std::string text;
        bool question;
    };
    std::vector<Shown> shown;
    std::vector<bool> answers;
    void ShowMessage(int id, const std::string& text) override { shown.push_back({id, text, false}); }
    bool AskOkCancel(int id, const std::string& text) override
    {
        shown.push_back({id, text, true});
        if (answers.empty()) return true;
        bool a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
};

}  // namespace kravin::ladder::test

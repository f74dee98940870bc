#include "step_codes.h"

#include <algorithm>

namespace kravin::ladder {

const std::array<const char*, 16> kStepMnemonics = {
    "ED", "IN", "NI", "AD", "NA", "OR", "NR", "OT",
    "NO", "ON", "OF", "SH", "BR", "ST", "TM", "NP"};

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal value of code[from..from+len), or -1 when a character is not a digit.
int Digits(const StepCode& code, int from, int len)
{
    int v = 0;
    for (int i = from; i < from + len; ++i) {
        if (!IsDigit(code[i])) return -1;
        v = v * 10 + (code[i] - '0');
    }
    return v;
}

void PutDigits(StepCode& code, int from, int len, int value)
{
    for (int i = from + len - 1; i >= from; --i) {
        code[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

bool Equals(const StepCode& code, const char* text)
{
    return std::equal(code.begin(), code.end(), text);
}

}  // namespace

StepCode MakeStepCode(std::string_view text)
{
    StepCode code;
    code.fill('*');
    std::copy_n(text.begin(), std::min<std::size_t>(text.size(), kStepCodeLen), code.begin());
    return code;
}

std::string CodeText(const StepCode& code) { return std::string(code.begin(), code.end()); }

bool IsEndOfProgram(const StepCode& code)
{
    return (code[0] == '*' && code[1] == '*') || Equals(code, kEndCode);
}

bool IsBlockAnd(const StepCode& code) { return Equals(code, kAndBlockCode); }
bool IsBlockOr(const StepCode& code) { return Equals(code, kOrBlockCode); }

DecodedStep DecodeStep(const StepCode& code)
{
    DecodedStep d;
    if (code[0] == '*' && code[1] == '*') {
        d.ok = d.end = true;
        return d;
    }
    d.type = Digits(code, 0, 2);
    if (d.type < 0) return d;
    if (d.type == kTypeEnd) {
        d.ok = d.end = true;
        return d;
    }
    if (d.type == kTypeTimer) {
        d.timerKind = Digits(code, 2, 1);
        d.timerSeconds = Digits(code, 3, 3);
        d.ok = d.timerKind >= 0 && d.timerSeconds >= 0;
        return d;
    }
    d.kk = Digits(code, 2, 2);
    d.nn = Digits(code, 4, 2);
    d.ok = d.kk >= 0 && d.nn >= 0;
    return d;
}

bool EncodeStep(int type, int kk, int nn, StepCode& out)
{
    if (type < 0 || type > 99 || kk < 0 || kk > 99 || nn < 0 || nn > 99) return false;
    PutDigits(out, 0, 2, type);
    PutDigits(out, 2, 2, kk);
    PutDigits(out, 4, 2, nn);
    return true;
}

bool EncodeTimer(int kind, int seconds, StepCode& out)
{
    if (kind < 0 || kind > 9 || seconds < 0 || seconds > 999) return false;
    PutDigits(out, 0, 2, kTypeTimer);
    PutDigits(out, 2, 1, kind);
    PutDigits(out, 3, 3, seconds);
    return true;
}

StepTable::StepTable()
{
    for (auto& row : rows) row.fill(MakeStepCode(kEmptyCode));
}

std::array<StepCode, kStepsPerGroup>* StepTable::Row(int group)
{
    if (group < kFirstSeqGroup || group > kLastSeqGroup) return nullptr;
    return &rows[group - kFirstSeqGroup];
}

const std::array<StepCode, kStepsPerGroup>* StepTable::Row(int group) const
{
    if (group < kFirstSeqGroup || group > kLastSeqGroup) return nullptr;
    return &rows[group - kFirstSeqGroup];
}

}  // namespace kravin::ladder

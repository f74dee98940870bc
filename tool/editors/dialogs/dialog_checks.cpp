#include "dialog_checks.h"

#include "text_codec.h"

#include <algorithm>
#include <charconv>

namespace kravin::editors {

namespace {

bool allDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int digitsValue(std::string_view s)
{
    int v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() ? v : 0;
}

std::string twoDigits(int a, int b)
{
    std::string s(4, '0');
    a = std::clamp(a, 0, 99);
    b = std::clamp(b, 0, 99);
    s[0] = static_cast<char>('0' + a / 10);
    s[1] = static_cast<char>('0' + a % 10);
    s[2] = static_cast<char>('0' + b / 10);
    s[3] = static_cast<char>('0' + b % 10);
    return s;
}

std::string zeroPadded(int value, std::size_t width)
{
    std::string s = std::to_string(value);
    if (s.size() < width) s.insert(0, width - s.size(), '0');
    return s;
}

bool isVirtualKind(std::string_view name)
{
    return name.substr(0, 5) == "TQRQ$" || name.substr(0, 5) == "TQRC$";
}

std::vector<std::string> versionList(const model::CardKindMaster& master, int kind)
{
    std::vector<std::string> v;
    if (kind <= 0 || kind >= model::kKindEntries) return v;
    for (const std::string& version : master.versions[kind]) {
        if (version.empty()) break;
        v.push_back(version);
    }
    return v;
}

}  // namespace

ModelList buildModelList(const model::CardKindMasters& masters, const model::SystemConfigTables& tables,
                         int station, int card)
{
    ModelList list;
    const bool isCard = card > 0;
    const model::CardKindMaster& master = isCard ? masters.card : masters.station;
    int kind = 0, version = 0;
    if (station >= 0 && station < model::kStations && card >= 0 && card <= model::kCardSlots) {
        kind = isCard ? tables.cardKind[station][card - 1] : tables.stationKind[station];
        version = isCard ? tables.cardVersion[station][card - 1] : tables.stationVersion[station];
    }
    if (kind < 0 || kind >= model::kKindEntries) kind = 0;
    int line = kind > 0 ? kind - 1 : 0;
    for (int k = 1; k < model::kKindEntries; ++k) {
        const std::string& name = master.name[k];
        if (name.empty()) break;
        if (isCard && isVirtualKind(name)) {
            if (k < kind) --line;
            continue;
        }
        list.models.push_back(name);
    }
    list.versions = versionList(master, kind > 0 ? kind : 1);
    const auto clampLine = [](int l, std::size_t size) {
        return size == 0 ? -1 : std::clamp(l, 0, static_cast<int>(size) - 1);
    };
    list.modelLine = clampLine(line, list.models.size());
    list.versionLine = clampLine(kind > 0 ? version : 0, list.versions.size());
    return list;
}

std::vector<std::string> versionsOfModel(const model::CardKindMaster& master, std::string_view model)
{
    for (int k = 1; k < model::kKindEntries; ++k) {
        if (master.name[k].empty()) break;
        if (master.name[k] == model) return versionList(master, k);
    }
    return {};
}

std::vector<std::string> cardNameLines(const std::vector<std::string>& groupNames, int group)
{
    std::vector<std::string> lines = groupNames;
    if (group == 14 && lines.size() > 2) lines.resize(2);
    return lines;
}

FunctionChoices buildFunctionChoices(std::string_view model, const std::vector<std::string>& validCodes,
                                     std::string_view presentCode, const std::vector<int>& commTerminalKinds,
                                     const std::function<std::string(std::string_view id3)>& blockName)
{
    FunctionChoices f;
    if (model.substr(0, 5) == "TQRC$") {
        const std::size_t n = std::min<std::size_t>(commTerminalKinds.size(), 16);
        for (std::size_t i = 0; i < n; ++i) {
            if (commTerminalKinds[i] == 3) break;
            if (commTerminalKinds[i] == 4) {
                f.initial = 1;
                break;
            }
        }
    } else {
        const std::string_view present = presentCode.substr(0, std::min<std::size_t>(presentCode.size(), 5));
        for (std::size_t i = 0; i < validCodes.size(); ++i)
            if (present.size() == 5 && std::string_view(validCodes[i]).substr(0, 5) == present) {
                f.initial = static_cast<int>(i);
                break;
            }
    }
    for (const std::string& code : validCodes) {
        if (code.size() < 5) continue;
        const std::string name = blockName ? blockName(std::string_view(code).substr(2, 3)) : std::string();
        if (name.empty()) continue;
        f.lines.push_back(code.substr(2, 3) + "(" + code.substr(0, 2) + ")  " + name);
    }
    return f;
}

std::string paramInitialText(int value)
{
    if (value < 0) return {};
    if (value <= 9999) return zeroPadded(value, 4);
    return std::to_string(value % 10000);
}

int paramLabelId(int kind) { return kind >= 0 && kind <= 7 ? 9900 + kind : 0; }

ContactRef contactOfParam(std::string_view text)
{
    auto part = [&](std::size_t from) {
        if (text.size() <= from) return 0;
        const std::string_view s = text.substr(from, 2);
        return allDigits(s) ? digitsValue(s) : 0;
    };
    return {part(0), part(2)};
}

std::string paramTextOfContact(ContactRef contact) { return twoDigits(contact.group, contact.item); }

int checkParamEntry(std::string_view text, int kind)
{
    if (!allDigits(text) || text.size() > 4) return dlgmsg::ParamDigits;
    if (kind == 7) {
        const std::string padded = zeroPadded(digitsValue(text), 4);
        const int group = digitsValue(std::string_view(padded).substr(0, 2));
        const int step = digitsValue(std::string_view(padded).substr(2, 2));
        if (!(group == 0 || (group >= 81 && group <= 92)) || step > 19) return dlgmsg::BadJumpDestination;
    }
    return 0;
}

int checkIdEntry(std::string_view text, std::array<char, 5>& buffer)
{
    // The first four characters are taken; only the length counts.
    buffer.fill('\0');
    std::copy_n(text.begin(), std::min<std::size_t>(text.size(), 4), buffer.begin());
    return text.size() == 4 ? 0 : dlgmsg::IdFourDigits;
}

std::string stepNoInitialText(int value)
{
    if (value < 0) return {};
    if (value <= 99) return zeroPadded(value, 2);
    return std::to_string(value % 100);
}

int checkStepNoEntry(std::string_view text)
{
    if (text.size() > 2 || !allDigits(text) || digitsValue(text) > 19) return dlgmsg::StepNoRange;
    return 0;
}

StepTimer stepTimerOfCell(int cellValue)
{
    StepTimer t;
    if (cellValue < 140000) return t;
    const int kind = (cellValue - 140000) / 1000;
    if (kind > 1) return t;
    t.kind = kind;
    t.seconds = (cellValue - 140000) % 1000;
    return t;
}

std::string fitComment(std::string_view cp932) { return model::trimDbcs(cp932, kCommentBytes); }

const std::array<KeyHelpLine, 20> kLadderKeyHelp{{
    {"Page Break", "改ページ", "PageUp PageDown"},
    {"Cursor Move", "カーソル移動", "\u2191 \u2193 \u2190 \u2192"},
    {"N.O. Contact", "a接点", "a or A"},
    {"N.C. Contact", "b接点", "b or B"},
    {"Output Coil", "出力コイル", "o or O"},
    {"Output Coil (NOT)", "出力コイル(NOT)", "n or N"},
    {"SET Coil", "SETコイル", "s or S"},
    {"RESET Coil", "RESETコイル", "r or R"},
    {"One Shot Coil", "ワンショットコイル", "e or E"},
    {"Branch", "分岐", "j or J"},
    {"Step", "ステップ", "p or P"},
    {"Timer", "タイマ", "t or T"},
    {"Connection", "接続", "y or Y"},
    {"OR connection (DEL)", "OR接続(削除)", "u or U"},
    {"Insert Row", "行挿入", "Ctrl+INS"},
    {"Delete Row", "行削除", "Ctrl+DEL"},
    {"Enter Comment", "コメント入力", "Ctrl+I"},
    {"Move Cursor to Next", "次へカーソル移動", "Enter"},
    {"Help", "ヘルプ", "Home"},
    {"Delete", "削除", "Delete"},
}};

}  // namespace kravin::editors

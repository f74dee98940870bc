#include "validation.h"

#include "KRAVinA.h"
#include "connections.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>
#include <vector>

namespace kravin::model {
namespace {

constexpr std::size_t kInputMax = 32;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHex(char c) { return hexDigitValue(c) >= 0; }
char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool allDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), isDigit);
}

int number(std::string_view digits)
{
    int v = 0;
    for (char c : digits) v = v * 10 + (c - '0');
    return v;
}

std::vector<std::string_view> rangeEntries(std::string_view range)
{
    std::vector<std::string_view> out;
    while (!range.empty()) {
        const auto semi = range.find(';');
        const std::string_view e = range.substr(0, semi);
        if (!e.empty()) out.push_back(e);
        if (semi == std::string_view::npos) break;
        range.remove_prefix(semi + 1);
    }
    return out;
}

// Strict integer: an optional '-' and at least one digit, nothing else.
enum class Parse { Ok, Syntax, Overflow };
Parse parseInteger(std::string_view s, long long& out)
{
    std::string_view digits = s;
    if (!digits.empty() && digits[0] == '-') digits.remove_prefix(1);
    if (!allDigits(digits)) return Parse::Syntax;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    if (ec == std::errc::result_out_of_range) return Parse::Overflow;
    return ec == std::errc() && p == s.data() + s.size() ? Parse::Ok : Parse::Syntax;
}

// Strict decimal: an optional '-', digits with at most one '.', at least one digit.
bool parseDecimal(std::string_view s, double& out)
{
    std::string_view body = s;
    if (!body.empty() && body[0] == '-') body.remove_prefix(1);
    int dots = 0, digits = 0;
    for (char c : body) {
        if (c == '.') ++dots;
        else if (isDigit(c)) ++digits;
        else return false;
    }
    if (dots > 1 || digits == 0) return false;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out, std::chars_format::fixed);
    return ec == std::errc() && p == s.data() + s.size();
}

// STATION and GROUP ranges: a 2-character entry equal to the value, or "lo_hi"
// with lo <= value <= hi as 2-character strings.
bool inTextRange(std::string_view value, std::string_view range)
{
    for (std::string_view e : rangeEntries(range)) {
        if (e.size() == 2 && e == value) return true;
        if (e.size() == 5 && e[2] == '_' && e.substr(0, 2) <= value && value <= e.substr(3, 2)) return true;
    }
    return false;
}

bool inIntegerRange(long long v, std::string_view range)
{
    for (std::string_view e : rangeEntries(range)) {
        const auto u = e.find('_');
        long long lo = 0, hi = 0;
        if (u == std::string_view::npos) {
            if (parseInteger(e, lo) == Parse::Ok && v == lo) return true;
        } else if (parseInteger(e.substr(0, u), lo) == Parse::Ok &&
                   parseInteger(e.substr(u + 1), hi) == Parse::Ok && lo <= v && v <= hi) {
            return true;
        }
    }
    return false;
}

// A number with the given digits after the point; never "-0.0".
std::optional<std::string> floatText(double v, int digits)
{
    char out[64];
    const auto r = std::to_chars(out, out + sizeof out, v, std::chars_format::fixed, digits);
    if (r.ec != std::errc()) return std::nullopt;
    std::string text(out, r.ptr);
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

bool terminalOk(int tt) { return tt == 0 || (tt >= 11 && tt <= 26); }

struct Verdict {
    int message = 0;    // 0 accepted
    int extra = -1;     // second argument of 8120
    int item = -1;      // item named in the message, -1 the checked one
};

Verdict check(const UnitContext& unit, int item, std::string_view type, const ItemDefinition& def,
              std::string& text)
{
    const std::string_view range = fieldView(def.range);
    auto need = [&](std::size_t n) { return text.size() == n; };

    if (startsWith(type, "FA_")) return {};
    if (startsWith(type, "STATION")) {
        if (!need(2)) return {kMsgInputLength};
        if (!isHex(text[0]) || !isHex(text[1])) return {kMsgInputData};
        for (char& c : text) c = upper(c);
        return inTextRange(text, range) ? Verdict{} : Verdict{kMsgInputRange};
    }
    if (startsWith(type, "CARD")) {
        if (!need(1)) return {kMsgInputLength};
        const char c = upper(text[0]);
        const bool twoSlot = unit.modelStartsWith("QV200W") || unit.modelStartsWith("QV210W");
        if (twoSlot && item == 51 && unit.realGroup() == 0) {
            if (!(isDigit(c) || (c >= 'A' && c <= 'E'))) return {kMsgInputData, -1, 51};
        } else if (!isHex(c)) {
            return {kMsgInputData};
        }
        text[0] = c;
        return {};
    }
    if (startsWith(type, "GROUP")) {
        if (!need(2)) return {kMsgInputLength};
        if (!allDigits(text)) return {kMsgInputData};
        return inTextRange(text, range) ? Verdict{} : Verdict{kMsgInputRange};
    }
    if (startsWith(type, "TEL_TARGET")) {
        if (!need(4)) return {kMsgInputLength};
        if (!allDigits(text)) return {kMsgInputData};
        const int cc = number(text.substr(0, 2)), tt = number(text.substr(2, 2));
        return terminalOk(tt) && cc <= 16 ? Verdict{} : Verdict{kMsgInputRange};
    }
    if (startsWith(type, "ANACOM") || startsWith(type, "ITEMCOM") || startsWith(type, "INTCH4")) {
        if (!need(4)) return {kMsgInputLength};
        return allDigits(text) ? Verdict{} : Verdict{kMsgInputData};
    }
    if (startsWith(type, "SEQ")) {
        if (!need(6)) return {kMsgInputLength};
        return text == "******" || allDigits(text) ? Verdict{} : Verdict{kMsgInputData};
    }
    if (startsWith(type, "47K_COM")) {
        if (!need(7)) return {kMsgInputLength};
        if (!allDigits(text)) return {kMsgInputData};
        const int ss = number(text.substr(0, 2)), cc = number(text.substr(2, 2));
        const int k = number(text.substr(4, 1)), nn = number(text.substr(5, 2));
        return terminalOk(ss) && cc < 33 && k < 9 && nn <= 32 ? Verdict{} : Verdict{kMsgInputRange};
    }
    if (startsWith(type, "TQRC_COM")) {
        if (!need(6)) return {kMsgInputLength};
        const char k = text[0];
        if ((k != '0' && k != '1' && k != '9') || !isHex(text[1]) || !isHex(text[2]) || !isHex(text[3]) ||
            !isDigit(text[4]) || !isDigit(text[5]))
            return {kMsgInputData};
        for (int i = 1; i <= 3; ++i) text[i] = upper(text[i]);
        const std::string_view ss = std::string_view(text).substr(1, 2);
        const bool station = (ss >= "00" && ss <= "3F" && ss[0] <= '3') || ss == "FE" || ss == "FF";
        if (!station) return {kMsgInputRange};
        return terminalOk(number(text.substr(4, 2))) ? Verdict{} : Verdict{kMsgInputRange};
    }
    if (startsWith(type, "58R_COM")) {
        if (!need(4)) return {kMsgInputLength};
        if (!allDigits(text)) return {kMsgInputData};
        return number(text.substr(0, 2)) <= 63 && number(text.substr(2, 2)) < 18 ? Verdict{}
                                                                                   : Verdict{kMsgInputRange};
    }
    if (startsWith(type, "FLAG") || startsWith(type, "HEX_FLAG") || startsWith(type, "CHAR_FLAG")) {
        if (!need(1)) return {kMsgInputLength};
        for (std::string_view e : rangeEntries(range))
            if (e[0] == text[0]) return {};
        return {kMsgInputRange};
    }
    if (startsWith(type, "FACTORIAL")) {
        if (text.empty() || text.size() > 2) return {kMsgInputLength};
        if (!allDigits(text)) return {kMsgInputData};
        const int v = number(text);
        return v == 1 || v == 2 || v == 4 || v == 8 || v == 16 || v == 32 || v == 64 ? Verdict{}
                                                                                       : Verdict{kMsgInputRange};
    }
    if (type.size() >= 4 && startsWith(type, "INT") && type[3] >= '1' && type[3] <= '8') {
        long long v = 0;
        const Parse p = parseInteger(text, v);
        if (p == Parse::Syntax) return {kMsgInputData};
        if (p == Parse::Overflow || !inIntegerRange(v, range)) return {kMsgInputRange};
        char out[24];
        const auto r = std::to_chars(out, out + sizeof out, v);
        text.assign(out, r.ptr);
        return {};
    }
    if (type.size() >= 6 && startsWith(type, "FLOAT") && type[5] >= '1' && type[5] <= '4') {
        std::string_view s = text;
        while (!s.empty() && s[0] == ' ') s.remove_prefix(1);
        double v = 0;
        if (!parseDecimal(s, v)) return {kMsgInputData};
        const auto u = range.find('_');
        double lo = 0, hi = 0;
        if (u == std::string_view::npos || !parseDecimal(range.substr(0, u), lo) ||
            !parseDecimal(range.substr(u + 1), hi) || v < lo || v > hi)
            return {kMsgInputRange};
        const std::optional<std::string> out = floatText(v, type[5] - '0');
        if (!out) return {kMsgInputRange};
        text = *out;
        return {};
    }
    if (type.size() >= 6 && startsWith(type, "CHAR") && isDigit(type[4]) && isDigit(type[5])) {
        const int nn = std::min(number(type.substr(4, 2)), static_cast<int>(kItemBytes));
        return text.size() > static_cast<std::size_t>(nn) ? Verdict{kMsgInputMaxLength, nn} : Verdict{};
    }
    return {};
}

// Runs a per-group check over groups first..last of the visited cards.
template <typename Check>
int scanStation(UnitContext& unit, int first, int last, ReferenceError& error, Check check)
{
    const int station = unit.g_curStation, card = unit.g_curCard;
    const int group = unit.g_curGroup, special = unit.g_specialGroupMode;
    UnitImageGuard keep;

    int from = card, to = card;
    if (unit.modelStartsWith("V8RTU") && card <= 1) {
        unit.g_curCard = 0;
        unit.SelectCurrentUnit();
        from = 1;
        to = std::min(std::max(0, hexDigitValue(unit.g_curUnitText[0])), kCardSlots);
    }
    int result = 0;
    for (int k = from; k <= to && result == 0; ++k) {
        unit.g_curStation = station;
        unit.g_curCard = k;
        unit.SelectCurrentUnit();
        unit.LoadUnitBlocks(1);
        for (int g = first; g <= last && result == 0; ++g) {
            const int real = special ? (g >= 1 && g <= static_cast<int>(SpecialGroupTable.size())
                                            ? SpecialGroupTable[g - 1]
                                            : -1)
                                     : (g >= 0 && g < kGroups ? g : -1);
            if (real < 0) continue;
            unit.g_specialGroupMode = 0;
            unit.g_curGroup = real;
            if (unit.SelectGroupDefinition(real) != 0) continue;
            if (unit.LoadBlockDefinition(unit.model(), unit.version(), unit.blockId(real)) != 0) continue;
            result = check(unit, error);
        }
    }
    unit.g_curStation = station;
    unit.g_curCard = card;
    unit.g_curGroup = group;
    unit.g_specialGroupMode = special;
    unit.SelectCurrentUnit();
    unit.LoadUnitBlocks(1);
    const int r = unit.realGroup();
    if (r >= 0 && !unit.blockId(r).empty()) unit.LoadBlockDefinition(unit.model(), unit.version(), unit.blockId(r));
    return result;
}

template <typename Check>
int findBad(UnitContext& unit, ReferenceError& error, std::string_view type, std::size_t width, Check check)
{
    const int group = unit.realGroup();
    if (group < 0) return 0;
    for (int i = 0; i < kItems; ++i) {
        if (!startsWith(fieldView(unit.itemDefinitions[i].type), type)) continue;
        char value[KRAVINA_UNIT_ITEM_SIZE + 1] = {};
        KRAVinA_Data_Item_Get(group, i, value);
        const std::string_view ref(value, width);
        if (check(unit, ref) == 0) continue;
        error.group = group;
        error.item = i;
        error.value.fill(0);
        std::memcpy(error.value.data(), value, width);
        return -1;
    }
    return 0;
}

// Selects the current group's definition again after a look-up elsewhere.
void reselectCurrent(const UnitContext& unit)
{
    const int r = unit.realGroup();
    if (r >= 0) unit.SelectGroupDefinition(r);
}

int terminalKindCheck(const UnitContext& unit, const CommLinkTable& table, std::string_view prefix,
                      int terminal, std::string_view blockId3)
{
    int kind = 0;
    if (blockId3.substr(0, 3) == "CAI") kind = 3;
    else if (blockId3.substr(0, 3) == "CAO") kind = 4;
    if (kind == 0 || !unit.modelStartsWith(prefix)) return 0;
    const CommLinkSlot* slot = table.slot(unit.g_curStation, unit.libraryCard());
    if (!slot) return 0;
    for (int j = kFirstCommTerminal; j <= kLastCommTerminal; ++j) {
        if (j == terminal) continue;
        const int k = slot->terminals[j - kFirstCommTerminal].kind;
        if (k != 0 && k != kind) return -1;
    }
    return 0;
}

}  // namespace

std::string FormatItemValue(std::string_view type, std::string_view value)
{
    if (!startsWith(type, "FLOAT") || type.size() < 6 || type[5] < '1' || type[5] > '4') return std::string(value);
    std::string_view v = value;
    while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\0')) v.remove_suffix(1);
    if (!v.empty() && v.front() == '+') v.remove_prefix(1);
    double number = 0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), number, std::chars_format::fixed);
    if (v.empty() || ec != std::errc{} || end != v.data() + v.size()) return std::string(value);
    const std::optional<std::string> out = floatText(number, type[5] - '0');
    return !out || out->size() > static_cast<std::size_t>(kItemBytes) ? std::string(value) : *out;
}

void ReportItemError(Prompt& prompt, int quiet, int messageId, int item)
{
    if (quiet) return;
    prompt.message(messageId, {std::int64_t(item)}, Buttons::Ok, Icon::Warning);
}

int ValidateItemInput(UnitContext& unit, Prompt& prompt, int quiet, int item, std::string& value)
{
    if (item < 0 || item >= kItems) return -1;
    std::string text = value.substr(0, kInputMax);
    const ItemDefinition& def = unit.itemDefinitions[item];
    const std::string_view type = fieldView(def.type);
    Verdict v = value.size() > kInputMax ? Verdict{kMsgInputLength} : check(unit, item, type, def, text);
    // Whatever the type, the stored text must fit the item.
    if (v.message == 0 && text.size() > static_cast<std::size_t>(kItemBytes)) v = {kMsgInputLength};
    if (v.message == kMsgInputMaxLength) {
        if (!quiet) prompt.message(kMsgInputMaxLength, {std::int64_t(item), std::int64_t(v.extra)}, Buttons::Ok,
                                   Icon::Warning);
        return -1;
    }
    if (v.message != 0) {
        ReportItemError(prompt, quiet, v.message, v.item >= 0 ? v.item : item);
        return -1;
    }
    value = text;
    return 0;
}

int CheckBlockReference(UnitContext& unit, std::string_view ref)
{
    // An item never set (empty or blank) is not connected, as "0000" is.
    const std::string_view head = ref.substr(0, 4);
    if (std::all_of(head.begin(), head.end(), [](char c) { return c == '\0' || c == ' '; })) return 0;
    if (ref.size() < 4 || !allDigits(head)) return -1;
    const int gg = number(ref.substr(0, 2)), ii = number(ref.substr(2, 2));
    if ((gg == 0 && ii == 99) || ii == 0) return 0;
    if (unit.blockId(gg).empty()) return -1;
    AnacomList list;
    unit.CollectAnacomItems(gg, list);
    reselectCurrent(unit);
    for (int k = 0; k < list.terminalCount; ++k)
        if (list.terminals[k].index == ii) return 0;
    return -1;
}

int FindBadAnacomReference(UnitContext& unit, ReferenceError& error)
{
    return findBad(unit, error, "ANACOM", 4,
                   [](UnitContext& u, std::string_view ref) { return CheckBlockReference(u, ref); });
}

int FindBadSeqReference(UnitContext& unit, ReferenceError& error)
{
    return findBad(unit, error, "SEQ", 6, [](UnitContext& u, std::string_view ref) { return CheckStepCode(u, ref); });
}

int FindBadReferenceInStation(UnitContext& unit, int firstGroup, int lastGroup, ReferenceError& error)
{
    return scanStation(unit, firstGroup, lastGroup, error, FindBadAnacomReference);
}

int FindBadSeqReferenceInStation(UnitContext& unit, int firstGroup, int lastGroup, ReferenceError& error)
{
    return scanStation(unit, firstGroup, lastGroup, error, FindBadSeqReference);
}

int CheckStepCode(UnitContext& unit, std::string_view code)
{
    if (code.size() < 6) return -1;
    code = code.substr(0, 6);
    if (code == "030000" || code == "050000") return 0;
    if (!allDigits(code.substr(0, 2))) return 0;
    const int tt = number(code.substr(0, 2));
    if (tt < 1 || tt > 11) return 0;
    if (!allDigits(code.substr(2, 4))) return -1;
    return IsDigitalItem(unit, number(code.substr(2, 2)), number(code.substr(4, 2))) ? 0 : -1;
}

bool IsDigitalItem(UnitContext& unit, int group, int terminal)
{
    if (group < 0 || group >= kGroups || terminal < 0 || terminal >= kTerminals) return false;
    if (unit.blockId(group).empty()) return false;
    bool digital = false;
    if (unit.SelectGroupDefinition(group) == 0) {
        char type[KRAVINA_TERM_TYPE_SIZE] = {};
        KRAVinA_Block_Inf_Get(1, terminal, type, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        const std::string_view t = fieldView(type);
        digital = !startsWith(t, "NON") && startsWith(t, "D");
    }
    reselectCurrent(unit);
    return digital;
}

void GetBlockItemName(UnitContext& unit, int group, int terminal, char* out20)
{
    if (!out20 || terminal < 0 || terminal >= kTerminals) return;
    if (unit.SelectGroupDefinition(group) != 0) return;
    char name[KRAVINA_TERM_NAME_SIZE] = {};
    KRAVinA_Block_Inf_Get(1, terminal, nullptr, name, nullptr, nullptr, nullptr, nullptr, nullptr);
    const std::string_view n = fieldView(name);
    if (!n.empty()) std::memcpy(out20, n.data(), std::min<std::size_t>(n.size(), 20));
    reselectCurrent(unit);
}

int CheckContactCode(const UnitContext& unit, int key, std::string_view code)
{
    if (key != 'a' && key != 'b') return 0;
    if (code.size() < 6) return -1;
    const BlockCode& block = unit.g_unitBlocks[key == 'a' ? 98 : 97];
    const std::string_view mine = code.substr(4, 2);
    const std::string_view stored(block.data(), 2);
    if (mine == stored) return -1;
    static constexpr std::string_view kClashes[][2] = {{"96", "97"}, {"97", "96"}, {"96", "98"}, {"98", "96"},
                                                       {"96", "99"}, {"99", "96"}, {"97", "98"}, {"98", "97"},
                                                       {"98", "99"}, {"99", "98"}};
    for (const auto& pair : kClashes)
        if (mine == pair[0] && stored == pair[1]) return -1;
    return 0;
}

int CheckTqrqTerminalKind(const UnitContext& unit, const CommLinkTable& table, int terminal, std::string_view id)
{
    return terminalKindCheck(unit, table, "TQRQ$", terminal, id);
}

int CheckTqrcTerminalKind(const UnitContext& unit, const CommLinkTable& table, int terminal, std::string_view id)
{
    return terminalKindCheck(unit, table, "TQRC$", terminal, id);
}

bool IsKeyAllowed(int a, int b, int key)
{
    if (a == 1) return key == 10;
    if (b != 0) return b == 95 || key == 10;
    return key == 8 || key == 11;
}

int GetSpecialBlockIndex(int group)
{
    for (std::size_t i = 0; i < SpecialGroupTable.size(); ++i)
        if (SpecialGroupTable[i] == group) return 101 + static_cast<int>(i);
    return 0;
}

int UnitSequenceCheck::CheckStepCode(const StepCode& code)
{
    return model::CheckStepCode(unit_, std::string_view(code.data(), code.size()));
}

}  // namespace kravin::model

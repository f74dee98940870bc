#include "transfer_texts.h"

#include "current_unit.h"
#include "services.h"

#include <cctype>
#include <cstdio>

namespace kravin::online {

std::string StationLabel(int station)
{
    char t[32];
    std::snprintf(t, sizeof t, "STATION  %02X", static_cast<unsigned>(station) & 0xFFu);
    return t;
}

std::string CardLabel(int libraryCard)
{
    if (libraryCard < 0) return {};
    char t[32];
    std::snprintf(t, sizeof t, "CARD  %X", static_cast<unsigned>(libraryCard) & 0xFu);
    return t;
}

bool ModelBeginsWith(const std::string& model, const char* prefix) { return model.rfind(prefix, 0) == 0; }

bool IsSequenceGroup(int group) { return group >= 81 && group <= 92; }

bool HasBank2(const std::string& model) { return ModelBeginsWith(model, "KMQ"); }

int Bank2Number(int group)
{
    for (std::size_t i = 0; i < model::SpecialGroupTable.size(); ++i)
        if (model::SpecialGroupTable[i] == group) return static_cast<int>(i) + 1;
    return 0;
}

int GroupOfBank2Number(int n)
{
    if (n < 1 || n > static_cast<int>(model::SpecialGroupTable.size())) return -1;
    return model::SpecialGroupTable[static_cast<std::size_t>(n - 1)];
}

bool IsWModel(const std::string& model) { return ModelBeginsWith(model, "QV200W") || ModelBeginsWith(model, "QV210W"); }

bool IsSecondSubUnit(const TransferCard& card)
{
    return IsWModel(card.model) && !card.unitText.empty() && card.unitText[0] == 1;
}

std::string DownloadText(const TransferUnit& unit, int group, const TransferItem& item)
{
    if (unit.v8rtu && group == 0) {
        char t[16];
        if (item.item == 51) {
            std::snprintf(t, sizeof t, "%02X", static_cast<unsigned>(unit.station) & 0xFFu);
            return t;
        }
        if (item.item == 52) {
            std::snprintf(t, sizeof t, "%d", unit.cardCount);
            return t;
        }
    }
    return item.text;
}

std::optional<std::string> StationItem51Command(const TransferCard& card)
{
    // The second unit of a QV200W/QV210W is no card of its own.
    const bool writes = model::HoldsCardNumber(card.irCard, card.model, card.version) && !IsSecondSubUnit(card);
    std::string value = card.item51;
    while (!value.empty() && value.back() == ' ') value.pop_back();
    if (!writes || value.empty()) return std::nullopt;
    if (value.size() > 1) value[1] = static_cast<char>(std::toupper(static_cast<unsigned char>(value[1])));
    return "D" + value + "\r";
}

namespace {

std::string trimLeft(std::string s)
{
    const std::size_t i = s.find_first_not_of(' ');
    return i == std::string::npos ? std::string() : s.substr(i);
}

std::string trimRight(std::string s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

std::string leadingZero(std::string s)
{
    if (!s.empty() && s[0] == '.') return "0" + s;
    if (s.size() >= 2 && s[0] == '-' && s[1] == '.') return "-0" + s.substr(1);
    return s;
}

}  // namespace

std::string ProjectCompareForm(const TransferUnit& unit, const TransferCard& card, const TransferGroup& group,
                               const TransferItem& item)
{
    std::string text = item.text;
    if (IsSequenceGroup(group.group) && item.item > 10 && !text.empty() && text[0] == '*') text = "**0000";
    text = leadingZero(trimLeft(text));
    if (unit.v8rtu && item.item == 14 && trimRight(trimLeft(group.item10)) == "46" && text.size() > 2) text.pop_back();
    (void)card;
    if (unit.v8rtu && group.group == 0 && (item.item == 51 || item.item == 52)) text = DownloadText(unit, 0, item);
    return text;
}

std::string DeviceCompareForm(int group, int item, std::string value, bool* skipRest)
{
    value = trimRight(value);
    if (group == 0 && item >= 48 && item <= 50 && !value.empty()) value.erase(0, 1);
    if (IsSequenceGroup(group) && item > 10) {
        // The device's separated step form "TT GGII" becomes the 6-character code.
        if (value.size() == 7) value = value.substr(0, 2) + value.substr(3);
        if (value == "000000" && skipRest) *skipRest = true;
    }
    return leadingZero(trimLeft(value));
}

bool CompareEqual(const std::string& device, const std::string& project, bool limitToProject)
{
    std::string d = trimRight(device);
    const std::string p = trimRight(project);
    if (limitToProject && d.size() > p.size()) d.resize(p.size());
    if (d == p) return true;
    // "0" against an empty value, and "0." forms, count as equal.
    const auto zero = [](const std::string& s) { return s.empty() || s == "0" || s == "0." || s == "0.0"; };
    return zero(d) && zero(p);
}

}  // namespace kravin::online

#include "small_dialog_logic.h"

#include "current_unit.h"
#include "system_view_logic.h"
#include "text_codec.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace kravin::editors {

namespace {

std::string hex2(int value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02x", value & 0xFF);
    return text;
}

std::string trimmed(std::string_view s)
{
    const auto first = s.find_first_not_of(std::string_view(" \0", 2));
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(std::string_view(" \0", 2));
    return std::string(s.substr(first, last - first + 1));
}

bool equalNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

CardCountRange cardCountRange(int mode, int card, std::string_view model, std::string_view unitText, int currentCount)
{
    CardCountRange r;
    r.mode = mode;
    if (mode == 0) {
        r.maximum = card >= 12 && card <= 16 ? 16 - card : 5;
        r.current = r.maximum;
        if (modelIs(model, "TQRQ") || modelIs(model, "TQRC")) {
            const std::string_view pattern = unitText.substr(0, std::min<std::size_t>(5, unitText.size()));
            r.current = static_cast<int>(std::count(pattern.begin(), pattern.end(), '1'));
        }
        r.minimum = 0;
        return r;
    }
    r.minimum = 1;
    r.maximum = mode == 1 ? 8 : 16;
    r.current = currentCount;
    return r;
}

int checkCardCount(const CardCountRange& range, int count)
{
    if (count >= range.minimum && count <= range.maximum) return 0;
    return range.mode == 0 ? 7104 : 7105;
}

std::string itemMissingDetail(int group, int item)
{
    char text[32];
    std::snprintf(text, sizeof text, "(Gr%02d It%02d)", group, item);
    return text;
}

VersionChoice buildVersionChoice(const model::CardKindMasters& masters, const model::SystemConfigTables& tables,
                                 int station, int card)
{
    VersionChoice c;
    if (station < 0 || station >= model::kStations || card < 0 || card > model::kCardSlots) return c;
    c.station = hex2(station);
    const bool isStation = card == 0;
    const model::CardKindMaster& master = isStation ? masters.station : masters.card;
    const int kind = isStation ? tables.stationKind[station] : tables.cardKind[station][card - 1];
    const int version = isStation ? tables.stationVersion[station] : tables.cardVersion[station][card - 1];
    if (!isStation) {
        c.card = hex2(card - 1);
        if (kind > 0 && kind < model::kKindEntries) c.function = master.name[kind];
    }
    if (kind <= 0 || kind >= model::kKindEntries) return c;
    for (const std::string& v : master.versions[kind]) {
        if (v.empty()) break;
        c.versions.push_back(v);
    }
    if (version >= 0 && version < static_cast<int>(c.versions.size())) c.selected = version;
    return c;
}

std::optional<PrintScale> checkPrintScale(bool fit, std::string_view typed)
{
    if (fit) return PrintScale{100, true};
    int value = 0;
    const std::string text = trimmed(typed);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || value < 10 || value > 100)
        return std::nullopt;
    return PrintScale{value, false};
}

std::string cutCp932(std::string_view cp932, std::size_t maxBytes) { return model::trimDbcs(cp932, maxBytes); }

DeviceLayoutChoice buildDeviceLayout(const model::CardKindMaster& cardKinds, std::string_view modelName,
                                     std::string_view version, const std::function<bool(int, int)>& slotUsed)
{
    DeviceLayoutChoice c;
    for (int s = 0; s < model::kStations; ++s) c.stations.push_back(stationLabel(s));
    c.cards.push_back("Y-Bus");
    for (int card = 1; card <= model::kCardSlots; ++card) c.cards.push_back(cardLabel(card));
    const std::string wanted = trimmed(modelName);
    for (int k = 1; k < model::kKindEntries; ++k) {
        if (cardKinds.name[k].empty() || !equalNoCase(trimmed(cardKinds.name[k]), wanted)) continue;
        for (const std::string& v : cardKinds.versions[k])
            if (!v.empty() && v.size() <= 4) c.versions.push_back(v);
        break;
    }
    // The list finds the given version by its start, as a list box search does.
    for (std::size_t i = 0; i < c.versions.size() && !version.empty(); ++i) {
        const std::string_view v = c.versions[i];
        if (v.size() >= version.size() && equalNoCase(v.substr(0, version.size()), version)) {
            c.versionLine = static_cast<int>(i);
            break;
        }
    }
    for (int s = 0; s < model::kStations; ++s)
        for (int card = 0; card < model::kCardSlots; ++card)
            if (!slotUsed || !slotUsed(s, card)) {
                c.stationLine = s;
                c.cardLine = card + 1;  // after "Y-Bus"
                return c;
            }
    return c;
}

void readDeviceLayout(std::string_view stationText, std::string_view cardText, int* station, int* card)
{
    auto hex = [](std::string_view t) {
        int v = 0;
        for (char ch : t) {
            const int d = model::hexDigitValue(ch);
            if (d < 0) break;
            v = v * 16 + d;
        }
        return v;
    };
    if (station) *station = hex(stationText);
    // "Y-Bus" is the station unit itself; "0".."F" are its card slots 1..16.
    if (card) *card = cardText == "Y-Bus" ? 0 : hex(cardText) + 1;
}

GroupChoice buildGroupChoice(std::string_view blockCode, const std::function<std::vector<std::string>(int)>& validCodes,
                             const std::function<bool(int)>& groupUsed)
{
    GroupChoice c;
    const std::string code = trimmed(blockCode);
    std::vector<int> listed;
    for (int g = 0; g < 100 && !code.empty(); ++g) {
        for (const std::string& v : validCodes(g))
            if (trimmed(v) == code) {
                listed.push_back(g);
                break;
            }
    }
    for (int g : listed) c.groups.push_back(std::to_string(g));
    if (listed.empty()) return c;
    struct Range {
        int first, last;
    };
    static constexpr Range ranges[] = {{2, 3}, {4, 10}, {11, 26}, {30, 61}, {62, 69}, {72, 79}};
    int chosen = 0;
    for (const Range& r : ranges) {
        if (listed.front() < r.first || listed.front() > r.last) continue;
        chosen = r.last;
        for (int g = r.first; g <= r.last; ++g)
            if (!groupUsed(g)) {
                chosen = g;
                break;
            }
        break;
    }
    const std::string wanted = std::to_string(chosen);
    c.selected = 0;
    for (std::size_t i = 0; i < c.groups.size(); ++i)
        if (c.groups[i].compare(0, wanted.size(), wanted) == 0) {
            c.selected = static_cast<int>(i);
            break;
        }
    return c;
}

GroupChoice buildGroupChoice(std::string_view blockCode, const model::UnitContext& unit)
{
    const auto codes = [&unit](int g) {
        std::vector<std::string> out;
        const int n = std::clamp(unit.validBlockCount[g], 0, model::kValidCodesMax);
        for (int i = 0; i < n; ++i) out.emplace_back(unit.validBlocks[g].data() + 5 * i, 5);
        return out;
    };
    const auto used = [&unit](int g) { return g >= 0 && g < model::kGroups && unit.g_unitBlocks[g][0] != 0; };
    return buildGroupChoice(blockCode, codes, used);
}

}  // namespace kravin::editors

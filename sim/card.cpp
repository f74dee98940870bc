#include "card.h"

#include <cstdio>

#include <charconv>
#include <fstream>
#include <sstream>

namespace qvsim {

namespace {

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool parseNumber(std::string_view s, int lo, int hi, int& out)
{
    if (s.empty()) return false;
    int v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || v < lo || v > hi) return false;
    out = v;
    return true;
}

std::vector<std::string_view> words(std::string_view s)
{
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        std::size_t start = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
        if (i > start) out.push_back(s.substr(start, i - start));
    }
    return out;
}

struct SampleItem {
    int group;
    int item;
    const char* value;
};

struct SampleGroupItems {
    int group;
    const char* items;  // 100 characters, '1' for each item the group takes
};

struct SampleTypeCode {
    const char* model;
    int code;
};

#include "sample_tables.inc"

}  // namespace

bool SampleBlockTakesItem(int group, int item)
{
    if (item < 0 || item > 99) return false;
    for (const SampleGroupItems& g : kDefaultCardGroupItems)
        if (g.group == group) return g.items[item] == '1';
    return false;
}

std::string TypeCodeOfModel(std::string_view model)
{
    while (!model.empty() && model.back() == ' ') model.remove_suffix(1);
    int code = 0;
    for (const SampleTypeCode& t : kTypeCodes)
        if (model == t.model) code = t.code;
    char text[8];
    std::snprintf(text, sizeof text, "%02d", code);
    return text;
}

int BaudRateOfIndex(int baudIndex)
{
    static constexpr int kTable[] = {1200, 9600, 57600};
    return baudIndex >= 0 && baudIndex <= 2 ? kTable[baudIndex] : 1200;
}

std::string SimCard::unitId() const
{
    auto g = bank0.find(0);
    if (g == bank0.end()) return {};
    auto i = g->second.find(52);
    return i == g->second.end() ? std::string() : i->second;
}

void AddClockItems(SimCard& card)
{
    auto& g0 = card.bank0[0];
    g0.try_emplace(1, "0");      // download (write) mode
    g0.try_emplace(54, "26");    // clock: year, month and day, hour and minute, second
    g0.try_emplace(55, "0101");
    g0.try_emplace(56, "0000");
    g0.try_emplace(57, "00");
}

SimCard DefaultCard()
{
    SimCard card;
    for (const SampleItem& i : kDefaultCardItems) card.bank0[i.group][i.item] = i.value;
    AddClockItems(card);
    card.sampleBlocks = true;
    return card;
}

SimCard BlankCard(std::string model, std::string unitId)
{
    SimCard card;
    card.model = std::move(model);
    card.blank = true;
    auto& g0 = card.bank0[0];
    g0[0] = "0";
    g0[1] = "0";
    g0[52] = std::move(unitId);
    AddClockItems(card);
    g0[96] = TypeCodeOfModel(card.model);
    g0[99] = "1.00";
    return card;
}

namespace {

// True when the plain form "GG.II = value" keeps the value exactly: no blank at either end
// (the reader trims them), no leading quote, no control character.
bool plainValue(std::string_view v)
{
    if (!v.empty() && (v.front() == ' ' || v.front() == '\t' || v.back() == ' ' || v.back() == '\t' || v.front() == '"'))
        return false;
    for (unsigned char c : v)
        if (c < 0x20 || c == 0x7F) return false;
    return true;
}

// "..." with \\, \" and \xHH for the bytes that need it.
std::string quoted(std::string_view v)
{
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (unsigned char c : v) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            out += "\\x";
            out += kHexDigits[c >> 4];
            out += kHexDigits[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// The text of a quoted value; false when it isn't well formed.
bool unquoted(std::string_view q, std::string& out)
{
    if (q.size() < 2 || q.front() != '"' || q.back() != '"') return false;
    q = q.substr(1, q.size() - 2);
    out.clear();
    for (std::size_t i = 0; i < q.size(); ++i) {
        if (q[i] == '"') return false;
        if (q[i] != '\\') {
            out += q[i];
            continue;
        }
        if (++i == q.size()) return false;
        if (q[i] == '\\' || q[i] == '"') {
            out += q[i];
        } else if (q[i] == 'x' && i + 2 < q.size()) {
            auto digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1; };
            const int hi = digit(q[i + 1]), lo = digit(q[i + 2]);
            if (hi < 0 || lo < 0) return false;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

// A unit ID the card line can carry: 4 characters, none a blank or a control character.
bool cardLineId(std::string_view id)
{
    if (id.size() != 4) return false;
    for (unsigned char c : id)
        if (c <= 0x20 || c == 0x7F) return false;
    return true;
}

}  // namespace

std::string FormatCardConfig(const std::vector<SimCard>& cards)
{
    std::string out;
    for (const SimCard& c : cards) {
        // A unit ID the card line cannot carry is given by the item line of 00.52 below it.
        const std::string id = c.unitId();
        out += "card " + c.model + " " + (cardLineId(id) ? id : std::string("----")) + " baud=" + std::to_string(c.baudIndex) + " select=" + c.selector;
        if (c.blank) out += " blank";
        if (c.strict) out += " strict";
        if (c.sampleBlocks) out += " sample-blocks";
        out += "\n";
        for (const auto* table : {&c.bank0, &c.bank2}) {
            const std::string prefix = table == &c.bank2 ? "b2:" : "";
            for (const auto& [g, items] : *table) {
                char head[16];
                if (items.empty()) {
                    out += prefix + "group " + std::to_string(g) + "\n";
                    continue;
                }
                for (const auto& [i, v] : items) {
                    std::snprintf(head, sizeof head, "%02d.%02d = ", g, i);
                    const bool unitId = table == &c.bank0 && g == 0 && i == 52;
                    out += prefix + head + (plainValue(v) && (!unitId || v.size() == 4) ? v : quoted(v)) + "\n";
                }
            }
        }
    }
    return out;
}

ConfigResult ParseCardConfig(std::string_view text)
{
    ConfigResult result;
    std::size_t lineNo = 0;
    auto fail = [&](const std::string& what) {
        result.cards.clear();
        result.error = lineNo ? "line " + std::to_string(lineNo) + ": " + what : what;
        return result;
    };
    while (!text.empty()) {
        ++lineNo;
        std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        line = trim(line);
        if (line.empty() || line.front() == '#') continue;

        if (line.starts_with("card ") || line == "card") {
            auto w = words(line);
            if (w.size() < 3) return fail("expected: card MODEL ID [baud=N] [select=TEXT] [blank] [strict] [sample-blocks]");
            if (w[1].size() > 8) return fail("model name longer than 8 characters");
            if (w[2].size() != 4) return fail("unit ID must have 4 characters");
            SimCard card;
            card.model = std::string(w[1]);
            card.bank0[0][0] = "0";
            card.bank0[0][52] = std::string(w[2]);
            for (std::size_t i = 3; i < w.size(); ++i) {
                if (w[i].starts_with("baud=")) {
                    if (!parseNumber(w[i].substr(5), 0, 2, card.baudIndex)) return fail("baud index must be 0, 1 or 2");
                } else if (w[i] == "blank") {
                    card.blank = true;
                    card.bank0[0][96] = TypeCodeOfModel(card.model);
                    card.bank0[0][99] = "1.00";
                } else if (w[i] == "strict") {
                    card.strict = true;
                } else if (w[i] == "sample-blocks") {
                    card.sampleBlocks = true;
                } else if (w[i].starts_with("select=")) {
                    card.selector = std::string(w[i].substr(7));
                    if (card.selector.empty()) return fail("empty selector");
                } else {
                    return fail("unknown card option '" + std::string(w[i]) + "'");
                }
            }
            result.cards.push_back(std::move(card));
            continue;
        }
        if (result.cards.empty()) return fail("item before the first card line");
        SimCard& card = result.cards.back();

        ItemTable* table = &card.bank0;
        if (line.starts_with("b2:")) {
            table = &card.bank2;
            line.remove_prefix(3);
        }
        if (line.starts_with("group ")) {
            int g = 0;
            if (!parseNumber(trim(line.substr(6)), 0, 99, g)) return fail("group must be 0..99");
            if (table == &card.bank2 && (g < 1 || g > 14)) return fail("bank 2 groups are 1..14");
            (*table)[g];
            continue;
        }
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) return fail("expected GG.II = value");
        std::string_view key = trim(line.substr(0, eq));
        std::string_view value = trim(line.substr(eq + 1));
        // A quoted value is taken exactly as written.
        std::string text;
        const bool isQuoted = !value.empty() && value.front() == '"';
        if (isQuoted && !unquoted(value, text)) return fail("quoted value not well formed");
        if (isQuoted) value = text;
        std::size_t dot = key.find('.');
        int g = 0, i = 0;
        if (dot == std::string_view::npos || !parseNumber(key.substr(0, dot), 0, 99, g) ||
            !parseNumber(key.substr(dot + 1), 0, 99, i))
            return fail("item key must be GG.II with group and item 0..99");
        if (table == &card.bank2 && (g < 1 || g > 14)) return fail("bank 2 groups are 1..14");
        if (value.size() > 19) return fail("value longer than 19 characters");
        if (value.find('\r') != std::string_view::npos || (!isQuoted && value.find('\x02') != std::string_view::npos))
            return fail("value holds a control character");
        (*table)[g][i] = std::string(value);
        if (table == &card.bank0 && g == 0 && i == 52 && value.size() != 4 && !isQuoted)
            return fail("unit ID must have 4 characters");
    }
    if (result.cards.empty()) {
        lineNo = 0;
        return fail("no card defined");
    }
    // Every card keeps a clock; values the file gives stay.
    for (SimCard& card : result.cards) AddClockItems(card);
    return result;
}

ConfigResult LoadCardConfig(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ConfigResult r;
        r.error = "cannot read " + path;
        return r;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ParseCardConfig(text.str());
}

}  // namespace qvsim

#include "string_table.h"

#include "string_table_data.h"

#include <QString>

#include <algorithm>
#include <charconv>

namespace kravin::res {
namespace {

const StringEntry* findEntry(int id)
{
    const StringEntry* begin = kStringTable;
    const StringEntry* end = kStringTable + kStringTableSize;
    const auto* it = std::lower_bound(begin, end, id,
                                      [](const StringEntry& e, int key) { return e.id < key; });
    return it != end && it->id == id ? it : nullptr;
}

enum class Conv { Percent, Int, Int02, Text, Bad };

// The conversion at text[i] (which is '%'); len receives its length.
Conv conversionAt(std::string_view text, std::size_t i, std::size_t& len)
{
    const std::string_view rest = text.substr(i);
    if (rest.starts_with("%%")) return len = 2, Conv::Percent;
    if (rest.starts_with("%d")) return len = 2, Conv::Int;
    if (rest.starts_with("%02d")) return len = 4, Conv::Int02;
    if (rest.starts_with("%s")) return len = 2, Conv::Text;
    len = 1;
    return Conv::Bad;
}

std::string intText(std::int64_t v, bool twoDigits)
{
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    std::string digits(buf, end);
    if (twoDigits && v >= 0 && digits.size() < 2) digits.insert(0, 2 - digits.size(), '0');
    return digits;
}

// Formats text with args; nothing when a conversion is unknown or the kinds differ.
std::optional<std::string> formatText(std::string_view text, const MessageArgs& args)
{
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != '%') {
            out += text[i++];
            continue;
        }
        std::size_t len = 0;
        const Conv c = conversionAt(text, i, len);
        i += len;
        switch (c) {
        case Conv::Percent: out += '%'; break;
        case Conv::Bad: return std::nullopt;
        case Conv::Int:
        case Conv::Int02:
            if (next >= args.size() || !std::holds_alternative<std::int64_t>(args[next])) return std::nullopt;
            out += intText(std::get<std::int64_t>(args[next++]), c == Conv::Int02);
            break;
        case Conv::Text:
            if (next >= args.size() || !std::holds_alternative<std::string>(args[next])) return std::nullopt;
            out += std::get<std::string>(args[next++]);
            break;
        }
    }
    if (next != args.size()) return std::nullopt;
    return out;
}

}  // namespace

const char* lookup(int id, Language language)
{
    const StringEntry* e = findEntry(id);
    if (!e) return nullptr;
    return language == Language::Japanese ? e->japanese : e->english;
}

bool conversionsMatch(std::string_view text, const MessageArgs& args)
{
    return formatText(text, args).has_value();
}

std::optional<std::string> format(int id, Language language, const MessageArgs& args)
{
    const char* text = lookup(id, language);
    if (!text) return std::nullopt;
    return formatText(text, args);
}

std::string message(int id, Language language, const MessageArgs& args)
{
    if (auto text = format(id, language, args)) return *text;
    const char* raw = lookup(id, language);
    std::string out = raw ? std::string(raw) : std::string(1, '#');
    if (!raw) out += intText(id, false);
    for (const MessageArg& a : args) {
        out += ' ';
        out += std::holds_alternative<std::int64_t>(a) ? intText(std::get<std::int64_t>(a), false)
                                                       : std::get<std::string>(a);
    }
    return out;
}

QString qmessage(int id, Language language, const MessageArgs& args)
{
    return QString::fromStdString(message(id, language, args));
}

std::vector<int> allIds()
{
    std::vector<int> ids;
    ids.reserve(kStringTableSize);
    for (std::size_t i = 0; i < kStringTableSize; ++i) ids.push_back(kStringTable[i].id);
    return ids;
}

}  // namespace kravin::res

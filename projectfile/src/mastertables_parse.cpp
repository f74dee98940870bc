// Line parsers of the master definition tables.
#include "mastertables.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace kravina::tables {
namespace {

bool startsWith(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20; }

// A path component taken from a caller's text: not empty, no separator, not "." or "..".
bool safeComponent(const std::string& s)
{
    if (s.empty() || s == "." || s == "..") return false;
    return s.find_first_of(std::string_view("/\\\0", 3)) == std::string::npos;
}

std::string textUpTo(const char* s, std::size_t max)
{
    return s ? std::string(s, strnlen(s, max)) : std::string();
}

}  // namespace

std::string textMode(std::string_view raw)
{
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '\x1a') break;
        if (c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        out += c;
    }
    return out;
}

bool LineReader::next(std::size_t piece, std::string& line)
{
    std::string_view view;
    const bool got = next(piece, view);
    line.assign(view);
    return got;
}

bool LineReader::next(std::size_t piece, std::string_view& line)
{
    line = {};
    if (pos_ >= text_.size() || piece < 2) return false;
    const std::size_t limit = std::min(piece - 1, text_.size() - pos_);
    // One memchr instead of a byte loop: the callers rescan long texts line by line.
    const std::size_t newline = text_.substr(pos_, limit).find('\n');
    const std::size_t n = newline == std::string_view::npos ? limit : newline + 1;
    line = text_.substr(pos_, n);
    pos_ += n;
    return true;
}

std::size_t textLength(const std::string& piece) { return strnlen(piece.c_str(), piece.size()); }

std::string bytesAt(const std::string& piece, std::size_t pos, std::size_t n)
{
    std::string out(n, '\0');
    for (std::size_t i = 0; i < n && pos + i < piece.size(); ++i) out[i] = piece[pos + i];
    return out;
}

int leadingInt(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        v = v * 10 + (s[i] - '0');
        if (v > INT_MAX) v = INT_MAX + 1LL;  // saturate; the sign decides below
    }
    if (negative) return v > INT_MAX ? INT_MIN : static_cast<int>(-v);
    return v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

// ---- Kind sections ----

int countKindSections(std::string_view text)
{
    LineReader reader(text);
    std::string_view line;
    int n = 0;
    while (reader.next(kKindPiece, line)) {
        if (startsWith(line, "CARD=")) ++n;
    }
    return n;
}

std::optional<KindSection> kindSection(std::string_view text, int index)
{
    LineReader reader(text);
    std::string_view skipped;  // the lines before the section are not copied
    int seen = -1;
    while (seen < index && reader.next(kKindPiece, skipped)) {
        if (startsWith(skipped, "CARD=")) ++seen;
    }
    if (seen != index) return std::nullopt;
    std::string line(skipped);

    KindSection section;
    section.name = bytesAt(line, 5, 8);
    for (int n = 0; reader.next(kKindPiece, line) && !startsWith(line, "CARD="); ++n) {
        if (n == 0) {
            section.busFlag = startsWith(line, "UBus") ? 0 : 1;
        } else if (n == 1) {
            switch (leadingInt(line)) {
            case 1200: section.speedCode = 0; break;
            case 9600: section.speedCode = 1; break;
            case 57600: section.speedCode = 2; break;
            default: break;
            }
        } else if (n == 2) {
            section.value = leadingInt(line);
        } else {
            section.versions.push_back(bytesAt(line, 0, 4));
        }
    }
    return section;
}

// ---- Valid-block tables ----

void GroupTable::clear()
{
    for (auto& g : codes) g.fill('\0');
    count.fill(0);
}

void parseValidBlocks(std::string_view text, GroupTable& table)
{
    LineReader reader(text);
    std::string line;
    int group = -1;
    while (reader.next(kKindPiece, line) && textLength(line) >= 3) {
        if (startsWith(line, "GROUP=")) {
            const int g = leadingInt(bytesAt(line, 6, 2).c_str());
            group = (g >= 0 && g < kGroups) ? g : -1;
            continue;
        }
        if (group < 0 || table.count[group] >= kGroupCodes) continue;
        const std::string code = bytesAt(line, 0, kCodeSize);
        std::memcpy(table.codes[group].data() + kCodeSize * table.count[group], code.data(), kCodeSize);
        ++table.count[group];
    }
}

// ---- Block definitions ----

void DefinitionTables::clear()
{
    for (auto& l : lines) l.fill('\0');
}

std::optional<std::string> blockName(std::string_view text)
{
    LineReader reader(text);
    std::string line;
    if (!reader.next(kDefinitionPiece, line)) return std::nullopt;
    return line.substr(0, line.find_first_of(std::string_view("\0\n\r", 3)));
}

void parseDefinition(std::string_view text, DefinitionTables& tables)
{
    LineReader reader(text);
    std::string line;
    if (!reader.next(kDefinitionPiece, line)) return;  // the name line
    for (int n = 0; n < kDefinitionLines && reader.next(kDefinitionPiece, line); ++n) {
        if (textLength(line) < 6) break;
        std::memcpy(tables.lines[n].data(), line.data(), line.size());
    }
}

SplitFields splitDefinitionLine(const DefinitionLine& line, bool terminal)
{
    std::vector<std::string> fields;
    std::string current;
    bool quoted = false;
    bool endedAtControl = false;
    for (std::size_t i = kFieldColumn; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            if (quoted)
                quoted = false;
            else if (line[i - 1] == ',')
                quoted = true;
        }
        if (quoted || (c != ',' && !isControl(c))) {
            current += c;
            continue;
        }
        fields.push_back(std::move(current));
        current.clear();
        if (isControl(c)) {
            endedAtControl = true;
            break;
        }
    }
    if (!endedAtControl) fields.push_back(std::move(current));
    const bool onlyFirst = endedAtControl && fields.size() == 1;

    using A = SplitFields::Action;
    SplitFields out;
    auto put = [&](std::size_t buffer, std::size_t field) {
        if (field < fields.size()) {
            out.action[buffer] = A::Written;
            out.text[buffer] = fields[field];
        }
    };
    if (!terminal) {
        for (std::size_t k = 0; k < 7; ++k) put(k, k);
        if (onlyFirst)
            for (std::size_t k = 1; k <= 5; ++k) out.action[k] = A::Emptied;
    } else {
        for (std::size_t k = 0; k < 3; ++k) put(k, k);
        put(6, 3);
        if (endedAtControl)
            for (std::size_t k = 3; k <= 5; ++k) out.action[k] = A::Emptied;
        if (onlyFirst) out.action[1] = out.action[2] = A::Emptied;
    }
    for (std::size_t k = 0; k < 7; ++k) {
        if (out.action[k] == A::Emptied) out.text[k].clear();
    }
    // Buffers 2..7 lose one pair of surrounding quotes.
    for (std::size_t k = 1; k < 7; ++k) {
        std::string& t = out.text[k];
        if (out.action[k] == A::Written && t.size() >= 2 && t.front() == '"' && t.back() == '"')
            t = t.substr(1, t.size() - 2);
    }
    return out;
}

// ---- Generic lists ----

std::optional<std::string> splitField(std::string_view line, std::string_view delimiters, int n)
{
    if (n < 0) return std::nullopt;
    int index = 0;
    bool quoted = false;
    std::string current;
    for (std::size_t i = 0;; ++i) {
        const char c = i < line.size() ? line[i] : '\0';
        const bool end = c == '\0' || c == '\n' || c == '\r';
        if (end || (!quoted && c != '"' && delimiters.find(c) != std::string_view::npos)) {
            if (index == n) return current;
            if (end) return std::nullopt;
            ++index;
            current.clear();
            continue;
        }
        if (c == '"') quoted = !quoted;
        current += c;
    }
}

int countMasterLines(std::string_view text)
{
    LineReader reader(text);
    std::string line;
    int n = 0;
    while (reader.next(kDefinitionPiece, line) && textLength(line) >= 3) ++n;
    return n;
}

int fieldNames(std::string_view text, int id, std::size_t maxNames, std::vector<std::string>& names)
{
    LineReader reader(text);
    std::string line;
    while (reader.next(kDefinitionPiece, line)) {
        const auto key = splitField(line, "=", 0);
        const bool ours = key && leadingInt(*key) == id;
        if (!ours) {
            if (!names.empty()) return 0;
            continue;
        }
        const auto name = splitField(line, "=", 1);
        if (!name) continue;
        names.push_back(bytesAt(*name, 0, 8));
        if (names.size() >= maxNames) return 0;
    }
    return -1;
}

bool irCardListed(std::string_view text, std::string_view name)
{
    LineReader reader(text);
    std::string line;
    while (reader.next(kDefinitionPiece, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string_view after = std::string_view(line).substr(eq + 1);
        if (after.substr(0, name.size()) == name) return true;
    }
    return false;
}

std::optional<BackupInfo> backupInfo(std::string_view text)
{
    LineReader reader(text);
    std::string line;
    if (!reader.next(kDefinitionPiece, line)) return std::nullopt;
    BackupInfo info;
    const auto name = splitField(line, ",", 0);
    const auto code = splitField(line, ",", 1);
    const auto number = splitField(line, ",", 2);
    info.name = name ? bytesAt(*name, 0, 8) : std::string(8, ' ');
    info.code = code ? bytesAt(*code, 0, 4) : std::string(4, ' ');
    info.number = number ? leadingInt(*number) : -1;
    return info;
}

// ---- Paths ----

std::optional<std::string> versionPart(const char* version)
{
    const std::string v = textUpTo(version, 4);
    if (v.size() < 4) return std::nullopt;
    std::string part{v[0], v[2], v[3]};
    if (!safeComponent(part)) return std::nullopt;
    return part;
}

std::optional<std::string> validBlockFile(const char* model, const char* version)
{
    std::string m = textUpTo(model, 8);
    m.resize(8, '_');
    for (char& c : m) {
        if (static_cast<unsigned char>(c) < '!') c = '_';
    }
    const auto v = versionPart(version);
    if (!v) return std::nullopt;
    std::string name = m + *v + ".KRAT";
    if (!safeComponent(name)) return std::nullopt;
    return name;
}

std::optional<std::string> definitionFolder(const char* model, const char* version)
{
    std::string m = textUpTo(model, 8);
    const auto end = std::find_if(m.begin(), m.end(),
                                  [](char c) { return static_cast<unsigned char>(c) < '!'; });
    m.erase(end, m.end());
    const auto v = versionPart(version);
    if (!v || !safeComponent(m)) return std::nullopt;
    return m + "/" + *v;
}

std::optional<std::string> definitionFile(const char* model, const char* version, const char* code)
{
    const auto folder = definitionFolder(model, version);
    const std::string c = textUpTo(code, 3);
    if (!folder || !safeComponent(c)) return std::nullopt;
    return *folder + "/" + c + ".KRAT";
}

}  // namespace kravina::tables

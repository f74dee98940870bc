// Parsers of the master definition tables. They work on a table's text (as loaded by
// loadTable) and hold no state, so that they can be driven without files.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kravina::tables {

constexpr std::size_t kKindPiece = 128;        // kind sections and valid-block tables
constexpr std::size_t kDefinitionPiece = 256;  // block definitions and the other lists
constexpr int kGroups = 100;
constexpr int kGroupCodes = 51;
constexpr int kCodeSize = 5;
constexpr int kDefinitionLines = 200;
constexpr std::size_t kFieldColumn = 7;  // definition fields start at column 8
// The longest table file read; the rest of a longer file is not read. Real tables are
// a few kilobytes; 130 kind sections of 32 versions at full line width stay below it.
constexpr std::size_t kMaxTableSize = std::size_t{1} << 20;

// The bytes of a table as a Windows text-mode reader sees them: CR LF becomes LF and a
// Ctrl-Z ends the text.
std::string textMode(std::string_view raw);

// Reads a table text in pieces of at most piece - 1 characters, each ending after its LF
// when the line fits: a longer line comes as several pieces.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}
    bool next(std::size_t piece, std::string& line);
    bool next(std::size_t piece, std::string_view& line);  // line points into the text

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// Length of a piece up to its first NUL, as C string functions see it.
std::size_t textLength(const std::string& piece);

// n bytes of a piece from pos, zero-padded past its end.
std::string bytesAt(const std::string& piece, std::size_t pos, std::size_t n);

// Leading decimal number after optional blanks and sign; 0 without digits; clamped to int.
int leadingInt(std::string_view text);

// ---- Kind sections ----

struct KindSection {
    std::string name;  // 8 bytes after "CARD=" as they stand
    std::optional<int> busFlag, speedCode, value;
    std::vector<std::string> versions;  // 4 bytes each, as they stand
};

int countKindSections(std::string_view text);
std::optional<KindSection> kindSection(std::string_view text, int index);

// ---- Valid-block tables ----

struct GroupTable {
    std::array<std::array<char, 256>, kGroups> codes{};
    std::array<int, kGroups> count{};
    void clear();
};

void parseValidBlocks(std::string_view text, GroupTable& table);

// ---- Block definitions ----

using DefinitionLine = std::array<char, kDefinitionPiece>;

struct DefinitionTables {
    std::array<DefinitionLine, kDefinitionLines> lines{};
    void clear();
};

// First line of a definition, up to its first NUL, LF or CR; none for an empty text.
std::optional<std::string> blockName(std::string_view text);

// The definition lines after the name line.
void parseDefinition(std::string_view text, DefinitionTables& tables);

// What the definition-line splitter leaves in the seven buffers: a written field, a
// buffer emptied (first byte NUL), or a buffer not touched.
struct SplitFields {
    enum class Action { Untouched, Written, Emptied };
    std::array<Action, 7> action{};
    std::array<std::string, 7> text;
};

// Splits a stored definition line (item table, or terminal table when terminal is set).
SplitFields splitDefinitionLine(const DefinitionLine& line, bool terminal);

// ---- Generic lists ----

// Field n (0-based) of a line split at any of the delimiters, quotes kept and protecting
// delimiters; NUL, LF and CR end the last field. None when the line has fewer fields.
std::optional<std::string> splitField(std::string_view line, std::string_view delimiters, int n);

// Lines before the first line shorter than 3 characters.
int countMasterLines(std::string_view text);

// The 8-byte names of a field-name id, at most maxNames. 0 when another id followed
// them, -1 at the end of the text.
int fieldNames(std::string_view text, int id, std::size_t maxNames, std::vector<std::string>& names);

// True when a line has "=" and the text after the first "=" begins with name.
bool irCardListed(std::string_view text, std::string_view name);

struct BackupInfo {
    std::string name;  // 8 bytes
    std::string code;  // 4 bytes
    int number = -1;
};

// The first line of a backup information text; none for an empty text.
std::optional<BackupInfo> backupInfo(std::string_view text);

// ---- Paths ----

// Version characters 1, 3 and 4 ("1.00" gives "100"); none when the version is short.
std::optional<std::string> versionPart(const char* version);

// Valid-block table name: model as 8 characters, those below "!" as "_", + version part.
std::optional<std::string> validBlockFile(const char* model, const char* version);

// Block definition folder: model up to its first character below "!" / version part.
std::optional<std::string> definitionFolder(const char* model, const char* version);

// definitionFolder / code (3 characters) + ".KRAT".
std::optional<std::string> definitionFile(const char* model, const char* version, const char* code);

}  // namespace kravina::tables

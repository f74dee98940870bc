// What the printed pages show, read from the project model into plain
// snapshots, and the page arithmetic over them. The renderers draw only from
// these snapshots and the page number they are given, so a page looks the
// same whatever was printed before it.
#pragma once

#include "current_unit.h"
#include "ladder_grid.h"
#include "step_table.h"
#include "system_config.h"

#include <array>
#include <map>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace kravin::print {

// Document kinds.
enum PrintKind : int {
    KindNone = 0,
    KindSystem = 10,
    KindBlockList = 20,
    KindBlockSetting = 30,
    KindCommTerminal = 40,
    KindAnalog = 50,
    KindSequence = 60,
    KindLadder = 70,
    KindCover = 100,
};

constexpr int kStationsPerPage = 28;
constexpr int kSettingLinesPerPage = 44;
constexpr int kLadderRowsPlain = 24;
constexpr int kLadderRowsWithComments = 14;
constexpr std::size_t kTitleBytes = 32;
constexpr std::size_t kBlockNameBytes = 39;
constexpr std::size_t kTerminalNameBytes = 42;
constexpr std::size_t kItemNameBytes = 60;
constexpr std::size_t kItemNameWithUnitBytes = 54;
constexpr std::size_t kCommentBytes = 160;

// ---- Page counts (never below 1) ----

int systemPages(int usedStations);
int ladderPages(int firstEmptyRow, bool comments);
int settingPages(int lines);
// Bank 0 prints the map and two list pages, bank 2 the map and its one list.
int blockListPages(int bank);

// ---- One print job ----

// Taken once when the job starts; every page of the job shows the same time.
struct JobInfo {
    std::time_t stamp = 0;
    int bulkMode = 0;          // 0 a single document, 1 "Print all jobs", 2 "Print all cards"
    std::string projectName;   // CP932
};

// "yyyy/mm/dd hh:mm:ss" of a time stamp in local time.
std::string stampText(std::time_t stamp);

// ---- Texts ----

// Upper-case hexadecimal digits, zero padded to digits.
std::string hexUpper(int value, int digits);
// "c2c3c4(c0c1)" of a five-character block code; empty without a code.
std::string blockText(std::string_view code);
// The characters of a definition text outside its double quotes (of its first 127 bytes).
std::string unquotedName(std::string_view definition);
// The lines of a comment (CR LF separated, at most its 160 bytes).
std::vector<std::string> commentLines(std::string_view comment);

// ---- Unit line ----

struct UnitHeader {
    int station = 0;
    int card = 0;            // 0 the station, 1..16 a card slot
    std::string kindName;    // 8 characters as the master holds it
    std::string version;     // 4 characters
    std::string model;       // current model (8 characters)
    unsigned char unitTextFirst = 0;
    // The unit has the function block list's second bank (its Bank button):
    // the pages print the groups of the bank the list shows.
    bool banked() const { return model.rfind("PWZ", 0) == 0; }
};
UnitHeader unitHeader(const model::UnitContext& unit);
// "STATION:3B  CARD:A  <kind>  <version>" (CARD:- for the station itself).
std::string unitLine(const UnitHeader& unit);

// ---- System configuration ----

struct SystemCell {
    bool used = false;
    std::string label;    // kind name without trailing blanks, or "RNH" + unit text
    std::string version;  // exactly 4 characters
};
struct SystemRow {
    int station = 0;
    std::array<SystemCell, model::kCardSlots + 1> cells;  // 0 the station, 1..16 card slots
};
struct SystemSnapshot {
    std::vector<SystemRow> rows;   // the used stations in order
    int pageCount() const { return systemPages(static_cast<int>(rows.size())); }
};
SystemSnapshot snapshotSystem(const model::CardKindMasters& masters, const model::SystemConfigTables& tables);

// ---- Function block list ----

struct BlockListSnapshot {
    UnitHeader unit;
    int bank = 0;               // 0, or 2 for the bank 2 groups of a banked unit
    bool block0Hidden = false;  // two-slot "QV200W"/"QV210W" right-hand slot
    int modelCode = 0;
    std::array<std::string, model::kGroups> codes;   // five characters or empty
    std::array<int, model::kGroups> valid{};
    std::array<std::string, model::kGroups> names;   // CP932, at most 39 bytes
    int pageCount() const { return blockListPages(bank); }
};
// Block names already read from the master tables, by model, version and
// block definition id (a bulk print reads each name once).
using BlockNameCache = std::map<std::string, std::string>;
// Reads the current unit (its blocks loaded with codes).
BlockListSnapshot snapshotBlockList(model::UnitContext& unit, int bank, BlockNameCache* names = nullptr);
// Label number of a group: 1..14 in bank 2, else the group.
int groupLabel(int group, int bank);

// ---- Function block settings ----

struct SettingLine {
    enum Kind { Item, Terminal, Group } kind = Item;
    int number = 0;           // item or terminal index; the group label for a group line
    std::string name;         // CP932
    std::string value;
    std::string extra;        // fourth column of an item line
};
struct SettingPage {
    int bank = 0;
    std::vector<SettingLine> lines;
};
struct BlockSettingSnapshot {
    UnitHeader unit;
    int bank = 0;
    int groupLabel = 0;
    std::string blockText;
    std::vector<SettingLine> lines;   // the lines drawn, FA_ and NON left out
    int pageCount() const { return settingPages(static_cast<int>(lines.size())); }
};
// The lines of the current group as LoadBlockItemList left them.
std::vector<SettingLine> settingLines(const model::UnitContext& unit, bool terminals);
// The current group of the current unit (LoadBlockItemList already run).
BlockSettingSnapshot snapshotBlockSetting(const model::UnitContext& unit, int bank, bool terminals);
// The blocks of all groups of the current unit flowing over pages of 44 lines;
// a group starts on a new page when fewer than two lines remain. Selects each
// group in turn (the current group changes).
struct SettingFlowSnapshot {
    UnitHeader unit;
    std::vector<SettingPage> pages;
    int pageCount() const { return pages.empty() ? 1 : static_cast<int>(pages.size()); }
};
SettingFlowSnapshot snapshotSettingFlow(model::UnitContext& unit, bool terminals);
// Lays groups of lines (each led by its group line) out on pages.
std::vector<SettingPage> flowSettingPages(const std::vector<std::pair<int, std::vector<SettingLine>>>& groups);

// ---- Sequential control blocks and ladder ----

struct SequenceSnapshot {
    UnitHeader unit;
    model::StepTable steps;
    int pageCount() const { return 1; }
};
SequenceSnapshot snapshotSequence(const model::UnitContext& unit);

struct LadderSnapshot {
    UnitHeader unit;
    int group = 0;
    bool comments = false;
    ladder::LadderGrid grid;
    // Comment texts of the cells (0..7) and the coil (8) of each row, CP932.
    std::vector<std::array<std::string, ladder::kLadderCols + 1>> commentTexts;
    int firstEmpty = 0;
    int pageCount() const { return ladderPages(firstEmpty, comments); }
};
// Index of the first unused row (89 when every row is used).
int firstEmptyLadderRow(const ladder::LadderGrid& grid);
LadderSnapshot snapshotLadder(model::UnitContext& unit, int group, const ladder::LadderGrid& grid, bool comments);

// ---- Cover sheet ----

struct CoverSnapshot {
    std::string projectName;
    std::vector<std::string> commentLines;
};
CoverSnapshot snapshotCover(std::string_view projectName, std::string_view comment);

}  // namespace kravin::print

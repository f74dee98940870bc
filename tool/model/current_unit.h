// The current unit (a station or one of its 16 cards) and the tables that
// describe its blocks: the block code of each of the 100 groups, the blocks
// allowed there, the analog map, the definition of the selected block and the
// values of the selected group. Everything is read through KRAVinA.
#pragma once

#include "system_config.h"
#include "unit_files.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kravin::model {

constexpr int kGroups = kUnitBlocks;
constexpr int kItems = kBlockItems;
constexpr int kTerminals = kBlockTerms;
constexpr std::size_t kUnitHeadSize = kHeadBytes;
constexpr std::size_t kItemSlot = kItemBytes + 2;   // the library's bytes and two zeros
constexpr std::size_t kTermSlot = kTermBytes + 2;
constexpr int kValidCodesMax = 51;

// Groups shown as 101..114 on "PWZ" units and left out of the analog analysis.
inline constexpr std::array<int, 14> SpecialGroupTable = {4, 5, 6, 7, 8, 9, 10, 27, 28, 29, 70, 71, 93, 94};

// BlockCode (unit_files.h): 5 characters and a zero; first byte 0 = no block in the group.

struct ItemDefinition {
    char type[16];
    char name[130];
    char abbreviation[20];
    char unit[8];
    char defaultValue[32];
    char range[64];
};

struct TerminalDefinition {
    char type[4];
    char name[42];
    char abbreviation[4];
    char number[64];   // the line's last field: the terminal's item number
};

struct AnalogMapEntry {
    unsigned char hasAnalog;
    std::array<unsigned char, kItems> terminalUsed;
    std::array<int, kItems> source;   // source terminal + source group * 100, -1 none
};

struct BlockItemData {
    std::array<std::array<char, kItemSlot>, kItems> items{};
    std::array<std::array<char, kTermSlot>, kTerminals> terminals{};
    std::array<std::array<char, kItemSlot>, kItems> savedItems{};
    std::array<std::array<char, kTermSlot>, kTerminals> savedTerminals{};
};

struct GroupSnapshot {
    int group = -1;
    BlockCode code{};
    std::array<std::array<char, kItemSlot>, kItems> items{};
    std::array<std::array<char, kTermSlot>, kTerminals> terminals{};
};

// The online monitor's target unit, read by the monitor variants of the look-ups.
struct MonitorTargetUnit {
    std::int16_t station = 0;
    std::int16_t card = 0;   // 0 the station, 1..16 a card slot
    std::array<char, 8> model{};
    std::array<char, 4> version{};
    std::array<BlockCode, kGroups> blocks{};
};

// Lists of one group filled by CollectAnacomItems.
struct AnacomList {
    struct Item {
        std::array<char, 4> abbreviation{};
        int index = 0;
    };
    struct Terminal {
        std::array<char, 4> abbreviation{};
        int index = 0;
        int number = -1;
    };
    int itemCount = 0;
    std::array<Item, kItems> items{};
    int terminalCount = 0;
    std::array<Terminal, kTerminals> terminals{};
};

// Text of a fixed field up to its first NUL.
std::string_view fieldView(const char* field, std::size_t width);
template <std::size_t N>
std::string_view fieldView(const char (&field)[N]) { return fieldView(field, N); }
template <std::size_t N>
std::string_view fieldView(const std::array<char, N>& field) { return fieldView(field.data(), N); }

// Value of a hexadecimal digit (either case), -1 for any other character.
inline int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Upper-case hexadecimal digit of 0..15 (clamped).
inline char hexDigitChar(int n)
{
    return "0123456789ABCDEF"[n < 0 ? 0 : n > 15 ? 15 : n];
}

// Copies the 20 bytes without their leading blanks and zero fills the rest.
void TrimLeadingBlanks20(char* field);

// The current unit and its block tables. One per tool; tests make fresh ones.
class UnitContext {
public:
    UnitContext(const CardKindMasters& masters, SystemConfigTables& tables, std::string tableFolder,
                std::string workFolder);
    UnitContext(const UnitContext&) = delete;
    UnitContext& operator=(const UnitContext&) = delete;

    const CardKindMasters& masters;
    SystemConfigTables& tables;
    std::string tableFolder;   // the master tables, with a trailing slash
    std::string workFolder;    // the open project's folder

    int g_curStation = 0;
    int g_curCard = 0;          // 0 the station, 1..16 card slots
    std::array<char, 8> g_curModel{};
    std::array<char, 8> g_curUnitText{};
    std::array<char, 8> g_curVersion{};
    int g_curGroup = 0;
    int g_specialGroupMode = 0;
    // The bank the function block list shows (0, or 2 on "PWZ" units) and the
    // state value its print keeps.
    int g_blockListBank = 0;
    int g_blockListState = 0;

    std::array<BlockCode, kGroups> g_unitBlocks{};
    std::array<std::array<char, 256>, kGroups> validBlocks{};
    std::array<int, kGroups> validBlockCount{};
    std::array<AnalogMapEntry, kGroups> analogMap{};

    std::array<ItemDefinition, kItems> itemDefinitions{};
    std::array<TerminalDefinition, kTerminals> terminalDefinitions{};
    int itemCount = 0;
    int terminalCount = 0;
    int g_blockEditMode = 0;
    int firstVisibleRow = 0;
    int firstVisibleSpare = 0;
    BlockItemData blockItemData;
    GroupSnapshot snapshot;

    // Open-at-step request of the sequential block and ladder views.
    int seqBlockMode = 0;
    int openAtStep = -1;

    MonitorTargetUnit monitorTarget;

    // Library card index of the current unit (-1 the station).
    int libraryCard() const { return g_curCard - 1; }
    // The real group of the current group index, -1 when the index maps nowhere.
    int realGroup() const;
    int realGroup(int group) const;
    // The current model as text, trailing blanks kept (up to 8 characters).
    std::string_view model() const { return fieldView(g_curModel); }
    std::string_view version() const { return fieldView(g_curVersion); }
    bool modelStartsWith(std::string_view prefix) const;
    // Whether group is listed in SpecialGroupTable on a "PWZ" unit.
    bool isSpecialPwzGroup(int group) const;
    // Block-definition id of a group (code characters 2..4), empty without a block.
    std::string blockId(int group) const;

    // Kind and version index of a unit (card 0 the station, 1..16 a slot); 0/0 out of range.
    int unitKind(int station, int card) const;
    int unitVersionIndex(int station, int card) const;
    // The kind name (8 characters, blank padded) of a unit; empty without a kind.
    std::string unitKindName(int station, int card) const;

    // Model, unit text and version of g_curStation / g_curCard (all empty without a kind).
    void SelectCurrentUnit();
    // Allowed blocks of every group; with codes also the unit's block codes and analog map.
    void LoadUnitBlocks(int withCodes);
    // Definition and values of the current group. 0, or -1 when the definition cannot be
    // selected or defines neither items nor terminals; after -1 nothing of the block
    // loaded before stays in the tables.
    int LoadBlockItemList();
    int LoadBlockDefinition(std::string_view model, std::string_view version, std::string_view blockId3);
    void SnapshotGroupData();
    int ResolveBlockDefVersion(int station, int card, std::string_view model, std::string& outVersion) const;
    int SelectBlockDefinition(std::string_view model, std::string_view version, std::string_view blockId3) const;
    int SelectMonitorBlockDefinition(std::string_view model, std::string_view version,
                                     std::string_view blockId3) const;
    int GetBlockName(std::string_view model, std::string_view version, std::string_view blockId3,
                     std::string& out) const;
    // Selects the definition of a group of the current unit; 0 or -1 (no block, no definition).
    int SelectGroupDefinition(int group) const;
    // Removes the current unit (and the slots it occupies, never past the station's
    // 16) from the configuration; keepLayout 0 also drops positions, line points and
    // the unit's layer files.
    void ClearUnit(int keepLayout);
    void WriteItemDefaults(int group);
    int FindNextEditableItem(int mode, int group, int* pos) const;

    // Analog analysis of the current unit (connections.cpp).
    void CollectAnacomItems(int group, AnacomList& out) const;
    int AnalyzeAnacomBlocks(int group);
    int GetAnalogTerminalNo(int group, int terminal) const;
    int GetMonitorTerminalNo(int group, int terminal) const;

    // Reads the current unit's file into the library's unit image; the head out.
    int ReadUnitImage(std::array<char, kUnitHeadSize>& head) const;
    // ReadUnitImage, then the head's 100 codes into g_unitBlocks.
    void LoadBlockCodes(std::array<char, kUnitHeadSize>& head);

private:
    int selectResolved(int station, int card, std::string_view model, std::string_view version,
                       std::string_view blockId3) const;
    void readDefinitionLines(bool count);
    void clearDefinitions();
    void readGroupValues(int group);
};

// Keeps the library's unit image across a routine that reads other units: the
// image's blocks (positions, items and terminals), with any set-operation not yet
// written, are put back when the guard ends.
class UnitImageGuard {
public:
    UnitImageGuard();
    ~UnitImageGuard();
    UnitImageGuard(const UnitImageGuard&) = delete;
    UnitImageGuard& operator=(const UnitImageGuard&) = delete;

private:
    std::unique_ptr<char[]> blocks_;
};

}  // namespace kravin::model

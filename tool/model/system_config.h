// The system configuration of a project (64 stations with 16 card slots each, as
// indexes into the card-kind masters), the masters themselves, loading and saving
// through KRAVinA, kind look-up and the placement rules.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kravin::model {

constexpr int kStations = 64;
constexpr int kCardSlots = 16;
constexpr int kKindEntries = 128;   // entry 0 unused
constexpr int kKindVersions = 32;
constexpr std::size_t kKindWidth = 8;
constexpr std::size_t kUnitTextWidth = 5;
constexpr std::size_t kVersionWidth = 4;
constexpr std::size_t kUnitCommentWidth = 32;

// One kind table: station kinds (table 0) or card kinds (table 1).
struct CardKindMaster {
    std::array<std::string, kKindEntries> name;  // 8 characters, blank padded
    std::array<std::array<std::string, kKindVersions>, kKindEntries> versions;
    std::array<int, kKindEntries> busFlag{};     // 0 "UBus", 1 other
    std::array<int, kKindEntries> speedCode{};   // 0 1200, 1 9600, 2 57600
    std::array<int, kKindEntries> value{};

    // Index of the kind named name (entries 1.. up to the first empty one), 0 when none.
    int find(std::string_view kind) const;
    // Index of version among the kind's versions, -1 when none.
    int findVersion(int kind, std::string_view version) const;
};

struct CardKindMasters {
    CardKindMaster station;  // "COMCARD.KRAT"
    CardKindMaster card;     // "KBSCARD_LARGE.KRAT" or "KBSCARD.KRAT"
};

// A header record kept as it was read, for a unit whose kind or version the
// masters lack; written back unchanged so such a unit is never emptied.
struct UnresolvedRecord {
    std::string kind, unitText, version;
    bool present() const { return !kind.empty(); }
};

// Per project; reset on every load. Card arrays are indexed by card 0..15.
struct SystemConfigTables {
    std::array<int, kStations> stationKind{};
    std::array<std::array<int, kCardSlots>, kStations> cardKind{};
    std::array<int, kStations> stationVersion{};
    std::array<std::array<int, kCardSlots>, kStations> cardVersion{};
    std::array<std::string, kStations> stationUnitText;
    std::array<std::array<std::string, kCardSlots>, kStations> cardUnitText;
    std::array<int, kStations> stationX{}, stationY{};
    std::array<std::array<int, kCardSlots>, kStations> cardX{}, cardY{};
    // The records' comment texts, carried through load and save.
    std::array<std::string, kStations> stationComment;
    std::array<std::array<std::string, kCardSlots>, kStations> cardComment;
    // Index card + 1 (0 = the station itself).
    std::array<std::array<UnresolvedRecord, kCardSlots + 1>, kStations> unresolved;

    void clear() { *this = SystemConfigTables{}; }
    // An edit that places or removes a kind at the unit drops its kept record.
    void forgetUnresolved(int station, int card) { unresolved.at(station).at(card + 1) = {}; }
};

// The cells of the communication sheet (settings DT_DX, DT_DY): 64 across, one a
// station, by 17 down, one a slot (0 the station itself, 1..16 its cards).
struct WiringGrid {
    int dx = 24;
    int dy = 13;
    // The place of the box of a station's slot until it is moved: the slot's cell, in grid units.
    void GridCellToPixel(int station, int slot, int* x, int* y) const;
    void ClampToGrid(int* x, int* y) const;
};

// Earlier versions put every new box of a slot at one place whatever its station (the
// slots side by side in one row), so the same slot of different stations lay on top of
// each other. Each unit still there moves to its own slot's cell; boxes moved by hand
// stay. Returns the number of units moved.
int MoveStackedDefaultBoxes(SystemConfigTables& tables, const WiringGrid& grid);

inline bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// Kind names compare on their text up to the first NUL, CR or LF, trailing blanks ignored.
std::string kindKey(std::string_view kind);

// Reads both kind tables of the master-table folder (with its trailing slash). 0.
int LoadCardKindMasters(CardKindMasters& masters, const std::string& tableFolder);

// Fills the tables from the selected header image (KRAVinA_Proj_Get_Sys). Returns
// the number of records whose kind or version the masters lack (kept unresolved).
int LoadSystemTables(const CardKindMasters& masters, SystemConfigTables& tables);

// Writes the 1088 records and then the header file once. The result of
// KRAVinA_Proj_Write, or -1 when a record could not be stored.
int SaveProjectSystem(const CardKindMasters& masters, const SystemConfigTables& tables,
                      const std::string& workFolder);

// Looks a kind up in the station master and the card master, entry by entry.
// 1 with the kind's attributes, 0 when neither has it.
int FindCardKind(const CardKindMasters& masters, std::string_view kind, int* busFlag, int* speedCode,
                 int* value);

// Whether kind may go into station's slot (0 = the station itself, 1..16 = card
// slot). 0 allowed, -1 refused.
int CheckKindPlacement(const CardKindMasters& masters, const SystemConfigTables& tables, int station,
                       int slot, std::string_view kind, bool paste);

}  // namespace kravin::model

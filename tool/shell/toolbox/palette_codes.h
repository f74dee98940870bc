// The block-code tables the code palettes are built from, the exclusion
// lists, the module display names of the tiles, and the categories of a
// code palette for the current unit's valid blocks. Window-free.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kravin::shell {

struct PaletteItem {
    std::string name;  // 3-letter block name (or a model name)
    std::string code;  // 2-digit block code (or a version)
    int id = 0;        // a ladder element's command, the system palette's category
    friend bool operator==(const PaletteItem&, const PaletteItem&) = default;
};

struct PaletteCategory {
    int table = -1;  // 0..9 (header picture 292 + table), -1 the leftovers or an empty palette
    int bitmap = 0;  // the header picture, whose caption the button shows; 0 a plain text button
    std::string caption;  // a plain button's text
    std::vector<PaletteItem> items;
};

// Header pictures (and the string ids of their captions) of the categories.
inline constexpr int kStationCategoryBitmap = 287, kCardCategoryBitmap = 288, kTerminalCategoryBitmap = 291,
                     kCodeCategoryBitmap = 292, kLadderCategoryBitmap = 302;

// The ten tables of (code, name) pairs, in table order.
const std::vector<PaletteItem>& BlockCodeTable(int table);
// Analog terminal connection palette (A) and function block list palette (B).
const std::vector<std::string>& ExclusionListA();
const std::vector<std::string>& ExclusionListB();
// The display name of a module code ("63WJ1" shows as "63WJ-1"); other names unchanged.
std::string ModuleDisplayName(std::string_view name);
// All 32 module codes with their display names.
std::vector<std::pair<std::string, std::string>> ModuleDisplayNames();

// The groups each table draws on (first, last; none for table 9).
struct GroupRange {
    int first = -1, last = -1;
};
GroupRange TableGroups(int table);

// validBlocks[g] are the 5-character codes allowed in group g (2-digit code, 3-letter name).
std::vector<PaletteCategory> BuildCodeCategories(const std::array<std::vector<std::string>, 100>& validBlocks,
                                                 const std::vector<std::string>& exclusions);

}  // namespace kravin::shell

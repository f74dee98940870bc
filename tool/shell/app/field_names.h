// The field-name groups of the master tables, read once at start-up.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace kravin::shell {

constexpr int kFieldNameGroups = 100;
constexpr int kFieldNamesPerGroup = 16;
constexpr int kFieldNameWidth = 8;

struct FieldNameGroup {
    int count = 0;
    std::array<std::array<char, kFieldNameWidth + 1>, kFieldNamesPerGroup> names{};
};

using FieldNameTable = std::array<FieldNameGroup, kFieldNameGroups>;

// The raw text of one group id: its names of 8 characters one after another.
using FieldNameSource = std::function<std::string(int id)>;

// Fills every group from source: whole 8-character pieces only, at most 16.
void fillFieldNameTable(FieldNameTable& table, const FieldNameSource& source);

// The card names of each group id 0..99 (the card type table of the transfers).
std::array<std::vector<std::string>, kFieldNameGroups> FieldNamesByGroup(const FieldNameTable& table);

}  // namespace kravin::shell

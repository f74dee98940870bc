// What the model reads of the wiring editors: the edit state of the analog line
// being stored, the state of the communication link being made or deleted, and
// the link records handed between the wiring views and the undo stores.
#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <string>

#include "unit_files.h"   // kLinePoints

namespace kravin::model {

// The analog editor's current line, read by SaveAconLine.
struct AnalogLineEditState {
    int sourceGroup = 0, sourceItem = 0;
    int destGroup = 0, destItem = 0;
    // The second list gives X and the first Y of each stored point.
    std::array<double, kLinePoints> firstList{};
    std::array<double, kLinePoints> secondList{};
    int pointCount = 0;
    int direction = 1;        // 1: points in drawing order, else reversed
    int value = 0;
    std::uint32_t colour = 0; // 0x00BBGGRR
    std::string text;         // CP932, at most 16 bytes are stored
};

// One end of a communication link.
struct CommLinkEnd {
    int station = 0;
    int card = -1;      // -1 the station itself, 0..15 a card slot
    int terminal = 11;  // 11..26
};

// The communication editor's state read by MakeCommConnection and DeleteCommConnection.
struct CommLinkEditState {
    int pattern = 0;    // 1..9
    CommLinkEnd a;      // sending end
    CommLinkEnd b;      // receiving terminal being set (the selected terminal on delete)
    CommLinkEnd c;      // terminal B re-transmits from
    std::array<int, kLinePoints> pointX{};
    std::array<int, kLinePoints> pointY{};
    int pointCount = 0;
    int value = 0;
    std::uint32_t colour = 0;
    std::string text;
    std::uint32_t defaultColour = 0;   // given to a cleared link
    int defaultValue = 0;
};

// A jump label of the analog view: a name and six integers.
struct JumpRecord {
    std::string name;
    std::array<std::int32_t, 6> values{};
    // The names and the first two integers agree.
    static bool IsEqual(const JumpRecord& a, const JumpRecord& b)
    {
        return a.values[0] == b.values[0] && a.values[1] == b.values[1] && a.name == b.name;
    }
};

// A terminal link of the communication view: a name and six integers.
struct TermLinkRecord {
    std::string name;
    std::array<std::int32_t, 6> values{};
    // The names and the first three integers agree.
    static bool IsEqual(const TermLinkRecord& a, const TermLinkRecord& b)
    {
        return a.values[0] == b.values[0] && a.values[1] == b.values[1] && a.values[2] == b.values[2] &&
               a.name == b.name;
    }
};
using TermLinkList = std::list<TermLinkRecord>;
using JumpList = std::list<JumpRecord>;

// The link record between a view and the undo stores.
struct UndoLinkRecord {
    std::array<char, 16> name{};
    std::array<std::int32_t, 6> values{};
    std::int32_t inUse = 0;   // 1 = present
};

}  // namespace kravin::model

// Jump marks: a pair of marks with one label stands in for a long line, one
// at an output terminal and one at an input terminal. A mark is open until
// its partner exists.
#pragma once

#include "undo_view.h"

#include <array>
#include <cstdint>
#include <list>
#include <string>

namespace kravin::wiring {

// The common part of the link records of both wiring views.
struct CLinkRecordBase {
    std::string name;  // CP932
    int side = -1;     // 1 at an input terminal (above a block), 2 at an output (below)
    int format = -1;   // style * 4 + width
    std::int32_t colour = -1;
    virtual ~CLinkRecordBase() = default;
};

struct CJumpRecord : CLinkRecordBase {
    int item = -1;      // item number of the terminal
    int terminal = -1;  // index on its side, 0 = leftmost
    int block = -1;

    // The 44-byte plain form: name[16], block, item, terminal, side, format, colour, 0.
    std::array<unsigned char, 44> ToRecord() const;
    // Item, block and name agree.
    static bool IsEqual(const CJumpRecord& a, const CJumpRecord& b)
    {
        return a.item == b.item && a.block == b.block && a.name == b.name;
    }

    // The form the undo stores keep (values: block, item, terminal, side, format, colour).
    model::LinkRecord toLink(bool inUse) const;
    static CJumpRecord fromLink(const model::LinkRecord& link);
};

using JumpList = std::list<CJumpRecord>;

// Removes the record equal to it, or appends a copy.
void AddOrRemove(JumpList& list, const CJumpRecord& record);
// Removes every record equal to it; true when any was.
bool RemoveEqual(JumpList& list, const CJumpRecord& record);
const CJumpRecord* FindByName(const JumpList& list, const std::string& name);
// Records before record that stand at the same item and block (the walk stops at record).
int CountJumpsAtTerminal(const JumpList& list, const CJumpRecord& record);

// Where a mark stands: column bx + 3 * terminal + 2, row by - 6 above an input, by + 8 below an output.
struct GridPoint {
    int x = 0, y = 0;
};
GridPoint JumpMarkPlace(const CJumpRecord& record, int blockX, int blockY);

// The names of the open marks as message 8102 shows them: each followed by ", ".
std::string OpenJumpNames(const JumpList& open);
// Label names are cut to 7 bytes without splitting a double-byte character.
constexpr int kJumpLabelBytes = 7;
std::string TrimJumpLabel(const std::string& cp932);

}  // namespace kravin::wiring

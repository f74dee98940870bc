// What a change of one function block asks of the rest of the tool: the
// communication terminal blocks (11..26) keep their kind in the link table's
// two kind tables and carry the communication links, the sequential control
// groups (81..92) feed the step table. Also the slot items a block dropped on
// a "TQRC$" card sets on its "TQRC " card, and a scoped switch of the current card.
#pragma once

#include "connections.h"

#include <string_view>

namespace kravin::model {

struct CurrentBlockState {
    int block = -1;
    bool kindTables = false;   // the placed code's kind goes into the kind tables
    bool commRebuild = false;  // the link table is built again after its setting
    bool seqReload = false;    // the blocks and step codes are read again
};

CurrentBlockState BlockStateFor(int block);

// Kind of a placed code by its 3-letter name: 1 CDI, 2 CDO, 3 CAI, 4 CAO, 0 any other.
int PlacedCodeKind(std::string_view blockId3);

// Puts a kind into both kind tables (the slot's terminal record and the flag
// entry) of a unit's terminal block; false out of range.
bool StorePlacedKind(CommLinkTable& table, int station, int libraryCard, int block, int kind);

// BuildCommConnectionTable, then the current unit (station, card, model and
// block codes) as it was.
void RebuildCommTableKeepingUnit(UnitContext& unit, CommLinkTable& table, const ProgressStep& step = {});

// The "TQRC " card that holds the settings of the current "TQRC$" card: the
// nearest one below it (current card - 1 down to 1); -1 when there is none.
int FindTqrcParentCard(const UnitContext& unit);

// Item numbers on block 1 of the parent card for a drop into group: the slot's
// mode item and the group's own item (outside 0..99 when the slot has none).
struct TqrcSlotItems {
    int mode = -1;
    int group = -1;
};
TqrcSlotItems TqrcSlotItemsFor(int slotCard, int parentCard, int group);

// Sets the slot items in the loaded image of the parent card: the mode item
// to "33" for CAI, else "34", when it reads "00"; the group's item to "000000"
// when it begins with '9'. True when an item changes; apply false only tells.
bool SetTqrcSlotItems(const TqrcSlotItems& items, std::string_view blockId3, bool apply = true);

// Makes another card of the current station current for a scope; the card,
// its model and its block codes come back however the scope ends.
class CurrentCardSwitch {
public:
    CurrentCardSwitch(UnitContext& unit, int card);
    ~CurrentCardSwitch();
    CurrentCardSwitch(const CurrentCardSwitch&) = delete;
    CurrentCardSwitch& operator=(const CurrentCardSwitch&) = delete;

private:
    UnitContext& unit_;
    int card_;
};

}  // namespace kravin::model

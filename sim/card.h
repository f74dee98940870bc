// The simulated controller cards and their configuration file.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace qvsim {

// Item values of one bank: group -> item -> value text. A group is present when listed.
using ItemTable = std::map<int, std::map<int, std::string>>;

struct SimCard {
    std::string model = "QV200";   // card kind name
    int baudIndex = 1;             // 0 = 1200, 1 = 9600, 2 = 57600
    std::string selector = "0";    // value of group 0 item 0 that selects this card
    ItemTable bank0;
    ItemTable bank2;               // groups 1..14 of the second bank (empty: no bank 2)
    bool blank = false;            // groups 0..99 present; items made by writing, unwritten item 10 reads "**"
    bool strict = false;           // writes to groups 1 and up refused while write mode (0.01) is "0"
    bool sampleBlocks = false;     // a group takes the items of every block the sample tables allow in it

    std::string unitId() const;    // group 0 item 52
    bool hasBank2() const { return !bank2.empty(); }
};

// Adds the clock items of group 0 (1 write mode "0", 54..57 the date and time) that the
// card does not hold yet.
void AddClockItems(SimCard& card);

// The built-in card: a QV200 1.00 with ID "0001" at 9600 baud holding, as the sample
// tables define it, every group its valid-block table lists: blocks in groups 0, 1, 2, 4,
// 5, 80 and the sequence group 81 with every used item, item 10 "**" in the others. Its
// groups take any block the tables allow in them, item by item as it is written.
SimCard DefaultCard();

// True when group `group` of a card holding the sample tables' blocks takes item `item`:
// an item of a block that the default card's valid-block table allows in that group.
bool SampleBlockTakesItem(int group, int item);

// The card type code (group 0 item 96, two digits) that the sample tables give a card
// name; "00" for a name they don't know.
std::string TypeCodeOfModel(std::string_view model);

struct ConfigResult {
    std::vector<SimCard> cards;
    std::string error;  // "line N: ..." when the text is not valid
    bool ok() const { return error.empty(); }
};

// A blank device (groups 0..99, no items but group 0's own) of the given model and ID.
SimCard BlankCard(std::string model, std::string unitId);

// Writes cards in the card file format (a saved state loads back as the same cards).
std::string FormatCardConfig(const std::vector<SimCard>& cards);

// Parses the card file format (see sim/README.md).
ConfigResult ParseCardConfig(std::string_view text);
ConfigResult LoadCardConfig(const std::string& path);

int BaudRateOfIndex(int baudIndex);

}  // namespace qvsim

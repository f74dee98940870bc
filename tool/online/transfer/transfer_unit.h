// What a transfer needs of the project, copied on the GUI thread before the run starts:
// the workers never read the project file library or the current unit themselves.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kravin::model {
class UnitContext;
}

namespace kravin::online {

struct TransferItem {
    TransferItem() = default;
    TransferItem(int i, std::string t, std::string ty = {}) : item(i), text(std::move(t)), type(std::move(ty)) {}
    int item = 0;
    std::string text;  // the project's item text (up to its first NUL); FLOATn with its n digits
    std::string type;  // the item's data type ("FLOAT3", "FLAG" ...); empty when not known
};

struct TransferGroup {
    int group = 0;
    bool hasBlock = false;  // false: a group without a block but with valid blocks (item 10 only)
    std::vector<TransferItem> items;  // the used items in order
    std::string item10;               // the project's item 10 text
};

struct TransferCard {
    int card = -1;          // library card: -1 the station, 0..15
    std::string model;      // 8 characters, blank padded
    std::string version;
    std::string unitText;   // the unit text bytes
    std::string unitId;     // group 0 item 52
    bool irCard = false;    // listed in the IR card table: framed commands
    std::string item51;     // group 0 item 51 of the station
    std::vector<TransferGroup> groups;  // ascending; only groups with something to send
    const TransferGroup* find(int group) const;
};

struct TransferUnit {
    int station = 0;
    int startCard = 0;       // the tool's card at the start (0 the station, 1..16)
    bool v8rtu = false;      // the started unit's model begins "V8RTU"
    bool v8rtuStation = false;  // a V8RTU run over the station's cards (started at the station)
    int cardCount = 0;       // V8RTU: the station's card count
    std::vector<TransferCard> cards;  // in the order they are transferred
};

// The card type table of the masters: the card names (8 characters) that report each card
// type code 0..99 in group 0 item 96.
using CardTypeTable = std::array<std::vector<std::string>, 100>;

// Group 0's unit selector (item 0) and download mode (item 1): the transfers write them
// to steer the device and never carry them as the unit's data, whatever the tables say.
bool IsDeviceControlItem(int group, int item);

// Message: the card count of the station's unit text is no hexadecimal digit.
constexpr int kMsgBadCardCount = 9294;

// Card count of a V8RTU station from the first byte of its unit text; nothing when it is
// no hexadecimal digit ('0'-'9', 'A'-'F').
std::optional<int> CardCountOfUnitText(const std::string& unitText);

// Copies the current unit (or, for a V8RTU station, its cards 1..count) out of the model.
// The current station and card and their blocks are put back afterwards. Nothing with
// messageId set when the unit cannot be transferred.
struct TransferUnitResult {
    std::optional<TransferUnit> unit;
    int messageId = 0;
};
TransferUnitResult CopyTransferUnit(model::UnitContext& unit);

// One group of the current card (the block list's group; a bank 2 group is given by its
// real group). The current unit stays as it is.
std::optional<TransferCard> CopyTransferGroup(model::UnitContext& unit, int realGroup);

}  // namespace kravin::online

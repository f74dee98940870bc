// The upload: reads a unit's items from the device (serial link or bus), group by group,
// converts each value into the project's form and stages it. The project is written once,
// on the GUI thread, after the run finished: a stopped, aborted or failed run leaves it as
// it was. A unit read into an empty slot is created from the device's card type and ROM
// version.
#pragma once

#include "bus_api.h"
#include "serial_transport.h"
#include "system_config.h"
#include "transfer_unit.h"

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kravin::online {

class SerialLink;

// Message ids of the upload.
constexpr int kMsgUploadCommError = 8300;
constexpr int kMsgUnknownCardType = 8304;
constexpr int kMsgUploadStopped = 8305;
constexpr int kMsgCannotUpload = 8306;
constexpr int kMsgUploadItemMissing = 8307;
constexpr int kMsgBadDeviceValue = 9295;  // "The device's value of %s is not valid: %s"

// One item line of a block definition.
struct UploadItemDef {
    std::string type;  // "FLAG", "INT4", "FLOAT2" ...
    std::string name;  // for FLAG types it begins with the quoted choices: "0:OFF,1:ON"
    std::string range; // the valid setting range: "0;1", "1_9;12"
};

// The block definitions of one model version as the run needs them.
struct UploadModelInfo {
    std::array<std::vector<std::string>, 100> validCodes;  // 5-character codes per group
    std::map<std::string, std::array<UploadItemDef, 100>> blocks;  // by block code
};

// Reads the definitions of a model version (the GUI thread answers it); nothing when the
// model's tables are missing.
using UploadDescribe = std::function<std::optional<UploadModelInfo>(const std::string& model, const std::string& version)>;

// One existing card of a V8RTU station as the run reads it.
struct UploadCardSetup {
    int card = 1;                 // 1..16
    std::string model;            // 8 characters, blank padded
    std::string version;
    std::array<std::string, 100> blockCodes;
    bool created = false;         // made by a card count change during the run
};

struct UploadSetup {
    bool bus = false;             // "Network upload"
    std::string portName;         // serial
    int baudIndex = 1;
    std::string programmingUnitId;
    int mode = 0;                 // 0 the unit, 1 the unit chosen in the dialog, 2 one group
    int station = 0;
    int card = 0;                 // 0 the station, 1..16
    bool newUnit = true;          // the slot is empty: the unit is created
    std::string model;            // existing unit: 8 characters, blank padded
    std::string version;
    std::string unitId;           // group 0 item 52: framed commands when irCard
    bool irCard = false;
    std::array<std::string, 100> blockCodes;  // existing unit's codes (empty: none)
    int group = 0;                // mode 2: the real group
    std::string unitText;         // existing unit: its unit text (QV200W/QV210W: byte 0 the sub-unit)
    bool stationIsV8rtu = false;
    bool nextSlotEmpty = true;    // the card slot after this one holds no unit
    // A new unit over a row that serves kinds of several speeds: the card type is read at
    // each of these baud indexes in turn until the device answers; the rest of the run
    // goes at the speed of the kind read.
    std::vector<int> probeBauds;
    // An existing V8RTU card: the cards read in order (the station's cards 1..count when
    // started at the station or card 1, else the started card) and the station's count.
    bool v8rtu = false;
    std::vector<UploadCardSetup> v8rtuCards;
    int cardCount = 0;
    model::CardKindMasters masters;
    // The card type table of the masters: the card names (8 characters) that report each
    // card type code 0..99. All empty: the names are found by their model codes.
    CardTypeTable cardTypes;
    UploadDescribe describe;
};

// What a finished run gives the project for one unit.
struct UploadStaging {
    int card = 0;                 // the tool's card it goes into (0 the station)
    bool created = false;         // the unit is new: kind and version are set
    std::optional<std::string> unitText;  // set: the unit's new unit text
    std::string model;            // 8 characters, blank padded
    std::string version;
    std::array<std::string, 100> blockCodes;        // the unit's codes after the upload
    std::map<std::pair<int, int>, std::string> items;  // (group, item) -> value read
};

// Value conversion of one item reply ("D12.3456", "xx:12.3"), by the item's definition.
// Nothing with error set when the device's value is not one the item takes.
std::optional<std::string> ConvertUploadValue(const std::string& reply, int group, int item, const UploadItemDef& def,
                                              std::string* error = nullptr);
// The display name kept in item 97 of group 0 for a card name.
std::string UploadDisplayName(const std::string& cardName);
// The card name of a special card type code (24, 26..33, 14), by whether group 98 exists;
// empty when the code is none of them (or 14 without group 98).
std::string SpecialCardName(int code, bool group98);
// The ports a read TQRC card uses (0..5): its group 1 items 11, 28, 45, 62 and 79 counted
// from the first while they are read and do not begin with '0'. Each takes a card slot
// above the card.
int UploadTqrcPorts(const UploadStaging& staging);
// The first valid item from after `item` on that the upload reads: -1 when none.
int NextUploadItem(const std::array<UploadItemDef, 100>& def, int group, int item);

class UploadRun final : public TransferRun {
public:
    UploadRun(SerialLink* link, BusApi bus, UploadSetup setup, TransferQuestions& questions, TransferTiming timing);

    void Run() override;
    TransferContext& context() override { return context_; }
    // The staged units in the order they were read (a V8RTU station's cards, the two
    // units of a QV200W/QV210W device, else one); complete once the outcome is Finished.
    const std::vector<UploadStaging>& units() const { return units_; }
    // The first of them.
    const UploadStaging& staging() const { return units_.empty() ? staging_ : units_.front(); }
    // V8RTU: the station's card count read from card 1 when it differs from the project's.
    std::optional<int> cardCount() const { return cardCount_; }

private:
    enum class Reply { Ok, Cng, None };
    enum class End { Done, Abort, Fail };

    bool Open();
    void Close();
    // The port opened again at another speed.
    bool Reopen(int baudIndex);
    // The first speed of probeBauds at which group 0 is answered; the port stays at it.
    bool FindSpeed();
    // One group command: "COK", "CNG" or no reply after the repeats.
    Reply Group(int group);
    // One item command; the value reply in reply ("D..." or "..:...").
    Reply Item(int item, std::string& reply);
    bool Data(const std::string& text);
    Reply Exchange(const std::string& command, int maxLength, std::string& reply);
    bool SelectBank(int bank);
    End CreateUnit(int pass);
    End Describe();
    // The staged unit's definitions, then its groups; kept once read.
    End ReadUnit();
    End RunUnit();
    End RunV8rtu();
    // The serial selection of a card or sub-unit: "G00", "I00" (after itemWait), "D" digit.
    bool SelectOnLink(char digit, milliseconds itemWait);
    bool SelectSubUnit(int subUnit);
    bool SelectV8rtuCard(int card);
    End ReadGroups();
    End ReadGroup(int group, int storeGroup, int bank);
    End ReadItems(int group, int storeGroup, const std::array<UploadItemDef, 100>& def, int first);
    End GroupMissing(int group);
    void Fail(int messageId, std::string detail = {});
    bool Stopped();

    SerialLink* link_;
    BusApi bus_;
    UploadSetup setup_;
    TransferContext context_;
    std::optional<SerialTransport> io_;
    UploadStaging staging_;                // the unit being read
    std::vector<UploadStaging> units_;     // the units read
    std::optional<int> cardCount_;
    bool secondUnit_ = false;              // a new QV200W/QV210W device: its second unit follows
    UploadModelInfo info_;
    TransferProgress progress_;
    int busGroup_ = 0;
    int card_ = 0;                         // the tool's card of the unit being read
    int baudIndex_ = 0;                    // the speed the port is open at
    bool skipAll_ = false;
    bool failed_ = false;
};

}  // namespace kravin::online

// What the card count, item-missing, version, print scale, jump label, comment
// and device layout dialogs show and accept, without their windows.
#pragma once

#include "system_config.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kravin::model {
class UnitContext;
}

namespace kravin::editors {

// ---- Card count (dialog 149) ----

// Mode 0 asks for the virtual cards after the current card, 1 for up to 8
// registered cards, any other value for up to 16.
struct CardCountRange {
    int mode = 0;
    int minimum = 0;
    int maximum = 0;
    int current = 0;
    int captionId() const { return mode == 0 ? 9000 : 9002; }
    int labelId() const { return mode == 0 ? 9001 : 9003; }
};

// The range for the unit at card (1..16; 0 the station) with its model and unit
// text; currentCount is the caller's count for the registration modes.
CardCountRange cardCountRange(int mode, int card, std::string_view model, std::string_view unitText,
                              int currentCount);
// 0 when count lies in the range, else the message to show (7104 or 7105, with
// minimum and maximum as its arguments).
int checkCardCount(const CardCountRange& range, int count);

// ---- Item missing (dialog 306) ----

// "(Gr03 It07)".
std::string itemMissingDetail(int group, int item);

// ---- Select Version (dialog 252) ----

struct VersionChoice {
    std::string station;  // "%02x"
    std::string card;     // "%02x" of card - 1, empty for the station
    std::string function; // the card's kind name, empty for the station
    std::vector<std::string> versions;
    int selected = -1;
};
// Nothing for station and card both -1.
VersionChoice buildVersionChoice(const model::CardKindMasters& masters, const model::SystemConfigTables& tables,
                                 int station, int card);

// ---- Print scale (dialog 255) ----

struct PrintScale {
    int scale = 100;
    bool fit = false;
};
// The scale the dialog returns, or nothing when the typed scale is outside
// 10..100 (message 9701).
std::optional<PrintScale> checkPrintScale(bool fit, std::string_view typed);
constexpr int kPrintScaleMessage = 9701;

// ---- Texts limited in CP932 bytes ----

// The text cut to at most maxBytes bytes without splitting a double-byte character.
std::string cutCp932(std::string_view cp932, std::size_t maxBytes);
constexpr std::size_t kJumpLabelBytes = 7;
// The comment box holds at most 100 lines of text.
constexpr int kCommentLines = 100;
constexpr unsigned kCommentDefaultColour = 2684154;  // RGB(250, 244, 40)

// ---- Device layout (dialog 261) ----

struct DeviceLayoutChoice {
    std::vector<std::string> stations;  // "00".."3F"
    std::vector<std::string> cards;     // "Y-Bus", "0".."F"
    std::vector<std::string> versions;  // the model's versions of 1..4 characters
    int versionLine = -1;
    int stationLine = 0;
    int cardLine = 0;
};
// slotUsed(station, library card 0..15): the communication link table uses the slot.
DeviceLayoutChoice buildDeviceLayout(const model::CardKindMaster& cardKinds, std::string_view modelName,
                                     std::string_view version, const std::function<bool(int, int)>& slotUsed);
// Station and card (0 the station unit itself for "Y-Bus", else the card text
// read as hexadecimal plus 1).
void readDeviceLayout(std::string_view stationText, std::string_view cardText, int* station, int* card);

// ---- Select Group (dialog 272) ----

struct GroupChoice {
    std::vector<std::string> groups;  // "%i" of each group whose codes hold the block code
    int selected = -1;
};
// validCodes(g): the codes allowed in group g of the current unit, 5 characters
// each; groupUsed(g): the unit's block slot g holds a block.
GroupChoice buildGroupChoice(std::string_view blockCode, const std::function<std::vector<std::string>(int)>& validCodes,
                             const std::function<bool(int)>& groupUsed);
// The same over the current unit's valid-block list and block codes.
GroupChoice buildGroupChoice(std::string_view blockCode, const model::UnitContext& unit);

}  // namespace kravin::editors

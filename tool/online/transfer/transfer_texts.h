// The text forms of the transfers: what is sent for an item, and the forms in which the
// compare sets a project value against a device value.
#pragma once

#include "transfer_unit.h"

#include <optional>
#include <string>

namespace kravin::online {

// Label texts of the transfer dialogs.
std::string StationLabel(int station);   // "STATION  2A"
std::string CardLabel(int libraryCard);  // "CARD  3", empty for the station (-1)

bool ModelBeginsWith(const std::string& model, const char* prefix);
bool IsSequenceGroup(int group);  // 81..92
// "KMQ" models have a second bank.
bool HasBank2(const std::string& model);
// Bank 2 number (1..14) of a group, 0 when the group has none.
int Bank2Number(int group);
// The group at bank 2 number n (1..14), -1 otherwise.
int GroupOfBank2Number(int n);
// QV200W / QV210W: the sub-unit byte of the unit text is 1.
bool IsSecondSubUnit(const TransferCard& card);
bool IsWModel(const std::string& model);

// What the download sends for an item of card in unit (the V8RTU station's items 51, 52).
std::string DownloadText(const TransferUnit& unit, int group, const TransferItem& item);

// The end of a card's download writes the station's item 51 into some models: the data
// command ("D%s\r", its second character upper case), or nothing when the model takes no
// such write or the station holds no value there (an empty text would blank the item).
std::optional<std::string> StationItem51Command(const TransferCard& card);

// The compare's forms.
std::string ProjectCompareForm(const TransferUnit& unit, const TransferCard& card, const TransferGroup& group,
                               const TransferItem& item);
// skipRest: set when a sequence step reads "000000".
std::string DeviceCompareForm(int group, int item, std::string value, bool* skipRest);
// Equal after the equalisation of zero forms; groups 97 and 98 compare only as many
// characters as the project value has (limitToProject).
bool CompareEqual(const std::string& device, const std::string& project, bool limitToProject);

}  // namespace kravin::online

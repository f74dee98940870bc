// The tool's per-user settings, section "KRAVin" of the profile of organisation
// "KRAVin" (QSettings), read at start-up and written at exit and after the Option
// dialog.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QSettings;

namespace kravin::model {

constexpr int kPortRows = 6;
constexpr int kPlacementViews = 7;
constexpr int kPortFieldWidth = 64;
constexpr int kPortListSize = 256;  // entries of the remembered port list

// Saved frame rectangle of a view; all 0 means none stored.
struct WindowPlacement {
    int left = 0, top = 0, right = 0, bottom = 0, length = 0;
};

// One port allocation row: port name, its display text, connected device, speed.
struct PortAllocationRow {
    std::string port;         // "PORT%d_COM"
    std::string portText;     // "PORT%d_COM_STR"
    std::string device;       // "PORT%d_KIKI", one of the device strings (English form)
    int speed = 0;            // "PORT%d_SPEED"
};

// One entry of the port list ("COM%d_PORT_STR", "COM%d_PORT_NUM"), 64-byte fields.
struct PortListEntry {
    std::string text;
    std::string number;
};

// View order of the placements, with their key prefixes.
enum PlacementView { SysSet, Dentan, BList, ConAna, SeqBlk, SeqSet, Ht9 };
extern const std::array<const char*, kPlacementViews> kPlacementPrefixes;

struct UserSettings {
    int HT9_BAU = 0;
    int AC_UNIT = 16;
    int AC_LKIND = 0;
    int AC_LCOL = 0;
    int DT_DX = 24;
    int DT_DY = 13;
    int DT_UNIT = 16;
    int DT_LKIND = 0;
    int DT_LCOL = 0;
    int SEQ_DSP = 1;
    int ONLINE = 0;        // 0 serial, 1 bus
    int MON_SPEED = 0;     // 0 = 1000 ms, other = 100 ms; read only
    int MAXIMUM_SIZE = 0;
    int BACK_COLOR = 0xFFFFFF;
    int ENABLE_GRID = 1;
    int COM_TIME = 10;     // reply time-out, seconds
    std::array<WindowPlacement, kPlacementViews> placements{};
    std::array<PortAllocationRow, kPortRows> PortAllocation{};
    std::vector<PortListEntry> portList;  // "COM_PORT_NUM" entries
    std::string HT9_COM;
    std::string HT9_ID;
};

// Reads every setting and normalises the stored devices. An absent, unreadable or
// out-of-range value reads as its default.
void LoadSettings(QSettings& store, UserSettings& settings);

// Writes every setting LoadSettings reads, except "MON_SPEED"; a value out of its
// range is written as its default.
void SaveSettings(QSettings& store, const UserSettings& settings);

// The device text as it is kept: older spellings and unknown texts mapped to the
// current device strings, always in their language-independent form.
std::string NormaliseDevice(const std::string& stored);

// The id (9300..9401) of a device string in either language; 0 for any other text.
int DeviceStringId(std::string_view text);

// The profile of the tool (organisation "KRAVin", application "KRAVin3").
std::unique_ptr<QSettings> openUserProfile();

}  // namespace kravin::model

// The Option dialog without its window: the remembered serial ports, the devices it
// offers, and the checks and stores of its OK button.
#pragma once

#include "settings.h"
#include "system_config.h"

#include <array>
#include <string>
#include <vector>

namespace kravin::shell {

constexpr int kMsgNoSerialPorts = 8302;      // "No valid serial ports."
constexpr int kMsgTimeoutRange = 8308;       // "The parameter Timeout value must be specified between 1 and 99."
constexpr int kMsgDuplicateDevice = 9302;    // "Duplication of connected devices."
constexpr std::size_t kMaxRememberedPorts = model::kPortListSize;

struct FoundPort {
    std::string number;  // the open name
    std::string text;    // the description shown
};

// Appends every found port whose number text is not remembered yet (up to 256 entries;
// texts cut to 63 bytes).
void RememberPorts(std::vector<model::PortListEntry>& remembered, const std::vector<FoundPort>& found);

// The device texts the device combos offer after the empty entry: "TQN(JOV-UM)" first,
// then the devices of the station and card kinds in the masters, each text once.
std::vector<std::string> OptionDevices(const model::CardKindMasters& masters);

// What the dialog's controls hold.
struct OptionForm {
    struct Row {
        std::string port;    // a remembered port number, empty for none
        std::string device;  // a device text, empty for none
        int speed = 0;       // 0 "Normal", 1 "High Speed"
    };
    std::array<Row, model::kPortRows> rows{};
    int online = 0;          // 0 PU (serial), 1 U-Bus
    int backColor = 0xFFFFFF;
    bool grid = true;
    std::string timeout;     // the edit's text, seconds
};

// The form of the stored settings.
OptionForm FormFromSettings(const model::UserSettings& settings);

// OK: checks everything first (no device in two rows: 9302; time-out 1..99: 8308) and
// stores the form and the remembered ports only when every check passed. 0 when stored,
// else the message id (nothing changed).
int ApplyOptionForm(const OptionForm& form, const std::vector<model::PortListEntry>& ports,
                    model::UserSettings& settings);

}  // namespace kravin::shell

// The serial ports of the machine, for the port choices of the Option dialog.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kravin::online {

// Setting and environment variable that add device paths the system doesn't list
// (pseudo-terminals, for example the controller simulator). Paths are separated by
// ';', ':', ',' or white space.
inline constexpr const char* kExtraPortsSetting = "EXTRA_PORTS";
inline constexpr const char* kExtraPortsEnvironment = "KRAVIN_EXTRA_PORTS";

struct PortEntry {
    std::string openName;     // what OpenComPort takes
    std::string description;  // shown to the user
};

class PortList {
public:
    static constexpr int kMaxPorts = 256;
    static constexpr int kTextSize = 64;

    void clear() { entries_.clear(); }
    // Adds an entry unless the list is full or holds the open name already; true when added.
    bool add(PortEntry entry);

    int GetPortCount() const { return static_cast<int>(entries_.size()); }
    // Empty for an index outside 0..count-1.
    std::string GetPortName(int index) const;
    std::string GetPortDescription(int index) const;
    const std::vector<PortEntry>& entries() const { return entries_; }

private:
    std::vector<PortEntry> entries_;
};

struct PortSources {
    bool systemPorts = true;          // the ports the system knows (QSerialPortInfo)
    std::string extraPortsSetting;    // value of the setting kExtraPortsSetting
    bool useEnvironment = true;       // also the variable kExtraPortsEnvironment
};

// Splits a list of device paths.
std::vector<std::string> SplitPortPaths(std::string_view text);

// Rebuilds the list from the sources and copies, per entry in order, its description and
// open name (64 bytes each, NUL-terminated; either array may be null; room for kMaxPorts).
// Extra paths that are no character device are skipped. Returns the number of entries.
int EnumerateSerialPorts(PortList& list, const PortSources& sources, char (*descriptions)[64], char (*names)[64]);

// True when the text is not empty and every character is a digit (or ':' with allowColon).
bool IsDigitText(const char* text, int allowColon);

}  // namespace kravin::online

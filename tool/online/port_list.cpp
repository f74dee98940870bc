#include "port_list.h"

#include "serial_port.h"

#include <QSerialPortInfo>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace kravin::online {

namespace {

void copyText(char* dst, const std::string& src)
{
    std::size_t n = std::min(src.size(), static_cast<std::size_t>(PortList::kTextSize - 1));
    std::memcpy(dst, src.data(), n);
    std::memset(dst + n, 0, PortList::kTextSize - n);
}

bool isCharacterDevice(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

bool isLink(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_symlink(path, ec);
}

std::string canonical(const std::string& path)
{
    std::error_code ec;
    auto p = std::filesystem::canonical(path, ec);
    return ec ? path : p.string();
}

void addSystemPorts(PortList& list)
{
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports) {
        std::string name = info.portName().toStdString();
        if (name.empty()) continue;
        std::string description = name;
        if (QString text = info.description(); !text.isEmpty())
            description = text.toStdString() + " (" + name + ")";
        list.add({name, description});
    }
}

}  // namespace

bool PortList::add(PortEntry entry)
{
    if (GetPortCount() >= kMaxPorts) return false;
    auto same = [&](const PortEntry& e) { return e.openName == entry.openName; };
    if (std::any_of(entries_.begin(), entries_.end(), same)) return false;
    entries_.push_back(std::move(entry));
    return true;
}

std::string PortList::GetPortName(int index) const
{
    if (index < 0 || index >= GetPortCount()) return {};
    return entries_[static_cast<std::size_t>(index)].openName;
}

std::string PortList::GetPortDescription(int index) const
{
    if (index < 0 || index >= GetPortCount()) return {};
    return entries_[static_cast<std::size_t>(index)].description;
}

std::vector<std::string> SplitPortPaths(std::string_view text)
{
    std::vector<std::string> paths;
    std::string current;
    auto flush = [&] {
        if (!current.empty()) paths.push_back(current);
        current.clear();
    };
    for (char c : text) {
        if (c == ';' || c == ':' || c == ',' || c == ' ' || c == '\t' || c == '\n' || c == '\r')
            flush();
        else
            current.push_back(c);
    }
    flush();
    return paths;
}

int EnumerateSerialPorts(PortList& list, const PortSources& sources, char (*descriptions)[64], char (*names)[64])
{
    list.clear();
    if (sources.systemPorts) addSystemPorts(list);

    std::vector<std::string> extra = SplitPortPaths(sources.extraPortsSetting);
    if (sources.useEnvironment) {
        if (const char* env = std::getenv(kExtraPortsEnvironment)) {
            auto more = SplitPortPaths(env);
            extra.insert(extra.end(), more.begin(), more.end());
        }
    }
    const std::size_t systemCount = list.entries().size();
    std::vector<PortEntry> extraEntries;
    for (const std::string& path : extra) {
        if (!isCharacterDevice(path)) continue;
        // A port the system lists already under its /dev name is not added twice.
        std::string real = canonical(path);
        auto sameDevice = [&](const PortEntry& e) { return canonical(PortDevicePath(e.openName)) == real; };
        if (std::any_of(list.entries().begin(), list.entries().begin() + static_cast<std::ptrdiff_t>(systemCount),
                        sameDevice))
            continue;
        // Two extra paths of one device: a link keeps its name from run to run (a
        // simulator's pseudo-terminal changes), so it stands for the device.
        auto listed = std::find_if(extraEntries.begin(), extraEntries.end(), sameDevice);
        if (listed == extraEntries.end()) {
            extraEntries.push_back({path, path});
        } else if (isLink(path) && !isLink(listed->openName)) {
            *listed = {path, path};
        }
    }
    for (PortEntry& e : extraEntries) list.add(std::move(e));

    const int count = list.GetPortCount();
    for (int i = 0; i < count; ++i) {
        const PortEntry& e = list.entries()[static_cast<std::size_t>(i)];
        if (descriptions) copyText(descriptions[i], e.description);
        if (names) copyText(names[i], e.openName);
    }
    return count;
}

bool IsDigitText(const char* text, int allowColon)
{
    if (!text || !*text) return false;
    for (const char* p = text; *p; ++p) {
        if (*p >= '0' && *p <= '9') continue;
        if (allowColon && *p == ':') continue;
        return false;
    }
    return true;
}

}  // namespace kravin::online

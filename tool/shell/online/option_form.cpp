#include "option_form.h"

#include "services.h"

#include <algorithm>
#include <charconv>

namespace kravin::shell {

namespace {

constexpr std::size_t kFieldText = model::kPortFieldWidth - 1;

std::string cut(const std::string& s) { return s.substr(0, std::min(s.size(), kFieldText)); }

const char* deviceText(int id)
{
    switch (id) {
    case 9300: return "TQN(JOV-UM)";
    case 9303: return "QVxxx(JOV-IRDA)";
    case 9304: return "QVxxx(JOV-US)";
    case 9305: return "TJK5(JOV-IRU)";
    case 9306: return "V8RTU(JOV-US)";
    case 9309: return "TJW(JOV-US)";
    case 9401: return "TJK5(JOV-US)";
    default: return "";
    }
}

void addKindDevices(std::vector<std::string>& out, const std::string& kind)
{
    std::vector<int> ids;
    const std::string key = model::kindKey(kind);
    // A controller model may be a card kind too: its devices serve it either way.
    if (model::GetModelCode(kind) != 0)
        ids = {9303, 9304};
    else if (key == "TJK5")
        ids = {9305, 9401};
    else if (key == "TJW")
        ids = {9309};
    else if (key == "V8RTU")
        ids = {9306};
    else
        ids = {9300};
    for (const int id : ids) {
        const std::string text = deviceText(id);
        if (out.size() < 256 && std::find(out.begin(), out.end(), text) == out.end()) out.push_back(text);
    }
}

bool parseTimeout(const std::string& text, int& value)
{
    std::size_t b = text.find_first_not_of(' ');
    std::size_t e = text.find_last_not_of(' ');
    if (b == std::string::npos) return false;
    const char* first = text.data() + b;
    const char* last = text.data() + e + 1;
    const auto [p, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && p == last;
}

}  // namespace

void RememberPorts(std::vector<model::PortListEntry>& remembered, const std::vector<FoundPort>& found)
{
    for (const FoundPort& f : found) {
        if (remembered.size() >= kMaxRememberedPorts) break;
        const std::string number = cut(f.number);
        if (number.empty()) continue;
        const bool known = std::any_of(remembered.begin(), remembered.end(),
                                       [&number](const model::PortListEntry& e) { return e.number == number; });
        if (!known) remembered.push_back({cut(f.text), number});
    }
}

std::vector<std::string> OptionDevices(const model::CardKindMasters& masters)
{
    // "TQN(JOV-UM)" is always offered: it heads the list and is not repeated.
    std::vector<std::string> out{deviceText(9300)};
    for (int k = 1; k < model::kKindEntries; ++k)
        if (!masters.station.name[k].empty()) addKindDevices(out, masters.station.name[k]);
    for (int k = 1; k < model::kKindEntries; ++k)
        if (!masters.card.name[k].empty()) addKindDevices(out, masters.card.name[k]);
    return out;
}

OptionForm FormFromSettings(const model::UserSettings& settings)
{
    OptionForm f;
    for (std::size_t r = 0; r < f.rows.size(); ++r) {
        const model::PortAllocationRow& row = settings.PortAllocation[r];
        f.rows[r] = {row.port, row.device, row.speed != 0 ? 1 : 0};
    }
    f.online = settings.ONLINE == 1 ? 1 : 0;
    f.backColor = settings.BACK_COLOR;
    f.grid = settings.ENABLE_GRID != 0;
    f.timeout = std::to_string(settings.COM_TIME);
    return f;
}

int ApplyOptionForm(const OptionForm& form, const std::vector<model::PortListEntry>& ports,
                    model::UserSettings& settings)
{
    for (std::size_t a = 0; a < form.rows.size(); ++a) {
        if (form.rows[a].device.empty()) continue;
        for (std::size_t b = a + 1; b < form.rows.size(); ++b)
            if (form.rows[b].device == form.rows[a].device) return kMsgDuplicateDevice;
    }
    int timeout = 0;
    if (!parseTimeout(form.timeout, timeout) || timeout < 1 || timeout > 99) return kMsgTimeoutRange;

    settings.portList = ports;
    for (std::size_t r = 0; r < form.rows.size(); ++r) {
        model::PortAllocationRow& row = settings.PortAllocation[r];
        row.port = cut(form.rows[r].port);
        row.portText.clear();
        for (const model::PortListEntry& e : settings.portList)
            if (!row.port.empty() && e.number == row.port) row.portText = e.text;
        row.device = model::NormaliseDevice(form.rows[r].device);
        row.speed = form.rows[r].speed;
    }
    settings.ONLINE = form.online == 1 ? 1 : 0;
    settings.BACK_COLOR = form.backColor;
    settings.ENABLE_GRID = form.grid ? 1 : 0;
    settings.COM_TIME = timeout;
    return 0;
}

}  // namespace kravin::shell

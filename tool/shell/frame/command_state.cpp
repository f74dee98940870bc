#include "command_state.h"

#include "command_ids.h"

#include <charconv>

namespace kravin::shell {

bool CommandContext::activeIs(std::initializer_list<ViewKind> kinds) const
{
    if (!active) return false;
    for (ViewKind k : kinds)
        if (*active == k) return true;
    return false;
}

int onlineCommandState(const CommandContext& c)
{
    if (c.busMode) {
        if (!c.projectOpen) return 0;
        if (!c.online) return 1;
        return c.monitorRan ? 2 : 0;
    }
    if ((c.projectOpen && !c.online && !c.open(ViewKind::Ht9)) || (c.ht9PortOpen && !c.online)) return 1;
    if (!c.projectOpen) return 0;
    return c.online && c.monitorRan ? 2 : 0;
}

bool commandEnabled(int id, const CommandContext& c)
{
    using K = ViewKind;
    const bool editorActive = c.activeIs({K::System, K::DenTan, K::AnaTan, K::BlkList, K::SeqBlk, K::Ladder});
    const bool wiringActive = c.activeIs({K::DenTan, K::AnaTan});
    const bool cardSelected = c.currentCard >= 1 && c.currentCard <= 16;
    switch (id) {
    case cmd::FileNew:
    case cmd::FileOpen:
    case cmd::FileSave:
    case cmd::FileSaveAs:
    case cmd::FileExit:
    case cmd::HelpBlockList:
    case cmd::HelpAbout:
    case cmd::HelpLadderKeys:
    case cmd::ToolHelp: return true;
    case cmd::FilePrint:
    case cmd::ToolPrint:
    case cmd::ToolPreview:
        return editorActive;
    case cmd::FileBulkPrint:
        return c.projectOpen && !c.open(K::AnaTan) && !c.open(K::BlkList) && !c.open(K::SeqBlk) &&
               !c.open(K::DenTan) && !c.open(K::Ladder) && !c.online;
    case cmd::FileProperties: return c.projectOpen && !c.projectUntitled;
    case cmd::EditUndo:
    case cmd::EditRedo:
    case cmd::EditCut:
    case cmd::EditCopy:
    case cmd::EditPaste:
    case cmd::EditDelete: return false;  // the views enable these
    case cmd::EditSelectAll:
    case cmd::EditComment:
    case cmd::AlignLeft:
    case cmd::AlignCenter:
    case cmd::AlignRight: return wiringActive;
    case cmd::ViewSystem: return c.projectOpen && !c.open(K::System);
    case cmd::ViewDenTan: return c.projectOpen && !c.open(K::DenTan);
    case cmd::ViewBlkList: return cardSelected && !c.open(K::BlkList);
    case cmd::ViewAnaTan: return cardSelected && !c.open(K::AnaTan);
    case cmd::ViewSeqBlk: return cardSelected && !c.open(K::SeqBlk);
    case cmd::ViewLadder: return c.open(K::SeqBlk) && c.seqBlockIsLadder;
    case cmd::ViewRegMonitor:
        if (c.busMode) return c.projectOpen && !c.regMonitorShown;
        return (c.projectOpen && !c.regMonitorShown && !c.open(K::Ht9)) || (c.ht9PortOpen && !c.regMonitorShown);
    case cmd::OnlineMonitor: return onlineCommandState(c) != 0;
    case cmd::Ht9Simulation:
        if (c.busMode) return c.ht9CommandFlag;
        return !c.online && !c.open(K::Ht9) && !c.regMonitorShown;
    case cmd::Option:
    case cmd::PortSettingDelete: return !c.online;
    case cmd::WindowTileVertical:
    case cmd::WindowTileHorizontal:
    case cmd::WindowCascade: return c.active.has_value();
    case cmd::ZoomBox: return c.projectOpen && c.activeIs({K::System, K::DenTan, K::AnaTan});
    default: return false;
    }
}

std::string frameTitle(std::string_view appName, const std::optional<std::string>& childTitle,
                       std::string_view projectName)
{
    std::string title(appName);
    title += " - ";
    if (childTitle) {
        title += *childTitle;
        title += ' ';
    }
    title += '[';
    title += projectName;
    title += ']';
    return title;
}

std::optional<PrintSettings> printSettingsFor(std::optional<ViewKind> active, int scale, bool fit)
{
    if (!active) return std::nullopt;
    switch (*active) {
    case ViewKind::System: return PrintSettings{10, 100, fit};
    case ViewKind::DenTan: return PrintSettings{40, scale, fit};
    case ViewKind::BlkList: return PrintSettings{20, 100, fit};
    case ViewKind::SeqBlk: return PrintSettings{60, 100, fit};
    case ViewKind::Ladder: return PrintSettings{70, 100, fit};
    case ViewKind::AnaTan: return PrintSettings{50, scale, fit};
    default: return std::nullopt;
    }
}

int parseZoomText(std::string_view text, bool haveActiveView, int* value)
{
    if (!haveActiveView) return text.empty() ? -2 : -1;
    std::string digits;
    bool removed = false;
    for (char ch : text) {
        if (ch == '%')
            removed = true;
        else
            digits += ch;
    }
    if (!removed) return -2;
    int parsed = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed);
    if (ec != std::errc{} || end != digits.data() + digits.size() || parsed <= 0) return -2;
    *value = parsed;
    return 0;
}

std::string zoomText(double scale)
{
    const int percent = static_cast<int>(scale * 100 + 0.1);
    return std::to_string(percent) + "%";
}

bool viewTakesZoom(ViewKind kind)
{
    return kind == ViewKind::System || kind == ViewKind::DenTan || kind == ViewKind::BlkList ||
           kind == ViewKind::AnaTan;
}

}  // namespace kravin::shell

#include "command_state.h"

#include "command_ids.h"

#include <gtest/gtest.h>

namespace kravin::shell {
namespace {

using K = ViewKind;

CommandContext withProject(std::optional<K> active = std::nullopt, std::initializer_list<K> open = {})
{
    CommandContext c;
    c.projectOpen = true;
    c.projectUntitled = false;
    c.active = active;
    for (K k : open) c.frameOpen[static_cast<int>(k)] = true;
    if (active) c.frameOpen[static_cast<int>(*active)] = true;
    return c;
}

TEST(CommandEnable, WithoutProjectOnlyFileAndHelpStayEnabled)
{
    const CommandContext none;
    for (int id : {cmd::FileNew, cmd::FileOpen, cmd::FileSave, cmd::FileSaveAs, cmd::FileExit, cmd::HelpAbout,
                   cmd::HelpBlockList, cmd::HelpLadderKeys, cmd::ToolHelp})
        EXPECT_TRUE(commandEnabled(id, none)) << id;
    for (int id : {cmd::ViewSystem, cmd::ViewDenTan, cmd::ViewBlkList, cmd::ViewAnaTan, cmd::ViewSeqBlk,
                   cmd::ViewLadder, cmd::FilePrint, cmd::ToolPrint, cmd::ToolPreview, cmd::FileBulkPrint,
                   cmd::ZoomBox, cmd::ViewRegMonitor, cmd::FileProperties, cmd::OnlineMonitor})
        EXPECT_FALSE(commandEnabled(id, none)) << id;
}

struct Case {
    const char* what;
    int id;
    CommandContext context;
    bool enabled;
};

TEST(CommandEnable, RulesByState)
{
    CommandContext untitled = withProject();
    untitled.projectUntitled = true;
    CommandContext card = withProject(K::System);
    card.currentCard = 3;
    CommandContext station = withProject(K::System);
    station.currentCard = 0;
    CommandContext seqLadder = withProject(K::SeqBlk);
    seqLadder.seqBlockIsLadder = true;
    CommandContext online = withProject(K::System);
    online.online = true;
    CommandContext busHt9Off = withProject();
    busHt9Off.busMode = true;
    busHt9Off.ht9CommandFlag = false;
    CommandContext regShown = withProject();
    regShown.regMonitorShown = true;
    CommandContext ht9Open = withProject(K::Ht9);
    CommandContext ht9Port = ht9Open;
    ht9Port.ht9PortOpen = true;

    const Case cases[] = {
        {"properties, titled", cmd::FileProperties, withProject(), true},
        {"properties, untitled", cmd::FileProperties, untitled, false},
        {"system view while open", cmd::ViewSystem, withProject(K::System), false},
        {"system view while closed", cmd::ViewSystem, withProject(K::DenTan), true},
        {"block list with a card", cmd::ViewBlkList, card, true},
        {"block list with the station", cmd::ViewBlkList, station, false},
        {"analog with a card", cmd::ViewAnaTan, card, true},
        {"sequential with a card", cmd::ViewSeqBlk, card, true},
        {"ladder without marker", cmd::ViewLadder, withProject(K::SeqBlk), false},
        {"ladder with marker", cmd::ViewLadder, seqLadder, true},
        {"print, editor active", cmd::FilePrint, withProject(K::Ladder), true},
        {"print, HT-9 active", cmd::FilePrint, withProject(K::Ht9), false},
        {"preview, no view", cmd::ToolPreview, withProject(), false},
        {"bulk print, system open", cmd::FileBulkPrint, withProject(K::System), true},
        {"bulk print, analog open", cmd::FileBulkPrint, withProject(K::System, {K::AnaTan}), false},
        {"bulk print, online", cmd::FileBulkPrint, online, false},
        {"zoom, system", cmd::ZoomBox, withProject(K::System), true},
        {"zoom, ladder", cmd::ZoomBox, withProject(K::Ladder), false},
        {"zoom, block list", cmd::ZoomBox, withProject(K::BlkList), false},
        {"select all, analog", cmd::EditSelectAll, withProject(K::AnaTan), true},
        {"align, system", cmd::AlignLeft, withProject(K::System), false},
        {"undo at frame level", cmd::EditUndo, withProject(K::AnaTan), false},
        {"delete at frame level", cmd::EditDelete, withProject(K::AnaTan), false},
        {"option, offline", cmd::Option, withProject(), true},
        {"option, online", cmd::Option, online, false},
        {"port delete, online", cmd::PortSettingDelete, online, false},
        {"HT-9, serial", cmd::Ht9Simulation, withProject(), true},
        {"HT-9, serial, online", cmd::Ht9Simulation, online, false},
        {"HT-9, serial, registry shown", cmd::Ht9Simulation, regShown, false},
        {"HT-9, bus, flag off", cmd::Ht9Simulation, busHt9Off, false},
        {"registry, shown", cmd::ViewRegMonitor, regShown, false},
        {"registry, HT-9 open", cmd::ViewRegMonitor, ht9Open, false},
        {"registry, HT-9 port open", cmd::ViewRegMonitor, ht9Port, true},
        {"window tiling, no child", cmd::WindowCascade, withProject(), false},
        {"window tiling, a child", cmd::WindowTileVertical, withProject(K::System), true},
        {"unknown id", 12345, withProject(K::System), false},
    };
    for (const Case& c : cases) EXPECT_EQ(commandEnabled(c.id, c.context), c.enabled) << c.what;
}

TEST(OnlineCommand, StateBySerialAndBusMode)
{
    struct Row {
        bool bus, project, online, ran, ht9Frame, ht9Port;
        int expected;
    };
    const Row rows[] = {
        {true, false, false, false, false, false, 0},
        {true, true, false, false, false, false, 1},
        {true, true, true, false, false, false, 0},
        {true, true, true, true, false, false, 2},
        {false, true, false, false, false, false, 1},
        {false, true, false, false, true, false, 0},  // HT-9 frame holds the port
        {false, false, false, false, true, true, 1},  // HT-9 port open
        {false, false, false, false, false, false, 0},
        {false, true, true, false, false, false, 0},
        {false, true, true, true, false, false, 2},
    };
    for (const Row& r : rows) {
        CommandContext c;
        c.busMode = r.bus;
        c.projectOpen = r.project;
        c.online = r.online;
        c.monitorRan = r.ran;
        c.frameOpen[static_cast<int>(K::Ht9)] = r.ht9Frame;
        c.ht9PortOpen = r.ht9Port;
        EXPECT_EQ(onlineCommandState(c), r.expected)
            << r.bus << r.project << r.online << r.ran << r.ht9Frame << r.ht9Port;
        EXPECT_EQ(commandEnabled(cmd::OnlineMonitor, c), r.expected != 0);
    }
}

TEST(FrameTitle, WithAndWithoutActiveChild)
{
    EXPECT_EQ(frameTitle("KRAVin3", std::string("System Configuration"), "Plant A"),
              "KRAVin3 - System Configuration [Plant A]");
    EXPECT_EQ(frameTitle("KRAVin3", std::nullopt, "Untitled"), "KRAVin3 - [Untitled]");
    EXPECT_EQ(frameTitle("KRAVin3", std::nullopt, ""), "KRAVin3 - []");
}

TEST(PrintSettings, KindAndScaleByActiveView)
{
    struct Row {
        std::optional<K> active;
        int code, scale;
    };
    const Row rows[] = {{K::System, 10, 100}, {K::DenTan, 40, 60},  {K::BlkList, 20, 100},
                        {K::SeqBlk, 60, 100}, {K::Ladder, 70, 100}, {K::AnaTan, 50, 60}};
    for (const Row& r : rows) {
        const auto s = printSettingsFor(r.active, 60, true);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->code, r.code);
        EXPECT_EQ(s->scale, r.scale);
        EXPECT_TRUE(s->fit);
    }
    EXPECT_FALSE(printSettingsFor(K::Ht9, 60, false));
    EXPECT_FALSE(printSettingsFor(std::nullopt, 60, false));
}

TEST(ZoomText, ParsesAndFormats)
{
    struct Row {
        const char* text;
        bool active;
        int result, value;
    };
    const Row rows[] = {{"75%", true, 0, 75},  {"200%", true, 0, 200}, {"25%", false, -1, 0},
                        {"", false, -2, 0},    {"75", true, -2, 0},    {"%", true, -2, 0},
                        {"abc%", true, -2, 0}, {"-5%", true, -2, 0},   {"99999999999%", true, -2, 0}};
    for (const Row& r : rows) {
        int value = 0;
        EXPECT_EQ(parseZoomText(r.text, r.active, &value), r.result) << r.text;
        EXPECT_EQ(value, r.value) << r.text;
    }
    EXPECT_EQ(zoomText(0.75), "75%");
    EXPECT_EQ(zoomText(1.5), "150%");
    EXPECT_EQ(zoomText(0.2999999), "30%");  // the rounding margin
    EXPECT_EQ(zoomText(0.33), "33%");
}

}  // namespace
}  // namespace kravin::shell

#include "online_commands.h"

#include "../monitor_fakes.h"
#include "pty_server.h"
#include "scripted_prompt.h"
#include "serial_link.h"
#include "vuken_sim.h"

#include <gtest/gtest.h>

#include <memory>

namespace kravin::online {
namespace {

using namespace std::chrono_literals;

class FakeHost : public OnlineCommandHost {
public:
    kravin::test::ScriptedPrompt prompter;
    model::UserSettings userSettings;
    model::CardKindMasters kinds;
    MonitorSubject unit{"QV200   ", 1, -1};
    bool ht9 = false;
    bool regShown = false;
    std::vector<std::vector<int>> chooserRows;
    int chooserAnswer = -1;
    std::optional<std::string> idAnswer;
    std::string sessionId;
    std::vector<DateSettingRequest> dateRequests;
    std::vector<bool> onlineChanges;
    int registryEnded = 0;

    FakeHost()
    {
        kinds.station.name[1] = "QV200   ";
        kinds.station.speedCode[1] = 2;
        kinds.card.name[1] = "TJK5    ";
        kinds.card.speedCode[1] = 0;
    }

    model::Prompt& prompt() override { return prompter; }
    model::UserSettings& settings() override { return userSettings; }
    const model::CardKindMasters& masters() const override { return kinds; }
    MonitorSubject currentUnit() const override { return unit; }
    bool networkHt9Open() const override { return ht9; }
    void closeNetworkHt9() override { ht9 = false; }
    bool registryMonitorShown() const override { return regShown; }
    int chooseConnectionDevice(const std::vector<int>& rows) override
    {
        chooserRows.push_back(rows);
        return chooserAnswer;
    }
    std::optional<std::string> askUnitId() override { return idAnswer; }
    void setSessionUnitId(const MonitorSubject&, const std::string& id) override { sessionId = id; }
    void runDateSetting(const DateSettingRequest& r) override { dateRequests.push_back(r); }
    void refreshMonitorSnapshot() override {}
    void onlineChanged(bool online) override { onlineChanges.push_back(online); }
    void registryMonitorEnded() override { ++registryEnded; }
};

class OnlineCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server = std::make_unique<qvsim::PtyServer>(std::vector<qvsim::SimCard>{qvsim::DefaultCard()});
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
        vuken_sim_reset();
    }
    void Allocate(int row, std::string port, const char* device, int speed = 0)
    {
        host.userSettings.PortAllocation[static_cast<std::size_t>(row)] = {std::move(port), "", device, speed};
    }
    void ExpectOffline()
    {
        EXPECT_EQ(state->MonitorActive.load(), 0);
        EXPECT_EQ(state->OnlineLinkOpen.load(), 0);
        EXPECT_EQ(state->LadderMonitorState.load(), 0);
        EXPECT_TRUE(owner.Free());
        EXPECT_TRUE(host.onlineChanges.empty());
    }

    std::unique_ptr<qvsim::PtyServer> server;
    FakeHost host;
    std::shared_ptr<test::FakeContext> context = std::make_shared<test::FakeContext>();
    std::shared_ptr<SerialLink> link = std::make_shared<SerialLink>();
    std::unique_ptr<OnlineState> state = std::make_unique<OnlineState>(context, link);
    LinkOwner owner;
    OnlineCommands commands{host, *state, owner};
};

TEST_F(OnlineCommandsTest, StartOpensTheAllocatedPortAndStopGivesTheLinkBack)
{
    Allocate(2, server->devicePath(), "QVxxx(JOV-US)", 1);
    ASSERT_TRUE(commands.StartPuOnlineMonitor());
    EXPECT_TRUE(link->isOpen());
    EXPECT_EQ(link->baudRate(), 57600);  // the kind's speed code
    EXPECT_EQ(state->MonitorActive.load(), 1);
    EXPECT_EQ(state->OnlineLinkOpen.load(), 1);
    EXPECT_EQ(state->MonitorSpeed.load(), 1);  // the row's speed
    EXPECT_EQ(owner.Holder(), LinkUser::Monitor);
    EXPECT_EQ(host.onlineChanges, std::vector<bool>{true});
    EXPECT_TRUE(host.chooserRows.empty());

    commands.StopMonitorThreadFlags();
    EXPECT_EQ(state->MonitorActive.load(), 0);
    state->RegMonitorOn = 1;
    EXPECT_TRUE(commands.Run(onlinecmd::OnlineStop));
    EXPECT_FALSE(link->isOpen());
    EXPECT_EQ(state->OnlineLinkOpen.load(), 0);
    EXPECT_TRUE(owner.Free());
    EXPECT_EQ(host.onlineChanges, (std::vector<bool>{true, false}));
    EXPECT_EQ(host.registryEnded, 1);
}

TEST_F(OnlineCommandsTest, TwoMatchingRowsAskWhichAndCancelStaysOffline)
{
    Allocate(0, "/nonexistent/first", "QVxxx(JOV-US)");
    Allocate(3, server->devicePath(), "QVxxx(JOV-IRDA)");
    Allocate(4, "/dev/other", "TJK5(JOV-US)");
    EXPECT_FALSE(commands.StartPuOnlineMonitor());
    ASSERT_EQ(host.chooserRows.size(), 1u);
    EXPECT_EQ(host.chooserRows[0], (std::vector<int>{0, 3}));
    ExpectOffline();
    EXPECT_TRUE(host.prompter.ids().empty());

    host.chooserAnswer = 3;  // the second row: the simulator's port
    ASSERT_TRUE(commands.StartPuOnlineMonitor());
    EXPECT_TRUE(link->isOpen());
}

TEST_F(OnlineCommandsTest, PortThatFailsToOpenChangesNoFlag)
{
    Allocate(0, "/nonexistent/tty-monitor", "QVxxx(JOV-US)");
    EXPECT_FALSE(commands.StartPuOnlineMonitor());
    EXPECT_EQ(host.prompter.ids(), std::vector<int>{kMsgPortOpenFailed});
    ASSERT_EQ(host.prompter.shown[0].args.size(), 1u);
    EXPECT_EQ(std::get<std::string>(host.prompter.shown[0].args[0]), "/nonexistent/tty-monitor");
    ExpectOffline();
}

TEST_F(OnlineCommandsTest, BusThatIsNotReadyAtTheStartIsWaitedFor)
{
    host.userSettings.ONLINE = 1;
    vuken_sim_set_cycle_status(1);
    ASSERT_TRUE(commands.StartPuOnlineMonitor());
    EXPECT_TRUE(host.prompter.ids().empty());
    EXPECT_NE(get_kilnbus_status(), VUKEN_STATUS_READY);
    EXPECT_EQ(state->MonitorActive.load(), 1);
    commands.StopMonitorThreadFlags();
    commands.OnOnlineStop();
    EXPECT_EQ(state->OnlineLinkOpen.load(), 0);
    EXPECT_TRUE(owner.Free());

    vuken_sim_set_cycle_status(VUKEN_STATUS_READY);
    host.unit.model.clear();  // the bus needs neither a model nor a port
    ASSERT_TRUE(commands.StartPuOnlineMonitor());
    EXPECT_EQ(get_kilnbus_status(), VUKEN_STATUS_READY);
    commands.StopMonitorThreadFlags();
    commands.OnOnlineStop();
    EXPECT_EQ(get_kilnbus_status(), VUKEN_STATUS_CLOSED);
    EXPECT_TRUE(owner.Free());
}

TEST_F(OnlineCommandsTest, ChecksBeforeTheStart)
{
    struct Case {
        const char* model;
        bool allocate;
        int message;
    };
    for (const Case& c : {Case{"", true, kMsgSelectDevice}, Case{"QV200   ", false, kMsgConfigurePortAllocation},
                          Case{"UNKNOWN ", true, kMsgConfigurePortAllocation}}) {
        host.prompter.clearLog();
        host.unit.model = c.model;
        host.userSettings.PortAllocation = {};
        if (c.allocate) Allocate(0, server->devicePath(), "QVxxx(JOV-US)");
        EXPECT_FALSE(commands.StartPuOnlineMonitor()) << c.model;
        EXPECT_EQ(host.prompter.ids(), std::vector<int>{c.message}) << c.model;
        ExpectOffline();
    }
}

TEST_F(OnlineCommandsTest, LinkHeldByAnotherUserIsRefused)
{
    Allocate(0, server->devicePath(), "QVxxx(JOV-US)");
    ASSERT_TRUE(owner.Acquire(LinkUser::Clock));
    EXPECT_FALSE(commands.StartPuOnlineMonitor());
    EXPECT_EQ(host.prompter.ids(), std::vector<int>{kMsgLinkInUse});
    EXPECT_FALSE(link->isOpen());
    EXPECT_EQ(owner.Holder(), LinkUser::Clock);
    EXPECT_EQ(state->MonitorActive.load(), 0);
}

TEST_F(OnlineCommandsTest, NetworkPuWindowIsClosedFirstOrTheStartEnds)
{
    Allocate(0, server->devicePath(), "QVxxx(JOV-US)");
    host.ht9 = true;
    host.prompter.answer(kMsgCloseNetworkPu, model::Answer::Cancel);
    EXPECT_FALSE(commands.StartPuOnlineMonitor());
    EXPECT_TRUE(host.ht9);
    ExpectOffline();
    host.prompter.answer(kMsgCloseNetworkPu, model::Answer::Ok);
    EXPECT_TRUE(commands.StartPuOnlineMonitor());
    EXPECT_FALSE(host.ht9);
}

TEST_F(OnlineCommandsTest, Tjk5IdIsTheSessionsAndCancelStaysOffline)
{
    host.unit = {"TJK5    ", 2, 0};
    host.regShown = true;
    Allocate(1, server->devicePath(), "TJK5(JOV-IRU)");
    EXPECT_FALSE(commands.StartPuOnlineMonitor());
    ExpectOffline();
    EXPECT_EQ(host.sessionId, "");
    host.idAnswer = "0042";
    ASSERT_TRUE(commands.StartPuOnlineMonitor());
    EXPECT_EQ(host.sessionId, "0042");
}

TEST_F(OnlineCommandsTest, DateSettingNeedsAPortOnlyOverTheSerialLink)
{
    EXPECT_TRUE(commands.Handles(onlinecmd::DateSetting));
    EXPECT_FALSE(commands.Handles(40405));
    EXPECT_FALSE(commands.Run(40405));
    commands.Run(onlinecmd::DateSetting);
    EXPECT_EQ(host.prompter.ids(), std::vector<int>{kMsgConfigurePortLayout});
    EXPECT_TRUE(host.dateRequests.empty());

    host.userSettings.ONLINE = 1;
    commands.Run(onlinecmd::DateSetting);
    ASSERT_EQ(host.dateRequests.size(), 1u);
    EXPECT_EQ(host.dateRequests[0].link, OnlineLink::Bus);
    EXPECT_FALSE(host.dateRequests[0].port.has_value());
    EXPECT_EQ(host.dateRequests[0].station, 1);
    EXPECT_EQ(host.dateRequests[0].owner, &owner);

    host.userSettings.ONLINE = 0;
    Allocate(5, "/dev/ttyX", "QVxxx(JOV-US)");
    commands.Run(onlinecmd::DateSetting);
    ASSERT_EQ(host.dateRequests.size(), 2u);
    ASSERT_TRUE(host.dateRequests[1].port.has_value());
    EXPECT_EQ(host.dateRequests[1].port->port, "/dev/ttyX");
    EXPECT_EQ(host.dateRequests[1].port->baudIndex, 2);
}

TEST_F(OnlineCommandsTest, TransferPortCheckSaysWhenNoPortIsAllocated)
{
    EXPECT_FALSE(commands.CheckAllocatedPort().has_value());
    EXPECT_EQ(host.prompter.ids(), std::vector<int>{kMsgConfigurePortLayout});
    Allocate(2, "/dev/ttyQ", "QVxxx(JOV-IRDA)", 1);
    const auto port = commands.CheckAllocatedPort();
    ASSERT_TRUE(port.has_value());
    EXPECT_EQ(port->row, 2);
    EXPECT_EQ(port->port, "/dev/ttyQ");
    EXPECT_EQ(port->baudIndex, 2);
    EXPECT_EQ(port->speed, 1);
    EXPECT_EQ(host.prompter.ids().size(), 1u);
    EXPECT_TRUE(commands.TakeLink(LinkUser::Transfer));
    EXPECT_FALSE(commands.TakeLink(LinkUser::Clock));
    EXPECT_EQ(host.prompter.ids().back(), kMsgLinkInUse);
    owner.Release(LinkUser::Transfer);
    EXPECT_TRUE(owner.Free());
}

TEST_F(OnlineCommandsTest, LaterCommandsRegisterBesideTheOnlineOnes)
{
    int runs = 0;
    commands.Register(40405, [&runs] { ++runs; });
    EXPECT_TRUE(commands.Handles(40405));
    EXPECT_TRUE(commands.Run(40405));
    EXPECT_EQ(runs, 1);
}

TEST(ConnectionDevice, DeviceTextGivesTheModelAtTheOtherEnd)
{
    struct Case {
        const char* device;
        const char* model;
        bool infrared, second;
    };
    for (const Case& c : {Case{"QVxxx(JOV-IRDA)", "QV100   ", true, false}, Case{"QVxxx(JOV-US)", "QV100   ", false, false},
                          Case{"TJK5(JOV-IRU)", "TJK5    ", false, false}, Case{"TJK5(JOV-US)", "TJK5    ", false, true},
                          Case{"TJW(JOV-US)", "TJW     ", false, false}, Case{"V8RTU(JOV-US)", "V8RTU   ", false, false},
                          Case{"TQN(JOV-UM)", "TQN(JOV-UM)", false, false}}) {
        const ConnectionModel m = ConnectionDeviceModel(c.device);
        EXPECT_EQ(m.model, c.model) << c.device;
        EXPECT_EQ(m.infrared, c.infrared) << c.device;
        EXPECT_EQ(m.second, c.second) << c.device;
    }
}

TEST(ConnectionDevice, RowSpeedIsItsDeviceKindsAlsoForAnEmptySlot)
{
    // The shipped masters: the QV devices and TJW run at 9600, V8RTU at 57600, TJK5 at
    // 1200; the TQN row serves TQRC, RNH6 and the other TQ kinds, most of them at 9600.
    model::CardKindMasters masters;
    model::LoadCardKindMasters(masters, KRAVIN_SAMPLE_TABLES "/");
    struct Case {
        const char* device;
        std::optional<int> unitBaud;
        int baudIndex;
    };
    for (const Case& c : {Case{"QVxxx(JOV-US)", std::nullopt, 1}, Case{"QVxxx(JOV-US)", 2, 1},
                          Case{"V8RTU(JOV-US)", std::nullopt, 2}, Case{"TJK5(JOV-IRU)", 1, 0},
                          Case{"TJW(JOV-US)", std::nullopt, 1}, Case{"TQN(JOV-UM)", std::nullopt, 1},
                          Case{"TQN(JOV-UM)", 0, 0}, Case{"", std::nullopt, 0}}) {
        EXPECT_EQ(DeviceBaudIndex(masters, c.device, c.unitBaud), c.baudIndex)
            << c.device << " unit " << c.unitBaud.value_or(-1);
    }
    int bus = 0, speed = -1, value = 0;
    ASSERT_EQ(model::FindCardKind(masters, "TQRC    ", &bus, &speed, &value), 1);
    EXPECT_EQ(DeviceBaudIndex(masters, "TQN(JOV-UM)", std::nullopt), speed);
    // An empty slot over the TQN row tries 9600 (TQRC, RNH6 ...), then 1200 (TQRW, 63WH).
    EXPECT_EQ(DeviceKindBaudIndexes(masters, "TQN(JOV-UM)"), (std::vector<int>{1, 0}));
    EXPECT_EQ(DeviceKindBaudIndexes(masters, "QVxxx(JOV-US)"), (std::vector<int>{1}));
    EXPECT_EQ(DeviceKindBaudIndexes(masters, ""), std::vector<int>{});
}

}  // namespace
}  // namespace kravin::online

#include "option_dialog.h"

#include "qt_app.h"
#include "scripted_prompt.h"
#include "system_config.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace kravin::shell {
namespace {

model::UserSettings storedSettings()
{
    model::UserSettings s;
    s.portList = {{"First port", "/dev/ttyA"}, {"Second port", "/dev/ttyB"}};
    s.PortAllocation[0] = {"/dev/ttyA", "First port", "QVxxx(JOV-US)", 1};
    s.COM_TIME = 10;
    s.ONLINE = 0;
    s.BACK_COLOR = 0x123456;
    s.ENABLE_GRID = 1;
    return s;
}

bool sameSettings(const model::UserSettings& a, const model::UserSettings& b)
{
    for (std::size_t r = 0; r < a.PortAllocation.size(); ++r) {
        const auto& x = a.PortAllocation[r];
        const auto& y = b.PortAllocation[r];
        if (x.port != y.port || x.portText != y.portText || x.device != y.device || x.speed != y.speed) return false;
    }
    if (a.portList.size() != b.portList.size()) return false;
    for (std::size_t i = 0; i < a.portList.size(); ++i)
        if (a.portList[i].text != b.portList[i].text || a.portList[i].number != b.portList[i].number) return false;
    return a.COM_TIME == b.COM_TIME && a.ONLINE == b.ONLINE && a.BACK_COLOR == b.BACK_COLOR &&
           a.ENABLE_GRID == b.ENABLE_GRID;
}

TEST(OptionForm, TimeOutMustBeOneToNinetyNine)
{
    struct Case {
        const char* text;
        int result;
    };
    for (const Case& c : {Case{"0", kMsgTimeoutRange}, Case{"100", kMsgTimeoutRange}, Case{"1", 0}, Case{"99", 0},
                          Case{"", kMsgTimeoutRange}, Case{"5x", kMsgTimeoutRange}, Case{"-3", kMsgTimeoutRange},
                          Case{" 42 ", 0}}) {
        model::UserSettings s = storedSettings();
        OptionForm f = FormFromSettings(s);
        f.timeout = c.text;
        f.online = 1;
        EXPECT_EQ(ApplyOptionForm(f, s.portList, s), c.result) << c.text;
        if (c.result == 0) {
            EXPECT_EQ(s.COM_TIME, std::stoi(c.text)) << c.text;
            EXPECT_EQ(s.ONLINE, 1) << c.text;
        } else {
            EXPECT_TRUE(sameSettings(s, storedSettings())) << c.text;  // nothing stored before the refusal
        }
    }
}

TEST(OptionForm, ADeviceServesOneRowOnly)
{
    model::UserSettings s = storedSettings();
    OptionForm f = FormFromSettings(s);
    f.rows[3] = {"/dev/ttyB", "QVxxx(JOV-US)", 0};
    f.timeout = "20";
    EXPECT_EQ(ApplyOptionForm(f, s.portList, s), kMsgDuplicateDevice);
    EXPECT_TRUE(sameSettings(s, storedSettings()));

    f.rows[3].device = "TJK5(JOV-US)";
    f.rows[4] = {"", "", 0};  // two empty rows are fine
    std::vector<model::PortListEntry> ports = s.portList;
    ports.push_back({"Third", "/dev/ttyC"});
    ASSERT_EQ(ApplyOptionForm(f, ports, s), 0);
    EXPECT_EQ(s.PortAllocation[3].port, "/dev/ttyB");
    EXPECT_EQ(s.PortAllocation[3].portText, "Second port");
    EXPECT_EQ(s.PortAllocation[3].device, "TJK5(JOV-US)");
    EXPECT_EQ(s.COM_TIME, 20);
    EXPECT_EQ(s.portList.size(), 3u);
}

TEST(OptionForm, DevicesOfferedOnceEach)
{
    model::CardKindMasters m;
    m.station.name[1] = "QV200   ";
    m.station.name[2] = "QV100   ";
    m.card.name[1] = "QV200   ";
    EXPECT_EQ(OptionDevices(m), (std::vector<std::string>{"TQN(JOV-UM)", "QVxxx(JOV-IRDA)", "QVxxx(JOV-US)"}));
    // Controllers that are card kinds only still get their devices.
    model::CardKindMasters cardsOnly;
    cardsOnly.station.name[1] = "V8RTU   ";
    cardsOnly.card.name[1] = "QV200   ";
    EXPECT_EQ(OptionDevices(cardsOnly),
              (std::vector<std::string>{"TQN(JOV-UM)", "V8RTU(JOV-US)", "QVxxx(JOV-IRDA)", "QVxxx(JOV-US)"}));
    m.card.name[2] = "TJK5    ";
    m.card.name[3] = "V8RTU   ";
    m.card.name[4] = "TJW     ";
    m.card.name[5] = "TQRN    ";
    EXPECT_EQ(OptionDevices(m), (std::vector<std::string>{"TQN(JOV-UM)", "QVxxx(JOV-IRDA)", "QVxxx(JOV-US)",
                                                          "TJK5(JOV-IRU)", "TJK5(JOV-US)", "V8RTU(JOV-US)",
                                                          "TJW(JOV-US)"}));
}

TEST(OptionForm, FoundPortsJoinTheRememberedOnes)
{
    std::vector<model::PortListEntry> list{{"A", "/dev/ttyA"}};
    RememberPorts(list, {{"/dev/ttyA", "again"}, {"/dev/ttyB", "B"}, {"", "nameless"}});
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].text, "A");
    EXPECT_EQ(list[1].number, "/dev/ttyB");
    std::vector<FoundPort> many;
    for (int i = 0; i < 300; ++i) many.push_back({"/dev/p" + std::to_string(i), "p"});
    RememberPorts(list, many);
    EXPECT_EQ(list.size(), kMaxRememberedPorts);
}

TEST(OptionDialogWidget, DuplicateDeviceThenCancelLeavesTheSettingsUntouched)
{
    test::qtApp();
    test::ScriptedPrompt prompt;
    model::UserSettings s = storedSettings();
    model::CardKindMasters m;
    m.station.name[1] = "QV200   ";
    OptionDialog dialog(s, m, {{"/dev/ttyZ", "Found"}}, prompt, res::Language::English);
    EXPECT_EQ(dialog.portCombo(0)->currentText(), "/dev/ttyA");
    EXPECT_EQ(dialog.portCombo(0)->count(), 4);  // empty, two remembered, one found
    EXPECT_EQ(dialog.deviceCombo(0)->currentText(), "QVxxx(JOV-US)");
    // "TQN(JOV-UM)" is offered once.
    EXPECT_EQ(dialog.deviceCombo(1)->findText("TQN(JOV-UM)"), 1);
    EXPECT_EQ(dialog.deviceCombo(1)->count(), 4);

    dialog.deviceCombo(2)->setCurrentText("QVxxx(JOV-US)");
    dialog.timeoutEdit()->setText("30");
    dialog.accept();
    EXPECT_EQ(prompt.ids(), std::vector<int>{kMsgDuplicateDevice});
    EXPECT_EQ(dialog.result(), QDialog::Rejected);  // still open
    dialog.reject();
    EXPECT_TRUE(sameSettings(s, storedSettings()));

    // A refused time-out shows the stored one again.
    OptionDialog second(s, m, {}, prompt, res::Language::English);
    second.timeoutEdit()->setText("100");
    second.accept();
    EXPECT_EQ(prompt.ids().back(), kMsgTimeoutRange);
    EXPECT_EQ(second.timeoutEdit()->text(), "10");
    second.onlineGroup()->button(1)->setChecked(true);
    second.portCombo(1)->setCurrentText("/dev/ttyB");
    second.deviceCombo(1)->setCurrentText("TQN(JOV-UM)");
    second.accept();
    EXPECT_EQ(second.result(), QDialog::Accepted);
    EXPECT_EQ(s.ONLINE, 1);
    EXPECT_EQ(s.PortAllocation[1].port, "/dev/ttyB");
    EXPECT_EQ(s.PortAllocation[1].portText, "Second port");
    EXPECT_EQ(s.PortAllocation[1].device, "TQN(JOV-UM)");
}

TEST(OptionDialogWidget, WithoutSerialPortsTheRowsKeepTheirPorts)
{
    test::qtApp();
    test::ScriptedPrompt prompt;
    model::UserSettings s = storedSettings();
    s.portList.clear();
    model::CardKindMasters m;
    OptionDialog dialog(s, m, {}, prompt, res::Language::English);
    EXPECT_FALSE(dialog.portCombo(0)->isEnabled());
    dialog.deviceCombo(0)->setCurrentText("TQN(JOV-UM)");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(s.PortAllocation[0].port, "/dev/ttyA");
    EXPECT_EQ(s.PortAllocation[0].device, "TQN(JOV-UM)");
}

}  // namespace
}  // namespace kravin::shell

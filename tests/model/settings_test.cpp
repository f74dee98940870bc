#include "settings.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <QSettings>

using namespace kravin::model;
using kravin::test::TempDir;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    std::unique_ptr<QSettings> store()
    {
        return std::make_unique<QSettings>(QString::fromStdString(dir_ / "KRAVin3.ini"), QSettings::IniFormat);
    }
    TempDir dir_;
};

}  // namespace

TEST_F(SettingsTest, FreshUserGetsTheDefaults)
{
    UserSettings s;
    s.DT_DX = 99;  // whatever was there is replaced
    LoadSettings(*store(), s);
    EXPECT_EQ(s.AC_UNIT, 16);
    EXPECT_EQ(s.DT_DX, 24);
    EXPECT_EQ(s.DT_DY, 13);
    EXPECT_EQ(s.DT_UNIT, 16);
    EXPECT_EQ(s.SEQ_DSP, 1);
    EXPECT_EQ(s.ENABLE_GRID, 1);
    EXPECT_EQ(s.BACK_COLOR, 0xFFFFFF);
    EXPECT_EQ(s.COM_TIME, 10);
    for (int v : {s.HT9_BAU, s.AC_LKIND, s.AC_LCOL, s.DT_LKIND, s.DT_LCOL, s.ONLINE, s.MON_SPEED, s.MAXIMUM_SIZE})
        EXPECT_EQ(v, 0);
    for (const WindowPlacement& p : s.placements) {
        EXPECT_EQ(p.left | p.top | p.right | p.bottom | p.length, 0);
    }
    for (const PortAllocationRow& r : s.PortAllocation) {
        EXPECT_TRUE(r.port.empty() && r.portText.empty() && r.device.empty());
        EXPECT_EQ(r.speed, 0);
    }
    EXPECT_TRUE(s.portList.empty());
    EXPECT_TRUE(s.HT9_COM.empty());
    EXPECT_TRUE(s.HT9_ID.empty());
}

TEST_F(SettingsTest, EverySettingRoundTripsUnderItsKey)
{
    UserSettings out;
    out.HT9_BAU = 2;
    out.AC_UNIT = 8;
    out.AC_LKIND = 1;
    out.AC_LCOL = 3;
    out.DT_DX = 30;
    out.DT_DY = 15;
    out.DT_UNIT = 12;
    out.DT_LKIND = 2;
    out.DT_LCOL = 4;
    out.SEQ_DSP = 0;
    out.ONLINE = 1;
    out.MAXIMUM_SIZE = 1;
    out.BACK_COLOR = 0x123456;
    out.ENABLE_GRID = 0;
    out.COM_TIME = 3;
    out.placements[SysSet] = {10, 20, 300, 400, 5};
    out.placements[Ht9] = {1, 2, 3, 4, 6};
    out.PortAllocation[0] = {"COM1", "Serial (COM1)", "TJW(JOV-US)", 1};
    out.PortAllocation[5] = {"ttyUSB0", "USB serial", "QVxxx(JOV-US)", 0};
    out.portList = {{"Serial (COM1)", "COM1"}, {"USB serial", "ttyUSB0"}};
    out.HT9_COM = "COM3";
    out.HT9_ID = "0101";
    SaveSettings(*store(), out);

    {
        auto raw = store();
        EXPECT_EQ(raw->value("KRAVin/SYSSET_RIGHT").toInt(), 300);
        EXPECT_EQ(raw->value("KRAVin/HT9_LENGTH").toInt(), 6);
        EXPECT_EQ(raw->value("KRAVin/PORT0_KIKI").toString(), "TJW(JOV-US)");
        EXPECT_EQ(raw->value("KRAVin/COM1_PORT_NUM").toString(), "ttyUSB0");
        EXPECT_EQ(raw->value("KRAVin/COM_PORT_NUM").toInt(), 2);
        EXPECT_EQ(raw->value("KRAVin/BACK_COLOR").toInt(), 0x123456);
        EXPECT_FALSE(raw->contains("KRAVin/MON_SPEED")) << "the monitor speed is read only";
    }

    UserSettings in;
    LoadSettings(*store(), in);
    EXPECT_EQ(in.HT9_BAU, 2);
    EXPECT_EQ(in.AC_UNIT, 8);
    EXPECT_EQ(in.AC_LKIND, 1);
    EXPECT_EQ(in.AC_LCOL, 3);
    EXPECT_EQ(in.DT_DX, 30);
    EXPECT_EQ(in.DT_DY, 15);
    EXPECT_EQ(in.DT_UNIT, 12);
    EXPECT_EQ(in.DT_LKIND, 2);
    EXPECT_EQ(in.DT_LCOL, 4);
    EXPECT_EQ(in.SEQ_DSP, 0);
    EXPECT_EQ(in.ONLINE, 1);
    EXPECT_EQ(in.MAXIMUM_SIZE, 1);
    EXPECT_EQ(in.BACK_COLOR, 0x123456);
    EXPECT_EQ(in.ENABLE_GRID, 0);
    EXPECT_EQ(in.COM_TIME, 3);
    EXPECT_EQ(in.placements[SysSet].right, 300);
    EXPECT_EQ(in.placements[Ht9].length, 6);
    EXPECT_EQ(in.PortAllocation[0].port, "COM1");
    EXPECT_EQ(in.PortAllocation[0].portText, "Serial (COM1)");
    EXPECT_EQ(in.PortAllocation[0].device, "TJW(JOV-US)");
    EXPECT_EQ(in.PortAllocation[0].speed, 1);
    EXPECT_EQ(in.PortAllocation[5].device, "QVxxx(JOV-US)");
    ASSERT_EQ(in.portList.size(), 2u);
    EXPECT_EQ(in.portList[1].text, "USB serial");
    EXPECT_EQ(in.portList[1].number, "ttyUSB0");
    EXPECT_EQ(in.HT9_COM, "COM3");
    EXPECT_EQ(in.HT9_ID, "0101");
}

TEST_F(SettingsTest, StoredDevicesAreNormalised)
{
    struct Case {
        const char* stored;
        const char* loaded;
    };
    const Case cases[] = {
        {"TJK5    ", "TJK5(JOV-IRU)"},
        {"TJW     ", "TJW(JOV-US)"},
        {"V8RTU   ", "V8RTU(JOV-US)"},
        {"TQN", "TQN(JOV-UM)"},
        {"xyz", "QVxxx(JOV-IRDA)"},
        {"TJK5", "QVxxx(JOV-IRDA)"},  // only the blank-padded old spelling maps
        {"TJK5(JOV-US)", "TJK5(JOV-US)"},
        {"QVxxx(JOV-US)", "QVxxx(JOV-US)"},
        {"", ""},
    };
    for (const Case& c : cases) {
        {
            auto s = store();
            s->setValue("KRAVin/PORT2_KIKI", QString::fromLatin1(c.stored));
        }
        UserSettings in;
        LoadSettings(*store(), in);
        EXPECT_EQ(in.PortAllocation[2].device, c.loaded) << c.stored;
        // Saved in the normalised form.
        SaveSettings(*store(), in);
        EXPECT_EQ(store()->value("KRAVin/PORT2_KIKI").toString().toStdString(), c.loaded) << c.stored;
    }
}

TEST_F(SettingsTest, DamagedValuesFallBackAndPortTextsFitTheirFields)
{
    {
        auto s = store();
        s->setValue("KRAVin/COM_TIME", "ten");
        s->setValue("KRAVin/COM_PORT_NUM", 1);
        s->setValue("KRAVin/COM0_PORT_STR", QString(100, QChar('x')));
        s->setValue("KRAVin/MON_SPEED", 1);
    }
    UserSettings in;
    LoadSettings(*store(), in);
    EXPECT_EQ(in.COM_TIME, 10);
    EXPECT_EQ(in.MON_SPEED, 1);
    ASSERT_EQ(in.portList.size(), 1u);
    EXPECT_EQ(in.portList[0].text.size(), 63u);
}

TEST_F(SettingsTest, OutOfRangeValuesReadAsDefaultsAndAreNotWrittenBack)
{
    struct Case {
        const char* key;
        int stored;
        int UserSettings::*field;
        int loaded;  // the default when out of range
    };
    const Case cases[] = {
        {"HT9_BAU", 7, &UserSettings::HT9_BAU, 0},          {"HT9_BAU", 6, &UserSettings::HT9_BAU, 6},
        {"AC_UNIT", 3, &UserSettings::AC_UNIT, 16},         {"AC_UNIT", 33, &UserSettings::AC_UNIT, 16},
        {"AC_UNIT", 32, &UserSettings::AC_UNIT, 32},        {"AC_LKIND", 8, &UserSettings::AC_LKIND, 0},
        {"AC_LKIND", -1, &UserSettings::AC_LKIND, 0},       {"AC_LKIND", 7, &UserSettings::AC_LKIND, 7},
        {"AC_LCOL", 0x1000000, &UserSettings::AC_LCOL, 0},  {"AC_LCOL", 0xFFFFFF, &UserSettings::AC_LCOL, 0xFFFFFF},
        {"DT_DX", 0, &UserSettings::DT_DX, 24},             {"DT_DX", 65, &UserSettings::DT_DX, 24},
        {"DT_DY", -13, &UserSettings::DT_DY, 13},           {"DT_DY", 64, &UserSettings::DT_DY, 64},
        {"DT_UNIT", 100, &UserSettings::DT_UNIT, 16},       {"DT_UNIT", 4, &UserSettings::DT_UNIT, 4},
        {"DT_LKIND", 12, &UserSettings::DT_LKIND, 0},       {"DT_LCOL", -1, &UserSettings::DT_LCOL, 0},
        {"SEQ_DSP", 2, &UserSettings::SEQ_DSP, 1},          {"SEQ_DSP", 0, &UserSettings::SEQ_DSP, 0},
        {"ONLINE", 2, &UserSettings::ONLINE, 0},            {"ONLINE", -1, &UserSettings::ONLINE, 0},
        {"MAXIMUM_SIZE", 5, &UserSettings::MAXIMUM_SIZE, 0}, {"BACK_COLOR", -1, &UserSettings::BACK_COLOR, 0xFFFFFF},
        {"BACK_COLOR", 0, &UserSettings::BACK_COLOR, 0},    {"ENABLE_GRID", 3, &UserSettings::ENABLE_GRID, 1},
        {"COM_TIME", -3, &UserSettings::COM_TIME, 10},      {"COM_TIME", 0, &UserSettings::COM_TIME, 10},
        {"COM_TIME", 100, &UserSettings::COM_TIME, 10},     {"COM_TIME", 99, &UserSettings::COM_TIME, 99},
        {"COM_TIME", 1, &UserSettings::COM_TIME, 1},
    };
    for (const Case& c : cases) {
        store()->clear();
        store()->setValue(QStringLiteral("KRAVin/") + QString::fromLatin1(c.key), c.stored);
        UserSettings in;
        LoadSettings(*store(), in);
        EXPECT_EQ(in.*c.field, c.loaded) << c.key << "=" << c.stored;
        SaveSettings(*store(), in);
        EXPECT_EQ(store()->value(QStringLiteral("KRAVin/") + QString::fromLatin1(c.key)).toInt(), c.loaded)
            << c.key << "=" << c.stored;
        // A value set out of range in memory is not written either.
        UserSettings out;
        out.*c.field = c.stored;
        SaveSettings(*store(), out);
        EXPECT_EQ(store()->value(QStringLiteral("KRAVin/") + QString::fromLatin1(c.key)).toInt(), c.loaded)
            << c.key << "=" << c.stored;
    }
}

TEST_F(SettingsTest, PortListCountOutOfRangeReadsAsAnEmptyList)
{
    struct Case {
        int count;
        std::size_t loaded;
    };
    for (const Case c : {Case{100000, 0}, Case{257, 0}, Case{-1, 0}, Case{256, 256}, Case{2, 2}}) {
        store()->clear();
        {
            auto s = store();
            s->setValue("KRAVin/COM_PORT_NUM", c.count);
            s->setValue("KRAVin/COM0_PORT_STR", "Serial (COM1)");
            s->setValue("KRAVin/COM0_PORT_NUM", "COM1");
        }
        UserSettings in;
        LoadSettings(*store(), in);
        EXPECT_EQ(in.portList.size(), c.loaded) << c.count;
        SaveSettings(*store(), in);
        EXPECT_EQ(store()->value("KRAVin/COM_PORT_NUM").toInt(), static_cast<int>(c.loaded)) << c.count;
    }
    // More ports than the list holds: the first 256 are written.
    UserSettings out;
    out.portList.resize(300, {"Serial", "COM1"});
    SaveSettings(*store(), out);
    EXPECT_EQ(store()->value("KRAVin/COM_PORT_NUM").toInt(), 256);
}

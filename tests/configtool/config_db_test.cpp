#include "config_db.h"
#include "config_io.h"
#include "image_fixture.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qvcfg::test {
namespace {

TEST(ConfigDB, HeaderChecksInOrder)
{
    struct Case {
        const char* name;
        Bytes image;
        int result;
    };
    Bytes qv200d1024 = MakeImage(3200, 3, 2);
    qv200d1024.resize(1024);
    Bytes littleEndianMagic = MakeImage(200, 3, 2);
    PutU32(littleEndianMagic, 0, 0xD2029649);
    Bytes headerOnly = MakeImage(200, 3, 2);
    headerOnly.resize(20);
    Bytes qv210Long = MakeImage(210, 1, 1);
    qv210Long.push_back(0);
    const Case cases[] = {
        {"QV200 1.0", MakeImage(200, 1, 0), 0},
        {"QV100 1.0", MakeImage(100, 1, 0), -1},
        {"QV200B 3.2", MakeImage(1200, 3, 2), -1},
        {"QV200B 2.1", MakeImage(1200, 2, 1), 0},
        {"QV200C 2.2", MakeImage(2200, 2, 2), 0},
        {"QV200E 2.3", MakeImage(4200, 2, 3), 0},
        {"QV200D 3.2 at 1024 bytes", qv200d1024, -2},
        {"model code 300", MakeImage(300, 3, 2), -1},
        {"little-endian magic", littleEndianMagic, -2},
        {"empty", Bytes{}, -2},
        {"header only", headerOnly, -2},
        {"one byte too long", qv210Long, -2},
    };
    for (const Case& c : cases) {
        ConfigDB db;
        EXPECT_EQ(db.LoadFromFile(c.image, "/x/a.cfg"), c.result) << c.name;
        EXPECT_EQ(db.GetState(), c.result == 0 ? ConfigDB::kFromFile : ConfigDB::kNoData) << c.name;
    }
}

TEST(ConfigDB, LcdVersionAndState)
{
    ConfigDB db;
    Bytes out;
    std::string text;
    EXPECT_EQ(db.GetImage(out), -1);
    EXPECT_EQ(db.ExportCsv(text), -1);

    int major = -1, minor = -1;
    ASSERT_EQ(db.LoadFromFile(MakeImage(200, 1, 0, 5, 70), "/cfg/QV200.cfg"), 0);
    db.GetLcdVersion(major, minor);
    EXPECT_EQ(major * 10 + minor, 10);

    ASSERT_EQ(db.LoadFromDevice(MakeImage(210, 3, 2, 2, 35)), 0);
    db.GetLcdVersion(major, minor);
    EXPECT_EQ(major * 10 + minor, 23);
    EXPECT_EQ(db.GetState(), ConfigDB::kFromDevice);
    EXPECT_EQ(db.GetModel(), 3);
    EXPECT_EQ(db.GetPath(), "/cfg/QV200.cfg");

    // A refused image leaves everything as it was.
    EXPECT_EQ(db.LoadFromFile(MakeImage(1200, 3, 2), "/cfg/other.cfg"), -1);
    EXPECT_EQ(db.GetState(), ConfigDB::kFromDevice);
    EXPECT_EQ(db.GetModel(), 3);
    EXPECT_EQ(db.GetPath(), "/cfg/QV200.cfg");
    ASSERT_EQ(db.GetImage(out), 0);
    EXPECT_EQ(GetU16(out, kOffModelCode), 210);
}

TEST(ConfigDB, Format20FileLoadsAndSavesBackAsTheSameBytes)
{
    kravin::test::TempDir dir;
    Bytes original = MakeImage(1200, 2, 0);
    original[160] = 190;
    original[185] = 1;
    PutU16(original, 172, 3);
    PutU16(original, 40, 2);
    ConfigDB db;
    ASSERT_EQ(db.LoadFromFile(original, "in.cfg"), 0);
    ConfigWriter writer(&db, nullptr);
    ASSERT_EQ(writer.WriteFile(dir / "out.cfg"), 0);
    const auto saved = kravin::test::readBytes(dir / "out.cfg");
    EXPECT_EQ(saved, original);
}

TEST(ConfigDB, PrepareDownloadMergesIntoTheControllersImage)
{
    ConfigDB db;
    Bytes device = MakeImage(200, 3, 2, 2, 30);
    device[122] = 7;
    device[140] = 10;
    Bytes held = MakeImage(200, 3, 2);
    PutU16(held, 40, 0);
    ASSERT_EQ(db.PrepareDownload(device, held), 0);
    EXPECT_EQ(GetU16(device, 40), 0);
    EXPECT_EQ(device[122], 7);
    EXPECT_EQ(device[140], 10);

    // The models are not compared: a QV200 image merges into a QV210's, which keeps
    // its header (model and versions) and its communication settings.
    Bytes qv210 = MakeImage(210, 3, 2, 2, 30);
    qv210[122] = 9;
    qv210[132] = 172;
    PutU16(qv210, 144, 5020);
    const Bytes before = qv210;
    ASSERT_EQ(db.PrepareDownload(qv210, held), 0);
    EXPECT_TRUE(std::equal(qv210.begin(), qv210.begin() + 32, before.begin()));
    EXPECT_TRUE(std::equal(qv210.begin() + 122, qv210.begin() + 148, before.begin() + 122));
    EXPECT_EQ(GetU16(qv210, 40), 0);

    Bytes shortHeld = MakeImage(200, 1, 1);
    EXPECT_EQ(db.PrepareDownload(device, shortHeld), -2);
    Bytes unknown = MakeImage(999, 3, 2);
    EXPECT_EQ(db.PrepareDownload(unknown, held), -1);
}

TEST(ConfigDB, ModelIndices)
{
    EXPECT_STREQ(ModelName(6), "QV200D");
    EXPECT_STREQ(ModelName(8), "");
    EXPECT_EQ(ModelIndexOfCode(6210), 11);
    EXPECT_EQ(ModelIndexOfCode(300), -1);
}

}  // namespace
}  // namespace qvcfg::test

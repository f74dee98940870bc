#include "config_data.h"
#include "image_fixture.h"

#include <gtest/gtest.h>

namespace qvcfg::test {
namespace {

TEST(ConfigData, ImageSizeFollowsTheFormatVersion)
{
    struct Case {
        int major, minor, size;
    };
    for (const Case& c : {Case{1, 0, 1024}, Case{1, 1, 1024}, Case{2, 0, 1024}, Case{2, 1, 1024}, Case{2, 2, 2048},
                          Case{2, 3, 2048}, Case{3, 0, 2048}, Case{3, 2, 2048}, Case{0, 5, 1024}, Case{4, 0, 2048}}) {
        data::ConfigDataQv200 d;
        EXPECT_EQ(d.ExpectedSize(c.major, c.minor), c.size) << c.major << "." << c.minor;
    }
}

TEST(ConfigData, ConstructedImageIsTheModelsDefault)
{
    data::ConfigDataQv210W d;
    Bytes img;
    ASSERT_EQ(d.GetImage(img), 0);
    ASSERT_EQ(img.size(), 2048u);
    EXPECT_EQ((Bytes{img[0], img[1], img[2], img[3]}), (Bytes{0x49, 0x96, 0x02, 0xD2}));
    EXPECT_EQ(GetU16(img, kOffModelCode), 6210);
    EXPECT_EQ(GetU16(img, kOffFormatMajor), 3);
    EXPECT_EQ(GetU16(img, kOffFormatMinor), 2);
    EXPECT_EQ(GetU16(img, kOffLcdMajor), 0);
    // A few defaults, big-endian where they are words.
    EXPECT_EQ(GetU16(img, 144), 502);
    EXPECT_EQ((Bytes{img[132], img[133], img[134], img[135]}), (Bytes{192, 168, 0, 1}));
    EXPECT_EQ(img[66], 254);
    EXPECT_EQ(FieldText(img, 288 + 27 * 28 + 3, 11), "Name");
    EXPECT_EQ(FieldText(img, 288 + 39 * 28 + 19, 8), "Unit");
    EXPECT_EQ(GetS16(img, 1412 + 39 * 6), 10000);
    EXPECT_EQ(GetU16(img, 1662), 1);
}

TEST(ConfigData, LoadOfFormat10KeepsItsSymbolsAndFillsTheRestWithDefaults)
{
    Bytes src = MakeImage(200, 1, 0);
    PutU16(src, 32, 0), PutU16(src, 34, 1), PutU16(src, 36, 1), PutU16(src, 38, 0);
    for (std::size_t i = 148; i < src.size(); ++i) src[i] = 0xEE;
    src[122] = 9;
    data::ConfigDataQv200 d;
    ASSERT_EQ(d.Load(src), 0);
    const Bytes& img = d.Image();
    const Bytes defaults = data::DefaultBody();
    ASSERT_EQ(img.size(), 2048u);
    EXPECT_EQ(GetU16(img, 32), 0);
    EXPECT_EQ(GetU16(img, 34), 1);
    EXPECT_EQ(img[122], 9);
    EXPECT_TRUE(std::equal(img.begin() + 148, img.end(), defaults.begin() + 148));
}

TEST(ConfigData, LoadTakesTheGroupsOfEachFormatVersion)
{
    // Which groups a load takes from a source whose body bytes are all 0xA5.
    struct Case {
        int code, major, minor;
        bool display2, blockA, blockB, block22, blockC, params, language, ranges;
    };
    const Case cases[] = {
        {200, 1, 0, false, false, false, false, false, false, false, false},
        {200, 1, 1, true, false, false, false, false, false, false, false},
        {1200, 2, 0, true, true, false, false, false, false, false, false},
        {1200, 2, 1, true, false, true, false, false, false, false, false},
        {1200, 2, 2, true, true, true, true, false, false, false, false},
        {4200, 2, 3, true, false, true, true, true, false, false, false},
        {200, 3, 0, true, false, false, false, false, true, false, false},
        {200, 3, 1, true, false, false, false, false, true, true, false},
        {200, 3, 2, true, false, false, false, false, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
        Bytes src = MakeImage(c.code, c.major, c.minor);
        std::fill(src.begin() + 32, src.end(), 0xA5);
        data::ConfigDataQv200 d;
        ASSERT_EQ(d.Load(src), 0);
        const Bytes& img = d.Image();
        const auto taken = [&](std::size_t off) { return img[off] == 0xA5; };
        EXPECT_TRUE(taken(40));   // common
        EXPECT_TRUE(taken(122));  // communication
        EXPECT_EQ(GetU16(img, 32), c.major == 1 && c.minor == 0 ? 0xA5A5 : 2);
        EXPECT_EQ(taken(148), c.display2);
        EXPECT_EQ(taken(160), c.blockA);
        EXPECT_EQ(taken(200), c.blockB);
        EXPECT_EQ(GetU16(img, 110), c.block22 ? 0 : 0xA5A5);
        EXPECT_EQ(taken(1654), c.block22 || c.ranges);
        EXPECT_EQ(taken(240), c.blockC);
        EXPECT_EQ(taken(288 + 3), c.params);
        EXPECT_EQ(taken(1408), c.params);
        EXPECT_EQ(taken(1410), c.language);
        EXPECT_EQ(taken(1412), c.ranges);
    }
}

TEST(ConfigData, LoadRules)
{
    data::ConfigDataQv200 d;
    // 1.1 and later reset the old symbol words.
    Bytes src = MakeImage(200, 1, 1);
    PutU16(src, 32, 0);
    src[112] = 0;
    ASSERT_EQ(d.Load(src), 0);
    EXPECT_EQ(GetU16(d.Image(), 32), 2);
    EXPECT_EQ(d.Image()[112], 1);  // a registered loop 0 is held as 1

    for (auto [minor, held] : {std::pair{1, 0}, std::pair{2, 4}}) {
        Bytes s = MakeImage(200, 3, minor);
        PutU16(s, 110, 4);
        ASSERT_EQ(d.Load(s), 0);
        EXPECT_EQ(GetU16(d.Image(), 110), held) << "3." << minor;
    }

    Bytes unknown = MakeImage(200, 3, 2);
    PutU16(unknown, kOffFormatMinor, 7);
    PutU16(unknown, 40, 1);
    PutU16(unknown, 144, 503);
    EXPECT_EQ(d.Load(unknown), -1);
    EXPECT_EQ(GetU16(d.Image(), 40), 1);    // the common settings are taken
    EXPECT_EQ(GetU16(d.Image(), 144), 502);  // the rest are defaults
}

TEST(ConfigData, ConvertForDeviceKeepsTheControllersNetworkAndHeader)
{
    Bytes target = MakeImage(200, 3, 2, 1, 50);
    target[122] = 7;
    target[132] = 10;
    PutU16(target, 146, 60);
    const Bytes before = target;
    Bytes source = MakeImage(200, 3, 2);
    PutU16(source, 40, 1);
    source[288 + 3] = 'X';
    PutU16(source, 1410, 1);
    data::ConfigDataQv200 d;
    ASSERT_EQ(d.ConvertForDevice(target, source, 1), 0);
    EXPECT_TRUE(std::equal(target.begin(), target.begin() + 32, before.begin()));
    EXPECT_TRUE(std::equal(target.begin() + 122, target.begin() + 148, before.begin() + 122));
    EXPECT_EQ(GetU16(target, 40), 1);
    EXPECT_EQ(target[288 + 3], 'X');
    EXPECT_EQ(GetU16(target, 1410), 1);

    // An older target takes no parameter table, and no home view 4.
    Bytes old = MakeImage(200, 1, 1);
    PutU16(source, 110, 4);
    ASSERT_EQ(d.ConvertForDevice(old, source, 1), 0);
    EXPECT_EQ(old.size(), 1024u);
    EXPECT_EQ(GetU16(old, 110), 0);
}

}  // namespace
}  // namespace qvcfg::test

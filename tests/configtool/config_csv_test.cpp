#include "config_db.h"
#include "config_io.h"
#include "csv_text.h"
#include "image_fixture.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qvcfg::test {
namespace {

std::string Export(const Bytes& image)
{
    ConfigDB db;
    EXPECT_EQ(db.LoadFromFile(image, "x.cfg"), 0);
    std::string text;
    EXPECT_EQ(db.ExportCsv(text), 0);
    return text;
}

bool Has(const std::string& text, const std::string& line) { return text.find("\n" + line + "\n") != std::string::npos; }

TEST(ConfigCsv, DefaultQv210MatchesTheFixtureByteForByte)
{
    kravin::test::TempDir dir;
    ConfigDB db;
    ASSERT_EQ(db.LoadFromFile(MakeImage(210, 3, 2, 2, 30), "QV210.cfg"), 0);
    ConfigWriter writer(&db, nullptr);
    ASSERT_EQ(writer.ExportCsv(dir / "QV210.csv"), 0);
    EXPECT_EQ(kravin::test::readBytes(dir / "QV210.csv"),
              kravin::test::readBytes(std::string(QVCFG_TEST_DATA) + "/qv210_default.csv"));
}

TEST(ConfigCsv, DeviceTextsAreQuotedOnlyWhenNeededAndBoundToTheirFields)
{
    Bytes img = MakeImage(210, 3, 2);
    std::memcpy(&img[288 + 3], "Flow,main", 10);
    std::memcpy(&img[288 + 28 + 3], "ABCDEFGHIJK", 11);  // no terminator: ends at the field
    std::memcpy(&img[288 + 28 + 19], "m3/h\"x\"", 8);
    const std::string text = Export(img);
    EXPECT_TRUE(Has(text, ",Disable,\"Flow,main\",00,00,10000,0,2,Unit,10000,0,2"));
    EXPECT_TRUE(Has(text, ",Disable,ABCDEFGHIJK,00,00,10000,0,2,\"m3/h\"\"x\"\"\",10000,0,2"));
    EXPECT_EQ(CsvField("plain"), "plain");
    EXPECT_EQ(CsvField("a\nb"), "\"a\nb\"");
}

TEST(ConfigCsv, LoopVariablesRenameSetpointAndOutput)
{
    Bytes img = MakeImage(200, 3, 2);
    PutU16(img, 98, 1);
    const std::string text = Export(img);
    EXPECT_TRUE(Has(text, "Loop variables,,SV/PV/OP"));
    EXPECT_TRUE(Has(text, ",SV1 Normal,8"));
    EXPECT_TRUE(Has(text, ",OP2 Lo limit,14"));
    EXPECT_TRUE(Has(text, ",LP1 CH3,OP1"));
    EXPECT_TRUE(Has(text, "Numerical key control,SV1,Enable"));
}

TEST(ConfigCsv, ColourPalettePositions)
{
    Bytes img = MakeImage(200, 3, 2);
    img[43] = 0, img[44] = 249, img[45] = 1, img[46] = 190;
    const std::string text = Export(img);
    EXPECT_TRUE(Has(text, "Digital display color,PV1,1"));
    EXPECT_TRUE(Has(text, ",PV2,1"));
    EXPECT_TRUE(Has(text, ",SP1,18"));
    EXPECT_TRUE(Has(text, ",SP2,2"));
}

TEST(ConfigCsv, SectionsFollowModelAndFormat)
{
    // QV200 1.0: symbols from the old words, no unit mode, keys, language or parameter table.
    Bytes v10 = MakeImage(200, 1, 0);
    PutU16(v10, 32, 1), PutU16(v10, 34, 0), PutU16(v10, 36, 3), PutU16(v10, 38, 2);
    std::string text = Export(v10);
    EXPECT_TRUE(text.rfind("QV200 Configuration,LCD Ver. 1.0x\n\nGroup,Item,Data\n", 0) == 0);
    EXPECT_TRUE(Has(text, "MV 0/100% symbol,MV1 100% symbol,C"));
    EXPECT_TRUE(Has(text, ",MV2 0% symbol,OP"));
    for (const char* absent : {"Select unit mode", "Numerical key control", "Language", "User's parameter table",
                               "Selected loop color"})
        EXPECT_EQ(text.find(absent), std::string::npos) << absent;

    // QV200B: the PRG mode indicator from 2.2 on; its home view and function view texts.
    EXPECT_EQ(Export(MakeImage(1200, 2, 0)).find("PRG mode indicator"), std::string::npos);
    Bytes b22 = MakeImage(1200, 2, 2, 3, 0);
    PutU16(b22, 172, 4);
    text = Export(b22);
    EXPECT_TRUE(Has(text, "PRG mode indicator,,ON"));
    EXPECT_TRUE(Has(text, std::string("Registered view,Home,") + jp::kPulseView));
    EXPECT_TRUE(Has(text, std::string(",") + jp::kPulseView + ",Enable"));
    EXPECT_TRUE(Has(text, std::string(jp::kPulseColours) + ",F1'" + jp::kInstant + ",16"));
    EXPECT_TRUE(Has(text, ",Default gateway,0.0.0.0"));  // LCD major 3 above 2 for QV200B
    EXPECT_EQ(Export(MakeImage(1200, 2, 2, 2, 0)).find("Default gateway"), std::string::npos);

    // QV200C 2.2 shows its mixing view block; QV200E 2.3 the totaliser block.
    text = Export(MakeImage(2200, 2, 2));
    EXPECT_TRUE(Has(text, std::string(jp::kMixScreen) + "," + jp::kInstant + "," + jp::kShow));
    EXPECT_EQ(text.find("PRG mode indicator"), std::string::npos);
    text = Export(MakeImage(4200, 2, 3));
    EXPECT_TRUE(Has(text, std::string(jp::kTotalColours) + ",F1'" + jp::kInstant + ",16"));

    // QV100 has no network; 3.0 has the nine-column parameter table.
    text = Export(MakeImage(100, 3, 0));
    EXPECT_EQ(text.find("Modbus"), std::string::npos);
    EXPECT_EQ(text.find("Language"), std::string::npos);
    EXPECT_TRUE(Has(text, ",Disable,Name,00,00,10000,0,2,Unit"));
}

TEST(ConfigCsv, HomeViewNamesOutsideFormat2)
{
    struct Case {
        int code;
        std::string text;
    };
    for (const Case& c : {Case{0, "Digital"}, Case{3, "Short trend"}, Case{4, "User's parameter table"},
                          Case{5, "User's parameter table"}, Case{6, jp::kProgramming}, Case{9, "Digital"}}) {
        Bytes img = MakeImage(200, 3, 2);
        PutU16(img, 110, static_cast<std::uint16_t>(c.code));
        EXPECT_TRUE(Has(Export(img), "Registered view,Home," + c.text)) << c.code;
    }
}

}  // namespace
}  // namespace qvcfg::test

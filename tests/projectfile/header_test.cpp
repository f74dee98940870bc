#include "KRAVinA.h"
#include "file_size_limit.h"
#include "header_fixtures.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

using kravin::test::readBytes;
using kravin::test::TempDir;
using kravin::test::writeBytes;

using namespace std::string_literals;
using namespace kravin::test::header;

namespace {

constexpr const char* kProgramVersion = "ORVANTEK KRAV3 Version 1.121.0108";

struct SysRecord {
    std::string kind, unit, version, comment;
    int x = 0, y = 0;
};

SysRecord getSys(int station, int card)
{
    char kind[8], unit[5], version[4], comment[32];
    SysRecord r;
    EXPECT_EQ(KRAVinA_Proj_Get_Sys(station, card, kind, unit, version, comment, &r.x, &r.y), 0);
    r.kind.assign(kind, 8);
    r.unit.assign(unit, 5);
    r.version.assign(version, 4);
    r.comment.assign(comment, 32);
    return r;
}

class HeaderTest : public ::testing::Test {
protected:
    void SetUp() override { KRAVinA_Proj_Set_Version(kProgramVersion); }
    std::string headerPath() const { return dir / "KRAVin.KRAB"; }
    TempDir dir;
};

TEST_F(HeaderTest, CreateWritesHeadAtItsOffsets)
{
    const std::string folder = dir / "work";
    ASSERT_EQ(KRAVinA_Proj_Create("PLANT A", "SECOND", "boiler house", folder.c_str()), 1);

    const auto b = readBytes(folder + "/KRAVin.KRAB");
    ASSERT_EQ(b.size(), 148992u);
    EXPECT_EQ(field(b, 0, 64), padded(kProgramVersion, 64));
    EXPECT_EQ(field(b, 64, 32), padded("PLANT A", 32));
    EXPECT_EQ(field(b, 96, 32), padded("SECOND", 32));
    EXPECT_EQ(field(b, 128, 160), padded("boiler house", 160));
    EXPECT_EQ(field(b, 288, b.size() - 288), std::string(b.size() - 288, '\0'));
}

TEST_F(HeaderTest, CreateInExistingFolderIsFine)
{
    EXPECT_EQ(KRAVinA_Proj_Create("A", "", "", dir.str().c_str()), 1);
    EXPECT_EQ(KRAVinA_Proj_Create("B", "", "", dir.str().c_str()), 1);
    EXPECT_EQ(field(readBytes(headerPath()), 64, 32), padded("B", 32));
}

TEST_F(HeaderTest, RecordsLandAtSeventeenPerStationPlusCardPlusOne)
{
    ASSERT_EQ(KRAVinA_Proj_Create("P", "", "", dir.str().c_str()), 1);
    const struct { int station, card; } units[] = {{0, -1}, {0, 0}, {0, 15}, {1, -1}, {5, 3}, {63, -1}, {63, 15}};
    int n = 0;
    for (auto u : units) {
        const std::string kind = "K" + std::to_string(n);
        ASSERT_EQ(KRAVinA_Proj_Update_Sys(0, u.station, u.card, kind.c_str(), "U1234", "1.10",
                                          ("comment " + kind).c_str(), 1000 + n, -2000 - n, dir.str().c_str()),
                  0);
        ++n;
    }
    ASSERT_EQ(KRAVinA_Proj_Write(dir.str().c_str()), 0);

    const auto b = readBytes(headerPath());
    n = 0;
    for (auto u : units) {
        SCOPED_TRACE(testing::Message() << "station " << u.station << " card " << u.card);
        const std::size_t r = recordAt(u.station, u.card);
        const std::string kind = "K" + std::to_string(n);
        EXPECT_EQ(field(b, r + 0, 8), padded(kind, 8));
        EXPECT_EQ(b[r + 8], 0);
        EXPECT_EQ(field(b, r + 9, 5), "U1234");
        EXPECT_EQ(field(b, r + 14, 4), "1.10");
        EXPECT_EQ(field(b, r + 18, 32), padded("comment " + kind, 32));
        EXPECT_EQ(field(b, r + 50, 2), std::string(2, '\0'));
        EXPECT_EQ(int32At(b, r + 52), 1000 + n);
        EXPECT_EQ(int32At(b, r + 56), -2000 - n);
        EXPECT_EQ(field(b, r + 60, 76), std::string(76, '\0'));

        const SysRecord s = getSys(u.station, u.card);
        EXPECT_EQ(s.kind, padded(kind, 8));
        EXPECT_EQ(s.x, 1000 + n);
        ++n;
    }
    // Nothing else was touched: the station record of 63 and its last card are neighbours.
    EXPECT_EQ(recordAt(63, 15) + 136, 148992u);
}

TEST_F(HeaderTest, TextFieldsStopAtNulOrWidth)
{
    ASSERT_EQ(KRAVinA_Proj_Create("", "", "", dir.str().c_str()), 1);
    const std::string forty(40, 'N');
    ASSERT_EQ(KRAVinA_Proj_Update_Head(0, forty.c_str(), "LONGER SECOND TEXT", "C", dir.str().c_str()), 0);
    ASSERT_EQ(KRAVinA_Proj_Update_Head(1, forty.c_str(), "AB", nullptr, dir.str().c_str()), 0);

    char name[32], text2[32], comment[160];
    std::memset(comment, 'x', sizeof comment);
    ASSERT_EQ(KRAVinA_Proj_Get_Head(name, text2, comment), 0);
    EXPECT_EQ(std::string(name, 32), std::string(32, 'N'));  // no terminator
    EXPECT_EQ(std::string(text2, 32), padded("AB", 32));      // the old tail is cleared
    EXPECT_EQ(std::string(comment, 160), std::string(160, '\0'));

    const auto b = readBytes(headerPath());
    EXPECT_EQ(field(b, 64, 32), std::string(32, 'N'));
    EXPECT_EQ(field(b, 96, 32), padded("AB", 32));

    // Unit fields: a kind of more than 8 bytes is cut; a short one is padded with NUL.
    ASSERT_EQ(KRAVinA_Proj_Update_Sys(0, 2, 4, "QV200BXLONG", "12", "", "", 0, 0, dir.str().c_str()), 0);
    const SysRecord s = getSys(2, 4);
    EXPECT_EQ(s.kind, "QV200BXL");
    EXPECT_EQ(s.unit, padded("12", 5));
    EXPECT_EQ(s.version, std::string(4, '\0'));
}

TEST_F(HeaderTest, GetSysAddressesStationAndLastCard)
{
    ASSERT_EQ(KRAVinA_Proj_Create("", "", "", dir.str().c_str()), 1);
    auto b = readBytes(headerPath());
    putText(b, recordAt(7, -1), "STATION7");
    putText(b, 1024 + 136 * (17 * 7), "");  // same record, by its number
    putText(b, 1024 + 136 * (17 * 7 + 16), "CARDF");
    writeBytes(headerPath(), b);
    ASSERT_EQ(KRAVinA_Proj_Select(dir.str().c_str()), 1);
    EXPECT_EQ(getSys(7, -1).kind, "STATION7");
    EXPECT_EQ(getSys(7, 15).kind, padded("CARDF", 8));
}

TEST_F(HeaderTest, UnitsOutOfRangeAreRefusedAndTouchNothing)
{
    ASSERT_EQ(KRAVinA_Proj_Create("", "", "", dir.str().c_str()), 1);
    const auto before = readBytes(headerPath());
    const struct { int station, card; } bad[] = {{-1, 0}, {64, 0}, {0, -2}, {0, 16}, {1 << 30, 0}};
    for (auto u : bad) {
        SCOPED_TRACE(testing::Message() << "station " << u.station << " card " << u.card);
        char kind[8] = {}, unit[5] = {}, version[4] = {}, comment[32] = {};
        int x = 7, y = 7;
        EXPECT_EQ(KRAVinA_Proj_Get_Sys(u.station, u.card, kind, unit, version, comment, &x, &y), -1);
        EXPECT_EQ(x, 7);
        EXPECT_EQ(KRAVinA_Proj_Update_Sys(1, u.station, u.card, "BAD", "", "", "", 1, 1, dir.str().c_str()), -1);
    }
    ASSERT_EQ(KRAVinA_Proj_Write(dir.str().c_str()), 0);
    EXPECT_EQ(readBytes(headerPath()), before);
}

TEST_F(HeaderTest, UpdateKeepsRecordByteEight)
{
    ASSERT_EQ(KRAVinA_Proj_Create("", "", "", dir.str().c_str()), 1);
    auto b = readBytes(headerPath());
    b[recordAt(3, 2) + 8] = 0x5A;
    writeBytes(headerPath(), b);
    ASSERT_EQ(KRAVinA_Proj_Select(dir.str().c_str()), 1);
    ASSERT_EQ(KRAVinA_Proj_Update_Sys(1, 3, 2, "TQRC", "01100", "2.00", "", 4, 5, dir.str().c_str()), 0);
    EXPECT_EQ(readBytes(headerPath())[recordAt(3, 2) + 8], 0x5A);
}

// The layout before 1.20 (132-byte records after the same head) is converted on select.
TEST_F(HeaderTest, SelectConvertsLayoutBefore120)
{
    const std::vector<OldUnit> units = {
        {0, -1, "QV200", "AB123", "1.05", "station zero", 120, 340},
        {0, 0, "TQRC", "01100", "2.00", "comm card", -5, 99999},
        {63, 15, "V8RTU", "3    ", "1.00", std::string(32, 'Z'), 1, 2},
    };
    writeBytes(headerPath(), oldHeader("ORVANTEK KRAV3 Version 1.19", 64, 96, 128, units));
    ASSERT_EQ(KRAVinA_Proj_Select(dir.str().c_str()), 1);
    EXPECT_EQ(KRAVinA_Prj_Newer_Version(), 0);

    char name[32], text2[32], comment[160];
    KRAVinA_Proj_Get_Head(name, text2, comment);
    EXPECT_EQ(std::string(name, 32), padded("OLDNAME", 32));
    EXPECT_EQ(std::string(text2, 32), padded("OLDTEXT2", 32));
    EXPECT_EQ(std::string(comment, 160), padded("OLD COMMENT", 160));

    for (const auto& u : units) {
        const SysRecord s = getSys(u.station, u.card);
        EXPECT_EQ(s.kind, (u.kind + std::string(5 - u.kind.size(), '\0')) + "   ");
        EXPECT_EQ(s.unit, padded(u.unit, 5));
        EXPECT_EQ(s.version, u.version);
        EXPECT_EQ(s.comment, padded(u.comment, 32));
        EXPECT_EQ(s.x, u.x);
        EXPECT_EQ(s.y, u.y);
    }

    // Select writes nothing back; the next write stores the new layout with the program's version.
    EXPECT_EQ(readBytes(headerPath()).size(), 144640u);
    ASSERT_EQ(KRAVinA_Proj_Write(dir.str().c_str()), 0);
    const auto b = readBytes(headerPath());
    ASSERT_EQ(b.size(), 148992u);
    EXPECT_EQ(field(b, 0, 64), padded(kProgramVersion, 64));
    EXPECT_EQ(field(b, recordAt(0, 0), 8), "TQRC\0   "s);
    EXPECT_EQ(b[recordAt(0, 0) + 50], 0);  // old unused bytes are not carried
    EXPECT_EQ(int32At(b, recordAt(0, 0) + 56), 99999);
}

TEST_F(HeaderTest, SelectKrav2ConvertsOldestLayout)
{
    const std::vector<OldUnit> units = {{12, 7, "KMQ", "00001", "1.00", "old card", 3, 4}};
    // No version text: the name stands at 0.
    writeBytes(headerPath(), oldHeader("", 0, 32, 64, units));
    ASSERT_EQ(KRAVinA_Proj_Select_KRAV2(dir.str().c_str()), 1);

    char name[32], text2[32], comment[160];
    KRAVinA_Proj_Get_Head(name, text2, comment);
    EXPECT_EQ(std::string(name, 32), padded("OLDNAME", 32));
    EXPECT_EQ(std::string(text2, 32), padded("OLDTEXT2", 32));
    EXPECT_EQ(std::string(comment, 160), padded("OLD COMMENT", 160));
    const SysRecord s = getSys(12, 7);
    EXPECT_EQ(s.kind, "KMQ\0\0   "s);
    EXPECT_EQ(s.comment, padded("old card", 32));
    EXPECT_EQ(s.x, 3);
    EXPECT_EQ(s.y, 4);
}

TEST_F(HeaderTest, MissingHeaderSelectsEmptyProject)
{
    ASSERT_EQ(KRAVinA_Proj_Select((dir / "nowhere").c_str()), 1);
    char name[32];
    KRAVinA_Proj_Get_Head(name, nullptr, nullptr);
    EXPECT_EQ(std::string(name, 32), std::string(32, '\0'));
    // Version 0.0 counts as an old layout: kinds become five NULs and three blanks (still "not placed").
    EXPECT_EQ(getSys(10, 3).kind, "\0\0\0\0\0   "s);
    EXPECT_EQ(KRAVinA_Prj_Newer_Version(), 0);
}

struct VersionCase {
    const char* program;
    const char* file;
    bool converted;
    int newer;
};

class VersionTest : public HeaderTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(VersionTest, ConversionAndNewerFlag)
{
    const VersionCase c = GetParam();
    KRAVinA_Proj_Set_Version((std::string("ORVANTEK KRAV3 Version ") + c.program).c_str());
    std::vector<unsigned char> b(148992, 0);
    putText(b, 0, std::string("ORVANTEK KRAV3 Version ") + c.file);
    putText(b, recordAt(1, -1), "QV210W  ");
    writeBytes(headerPath(), b);

    ASSERT_EQ(KRAVinA_Proj_Select(dir.str().c_str()), 1);
    EXPECT_EQ(KRAVinA_Prj_Newer_Version(), c.newer);
    // A converted image reads the new record through the old 132-byte layout.
    EXPECT_EQ(getSys(1, -1).kind == "QV210W  ", !c.converted);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, VersionTest,
    ::testing::Values(VersionCase{"1.121.0108", "1.19", true, 0}, VersionCase{"1.121.0108", "1.5.9", true, 0},
                      VersionCase{"1.121.0108", "1.20", false, 0}, VersionCase{"1.121.0108", "1.121.0108", false, 0},
                      VersionCase{"1.121.0108", "1.121.0109", false, 1}, VersionCase{"1.121.0108", "1.121.0107", false, 0},
                      VersionCase{"1.121.0108", "1.122", false, 1}, VersionCase{"1.121.0108", "2.0", false, 1},
                      // Without a point each part is the whole number text: "2" reads as 2.2.2.
                      VersionCase{"2", "2.2.2", false, 0}, VersionCase{"2", "2.2.3", false, 1},
                      VersionCase{"2.2.2", "2", false, 0}, VersionCase{"2.2.1", "2", false, 1},
                      // Parts keep seven characters.
                      VersionCase{"1.121.0108", "1.121.00001089", false, 0}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

using HeaderWriteFailure = HeaderTest;

TEST_F(HeaderWriteFailure, MissingFolderIsReported)
{
    const std::string missing = dir / "no/such/folder";
    ASSERT_EQ(KRAVinA_Proj_Create("P", "", "", dir.str().c_str()), 1);
    EXPECT_EQ(KRAVinA_Proj_Write(missing.c_str()), -1);
    EXPECT_EQ(KRAVinA_Proj_Update_Head(1, "Q", "", "", missing.c_str()), -1);
    EXPECT_EQ(KRAVinA_Proj_Update_Sys(1, 0, -1, "QV100", "", "", "", 0, 0, missing.c_str()), -1);
    // Two levels cannot be created.
    EXPECT_EQ(KRAVinA_Proj_Create("P", "", "", missing.c_str()), -1);
    // A folder path that is a file.
    writeBytes(dir / "plain", {1});
    EXPECT_EQ(KRAVinA_Proj_Create("P", "", "", (dir / "plain").c_str()), -1);
    EXPECT_EQ(KRAVinA_Proj_Write(nullptr), -1);
}

TEST_F(HeaderWriteFailure, ShortWriteKeepsThePreviousFile)
{
    ASSERT_EQ(KRAVinA_Proj_Create("FIRST", "", "", dir.str().c_str()), 1);
    const auto before = readBytes(headerPath());

    {
        kravin::test::FileSizeLimit full(4096);  // the disk fills after 4 KiB
        EXPECT_EQ(KRAVinA_Proj_Update_Head(1, "SECOND", "", "", dir.str().c_str()), -1);
        EXPECT_EQ(KRAVinA_Proj_Write(dir.str().c_str()), -1);
    }

    EXPECT_EQ(readBytes(headerPath()), before);
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename(), "KRAVin.KRAB") << "stray file left behind";
}

TEST_F(HeaderTest, FindsHeaderWhateverItsCaseAndWritesTheSpelledName)
{
    ASSERT_EQ(KRAVinA_Proj_Create("CASED", "", "", dir.str().c_str()), 1);
    std::filesystem::rename(headerPath(), dir / "kravin.krab");
    ASSERT_EQ(KRAVinA_Proj_Select(dir.str().c_str()), 1);
    char name[32];
    KRAVinA_Proj_Get_Head(name, nullptr, nullptr);
    EXPECT_EQ(std::string(name, 5), "CASED");

    ASSERT_EQ(KRAVinA_Proj_Write(dir.str().c_str()), 0);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"KRAVin.KRAB"});
}

// Two threads updating and reading whole records never see a torn record.
TEST_F(HeaderTest, ConcurrentCallsNeverTearARecord)
{
    ASSERT_EQ(KRAVinA_Proj_Create("", "", "", dir.str().c_str()), 1);
    const std::string a(32, 'a'), b(32, 'b');
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i) {
            const std::string& t = (i & 1) ? a : b;
            KRAVinA_Proj_Update_Sys(0, 9, 9, t.c_str(), t.c_str(), t.c_str(), t.c_str(), i & 1, i & 1, nullptr);
        }
        stop = true;
    });
    std::thread reader([&] {
        while (!stop) {
            char kind[8], unit[5], version[4], comment[32];
            int x, y;
            KRAVinA_Proj_Get_Sys(9, 9, kind, unit, version, comment, &x, &y);
            const char c = kind[0];
            const bool same = std::string(kind, 8) == std::string(8, c) && std::string(comment, 32) == std::string(32, c) &&
                              x == y && (x == 1) == (c == 'a');
            if (!same && c != '\0') ++torn;
        }
    });
    writer.join();
    reader.join();
    EXPECT_EQ(torn.load(), 0);
}

}  // namespace

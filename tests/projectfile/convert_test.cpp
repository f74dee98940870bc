#include "KRAVinA.h"
#include "header_fixtures.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using kravin::test::readBytes;
using kravin::test::TempDir;
using kravin::test::writeBytes;
using namespace kravin::test::header;

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

namespace {

constexpr const char* kProgramVersion = "ORVANTEK KRAV3 Version 1.121.0108";
constexpr std::size_t kOldRecord = 36, kAconRecord = 148, kDconRecord = 156;
constexpr std::size_t kOldAconSize = 360000, kOldDconSize = 576;
constexpr std::size_t kAconSize = 1480000, kDconSize = 2496;

int16_t int16At(const Bytes& b, std::size_t at)
{
    int16_t v;
    std::memcpy(&v, b.data() + at, 2);
    return v;
}

void putInt16(Bytes& b, std::size_t at, int16_t v) { std::memcpy(b.data() + at, &v, 2); }

// One record of an old connection file.
struct OldRecord {
    std::size_t index;
    int8_t kind, colour;
    uint8_t byte2, byte3;
    int16_t x0, y0;  // points i = 0..7 are (x0 + i, y0 - i)
};

Bytes oldConnections(std::size_t size, const std::vector<OldRecord>& records)
{
    Bytes b(size, 0);
    for (const auto& r : records) {
        const std::size_t at = r.index * kOldRecord;
        b[at] = static_cast<unsigned char>(r.kind);
        b[at + 1] = static_cast<unsigned char>(r.colour);
        b[at + 2] = r.byte2;
        b[at + 3] = r.byte3;
        for (int i = 0; i < 8; ++i) {
            putInt16(b, at + 4 + 2 * i, static_cast<int16_t>(r.x0 + i));
            putInt16(b, at + 20 + 2 * i, static_cast<int16_t>(r.y0 - i));
        }
    }
    return b;
}

// A header of the oldest layout: head texts at 0, 32, 64 and 132-byte records from 1024.
Bytes oldestHeader(const std::vector<OldUnit>& units = {}) { return oldHeader("", 0, 32, 64, units); }

// Every file (bytes), folder and link (target) below root, by relative path.
std::map<std::string, std::string> snapshot(const fs::path& root, const fs::path& skip = {})
{
    std::map<std::string, std::string> out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path& p = it->path();
        if (!skip.empty() && p == skip) {
            it.disable_recursion_pending();
            continue;
        }
        const std::string rel = fs::relative(p, root).string();
        if (it->is_symlink()) {
            out[rel] = "link:" + fs::read_symlink(p).string();
        } else if (it->is_directory()) {
            out[rel] = "dir";
        } else {
            const auto b = readBytes(p.string());
            out[rel] = std::string(b.begin(), b.end());
        }
    }
    return out;
}

std::vector<std::string> namesIn(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class ConvertTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KRAVinA_Proj_Set_Version(kProgramVersion);
        fs::create_directories(oldDir);
    }

    void put(const std::string& rel, const Bytes& bytes)
    {
        fs::create_directories(fs::path(oldDir + "/" + rel).parent_path());
        writeBytes(oldDir + "/" + rel, bytes);
    }

    int convert(const std::string& chosen = "KRAVin.KRA")
    {
        return KRAVinA_Proj_Convert((oldDir + "/" + chosen).c_str(), newDir.c_str());
    }

    Bytes converted(const std::string& rel) const { return readBytes(newDir + "/" + rel); }

    TempDir dir;
    const std::string oldDir = dir / "old";
    const std::string newDir = dir / "new";
};

TEST_F(ConvertTest, ConvertsHeaderUnitAndConnectionFilesOfAProject)
{
    Bytes head = oldestHeader({{0, -1, "QV200", "U0001", "1.10", "main station", 10, 20},
                               {2, 3, "TQRQ", "01100", "2.01", "comm card", -5, 70000}});
    putText(head, 8, "HIDDEN");  // bytes after the name's NUL are not carried
    put("KRAVin.KRA", head);
    const Bytes unit(361300, 0x5A);
    put("STN02/CARD3.KRA", unit);
    put("STN02/ACX.KRA", oldConnections(kOldAconSize, {{0, 1, 2, 3, 4, 100, 200}}));
    put("STN02/DC3.KRA", oldConnections(kOldDconSize, {{0, 5, 6, 7, 8, 300, 400}}));
    put("notes.txt", {'h', 'i'});
    const auto before = snapshot(oldDir);

    ASSERT_EQ(convert(), 0);

    EXPECT_EQ(namesIn(newDir), (std::vector<std::string>{"KRAVin.KRAB", "STN02", "notes.txt"}));
    EXPECT_EQ(namesIn(newDir + "/STN02"), (std::vector<std::string>{"ACX.KRAB", "CARD3.KRAB", "DC3.KRAB"}));
    EXPECT_EQ(converted("STN02/CARD3.KRAB"), unit);
    EXPECT_EQ(converted("notes.txt"), (Bytes{'h', 'i'}));
    EXPECT_EQ(converted("STN02/ACX.KRAB").size(), kAconSize);
    EXPECT_EQ(converted("STN02/DC3.KRAB").size(), kDconSize);

    const Bytes h = converted("KRAVin.KRAB");
    ASSERT_EQ(h.size(), 148992u);
    EXPECT_EQ(field(h, 0, 64), padded(kProgramVersion, 64));
    EXPECT_EQ(field(h, 64, 32), padded("OLDNAME", 32));
    EXPECT_EQ(field(h, 96, 32), padded("OLDTEXT2", 32));
    EXPECT_EQ(field(h, 128, 160), padded("OLD COMMENT", 160));
    const std::size_t r = 1024 + 136 * (17 * 2 + 3 + 1);
    EXPECT_EQ(field(h, r, 8), std::string("TQRQ\0   ", 8));
    EXPECT_EQ(field(h, r + 9, 5), "01100");
    EXPECT_EQ(field(h, r + 14, 4), "2.01");
    EXPECT_EQ(field(h, r + 18, 32), padded("comm card", 32));
    EXPECT_EQ(int32At(h, r + 52), -5);
    EXPECT_EQ(int32At(h, r + 56), 70000);

    // The library's image holds the converted project.
    char name[32], kind[8], unitText[5], version[4], comment[32];
    int x = 0, y = 0;
    ASSERT_EQ(KRAVinA_Proj_Get_Head(name, nullptr, nullptr), 0);
    EXPECT_EQ(std::string(name, 32), padded("OLDNAME", 32));
    ASSERT_EQ(KRAVinA_Proj_Get_Sys(0, -1, kind, unitText, version, comment, &x, &y), 0);
    EXPECT_EQ(std::string(kind, 8), "QV200   ");
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 20);

    EXPECT_EQ(snapshot(oldDir), before);
}

TEST_F(ConvertTest, AnalogRecordsWidenInPlace)
{
    const std::vector<OldRecord> records = {
        {0, -3, 2, 0x81, 0x44, -100, 100},  // negative kind widens with its sign
        {1, 127, 14, 7, 0, 32000, -32000},
        {100 * 42 + 17, 1, 0, 255, 9, 5, 6},
        {9999, -128, 6, 1, 2, 1, 2},
        {300, 0, 15, 0, 0, 0, 0},  // colour indexes past the table and below it have none
        {301, 0, -1, 0, 0, 0, 0},
        {302, 0, -128, 0, 0, 0, 0},
    };
    put("STN00/ACX.KRA", oldConnections(kOldAconSize, records));
    ASSERT_EQ(convert(), 0);

    const Bytes b = converted("STN00/ACX.KRAB");
    ASSERT_EQ(b.size(), kAconSize);
    Bytes expected(kAconSize, 0);
    for (std::size_t i = 0; i < 10000; ++i) putInt32(expected, i * kAconRecord + 4, 0x0000FF);  // index 0
    for (const auto& r : records) {
        const std::size_t at = r.index * kAconRecord;
        putInt32(expected, at, r.kind);
        putInt32(expected, at + 4, r.colour == 2 ? 0xFF0000 : r.colour == 14 ? 0x808000
                                   : r.colour == 6 ? 0xFFFFFF : r.colour == 0 ? 0x0000FF : 0);
        expected[at + 8] = r.byte2;
        for (int i = 0; i < 8; ++i) {
            putInt16(expected, at + 26 + 2 * i, static_cast<int16_t>(r.x0 + i));
            putInt16(expected, at + 86 + 2 * i, static_cast<int16_t>(r.y0 - i));
        }
    }
    EXPECT_EQ(b, expected);
    EXPECT_EQ(int32At(b, 0), -3);
    EXPECT_EQ(b[8], 0x81);
    EXPECT_EQ(int16At(b, 26), -100);
    EXPECT_EQ(int16At(b, 26 + 14), -93);
    EXPECT_EQ(int16At(b, 26 + 16), 0);  // point 8 and on stay zero
}

TEST_F(ConvertTest, CommunicationRecordsWidenInPlace)
{
    const std::vector<OldRecord> records = {
        {0, -7, 9, 0xF0, 0x0F, -1, 1},
        {15, 42, 13, 3, 0x80, 1000, -1000},
    };
    put("STN63/DCF.KRA", oldConnections(kOldDconSize, records));
    ASSERT_EQ(convert(), 0);

    const Bytes b = converted("STN63/DCF.KRAB");
    ASSERT_EQ(b.size(), kDconSize);
    Bytes expected(kDconSize, 0);
    for (std::size_t i = 0; i < 16; ++i) putInt32(expected, i * kDconRecord + 12, 0x0000FF);
    for (const auto& r : records) {
        const std::size_t at = r.index * kDconRecord;
        putInt32(expected, at + 8, r.kind);
        putInt32(expected, at + 12, r.colour == 9 ? 0x000080 : 0x800080);
        expected[at + 16] = r.byte2;
        expected[at + 17] = r.byte3;
        for (int i = 0; i < 8; ++i) {
            putInt16(expected, at + 36 + 2 * i, static_cast<int16_t>(r.x0 + i));
            putInt16(expected, at + 96 + 2 * i, static_cast<int16_t>(r.y0 - i));
        }
    }
    EXPECT_EQ(b, expected);
    EXPECT_EQ(int32At(b, 15 * kDconRecord + 8), 42);
    EXPECT_EQ(int32At(b, 8), -7);
}

TEST_F(ConvertTest, ColourIndexesMapToColourrefs)
{
    const struct {
        int8_t index;
        int32_t colour;
    } cases[] = {
        {0, 0x0000FF}, {1, 0x00FF00}, {2, 0xFF0000},  {3, 0x00FFFF},  {4, 0xFF00FF},  {5, 0xFFFF00},
        {6, 0xFFFFFF}, {7, 0x808080}, {8, 0xC0C0C0},  {9, 0x000080},  {10, 0x008000}, {11, 0x008080},
        {12, 0x800000}, {13, 0x800080}, {14, 0x808000}, {15, 0}, {16, 0}, {127, 0}, {-1, 0}, {-128, 0},
    };
    std::vector<OldRecord> analog, comm;
    std::size_t n = 0;
    for (const auto& c : cases) {
        analog.push_back({n, 1, c.index, 0, 0, 0, 0});
        if (n < 16) comm.push_back({n, 1, c.index, 0, 0, 0, 0});
        ++n;
    }
    put("STN01/AC0.KRA", oldConnections(kOldAconSize, analog));
    put("STN01/DC0.KRA", oldConnections(kOldDconSize, comm));
    ASSERT_EQ(convert(), 0);

    const Bytes a = converted("STN01/AC0.KRAB");
    const Bytes d = converted("STN01/DC0.KRAB");
    n = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(int32At(a, n * kAconRecord + 4), c.colour) << "index " << int(c.index);
        if (n < 16) {
            EXPECT_EQ(int32At(d, n * kDconRecord + 12), c.colour) << "index " << int(c.index);
        }
        ++n;
    }
}

TEST_F(ConvertTest, FilesAreKnownByNamePrefixWhateverTheirCase)
{
    const Bytes plain = {1, 2, 3};
    const struct {
        std::string oldName, newName;
        std::size_t size;  // 0: copied as it is
    } cases[] = {
        {"acX.kra", "acX.KRAB", kAconSize},
        {"ACCOUNTS.KRA", "ACCOUNTS.KRAB", kAconSize},  // no connection file, widened all the same
        {"Dc5.Kra", "Dc5.KRAB", kDconSize},
        {"AC", "AC", kAconSize},
        {"dcx.dat", "dcx.dat", kDconSize},
        {"A.KRA", "A.KRAB", 0},
        {"CARD0.kRa", "CARD0.KRAB", 0},
        {"STNINF.KRAB", "STNINF.KRAB", 0},
        {"KRA", "KRA", 0},
        {"x.KRA.bak", "x.KRA.bak", 0},
        {".kra", ".KRAB", 0},
    };
    for (const auto& c : cases) put("STN07/" + c.oldName, plain);
    ASSERT_EQ(convert(), 0);

    for (const auto& c : cases) {
        SCOPED_TRACE(c.oldName);
        const Bytes b = converted("STN07/" + c.newName);
        if (c.size == 0) {
            EXPECT_EQ(b, plain);
        } else {
            ASSERT_EQ(b.size(), c.size);
            EXPECT_EQ(int32At(b, c.size == kAconSize ? 0 : 8), 1);  // kind 1 from the first byte
        }
    }
    EXPECT_EQ(namesIn(newDir + "/STN07").size(), std::size(cases));
}

TEST_F(ConvertTest, ShortAndMissingConnectionFilesBecomeEmptyConvertedFiles)
{
    put("STN00/ACX.KRA", oldConnections(kOldRecord, {{0, 9, 1, 0, 0, 1, 1}}));  // one record only
    put("STN00/AC0.KRA", {});
    fs::create_symlink("no-such-file", oldDir + "/STN00/DC3.KRA");  // dangling: missing
    ASSERT_EQ(convert(), 0);

    const auto emptyAnalog = [] {
        Bytes e(kAconSize, 0);
        for (std::size_t i = 0; i < 10000; ++i) putInt32(e, i * kAconRecord + 4, 0x0000FF);
        return e;
    }();
    EXPECT_EQ(converted("STN00/AC0.KRAB"), emptyAnalog);
    const Bytes shortOne = converted("STN00/ACX.KRAB");
    ASSERT_EQ(shortOne.size(), kAconSize);
    EXPECT_EQ(int32At(shortOne, 0), 9);
    EXPECT_EQ(int32At(shortOne, 4), 0x00FF00);
    EXPECT_TRUE(std::equal(shortOne.begin() + kAconRecord, shortOne.end(), emptyAnalog.begin() + kAconRecord));

    Bytes emptyComm(kDconSize, 0);
    for (std::size_t i = 0; i < 16; ++i) putInt32(emptyComm, i * kDconRecord + 12, 0x0000FF);
    EXPECT_EQ(converted("STN00/DC3.KRAB"), emptyComm);
    EXPECT_FALSE(fs::is_symlink(newDir + "/STN00/DC3.KRAB"));
}

TEST_F(ConvertTest, CopiesSubfoldersWholeAndWritesTheCanonicalHeaderName)
{
    put("kravin.kra", oldestHeader());
    put("STN00/STNINF.KRA", {7});
    put("STN00/extra/deeper/CARD1.KRA", {8});
    fs::create_directories(oldDir + "/STN05/empty");
    ASSERT_EQ(convert("kravin.kra"), 0);

    EXPECT_EQ(namesIn(newDir), (std::vector<std::string>{"KRAVin.KRAB", "STN00", "STN05"}));
    EXPECT_EQ(field(converted("KRAVin.KRAB"), 64, 32), padded("OLDNAME", 32));
    EXPECT_EQ(converted("STN00/STNINF.KRAB"), Bytes{7});
    EXPECT_EQ(converted("STN00/extra/deeper/CARD1.KRAB"), Bytes{8});
    EXPECT_TRUE(fs::is_directory(newDir + "/STN05/empty"));
}

TEST_F(ConvertTest, OldPathMayNameAnyFileOfTheFolder)
{
    put("KRAVin.KRA", oldestHeader());
    put("STN00/ACX.KRA", {});
    for (const std::string chosen : {"KRAVin.KRA", "STN00/../other.KRA", "", "does-not-exist.kra"}) {
        SCOPED_TRACE(chosen);
        fs::remove_all(newDir);
        ASSERT_EQ(convert(chosen), 0);
        EXPECT_EQ(field(converted("KRAVin.KRAB"), 64, 32), padded("OLDNAME", 32));
        EXPECT_EQ(converted("STN00/ACX.KRAB").size(), kAconSize);
    }
}

TEST_F(ConvertTest, FolderWithoutHeaderGetsAnEmptyCurrentHeader)
{
    put("STN00/CARD0.KRA", {1});
    ASSERT_EQ(convert("STN00/../anything"), 0);
    const Bytes h = converted("KRAVin.KRAB");
    ASSERT_EQ(h.size(), 148992u);
    EXPECT_EQ(field(h, 0, 64), padded(kProgramVersion, 64));
    EXPECT_EQ(field(h, 64, 32), padded("", 32));
}

TEST_F(ConvertTest, NewFolderInsideTheOldOneIsNotCopiedIntoItself)
{
    put("KRAVin.KRA", oldestHeader());
    put("STN00/CARD0.KRA", {1});
    const auto before = snapshot(oldDir);
    const std::string inner = oldDir + "/work";
    ASSERT_EQ(KRAVinA_Proj_Convert((oldDir + "/KRAVin.KRA").c_str(), inner.c_str()), 0);

    EXPECT_EQ(namesIn(inner), (std::vector<std::string>{"KRAVin.KRAB", "STN00"}));
    EXPECT_EQ(readBytes(inner + "/STN00/CARD0.KRAB"), Bytes{1});
    EXPECT_EQ(snapshot(oldDir, inner), before);
}

TEST_F(ConvertTest, SymbolicLinksNeverLeadOutOfTheOldFolder)
{
    const std::string outside = dir / "outside";
    fs::create_directories(outside);
    writeBytes(outside + "/secret.KRA", {'s'});
    put("STN00/ACX.KRA", oldConnections(kOldAconSize, {{0, 4, 0, 0, 0, 0, 0}}));
    put("KRAVin.KRA", oldestHeader());
    fs::create_symlink(outside + "/secret.KRA", oldDir + "/secret.KRA");
    fs::create_directory_symlink(outside, oldDir + "/outdir");
    fs::create_directory_symlink(oldDir, oldDir + "/STN00/loop");
    fs::create_symlink("ACX.KRA", oldDir + "/STN00/ACY.KRA");  // inside: converted like the file
    ASSERT_EQ(convert(), 0);

    EXPECT_EQ(namesIn(newDir), (std::vector<std::string>{"KRAVin.KRAB", "STN00"}));
    EXPECT_EQ(namesIn(newDir + "/STN00"), (std::vector<std::string>{"ACX.KRAB", "ACY.KRAB"}));
    EXPECT_EQ(converted("STN00/ACY.KRAB"), converted("STN00/ACX.KRAB"));
    EXPECT_FALSE(fs::is_symlink(newDir + "/STN00/ACY.KRAB"));
    EXPECT_EQ(int32At(converted("STN00/ACY.KRAB"), 0), 4);
}

TEST_F(ConvertTest, RefusalsAndFailuresAreReported)
{
    put("KRAVin.KRA", oldestHeader());
    put("STN00/CARD0.KRA", {1});
    const auto before = snapshot(oldDir);
    const std::string oldFile = oldDir + "/KRAVin.KRA";

    EXPECT_EQ(KRAVinA_Proj_Convert(nullptr, newDir.c_str()), -1);
    EXPECT_EQ(KRAVinA_Proj_Convert(oldFile.c_str(), nullptr), -1);
    EXPECT_EQ(KRAVinA_Proj_Convert("", newDir.c_str()), -1);
    EXPECT_EQ(KRAVinA_Proj_Convert(oldFile.c_str(), ""), -1);

    // Missing old folder: nothing is created.
    EXPECT_EQ(KRAVinA_Proj_Convert((dir / "gone/KRAVin.KRA").c_str(), newDir.c_str()), -1);
    EXPECT_FALSE(fs::exists(newDir));
    // New folder below a missing parent (one level is created).
    EXPECT_EQ(KRAVinA_Proj_Convert(oldFile.c_str(), (dir / "a/b").c_str()), -1);
    // Into the old folder itself or one of its parents.
    EXPECT_EQ(KRAVinA_Proj_Convert(oldFile.c_str(), oldDir.c_str()), -1);
    EXPECT_EQ(KRAVinA_Proj_Convert(oldFile.c_str(), (oldDir + "/").c_str()), -1);
    EXPECT_EQ(KRAVinA_Proj_Convert(oldFile.c_str(), (oldDir + "/STN00/..").c_str()), -1);
    EXPECT_EQ(KRAVinA_Proj_Convert(oldFile.c_str(), dir.str().c_str()), -1);
    EXPECT_EQ(snapshot(oldDir), before);

    // A target that cannot be written.
    fs::create_directories(newDir + "/STN00/CARD0.KRAB");
    EXPECT_EQ(KRAVinA_Proj_Convert(oldFile.c_str(), newDir.c_str()), -1);
    fs::remove_all(newDir);
    // A header that cannot be written.
    fs::remove(oldFile);
    fs::create_directories(newDir + "/KRAVin.KRAB");
    EXPECT_EQ(KRAVinA_Proj_Convert((oldDir + "/x").c_str(), newDir.c_str()), -1);
}

TEST_F(ConvertTest, UnreadableOldFileIsReported)
{
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    put("STN00/CARD0.KRA", {1});
    put("STN00/ACX.KRA", {});
    for (const std::string locked : {"STN00/CARD0.KRA", "STN00/ACX.KRA", "STN00"}) {
        SCOPED_TRACE(locked);
        fs::remove_all(newDir);
        ::chmod((oldDir + "/" + locked).c_str(), 0);
        EXPECT_EQ(convert(), -1);
        ::chmod((oldDir + "/" + locked).c_str(), fs::is_directory(oldDir + "/" + locked) ? 0755 : 0644);
    }
    fs::remove_all(newDir);
    EXPECT_EQ(convert(), 0);
}

}  // namespace

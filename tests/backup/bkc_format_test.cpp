#include "backup_job.h"
#include "bkc_format.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

using namespace kravinb;
using kravin::test::TempDir;
using kravin::test::writeBytes;

namespace {

BkcHeader sampleHeader()
{
    BkcHeader h;
    h.project = "PROJECT-NAME-THAT-FILLS-32-BYTES!!";  // 34: cut to 32
    h.cardName = "QV200   ";
    h.version = "0108";
    h.unitText = "AB";
    h.station = 3;
    h.card = 10;
    h.member[0] = {361300, 128, 9000};
    h.member[1] = {1480000, 9128, 20000};
    h.time = 1700000000;
    return h;
}

}  // namespace

TEST(BkcHeader, LayoutIsLittleEndianAtFixedOffsets)
{
    const HeaderBytes b = EncodeHeader(sampleHeader());
    EXPECT_EQ(std::memcmp(b.data(), "KRAVinB\0", 8), 0);
    EXPECT_EQ(std::memcmp(b.data() + 8, "PROJECT-NAME-THAT-FILLS-32-BYTES", 32), 0);
    EXPECT_EQ(std::memcmp(b.data() + 40, "QV200   ", 8), 0);
    EXPECT_EQ(std::memcmp(b.data() + 48, "0108", 4), 0);
    EXPECT_EQ(std::memcmp(b.data() + 52, "AB\0\0\0\0\0\0", 8), 0);
    EXPECT_EQ(b[60], 3);
    EXPECT_EQ(b[62], 10);
    EXPECT_EQ(b[64] | b[65] << 8 | b[66] << 16, 361300);
    EXPECT_EQ(b[68], 128);
    EXPECT_EQ(b[80] | b[81] << 8, 9128);
    EXPECT_EQ(b[88] | b[89] << 8 | b[90] << 16 | b[91] << 24, 1700000000);
    for (int i = 92; i < 128; ++i) EXPECT_EQ(b[i], 0) << i;

    BkcHeader station = sampleHeader();
    station.card = -1;
    const HeaderBytes s = EncodeHeader(station);
    EXPECT_EQ(s[62], 0xFF);
    EXPECT_EQ(s[63], 0xFF);
    const auto back = DecodeHeader(s.data(), s.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->card, -1);
    EXPECT_EQ(back->project, "PROJECT-NAME-THAT-FILLS-32-BYTES");
    EXPECT_EQ(back->unitText, "AB");
}

TEST(BkcHeader, FitsOnlyAFileThatHoldsItsMembers)
{
    struct Case {
        const char* what;
        void (*change)(BkcHeader&);
        std::uint64_t fileSize;
        bool fits;
    };
    const Case cases[] = {
        {"as written", [](BkcHeader&) {}, 29128, true},
        {"file one byte short", [](BkcHeader&) {}, 29127, false},
        {"member 0 not at 128", [](BkcHeader& h) { h.member[0].offset = 130; }, 29128, false},
        {"member 1 not after member 0", [](BkcHeader& h) { h.member[1].offset = 9000; }, 29128, false},
        {"size beyond what its codes can give", [](BkcHeader& h) { h.member[0].size = 9000u * 4096 + 1; }, 29128, false},
        {"station out of range", [](BkcHeader& h) { h.station = 64; }, 29128, false},
        {"card out of range", [](BkcHeader& h) { h.card = 16; }, 29128, false},
        {"station backup with a member 1", [](BkcHeader& h) { h.card = -1; }, 29128, false},
        {"absent member 1 with an offset", [](BkcHeader& h) { h.member[1] = {0, 9128, 0}; }, 9128, false},
        {"one member", [](BkcHeader& h) { h.member[1] = {}; }, 9128, true},
        {"offsets wrapping past 4 GB", [](BkcHeader& h) { h.member[1].packed = 0xFFFFFFFFu; }, 29128, false},
    };
    for (const Case& c : cases) {
        BkcHeader h = sampleHeader();
        c.change(h);
        EXPECT_EQ(HeaderFitsFile(h, c.fileSize), c.fits) << c.what;
    }
}

TEST(BkcHeader, CheckRefusesShortFilesAndWrongMagic)
{
    TempDir dir;
    const HeaderBytes good = EncodeHeader(sampleHeader());
    std::vector<unsigned char> file(good.begin(), good.end());
    file.resize(29128, 0);
    writeBytes(dir / "good.BKC", file);
    std::vector<unsigned char> shortFile(file.begin(), file.begin() + 127);
    writeBytes(dir / "short.BKC", shortFile);
    std::vector<unsigned char> magic = file;
    magic[7] = 'x';  // the zero after the letters belongs to the magic
    writeBytes(dir / "magic.BKC", magic);
    std::vector<unsigned char> cut(file.begin(), file.begin() + 20000);
    writeBytes(dir / "cut.BKC", cut);

    EXPECT_EQ(CheckBackupHeader(dir / "good.BKC", nullptr), HeaderCheck::Ok);
    EXPECT_EQ(CheckBackupHeader(dir / "short.BKC", nullptr), HeaderCheck::NotBackup);
    EXPECT_EQ(CheckBackupHeader(dir / "magic.BKC", nullptr), HeaderCheck::NotBackup);
    EXPECT_EQ(CheckBackupHeader(dir / "cut.BKC", nullptr), HeaderCheck::Damaged);
    EXPECT_EQ(CheckBackupHeader(dir / "none.BKC", nullptr), HeaderCheck::Missing);
}

TEST(BkcNames, DefaultNamesAndMemberFiles)
{
    EXPECT_EQ(DefaultBackupStem(3, 10), "S03CA");
    EXPECT_EQ(DefaultBackupStem(3, -1), "S03CX");
    EXPECT_EQ(DefaultBackupStem(5, 3), "S05C3");
    EXPECT_EQ(MemberFileName(-1, 0), "STNINF.KRAB");
    EXPECT_EQ(MemberFileName(11, 0), "CARDB.KRAB");
    EXPECT_EQ(MemberFileName(11, 1), "ACB.KRAB");
}

TEST(BkcNames, FilesAreFoundWhateverTheirCase)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "stn07");
    writeBytes(dir / "stn07/CARD3.krab", {1});
    EXPECT_EQ(StationFolder(dir.path(), 7), dir.path() / "stn07");
    const auto found = FindNoCase(dir.path() / "stn07", MemberFileName(3, 0));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->filename(), "CARD3.krab");
    EXPECT_FALSE(FindNoCase(dir.path() / "stn07", MemberFileName(4, 0)));
    const CardFiles files = GetCardFileInfo(dir.path(), 7, 3);
    EXPECT_EQ(files.count, 1);
    EXPECT_EQ(files.totalSize, 1u);
}

// The fuzz target of the reader is given inputs as long as the largest backup the
// reader accepts, and starts from a seed of that length.
TEST(BkcFuzzTarget, ReachesTheLargestBackup)
{
    std::ifstream targets(KRAVIN_FUZZ_TARGETS);
    ASSERT_TRUE(targets) << KRAVIN_FUZZ_TARGETS;
    std::string line;
    while (std::getline(targets, line)) {
        std::istringstream row(line);
        std::string name;
        std::uint64_t maxLen = 0;
        if (!(row >> name) || name != "fuzz_bkc") continue;
        ASSERT_TRUE(row >> maxLen) << line;
        EXPECT_EQ(maxLen, kMaxBackupSize);
        std::vector<std::uint64_t> seeds;
        for (std::uint64_t size; row >> size;) seeds.push_back(size);
        EXPECT_NE(std::find(seeds.begin(), seeds.end(), kMaxBackupSize), seeds.end()) << line;
        return;
    }
    ADD_FAILURE() << "no row for fuzz_bkc";
}

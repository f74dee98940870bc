#include "KRAVinA.h"
#include "file_size_limit.h"
#include "header_fixtures.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using kravin::test::FileSizeLimit;
using kravin::test::header::field;
using kravin::test::header::int32At;
using kravin::test::readBytes;
using kravin::test::TempDir;
using kravin::test::writeBytes;

namespace {

constexpr std::size_t kFileSize = 361300;
constexpr std::size_t kHeadSize = 500;

std::size_t blockAt(int b) { return 500 + 3608 * std::size_t(b); }
std::size_t itemAt(int b, int i) { return blockAt(b) + 8 + 16 * std::size_t(i); }
std::size_t termAt(int b, int t) { return blockAt(b) + 1608 + 20 * std::size_t(t); }

// A buffer of exactly n bytes on the heap, so that the sanitizer sees any access past it.
std::vector<char> exact(std::size_t n, char fill) { return std::vector<char>(n, fill); }

std::vector<char> headOf(const std::string& text)
{
    std::vector<char> h(kHeadSize, '\0');
    std::memcpy(h.data(), text.data(), text.size());
    return h;
}

class UnitDataTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(KRAVinA_Proj_Create("", "", "", folder()), 1); }
    const char* folder() const { return folder_.c_str(); }
    std::string path(const std::string& rel) const { return dir / rel; }

    // Loads a unit and fills its whole image with a byte, so stale data would show.
    void dirtyImage(int station, int card)
    {
        auto head = exact(kHeadSize, '\0');
        KRAVinA_Data_Get(station, card, head.data(), folder());
        const std::vector<char> item(16, '\xEE'), term(20, '\xEE');
        for (int b = 0; b < 100; ++b) {
            KRAVinA_Data_XY_Set(b, -1, -1);
            for (int i = 0; i < 100; ++i) {
                KRAVinA_Data_Item_Set(b, i, item.data());
                KRAVinA_Data_Term_Set(b, i, term.data());
            }
        }
    }

    TempDir dir;
    std::string folder_ = dir.str();
};

TEST_F(UnitDataTest, FileNamesFollowStationAndCard)
{
    const struct {
        int station, card;
        const char* file;
    } cases[] = {{0, -1, "STN00/STNINF.KRAB"}, {0, 0, "STN00/CARD0.KRAB"}, {3, 9, "STN03/CARD9.KRAB"},
                 {3, 10, "STN03/CARDA.KRAB"},  {12, 11, "STN12/CARDB.KRAB"}, {63, 15, "STN63/CARDF.KRAB"},
                 {63, -1, "STN63/STNINF.KRAB"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto head = headOf(c.file);
        ASSERT_EQ(KRAVinA_Data_Write(c.station, c.card, head.data(), folder()), 0);
        const auto b = readBytes(path(c.file));
        ASSERT_EQ(b.size(), kFileSize);
        EXPECT_EQ(field(b, 0, kHeadSize), std::string(head.data(), kHeadSize));

        auto back = exact(kHeadSize, 'x');
        ASSERT_EQ(KRAVinA_Data_Get(c.station, c.card, back.data(), folder()), 0);
        EXPECT_EQ(back, head);
    }
    // Only the spelled names exist, nothing else was created.
    std::size_t files = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path()))
        files += e.is_regular_file() && e.path().filename() != "KRAVin.KRAB";
    EXPECT_EQ(files, std::size(cases));
}

TEST_F(UnitDataTest, MissingUnitGivesDefaultHeadAndClearedImage)
{
    dirtyImage(1, 2);
    auto head = exact(kHeadSize, 'x');
    EXPECT_EQ(KRAVinA_Data_Get(5, 7, head.data(), folder()), -2);
    EXPECT_EQ(std::string(head.data(), kHeadSize), std::string("00SYS") + std::string(495, '\0'));

    auto item = exact(16, 'x');
    int x = 7, y = 7;
    ASSERT_EQ(KRAVinA_Data_Item_Get(99, 99, item.data()), 0);
    EXPECT_EQ(std::string(item.data(), 16), std::string(16, '\0'));
    ASSERT_EQ(KRAVinA_Data_XY_Get(50, &x, &y), 0);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);

    // Written back, the slot becomes a file with the default head and nothing else.
    EXPECT_FALSE(std::filesystem::exists(path("STN05")));
    ASSERT_EQ(KRAVinA_Data_Write(5, 7, head.data(), folder()), 0);
    const auto b = readBytes(path("STN05/CARD7.KRAB"));
    ASSERT_EQ(b.size(), kFileSize);
    EXPECT_EQ(field(b, 0, 5), "00SYS");
    EXPECT_EQ(field(b, 5, kFileSize - 5), std::string(kFileSize - 5, '\0'));
}

TEST_F(UnitDataTest, PositionsItemsAndTerminalsLandAtTheirOffsets)
{
    auto head = exact(kHeadSize, '\0');
    ASSERT_EQ(KRAVinA_Data_Get(2, -1, head.data(), folder()), -2);

    const struct {
        int block, index;
    } cells[] = {{0, 0}, {0, 99}, {1, 0}, {42, 17}, {99, 0}, {99, 99}};
    for (const auto& c : cells) {
        const std::string item = "I" + std::to_string(c.block) + "-" + std::to_string(c.index) + std::string(16, '.');
        const std::string term = "T" + std::to_string(c.block) + "-" + std::to_string(c.index) + std::string(20, ',');
        ASSERT_EQ(KRAVinA_Data_Item_Set(c.block, c.index, item.c_str()), 0);
        ASSERT_EQ(KRAVinA_Data_Term_Set(c.block, c.index, term.c_str()), 0);
        ASSERT_EQ(KRAVinA_Data_XY_Set(c.block, 1000 + c.block, -3 * c.block - 1), 0);
    }
    const auto codes = headOf("00SYS94SSW");
    ASSERT_EQ(KRAVinA_Data_Write(2, -1, codes.data(), folder()), 0);

    const auto b = readBytes(path("STN02/STNINF.KRAB"));
    ASSERT_EQ(b.size(), kFileSize);
    std::vector<unsigned char> expected(kFileSize, 0);
    std::memcpy(expected.data(), codes.data(), kHeadSize);
    for (const auto& c : cells) {
        SCOPED_TRACE(testing::Message() << "block " << c.block << " index " << c.index);
        const std::string item = "I" + std::to_string(c.block) + "-" + std::to_string(c.index) + std::string(16, '.');
        const std::string term = "T" + std::to_string(c.block) + "-" + std::to_string(c.index) + std::string(20, ',');
        EXPECT_EQ(field(b, itemAt(c.block, c.index), 16), item.substr(0, 16));
        EXPECT_EQ(field(b, termAt(c.block, c.index), 20), term.substr(0, 20));
        EXPECT_EQ(int32At(b, blockAt(c.block)), 1000 + c.block);
        EXPECT_EQ(int32At(b, blockAt(c.block) + 4), -3 * c.block - 1);
        std::memcpy(expected.data() + itemAt(c.block, c.index), item.data(), 16);
        std::memcpy(expected.data() + termAt(c.block, c.index), term.data(), 20);
        const int32_t xy[2] = {1000 + c.block, -3 * c.block - 1};
        std::memcpy(expected.data() + blockAt(c.block), xy, 8);
    }
    EXPECT_EQ(b, expected) << "bytes outside the set fields changed";

    // Read back through a fresh load.
    dirtyImage(9, 9);
    ASSERT_EQ(KRAVinA_Data_Get(2, -1, head.data(), folder()), 0);
    EXPECT_EQ(head, codes);
    auto item = exact(16, 'x');
    auto term = exact(20, 'x');
    int x = 0, y = 0;
    ASSERT_EQ(KRAVinA_Data_Item_Get(42, 17, item.data()), 0);
    ASSERT_EQ(KRAVinA_Data_Term_Get(42, 17, term.data()), 0);
    ASSERT_EQ(KRAVinA_Data_XY_Get(42, &x, &y), 0);
    EXPECT_EQ(std::string(item.data(), 16), field(b, itemAt(42, 17), 16));
    EXPECT_EQ(std::string(term.data(), 20), field(b, termAt(42, 17), 20));
    EXPECT_EQ(x, 1042);
    EXPECT_EQ(y, -127);
}

TEST_F(UnitDataTest, ChangesWithoutWriteAreLostOnTheNextGet)
{
    auto head = headOf("00SYS");
    ASSERT_EQ(KRAVinA_Data_Write(4, 3, head.data(), folder()), 0);
    ASSERT_EQ(KRAVinA_Data_Get(4, 3, head.data(), folder()), 0);
    ASSERT_EQ(KRAVinA_Data_Item_Set(7, 8, "CHANGED.........."), 0);
    ASSERT_EQ(KRAVinA_Data_Get(4, 3, head.data(), folder()), 0);
    auto item = exact(16, 'x');
    ASSERT_EQ(KRAVinA_Data_Item_Get(7, 8, item.data()), 0);
    EXPECT_EQ(std::string(item.data(), 16), std::string(16, '\0'));
    // Nothing reached the disk either.
    EXPECT_EQ(field(readBytes(path("STN04/CARD3.KRAB")), itemAt(7, 8), 16), std::string(16, '\0'));
}

TEST_F(UnitDataTest, ArgumentsOutOfRangeAreRefusedAndTouchNothing)
{
    auto head = headOf("ORIGINAL");
    ASSERT_EQ(KRAVinA_Data_Write(1, 1, head.data(), folder()), 0);
    ASSERT_EQ(KRAVinA_Data_Get(1, 1, head.data(), folder()), 0);
    const auto before = readBytes(path("STN01/CARD1.KRAB"));

    const struct {
        int station, card;
    } badUnits[] = {{-1, 0}, {64, 0}, {0, -2}, {0, 16}, {1 << 30, -1}, {-(1 << 30), 0}};
    for (const auto& u : badUnits) {
        SCOPED_TRACE(testing::Message() << "station " << u.station << " card " << u.card);
        auto out = exact(kHeadSize, 'x');
        EXPECT_EQ(KRAVinA_Data_Get(u.station, u.card, out.data(), folder()), -1);
        EXPECT_EQ(out, exact(kHeadSize, 'x'));
        const auto other = headOf("OTHER");
        EXPECT_EQ(KRAVinA_Data_Write(u.station, u.card, other.data(), folder()), -1);
        EXPECT_EQ(KRAVinA_CD_Delete(u.station, u.card), -1);
        EXPECT_EQ(KRAVinA_Proj_Get_Head_Num(u.station, u.card), -1);
    }

    const struct {
        int block, index;
    } badCells[] = {{-1, 0}, {100, 0}, {0, -1}, {0, 100}, {1 << 20, 5}, {5, -(1 << 20)}};
    for (const auto& c : badCells) {
        SCOPED_TRACE(testing::Message() << "block " << c.block << " index " << c.index);
        auto item = exact(16, 'x');
        auto term = exact(20, 'x');
        EXPECT_EQ(KRAVinA_Data_Item_Get(c.block, c.index, item.data()), -1);
        EXPECT_EQ(KRAVinA_Data_Term_Get(c.block, c.index, term.data()), -1);
        EXPECT_EQ(item, exact(16, 'x'));
        EXPECT_EQ(term, exact(20, 'x'));
        EXPECT_EQ(KRAVinA_Data_Item_Set(c.block, c.index, std::string(16, 'B').c_str()), -1);
        EXPECT_EQ(KRAVinA_Data_Term_Set(c.block, c.index, std::string(20, 'B').c_str()), -1);
    }
    for (int block : {-1, 100, 1 << 30}) {
        int x = 7, y = 7;
        EXPECT_EQ(KRAVinA_Data_XY_Get(block, &x, &y), -1);
        EXPECT_EQ(x, 7);
        EXPECT_EQ(KRAVinA_Data_XY_Set(block, 1, 1), -1);
    }
    EXPECT_EQ(KRAVinA_Data_Item_Set(0, 0, nullptr), -1);
    EXPECT_EQ(KRAVinA_Data_Write(1, 1, nullptr, folder()), -1);
    EXPECT_EQ(KRAVinA_Data_Get(1, 1, nullptr, nullptr), -1);

    // The image is what was read: writing it back reproduces the file.
    ASSERT_EQ(KRAVinA_Data_Write(1, 1, head.data(), folder()), 0);
    EXPECT_EQ(readBytes(path("STN01/CARD1.KRAB")), before);
    EXPECT_FALSE(std::filesystem::exists(path("STN64")));
}

TEST_F(UnitDataTest, BuffersAreUsedAtTheirExactWidths)
{
    auto head = exact(kHeadSize, 'H');
    ASSERT_EQ(KRAVinA_Data_Write(0, 0, head.data(), folder()), 0);
    ASSERT_EQ(KRAVinA_Data_Get(0, 0, head.data(), folder()), 0);
    // Exact-size heap buffers: reading or writing one byte past them fails under the sanitizer.
    auto item = exact(16, 'i');
    auto term = exact(20, 't');
    ASSERT_EQ(KRAVinA_Data_Item_Set(3, 4, item.data()), 0);
    ASSERT_EQ(KRAVinA_Data_Term_Set(3, 4, term.data()), 0);
    auto itemOut = exact(16, '\0');
    auto termOut = exact(20, '\0');
    ASSERT_EQ(KRAVinA_Data_Item_Get(3, 4, itemOut.data()), 0);
    ASSERT_EQ(KRAVinA_Data_Term_Get(3, 4, termOut.data()), 0);
    EXPECT_EQ(itemOut, item);
    EXPECT_EQ(termOut, term);
    // The neighbours of the item and terminal are untouched.
    auto next = exact(16, 'x');
    ASSERT_EQ(KRAVinA_Data_Item_Get(3, 5, next.data()), 0);
    EXPECT_EQ(next, exact(16, '\0'));
    auto termNext = exact(20, 'x');
    ASSERT_EQ(KRAVinA_Data_Term_Get(3, 5, termNext.data()), 0);
    EXPECT_EQ(termNext, exact(20, '\0'));
    // Null outputs are skipped.
    EXPECT_EQ(KRAVinA_Data_Item_Get(3, 4, nullptr), 0);
    EXPECT_EQ(KRAVinA_Data_XY_Get(3, nullptr, nullptr), 0);
}

TEST_F(UnitDataTest, ShortFileIsReportedAndNeverShowsTheUnitReadBefore)
{
    std::filesystem::create_directory(path("STN06"));
    std::vector<unsigned char> shortFile(1000, 0);
    std::memcpy(shortFile.data(), "00SYS01ABC", 10);
    shortFile[itemAt(0, 10)] = 'Q';
    writeBytes(path("STN06/CARD2.KRAB"), shortFile);

    dirtyImage(6, 1);
    auto head = exact(kHeadSize, 'x');
    EXPECT_EQ(KRAVinA_Data_Get(6, 2, head.data(), folder()), -1);
    EXPECT_EQ(std::string(head.data(), 10), "00SYS01ABC");
    auto item = exact(16, 'x');
    ASSERT_EQ(KRAVinA_Data_Item_Get(0, 10, item.data()), 0);
    EXPECT_EQ(item[0], 'Q');
    ASSERT_EQ(KRAVinA_Data_Item_Get(0, 99, item.data()), 0);
    EXPECT_EQ(item, exact(16, '\0'));
    int x = 7, y = 7;
    ASSERT_EQ(KRAVinA_Data_XY_Get(99, &x, &y), 0);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);

    // An empty file too.
    writeBytes(path("STN06/CARD3.KRAB"), {});
    EXPECT_EQ(KRAVinA_Data_Get(6, 3, head.data(), folder()), -1);
    EXPECT_EQ(head, exact(kHeadSize, '\0'));
}

TEST_F(UnitDataTest, ReadsFoldersAndFilesWhateverTheirCase)
{
    std::filesystem::create_directory(path("stn07"));
    std::vector<unsigned char> file(kFileSize, 0);
    std::memcpy(file.data(), "00SYS", 5);
    file[itemAt(1, 1)] = 'w';
    writeBytes(path("stn07/carda.krab"), file);
    writeBytes(path("stn07/StnInf.Krab"), file);

    auto head = exact(kHeadSize, 'x');
    ASSERT_EQ(KRAVinA_Data_Get(7, 10, head.data(), folder()), 0);
    auto item = exact(16, 'x');
    ASSERT_EQ(KRAVinA_Data_Item_Get(1, 1, item.data()), 0);
    EXPECT_EQ(item[0], 'w');
    ASSERT_EQ(KRAVinA_Data_Get(7, -1, head.data(), folder()), 0);

    // Written back: the file gets its spelled name in the existing folder, no twin remains.
    ASSERT_EQ(KRAVinA_Data_Item_Set(1, 1, "v..............."), 0);
    ASSERT_EQ(KRAVinA_Data_Write(7, -1, head.data(), folder()), 0);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path("stn07"))) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"STNINF.KRAB", "carda.krab"}));
    EXPECT_FALSE(std::filesystem::exists(path("STN07")));
    EXPECT_EQ(readBytes(path("stn07/STNINF.KRAB"))[itemAt(1, 1)], 'v');
}

TEST_F(UnitDataTest, FailedWritesAreReportedAndKeepTheOldFile)
{
    auto head = headOf("FIRST");
    ASSERT_EQ(KRAVinA_Data_Write(8, 0, head.data(), folder()), 0);
    const auto before = readBytes(path("STN08/CARD0.KRAB"));

    {
        FileSizeLimit full(4096);
        const auto second = headOf("SECOND");
        EXPECT_EQ(KRAVinA_Data_Write(8, 0, second.data(), folder()), -1);
    }
    EXPECT_EQ(readBytes(path("STN08/CARD0.KRAB")), before);
    for (const auto& e : std::filesystem::directory_iterator(path("STN08")))
        EXPECT_EQ(e.path().filename(), "CARD0.KRAB") << "stray file left behind";

    // The station folder cannot be made: the work folder is missing, or a file stands in its place.
    EXPECT_EQ(KRAVinA_Data_Write(8, 0, head.data(), (dir / "missing").c_str()), -1);
    writeBytes(path("STN09"), {1});
    EXPECT_EQ(KRAVinA_Data_Write(9, 0, head.data(), folder()), -1);
}

TEST_F(UnitDataTest, KeptEntriesDoNothing)
{
    EXPECT_EQ(KRAVinA_Proj_Search(nullptr), 0);
    EXPECT_EQ(KRAVinA_Proj_Search("anything"), 0);
    EXPECT_EQ(KRAVinA_Proj_NewSearch(), 0);
    EXPECT_EQ(KRAVinA_CD_Delete(63, 15), 0);
    EXPECT_EQ(KRAVinA_CD_Delete(0, -1), 0);
    EXPECT_EQ(KRAVinA_Proj_Get_Head_Num(0, -1), 0);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 1u);  // the header only
}

// The unit image outlives a project change: create and select do not clear it.
TEST_F(UnitDataTest, UnitImageSurvivesProjectSelect)
{
    auto head = exact(kHeadSize, '\0');
    KRAVinA_Data_Get(10, 1, head.data(), folder());
    ASSERT_EQ(KRAVinA_Data_Item_Set(2, 3, "KEPT............"), 0);
    ASSERT_EQ(KRAVinA_Proj_Select(folder()), 1);
    auto item = exact(16, 'x');
    ASSERT_EQ(KRAVinA_Data_Item_Get(2, 3, item.data()), 0);
    EXPECT_EQ(std::string(item.data(), 4), "KEPT");
}

}  // namespace

// The blocks copied out in one call are the file's bytes after the head; copied back
// into the image of another unit they are what that unit then writes.
TEST_F(UnitDataTest, BlocksCopyOutAndBackWholeOrNotAtAll)
{
    constexpr int kBlocks = int(kFileSize - kHeadSize);
    auto head = headOf("FIRST");
    ASSERT_EQ(KRAVinA_Data_Write(2, 3, head.data(), folder()), 0);
    dirtyImage(2, 3);
    ASSERT_EQ(KRAVinA_Data_XY_Set(99, 0x01020304, -5), 0);
    ASSERT_EQ(KRAVinA_Data_Term_Set(99, 99, std::string(20, 'Z').c_str()), 0);
    ASSERT_EQ(KRAVinA_Data_Write(2, 3, head.data(), folder()), 0);
    const auto first = readBytes(path("STN02/CARD3.KRAB"));

    auto blocks = exact(kBlocks, '\0');  // exact: a byte past it fails under the sanitizer
    ASSERT_EQ(KRAVinA_Data_Blocks_Get(blocks.data(), kBlocks), 0);
    EXPECT_EQ(std::vector<unsigned char>(blocks.begin(), blocks.end()),
              std::vector<unsigned char>(first.begin() + kHeadSize, first.end()));

    const struct {
        const char* what;
        bool null;
        int size;
    } refused[] = {{"null", true, kBlocks}, {"short", false, kBlocks - 1}, {"long", false, kBlocks + 1},
                   {"negative", false, -kBlocks}};
    auto other = headOf("SECOND");
    ASSERT_EQ(KRAVinA_Data_Get(4, -1, other.data(), folder()), -2);  // a cleared image
    for (const auto& r : refused) {
        SCOPED_TRACE(r.what);
        auto out = exact(kBlocks + 1, 'x');
        EXPECT_EQ(KRAVinA_Data_Blocks_Get(r.null ? nullptr : out.data(), r.size), -1);
        EXPECT_EQ(out, exact(kBlocks + 1, 'x'));
        EXPECT_EQ(KRAVinA_Data_Blocks_Set(r.null ? nullptr : out.data(), r.size), -1);
    }
    auto item = exact(16, 'x');
    ASSERT_EQ(KRAVinA_Data_Item_Get(50, 50, item.data()), 0);
    EXPECT_EQ(item, exact(16, '\0')) << "a refused copy leaves the image alone";

    ASSERT_EQ(KRAVinA_Data_Blocks_Set(blocks.data(), kBlocks), 0);
    other = headOf("SECOND");
    ASSERT_EQ(KRAVinA_Data_Write(4, -1, other.data(), folder()), 0);
    const auto second = readBytes(path("STN04/STNINF.KRAB"));
    ASSERT_EQ(second.size(), kFileSize);
    EXPECT_EQ(field(second, 0, kHeadSize), std::string(other.data(), kHeadSize)) << "the head is not a block";
    EXPECT_TRUE(std::equal(second.begin() + kHeadSize, second.end(), first.begin() + kHeadSize, first.end()));
}

TEST(UnitDataCheck, AcceptsOnlyAUnitFileTheToolCouldHaveWritten)
{
    // What the tool writes: the system block in group 0, codes or empty groups after it.
    std::vector<char> written(kFileSize, '\0');
    std::memcpy(written.data(), "00SYS01TQQ", 10);
    std::memcpy(written.data() + 5 * 80, "94SSW", 5);
    std::memcpy(written.data() + 5 * 81, "95SEQ", 5);
    written[blockAt(3)] = 'x';  // block bytes are the tool's
    ASSERT_EQ(KRAVinA_Data_Check(written.data(), static_cast<long>(written.size())), 0);

    struct Case {
        const char* what;
        std::size_t size;
        std::size_t at;  // where text goes (npos: nothing)
        std::string text;
    };
    const std::size_t none = std::string::npos;
    const Case cases[] = {
        {"one byte short", kFileSize - 1, none, ""},
        {"one byte long", kFileSize + 1, none, ""},
        {"empty", 0, none, ""},
        {"group 0 without the system block", kFileSize, 0, std::string(5, '\0')},
        {"group 0 with another class", kFileSize, 0, "10SYS"},
        {"a code that is not two digits", kFileSize, 5, "A1TQQ"},
        {"a code cut short", kFileSize, 5, std::string("01T\0Q", 5)},
        {"an empty group with bytes after its first", kFileSize, 5, std::string("\0\0\0\0Q", 5)},
        {"a control character in a code", kFileSize, 5 * 99, "01\x01QQ"},
    };
    for (const Case& c : cases) {
        std::vector<char> bytes = written;
        bytes.resize(c.size, '\0');
        if (c.at != none) std::memcpy(bytes.data() + c.at, c.text.data(), c.text.size());
        EXPECT_EQ(KRAVinA_Data_Check(bytes.data(), static_cast<long>(bytes.size())), -1) << c.what;
    }
    EXPECT_EQ(KRAVinA_Data_Check(nullptr, static_cast<long>(kFileSize)), -1);
    EXPECT_EQ(KRAVinA_Data_Check(written.data(), -1), -1);
}

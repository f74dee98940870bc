#include "KRAVinA.h"
#include "file_size_limit.h"
#include "header_fixtures.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

using kravin::test::FileSizeLimit;
using kravin::test::header::field;
using kravin::test::header::int16At;
using kravin::test::header::int32At;
using kravin::test::header::putInt32;
using kravin::test::readBytes;
using kravin::test::TempDir;
using kravin::test::writeBytes;

namespace {

constexpr std::size_t kAconSize = 1480000;
constexpr std::size_t kDconSize = 2496;

std::size_t aconAt(int c, int d) { return 148 * std::size_t(100 * c + d); }
std::size_t dconAt(int j) { return 156 * std::size_t(j - 11); }

struct Acon {
    int kind = 0, value = 0, colour = 0;
    std::string text;
    int result = 0;
};

struct Dcon {
    int pointCount = 0, value = 0, colour = 0, lineKind = 0;
    std::string text;
    int result = 0;
};

class ConnectionsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(KRAVinA_Proj_Create("", "", "", folder()), 1); }
    const char* folder() const { return folder_.c_str(); }
    std::string path(const std::string& rel) const { return dir / rel; }

    Acon aconGet(int station, int card, int c, int d)
    {
        Acon a;
        std::vector<char> text(17, 'x');  // exactly the stated width
        a.result = KRAVinA_Acon_Get(station, card, c, d, &a.kind, &a.value, &a.colour, text.data(), folder());
        a.text.assign(text.data(), strnlen(text.data(), text.size()));
        return a;
    }

    Dcon dconGet(int station, int card, int j)
    {
        Dcon r;
        std::vector<char> text(17, 'x');
        r.result = KRAVinA_Dcon_Get(station, card, j, &r.pointCount, &r.value, &r.colour, &r.lineKind, text.data(),
                                    folder());
        r.text.assign(text.data(), strnlen(text.data(), text.size()));
        return r;
    }

    // Loads a unit's two files, writes them and returns their bytes (analog, communication).
    std::pair<std::vector<unsigned char>, std::vector<unsigned char>> storeUnit(int station, int card)
    {
        EXPECT_EQ(aconGet(station, card, 0, 0).result, 0);
        EXPECT_EQ(dconGet(station, card, 11).result, 0);
        EXPECT_EQ(KRAVinA_Acon_Write(station, card, folder()), 0);
        EXPECT_EQ(KRAVinA_Dcon_Write(station, card, 11, 1, 2, 3, 4, "first", folder()), 0);
        char name[32];
        std::snprintf(name, sizeof name, "STN%02d/AC%X.KRAB", station, card);
        auto ac = readBytes(path(name));
        name[6] = 'D';
        return {std::move(ac), readBytes(path(name))};
    }

    // A connection file on disk whose first int of every record is the given value.
    void writeAconFile(const std::string& rel, int32_t value)
    {
        std::vector<unsigned char> b(kAconSize, 0);
        for (int r = 0; r < 10000; ++r) putInt32(b, 148 * std::size_t(r), value);
        std::filesystem::create_directories(std::filesystem::path(path(rel)).parent_path());
        writeBytes(path(rel), b);
    }

    void writeDconFile(const std::string& rel, int32_t value)
    {
        std::vector<unsigned char> b(kDconSize, 0);
        for (int j = 11; j <= 26; ++j) putInt32(b, dconAt(j) + 8, value);
        std::filesystem::create_directories(std::filesystem::path(path(rel)).parent_path());
        writeBytes(path(rel), b);
    }

    TempDir dir;
    std::string folder_ = dir.str();
};

TEST_F(ConnectionsTest, FileNamesFollowStationAndCard)
{
    const struct {
        int station, card;
        const char* ac;
        const char* dc;
    } cases[] = {{3, -1, "STN03/ACX.KRAB", "STN03/DCX.KRAB"},
                 {3, 0, "STN03/AC0.KRAB", "STN03/DC0.KRAB"},
                 {3, 11, "STN03/ACB.KRAB", "STN03/DCB.KRAB"},
                 {63, 15, "STN63/ACF.KRAB", "STN63/DCF.KRAB"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ac);
        ASSERT_EQ(aconGet(c.station, c.card, 0, 0).result, 0);
        ASSERT_EQ(KRAVinA_Acon_Write(c.station, c.card, folder()), 0);
        EXPECT_EQ(readBytes(path(c.ac)).size(), kAconSize);

        ASSERT_EQ(dconGet(c.station, c.card, 11).result, 0);
        ASSERT_EQ(KRAVinA_Dcon_Write(c.station, c.card, 11, 0, 0, 0, 0, "", folder()), 0);
        EXPECT_EQ(readBytes(path(c.dc)).size(), kDconSize);
    }
}

TEST_F(ConnectionsTest, AnalogRecordsLandAtTheirOffsets)
{
    const struct {
        int c, d;
    } cells[] = {{0, 0}, {0, 99}, {12, 34}, {99, 0}, {99, 99}};
    ASSERT_EQ(aconGet(2, 5, 0, 0).result, 0);
    for (const auto& e : cells) {
        const std::string text = "L" + std::to_string(e.c) + "." + std::to_string(e.d);
        ASSERT_EQ(KRAVinA_Acon_Set(2, 5, e.c, e.d, -3, 100 * e.c + e.d, 0x00C08040, text.c_str()), 0);
        ASSERT_EQ(KRAVinA_Acon_Pnt_Set(e.c, e.d, 0, -32768, 32767), 0);
        ASSERT_EQ(KRAVinA_Acon_Pnt_Set(e.c, e.d, 29, e.c, -e.d), 0);
    }
    ASSERT_EQ(KRAVinA_Acon_Write(2, 5, folder()), 0);

    const auto b = readBytes(path("STN02/AC5.KRAB"));
    ASSERT_EQ(b.size(), kAconSize);
    std::vector<unsigned char> expected(kAconSize, 0);
    for (const auto& e : cells) {
        SCOPED_TRACE(testing::Message() << "record " << e.c << "," << e.d);
        const std::size_t r = aconAt(e.c, e.d);
        const std::string text = "L" + std::to_string(e.c) + "." + std::to_string(e.d);
        EXPECT_EQ(int32At(b, r + 0), 100 * e.c + e.d);
        EXPECT_EQ(int32At(b, r + 4), 0x00C08040);
        EXPECT_EQ(b[r + 8], 0xFD);
        EXPECT_EQ(field(b, r + 9, 17), text + std::string(17 - text.size(), '\0'));
        EXPECT_EQ(int16At(b, r + 26), -32768);
        EXPECT_EQ(int16At(b, r + 86), 32767);
        EXPECT_EQ(int16At(b, r + 26 + 58), e.c);
        EXPECT_EQ(int16At(b, r + 86 + 58), -e.d);
        std::memcpy(expected.data() + r, b.data() + r, 146);
    }
    EXPECT_EQ(b, expected) << "bytes outside the set records (or their last two bytes) changed";

    // Read back from the file after a select.
    ASSERT_EQ(KRAVinA_Proj_Select(folder()), 1);
    const Acon a = aconGet(2, 5, 12, 34);
    EXPECT_EQ(a.result, 0);
    EXPECT_EQ(a.kind, -3);
    EXPECT_EQ(a.value, 1234);
    EXPECT_EQ(a.colour, 0x00C08040);
    EXPECT_EQ(a.text, "L12.34");
    int x = 0, y = 0;
    ASSERT_EQ(KRAVinA_Acon_Pnt_Get(12, 34, 0, &x, &y), 0);
    EXPECT_EQ(x, -32768);
    EXPECT_EQ(y, 32767);
    ASSERT_EQ(KRAVinA_Acon_Pnt_Get(12, 34, 29, &x, &y), 0);
    EXPECT_EQ(x, 12);
    EXPECT_EQ(y, -34);
}

TEST_F(ConnectionsTest, CommunicationRecordsLandAtTheirOffsets)
{
    ASSERT_EQ(dconGet(4, -1, 11).result, 0);
    const int terminals[] = {11, 18, 26};
    for (int j : terminals) {
        ASSERT_EQ(KRAVinA_Dcon_Pnt_Set(j, 0, j, -j), 0);
        ASSERT_EQ(KRAVinA_Dcon_Pnt_Set(j, 29, 300 + j, -300), 0);
        const std::string text = "T" + std::to_string(j);
        ASSERT_EQ(KRAVinA_Dcon_Write(4, -1, j, 5, 1000 + j, 0x000000FF, -2, text.c_str(), folder()), 0);
    }
    const auto b = readBytes(path("STN04/DCX.KRAB"));
    ASSERT_EQ(b.size(), kDconSize);
    EXPECT_EQ(dconAt(11), 0u);
    EXPECT_EQ(dconAt(26), 2340u);
    std::vector<unsigned char> expected(kDconSize, 0);
    for (int j : terminals) {
        SCOPED_TRACE(testing::Message() << "terminal " << j);
        const std::size_t r = dconAt(j);
        const std::string text = "T" + std::to_string(j);
        EXPECT_EQ(field(b, r, 8), std::string(8, '\0'));
        EXPECT_EQ(int32At(b, r + 8), 1000 + j);
        EXPECT_EQ(int32At(b, r + 12), 0x000000FF);
        EXPECT_EQ(b[r + 16], 0xFE);  // returned fourth
        EXPECT_EQ(b[r + 17], 5);     // returned first
        EXPECT_EQ(b[r + 18], 0);
        EXPECT_EQ(field(b, r + 19, 17), text + std::string(17 - text.size(), '\0'));
        EXPECT_EQ(int16At(b, r + 36), j);
        EXPECT_EQ(int16At(b, r + 96), -j);
        EXPECT_EQ(int16At(b, r + 36 + 58), 300 + j);
        EXPECT_EQ(int16At(b, r + 96 + 58), -300);
        std::memcpy(expected.data() + r, b.data() + r, 156);
    }
    EXPECT_EQ(b, expected);

    ASSERT_EQ(KRAVinA_Proj_Select(folder()), 1);
    const Dcon d = dconGet(4, -1, 26);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.pointCount, 5);
    EXPECT_EQ(d.value, 1026);
    EXPECT_EQ(d.colour, 0xFF);
    EXPECT_EQ(d.lineKind, -2);
    EXPECT_EQ(d.text, "T26");
    int x = 0, y = 0;
    ASSERT_EQ(KRAVinA_Dcon_Pnt_Get(26, 29, &x, &y), 0);
    EXPECT_EQ(x, 326);
    EXPECT_EQ(y, -300);
}

// Each cache reads its unit's file once and keeps unsaved changes until another unit is asked for.
TEST_F(ConnectionsTest, CachesAreKeyedByStationAndCard)
{
    writeAconFile("STN01/AC2.KRAB", 12);
    writeAconFile("STN01/ACX.KRAB", 10);
    writeAconFile("STN02/AC2.KRAB", 22);
    writeDconFile("STN01/DC2.KRAB", 12);
    writeDconFile("STN02/DC2.KRAB", 22);

    EXPECT_EQ(aconGet(1, 2, 5, 5).value, 12);
    EXPECT_EQ(dconGet(1, 2, 15).value, 12);
    // Read once: a change of the file is not seen while the unit stays cached.
    writeAconFile("STN01/AC2.KRAB", 99);
    writeDconFile("STN01/DC2.KRAB", 99);
    EXPECT_EQ(aconGet(1, 2, 5, 5).value, 12);
    EXPECT_EQ(dconGet(1, 2, 15).value, 12);

    // Unsaved changes survive gets of the same unit ...
    ASSERT_EQ(KRAVinA_Acon_Set(1, 2, 5, 5, 0, 555, 0, "kept"), 0);
    EXPECT_EQ(aconGet(1, 2, 5, 5).value, 555);
    // ... and are discarded by a get of another card, station, or the station itself.
    EXPECT_EQ(aconGet(1, -1, 5, 5).value, 10);
    EXPECT_EQ(aconGet(1, 2, 5, 5).value, 99);
    EXPECT_EQ(aconGet(2, 2, 5, 5).value, 22);
    EXPECT_EQ(dconGet(2, 2, 15).value, 22);
    EXPECT_EQ(dconGet(1, 2, 15).value, 99);

    // A project create or select forgets both keys: the same unit is read again.
    writeAconFile("STN01/AC2.KRAB", 77);
    writeDconFile("STN01/DC2.KRAB", 77);
    ASSERT_EQ(KRAVinA_Proj_Select(folder()), 1);
    EXPECT_EQ(aconGet(1, 2, 5, 5).value, 77);
    EXPECT_EQ(dconGet(1, 2, 15).value, 77);
    writeAconFile("STN01/AC2.KRAB", 78);
    ASSERT_EQ(KRAVinA_Proj_Select_KRAV2(folder()), 1);
    EXPECT_EQ(aconGet(1, 2, 5, 5).value, 78);
    writeAconFile("STN01/AC2.KRAB", 79);
    ASSERT_EQ(KRAVinA_Proj_Create("", "", "", folder()), 1);
    EXPECT_EQ(aconGet(1, 2, 5, 5).value, 79);
}

// Sets, writes and point operations work only on the cached unit: another unit's wiring
// is never written under this unit's name.
TEST_F(ConnectionsTest, OnlyTheCachedUnitIsChangedOrWritten)
{
    writeAconFile("STN05/AC1.KRAB", 51);
    writeDconFile("STN05/DC1.KRAB", 51);
    const auto acBefore = readBytes(path("STN05/AC1.KRAB"));
    const auto dcBefore = readBytes(path("STN05/DC1.KRAB"));

    // Nothing cached after the create of the fixture.
    int x = 7, y = 7;
    EXPECT_EQ(KRAVinA_Acon_Pnt_Get(0, 0, 0, &x, &y), -1);
    EXPECT_EQ(KRAVinA_Acon_Pnt_Set(0, 0, 0, 1, 1), -1);
    EXPECT_EQ(KRAVinA_Dcon_Pnt_Get(11, 0, &x, &y), -1);
    EXPECT_EQ(KRAVinA_Dcon_Pnt_Set(11, 0, 1, 1), -1);
    EXPECT_EQ(x, 7);
    EXPECT_EQ(KRAVinA_Acon_Set(5, 1, 0, 0, 1, 1, 1, "x"), -1);
    EXPECT_EQ(KRAVinA_Acon_Write(5, 1, folder()), -1);
    EXPECT_EQ(KRAVinA_Dcon_Write(5, 1, 11, 1, 1, 1, 1, "x", folder()), -1);

    // Another unit cached.
    ASSERT_EQ(aconGet(5, 2, 0, 0).result, 0);
    ASSERT_EQ(dconGet(5, 2, 11).result, 0);
    EXPECT_EQ(KRAVinA_Acon_Set(5, 1, 0, 0, 1, 1, 1, "x"), -1);
    EXPECT_EQ(KRAVinA_Acon_Write(5, 1, folder()), -1);
    EXPECT_EQ(KRAVinA_Dcon_Write(5, 1, 11, 1, 1, 1, 1, "x", folder()), -1);
    EXPECT_EQ(readBytes(path("STN05/AC1.KRAB")), acBefore);
    EXPECT_EQ(readBytes(path("STN05/DC1.KRAB")), dcBefore);
    EXPECT_FALSE(std::filesystem::exists(path("STN05/AC2.KRAB")));
    EXPECT_EQ(aconGet(5, 2, 0, 0).value, 0) << "a refused set changed the cached image";
}

TEST_F(ConnectionsTest, MissingFileIsEmptyWiringAndShortFileIsReported)
{
    // The image of a previous unit never shows through.
    writeAconFile("STN06/AC0.KRAB", 60);
    writeDconFile("STN06/DC0.KRAB", 60);
    ASSERT_EQ(aconGet(6, 0, 99, 99).value, 60);
    ASSERT_EQ(dconGet(6, 0, 26).value, 60);

    const Acon missing = aconGet(6, 1, 99, 99);
    EXPECT_EQ(missing.result, 0);
    EXPECT_EQ(missing.value, 0);
    EXPECT_EQ(missing.text, "");
    EXPECT_EQ(dconGet(6, 1, 26).value, 0);

    std::vector<unsigned char> shortAc(148 * 2, 0), shortDc(156, 0);
    putInt32(shortAc, aconAt(0, 1), 61);
    putInt32(shortDc, dconAt(11) + 8, 61);
    writeBytes(path("STN06/AC2.KRAB"), shortAc);
    writeBytes(path("STN06/DC2.KRAB"), shortDc);
    ASSERT_EQ(aconGet(6, 0, 99, 99).value, 60);
    ASSERT_EQ(dconGet(6, 0, 26).value, 60);

    const Acon loaded = aconGet(6, 2, 0, 1);
    EXPECT_EQ(loaded.result, -1);  // reported by the get that read the file
    EXPECT_EQ(loaded.value, 61);
    const Acon tail = aconGet(6, 2, 99, 99);
    EXPECT_EQ(tail.result, 0);
    EXPECT_EQ(tail.value, 0);
    const Dcon dloaded = dconGet(6, 2, 11);
    EXPECT_EQ(dloaded.result, -1);
    EXPECT_EQ(dloaded.value, 61);
    EXPECT_EQ(dconGet(6, 2, 26).value, 0);
}

TEST_F(ConnectionsTest, TextsStayWithinSixteenCharacters)
{
    ASSERT_EQ(aconGet(7, 7, 0, 0).result, 0);
    ASSERT_EQ(KRAVinA_Acon_Pnt_Set(1, 1, 0, 4660, 4660), 0);
    const struct {
        std::string in, stored;
    } cases[] = {
        {"", ""},
        {"SIXTEEN-CHARS-16", "SIXTEEN-CHARS-16"},
        {"TWENTY-CHARACTERS-20", "TWENTY-CHARACTER"},
        // A double-byte character (CP932) that would straddle the limit is dropped whole.
        {"ABCDEFGHIJKLMNO\x88\xA4Z", "ABCDEFGHIJKLMNO"},
        {"ABCDEFGHIJKLMN\x88\xA4Z", "ABCDEFGHIJKLMN\x88\xA4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        ASSERT_EQ(KRAVinA_Acon_Set(7, 7, 1, 1, 0, 0, 0, c.in.c_str()), 0);
        EXPECT_EQ(aconGet(7, 7, 1, 1).text, c.stored);
    }
    // The points after the text field were not overrun.
    int x = 0, y = 0;
    ASSERT_EQ(KRAVinA_Acon_Pnt_Get(1, 1, 0, &x, &y), 0);
    EXPECT_EQ(x, 4660);

    // A damaged record without a NUL in its 17 text bytes still gives a terminated text.
    std::vector<unsigned char> b(kAconSize, 0);
    std::memset(b.data() + aconAt(3, 3) + 9, 'Z', 17);
    std::vector<unsigned char> d(kDconSize, 0);
    std::memset(d.data() + dconAt(20) + 19, 'Z', 17);
    std::filesystem::create_directories(path("STN08"));
    writeBytes(path("STN08/ACX.KRAB"), b);
    writeBytes(path("STN08/DCX.KRAB"), d);
    EXPECT_EQ(aconGet(8, -1, 3, 3).text, std::string(16, 'Z'));
    EXPECT_EQ(dconGet(8, -1, 20).text, std::string(16, 'Z'));

    // A short text leaves the rest of the caller's buffer alone; a null text is empty.
    std::vector<char> out(17, 'x');
    ASSERT_EQ(KRAVinA_Acon_Set(8, -1, 3, 3, 0, 0, 0, "AB"), 0);
    ASSERT_EQ(KRAVinA_Acon_Get(8, -1, 3, 3, nullptr, nullptr, nullptr, out.data(), folder()), 0);
    EXPECT_EQ(std::string(out.data(), 17), std::string("AB\0", 3) + std::string(14, 'x'));
    ASSERT_EQ(KRAVinA_Acon_Set(8, -1, 3, 3, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(aconGet(8, -1, 3, 3).text, "");
}

TEST_F(ConnectionsTest, ArgumentsOutOfRangeAreRefusedAndTouchNothing)
{
    const auto [acBefore, dcBefore] = storeUnit(9, 9);

    const struct {
        int station, card;
    } badUnits[] = {{-1, 0}, {64, 0}, {0, -2}, {0, 16}, {1 << 30, -1}};
    for (const auto& u : badUnits) {
        SCOPED_TRACE(testing::Message() << "station " << u.station << " card " << u.card);
        int v = 7;
        std::vector<char> text(17, 'x');
        EXPECT_EQ(KRAVinA_Acon_Get(u.station, u.card, 0, 0, &v, &v, &v, text.data(), folder()), -1);
        EXPECT_EQ(KRAVinA_Dcon_Get(u.station, u.card, 11, &v, &v, &v, &v, text.data(), folder()), -1);
        EXPECT_EQ(v, 7);
        EXPECT_EQ(text, std::vector<char>(17, 'x'));
        EXPECT_EQ(KRAVinA_Acon_Set(u.station, u.card, 0, 0, 1, 1, 1, "x"), -1);
        EXPECT_EQ(KRAVinA_Acon_Write(u.station, u.card, folder()), -1);
        EXPECT_EQ(KRAVinA_Dcon_Write(u.station, u.card, 11, 1, 1, 1, 1, "x", folder()), -1);
    }

    const struct {
        int c, d, point;
    } badAcon[] = {{-1, 0, 0}, {100, 0, 0}, {0, -1, 0}, {0, 100, 0}, {0, 0, -1}, {0, 0, 30}, {1 << 30, 0, 0}};
    for (const auto& a : badAcon) {
        SCOPED_TRACE(testing::Message() << "record " << a.c << "," << a.d << " point " << a.point);
        int x = 7, y = 7;
        EXPECT_EQ(KRAVinA_Acon_Pnt_Get(a.c, a.d, a.point, &x, &y), -1);
        EXPECT_EQ(x, 7);
        EXPECT_EQ(KRAVinA_Acon_Pnt_Set(a.c, a.d, a.point, 1, 1), -1);
        if (a.point == 0) {
            int v = 7;
            EXPECT_EQ(KRAVinA_Acon_Get(9, 9, a.c, a.d, &v, &v, &v, nullptr, folder()), -1);
            EXPECT_EQ(v, 7);
            EXPECT_EQ(KRAVinA_Acon_Set(9, 9, a.c, a.d, 1, 1, 1, "x"), -1);
        }
    }

    const struct {
        int terminal, point;
    } badDcon[] = {{10, 0}, {27, 0}, {0, 0}, {-1, 0}, {11, -1}, {11, 30}, {1 << 30, 0}};
    for (const auto& t : badDcon) {
        SCOPED_TRACE(testing::Message() << "terminal " << t.terminal << " point " << t.point);
        int x = 7, y = 7;
        EXPECT_EQ(KRAVinA_Dcon_Pnt_Get(t.terminal, t.point, &x, &y), -1);
        EXPECT_EQ(x, 7);
        EXPECT_EQ(KRAVinA_Dcon_Pnt_Set(t.terminal, t.point, 1, 1), -1);
        if (t.point == 0) {
            int v = 7;
            EXPECT_EQ(KRAVinA_Dcon_Get(9, 9, t.terminal, &v, &v, &v, &v, nullptr, folder()), -1);
            EXPECT_EQ(v, 7);
            EXPECT_EQ(KRAVinA_Dcon_Write(9, 9, t.terminal, 1, 1, 1, 1, "x", folder()), -1);
        }
    }

    // Coordinates that do not fit the 16-bit fields.
    for (int v : {32768, -32769, 1 << 30}) {
        EXPECT_EQ(KRAVinA_Acon_Pnt_Set(0, 0, 0, v, 0), -1);
        EXPECT_EQ(KRAVinA_Acon_Pnt_Set(0, 0, 0, 0, v), -1);
        EXPECT_EQ(KRAVinA_Dcon_Pnt_Set(11, 0, v, 0), -1);
        EXPECT_EQ(KRAVinA_Dcon_Pnt_Set(11, 0, 0, v), -1);
    }

    ASSERT_EQ(KRAVinA_Acon_Write(9, 9, folder()), 0);
    ASSERT_EQ(KRAVinA_Dcon_Write(9, 9, 11, 1, 2, 3, 4, "first", folder()), 0);
    EXPECT_EQ(readBytes(path("STN09/AC9.KRAB")), acBefore);
    EXPECT_EQ(readBytes(path("STN09/DC9.KRAB")), dcBefore);
}

TEST_F(ConnectionsTest, ReadsWhateverTheCaseAndWritesTheSpelledName)
{
    std::filesystem::create_directory(path("stn10"));
    std::vector<unsigned char> b(kAconSize, 0);
    putInt32(b, aconAt(4, 4), 104);
    writeBytes(path("stn10/acx.krab"), b);
    std::vector<unsigned char> d(kDconSize, 0);
    putInt32(d, dconAt(12) + 8, 112);
    writeBytes(path("stn10/Dcx.Krab"), d);

    EXPECT_EQ(aconGet(10, -1, 4, 4).value, 104);
    EXPECT_EQ(dconGet(10, -1, 12).value, 112);
    ASSERT_EQ(KRAVinA_Acon_Write(10, -1, folder()), 0);
    ASSERT_EQ(KRAVinA_Dcon_Write(10, -1, 12, 0, 113, 0, 0, "", folder()), 0);

    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path("stn10"))) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"ACX.KRAB", "DCX.KRAB"}));
    EXPECT_EQ(int32At(readBytes(path("stn10/ACX.KRAB")), aconAt(4, 4)), 104);
    EXPECT_EQ(int32At(readBytes(path("stn10/DCX.KRAB")), dconAt(12) + 8), 113);
}

TEST_F(ConnectionsTest, WritesCreateTheStationFolderAndReportFailures)
{
    // The station folder is made by the first write.
    ASSERT_FALSE(std::filesystem::exists(path("STN11")));
    const auto [acBefore, dcBefore] = storeUnit(11, 3);

    ASSERT_EQ(KRAVinA_Acon_Set(11, 3, 0, 0, 1, 2, 3, "second"), 0);
    {
        FileSizeLimit full(1024);
        EXPECT_EQ(KRAVinA_Acon_Write(11, 3, folder()), -1);
        EXPECT_EQ(KRAVinA_Dcon_Write(11, 3, 11, 1, 2, 3, 4, "second", folder()), -1);
    }
    EXPECT_EQ(readBytes(path("STN11/AC3.KRAB")), acBefore);
    EXPECT_EQ(readBytes(path("STN11/DC3.KRAB")), dcBefore);
    for (const auto& e : std::filesystem::directory_iterator(path("STN11")))
        EXPECT_TRUE(e.path().filename() == "AC3.KRAB" || e.path().filename() == "DC3.KRAB") << e.path();

    const std::string missing = dir / "no/such";
    EXPECT_EQ(KRAVinA_Acon_Write(11, 3, missing.c_str()), -1);
    EXPECT_EQ(KRAVinA_Dcon_Write(11, 3, 11, 0, 0, 0, 0, "", missing.c_str()), -1);
    EXPECT_EQ(KRAVinA_Acon_Write(11, 3, nullptr), -1);
}

struct LayerCase {
    const char* name;
    std::size_t size;
    int (*write)(const void*, const char*, const char*);
    int (*read)(void*, const char*, const char*);
};

void PrintTo(const LayerCase& c, std::ostream* os) { *os << c.name; }

class LayerTest : public ConnectionsTest, public ::testing::WithParamInterface<LayerCase> {};

TEST_P(LayerTest, BlocksAreWrittenAndReadWhole)
{
    const LayerCase c = GetParam();
    std::vector<unsigned char> block(c.size);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<unsigned char>(i * 7 + 1);
    ASSERT_EQ(c.write(block.data(), folder(), "AC_COM0305.KRAB"), 0);
    EXPECT_EQ(readBytes(path("AC_COM0305.KRAB")), block);

    std::vector<unsigned char> in(c.size, 0xEE);
    ASSERT_EQ(c.read(in.data(), folder(), "AC_COM0305.KRAB"), 0);
    EXPECT_EQ(in, block);

    // Missing: all zero. Found whatever its case.
    std::fill(in.begin(), in.end(), 0xEE);
    ASSERT_EQ(c.read(in.data(), folder(), "DC_COM.KRAB"), 0);
    EXPECT_EQ(in, std::vector<unsigned char>(c.size, 0));
    std::filesystem::rename(path("AC_COM0305.KRAB"), path("ac_com0305.krab"));
    ASSERT_EQ(c.read(in.data(), folder(), "AC_COM0305.KRAB"), 0);
    EXPECT_EQ(in, block);

    // Short: what it holds, the rest zero, reported.
    writeBytes(path("short.KRAB"), std::vector<unsigned char>(10, 0x11));
    std::fill(in.begin(), in.end(), 0xEE);
    EXPECT_EQ(c.read(in.data(), folder(), "short.KRAB"), -1);
    EXPECT_EQ(std::count(in.begin(), in.end(), 0x11), 10);
    EXPECT_EQ(std::count(in.begin(), in.end(), 0), static_cast<long>(c.size - 10));

    // Names that leave the work folder or name nothing are refused; the buffer is untouched.
    for (const char* bad : {"", ".", "..", "../AC_COM.KRAB", "STN00/AC_COM.KRAB", "a\\b", static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(bad ? bad : "(null)");
        std::fill(in.begin(), in.end(), 0xEE);
        EXPECT_EQ(c.read(in.data(), folder(), bad), -1);
        EXPECT_EQ(in, std::vector<unsigned char>(c.size, 0xEE));
        EXPECT_EQ(c.write(block.data(), folder(), bad), -1);
    }
    EXPECT_EQ(c.read(nullptr, folder(), "x.KRAB"), -1);
    EXPECT_EQ(c.read(in.data(), nullptr, "x.KRAB"), -1);

    // A failed write is reported and keeps the old file.
    const auto before = readBytes(path("ac_com0305.krab"));
    {
        FileSizeLimit full(1000);
        EXPECT_EQ(c.write(in.data(), folder(), "ac_com0305.krab"), -1);
    }
    EXPECT_EQ(readBytes(path("ac_com0305.krab")), before);
}

INSTANTIATE_TEST_SUITE_P(Layers, LayerTest,
                         ::testing::Values(LayerCase{"Comment", 28400, KRAVinA_Comment_Write, KRAVinA_Comment_Read},
                                           LayerCase{"Figure", 2400, KRAVinA_Tenbyou_Write, KRAVinA_Tenbyou_Read}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST(AconCheck, AcceptsExactlyTheFileSize)
{
    const std::vector<char> bytes(kAconSize + 1, '\x7f');
    const std::pair<std::size_t, int> cases[] = {{kAconSize, 0}, {kAconSize - 1, -1}, {kAconSize + 1, -1}, {0, -1}};
    for (const auto& [size, result] : cases)
        EXPECT_EQ(KRAVinA_Acon_Check(bytes.data(), static_cast<long>(size)), result) << size;
    EXPECT_EQ(KRAVinA_Acon_Check(nullptr, static_cast<long>(kAconSize)), -1);
}

#include "system_config.h"

#include "project.h"

#include "KRAVinA.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

using namespace kravin::model;
using kravin::test::TempDir;

namespace {

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// Kind tables as shipped: blank-padded names, and one short name ending at its line break.
const char* const kStationTable =
    "CARD=QV200   \r\nUBus\r\n9600\r\n3\r\n1.00\r\n1.10\r\n"
    "CARD=RNH6    \r\nRS\r\n57600\r\n5\r\n2.00\r\n"
    "CARD=V8RTU\r\nUBus\r\n1200\r\n7\r\n1.00\r\n";
const char* const kCardTable =
    "CARD=KMQ     \nUBus\n1200\n1\n1.00\n"
    "CARD=QV200W  \nUBus\n9600\n2\n1.00\n1.01\n";

struct Record {
    std::string kind, unit, version, comment;
    int x = 0, y = 0;
};

Record readRecord(int station, int card)
{
    char kind[8], unit[5], version[4], comment[32];
    Record r;
    KRAVinA_Proj_Get_Sys(station, card, kind, unit, version, comment, &r.x, &r.y);
    r.kind = std::string(kind, strnlen(kind, 8));
    r.unit = std::string(unit, strnlen(unit, 5));
    r.version = std::string(version, strnlen(version, 4));
    r.comment = std::string(comment, strnlen(comment, 32));
    return r;
}

void writeRecord(const std::string& folder, int station, int card, const Record& r)
{
    ASSERT_EQ(KRAVinA_Proj_Update_Sys(0, station, card, r.kind.c_str(), r.unit.c_str(), r.version.c_str(),
                                      r.comment.c_str(), r.x, r.y, folder.c_str()),
              0);
}

class SystemConfigTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(StampProjectVersion(), 0);
        std::filesystem::create_directories(dir_ / "tbl");
        writeText(dir_ / "tbl/COMCARD.KRAT", kStationTable);
        writeText(dir_ / "tbl/KBSCARD.KRAT", kCardTable);
        ASSERT_EQ(LoadCardKindMasters(masters_, dir_ / "tbl/"), 0);
        work_ = dir_ / "work";
        ASSERT_EQ(KRAVinA_Proj_Create("P", "", "", work_.c_str()), 1);
    }

    TempDir dir_;
    std::string work_;
    CardKindMasters masters_;
    SystemConfigTables tables_;
};

}  // namespace

TEST_F(SystemConfigTest, MastersHoldTheKindTables)
{
    EXPECT_TRUE(masters_.station.name[0].empty());
    EXPECT_EQ(masters_.station.name[1], "QV200   ");
    EXPECT_EQ(masters_.station.versions[1][0], "1.00");
    EXPECT_EQ(masters_.station.versions[1][1], "1.10");
    EXPECT_TRUE(masters_.station.versions[1][2].empty());
    EXPECT_EQ(masters_.station.busFlag[1], 0);
    EXPECT_EQ(masters_.station.speedCode[1], 1);
    EXPECT_EQ(masters_.station.value[1], 3);
    EXPECT_EQ(masters_.station.busFlag[2], 1);
    EXPECT_EQ(masters_.station.speedCode[2], 2);
    EXPECT_EQ(masters_.station.name[3], "V8RTU   ") << "a short name ends at its line break";
    EXPECT_TRUE(masters_.station.name[4].empty());
    EXPECT_EQ(masters_.card.name[2], "QV200W  ");
    EXPECT_EQ(masters_.card.find("QV200W"), 2);
    EXPECT_EQ(masters_.card.find("QV200"), 0) << "kinds compare whole, not by prefix";

    int bus = -1, speed = -1, value = -1;
    EXPECT_EQ(FindCardKind(masters_, "RNH6    ", &bus, &speed, &value), 1);
    EXPECT_EQ(bus, 1);
    EXPECT_EQ(speed, 2);
    EXPECT_EQ(value, 5);
    EXPECT_EQ(FindCardKind(masters_, "QV200W  ", &bus, &speed, &value), 1);
    EXPECT_EQ(value, 2);
    EXPECT_EQ(FindCardKind(masters_, "NONE    ", &bus, &speed, &value), 0);

    CardKindMasters none;
    LoadCardKindMasters(none, dir_ / "missing/");
    EXPECT_TRUE(none.station.name[1].empty());
}

TEST_F(SystemConfigTest, LoadAndSaveKeepEveryRecord)
{
    writeRecord(work_, 0, -1, {"QV200   ", "ABCDE", "1.10", "station note", 10, 20});
    writeRecord(work_, 0, 0, {"KMQ     ", "U0", "1.00", "card note", 30, 40});
    writeRecord(work_, 1, -1, {"RNH6    ", "R1", "9.99", "", 50, 60});   // version not in the master
    writeRecord(work_, 0, 3, {"ZZZ     ", "Z3", "1.00", "odd", 70, 80});  // kind not in the master
    writeRecord(work_, 2, 5, {"", "", "", "", 90, 100});                  // empty slot with a position
    ASSERT_EQ(KRAVinA_Proj_Write(work_.c_str()), 0);
    ASSERT_EQ(KRAVinA_Proj_Select(work_.c_str()), 1);

    EXPECT_EQ(LoadSystemTables(masters_, tables_), 2);
    EXPECT_EQ(tables_.stationKind[0], 1);
    EXPECT_EQ(tables_.stationVersion[0], 1);
    EXPECT_EQ(tables_.stationUnitText[0], "ABCDE");
    EXPECT_EQ(tables_.stationX[0], 10);
    EXPECT_EQ(tables_.stationY[0], 20);
    EXPECT_EQ(tables_.cardKind[0][0], 1);
    EXPECT_EQ(tables_.cardUnitText[0][0], "U0");
    EXPECT_EQ(tables_.stationKind[1], 0) << "a unit with an unknown version shows as empty";
    EXPECT_EQ(tables_.stationUnitText[1], "");
    EXPECT_EQ(tables_.stationX[1], 50);
    EXPECT_EQ(tables_.cardKind[0][3], 0);
    EXPECT_EQ(tables_.cardX[2][5], 90);
    EXPECT_TRUE(tables_.unresolved[1][0].present());

    // An edit: a card placed in a free slot.
    tables_.cardKind[0][1] = 2;
    tables_.cardVersion[0][1] = 1;
    tables_.cardUnitText[0][1] = "W";
    ASSERT_EQ(SaveProjectSystem(masters_, tables_, work_), 0);
    ASSERT_EQ(KRAVinA_Proj_Select(work_.c_str()), 1);

    const Record s0 = readRecord(0, -1);
    EXPECT_EQ(s0.kind, "QV200   ");
    EXPECT_EQ(s0.version, "1.10");
    EXPECT_EQ(s0.unit, "ABCDE");
    EXPECT_EQ(s0.comment, "station note") << "unit comments survive load and save";
    EXPECT_EQ(readRecord(0, 0).comment, "card note");
    const Record s1 = readRecord(1, -1);
    EXPECT_EQ(s1.kind, "RNH6    ") << "an unresolved unit is written back unchanged";
    EXPECT_EQ(s1.version, "9.99");
    EXPECT_EQ(s1.unit, "R1");
    EXPECT_EQ(s1.x, 50);
    const Record c3 = readRecord(0, 3);
    EXPECT_EQ(c3.kind, "ZZZ     ");
    EXPECT_EQ(c3.comment, "odd");
    const Record c1 = readRecord(0, 1);
    EXPECT_EQ(c1.kind, "QV200W  ");
    EXPECT_EQ(c1.version, "1.01");
    EXPECT_EQ(c1.unit, "W");
    EXPECT_EQ(readRecord(2, 5).x, 90);
    EXPECT_EQ(readRecord(2, 5).kind, "");

    // Once an edit takes the slot over, the kept record goes.
    tables_.forgetUnresolved(1, -1);
    ASSERT_EQ(SaveProjectSystem(masters_, tables_, work_), 0);
    ASSERT_EQ(KRAVinA_Proj_Select(work_.c_str()), 1);
    EXPECT_EQ(readRecord(1, -1).kind, "");
    EXPECT_EQ(readRecord(1, -1).x, 50);
}

TEST_F(SystemConfigTest, SaveReportsAFailedWrite)
{
    ASSERT_EQ(KRAVinA_Proj_Select(work_.c_str()), 1);
    LoadSystemTables(masters_, tables_);
    std::filesystem::remove_all(work_);
    writeText(work_, "a file where the folder was");
    EXPECT_NE(SaveProjectSystem(masters_, tables_, work_), 0);
}

namespace {

// Fixed masters for the placement rules.
CardKindMasters placementMasters()
{
    CardKindMasters m;
    const char* stations[] = {"QV200   ", "RNH6    ", "RNZ6    ", "V8RTU   ", "63NW    ", "RNJ6    "};
    const char* cards[] = {"KMQ     ", "V8RTU   ", "QV200W  ", "QV210W  ", "V8RTUX  "};
    for (int i = 0; i < 6; ++i) m.station.name[i + 1] = stations[i], m.station.versions[i + 1][0] = "1.00";
    for (int i = 0; i < 5; ++i) m.card.name[i + 1] = cards[i], m.card.versions[i + 1][0] = "1.00";
    return m;
}

enum StationKind { QV200 = 1, RNH6, RNZ6, V8RTU_S, NW63, RNJ6 };
enum CardKind { KMQ = 1, V8RTU_C, QV200W, QV210W, V8RTUX };

}  // namespace

TEST(CheckKindPlacement, Rules)
{
    const CardKindMasters m = placementMasters();
    struct Case {
        const char* what;
        std::function<void(SystemConfigTables&)> setup;
        int station, slot;
        const char* kind;
        bool paste;
        int expected;
    };
    const auto none = [](SystemConfigTables&) {};
    const Case cases[] = {
        {"first station of any family", none, 5, 0, "QV200   ", false, 0},
        {"family 2 beside RNZ6 stations", [](auto& t) { t.stationKind[0] = RNZ6; t.stationKind[9] = RNZ6; },
         3, 0, "QV200   ", false, -1},
        {"family 1 beside RNZ6", [](auto& t) { t.stationKind[0] = RNZ6; }, 3, 0, "63NW    ", false, 0},
        {"the station itself does not set the family", [](auto& t) { t.stationKind[3] = RNZ6; }, 3, 0,
         "QV200   ", false, 0},
        {"the first other station sets the family", [](auto& t) { t.stationKind[1] = QV200; t.stationKind[2] = RNZ6; },
         5, 0, "RNJ6    ", false, -1},
        {"bus station on a station with cards", [](auto& t) { t.stationKind[2] = QV200; t.cardKind[2][7] = KMQ; },
         2, 0, "RNH6    ", false, -1},
        {"bus station on a bare station", [](auto& t) { t.stationKind[2] = QV200; }, 2, 0, "RNH6    ", false, 0},
        {"remote station over other cards", [](auto& t) { t.cardKind[4][0] = KMQ; }, 4, 0, "V8RTU   ", false, -1},
        {"remote station over remote cards", [](auto& t) { t.cardKind[4][0] = V8RTU_C; }, 4, 0, "V8RTU   ", false, 0},
        {"card on a bus station", [](auto& t) { t.stationKind[0] = RNH6; }, 0, 1, "KMQ     ", false, -1},
        {"card on a plain station", [](auto& t) { t.stationKind[0] = QV200; }, 0, 1, "KMQ     ", false, 0},
        {"card on an empty station", none, 0, 1, "KMQ     ", false, 0},
        {"other card on a remote station", [](auto& t) { t.stationKind[0] = V8RTU_S; }, 0, 1, "KMQ     ", false, -1},
        {"remote card in slot 1 of a remote station", [](auto& t) { t.stationKind[0] = V8RTU_S; }, 0, 1,
         "V8RTU   ", false, 0},
        {"remote card on a plain station", [](auto& t) { t.stationKind[0] = QV200; }, 0, 1, "V8RTU   ", false, -1},
        {"remote card on an empty station", none, 0, 1, "V8RTU   ", false, -1},
        {"remote card in slot 3 after another kind",
         [](auto& t) { t.stationKind[0] = V8RTU_S; t.cardKind[0][0] = V8RTU_C; t.cardKind[0][1] = KMQ; }, 0, 3,
         "V8RTU   ", false, -1},
        {"remote card in slot 3 after an empty slot", [](auto& t) { t.stationKind[0] = V8RTU_S; }, 0, 3,
         "V8RTU   ", false, -1},
        {"remote card in slot 3 after a remote card",
         [](auto& t) { t.stationKind[0] = V8RTU_S; t.cardKind[0][0] = V8RTU_C; t.cardKind[0][1] = V8RTUX; }, 0, 3,
         "V8RTU   ", false, 0},
        {"paste over a two-slot card of another kind", [](auto& t) { t.stationKind[0] = QV200; t.cardKind[0][4] = QV200W; },
         0, 5, "KMQ     ", true, -1},
        {"paste over a two-slot card of its kind", [](auto& t) { t.stationKind[0] = QV200; t.cardKind[0][4] = QV210W; },
         0, 5, "QV210W  ", true, 0},
        {"drop (no paste) over a two-slot card", [](auto& t) { t.stationKind[0] = QV200; t.cardKind[0][4] = QV200W; },
         0, 5, "KMQ     ", false, 0},
        {"station out of range", none, 64, 0, "QV200   ", false, -1},
        {"slot out of range", none, 0, 17, "KMQ     ", false, -1},
    };
    for (const Case& c : cases) {
        SystemConfigTables t;
        c.setup(t);
        EXPECT_EQ(CheckKindPlacement(m, t, c.station, c.slot, c.kind, c.paste), c.expected) << c.what;
    }
}

TEST(CardKindMasters, ShippedTableSetLoads)
{
    CardKindMasters m;
    LoadCardKindMasters(m, std::string(KRAVIN_SAMPLE_TABLES) + "/");
    auto count = [](const CardKindMaster& master) {
        int n = 1;
        while (n < kKindEntries && !master.name[n].empty()) ++n;
        return n - 1;
    };
    EXPECT_EQ(count(m.station), 7);
    EXPECT_EQ(count(m.card), 28);
    for (const CardKindMaster* master : {&m.station, &m.card}) {
        for (int i = 1; i <= count(*master); ++i) {
            EXPECT_EQ(master->name[i].size(), kKindWidth) << master->name[i];
            EXPECT_FALSE(master->versions[i][0].empty()) << master->name[i] << " has no version";
            EXPECT_EQ(master->find(master->name[i]), i) << master->name[i] << " is listed twice";
        }
    }
    for (const char* model : {"QV100", "QV110", "QV200", "QV200B", "QV200BX", "QV200C", "QV200D", "QV200E",
                              "QV200W", "QV200X", "QV210", "QV210W"})
        EXPECT_NE(m.card.find(model), 0) << model;
    int bus = -1, speed = -1, value = -1;
    EXPECT_EQ(FindCardKind(m, "RNH6    ", &bus, &speed, &value), 1);
    EXPECT_EQ(bus, 0);
    EXPECT_EQ(speed, 1);
}

TEST(SheetCells, EverySlotOfEveryStationHasACellOfItsOwn)
{
    const WiringGrid grid{24, 13};
    struct Case {
        int station, slot, x, y;
    } cases[] = {{0, 0, 4, 6}, {0, 1, 4, 19}, {1, 1, 28, 19}, {5, 1, 124, 19}, {63, 16, 63 * 24 + 4, 16 * 13 + 6}};
    for (const Case& c : cases) {
        int x = -1, y = -1;
        grid.GridCellToPixel(c.station, c.slot, &x, &y);
        EXPECT_EQ(x, c.x) << c.station << "/" << c.slot;
        EXPECT_EQ(y, c.y) << c.station << "/" << c.slot;
    }
    // The last cell's box stays on the sheet, 64 cells by 17.
    int x = 0, y = 0;
    grid.GridCellToPixel(63, 16, &x, &y);
    int cx = x, cy = y - grid.dy;
    grid.ClampToGrid(&cx, &cy);
    EXPECT_EQ(cx, x);
    EXPECT_EQ(cy, y);
}

TEST(SheetCells, BoxesStackedByEarlierVersionsMoveToTheirSlotsOthersStay)
{
    const WiringGrid grid{24, 13};
    SystemConfigTables t;
    // Card 0 (slot 1) of stations 0, 1 and 5 where earlier versions put every such card.
    for (int s : {0, 1, 5}) {
        t.cardKind[s][0] = 3;
        t.cardX[s][0] = 4 * 24 + 4;
        t.cardY[s][0] = 2 * 13 + 6;
    }
    // Station 2 and its card 3 (slot 4) at their earlier places, card 4 moved by hand.
    t.stationKind[2] = 1;
    t.stationX[2] = 28;
    t.stationY[2] = 32;
    t.cardKind[2][3] = 3;
    t.cardX[2][3] = 13 * 24 + 4;
    t.cardY[2][3] = 32;
    t.cardKind[2][4] = 3;
    t.cardX[2][4] = 300;
    t.cardY[2][4] = 90;
    // An empty slot keeps whatever it holds; a slot whose earlier place is its cell stays.
    t.cardX[3][0] = 100;
    t.cardY[3][0] = 32;
    t.cardKind[7][1] = 3;
    t.cardX[7][1] = 172;
    t.cardY[7][1] = 32;

    EXPECT_EQ(MoveStackedDefaultBoxes(t, grid), 5);
    EXPECT_EQ(t.cardX[0][0], 4);
    EXPECT_EQ(t.cardX[1][0], 28);
    EXPECT_EQ(t.cardX[5][0], 124);
    for (int s : {0, 1, 5}) EXPECT_EQ(t.cardY[s][0], 19);
    EXPECT_EQ(t.stationX[2], 52);
    EXPECT_EQ(t.stationY[2], 6);
    EXPECT_EQ(t.cardX[2][3], 52);
    EXPECT_EQ(t.cardY[2][3], 4 * 13 + 6);
    EXPECT_EQ(t.cardX[2][4], 300);
    EXPECT_EQ(t.cardY[2][4], 90);
    EXPECT_EQ(t.cardX[3][0], 100);
    EXPECT_EQ(t.cardX[7][1], 172);
    EXPECT_EQ(t.cardY[7][1], 32);
    // A second pass finds nothing left to move.
    EXPECT_EQ(MoveStackedDefaultBoxes(t, grid), 0);
}

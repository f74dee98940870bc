#include "connections.h"

#include "layout_editor.h"

#include "unit_fixture.h"

namespace kravin::test {
namespace {

using model::CommLinkTable;
using model::CommLinkTerminal;

class LinkTableTest : public UnitFixture {
protected:
    void SetUp() override
    {
        UnitFixture::SetUp();
        const std::string f = work.str();
        // Station 0: an RNH6 with cards.
        placeStation(0, "RNH6", "1.10", 10, 20);
        writeUnit(0, -1, {{0, "00SYS"}, {11, "31CDI"}, {12, "31CDI"}, {13, "31CDI"}, {14, "33CAI"}, {15, "31CDI"},
                          {16, "31CDI"}, {17, "32CDO"}, {18, "31CDI"}},
                  {{11, 11, "FF"}, {11, 12, "0"}, {11, 13, "12"},      // card 1, terminal 12 of this station
                   {12, 11, "FE"},                                      // from the other network
                   {13, 11, "4A"}, {13, 12, "0"}, {13, 13, "11"},      // no such station
                   {14, 11, "03"}, {14, 12, "0"}, {14, 13, "11"},      // a station without cards
                   {15, 11, "01"}, {15, 12, "2"}, {15, 13, "27"},      // no such terminal
                   {16, 11, "05"}, {16, 12, "0"}, {16, 13, "11"},      // no unit there
                   {18, 11, "00"}, {18, 12, "1"}, {18, 13, "11"}});   // card 2
        placeCard(0, 1, "QV200", "1.00", 40, 20);
        writeUnit(0, 0, {{0, "00SYS"}, {11, "32CDO"}, {12, "32CDO"}});
        placeCard(0, 2, "TQRJ", "1.00", 50, 20);
        writeUnit(0, 1, {{11, "31CDI"}}, {{11, 11, "FF"}, {11, 12, "1"}, {11, 13, "11"}});
        // A TQRC card with two virtual slots: one receiving, one sending.
        placeCard(0, 5, "TQRC", "1.00", 70, 20, "11000");
        placeCard(0, 6, "TQRC$", "1.00", 80, 20);
        placeCard(0, 7, "TQRC$", "1.00", 90, 20);
        writeUnit(0, 4, {{0, "00SYS"}, {1, "01TQC"}},
                  {{1, 11, "33"}, {1, 12, "0FF012"}, {1, 13, "9FF011"}, {1, 14, "0FF099"},
                   {1, 28, "34"}, {1, 29, "0FF011"}});
        // A virtual slot whose card is missing.
        placeCard(0, 10, "TQRC$", "1.00", 100, 20);
        placeStation(3, "RNH6", "1.00", 200, 40);
        placeStation(4, "RNZ6", "1.00", 300, 40);
        writeUnit(4, -1, {{11, "31CDI"}}, {{11, 11, "FF"}, {11, 12, "0"}, {11, 13, "11"}});

        // Connection records of station 0's terminal 11 and 18.
        int p, v, c, k;
        char t[17];
        KRAVinA_Dcon_Get(0, -1, 11, &p, &v, &c, &k, t, f.c_str());
        KRAVinA_Dcon_Pnt_Set(11, 0, 100, 200);
        KRAVinA_Dcon_Pnt_Set(11, 1, 101, 201);
        KRAVinA_Dcon_Pnt_Set(11, 2, 102, 202);
        ASSERT_EQ(KRAVinA_Dcon_Write(0, -1, 11, 3, 7, 0x00FF00, 1, "ABCDEFGHIJ", f.c_str()), 0);
        ASSERT_EQ(KRAVinA_Dcon_Write(0, -1, 18, 99, 8, 0x0000FF, 1, "ABCDEFG\x82\xA0", f.c_str()), 0);   // damaged count
    }

    const CommLinkTerminal& term(int s, int card, int j) { return *table.terminal(s, card, j); }

    CommLinkTable table;
};

TEST_F(LinkTableTest, BuildFillsLinksOfTheWholeProject)
{
    int steps = 0;
    makeCurrent(0, 1);
    KRAVinA_Data_Item_Set(40, 0, itemText("PENDING").data());
    model::BuildCommConnectionTable(*unit, table, [&] { ++steps; });
    EXPECT_EQ(steps, 33);
    EXPECT_EQ(unit->g_curStation, -1);
    EXPECT_EQ(unit->g_curCard, -1);
    EXPECT_EQ(readItemText(40, 0), "PENDING");   // the build kept the image it found

    const auto& st = *table.slot(0, -1);
    EXPECT_EQ(st.used, 1);
    EXPECT_EQ(std::string(st.kind.data(), 8), "RNH6    ");
    EXPECT_EQ(std::string(st.version.data(), 4), "1.10");
    EXPECT_EQ(st.x, 10);
    EXPECT_EQ(table.flags[0][0].used, 1);
    EXPECT_EQ(table.flags[0][0].kind[3], 3);

    // "FF": this station, card 1, terminal 12; the record's line and text.
    const CommLinkTerminal& own = term(0, -1, 11);
    EXPECT_EQ(own.kind, 1);
    EXPECT_EQ(own.link, 1);
    EXPECT_EQ(own.sourceStation, 0);
    EXPECT_EQ(own.sourceCard, 0);
    EXPECT_EQ(own.sourceTerminal, 12);
    EXPECT_EQ(own.value, 7);
    EXPECT_EQ(own.colour, 0x00FF00u);
    EXPECT_EQ(own.points, 3);
    EXPECT_EQ(own.pointX[2], 102);
    EXPECT_EQ(own.pointY[2], 202);
    EXPECT_EQ(std::string(own.text.data(), 8), "ABCDEFGH");
    EXPECT_EQ(own.startX, 12);
    EXPECT_EQ(own.startY, 16);
    EXPECT_EQ(own.endX, 45);
    EXPECT_EQ(own.endY, 16);

    struct Case {
        int terminal, kind, link, sourceCard;
    } cases[] = {
        {12, 1, 2, 0},    // "FE"
        {13, 1, 0, 0},    // station 4A
        {14, 3, 1, -1},   // card 0 of a station without cards is the station
        {15, 1, 0, 0},    // terminal 27
        {16, 1, 0, 0},    // nothing at station 5
        {17, 2, 0, 0},    // an output takes no link
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.terminal);
        EXPECT_EQ(term(0, -1, c.terminal).kind, c.kind);
        EXPECT_EQ(term(0, -1, c.terminal).link, c.link);
        if (c.link == 1) {
            EXPECT_EQ(term(0, -1, c.terminal).sourceCard, c.sourceCard);
        }
    }
    EXPECT_EQ(term(0, -1, 18).points, 30);   // a count beyond the arrays is cut
    EXPECT_EQ(std::string(term(0, -1, 18).text.data(), 8), std::string("ABCDEFG\0", 8));   // never half a character
    EXPECT_EQ(term(0, -1, 18).sourceCard, 1);
    EXPECT_EQ(term(0, -1, 18).endX, 50 + 2);

    // Skipped units: a TQRJ card and a station other than RNH6.
    EXPECT_EQ(table.slot(0, 1)->used, 0);
    EXPECT_EQ(table.slot(4, -1)->used, 0);
    EXPECT_EQ(table.slot(3, -1)->used, 1);
}

TEST_F(LinkTableTest, VirtualSlotsReadTheirLinksFromTheirCard)
{
    model::BuildCommConnectionTable(*unit, table);
    const CommLinkTerminal& in = term(0, 5, 11);
    EXPECT_EQ(in.kind, 3);
    EXPECT_EQ(in.link, 1);
    EXPECT_EQ(in.sourceStation, 0);
    EXPECT_EQ(in.sourceCard, 0);
    EXPECT_EQ(in.sourceTerminal, 12);
    EXPECT_EQ(in.startX, 80 + 2);
    EXPECT_EQ(term(0, 5, 12).kind, 0);   // '9': not in use
    EXPECT_EQ(term(0, 5, 13).kind, 3);   // terminal 99: kind only
    EXPECT_EQ(term(0, 5, 13).link, 0);
    EXPECT_EQ(term(0, 6, 11).kind, 4);   // output mode: no link
    EXPECT_EQ(term(0, 6, 11).link, 0);
    // The slot without its card is shown but reads nothing.
    EXPECT_EQ(table.slot(0, 9)->used, 1);
    for (const auto& t : table.slot(0, 9)->terminals) EXPECT_EQ(t.kind, 0);
}

TEST(CommTerminalPositions, DrawnPositionsAndTheirInverse)
{
    int x, y;
    model::CommTerminalPosition(10, 20, 18, &x, &y);
    EXPECT_EQ(x, 33);
    EXPECT_EQ(y, 16);
    model::CommTerminalPosition(10, 20, 19, &x, &y);
    EXPECT_EQ(x, 12);
    EXPECT_EQ(y, 25);
    for (int j = 11; j <= 26; ++j) {
        model::CommTerminalPosition(100, 50, j, &x, &y);
        EXPECT_EQ(model::CommTerminalAt(100, 50, x, y), j);
    }
    EXPECT_EQ(model::CommTerminalAt(100, 50, 103, 46), 0);   // between two terminals
    EXPECT_EQ(model::CommTerminalAt(100, 50, 102, 47), 0);
}

TEST_F(LinkTableTest, GridAndBlockCells)
{
    model::WiringGrid grid{24, 13};
    int x = 0, y = 0;
    grid.GridCellToPixel(2, 3, &x, &y);
    EXPECT_EQ(x, 52);
    EXPECT_EQ(y, 45);
    x = 5000;
    y = 100;
    grid.ClampToGrid(&x, &y);
    EXPECT_EQ(x, 64 * 24 - 4);
    EXPECT_EQ(y, 113);
    y = 215;
    grid.ClampToGrid(&x, &y);
    EXPECT_EQ(y, 17 * 13 - 6);

    struct Case {
        const char* kind;
        int group, col, row;
    } cases[] = {{"QV200", 10, 4, 123}, {"QV200", 11, 22, 6}, {"QV200", 99, 184, 32}, {"V8RTU", 0, 4, 6},
                 {"V8RTU", 10, 22, 123}};
    for (const Case& c : cases) {
        placeCard(9, 1, c.kind);
        makeCurrent(9, 1);
        int col = 0, row = 0;
        model::GetBlockCellPosition(*unit, c.group, &col, &row);
        EXPECT_EQ(col, c.col) << c.kind << c.group;
        EXPECT_EQ(row, c.row) << c.kind << c.group;
    }
}

class AnalogLineTest : public UnitFixture {
protected:
    void SetUp() override
    {
        UnitFixture::SetUp();
        placeCard(1, 1, "QV200");
        placeCard(1, 2, "QV200");
        writeUnit(1, 0, {{30, "76PVA"}, {31, "60LAG"}}, {{31, 0, "LAG-TAG"}});
        writeUnit(1, 1, {{30, "76PVA"}}, {{30, 0, "OTHER"}});
        makeCurrent(1, 1);
        line.sourceGroup = 31;
        line.sourceItem = 1;
        line.destGroup = 30;
        line.destItem = 10;
        for (int i = 0; i < 30; ++i) {
            line.firstList[i] = 100 + i;    // Y
            line.secondList[i] = 200 + i;   // X
        }
        line.pointCount = 3;
        line.value = 5;
        line.colour = 0x112233;
        line.text = "LINE-TEXT";
    }

    struct Point {
        int x, y;
        bool operator==(const Point&) const = default;
    };
    std::vector<Point> storedPoints(int count)
    {
        std::vector<Point> out;
        for (int i = 0; i < count; ++i) {
            Point p{};
            KRAVinA_Acon_Pnt_Get(30, 10, i, &p.x, &p.y);
            out.push_back(p);
        }
        return out;
    }

    model::AnalogLineEditState line;
};

TEST_F(AnalogLineTest, LineGoesIntoTheUnitItChanged)
{
    // Meanwhile the library holds another unit's data and analog file.
    char head[500];
    KRAVinA_Data_Get(1, 1, head, work.str().c_str());
    int k, v, c;
    char t[17];
    KRAVinA_Acon_Get(1, 1, 0, 0, &k, &v, &c, t, work.str().c_str());

    ASSERT_EQ(model::SaveAconLine(*unit, line), 0);
    EXPECT_EQ(unitItem(1, 0, 30, 10), "3101");
    EXPECT_EQ(unitItem(1, 0, 31, 0), "LAG-TAG");
    EXPECT_EQ(unitItem(1, 1, 30, 10), "");
    EXPECT_EQ(unitItem(1, 1, 30, 0), "OTHER");

    KRAVinA_Proj_Create("T", "", "", work.str().c_str());   // read the analog file again
    ASSERT_EQ(KRAVinA_Acon_Get(1, 0, 30, 10, &k, &v, &c, t, work.str().c_str()), 0);
    EXPECT_EQ(k, 3);
    EXPECT_EQ(v, 5);
    EXPECT_EQ(c, 0x112233);
    EXPECT_STREQ(t, "LINE-TEXT");
    EXPECT_EQ(storedPoints(3), (std::vector<Point>{{200, 100}, {201, 101}, {202, 102}}));
    KRAVinA_Acon_Get(1, 1, 30, 10, &k, &v, &c, t, work.str().c_str());
    EXPECT_EQ(k, 0);
}

TEST_F(AnalogLineTest, ReversedLinesAndPointCountsBeyondTheArrays)
{
    line.direction = 0;
    ASSERT_EQ(model::SaveAconLine(*unit, line), 0);
    EXPECT_EQ(storedPoints(3), (std::vector<Point>{{202, 102}, {201, 101}, {200, 100}}));

    line.text = "ABCDEFGHIJKLMNO\x82\xA0";   // the 16th byte leads a double-byte character
    line.pointCount = 45;
    line.direction = 1;
    ASSERT_EQ(model::SaveAconLine(*unit, line), 0);
    int k, v, c;
    char t[17];
    KRAVinA_Acon_Get(1, 0, 30, 10, &k, &v, &c, t, work.str().c_str());
    EXPECT_EQ(k, 30);
    EXPECT_STREQ(t, "ABCDEFGHIJKLMNO");
    EXPECT_EQ(storedPoints(30).back(), (Point{229, 129}));

    line.destItem = 100;
    EXPECT_EQ(model::SaveAconLine(*unit, line), -1);
    line.destItem = 10;
    line.sourceGroup = -1;
    EXPECT_EQ(model::SaveAconLine(*unit, line), -1);
}

TEST_F(AnalogLineTest, WorkRecordCapturesTheUnit)
{
    placeStation(1, "RNH6", "1.10", 3, 4, "STN");
    line.destItem = 11;  // the block's analog input
    ASSERT_EQ(model::SaveAconLine(*unit, line), 0);
    int k, v, c;
    char t[17];
    KRAVinA_Acon_Get(1, 0, 30, 11, &k, &v, &c, t, work.str().c_str());
    KRAVinA_Acon_Set(1, 0, 30, 11, 80, 5, 0x112233, "LINE-TEXT");   // a damaged count
    KRAVinA_Acon_Write(1, 0, work.str().c_str());
    char head[500];
    KRAVinA_Data_Get(1, 0, head, work.str().c_str());
    KRAVinA_Data_XY_Set(31, 12, 34);
    KRAVinA_Data_Write(1, 0, head, work.str().c_str());

    namespace w = model::workrecord;
    model::SystemWorkRecord holder;   // the layout editor's record
    unsigned char* r = holder.Get();
    const auto i32 = [&](std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= std::uint32_t(r[at + i]) << (8 * i);
        return static_cast<std::int32_t>(v);
    };
    const auto i16 = [&](std::size_t at) { return static_cast<std::int16_t>(r[at] | (r[at + 1] << 8)); };
    const auto text = [&](std::size_t at, std::size_t n) { return std::string(reinterpret_cast<char*>(r + at), n); };
    const auto line = [&](int g, int item) { return w::lines + w::lineSize * (g * 100 + item); };
    const auto group = [&](int g) { return w::groups + w::groupSize * g; };

    unit->g_curGroup = 31;
    model::FillSystemWorkRecord(*unit, r);
    EXPECT_EQ(i32(w::station), 1);
    EXPECT_EQ(i32(w::card), 1);
    EXPECT_EQ(text(w::codes + 5 * 30, 5), "76PVA");
    EXPECT_EQ(text(group(31), 8), std::string("LAG-TAG\0", 8));
    EXPECT_EQ(i32(group(31) + w::groupX), 12);
    EXPECT_EQ(i32(group(31) + w::groupY), 34);
    EXPECT_EQ(i32(line(30, 11) + 8), 30);   // a damaged count is cut to the arrays
    EXPECT_EQ(i32(line(30, 11)), 5);
    EXPECT_EQ(i32(line(30, 11) + 4), 0x112233);
    EXPECT_EQ(text(line(30, 11) + w::lineText, 8), std::string("LINE-TE\0", 8));
    EXPECT_EQ(i16(line(30, 11) + w::lineX), 200);
    EXPECT_EQ(i16(line(30, 11) + w::lineY + 2), 101);
    EXPECT_EQ(i32(line(30, 12) + 8), -1);   // not an analog item
    EXPECT_EQ(i32(line(11, 0) + 8), -1);
    EXPECT_EQ(unit->g_curGroup, 31);

    // The station itself takes its record from the station tables.
    makeCurrent(1, 0);
    model::FillSystemWorkRecord(*unit, r);
    EXPECT_EQ(i32(w::card), 0);
    EXPECT_EQ(i32(w::kindIndex), masters.station.find("RNH6"));
    EXPECT_EQ(i32(w::versionIndex), 1);
    EXPECT_EQ(text(w::unitText, 4), std::string("STN\0", 4));
}

}  // namespace
}  // namespace kravin::test

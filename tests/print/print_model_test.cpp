// What the printed pages show and how many pages they take.
#include "print_model.h"

#include "text_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace kravin::print {
namespace {

// Puts at most limit bytes of text into a field and zeros the rest, like the
// tables' loader (a field may be full, without a closing zero).
void put(char* field, std::size_t size, std::string_view text, std::size_t limit)
{
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min({text.size(), limit, size}));
}
template <std::size_t N>
void put(char (&field)[N], std::string_view text, std::size_t limit = N - 1)
{
    put(field, N, text, limit);
}

// A current unit whose block tables a test fills by hand.
class UnitTables : public ::testing::Test {
protected:
    model::CardKindMasters masters;
    model::SystemConfigTables tables;
    model::UnitContext unit{masters, tables, "", ""};

    void item(int i, const char* type, const std::string& name, const char* unitText = "", const char* extra = "",
              const char* value = "")
    {
        model::ItemDefinition& d = unit.itemDefinitions[i];
        put(d.type, type);
        put(d.name, name);
        put(d.abbreviation, unitText);
        put(d.unit, extra);
        put(unit.blockItemData.items[i].data(), unit.blockItemData.items[i].size(), value, 16);
    }
    void terminal(int t, const char* type, const char* name, const char* second = "")
    {
        model::TerminalDefinition& d = unit.terminalDefinitions[t];
        put(d.type, type);
        put(d.name, name);
        put(d.abbreviation, second, sizeof d.abbreviation);
    }
};

TEST(PageCounts, SystemConfigurationByUsedStations)
{
    const struct {
        int used, pages;
    } cases[] = {{0, 1}, {28, 1}, {29, 2}, {56, 2}, {57, 3}, {64, 3}};
    model::CardKindMasters masters;
    masters.station.name[1] = "QV200   ";
    masters.card.name[1] = "KMQ     ";
    for (const auto& c : cases) {
        model::SystemConfigTables tables;
        // Every other used station has only a card: a card alone makes a station used.
        for (int s = 0; s < c.used; ++s) {
            if (s % 2) tables.cardKind[s][15] = 1;
            else tables.stationKind[s] = 1;
        }
        const SystemSnapshot snap = snapshotSystem(masters, tables);
        EXPECT_EQ(static_cast<int>(snap.rows.size()), c.used);
        EXPECT_EQ(snap.pageCount(), c.pages) << c.used << " used stations";
    }
}

TEST(PageCounts, LadderByFirstEmptyRow)
{
    const struct {
        int firstEmpty, plain, withComments;
    } cases[] = {{0, 1, 1}, {24, 1, 2}, {25, 2, 2}, {30, 2, 3}, {89, 4, 7}};
    for (const auto& c : cases) {
        ladder::LadderGrid grid;
        for (int r = 0; r < c.firstEmpty; ++r) {
            // Rows used in the three ways a row can be: a cell, a coil, a link alone.
            if (r % 3 == 0) grid.Cell(r, 0) = ladder::kCellWire;
            else if (r % 3 == 1) grid.g_ladderCoils[r] = 70101;
            else grid.SetLink(r, 2, true);
        }
        EXPECT_EQ(firstEmptyLadderRow(grid), c.firstEmpty);
        EXPECT_EQ(ladderPages(firstEmptyLadderRow(grid), false), c.plain) << c.firstEmpty;
        EXPECT_EQ(ladderPages(firstEmptyLadderRow(grid), true), c.withComments) << c.firstEmpty;
    }
}

TEST(PageCounts, BlockSettingByLinesDrawn)
{
    const struct {
        int lines, pages;
    } cases[] = {{0, 1}, {44, 1}, {45, 2}, {89, 3}};
    for (const auto& c : cases) EXPECT_EQ(settingPages(c.lines), c.pages) << c.lines;
    EXPECT_EQ(blockListPages(0), 3);
    EXPECT_EQ(blockListPages(2), 2);
}

TEST_F(UnitTables, SkippedItemsTakeNoLineAndNoPage)
{
    // 44 drawn items among FA_ and NON ones, and NON terminals: one page, not two.
    int drawn = 0;
    for (int i = 0; i < model::kItems; ++i) {
        if (i % 2 == 1) item(i, i % 4 == 1 ? "FA_FLOAT2" : "NON", "hidden");
        else if (drawn++ < 44) item(i, "INT5", "Value " + std::to_string(i));
    }
    terminal(0, "NON", "unused");
    terminal(1, "NON", "unused");
    const std::vector<SettingLine> lines = settingLines(unit, true);
    ASSERT_EQ(lines.size(), 44u);
    EXPECT_EQ(lines[0].number, 0);
    EXPECT_EQ(lines[1].number, 2);  // the numbers keep their item index
    EXPECT_EQ(settingPages(static_cast<int>(lines.size())), 1);

    item(99, "INT5", "One more");
    EXPECT_EQ(settingPages(static_cast<int>(settingLines(unit, true).size())), 2);
}

TEST_F(UnitTables, ItemAndTerminalTexts)
{
    const std::string fifty(50, 'n'), fiftySix(56, 'm');
    item(0, "FLAG", "\"0:STOP,1:RUN\"Run mode", "", "", "1");
    item(1, "FLOAT4", fifty, "kg/h", "s");
    item(2, "FLOAT4", fiftySix, "kg/h");
    item(3, "INT5", "Flow", "m3/min");
    item(4, "INT5", "Level", "", "", "12345678901234567890");
    terminal(0, "A", "Input", "PV1");
    terminal(1, "D", "Alarm");
    const std::vector<SettingLine> lines = settingLines(unit, true);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0].name, "Run mode");          // quoted parts dropped
    EXPECT_EQ(lines[0].value, "1");
    EXPECT_EQ(lines[1].name, fifty + " (kg/h)");   // 50 <= 54: the unit follows
    EXPECT_EQ(lines[1].extra, "s");
    EXPECT_EQ(lines[2].name, fiftySix);            // 56 > 54: no room for the unit
    EXPECT_EQ(lines[3].name, "Flow (m3/m)");       // the first 4 characters of the unit
    EXPECT_EQ(lines[4].value, "1234567890123456"); // at most 16 characters
    EXPECT_EQ(lines[5].kind, SettingLine::Terminal);
    EXPECT_EQ(lines[5].name, "Input (PV1)");
    EXPECT_EQ(lines[6].name, "Alarm");
    EXPECT_EQ(settingLines(unit, false).size(), 5u);
}

TEST_F(UnitTables, NamesAreCutOnCharacterBoundaries)
{
    // 59 single bytes and then a double-byte character: a 60-byte cut would split it.
    const std::string kanji = model::utf8ToCp932("値");
    ASSERT_EQ(kanji.size(), 2u);
    item(0, "INT5", std::string(59, 'a') + kanji + "tail");
    const std::string terminalName = std::string(41, 'b') + kanji;
    terminal(0, "A", terminalName.c_str());
    const std::vector<SettingLine> lines = settingLines(unit, true);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].name, std::string(59, 'a'));
    EXPECT_EQ(lines[1].name, std::string(41, 'b'));
    EXPECT_EQ(model::trimDbcs(std::string(38, 'c') + kanji, kBlockNameBytes), std::string(38, 'c'));
}

TEST(SettingFlow, GroupsStartOnANewPageWhenFewerThanTwoLinesRemain)
{
    auto group = [](int label, int lines) {
        std::vector<SettingLine> v(1);
        v[0].kind = SettingLine::Group;
        v[0].number = label;
        for (int i = 0; i < lines; ++i) v.push_back(SettingLine{SettingLine::Item, i, "", "", ""});
        return v;
    };
    // 43 lines, then a group that would get one line: it moves to page 2.
    std::vector<std::pair<int, std::vector<SettingLine>>> groups = {{0, group(0, 42)}, {0, group(1, 3)}};
    std::vector<SettingPage> pages = flowSettingPages(groups);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].lines.size(), 43u);
    EXPECT_EQ(pages[1].lines.front().kind, SettingLine::Group);
    EXPECT_EQ(pages[1].lines.front().number, 1);

    // 42 lines leave two: the next group starts there and runs on; the bank follows the page.
    groups = {{0, group(0, 41)}, {2, group(5, 50)}};
    pages = flowSettingPages(groups);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].lines.size(), 44u);
    EXPECT_EQ(pages[0].lines[42].kind, SettingLine::Group);
    EXPECT_EQ(pages[1].lines.size(), 44u);
    EXPECT_EQ(pages[1].bank, 2);
    EXPECT_EQ(pages[2].lines.size(), 49u - 44u);
    EXPECT_EQ(flowSettingPages({}).size(), 1u);
}

TEST(PrintTexts, CommentStaysInsideItsField)
{
    // A comment filling its 160 bytes without a NUL, followed by other bytes.
    std::string field(160, 'x');
    field.replace(10, 2, "\r\n");
    field.replace(12, 2, "\r\n");  // an empty line still counts
    const std::string beyond = field + "\r\nNOT PART OF THE COMMENT";
    const std::vector<std::string> lines = commentLines(beyond);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string(10, 'x'));
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], std::string(160 - 14, 'x'));
    EXPECT_TRUE(commentLines("").empty());
    EXPECT_EQ(commentLines(std::string("one\r\ntwo\0three", 14)), (std::vector<std::string>{"one", "two"}));
}

TEST(PrintTexts, UnitLineAndBlockText)
{
    UnitHeader u;
    u.station = 0x3B;
    u.card = 11;
    u.kindName = "QV200   ";
    u.version = "1.00";
    EXPECT_EQ(unitLine(u), "STATION:3B  CARD:A  QV200     1.00");
    u.card = 0;
    EXPECT_EQ(unitLine(u).substr(0, 20), "STATION:3B  CARD:-  ");
    EXPECT_EQ(blockText("12ABC"), "ABC(12)");
    EXPECT_EQ(blockText(""), "");
    EXPECT_EQ(unquotedName("\"0:OFF\"Mode \"x\"A"), "Mode A");
    EXPECT_EQ(groupLabel(70, 2), 11);
    EXPECT_EQ(groupLabel(57, 0), 57);
}

TEST(SystemSnapshot, CellLabelsAndVersions)
{
    model::CardKindMasters masters;
    masters.station.name[1] = "RNH6    ";
    masters.station.versions[1][0] = "1.0";
    masters.card.name[1] = "RNH6    ";
    masters.card.name[2] = "QV200BX ";
    masters.card.versions[2][1] = "1.30X";
    model::SystemConfigTables tables;
    tables.stationKind[5] = 1;
    tables.stationUnitText[5] = "12345";
    tables.cardKind[5][0] = 1;
    tables.cardKind[5][2] = 2;
    tables.cardVersion[5][2] = 1;
    const SystemSnapshot snap = snapshotSystem(masters, tables);
    ASSERT_EQ(snap.rows.size(), 1u);
    const SystemRow& row = snap.rows[0];
    EXPECT_EQ(row.station, 5);
    EXPECT_EQ(row.cells[0].label, "RNH12");
    EXPECT_EQ(row.cells[0].version, "1.0 ");  // always four characters
    EXPECT_EQ(row.cells[1].label, "RNH6");    // a card keeps its own name
    EXPECT_FALSE(row.cells[2].used);          // an empty slot between used ones
    EXPECT_EQ(row.cells[3].label, "QV200BX");
    EXPECT_EQ(row.cells[3].version, "1.30");
}

}  // namespace
}  // namespace kravin::print

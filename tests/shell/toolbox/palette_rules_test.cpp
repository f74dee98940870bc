#include "palette_rules.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace kravin::shell {
namespace {

std::vector<std::string> names(const PaletteCategory& c)
{
    std::vector<std::string> out;
    for (const PaletteItem& i : c.items) out.push_back(i.code + i.name);
    return out;
}

TEST(PaletteCodes, CategoriesFollowTheValidBlocks)
{
    std::array<std::vector<std::string>, 100> valid;
    valid[2] = {"21BCA", "00SYS"};    // table 0's groups
    valid[31] = {"19OTS", "76PVA"};   // table 2 (and 5, whose codes are absent)
    valid[40] = {"76PVA", "55XYZ", "42ZZZ"};
    valid[90] = {"11DUP", "42ZZZ", "88ACP"};   // 88 is in table 5, but group 90 is outside its range
    const auto cats = BuildCodeCategories(valid, ExclusionListB());
    ASSERT_EQ(cats.size(), 3u);
    EXPECT_EQ(cats[0].table, 0);
    EXPECT_EQ(names(cats[0]), (std::vector<std::string>{"21BCA"}));
    // Table order, not code order: 55 ABS is the table's, 19 OTS comes after 71 DVL.
    EXPECT_EQ(cats[1].table, 2);
    EXPECT_EQ(names(cats[1]), (std::vector<std::string>{"55ABS", "19OTS", "76PVA"}));
    // Codes of no table (and 88 outside its table's groups) form the last category;
    // excluded codes ("00", "11") appear nowhere.
    EXPECT_EQ(cats[2].table, -1);
    EXPECT_EQ(names(cats[2]), (std::vector<std::string>{"42ZZZ", "88ACP"}));

    // Nothing valid: one empty category.
    const auto none = BuildCodeCategories({}, ExclusionListA());
    ASSERT_EQ(none.size(), 1u);
    EXPECT_TRUE(none[0].items.empty());
}

TEST(PaletteCodes, TablesAndLists)
{
    EXPECT_EQ(BlockCodeTable(2).size(), 42u);
    EXPECT_TRUE(BlockCodeTable(9).empty());
    EXPECT_EQ(ExclusionListA().size(), 15u);
    EXPECT_EQ(ExclusionListB(), (std::vector<std::string>{"00", "11"}));
    // The analog palette leaves out what the block list palette offers.
    std::array<std::vector<std::string>, 100> valid;
    valid[11] = {"31CDI", "33CAI"};
    EXPECT_EQ(names(BuildCodeCategories(valid, ExclusionListB())[0]), (std::vector<std::string>{"31CDI", "33CAI"}));
    EXPECT_EQ(names(BuildCodeCategories(valid, ExclusionListA())[0]), (std::vector<std::string>{"33CAI"}));
    EXPECT_EQ(ModuleDisplayName("TQNW2"), "TQN-W2");
    EXPECT_EQ(ModuleDisplayName("NK-3"), "TQNK-3");
    EXPECT_EQ(ModuleDisplayName("QV200"), "QV200");
    EXPECT_EQ(ModuleDisplayNames().size(), 32u);
}

TEST(SystemPalette, ModelsWithTheirHighestVersion)
{
    model::CardKindMasters m;
    m.station.name[1] = "V8RTU   ";
    m.station.versions[1] = {"1.00", "2.00"};
    m.card.name[1] = "QV200   ";
    m.card.versions[1] = {"1.20", "1.10", "1.05"};
    m.card.name[2] = "TQRQ$   ";
    m.card.versions[2] = {"1.00"};
    m.card.name[3] = "TQNW2   ";
    m.card.name[4] = "TQRC$   ";
    m.card.name[5] = "TQRC    ";
    m.card.versions[5] = {"3.5", "", "9.00"};   // stops at the first empty text
    m.card.name[7] = "LOST    ";                // after the first empty kind
    const auto cats = SystemPaletteCategories(m);
    ASSERT_EQ(cats.size(), 2u);
    ASSERT_EQ(cats[0].items.size(), 1u);
    EXPECT_EQ(cats[0].items[0], (PaletteItem{"V8RTU", "2.00", kStationModelItem}));
    EXPECT_EQ(cats[1].items, (std::vector<PaletteItem>{{"QV200", "1.20", kCardModelItem},
                                                        {"TQNW2", "0.00", kCardModelItem},
                                                        {"TQRC", "3.50", kCardModelItem}}));
}

TEST(SystemPalette, DropRules)
{
    SystemDropPoint card;
    card.station = 3;
    card.card = 2;
    card.inCardArea = true;
    card.x = 100;
    card.y = 50;
    card.width = 400;
    card.height = 300;
    SystemDropPoint station = card;
    station.card = 0;
    station.inCardArea = false;
    station.leftOfCardArea = true;
    const struct {
        const char* name;
        SystemDropPoint point;
        int item;
        bool allowed;
    } cases[] = {
        {"free card slot", card, kCardModelItem, true},
        {"station model on a card slot", card, kStationModelItem, false},
        {"free station cell", station, kStationModelItem, true},
        {"card model on a station", station, kCardModelItem, false},
        {"occupied slot", [&] { auto p = card; p.slotHasKind = true; p.model = "QV200   "; return p; }(),
         kCardModelItem, false},
        {"virtual slot", [&] { auto p = card; p.slotHasKind = true; p.model = "TQRQ$   "; return p; }(),
         kCardModelItem, false},
        {"no cell", [&] { auto p = card; p.station = -1; return p; }(), kCardModelItem, false},
        {"outside the view", [&] { auto p = card; p.y = 300; return p; }(), kCardModelItem, false},
        {"at the edge", [&] { auto p = card; p.x = 0; return p; }(), kCardModelItem, false},
    };
    for (const auto& c : cases) EXPECT_EQ(SystemDropAllowed(c.point, c.item), c.allowed) << c.name;
}

TEST(BlockListPalette, DropsOnEmptyGroupsThatAllowTheBlock)
{
    const PaletteItem pva{"PVA", "76"};
    EXPECT_TRUE(BlockListDropAllowed(30, true, {"60LAG", "76PVA"}, pva));
    EXPECT_FALSE(BlockListDropAllowed(30, false, {"76PVA"}, pva));   // the group holds a block
    EXPECT_FALSE(BlockListDropAllowed(30, true, {"60LAG"}, pva));
    EXPECT_FALSE(BlockListDropAllowed(-1, true, {"76PVA"}, pva));
    EXPECT_EQ(BlockListFunctionName(pva), "PVA(76)");
}

TEST(LadderPalette, ElementsAndDropRules)
{
    const auto cats = LadderPaletteCategories(false);
    ASSERT_EQ(cats.size(), 1u);
    ASSERT_EQ(cats[0].items.size(), 12u);
    EXPECT_EQ(cats[0].items[0], (PaletteItem{"N.O.\nContact", "", laddercmd::NoContact}));
    EXPECT_EQ(cats[0].items[8].id, laddercmd::Step);
    EXPECT_EQ(cats[0].items[11].id, laddercmd::Or);

    const auto at = [](int column, int row, int scroll = 0, std::uint8_t links = 0) {
        LadderDropCell c;
        c.column = column;
        c.row = row;
        c.scrollRequest = scroll;
        c.links = links;
        return c;
    };
    using namespace laddercmd;
    const struct {
        int command;
        LadderDropCell cell;
        bool allowed;
    } cases[] = {
        {Step, at(0, 3), true},        {Step, at(1, 3), false},     {Timer, at(0, 0), true},
        {Timer, at(4, 0), false},      {NoContact, at(7, 2), true}, {NoContact, at(8, 2), false},
        {NcContact, at(8, 2), false},  {OutputCoil, at(8, 2), true}, {Or, at(0, 2), false},
        {Or, at(1, 0), false},         {Or, at(1, 0, 1), true},     {Or, at(3, 2), true},
        {Or, at(3, 2, 0, 0x04), false}, {Or, at(3, 2, 0, 0x02), true}, {Line, at(8, 0), true},
        {Branch, at(-1, 0), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LadderDropAllowed(c.command, c.cell), c.allowed)
            << c.command << " at " << c.cell.column << "," << c.cell.row;
    LadderDropCell online = at(0, 0);
    online.online = true;
    EXPECT_FALSE(LadderDropAllowed(Line, online));
}

// A ladder of 9 columns by 10 shown rows of 20-pixel cells.
class FakeLadder : public LadderDropHost {
public:
    bool online() const override { return isOnline; }
    bool cellAt(int x, int y, int& column, int& row) const override
    {
        if (x < 0 || y < 0 || x >= 180 || y >= 200) return false;
        column = x / 20;
        row = y / 20;
        return true;
    }
    void cursor(int& column, int& row) const override
    {
        column = cursorColumn;
        row = cursorRow;
    }
    int scrollRequest() const override { return scroll; }
    std::uint8_t links(int row) const override { return row == 2 ? 0x01 : 0; }
    void moveCursor(int column, int row) override
    {
        cursorColumn = column;
        cursorRow = row;
        ++moves;
    }
    void runCommand(int command) override { commands.push_back(command); }

    bool isOnline = false;
    int cursorColumn = 0, cursorRow = 0, scroll = 0, moves = 0;
    std::vector<int> commands;
};

TEST(LadderPalette, TargetMovesTheCursorAndRunsTheElement)
{
    FakeLadder ladder;
    LadderPaletteTarget target(ladder);
    const PaletteItem contact{"N.O.\nContact", "", laddercmd::NoContact};
    const PaletteItem orItem{"OR", "", laddercmd::Or};
    EXPECT_TRUE(target.accepts(45, 25, contact));   // column 2, row 1
    EXPECT_EQ(ladder.cursorColumn, 2);
    EXPECT_EQ(ladder.cursorRow, 1);
    EXPECT_TRUE(target.accepts(50, 30, contact));   // same cell: the cursor stays
    EXPECT_EQ(ladder.moves, 1);
    EXPECT_FALSE(target.accepts(170, 25, contact));  // column 8
    EXPECT_FALSE(target.accepts(25, 45, orItem));    // row 2 has a link right of column 0
    target.drop(170, 25, contact);
    EXPECT_TRUE(ladder.commands.empty());
    target.drop(45, 25, contact);
    EXPECT_EQ(ladder.commands, (std::vector<int>{laddercmd::NoContact}));
    EXPECT_FALSE(target.accepts(500, 25, contact));
    ladder.isOnline = true;
    EXPECT_FALSE(target.dragAllowed());
    target.drop(45, 25, contact);
    EXPECT_EQ(ladder.commands.size(), 1u);
}

TEST(PaletteHelpFiles, ModelFileThenGenericFileWhateverTheCase)
{
    test::TempDir dir;
    const auto touch = [&](const std::string& relative) {
        std::filesystem::create_directories((dir.path() / relative).parent_path());
        std::ofstream(dir.path() / relative) << "%PDF";
    };
    touch("ITEM/pva_QV200.PDF");
    touch("ITEM/Pva.pdf");
    touch("terminal/CDI.pdf");
    const std::string help = dir.str();
    EXPECT_EQ(FindHelpFile(help, HelpKind::Item, "PVA", "QV200   "), (dir.path() / "ITEM/pva_QV200.PDF").string());
    EXPECT_EQ(FindHelpFile(help, HelpKind::Item, "PVA", "QV210"), (dir.path() / "ITEM/Pva.pdf").string());
    EXPECT_EQ(FindHelpFile(help, HelpKind::Item, "LAG", "QV200"), std::nullopt);
    EXPECT_EQ(FindHelpFile(help, HelpKind::Terminal, "CDI", "QV200"), (dir.path() / "terminal/CDI.pdf").string());
    EXPECT_EQ(FindHelpFile(help, HelpKind::Terminal, "PVA", ""), std::nullopt);
    // Names from the tables never leave the help folder.
    touch("secret.pdf");
    for (const char* bad : {"../secret", "..", "a/b", "a\\b"})
        EXPECT_EQ(FindHelpFile(help + "/ITEM", HelpKind::Item, bad, ""), std::nullopt) << bad;
    EXPECT_EQ(FindHelpFile(help, HelpKind::Item, "PVA", "../x"), std::nullopt);
    EXPECT_EQ(FindHelpFile(dir.str() + "/none", HelpKind::Item, "PVA", ""), std::nullopt);
}

}  // namespace
}  // namespace kravin::shell

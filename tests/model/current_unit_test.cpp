#include "current_unit.h"

#include "unit_fixture.h"

#include <fstream>

namespace kravin::test {
namespace {

using model::fieldView;

class CurrentUnitTest : public UnitFixture {};

TEST_F(CurrentUnitTest, SelectCurrentUnitTakesKindTextAndVersion)
{
    placeStation(1, "RNH6", "1.10", 0, 0, "ST-1");
    placeCard(1, 4, "QV200", "1.20", 0, 0, "ABCDE");
    struct Case {
        int station, card;
        std::string model, text, version;
    } cases[] = {
        {1, 0, "RNH6    ", "ST-1", "1.10"},
        {1, 4, "QV200   ", "ABCDE", "1.20"},
        {1, 5, "", "", ""},   // no kind: everything empty
        {2, 0, "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.station * 100 + c.card);
        unit->g_curModel.fill('x');
        unit->g_curStation = c.station;
        unit->g_curCard = c.card;
        unit->SelectCurrentUnit();
        EXPECT_EQ(unit->model(), c.model);
        EXPECT_EQ(fieldView(unit->g_curUnitText), c.text);
        EXPECT_EQ(unit->version(), c.version);
    }
}

TEST_F(CurrentUnitTest, DefinitionVersionFallsBackToTheNextFolderThatExists)
{
    const std::string folder = copyTables();
    std::filesystem::remove_all(folder + "QV200/100");
    useTables(folder);
    placeCard(0, 1, "QV200", "1.00");
    std::string v = "keep";
    EXPECT_EQ(unit->ResolveBlockDefVersion(0, 1, "QV200   ", v), 0);
    EXPECT_EQ(v, "1.10");

    // Starting from the unit's own version index.
    placeCard(0, 2, "QV200", "1.20");
    EXPECT_EQ(unit->ResolveBlockDefVersion(0, 2, "QV200   ", v), 0);
    EXPECT_EQ(v, "1.20");

    // No folder at all: -1, the last version tried, and selection uses the caller's version.
    std::filesystem::remove_all(folder + "QV200");
    EXPECT_EQ(unit->ResolveBlockDefVersion(0, 1, "QV200   ", v), -1);
    EXPECT_EQ(v, "1.20");
    unit->g_curStation = 0;
    unit->g_curCard = 1;
    EXPECT_EQ(unit->SelectBlockDefinition("QV200   ", "1.00", "CDI"), -1);

    // Kind 0: -1 and the text untouched.
    v = "keep";
    EXPECT_EQ(unit->ResolveBlockDefVersion(0, 9, "QV200   ", v), -1);
    EXPECT_EQ(v, "keep");
}

TEST_F(CurrentUnitTest, LoadUnitBlocksReadsCodesAllowedBlocksAndTheAnalogMap)
{
    placeCard(0, 1, "QV200");
    writeUnit(0, 0, {{0, "00SYS"}, {11, "31CDI"}, {30, "76PVA"}, {31, "60LAG"}}, {{30, 11, "3101"}});
    makeCurrent(0, 1);
    EXPECT_EQ(fieldView(unit->g_unitBlocks[11]), "31CDI");
    EXPECT_EQ(unit->blockId(30), "PVA");
    EXPECT_EQ(unit->blockId(12), "");
    EXPECT_EQ(unit->validBlockCount[11], 4);
    EXPECT_EQ(std::string(unit->validBlocks[11].data(), 20), "31CDI32CDO33CAI34CAO");

    const auto& pva = unit->analogMap[30];
    EXPECT_EQ(pva.hasAnalog, 1);
    EXPECT_EQ(pva.source[11], 3120);   // LAG output terminal 20 of group 31
    EXPECT_EQ(pva.terminalUsed[11], 1);
    EXPECT_EQ(pva.terminalUsed[20], 1);
    EXPECT_EQ(unit->analogMap[12].hasAnalog, 0xFF);   // untouched group
}

TEST_F(CurrentUnitTest, RightSlotOfATwoSlotCardHasNoGroupsOneToFive)
{
    placeCard(0, 2, "QV200W", "1.00", 0, 0, std::string(1, '\x01'));
    writeUnit(0, 1, {{0, "00SYS"}, {1, "01CTL"}, {5, "05CMS"}});
    makeCurrent(0, 2);
    for (int g = 1; g <= 5; ++g) {
        EXPECT_EQ(unit->g_unitBlocks[g][0], 0) << g;
        EXPECT_EQ(unit->validBlockCount[g], 0) << g;
    }
    EXPECT_EQ(fieldView(unit->g_unitBlocks[0]), "00SYS");
}

TEST_F(CurrentUnitTest, BlockItemListCountsAndFailureLeavesNothingStale)
{
    placeCard(0, 1, "QV200");
    writeUnit(0, 0, {{0, "00SYS"}, {11, "31CDI"}, {12, "99XYZ"}}, {{11, 0, "TAG-11"}});
    makeCurrent(0, 1, 11);
    ASSERT_EQ(unit->LoadBlockItemList(), 0);
    EXPECT_EQ(unit->itemCount, 28);      // FA_ and NONE rows are not shown
    EXPECT_EQ(unit->terminalCount, 16);
    EXPECT_EQ(unit->g_blockEditMode, 0);
    EXPECT_EQ(fieldView(unit->blockItemData.items[0].data(), 18), "TAG-11");
    EXPECT_EQ(unit->blockItemData.savedItems[0], unit->blockItemData.items[0]);
    EXPECT_EQ(fieldView(unit->terminalDefinitions[0].number), "20");

    for (int group : {12, 13}) {   // a code without definition; no block at all
        SCOPED_TRACE(group);
        unit->g_curGroup = 11;
        ASSERT_EQ(unit->LoadBlockItemList(), 0);
        unit->g_curGroup = group;
        EXPECT_EQ(unit->LoadBlockItemList(), -1);
        EXPECT_EQ(unit->itemCount, 0);
        EXPECT_EQ(unit->terminalCount, 0);
        EXPECT_EQ(unit->itemDefinitions[0].type[0], 0);
        EXPECT_EQ(unit->blockItemData.items[0][0], 0);
    }
}

TEST_F(CurrentUnitTest, DefinitionWithOnlyTerminalsOpensInTerminalMode)
{
    const std::string folder = copyTables();
    auto writeDef = [&](const std::string& name, bool withTerminal) {
        std::ofstream out(folder + "QV200/100/" + name + ".KRAT");
        out << "Test block\n";
        for (int i = 0; i < 100; ++i) out << "ITEM" << (i < 10 ? "0" : "") << i << (i == 8 ? ",FA_INT2,x,X,,0,\n" : ",NON\n");
        for (int i = 0; i < 100; ++i)
            out << "TERM" << (i < 10 ? "0" : "") << i << (i == 0 && withTerminal ? ",D,In,I1,20\n" : ",NON\n");
    };
    writeDef("TRM", true);
    writeDef("NIL", false);
    useTables(folder);
    placeCard(0, 1, "QV200");
    writeUnit(0, 0, {{40, "99TRM"}, {41, "99NIL"}});
    makeCurrent(0, 1, 40);
    EXPECT_EQ(unit->LoadBlockItemList(), 0);
    EXPECT_EQ(unit->g_blockEditMode, 1);
    EXPECT_EQ(unit->itemCount, 0);
    EXPECT_EQ(unit->terminalCount, 1);
    unit->g_curGroup = 41;
    EXPECT_EQ(unit->LoadBlockItemList(), -1);
}

TEST_F(CurrentUnitTest, RemoteStationCardsReadSharedItemsFromCardOneAndKeepPendingChanges)
{
    placeStation(2, "V8RTU", "1.00", 0, 0, "3");
    placeCard(2, 1, "V8RTU");
    placeCard(2, 3, "V8RTU");
    writeUnit(2, 0, {{0, "00SYS"}, {1, "01RIO"}}, {{0, 0, "SHARED"}});
    writeUnit(2, 2, {{0, "00SYS"}, {1, "01RIO"}, {30, "60LAG"}}, {{0, 0, "OWN"}});
    makeCurrent(2, 3, 0);
    // A change of card 3 not written yet.
    KRAVinA_Data_Item_Set(30, 1, itemText("PENDING").data());

    ASSERT_EQ(unit->LoadBlockItemList(), 0);
    EXPECT_EQ(fieldView(unit->blockItemData.items[0].data(), 18), "SHARED");
    EXPECT_EQ(unit->g_curCard, 3);
    EXPECT_EQ(unit->blockId(30), "LAG");
    EXPECT_EQ(readItemText(30, 1), "PENDING");
    EXPECT_EQ(readItemText(0, 0), "OWN");

    // Group 2 and up read the card's own items.
    unit->g_curGroup = 30;
    ASSERT_EQ(unit->LoadBlockItemList(), 0);
    EXPECT_EQ(fieldView(unit->blockItemData.items[1].data(), 18), "PENDING");
}

TEST_F(CurrentUnitTest, OpenAtStepStartsAtTheStepButNeverPastTenBeforeTheEnd)
{
    placeCard(0, 1, "QV200");
    writeUnit(0, 0, {{81, "95SEQ"}}, {{81, 61, "130007"}, {81, 95, "130009"}});
    makeCurrent(0, 1, 81);
    unit->seqBlockMode = 1;
    struct Case {
        int step, row;
    } cases[] = {{7, 54}, {9, 83}, {5, 0}};
    for (const Case& c : cases) {
        unit->openAtStep = c.step;
        ASSERT_EQ(unit->LoadBlockItemList(), 0);
        EXPECT_EQ(unit->itemCount, 93);
        EXPECT_EQ(unit->firstVisibleRow, c.row) << c.step;
    }
}

TEST_F(CurrentUnitTest, ClearUnitStaysWithinTheStationsSlots)
{
    placeCard(3, 13, "QV200");
    placeCard(3, 14, "TQRC", "1.00", 5, 6, "11111");
    placeCard(3, 15, "TQRC$", "1.00", 7, 8);
    placeCard(3, 16, "TQRC$", "1.00", 9, 10);
    makeCurrent(3, 14);
    unit->ClearUnit(1);
    for (int c : {14, 15, 16}) EXPECT_EQ(tables.cardKind[3][c - 1], 0) << c;
    EXPECT_NE(tables.cardKind[3][12], 0);
    EXPECT_EQ(tables.cardX[3][13], 5);   // layout kept
    EXPECT_EQ(tables.cardX[3][14], 0);   // extension slots lose their place

    placeCard(4, 16, "QV200W");
    placeCard(5, 1, "QV200");
    makeCurrent(4, 16);
    unit->ClearUnit(1);
    EXPECT_EQ(tables.cardKind[4][15], 0);
    EXPECT_NE(tables.cardKind[5][0], 0);

    placeStation(6, "V8RTU", "1.00", 0, 0, "F");
    for (int c = 1; c <= 16; ++c) placeCard(6, c, "V8RTU");
    makeCurrent(6, 0);
    unit->ClearUnit(1);
    EXPECT_EQ(tables.stationKind[6], 0);
    EXPECT_EQ(tables.stationUnitText[6], "");
    for (int c = 1; c <= 15; ++c) EXPECT_EQ(tables.cardKind[6][c - 1], 0) << c;
    EXPECT_NE(tables.cardKind[6][15], 0);
}

TEST_F(CurrentUnitTest, ClearUnitWithoutLayoutEmptiesLinesAndLayers)
{
    placeCard(7, 2, "QV200", "1.00", 4, 5);
    makeCurrent(7, 2);
    int p0, v0, c0, k0;
    char t0[17];
    KRAVinA_Dcon_Get(7, 1, 12, &p0, &v0, &c0, &k0, t0, work.str().c_str());
    ASSERT_EQ(KRAVinA_Dcon_Write(7, 1, 12, 5, 77, 0x123456, 2, "LINE", work.str().c_str()), 0);
    for (const char* layer : {"AC_COM", "AC_TENBYOU"}) {
        std::ofstream(work / (std::string(layer) + "0702.KRAB")) << "x";
    }
    KRAVinA_Data_XY_Set(5, 40, 50);
    unit->ClearUnit(0);
    EXPECT_EQ(tables.cardKind[7][1], 0);
    EXPECT_EQ(tables.cardX[7][1], 0);
    int points = -1, value = 0, colour = 0, kind = 0;
    char text[17] = {};
    KRAVinA_Proj_Create("T", "", "", work.str().c_str());   // drop the cache: read the file
    KRAVinA_Dcon_Get(7, 1, 12, &points, &value, &colour, &kind, text, work.str().c_str());
    EXPECT_EQ(points, 0);
    EXPECT_EQ(value, 77);
    EXPECT_EQ(colour, 0x123456);
    EXPECT_STREQ(text, "LINE");
    EXPECT_FALSE(std::filesystem::exists(work / "AC_COM0702.KRAB"));
    EXPECT_FALSE(std::filesystem::exists(work / "AC_TENBYOU0702.KRAB"));
    int x = -1, y = -1;
    KRAVinA_Data_XY_Get(5, &x, &y);
    EXPECT_EQ(x, 0);
}

TEST_F(CurrentUnitTest, ItemDefaultsAndNextEditableItem)
{
    placeCard(0, 1, "QV200");
    writeUnit(0, 0, {{0, "00SYS"}, {11, "31CDI"}}, {{11, 2, "1"}, {11, 50, "junk"}});
    makeCurrent(0, 1);
    unit->WriteItemDefaults(11);
    EXPECT_EQ(readItemText(11, 2), "0");
    EXPECT_EQ(readItemText(11, 7), "1.000");
    EXPECT_EQ(readItemText(11, 50), "junk");   // NON rows are left alone

    ASSERT_EQ(unit->SelectGroupDefinition(0), 0);
    int pos = 7;
    EXPECT_EQ(unit->FindNextEditableItem(0, 0, &pos), 0);
    EXPECT_EQ(pos, 11);   // 7 is FA_, 8..10 not in use
    pos = 11;
    EXPECT_EQ(unit->FindNextEditableItem(1, 0, &pos), 0);
    EXPECT_EQ(pos, 48);
    pos = 50;
    EXPECT_EQ(unit->FindNextEditableItem(1, 0, &pos), 0);
    EXPECT_EQ(pos, 51);
    pos = 52;
    EXPECT_EQ(unit->FindNextEditableItem(0, 0, &pos), -1);   // 96 FA_, 97 skipped on group 0
    EXPECT_EQ(unit->FindNextEditableItem(0, 12, &pos), -1);  // no block
}

TEST_F(CurrentUnitTest, AnalogLookUpsSkipTheSpecialGroupsOfPwzUnits)
{
    placeCard(0, 1, "PWZ");
    placeCard(0, 2, "QV200");
    const std::map<int, std::string> codes = {{4, "00B2A"}, {30, "51ADS"}, {31, "51ADS"}};
    writeUnit(0, 0, codes, {{30, 11, "3104"}, {4, 11, "3104"}});
    writeUnit(0, 1, codes, {{30, 11, "3104"}});
    for (int card : {1, 2}) {   // ordinary groups read alike on both models
        makeCurrent(0, card);
        EXPECT_EQ(unit->GetAnalogTerminalNo(30, 4), 20);
        EXPECT_EQ(unit->GetAnalogTerminalNo(30, 5), -1);   // digital
        EXPECT_EQ(unit->GetAnalogTerminalNo(50, 0), -1);   // no block
        EXPECT_EQ(unit->analogMap[30].source[11], 3120);
    }
    makeCurrent(0, 1);
    EXPECT_TRUE(unit->isSpecialPwzGroup(4));
    EXPECT_EQ(unit->GetAnalogTerminalNo(4, 0), -1);
    EXPECT_EQ(unit->analogMap[4].hasAnalog, 0xFF);
    model::AnacomList list;
    unit->CollectAnacomItems(4, list);
    EXPECT_EQ(list.itemCount, 0);
    unit->CollectAnacomItems(30, list);
    EXPECT_EQ(list.itemCount, 4);
    EXPECT_EQ(list.terminalCount, 5);
    EXPECT_EQ(list.terminals[4].number, 20);
    EXPECT_EQ(std::string(list.items[1].abbreviation.data(), 3), "IN2");

    // The monitor's unit: its own model, version and codes; digital terminals count.
    unit->monitorTarget.station = 0;
    unit->monitorTarget.card = 2;
    std::memcpy(unit->monitorTarget.model.data(), "QV200   ", 8);
    std::memcpy(unit->monitorTarget.version.data(), "1.00", 4);
    std::memcpy(unit->monitorTarget.blocks[30].data(), "76PVA", 5);
    EXPECT_EQ(unit->GetMonitorTerminalNo(30, 2), 21);
    EXPECT_EQ(unit->GetMonitorTerminalNo(30, 0), 11);
    EXPECT_EQ(unit->GetMonitorTerminalNo(31, 0), -1);
}

TEST_F(CurrentUnitTest, SnapshotAndBlockName)
{
    placeCard(0, 1, "QV200");
    writeUnit(0, 0, {{11, "31CDI"}}, {{11, 0, "TAG"}});
    makeCurrent(0, 1, 11);
    KRAVinA_Data_Term_Set(11, 3, "TERM-COMMENT\0\0\0\0\0\0\0\0");
    unit->SnapshotGroupData();
    EXPECT_EQ(unit->snapshot.group, 11);
    EXPECT_EQ(fieldView(unit->snapshot.code), "31CDI");
    EXPECT_EQ(fieldView(unit->snapshot.items[0].data(), 18), "TAG");
    EXPECT_EQ(fieldView(unit->snapshot.terminals[3].data(), 22), "TERM-COMMENT");
    unit->g_curGroup = 12;   // no block: the snapshot stays
    unit->SnapshotGroupData();
    EXPECT_EQ(unit->snapshot.group, 11);

    std::string name;
    EXPECT_EQ(unit->GetBlockName(unit->model(), unit->version(), "CDI", name), 0);
    EXPECT_EQ(name, "Digital input");
    EXPECT_EQ(unit->GetBlockName(unit->model(), unit->version(), "ZZZ", name), -1);
    EXPECT_EQ(name, "");
}

TEST(TrimLeadingBlanks20, KeepsInnerAndTrailingBlanks)
{
    char field[20];
    std::memcpy(field, "   AB C  DEFGHIJKLMN", 20);
    model::TrimLeadingBlanks20(field);
    EXPECT_EQ(std::string(field, 20), std::string("AB C  DEFGHIJKLMN\0\0\0", 20));
}

}  // namespace
}  // namespace kravin::test

#include "block_setting_logic.h"

#include "scripted_prompt.h"
#include "unit_fixture.h"

#include <fstream>

namespace kravin::editors::blocks {
namespace {

using test::readItemText;
using test::UnitFixture;

struct FakeSettingHost : BlockSettingHost {
    void setModified() override { ++modified; }
    int modified = 0;
};

class BlockSettingLogicTest : public UnitFixture {
protected:
    void SetUp() override
    {
        UnitFixture::SetUp();
        placeStation(1, "RNH6");
        placeCard(1, 1, "QV200");
    }

    // A unit whose blocks hold their defaults, then the given items.
    void writeUnit(int s, int libCard, const std::map<int, std::string>& codes, const std::vector<Item>& items = {})
    {
        UnitFixture::writeUnit(s, libCard, codes);
        makeCurrent(s, libCard + 1);
        char head[500] = {};
        KRAVinA_Data_Get(s, libCard, head, work.str().c_str());
        for (const auto& [g, code] : codes) unit->WriteItemDefaults(g);
        for (const Item& i : items) KRAVinA_Data_Item_Set(i.group, i.item, test::itemText(i.text).data());
        ASSERT_EQ(KRAVinA_Data_Write(s, libCard, head, work.str().c_str()), 0);
    }

    // Loads group g of card 1 as the dialog gets it.
    std::unique_ptr<BlockSettingEditor> open(int group)
    {
        makeCurrent(1, 1, group);
        EXPECT_EQ(unit->LoadBlockItemList(), 0);
        return std::make_unique<BlockSettingEditor>(*unit, prompt, res::Language::English, host);
    }

    int rowOf(const BlockSettingEditor& e, int index)
    {
        for (std::size_t r = 0; r < e.rows().size(); ++r)
            if (e.rows()[r].index == index) return static_cast<int>(r);
        return -1;
    }

    std::string item(int i) { return std::string(model::fieldView(unit->blockItemData.items[i].data(), 16)); }

    test::ScriptedPrompt prompt;
    FakeSettingHost host;
};

TEST_F(BlockSettingLogicTest, OnlyTheValueColumnEditsAndItemTenIsLocked)
{
    writeUnit(1, 0, {{0, "00SYS"}, {31, "76PVA"}});
    auto e = open(31);
    EXPECT_EQ(e->groupText(), "31");
    EXPECT_EQ(e->markText(), "PVA(76)");
    const int ten = rowOf(*e, 10), seven = rowOf(*e, 7);
    ASSERT_GE(ten, 0);
    ASSERT_GE(seven, 0);
    EXPECT_TRUE(e->rows()[ten].locked);
    EXPECT_FALSE(e->cellEditable(ten, kValueColumn));
    for (int c : {0, 1, 2, 4, 5}) EXPECT_FALSE(e->cellEditable(seven, c)) << c;
    EXPECT_TRUE(e->cellEditable(seven, kValueColumn));
    // Hidden items (NON, FA_) get no row.
    EXPECT_EQ(rowOf(*e, 8), -1);
    EXPECT_EQ(rowOf(*e, 9), -1);
    // The quoted part of a name is the range text.
    const int flag = rowOf(*e, 2);
    EXPECT_EQ(e->rows()[flag].cells[1], "Operation");
    EXPECT_EQ(e->rows()[flag].cells[5], "0:OFF,1:ON");
    EXPECT_EQ(e->rows()[seven].cells[5], "0.0 - 100.0");
}

TEST_F(BlockSettingLogicTest, FloatValuesAreShownWithTheirDigitsWithoutCountingAsAChange)
{
    writeUnit(1, 0, {{0, "00SYS"}, {11, "33CAI"}}, {{11, 7, "1.5"}});
    auto e = open(11);
    EXPECT_EQ(e->rows()[rowOf(*e, 7)].cells[kValueColumn], "1.500");
    EXPECT_EQ(e->accept(), 0);
    EXPECT_EQ(host.modified, 0);
    EXPECT_TRUE(prompt.ids().empty());

    auto again = open(11);
    again->setValue(rowOf(*again, 7), "2.25");
    EXPECT_EQ(again->accept(), 0);
    EXPECT_EQ(host.modified, 1);
    // Kept as the device gives it back, so that a compare after an upload finds it equal.
    EXPECT_EQ(item(7), "2.250");
    EXPECT_EQ(again->rows()[rowOf(*again, 7)].cells[kValueColumn], "2.250");

    // Other digits of the number the unit holds are no change.
    auto same = open(11);
    same->setValue(rowOf(*same, 7), "1.5000000");
    host.modified = 0;
    EXPECT_EQ(same->accept(), 0);
    EXPECT_EQ(host.modified, 0);
    EXPECT_EQ(item(7), "1.500");
}

TEST_F(BlockSettingLogicTest, AValueOutOfRangeKeepsTheDialogOnItsRow)
{
    writeUnit(1, 0, {{0, "00SYS"}, {11, "33CAI"}});
    auto e = open(11);
    const int row = rowOf(*e, 7);
    e->setValue(row, "500.0");
    int bad = -1;
    EXPECT_EQ(e->accept(&bad), -1);
    EXPECT_EQ(bad, row);
    EXPECT_EQ(prompt.ids(), std::vector<int>{8118});
    EXPECT_EQ(host.modified, 0);
}

TEST_F(BlockSettingLogicTest, TextsAreCutWithoutSplittingACharacter)
{
    struct Case {
        std::string text;
        std::size_t max;
        std::size_t kept;
    } cases[] = {
        {std::string(19, 'A') + "\x82", 20, 19},          // a lead byte at the end
        {std::string(19, 'A') + "\x82\xA0", 20, 19},      // a character across the limit
        {std::string(14, 'A') + "\x82\xA0\x82\xA0", 16, 16},
        {std::string(15, 'A') + "\x82\xA0", 16, 15},
        {"ABC", 16, 3},
    };
    for (const Case& c : cases) EXPECT_EQ(fitCp932(c.text, c.max).size(), c.kept) << c.text;

    writeUnit(1, 0, {{0, "00SYS"}, {11, "33CAI"}});
    auto e = open(11);
    ASSERT_TRUE(e->terminalButtonEnabled());
    ASSERT_TRUE(e->showTerminals());
    EXPECT_EQ(e->mode(), 1);
    EXPECT_EQ(e->headers()[3], "Comment");
    ASSERT_FALSE(e->rows().empty());
    e->setValue(0, std::string(19, 'C') + "\x82");
    ASSERT_EQ(e->accept(), 0);
    const int t = e->rows()[0].index;
    EXPECT_EQ(std::string(model::fieldView(unit->blockItemData.terminals[t].data(), 20)), std::string(19, 'C'));
    EXPECT_EQ(host.modified, 1);
    ASSERT_TRUE(e->showItems());
    EXPECT_EQ(e->mode(), 0);
}

TEST_F(BlockSettingLogicTest, SecondEndClearsTheFollowingSteps)
{
    writeUnit(1, 0, {{0, "00SYS"}, {81, "95SEQ"}}, {{81, 5, "000000"}, {81, 20, "000000"}, {81, 30, "020101"}});
    auto e = open(81);
    prompt.answer(9500, model::Answer::Cancel);
    EXPECT_EQ(e->accept(), -1);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].id, 9500);
    EXPECT_EQ(std::get<std::int64_t>(prompt.shown[0].args[0]), 5);
    EXPECT_EQ(item(20), "000000");

    prompt.answer(9500, model::Answer::Ok);
    EXPECT_EQ(e->accept(), 0);
    for (int i = 6; i <= 88; ++i) EXPECT_EQ(item(i), "******") << i;
    EXPECT_EQ(item(5), "000000");
    EXPECT_EQ(item(89), "******");
}

TEST_F(BlockSettingLogicTest, CnTerminalFlagsMustNotResumeAfterAGap)
{
    placeCard(1, 2, "TQRC", "1.00", 0, 0, "11100");
    struct Case {
        const char* a;
        const char* b;
        const char* c;
        bool accepted;
    } cases[] = {{"33", "00", "34", false}, {"33", "34", "00", true}, {"00", "00", "00", true}};
    for (const Case& c : cases) {
        writeUnit(1, 1, {{0, "00SYS"}, {1, "01TQC"}}, {{1, 11, c.a}, {1, 28, c.b}, {1, 45, c.c}});
        makeCurrent(1, 2, 1);
        ASSERT_EQ(unit->LoadBlockItemList(), 0);
        BlockSettingEditor e(*unit, prompt, res::Language::English, host);
        prompt.clearLog();
        EXPECT_EQ(e.accept() == 0, c.accepted) << c.a << c.b << c.c;
        EXPECT_EQ(prompt.ids() == std::vector<int>{9504}, !c.accepted);
    }
}

TEST_F(BlockSettingLogicTest, CancelAsksOnlyAfterAChange)
{
    writeUnit(1, 0, {{0, "00SYS"}, {11, "33CAI"}});
    auto e = open(11);
    EXPECT_TRUE(e->cancel());
    e->setValue(rowOf(*e, 0), "TAG");
    prompt.answer(9505, model::Answer::Cancel);
    EXPECT_FALSE(e->cancel());
    prompt.answer(9505, model::Answer::Ok);
    EXPECT_TRUE(e->cancel());
    EXPECT_EQ(prompt.ids(), (std::vector<int>{9505, 9505}));
    EXPECT_TRUE(keyStartsEdit('A'));
    EXPECT_FALSE(keyStartsEdit(0x7F));
    EXPECT_FALSE(keyStartsEdit(0x82));
}

class RebuildTest : public BlockSettingLogicTest {
protected:
    // A saved group record: type names, values and terminal entries.
    static model::BlockSaveRecord record(const std::map<int, std::pair<std::string, std::string>>& items,
                                         const std::map<int, std::string>& terms)
    {
        model::BlockSaveRecord r{};
        for (const auto& [i, tv] : items) {
            std::memcpy(r.data() + model::kSavedTypeBytes * i, tv.first.data(), tv.first.size());
            std::memcpy(r.data() + 1600 + model::kSavedItemBytes * i, tv.second.data(), tv.second.size());
        }
        for (const auto& [j, t] : terms) std::memcpy(r.data() + 3400 + model::kSavedTermBytes * j, t.data(), t.size());
        return r;
    }

    model::SavedGroupRecords saved;
};

TEST_F(RebuildTest, SavedValuesComeBackWhereTheirTypesStillMatch)
{
    writeUnit(1, 0, {{0, "00SYS"}});
    makeCurrent(1, 1);
    std::memcpy(saved.oldCodes[31].data(), "76PVA", 5);
    std::memcpy(saved.oldCodes[40].data(), "99ZZZ", 5);  // no longer allowed: skipped
    saved.present = true;
    saved.records.assign(model::kGroups, model::BlockSaveRecord{});
    saved.records[31] = record({{0, {"CHAR16", "OLDTAG"}}, {7, {"FLOAT2", "5.00"}}, {2, {"FLAG", "7"}}},
                               {{0, "COMMENT0"}});

    RebuildBlockTerminals(*unit, prompt, saved);
    EXPECT_EQ(std::string(unit->g_unitBlocks[31].data()), "76PVA");
    EXPECT_EQ(unit->g_unitBlocks[40][0], 0);
    EXPECT_EQ(readItemText(31, 7), "5.00");   // same type
    EXPECT_EQ(readItemText(31, 0), "");       // the type changed: default
    EXPECT_EQ(readItemText(31, 2), "0");      // refused by the check: default
    char term[21] = {};
    KRAVinA_Data_Term_Get(31, 0, term);
    EXPECT_EQ(std::string(term), "COMMENT0");
    EXPECT_TRUE(prompt.ids().empty());
}

TEST_F(RebuildTest, AMissingRecordKeepsTheDefaults)
{
    std::memcpy(saved.oldCodes[31].data(), "76PVA", 5);
    const auto filled = record({{7, {"FLOAT2", "5.00"}}}, {});
    for (int variant = 0; variant < 2; ++variant) {
        writeUnit(1, 0, {{0, "00SYS"}, {31, "76PVA"}}, {{31, 7, "9.99"}});
        makeCurrent(1, 1);
        if (variant == 0) {
            saved.present = false;  // never saved
            saved.records.assign(model::kGroups, filled);
        } else {
            saved.present = true;  // saved, but without group 31
            saved.records.assign(31, filled);
        }
        RebuildBlockTerminals(*unit, prompt, saved);
        EXPECT_EQ(readItemText(31, 7), "1.00") << variant;
        EXPECT_EQ(readItemText(31, 0), "") << variant;
    }
}

}  // namespace
}  // namespace kravin::editors::blocks

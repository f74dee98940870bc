#include "step_table.h"

#include "unit_fixture.h"

namespace kravin::test {
namespace {

using model::MakeStepCode;
using model::SeqSteps;

class StepTableTest : public UnitFixture {
protected:
    void SetUp() override
    {
        UnitFixture::SetUp();
        placeCard(0, 1, "QV200");
        placeCard(0, 2, "QV200");
        writeUnit(0, 0, {{0, "00SYS"}, {30, "76PVA"}, {81, "95SEQ"}, {82, "95SEQ"}},
                  {{30, 0, "PVA-TAG"}, {81, 10, "95"}, {81, 11, "010203"}, {81, 99, "000000"},
                   {82, 10, "9X"}, {82, 11, "123456"}, {93, 11, "OTHER"}});
        writeUnit(0, 1, {{0, "00SYS"}, {40, "60LAG"}}, {{40, 0, "CARD2"}, {81, 11, "999999"}});
        makeCurrent(0, 1);
    }
};

TEST_F(StepTableTest, LoadTakesStepsOfGroupsMarkedInUseOnly)
{
    SeqSteps steps;
    model::LoadSeqSteps(*unit, steps);
    EXPECT_EQ(steps.g_seqMarkers[0], (std::array<char, 2>{'9', '5'}));
    EXPECT_EQ(steps.g_stepTable.rows[0][0], MakeStepCode("010203"));
    EXPECT_EQ(steps.g_stepTable.rows[0][88], MakeStepCode("000000"));
    EXPECT_EQ(steps.g_stepTable.rows[0][1], MakeStepCode(std::string_view("\0\0\0\0\0\0", 6)));
    // Marker "9X": the group loads as not in use, whatever its items hold.
    EXPECT_EQ(steps.g_seqMarkers[1], (std::array<char, 2>{'*', '*'}));
    for (const auto& code : steps.g_stepTable.rows[1]) EXPECT_EQ(code, MakeStepCode("******"));
}

TEST_F(StepTableTest, SaveRoundTripsAndLeavesEverythingElseOfTheUnit)
{
    SeqSteps steps;
    model::LoadSeqSteps(*unit, steps);
    steps.g_stepTable.rows[0][5] = MakeStepCode("131234");
    steps.g_seqMarkers[1] = {'*', '*'};
    steps.g_seqMarkers[2] = {'9', '5'};
    steps.g_stepTable.rows[2][0] = MakeStepCode("070102");
    unit->g_unitBlocks[30] = {'x', 'x', 'x', 'x', 'x', 0};   // stale entry of another group

    // The library's image holds another unit meanwhile.
    char head[500];
    KRAVinA_Data_Get(0, 1, head, work.str().c_str());
    ASSERT_EQ(model::SaveSeqSteps(*unit, steps), 0);

    SeqSteps again;
    unitCode(0, 0, 0);   // the saved unit into the image
    model::LoadSeqSteps(*unit, again);
    EXPECT_EQ(again.g_stepTable, steps.g_stepTable);
    EXPECT_EQ(again.g_seqMarkers[2], (std::array<char, 2>{'9', '5'}));

    // Block codes: only the sequential groups change.
    EXPECT_EQ(unitCode(0, 0, 81), "95SEQ");
    EXPECT_EQ(unitCode(0, 0, 82), "");       // "**": the code is cleared ...
    EXPECT_EQ(unitItem(0, 0, 82, 11), "******");   // ... its steps are still written
    EXPECT_EQ(unitCode(0, 0, 83), "95SEQ");
    EXPECT_EQ(unitCode(0, 0, 30), "76PVA");
    EXPECT_EQ(unitCode(0, 0, 0), "00SYS");
    EXPECT_EQ(unitItem(0, 0, 30, 0), "PVA-TAG");
    EXPECT_EQ(unitItem(0, 0, 93, 11), "OTHER");
    EXPECT_EQ(unit->blockId(83), "SEQ");

    // The other unit was not touched.
    EXPECT_EQ(unitItem(0, 1, 40, 0), "CARD2");
    EXPECT_EQ(unitItem(0, 1, 81, 11), "999999");
    EXPECT_EQ(unitCode(0, 1, 81), "");
}

TEST_F(StepTableTest, StepTableShape)
{
    model::StepTable table;
    EXPECT_EQ(table.Row(80), nullptr);
    EXPECT_EQ(table.Row(93), nullptr);
    ASSERT_NE(table.Row(92), nullptr);
    EXPECT_EQ((*table.Row(92))[88], MakeStepCode("******"));
    EXPECT_EQ(MakeStepCode("12"), MakeStepCode("12****"));
    EXPECT_EQ(MakeStepCode("1234567"), MakeStepCode("123456"));
}

}  // namespace
}  // namespace kravin::test

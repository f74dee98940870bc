// The ladder under the monitor: the addresses its contacts and coils read, and
// the conduction drawn from the monitored values.
#include "ladder_monitor.h"

#include "ladder_fixtures.h"

#include <gtest/gtest.h>

namespace kravin::ladder::test {
namespace {

class FakeItems : public TerminalItems {
public:
    bool hasBlock(int group) override { return group == 11 || group == 30; }
    int itemOf(int group, int terminal) override { return group == 11 && terminal < 50 ? terminal + 40 : -1; }
};

TEST(LadderMonitorTest, AddressesOfContactsAndCoilsOfExistingBlocks)
{
    LadderGrid g = MakeGrid({StepRow(0),
                             {{NO(11, 5), NC(12, 1), W, W, W, W, W, W}, OUT(11, 6), 0},
                             {{NO(11, 60), E, E, E, E, E, E, E}, MakeValue(12, 81, 1), 0}});
    FakeItems items;
    const LadderAddresses a = BuildLadderAddresses(g, items);
    EXPECT_EQ(a.contacts[1][0], 1145);
    EXPECT_EQ(a.contacts[1][1], -1);  // no block 12
    EXPECT_EQ(a.coils[1], 1146);
    EXPECT_EQ(a.contacts[2][0], -1);  // terminal without an item
    EXPECT_EQ(a.coils[2], -1);        // a branch reads nothing
    EXPECT_EQ(a.contacts[0][0], -1);  // step
}

TEST(LadderMonitorTest, ConductionFollowsContactsAndParallelRows)
{
    // Row 1: A(11,1) - B(11,2) - wire ... coil; row 2: A(11,3) in parallel with A(11,1).
    LadderGrid g = MakeGrid({StepRow(0),
                             {{NO(11, 1), NC(11, 2), W, W, W, W, W, W}, OUT(11, 9), 0x01},
                             {{NO(11, 3), E, E, E, E, E, E, E}, kCoilNone, 0}});
    LadderMonitorValues v;
    for (auto& row : v.cells)
        for (auto& c : row) c = -1;
    v.activeStep = 0;
    struct Case {
        int a, b, c, coil;
        Conduction first, afterB, coilState;
    } cases[] = {
        {1, 0, 0, 1, Conduction::On, Conduction::On, Conduction::On},  // A on, B (N.C.) off: conducts
        {0, 0, 0, 0, Conduction::Off, Conduction::Off, Conduction::Off},
        {0, 0, 1, 1, Conduction::Off, Conduction::On, Conduction::On},   // the parallel row carries it
        {1, 1, 0, 0, Conduction::On, Conduction::Off, Conduction::Off},  // B opens
        {7, 0, 0, -1, Conduction::Unknown, Conduction::Unknown, Conduction::Unknown},
    };
    for (const Case& c : cases) {
        v.cells[1][0] = static_cast<int16_t>(c.a);
        v.cells[1][1] = static_cast<int16_t>(c.b);
        v.cells[2][0] = static_cast<int16_t>(c.c);
        v.coils[1] = static_cast<int16_t>(c.coil);
        const LadderConduction k = ComputeConduction(g, v);
        EXPECT_EQ(k.out[1][0], c.first) << c.a << c.b << c.c;
        EXPECT_EQ(k.out[1][1], c.afterB) << c.a << c.b << c.c;
        EXPECT_EQ(k.in[1][8], c.afterB) << c.a << c.b << c.c;
        EXPECT_EQ(k.coil[1], c.coilState) << c.a << c.b << c.c;
    }
    // The step row conducts as STEP00; another step only while it is active.
    EXPECT_EQ(ComputeConduction(g, v).out[0][0], Conduction::On);
    g.Cell(0, 0) = STEP(3);
    EXPECT_EQ(ComputeConduction(g, v).out[0][0], Conduction::Off);
    v.activeStep = 3;
    EXPECT_EQ(ComputeConduction(g, v).out[0][0], Conduction::On);
}

}  // namespace
}  // namespace kravin::ladder::test

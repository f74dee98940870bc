#include "undo_ring.h"

#include <gtest/gtest.h>

#include <vector>

namespace kravin::model {
namespace {

// Named snapshots for the ring to hand back.
struct RingFixture : ::testing::Test {
    CUndoRing ring;
    int snap[8] = {};
    void* p(int i) { return &snap[i]; }

    void pushAll(std::initializer_list<int> ids)
    {
        for (int i : ids) ring.Push(p(i));
    }
    std::vector<void*> drain(int dir)
    {
        std::vector<void*> out;
        while (void* s = ring.Step(dir)) out.push_back(s);
        return out;
    }
};

TEST_F(RingFixture, FreshRingStepsToNothing)
{
    EXPECT_FALSE(ring.CanUndo());
    EXPECT_FALSE(ring.CanRedo());
    EXPECT_EQ(ring.Step(-1), nullptr);
    EXPECT_EQ(ring.Step(+1), nullptr);
    EXPECT_EQ(ring.Step(0), nullptr);
}

TEST_F(RingFixture, UndoThenRedoWalksBothWays)
{
    pushAll({0, 1});
    EXPECT_TRUE(ring.CanUndo());
    EXPECT_FALSE(ring.CanRedo());
    EXPECT_EQ(drain(-1), (std::vector<void*>{p(1), p(0)}));
    EXPECT_FALSE(ring.CanUndo());
    EXPECT_TRUE(ring.CanRedo());
    EXPECT_EQ(drain(+1), (std::vector<void*>{p(0), p(1)}));
    EXPECT_FALSE(ring.CanRedo());
}

TEST_F(RingFixture, FifthPushDropsTheOldest)
{
    pushAll({0, 1, 2, 3, 4});
    EXPECT_EQ(drain(-1), (std::vector<void*>{p(4), p(3), p(2), p(1)}));
    EXPECT_EQ(drain(+1), (std::vector<void*>{p(1), p(2), p(3), p(4)}));
}

TEST_F(RingFixture, PushAfterUndoCutsTheRedoChain)
{
    pushAll({0, 1, 2});
    EXPECT_EQ(ring.Step(-1), p(2));
    EXPECT_EQ(ring.Step(-1), p(1));
    ring.Push(p(3));
    EXPECT_EQ(ring.Step(+1), nullptr);
    EXPECT_EQ(drain(-1), (std::vector<void*>{p(3), p(0)}));
}

TEST_F(RingFixture, PeekShowsTheSlotAtTheCursor)
{
    ring.Push(p(0));
    EXPECT_EQ(ring.Step(0), nullptr);  // nothing stored ahead until the ring wraps
    pushAll({1, 2, 3});
    EXPECT_EQ(ring.Step(0), p(0));  // wrapped: the oldest is next to be overwritten
    ring.Step(-1);
    EXPECT_EQ(ring.Step(0), p(3));
}

TEST_F(RingFixture, ResetForgetsEverything)
{
    pushAll({0, 1, 2, 3, 4, 5});
    ring.Step(-1);
    ring.Reset();
    EXPECT_FALSE(ring.CanUndo());
    EXPECT_FALSE(ring.CanRedo());
    EXPECT_EQ(ring.Step(0), nullptr);
    EXPECT_EQ(ring.Step(-1), nullptr);
}

TEST_F(RingFixture, LongRunsKeepFourStepsAfterWrapping)
{
    for (int round = 0; round < 3; ++round) pushAll({0, 1, 2, 3, 4, 5, 6});
    EXPECT_EQ(drain(-1), (std::vector<void*>{p(6), p(5), p(4), p(3)}));
    ring.Push(p(7));  // overwrites the undone p(3); the old p(6)..p(4) are gone too
    EXPECT_EQ(drain(-1), (std::vector<void*>{p(7)}));
    EXPECT_EQ(drain(+1), (std::vector<void*>{p(7)}));
}

}  // namespace
}  // namespace kravin::model

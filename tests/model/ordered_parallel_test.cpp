#include "ordered_parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using kravin::model::OrderedParallel;
using kravin::model::WorkerCount;

TEST(OrderedParallel, ResultsArriveInOrderWithABoundedLead)
{
    struct Case {
        std::size_t count;
        unsigned workers;
        std::size_t window;
    };
    for (const Case c : {Case{0, 2, 4}, Case{1, 4, 1}, Case{200, 1, 8}, Case{200, 4, 3}, Case{500, 8, 64}}) {
        SCOPED_TRACE(c.count);
        std::atomic<std::size_t> started{0}, consumedSoFar{0}, worstLead{0};
        std::vector<std::size_t> seen;
        const bool all = OrderedParallel<std::size_t>(
            c.count, c.workers, c.window,
            [&](std::size_t i) {
                ++started;
                const std::size_t lead = i - std::min(i, consumedSoFar.load());
                std::size_t worst = worstLead;
                while (lead > worst && !worstLead.compare_exchange_weak(worst, lead)) {
                }
                if (i % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));  // out of step
                return i * i;
            },
            [&](std::size_t i, std::size_t square) {
                EXPECT_EQ(square, i * i);
                seen.push_back(i);
                consumedSoFar = i + 1;
                return true;
            });
        EXPECT_TRUE(all);
        ASSERT_EQ(seen.size(), c.count);
        for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], i);
        EXPECT_EQ(started, c.count);
        EXPECT_LT(worstLead, c.window) << "no piece starts more than the window ahead";
    }
}

TEST(OrderedParallel, RefusedResultStopsTheWork)
{
    std::atomic<std::size_t> started{0};
    std::vector<std::size_t> seen;
    const bool all = OrderedParallel<int>(
        1000, 4, 8, [&](std::size_t) { return ++started, 0; },
        [&](std::size_t i, int) {
            seen.push_back(i);
            return i < 10;
        });
    EXPECT_FALSE(all);
    EXPECT_EQ(seen.size(), 11u);
    EXPECT_LE(started, 11u + 8u + 4u) << "nothing past the window is started after the stop";
    EXPECT_GE(WorkerCount(100), 1u);
    EXPECT_EQ(WorkerCount(1), 1u);
    EXPECT_EQ(WorkerCount(0), 1u);
}

#include "server/verify_slots.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

namespace scores {
namespace {

using std::chrono::milliseconds;

void WaitUntilAsked(VerifySlots& slots, uint64_t n) {
    while (slots.Asked() < n) std::this_thread::yield();
}

// Slots go in the order they were asked for, and one who gave up does not hold up those behind.
TEST(VerifySlots, FirstComeFirstServedPastAnAskerWhoGaveUp) {
    VerifySlots slots(1);
    ASSERT_TRUE(slots.Acquire(milliseconds(0)));
    std::mutex orderLock;
    std::vector<int> order;
    std::vector<std::thread> askers;
    for (int i = 0; i < 4; ++i) {
        askers.emplace_back([&, i] {
            if (i == 1) {  // gives up while the slot is still held
                EXPECT_FALSE(slots.Acquire(milliseconds(1)));
                return;
            }
            ASSERT_TRUE(slots.Acquire(milliseconds(10000)));
            {
                const std::lock_guard<std::mutex> hold(orderLock);
                order.push_back(i);
            }
            slots.Release();
        });
        WaitUntilAsked(slots, 2 + i);
    }
    askers[1].join();
    slots.Release();
    for (int i : {0, 2, 3}) askers[i].join();
    EXPECT_EQ(order, (std::vector<int>{0, 2, 3}));
}

TEST(VerifySlots, AsManyAtOnceAsThereAreSlots) {
    VerifySlots slots(2);
    EXPECT_TRUE(slots.Acquire(milliseconds(0)));
    EXPECT_TRUE(slots.Acquire(milliseconds(0)));
    EXPECT_FALSE(slots.Acquire(milliseconds(0)));
    slots.Release();
    EXPECT_TRUE(slots.Acquire(milliseconds(0)));
}

}  // namespace
}  // namespace scores

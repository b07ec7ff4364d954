#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "server/fair_slots.h"

using namespace std::chrono_literals;

namespace {

void WaitUntilWaiting(FairSlots& slots, std::size_t count) {
    while (slots.waiting() < count) std::this_thread::yield();
}

}  // namespace

TEST(FairSlots, FreedSlotsGoToWaitersInTheOrderTheyCame) {
    FairSlots slots(1);
    ASSERT_TRUE(slots.acquire(0s));
    std::mutex orderMutex;
    std::vector<int> order;
    std::vector<std::thread> waiters;
    for (int i = 0; i < 6; ++i) {
        waiters.emplace_back([&, i] {
            ASSERT_TRUE(slots.acquire(60s));
            {
                std::lock_guard lock(orderMutex);
                order.push_back(i);
            }
            slots.release();
        });
        WaitUntilWaiting(slots, static_cast<std::size_t>(i) + 1);
    }
    slots.release();
    for (auto& waiter : waiters) waiter.join();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_TRUE(slots.acquire(0s)) << "the slot came back when the last waiter let go";
}

TEST(FairSlots, AWaiterThatGaveUpTakesNoSlotWithIt) {
    FairSlots slots(2);
    ASSERT_TRUE(slots.acquire(0s));
    ASSERT_TRUE(slots.acquire(0s));
    EXPECT_FALSE(slots.acquire(1ms));
    EXPECT_EQ(slots.waiting(), 0u);

    bool patientGotOne = false;
    std::thread patient([&] { patientGotOne = slots.acquire(60s); });
    WaitUntilWaiting(slots, 1);
    slots.release();
    EXPECT_FALSE(slots.acquire(0s)) << "the freed slot was the patient's, even before it woke: no overtaking";
    patient.join();
    EXPECT_TRUE(patientGotOne);
    slots.release();
    EXPECT_TRUE(slots.acquire(0s));
    EXPECT_FALSE(slots.acquire(0s)) << "two slots in all: the patient's and this one";
}

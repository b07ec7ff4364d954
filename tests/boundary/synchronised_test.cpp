#include "boundary/synchronised.h"

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <string>
#include <vector>

namespace {

using SharedLog = Synchronised<std::vector<std::string>, std::recursive_mutex>;

// Whether another thread finds the lock free at this moment.
bool FreeForAnotherThread(SharedLog& log) {
    return std::async(std::launch::async, [&] { return log.tryLock().has_value(); }).get();
}

TEST(SynchronisedTest, AGuardHoldsTheLockUntilItGoesAndAnotherThreadsTryGetsNothingMeanwhile) {
    SharedLog log(std::vector<std::string>{"UR5ABC"});
    {
        auto held = log.lock();
        held->push_back("DL1XYZ");
        EXPECT_FALSE(FreeForAnotherThread(log));
        auto moved = std::move(held);  // the lock travels with the guard
        EXPECT_FALSE(FreeForAnotherThread(log));
    }
    EXPECT_TRUE(FreeForAnotherThread(log));
    EXPECT_EQ(log.withLock([&](auto& calls) {
        EXPECT_FALSE(FreeForAnotherThread(log));
        return calls.back();
    }), "DL1XYZ");
    EXPECT_TRUE(FreeForAnotherThread(log));
}

// `Value& v = *log.lock();` would keep a reference past the temporary guard's unlock: only a named
// guard (an lvalue) gives the value.
template <typename Guard>
concept ShowsValueWhenTemporary = requires(Guard&& guard) { *std::move(guard); } ||
                                  requires(Guard&& guard) { std::move(guard).operator->(); };
template <typename Guard>
concept ShowsValueWhenNamed = requires(Guard& guard) {
    *guard;
    guard.operator->();
};
static_assert(!ShowsValueWhenTemporary<SharedLog::Guard>);
static_assert(ShowsValueWhenNamed<SharedLog::Guard>);

TEST(SynchronisedTest, TheHolderMayLockAgainAsAReEntrantCallFromItsMessageLoopDoes) {
    SharedLog log;
    auto outer = log.lock();
    outer->push_back("UR1LV");
    {
        auto inner = log.tryLock();
        ASSERT_TRUE(inner.has_value());
        (*inner)->push_back("UR2KI");
        log.withLock([](auto& calls) { calls.push_back("UR3CH"); });
    }
    EXPECT_EQ(*outer, (std::vector<std::string>{"UR1LV", "UR2KI", "UR3CH"}));
    EXPECT_FALSE(FreeForAnotherThread(log));
}

}  // namespace

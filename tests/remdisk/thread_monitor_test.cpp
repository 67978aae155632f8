// ZThread lifecycle and Monitor locking, waiting and numbering. These suites run under
// ThreadSanitizer in CI.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "foundation/Monitor.h"
#include "foundation/ZThread.h"

namespace {

using Clock = std::chrono::steady_clock;

long msSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Counts its runs; with loopUntilStopped it waits on its monitor until asked to stop.
class CountingThread : public ZThread {
public:
    explicit CountingThread(bool loop = false) : loopUntilStopped(loop) {}
    void run() override {
        runs.fetch_add(1);
        if (!loopUntilStopped)
            return;
        MonitorLock lock = monitor.acquireLock();
        while (!stopRequested.load())
            monitor.wait(5000);
    }
    void stopThread() override {
        MonitorLock lock = monitor.acquireLock();
        ZThread::stopThread();
        monitor.notify();
    }
    std::atomic<int> runs{0};
    Monitor monitor;

private:
    bool loopUntilStopped;
};

// Tells whether another thread can take the monitor within a bound, and frees it again.
bool lockableFromAnotherThread(Monitor& m) {
    auto other = std::async(std::launch::async, [&m] {
        m.fastLock();
        m.releaseLock();
    });
    return other.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
}

} // namespace

TEST(ThreadTest, JoinReturnsAtOnceWhenNeverStartedAndAfterTheThreadEnded) {
    CountingThread never;
    EXPECT_FALSE(never.isRunning());
    never.join();

    CountingThread once;
    ASSERT_TRUE(once.start());
    once.join();
    EXPECT_EQ(once.runs.load(), 1);
    // Still "running" once run() has returned: the flag records that start() happened.
    EXPECT_TRUE(once.isRunning());
    once.join();
    once.join();
}

TEST(ThreadTest, StopThreadEndsACooperativeLoopAndConcurrentJoinsBothReturn) {
    CountingThread looping(true);
    ASSERT_TRUE(looping.start());
    while (looping.runs.load() == 0)
        std::this_thread::yield();
    EXPECT_FALSE(looping.isStopRequested());

    auto start = Clock::now();
    auto secondJoin = std::async(std::launch::async, [&looping] { looping.join(); });
    looping.stopThread();
    looping.join();
    EXPECT_EQ(secondJoin.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_TRUE(looping.isStopRequested());
    EXPECT_LT(msSince(start), 4000) << "the stop must wake the waiter, not its time-out";
}

TEST(MonitorTest, IsRecursiveAndFreeAfterAsManyReleasesAsLocks) {
    Monitor m;
    {
        MonitorLock outer = m.acquireLock();
        MonitorLock inner = m.acquireLock();
        m.fastLock();
        m.releaseLock();
        inner.releaseLock();
        inner.releaseLock(); // a second release of the same lock object does nothing
    }
    EXPECT_TRUE(lockableFromAnotherThread(m));

    MonitorLock held = m.acquireLock();
    auto other = std::async(std::launch::async, [&m] { MonitorLock l = m.acquireLock(); });
    EXPECT_EQ(other.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout)
        << "a held monitor must keep other threads out";
    held.releaseLock();
    EXPECT_EQ(other.wait_for(std::chrono::seconds(5)), std::future_status::ready);
}

TEST(MonitorTest, TimedWaitReturnsAfterItsTimeWhenNobodyNotifies) {
    Monitor m;
    MonitorLock lock = m.acquireLock();
    for (int ms : {0, 300, 1500}) {
        auto start = Clock::now();
        m.wait(ms);
        long took = msSince(start);
        EXPECT_GE(took, ms - 20) << "wait(" << ms << ")";
        EXPECT_LT(took, ms + 3000) << "wait(" << ms << ")";
    }
    // The mutex is held again after the wait: another thread cannot take it.
    auto other = std::async(std::launch::async, [&m] { MonitorLock l = m.acquireLock(); });
    EXPECT_EQ(other.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    lock.releaseLock();
    other.wait();
}

TEST(MonitorTest, WaitReleasesTheMutexAndNotifyWakesTheWaiter) {
    Monitor m;
    bool ready = false; // guarded by m
    auto waiter = std::async(std::launch::async, [&] {
        MonitorLock lock = m.acquireLock();
        auto start = Clock::now();
        while (!ready && msSince(start) < 10000)
            m.wait();
        return ready;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    {
        MonitorLock lock = m.acquireLock(); // only possible while the waiter waits
        ready = true;
        m.notify();
    }
    ASSERT_EQ(waiter.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_TRUE(waiter.get());
}

TEST(MonitorTest, IdsCountUpOneByOne) {
    Monitor a, b;
    EXPECT_EQ(b.getId(), a.getId() + 1);
}

// Run in a fresh process, where no monitor exists yet.
TEST(MonitorDeathTest, FirstMonitorOfTheProcessHasIdTwo) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Monitor first;
            Monitor second;
            std::_Exit(first.getId() * 10 + second.getId());
        },
        ::testing::ExitedWithCode(23), "");
}

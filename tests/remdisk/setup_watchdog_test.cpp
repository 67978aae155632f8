// The deadline around the connection set-up.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/SetupWatchdog.h"

TEST(SetupWatchdogThread, FiresOnceAfterItsTimeUnlessDisarmedOrAbandoned) {
    std::atomic<int> expired{0}, abandoned{0};
    {
        SetupWatchdog dog(50, [&] { ++expired; });
        ASSERT_TRUE(dog.start());
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    EXPECT_EQ(expired.load(), 1);

    {
        SetupWatchdog dog(10000, [&] { ++expired; });
        ASSERT_TRUE(dog.start());
        auto t0 = std::chrono::steady_clock::now();
        dog.disarm();
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
    }
    EXPECT_EQ(expired.load(), 1);

    std::atomic<bool> flag{false};
    {
        SetupWatchdog dog(10000, [&] { ++expired; }, [&] { return flag.load(); }, [&] { ++abandoned; });
        ASSERT_TRUE(dog.start());
        flag = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
    }
    EXPECT_EQ(abandoned.load(), 1);
    EXPECT_EQ(expired.load(), 1);
}

// Interrupting Remdisk: a signal is handed from the handler to the stop thread, which traces
// it and runs terminate(). The stop of a live session is tested end to end against the
// simulator (tests/e2e).
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "app/SignalHandling.h"
#include "test_support.h"

TEST(SignalStopThread, LabelsFollowThePlatformsSignalNumbers) {
    EXPECT_STREQ(signalLabel(SIGILL), "SIGILL - illegal op code");
    EXPECT_STREQ(signalLabel(SIGFPE), "SIGFPE - floating point");
    EXPECT_STREQ(signalLabel(SIGABRT), "SIGABRT - abnormal termination");
    EXPECT_STREQ(signalLabel(SIGHUP), "UNKNOWN SIGNAL TYPE");
}

TEST(SignalStopThreadDeathTest, SecondSignalExitsAtOnceAndARealCrashIsNotReportedAsSuccess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            signalOnce.store(1);
            SignalHandler(SIGINT);
            std::_Exit(7);
        },
        ::testing::ExitedWithCode(0), "");
    // Before the application exists there is nothing to stop: the process just ends.
    EXPECT_EXIT(
        {
            handleStopSignal(SIGINT);
            std::_Exit(7);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            installSignalHandlers();
            *reinterpret_cast<volatile int*>(static_cast<uintptr_t>(16)) = 1;
            std::_Exit(7);
        },
        ::testing::KilledBySignal(SIGSEGV), "");
}

// Interrupting Remdisk: a signal is handed from the handler to the stop thread, which traces
// it and runs terminate(); the application thread then ends the process with status 0. The
// real program is held after validation through its test-only REMDISK_TEST_HOLD_SECONDS.
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

namespace {

using Clock = std::chrono::steady_clock;

struct Outcome {
    std::string out;
    int status = -1; // exit status, 128 + signal when killed, -1 when it had to be killed
};

// Starts Remdisk held after validation, waits until it says so, sends the signals and
// collects its output and status; every wait is bounded.
Outcome interrupt(const std::vector<std::string>& args, const std::vector<int>& signals) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return {};
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        std::vector<char*> argv{const_cast<char*>(REMDISK_BIN)};
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        setenv("REMDISK_TEST_HOLD_SECONDS", "20", 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    Outcome result;
    auto deadline = Clock::now() + std::chrono::seconds(20);
    bool signalled = false;
    for (;;) {
        if (!signalled && result.out.find("for a signal.\n") != std::string::npos) {
            for (int sig : signals)
                kill(pid, sig);
            signalled = true;
        }
        long left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            kill(pid, SIGKILL);
            break;
        }
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        char buffer[4096];
        ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        result.out.append(buffer, static_cast<size_t>(n));
    }
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (Clock::now() >= deadline)
        result.status = -1;
    else if (WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.status = 128 + WTERMSIG(status);
    return result;
}

std::vector<std::string> entries(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.size() >= 24 ? line.substr(24) : line);
    return lines;
}

} // namespace

TEST(SignalStopThread, EachSignalRunsTheStopSequenceAndEndsWithStatusZero) {
    vtest::TempDir dir;
    std::string img = dir.file("floppy.img");
    vtest::writeFile(img, std::string(512, '\0'));
    struct {
        int sig;
        const char* label;
    } cases[] = {
        {SIGINT, "2 SIGINT - interrupt"},
        {SIGTERM, "15 SIGTERM - software termination"},
        {SIGQUIT, "3 UNKNOWN SIGNAL TYPE"},
        {SIGSEGV, "11 SIGSEGV - segment violation"}, // sent with kill(): a request, not a crash
    };
    for (const auto& c : cases) {
        std::string trace = dir.file("trace.txt");
        auto r = interrupt({"-D", "1", "-N", trace, "-r", "h", "-u", "u", "-f", img}, {c.sig});
        EXPECT_EQ(r.status, 0) << c.label;
        EXPECT_EQ(r.out, "Test hold: waiting up to 20 seconds for a signal.\n\nTerminating\n") << c.label;
        std::vector<std::string> lines = entries(vtest::readFile(trace));
        ASSERT_GE(lines.size(), 5u) << c.label;
        std::vector<std::string> last(lines.end() - 5, lines.end());
        std::vector<std::string> expected = {
            std::string("SignalHandler: ***** Signal:[") + c.label + "] *****",
            "RemdiskAPP::terminate called",
            "RemdiskAPP::terminate session stopped",
            "RemdiskAPP::run Thread Stopping",
            "RemdiskAPP::ExitClean: Clean Up And Exit code:[0]",
        };
        EXPECT_EQ(last, expected) << c.label;
    }
}

TEST(SignalStopThread, TwoSignalsInARowEndTheProgramWithStatusZero) {
    vtest::TempDir dir;
    std::string iso = dir.file("cd.iso");
    vtest::writeFile(iso, std::string(2048, '\0'));
    for (int round = 0; round < 3; ++round) {
        auto r = interrupt({"-r", "h", "-u", "u", "-c", iso}, {SIGINT, SIGTERM});
        EXPECT_EQ(r.status, 0);
    }
}

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

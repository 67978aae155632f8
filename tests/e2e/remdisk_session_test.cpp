// Remdisk against vantro-sim, both as processes on loopback: media served and verified,
// writes, login and credential failures, releases, interrupts, a controller that goes away
// or never answers, and no free drive.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "child_process.h"
#include "test_support.h"

using e2e::ChildProcess;

namespace {

const int kRunMs = 90000;

vtest::RunOptions limit() {
    vtest::RunOptions o;
    o.timeoutMs = kRunMs;
    return o;
}

// Media for one test: an ISO-9660 image (or a plain file named .iso when genisoimage is
// missing) and a floppy image with a known pattern.
struct Media {
    vtest::TempDir dir;
    std::string iso = dir.file("cd.iso");
    std::string floppy = dir.file("floppy.img");
    std::string floppyData;

    Media() {
        std::string tree = dir.file("tree");
        std::string payload(3 * 1024 * 1024 + 123, '\0');
        for (size_t i = 0; i < payload.size(); ++i)
            payload[i] = static_cast<char>((i * 2654435761u) >> 13);
        vtest::run({"/bin/mkdir", "-p", tree});
        vtest::writeFile(tree + "/payload.bin", payload);
        vtest::writeFile(tree + "/README.TXT", "Vantro virtual media test\n");
        auto r = vtest::run({"/usr/bin/genisoimage", "-quiet", "-V", "VANTRO_TEST", "-o", iso, tree});
        if (r.status != 0)
            vtest::writeFile(iso, payload.substr(0, 1500 * 2048));
        floppyData.assign(2880 * 512, '\0');
        for (size_t i = 512; i < floppyData.size(); ++i)
            floppyData[i] = static_cast<char>(i / 512);
        vtest::writeFile(floppy, floppyData);
    }
};

// vantro-sim on free loopback ports; Remdisk is pointed at its web server.
struct Simulator {
    ChildProcess process;
    explicit Simulator(std::vector<std::string> options)
        : process([&] {
              std::vector<std::string> a{VANTRO_SIM_BIN, "--https-port", "0", "--timeout", "80"};
              a.insert(a.end(), options.begin(), options.end());
              return a;
          }()) {
        process.waitFor("https port ", 10000);
        process.waitFor("\n", 1000);
    }
    std::string server() { return "127.0.0.1:" + std::to_string(process.numberAfter("https port ")); }
};

std::vector<std::string> remdisk(const std::string& server, std::vector<std::string> more) {
    std::vector<std::string> a{REMDISK_BIN, "-r", server, "-u", "root", "-p", "calvin"};
    a.insert(a.end(), more.begin(), more.end());
    return a;
}

// Trace entries without their time stamps.
std::vector<std::string> traceEntries(const std::string& path) {
    std::vector<std::string> lines;
    std::string text = vtest::readFile(path);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        lines.push_back(line.size() >= 24 ? line.substr(24) : line);
        start = end + 1;
    }
    return lines;
}

// Whether every wanted line appears in entries, in this order.
bool inOrder(const std::vector<std::string>& entries, const std::vector<std::string>& wanted) {
    size_t at = 0;
    for (const auto& w : wanted) {
        while (at < entries.size() && entries[at] != w)
            ++at;
        if (at == entries.size())
            return false;
        ++at;
    }
    return true;
}

} // namespace

TEST(RemdiskSession, IsoAndFloppyAreReadWholeVerifiedWrittenAndReleased) {
    Media m;
    Simulator sim({"--vm-port", "0", "--once", "--expect-file", "cd=" + m.iso, "--expect-file",
                   "floppy=" + m.floppy, "--write", "--write-offset", "100", "--write-blocks", "4",
                   "--read-size", "65536", "--max-blocks", "8"});
    auto r = vtest::run(remdisk(sim.server(), {"-c", m.iso, "-f", m.floppy}), limit());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find(" Login success."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("All Virtual Media Released.\nTerminating.\n"), std::string::npos) << r.out;
    EXPECT_EQ(sim.process.finish(20000), 0) << sim.process.output();

    // The pattern landed in blocks 100 to 103 and nowhere else.
    std::string after = vtest::readFile(m.floppy);
    ASSERT_EQ(after.size(), m.floppyData.size());
    std::string expected = m.floppyData;
    for (size_t p = 100 * 512; p < 104 * 512; ++p)
        expected[p] = static_cast<char>(p % 251);
    EXPECT_TRUE(after == expected);
}

TEST(RemdiskSession, RefusedLoginEndsWithStatusZero) {
    Media m;
    Simulator sim({"--vm-port", "0", "--once", "--login-status", "1"});
    auto r = vtest::run(remdisk(sim.server(), {"-c", m.iso}), limit());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(" Login Failed: check username, password and user privileges.\nTerminating\n"),
              std::string::npos)
        << r.out;
}

TEST(RemdiskSession, CredentialFailuresReadAsFailureToAcquireCredentials) {
    Media m;
    const std::vector<std::vector<std::string>> shapes = {
        {"--http-status", "401"},
        {"--http-no-length"},
        {"--http-omit", "password"},
    };
    for (const auto& shape : shapes) {
        std::vector<std::string> options{"--once"};
        options.insert(options.end(), shape.begin(), shape.end());
        Simulator sim(options);
        auto r = vtest::run(remdisk(sim.server(), {"-c", m.iso}), limit());
        EXPECT_EQ(r.status, 0) << shape[0];
        EXPECT_NE(r.out.find(" Failed to acquire credentials.\nTerminating\n"), std::string::npos)
            << shape[0] << "\n" << r.out;
        EXPECT_EQ(r.out.find("Connecting to server"), std::string::npos) << shape[0];
    }
    // A wrong account is a refused login.
    Simulator sim({"--once", "--user", "someone"});
    auto r = vtest::run(remdisk(sim.server(), {"-c", m.iso}), limit());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(" Login Failed:"), std::string::npos) << r.out;
}

TEST(RemdiskSession, InterruptWhileServingStopsInOrderWithStatusZero) {
    Media m;
    // Serves sessions until stopped; each one keeps its drives until the client goes.
    Simulator sim({"--vm-port", "0", "--finish", "none", "--io-timeout", "60"});
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
        std::string trace = m.dir.file(std::string("trace") + std::to_string(c.sig) + ".txt");
        ChildProcess client(remdisk(sim.server(), {"-D", "1", "-N", trace, "-c", m.iso}));
        ASSERT_TRUE(client.waitFor(" Success.\n", 20000)) << client.output();
        client.signal(c.sig);
        EXPECT_EQ(client.finish(10000), 0) << c.label;
        EXPECT_NE(client.output().find("\nTerminating"), std::string::npos) << c.label;
        std::vector<std::string> entries = traceEntries(trace);
        EXPECT_TRUE(inOrder(entries, {
                                         std::string("SignalHandler: ***** Signal:[") + c.label + "] *****",
                                         "RemdiskAPP::terminate called",
                                         "MEDPSession::stopSession **************",
                                         "HeartBeatThread::stopThread Stopping",
                                         "ReceiveThread::stopThread Stopping",
                                         "SendThread::stopThread Stopping",
                                         "MEDPSession::stopSession Waiting for receive thread to end.",
                                         "MEDPSession::stopSession Waiting for send thread to end.",
                                         "MEDPSession::stopSession Waiting for heartbeat thread to end.",
                                         "MEDPSession::stopSession Socket Closed and Threads Stopped.",
                                         "RemdiskAPP::terminate session stopped",
                                         "RemdiskAPP::run Thread Stopping",
                                         "RemdiskAPP::ExitClean: Clean Up And Exit code:[0]",
                                     }))
            << c.label << "\n" << vtest::readFile(trace);
    }
}

TEST(RemdiskSession, TwoSignalsInARowEndTheProgramWithStatusZero) {
    // The second signal ends the process at once, on purpose without joining the session
    // threads the first one is stopping: in a ThreadSanitizer build that is not a leak to
    // report (every other test still checks that no thread is left at exit).
    const char* tsan = std::getenv("TSAN_OPTIONS");
    const std::string saved = tsan ? tsan : "";
    setenv("TSAN_OPTIONS", (saved + (saved.empty() ? "" : ":") + "report_thread_leaks=0").c_str(), 1);
    struct Restore {
        std::string value;
        bool had;
        ~Restore() { had ? setenv("TSAN_OPTIONS", value.c_str(), 1) : unsetenv("TSAN_OPTIONS"); }
    } restore{saved, tsan != nullptr};
    Media m;
    Simulator sim({"--vm-port", "0", "--finish", "none", "--io-timeout", "60"});
    for (int round = 0; round < 3; ++round) {
        ChildProcess client(remdisk(sim.server(), {"-c", m.iso}));
        ASSERT_TRUE(client.waitFor("Success.\n", 20000)) << client.output();
        client.signal(SIGINT);
        client.signal(SIGTERM);
        EXPECT_EQ(client.finish(10000), 0) << client.output();
    }
}

TEST(RemdiskSession, ControllerClosingTheConnectionEndsTheProgram) {
    Media m;
    Simulator sim({"--vm-port", "0", "--once", "--finish", "close", "--expect-file", "cd=" + m.iso});
    auto r = vtest::run(remdisk(sim.server(), {"-c", m.iso}), limit());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Error: Socket Closed by peer.\n"), std::string::npos) << r.out;
}

TEST(RemdiskSession, NoFreeDriveOfTheKindEndsAfterAboutTwentySecondsWithHeartbeatsMeanwhile) {
    Media m;
    Simulator sim({"--vm-port", "0", "--disks", "floppy", "--finish", "none", "--io-timeout", "60"});
    auto r = vtest::run(remdisk(sim.server(), {"-c", m.iso}), limit());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\nNo Virtual Drives Available.\nEnding.\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("...."), std::string::npos) << r.out;
    // Twenty seconds are long enough for the first heartbeat (due after about thirteen).
    ASSERT_TRUE(sim.process.waitFor(" heartbeat", 10000)) << sim.process.output();
    EXPECT_EQ(sim.process.output().find(", 0 heartbeats"), std::string::npos) << sim.process.output();
}

TEST(RemdiskSession, AControllerThatNeverAnswersDoesNotHoldRemdisk) {
    Media m;
    e2e::SilentListener silent;
    auto r = vtest::run(remdisk("127.0.0.1:" + std::to_string(silent.port()), {"-c", m.iso}),
                        limit());
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Error: No answer from the controller in time.\n"), std::string::npos) << r.out;
}

TEST(RemdiskSession, AVirtualMediaPortThatNeverAnswersTheSetUpDoesNotHoldRemdisk) {
    Media m;
    e2e::SilentListener silent;
    // The credentials name a port that accepts connections and then stays silent.
    Simulator sim({"--once", "--vport", std::to_string(silent.port())});
    auto r = vtest::run(remdisk(sim.server(), {"-c", m.iso}), limit());
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Connecting to server....\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Error: No answer from the controller in time.\n"), std::string::npos) << r.out;
}

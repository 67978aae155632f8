// vantro-sim's virtual media side driven as a process by a scripted client: the scenario
// options each do what they say, and every mismatch or protocol fault ends the run with a
// non-zero status. Suite names contain "Session" so the thread-sanitizer run covers them.
#include "medp_script_client.h"
#include "sim_process.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {

using simtest::Behaviour;
using simtest::Medium;
using simtest::ScriptClient;
using simtest::ScriptLog;

Medium cdImage(size_t blocks = 300, uint32_t seed = 1) {
    Medium m;
    m.cd = true;
    m.blockSize = 2048;
    m.data = simtest::testContent(blocks * 2048, seed);
    return m;
}

Medium floppyImage(size_t blocks = 2880, uint32_t seed = 2) {
    Medium m;
    m.blockSize = 512;
    m.writable = true;
    m.data = simtest::testContent(blocks * 512, seed);
    return m;
}

class SimSession : public ::testing::Test {
protected:
    // vantro-sim on free ports for one session, with the scripted client's password.
    void start(const std::vector<std::string>& extra) {
        std::vector<std::string> argv{VANTRO_SIM_BIN, "--vm-port", "0", "--once", "--timeout", "30",
                                      "--io-timeout", "5", "--temp-password", "pw"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        sim.reset(new vtest::BackgroundProcess(argv, "vm port "));
        ASSERT_GT(sim->port(), 0) << sim->output();
    }
    // Connects, runs the client script and returns the simulator's exit status.
    int session(std::vector<Medium>& media, const Behaviour& b = Behaviour(), int caps = 4) {
        ScriptClient client;
        if (client.connect(sim->port(), caps)) log = client.run(media, b);
        else log = client.log();
        tls = client.tls();
        return sim->waitExit(30000);
    }
    std::string file(const std::string& name, const std::vector<uint8_t>& data) {
        std::string path = dir.file(name);
        vtest::writeFile(path, std::string(data.begin(), data.end()));
        return path;
    }
    bool saw(const std::string& text) const { return sim->output().find(text) != std::string::npos; }

    vtest::TempDir dir;
    std::unique_ptr<vtest::BackgroundProcess> sim;
    ScriptLog log;
    bool tls = false;
};

TEST_F(SimSession, ReadsEveryBlockOfBothDrivesInTheConfiguredSizesAndReleasesThem) {
    struct Case {
        int readSize, maxBlocks;
    };
    for (Case c : {Case{65536, 8}, Case{2048, 1}, Case{1048576, 255}, Case{5000, 3}}) {
        SCOPED_TRACE("read size " + std::to_string(c.readSize) + ", max blocks " + std::to_string(c.maxBlocks));
        std::vector<Medium> media{cdImage(), floppyImage()};
        start({"--expect-sha256", "cd=" + simtest::sha256Hex(media[0].data), "--expect-file",
               "floppy=" + file("floppy.img", media[1].data), "--read-size", std::to_string(c.readSize),
               "--max-blocks", std::to_string(c.maxBlocks)});
        EXPECT_EQ(session(media), 0) << sim->output();
        EXPECT_TRUE(saw("drive 0 cd: 614400 bytes read")) << sim->output();
        EXPECT_TRUE(saw("drive 1 floppy: 1474560 bytes read")) << sim->output();
        EXPECT_TRUE(saw("verify ok, released\n"));
        EXPECT_TRUE(saw("session ok: completed"));
        EXPECT_EQ(log.released, (std::vector<int>{0, 1}));
        // Requests of the configured size (the last of each drive may be shorter).
        int cdBlocks = std::max(1, c.readSize / 2048), fdBlocks = std::max(1, c.readSize / 512);
        ASSERT_FALSE(log.requestBlocks.empty());
        EXPECT_EQ(log.requestBlocks.front(), std::min(cdBlocks, 300));
        for (int n : log.requestBlocks) EXPECT_TRUE(n <= std::min(fdBlocks, 2880) && n >= 1);
        for (int m : log.maxBlocks) EXPECT_EQ(m, c.maxBlocks);
        EXPECT_TRUE(tls);
    }
}

TEST_F(SimSession, EveryMismatchFailsTheRun) {
    struct Case {
        const char* name;
        long corruptByte;
        int extraBlocksInFile;
        bool wrongDigest;
    };
    for (Case c : {Case{"one changed byte", 1474559, 0, false}, Case{"file longer than the medium", -1, 1, false},
                   Case{"other digest", -1, 0, true}}) {
        SCOPED_TRACE(c.name);
        std::vector<Medium> media{floppyImage()};
        std::vector<uint8_t> expected = media[0].data;
        expected.resize(expected.size() + 512 * c.extraBlocksInFile, 0);
        if (c.wrongDigest) expected[0] ^= 0xFF;
        start({c.wrongDigest ? "--expect-sha256" : "--expect-file",
               c.wrongDigest ? simtest::sha256Hex(expected) : file("f.img", expected)});
        Behaviour b;
        b.corruptByte = c.corruptByte;
        EXPECT_EQ(session(media, b), 1) << sim->output();
        EXPECT_TRUE(saw("verify MISMATCH")) << sim->output();
        EXPECT_TRUE(saw("session FAILED"));
    }
}

TEST_F(SimSession, WriteLandsOnTheWritableDriveAndTheReadOnlyDriveRefusesIt) {
    std::vector<Medium> media{cdImage(), floppyImage()};
    const std::vector<uint8_t> cdBefore = media[0].data, floppyBefore = media[1].data;
    start({"--write", "--write-blocks", "3", "--write-offset", "10", "--drives", "2"});
    EXPECT_EQ(session(media), 0) << sim->output();
    EXPECT_TRUE(saw("drive 1 floppy: 1474560 bytes read")) << sim->output();
    EXPECT_TRUE(saw("write ok (3 blocks at block 10)"));
    EXPECT_TRUE(saw("write refused on the read-only drive (status 7)"));
    EXPECT_EQ(media[0].data, cdBefore);
    std::vector<uint8_t> expected = floppyBefore;
    for (size_t p = 10 * 512; p < 13 * 512; ++p) expected[p] = static_cast<uint8_t>(p % 251);
    EXPECT_EQ(media[1].data, expected);  // the pattern, and nothing else changed
}

TEST_F(SimSession, WriteTheClientDropsFailsTheRun) {
    std::vector<Medium> media{floppyImage()};
    start({"--write"});
    Behaviour b;
    b.ignoreWrites = true;
    EXPECT_EQ(session(media, b), 1) << sim->output();
    EXPECT_TRUE(saw("write FAILED (4 blocks at block 1440: status 0, data differs)")) << sim->output();
}

TEST_F(SimSession, LoginIsCheckedAgainstThePasswordOrTheRandomData) {
    struct Case {
        const char* name;
        std::vector<std::string> options;
        std::string user, password;
        bool random;
        int loginStatus, exitStatus;
        const char* text;
    };
    const Case cases[] = {
        {"password", {"--login-auth", "password"}, "vmuser", "pw", false, 0, 0, "(password), status 0"},
        {"random data", {"--login-auth", "random"}, "vmuser", "", true, 0, 0, "(random data), status 0"},
        {"random data where a password is required", {"--login-auth", "password"}, "vmuser", "", true, 1, 1,
         "login refused: wrong credential"},
        {"wrong password", {}, "vmuser", "wrong", false, 1, 1, "login refused: wrong credential"},
        {"unknown user", {}, "root", "pw", false, 1, 1, "login refused: unknown user"},
        {"no random data from the controller", {"--hshk-random", "0"}, "vmuser", "", true, 1, 1, "login refused"},
        {"refusal asked for", {"--login-status", "1"}, "vmuser", "pw", false, 1, 0, "login refused as configured"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start(c.options);
        std::vector<Medium> media{floppyImage(100)};
        Behaviour b;
        b.user = c.user;
        b.password = c.password;
        b.loginWithRandom = c.random;
        EXPECT_EQ(session(media, b), c.exitStatus) << sim->output();
        EXPECT_EQ(log.loginStatus, c.loginStatus);
        EXPECT_TRUE(saw(c.text)) << sim->output();
    }
}

TEST_F(SimSession, ConnectionSetupGrantsPlainOrTlsOnThisOrASecondPort) {
    {
        SCOPED_TRACE("plain");
        start({"--hshk-caps", "1"});
        std::vector<Medium> media{floppyImage(100)};
        EXPECT_EQ(session(media), 0) << sim->output();
        EXPECT_FALSE(tls);
        EXPECT_TRUE(saw("granted 1 (plain)"));
    }
    {
        SCOPED_TRACE("second port");
        start({"--session-port", "0", "--hshk-random", "200", "--login-auth", "random"});
        int second = sim->portFor("session port ");
        EXPECT_GT(second, 0);
        std::vector<Medium> media{floppyImage(100)};
        Behaviour b;
        b.loginWithRandom = true;  // the first 32 of the 200 bytes
        EXPECT_EQ(session(media, b), 0) << sim->output();
        EXPECT_TRUE(tls);
        EXPECT_TRUE(saw("session port " + std::to_string(second) + "\n"));
    }
    {
        SCOPED_TRACE("nothing granted");
        start({"--hshk-caps", "0"});
        std::vector<Medium> media;
        EXPECT_EQ(session(media), 0) << sim->output();
        EXPECT_EQ(log.error, "no usable connection type granted");
        EXPECT_TRUE(saw("no connection type granted; the client closed"));
    }
}

TEST_F(SimSession, ReadPastTheEndMustEndWithAStatus) {
    for (int status : {7, 0}) {
        SCOPED_TRACE(status);
        start({"--read-past-end"});
        std::vector<Medium> media{floppyImage(100)};
        Behaviour b;
        b.pastEndStatus = status;
        EXPECT_EQ(session(media, b), status ? 0 : 1) << sim->output();
        EXPECT_TRUE(saw(status ? "past-end read refused (status 7)" : "past-end read FAILED")) << sim->output();
    }
}

TEST_F(SimSession, DeviceStatusReportsUnmapOnlyForTheirCodes) {
    {
        start({"--device-status", "6"});
        std::vector<Medium> media{floppyImage(100)};
        EXPECT_EQ(session(media), 0) << sim->output();
        EXPECT_EQ(log.deviceStatus, std::vector<int>{6});
        EXPECT_TRUE(saw("device status 6 unmapped the drive, release refused (status 7)")) << sim->output();
    }
    {
        start({"--device-status", "5"});
        std::vector<Medium> media{floppyImage(100)};
        EXPECT_EQ(session(media), 0) << sim->output();
        EXPECT_TRUE(saw("device status 5 kept the drive, released")) << sim->output();
    }
}

TEST_F(SimSession, HeartbeatIsWaitedFor) {
    for (bool beat : {true, false}) {
        SCOPED_TRACE(beat);
        start({"--expect-heartbeat", "--io-timeout", "1"});
        std::vector<Medium> media{floppyImage(100)};
        Behaviour b;
        b.heartbeatAfterLogin = beat;
        EXPECT_EQ(session(media, b), beat ? 0 : 1) << sim->output();
        EXPECT_TRUE(saw(beat ? "session ok: completed, 1 heartbeats" : "timed out waiting for a heartbeat")) << sim->output();
    }
}

TEST_F(SimSession, FinishReleasesOneOrNoneOrClosesTheConnection) {
    struct Case {
        const char* finish;
        std::vector<int> released;
        bool closedBySimulator;
    };
    for (const Case& c : {Case{"one", {0}, false}, Case{"none", {}, false}, Case{"close", {}, true}}) {
        SCOPED_TRACE(c.finish);
        start({"--finish", c.finish, "--drives", "2", "--read-size", "2000000"});
        std::vector<Medium> media{cdImage(), floppyImage()};
        Behaviour b;
        if (std::string(c.finish) == "one") b.closeAfterReleases = 1;
        if (std::string(c.finish) == "none") b.closeAfterReads = 2;  // one request per drive
        EXPECT_EQ(session(media, b), 0) << sim->output();
        EXPECT_EQ(log.released, c.released);
        EXPECT_EQ(log.closedBySimulator, c.closedBySimulator);
    }
}

TEST_F(SimSession, ProtocolFaultsOfTheClientFailTheRun) {
    struct Case {
        const char* name;
        Behaviour b;
        const char* text;
    };
    Behaviour advancing, wrongDisk;
    advancing.advanceOffsets = true;
    wrongDisk.mapDiskOffset = 5;
    for (const Case& c : {Case{"advancing offsets", advancing, "protocol error: read response for disk 1 block 8"},
                          Case{"unlisted disk", wrongDisk, "map request for disk 6, which is not in the list"}}) {
        SCOPED_TRACE(c.name);
        start({"--read-size", "16384"});
        std::vector<Medium> media{floppyImage(100)};
        EXPECT_EQ(session(media, c.b), 1) << sim->output();
        EXPECT_TRUE(saw(c.text)) << sim->output();
    }
}

TEST_F(SimSession, DiskListCarriesTheConfiguredTypesAndStatus) {
    start({"--disks", "cd,usb:1,7"});
    std::vector<Medium> media{floppyImage(100)};
    EXPECT_EQ(session(media), 0) << sim->output();
    EXPECT_EQ(log.diskTypes, (std::vector<int>{2, 4, 7}));
    EXPECT_EQ(log.diskStatus, (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(log.released, std::vector<int>{1});
}

TEST_F(SimSession, ClientLeavingEarlyFailsAndTheTimeOutEndsARunUnfinished) {
    start({});
    {
        ScriptClient client;
        ASSERT_TRUE(client.connect(sim->port()));
    }  // gone before the login
    EXPECT_EQ(sim->waitExit(10000), 1);
    EXPECT_TRUE(saw("client closed the connection while the simulator waited for the login request")) << sim->output();

    std::vector<std::string> argv{VANTRO_SIM_BIN, "--vm-port", "0", "--once", "--timeout", "1"};
    sim.reset(new vtest::BackgroundProcess(argv, "vm port "));
    EXPECT_EQ(sim->waitExit(10000), 3);

    // A session cut short by the time-out is unfinished, not failed.
    argv[5] = "2";
    argv.insert(argv.end(), {"--finish", "none"});
    sim.reset(new vtest::BackgroundProcess(argv, "vm port "));
    ScriptClient client;
    ASSERT_TRUE(client.connect(sim->port()));
    std::vector<Medium> media{floppyImage(100)};
    Behaviour b;
    b.password = "";
    b.user = "vmuser";
    b.loginWithRandom = true;
    b.closeAfterReads = 1000;  // keeps the connection after its reads
    std::thread serving([&] { client.run(media, b); });
    EXPECT_EQ(sim->waitExit(10000), 3);
    serving.join();
    EXPECT_TRUE(saw("session stopped: stopped before the scenario completed")) << sim->output();
}

} // namespace

namespace {

TEST(SimSessionServer, WithoutOnceServesSessionsOneAfterAnotherUntilStopped) {
    for (bool spoil : {false, true}) {
        SCOPED_TRACE(spoil ? "second session fails" : "both sessions pass");
        vtest::BackgroundProcess sim({VANTRO_SIM_BIN, "--vm-port", "0", "--timeout", "30", "--io-timeout", "5",
                                      "--temp-password", "pw"},
                                     "vm port ");
        ASSERT_GT(sim.port(), 0);
        for (int i = 0; i < 2; ++i) {
            ScriptClient client;
            ASSERT_TRUE(client.connect(sim.port()));
            std::vector<Medium> media{floppyImage(64)};
            Behaviour b;
            if (i == 1) b.heartbeatAfterLogin = false;  // tells the verdict lines apart
            if (spoil && i == 1) b.password = "wrong";
            client.run(media, b);
        }
        EXPECT_TRUE(sim.waitFor(spoil ? "session FAILED: login refused: wrong credential, 0 heartbeats\n"
                                      : "session ok: completed, 0 heartbeats\n"))
            << sim.output();
        EXPECT_TRUE(sim.waitFor("session ok: completed, 1 heartbeats\n"));
        EXPECT_EQ(sim.stop(), spoil ? 1 : 0) << sim.output();
    }
}

} // namespace

// vantro-sim's command line: values are checked, lists and expectations are understood.
#include "sim_options.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

TEST(SimOptions, ScenarioOptionsAreParsedAndBadValuesRefused) {
    sim::SimOptions o;
    std::string error;
    const std::string hex(64, 'A');
    ASSERT_TRUE(sim::parseSimOptions({"--vm-port", "0", "--disks", "cd,usb:1,7", "--expect-sha256", "cd=" + hex,
                                      "--expect-file", "/x.img", "--max-blocks", "255", "--finish", "one",
                                      "--write-offset", "4294967295", "--http-omit", "vport,userName"},
                                     o, error))
        << error;
    ASSERT_EQ(o.scenario.disks.size(), 3u);
    EXPECT_EQ(o.scenario.disks[1].type, sim::DISK_USB);
    EXPECT_EQ(o.scenario.disks[1].status, 1);
    EXPECT_EQ(o.scenario.disks[2].type, 7);
    ASSERT_EQ(o.scenario.expectations.size(), 2u);
    EXPECT_EQ(o.scenario.expectations[0].kind, "cd");
    EXPECT_EQ(o.scenario.expectations[0].sha256, std::string(64, 'a'));
    EXPECT_EQ(o.scenario.expectations[1].kind, "");
    EXPECT_EQ(o.scenario.expectations[1].file, "/x.img");
    EXPECT_EQ(o.scenario.writeOffset, 4294967295LL);
    EXPECT_TRUE(o.scenario.finish == sim::Finish::RELEASE_ONE);
    EXPECT_TRUE(o.credentials.omitVport && o.credentials.omitUserName && !o.credentials.omitPassword);

    const std::vector<std::vector<std::string>> bad = {
        {"--vm-port", "65536"}, {"--max-blocks", "0"}, {"--max-blocks", "256"}, {"--disks", "tape"},
        {"--expect-sha256", "abc"}, {"--expect-file", "cd="}, {"--finish", "later"}, {"--hshk-random", "256"},
        {"--http-omit", "vport,name"}, {"--http-length-header", "a:b"}, {"--once"}, {"--read-size"},
        {"--io-timeout", "0"}, {"--bogus"},
    };
    for (const auto& args : bad) {
        SCOPED_TRACE(args[0]);
        sim::SimOptions r;
        EXPECT_FALSE(sim::parseSimOptions(args, r, error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(SimOptions, UsageNamesEveryOptionAndUnreadableFilesAreUsageErrors) {
    const std::string usage = sim::simUsage();
    for (const char* opt : {"--https-port", "--vm-port", "--session-port", "--once", "--timeout", "--temp-password",
                            "--http-status", "--http-single-record", "--hshk-caps", "--login-auth", "--disks",
                            "--expect-file", "--read-size", "--max-blocks", "--write", "--device-status", "--finish"})
        EXPECT_NE(usage.find(opt), std::string::npos) << opt;
    auto r = vtest::run({VANTRO_SIM_BIN, "--vm-port", "0", "--expect-file", "/nonexistent/medium.img"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("/nonexistent/medium.img"), std::string::npos) << r.err;
    r = vtest::run({VANTRO_SIM_BIN});
    EXPECT_EQ(r.status, 2);
}

} // namespace

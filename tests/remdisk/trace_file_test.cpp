// The -D/-N trace file of the real program: when it appears, its name, what one run writes
// and that each run starts it afresh.
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

// The trace lines without their "yyyy/mm/dd hh:mm:ss_mmm " prefix.
std::vector<std::string> entries(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.size() >= 24 ? line.substr(24) : "SHORT:" + line);
    return lines;
}

class RemdiskTraceFile : public ::testing::Test {
protected:
    vtest::TempDir dir;
    std::string img = dir.file("floppy.img");
    void SetUp() override { vtest::writeFile(img, std::string(512, '\0')); }

    vtest::RunResult run(std::vector<std::string> args) {
        args.insert(args.begin(), REMDISK_BIN);
        vtest::RunOptions options;
        options.cwd = dir.path();
        return vtest::run(args, options);
    }
};

const char* const kNotYet =
    "Error: Connecting to the Vantro controller is not available in this build yet.\n";

} // namespace

TEST_F(RemdiskTraceFile, OnlyDashDCreatesItAndDashNNamesIt) {
    auto r = run({"-N", "named.txt", "-r", "h", "-u", "u", "-f", img});
    EXPECT_EQ(r.out, kNotYet);
    EXPECT_FALSE(vtest::fileExists(dir.file("named.txt")));
    EXPECT_FALSE(vtest::fileExists(dir.file("RemdiskApp_Log.txt")));

    run({"-D", "-r", "h", "-u", "u", "-f", img}); // default name, level 1
    EXPECT_TRUE(vtest::fileExists(dir.file("RemdiskApp_Log.txt")));
    run({"-D", "2", "-N", "-r", "h", "-u", "u", "-f", img}); // -N without a value: default name
    EXPECT_FALSE(vtest::fileExists(dir.file("-r")));

    r = run({"-D", "1", "-N", "named.txt", "-r", "h", "-u", "u", "-f", img});
    EXPECT_EQ(r.out, kNotYet);
    EXPECT_EQ(r.status, 1);
    std::string text = vtest::readFile(dir.file("named.txt"));
    std::vector<std::string> expected = {
        "ZTrace::Init: Trace Starting",
        "RemdiskAPP::ValidateCommandLine: called",
        "LinuxVMProvider::openDrive called for " + img + " Write: FALSE Lock: FALSE",
        "LinuxVMProvider::closeDrive called",
        "LinuxVMProvider::~ destructor called",
        "RemdiskAPP::run connecting to the controller is not available yet",
        "RemdiskAPP::ExitClean: Clean Up And Exit code:[1]",
    };
    EXPECT_EQ(entries(text), expected) << text;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        EXPECT_TRUE(std::regex_search(line, std::regex(R"(^\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}_\d{3} \S)")))
            << line;
}

TEST_F(RemdiskTraceFile, ValidationErrorsAreTracedAndEachRunStartsAfresh) {
    std::string path = dir.file("t.txt");
    vtest::writeFile(path, "an earlier run's lines\n");
    // A validation error: the level-1 entry and the level-0 exit line.
    auto r = run({"-D", "1", "-N", path, "-r", ":x"});
    EXPECT_EQ(r.status, 1);
    std::vector<std::string> expected = {
        "ZTrace::Init: Trace Starting",
        "RemdiskAPP::ValidateCommandLine: called",
        "RemdiskAPP::ExitClean: Clean Up And Exit code:[1]",
    };
    EXPECT_EQ(entries(vtest::readFile(path)), expected);

    // A second run with the same name replaces the first run's lines.
    r = run({"-D", "9", "-N", path, "-v"});
    EXPECT_EQ(r.status, 0);
    expected = {
        "ZTrace::Init: Trace Starting",
        "RemdiskAPP::ValidateCommandLine: called",
        "RemdiskAPP::ExitClean: Clean Up And Exit code:[0]",
    };
    EXPECT_EQ(entries(vtest::readFile(path)), expected);
}

TEST_F(RemdiskTraceFile, UnwritableOrOddTraceNamesDoNotStopTheProgram) {
    for (std::string name : {std::string("/no/such/folder/t.txt"), std::string(""), dir.path(),
                             std::string(5000, 't'), std::string("\xff\xfe.txt")}) {
        auto r = run({"-D", "3", "-N", name, "-r", "h", "-u", "u", "-f", img});
        EXPECT_EQ(r.out, kNotYet) << name.substr(0, 40);
        EXPECT_EQ(r.status, 1) << name.substr(0, 40);
    }
    EXPECT_TRUE(vtest::fileExists(dir.file("\xff\xfe.txt")));
}

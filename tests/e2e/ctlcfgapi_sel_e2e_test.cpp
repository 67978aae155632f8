// SEL and SDR end to end: ctlcfg-probe lists the repository and the event log through the
// shared library and the stand-in "libhstipm32.so", first against vantro-sim loaded with
// tests/fixtures/ipmi_sel_sdr.txt, then against OpenIPMI's ipmi_sim loaded with the same
// records, whose sensor names and record counts ipmitool reports over LAN.
#include "ctlcfg_probe_run.h"
#include "sim_process.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sstream>
#include <unistd.h>

namespace {

const std::string kFixture = std::string(VANTRO_SOURCE_DIR) + "/tests/fixtures/ipmi_sel_sdr.txt";

vtest::RunResult probe(const std::string& bmc, const std::vector<std::string>& cmds) {
    return runCtlcfgProbe(bmc, cmds);
}

std::vector<std::string> linesStartingWith(const std::string& text, const std::string& prefix) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line.substr(prefix.size()));
    return out;
}

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

// The fixture's records as bytes: ("sdr" | "sel", bytes).
std::vector<std::pair<std::string, std::vector<unsigned>>> fixtureRecords() {
    std::vector<std::pair<std::string, std::vector<unsigned>>> out;
    std::istringstream in(vtest::readFile(kFixture));
    for (std::string line; std::getline(in, line);) {
        std::istringstream ls(line);
        std::string kind;
        ls >> kind;
        if (kind != "sdr" && kind != "sel") continue;
        std::vector<unsigned> bytes;
        for (std::string b; ls >> b;) bytes.push_back(static_cast<unsigned>(std::stoul(b, nullptr, 16)));
        out.emplace_back(kind, bytes);
    }
    return out;
}

// The same records as ipmi_sim emulator commands. ipmi_sim numbers the records itself and
// stamps system events with its own clock, so only bytes 2 on (SEL) and the whole SDR go in.
std::string emuCommands() {
    std::ostringstream o;
    o << std::hex;
    for (const auto& r : fixtureRecords()) {
        if (r.first == "sdr") {
            o << "main_sdr_add 0x20";
            for (unsigned b : r.second) o << " 0x" << b;
        } else {
            o << "sel_add 0x20";
            for (size_t i = 2; i < r.second.size(); ++i) o << " 0x" << r.second[i];
        }
        o << "\n";
    }
    return o.str();
}

// ipmitool over ipmi_sim's LAN interface as the configuration's administrator.
vtest::RunResult ipmitool(const std::string& tool, int lanPort, const std::vector<std::string>& args,
                          int timeoutMs = 20000) {
    std::vector<std::string> argv{tool, "-I", "lan", "-H", "127.0.0.1", "-p", std::to_string(lanPort),
                                  "-U", "ipmiusr", "-P", "test"};
    argv.insert(argv.end(), args.begin(), args.end());
    vtest::RunOptions o;
    o.timeoutMs = timeoutMs;
    return vtest::run(argv, o);
}

TEST(CtlcfgapiSelE2E, ListsAndDecodesTheFixtureThroughVantroSim) {
    vtest::TempDir dir;
    vtest::writeFile(dir.file("state.txt"), vtest::readFile(kFixture));
    vtest::BackgroundProcess sim(vtest::simIpmiArgs(VANTRO_SIM_BIN, dir.file("state.txt")), "ipmi port ");
    ASSERT_GT(sim.port(), 0) << sim.output();
    const std::string bmc = "127.0.0.1:" + std::to_string(sim.port());

    auto r = probe(bmc, {"sdr", "sel", "seltime"});
    EXPECT_EQ(r.out,
              "init 0\n"
              "sdr 0 count 6\n"
              "sdr 0 type 0x01 name CPU Temp\n"
              "sdr 1 type 0x02 name DIMM 0\n"
              "sdr 2 type 0x02 name Fan Redund\n"
              "sdr 3 type 0x02 name Intrusion\n"
              "sdr 4 type 0x11 name System Board\n"
              "sdr 5 type 0x01 name Planar Temp\n"
              "sel 0 count 7\n"
              "sel 0 4 20080315142530.000000 | CPU Temp: Temperature sensor, failure event\n"
              "sel 1 3 20080315142630.000000 | DIMM 2: Memory sensor, correctable ECC ( Memory Board A DIMM11 ) was asserted\n"
              "sel 2 4 20080315142730.000000 | Fan Redund: Fan Redundancy sensor, redundancy lost was asserted\n"
              "sel 3 4 20080315142830.000000 | Intrusion: Intrusion sensor, chassis intrusion was asserted while system was ON\n"
              "sel 4 3 20080315142930.000000 | System Board Planar Temp: Temperature sensor for System Board, warning event\n"
              "sel 5 2 <System Boot> | OEM event data record\n"
              "sel 6 4 20080315143030.000000 | System Software event: CMOS failed\n"
              "seltime 0 value 1610612736\n");

    // Clearing empties the log in the same run and for the next one.
    r = probe(bmc, {"selclear", "sel", "sdr"});
    EXPECT_EQ(linesStartingWith(r.out, "sel"), (std::vector<std::string>{"clear 0", " 0 count 0"}));
    EXPECT_EQ(linesStartingWith(r.out, "sdr 0 count ").at(0), "6");
    r = probe(bmc, {"sel"});
    EXPECT_EQ(r.out, "init 0\nsel 0 count 0\n");
}

TEST(CtlcfgapiSelE2E, SensorNamesAndCountsMatchIpmitoolAgainstIpmiSim) {
    const std::string tool = vtest::findProgram("ipmitool");
    if (tool.empty()) GTEST_SKIP() << "ipmitool is not installed (Debian package ipmitool)";
    vtest::TempDir dir;
    int vmPort = 0, lanPort = 0;
    std::unique_ptr<vtest::BackgroundProcess> bmc = vtest::startIpmiSim(dir.path(), &vmPort, emuCommands(), &lanPort);
    if (!bmc) GTEST_SKIP() << "ipmi_sim is not installed (Debian package openipmi)";
    // ipmi_sim needs a moment: ask "mc info" over LAN until it answers, for at most ten seconds.
    bool up = false;
    for (int waited = 0; !up && waited < 10000; waited += 200) {
        up = ipmitool(tool, lanPort, {"mc", "info"}, 3000).status == 0;
        if (!up) usleep(200 * 1000);
    }
    ASSERT_TRUE(up) << "ipmi_sim did not answer on LAN port " << lanPort;

    // What ipmitool sees over LAN: one line per SDR, name first; the SEL's entry count.
    vtest::RunResult list = ipmitool(tool, lanPort, {"sdr", "list", "all"});
    ASSERT_EQ(list.status, 0) << list.err;
    std::vector<std::string> toolNames;
    std::istringstream in(list.out);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) toolNames.push_back(trim(line.substr(0, line.find('|'))));
    vtest::RunResult info = ipmitool(tool, lanPort, {"sel", "info"});
    ASSERT_EQ(info.status, 0) << info.err;
    size_t at = info.out.find("Entries");
    ASSERT_NE(at, std::string::npos) << info.out;
    const int toolSelCount = std::stoi(info.out.substr(info.out.find(':', at) + 1));

    // The same through libctlcfgapi.
    vtest::RunResult r = probe("127.0.0.1:" + std::to_string(vmPort), {"sdr", "sel"});
    ASSERT_EQ(linesStartingWith(r.out, "sdr 0 count ").size(), 1u) << r.out;
    std::vector<std::string> libNames;
    std::vector<std::string> libSdrTypes;
    for (const std::string& l : linesStartingWith(r.out, "sdr ")) {
        size_t name = l.find(" name ");
        if (name == std::string::npos) continue;
        libNames.push_back(l.substr(name + 6));
        libSdrTypes.push_back(l.substr(l.find("type ") + 5, 4));
    }
    size_t fixtureSdrs = 0, fixtureSels = 0;
    for (const auto& rec : fixtureRecords()) (rec.first == "sdr" ? fixtureSdrs : fixtureSels)++;

    EXPECT_EQ(toolNames.size(), fixtureSdrs) << list.out;
    ASSERT_EQ(libNames.size(), toolNames.size()) << r.out;
    for (size_t i = 0; i < libNames.size(); ++i) {
        // A compact record shared by several sensors is named per instance: "DIMM" is "DIMM 0".
        std::string expected = toolNames[i];
        if (expected == "DIMM") expected += " 0";
        EXPECT_EQ(libNames[i], expected) << "record " << i;
    }
    EXPECT_EQ(toolSelCount, static_cast<int>(fixtureSels)) << info.out;
    EXPECT_EQ(linesStartingWith(r.out, "sel 0 count ").at(0), std::to_string(toolSelCount));
    const auto events = linesStartingWith(r.out, "sel ");
    EXPECT_EQ(events.size(), fixtureSels + 1) << r.out;  // the count line and one per entry
    // ipmi_sim stamps system events relative to its start: the dates read "<System Boot>",
    // and every description still names its sensor from the SDRs ipmi_sim holds.
    EXPECT_NE(r.out.find("<System Boot> | CPU Temp: Temperature sensor, failure event"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("| System Board Planar Temp: Temperature sensor for System Board, warning event"),
              std::string::npos);
}

} // namespace

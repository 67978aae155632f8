// Runs ctlcfg-probe against a BMC address with the build's libraries on LD_LIBRARY_PATH and
// expects it to end normally within a minute.
#pragma once

#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline vtest::RunResult runCtlcfgProbe(const std::string& bmc, const std::vector<std::string>& cmds,
                                       const std::string& libDir = VANTRO_LIB_DIR) {
    std::vector<std::string> argv{CTLCFG_PROBE_BIN};
    argv.insert(argv.end(), cmds.begin(), cmds.end());
    vtest::RunOptions o;
    o.env["LD_LIBRARY_PATH"] = libDir;
    o.env["VANTRO_BMC"] = bmc;
    o.timeoutMs = 60000;
    vtest::RunResult r = vtest::run(argv, o);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0) << r.err;
    return r;
}

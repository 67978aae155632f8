// Loading the host IPMI library by name: missing file, a library without the entry points,
// null table.
#include "racipmi_private.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(LoadVexa, FailuresLeaveNoHandleOpen) {
    VexaEntryTable t;
    EXPECT_EQ(loadVexa(nullptr), RACIPMI_INVALID_INPUT_PARAM);

    std::memset(&t, 0, sizeof t);
    vexaSetLibraryName("libhstipm32-not-installed.so");
    EXPECT_EQ(loadVexa(&t), RACIPMI_LIB_LOAD_FAILED);
    EXPECT_EQ(t.hLibrary, nullptr);

    // Any library that lacks the entry points: the deliverable itself.
    vexaSetLibraryName((std::string(VANTRO_LIB_DIR) + "/libctlcfgapi.so").c_str());
    EXPECT_EQ(loadVexa(&t), RACIPMI_BUF_TOO_SMALL);
    EXPECT_EQ(t.hLibrary, nullptr);
    EXPECT_EQ(t.fpHSTIPMGetChannelInfo, nullptr);
    vexaSetLibraryName(nullptr);

    unloadVexa(&t); // a cleared table is left alone
    unloadVexa(nullptr);
}

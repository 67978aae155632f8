// Fixture of the standard IPMI family tests: an initialised record over the fake host and
// the scripted BMC (LAN channel 1, serial channel 2), with every host buffer accounted for.
#pragma once

#include "fake_bmc.h"
#include "racipmi_ops.h"

#include <gtest/gtest.h>

class Family : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RacIpmiInit(&r, nullptr), 0u);
        installFakeBmc(r.pPrivateData->pVexa, &bmc);
    }
    void TearDown() override {
        RacIpmiUninit(&r);
        EXPECT_EQ(fake.host.outstanding, 0) << "a host buffer was not freed";
        gBmc = nullptr;
    }
    // The writes of one kind, in order.
    std::vector<FakeBmc::Write> writesOf(const std::string& what) const {
        std::vector<FakeBmc::Write> out;
        for (const auto& w : bmc.writes)
            if (w.what == what) out.push_back(w);
        return out;
    }
    FakeHostScope fake;
    FakeBmc bmc;
    RacIpmi r{};
};

using Bytes = FakeBmc::Bytes;

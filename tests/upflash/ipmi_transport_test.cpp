// The host driver layer over a fake driver stack: choice of variant, the library record byte
// for byte, retries with their delays, the debug trace, response handling, closing.
#include "ipmi_fakes.h"
#include "upflash_fixtures.h"

#include "cli/console.h"
#include "ipmi/driver_status.h"
#include "ipmi/ipmi_driver.h"
#include "report/update_package.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using upftest::cc;
using upftest::fakeHost;
using upftest::ok;
using upftest::Reply;
using upftest::SentCommand;

class IpmiTransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        upftest::resetModules();
        upftest::resetFakeHost();
    }
    void TearDown() override {
        driver_destructor();
        upftest::resetModules();
    }

    IPMI_DRIVER_STRUCT record(uint8_t retries, uint16_t delay, std::vector<uint8_t> data = {}) {
        IPMI_DRIVER_STRUCT r;
        std::memset(&r, 0, sizeof r);
        r.retries = retries;
        r.delay = delay;
        r.requestDataLength = static_cast<uint16_t>(data.size());
        if (!data.empty()) std::memcpy(r.requestData, data.data(), data.size());
        return r;
    }

    // Opens the fake stack, then forgets what the opening sent.
    void openAndForget() {
        ASSERT_EQ(upftest::openFakeDriver(), 0);
        fakeHost().sent.clear();
        fakeHost().calls.clear();
        fakeHost().delays.clear();
    }

    upftest::ConsoleCapture console;
};

TEST_F(IpmiTransportTest, RequestRecordCarriesTheCommandAtItsFixedOffsets) {
    openAndForget();
    IPMI_DRIVER_STRUCT r = record(0, 200, {0xAA, 0xBB, 0xCC});
    fakeHost().controller = [](const SentCommand&) { return ok({1}); };
    ASSERT_EQ(exec_command(0x24, 0x20, 0x13, &r), 0);
    ASSERT_EQ(fakeHost().sent.size(), 1u);
    const uint8_t* raw = fakeHost().sent[0].raw;
    const uint8_t expectHead[32] = {
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, // not set
        0, 0, 0, 0,                         // status
        10, 0, 0, 0,                        // request kind
        5, 0, 0, 0,                         // data length + 2
        35, 0, 0, 0,                        // expected response length
        0x20, 0x13, 0xAA, 0xBB};
    EXPECT_EQ(std::memcmp(raw, expectHead, sizeof expectHead), 0);
    EXPECT_EQ(raw[32], 0xCC);
    EXPECT_EQ(raw[63], 0x24);
    for (int i = 64; i < 68; ++i) EXPECT_EQ(raw[i], 0) << i;
}

TEST_F(IpmiTransportTest, VariantAWithoutItsCommandLibraryFallsToVariantB) {
    fakeHost().libraries = {"libhstbas32.so", "libhstapi32.so"};
    CIPMIDriver driver(&upftest::makeFakeDriverOS);
    ASSERT_EQ(driver.Open(), 0);
    EXPECT_EQ(driver.Mode(), CIPMIDriver::MODE_OPENED);
    EXPECT_NE(dynamic_cast<CTessel4x*>(driver.Driver()), nullptr);
    const std::vector<std::string> expected = {
        "LoadDll libhstbas32.so", "FreeDll libhstbas32.so", // variant A gave up
        "LoadDll libhstapi32.so", "HIPOpen 4136 1", "HIPHostInfoEx 7"};
    EXPECT_EQ(fakeHost().calls, expected);
    EXPECT_EQ(fakeHost().count(0x18, 0x01), 1u);
    EXPECT_EQ(console.err(), "");

    driver.Close();
    EXPECT_EQ(fakeHost().calls.back(), "FreeDll libhstapi32.so");
    EXPECT_TRUE(fakeHost().called("HIPClose 7"));
}

TEST_F(IpmiTransportTest, VariantAOpensWithItsTwoLibrariesAndReportsTheSlaveAddress) {
    fakeHost().slaveAddress = 0x1234;
    CIPMIDriver driver(&upftest::makeFakeDriverOS);
    ASSERT_EQ(driver.Open(), 0);
    EXPECT_NE(dynamic_cast<CTessel5x*>(driver.Driver()), nullptr);
    EXPECT_EQ(driver.GetBmcAddress(), 0x34); // low 8 bits
    EXPECT_EQ(fakeHost().sent.at(0).slave, 0x34);
    uint16_t id = 0;
    EXPECT_EQ(driver.GetSystemID(&id), 0);
    EXPECT_EQ(id, 0x0100);
    EXPECT_EQ(driver.GetSystemID(nullptr), DRV_NO_OUTPUT);

    fakeHost().calls.clear();
    driver.Close();
    const std::vector<std::string> expected = {"FreeDll libhstbas32.so", "FreeDll libhstipm32.so"};
    EXPECT_EQ(fakeHost().calls, expected);
    EXPECT_EQ(driver.GetBmcAddress(), 0x20);
    EXPECT_EQ(driver.GetSystemID(&id), DRV_NO_ENTRY);
}

struct ProbeFailureCase {
    const char* name;
    std::function<void(upftest::FakeHost&)> setup;
    int variantResult;
    std::string message;
};

TEST_F(IpmiTransportTest, BothVariantsFailingNameTheCauseAndTryTheInstallation) {
    const ProbeFailureCase cases[] = {
        {"system ID 0", [](upftest::FakeHost& h) { h.systemId = 0; }, DRV_SYSTEM_ID_ZERO,
         "   System ID Error\n"},
        {"host info", [](upftest::FakeHost& h) { h.hostInfoResult = 0; }, DRV_HOST_INFO_FAILED,
         "   Get Host Info Failed\n"},
        {"no answer",
         [](upftest::FakeHost& h) {
             h.controller = [](const SentCommand&) { return upftest::noResponse(); };
         },
         DRV_PROBE_FAILED, "   KCS test - Get Device ID Failed\n"},
        {"no libraries", [](upftest::FakeHost& h) { h.libraries.clear(); }, DRV_LOAD_FAILED, ""},
        {"entry point missing",
         [](upftest::FakeHost& h) { h.missingSymbols = {"HSTBASHostInfoEx", "HIPHostInfoEx"}; },
         DRV_NO_ENTRY, ""},
    };
    for (const ProbeFailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        upftest::resetFakeHost();
        upftest::ConsoleCapture capture;
        c.setup(fakeHost());
        fakeHost().installResult = DRV_INI_MISSING;
        CIPMIDriver driver(&upftest::makeFakeDriverOS);
        EXPECT_EQ(driver.Open(), DRV_INI_MISSING);
        EXPECT_EQ(capture.err(), c.message);
        EXPECT_TRUE(fakeHost().called("Install"));
        EXPECT_EQ(driver.Mode(), CIPMIDriver::MODE_NONE);
        // A probe that fails twice leaves the started service alone: nothing is stopped.
        EXPECT_FALSE(fakeHost().called("StopDriver"));
        driver.Close();
        EXPECT_FALSE(fakeHost().called("Uninstall"));
    }
}

TEST_F(IpmiTransportTest, ProbeFailsStartsTheServiceAndStopsItOnClose) {
    int probes = 0;
    fakeHost().controller = [&probes](const SentCommand&) {
        // The first probe (5 attempts) gets nothing; after the service start it answers.
        return ++probes <= 5 ? upftest::noResponse() : ok({0x20});
    };
    CIPMIDriver driver(&upftest::makeFakeDriverOS);
    ASSERT_EQ(driver.Open(), 0);
    EXPECT_EQ(fakeHost().count(0x18, 0x01), 6u);
    EXPECT_EQ(fakeHost().delays, std::vector<unsigned>(5, 200));
    EXPECT_TRUE(fakeHost().called("StartDriver"));
    EXPECT_FALSE(fakeHost().called("StopDriver"));
    driver.Close();
    EXPECT_EQ(fakeHost().calls.back(), "StopDriver");
}

TEST_F(IpmiTransportTest, StackInstalledByThisRunIsUninstalledOnClose) {
    fakeHost().libraries.clear();
    fakeHost().onInstall = [] {
        fakeHost().libraries = {"libhstbas32.so", "libhstipm32.so"};
    };
    CIPMIDriver driver(&upftest::makeFakeDriverOS);
    ASSERT_EQ(driver.Open(), 0);
    EXPECT_EQ(driver.Mode(), CIPMIDriver::MODE_INSTALLED);
    EXPECT_NE(dynamic_cast<CTessel5x*>(driver.Driver()), nullptr);
    fakeHost().calls.clear();
    driver.Close();
    const std::vector<std::string> expected = {"FreeDll libhstbas32.so", "FreeDll libhstipm32.so",
                                               "Uninstall"};
    EXPECT_EQ(fakeHost().calls, expected);
    EXPECT_EQ(driver.Mode(), CIPMIDriver::MODE_NONE);
}

TEST_F(IpmiTransportTest, InstalledStackThatStillDoesNotOpenIsUninstalledToo) {
    fakeHost().libraries.clear();
    CIPMIDriver driver(&upftest::makeFakeDriverOS);
    EXPECT_EQ(driver.Open(), DRV_LOAD_FAILED);
    EXPECT_EQ(driver.Mode(), CIPMIDriver::MODE_INSTALLED);
    IPMI_DRIVER_STRUCT r = record(1, 200);
    EXPECT_EQ(driver.ExecuteCommand(0x20, 0x13, &r, 0x20), DRV_CALL_FAILED); // no crash
    driver.Close();
    EXPECT_EQ(fakeHost().calls.back(), "Uninstall");
}

TEST_F(IpmiTransportTest, FailedInstallationIsReturnedAndNothingIsUninstalled) {
    fakeHost().libraries.clear();
    fakeHost().installResult = LAUNCH_CLASS_41;
    CIPMIDriver driver(&upftest::makeFakeDriverOS);
    EXPECT_EQ(driver.Open(), LAUNCH_CLASS_41);
    EXPECT_EQ(driver.Mode(), CIPMIDriver::MODE_NONE);
    driver.Close();
    EXPECT_FALSE(fakeHost().called("Uninstall"));
}

TEST_F(IpmiTransportTest, CompletionCodeFFEveryTimeIsSentRetriesPlusOneTimes) {
    openAndForget();
    display_redirection(PRT_NORMAL, ""); // nothing of the opening in what follows
    set_display_state(DISPLAY_DEBUG);
    int n = 0;
    fakeHost().controller = [&n](const SentCommand&) {
        ++n;
        return cc(0xFF, {static_cast<uint8_t>(0x80 + n), 0x55});
    };
    IPMI_DRIVER_STRUCT r = record(4, 200, {0x07});
    EXPECT_EQ(exec_command(0x20, 0x20, 0x10, &r), 1);
    EXPECT_EQ(fakeHost().count(0x20, 0x10), 5u);
    EXPECT_EQ(fakeHost().delays, std::vector<unsigned>(5, 200)); // the last one included
    EXPECT_EQ(r.completionCode, 0xFF);
    EXPECT_EQ(r.responseDataLength, 2);
    EXPECT_EQ(r.responseData[0], 0x85); // the last response's data
    const std::string out = console.out();
    for (int i = 1; i <= 4; ++i)
        EXPECT_NE(out.find("   Retry " + std::to_string(i) + "\n"), std::string::npos) << i;
    EXPECT_EQ(out.find("   Retry 5\n"), std::string::npos);
}

TEST_F(IpmiTransportTest, RetriesZeroSendsOnceWithoutARetryLine) {
    openAndForget();
    set_display_state(DISPLAY_DEBUG);
    fakeHost().controller = [](const SentCommand&) { return cc(0xC3); };
    IPMI_DRIVER_STRUCT r = record(0, 350);
    EXPECT_EQ(exec_command(0x20, 0x20, 0x15, &r), 1);
    EXPECT_EQ(fakeHost().sent.size(), 1u);
    EXPECT_EQ(fakeHost().delays, std::vector<unsigned>{350});
    EXPECT_EQ(console.out().find("Retry"), std::string::npos);
}

TEST_F(IpmiTransportTest, SuccessAfterAFailureEndsTheAttempts) {
    openAndForget();
    int n = 0;
    fakeHost().controller = [&n](const SentCommand&) {
        return ++n == 1 ? upftest::noResponse() : ok({9});
    };
    IPMI_DRIVER_STRUCT r = record(4, 200);
    EXPECT_EQ(exec_command(0x20, 0x20, 0x12, &r), 0);
    EXPECT_EQ(fakeHost().sent.size(), 2u);
    EXPECT_EQ(fakeHost().delays, std::vector<unsigned>{200});
    EXPECT_EQ(r.responseData[0], 9);
}

struct ResponseCase {
    const char* name;
    Reply reply;
    int exec;              // exec_command's result
    int attempt;           // vexa_ExecuteCommand's result
    uint8_t completionCode;
    uint16_t dataLength;
};

TEST_F(IpmiTransportTest, ResponseLengthStatusAndCompletionCodeDecideTheAttempt) {
    auto withLength = [](int length, uint8_t code, std::vector<uint8_t> data) {
        Reply r = cc(code, std::move(data));
        r.length = length;
        return r;
    };
    Reply badStatus = ok({1, 2});
    badStatus.status = 3;
    Reply callFailed = ok({1, 2});
    callFailed.callResult = 0;
    const ResponseCase cases[] = {
        {"length 3", withLength(3, 0x00, {0xEE}), 0, 0, 0x00, 0},
        {"length 3 with cc", withLength(3, 0xD5, {}), 1, DRV_CALL_FAILED, 0xD5, 0},
        {"length 2", withLength(2, 0x00, {}), 1, DRV_SHORT_RESPONSE, 0, 0},
        {"length 0", withLength(0, 0x00, {}), 1, DRV_SHORT_RESPONSE, 0, 0},
        {"full 35", withLength(35, 0x00, std::vector<uint8_t>(32, 0x11)), 0, 0, 0, 32},
        {"beyond the record", withLength(36, 0x00, {}), 1, DRV_CALL_FAILED, 0, 0},
        {"huge length", withLength(0x7FFFFFFF, 0x00, {}), 1, DRV_CALL_FAILED, 0, 0},
        {"status not 0", badStatus, 1, DRV_CALL_FAILED, 0, 0},
        {"library call failed", callFailed, 1, DRV_CALL_FAILED, 0, 0},
    };
    openAndForget();
    auto* api = dynamic_cast<CTesselAPI*>(g_ipmiDriver->Driver());
    ASSERT_NE(api, nullptr);
    for (const ResponseCase& c : cases) {
        SCOPED_TRACE(c.name);
        fakeHost().controller = [&c](const SentCommand&) { return c.reply; };
        IPMI_DRIVER_STRUCT r = record(0, 0);
        r.responseDataStart = 9;
        EXPECT_EQ(api->vexa_ExecuteCommand(0x20, 0x20, 0x13, &r), c.attempt);
        EXPECT_EQ(r.responseDataStart, 0);
        EXPECT_EQ(r.completionCode, c.completionCode);
        EXPECT_EQ(r.responseDataLength, c.dataLength);
        IPMI_DRIVER_STRUCT again = record(0, 0);
        EXPECT_EQ(exec_command(0x20, 0x20, 0x13, &again), c.exec);
    }
}

TEST_F(IpmiTransportTest, DebugTraceShowsEveryAttemptsBytes) {
    openAndForget();
    set_display_state(DISPLAY_DEBUG);
    int n = 0;
    fakeHost().controller = [&n](const SentCommand&) {
        if (++n == 1) {
            Reply r = ok();
            r.status = 0x11;
            return r;
        }
        return ok({0x0A, 0xFF});
    };
    IPMI_DRIVER_STRUCT r = record(1, 200, {0x01, 0xAB});
    EXPECT_EQ(exec_command(0x20, 0x20, 0x12, &r), 0);
    EXPECT_EQ(console.out(),
              "   Request Info:\n"
              "   slave addr = 0x20  netfcn+lun = 0x20  command = 0x12\n"
              "   request data length = 2, data = 0x01 0xAB\n"
              "   Response Error\n"
              "   Cmd Status = 0x11  IPMI Cmd Status = 0x00  Response Len = 0x03\n"
              "   Retry 1\n"
              "   Request Info:\n"
              "   slave addr = 0x20  netfcn+lun = 0x20  command = 0x12\n"
              "   request data length = 2, data = 0x01 0xAB\n"
              "   Response Info:\n"
              "   Completion Code = 0x00  Response Length = 0x02\n"
              "   Response Data: 0x0a 0xff\n");
}

TEST_F(IpmiTransportTest, RequestLongerThanTheLibraryRecordIsRefusedUnsent) {
    openAndForget();
    IPMI_DRIVER_STRUCT r = record(4, 200, std::vector<uint8_t>(34, 0x5A));
    EXPECT_EQ(exec_command(0x20, 0xB8, 0x03, &r), 1);
    EXPECT_TRUE(fakeHost().sent.empty());
    EXPECT_TRUE(fakeHost().delays.empty());
    IPMI_DRIVER_STRUCT fits = record(0, 0, std::vector<uint8_t>(33, 0x5A));
    fakeHost().controller = [](const SentCommand&) { return ok(); };
    EXPECT_EQ(exec_command(0x20, 0xB8, 0x03, &fits), 0);
    ASSERT_EQ(fakeHost().sent.size(), 1u);
    EXPECT_EQ(fakeHost().sent[0].data.size(), 33u);
}

TEST_F(IpmiTransportTest, XmlInventoryModeOpensWithOnlyTheApiLibraryButCannotReadTheSystemId) {
    CKestrelUpdatePackage::NewKUP()->SetXmlInventoryMode(true);
    fakeHost().libraries = {"libhstapi32.so"};
    ASSERT_EQ(upftest::openFakeDriver(), 0);
    EXPECT_EQ(g_ipmiDriver->Mode(), CIPMIDriver::MODE_OPENED);
    EXPECT_FALSE(fakeHost().called("HIPOpen 4136 1"));
    uint16_t id = 0;
    EXPECT_EQ(g_ipmiDriver->GetSystemID(&id), DRV_NO_ENTRY);
    EXPECT_EQ(get_system_id(&id), 1);
    IPMI_DRIVER_STRUCT r = record(0, 0);
    EXPECT_EQ(exec_command(0x20, 0x20, 0x13, &r), 1);
    EXPECT_TRUE(fakeHost().sent.empty());
}

TEST_F(IpmiTransportTest, PlainFunctionsWithoutADriver) {
    driver_destructor();
    IPMI_DRIVER_STRUCT r = record(0, 0);
    EXPECT_EQ(exec_command(0x20, 0x20, 0x13, &r), 1);
    uint16_t id = 5;
    EXPECT_EQ(get_system_id(&id), 1);
    EXPECT_EQ(id, 5);
    EXPECT_EQ(Get_BMC_Address(), 0x20);

    CIPMIDriver none;
    EXPECT_EQ(none.ExecuteCommand(0x20, 0x13, &r, 0x20), DRV_NO_ENTRY);
    EXPECT_EQ(none.GetSystemID(&id), DRV_NO_ENTRY);
    EXPECT_EQ(none.GetBmcAddress(), 0x20);
}

TEST_F(IpmiTransportTest, GetSystemIdGivesTheHostsId) {
    fakeHost().systemId = 0x0236;
    fakeHost().slaveAddress = 0x22;
    ASSERT_EQ(upftest::openFakeDriver(), 0);
    uint16_t id = 0;
    EXPECT_EQ(get_system_id(&id), 0);
    EXPECT_EQ(id, 0x0236);
    EXPECT_EQ(Get_BMC_Address(), 0x22);
}

} // namespace

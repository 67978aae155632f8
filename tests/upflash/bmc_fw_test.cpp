// The OEM firmware-update command set over the fake driver stack: the requests on the wire,
// the OEM status bytes behind completion code 0xFF, versions, and the graceful reset.
#include "ipmi_fakes.h"
#include "upflash_fixtures.h"

#include "cli/config_file.h"
#include "cli/console.h"
#include "cli/result_codes.h"
#include "image/devices.h"
#include "ipmi/bmc_fw.h"
#include "ipmi/ipmi_driver.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using upftest::cc;
using upftest::fakeHost;
using upftest::noResponse;
using upftest::ok;
using upftest::Reply;
using upftest::SentCommand;
using Bytes = std::vector<uint8_t>;

const Bytes kIana = {OpenRAC & 0xFF, (OpenRAC >> 8) & 0xFF, (OpenRAC >> 16) & 0xFF};

Bytes cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class BmcFwTest : public ::testing::Test {
protected:
    void SetUp() override {
        upftest::resetModules();
        upftest::resetFakeHost();
        bmc_fw_constructor();
        fakeHost().slaveAddress = 0x26;
        ASSERT_EQ(upftest::openFakeDriver(), 0);
        fakeHost().sent.clear();
        fakeHost().delays.clear();
    }
    void TearDown() override {
        driver_destructor();
        upftest::resetModules();
    }

    // Every command answered by fn.
    void answer(std::function<Reply(const SentCommand&)> fn) { fakeHost().controller = fn; }
    void answerAlways(Reply r) {
        answer([r](const SentCommand&) { return r; });
    }

    upftest::ConsoleCapture console;
    upftest::FakeSleep sleep;
};

TEST_F(BmcFwTest, EachCommandSendsItsBytesToTheControllersAddress) {
    answerAlways(ok({50, 1, 2, 3, 4, 5, 6, 7, 8}));
    uint8_t percent = 0, version[8];
    const uint8_t status[2] = {0x01, 0x00};
    const struct {
        const char* name;
        std::function<int()> call;
        uint8_t netfnLun, command;
        Bytes data;
        std::string title;
    } cases[] = {
        {"phase 1", [] { return fw_update_phase_1(17); }, 0x20, 0x10, {17},
         "\nFirmware Update Phase 1 Command\n"},
        {"phase 2", [] { return fw_update_phase_2(); }, 0x20, 0x11, {},
         "\nFirmware Update Phase 2 Command\n"},
        {"status", [&] { return get_fw_update_status(&percent); }, 0x20, 0x12, {0x01},
         "\nGet Firmware Update Status Command\n"},
        {"standby version", [&] { return get_fw_version(0, version); }, 0x20, 0x13, {0},
         "\nGet Firmware Version Command\n"},
        {"rollback", [] { return roll_back_fw_version(); }, 0x20, 0x14, {},
         "\nRollback Firmware Version Command\n"},
        {"cancel", [] { return cancel_fw_update(); }, 0x20, 0x15, {},
         "\nCancel Firmware Update Command\n"},
        {"image status", [&] { return set_fw_image_status(status); }, 0x20, 0x16, {0x01, 0x00},
         "\nSet Firmware Image Status Command\n"},
    };
    set_display_state(DISPLAY_DEBUG);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fakeHost().sent.clear();
        upftest::ConsoleCapture capture;
        EXPECT_EQ(c.call(), RC_SUCCESS);
        ASSERT_EQ(fakeHost().sent.size(), 1u);
        const SentCommand& s = fakeHost().sent[0];
        EXPECT_EQ(s.slave, 0x26);
        EXPECT_EQ(s.netfnLun, c.netfnLun);
        EXPECT_EQ(s.command, c.command);
        EXPECT_EQ(s.data, c.data);
        EXPECT_EQ(capture.out().rfind(c.title, 0), 0u) << capture.out();
    }
    EXPECT_EQ(percent, 50);
    EXPECT_EQ(Bytes(version, version + 4), Bytes({50, 1, 2, 3}));
}

struct StatusCase {
    const char* name;
    Reply reply;
    int phase1, phase2, updateStatus;
};

TEST_F(BmcFwTest, OemStatusBehindCompletionCodeFFDecidesEachCommandsResult) {
    const StatusCase cases[] = {
        {"0x81", cc(0xFF, {0x81}), 0, 0, 41},
        {"0x82", cc(0xFF, {0x82}), 33, 33, 33},
        {"0x83", cc(0xFF, {0x83}), 0, 34, 34}, // phase 1 takes it as success
        {"0x84", cc(0xFF, {0x84}), 44, 45, 36},
        {"0x85", cc(0xFF, {0x85}), 44, 45, 37},
        {"0x86", cc(0xFF, {0x86}), 44, 45, 38},
        {"0xFF", cc(0xFF, {0xFF}), 44, 45, 39},
        {"other byte", cc(0xFF, {0x90}), 44, 45, 41},
        {"0xFF without a byte", cc(0xFF, {}), 44, 45, 41},
        {"0xC1 with a status byte", cc(0xC1, {0x82}), 44, 45, 41},
        {"0xC3", cc(0xC3, {0x83}), 44, 45, 41},
        {"no response", noResponse(), 44, 45, 41},
    };
    for (const StatusCase& c : cases) {
        SCOPED_TRACE(c.name);
        answerAlways(c.reply);
        fakeHost().sent.clear();
        EXPECT_EQ(fw_update_phase_1(3), c.phase1);
        EXPECT_EQ(fw_update_phase_2(), c.phase2);
        uint8_t percent = 0xEE;
        EXPECT_EQ(get_fw_update_status(&percent), c.updateStatus);
        EXPECT_EQ(percent, 0xEE);
        // Every failed attempt is repeated: the status is seen after retries + 1 sends.
        EXPECT_EQ(fakeHost().count(0x20, 0x10), 5u);
        EXPECT_EQ(fakeHost().count(0x20, 0x12), 5u);
    }
}

TEST_F(BmcFwTest, ConfiguredRetryCountAppliesToTheOemCommands) {
    gConfig.ipmiCommandRetryTimes = 1;
    answerAlways(cc(0xFF, {0x83}));
    EXPECT_EQ(fw_update_phase_2(), RC_VMEDIA_ATTACH_FAILED);
    EXPECT_EQ(fakeHost().count(0x20, 0x11), 2u);
    EXPECT_EQ(fakeHost().delays, std::vector<unsigned>(2, 200));
}

TEST_F(BmcFwTest, StatusSuccessWithoutThePercentageIsNoStatus) {
    answerAlways(ok({}));
    uint8_t percent = 7;
    EXPECT_EQ(get_fw_update_status(&percent), RC_UPDATE_STATUS_FAILED);
    EXPECT_EQ(percent, 7);
}

TEST_F(BmcFwTest, VersionsNeedTheirWholeLength) {
    set_display_state(DISPLAY_DEBUG);
    const struct {
        const char* name;
        uint8_t which;
        Bytes data;
        int result;
        Bytes taken;
        bool shortMessage;
    } cases[] = {
        {"bootloader 7 bytes", 2, {1, 2, 3, 4, 5, 6, 7}, 46, {}, true},
        {"bootloader 8 bytes", 2, {1, 2, 3, 4, 5, 6, 7, 8}, 0, {1, 2, 3, 4, 5, 6, 7, 8}, false},
        {"bootloader 10 bytes", 2, {9, 8, 7, 6, 5, 4, 3, 2, 1, 0}, 0, {9, 8, 7, 6, 5, 4, 3, 2},
         false},
        {"current 4 bytes", 1, {1, 40, 0, 12}, 0, {1, 40, 0, 12}, false},
        {"current 3 bytes", 1, {1, 40, 0}, 46, {}, false},
        {"standby 6 bytes", 0, {1, 30, 0, 9, 0xAA, 0xBB}, 0, {1, 30, 0, 9}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        upftest::ConsoleCapture capture;
        answerAlways(ok(c.data));
        uint8_t out[8];
        std::memset(out, 0xEE, sizeof out);
        EXPECT_EQ(get_fw_version(c.which, out), c.result);
        if (!c.taken.empty()) {
            EXPECT_EQ(Bytes(out, out + c.taken.size()), c.taken);
        }
        const bool shown =
            capture.out().find("   Response data length is less than 8\n") != std::string::npos;
        EXPECT_EQ(shown, c.shortMessage);
    }
    set_display_state(DISPLAY_NORMAL);
    answerAlways(cc(0xC0));
    uint8_t out[8];
    EXPECT_EQ(get_fw_version(1, out), RC_GET_VERSION_FAILED);
    EXPECT_EQ(fakeHost().delays.size(), 5u); // a refused version read is retried as well
}

TEST_F(BmcFwTest, FailuresOfThePlainCommandsGiveTheirOwnCodes) {
    answerAlways(cc(0xD3));
    const uint8_t status[2] = {0x01, 0x00};
    EXPECT_EQ(roll_back_fw_version(), RC_ROLLBACK_FAILED);
    EXPECT_EQ(cancel_fw_update(), RC_CANCEL_UPDATE_FAILED);
    EXPECT_EQ(set_fw_image_status(status), RC_SET_IMAGE_STATUS_FAILED);
    uint8_t id = 0;
    EXPECT_EQ(reserved_extended_configurations(&id), RC_FAILED);
}

Reply extendedConfig(const SentCommand& c, uint8_t reservation, uint8_t controlAnswer) {
    if (c.netfnLun == 0xB8 && c.command == 0x01) return ok(cat(kIana, {reservation}));
    if (c.netfnLun == 0xB8 && c.command == 0x03) return ok(cat(kIana, {controlAnswer}));
    return cc(0xC1);
}

TEST_F(BmcFwTest, GracefulResetReservesThenSendsTheControlRecord) {
    answer([](const SentCommand& c) { return extendedConfig(c, 0x5C, 0x06); });
    EXPECT_EQ(rac_graceful_reset(), RC_SUCCESS);
    ASSERT_EQ(fakeHost().sent.size(), 2u);
    EXPECT_EQ(fakeHost().sent[0].data, kIana);
    const Bytes control = cat(kIana, {0x5C, 0x14, 0x00, 0x00, 0x00, 0x01, 0x06, 0x00, 0x01, 0x01,
                                      0x00, RAC_ACTION_GRACEFUL_RESET});
    EXPECT_EQ(fakeHost().sent[1].data, control);
    EXPECT_EQ(fakeHost().sent[1].slave, 0x26);
    EXPECT_TRUE(fakeHost().sleeps.empty());
}

TEST_F(BmcFwTest, ReservationFailingInTheTransportWaitsTwoSecondsPerAttempt) {
    answerAlways(noResponse());
    uint8_t id = 0;
    EXPECT_EQ(reserved_extended_configurations(&id), RC_FAILED);
    EXPECT_EQ(fakeHost().delays, std::vector<unsigned>(5, 2000));
}

TEST_F(BmcFwTest, ReservationWithAnotherEnterpriseNumberIsRetriedAfterTwoSeconds) {
    set_display_state(DISPLAY_DEBUG);
    int reservations = 0;
    answer([&reservations](const SentCommand& c) {
        if (c.command == 0x01 && ++reservations == 1)
            return ok({0xA2, 0x02, 0x00, 0x11}); // someone else's number
        return extendedConfig(c, 0x11, 0x06);
    });
    EXPECT_EQ(rac_graceful_reset(), RC_SUCCESS);
    EXPECT_EQ(reservations, 2);
    EXPECT_EQ(fakeHost().sleeps, std::vector<unsigned>{2000});
    // The exchange itself succeeded, so the transport did not repeat it.
    EXPECT_TRUE(fakeHost().delays.empty());
    EXPECT_NE(console.out().find("\nRAC Graceful Reset retry 1"), std::string::npos);
    EXPECT_EQ(console.out().find("\nRAC Graceful Reset retry 2"), std::string::npos);
}

TEST_F(BmcFwTest, ControlIsSentAtMostTwiceAndTheResetGivesUpAfterItsAttempts) {
    gConfig.ipmiCommandRetryTimes = 2;
    answer([](const SentCommand& c) {
        if (c.command == 0x03) return cc(0xC3);
        return extendedConfig(c, 0x01, 0x06);
    });
    EXPECT_EQ(rac_control(0x01, 3), RC_FAILED);
    EXPECT_EQ(fakeHost().count(0xB8, 0x03), 2u);

    fakeHost().sent.clear();
    EXPECT_EQ(rac_graceful_reset(), RC_FAILED);
    EXPECT_EQ(fakeHost().count(0xB8, 0x01), 3u); // 3 attempts, each reserving once
    EXPECT_EQ(fakeHost().count(0xB8, 0x03), 6u);
    EXPECT_EQ(fakeHost().sleeps, std::vector<unsigned>(3, 2000)); // the last one included
}

TEST_F(BmcFwTest, ExtendedConfigurationAnswersMustEchoTheEnterpriseNumber) {
    const struct {
        const char* name;
        Bytes answer;
        int control;  // rac_control: the number, then 0x06
        int reserve;  // reservation: the number, then the reservation ID
    } cases[] = {
        {"good", cat(kIana, {0x06}), 0, 0},
        {"not 6", cat(kIana, {0x07}), 1, 0},
        {"other number", {0x00, 0x00, 0x00, 0x06}, 1, 1},
        {"number only", kIana, 1, 1},
        {"empty", {}, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes a = c.answer;
        answer([a](const SentCommand&) { return ok(a); });
        EXPECT_EQ(rac_control(0x02, 3), c.control);
        uint8_t id = 0;
        EXPECT_EQ(reserved_extended_configurations(&id), c.reserve);
        if (c.reserve == 0) {
            EXPECT_EQ(id, c.answer[3]);
        }
    }
}

TEST_F(BmcFwTest, CheckDeviceReadsCurrentAndBootloaderVersions) {
    DEVICES_INFORMATION& device = devices_information[0];
    answer([](const SentCommand& c) {
        if (c.data == Bytes{1}) return ok({1, 40, 0, 12});
        return ok({1, 2, 3, 0, 2, 0, 0x1A, 0});
    });
    EXPECT_EQ(check_device(&device), RC_SUCCESS);
    EXPECT_EQ(Bytes(device.currentVersion, device.currentVersion + 4), Bytes({1, 40, 0, 12}));
    EXPECT_EQ(device.bootloaderKnown, 1);
    EXPECT_EQ(device.bootloaderVersion[6], 0x1A);

    // A bootloader version that cannot be read is only a warning.
    set_display_state(DISPLAY_DEBUG);
    answer([](const SentCommand& c) {
        if (c.data == Bytes{1}) return ok({1, 41, 0, 2});
        return cc(0xC1);
    });
    EXPECT_EQ(check_device(&device), RC_SUCCESS);
    EXPECT_EQ(device.bootloaderKnown, 0);
    EXPECT_EQ(device.currentVersion[1], 41);
    EXPECT_NE(console.out().find("\n   Warning! Get u-boot version failed.\n"), std::string::npos);

    // Without the current version the device does not answer.
    answerAlways(cc(0xC1));
    fakeHost().sent.clear();
    EXPECT_EQ(check_device(&device), RC_GET_VERSION_FAILED);
    EXPECT_EQ(fakeHost().count(0x20, 0x13), 5u); // the bootloader is not asked
}

TEST_F(BmcFwTest, EnterpriseNumberIsThreeBytesLeastSignificantFirst) {
    EXPECT_LT(static_cast<uint32_t>(OpenRAC), 1u << 24);
    IPMI_DRIVER_STRUCT r;
    std::memset(&r, 0, sizeof r);
    r.responseDataLength = 3;
    r.responseData[0] = 0x01;
    r.responseData[1] = 0x02;
    r.responseData[2] = 0x03;
    EXPECT_EQ(recv_IANA_number(&r), 0x030201);
    r.responseDataLength = 2;
    EXPECT_EQ(recv_IANA_number(&r), -1);
}

} // namespace

// The simulated controller's firmware-update side on a test clock: a whole update, rollback,
// cancel, the reset action, injected faults and the state kept as text pairs.
#include "test_support.h"

#include "ipmi/fw_update.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <zlib.h>

namespace {

using sim::FwReply;
using sim::FwState;
using sim::FwUpdateController;
using sim::FwUpdateOptions;
using Bytes = std::vector<uint8_t>;

class FakeUsb : public sim::VirtualUsbPresenter {
public:
    bool present(unsigned sizeMiB) override {
        presented = sizeMiB;
        return canPresent;
    }
    void withdraw() override { ++withdrawn; }
    bool readImage(Bytes* out) override {
        if (!hasImage) return false;
        *out = image;
        return true;
    }
    bool canPresent = true;
    bool hasImage = true;
    unsigned presented = 0;
    int withdrawn = 0;
    Bytes image;
};

// A 1 MiB image whose header checks out, with version major.minor.revision.
Bytes makeImage(uint8_t major, uint8_t minor, uint16_t revision, bool goodCrc = true) {
    Bytes img(1 << 20, 0x5A);
    std::fill(img.begin(), img.begin() + 512, 0);
    img[4] = 1;
    img[5] = 1;
    img[6] = 3;
    img[8] = major;
    img[9] = minor;
    img[10] = static_cast<uint8_t>(revision);
    img[11] = static_cast<uint8_t>(revision >> 8);
    const uint8_t boot[8] = {1, 2, 4, 0, 2, 0, 0x1B, 0};
    std::memcpy(&img[16], boot, 8);
    std::memcpy(&img[24], "MRKA", 4);
    for (int i = 0; i < 3; ++i) img[32 + 12 * i + 4] = 0x10;
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, &img[4], 508);
    if (!goodCrc) crc ^= 1;
    for (int i = 0; i < 4; ++i) img[i] = static_cast<uint8_t>(crc >> (8 * i));
    return img;
}

// The reset action as the extended configuration stores it: total length 6, header byte 1,
// mask 1, action 3.
const Bytes kGracefulReset = {0x06, 0x00, 0x01, 0x01, 0x00, 0x03};

class SimFwUpdateTest : public ::testing::Test {
protected:
    void SetUp() override { restart(); }
    // A new controller object over the same state, as after a restart of the simulator.
    void restart() { c.reset(new FwUpdateController(opts, &usb, [this] { return now; })); }
    FwReply send(uint8_t netfn, uint8_t cmd, Bytes data = {}) {
        FwReply r;
        EXPECT_TRUE(c->handle(netfn, cmd, data, state, &r));
        return r;
    }
    Bytes version(uint8_t which) { return send(0x08, 0x13, {which}).data; }
    uint8_t reset() { return c->racAction(kGracefulReset, state); }

    FwUpdateOptions opts;
    FakeUsb usb;
    double now = 1000;
    std::unique_ptr<FwUpdateController> c;
    FwState state = FwUpdateController(opts, nullptr).initialState();
};

TEST_F(SimFwUpdateTest, WholeUpdateFromPhaseOneToTheNewVersionAfterTheReboot) {
        EXPECT_EQ(send(0x08, 0x12, {1}).completionCode, 0xFF); // nothing going on: 0x86
    EXPECT_EQ(send(0x08, 0x12, {1}).data, Bytes{0x86});
    EXPECT_EQ(version(1), Bytes({1, 40, 0, 12}));

    EXPECT_EQ(send(0x08, 0x10, {2}).completionCode, 0);
    EXPECT_EQ(usb.presented, 2u);
    EXPECT_EQ(send(0x08, 0x10, {2}).data, Bytes{0x83}); // shown already: fine for phase 1
    usb.image = makeImage(1, 41, 0x0102);
    EXPECT_EQ(send(0x08, 0x11).completionCode, 0);
    EXPECT_EQ(usb.withdrawn, 1);

    EXPECT_EQ(send(0x08, 0x12, {1}).data, Bytes{0});
    now += 1;
    EXPECT_EQ(send(0x08, 0x12, {1}).data, Bytes{25});
    now += 3.5;
    EXPECT_EQ(send(0x08, 0x12, {1}).data, Bytes{100});
    EXPECT_EQ(version(1), Bytes({1, 40, 0, 12})); // still the old one until the reset

    EXPECT_EQ(reset(), 0);
    FwReply silent;
    EXPECT_TRUE(c->handle(0x08, 0x13, {1}, state, &silent));
    EXPECT_FALSE(silent.respond);
    EXPECT_TRUE(c->handle(0x06, 0x01, {}, state, &silent));
    EXPECT_FALSE(silent.respond);
    EXPECT_TRUE(c->rebooting(state));
    now += 3;
    EXPECT_FALSE(c->rebooting(state));
    EXPECT_EQ(version(1), Bytes({1, 41, 0x01, 0x02}));
    EXPECT_EQ(version(0), Bytes({1, 40, 0, 12}));
    EXPECT_EQ(version(2), Bytes({1, 2, 4, 0, 2, 0, 0x1B, 0}));
    EXPECT_EQ(send(0x06, 0x01).data.at(2), 1);
    EXPECT_EQ(send(0x06, 0x01).data.at(3), 0x41); // minor in BCD
    EXPECT_EQ(state.resets, 1u);
}

TEST_F(SimFwUpdateTest, PhaseTwoWithoutOrWithABadImage) {
    EXPECT_EQ(send(0x08, 0x11).data, Bytes{0x86}); // not initiated

    EXPECT_EQ(send(0x08, 0x10, {1}).completionCode, 0);
    usb.hasImage = false;
    EXPECT_EQ(send(0x08, 0x11).data, Bytes{0x83}); // nothing on the device

    usb.hasImage = true;
    usb.image = makeImage(1, 41, 1, false);
    EXPECT_EQ(send(0x08, 0x10, {1}).completionCode, 0);
    EXPECT_EQ(send(0x08, 0x11).completionCode, 0);
    EXPECT_EQ(send(0x08, 0x12, {1}).data, Bytes{0x84}); // signature check failed
    EXPECT_EQ(send(0x08, 0x15).completionCode, 0);
    EXPECT_EQ(send(0x08, 0x12, {1}).data, Bytes{0x86});

    // Sizes the device cannot hold.
    EXPECT_EQ(send(0x08, 0x10, {0}).data, Bytes{0x82});
    EXPECT_EQ(send(0x08, 0x10, {65}).data, Bytes{0x82});
    usb.canPresent = false;
    EXPECT_EQ(send(0x08, 0x10, {1}).data, Bytes{0xFF});
    // A short image is no image.
    sim::FwImageInfo info;
    EXPECT_FALSE(sim::parse_firmware_image(Bytes(511, 0), &info));
    EXPECT_TRUE(sim::parse_firmware_image(makeImage(2, 3, 0x0405), &info));
    EXPECT_EQ(Bytes(info.version, info.version + 4), Bytes({2, 3, 4, 5}));
    EXPECT_TRUE(info.hasBootloader);
}

TEST_F(SimFwUpdateTest, CancelWithdrawsTheDeviceAndForgetsThePendingImage) {
    EXPECT_EQ(send(0x08, 0x10, {1}).completionCode, 0);
    EXPECT_EQ(send(0x08, 0x15).completionCode, 0);
    EXPECT_EQ(usb.withdrawn, 1);
    EXPECT_EQ(send(0x08, 0x11).data, Bytes{0x86});
    EXPECT_EQ(send(0x08, 0x15).completionCode, 0); // nothing to cancel is no error
    // A cancelled flash leaves the running version alone.
    EXPECT_EQ(send(0x08, 0x10, {1}).completionCode, 0);
    usb.image = makeImage(9, 9, 9);
    EXPECT_EQ(send(0x08, 0x11).completionCode, 0);
    EXPECT_EQ(send(0x08, 0x15).completionCode, 0);
    EXPECT_EQ(reset(), 0);
    now += 3;
    EXPECT_EQ(version(1), Bytes({1, 40, 0, 12}));
}

TEST_F(SimFwUpdateTest, RollbackSwapsTheImagesAtTheReset) {
    EXPECT_EQ(send(0x08, 0x14).completionCode, 0);
    EXPECT_EQ(version(1), Bytes({1, 40, 0, 12}));
    EXPECT_EQ(reset(), 0);
    now += 3;
    EXPECT_EQ(version(1), Bytes({1, 30, 0, 9}));
    EXPECT_EQ(version(0), Bytes({1, 40, 0, 12}));
    // Not while an update is pending.
    EXPECT_EQ(send(0x08, 0x10, {1}).completionCode, 0);
    EXPECT_EQ(send(0x08, 0x14).completionCode, 0xD5);
}

TEST_F(SimFwUpdateTest, ResetActionIsRefusedMidFlashAndOtherRequestsAreNotOurs) {
    EXPECT_EQ(send(0x08, 0x10, {1}).completionCode, 0);
    usb.image = makeImage(1, 41, 1);
    EXPECT_EQ(send(0x08, 0x11).completionCode, 0);
    EXPECT_EQ(reset(), 0xD5);
    EXPECT_EQ(state.resets, 0u);
    EXPECT_EQ(c->racAction({0x06, 0x00, 0x01, 0x01, 0x00, 0x07}, state), 0);    // not a firmware action
    EXPECT_EQ(c->racAction({0x06, 0x00, 0x01, 0x00, 0x00, 0x03}, state), 0);    // field not selected
    EXPECT_EQ(state.resets, 0u);
    FwReply r;
    EXPECT_FALSE(c->handle(0x2E, 0x03, {0x5A, 0x1F, 0x00, 1, 0x14, 0}, state, &r));
    EXPECT_FALSE(c->handle(0x06, 0x42, {}, state, &r));
    EXPECT_FALSE(c->handle(0x08, 0x20, {}, state, &r));
}

TEST_F(SimFwUpdateTest, InjectedFaultsHitTheirCommandTheGivenNumberOfTimes) {
    std::string error;
    for (const char* o : {"--fw-fault=phase2:status=0x84,times=1", "--fw-fault=version:cc=0xC3,times=2",
                          "--fw-fault=cancel:noresponse", "--fw-fault=status:stall=42",
                          "--fw-fault=reset:cc=0xC0,times=1"})
        ASSERT_TRUE(sim::parse_fw_option(o, &opts, &error)) << o << ": " << error;
    restart();
    EXPECT_EQ(send(0x08, 0x13, {1}).completionCode, 0xC3);
    EXPECT_EQ(send(0x08, 0x13, {1}).completionCode, 0xC3);
    EXPECT_EQ(send(0x08, 0x13, {1}).completionCode, 0);
    EXPECT_FALSE(send(0x08, 0x15).respond);

    EXPECT_EQ(send(0x08, 0x12, {1}).data, Bytes{0x86}); // no flash: the stall waits
    EXPECT_EQ(send(0x08, 0x10, {1}).completionCode, 0);
    usb.image = makeImage(1, 41, 1);
    FwReply refused = send(0x08, 0x11);
    EXPECT_EQ(refused.completionCode, 0xFF);
    EXPECT_EQ(refused.data, Bytes{0x84});
    EXPECT_EQ(send(0x08, 0x11).completionCode, 0);
    now += 100;
    EXPECT_EQ(send(0x08, 0x12, {1}).data, Bytes{42});
    EXPECT_EQ(reset(), 0xC0);
    EXPECT_EQ(reset(), 0);
}

TEST_F(SimFwUpdateTest, OptionsAreCheckedAndBadOnesNamed) {
    std::string error;
    EXPECT_TRUE(sim::parse_fw_option("--fw-current=2.5.300", &opts, &error));
    EXPECT_EQ(Bytes(opts.current, opts.current + 4), Bytes({2, 5, 1, 44}));
    EXPECT_TRUE(sim::parse_fw_option("--fw-flash-seconds=0.5", &opts, &error));
    EXPECT_EQ(opts.flashSeconds, 0.5);
    for (const char* bad : {"--fw-current=2.5", "--fw-current=256.1.1", "--fw-flash-seconds=-1",
                            "--fw-fault=nosuch:cc=1", "--fw-fault=phase1:stall=5",
                            "--fw-fault=status:cc=0x100", "--fw-fault=status:cc=1,times=x",
                            "--fw-fault=status", "--fw-fault=reserve:cc=1", "--fw-nothing=1"}) {
        error.clear();
        EXPECT_FALSE(sim::parse_fw_option(bad, &opts, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST_F(SimFwUpdateTest, StateTravelsAsTextPairsAcrossRestarts) {
    EXPECT_EQ(send(0x08, 0x10, {1}).completionCode, 0);
    usb.image = makeImage(3, 2, 1);
    EXPECT_EQ(send(0x08, 0x11).completionCode, 0);
    std::map<std::string, std::string> pairs;
    sim::fw_state_to_pairs(state, &pairs);

    // A new simulator process reading the pairs back sees the flash going on.
    restart();
    state = sim::fw_state_from_pairs(pairs, c->initialState());
    now += 10;
    EXPECT_EQ(send(0x08, 0x12, {1}).data, Bytes{100});
    EXPECT_EQ(reset(), 0);
    sim::fw_state_to_pairs(state, &pairs);
    restart();
    state = sim::fw_state_from_pairs(pairs, c->initialState());
    EXPECT_TRUE(c->rebooting(state));
    now += 5;
    EXPECT_EQ(version(1), Bytes({3, 2, 0, 1}));
    EXPECT_EQ(state.resets, 1u);

    // Values that do not read keep the base's.
    const std::map<std::string, std::string> broken = {
        {"phase", "99"}, {"current", "zz"}, {"standby", "0102"}, {"resets", "-1"}, {"flash-start", "x"}};
    FwState fresh = c->initialState();
    FwState read = sim::fw_state_from_pairs(broken, fresh);
    EXPECT_EQ(read.phase, sim::FW_IDLE);
    EXPECT_EQ(Bytes(read.current, read.current + 4), Bytes({1, 40, 0, 12}));
    EXPECT_EQ(Bytes(read.standby, read.standby + 4), Bytes({1, 30, 0, 9}));
    EXPECT_EQ(read.resets, 0u);
}

} // namespace

// The firmware-update side on the simulator's command table: the OEM status byte kept with
// completion code FFh, the graceful reset written through the extended configuration with a
// reservation, silence while restarting, and the state carried in the state file.
#include "ipmi/fw_commands.h"
#include "ipmi/ipmi_dispatch.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using vmcodec::Bytes;

const Bytes kIana{0x5A, 0x1F, 0x00};

class SimFwCommands : public ::testing::Test {
protected:
    void start(const std::string& file = "", sim::IpmiState s = sim::IpmiState::defaults()) {
        if (!file.empty()) {
            std::string err;
            ASSERT_TRUE(sim::loadIpmiState(file, s, err)) << err;
        }
        d.reset(new sim::IpmiDispatcher(s, file));
        sim::addStandardCommands(*d);
        sim::addFirmwareCommands(*d, std::make_shared<sim::FwUpdateController>(opts, &usb, [this] { return now; }));
    }
    // The reply, or none (the controller stayed silent).
    bool ask(uint8_t netfn, uint8_t cmd, const Bytes& data, vmcodec::Response* r) {
        vmcodec::Request q;
        q.netfn = netfn;
        q.cmd = cmd;
        q.data = data;
        return d->dispatch(q, *r);
    }
    vmcodec::Response ask(uint8_t netfn, uint8_t cmd, const Bytes& data = {}) {
        vmcodec::Response r;
        EXPECT_TRUE(ask(netfn, cmd, data, &r));
        return r;
    }
    vmcodec::Response gracefulReset(bool withReservation = true) {
        vmcodec::Response res = ask(0x2E, 0x01, kIana);
        EXPECT_EQ(res.cc, 0);
        Bytes q = kIana;
        q.insert(q.end(), {withReservation ? res.data.at(3) : uint8_t(res.data.at(3) + 1), 0x14, 0x00, 0x00,
                           0x00, 0x01, 0x06, 0x00, 0x01, 0x01, 0x00, 0x03});
        return ask(0x2E, 0x03, q);
    }

    sim::FwUpdateOptions opts;
    sim::NoVirtualUsb usb;
    double now = 500;
    std::unique_ptr<sim::IpmiDispatcher> d;
};

TEST_F(SimFwCommands, OemStatusByteTravelsWithCompletionCodeFF) {
    start();
    vmcodec::Response r = ask(0x08, 0x12, {0x01});
    EXPECT_EQ(r.cc, 0xFF);
    EXPECT_EQ(r.data, Bytes{0x86});
    // Other completion codes still carry no data.
    r = ask(0x08, 0x13, {});
    EXPECT_EQ(r.cc, 0xC7);
    EXPECT_TRUE(r.data.empty());
    // Get Device ID now reports the running firmware.
    r = ask(0x06, 0x01);
    EXPECT_EQ(r.cc, 0);
    EXPECT_EQ(r.data.at(2), 1);
    EXPECT_EQ(r.data.at(3), 0x40);
}

TEST_F(SimFwCommands, GracefulResetSilencesTheWholeControllerForTheRebootTime) {
    start();
    vmcodec::Response r = gracefulReset(false);
    EXPECT_EQ(r.cc, 0xC5); // a stale reservation
    r = gracefulReset();
    EXPECT_EQ(r.cc, 0);
    EXPECT_EQ(r.data, Bytes({0x5A, 0x1F, 0x00, 0x06}));
    for (auto c : {std::make_pair(0x06, 0x01), std::make_pair(0x08, 0x13), std::make_pair(0x04, 0x2D)}) {
        vmcodec::Response silent;
        EXPECT_FALSE(ask(static_cast<uint8_t>(c.first), static_cast<uint8_t>(c.second), {1}, &silent));
    }
    now += opts.rebootSeconds;
    EXPECT_EQ(ask(0x08, 0x13, {1}).cc, 0);
    EXPECT_EQ(d->snapshot().fw.at("resets"), "1");
}

TEST_F(SimFwCommands, ResetRefusedMidFlashLeavesNothingStored) {
    opts.flashSeconds = 10;
    start();
    sim::IpmiState s = d->snapshot();
    // Put the controller mid-flash through its state, as a previous run would have left it.
    std::map<std::string, std::string> fw = {{"phase", "2"}, {"flash-start", "500"}, {"pending", "01290001"}};
    s.fw = fw;
    d.reset();
    start("", s);
    vmcodec::Response r = gracefulReset();
    EXPECT_EQ(r.cc, 0xD5);
    EXPECT_EQ(d->snapshot().extcfg.count({0x14, 0}), 0u);
    EXPECT_EQ(ask(0x08, 0x12, {1}).data, Bytes{0});
    now += 5;
    EXPECT_EQ(ask(0x08, 0x12, {1}).data, Bytes{50});
}

TEST_F(SimFwCommands, StateFileCarriesTheFirmwareSideBetweenRuns) {
    vtest::TempDir dir;
    const std::string file = dir.file("state.txt");
    start(file);
    EXPECT_EQ(ask(0x08, 0x10, {1}).cc, 0); // phase 1: waiting for the image
    EXPECT_EQ(ask(0x08, 0x14).cc, 0xD5);    // no rollback meanwhile
    EXPECT_NE(vtest::readFile(file).find("fw phase 1\n"), std::string::npos);
    d.reset();
    start(file);
    EXPECT_EQ(ask(0x08, 0x12, {1}).data, Bytes{0}); // the same controller: an update pending
    EXPECT_EQ(ask(0x08, 0x15).cc, 0);
    EXPECT_NE(vtest::readFile(file).find("fw phase 0\n"), std::string::npos);
}

} // namespace

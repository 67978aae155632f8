// The updater's entry points of the stand-in host libraries against a running vantro-sim:
// the 80-byte command record both ways, the access handle of variant B, the host's system
// ID, and what a missing BMC or a malformed record gives.
#include "sim_process.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <vector>

struct BrdIPMICmdIoctlReq; // the entry points' record type, read here as bytes

namespace {

using Bytes = std::vector<uint8_t>;

typedef int (*Command)(BrdIPMICmdIoctlReq*, BrdIPMICmdIoctlReq*);
typedef int (*HostInfo)(uint8_t*, uint16_t*, uint32_t*);
typedef int (*HipOpen)(int, int);
typedef void (*HipClose)(int);
typedef int (*HipHostInfo)(int, uint8_t*, uint16_t*, uint32_t*);
typedef int (*HipCommand)(int, BrdIPMICmdIoctlReq*, BrdIPMICmdIoctlReq*);

struct Library {
    explicit Library(const char* name) {
        handle = dlopen((std::string(VANTRO_LIB_DIR) + "/" + name).c_str(), RTLD_NOW);
    }
    ~Library() {
        if (handle) dlclose(handle);
    }
    template <typename T>
    T get(const char* name) {
        return handle ? reinterpret_cast<T>(dlsym(handle, name)) : nullptr;
    }
    void* handle;
};

// A request record: kind 10, length, expected length 35, the message, slave address 20h.
BrdIPMICmdIoctlReq* rec(std::vector<uint8_t>& bytes) { return reinterpret_cast<BrdIPMICmdIoctlReq*>(bytes.data()); }

std::vector<uint8_t> request(uint8_t netfnLun, uint8_t cmd, const Bytes& data, uint32_t kind = 10) {
    std::vector<uint8_t> r(80, 0);
    auto put = [&r](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i) r[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put(16, kind);
    put(20, static_cast<uint32_t>(data.size() + 2));
    put(24, 35);
    r[28] = netfnLun;
    r[29] = cmd;
    std::copy(data.begin(), data.end(), r.begin() + 30);
    r[63] = 0x20;
    return r;
}

uint32_t get32(const std::vector<uint8_t>& r, int at) {
    return r[at] | r[at + 1] << 8 | r[at + 2] << 16 | static_cast<uint32_t>(r[at + 3]) << 24;
}

class UpdaterStandIn : public ::testing::Test {
protected:
    void startSim(const std::vector<std::string>& extra = {}) {
        auto args = vtest::simIpmiArgs(VANTRO_SIM_BIN, dir.file("state.txt"));
        args.insert(args.end(), extra.begin(), extra.end());
        sim.reset(new vtest::BackgroundProcess(args, "ipmi port "));
        ASSERT_GT(sim->port(), 0) << sim->output();
        setenv("VANTRO_BMC", ("127.0.0.1:" + std::to_string(sim->port())).c_str(), 1);
        setenv("VANTRO_BMC_TIMEOUT_MS", "300", 1);
    }
    void TearDown() override {
        sim.reset();
        unsetenv("VANTRO_BMC");
        unsetenv("VANTRO_BMC_TIMEOUT_MS");
        unsetenv("VANTRO_HOST_SYSTEM_ID");
    }
    vtest::TempDir dir;
    std::unique_ptr<vtest::BackgroundProcess> sim;
};

TEST_F(UpdaterStandIn, CommandRecordCarriesRequestAndResponse) {
    startSim({"--fw-fault=phase2:status=0x84,times=1"});
    Library ipm("libhstipm32.so");
    auto command = ipm.get<Command>("HSTIPMCommand");
    ASSERT_NE(command, nullptr) << dlerror();

    std::vector<uint8_t> req = request(0x18, 0x01, {}), rsp(80, 0xEE);
    ASSERT_EQ(command(rec(req), rec(rsp)), 1);
    EXPECT_EQ(get32(rsp, 12), 0u);
    EXPECT_EQ(rsp[28], 0x1C);
    EXPECT_EQ(rsp[29], 0x01);
    EXPECT_EQ(rsp[30], 0x00);
    EXPECT_EQ(get32(rsp, 24), 3u + 15u); // Get Device ID: 15 data bytes
    EXPECT_EQ(rsp[33], 1);                // firmware major of the simulated controller

    // An OEM status keeps its byte behind completion code FFh.
    req = request(0x20, 0x11, {});
    ASSERT_EQ(command(rec(req), rec(rsp)), 1);
    EXPECT_EQ(rsp[30], 0xFF);
    EXPECT_EQ(get32(rsp, 24), 4u);
    EXPECT_EQ(rsp[31], 0x84);
    ASSERT_EQ(command(rec(req), rec(rsp)), 1);
    EXPECT_EQ(rsp[31], 0x86); // no phase 1 before it: not initiated

    // Version with request data.
    req = request(0x20, 0x13, {1});
    ASSERT_EQ(command(rec(req), rec(rsp)), 1);
    EXPECT_EQ(get32(rsp, 24), 7u);
    EXPECT_EQ(Bytes(rsp.begin() + 31, rsp.begin() + 35), Bytes({1, 40, 0, 12}));

    // Records the library cannot read are refused.
    req = request(0x18, 0x01, {}, 9);
    EXPECT_EQ(command(rec(req), rec(rsp)), 0);
    req = request(0x18, 0x01, {});
    req[20] = 36;
    EXPECT_EQ(command(rec(req), rec(rsp)), 0);
    EXPECT_EQ(command(nullptr, rec(rsp)), 0);

    auto slave = ipm.get<uint32_t (*)()>("HSTIPMGetBMCSlaveAddress");
    ASSERT_NE(slave, nullptr);
    EXPECT_EQ(slave() & 0xFF, 0x20u);
}

TEST_F(UpdaterStandIn, VariantBNeedsItsHandleAndBothReportTheSystemId) {
    startSim();
    Library api("libhstapi32.so"), bas("libhstbas32.so");
    auto open = api.get<HipOpen>("HIPOpen");
    auto close = api.get<HipClose>("HIPClose");
    auto info = api.get<HipHostInfo>("HIPHostInfoEx");
    auto command = api.get<HipCommand>("HIPIPMICommand");
    auto basInfo = bas.get<HostInfo>("HSTBASHostInfoEx");
    ASSERT_TRUE(open && close && info && command && basInfo) << dlerror();

    EXPECT_EQ(open(1, 1), -1);
    const int h = open(4136, 1);
    ASSERT_NE(h, -1);
    uint8_t b = 0;
    uint16_t id = 0;
    uint32_t x = 0;
    EXPECT_EQ(info(h, &b, &id, &x), 1);
    EXPECT_EQ(id, 0x0100);
    std::vector<uint8_t> req = request(0x18, 0x01, {}), rsp(80, 0);
    EXPECT_EQ(command(h, rec(req), rec(rsp)), 1);
    EXPECT_EQ(rsp[30], 0x00);
    EXPECT_EQ(command(h + 100, rec(req), rec(rsp)), 0);
    close(h);
    EXPECT_EQ(command(h, rec(req), rec(rsp)), 0);
    EXPECT_EQ(info(h, &b, &id, &x), 0);

    setenv("VANTRO_HOST_SYSTEM_ID", "0", 1);
    EXPECT_EQ(basInfo(&b, &id, &x), 1);
    EXPECT_EQ(id, 0);
    setenv("VANTRO_HOST_SYSTEM_ID", "0x0236", 1);
    EXPECT_EQ(basInfo(&b, &id, &x), 1);
    EXPECT_EQ(id, 0x0236);
    setenv("VANTRO_HOST_SYSTEM_ID", "lots", 1);
    EXPECT_EQ(basInfo(&b, &id, &x), 0);
}

TEST_F(UpdaterStandIn, SilentOrMissingBmcGivesAStatusNotAHang) {
    startSim({"--fw-fault=version:noresponse"});
    Library ipm("libhstipm32.so");
    auto command = ipm.get<Command>("HSTIPMCommand");
    ASSERT_NE(command, nullptr);
    std::vector<uint8_t> req = request(0x20, 0x13, {1}), rsp(80, 0);
    ASSERT_EQ(command(rec(req), rec(rsp)), 1);
    EXPECT_NE(get32(rsp, 12), 0u);
    EXPECT_EQ(get32(rsp, 24), 0u);

    sim.reset();
    setenv("VANTRO_BMC", ("127.0.0.1:" + std::to_string(vtest::unusedLoopbackPort())).c_str(), 1);
    req = request(0x18, 0x01, {});
    ASSERT_EQ(command(rec(req), rec(rsp)), 1);
    EXPECT_NE(get32(rsp, 12), 0u);
}

} // namespace

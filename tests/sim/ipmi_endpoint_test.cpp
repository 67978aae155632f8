// The simulator's IPMI endpoint through a real VM-protocol link: the greeting, the command
// table, faults from the state, the extended-configuration store and its persistence.
#include "bmc_link.h"
#include "ipmi/ipmi_dispatch.h"
#include "ipmi/ipmi_server.h"
#include "sim_options.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using vmcodec::BmcLink;
using vmcodec::Bytes;
using vmcodec::Response;

namespace {

const Bytes kIana{0x5A, 0x1F, 0x00};

class SimIpmiSocketEndpoint : public ::testing::Test {
protected:
    void start(sim::IpmiState s = sim::IpmiState::defaults(), std::string file = "") {
        dispatcher.reset(new sim::IpmiDispatcher(s, file));
        sim::addStandardCommands(*dispatcher);
        server.reset(new sim::IpmiServer(*dispatcher));
        std::string err;
        ASSERT_TRUE(server->start(0, err)) << err;
        link.reset(new BmcLink("127.0.0.1", server->port()));
    }
    Response ask(uint8_t netfn, uint8_t cmd, const Bytes& data) {
        Response r;
        r.cc = 0xEE;
        EXPECT_EQ(link->transact(netfn, cmd, data, r, 3000), BmcLink::Result::Ok);
        return r;
    }
    Response extGet(uint8_t token, uint8_t index, uint16_t offset, uint8_t count) {
        Bytes q = kIana;
        q.insert(q.end(), {0, token, index, uint8_t(offset), uint8_t(offset >> 8), count});
        return ask(0x2E, 0x02, q);
    }
    Response extSet(uint8_t token, uint8_t index, uint16_t offset, bool last, const Bytes& d,
                    uint8_t resv = 0) {
        Bytes q = kIana;
        q.insert(q.end(), {resv, token, index, uint8_t(offset), uint8_t(offset >> 8), uint8_t(last)});
        q.insert(q.end(), d.begin(), d.end());
        return ask(0x2E, 0x03, q);
    }
    void TearDown() override {
        link.reset();
        if (server) server->stop();
    }
    std::unique_ptr<sim::IpmiDispatcher> dispatcher;
    std::unique_ptr<sim::IpmiServer> server;
    std::unique_ptr<BmcLink> link;
};

TEST_F(SimIpmiSocketEndpoint, GreetsLikeIpmiSimOnConnect) {
    start();
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(server->port());
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    Bytes got;
    while (got.size() < 5) {
        pollfd p{fd, POLLIN, 0};
        ASSERT_EQ(poll(&p, 1, 3000), 1);
        uint8_t b[16];
        ssize_t n = read(fd, b, sizeof b);
        ASSERT_GT(n, 0);
        got.insert(got.end(), b, b + n);
    }
    EXPECT_EQ(got, (Bytes{0xFF, 0x01, 0xA1, 0x00, 0xA1}));
    close(fd);
}

TEST_F(SimIpmiSocketEndpoint, IdentityChannelsAndStatusSensor) {
    sim::IpmiState s = sim::IpmiState::defaults();
    s.channels = {{3, 4}, {6, 4}};
    s.adapterStatus = 129;
    start(s);
    Response id = ask(0x06, 0x01, {});
    EXPECT_EQ(id.cc, 0);
    EXPECT_EQ(id.data.size(), 15u);
    Response ch = ask(0x06, 0x42, {6});
    EXPECT_EQ(ch.cc, 0);
    EXPECT_EQ(ch.data.size(), 9u);
    EXPECT_EQ(ch.data[0], 6);
    EXPECT_EQ(ch.data[1], 4);
    EXPECT_EQ(ask(0x06, 0x42, {2}).cc, 0xCC);
    Response sensor = ask(0x04, 0x2D, {112});
    EXPECT_EQ(sensor.cc, 0);
    EXPECT_EQ(sensor.data, (Bytes{0x00, 0xC0, 129, 0x00}));
    EXPECT_EQ(ask(0x04, 0x2D, {3}).cc, 0xCB);
    EXPECT_EQ(ask(0x30, 0x77, {}).cc, 0xC1); // not in the table
}

TEST_F(SimIpmiSocketEndpoint, FaultsFromTheState) {
    sim::IpmiState s = sim::IpmiState::defaults();
    s.failures[{0x04, 0x2D}] = 0xD5;
    s.silent.insert({0x06, 0x01});
    start(s);
    EXPECT_EQ(ask(0x04, 0x2D, {112}).cc, 0xD5);
    Response r;
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(link->transact(0x06, 0x01, {}, r, 300), BmcLink::Result::Timeout);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(3));
    EXPECT_EQ(ask(0x06, 0x42, {1}).cc, 0); // the link still works after a time-out
}

TEST_F(SimIpmiSocketEndpoint, ExtendedConfigurationStoreInPiecesAndPersisted) {
    vtest::TempDir dir;
    start(sim::IpmiState::defaults(), dir.file("state.txt"));
    Bytes param{45, 0, 1, 0x03, 0x00};
    for (int i = 0; i < 40; ++i) param.push_back(static_cast<uint8_t>(i));
    Bytes first(param.begin(), param.begin() + 30), rest(param.begin() + 30, param.end());
    Response w1 = extSet(12, 1, 0, false, first);
    EXPECT_EQ(w1.cc, 0);
    EXPECT_EQ(w1.data, (Bytes{0x5A, 0x1F, 0x00, 30}));
    EXPECT_EQ(extGet(12, 1, 0, 5).cc, 0xCB); // nothing stored before the last piece
    EXPECT_EQ(extSet(12, 1, 30, true, rest).cc, 0);

    Response hdr = extGet(12, 1, 0, 5);
    ASSERT_EQ(hdr.cc, 0);
    EXPECT_EQ(hdr.data, (Bytes{0x5A, 0x1F, 0x00, 5, 45, 0, 1, 0x03, 0x00}));
    Response tail = extGet(12, 1, 37, 16);
    ASSERT_EQ(tail.cc, 0);
    EXPECT_EQ(tail.data[3], 8); // only 8 bytes remain
    EXPECT_EQ(Bytes(tail.data.begin() + 4, tail.data.end()), Bytes(param.begin() + 37, param.end()));

    // Out-of-order pieces, a wrong total length and a foreign enterprise number are refused.
    EXPECT_EQ(extSet(12, 2, 10, true, {1, 2}).cc, 0xC9);
    EXPECT_EQ(extSet(12, 2, 0, true, {9, 0, 1, 0, 0}).cc, 0xC7);
    Bytes foreign{1, 2, 3, 0, 12, 1, 0, 0, 5};
    EXPECT_EQ(ask(0x2E, 0x02, foreign).cc, 0xCC);
    // A reservation taken with the reserve command is accepted; a stale one is not.
    Response resv = ask(0x2E, 0x01, kIana);
    ASSERT_EQ(resv.cc, 0);
    EXPECT_EQ(extSet(20, 0, 0, true, {6, 0, 1, 1, 0, 3}, resv.data[3]).cc, 0);
    EXPECT_EQ(extSet(20, 0, 0, true, {6, 0, 1, 1, 0, 3}, static_cast<uint8_t>(resv.data[3] + 1)).cc, 0xC5);

    server->stop();
    sim::IpmiState saved;
    std::string err;
    ASSERT_TRUE(sim::loadIpmiState(dir.file("state.txt"), saved, err)) << err;
    EXPECT_EQ(saved.extcfg[std::make_pair(uint8_t(12), uint8_t(1))], param);
}

TEST_F(SimIpmiSocketEndpoint, SelAndSdrRecordsWithReservations) {
    sim::IpmiState s = sim::IpmiState::defaults();
    s.sel.push_back(Bytes(16, 0x21));
    s.sel.push_back(Bytes(16, 0x22));
    start(s);
    Response res = ask(0x0A, 0x42, {});
    ASSERT_EQ(res.cc, 0);
    Response e0 = ask(0x0A, 0x43, {res.data[0], res.data[1], 0, 0, 0, 0xFF});
    ASSERT_EQ(e0.cc, 0);
    EXPECT_EQ(e0.data.size(), 18u);
    EXPECT_EQ(e0.data[0], 1); // next ID
    Response e1 = ask(0x0A, 0x43, {res.data[0], res.data[1], 1, 0, 0, 0xFF});
    EXPECT_EQ(e1.data[0], 0xFF);
    EXPECT_EQ(e1.data[1], 0xFF);
    EXPECT_EQ(ask(0x0A, 0x43, {0, 0, 5, 0, 0, 0xFF}).cc, 0xCB);
    EXPECT_EQ(ask(0x0A, 0x47, {res.data[0], res.data[1], 'C', 'L', 'R', 0xAA}).data, Bytes{1});
    EXPECT_EQ(ask(0x0A, 0x43, {0, 0, 0, 0, 0, 0xFF}).cc, 0xCB);
}

TEST(SimOptions, ParsesPortsAndStateAndRejectsTheRest) {
    sim::SimOptions o;
    std::string err;
    ASSERT_TRUE(sim::parseSimOptions({"--ipmi-port", "0", "--state", "/tmp/x"}, o, err));
    EXPECT_EQ(o.ipmiPort, 0);
    EXPECT_EQ(o.stateFile, "/tmp/x");
    for (auto bad : std::vector<std::vector<std::string>>{
             {"--ipmi-port"}, {"--ipmi-port", "70000"}, {"--ipmi-port", "-1"}, {"--state", ""}, {"--bogus"}})
        EXPECT_FALSE(sim::parseSimOptions(bad, o, err)) << bad[0];
}

} // namespace

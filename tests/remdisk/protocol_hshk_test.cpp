// Connection set-up exchange against a scripted controller.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "foundation/ZSocket.h"
#include "memory_stream.h"
#include "session/ProtocolHSHK.h"
#include "test_peer.h"

using rdtest::hex;
using rdtest::PeerConnection;
using rdtest::TestServer;

namespace {

struct Response {
    int capabilities = 1;
    int sessionPort = 0;
    std::vector<unsigned char> random = std::vector<unsigned char>(32, 0xC5);
    int type = 0x8100;
    const char* magic = "HSHK";
    int lengthDelta = 0;  // added to the true length
    int cutAfter = -1;    // send only this many bytes, then close

    std::vector<unsigned char> bytes() const {
        std::vector<unsigned char> b(magic, magic + 4);
        int length = 21 + static_cast<int>(random.size()) + lengthDelta;
        for (int s = 24; s >= 0; s -= 8)
            b.push_back(static_cast<unsigned char>(static_cast<unsigned>(length) >> s));
        b.push_back(static_cast<unsigned char>(type >> 8));
        b.push_back(static_cast<unsigned char>(type));
        b.insert(b.end(), {0, 0, 0, 0});
        for (int s = 24; s >= 0; s -= 8)
            b.push_back(static_cast<unsigned char>(static_cast<unsigned>(capabilities) >> s));
        b.push_back(static_cast<unsigned char>(sessionPort >> 8));
        b.push_back(static_cast<unsigned char>(sessionPort));
        b.push_back(static_cast<unsigned char>(random.size()));
        b.insert(b.end(), random.begin(), random.end());
        if (cutAfter >= 0)
            b.resize(cutAfter);
        return b;
    }
};

// Answers the request; then, on the connection the session uses, reads one byte in the
// clear or over TLS as told and echoes it, so the test sees which connection type is live.
struct Controller {
    Response response;
    bool tlsOnSetup = false;
    std::vector<unsigned char> request;
    std::atomic<int> echoed{-1};
    std::atomic<bool> setupClosedByClient{false};

    void serveSetup(PeerConnection& c) {
        request = c.readExact(ProtocolHSHK::REQUEST_LENGTH);
        c.writeAll(response.bytes());
        if (response.sessionPort == 0 && response.cutAfter < 0)
            serveSession(c, tlsOnSetup);
        else {
            unsigned char b;
            setupClosedByClient = c.readSome(&b, 1) == 0;
        }
    }
    void serveSession(PeerConnection& c, bool tls) {
        if (tls && !c.startTls())
            return;
        unsigned char b;
        if (c.readExact(&b, 1) && c.writeAll(&b, 1))
            echoed = b;
    }
};

void expectLive(ZSocket* s, Controller& ctl) {
    ASSERT_NE(s, nullptr);
    unsigned char b = 0x5A, back = 0;
    EXPECT_EQ(s->write(&b, 1), 1);
    EXPECT_EQ(s->readFully(&back, 0, 1), 1);
    EXPECT_EQ(back, 0x5A);
}

}  // namespace

TEST(ProtocolHSHK, RequestLayoutAndPlainWhenBothGranted) {
    Controller ctl;
    ctl.response.capabilities = 5;  // plain wins
    TestServer server([&](PeerConnection& c) { ctl.serveSetup(c); });
    ProtocolHSHK hshk("127.0.0.1", server.port());
    hshk.setSilent(true);
    hshk.setConnectionCapabilities(4);
    std::unique_ptr<ZSocket> s(hshk.getSocket(2, 2000));
    expectLive(s.get(), ctl);
    ASSERT_TRUE(server.waitDone());
    EXPECT_EQ(ctl.echoed.load(), 0x5A);
    EXPECT_EQ(hshk.getConnectionCapabilities(), 1);
    ASSERT_EQ(ctl.request.size(), 53u);
    EXPECT_EQ(rdtest::toHex(ctl.request.data(), 21), "4853484B000000350100000002000000000000042" "0");
    EXPECT_EQ(hshk.getRandomDataLength(), 32);
    EXPECT_EQ(hshk.getRandomData()[31], 0xC5);
    s->close();
}

TEST(ProtocolHSHK, TlsOnTheSetupConnection) {
    Controller ctl;
    ctl.response.capabilities = 4;
    ctl.tlsOnSetup = true;
    TestServer server([&](PeerConnection& c) { ctl.serveSetup(c); });
    ProtocolHSHK hshk("127.0.0.1", server.port());
    hshk.setSilent(true);
    std::unique_ptr<ZSocket> s(hshk.getSocket(2, 2000));
    expectLive(s.get(), ctl);
    ASSERT_TRUE(server.waitDone());
    EXPECT_EQ(ctl.echoed.load(), 0x5A);
    EXPECT_EQ(hshk.getConnectionCapabilities(), 4);
    s->close();
}

TEST(ProtocolHSHK, SecondPortPlainAndTls) {
    for (bool tls : {false, true}) {
        SCOPED_TRACE(tls ? "TLS" : "plain");
        Controller ctl;
        TestServer session([&](PeerConnection& c) { ctl.serveSession(c, tls); });
        ctl.response.capabilities = tls ? 4 : 1;
        ctl.response.sessionPort = session.port();
        TestServer setup([&](PeerConnection& c) { ctl.serveSetup(c); });
        ProtocolHSHK hshk("127.0.0.1", setup.port());
        hshk.setSilent(true);
        testing::internal::CaptureStdout();
        std::unique_ptr<ZSocket> s(hshk.getSocket(2, 2000));
        std::string out = testing::internal::GetCapturedStdout();
        // The second connection is made with the console lines on.
        EXPECT_NE(out.find("Successful connection to 127.0.0.1"), std::string::npos);
        expectLive(s.get(), ctl);
        ASSERT_TRUE(session.waitDone());
        ASSERT_TRUE(setup.waitDone());
        EXPECT_EQ(ctl.echoed.load(), 0x5A);
        EXPECT_TRUE(ctl.setupClosedByClient.load());
        s->close();
    }
}

TEST(ProtocolHSHK, ControllerRandomData) {
    {
        Controller ctl;
        ctl.response.random = {};  // length 0: the client's own bytes stay
        TestServer server([&](PeerConnection& c) { ctl.serveSetup(c); });
        ProtocolHSHK hshk("127.0.0.1", server.port());
        hshk.setSilent(true);
        std::vector<unsigned char> own(hshk.getRandomData(), hshk.getRandomData() + 32);
        std::unique_ptr<ZSocket> s(hshk.getSocket(2, 2000));
        expectLive(s.get(), ctl);
        ASSERT_EQ(hshk.getRandomDataLength(), 32);
        EXPECT_EQ(std::vector<unsigned char>(hshk.getRandomData(), hshk.getRandomData() + 32), own);
        // The request carried fresh bytes, not the kept ones.
        EXPECT_NE(std::vector<unsigned char>(ctl.request.begin() + 21, ctl.request.end()), own);
        s->close();
    }
    {
        Controller ctl;
        ctl.response.random = hex("0102030405");
        TestServer server([&](PeerConnection& c) { ctl.serveSetup(c); });
        ProtocolHSHK hshk("127.0.0.1", server.port());
        hshk.setSilent(true);
        std::unique_ptr<ZSocket> s(hshk.getSocket(2, 2000));
        expectLive(s.get(), ctl);
        ASSERT_EQ(hshk.getRandomDataLength(), 5);
        EXPECT_EQ(rdtest::toHex(hshk.getRandomData(), 5), "0102030405");
        s->close();
    }
}

TEST(ProtocolHSHK, RefusedResponses) {
    struct Case {
        const char* name;
        Response response;
        const char* error;  // null: getSocket returns null
    };
    auto with = [](auto change) {
        Response r;
        change(r);
        return r;
    };
    std::vector<Case> cases = {
        {"capabilities 0", with([](Response& r) { r.capabilities = 0; }), nullptr},
        {"neither plain nor TLS", with([](Response& r) { r.capabilities = 2; }), nullptr},
        {"wrong type", with([](Response& r) { r.type = 0x8101; }), ProtocolHSHK::BAD_TYPE},
        {"client type", with([](Response& r) { r.type = 0x0100; }), ProtocolHSHK::BAD_TYPE},
        {"wrong magic", with([](Response& r) { r.magic = "HSHJ"; }), ProtocolHSHK::BAD_SIGNATURE},
        {"closed before anything", with([](Response& r) { r.cutAfter = 0; }), ProtocolHSHK::BAD_SIGNATURE},
        {"closed in the header", with([](Response& r) { r.cutAfter = 6; }), ProtocolHSHK::BAD_TYPE},
        {"truncated body", with([](Response& r) { r.cutAfter = 30; }), ProtocolHSHK::BAD_LENGTH},
        {"length shorter than its random data", with([](Response& r) { r.lengthDelta = -1; }),
         ProtocolHSHK::BAD_LENGTH},
        {"length below the fixed fields", with([](Response& r) { r.random = {}; r.lengthDelta = -2; }),
         ProtocolHSHK::BAD_LENGTH},
        {"huge length", with([](Response& r) { r.lengthDelta = 1 << 30; }), ProtocolHSHK::BAD_LENGTH},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        Controller ctl;
        ctl.response = c.response;
        ctl.response.cutAfter = c.response.cutAfter;
        TestServer server([&](PeerConnection& conn) {
            ctl.request = conn.readExact(ProtocolHSHK::REQUEST_LENGTH);
            conn.writeAll(ctl.response.bytes());
            if (c.response.cutAfter < 0) {
                unsigned char b;
                ctl.setupClosedByClient = conn.readSome(&b, 1) == 0;
            }
        });
        ProtocolHSHK hshk("127.0.0.1", server.port());
        hshk.setSilent(true);
        std::string error = "(none)";
        ZSocket* s = nullptr;
        try {
            s = hshk.getSocket(2, 2000);
        } catch (const char* e) {
            error = e;
        }
        EXPECT_EQ(s, nullptr);
        EXPECT_EQ(error, c.error ? c.error : "(none)");
        ASSERT_TRUE(server.waitDone());
        if (c.response.cutAfter < 0) {
            EXPECT_TRUE(ctl.setupClosedByClient.load());  // the client let the connection go
        }
    }
}

TEST(ProtocolHSHK, SessionPortUnreachable) {
    Controller ctl;
    ctl.response.sessionPort = rdtest::refusedPort();
    TestServer setup([&](PeerConnection& c) { ctl.serveSetup(c); });
    ProtocolHSHK hshk("127.0.0.1", setup.port());
    hshk.setSilent(true);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    std::string error;
    try {
        hshk.getSocket(2, 2000);
    } catch (const char* e) {
        error = e;
    }
    testing::internal::GetCapturedStdout();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Unable to connect socket"), std::string::npos);
    EXPECT_EQ(error, "Unable to connect.");
    ASSERT_TRUE(setup.waitDone());
    EXPECT_TRUE(ctl.setupClosedByClient.load());
}

TEST(ProtocolHSHK, SetupPortUnreachable) {
    ProtocolHSHK hshk("127.0.0.1", rdtest::refusedPort());
    hshk.setSilent(true);
    try {
        hshk.getSocket(2, 2000);
        FAIL();
    } catch (const char* e) {
        EXPECT_STREQ(e, "Unable to connect.");
    }
}

// The reply parser on its own never reads past the announced length.
TEST(ProtocolHSHK, ParserStopsAtAnnouncedLength) {
    Response r;
    r.random = hex("AABB");
    std::vector<unsigned char> bytes = r.bytes();
    bytes.insert(bytes.end(), {'N', 'E', 'X', 'T'});
    rdtest::MemoryInputStream in(bytes);
    HSHKSetupResponse out;
    ProtocolHSHK::readSessionSetup(in, out);
    EXPECT_EQ(in.remaining(), 4u);
    EXPECT_EQ(out.randomDataLength, 2);
    EXPECT_EQ(out.capabilities, 1);
}

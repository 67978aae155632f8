// ZSocket over plain TCP and TLS against the scripted test peer.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "foundation/Exception.h"
#include "foundation/NumberFormatException.h"
#include "foundation/ZInteger.h"
#include "foundation/ZSocket.h"
#include "test_peer.h"
#include "test_support.h"

using rdtest::PeerConnection;
using rdtest::TestServer;

namespace {

std::string thrown(std::function<void()> f) {
    try {
        f();
    } catch (const char* e) {
        return e;
    }
    return "(nothing thrown)";
}

// A connected client socket to the server, switched to TLS when the server speaks it.
std::unique_ptr<ZSocket> connectTo(TestServer& server, bool tls) {
    auto s = std::make_unique<ZSocket>("127.0.0.1", server.port(), true);
    if (tls)
        s->setSSLConnection(s->sslConnect());
    return s;
}

std::vector<unsigned char> pattern(size_t n) {
    std::vector<unsigned char> v(n);
    uint32_t x = 12345;
    for (auto& b : v) {
        x = x * 1103515245u + 12345u;
        b = static_cast<unsigned char>(x >> 16);
    }
    return v;
}

class ZSocketBoth : public ::testing::TestWithParam<bool> {};

}  // namespace

TEST(ZSocket, ConnectRefused) {
    int port = rdtest::refusedPort();
    EXPECT_EQ(thrown([&] { ZSocket s("127.0.0.1", port, true); }), "Unable to connect.");

    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    EXPECT_EQ(thrown([&] { ZSocket s("127.0.0.1", port); }), "Unable to connect.");
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Unable to connect socket"), std::string::npos) << err;
    EXPECT_EQ(out, "       connecting...\n");
}

// Without a free descriptor the silent socket throws, while the other one reports on
// standard error and hands back an unusable socket. Run in a child so the limit stays there.
TEST(ZSocket, NoDescriptorLeft) {
    int refused = rdtest::refusedPort();
    auto exhaust = [refused] {
        // Go through the same code once while files can still be opened: OpenSSL loads its
        // configuration, and the sanitizers' run-time checks (which need descriptors of
        // their own on first use) see every call once.
        thrown([refused] { ZSocket warm("127.0.0.1", refused, true); });
        sockaddr_in nowhere{};
        ZSocket adopted(-1, nowhere);
        (void)(adopted.getSocketState() + adopted.isOpen());
        rlimit none{0, 0};
        setrlimit(RLIMIT_NOFILE, &none);
    };
    EXPECT_EXIT(
        {
            exhaust();
            std::string e = thrown([] { ZSocket s("127.0.0.1", 9, true); });
            std::_Exit(e == "Failed to open socket\n" ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            exhaust();
            ZSocket s("127.0.0.1", 9);
            std::_Exit(s.getSocketState() == ZSocket::CONNECT_FAILED && !s.isOpen() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "Failed to open socket");
}

TEST(ZSocket, NameNotResolved) {
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    EXPECT_EQ(thrown([] { ZSocket s("no-such-host.invalid", 80, true); }), "could not connect to host");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    EXPECT_EQ(thrown([] { ZSocket s("no-such-host.invalid", 80); }), "could not connect to host");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("host info not found", 0), 0u);
}

TEST(ZSocket, ConsoleLinesUnlessSilent) {
    TestServer server([](PeerConnection& c) {
        if (!c.startTls())
            return;
        unsigned char b;
        c.readExact(&b, 1);
    });
    testing::internal::CaptureStdout();
    {
        ZSocket s("127.0.0.1", server.port());
        s.setSSLConnection(s.sslConnect());
        s.writeByte(7);
        s.close();
    }
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "       connecting...\n  Successful connection to 127.0.0.1\n"
                   "SSL Initialized\nSSL Start handshake\nSSL Handshake Completed\n");
    EXPECT_TRUE(server.waitDone());
}

TEST_P(ZSocketBoth, PeerClosesMidReadFully) {
    TestServer server([](PeerConnection& c) { c.writeAll("\x01\x02\x03\x04", 4); }, GetParam());
    auto s = connectTo(server, GetParam());
    unsigned char buf[10];
    EXPECT_EQ(s->readFully(buf, 0, 10), -1);
    EXPECT_EQ(s->getSocketState(), ZSocket::PEER_CLOSED);
    EXPECT_EQ(s->readFully(buf, 0, 1), -1);  // never returns to state 1
    s->close();
}

TEST_P(ZSocketBoth, BigEndianHelpers) {
    std::vector<unsigned char> got;
    TestServer server(
        [&](PeerConnection& c) {
            c.writeAll(std::vector<unsigned char>{0x00, 0x00, 0x01, 0x02, 0xFF, 0xFE, 0x9C});
            got = c.readExact(4 + 2 + 1 + 5);
        },
        GetParam());
    auto s = connectTo(server, GetParam());
    int i = 0;
    short sh = 0;
    unsigned char b = 0;
    EXPECT_EQ(s->readInt(i), 4);
    EXPECT_EQ(i, 258);
    EXPECT_EQ(s->readShort(sh), 2);
    EXPECT_EQ(sh, -2);
    EXPECT_EQ(s->readByte(b), 1);
    EXPECT_EQ(b, 0x9C);
    s->writeInt(-2);
    s->writeShort(-2);
    s->writeByte(0x41);
    *s << "HSHK" << reinterpret_cast<const unsigned char*>("!");
    ASSERT_TRUE(server.waitDone());
    EXPECT_EQ(got, (std::vector<unsigned char>{0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFE, 0x41, 'H', 'S', 'H', 'K', '!'}));
    s->close();
}

TEST_P(ZSocketBoth, CloseThenWriteGivesState5) {
    TestServer server([](PeerConnection& c) {
        unsigned char b;
        c.readExact(&b, 1);
    }, GetParam());
    auto s = connectTo(server, GetParam());
    s->close();
    EXPECT_EQ(s->getSocketState(), ZSocket::CONNECTED);
    testing::internal::CaptureStderr();
    EXPECT_EQ(s->write(reinterpret_cast<const unsigned char*>("x"), 1), -1);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(s->getSocketState(), ZSocket::IO_ERROR);
    EXPECT_EQ(err.rfind("Socket write failed", 0), 0u) << err;
    EXPECT_FALSE(s->isOpen());
    EXPECT_EQ(s->writeInt(1), -1);  // nothing more is attempted
}

// A packet written as header plus payload must arrive exactly as two writes would send it,
// whatever the payload size: none, one record, the header pushing it past a record, many
// records, more than is collected before sending.
TEST_P(ZSocketBoth, WritePartsSendsHeaderThenBody) {
    const std::vector<int> bodies = {0, 100, 16372, 16373, 300000};
    size_t total = 0;
    for (int b : bodies)
        total += 12 + static_cast<size_t>(b);
    std::vector<unsigned char> expected, got;
    TestServer server([&](PeerConnection& c) { got = c.readExact(total); }, GetParam());
    auto s = connectTo(server, GetParam());
    for (int b : bodies) {
        std::vector<unsigned char> head = pattern(12 + b);
        std::vector<unsigned char> body(head.begin() + 12, head.end());
        head.resize(12);
        expected.insert(expected.end(), head.begin(), head.end());
        expected.insert(expected.end(), body.begin(), body.end());
        EXPECT_EQ(s->writeParts(head.data(), 12, b ? body.data() : nullptr, b), 12 + b);
    }
    ASSERT_TRUE(server.waitDone());
    EXPECT_TRUE(got == expected);
    s->close();
    testing::internal::CaptureStderr();
    unsigned char part[4] = {1, 2, 3, 4};
    EXPECT_EQ(s->writeParts(part, 4, part, 4), -1);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(s->getSocketState(), ZSocket::IO_ERROR);
    EXPECT_EQ(err.rfind("Socket write failed", 0), 0u) << err;
}

INSTANTIATE_TEST_SUITE_P(PlainAndTls, ZSocketBoth, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Tls" : "Plain"; });

// One write of 1 MiB spans many TLS records (at most 16 KiB each with partial writes on):
// all of it must arrive, in order.
TEST(ZSocketTls, MegabyteWriteArrivesIntact) {
    const size_t size = 1 << 20;
    std::vector<unsigned char> sent = pattern(size), got;
    TestServer server([&](PeerConnection& c) { got = c.readExact(size); }, true);
    auto s = connectTo(server, true);
    EXPECT_EQ(s->write(sent.data(), static_cast<int>(size)), static_cast<int>(size));
    ASSERT_TRUE(server.waitDone());
    EXPECT_TRUE(got == sent);
    s->close();
}

// The session reads on one thread and writes on another; with TLS both go through one
// SSL object. An echo peer keeps both directions busy at once.
TEST(ZSocketTls, ConcurrentReadAndWriteThreads) {
    const size_t size = 1 << 20;
    std::vector<unsigned char> sent = pattern(size), echoed(size);
    TestServer server(
        [](PeerConnection& c) {
            std::vector<unsigned char> buf(20000);
            for (;;) {
                int n = c.readSome(buf.data(), buf.size());
                if (n <= 0 || !c.writeAll(buf.data(), n))
                    return;
            }
        },
        true);
    auto s = connectTo(server, true);
    std::atomic<int> readResult{0};
    std::thread reader([&] {
        // Mixed read sizes: whole records, parts of records, several records.
        size_t pos = 0;
        size_t step = 1;
        while (pos < size) {
            int n = static_cast<int>(std::min(step, size - pos));
            if (s->readFully(echoed.data(), static_cast<int>(pos), n) == -1) {
                readResult = -1;
                return;
            }
            pos += n;
            step = step * 7 % 40000 + 1;
        }
        readResult = 1;
    });
    size_t pos = 0;
    size_t chunk = 3;
    while (pos < size) {
        int n = static_cast<int>(std::min(chunk, size - pos));
        ASSERT_EQ(s->write(sent.data() + pos, n), n);
        pos += n;
        chunk = chunk * 5 % 70000 + 1;
    }
    reader.join();
    EXPECT_EQ(readResult.load(), 1);
    EXPECT_TRUE(echoed == sent);
    s->close();
}

// Stopping a session must be able to cut short a read that waits for the controller.
TEST(ZSocketTls, ShutdownWakesBlockedReader) {
    std::atomic<bool> release{false};
    TestServer server(
        [&](PeerConnection& c) {
            for (int i = 0; i < 500 && !release; ++i)
                usleep(10000);
        },
        true);
    auto s = connectTo(server, true);
    std::atomic<int> result{0};
    std::thread reader([&] {
        unsigned char b[4];
        result = s->readFully(b, 0, 4) == -1 ? -1 : 1;
    });
    usleep(100000);
    s->shutdownConnection();
    reader.join();
    release = true;
    EXPECT_EQ(result.load(), -1);
    EXPECT_EQ(s->getSocketState(), ZSocket::PEER_CLOSED);
    s->close();
}

TEST(ZSocketTls, FailedHandshakeThrowsAndLogs) {
    TestServer server([](PeerConnection& c) { c.writeAll("not tls at all\r\n\r\n", 18); });
    vtest::TempDir dir;
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    std::string error;
    {
        ZSocket s("127.0.0.1", server.port(), true);
        error = thrown([&] { s.sslConnect(); });
        s.close();
    }
    ASSERT_EQ(chdir(cwd), 0);
    EXPECT_EQ(error, "SSL Connection error");
    EXPECT_FALSE(vtest::readFile(dir.file("sslError.log")).empty());
}

TEST(ZSocket, IntegerHelpersAndExceptions) {
    unsigned char fffe[] = {0xFF, 0xFE};
    EXPECT_EQ(ZInteger::decodeShort(fffe, 0), -2);
    unsigned char buf[6] = {};
    ZInteger::encodeInt(buf, 1, 0x01020304);
    ZInteger::encodeShort(buf, 0, -2);
    EXPECT_EQ(ZInteger::decodeInt(buf, 1) & 0xFFFF, 0x0304);
    EXPECT_EQ(ZInteger::parseInt("0x10"), 16);
    EXPECT_EQ(ZInteger::parseInt("010"), 8);
    EXPECT_EQ(ZInteger::parseInt("-42"), -42);
    EXPECT_THROW(ZInteger::parseInt("abc"), NumberFormatException);
    EXPECT_THROW(ZInteger::parseInt(nullptr), NumberFormatException);
    EXPECT_EQ(ZInteger(7).toString(), "7");

    std::string longText(5000, 'x');
    Exception e("%s", longText.c_str());
    EXPECT_EQ(std::strlen(e.getMessage()), static_cast<size_t>(Exception::MAX_MESSAGE));
}

// The session against a scripted controller: set-up, login, queueing from several threads,
// stopping (also while the receive thread is blocked in a read) and a controller that goes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "foundation/ZTrace.h"
#include "protocol/ClientStatusMessage.h"
#include "protocol/Heartbeat.h"
#include "protocol/LoginMessage.h"
#include "protocol/LoginResponse.h"
#include "session/MEDPSession.h"
#include "session/VMSessionListener.h"
#include "session_peer.h"
#include "trace_capture.h"

using rdtest::ScriptedController;
using Clock = std::chrono::steady_clock;

namespace {

struct RecordingListener : VMSessionListener {
    std::atomic<int> status{-100};
    std::atomic<int> updates{0};
    void loginResponse(int s) override { status = s; }
    void vdiskListUpdate() override { ++updates; }
};

bool eventually(const std::function<bool()>& condition, int ms = 5000) {
    auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (!condition()) {
        if (Clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Positions of the lines in the trace text, in the order given; -1 for a missing one.
std::vector<long> positions(const std::string& text, const std::vector<std::string>& lines) {
    std::vector<long> at;
    size_t from = 0;
    for (const auto& l : lines) {
        size_t p = text.find(l, from);
        at.push_back(p == std::string::npos ? -1 : static_cast<long>(p));
        if (p != std::string::npos)
            from = p;
    }
    return at;
}

// A silent session connected to the controller (asserts in the caller through the result).
bool connectSilently(MEDPSession& session, ScriptedController& controller) {
    session.setSilent(true);
    session.connect("127.0.0.1", controller.port());
    return controller.waitConnected();
}

} // namespace

TEST(MEDPSession, LoginWithPasswordOverTlsAndTheAnswerReachesTheListeners) {
    TraceCapture trace;
    ScriptedController controller(4);
    MEDPSession session;
    session.setSilent(true);
    RecordingListener first, second;
    session.addListener(first);
    session.addListener(second);
    session.addListener(second);
    session.removeListener(second);
    session.connect("127.0.0.1", controller.port());
    ASSERT_TRUE(controller.waitConnected());
    // The offer asks for TLS only.
    ASSERT_EQ(controller.setupRequest().size(), 53u);
    EXPECT_EQ(controller.setupRequest()[19], 4);

    session.sendLoginUser("admin", "s3cret");
    auto packet = controller.receiveSkippingHeartbeats();
    ASSERT_TRUE(packet);
    ASSERT_EQ(packet->getPacketType(), MEDPPacket::LOGIN);
    auto* login = static_cast<LoginMessage*>(packet.get());
    EXPECT_EQ(login->getUserName(), "admin");
    unsigned char expected[32] = {'s', '3', 'c', 'r', 'e', 't'};
    EXPECT_EQ(std::memcmp(login->getAuthData(), expected, 32), 0);

    LoginResponse answer;
    answer.setLoginStatus(3);
    ASSERT_TRUE(controller.send(answer));
    ASSERT_TRUE(eventually([&] { return second.status.load() == 3; }));
    EXPECT_EQ(first.status.load(), 3);

    session.sendVDiskInfoRequest();
    packet = controller.receiveSkippingHeartbeats();
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->getPacketType(), MEDPPacket::GET_VDISK_INFO);

    session.stopSession();
    EXPECT_TRUE(session.isSessionStopped());
    session.stopSession();
    EXPECT_TRUE(session.isSessionStopped());
    std::string text = trace.text();
    auto at = positions(text, {"MEDPSession::stopSession **************",
                               "HeartBeatThread::stopThread Stopping",
                               "ReceiveThread::stopThread Stopping", "SendThread::stopThread Stopping",
                               "MEDPSession::stopSession Waiting for receive thread to end.",
                               "MEDPSession::stopSession Waiting for send thread to end.",
                               "MEDPSession::stopSession Waiting for heartbeat thread to end.",
                               "MEDPSession::stopSession Socket Closed and Threads Stopped."});
    for (size_t i = 0; i < at.size(); ++i)
        EXPECT_GE(at[i], 0) << "stop step " << i << " missing or out of order";
    EXPECT_EQ(trace.count("MEDPSession::stopSession Socket Closed and Threads Stopped."), 2u);
}

TEST(MEDPSession, LoginWithoutPasswordCarriesTheControllersRandomDataCutTo32Bytes) {
    ScriptedController controller(4, 40);
    MEDPSession session;
    ASSERT_TRUE(connectSilently(session, controller));
    session.sendLogin("root");
    auto packet = controller.receiveSkippingHeartbeats();
    ASSERT_TRUE(packet);
    ASSERT_EQ(packet->getPacketType(), MEDPPacket::LOGIN);
    auto* login = static_cast<LoginMessage*>(packet.get());
    EXPECT_EQ(login->getUserName(), "root");
    EXPECT_EQ(std::memcmp(login->getAuthData(), controller.randomData().data(), 32), 0);
}

TEST(MEDPSession, CredentialsThatCannotBeCarriedAreRefusedBeforeAnythingIsQueued) {
    MEDPSession session;
    EXPECT_STREQ([&] {
        try {
            session.sendLoginUser("root", std::string(33, 'p'));
        } catch (const char* text) {
            return text;
        }
        return "";
    }(), "Password too long for the login request.");
    EXPECT_STREQ([&] {
        try {
            session.sendLogin(std::string(96, 'u'));
        } catch (const char* text) {
            return text;
        }
        return "";
    }(), "Invalid username specified for login request.");
    EXPECT_EQ(session.getSendThread().queuedPackets(), 0);
    // 32 characters still fit.
    session.sendLoginUser("root", std::string(32, 'p'));
    EXPECT_EQ(session.getSendThread().queuedPackets(), 1);
}

TEST(MEDPSession, NoGrantedConnectionTypeThrowsAndStartsNoThread) {
    ScriptedController controller(0);
    MEDPSession session;
    session.setSilent(true);
    const char* error = "";
    try {
        session.connect("127.0.0.1", controller.port());
    } catch (const char* text) {
        error = text;
    }
    EXPECT_STREQ(error, "Connection failed.");
    EXPECT_FALSE(session.getSendThread().isRunning());
    EXPECT_THROW(session.getInputStream(), const char*);
}

TEST(MEDPSession, StopCutsABlockedReadShortAndEndsEveryThreadPromptly) {
    ScriptedController controller(1); // plain connection: the read blocks in the kernel
    MEDPSession session;
    ASSERT_TRUE(connectSilently(session, controller));
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the receive thread waits
    auto started = Clock::now();
    session.stopSession();
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
    EXPECT_LT(took, 1500);
    EXPECT_TRUE(session.isSessionStopped());
}

TEST(MEDPSession, ControllerClosingTheConnectionStopsTheSession) {
    TraceCapture trace;
    ScriptedController controller(4);
    auto session = std::make_unique<MEDPSession>();
    session->setSilent(true);
    session->connect("127.0.0.1", controller.port());
    ASSERT_TRUE(controller.waitConnected());
    controller.close();
    ASSERT_TRUE(eventually([&] { return session->isSessionStopped(); }));
    EXPECT_TRUE(trace.has("ReceiveThread::run const Exception: Socket Closed by peer."));
    session.reset(); // nothing left running that could touch it
    EXPECT_TRUE(trace.has("MEDPSession::~ Destructor called"));
}

TEST(SessionThreads, PacketsQueuedFromSeveralThreadsArriveWholeAndInQueueOrderPerThread) {
    ScriptedController controller(4);
    MEDPSession session;
    ASSERT_TRUE(connectSilently(session, controller));
    const int each = 150;
    auto producer = [&](int disk) {
        for (int i = 0; i < each; ++i)
            session.sendRequest(new ClientStatusMessage(disk, i));
    };
    std::thread a(producer, 1), b(producer, 2);
    a.join();
    b.join();
    int next[3] = {0, 0, 0};
    for (int n = 0; n < 2 * each;) {
        auto p = controller.receive();
        ASSERT_TRUE(p) << "after " << n << " packets";
        if (p->getPacketType() == MEDPPacket::HEARTBEAT)
            continue;
        ASSERT_EQ(p->getPacketType(), MEDPPacket::CLIENT_STATUS);
        auto* status = static_cast<ClientStatusMessage*>(p.get());
        int disk = status->getRemoteDiskId();
        ASSERT_TRUE(disk == 1 || disk == 2);
        EXPECT_EQ(status->getStatus(), next[disk]++);
        ++n;
    }
    session.stopSession();
}

TEST(SessionThreads, AStopQueuedBehindOtherPacketsDoesNotLoseWhatWasQueuedBeforeIt) {
    ScriptedController controller(4);
    MEDPSession session;
    ASSERT_TRUE(connectSilently(session, controller));
    for (int i = 0; i < 20; ++i)
        session.sendRequest(new ClientStatusMessage(0, i));
    session.stopSession();
    int seen = 0;
    while (auto p = controller.receive())
        if (p->getPacketType() == MEDPPacket::CLIENT_STATUS)
            ++seen;
    EXPECT_EQ(seen, 20);
}

TEST(SessionThreads, AnEncoderThatRefusesItsPacketDropsOnlyThatPacket) {
    TraceCapture trace;
    ScriptedController controller(4);
    MEDPSession session;
    ASSERT_TRUE(connectSilently(session, controller));
    session.sendRequest(new LoginMessage()); // no credentials: its encoder throws
    session.sendRequest(new ClientStatusMessage(4, 9));
    auto p = controller.receiveSkippingHeartbeats();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->getPacketType(), MEDPPacket::CLIENT_STATUS);
    session.stopSession();
    EXPECT_TRUE(trace.has("Invalid auth data length in login request."));
}

TEST(SessionThreads, AnUnknownPacketEndsTheReceiveThreadAndTheSession) {
    TraceCapture trace;
    ScriptedController controller(4);
    MEDPSession session;
    ASSERT_TRUE(connectSilently(session, controller));
    Heartbeat stray; // a client message type: unknown on the client's side
    ASSERT_TRUE(controller.send(stray));
    ASSERT_TRUE(eventually([&] { return session.isSessionStopped(); }));
    EXPECT_TRUE(trace.has("ReceiveThread::run EOF on packet stream.  Shutting down receive thread,"));
}

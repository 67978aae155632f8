#include "medp/vm_server.h"

#include "server_stream.h"
#include "sim_log.h"
#include "tls_context.h"

#include <openssl/rand.h>

#include <memory>

namespace sim {

VmServer::VmServer(const HshkConfig& hshk, const ScenarioConfig& scenario, bool once)
    : hshk_(hshk), scenario_(scenario), once_(once) {}

VmServer::~VmServer() {
    stop();
    SSL_CTX_free(ctx_);
}

bool VmServer::start(int port, std::string& error) {
    ctx_ = newServerTlsContext(error);
    if (!ctx_ || !listener_.open(port, error)) return false;
    if (hshk_.sessionPort >= 0 && !sessionListener_.open(hshk_.sessionPort, error)) return false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void VmServer::stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    listener_.close();
    sessionListener_.close();
}

void VmServer::run() {
    while (!stop_ && !finished_) {
        int fd = listener_.accept(200, stop_);
        if (fd < 0) continue;
        SessionResult r = serve(fd);
        for (const DriveReport& d : r.drives) simLog("%s", summaryLine(d).c_str());
        simLog("session %s: %s, %d heartbeats", r.ok() ? "ok" : r.failed ? "FAILED" : "stopped", r.outcome.c_str(), r.heartbeats);
        sessions_++;
        if (r.failed) failed_++;
        lastCompleted_ = r.completed;
        if (once_) finished_ = true;
    }
}

SessionResult VmServer::serve(int fd) {
    SessionResult result;
    ServerStream setup(fd, &stop_);
    setup.setTimeLimitMs(scenario_.ioTimeoutMs);
    HshkRequest request;
    std::string error;
    if (!readHshkRequest(setup, request, error)) {
        result.failed = true;
        result.outcome = error;
        return result;
    }
    std::vector<uint8_t> random(static_cast<size_t>(hshk_.randomLength));
    if (!random.empty()) RAND_bytes(random.data(), static_cast<int>(random.size()));
    const int secondPort = this->sessionPort() > 0 ? this->sessionPort() : 0;
    std::vector<uint8_t> response = hshkResponse(hshk_.capabilities, secondPort, random);
    if (setup.write(response.data(), static_cast<int>(response.size())) < 0) {
        result.failed = true;
        result.outcome = "connection lost while sending the HSHK response";
        return result;
    }
    int type = chosenConnection(hshk_.capabilities);
    simLog("hshk: session type %d, offered %d, granted %d (%s)%s", request.sessionType, request.capabilities,
           hshk_.capabilities, type == HSHK_CAP_TLS ? "tls" : type == HSHK_CAP_PLAIN ? "plain" : "none",
           secondPort ? (", session port " + std::to_string(secondPort)).c_str() : "");
    if (type == 0) {
        // Nothing usable granted: the client gives up and closes.
        result.completed = setup.peerClosedWithin(scenario_.ioTimeoutMs);
        result.failed = !result.completed;
        result.outcome = result.completed ? "no connection type granted; the client closed" : "client kept the connection after no connection type was granted";
        return result;
    }
    std::unique_ptr<ServerStream> second;
    if (secondPort) {
        int sfd = sessionListener_.accept(scenario_.ioTimeoutMs, stop_);
        if (sfd < 0) {
            result.failed = true;
            result.outcome = "client did not connect to the session port";
            return result;
        }
        second.reset(new ServerStream(sfd, &stop_));
    }
    ServerStream& session = second ? *second : setup;
    session.setTimeLimitMs(scenario_.ioTimeoutMs);
    if (type == HSHK_CAP_TLS) {
        if (!session.startTls(ctx_, error)) {
            result.failed = true;
            result.outcome = error;
            return result;
        }
        simLog("medp: tls %s", session.cipher().c_str());
    }
    MedpController controller(session, scenario_, random, &stop_);
    return controller.run();
}

} // namespace sim

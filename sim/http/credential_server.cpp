#include "http/credential_server.h"

#include "http/http_request.h"
#include "server_stream.h"
#include "sim_log.h"
#include "tls_context.h"

#include <vector>

namespace sim {

CredentialServer::CredentialServer(const CredentialConfig& config) : config_(config) {}

CredentialServer::~CredentialServer() {
    stop();
    SSL_CTX_free(ctx_);
}

bool CredentialServer::start(int port, int vmPort, std::string& error) {
    vmPort_ = vmPort;
    ctx_ = newServerTlsContext(error);
    if (!ctx_ || !listener_.open(port, error)) return false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void CredentialServer::stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    listener_.close();
}

void CredentialServer::run() {
    while (!stop_) {
        int fd = listener_.accept(200, stop_);
        if (fd >= 0) serveOne(fd);
    }
}

void CredentialServer::serveOne(int fd) {
    ServerStream conn(fd, &stop_);
    conn.setTimeLimitMs(IO_LIMIT_MS);
    std::string error;
    if (!conn.startTls(ctx_, error)) {
        simLog("https: %s", error.c_str());
        return;
    }
    std::vector<char> buf(HTTP_MAX_HEAD);
    size_t have = 0, headLength = 0;
    HttpRequest req;
    HttpParse parsed = HttpParse::INCOMPLETE;
    while (parsed == HttpParse::INCOMPLETE) {
        if (have == buf.size()) {
            parsed = parseHttpRequest(buf.data(), have, req, headLength, error);
            break;
        }
        int n = conn.read(reinterpret_cast<unsigned char*>(buf.data()), static_cast<int>(have),
                          static_cast<int>(buf.size() - have));
        if (n <= 0) {
            simLog("https: connection ended before a complete request%s", conn.timedOut() ? " (timed out)" : "");
            return;
        }
        have += static_cast<size_t>(n);
        parsed = parseHttpRequest(buf.data(), have, req, headLength, error);
    }

    HttpResponse resp;
    std::string path, query, user, password;
    if (parsed != HttpParse::OK) {
        simLog("https: bad request: %s", error.c_str());
        resp = errorResponse(400, config_);
    } else {
        splitTarget(req.target, path, query);
        if (req.method != "GET") {
            resp = errorResponse(405, config_);
        } else if (path != "/data/templogin") {
            resp = errorResponse(404, config_);
        } else if (!parseLoginQuery(query, user, password)) {
            resp = errorResponse(400, config_);
        } else {
            bool accountOk = user == config_.user && password == config_.password;
            resp = credentialResponse(config_, accountOk, vmPort_);
            simLog("https: GET /data/templogin user=%s account %s", user.c_str(), accountOk ? "ok" : "refused");
        }
    }
    bool sent;
    if (config_.singleRecord) {
        std::string all = resp.head + resp.body;
        sent = conn.write(reinterpret_cast<const unsigned char*>(all.data()), static_cast<int>(all.size())) > 0;
    } else {
        sent = conn.write(reinterpret_cast<const unsigned char*>(resp.head.data()), static_cast<int>(resp.head.size())) > 0 &&
               conn.write(reinterpret_cast<const unsigned char*>(resp.body.data()), static_cast<int>(resp.body.size())) > 0;
    }
    std::string statusLine = resp.head.substr(0, resp.head.find('\r'));
    simLog("https: answered %s%s", statusLine.c_str(), sent ? "" : " (client gone)");
    served_++;
    // HTTP/1.0: the server ends the connection after the answer (with a TLS closing alert).
}

} // namespace sim

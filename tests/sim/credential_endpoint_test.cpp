// vantro-sim's credential web server, checked with a raw TLS client that sees each TLS
// record as one read, and its strict request parser. Suites carry "Socket" for the
// thread-sanitizer run.
#include "http/http_request.h"
#include "sim_process.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <memory>

namespace {

// Sends request over TLS and returns what each read delivered, until the server closes.
std::vector<std::string> fetch(int port, const std::string& request) {
    std::vector<std::string> reads;
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    timeval tv{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return reads;
    }
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    SSL* ssl = SSL_new(ctx);
    SSL_set_fd(ssl, fd);
    if (SSL_connect(ssl) == 1 && SSL_write(ssl, request.data(), static_cast<int>(request.size())) > 0) {
        char buf[16384];
        int n;
        while ((n = SSL_read(ssl, buf, sizeof buf)) > 0) reads.emplace_back(buf, static_cast<size_t>(n));
    }
    ERR_clear_error();
    SSL_free(ssl);
    SSL_CTX_free(ctx);
    close(fd);
    return reads;
}

const std::string GOOD = "GET /data/templogin?user=root&password=calvin HTTP/1.0\r\n\r\n";

class SimCredentialSocket : public ::testing::Test {
protected:
    void start(const std::vector<std::string>& extra) {
        std::vector<std::string> argv{VANTRO_SIM_BIN, "--https-port", "0", "--timeout", "30", "--temp-password", "tmp-pw"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        sim.reset(new vtest::BackgroundProcess(argv, "https port "));
        ASSERT_GT(sim->port(), 0) << sim->output();
    }
    std::string all(const std::vector<std::string>& reads) {
        std::string s;
        for (const std::string& r : reads) s += r;
        return s;
    }
    std::unique_ptr<vtest::BackgroundProcess> sim;
};

TEST_F(SimCredentialSocket, HeadAndBodyComeInSeparateRecordsWithTheCredentialsAndOwnPort) {
    start({"--vm-port", "0"});
    int vmPort = sim->portFor("vm port ");
    auto reads = fetch(sim->port(), GOOD);
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[0].substr(0, 17), "HTTP/1.0 200 OK\r\n");
    EXPECT_NE(reads[0].find("\r\nContent-length: " + std::to_string(reads[1].size()) + "\r\n"), std::string::npos) << reads[0];
    EXPECT_EQ(reads[0].substr(reads[0].size() - 4), "\r\n\r\n");
    EXPECT_NE(reads[1].find("<status>0</status>"), std::string::npos);
    EXPECT_NE(reads[1].find("<vport>" + std::to_string(vmPort) + "</vport>"), std::string::npos) << reads[1];
    EXPECT_NE(reads[1].find("<userName>vmuser</userName>"), std::string::npos);
    EXPECT_NE(reads[1].find("<password>tmp-pw</password>"), std::string::npos);
    // Nothing useful in the last ten characters, where a client would not see it.
    EXPECT_EQ(reads[1].substr(reads[1].size() - 8), "</root>\n");
}

TEST_F(SimCredentialSocket, ResponseShapesFollowTheOptions) {
    struct Case {
        std::vector<std::string> options;
        std::string request;
        size_t reads;       // 0: do not check
        const char* present;
        const char* absent;
    };
    const Case cases[] = {
        {{"--http-single-record"}, GOOD, 1, "\r\n\r\n<?xml", nullptr},
        {{"--http-status", "401"}, GOOD, 0, "HTTP/1.0 401 Unauthorized\r\n", "<userName>"},
        {{"--http-no-length"}, GOOD, 2, "<password>tmp-pw</password>", "ength:"},
        {{"--http-length-header", "content-LENGTH"}, GOOD, 2, "\r\ncontent-LENGTH: ", "Content-length"},
        {{"--http-omit", "password,vport"}, GOOD, 2, "<userName>vmuser</userName>", "<password>"},
        {{"--vport", "5901"}, GOOD, 2, "<vport>5901</vport>", nullptr},
        {{"--http-body-status", "1"}, GOOD, 2, "<status>1</status>", "<userName>"},
        {{}, "GET /data/templogin?user=root&password=wrong HTTP/1.0\r\n\r\n", 2, "<status>1</status>", "<password>"},
        {{"--password", "a& b%20"}, "GET /data/templogin?user=root&password=a& b%20 HTTP/1.0\r\n\r\n", 2,
         "<status>0</status>", nullptr},
        {{}, "POST /data/templogin?user=root&password=calvin HTTP/1.0\r\n\r\n", 0, "405 Method Not Allowed", "<status>"},
        {{}, "GET /data/other HTTP/1.0\r\n\r\n", 0, "404 Not Found", nullptr},
        {{}, "GET /data/templogin?name=root HTTP/1.0\r\n\r\n", 0, "400 Bad Request", nullptr},
        {{}, "GET /data/templogin?user=root&password=calvin HTTP/1.0\n\n", 0, "400 Bad Request", nullptr},
        {{}, "GET /data/templogin?user=root&password=calvin HTTP/1.1\r\nHost: x\r\n\r\n", 2, "<status>0</status>", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request + (c.options.empty() ? "" : " with " + c.options[0]));
        start(c.options);
        auto reads = fetch(sim->port(), c.request);
        std::string text = all(reads);
        if (c.reads) {
            EXPECT_EQ(reads.size(), c.reads) << text;
        }
        EXPECT_NE(text.find(c.present), std::string::npos) << text;
        if (c.absent) {
            EXPECT_EQ(text.find(c.absent), std::string::npos) << text;
        }
    }
}

TEST_F(SimCredentialSocket, OnceEndsAfterOneAnsweredRequest) {
    start({"--once"});
    int fd = socket(AF_INET, SOCK_STREAM, 0);  // connects and leaves: no request, does not count
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(sim->port()));
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    close(fd);
    EXPECT_EQ(fetch(sim->port(), GOOD).size(), 2u);
    EXPECT_EQ(sim->waitExit(10000), 0) << sim->output();
}

TEST(SimHttpRequest, ParsesStrictlyAndWithinBounds) {
    struct Case {
        std::string text;
        sim::HttpParse result;
    };
    const Case cases[] = {
        {GOOD, sim::HttpParse::OK},
        {"GET /a HTTP/1.1\r\nHost: h\r\nX-Y:  v \r\n\r\n", sim::HttpParse::OK},
        {"GET /data/templogin?user=r&password=a b HTTP/1.0\r\n\r\n", sim::HttpParse::OK},
        {"GET /a HTTP/1.0\r\n", sim::HttpParse::INCOMPLETE},
        {"GET /a HTTP/1.0\r", sim::HttpParse::INCOMPLETE},
        {"", sim::HttpParse::INCOMPLETE},
        {"GET /a HTTP/1.0\n\n", sim::HttpParse::BAD},
        {"GET /a HTTP/2.0\r\n\r\n", sim::HttpParse::BAD},
        {"GET a HTTP/1.0\r\n\r\n", sim::HttpParse::BAD},
        {"GET\r\n\r\n", sim::HttpParse::BAD},
        {"\r\n", sim::HttpParse::BAD},
        {"G(T /a HTTP/1.0\r\n\r\n", sim::HttpParse::BAD},
        {"GET /a\x01 HTTP/1.0\r\n\r\n", sim::HttpParse::BAD},
        {"GET /a HTTP/1.0\r\nNo colon\r\n\r\n", sim::HttpParse::BAD},
        {"GET /a HTTP/1.0\r\nBad name: v\r\n\r\n", sim::HttpParse::BAD},
        {"GET /a HTTP/1.0\rX\r\n\r\n", sim::HttpParse::BAD},
        {"GET /" + std::string(3000, 'a') + " HTTP/1.0\r\n\r\n", sim::HttpParse::BAD},
        {"GET /a HTTP/1.0\r\n" + std::string(8200, 'a'), sim::HttpParse::BAD},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 60));
        sim::HttpRequest req;
        size_t head = 0;
        std::string reason;
        EXPECT_EQ(sim::parseHttpRequest(c.text.data(), c.text.size(), req, head, reason), c.result) << reason;
        if (c.result == sim::HttpParse::OK) {
            EXPECT_EQ(head, c.text.size());
        }
    }
    sim::HttpRequest req;
    size_t head = 0;
    std::string reason;
    std::string two = "GET /a HTTP/1.1\r\nHost: h\r\nX-Y:  v \r\n\r\nrest";
    ASSERT_EQ(sim::parseHttpRequest(two.data(), two.size(), req, head, reason), sim::HttpParse::OK);
    EXPECT_EQ(head, two.size() - 4);
    ASSERT_EQ(req.headers.size(), 2u);
    EXPECT_EQ(req.headers[1].first, "X-Y");
    EXPECT_EQ(req.headers[1].second, "v");

    std::string user, password;
    EXPECT_TRUE(sim::parseLoginQuery("user=a&b&password=c&password=d", user, password));
    EXPECT_EQ(user, "a&b");
    EXPECT_EQ(password, "c&password=d");
    EXPECT_TRUE(sim::parseLoginQuery("user=&password=", user, password));
    EXPECT_FALSE(sim::parseLoginQuery("password=x&user=y", user, password));
    EXPECT_FALSE(sim::parseLoginQuery("user=x", user, password));
}

} // namespace

// Temporary credentials over HTTPS against a scripted web server, and the line and element
// parsers under them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/RemdiskAPP.h"
#include "session/VMSessionListener.h"
#include "test_peer.h"
#include "test_support.h"

using rdtest::PeerConnection;
using rdtest::TestServer;

namespace {

struct Reported : VMSessionListener {
    int status = -100;
    void loginResponse(int s) override { status = s; }
    void vdiskListUpdate() override {}
};

// An application for "-r 127.0.0.1:port -u user -p password -c image".
class App {
public:
    App(int port, const std::string& user = "root", const std::string& password = "calvin") {
        vtest::writeFile(iso, std::string(4096, '\0'));
        args = {"Remdisk", "-r", "127.0.0.1:" + std::to_string(port), "-u", user, "-p", password, "-c", iso};
        for (auto& a : args)
            argv.push_back(&a[0]);
        app = std::make_unique<RemdiskAPP>(static_cast<int>(argv.size()), argv.data());
        app->getSession().addListener(reported);
    }
    RemdiskAPP& operator*() { return *app; }
    RemdiskAPP* operator->() { return app.get(); }
    Reported reported;

private:
    vtest::TempDir dir;
    std::string iso = dir.file("cd.iso");
    std::vector<std::string> args;
    std::vector<char*> argv;
    std::unique_ptr<RemdiskAPP> app;
};

// Reads the request, then sends each chunk as its own TLS record.
struct WebServer {
    std::vector<std::string> chunks;
    std::string request;
    TestServer server{[this](PeerConnection& c) {
                          char b;
                          while (request.find("\r\n\r\n") == std::string::npos && c.readExact(&b, 1))
                              request += b;
                          for (const auto& chunk : chunks)
                              c.writeAll(chunk.data(), chunk.size());
                      },
                      true};
};

std::string body(const std::string& elements) {
    return "<?xml version=\"1.0\"?>\n<root>\n" + elements + "\n</root>\n";
}

std::string headers(const std::string& b, const std::string& lengthName = "Content-length") {
    return "HTTP/1.0 200 OK\r\nContent-type: text/xml\r\n" + lengthName + ": " + std::to_string(b.size()) +
           "\r\n\r\n";
}

const std::string kGood = body("<status>0</status>\n<vport>5901</vport>\n<userName>vm1</userName>\n"
                               "<password>t3mp</password>");

} // namespace

TEST(Credentials, ResponseShapesAndTheirOutcome) {
    struct Case {
        const char* name;
        std::vector<std::string> chunks;
        int result;    // getCredentials
        int reported;  // through the login listeners; -100 when nothing was reported
        const char* user;
        int vport;
    } cases[] = {
        {"headers and body in separate records", {headers(kGood), kGood}, 0, -100, "vm1", 5901},
        {"headers and body in one record", {headers(kGood) + kGood}, 0, -100, "vm1", 5901},
        {"headers cut in two records", {"HTTP/1.0 200 OK\r\nConte", headers(kGood).substr(17) + kGood}, 0, -100, "vm1", 5901},
        {"length header in any case", {headers(kGood, "content-LENGTH"), kGood}, 0, -100, "vm1", 5901},
        {"401", {"HTTP/1.0 401 Unauthorized\r\nContent-length: 0\r\n\r\n"}, 1, -1, "", 443},
        {"no length header", {"HTTP/1.0 200 OK\r\n\r\n", kGood}, 1, -1, "", 443},
        {"refused account", {headers(body("<status>1</status>\n<vport>1</vport>")), body("<status>1</status>\n<vport>1</vport>")}, 1, 1, "", 443},
        {"one credential only", {headers(body("<status>0</status><userName>vm1</userName>")), body("<status>0</status><userName>vm1</userName>")}, -1, -1, "vm1", 443},
        {"empty password does not count", {headers(body("<status>0</status><userName>vm1</userName><password></password>")), body("<status>0</status><userName>vm1</userName><password></password>")}, -1, -1, "vm1", 443},
        {"no vport keeps 443", {headers(body("<status>0</status><userName>a</userName><password>b</password>")), body("<status>0</status><userName>a</userName><password>b</password>")}, 0, -100, "a", 443},
        {"vport beyond 16 bits ignored", {headers(body("<vport>70000</vport><userName>a</userName><password>b</password>")), body("<vport>70000</vport><userName>a</userName><password>b</password>")}, 0, -100, "a", 443},
        {"peer closes after the headers", {headers(kGood)}, -1, -1, "", 443},
    };
    for (const auto& c : cases) {
        WebServer web;
        web.chunks = c.chunks;
        App app(web.server.port());
        EXPECT_EQ(app->getCredentials(), c.result) << c.name;
        EXPECT_EQ(app.reported.status, c.reported) << c.name;
        EXPECT_EQ(app->getTempUserName(), c.user) << c.name;
        EXPECT_EQ(app->getVmPort(), c.vport) << c.name;
        EXPECT_TRUE(web.server.waitDone()) << c.name;
    }
}

TEST(Credentials, RequestCarriesUserAndPasswordUnchangedAndTooLongOnesAreRefused) {
    WebServer web;
    web.chunks = {headers(kGood), kGood};
    App app(web.server.port(), "admin", "a&b c");
    EXPECT_EQ(app->getCredentials(), 0);
    EXPECT_EQ(web.request, "GET /data/templogin?user=admin&password=a&b c HTTP/1.0\r\n\r\n");
    EXPECT_EQ(app->getTempPassword(), "t3mp");

    WebServer second;
    App longer(second.server.port(), std::string(150, 'u'), std::string(100, 'p'));
    EXPECT_THROW(longer->getCredentials(), const char*);
}

TEST(Credentials, HttpGetNextSplitsLinesAndNeverOverrunsItsBuffer) {
    char line[8];
    const char* text = "ab\r\ncd\nlast";
    int n = static_cast<int>(std::strlen(text));
    EXPECT_EQ(RemdiskAPP::httpGetNext(text, n, line, sizeof line), 4);
    EXPECT_STREQ(line, "ab");
    EXPECT_EQ(RemdiskAPP::httpGetNext(text + 4, n - 4, line, sizeof line), 3);
    EXPECT_STREQ(line, "cd");
    // A last line without an end is copied without its last character; a line that ends
    // exactly with the data reports the end.
    EXPECT_EQ(RemdiskAPP::httpGetNext(text + 7, n - 7, line, sizeof line), 3);
    EXPECT_STREQ(line, "las");
    EXPECT_EQ(RemdiskAPP::httpGetNext("ab\r\n", 4, line, sizeof line), 0);
    EXPECT_STREQ(line, "ab");
    const std::string longLine = std::string(50, 'x') + "\n";
    EXPECT_EQ(RemdiskAPP::httpGetNext(longLine.c_str(), 60, line, sizeof line), 51);
    EXPECT_EQ(std::string(line), std::string(7, 'x'));
}

TEST(Credentials, NextNodeWalksElementsAttributesAndComments) {
    WebServer unused;
    App app(unused.server.port());
    const char* xml = "<!-- note --><item kind=\"a//b\">text here</item><next>2</next> and some tail";
    app->CleanNode();
    app->NextNode(xml);
    EXPECT_STREQ(app->nodeName, "!");
    int last = app->nodePosition;
    app->CleanNode();
    app->nodePosition = last;
    app->NextNode(xml);
    EXPECT_STREQ(app->nodeName, "item");
    EXPECT_STREQ(app->attrName, "kind");
    EXPECT_STREQ(app->attrValue, "a/b");
    EXPECT_STREQ(app->nodeText, "text here");
    last = app->nodePosition;
    app->CleanNode();
    app->nodePosition = last;
    app->NextNode(xml);
    EXPECT_STREQ(app->nodeName, "next");
    EXPECT_STREQ(app->nodeText, "2");
    // Fields are cut to their size.
    std::string big = "<" + std::string(40, 'n') + ">" + std::string(300, 't') + "</x>          ";
    app->CleanNode();
    app->NextNode(big.c_str());
    EXPECT_EQ(std::strlen(app->nodeName), sizeof app->nodeName - 1);
    EXPECT_EQ(std::strlen(app->nodeText), sizeof app->nodeText - 1);
    // Fewer than eleven characters left: nothing is seen.
    app->CleanNode();
    app->NextNode("<a>1</a>");
    EXPECT_STREQ(app->nodeName, "");
    EXPECT_EQ(app->nodePosition, 0);
}

// Temporary credentials over HTTPS: one HTTP/1.0 GET of "/data/templogin" and the tagged body
// that answers it.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/RemdiskAPP.h"
#include "foundation/ZSocket.h"
#include "foundation/ZTrace.h"

namespace {

const char* const kWhere = "RemdiskAPP:GetCredentials";

// An element's text counts when it is there and starts with a 7-bit character.
bool usable(const char* text) {
    const unsigned char first = static_cast<unsigned char>(text[0]);
    return first >= 1 && first <= 127;
}

bool startsWithNoCase(const char* text, const char* prefix) {
    return strncasecmp(text, prefix, std::strlen(prefix)) == 0;
}

// Closes the credential connection on every way out of getCredentials.
struct ClosingSocket {
    std::unique_ptr<ZSocket> socket;
    ~ClosingSocket() { release(); }
    void release() {
        if (socket)
            socket->close();
        socket.reset();
    }
};

// Where the body starts: just after the blank line that ends the headers, or -1.
int bodyStart(const char* response, int held) {
    for (int i = 0; i + 1 < held; ++i) {
        if (response[i] == '\n' && response[i + 1] == '\n')
            return i + 2;
        if (i + 3 < held && std::memcmp(response + i, "\r\n\r\n", 4) == 0)
            return i + 4;
    }
    return -1;
}

// Copies from src while keep(c) holds, at most size - 1 characters (the rest is skipped,
// not copied); returns the index where copying stopped.
template <class Keep, class Take>
int copyWhile(const char* s, int i, char* out, int size, Keep keep, Take take) {
    int n = 0;
    while (s[i] && keep(s, i)) {
        int c = take(s, i); // may advance i; -1 drops the character
        if (c >= 0 && n < size - 1)
            out[n++] = static_cast<char>(c);
        if (s[i])
            ++i;
    }
    out[n] = 0;
    return i;
}

} // namespace

int RemdiskAPP::httpGetNext(const char* src, int n, char* line, int size) {
    if (!line || size <= 0)
        return 0;
    std::memset(line, 0, static_cast<size_t>(size));
    int consumed = 0;
    int copied = 0;
    while (src && consumed < n - 1) {
        const char c = src[consumed];
        if (c == '\r') {
            ++consumed;
            if (consumed < n && src[consumed] == '\n')
                ++consumed;
            break;
        }
        if (c == '\n') {
            ++consumed;
            break;
        }
        if (copied < size - 1)
            line[copied++] = c;
        ++consumed;
    }
    return consumed < n ? consumed : 0;
}

void RemdiskAPP::CleanNode() {
    nodePosition = 0;
    std::memset(nodeName, 0, sizeof nodeName);
    std::memset(attrName, 0, sizeof attrName);
    std::memset(attrValue, 0, sizeof attrValue);
    std::memset(nodeText, 0, sizeof nodeText);
}

void RemdiskAPP::NextNode(const char* body) {
    if (!body)
        return;
    const char* s = body + nodePosition;
    const int L = static_cast<int>(std::strlen(s)) - 1;
    if (L <= 9)
        return;
    auto find = [s](int from, char wanted) {
        for (int k = from < 0 ? 0 : from; s[k]; ++k)
            if (s[k] == wanted)
                return k;
        return -1;
    };
    int i = find(0, '<');
    if (i < 0)
        return;
    if (s[i + 1] == '!') {
        int k = i;
        while (s[k] && !(s[k] == '-' && s[k + 1] == '>'))
            ++k;
        if (!s[k])
            return;
        std::strcpy(nodeName, "!");
        nodePosition += k;
        return;
    }
    if (s[i] == '<' && s[i + 1] == '/') {
        i = find(i, '>');
        if (i < 0)
            return;
    }
    if (s[i] == '<' && i > 0)
        --i;
    i = find(i, '<');
    if (i < 0)
        return;

    // Element name: up to '>', a blank or the end, without any '/'.
    i = copyWhile(
        s, i + 1, nodeName, sizeof nodeName,
        [](const char* t, int k) { return t[k] != '>' && t[k] != ' '; },
        [](const char* t, int k) { return t[k] == '/' ? -1 : t[k]; });
    if (s[i] == ' ') {
        i = copyWhile(
            s, i + 1, attrName, sizeof attrName,
            [](const char* t, int k) { return t[k] != '=' && t[k] != '>' && t[k] != '/'; },
            [](const char* t, int k) { return t[k]; });
        if (s[i] == '=') {
            // Double quotes are dropped; a '/' is dropped and the character after it is only
            // checked for '>' and '"'.
            int n = 0;
            ++i;
            while (s[i] && s[i] != '>') {
                char c = s[i];
                if (c == '/') {
                    ++i;
                    c = s[i];
                    if (!c || c == '>')
                        break;
                }
                if (c != '"' && n < static_cast<int>(sizeof attrValue) - 1)
                    attrValue[n++] = c;
                ++i;
            }
            attrValue[n] = 0;
        }
    }
    if (s[i] == '>') {
        i = copyWhile(
            s, i + 1, nodeText, sizeof nodeText, [](const char* t, int k) { return t[k] != '<'; },
            [](const char* t, int k) { return t[k]; });
    }
    if (s[i] == '<' && s[i + 1] == '/') {
        while (s[i] && s[i] != '>')
            ++i;
    }
    nodePosition += i;
}

int RemdiskAPP::scanHeaders(const char* response, int held) {
    int length = 0;
    char line[kHeaderLineSize];
    for (int pos = 0;;) {
        const int used = httpGetNext(response + pos, held - pos, line, sizeof line);
        ZTRACE(9, "%s HttpHeader:[%s]\n", kWhere, line);
        if (std::strncmp(line, "HTTP", 4) == 0) {
            // The code stands after the protocol version and one blank.
            if (std::atoi(line + 9) != 200)
                return -1;
        } else if (startsWithNoCase(line, "Content-length:")) {
            length = std::atoi(line + 16);
            break;
        }
        if (used == 0)
            break;
        pos += used;
    }
    return length;
}

int RemdiskAPP::readHeaders(ZSocket& socket, char* response, int held) {
    // The headers normally come in the first read; keep reading while they have not ended
    // and there is room.
    while (held > 0 && held < kResponseLimit && bodyStart(response, held) < 0) {
        int n = socket.read(reinterpret_cast<unsigned char*>(response), held, kResponseLimit - held);
        if (n <= 0)
            break;
        held += n;
    }
    return held;
}

int RemdiskAPP::getCredentials() {
    ZTRACE(1, "%s create socket on port %i\n", kWhere, credentialsPort);
    ClosingSocket connection;
    connection.socket.reset(new ZSocket(serverName.c_str(), credentialsPort, true));
    ZSocket& socket = *connection.socket;
    ZTRACE(1, "%s SSL Connection setup\n", kWhere);
    socket.setSSLConnection(socket.sslConnect());
    ZTRACE(1, "%s socket created, ssl started.\n", kWhere);

    const std::string request =
        "GET /data/templogin?user=" + userName + "&password=" + password + " HTTP/1.0\r\n\r\n";
    if (static_cast<int>(request.size()) > kRequestLimit) {
        ZTRACE(0, "%s request of %i characters is too long\n", kWhere, static_cast<int>(request.size()));
        throw "User name and password are too long for the credential request.";
    }
    ZTRACE(1, "%s request:[%s]\n", kWhere, request.c_str());
    socket.writeString(reinterpret_cast<const unsigned char*>(request.c_str()));

    std::vector<char> response(kResponseLimit + 1, 0);
    int held = socket.read(reinterpret_cast<unsigned char*>(response.data()), 0, kResponseLimit);
    ZTRACE(1, "%s bytes returned: %i\n", kWhere, held);
    if (held < 0)
        held = 0;
    held = readHeaders(socket, response.data(), held);
    ZTRACE(1, "%s HTTP Response:[%s]\n", kWhere, response.data());

    const int length = scanHeaders(response.data(), held);
    if (length < 0) {
        connection.release();
        session.fireLoginResponse(-1);
        return 1;
    }
    ZTRACE(1, "%s Content Length: %i\n", kWhere, length);
    if (length <= 0 || length > kBodyLimit) {
        connection.release();
        session.fireLoginResponse(-1);
        return 1;
    }

    // Body bytes that came with the headers count; only the rest is read.
    std::vector<char> body(static_cast<size_t>(length) + 1, 0);
    int have = 0;
    const int start = bodyStart(response.data(), held);
    if (start >= 0 && start < held) {
        have = std::min(held - start, length);
        std::memcpy(body.data(), response.data() + start, static_cast<size_t>(have));
    }
    if (have < length &&
        socket.readFully(reinterpret_cast<unsigned char*>(body.data()), have, length - have) == -1)
        ZTRACE(0, "%s body ended after %i of %i bytes\n", kWhere, have, length);
    connection.release();
    ZTRACE(1, "%s Content Read:[%s]\n", kWhere, body.data());
    return scanCredentialBody(body.data(), length);
}

int RemdiskAPP::scanCredentialBody(const char* body, int length) {
    int count = 0;
    int status = 0;
    CleanNode();
    int last = 0;
    while (nodePosition < length) {
        NextNode(body);
        if (nodePosition == last)
            break;
        last = nodePosition;
        const bool hasText = usable(nodeText);
        if (std::strcmp(nodeName, "status") == 0 && hasText) {
            status = std::atoi(nodeText);
            if (status != 0)
                break;
        } else if (std::strcmp(nodeName, "vport") == 0 && hasText) {
            const int port = std::atoi(nodeText);
            // A port that does not fit 16 bits would connect somewhere else.
            if (port > 0 && port <= 65535)
                vmPort = port;
            else
                ZTRACE(0, "%s ignoring vport [%s]\n", kWhere, nodeText);
        } else if (std::strcmp(nodeName, "userName") == 0 && hasText) {
            tempUserName = nodeText;
            ++count;
        } else if (std::strcmp(nodeName, "password") == 0 && hasText) {
            tempPassword = nodeText;
            ++count;
        }
        CleanNode();
        nodePosition = last;
    }
    ZTRACE(4, "%s temp credentials:[%s][%s][%i]\n", kWhere, tempUserName.c_str(),
           tempPassword.c_str(), vmPort);
    if (count <= 1 && status != 1)
        status = -1;
    if (status != 0)
        session.fireLoginResponse(status);
    return status;
}

#include "http/http_request.h"

#include <cstring>

namespace sim {

namespace {

bool isTokenChar(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

bool isControl(unsigned char c) { return (c < 0x20 && c != '\t') || c == 0x7F; }

bool parseRequestLine(const std::string& line, HttpRequest& out, std::string& reason) {
    size_t first = line.find(' ');
    size_t last = line.rfind(' ');
    if (first == std::string::npos || first == last) {
        reason = "request line is not \"METHOD TARGET VERSION\"";
        return false;
    }
    out.method = line.substr(0, first);
    out.target = line.substr(first + 1, last - first - 1);
    out.version = line.substr(last + 1);
    for (unsigned char c : out.method)
        if (!isTokenChar(c)) {
            reason = "bad method";
            return false;
        }
    if (out.method.empty() || out.target.empty() || out.target[0] != '/') {
        reason = "bad request target";
        return false;
    }
    for (unsigned char c : out.target)
        if (c == '\t') {
            reason = "bad request target";
            return false;
        }
    if (out.version != "HTTP/1.0" && out.version != "HTTP/1.1") {
        reason = "unsupported HTTP version";
        return false;
    }
    return true;
}

bool parseHeaderLine(const std::string& line, HttpRequest& out, std::string& reason) {
    size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) {
        reason = "bad header line";
        return false;
    }
    for (size_t i = 0; i < colon; ++i)
        if (!isTokenChar(static_cast<unsigned char>(line[i]))) {
            reason = "bad header name";
            return false;
        }
    size_t b = colon + 1, e = line.size();
    while (b < e && (line[b] == ' ' || line[b] == '\t')) ++b;
    while (e > b && (line[e - 1] == ' ' || line[e - 1] == '\t')) --e;
    if (out.headers.size() >= HTTP_MAX_HEADERS) {
        reason = "too many header lines";
        return false;
    }
    out.headers.emplace_back(line.substr(0, colon), line.substr(b, e - b));
    return true;
}

} // namespace

HttpParse parseHttpRequest(const char* data, size_t len, HttpRequest& out, size_t& headLength, std::string& reason) {
    out = HttpRequest();
    size_t pos = 0;
    bool first = true;
    while (true) {
        size_t end = pos;
        while (end < len && data[end] != '\n') {
            if (isControl(static_cast<unsigned char>(data[end])) && data[end] != '\r') {
                reason = "control character in the request";
                return HttpParse::BAD;
            }
            if (data[end] == '\r' && end + 1 < len && data[end + 1] != '\n') {
                reason = "carriage return inside a line";
                return HttpParse::BAD;
            }
            ++end;
        }
        size_t lineLength = end - pos;
        if (lineLength > HTTP_MAX_LINE + 1 || end >= HTTP_MAX_HEAD) {
            reason = "request head too long";
            return HttpParse::BAD;
        }
        if (end >= len) return HttpParse::INCOMPLETE;
        if (lineLength == 0 || data[end - 1] != '\r') {
            reason = "line not ended by CR LF";
            return HttpParse::BAD;
        }
        std::string line(data + pos, lineLength - 1);
        pos = end + 1;
        if (line.empty()) {
            if (first) {
                reason = "empty request line";
                return HttpParse::BAD;
            }
            headLength = pos;
            return HttpParse::OK;
        }
        if (first ? !parseRequestLine(line, out, reason) : !parseHeaderLine(line, out, reason)) return HttpParse::BAD;
        first = false;
    }
}

void splitTarget(const std::string& target, std::string& path, std::string& query) {
    size_t q = target.find('?');
    path = target.substr(0, q);
    query = q == std::string::npos ? std::string() : target.substr(q + 1);
}

bool parseLoginQuery(const std::string& query, std::string& user, std::string& password) {
    static const char USER[] = "user=";
    static const char PASSWORD[] = "&password=";
    if (query.compare(0, sizeof USER - 1, USER) != 0) return false;
    size_t p = query.find(PASSWORD, sizeof USER - 1);
    if (p == std::string::npos) return false;
    user = query.substr(sizeof USER - 1, p - (sizeof USER - 1));
    password = query.substr(p + sizeof PASSWORD - 1);
    return true;
}

} // namespace sim

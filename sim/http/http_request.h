// Strict, bounded parser of the one HTTP request the credential endpoint serves: a request
// line and optional header lines, ended by an empty line. Nothing is percent-decoded: the
// client sends its user name and password unescaped, so a password may hold spaces or "&".
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace sim {

struct HttpRequest {
    std::string method;
    std::string target;   // as sent, spaces included
    std::string version;  // "HTTP/1.0" or "HTTP/1.1"
    std::vector<std::pair<std::string, std::string>> headers;
};

enum class HttpParse { INCOMPLETE, OK, BAD };

constexpr size_t HTTP_MAX_HEAD = 8192;   // request line and headers together
constexpr size_t HTTP_MAX_LINE = 2048;
constexpr size_t HTTP_MAX_HEADERS = 32;

// Looks for a complete head in data[0, len). OK: out is filled and headLength is the byte
// count up to and including the empty line. INCOMPLETE: more bytes are needed (and allowed).
// BAD: reason says why (too long, bare line feed, control characters, bad request line or
// header line).
HttpParse parseHttpRequest(const char* data, size_t len, HttpRequest& out, size_t& headLength, std::string& reason);

// Splits "/path?query" (no "?": empty query).
void splitTarget(const std::string& target, std::string& path, std::string& query);

// The query of the credential request, exactly "user=U&password=P": U runs to the first
// "&password=", P is the rest. False for any other shape.
bool parseLoginQuery(const std::string& query, std::string& user, std::string& password);

} // namespace sim

// The credential endpoint's request parser on hostile input: every prefix length (as the
// bytes arrive) and the query split of whatever parses.
#include <cstddef>
#include <cstdint>
#include <string>

#include "http/http_request.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 2 * sim::HTTP_MAX_HEAD) return 0;
    const char* text = reinterpret_cast<const char*>(data);
    for (size_t n : {size / 3, size / 2, size}) {
        sim::HttpRequest req;
        size_t head = 0;
        std::string reason;
        if (sim::parseHttpRequest(text, n, req, head, reason) != sim::HttpParse::OK) continue;
        if (head > n) __builtin_trap();
        std::string path, query, user, password;
        sim::splitTarget(req.target, path, query);
        if (sim::parseLoginQuery(query, user, password) && user.size() + password.size() > query.size()) __builtin_trap();
    }
    return 0;
}

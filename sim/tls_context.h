// TLS server context of the simulator: a fresh self-signed certificate made at start-up, so
// no key is ever checked in.
#pragma once

#include <openssl/ssl.h>

#include <string>

namespace sim {

// A new server context with the process's self-signed P-256 certificate (made once, on the
// first call); null with a message when OpenSSL fails. The caller frees it (SSL_CTX_free).
SSL_CTX* newServerTlsContext(std::string& error);

} // namespace sim

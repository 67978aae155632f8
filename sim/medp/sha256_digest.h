// SHA-256 in lower-case hex, to check what a client served against the medium's file.
#pragma once

#include <openssl/evp.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace sim {

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    void update(const uint8_t* data, size_t n);
    std::string hex();  // ends the digest

private:
    EVP_MD_CTX* ctx_;
};

// Digest and size of a whole file; false with a message when it cannot be read.
bool sha256File(const std::string& path, std::string& hex, uint64_t& size, std::string& error);
// True for 64 hex digits (either case).
bool isSha256Hex(const std::string& s);

} // namespace sim

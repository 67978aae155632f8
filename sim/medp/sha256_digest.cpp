#include "medp/sha256_digest.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace sim {

Sha256::Sha256() : ctx_(EVP_MD_CTX_new()) { EVP_DigestInit_ex(ctx_, EVP_sha256(), nullptr); }

Sha256::~Sha256() { EVP_MD_CTX_free(ctx_); }

void Sha256::update(const uint8_t* data, size_t n) { EVP_DigestUpdate(ctx_, data, n); }

std::string Sha256::hex() {
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    EVP_DigestFinal_ex(ctx_, md, &n);
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (unsigned int i = 0; i < n; ++i) {
        s += digits[md[i] >> 4];
        s += digits[md[i] & 15];
    }
    return s;
}

bool sha256File(const std::string& path, std::string& hex, uint64_t& size, std::string& error) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    Sha256 sha;
    std::vector<uint8_t> buf(1 << 20);
    size = 0;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), f)) > 0) {
        sha.update(buf.data(), n);
        size += n;
    }
    bool bad = std::ferror(f) != 0;
    std::fclose(f);
    if (bad) {
        error = path + ": read error";
        return false;
    }
    hex = sha.hex();
    return true;
}

bool isSha256Hex(const std::string& s) {
    if (s.size() != 64) return false;
    for (char c : s)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

} // namespace sim

// What the SEL decoder's modules share: the attached callbacks and decoding method, a
// bounded view of one SDR and a bounded text builder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "cslfsel.h"

namespace cslf {

// The callbacks and decoding method set through CSLFAttach / CSLFSetDecodingMethod.
const USERAPIList& callbacks();
const CSLFMethod& method();
bool makerMethod();  // the method's manufacturer ID is the maker's

// A walk over a repository ends at the callbacks' "none"; a cycle in a broken repository is
// cut after this many records (more than 16-bit record handles can name).
constexpr unsigned kMaxWalkRecords = 0x10000;

// One SDR as the decoder reads it: bytes past the record's own length (5 + byte 4) read as 0.
// With a converter the record is first copied into a local 64-byte buffer.
class SdrView {
public:
    SdrView(const uint8_t* sdr, CSLFConvertSDRFn convert) {
        if (sdr == nullptr) return;
        std::size_t cap = 5u + 255u;
        if (convert != nullptr) {
            std::memset(copy_, 0, sizeof copy_);
            convert(sdr, copy_);
            sdr = copy_;
            cap = sizeof copy_;
        }
        p_ = sdr;
        len_ = 5u + sdr[4];  // a record always has its 5-byte header
        if (len_ > cap) len_ = cap;
    }
    bool valid() const { return p_ != nullptr; }
    std::size_t size() const { return len_; }
    uint8_t at(std::size_t i) const { return i < len_ ? p_[i] : 0; }
    uint8_t type() const { return at(3); }
    // Up to n bytes of the record from position i, cut at its end.
    std::size_t bytes(std::size_t i, std::size_t n, const uint8_t** out) const {
        if (i >= len_) return 0;
        *out = p_ + i;
        return (n < len_ - i) ? n : len_ - i;
    }

private:
    const uint8_t* p_ = nullptr;
    std::size_t len_ = 0;
    uint8_t copy_[CSLF_SDR_COPY_SIZE];
};

// Appends to a caller's buffer of fixed capacity; text that does not fit is cut and the
// buffer always stays zero-terminated.
class TextBuf {
public:
    TextBuf(char* buf, std::size_t cap, bool clear = true) : buf_(buf), cap_(cap) {
        if (cap_ == 0) return;
        if (clear) buf_[0] = '\0';
        len_ = std::strlen(buf_);
    }
    TextBuf& add(const char* s) {
        if (s != nullptr) addBytes(s, std::strlen(s));
        return *this;
    }
    TextBuf& addChar(char c) { return addBytes(&c, 1); }
    TextBuf& addUnsigned(unsigned v);
    TextBuf& addBytes(const char* s, std::size_t n) {
        if (cap_ == 0) return *this;
        std::size_t room = cap_ - 1 - len_;
        if (n > room) n = room;
        std::memcpy(buf_ + len_, s, n);
        len_ += n;
        buf_[len_] = '\0';
        return *this;
    }
    std::size_t length() const { return len_; }
    bool empty() const { return len_ == 0; }

private:
    char* buf_;
    std::size_t cap_;
    std::size_t len_ = 0;
};

}  // namespace cslf

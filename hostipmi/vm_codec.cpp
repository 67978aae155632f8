#include "vm_codec.h"

namespace vmcodec {

uint8_t checksum(const uint8_t* p, size_t n) {
    uint8_t sum = 0;
    for (size_t i = 0; i < n; ++i) sum = static_cast<uint8_t>(sum + p[i]);
    return static_cast<uint8_t>(-sum);
}

namespace {

Bytes escapeAndEnd(const Bytes& body, uint8_t end) {
    Bytes out;
    out.reserve(body.size() + 4);
    for (uint8_t b : body) {
        if (b == kMessageEnd || b == kControlEnd || b == kEscape) {
            out.push_back(kEscape);
            out.push_back(static_cast<uint8_t>(b | 0x10));
        } else {
            out.push_back(b);
        }
    }
    out.push_back(end);
    return out;
}

} // namespace

Bytes encodeMessage(const Bytes& body) {
    Bytes withSum = body;
    withSum.push_back(checksum(body.data(), body.size()));
    return escapeAndEnd(withSum, kMessageEnd);
}

Bytes encodeControl(const Bytes& body) { return escapeAndEnd(body, kControlEnd); }

void Decoder::finish(bool control, std::vector<Frame>& out) {
    bool bad = overflow_ || escaped_;
    if (!bad && !control) {
        // seq, netfn/lun, cmd and the checksum at least; the sum over all must be zero.
        bad = buf_.size() < 4 || checksum(buf_.data(), buf_.size()) != 0;
        if (!bad) buf_.pop_back();
    }
    if (!bad && control && buf_.empty()) bad = true;
    if (bad) {
        ++errors_;
    } else {
        Frame f;
        f.control = control;
        f.bytes.swap(buf_);
        out.push_back(std::move(f));
    }
    buf_.clear();
    escaped_ = false;
    overflow_ = false;
}

void Decoder::feed(const uint8_t* p, size_t n, std::vector<Frame>& out) {
    for (size_t i = 0; i < n; ++i) {
        uint8_t b = p[i];
        if (b == kMessageEnd || b == kControlEnd) {
            finish(b == kControlEnd, out);
            continue;
        }
        if (b == kEscape) {
            if (escaped_) overflow_ = true; // AAh AAh is not a valid escape: drop the frame
            escaped_ = true;
            continue;
        }
        if (escaped_) {
            b = static_cast<uint8_t>(b & ~0x10);
            escaped_ = false;
        }
        if (buf_.size() >= kMaxFrame) {
            overflow_ = true;
            continue;
        }
        buf_.push_back(b);
    }
}

Bytes encodeRequest(const Request& r) {
    Bytes body{r.seq, static_cast<uint8_t>((r.netfn << 2) | (r.lun & 3)), r.cmd};
    body.insert(body.end(), r.data.begin(), r.data.end());
    return encodeMessage(body);
}

Bytes encodeResponse(const Response& r) {
    Bytes body{r.seq, static_cast<uint8_t>((r.netfn << 2) | (r.lun & 3)), r.cmd, r.cc};
    body.insert(body.end(), r.data.begin(), r.data.end());
    return encodeMessage(body);
}

bool parseRequest(const Frame& f, Request& r) {
    if (f.control || f.bytes.size() < 3) return false;
    r.seq = f.bytes[0];
    r.netfn = static_cast<uint8_t>(f.bytes[1] >> 2);
    r.lun = static_cast<uint8_t>(f.bytes[1] & 3);
    r.cmd = f.bytes[2];
    r.data.assign(f.bytes.begin() + 3, f.bytes.end());
    return true;
}

bool parseResponse(const Frame& f, Response& r) {
    if (f.control || f.bytes.size() < 4) return false;
    r.seq = f.bytes[0];
    r.netfn = static_cast<uint8_t>(f.bytes[1] >> 2);
    r.lun = static_cast<uint8_t>(f.bytes[1] & 3);
    r.cmd = f.bytes[2];
    r.cc = f.bytes[3];
    r.data.assign(f.bytes.begin() + 4, f.bytes.end());
    return true;
}

} // namespace vmcodec

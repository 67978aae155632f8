// Blob transfers (certificates, the CSR, the server key, the core dump) and the session list.
#define RAC_MODULE "racext"
#include "racext_groups.h"
#include "racipmi_ops.h"
#include "tracelog.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr u8 kCoredumpToken = 21, kCertToken = 22, kUserCertToken = 28, kSessionToken = 23;
constexpr u16 kSessionCapacity = 271;
constexpr u16 kSessionEntryWire = 11; // the fixed part of an entry; fewer left ends the list
constexpr u8 kMaxUser = 16;

unsigned enter(RacIpmi* r, const void* arg) {
    if (r == nullptr || r->pPrivateData == nullptr || arg == nullptr) return RACIPMI_INVALID_INPUT_PARAM;
    return racReadinessGate(r);
}

unsigned blobRead(RacIpmi* r, const char* op, u8 token, u8 index, RacBlob* b) {
    RAC_TRACE_OP(op);
    unsigned st = enter(r, b);
    if (st != RACIPMI_SUCCESS) return racExtResult(op, st);
    st = getRacExtCfgParam(r->pPrivateData, token, index, 0xFFFF, &b->length, b->data);
    // The parameter's own header takes 5 of its 65,535 bytes, so the terminator always fits.
    if (st == RACIPMI_SUCCESS && b->length < RAC_BLOB_MAX) b->data[b->length] = 0;
    return racExtResult(op, st);
}

unsigned blobWrite(RacIpmi* r, const char* op, u8 token, u8 index, const RacBlob* b) {
    RAC_TRACE_OP(op);
    unsigned st = enter(r, b);
    if (st == RACIPMI_SUCCESS) st = setRacExtCfgParam(r->pPrivateData, token, index, 1, 1, b->length, b->data);
    return racExtResult(op, st);
}

// User certificates are addressed by the blob's user index (1-16), CA certificates 16 above.
unsigned userIndex(const RacBlob* b, u8 offset, u8* index) {
    if (b == nullptr || b->userIndex < 1 || b->userIndex > kMaxUser) return RACIPMI_INVALID_INPUT_PARAM;
    *index = static_cast<u8>(b->userIndex + offset);
    return RACIPMI_SUCCESS;
}

unsigned userBlob(RacIpmi* r, const char* op, u8 offset, RacBlob* b, bool write) {
    u8 index = 0;
    if (userIndex(b, offset, &index) != RACIPMI_SUCCESS) {
        RAC_TRACE_OP(op);
        return racExtResult(op, RACIPMI_INVALID_INPUT_PARAM);
    }
    return write ? blobWrite(r, op, kUserCertToken, index, b) : blobRead(r, op, kUserCertToken, index, b);
}

u32 le32(const u8* p) {
    return static_cast<u32>(p[0]) | static_cast<u32>(p[1]) << 8 | static_cast<u32>(p[2]) << 16 |
           static_cast<u32>(p[3]) << 24;
}

} // namespace

extern "C" {

unsigned getRacCoredump(RacIpmi* r, RacBlob* b) { return blobRead(r, "getRacCoredump", kCoredumpToken, 2, b); }
unsigned getRacServerCert(RacIpmi* r, RacBlob* b) { return blobRead(r, "getRacServerCert", kCertToken, 1, b); }
unsigned setRacServerCert(RacIpmi* r, RacBlob* b) { return blobWrite(r, "setRacServerCert", kCertToken, 1, b); }
unsigned getRacCaCert(RacIpmi* r, RacBlob* b) { return blobRead(r, "getRacCaCert", kCertToken, 2, b); }
unsigned setRacCaCert(RacIpmi* r, RacBlob* b) { return blobWrite(r, "setRacCaCert", kCertToken, 2, b); }
unsigned getRacCsr(RacIpmi* r, RacBlob* b) { return blobRead(r, "getRacCsr", kCertToken, 3, b); }
unsigned getRacServerCertView(RacIpmi* r, RacBlob* b) {
    return blobRead(r, "getRacServerCertView", kCertToken, 5, b);
}
unsigned getRacCaCertView(RacIpmi* r, RacBlob* b) { return blobRead(r, "getRacCaCertView", kCertToken, 6, b); }
unsigned setRacServerKey(RacIpmi* r, RacBlob* b) { return blobWrite(r, "setRacServerKey", kCertToken, 7, b); }
unsigned getRacUserCertView(RacIpmi* r, RacBlob* b) { return userBlob(r, "getRacUserCertView", 0, b, false); }
unsigned setRacUserCert(RacIpmi* r, RacBlob* b) { return userBlob(r, "setRacUserCert", 0, b, true); }
unsigned getRacUserCaCertView(RacIpmi* r, RacBlob* b) {
    return userBlob(r, "getRacUserCaCertView", kMaxUser, b, false);
}
unsigned setRacUserCaCert(RacIpmi* r, RacBlob* b) { return userBlob(r, "setRacUserCaCert", kMaxUser, b, true); }

unsigned getRacCsrStatus(RacIpmi* r, u32* csrStatus) {
    RAC_TRACE_OP("getRacCsrStatus");
    unsigned st = enter(r, csrStatus);
    u8 value = 0;
    u16 len = 0;
    if (st == RACIPMI_SUCCESS) st = getRacExtCfgParam(r->pPrivateData, kCertToken, 4, 1, &len, &value);
    if (st == RACIPMI_SUCCESS) *csrStatus = value;
    return racExtResult("getRacCsrStatus", st);
}

unsigned getRacSessionInfo(RacIpmi* r, u16* count, RacSessionEntry* entries) {
    RAC_TRACE_OP("getRacSessionInfo");
    unsigned st = count == nullptr ? static_cast<unsigned>(RACIPMI_INVALID_INPUT_PARAM) : enter(r, entries);
    if (st != RACIPMI_SUCCESS) return racExtResult("getRacSessionInfo", st);
    u8* d = static_cast<u8*>(std::calloc(1, kSessionCapacity));
    if (d == nullptr) return racExtResult("getRacSessionInfo", RACIPMI_MEM_ALLOC_FAILED);
    u16 len = 0;
    st = getRacExtCfgParam(r->pPrivateData, kSessionToken, 0, kSessionCapacity, &len, d);
    *count = 0;
    std::size_t pos = 0;
    while (st == RACIPMI_SUCCESS && *count < RAC_MAX_SESSIONS && len - pos > kSessionEntryWire) {
        RacSessionEntry& e = entries[*count];
        std::memset(&e, 0, sizeof e);
        e.sessionId = d[pos];
        e.value1 = le32(d + pos + 1);
        e.value2 = le32(d + pos + 5);
        e.value3 = d[pos + 9];
        std::size_t claimed = d[pos + 10];
        pos += kSessionEntryWire;
        // A name running past the data the controller sent keeps what arrived and ends the list.
        std::size_t n = claimed < len - pos ? claimed : len - pos;
        std::memcpy(e.name, d + pos, n);
        e.nameLength = static_cast<u8>(n);
        pos += n;
        ++*count;
        if (n < claimed) break;
    }
    std::free(d);
    return racExtResult("getRacSessionInfo", st);
}

} // extern "C"

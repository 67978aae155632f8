// The RacDiag facade: a small diagnostic view built on the interface record.
#define RAC_MODULE "racdiag"
#include "racipmi_ops.h"
#include "tracelog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Record sizes of the groups the facade reads (bytes, as the controller transfers them).
constexpr size_t kNicLinkSetSize = 8;
constexpr size_t kVmCfgSize = 525;
constexpr size_t kRacInfoSize = 377;
constexpr size_t kFwUpdateSize = 346;
constexpr size_t kWebServerSize = 11;
constexpr size_t kPostResultSize = 251;

RacIpmi* recordOf(RacDiag* h) {
    return (h != nullptr && h->ppRacIpmi != nullptr) ? *h->ppRacIpmi : nullptr;
}

// Reads one group through its operation, called with its exact type (the slots hold the
// same functions). Until a group's module is built its operation is a stub taking only the
// record; the template serves the real (record, destination) form once it lands.
inline unsigned readRecord(unsigned (*op)(RacIpmi*), RacIpmi* r, void*) { return op(r); }
template <class T> unsigned readRecord(unsigned (*op)(RacIpmi*, T*), RacIpmi* r, void* dest) {
    return op(r, static_cast<T*>(dest));
}

// A string field of a record: a length byte, then the characters.
void copyRecordString(char* out, size_t outSize, const u8* field, size_t capacity) {
    size_t n = field[0];
    if (n > capacity) n = capacity;
    if (n > outSize - 1) n = outSize - 1;
    std::memcpy(out, field + 1, n);
    out[n] = '\0';
}

void freeHandle(RacDiag* h) {
    if (h->ppRacIpmi != nullptr) {
        if (*h->ppRacIpmi != nullptr) {
            RacIpmiUninit(*h->ppRacIpmi);
            std::free(*h->ppRacIpmi);
        }
        std::free(h->ppRacIpmi);
    }
    std::memset(h, 0, sizeof *h);
}

} // namespace

extern "C" {

unsigned RacDiagInit(RacDiag* h) {
    TraceLogSetLevel(0);
    TraceLogSetTarget(0);
    TraceLogSetComponent(0);
    if (h == nullptr) return RACIPMI_INVALID_INPUT_PARAM;
    std::memset(h, 0, sizeof *h);
    h->ppRacIpmi = static_cast<RacIpmi**>(std::calloc(1, sizeof(RacIpmi*)));
    if (h->ppRacIpmi == nullptr) return RACIPMI_MEM_ALLOC_FAILED;
    auto* rec = static_cast<RacIpmi*>(std::calloc(1, sizeof(RacIpmi)));
    auto* block = static_cast<u32*>(std::calloc(RACIPMI_INIT_BLOCK_WORDS, sizeof(u32)));
    if (rec == nullptr || block == nullptr) {
        std::free(rec);
        std::free(block);
        freeHandle(h);
        return RACIPMI_MEM_ALLOC_FAILED;
    }
    unsigned st = RacIpmiInit(rec, block);
    std::free(block); // the library keeps its own copy
    if (st != RACIPMI_SUCCESS) {
        std::free(rec); // RacIpmiInit has already released and zeroed it
        freeHandle(h);
        return st == RACIPMI_RAC_NOT_PRESENT ? RACIPMI_BUF_TOO_SMALL : RACIPMI_INIT_FAILED;
    }
    *h->ppRacIpmi = rec;
    h->getRacDiagInfo = getRacDiagInfo;
    h->getPostInfo = getPostInfo;
    h->resetRac = resetRac;
    return RACIPMI_SUCCESS;
}

unsigned RacDiagUninit(RacDiag* h) {
    if (h != nullptr) freeHandle(h);
    return RACIPMI_SUCCESS;
}

unsigned getRacDiagInfo(RacDiag* h, RacDiagInfo* info) {
    RacIpmi* r = recordOf(h);
    if (r == nullptr || info == nullptr) return RACIPMI_INVALID_INPUT_PARAM;
    std::memset(info, 0, sizeof *info);

    u32 word = 1;
    if (getRacStatus(r, &word) != RACIPMI_SUCCESS) return RACIPMI_RAC_NOT_PRESENT;
    info->flags = word & 0xFFu;

    u8 nic[kNicLinkSetSize] = {};
    if (readRecord(&getRacNicLinkSetGroup, r, nic) != RACIPMI_SUCCESS) return RACIPMI_RAC_NOT_PRESENT;
    if (nic[4] == 0) info->flags |= 1u << 8;
    info->nicLinkByte3 = nic[3];

    u8 vm[kVmCfgSize] = {};
    if (readRecord(&getRacVmCfg, r, vm) != RACIPMI_SUCCESS) return RACIPMI_RAC_NOT_PRESENT;
    if (vm[0] == 0) info->flags |= 1u << 9;

    u8 racInfo[kRacInfoSize] = {};
    if (readRecord(&getRacInfo, r, racInfo) != RACIPMI_SUCCESS) return RACIPMI_RAC_NOT_PRESENT;
    copyRecordString(info->racInfo1, sizeof info->racInfo1, racInfo, 32);
    copyRecordString(info->racInfo2, sizeof info->racInfo2, racInfo + 33, 256);

    u8 fw[kFwUpdateSize] = {};
    if (readRecord(&getRacFwUpdate, r, fw) != RACIPMI_SUCCESS) return RACIPMI_RAC_NOT_PRESENT;
    copyRecordString(info->fwUpdate1, sizeof info->fwUpdate1, fw, 17);

    u8 ip[4] = {};
    if (readRecord(&getNicIpAddr, r, ip) != RACIPMI_SUCCESS) return RACIPMI_RAC_NOT_PRESENT;
    int n = std::snprintf(info->ipAddress, sizeof info->ipAddress, "%u.%u.%u.%u", ip[0], ip[1],
                          ip[2], ip[3]);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof info->ipAddress) return RACIPMI_IPMI_NOT_READY;

    // The location area holds two zero-terminated texts of 64 characters each.
    std::snprintf(info->location, 64, "%s", "IPMB");
    std::snprintf(info->location + 64, 64, "%s", "System/BMC");

    u8 web[kWebServerSize] = {};
    if (readRecord(&getRacWebServerCfg, r, web) != RACIPMI_SUCCESS) return RACIPMI_RAC_NOT_PRESENT;
    info->webServer1 = static_cast<u16>(web[7] | (web[8] << 8));
    info->webServer2 = static_cast<u16>(web[9] | (web[10] << 8));
    return RACIPMI_SUCCESS;
}

unsigned getPostInfo(RacDiag* h, RacPostInfo* info) {
    RacIpmi* r = recordOf(h);
    if (r == nullptr || info == nullptr) return RACIPMI_INVALID_INPUT_PARAM;
    u8 post[kPostResultSize] = {};
    if (readRecord(&getRacPostResult, r, post) != RACIPMI_SUCCESS) return RACIPMI_RAC_NOT_PRESENT;
    auto le32 = [&](size_t at) {
        return static_cast<u32>(post[at]) | static_cast<u32>(post[at + 1]) << 8 |
               static_cast<u32>(post[at + 2]) << 16 | static_cast<u32>(post[at + 3]) << 24;
    };
    info->word0 = le32(0);
    info->word2 = le32(8);
    return RACIPMI_SUCCESS;
}

unsigned resetRac(RacDiag* h) {
    RacIpmi* r = recordOf(h);
    if (r == nullptr) return RACIPMI_INVALID_INPUT_PARAM;
    unsigned st = racHardReset(r);
    return st == RACIPMI_SUCCESS ? RACIPMI_SUCCESS : RACIPMI_RAC_NOT_PRESENT;
}

} // extern "C"

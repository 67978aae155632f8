// Host-side SEL and SDR caches of the stand-in library. Attaching reads the whole log or
// repository from the BMC with the standard reservation and Get SEL Entry / Get SDR
// commands; the callers then read records from the cache by position or handle.
#include "hstipm_util.h"
#include "vexa.h"

#include <mutex>
#include <vector>

using hstipm::call;
using vmcodec::Bytes;
namespace nf = hstipm::netfn;

namespace {

constexpr size_t kSelRecord = 16;
constexpr size_t kSdrSlot = 64;          // every cached SDR is padded to the IPMI maximum
constexpr size_t kMaxRecords = 4096;     // bounds a BMC whose "next" chain never ends
constexpr uint8_t kSdrPiece = 16;

struct Cache {
    bool attached = false;
    std::vector<Bytes> records; // SDRs padded to kSdrSlot bytes
    std::vector<uint16_t> handles;
};

std::mutex gMu;
Cache gSel, gSdr;

uint16_t le16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

// Reserve, then walk records from 0000h until the BMC answers FFFFh as the next ID.
// reserveCmd/getCmd: 42h/43h for the SEL, 22h/23h for the SDR repository.
u32 walk(uint8_t reserveCmd, uint8_t getCmd, bool sdr, Cache& c) {
    hstipm::Reply res = call(nf::kStorage, reserveCmd, {}, VEXA_TIMEOUT);
    if (res.status != 0) return res.status;
    if (res.data.size() < 2) return hstipm::kCcBase + 0xCE;
    uint8_t r0 = res.data[0], r1 = res.data[1];
    std::vector<Bytes> records;
    std::vector<uint16_t> handles;
    uint16_t id = 0;
    while (records.size() < kMaxRecords) {
        Bytes rec;
        uint16_t next = 0xFFFF;
        uint8_t want = sdr ? 5 : 0xFF; // SDR: header first; SEL: the whole entry
        size_t total = 0;
        do {
            uint8_t off = static_cast<uint8_t>(rec.size());
            uint8_t n = sdr && rec.size() >= 5
                            ? static_cast<uint8_t>(total - rec.size() < kSdrPiece ? total - rec.size() : kSdrPiece)
                            : want;
            hstipm::Reply r = call(nf::kStorage, getCmd,
                                   {r0, r1, static_cast<uint8_t>(id), static_cast<uint8_t>(id >> 8), off, n},
                                   VEXA_TIMEOUT);
            if (r.status != 0) {
                // An empty log or repository answers "not present" for the first record.
                if (records.empty() && r.status == hstipm::kCcBase + 0xCB) {
                    c.records.clear();
                    c.handles.clear();
                    return 0;
                }
                return r.status;
            }
            if (r.data.size() < 3) return hstipm::kCcBase + 0xCA;
            next = le16(r.data, 0);
            rec.insert(rec.end(), r.data.begin() + 2, r.data.end());
            if (!sdr) break;
            if (rec.size() < 5) return hstipm::kCcBase + 0xCA;
            total = 5u + rec[4];
        } while (rec.size() < total);
        if (sdr) {
            handles.push_back(id);
            if (rec.size() < kSdrSlot) rec.resize(kSdrSlot, 0);
        } else {
            rec.resize(kSelRecord, 0);
        }
        records.push_back(std::move(rec));
        if (next == 0xFFFF || next == id) break;
        id = next;
    }
    c.records.swap(records);
    c.handles.swap(handles);
    return 0;
}

u32 attach(Cache& c, bool sdr) {
    std::lock_guard<std::mutex> lock(gMu);
    u32 st = sdr ? walk(0x22, 0x23, true, c) : walk(0x42, 0x43, false, c);
    c.attached = st == 0;
    return st;
}

u32 detach(Cache& c) {
    std::lock_guard<std::mutex> lock(gMu);
    c = Cache();
    return 0;
}

u8* copyAt(Cache& c, u32 index, size_t len) {
    std::lock_guard<std::mutex> lock(gMu);
    if (!c.attached || index >= c.records.size()) return nullptr;
    return hstipm::handOut(c.records[index], len);
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) u32 HSTIPMSDRCacheAttach(void) { return attach(gSdr, true); }
__attribute__((visibility("default"))) u32 HSTIPMSDRCacheDetach(void) { return detach(gSdr); }
__attribute__((visibility("default"))) u32 HSTIPMSELCacheAttach(void) { return attach(gSel, false); }
__attribute__((visibility("default"))) u32 HSTIPMSELCacheDetach(void) { return detach(gSel); }

__attribute__((visibility("default"))) u32 HSTIPMGetNumSDREntries(void) {
    std::lock_guard<std::mutex> lock(gMu);
    return static_cast<u32>(gSdr.records.size());
}

__attribute__((visibility("default"))) u32 HSTIPMGetNumSELEntries(void) {
    std::lock_guard<std::mutex> lock(gMu);
    return static_cast<u32>(gSel.records.size());
}

__attribute__((visibility("default"))) u8* HSTIPMGetSDRByIndex(u32 index) { return copyAt(gSdr, index, kSdrSlot); }
__attribute__((visibility("default"))) u8* HSTIPMGetSELEntryByIndex(u32 index) {
    return copyAt(gSel, index, kSelRecord);
}

// u32 count (little-endian), then the u16 handles.
__attribute__((visibility("default"))) u8* HSTIPMGetSDRHandleList(void) {
    std::lock_guard<std::mutex> lock(gMu);
    if (!gSdr.attached) return nullptr;
    Bytes list(4);
    u32 n = static_cast<u32>(gSdr.handles.size());
    for (int i = 0; i < 4; ++i) list[i] = static_cast<uint8_t>(n >> (8 * i));
    for (uint16_t h : gSdr.handles) {
        list.push_back(static_cast<uint8_t>(h));
        list.push_back(static_cast<uint8_t>(h >> 8));
    }
    return hstipm::handOut(list, list.size());
}

// Points into the cache; valid until the cache is detached.
__attribute__((visibility("default"))) u8* HSTIPMGetSDR(u16 handle) {
    std::lock_guard<std::mutex> lock(gMu);
    for (size_t i = 0; i < gSdr.handles.size(); ++i)
        if (gSdr.handles[i] == handle) return gSdr.records[i].data();
    return nullptr;
}

// operation AAh starts the erase and polls its progress (bounded); progress 0 = completed.
__attribute__((visibility("default"))) u32 HSTIPMClearSEL(u8 operation, u8* progress) {
    if (progress != nullptr) *progress = 1;
    hstipm::Reply res = call(nf::kStorage, 0x42, {}, VEXA_TIMEOUT);
    if (res.status != 0) return res.status;
    if (res.data.size() < 2) return hstipm::kCcBase + 0xCE;
    uint8_t op = operation;
    for (int i = 0; i < 50; ++i) {
        hstipm::Reply r = call(nf::kStorage, 0x47, {res.data[0], res.data[1], 'C', 'L', 'R', op}, VEXA_TIMEOUT);
        if (r.status != 0) return r.status;
        if (!r.data.empty() && (r.data[0] & 0x0F) == 1) {
            if (progress != nullptr) *progress = 0;
            detach(gSel);
            return 0;
        }
        op = 0x00; // then ask for the erase status
    }
    return 0;
}

} // extern "C"

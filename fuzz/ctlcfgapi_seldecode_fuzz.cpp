// Fuzzes the SEL decoder with a SEL record and a repository of SDRs built from the input.
// Layout: 16 SEL bytes, one control byte (bit 0 converter, bit 1 bank/letter platform, bit 2
// another maker, bits 3-7 description size / 8), then SDRs one after another: each takes its
// 5-byte header and as many bytes as its byte 4 names (cut to what is left). Every SDR sits in
// an allocation of exactly its own size, so a read past a record's end is caught.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "cslfsel.h"

namespace {

struct Repo {
    std::vector<std::vector<uint8_t>> records;
};

const uint8_t* first(void* user) {
    auto* r = static_cast<Repo*>(user);
    return r->records.empty() ? nullptr : r->records[0].data();
}

const uint8_t* next(const uint8_t* previous, void* user) {
    auto* r = static_cast<Repo*>(user);
    for (size_t i = 0; i + 1 < r->records.size(); ++i)
        if (r->records[i].data() == previous) return r->records[i + 1].data();
    return nullptr;
}

// A careful converter: copies no more than the record holds.
void convert(const uint8_t* src, uint8_t* dst) {
    size_t n = 5u + src[4];
    std::memcpy(dst, src, n < CSLF_SDR_COPY_SIZE ? n : CSLF_SDR_COPY_SIZE);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 17) return 0;
    uint8_t sel[CSLF_SEL_RECORD_SIZE];
    std::memcpy(sel, data, sizeof sel);
    const uint8_t control = data[16];
    Repo repo;
    for (size_t at = 17; at + 5 <= size && repo.records.size() < 64;) {
        size_t len = 5u + data[at + 4];
        if (len > size - at) len = size - at;
        std::vector<uint8_t> rec(data + at, data + at + len);
        rec[4] = static_cast<uint8_t>(len - 5);
        repo.records.push_back(std::move(rec));
        at += len;
    }

    CSLFMethod saved{}, m{};
    CSLFGetDecodingMethod(&saved);
    m = saved;
    m.platformCode = (control & 0x02) ? CSLF_PLATFORM_BANK_LETTER : CSLF_PLATFORM_DEFAULT;
    m.manufacturerId = (control & 0x04) ? 0x0002 : CSLF_MAKER_MANUFACTURER_ID;
    CSLFSetDecodingMethod(&m);
    USERAPIList list{first, next, (control & 0x01) ? convert : nullptr};
    CSLFAttach(&list);

    char date[CSLF_DATE_SIZE], ctime[CSLF_CTIME_SIZE];
    const uint16_t descSize = static_cast<uint16_t>((control >> 3) * 8 + 1);
    std::vector<char> desc(descSize);
    uint8_t severity = 0;
    CSLFSELEntryToStr(sel, 0, date, sizeof date, desc.data(), descSize, &severity, &repo);
    CSLFSELUnixToCTime(date, ctime);
    char status[CSLF_STATUS_SIZE];
    for (const auto& r : repo.records) {
        GetSensorStatusStr(sel, r.data(), status, sizeof status, nullptr);
        char name[CSLF_PROBE_NAME_SIZE];
        CSSGetProbeName(r.data(), sel[11], name, sizeof name, list.convertSDR);
        for (uint8_t code = 0; code <= 17; ++code) CSSSDRGetAttribute(r.data(), code, list.convertSDR);
    }

    // The same bytes as text for the text parsers.
    std::vector<char> text(data + 17, data + size);
    text.push_back('\0');
    CSLFSELUnixToCTime(text.data(), ctime);
    (void)CSSAsciiToLong(text.data());

    CSLFSetDecodingMethod(&saved);
    return 0;
}

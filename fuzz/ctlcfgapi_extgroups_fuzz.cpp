// The extended-group unpacker over controller data of any shape, for every group of the
// table, and the log-line splitter. The first input byte picks the group (past the last group:
// the log splitter); the rest is the parameter's data. A record must never be overrun (ASan
// sees exact-size buffers), every accepted string fits its field, and what was accepted packs
// again within the group's wire size.
#include "racext_groups.h"

#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    std::size_t count = 0;
    const RacGroup* const* all = racAllGroups(&count);
    const u8* wire = data + 1;
    u16 len = static_cast<u16>(size - 1 > 0xFFFF ? 0xFFFF : size - 1);

    if (data[0] % (count + 1) == count) {
        static RacLogCache* cache = new RacLogCache();
        char* text = static_cast<char*>(std::malloc(len + 1u));
        std::memcpy(text, wire, len);
        text[len] = '\0';
        racSplitLogLines(text, cache);
        std::free(text);
        if (cache->lineCount > RAC_LOG_LINES) std::abort();
        for (u16 i = 0; i < cache->lineCount; ++i)
            if (std::memchr(cache->lines[i], 0, RAC_LOG_LINE_LEN) == nullptr) std::abort();
        return 0;
    }

    const RacGroup& g = *all[data[0] % (count + 1)];
    std::unique_ptr<u8[]> in(new u8[len ? len : 1]);
    std::memcpy(in.get(), wire, len);
    std::unique_ptr<u8[]> rec(new u8[g.recordSize]);
    unsigned st = racUnpackGroup(g, in.get(), len, rec.get());
    if (st != RACIPMI_SUCCESS) {
        if (st != RACIPMI_INVALID_BUF_LEN) std::abort();
        for (u16 i = 0; i < g.recordSize; ++i)
            if (rec[i] != 0) std::abort(); // a refused read leaves nothing behind
        return 0;
    }
    std::unique_ptr<u8[]> out(new u8[g.wireSize]);
    u16 outLen = 0;
    if (racPackGroup(g, rec.get(), 0xFFFF, out.get(), &outLen) != RACIPMI_SUCCESS) std::abort();
    if (outLen > g.wireSize) std::abort();
    return 0;
}

// What the BMC knows about the managed system: system-information parameters (firmware
// version, host name, OS name, OEM texts) and their block layouts, the FRU product name,
// the BMC's device identity, chassis status and control, and the watchdog timer.
#define RAC_MODULE "system"
#include "rac_hostcall.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kTextRecord = 256;   // text record and string destinations
constexpr size_t kRecordString = 254; // string bytes a text record holds after encoding and length
constexpr size_t kFieldChars = 63;    // decoded FRU field, before its terminator
constexpr size_t kMaxSetText = 252;   // the length byte carries length + 3
constexpr u8 kParamFirmware = 1, kParamSystemName = 2, kParamOsName = 4, kParamOem209 = 209,
             kParamOem197 = 197;

// One Get System Info Parameters request under the retry rule; reply holds the buffer.
unsigned readSysInfo(RacIpmiPrivateData* pd, u8 param, u8 set, u8 block, u8 len, VexaBuffer& reply) {
    VexaEntryTable* t = pd->pVexa;
    reply.reset(); // the previous reply is freed before the next request
    RAC_DEBUG("\nHSTIPMGetSystemInfoParameter:\nparORrev: 0x%02X \nparameter: 0x%02X \nsetSelector: 0x%02X "
              "\nblockSelector: 0x%02X \nparamDataLen: 0x%02X \n\n",
              0, param, set, block, len);
    unsigned st = racHostRead("HSTIPMGetSystemInfoParameter", reply, [&](u32* status) {
        return t->fpHSTIPMGetSystemInfoParameter(0, 0, param, set, block, len, status, VEXA_TIMEOUT);
    });
    if (st == RACIPMI_SUCCESS) RAC_DUMP("Returned data:\n", reply.get(), len);
    return st;
}

// The first bytes of a reply, never more than it holds (a last block may be short).
void traceFirstBytes(const u8* p, size_t len) {
    for (size_t i = 0; i < 10 && i < len; ++i) RAC_DEBUG("Byte %d: %x\n", static_cast<int>(i + 1), p[i]);
}

// BCD plus: 0-9 digits, Ah space, Bh dash, Ch period; the reserved codes show as '?'.
char bcdPlus(u8 code) {
    static const char kChars[] = "0123456789 -.???";
    return kChars[code & 0x0F];
}

// The string parameters 1, 2 and 4: text record, encoding out, the text by copyString.
unsigned readTextParameter(RacIpmi* r, const char* op, u8 param, u32* encoding, char* text,
                           bool passStatus) {
    RAC_TRACE_OP(op);
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || encoding == nullptr || text == nullptr)
        return racResult(op, RACIPMI_INVALID_INPUT_PARAM);
    u8* rec = static_cast<u8*>(std::calloc(kTextRecord, 1));
    if (rec == nullptr) return racResult(op, RACIPMI_MEM_ALLOC_FAILED);
    unsigned st = getSysInfoParamType1(pd, param, rec);
    if (st != RACIPMI_SUCCESS) {
        std::free(rec);
        return racResult(op, passStatus ? st : static_cast<unsigned>(RACIPMI_CMD_FAILED));
    }
    RAC_DUMP("getSysInfoParamType1 returned data:\n", rec, std::min<u32>(rec[1] + 1u, kTextRecord));
    *encoding = rec[0] & 0x0F;
    st = copyString(text, static_cast<u8>(rec[0] & 0x0F), rec + 1);
    std::free(rec);
    return racResult(op, st);
}

} // namespace

extern "C" {

unsigned copyString(char* dest, u8 encoding, const u8* src) {
    RAC_DEBUG("\n copyString:\n\n");
    if (dest == nullptr || src == nullptr) return RACIPMI_INVALID_INPUT_PARAM;
    std::memset(dest, 0, kTextRecord);
    if (encoding == 0) {
        // The source is a text record from its length byte: 254 string bytes at most.
        size_t n = std::min<size_t>(src[0], kRecordString);
        std::memcpy(dest, src + 1, n);
        dest[n] = '\0';
    } else {
        std::memcpy(dest, src, kRecordString);
    }
    return RACIPMI_SUCCESS;
}

unsigned decodeString(u8 typeLength, const u8* src, char* dest) {
    RAC_DEBUG("\n decodeString:\n\n");
    if (src == nullptr || dest == nullptr) return RACIPMI_INVALID_INPUT_PARAM;
    std::memset(dest, 0, kFieldChars + 1);
    const size_t n = typeLength & 0x3F;
    size_t out = 0;
    switch (typeLength >> 6) {
    case 0: // binary or unspecified, and 8-bit text: the bytes as they are
    case 3:
        out = std::min(n, kFieldChars);
        std::memcpy(dest, src, out);
        break;
    case 2: { // 6-bit packed ASCII: only whole characters, never past the field
        const size_t chars = std::min(n * 8 / 6, kFieldChars);
        for (size_t i = 0; i < chars; ++i) {
            const size_t bit = i * 6;
            const size_t byte = bit / 8, shift = bit % 8;
            unsigned v = src[byte] >> shift;
            if (shift > 2) v |= static_cast<unsigned>(src[byte + 1]) << (8 - shift);
            dest[out++] = static_cast<char>((v & 0x3F) + 0x20);
        }
        break;
    }
    case 1: // BCD plus: two codes a byte, low nibble first
        for (size_t i = 0; i < n && out < kFieldChars; ++i) {
            dest[out++] = bcdPlus(src[i] & 0x0F);
            if (out < kFieldChars) dest[out++] = bcdPlus(src[i] >> 4);
        }
        break;
    }
    dest[out] = '\0';
    return RACIPMI_SUCCESS;
}

unsigned getSysInfoParamType1(RacIpmiPrivateData* pd, u8 param, u8* rec) {
    RAC_DEBUG("\ngetSysInfoParamType1:\n\n");
    if (pd == nullptr || pd->pVexa == nullptr || rec == nullptr) return RACIPMI_INVALID_INPUT_PARAM;
    std::memset(rec, 0, kTextRecord);
    VexaBuffer reply(pd->pVexa);
    unsigned st = readSysInfo(pd, param, 0, 0, 18, reply);
    if (st != RACIPMI_SUCCESS) return st;
    std::memcpy(rec, reply.get() + 2, 16); // encoding, length, 14 string bytes
    // The record holds 254 string bytes; a longer stated length reads no further than that.
    const size_t length = std::min<size_t>(rec[1], kRecordString);
    if (length <= 14) return RACIPMI_SUCCESS;
    const size_t blocks = (length - 14 + 15) / 16;
    size_t at = 16;
    for (size_t b = 1; b <= blocks; ++b) {
        st = readSysInfo(pd, param, static_cast<u8>(b), 0, 18, reply);
        if (st != RACIPMI_SUCCESS) return st;
        std::memcpy(rec + at, reply.get() + 2, 16);
        at += 16;
    }
    return RACIPMI_SUCCESS;
}

unsigned getSysInfoParamType2(RacIpmiPrivateData* pd, u8 param, u8 len, u8* dest) {
    RAC_DEBUG("\ngetSysInfoParamType2:\n\n");
    if (pd == nullptr || pd->pVexa == nullptr || dest == nullptr || len == 0xFF)
        return RACIPMI_INVALID_INPUT_PARAM;
    std::memset(dest, 0, len);
    VexaBuffer reply(pd->pVexa);
    unsigned st = readSysInfo(pd, param, 0, 0, static_cast<u8>(len + 1), reply);
    if (st == RACIPMI_SUCCESS) std::memcpy(dest, reply.get() + 1, len);
    return st;
}

unsigned getSysInfoParamType3(RacIpmiPrivateData* pd, u8 param, u8 item, u8* dest) {
    RAC_DEBUG("\ngetSysInfoParamType3:\n\n");
    if (pd == nullptr || dest == nullptr) return RACIPMI_INVALID_INPUT_PARAM;
    std::memset(dest, 0, kTextRecord);
    if (pd->pVexa == nullptr) {
        RAC_DEBUG("pVexa fails\n");
        return RACIPMI_INVALID_INPUT_PARAM;
    }
    RAC_DEBUG("pVexa exists\n");
    VexaBuffer reply(pd->pVexa);
    unsigned st = readSysInfo(pd, param, 0, item, 19, reply);
    if (st != RACIPMI_SUCCESS) return st;
    traceFirstBytes(reply.get(), 19);
    const u8 lengthByte = reply.get()[4]; // fourth data byte: string length + 3
    // A length byte below 3 states no string (and must not count down from zero).
    size_t remaining = lengthByte > 3 ? lengthByte - 3u : 0;
    size_t first = std::min<size_t>(11, remaining);
    std::memcpy(dest, reply.get() + 8, first);
    remaining -= first;
    size_t at = first;
    RAC_DEBUG("bytes to read: %x, remaining: %x\n\n", 11, static_cast<unsigned>(remaining));
    RAC_DEBUG("Contents: %x, %x\n", dest[3], dest[3]);
    for (u8 set = 1; remaining > 0; ++set) {
        const size_t n = std::min<size_t>(16, remaining);
        st = readSysInfo(pd, param, set, item, static_cast<u8>(n + 3), reply);
        if (st != RACIPMI_SUCCESS) return st;
        traceFirstBytes(reply.get(), n + 3);
        std::memcpy(dest + at, reply.get() + 3, n); // after revision, block and item
        at += n;
        remaining -= n;
    }
    RAC_DEBUG("String returned: %s\n", reinterpret_cast<const char*>(dest));
    for (int i = 0; i < 40 && dest[i] != 0; ++i) RAC_DEBUG("pParamData[%d]: %x\n", i + 1, dest[i]);
    return RACIPMI_SUCCESS;
}

unsigned setSysInfo(RacIpmiPrivateData* pd, u8 param, u8 item, const char* text) {
    if (pd != nullptr && pd->pVexa != nullptr) RAC_DEBUG("pVexa exists\n");
    else RAC_DEBUG("pVexa fails\n");
    RAC_DEBUG("\nsetSysInfoParamType:\n\n");
    if (pd == nullptr || pd->pVexa == nullptr || text == nullptr) return RACIPMI_INVALID_INPUT_PARAM;
    const size_t length = std::strlen(text);
    if (length > kMaxSetText) { // refused whole: nothing of it is written
        RAC_ERROR("\nsetSysInfo: text of %u characters exceeds %u\n\n", static_cast<unsigned>(length),
                  static_cast<unsigned>(kMaxSetText));
        return RACIPMI_INVALID_INPUT_PARAM;
    }
    VexaEntryTable* t = pd->pVexa;
    u8 block[19] = {};
    block[1] = item;
    size_t sent = 0;
    for (u8 number = 0;; ++number) {
        block[0] = number;
        const size_t room = number == 0 ? 11 : 16, start = number == 0 ? 7 : 2;
        const size_t n = std::min(room, length - sent);
        if (number == 0) {
            block[2] = 0;
            block[3] = static_cast<u8>(length + 3);
            block[4] = block[5] = block[6] = 0;
        }
        std::memcpy(block + start, text + sent, n);
        if (sent + n == length) RAC_DEBUG("Before memcpy()\nAfter memcpy()\nAfter null allocation\n");
        RAC_DEBUG("%x %x\n", block[0], block[1]);
        for (int i = 2; i < 18; ++i) RAC_DEBUG("Byte %x of data: %x\n", i - 1, block[i]);
        const u8 len = static_cast<u8>(start + n);
        RAC_DEBUG("\nHSTIPMSetSystemInfoParameter:\nparameter: 0x%02X \nsetSelector: 0x%02X \nblockSelector: 0x%02X "
                  "\nParamLength: 0x%02X\n",
                  param, block[0], block[1], len);
        RAC_DEBUG("Calling fpHSTIPMSetSystemInfoParameter()\n");
        u32 status = racRetry(
            kRacStdRetry, [&] { return t->fpHSTIPMSetSystemInfoParameter(0, param, len, block, VEXA_TIMEOUT); },
            racTraceTimeout);
        RAC_DEBUG("smstatus: %x\n", status);
        if (status != 0) {
            RAC_ERROR("\nHSTIPMSetSystemInfoParameter Return Status: 0x%02X\n\n", status);
            return RACIPMI_CMD_FAILED; // blocks already sent stay written
        }
        sent += n;
        if (sent >= length) break;
    }
    return RACIPMI_SUCCESS;
}

unsigned getSysInfo(RacIpmi* r, RacSysInfo* info) {
    RAC_TRACE_OP("getSysInfo");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || info == nullptr) return racResult("getSysInfo", RACIPMI_INVALID_INPUT_PARAM);
    std::memset(info, 0, sizeof *info);
    u8* buf = static_cast<u8*>(std::calloc(kTextRecord, 1));
    if (buf == nullptr) return racResult("getSysInfo", RACIPMI_MEM_ALLOC_FAILED);
    VexaEntryTable* t = pd->pVexa;

    const u8 rsSA = static_cast<u8>(t->fpHSTIPMGetBMCSlaveAddress());
    RAC_DEBUG("\nHSTIPMReadFRUData:\nrsSA: 0x%02X \nchannelNumber: 0x%02X \nlogDevId: 0x%02X \nfruAreaType: 0x%02X "
              "\nrecID: 0x%02X \n\n",
              rsSA, 0, 0, 4, 0);
    VexaBuffer fru(t);
    u32 status = 0;
    status = racRetry(
        kRacStdRetry,
        [&] {
            status = 0;
            fru.reset(t->fpHSTIPMReadFRUData(rsSA, 0, 0, 4, 0, &status, VEXA_TIMEOUT));
            return status;
        },
        racTraceTimeout);
    unsigned st = RACIPMI_SUCCESS;
    if (status != 0) {
        RAC_ERROR("\nHSTIPMReadFRUData IPMI Completion Code: 0x%02X -- %s\n\n", status,
                  getIpmiCompletionCodeStr(status));
        st = RACIPMI_CMD_FAILED;
    } else if (fru) {
        // The area is its second byte times 8 long; the field never reads past it.
        const size_t areaLen = fru.get()[1] * 8u;
        RAC_DUMP("Returned data:\n", fru.get(), static_cast<u32>(areaLen));
        if (areaLen > 4) {
            const u8 tl = fru.get()[3];
            const size_t n = std::min<size_t>(tl & 0x3F, areaLen - 4);
            decodeString(static_cast<u8>((tl & 0xC0) | n), fru.get() + 4, info->productField);
        }
    }

    if (st == RACIPMI_SUCCESS) st = getSysInfoParamType1(pd, kParamOem209, buf);
    if (st == RACIPMI_SUCCESS) {
        RAC_DUMP("getSysInfoParamType1 returned data:\n", buf, std::min<u32>(buf[1] + 1u, kTextRecord));
        info->sysInfo209Encoding = buf[0] & 0x0F;
        st = copyString(info->sysInfo209Text, info->sysInfo209Encoding, buf + 1);
    }
    if (st == RACIPMI_SUCCESS) {
        std::memset(buf, 0, kTextRecord);
        st = getSysInfoParamType2(pd, kParamOem197, 8, buf);
    }
    if (st == RACIPMI_SUCCESS) {
        RAC_DUMP("getSysInfoParamType2 returned data:\n", buf, 8);
        const size_t count = std::min<size_t>(buf[0], sizeof info->sysInfo197Text);
        for (size_t i = 0; i < count && buf[1 + i] != 0; ++i) info->sysInfo197Text[i] = static_cast<char>(buf[1 + i]);
    }
    std::free(buf);
    return racResult("getSysInfo", st);
}

unsigned getBiosVersion(RacIpmi* r, u32* encoding, char* text) {
    return readTextParameter(r, "getBiosVersion", kParamFirmware, encoding, text, false);
}
unsigned getHostname(RacIpmi* r, u32* encoding, char* text) {
    return readTextParameter(r, "getHostname", kParamSystemName, encoding, text, true);
}
unsigned getOsName(RacIpmi* r, u32* encoding, char* text) {
    return readTextParameter(r, "getOsName", kParamOsName, encoding, text, false);
}

unsigned getBmcInfo(RacIpmi* r, RacBmcInfo* info) {
    RAC_TRACE_OP("getBmcInfo");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || info == nullptr) return racResult("getBmcInfo", RACIPMI_INVALID_INPUT_PARAM);
    VexaEntryTable* t = pd->pVexa;
    const u8 rsSA = static_cast<u8>(t->fpHSTIPMGetBMCSlaveAddress());
    RAC_DEBUG("\nHSTIPMGetDeviceID:\nrsSA: 0x%02X \nchannelNumber: 0x%02X \n\n", rsSA, 0);
    VexaBuffer reply(t);
    unsigned st = racHostRead("HSTIPMGetDeviceID", reply,
                              [&](u32* status) { return t->fpHSTIPMGetDeviceID(rsSA, 0, status, VEXA_TIMEOUT); });
    if (st == RACIPMI_SUCCESS) {
        RAC_DUMP("Returned data:\n", reply.get(), sizeof *info);
        std::memcpy(info, reply.get(), sizeof *info);
    }
    return racResult("getBmcInfo", st);
}

unsigned getChassisStatus(RacIpmi* r, u32* value) {
    RAC_TRACE_OP("getChassisStatus");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || value == nullptr) return racResult("getChassisStatus", RACIPMI_INVALID_INPUT_PARAM);
    VexaEntryTable* t = pd->pVexa;
    RAC_DEBUG("\nHSTIPMGetChassisStatus:\n\n");
    VexaBuffer reply(t);
    unsigned st = racHostRead("HSTIPMGetChassisStatus", reply,
                              [&](u32* status) { return t->fpHSTIPMGetChassisStatus(0, status, VEXA_TIMEOUT); });
    if (st == RACIPMI_SUCCESS) {
        RAC_DUMP("Returned data:\n", reply.get(), 4);
        std::memcpy(value, reply.get(), 4); // the four bytes in memory order
    }
    return racResult("getChassisStatus", st);
}

unsigned executeChassisCtrl(RacIpmi* r, u8 control) {
    RAC_TRACE_OP("executeChassisCtrl");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr) return racResult("executeChassisCtrl", RACIPMI_INVALID_INPUT_PARAM);
    VexaEntryTable* t = pd->pVexa;
    RAC_DEBUG("\nHSTIPMChassisControl:\ncontrolByte: 0x%02X \n\n", control);
    unsigned st = racHostWrite("HSTIPMChassisControl",
                               [&] { return t->fpHSTIPMChassisControl(0, control, VEXA_TIMEOUT); });
    return racResult("executeChassisCtrl", st);
}

unsigned getWatchdogTimer(RacIpmi* r, u32* word0, u32* word1) {
    RAC_TRACE_OP("getWatchdogTimer");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || word0 == nullptr || word1 == nullptr)
        return racResult("getWatchdogTimer", RACIPMI_INVALID_INPUT_PARAM);
    VexaEntryTable* t = pd->pVexa;
    RAC_DEBUG("\nHSTIPMGetWatchdogTimer:\n\n");
    VexaBuffer reply(t);
    unsigned st = racHostRead("HSTIPMGetWatchdogTimer", reply,
                              [&](u32* status) { return t->fpHSTIPMGetWatchdogTimer(0, status, VEXA_TIMEOUT); });
    if (st == RACIPMI_SUCCESS) {
        RAC_DUMP("Returned data:\n", reply.get(), 8);
        std::memcpy(word0, reply.get(), 4);
        std::memcpy(word1, reply.get() + 4, 4);
    }
    return racResult("getWatchdogTimer", st);
}

} // extern "C"

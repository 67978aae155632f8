// The extended configuration command (read and write of a controller parameter addressed by
// token and index, moved in chunks) and the controller status probe.
#define RAC_MODULE "racext"
#include "racipmi_ops.h"
#include "tracelog.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr u8 kOemNetFnLun = 0xB8; // OEM/Group network function 2Eh, LUN 0
constexpr u16 kHeaderLen = 5;
constexpr u8 kMaxChunk = 16;
constexpr u8 kControllerStatusSensor = 112;
constexpr u8 kInitStatusToken = 26;

void traceReadRequest(u8 token, u8 index, u16 offset, u8 count) {
    RAC_DEBUG("\nHSTIPMGetRACExtendedConfigParam:0\nIpmiRacRSSA: 0x%02X \nChannel Number: 0x%02X "
              "\nNetFn/LUn: 0x%02X\n",
              g_IpmiRacRSSA, 0, kOemNetFnLun);
    for (int i = 0; i < 3; ++i) RAC_DEBUG("RacIANA[%d]: 0x%02X\n", i, IPMI_RAC_IANA[i]);
    RAC_DEBUG("Reservation ID: 0x%02X \nToken: 0x%02X \nIndex: 0x%02X \nOffset: 0x%02X "
              "\nBytes to read: 0x%02X \n\n",
              0, token, index, offset, count);
}

// One read request under the extended retry rule. On success reply holds the host buffer.
unsigned readChunk(VexaEntryTable* t, u8 token, u8 index, u16 offset, u8 count, VexaBuffer& reply) {
    traceReadRequest(token, index, offset, count);
    u32 status = 0;
    status = racRetry(
        kRacExtRetry,
        [&] {
            reply.reset(t->fpHSTIPMGetRACExtendedConfigParameter(
                0, static_cast<u8>(g_IpmiRacRSSA), 0, kOemNetFnLun, IPMI_RAC_IANA, 0, token, index,
                offset, count, &status, VEXA_TIMEOUT));
            return status;
        },
        [&](int left) {
            RAC_DEBUG("\nHSTIPMGetRACExtendedConfigParam failed with IPMI Completion Code: 0x%02X -- %s\n\n",
                      status, getIpmiCompletionCodeStr(status));
            RAC_DEBUG("\nCommand Retry count: %d\n\n", left);
        });
    if (status != 0 || !reply) {
        RAC_ERROR("\nHSTIPMGetRACExtendedConfigParam failed with IPMI Completion Code: 0x%02X -- %s\n\n",
                  status, getIpmiCompletionCodeStr(status));
        return RACIPMI_CMD_FAILED;
    }
    // The count byte says how many bytes follow; more than were asked for is a broken reply
    // (and would overrun the caller's buffer).
    u8 got = reply.get()[0];
    RAC_DUMP("Returned data:\n", reply.get(), 1u + got);
    if (got > count) {
        RAC_ERROR("\nHSTIPMGetRACExtendedConfigParam returned %u bytes for %u requested\n\n", got, count);
        return RACIPMI_CMD_FAILED;
    }
    return RACIPMI_SUCCESS;
}

unsigned fail(const char* name, unsigned st) {
    if (st != RACIPMI_SUCCESS)
        RAC_ERROR("\nRacIpmi::%s Return Code: %u -- %s\n\n", name, st, RacIpmiGetStatusStr(st));
    return st;
}

} // namespace

extern "C" {

unsigned getRacExtCfgParam(RacIpmiPrivateData* pd, u8 token, u8 index, u16 capacity, u16* length,
                           u8* dest) {
    RAC_TRACE_FN("getRacExtCfgParam");
    if (length != nullptr) *length = 0;
    if (pd == nullptr || pd->pVexa == nullptr || length == nullptr || dest == nullptr ||
        pd->pVexa->fpHSTIPMGetRACExtendedConfigParameter == nullptr)
        return fail("getRacExtCfgParam", RACIPMI_INVALID_INPUT_PARAM);
    VexaEntryTable* t = pd->pVexa;

    VexaBuffer reply(t);
    unsigned st = readChunk(t, token, index, 0, kHeaderLen, reply);
    if (st != RACIPMI_SUCCESS) return fail("getRacExtCfgParam", st);
    u8 got = reply.get()[0];
    if (got < 2) { // the total length is not even there
        RAC_ERROR("\nHSTIPMGetRACExtendedConfigParam returned a short header\n\n");
        return fail("getRacExtCfgParam", RACIPMI_CMD_FAILED);
    }
    u16 total = static_cast<u16>(reply.get()[1] | (reply.get()[2] << 8));
    if (total < got) {
        RAC_ERROR("\nExtended parameter length 0x%02X is shorter than its header\n\n", total);
        return fail("getRacExtCfgParam", RACIPMI_CMD_FAILED);
    }
    u16 remaining = static_cast<u16>(total - got);
    if (remaining > capacity) return fail("getRacExtCfgParam", RACIPMI_BUF_TOO_SMALL);

    u16 offset = kHeaderLen;
    u8 chunk = remaining < kMaxChunk ? static_cast<u8>(remaining) : kMaxChunk;
    while (remaining != 0) {
        st = readChunk(t, token, index, offset, chunk, reply);
        if (st != RACIPMI_SUCCESS) return fail("getRacExtCfgParam", st);
        u8 n = reply.get()[0];
        if (n == 0) { // the controller stopped sending while data remains
            RAC_ERROR("\nHSTIPMGetRACExtendedConfigParam returned no data at offset 0x%02X, "
                      "0x%02X bytes missing\n\n",
                      offset, remaining);
            return fail("getRacExtCfgParam", RACIPMI_CMD_FAILED);
        }
        std::memcpy(dest + *length, reply.get() + 1, n);
        *length = static_cast<u16>(*length + n);
        offset = static_cast<u16>(offset + n);
        remaining = static_cast<u16>(remaining - n);
        if (remaining < chunk) chunk = static_cast<u8>(remaining);
        reply.reset();
    }
    return RACIPMI_SUCCESS;
}

unsigned setRacExtCfgParam(RacIpmiPrivateData* pd, u8 token, u8 index, u8 header, u16 mask,
                           u16 dataLen, const u8* data) {
    RAC_TRACE_FN("setRacExtCfgParam");
    if (pd == nullptr || pd->pVexa == nullptr || (data == nullptr && dataLen != 0) ||
        dataLen > 0xFFFF - kHeaderLen || pd->pVexa->fpHSTIPMSetRACExtendedConfigParameter == nullptr)
        return fail("setRacExtCfgParam", RACIPMI_INVALID_INPUT_PARAM);
    VexaEntryTable* t = pd->pVexa;
    u16 total = static_cast<u16>(dataLen + kHeaderLen);
    u8* buf = static_cast<u8*>(std::calloc(total, 1));
    if (buf == nullptr) return fail("setRacExtCfgParam", RACIPMI_MEM_ALLOC_FAILED);
    buf[0] = static_cast<u8>(total & 0xFF);
    buf[1] = static_cast<u8>(total >> 8);
    buf[2] = header;
    buf[3] = static_cast<u8>(mask & 0xFF);
    buf[4] = static_cast<u8>(mask >> 8);
    if (dataLen) std::memcpy(buf + kHeaderLen, data, dataLen);

    RAC_DEBUG("\nHSTIPMSetRACExtendedConfigParam:\nReservation ID: 0x%02X \nToken: 0x%02X \n"
              "Index: 0x%02X \nOffset: 0x%02X \nBytes to write: 0x%02X \n\n",
              0, token, index, 0, total);
    RAC_DUMP("Data to be set:\n", buf, total);
    u16 written = 0;
    u32 status = racRetry(
        kRacExtRetry,
        [&] {
            return t->fpHSTIPMSetRACExtendedConfigParameter(0, 0, kOemNetFnLun,
                                                            static_cast<u8>(g_IpmiRacRSSA),
                                                            IPMI_RAC_IANA, 0, token, index, 0, total,
                                                            &written, 0, buf, VEXA_TIMEOUT);
        },
        [&](int left) { RAC_DEBUG("IPMI Timeout occured. Retry count: %d\n\n", left); });
    std::free(buf);
    if (status != 0) {
        RAC_ERROR("\nHSTIPMSetRacExtCfgParam failed with status: 0x%02X -- %s\n\n", status,
                  getIpmiCompletionCodeStr(status));
        unsigned st = ((token == 14 || token == 20) && status == VEXA_STATUS_NOT_PRESENT)
                          ? RACIPMI_SD_ABSENT_OR_WP
                          : RACIPMI_CMD_FAILED;
        return fail("setRacExtCfgParam", st);
    }
    return RACIPMI_SUCCESS;
}

unsigned getRacStatus(RacIpmi* pRacIpmi, uint32_t* statusWord) {
    RAC_TRACE_OP("getRacStatus");
    VexaEntryTable* t = racVexa(pRacIpmi);
    if (t == nullptr || statusWord == nullptr || t->fpHSTIPMGetBMCSlaveAddress == nullptr ||
        t->fpHSTIPMGetSensorReading == nullptr)
        return fail("getRacStatus", RACIPMI_INVALID_INPUT_PARAM);

    unsigned st = RACIPMI_SUCCESS;
    u8 rsSA = static_cast<u8>(t->fpHSTIPMGetBMCSlaveAddress());
    RAC_DEBUG("Slave Address: %x\n\n", rsSA);
    RAC_DEBUG("\nHSTIPMGetSensorReading:\nrsSA: 0x%02X\nchannelNumber: 0x%02X\nsensorNumber: 0x%02X\n\n",
              rsSA, 0, kControllerStatusSensor);
    VexaBuffer reply(t);
    u32 status = 0;
    status = racRetry(
        kRacStdRetry,
        [&] {
            reply.reset(t->fpHSTIPMGetSensorReading(rsSA, 0, kControllerStatusSensor, &status,
                                                    VEXA_TIMEOUT));
            return status;
        },
        [&](int left) { RAC_DEBUG("IPMI Timeout occured. Retry count: %d\n\n", left); });
    if (status != 0) {
        RAC_ERROR("\nHSTIPMGetSensorReading IPMI Completion Code: 0x%02X -- %s\n\n", status,
                  getIpmiCompletionCodeStr(status));
        st = RACIPMI_CMD_FAILED;
    } else if (!reply) {
        RAC_ERROR("\nHSTIPMGetSensorReading failed to return any data\n\n");
        st = RACIPMI_CMD_FAILED;
    } else {
        RAC_DUMP("Returned data:\n", reply.get(), 4);
        u8 adapter = reply.get()[2];
        ameaPresent = adapter;
        RAC_DEBUG("AMEA Status: %x\n\n", adapter);
        if (adapter == 1 || adapter == 129) {
            g_IpmiRacRSSA = 32;
        } else if (adapter == 2 || adapter == 130) {
            st = RACIPMI_AMEA_ABSENT;
        } else {
            st = RACIPMI_UNKNOWN_VALUE;
        }
    }
    *statusWord |= 0x0Fu;
    return fail("getRacStatus", st);
}

unsigned getRacType(void) {
    RAC_DEBUG("*************getRacType\n*************\n\n");
    if (ameaPresent == 129) {
        RAC_DEBUG("TYPE=Vantro modular\n\n");
        return 1;
    }
    RAC_DEBUG("TYPE=Vantro monolithic\n\n");
    return 0;
}

unsigned getRacInitStatus(RacIpmi* pRacIpmi, uint32_t* initStatus) {
    RAC_TRACE_OP("getRacInitStatus");
    if (pRacIpmi == nullptr || pRacIpmi->pPrivateData == nullptr || initStatus == nullptr)
        return fail("getRacInitStatus", RACIPMI_INVALID_INPUT_PARAM);
    u8 value = 0;
    u16 len = 0;
    unsigned st = getRacExtCfgParam(pRacIpmi->pPrivateData, kInitStatusToken, 0, 1, &len, &value);
    if (st == RACIPMI_SUCCESS) *initStatus = value;
    return fail("getRacInitStatus", st);
}

} // extern "C"

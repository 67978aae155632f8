// Initialisation of the interface record, the instance data, the status and completion-code
// texts, channel discovery and the library's exported globals.
#define RAC_MODULE "racipmi"
#include "racipmi_ops.h"
#include "tracelog.h"
#include "cslfsel.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

extern "C" {
RacIpmiPrivateData* g_pPrivateData = nullptr;
u32 g_sdrIndexSel = 0;
u32 g_IpmiRacRSSA = 38;
u16 ameaPresent = 0;
// The maker's IANA enterprise number, least significant byte first; the controller echoes
// it at the start of every extended-configuration reply.
u8 IPMI_RAC_IANA[3] = {0x5A, 0x1F, 0x00};
}

namespace {

void realSleep(u32 ms) {
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

RacSleepFn gSleep = realSleep;
RacStatusProbe gProbe = nullptr;

const char* const kStatusText[] = {
    "Command successful",
    "Initialization failed",
    "Memory Allocation failed",
    "Loading of shared library failed",
    "Invalid input parameter",
    "Input buffer too small",
    "RAC not present",
    "IPMI interface to RAC is not ready",
    "RAC is in not ready state",
    "IPMI command reservation failed",
    "Invalid buffer length returned by RAC",
    "Command failed",
    "Unknown value returned by RAC",
    "Invalid data format returned by BMC",
    "Raw SEL data to text conversion failed",
    "Function failed",
    "AMEA absent",
    "SD absent and/or SD write protected",
};

const char* const kGenericCcText[] = {
    "Node Busy",
    "Invalid Command",
    "Command invalid for given LUN",
    "Timeout while processing command",
    "Command not completed because of a lack of storage space",
    "Reservation Canceled or Invalid Reservation ID",
    "Request data truncated",
    "Request data length invalid",
    "Request data field length limit exceeded",
    "Parameter out of range",
    "Cannot return number of requested data bytes",
    "Requested Sensor, data, or record not present",
    "Invalid data field in Request",
    "Command illegal for specified sensor or record type",
    "Command response could not be provided",
    "Cannot execute duplicated request",
    "SDR Repository in update mode",
    "Device in firmware update mode",
    "BMC initialization in progress",
    "Destination unavailable",
    "Insufficient privilege level",
    "Command parameter(s), not supported in present state",
    "Parameter is illegal because, sub-function unavailable",
};

const char kImportantNote[] =
    "\n\nIMPORTANT NOTE!\nThe RAC is unable to communicate with the BMC. This condition may\n"
    "occur because of (1) no BMC is present, (2) missing or disfunctional\n"
    "IPMI-related software components. Many RAC features depend on BMC\n"
    "connectivity in order to work properly, and you may see failures\nas a result.";

const char kUpgradeNote[] =
    "\nNOTE:\nThis RAC does not support the commands of the remote configuration tool.\n"
    "Please have the RAC upgraded.\n";

// Frees everything an instance owns (the host library must already be unloaded).
void freeInstance(RacIpmi* r) {
    RacIpmiPrivateData* pd = r->pPrivateData;
    if (pd != nullptr) {
        std::free(pd->pVexa);
        std::free(pd->pInitBlock);
        std::memset(pd, 0, sizeof *pd);
        std::free(pd);
        if (g_pPrivateData == pd) g_pPrivateData = nullptr;
    }
    std::memset(r, 0, sizeof *r);
}

template <class F> RacIpmiOp slotOf(F* f) { return reinterpret_cast<RacIpmiOp>(f); }
RacIpmiOp slotOf(std::nullptr_t) { return nullptr; }

void fillSlots(RacIpmi* r) {
    constexpr std::nullptr_t reserved147 = nullptr; // the slot after getRacStatus stays empty
#define RAC_FILL_(name) r->name = slotOf(name);
    CTLCFG_RACIPMI_SLOTS(RAC_FILL_)
#undef RAC_FILL_
}

unsigned channelLookup(RacIpmiPrivateData* pd, u8* out, u8 RacIpmiPrivateData::*field,
                       const char* name) {
    RAC_TRACE_FN(name);
    if (pd == nullptr || out == nullptr) return RACIPMI_INVALID_INPUT_PARAM;
    unsigned st = loadChanNumbers(pd);
    if (st != RACIPMI_SUCCESS) {
        RAC_ERROR("\nRacIpmi::%s Return Code: %u -- %s\n\n", name, st, RacIpmiGetStatusStr(st));
        return st;
    }
    *out = pd->*field;
    return RACIPMI_SUCCESS;
}

} // namespace

extern "C" {

RacSleepFn racSetSleepFunction(RacSleepFn fn) {
    RacSleepFn old = gSleep;
    gSleep = fn ? fn : realSleep;
    return old;
}

void racSleepMs(u32 ms) { gSleep(ms); }

RacStatusProbe racSetStatusProbe(RacStatusProbe probe) {
    RacStatusProbe old = gProbe;
    gProbe = probe;
    return old;
}

unsigned racNotSupported(RacIpmi* pRacIpmi, const char* name) {
    RAC_TRACE_OP(name);
    unsigned st = pRacIpmi == nullptr ? RACIPMI_INVALID_INPUT_PARAM : RACIPMI_CMD_FAILED;
    if (st == RACIPMI_CMD_FAILED) RAC_ERROR("\n%s is not supported by this library build\n\n", name);
    RAC_ERROR("\nRacIpmi::%s Return Code: %u -- %s\n\n", name, st, RacIpmiGetStatusStr(st));
    return st;
}

const char* RacIpmiGetStatusStr(unsigned status) {
    if (status < sizeof kStatusText / sizeof kStatusText[0]) return kStatusText[status];
    return "Unknown Status Code";
}

const char* getIpmiCompletionCodeStr(unsigned completionCode) {
    unsigned cc = completionCode & 0xFFu;
    if (cc == 0x00) return "Command Completed Normally";
    if (cc <= 0x7E) return "Device specific (OEM) completion code";
    if (cc >= 0x80 && cc <= 0xBE) return "Command Specific completion code";
    if (cc >= 0xC0 && cc <= 0xD6) return kGenericCcText[cc - 0xC0];
    if (cc == 0xFF) return "Unknown Status Code";
    return "Unknown Completion Code";
}

unsigned RacIpmiInit(RacIpmi* pRacIpmi, const uint32_t* initBlock) {
    RAC_TRACE_OP("RacIpmiInit");
    if (pRacIpmi == nullptr) {
        RAC_ERROR("\nRacIpmi::RacIpmiInit Return Code: %u -- %s\n\n", RACIPMI_INVALID_INPUT_PARAM,
                  RacIpmiGetStatusStr(RACIPMI_INVALID_INPUT_PARAM));
        return RACIPMI_INVALID_INPUT_PARAM;
    }
    std::memset(pRacIpmi, 0, sizeof *pRacIpmi);
    auto* pd = static_cast<RacIpmiPrivateData*>(std::calloc(1, sizeof(RacIpmiPrivateData)));
    if (pd == nullptr) return RACIPMI_MEM_ALLOC_FAILED;
    pRacIpmi->pPrivateData = pd;
    pd->pInitBlock = static_cast<u32*>(std::calloc(RACIPMI_INIT_BLOCK_WORDS, sizeof(u32)));
    pd->pVexa = static_cast<VexaEntryTable*>(std::calloc(1, sizeof(VexaEntryTable)));
    if (pd->pInitBlock == nullptr || pd->pVexa == nullptr) {
        freeInstance(pRacIpmi);
        return RACIPMI_MEM_ALLOC_FAILED;
    }
    if (initBlock != nullptr)
        std::memcpy(pd->pInitBlock, initBlock, RACIPMI_INIT_BLOCK_WORDS * sizeof(u32));

    unsigned status = RACIPMI_SUCCESS;
    if (loadVexa(pd->pVexa) != RACIPMI_SUCCESS) {
        status = RACIPMI_LIB_LOAD_FAILED;
    } else {
        g_pPrivateData = pd;
        g_sdrIndexSel = 0;
        const USERAPIList walk = {getFirstSDR, getNextSDR, nullptr};
        CSLFAttach(&walk);
        fillSlots(pRacIpmi);
        pd->selCacheAttached = 0;
        pd->sdrCacheAttached = 0;
        u32 word = 0;
        status = gProbe ? gProbe(pRacIpmi, &word)
                        : reinterpret_cast<unsigned (*)(RacIpmi*, u32*)>(pRacIpmi->getRacStatus)(
                              pRacIpmi, &word);
        if (status == RACIPMI_SUCCESS) {
            if ((word & RAC_STATUS_DETECTED) == 0) {
                RAC_ERROR("\nRAC was not detected in the system\n\n");
                status = RACIPMI_RAC_NOT_PRESENT;
            } else if ((word & RAC_STATUS_IPMI_READY) == 0) {
                RAC_ERROR("\nRAC is not ready to receive IPMI commands\n\n");
                status = RACIPMI_IPMI_NOT_READY;
            }
        }
    }
    RAC_ERROR("Error: %d\n\n", static_cast<int>(status));

    if (status != RACIPMI_AMEA_ABSENT && status != RACIPMI_LIB_LOAD_FAILED) return RACIPMI_SUCCESS;
    std::fputs(status == RACIPMI_AMEA_ABSENT ? kUpgradeNote : kImportantNote, stdout);
    std::fflush(stdout);
    RAC_ERROR("\nRacIpmi::RacIpmiInit Return Code: %u -- %s\n\n", status, RacIpmiGetStatusStr(status));
    unloadVexa(pd->pVexa);
    freeInstance(pRacIpmi);
    return status;
}

unsigned RacIpmiUninit(RacIpmi* pRacIpmi) {
    RAC_TRACE_OP("RacIpmiUninit");
    if (pRacIpmi == nullptr) return RACIPMI_SUCCESS;
    RacIpmiPrivateData* pd = pRacIpmi->pPrivateData;
    if (pd != nullptr) {
        CSLFDetach();
        detachSdrCache(pd);
        detachSelCache(pd);
        if (pd->pVexa != nullptr) unloadVexa(pd->pVexa);
    }
    freeInstance(pRacIpmi);
    return RACIPMI_SUCCESS;
}

unsigned loadChanNumbers(RacIpmiPrivateData* pd) {
    RAC_TRACE_FN("loadChanNumbers");
    if (pd == nullptr || pd->pVexa == nullptr || pd->pVexa->fpHSTIPMGetChannelInfo == nullptr)
        return RACIPMI_INVALID_INPUT_PARAM;
    if (pd->chanNumbLoaded) return RACIPMI_SUCCESS;
    VexaEntryTable* t = pd->pVexa;
    pd->ipmbChanNumb = 0;
    pd->lanChanNumb = 1;
    pd->presentChanNumb = 14;
    pd->systemChanNumb = 15;
    for (u8 chan = 1; chan <= 7; ++chan) {
        RAC_DEBUG("\nHSTIPMGetChannelInfo:\nreqChannelNumber: 0x%02X\n\n", chan);
        u32 status = 0;
        VexaBuffer reply(t);
        status = racRetry(
            kRacStdRetry,
            [&] {
                reply.reset(t->fpHSTIPMGetChannelInfo(0, chan, &status, VEXA_TIMEOUT));
                return status;
            },
            [&](int left) { RAC_DEBUG("IPMI Timeout occured. Retry count: %d\n\n", left); });
        // No such channel: BMCs answer either "invalid data field" or "not present".
        if (status == VEXA_STATUS_INVALID_FIELD || status == VEXA_STATUS_NOT_PRESENT) continue;
        if (status != 0 || !reply) {
            RAC_ERROR("\nHSTIPMGetChannelInfo IPMI Completion Code: 0x%02X -- %s\n\n", status,
                      getIpmiCompletionCodeStr(status));
            return RACIPMI_CMD_FAILED;
        }
        RAC_DUMP("IPMIChannelInfo:\n", reply.get(), 9);
        u8 medium = reply.get()[1] & 0x7F;
        if (medium == 4) pd->lanChanNumb = reply.get()[0] & 0x0F;
        else if (medium == 5) pd->serialChanNumb = reply.get()[0] & 0x0F;
    }
    pd->chanNumbLoaded = 1;
    return RACIPMI_SUCCESS;
}

unsigned getIpmbChanNumb(RacIpmiPrivateData* pd, u8* c) {
    return channelLookup(pd, c, &RacIpmiPrivateData::ipmbChanNumb, "getIpmbChanNumb");
}
unsigned getLanChanNumb(RacIpmiPrivateData* pd, u8* c) {
    return channelLookup(pd, c, &RacIpmiPrivateData::lanChanNumb, "getLanChanNumb");
}
unsigned getSerialChanNumb(RacIpmiPrivateData* pd, u8* c) {
    return channelLookup(pd, c, &RacIpmiPrivateData::serialChanNumb, "getSerialChanNumb");
}
unsigned getPresentChanNumb(RacIpmiPrivateData* pd, u8* c) {
    return channelLookup(pd, c, &RacIpmiPrivateData::presentChanNumb, "getPresentChanNumb");
}
unsigned getSystemChanNumb(RacIpmiPrivateData* pd, u8* c) {
    return channelLookup(pd, c, &RacIpmiPrivateData::systemChanNumb, "getSystemChanNumb");
}

} // extern "C"

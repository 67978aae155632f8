// Stand-in for the host IPMI access library "libhstipm32.so": its entry points over raw IPMI
// requests to a BMC reached through the VM protocol (see hstipm_link.h for the address).
// The prototypes are those the configuration library resolves (libctlcfgapi/vexa.h); SEL
// and SDR caches live in hstipm_cache.cpp.
#include "hstipm_util.h"
#include "vexa.h"

#include <vector>

using hstipm::call;
using hstipm::readReply;
using vmcodec::Bytes;
namespace nf = hstipm::netfn;


namespace {

uint8_t* getParameter(uint8_t net, uint8_t cmd, uint8_t channel, uint8_t parameter, uint8_t set,
                      uint8_t block, uint32_t* status, uint8_t dataLen, s32 timeout) {
    return readReply(call(net, cmd, {static_cast<uint8_t>(channel & 0x0F), parameter, set, block}, timeout),
                     status, dataLen);
}

uint32_t setParameter(uint8_t net, uint8_t cmd, uint8_t channel, uint8_t parameter, const uint8_t* data,
                      uint8_t len, s32 timeout) {
    if (data == nullptr && len != 0) return hstipm::kCcBase + 0xCC;
    Bytes req{static_cast<uint8_t>(channel & 0x0F), parameter};
    if (len) req.insert(req.end(), data, data + len);
    return call(net, cmd, req, timeout).status;
}

void putIana(Bytes& req, const uint8_t* iana) {
    static const uint8_t zero[3] = {0, 0, 0};
    const uint8_t* p = iana ? iana : zero;
    req.insert(req.end(), p, p + 3);
}

} // namespace

extern "C" {

void HSTIPMIFreeGeneric(void* buffer) { std::free(buffer); }

u8* HSTIPMGetChannelInfo(u8, u8 channel, u32* status, s32 timeout) {
    return readReply(call(nf::kApp, 0x42, {channel}, timeout), status, 9);
}

u8* HSTIPMGetChannelAccessInfo(u8, u8 channel, u8 accessType, u32* status, s32 timeout) {
    return readReply(call(nf::kApp, 0x41, {channel, accessType}, timeout), status, 2);
}

u32 HSTIPMSetChannelAccessInfo(u8, u8 channel, u8 access, u8 limits, s32 timeout) {
    return call(nf::kApp, 0x40, {channel, access, limits}, timeout).status;
}

u8* HSTIPMSetChannelSecurityKeys(u8 channel, u8 operation, u8 keyId, const u8* key, u8 keyLen,
                                 u32* status, s32 timeout) {
    Bytes req{channel, operation, keyId};
    if (operation == 1 && key != nullptr) req.insert(req.end(), key, key + keyLen);
    return readReply(call(nf::kApp, 0x56, req, timeout), status, operation == 1 ? 1 : keyLen);
}

u8* HSTIPMGetLANConfigurationParameter(u8, u8 channel, u8 parameter, u8 set, u8 block, u32* status,
                                       u8 dataLen, s32 timeout) {
    return getParameter(nf::kTransport, 0x02, channel, parameter, set, block, status, dataLen, timeout);
}

u32 HSTIPMSetLANConfigurationParameter(u8, u8 channel, u8 parameter, const u8* data, u8 len, s32 timeout) {
    return setParameter(nf::kTransport, 0x01, channel, parameter, data, len, timeout);
}

u8* HSTIPMGetSerialConfigurationParameter(u8, u8 channel, u8 parameter, u8 set, u8 block,
                                          u32* status, u8 dataLen, s32 timeout) {
    return getParameter(nf::kTransport, 0x11, channel, parameter, set, block, status, dataLen, timeout);
}

u32 HSTIPMSetSerialConfigurationParameter(u8, u8 channel, u8 parameter, const u8* data, u8 len,
                                          s32 timeout) {
    return setParameter(nf::kTransport, 0x10, channel, parameter, data, len, timeout);
}

u8* HSTIPMGetSOLConfigurationParameter(u8, u8 channel, u8 parameter, u8 set, u8 block, u32* status,
                                       u8 dataLen, s32 timeout) {
    return getParameter(nf::kTransport, 0x22, channel, parameter, set, block, status, dataLen, timeout);
}

u32 HSTIPMSetSOLConfigurationParameter(u8, u8 channel, u8 parameter, const u8* data, u8 len, s32 timeout) {
    return setParameter(nf::kTransport, 0x21, channel, parameter, data, len, timeout);
}

// The OEM variants address the same SOL parameters; this BMC has no separate OEM set.
u8* HSTIPMGetOEMSOLConfigurationParameter(u8 r, u8 channel, u8 parameter, u8 set, u8 block,
                                          u32* status, u8 dataLen, s32 timeout) {
    return HSTIPMGetSOLConfigurationParameter(r, channel, parameter, set, block, status, dataLen, timeout);
}

u32 HSTIPMSetOEMSOLConfigurationParameter(u8 r, u8 channel, u8 parameter, const u8* data, u8 len,
                                          s32 timeout) {
    return HSTIPMSetSOLConfigurationParameter(r, channel, parameter, data, len, timeout);
}

u8* HSTIPMGetPEFConfiguration(u8, u8 parameter, u8 set, u8 block, u32* status, u8 dataLen, s32 timeout) {
    return readReply(call(nf::kSensorEvent, 0x13, {parameter, set, block}, timeout), status, dataLen);
}

u32 HSTIPMSetPEFConfiguration(u8, u8 parameter, const u8* data, u8 len, s32 timeout) {
    if (data == nullptr && len != 0) return hstipm::kCcBase + 0xCC;
    Bytes req{parameter};
    if (len) req.insert(req.end(), data, data + len);
    return call(nf::kSensorEvent, 0x12, req, timeout).status;
}

u8* HSTIPMGetPEFCapabilities(u8, u32* status, s32 timeout) {
    return readReply(call(nf::kSensorEvent, 0x10, {}, timeout), status, 3);
}

u8* HSTIPMGetSystemInfoParameter(u8, u8 revisionOnly, u8 parameter, u8 set, u8 block, u8 dataLen,
                                 u32* status, s32 timeout) {
    Bytes req{static_cast<uint8_t>(revisionOnly ? 0x80 : 0x00), parameter, set, block};
    return readReply(call(nf::kApp, 0x59, req, timeout), status, dataLen);
}

u32 HSTIPMSetSystemInfoParameter(u8, u8 parameter, u8 len, const u8* data, s32 timeout) {
    if (data == nullptr && len != 0) return hstipm::kCcBase + 0xCC;
    Bytes req{parameter};
    if (len) req.insert(req.end(), data, data + len);
    return call(nf::kApp, 0x58, req, timeout).status;
}

u32 HSTIPMAlertImmediate(u8 channel, u8 destSelector, u8 stringSelector, u8* alertStatus, s32 timeout) {
    hstipm::Reply r = call(nf::kSensorEvent, 0x16, {channel, destSelector, stringSelector}, timeout);
    if (alertStatus != nullptr) *alertStatus = r.data.empty() ? 0 : r.data[0];
    return r.status;
}

// OEM extended configuration, network function 2Eh:
//   Get 02h: IANA(3), reservation, token, index, offset (u16), count -> IANA(3), count, data
//   Set 03h: IANA(3), reservation, token, index, offset (u16), flags (bit 0: last piece),
//            data -> IANA(3), bytes taken
// Writes longer than one request travel in pieces at increasing offsets.
u8* HSTIPMGetRACExtendedConfigParameter(u8, u8, u8, u8, const u8* iana, u8 reservationId, u8 token,
                                        u8 index, u16 offset, u8 count, u32* status, s32 timeout) {
    Bytes req;
    putIana(req, iana);
    req.insert(req.end(), {reservationId, token, index, static_cast<uint8_t>(offset & 0xFF),
                           static_cast<uint8_t>(offset >> 8), count});
    hstipm::Reply r = call(nf::kOem, 0x02, req, timeout);
    if (r.status == 0 && (r.data.size() < 4 || r.data[3] != r.data.size() - 4))
        r.status = hstipm::kCcBase + 0xCE; // malformed reply: the count must match the data
    return readReply(r, status, 1, 3);
}

u32 HSTIPMSetRACExtendedConfigParameter(u8, u8, u8, u8, const u8* iana, u8 reservationId, u8 token,
                                        u8 index, u16 offset, u16 totalLen, u16* bytesWritten, u8,
                                        const u8* data, s32 timeout) {
    constexpr size_t kPiece = 64;
    if (bytesWritten != nullptr) *bytesWritten = 0;
    if (data == nullptr && totalLen != 0) return hstipm::kCcBase + 0xCC;
    size_t done = 0;
    do {
        size_t n = totalLen - done < kPiece ? totalLen - done : kPiece;
        size_t at = offset + done;
        bool last = done + n == totalLen;
        Bytes req;
        putIana(req, iana);
        req.insert(req.end(), {reservationId, token, index, static_cast<uint8_t>(at & 0xFF),
                               static_cast<uint8_t>(at >> 8), static_cast<uint8_t>(last ? 1 : 0)});
        req.insert(req.end(), data + done, data + done + n);
        hstipm::Reply r = call(nf::kOem, 0x03, req, timeout);
        if (r.status != 0) return r.status;
        if (r.data.size() < 4 || r.data[3] != n) return hstipm::kCcBase + 0xCE;
        done += n;
        if (bytesWritten != nullptr) *bytesWritten = static_cast<u16>(done);
    } while (done < totalLen);
    return 0;
}

u32 HSTIPMGetBMCSlaveAddress(void) { return 0x20; }

u8* HSTIPMGetSensorReading(u8, u8, u8 sensor, u32* status, s32 timeout) {
    return readReply(call(nf::kSensorEvent, 0x2D, {sensor}, timeout), status, 4);
}

u8* HSTIPMGetDeviceID(u8, u8, u32* status, s32 timeout) {
    return readReply(call(nf::kApp, 0x01, {}, timeout), status, 15);
}

u32 HSTIPMGetIPMIVersion(void) {
    u32 st = 0;
    u8* id = HSTIPMGetDeviceID(0x20, 0, &st, VEXA_TIMEOUT);
    u32 v = id ? id[4] : 0;
    std::free(id);
    return v;
}

u8* HSTIPMGetSystemGUID(u8, u32* status, s32 timeout) {
    return readReply(call(nf::kApp, 0x37, {}, timeout), status, 16);
}

// There is no standard command for it; the BMC is told the command is not supported.
u32 HSTIPMResetToDefaultConfig(u8, s32) { return hstipm::kCcBase + 0xC1; }

// FRU inventory: reads the common header of the device, then the area whose offset sits at
// header byte areaType (1 internal use, 2 chassis, 3 board, 4 product, 5 multi-record).
// Status 0 and no buffer when the area is absent.
u8* HSTIPMReadFRUData(u8, u8, u8 device, u8 areaType, u8, u32* status, s32 timeout) {
    auto read = [&](size_t at, size_t count, Bytes& out) -> u32 {
        while (count > 0) {
            uint8_t n = static_cast<uint8_t>(count < 16 ? count : 16);
            hstipm::Reply r = call(nf::kStorage, 0x11,
                                   {device, static_cast<uint8_t>(at & 0xFF), static_cast<uint8_t>(at >> 8), n},
                                   timeout);
            if (r.status != 0) return r.status;
            if (r.data.empty() || r.data[0] == 0 || r.data[0] > n || r.data.size() < 1u + r.data[0])
                return hstipm::kCcBase + 0xCA;
            out.insert(out.end(), r.data.begin() + 1, r.data.begin() + 1 + r.data[0]);
            at += r.data[0];
            count -= r.data[0];
        }
        return 0;
    };
    if (status != nullptr) *status = 0;
    if (areaType < 1 || areaType > 5) {
        if (status != nullptr) *status = hstipm::kCcBase + 0xCC;
        return nullptr;
    }
    Bytes header;
    u32 st = read(0, 8, header);
    if (st == 0 && header[areaType] != 0) {
        size_t start = header[areaType] * 8u;
        Bytes area;
        st = read(start, 2, area);
        if (st == 0 && area[1] != 0) st = read(start + 2, area[1] * 8u - 2, area);
        if (st == 0) return readReply(hstipm::Reply{0, area}, status, area.size());
    }
    if (status != nullptr) *status = st;
    return nullptr;
}

u8* HSTIPMGetChassisStatus(u8, u32* status, s32 timeout) {
    return readReply(call(nf::kChassis, 0x01, {}, timeout), status, 4);
}

u32 HSTIPMChassisControl(u8, u8 control, s32 timeout) {
    return call(nf::kChassis, 0x02, {control}, timeout).status;
}

u8* HSTIPMGetWatchdogTimer(u8, u32* status, s32 timeout) {
    return readReply(call(nf::kApp, 0x25, {}, timeout), status, 8);
}

u8* HSTIPMGetSessionInfo(u8, u8 sessionIndex, u8 addLen, const u8* addData, u32* status, u8 replyLen,
                         s32 timeout) {
    Bytes req{sessionIndex};
    if (addData != nullptr) req.insert(req.end(), addData, addData + addLen);
    return readReply(call(nf::kApp, 0x3D, req, timeout), status, replyLen);
}

u8* HSTIPMGetUserName(u8, u8 userId, u32* status, s32 timeout) {
    return readReply(call(nf::kApp, 0x46, {static_cast<uint8_t>(userId & 0x3F)}, timeout), status, 16);
}

u32 HSTIPMSetUserName(u8, u8 userId, const u8* name16, s32 timeout) {
    if (name16 == nullptr) return hstipm::kCcBase + 0xCC;
    Bytes req{static_cast<uint8_t>(userId & 0x3F)};
    req.insert(req.end(), name16, name16 + 16);
    return call(nf::kApp, 0x45, req, timeout).status;
}

// dataLen 20 selects the 20-byte password form; operation 0 disable, 1 enable, 2 set, 3 test.
u32 HSTIPMSetUserPassword(u8, u8 userId, u8 operation, u8 dataLen, const u8* data, s32 timeout) {
    Bytes req{static_cast<uint8_t>((userId & 0x3F) | (dataLen == 20 ? 0x80 : 0)), operation};
    if (dataLen && data != nullptr) {
        Bytes pw(data, data + dataLen);
        pw.resize(dataLen == 20 ? 20 : 16, 0);
        req.insert(req.end(), pw.begin(), pw.end());
    }
    return call(nf::kApp, 0x47, req, timeout).status;
}

u8* HSTIPMGetUserAccessInfo(u8, u8 channel, u8 userId, u32* status, s32 timeout) {
    return readReply(call(nf::kApp, 0x44, {channel, userId}, timeout), status, 4);
}

u32 HSTIPMSetUserAccessInfo(u8, u8 requestByte1, u8 userId, u8 limits, s32 timeout) {
    return call(nf::kApp, 0x43, {requestByte1, userId, limits}, timeout).status;
}

u8* HSTIPMGetUserPayloadAccessData(u8 channel, u8 userId, u32* status, s32 timeout) {
    return readReply(call(nf::kApp, 0x4D, {channel, userId}, timeout), status, 4);
}

u32 HSTIPMSetUserPayloadAccessData(u8 channel, u8 userByte, const u8* data4, s32 timeout) {
    if (data4 == nullptr) return hstipm::kCcBase + 0xCC;
    Bytes req{channel, userByte};
    req.insert(req.end(), data4, data4 + 4);
    return call(nf::kApp, 0x4C, req, timeout).status;
}

u8* HSTIPMGetSELTime(u8, u32* status, s32 timeout) {
    return readReply(call(nf::kStorage, 0x48, {}, timeout), status, 4);
}

u32 HSTIPMSetSELTime(u8, u32 seconds, s32 timeout) {
    return call(nf::kStorage, 0x49,
                {static_cast<uint8_t>(seconds), static_cast<uint8_t>(seconds >> 8),
                 static_cast<uint8_t>(seconds >> 16), static_cast<uint8_t>(seconds >> 24)},
                timeout)
        .status;
}

} // extern "C"

// The group table of the extended configuration and the generic packer and unpacker.
#include "racext_groups.h"

#include <cstring>

namespace {

constexpr RacField U8{1, 0, 0};
constexpr RacField U16{2, 0, 0};
constexpr RacField U32{4, 0, 0};
constexpr RacField S(u16 n, u8 flags = 0) { return RacField{0, n, flags}; }
constexpr RacField with(RacField f, u8 flags) { return RacField{f.width, f.capacity, flags}; }

template <std::size_t N> constexpr u16 recordBytes(const RacField (&f)[N]) {
    u16 n = 0;
    for (const RacField& x : f) n = static_cast<u16>(n + (x.width ? x.width : 1 + x.capacity));
    return n;
}

#define CACHE_OF(member) static_cast<std::ptrdiff_t>(offsetof(RacGroupCaches, member))

// Fields of the packed groups, in record order.
constexpr RacField kSnmp[] = {U8, S(32), S(32)};
constexpr RacField kDnsDdns[] = {U8, U32, U32, U8, S(64), U8, S(256)};
constexpr RacField kAd[] = {U8,          U32,    S(256, kRacLengthOnly), S(256), S(256), U8,
                            with(U8, kRacNotOnWire), with(U8, kRacNotOnWire), with(U8, kRacNotOnWire),
                            S(256),      S(256), S(256),                 S(256), S(256), S(256),
                            U8};
constexpr RacField kEmailAlert[] = {U8, S(64), S(32)};
constexpr RacField kSsl[] = {U32, S(256), S(256), S(256), S(256), S(256), S(4), S(256)};
constexpr RacField kVm[] = {U8, U8, U8, U16, U8, U16, U8, S(256), S(256), U8, U8};
constexpr RacField kInfo[] = {S(32), S(256), S(10), S(64), S(10)};
constexpr RacField kFwUpdate[] = {S(17), S(32), U8, U32, S(256), S(32)};
constexpr RacField kSerialShell[] = {U8, U8, U8, U32, U32, U8, S(32), U32, S(129)};
constexpr RacField kNicTeaming[] = {U8, U8, U32, S(256), U8, U32, U32, U32, U8};
constexpr RacField kSsad[] = {S(256), S(256), U32};
constexpr RacField kIpv6Ext[] = {U8, S(40), S(40), U8, U8, S(40, kRacNeverWritten),
                                 S(40, kRacNeverWritten), U8, S(40), S(40), U8};
constexpr RacField kIpsec[] = {S(20), S(40), U8, U16, U8, U16, U8, U16, U8, U8, U32, S(40), U8, U32};
constexpr RacField kIke[] = {S(20), S(40), U8, U16, U8, U8, U8, U8, U8};
constexpr RacField kIpv6Url[] = {S(81)};
constexpr RacField kUd[] = {S(256)};
constexpr RacField kSmartCard[] = {U8, U8};
constexpr RacField kPower[] = {with(U8, kRacNeverWritten),    S(32, kRacNeverWritten),
                               S(32, kRacNeverWritten),       S(32, kRacNeverWritten),
                               S(32, kRacNeverWritten),       S(32, kRacNeverWritten),
                               S(32, kRacNeverWritten),       with(U8, kRacSkipOnRead),
                               S(32),                         S(32),
                               S(32)};
constexpr RacField kUserPriv[] = {U32};

template <std::size_t N>
constexpr RacGroup packed(const char* name, u8 token, u8 first, u8 last, const RacField (&f)[N],
                          u8 flags, std::ptrdiff_t cache) {
    return RacGroup{name, token, first, last, recordBytes(f), recordBytes(f), f,
                    static_cast<u8>(N), flags, cache};
}
constexpr RacGroup opaque(const char* name, u8 token, u16 wire, u16 record, u8 flags,
                          std::ptrdiff_t cache) {
    return RacGroup{name, token, 0, 0, wire, record, nullptr, 0, flags, cache};
}

} // namespace

#define G(type) constexpr RacGroup kRacGroup_##type
G(RacIpv6Group) = opaque("Ipv6", 1, 49, 49, kRacMaskLowByte, CACHE_OF(ipv6));
G(RacNicLinkSetGroup) = opaque("NicLinkSet", 2, 6, 8, 0, CACHE_OF(nicLinkSet));
G(RacLanTuneGroup) = opaque("LanTune", 3, 36, 36, 0, CACHE_OF(lanTune));
G(UserPriv) = packed("UserPriv", 4, 0, 16, kUserPriv, kRacNoCache, -1);
G(RacSnmpGroup) = packed("Snmp", 5, 0, 0, kSnmp, 0, CACHE_OF(snmp));
G(RacDnsDdnsGroup) = packed("DnsDdns", 6, 0, 0, kDnsDdns, 0, CACHE_OF(dnsDdns));
G(RacAdCfg) = packed("AdCfg", 7, 0, 0, kAd, 0, CACHE_OF(ad));
G(RacEmailAlertCfg) = packed("EmailAlert", 8, 1, 4, kEmailAlert, 0, CACHE_OF(emailAlert));
G(RacSslCfg) = packed("Ssl", 9, 0, 0, kSsl, 0, CACHE_OF(ssl));
G(RacSshCfg) = opaque("Ssh", 10, 9, 12, 0, CACHE_OF(ssh));
G(RacTelnetCfg) = opaque("Telnet", 11, 10, 10, 0, CACHE_OF(telnet));
G(RacWebServerCfg) = opaque("WebServer", 12, 11, 11, 0, CACHE_OF(webServer));
G(RacCrCfg) = opaque("Cr", 13, 10, 10, 0, CACHE_OF(cr));
G(RacVmCfg) = packed("Vm", 14, 0, 0, kVm, kRacVmResult, CACHE_OF(vm));
G(RacInfo) = packed("Info", 15, 0, 0, kInfo, kRacNoGate | kRacReadOnly, CACHE_OF(info));
G(RacFwUpdate) = packed("FwUpdate", 16, 0, 0, kFwUpdate, 0, CACHE_OF(fwUpdate));
G(RacSerialShell) = packed("SerialShell", 17, 0, 0, kSerialShell, 0, CACHE_OF(serialShell));
G(RacMisc) = opaque("Misc", 18, 10, 10, 0, CACHE_OF(misc));
G(RacOobSecurity) = opaque("OobSecurity", 19, 19, 19, 0, CACHE_OF(oobSecurity));
G(RacNicTeamingGroup) = packed("NicTeaming", 24, 0, 0, kNicTeaming, 0, CACHE_OF(nicTeaming));
G(RacTimeZoneGroup) = opaque("TimeZone", 25, 5, 5, 0, CACHE_OF(timeZone));
G(RacSsadCfg) = packed("Ssad", 27, 1, 5, kSsad, 0, CACHE_OF(ssad));
// Two u8 fields; each write sends its chosen byte in both, whatever the mask, so the group
// moves as it is.
G(RacConfigDisable) = opaque("ConfigDisable", 29, 2, 2, 0, CACHE_OF(configDisable));
G(RacLocalConsredDisable) = opaque("LocalConsred", 30, 2, 2, 0, CACHE_OF(localConsred));
G(RacIPv6ExtGroup) = packed("IPv6Ext", 32, 0, 0, kIpv6Ext, 0, CACHE_OF(ipv6Ext));
G(RacIPSecGroup) = packed("IPSec", 33, 1, 16, kIpsec, 0, CACHE_OF(ipsec));
G(RacIkeGroup) = packed("Ike", 34, 1, 4, kIke, 0, CACHE_OF(ike));
G(RacIPv6URLGroup) = packed("IPv6URL", 35, 0, 0, kIpv6Url, 0, CACHE_OF(ipv6Url));
G(RacUdCfg) = packed("UdCfg", 36, 1, 40, kUd, 0, CACHE_OF(ud));
G(RacSmartCardCfg) = packed("SmartCard", 37, 0, 0, kSmartCard, 0, CACHE_OF(smartCard));
G(RacPowerGroup) = packed("Power", 38, 0, 0, kPower, 0, CACHE_OF(power));
G(RacPostResult) = opaque("PostResult", 240, 251, 251, kRacNoCache | kRacReadOnly, -1);
#undef G

// The public record types, the table and the instance caches must agree on every size.
#define RAC_CHECK_SIZE_(get, set, type, size, ...)                                 \
    static_assert(sizeof(type) == size && kRacGroup_##type.recordSize == size,     \
                  #type " record size");
CTLCFG_RAC_GROUPS(RAC_CHECK_SIZE_)
CTLCFG_RAC_INDEXED_GROUPS(RAC_CHECK_SIZE_)
RAC_CHECK_SIZE_(, , RacInfo, 377)
RAC_CHECK_SIZE_(, , RacPostResult, 251)
RAC_CHECK_SIZE_(, , RacConfigDisable, 2)
#undef RAC_CHECK_SIZE_
#define RAC_CHECK_CACHE_(member, count, size)                                            \
    static_assert(sizeof(RacGroupCaches::member.copy[0]) == size, #member " cache size"); \
    static_assert(sizeof(RacGroupCaches::member.valid) / sizeof(u32) == count, #member " indexes");
RAC_GROUP_CACHES(RAC_CHECK_CACHE_)
#undef RAC_CHECK_CACHE_

const RacGroup* const* racAllGroups(std::size_t* count) {
    static const RacGroup* const all[] = {
#define RAC_LIST_(get, set, type, ...) &kRacGroup_##type,
        CTLCFG_RAC_GROUPS(RAC_LIST_) CTLCFG_RAC_INDEXED_GROUPS(RAC_LIST_)
#undef RAC_LIST_
        &kRacGroup_RacInfo, &kRacGroup_RacPostResult, &kRacGroup_RacConfigDisable,
        &kRacGroup_UserPriv,
    };
    *count = sizeof all / sizeof all[0];
    return all;
}

unsigned racPackGroup(const RacGroup& g, const u8* rec, u16 mask, u8* out, u16* outLen) {
    *outLen = 0;
    std::memset(out, 0, g.wireSize);
    if (g.fields == nullptr) { // opaque: the caller's bytes are the parameter
        std::memcpy(out, rec, g.wireSize);
        *outLen = g.wireSize;
        return RACIPMI_SUCCESS;
    }
    u16 pos = 0, ro = 0;
    for (u8 i = 0; i < g.fieldCount; ++i) {
        const RacField& f = g.fields[i];
        const u16 recBytes = static_cast<u16>(f.width ? f.width : 1 + f.capacity);
        const bool selected = (mask >> i & 1u) != 0 && (f.flags & kRacNeverWritten) == 0;
        if ((f.flags & kRacNotOnWire) == 0) {
            if (f.width != 0) {
                if (selected) std::memcpy(out + pos, rec + ro, f.width);
                pos = static_cast<u16>(pos + f.width);
            } else if (!selected) {
                out[pos++] = 0; // empty string
            } else {
                u8 len = rec[ro];
                if (len > f.capacity) return RACIPMI_INVALID_BUF_LEN;
                out[pos] = len;
                if ((f.flags & kRacLengthOnly) == 0) std::memcpy(out + pos + 1, rec + ro + 1, len);
                pos = static_cast<u16>(pos + 1 + len);
            }
        }
        ro = static_cast<u16>(ro + recBytes);
    }
    *outLen = pos;
    return RACIPMI_SUCCESS;
}

unsigned racUnpackGroup(const RacGroup& g, const u8* wire, u16 len, u8* rec) {
    std::memset(rec, 0, g.recordSize);
    auto at = [&](std::size_t i) -> u8 { return i < len ? wire[i] : 0; };
    if (g.fields == nullptr) {
        for (u16 i = 0; i < g.wireSize && i < g.recordSize; ++i) rec[i] = at(i);
        return RACIPMI_SUCCESS;
    }
    std::size_t pos = 0, ro = 0;
    for (u8 i = 0; i < g.fieldCount; ++i) {
        const RacField& f = g.fields[i];
        const std::size_t recBytes = f.width ? f.width : 1u + f.capacity;
        if ((f.flags & kRacNotOnWire) == 0) {
            if (f.width != 0) {
                if ((f.flags & kRacSkipOnRead) == 0)
                    for (u8 k = 0; k < f.width; ++k) rec[ro + k] = at(pos + k);
                pos += f.width;
            } else {
                u8 n = at(pos);
                if (n > f.capacity) {
                    std::memset(rec, 0, g.recordSize);
                    return RACIPMI_INVALID_BUF_LEN;
                }
                rec[ro] = n;
                if ((f.flags & kRacLengthOnly) == 0)
                    for (u8 k = 0; k < n; ++k) rec[ro + 1 + k] = at(pos + 1 + k);
                pos += 1u + n;
            }
        }
        ro += recBytes;
    }
    return RACIPMI_SUCCESS;
}

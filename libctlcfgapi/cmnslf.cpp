// The SEL decoder's entry: callbacks and decoding method, the record's date and description,
// the sensor record search and the conversion of a date text to calendar form.
#define RAC_MODULE "cmnslf"
#include <cstdio>

#include "cslf_private.h"
#include "tracelog.h"

using cslf::SdrView;
using cslf::TextBuf;

namespace {

USERAPIList gCallbacks = {nullptr, nullptr, nullptr};

CSLFMethod defaultMethod() {
    CSLFMethod m{};
    m.methodSize = 8192;
    m.platformCode = CSLF_PLATFORM_DEFAULT;
    m.manufacturerId = CSLF_MAKER_MANUFACTURER_ID;
    m.version = 1;
    return m;
}

CSLFMethod gMethod = defaultMethod();

constexpr uint8_t kSystemEventRecord = 0x02;
constexpr uint32_t kBootRelativeLimit = 0x20000000u;  // stamps up to here count from power-on

uint32_t timeStamp(const uint8_t* sel) {
    return static_cast<uint32_t>(sel[3]) | static_cast<uint32_t>(sel[4]) << 8 |
           static_cast<uint32_t>(sel[5]) << 16 | static_cast<uint32_t>(sel[6]) << 24;
}

struct CivilDate {
    unsigned year, month, day;
};

// Days since 1 January 1970 to a Gregorian date (2100 is not a leap year).
CivilDate civilFromDays(uint32_t days) {
    const uint32_t z = days + 719468u;  // days since 1 March of year 0
    const uint32_t era = z / 146097u;
    const uint32_t doe = z - era * 146097u;
    const uint32_t yoe = (doe - doe / 1460u + doe / 36524u - doe / 146096u) / 365u;
    const uint32_t doy = doe - (365u * yoe + yoe / 4u - yoe / 100u);
    const uint32_t mp = (5u * doy + 2u) / 153u;
    const unsigned day = doy - (153u * mp + 2u) / 5u + 1u;
    const unsigned month = mp < 10u ? mp + 3u : mp - 9u;
    const unsigned year = yoe + era * 400u + (month <= 2u ? 1u : 0u);
    return {year, month, day};
}

// Reads up to `width` digits from *p (stopping at any other character).
unsigned takeNumber(const char*& p, int width) {
    unsigned v = 0;
    for (int i = 0; i < width && *p >= '0' && *p <= '9'; ++i, ++p) v = v * 10u + static_cast<unsigned>(*p - '0');
    return v;
}

}  // namespace

namespace cslf {

const USERAPIList& callbacks() { return gCallbacks; }
const CSLFMethod& method() { return gMethod; }
bool makerMethod() { return gMethod.manufacturerId == CSLF_MAKER_MANUFACTURER_ID; }

}  // namespace cslf

extern "C" {

unsigned CSLFAttach(const USERAPIList* list) {
    if (list == nullptr) return 1;
    gCallbacks = *list;
    return 0;
}

void CSLFDetach(void) {}

unsigned CSLFGetDecodingMethod(CSLFMethod* m) {
    if (m == nullptr) return 1;
    std::memcpy(m, &gMethod, sizeof gMethod);
    return 0;
}

unsigned CSLFSetDecodingMethod(const CSLFMethod* m) {
    if (m == nullptr) return 1;
    std::memcpy(&gMethod, m, sizeof gMethod);
    return 0;
}

unsigned GetSelDateString(const uint8_t* sel, char* buffer, uint16_t size) {
    if (buffer == nullptr || size == 0) return 2;
    buffer[0] = '\0';
    if (sel == nullptr || size < CSLF_DATE_SIZE) {
        RAC_ERROR("\nGetSelDateString: no record or a buffer of %u bytes (at least %u)\n\n",
                  static_cast<unsigned>(size), static_cast<unsigned>(CSLF_DATE_SIZE));
        return 2;
    }
    const uint32_t stamp = timeStamp(sel);
    if (stamp <= kBootRelativeLimit) {
        TextBuf(buffer, size).add(g_systemboot);
        return 0;
    }
    const uint32_t secs = stamp % 86400u;
    const CivilDate d = civilFromDays(stamp / 86400u);
    std::snprintf(buffer, size, "%04u%02u%02u%02u%02u%02u.000000", d.year, d.month, d.day,
                  secs / 3600u, secs / 60u % 60u, secs % 60u);
    return 0;
}

unsigned CSLFSELUnixToCTime(const char* date, char* buffer) {
    if (date == nullptr || buffer == nullptr) return 1;
    if (!(*date >= '0' && *date <= '9')) {
        TextBuf(buffer, CSLF_CTIME_SIZE).add(g_systemboot);
        return 0;
    }
    const char* p = date;
    const unsigned year = takeNumber(p, 4);
    const unsigned month = takeNumber(p, 2);
    const unsigned day = takeNumber(p, 2);
    const unsigned hour = takeNumber(p, 2);
    const unsigned minute = takeNumber(p, 2);
    const unsigned second = takeNumber(p, 2);
    const char* dayName = "???";
    const char* monthName = "???";
    if (month >= 1 && month <= 12) {
        static const unsigned t[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
        const unsigned y = month < 3 ? year + 399u : year;  // year - 1, kept non-negative mod 400
        dayName = g_DayOfWeekTable[(y + y / 4 - y / 100 + y / 400 + t[month - 1] + day) % 7];
        monthName = g_SELMonthTable[month - 1];
    }
    std::snprintf(buffer, CSLF_CTIME_SIZE, "%s %s %02u %02u:%02u:%02u %04u", dayName, monthName,
                  day, hour, minute, second, year);
    return 0;
}

const uint8_t* SelFindSDRRecord(const uint8_t* sel, void* userData) {
    const USERAPIList& cb = gCallbacks;
    if (sel == nullptr || cb.getFirstSDR == nullptr || cb.getNextSDR == nullptr) return nullptr;
    const unsigned owner = sel[7];
    const unsigned sensor = sel[11];
    unsigned seen = 0;
    for (const uint8_t* r = cb.getFirstSDR(userData); r != nullptr && seen < cslf::kMaxWalkRecords;
         r = cb.getNextSDR(r, userData), ++seen) {
        SdrView s(r, cb.convertSDR);
        if (s.type() != 0x01 && s.type() != 0x02) continue;
        if (CSSSDRGetAttribute(r, 11, cb.convertSDR) != owner) continue;
        const unsigned first = CSSSDRGetAttribute(r, 15, cb.convertSDR);
        unsigned share = CSSSDRGetAttribute(r, 10, cb.convertSDR);
        if (share == 0) share = 1;  // a compact record that shares nothing says 0
        if (sensor >= first && sensor < first + share) return r;
    }
    return nullptr;
}

unsigned CSLFSELEntryToStr(const uint8_t* sel, uint32_t /*reserved*/, char* dateBuf,
                           uint16_t dateSize, char* descBuf, uint16_t descSize,
                           uint8_t* severity, void* userData) {
    unsigned result = 1;
    if (sel == nullptr) return result;
    if (dateBuf != nullptr && dateSize != 0) result = GetSelDateString(sel, dateBuf, dateSize);
    if (descBuf == nullptr || descSize == 0) return result;

    char desc[1024];
    TextBuf out(desc, sizeof desc);
    uint8_t sev = CSLF_SEVERITY_NORMAL;
    if (sel[2] != kSystemEventRecord) {
        out.add(g_OemEventRecord);
    } else {
        const USERAPIList& cb = gCallbacks;
        const char* typeText = CSSGetSensorTypeStr(sel[10], sel[12] & 0x7F);
        const uint8_t* sdr = SelFindSDRRecord(sel, userData);
        char status[CSLF_STATUS_SIZE];
        if (sdr != nullptr) {
            const uint8_t offset = static_cast<uint8_t>(sel[11] - CSSSDRGetAttribute(sdr, 15, cb.convertSDR));
            char probe[CSLF_PROBE_NAME_SIZE];
            char entity[CSLF_PROBE_NAME_SIZE] = "";
            CSSGetProbeName(sdr, offset, probe, sizeof probe, cb.convertSDR);
            const uint8_t* fru = CSSFindEntitySDRRecord(cb.getFirstSDR, cb.getNextSDR, cb.convertSDR, sdr, userData);
            if (fru != nullptr) CSSGetProbeName(fru, 0, entity, sizeof entity, cb.convertSDR);
            GetSensorStatusStr(sel, sdr, status, sizeof status, &sev);
            if (entity[0] != '\0')
                out.add(entity).add(" ").add(probe).add(": ").add(typeText).add(g_sensorfor).add(entity);
            else
                out.add(probe).add(": ").add(typeText).add(g_sensor);
            out.add(", ").add(status);
        } else {
            GetSensorStatusStr(sel, nullptr, status, sizeof status, &sev);
            out.add(g_SoftwareEvent).add(": ").add(status[0] != '\0' ? status : g_DefaultUnknownStatus);
        }
    }
    if (severity != nullptr) *severity = sev;
    if (out.length() + 2 > descSize) {
        RAC_ERROR("\nCSLFSELEntryToStr: a description of %u characters does not fit in %u bytes\n\n",
                  static_cast<unsigned>(out.length()), static_cast<unsigned>(descSize));
        return 2;
    }
    std::memcpy(descBuf, desc, out.length() + 1);
    return 0;
}

}  // extern "C"

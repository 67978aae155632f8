// Support functions of the SEL decoder: SDR attributes, probe and entity names, sensor type
// texts, the entity walk and the arithmetic helpers.
#include <climits>

#include "cslf_private.h"

namespace cslf {

TextBuf& TextBuf::addUnsigned(unsigned v) {
    char digits[CSS_LTOA_SIZE];
    std::size_t n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10u);
        v /= 10u;
    } while (v != 0);
    while (n > 0) addChar(digits[--n]);
    return *this;
}

}  // namespace cslf

using cslf::SdrView;
using cslf::TextBuf;

namespace {

enum : uint8_t {
    kFullSensor = 0x01,
    kCompactSensor = 0x02,
    kEntityAssoc = 0x08,
    kFruLocator = 0x11,
    kControllerLocator = 0x12,
    kOemRecord = 0xC0
};

bool sensorRecord(uint8_t type) { return type == kFullSensor || type == kCompactSensor; }

uint8_t attribute(const SdrView& s, uint8_t code) {
    const uint8_t type = s.type();
    switch (code) {
    case 0: return type;
    case 1: return s.at(25);
    case 2: return s.at(27);
    case 3: return s.at(26);
    case 4: return s.at(24);
    case 5: return s.at(29);
    case 6:
        if (sensorRecord(type)) return s.at(8);
        if (type == kEntityAssoc) return s.at(5);
        if (type == kFruLocator) return s.at(12);
        return 0;
    case 7:
        if (sensorRecord(type)) return s.at(9);
        if (type == kEntityAssoc) return s.at(6);
        if (type == kFruLocator) return s.at(13);
        return 0;
    case 10: return type == kCompactSensor ? static_cast<uint8_t>(s.at(23) & 0x0F) : 1;
    case 14:
        if (type == kFullSensor) return s.at(46);
        if (type == kCompactSensor) return s.at(30);
        return 0;
    default: break;
    }
    if (!sensorRecord(type)) return 0;
    switch (code) {
    case 8: return s.at(13);
    case 9: return s.at(12);
    case 11: return s.at(5);
    case 12: return s.at(18);
    case 13: return s.at(19);
    case 15: return s.at(7);
    case 16: return s.at(21);
    default: return 0;
    }
}

// Copies the name at `pos` of `len` bytes when it is shorter than the capacity.
void copyName(const SdrView& s, std::size_t pos, int len, TextBuf& out, uint32_t capacity) {
    if (len <= 0 || static_cast<uint32_t>(len) >= capacity) return;
    const uint8_t* bytes = nullptr;
    const std::size_t n = s.bytes(pos, static_cast<std::size_t>(len), &bytes);
    // An ID string ends at its first zero byte, like any C text.
    for (std::size_t i = 0; i < n && bytes[i] != 0; ++i) out.addChar(static_cast<char>(bytes[i]));
}

}  // namespace

extern "C" {

uint8_t CSSSDRGetAttribute(const uint8_t* sdr, uint8_t code, CSLFConvertSDRFn convert) {
    SdrView s(sdr, convert);
    return s.valid() ? attribute(s, code) : 0;
}

unsigned CSSGetProbeName(const uint8_t* sdr, uint8_t instanceOffset, char* buffer,
                         uint32_t capacity, CSLFConvertSDRFn convert) {
    if (sdr == nullptr || buffer == nullptr) return 1;
    TextBuf out(buffer, capacity);
    SdrView s(sdr, convert);
    switch (s.type()) {
    case kFullSensor: copyName(s, 48, s.at(47) & 0x1F, out, capacity); break;
    case kCompactSensor: {
        // The instance suffix must fit along with the name, or nothing is written.
        const int len = s.at(31) & 0x1F;
        const bool shared = (s.at(23) & 0x0F) > 1;
        char suffix[8] = "";
        if (shared) TextBuf(suffix, sizeof suffix).addChar(' ').addUnsigned(instanceOffset);
        const std::size_t need = static_cast<std::size_t>(len) + std::strlen(suffix);
        if (need >= capacity) break;
        copyName(s, 32, len, out, capacity);
        out.add(suffix);
        break;
    }
    case kFruLocator:
    case kControllerLocator: copyName(s, 16, s.at(15) & 0x1F, out, capacity); break;
    case kOemRecord: copyName(s, 10, static_cast<int>(s.at(4)) - 3, out, capacity); break;
    default: break;
    }
    return 0;
}

const char* CSSGetSensorTypeStr(uint8_t sensorType, uint8_t eventType) {
    if (eventType == 0x0B) {
        if (sensorType == 0x04) return g_FanReduntant;
        if (sensorType == 0x08) return g_PSReduntant;
    }
    if (sensorType >= 1 && sensorType < CSLF_SENSOR_TYPES) return g_SensorTypesTable[sensorType];
    if (sensorType == 0xC0) return "Performance status";
    return g_SensorTypesTable[0];
}

const uint8_t* CSSFindEntitySDRRecord(CSLFGetFirstSDRFn first, CSLFGetNextSDRFn next,
                                      CSLFConvertSDRFn convert, const uint8_t* sensorSdr,
                                      void* userData) {
    if (first == nullptr || next == nullptr || sensorSdr == nullptr) return nullptr;
    const uint8_t entityId = CSSSDRGetAttribute(sensorSdr, 6, convert);
    const uint8_t instance = CSSSDRGetAttribute(sensorSdr, 7, convert);
    unsigned seen = 0;
    for (const uint8_t* r = first(userData); r != nullptr && seen < cslf::kMaxWalkRecords;
         r = next(r, userData), ++seen) {
        SdrView s(r, convert);
        if (s.type() == kFruLocator && attribute(s, 6) == entityId && attribute(s, 7) == instance)
            return r;
    }
    return nullptr;
}

CSSDivResult CSSLongDiv(int32_t a, int32_t b) {
    if (b == 0) return {0, a};
    if (a == INT32_MIN && b == -1) return {INT32_MIN, 0};
    return {a / b, a % b};  // C++ division truncates toward zero
}

int CSSlongToAscii(int32_t value, char* buffer, int base) {
    if (buffer == nullptr) return 0;
    buffer[0] = '\0';
    if (base < 2 || base > 36) return 0;
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    char digits[32];
    int n = 0;
    do {
        const uint32_t d = magnitude % static_cast<uint32_t>(base);
        digits[n++] = static_cast<char>(d < 10 ? '0' + d : 'a' + (d - 10));
        magnitude /= static_cast<uint32_t>(base);
    } while (magnitude != 0);
    char* p = buffer;
    if (value < 0) *p++ = '-';
    for (int i = n - 1; i >= 0; --i) *p++ = digits[i];
    *p = '\0';
    return n;
}

int32_t CSSAsciiToLong(const char* text) {
    if (text == nullptr) return 0;
    while (*text == ' ' || *text == '\t') ++text;
    bool negative = false;
    if (*text == '-' || *text == '+') negative = (*text++ == '-');
    int64_t v = 0;
    const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
    for (; *text >= '0' && *text <= '9'; ++text) {
        v = v * 10 + (*text - '0');
        if (v > limit) v = limit;
    }
    return static_cast<int32_t>(negative ? -v : v);
}

}  // extern "C"

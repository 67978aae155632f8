#include "media/PartitionInfo.h"

#include <cstring>

#include "foundation/ZTrace.h"

namespace {

int32_t signed32LE(const unsigned char* p) {
    uint32_t raw = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                   static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    int32_t value;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}

// Rounds to a 32-bit float through memory, so an x87 build (whose registers keep more
// precision) computes exactly what an SSE build does.
float f32(double value) {
    volatile float rounded = static_cast<float>(value);
    return rounded;
}
float sub(float a, float b) { return f32(static_cast<double>(a) - b); }
float mul(float a, float b) { return f32(static_cast<double>(a) * b); }
float div(float a, float b) { return f32(static_cast<double>(a) / b); }

} // namespace

PartitionInfo::PartitionInfo(const unsigned char* sector, int offset) { initialize(sector, offset); }

PartitionInfo::~PartitionInfo() {
    ZTRACE(0, "%s Destructor called\n", "PartitionInfo::~PartitionInfo");
}

void PartitionInfo::initialize(const unsigned char* sector, int offset) {
    const unsigned char* e = sector + offset;
    bootFlag = (e[0] & 0x80) != 0;
    startHead = e[1];
    startSector = e[2] & 0x3F;
    startCylinder = e[3] | (e[2] & 0xC0) << 2;
    partitionType = e[4];
    endHead = e[5];
    endSector = e[6] & 0x3F;
    endCylinder = e[7] | (e[6] & 0xC0) << 2;
    lbaStart = signed32LE(e + 8);
    size = signed32LE(e + 12);
}

void PartitionInfo::calculateDeviceCHS(int* geometry) const {
    const float h1 = static_cast<float>(startHead);
    const float s1 = static_cast<float>(startSector - 1);
    const float c1 = static_cast<float>(startCylinder);
    const float h2 = static_cast<float>(endHead);
    const float s2 = static_cast<float>(endSector - 1);
    const float c2 = static_cast<float>(endCylinder);
    const float a1 = f32(static_cast<double>(lbaStart));
    const float a2 = f32(static_cast<double>(f32(static_cast<double>(size))) + a1);

    // Every divisor is tested first: a degenerate entry (both cylinders 0, say) takes the
    // fallback below instead of producing NaN or infinity.
    bool usable = false;
    float s = 0, n = 0, c = 0;
    const float denominator = sub(mul(c1, h2), mul(c2, h1));
    if (denominator != 0 && c2 != 0) {
        s = div(sub(mul(sub(a2, s2), c1), mul(sub(a1, s1), c2)), denominator);
        if (s != 0) {
            n = sub(div(div(sub(a2, s2), s), c2), div(h2, c2));
            if (n != 0) {
                c = div(div(a2, n), s);
                // Whole values that fit an int and describe a real drive.
                usable = s >= 1 && n >= 1 && c >= 0 && c < 2147483648.0f;
            }
        }
    }

    if (!usable || n >= 256 || s >= 64) {
        int cylinders = size > 0 ? size / 1008 : 0;
        geometry[0] = cylinders > 16383 ? 16383 : cylinders;
        geometry[1] = 16;
        geometry[2] = 63;
    } else {
        geometry[0] = static_cast<int>(c);
        geometry[1] = static_cast<int>(n);
        geometry[2] = static_cast<int>(s);
    }
    ZTRACE(1, "%s CHS parameters (%d/%d/%d)\n", "PartitionInfo::calculateDeviceCHS", geometry[0],
           geometry[1], geometry[2]);
}

// Builders for IPMI SEL records and SDRs, and an in-memory repository whose walk callbacks
// the SEL decoder can use (user data: the repository).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cslfsel.h"

namespace sdrtest {

using Bytes = std::vector<uint8_t>;

inline Bytes withName(Bytes r, std::size_t lengthPos, const std::string& name) {
    r[lengthPos] = static_cast<uint8_t>(0xC0 | (name.size() & 0x1F));  // 8-bit ASCII
    r.insert(r.end(), name.begin(), name.end());
    r[4] = static_cast<uint8_t>(r.size() - 5);
    return r;
}

struct Sensor {
    uint8_t owner = 0x20;
    uint8_t number = 0;
    uint8_t entityId = 0x03;
    uint8_t entityInstance = 1;
    uint8_t sensorType = 0x01;
    uint8_t eventType = 0x01;
    uint8_t readableMask = 0;
    std::string name;
};

// The fields full (type 1) and compact (type 2) sensor records share; `size` bytes before
// the name.
inline Bytes sensorRecord(uint8_t type, std::size_t size, const Sensor& s, uint16_t recordId) {
    Bytes r(size, 0);
    r[0] = static_cast<uint8_t>(recordId);
    r[1] = static_cast<uint8_t>(recordId >> 8);
    r[2] = 0x51;
    r[3] = type;
    r[5] = s.owner;
    r[7] = s.number;
    r[8] = s.entityId;
    r[9] = s.entityInstance;
    r[12] = s.sensorType;
    r[13] = s.eventType;
    r[18] = s.readableMask;
    return r;
}

inline Bytes fullSensor(const Sensor& s, uint16_t recordId = 1) {
    return withName(sensorRecord(0x01, 48, s, recordId), 47, s.name);
}

inline Bytes compactSensor(const Sensor& s, uint8_t shareCount, uint16_t recordId = 1) {
    Bytes r = sensorRecord(0x02, 32, s, recordId);
    r[23] = shareCount & 0x0F;
    return withName(r, 31, s.name);
}

inline Bytes fruLocator(uint8_t entityId, uint8_t instance, const std::string& name,
                        uint16_t recordId = 1) {
    Bytes r(16, 0);
    r[0] = static_cast<uint8_t>(recordId);
    r[1] = static_cast<uint8_t>(recordId >> 8);
    r[2] = 0x51;
    r[3] = 0x11;
    r[12] = entityId;
    r[13] = instance;
    return withName(r, 15, name);
}

inline Bytes selRecord(uint32_t stamp, uint8_t sensorType, uint8_t sensorNumber,
                       uint8_t eventType, bool deassert, uint8_t ed1, uint8_t ed2 = 0xFF,
                       uint8_t ed3 = 0xFF, uint8_t generator = 0x20, uint8_t recordType = 0x02) {
    Bytes r(16, 0);
    r[0] = 0x01;
    r[2] = recordType;
    r[3] = static_cast<uint8_t>(stamp);
    r[4] = static_cast<uint8_t>(stamp >> 8);
    r[5] = static_cast<uint8_t>(stamp >> 16);
    r[6] = static_cast<uint8_t>(stamp >> 24);
    r[7] = generator;
    r[9] = 0x04;
    r[10] = sensorType;
    r[11] = sensorNumber;
    r[12] = static_cast<uint8_t>((deassert ? 0x80 : 0) | (eventType & 0x7F));
    r[13] = ed1;
    r[14] = ed2;
    r[15] = ed3;
    return r;
}

// SDRs walked in order; the decoder's user data is the repository itself.
struct Repository {
    std::vector<Bytes> records;
    std::size_t steps = 0;  // records handed out, for walk-count checks

    static const uint8_t* first(void* user) {
        auto* repo = static_cast<Repository*>(user);
        return repo->at(0);
    }
    static const uint8_t* next(const uint8_t* previous, void* user) {
        auto* repo = static_cast<Repository*>(user);
        if (repo->cursor < repo->records.size() && repo->records[repo->cursor].data() == previous)
            return repo->at(repo->cursor + 1);
        for (std::size_t i = 0; i < repo->records.size(); ++i)
            if (repo->records[i].data() == previous) return repo->at(i + 1);
        return nullptr;
    }
    const uint8_t* at(std::size_t i) {
        if (i >= records.size()) return nullptr;
        ++steps;
        cursor = i;
        return records[i].data();
    }
    std::size_t cursor = 0;  // the record handed out last
    void attach(CSLFConvertSDRFn convert = nullptr) const {
        USERAPIList list{&Repository::first, &Repository::next, convert};
        CSLFAttach(&list);
    }
};

}  // namespace sdrtest

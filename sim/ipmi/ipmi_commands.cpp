// Command families of the simulated controller: device and channel identity, the controller
// status sensor, the SEL and SDR repository, and the OEM extended-configuration store.
#include "ipmi/ext_groups.h"
#include "ipmi/ipmi_dispatch.h"

#include <memory>

namespace sim {

namespace {

constexpr uint8_t kApp = 0x06, kSensorEvent = 0x04, kStorage = 0x0A, kOem = 0x2E;
constexpr uint8_t kControllerStatusSensor = 112;
// The maker's enterprise number as the controller expects it, least significant byte first.
constexpr uint8_t kIana[3] = {0x5A, 0x1F, 0x00};
constexpr size_t kMaxExtRead = 64;

using vmcodec::Response;

uint16_t le16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

void put16(Bytes& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

bool ianaMatches(const Bytes& d) {
    return d.size() >= 3 && d[0] == kIana[0] && d[1] == kIana[1] && d[2] == kIana[2];
}

Bytes withIana(std::initializer_list<uint8_t> rest = {}) {
    Bytes b(kIana, kIana + 3);
    b.insert(b.end(), rest.begin(), rest.end());
    return b;
}

constexpr uint8_t kActionToken = 20, kLogToken = 21, kRacLogIndex = 1, kClearRacLog = 5;

// Stores a complete written parameter: packed groups keep the fields the mask leaves out,
// everything else is kept exactly as written. The log-clearing action empties the log.
void storeExtParam(IpmiState& st, std::pair<uint8_t, uint8_t> key, const Bytes& p) {
    Bytes merged;
    auto old = st.extcfg.find(key);
    if (mergeExtGroup(key.first, old != st.extcfg.end() ? old->second : Bytes(), p, merged))
        st.extcfg[key] = merged;
    else
        st.extcfg[key] = p;
    if (key.first == kActionToken && p.size() == 6 && p[5] == kClearRacLog)
        st.extcfg[{kLogToken, kRacLogIndex}] = {5, 0, 1, 1, 0};
}

} // namespace

void addAppCommands(IpmiDispatcher& d) {
    d.add(kApp, 0x01, [](IpmiContext&, Response& r) { // Get Device ID
        r.data = {0x20, 0x81, 0x01, 0x23, 0x02, 0xBF, kIana[0], kIana[1], kIana[2], 0x01, 0x00, 0, 0, 0, 0};
    });
    d.add(kApp, 0x42, [](IpmiContext& c, Response& r) { // Get Channel Info
        if (c.req.data.size() != 1) {
            r.cc = cc::kLengthInvalid;
            return;
        }
        uint8_t chan = c.req.data[0] & 0x0F;
        auto it = c.state.channels.find(chan);
        if (it == c.state.channels.end()) {
            r.cc = cc::kInvalidField; // no such channel
            return;
        }
        uint8_t protocol = it->second == 4 ? 0x01 : 0x05;
        r.data = {chan, it->second, protocol, 0x80, 0xF2, 0x1B, 0x00, 0x00, 0x00};
    });
}

void addSensorCommands(IpmiDispatcher& d) {
    d.add(kSensorEvent, 0x2D, [](IpmiContext& c, Response& r) { // Get Sensor Reading
        if (c.req.data.size() != 1) {
            r.cc = cc::kLengthInvalid;
            return;
        }
        if (c.req.data[0] != kControllerStatusSensor) {
            r.cc = cc::kNotPresent;
            return;
        }
        r.data = {0x00, 0xC0, c.state.adapterStatus, 0x00};
    });
}

void addStorageCommands(IpmiDispatcher& d) {
    auto reservation = std::make_shared<uint16_t>(0);
    auto reserve = [reservation](IpmiContext&, Response& r) {
        if (++*reservation == 0) ++*reservation;
        r.data.clear();
        put16(r.data, *reservation);
    };
    // Get SEL Entry / Get SDR: reservation (u16), record ID (u16), offset, count (FFh all).
    // Record IDs are positions from 0; FFFFh as next marks the last record.
    auto getRecord = [reservation](const std::vector<Bytes>& records, IpmiContext& c, Response& r) {
        const Bytes& q = c.req.data;
        if (q.size() != 6) {
            r.cc = cc::kLengthInvalid;
            return;
        }
        uint16_t resv = le16(q, 0), id = le16(q, 2);
        uint8_t off = q[4], count = q[5];
        if (off != 0 && resv != *reservation) {
            r.cc = cc::kBadReservation;
            return;
        }
        if (id == 0xFFFF && !records.empty()) id = static_cast<uint16_t>(records.size() - 1);
        if (id >= records.size()) {
            r.cc = cc::kNotPresent;
            return;
        }
        const Bytes& rec = records[id];
        if (off > rec.size()) {
            r.cc = cc::kOutOfRange;
            return;
        }
        size_t n = count == 0xFF ? rec.size() - off : std::min<size_t>(count, rec.size() - off);
        r.data.clear();
        put16(r.data, id + 1u < records.size() ? static_cast<uint16_t>(id + 1) : 0xFFFF);
        r.data.insert(r.data.end(), rec.begin() + off, rec.begin() + off + n);
    };
    d.add(kStorage, 0x42, reserve); // Reserve SEL
    d.add(kStorage, 0x22, reserve); // Reserve SDR Repository
    d.add(kStorage, 0x43, [getRecord](IpmiContext& c, Response& r) { getRecord(c.state.sel, c, r); });
    d.add(kStorage, 0x23, [getRecord](IpmiContext& c, Response& r) { getRecord(c.state.sdr, c, r); });
    d.add(kStorage, 0x47, [reservation](IpmiContext& c, Response& r) { // Clear SEL
        const Bytes& q = c.req.data;
        if (q.size() != 6 || q[2] != 'C' || q[3] != 'L' || q[4] != 'R') {
            r.cc = cc::kInvalidField;
            return;
        }
        if (le16(q, 0) != *reservation) {
            r.cc = cc::kBadReservation;
            return;
        }
        if (q[5] == 0xAA && !c.state.sel.empty()) {
            c.state.sel.clear();
            c.changed = true;
        }
        r.data = {0x01}; // erase completed
    });
    d.add(kStorage, 0x48, [](IpmiContext&, Response& r) { r.data = {0x00, 0x00, 0x00, 0x60}; });
}

// Extended configuration, network function 2Eh (see the stand-in host library for the
// request layouts): 01h reserve, 02h read, 03h write. A write may come in pieces at rising
// offsets; the parameter is stored when the last piece (flags bit 0) arrives and its total
// length (bytes 0-1) matches what was received (see storeExtParam for what is kept).
void addExtendedConfigCommands(IpmiDispatcher& d) {
    struct Pending {
        std::pair<uint8_t, uint8_t> key{0, 0};
        Bytes data;
        bool active = false;
    };
    auto reservation = std::make_shared<uint8_t>(0);
    auto pending = std::make_shared<Pending>();

    d.add(kOem, 0x01, [reservation](IpmiContext& c, Response& r) {
        if (!ianaMatches(c.req.data)) {
            r.cc = cc::kInvalidField;
            return;
        }
        if (++*reservation == 0) ++*reservation;
        r.data = withIana({*reservation});
    });

    d.add(kOem, 0x02, [](IpmiContext& c, Response& r) {
        const Bytes& q = c.req.data;
        if (q.size() != 9) {
            r.cc = cc::kLengthInvalid;
            return;
        }
        if (!ianaMatches(q)) {
            r.cc = cc::kInvalidField;
            return;
        }
        auto it = c.state.extcfg.find({q[4], q[5]});
        if (it == c.state.extcfg.end()) {
            r.cc = cc::kNotPresent;
            return;
        }
        size_t off = le16(q, 6), count = q[8];
        const Bytes& p = it->second;
        if (count > kMaxExtRead) {
            r.cc = cc::kOutOfRange;
            return;
        }
        if (off > p.size()) {
            r.cc = cc::kOutOfRange;
            return;
        }
        size_t n = std::min(count, p.size() - off);
        r.data = withIana({static_cast<uint8_t>(n)});
        r.data.insert(r.data.end(), p.begin() + off, p.begin() + off + n);
    });

    d.add(kOem, 0x03, [&d, reservation, pending](IpmiContext& c, Response& r) {
        const Bytes& q = c.req.data;
        if (q.size() < 9) {
            r.cc = cc::kLengthInvalid;
            return;
        }
        if (!ianaMatches(q)) {
            r.cc = cc::kInvalidField;
            return;
        }
        if (q[3] != 0 && q[3] != *reservation) {
            r.cc = cc::kBadReservation;
            return;
        }
        std::pair<uint8_t, uint8_t> key{q[4], q[5]};
        size_t off = le16(q, 6);
        bool last = (q[8] & 1) != 0;
        if (off == 0) {
            pending->key = key;
            pending->data.clear();
            pending->active = true;
        } else if (!pending->active || pending->key != key || off != pending->data.size()) {
            pending->active = false;
            r.cc = cc::kOutOfRange;
            return;
        }
        pending->data.insert(pending->data.end(), q.begin() + 9, q.end());
        size_t taken = q.size() - 9;
        if (last) {
            pending->active = false;
            const Bytes& p = pending->data;
            if (p.size() < 5 || le16(p, 0) != p.size()) {
                r.cc = cc::kLengthInvalid;
                return;
            }
            if (uint8_t refused = d.extcfgWritten(c, key.first, key.second, p)) {
                r.cc = refused;
                return;
            }
            storeExtParam(c.state, key, p);
            c.changed = true;
        }
        r.data = withIana({static_cast<uint8_t>(taken)});
    });
}

} // namespace sim

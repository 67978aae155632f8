#include "ipmi/ext_groups.h"

#include <map>
#include <string>
#include <vector>

namespace sim {

namespace {

constexpr size_t kHeader = 5;

// Wire layout of a packed group: each field's mask bit and its kind ('1', '2', '4' integer
// bytes, 's' a length byte and that many characters). Bits missing from a layout belong to
// record fields that never travel.
struct WireField {
    uint8_t bit;
    char kind;
};

std::vector<WireField> layout(const std::string& kinds, const std::vector<uint8_t>& bits = {}) {
    std::vector<WireField> v;
    for (size_t i = 0; i < kinds.size(); ++i)
        v.push_back({bits.empty() ? static_cast<uint8_t>(i) : bits[i], kinds[i]});
    return v;
}

const std::map<uint8_t, std::vector<WireField>>& layouts() {
    static const std::map<uint8_t, std::vector<WireField>> m = {
        {4, layout("4")},
        {5, layout("1ss")},
        {6, layout("1441s1s")},
        {7, layout("14sss1ssssss1", {0, 1, 2, 3, 4, 5, 9, 10, 11, 12, 13, 14, 15})},
        {8, layout("1ss")},
        {9, layout("4sssssss")},
        {14, layout("1112121ss11")},
        {15, layout("sssss")},
        {16, layout("ss14ss")},
        {17, layout("111441s4s")},
        {24, layout("114s14441")},
        {27, layout("ss4")},
        {29, layout("11")},
        {32, layout("1ss11ss1ss1")},
        {33, layout("ss121212114s14")},
        {34, layout("ss1211111")},
        {35, layout("s")},
        {36, layout("s")},
        {37, layout("11")},
        {38, layout("1ssssss1sss")},
    };
    return m;
}

// Splits the data of a parameter into its fields; false unless it is exactly one group.
bool split(const std::vector<WireField>& l, const Bytes& p, std::vector<Bytes>& fields) {
    fields.clear();
    size_t pos = kHeader;
    for (const WireField& f : l) {
        size_t n = 0;
        if (f.kind == 's') {
            if (pos >= p.size()) return false;
            n = 1u + p[pos];
        } else {
            n = static_cast<size_t>(f.kind - '0');
        }
        if (pos + n > p.size()) return false;
        fields.emplace_back(p.begin() + pos, p.begin() + pos + n);
        pos += n;
    }
    return pos == p.size();
}

Bytes emptyField(char kind) { return Bytes(kind == 's' ? 1 : static_cast<size_t>(kind - '0'), 0); }

} // namespace

bool mergeExtGroup(uint8_t token, const Bytes& stored, const Bytes& incoming, Bytes& out) {
    auto it = layouts().find(token);
    if (it == layouts().end() || incoming.size() < kHeader) return false;
    const std::vector<WireField>& l = it->second;
    std::vector<Bytes> now, before;
    if (!split(l, incoming, now)) return false;
    bool haveBefore = !stored.empty() && split(l, stored, before);
    uint16_t mask = static_cast<uint16_t>(incoming[3] | (incoming[4] << 8));
    out.assign(incoming.begin(), incoming.begin() + kHeader);
    for (size_t i = 0; i < l.size(); ++i) {
        const Bytes& f = (mask >> l[i].bit & 1u) ? now[i] : haveBefore ? before[i] : emptyField(l[i].kind);
        out.insert(out.end(), f.begin(), f.end());
    }
    out[0] = static_cast<uint8_t>(out.size());
    out[1] = static_cast<uint8_t>(out.size() >> 8);
    return true;
}

} // namespace sim

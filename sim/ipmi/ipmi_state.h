// What the simulated controller remembers on its IPMI side, kept in a plain text file so
// that separate runs of vantro-sim see one controller. One setting per line:
//   adapter-status N          byte 2 of sensor 112 (1 present, 2 absent, 129/130 modular)
//   channel N MEDIUM          channel N (1-7) exists with this medium type (4 LAN, 5 serial)
//   extcfg TOKEN INDEX HEX    an extended configuration parameter, header included
//   sel HEX                   one 16-byte SEL record
//   sdr HEX                   one sensor data record (record ID from its first two bytes)
// Record bytes (HEX of sel and sdr) may be split into groups by blanks: "sel 01 00 02 ...".
//   fail NETFN CMD CC         answer this command with a completion code (test faults)
//   silent NETFN CMD          never answer this command (test faults)
//   fw KEY VALUE              the firmware-update side's state (fw_update.h)
// Numbers are decimal or 0x-prefixed hex; '#' starts a comment. Unknown lines are an error.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace sim {

using Bytes = std::vector<uint8_t>;

struct IpmiState {
    uint8_t adapterStatus = 1;
    std::map<uint8_t, uint8_t> channels{{1, 4}, {2, 5}};
    std::map<std::pair<uint8_t, uint8_t>, Bytes> extcfg;
    std::vector<Bytes> sel;
    std::vector<Bytes> sdr;
    std::map<std::pair<uint8_t, uint8_t>, uint8_t> failures;
    std::set<std::pair<uint8_t, uint8_t>> silent;
    std::map<std::string, std::string> fw;

    // The defaults of a new controller (token 26, the initialisation status, reads 1).
    static IpmiState defaults();
};

// Parses the text form; false with a message naming the line on a bad line.
bool parseIpmiState(const std::string& text, IpmiState& out, std::string& error);
std::string formatIpmiState(const IpmiState& s);

// File form: a missing file means the defaults. save() writes a new file and renames it over
// the old one, so a crash never leaves half a state.
bool loadIpmiState(const std::string& path, IpmiState& out, std::string& error);
bool saveIpmiState(const std::string& path, const IpmiState& s, std::string& error);

} // namespace sim

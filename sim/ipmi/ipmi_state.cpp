#include "ipmi_state.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace sim {

namespace {

bool parseNumber(const std::string& t, unsigned long max, unsigned long& v) {
    if (t.empty()) return false;
    const char* s = t.c_str();
    int base = 10;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        s += 2;
        base = 16;
    }
    if (*s == '\0') return false;
    for (const char* p = s; *p; ++p)
        if (base == 10 ? !std::isdigit(static_cast<unsigned char>(*p))
                       : !std::isxdigit(static_cast<unsigned char>(*p)))
            return false;
    errno = 0;
    v = std::strtoul(s, nullptr, base);
    return errno == 0 && v <= max;
}

bool parseHex(const std::string& t, Bytes& out) {
    if (t.size() % 2 != 0) return false;
    out.clear();
    for (size_t i = 0; i < t.size(); i += 2) {
        unsigned long v = 0;
        if (!parseNumber("0x" + t.substr(i, 2), 0xFF, v)) return false;
        out.push_back(static_cast<uint8_t>(v));
    }
    return true;
}

// Record bytes may be written in groups ("20 00 51 ..."); the groups are read as one text.
std::string joined(const std::vector<std::string>& words, size_t from) {
    std::string all;
    for (size_t i = from; i < words.size(); ++i) all += words[i];
    return all;
}

std::string hex(const Bytes& b) {
    static const char d[] = "0123456789abcdef";
    std::string s;
    for (uint8_t x : b) {
        s.push_back(d[x >> 4]);
        s.push_back(d[x & 15]);
    }
    return s;
}

} // namespace

IpmiState IpmiState::defaults() {
    IpmiState s;
    s.extcfg[{26, 0}] = {6, 0, 1, 1, 0, 1};
    return s;
}

bool parseIpmiState(const std::string& text, IpmiState& out, std::string& error) {
    IpmiState s;
    s.channels.clear();
    bool sawChannel = false;
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream ls(line);
        std::vector<std::string> w;
        for (std::string t; ls >> t;) w.push_back(t);
        if (w.empty()) continue;
        unsigned long a = 0, b = 0, c = 0;
        Bytes bytes;
        bool ok = false;
        const std::string& k = w[0];
        if (k == "adapter-status" && w.size() == 2) {
            ok = parseNumber(w[1], 255, a);
            s.adapterStatus = static_cast<uint8_t>(a);
        } else if (k == "channel" && w.size() == 3) {
            ok = parseNumber(w[1], 7, a) && a >= 1 && parseNumber(w[2], 0x7F, b);
            if (ok) s.channels[static_cast<uint8_t>(a)] = static_cast<uint8_t>(b);
            sawChannel = true;
        } else if (k == "extcfg" && w.size() == 4) {
            ok = parseNumber(w[1], 255, a) && parseNumber(w[2], 255, b) && parseHex(w[3], bytes) &&
                 bytes.size() >= 5 && bytes.size() <= 0xFFFF;
            if (ok) s.extcfg[{static_cast<uint8_t>(a), static_cast<uint8_t>(b)}] = bytes;
        } else if (k == "sel" && w.size() >= 2) {
            ok = parseHex(joined(w, 1), bytes) && bytes.size() == 16;
            if (ok) s.sel.push_back(bytes);
        } else if (k == "sdr" && w.size() >= 2) {
            ok = parseHex(joined(w, 1), bytes) && bytes.size() >= 5 && bytes.size() == 5u + bytes[4];
            if (ok) s.sdr.push_back(bytes);
        } else if (k == "fail" && w.size() == 4) {
            ok = parseNumber(w[1], 0x3F, a) && parseNumber(w[2], 255, b) && parseNumber(w[3], 255, c) && c != 0;
            if (ok) s.failures[{static_cast<uint8_t>(a), static_cast<uint8_t>(b)}] = static_cast<uint8_t>(c);
        } else if (k == "fw" && w.size() == 3) {
            ok = true;
            s.fw[w[1]] = w[2];
        } else if (k == "silent" && w.size() == 3) {
            ok = parseNumber(w[1], 0x3F, a) && parseNumber(w[2], 255, b);
            if (ok) s.silent.insert({static_cast<uint8_t>(a), static_cast<uint8_t>(b)});
        }
        if (!ok) {
            error = "line " + std::to_string(lineNo) + ": cannot read \"" + line + "\"";
            return false;
        }
    }
    if (!sawChannel) s.channels = IpmiState().channels;
    out = std::move(s);
    return true;
}

std::string formatIpmiState(const IpmiState& s) {
    std::ostringstream o;
    o << "# vantro-sim IPMI state\n";
    o << "adapter-status " << unsigned(s.adapterStatus) << "\n";
    for (const auto& c : s.channels) o << "channel " << unsigned(c.first) << " " << unsigned(c.second) << "\n";
    for (const auto& e : s.extcfg)
        o << "extcfg " << unsigned(e.first.first) << " " << unsigned(e.first.second) << " " << hex(e.second) << "\n";
    for (const auto& r : s.sel) o << "sel " << hex(r) << "\n";
    for (const auto& r : s.sdr) o << "sdr " << hex(r) << "\n";
    for (const auto& f : s.failures)
        o << "fail 0x" << std::hex << unsigned(f.first.first) << " 0x" << unsigned(f.first.second) << " 0x"
          << unsigned(f.second) << std::dec << "\n";
    for (const auto& f : s.silent)
        o << "silent 0x" << std::hex << unsigned(f.first) << " 0x" << unsigned(f.second) << std::dec << "\n";
    for (const auto& f : s.fw) o << "fw " << f.first << " " << f.second << "\n";
    return o.str();
}

bool loadIpmiState(const std::string& path, IpmiState& out, std::string& error) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        if (errno == ENOENT) {
            out = IpmiState::defaults();
            return true;
        }
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream ss;
    ss << f.rdbuf();
    if (!parseIpmiState(ss.str(), out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool saveIpmiState(const std::string& path, const IpmiState& s, std::string& error) {
    std::string tmp = path + ".tmp";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        f << formatIpmiState(s);
        f.flush();
        if (!f) {
            error = tmp + ": cannot write";
            return false;
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(errno);
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

} // namespace sim

// The decoder's reference examples, one row each: every row runs the decoder and renders
// what it returned as one comparable text.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "cslfsel.h"
#include "sdr_builders.h"

using namespace sdrtest;

namespace {

struct Decoded {
    unsigned result;
    std::string date, description;
    int severity;
};

Decoded decode(const Bytes& sel, Repository& repo, uint16_t dateSize = 64, uint16_t descSize = 512,
               bool wantDescription = true) {
    repo.attach();
    char date[256] = "", desc[1024] = "";
    uint8_t sev = 0xEE;
    Decoded d;
    d.result = CSLFSELEntryToStr(sel.data(), 0, date, dateSize, wantDescription ? desc : nullptr,
                                 descSize, &sev, &repo);
    d.date = date;
    d.description = desc;
    d.severity = sev == 0xEE ? -1 : sev;
    return d;
}

std::string render(const Decoded& d) {
    return std::to_string(d.result) + " | " + d.date + " | " + d.description + " | " +
           std::to_string(d.severity);
}

// Renders the description and severity only (the date has its own rows).
std::string event(const Bytes& sel, Repository repo) {
    Decoded d = decode(sel, repo);
    return d.description + " | " + std::to_string(d.severity);
}

Sensor cpuTemp() {
    Sensor s;
    s.number = 0x01;
    s.sensorType = 0x01;
    s.eventType = 0x01;
    s.name = "CPU Temp";
    return s;
}

struct Example {
    const char* name;
    std::function<std::string()> run;
    std::string expected;
};

const uint32_t kDate = 951782400;  // 29 February 2000, 00:00:00

}  // namespace

TEST(SelDecodeExamples, EveryReferenceExampleDecodesAsDocumented) {
    CSLFMethod defaults{};
    ASSERT_EQ(0u, CSLFGetDecodingMethod(&defaults));

    const Example examples[] = {
        {"OEM timestamped record (E0h)",
         [] { Repository r; return render(decode(selRecord(kDate, 0, 0, 0, false, 0, 0, 0, 0x20, 0xE0), r)); },
         "0 | 20000229000000.000000 | OEM event data record | 2"},
        {"time stamp 1 is relative to boot",
         [] { Repository r; return render(decode(selRecord(1, 0, 0, 0, false, 0, 0, 0, 0x20, 0xE0), r)); },
         "0 | <System Boot> | OEM event data record | 2"},
        {"time stamp 0, date size 31, no description asked",
         [] { Repository r; return render(decode(selRecord(0, 1, 1, 1, false, 0), r, 31, 0, false)); },
         "2 |  |  | -1"},
        {"29 February 2000, 00:00:00",
         [] { Repository r; return decode(selRecord(kDate, 1, 1, 1, false, 0), r).date; },
         "20000229000000.000000"},
        {"CPU Temp threshold assertion at offset 9, no entity",
         [] { Repository r; r.records = {fullSensor(cpuTemp())};
              return event(selRecord(kDate, 0x01, 0x01, 0x01, false, 0x09), r); },
         "CPU Temp: Temperature sensor, failure event | 4"},
        {"DIMM compact sensor with share count 4, event of sensor 32h",
         [] { Sensor s; s.number = 0x30; s.sensorType = 0x0C; s.eventType = 0x6F; s.name = "DIMM";
              char name[64]; Bytes sdr = compactSensor(s, 4);
              CSSGetProbeName(sdr.data(), static_cast<uint8_t>(0x32 - 0x30), name, sizeof name, nullptr);
              return std::string(name); },
         "DIMM 2"},
        {"sensor-specific 08h offset 0 deasserted",
         [] { Repository r; return event(selRecord(kDate, 0x08, 0x40, 0x6F, true, 0x00), r); },
         "System Software event: presence was deasserted | 4"},
        {"POST code 84h",
         [] { Repository r; return event(selRecord(kDate, 0x0F, 0x50, 0x6F, false, 0x0F, 0x84), r); },
         "System Software event: CMOS failed | 4"},
        {"POST code 99h (not listed)",
         [] { Repository r; return event(selRecord(kDate, 0x0F, 0x50, 0x6F, false, 0x0F, 0x99), r); },
         "System Software event: POST fatal error | 4"},
        {"drive slot 0Dh offset 0 deasserted",
         [] { Repository r; return event(selRecord(kDate, 0x0D, 0x60, 0x6F, true, 0x00), r); },
         "System Software event: drive removed | 4"},
        {"event type 0Bh on sensor type 04h",
         [] { return std::string(CSSGetSensorTypeStr(0x04, 0x0B)); },
         "Fan Redundancy"},
        {"CSSlongToAscii(255, base 16)",
         [] { char b[CSS_LTOA_SIZE]; int n = CSSlongToAscii(255, b, 16); return std::string(b) + "/" + std::to_string(n); },
         "ff/2"},
        {"CSSlongToAscii(-12, base 10)",
         [] { char b[CSS_LTOA_SIZE]; CSSlongToAscii(-12, b, 10); return std::string(b); },
         "-12"},
        {"CSSAsciiToLong(\"  -42x\")",
         [] { return std::to_string(CSSAsciiToLong("  -42x")); },
         "-42"},
        {"CSLFSELUnixToCTime of 15 March 2008, 14:25:30",
         [] { char b[CSLF_CTIME_SIZE]; CSLFSELUnixToCTime("20080315142530.000000", b); return std::string(b); },
         "Sat Mar 15 14:25:30 2008"},
    };
    for (const Example& e : examples) EXPECT_EQ(e.expected, e.run()) << e.name;

    CSLFMethod after{};
    CSLFGetDecodingMethod(&after);
    EXPECT_EQ(0, std::memcmp(&defaults, &after, sizeof after));
}

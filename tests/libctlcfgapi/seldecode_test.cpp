// The SEL decoder beyond its reference examples: every status branch, the event details under
// each decoding method, dates, names, SDR attributes, converted records and bounds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cslfsel.h"
#include "sdr_builders.h"

using namespace sdrtest;

namespace {

// Restores the default decoding method and a walk over an empty repository around each test.
class SelDecode : public ::testing::Test {
protected:
    void SetUp() override {
        CSLFGetDecodingMethod(&defaults);
        empty.attach();
    }
    void TearDown() override { CSLFSetDecodingMethod(&defaults); }
    void platform(uint8_t code, uint16_t manufacturer = CSLF_MAKER_MANUFACTURER_ID) {
        CSLFMethod m = defaults;
        m.platformCode = code;
        m.manufacturerId = manufacturer;
        CSLFSetDecodingMethod(&m);
    }
    CSLFMethod defaults{};
    Repository empty;
};

std::string status(const Bytes& sel, const Bytes* sdr = nullptr) {
    char text[CSLF_STATUS_SIZE];
    uint8_t sev = 0xEE;
    GetSensorStatusStr(sel.data(), sdr ? sdr->data() : nullptr, text, sizeof text, &sev);
    return std::string(text) + " | " + std::to_string(sev);
}

Bytes ev(uint8_t sensorType, uint8_t eventType, bool deassert, uint8_t ed1, uint8_t ed2 = 0xFF,
         uint8_t ed3 = 0xFF) {
    return selRecord(951782400u, sensorType, 0x10, eventType, deassert, ed1, ed2, ed3);
}

TEST_F(SelDecode, ThresholdSeverityFollowsTheCrossedThreshold) {
    const int expected[13] = {3, 2, 4, 3, 5, 4, 2, 3, 3, 4, 4, 5, 0};
    const char* text[6] = {"unknown event", "", "normal event", "warning event", "failure event",
                           "non-recoverable event"};
    for (uint8_t off = 0; off < 13; ++off)
        EXPECT_EQ(status(ev(0x01, 0x01, false, off)),
                  std::string(text[expected[off]]) + " | " + std::to_string(expected[off]))
            << "offset " << int(off);

    Sensor s;
    s.readableMask = 0x01;  // lower non-critical readable
    Bytes lowerNc = fullSensor(s);
    s.readableMask = 0x08;  // upper non-critical readable
    Bytes upperNc = fullSensor(s);
    EXPECT_EQ(status(ev(0x01, 0x01, true, 2), &lowerNc), "warning event | 3");
    EXPECT_EQ(status(ev(0x01, 0x01, true, 2), &upperNc), "normal event | 2");
    EXPECT_EQ(status(ev(0x01, 0x01, true, 9), &upperNc), "warning event | 3");
    EXPECT_EQ(status(ev(0x01, 0x01, true, 9), &lowerNc), "normal event | 2");
    EXPECT_EQ(status(ev(0x01, 0x01, true, 9)), "normal event | 2");
    EXPECT_EQ(status(ev(0x01, 0x01, true, 14)), "normal event | 2");
}

TEST_F(SelDecode, EveryStatusBranch) {
    struct Case {
        const char* name;
        Bytes sel;
        const char* expected;
    } cases[] = {
        {"generic 02h asserted", ev(0x02, 0x02, false, 0x02), "transition to busy was asserted | 3"},
        {"generic 02h deasserted", ev(0x02, 0x02, true, 0x02), "transition to busy was deasserted | 2"},
        {"generic 07h informational", ev(0x02, 0x07, false, 0x08), "informational was asserted | 1"},
        {"generic offset past its table", ev(0x04, 0x0B, false, 0x08), "unknown event | 0"},
        {"generic on memory: DIMM detail", ev(0x0C, 0x03, false, 0xA1, 0x00, 0x01),
         "state asserted ( Memory Board A DIMM1 ) was asserted | 4"},
        {"PCI slot prefix", ev(0x21, 0x6F, false, 0x00, 0x00), "PCI Slot fault status was asserted | 4"},
        {"drive prefix", ev(0x21, 0x6F, false, 0x01, 0x01), "Drive identify status was asserted | 2"},
        {"slot prefix", ev(0x21, 0x6F, false, 0x02, 0x05), "Slot installed was asserted | 2"},
        {"intrusion while ON", ev(0x05, 0x6F, false, 0x80, 0x01),
         "chassis intrusion was asserted while system was ON | 4"},
        {"intrusion while OFF", ev(0x05, 0x6F, true, 0x81, 0x02),
         "drive bay intrusion was deasserted while system was OFF | 2"},
        {"intrusion without power state", ev(0x05, 0x6F, false, 0x00, 0x01), "chassis intrusion was asserted | 4"},
        {"PCI bus/device/function", ev(0x13, 0x6F, false, 0xA4, 0x1A, 0x05),
         "PCI PERR (Bus 5 Device 3 Function 2) was asserted | 4"},
        {"PCI slot number", ev(0x13, 0x6F, false, 0xA4, 0x1A, 0x83), "PCI PERR (Slot 3) was asserted | 4"},
        {"firmware and CPU mismatch", ev(0x2B, 0x6F, false, 0xA3, 0x02, 0x01),
         "firmware or software incompatibility (BMC Firmware and CPU mismatch) was asserted | 4"},
        {"hardware change in a slot", ev(0x2B, 0x6F, false, 0x26, 0x00, 0x85),
         "successful hardware change device slot 5 was asserted | 2"},
        {"memory specific with DIMM", ev(0x0C, 0x6F, false, 0xA0, 0x01, 0x04),
         "correctable ECC ( Memory Board A DIMM11 ) was asserted | 3"},
        {"memory presence deasserted", ev(0x0C, 0x6F, true, 0x06), "presence was deasserted | 3"},
        {"watchdog 2 reserved offsets", ev(0x23, 0x6F, false, 0x05), "unknown event was asserted | 0"},
        {"watchdog 2 timer interrupt", ev(0x23, 0x6F, false, 0x08), "timer interrupt was asserted | 4"},
        {"POST other offset", ev(0x0F, 0x6F, false, 0x03, 0x84), "unknown event | 0"},
        {"POST listed code", ev(0x0F, 0x6F, true, 0x0F, 0xC2), "Vantro configuration failed | 4"},
        {"sensor type without specific table", ev(0x03, 0x6F, false, 0x00), "unknown event | 0"},
        {"specific offset past its table", ev(0x0E, 0x6F, false, 0x01), "unknown event | 0"},
        {"drive presence asserted", ev(0x0D, 0x6F, false, 0x00), "drive presence was asserted | 2"},
        {"boot completed deasserted", ev(0x1F, 0x6F, true, 0x06), "boot completed was deasserted | 4"},
        {"OEM diagnostic", ev(0x00, 0x7E, true, 0x00), "OEM Diagnostic data event was deasserted | 2"},
        {"unknown event type", ev(0x01, 0x70, false, 0x00), "unknown event | 0"},
        {"unspecified event type", ev(0x01, 0x00, false, 0x00), "unknown event | 0"},
    };
    for (const Case& c : cases) EXPECT_EQ(status(c.sel), c.expected) << c.name;

    char text[CSLF_STATUS_SIZE];
    EXPECT_EQ(GetSensorStatusStr(nullptr, nullptr, text, sizeof text, nullptr), 1u);
    EXPECT_EQ(GetSensorStatusStr(ev(1, 1, false, 0).data(), nullptr, nullptr, 0, nullptr), 1u);
    char small[12];
    EXPECT_EQ(GetSensorStatusStr(ev(0x05, 0x6F, false, 0x80, 0x01).data(), nullptr, small, sizeof small, nullptr), 0u);
    EXPECT_STREQ(small, "chassis int") << "cut to the size given";
}

TEST_F(SelDecode, DetailsDependOnTheDecodingMethod) {
    struct Case {
        const char* name;
        uint8_t platformCode;
        uint16_t manufacturer;
        void (*fn)(char*, uint8_t, uint8_t, uint8_t);
        uint8_t ed1, ed2, ed3;
        const char* expected;
    } cases[] = {
        {"6 DIMMs per letter, bank 1", 2, CSLF_MAKER_MANUFACTURER_ID, GetMemoryDIMMStr, 0xA0, 0x91, 0x03,
         " ( DIMM_B3 DIMM_B4 )"},
        {"8 DIMMs per letter, no bank", 2, CSLF_MAKER_MANUFACTURER_ID, GetMemoryDIMMStr, 0xA0, 0xAF, 0x81,
         " ( DIMM_A1 DIMM_A8 )"},
        {"9 DIMMs per letter", 2, CSLF_MAKER_MANUFACTURER_ID, GetMemoryDIMMStr, 0xA0, 0xB0, 0x02, " ( DIMM_A2 )"},
        {"4 DIMMs per letter", 2, CSLF_MAKER_MANUFACTURER_ID, GetMemoryDIMMStr, 0xA0, 0x8F, 0x10, " ( DIMM_B1 )"},
        {"DIMM numbers without a board", 2, CSLF_MAKER_MANUFACTURER_ID, GetMemoryDIMMStr, 0x20, 0x03, 0x05,
         " ( DIMM1 DIMM3 )"},
        {"board only", 2, CSLF_MAKER_MANUFACTURER_ID, GetMemoryDIMMStr, 0x80, 0x10, 0x00, " ( Memory Board B )"},
        {"no memory detail", 2, CSLF_MAKER_MANUFACTURER_ID, GetMemoryDIMMStr, 0x00, 0x10, 0xFF, ""},
        {"bank and letter naming", 81, CSLF_MAKER_MANUFACTURER_ID, GetMemoryDIMMStr, 0xA0, 0x12, 0x03,
         " ( Memory Board B Bank 3 DIMM D )"},
        {"bank and letter, bank 15", 81, CSLF_MAKER_MANUFACTURER_ID, GetMemoryDIMMStr, 0x20, 0x8F, 0x00, " ( DIMM A )"},
        {"other maker: no DIMM", 2, 0x0002, GetMemoryDIMMStr, 0xA0, 0x12, 0x03, ""},
        {"other maker: no PCI", 2, 0x0002, GetPCIInfoStr, 0xA4, 0x1A, 0x83, ""},
        {"PCI without OEM bytes", 2, CSLF_MAKER_MANUFACTURER_ID, GetPCIInfoStr, 0x04, 0x1A, 0x83, ""},
        {"hardware detail only on platform 2", 81, CSLF_MAKER_MANUFACTURER_ID, GetExtentedHWConfigStr, 0x26, 0, 0x85, ""},
        {"slot bit clear", 2, CSLF_MAKER_MANUFACTURER_ID, GetExtentedHWConfigStr, 0x26, 0, 0x05, ""},
        {"mismatch of another kind", 2, CSLF_MAKER_MANUFACTURER_ID, GetExtentedHWConfigStr, 0xA0, 0x02, 0x02,
         " (BMC Firmware )"},
        {"other hardware mismatch", 2, CSLF_MAKER_MANUFACTURER_ID, GetExtentedHWConfigStr, 0xA1, 0x12, 0x00,
         " (BMC Firmware and other hardware mismatch)"},
        {"not a firmware mismatch", 2, CSLF_MAKER_MANUFACTURER_ID, GetExtentedHWConfigStr, 0xA1, 0x03, 0x00, ""},
    };
    for (const Case& c : cases) {
        platform(c.platformCode, c.manufacturer);
        char text[CSLF_DETAIL_SIZE];
        std::memset(text, 'x', sizeof text);
        c.fn(text, c.ed1, c.ed2, c.ed3);
        EXPECT_STREQ(text, c.expected) << c.name;
    }

    // The longest DIMM list stays inside the detail buffer.
    platform(2);
    char text[CSLF_DETAIL_SIZE];
    GetMemoryDIMMStr(text, 0xA0, 0x0E, 0xFF);
    EXPECT_STREQ(text, " ( Memory Board A DIMM113 DIMM114 DIMM115 DIMM116 DIMM117 DIMM118 DIMM119 DIMM120 )");

    const std::pair<uint8_t, const char*> perf[] = {{0x00, "Performance restored"},
                                                    {0x01, "Performance degraded,Other"},
                                                    {0x12, "Performance degraded,Thermal protection"},
                                                    {0x05, "Performance degraded,User configured capacity action"},
                                                    {0x07, "Performance degraded,"}};
    for (const auto& p : perf) {
        GetPerformanceStatusStr(text, p.first);
        EXPECT_STREQ(text, p.second) << int(p.first);
    }
    EXPECT_STREQ(CSSGetSensorTypeStr(0xC0, 0x6F), "Performance status");
}

TEST_F(SelDecode, DatesAndCalendarText) {
    const std::pair<uint32_t, const char*> dates[] = {
        {0x20000000u, "<System Boot>"},
        {0x20000001u, "19870105184833.000000"},
        {1205591130u, "20080315142530.000000"},
        {4107542399u, "21000228235959.000000"},
        {4107542400u, "21000301000000.000000"},  // 2100 is not a leap year
        {0xFFFFFFFFu, "21060207062815.000000"},
    };
    for (const auto& d : dates) {
        char buf[CSLF_DATE_SIZE];
        EXPECT_EQ(GetSelDateString(selRecord(d.first, 0, 0, 0, false, 0).data(), buf, sizeof buf), 0u);
        EXPECT_STREQ(buf, d.second) << d.first;
    }
    char buf[64] = "stale";
    EXPECT_EQ(GetSelDateString(selRecord(1205591130u, 0, 0, 0, false, 0).data(), buf, 31), 2u);
    EXPECT_STREQ(buf, "") << "a small buffer holds no stale text";
    EXPECT_EQ(GetSelDateString(nullptr, buf, sizeof buf), 2u);
    EXPECT_EQ(GetSelDateString(selRecord(1, 0, 0, 0, false, 0).data(), nullptr, 32), 2u);

    const std::pair<const char*, const char*> ctimes[] = {
        {"20000229000000.000000", "Tue Feb 29 00:00:00 2000"},
        {"20080101000000.000000", "Tue Jan 01 00:00:00 2008"},
        {"21000301000000.000000", "Mon Mar 01 00:00:00 2100"},
        {"<System Boot>", "<System Boot>"},
        {"", "<System Boot>"},
        {"20081315142530.000000", "??? ??? 15 14:25:30 2008"},  // month 13
        {"20080015142530.000000", "??? ??? 15 14:25:30 2008"},  // month 0
        {"2008", "??? ??? 00 00:00:00 2008"},                   // text ends early
    };
    for (const auto& c : ctimes) {
        char out[CSLF_CTIME_SIZE];
        EXPECT_EQ(CSLFSELUnixToCTime(c.first, out), 0u);
        EXPECT_STREQ(out, c.second) << c.first;
    }
    char out[CSLF_CTIME_SIZE];
    EXPECT_EQ(CSLFSELUnixToCTime(nullptr, out), 1u);
    EXPECT_EQ(CSLFSELUnixToCTime("2008", nullptr), 1u);
}

TEST_F(SelDecode, ProbeNamesByRecordTypeAndCapacity) {
    Sensor s;
    s.name = "CPU Temp";
    Bytes full = fullSensor(s);
    s.name = "DIMM";
    Bytes compact4 = compactSensor(s, 4), compact1 = compactSensor(s, 1);
    Bytes fru = fruLocator(7, 1, "System Board");
    Bytes mc = fru;
    mc[3] = 0x12;
    Bytes oem = {0x09, 0x00, 0x51, 0xC0, 0x00, 0x5A, 0x1F, 0x00, 0x01, 0x02, 'P', 'S', 'U', '1', 0, 0};
    oem[4] = static_cast<uint8_t>(oem.size() - 5);  // name length = byte 4 - 3 = 8
    Bytes other = fru;
    other[3] = 0x08;
    Bytes truncated = full;
    truncated[4] = 47;  // the record ends after "CPU " although the name claims 8 bytes
    truncated.resize(52);

    struct Case {
        const char* name;
        const Bytes* sdr;
        uint8_t offset;
        uint32_t capacity;
        const char* expected;
    } cases[] = {
        {"full", &full, 0, 64, "CPU Temp"},
        {"full, capacity too small", &full, 0, 8, ""},
        {"full, just fits", &full, 0, 9, "CPU Temp"},
        {"compact shared", &compact4, 2, 64, "DIMM 2"},
        {"compact shared, suffix does not fit", &compact4, 2, 6, ""},
        {"compact not shared", &compact1, 2, 64, "DIMM"},
        {"FRU locator", &fru, 0, 64, "System Board"},
        {"controller locator", &mc, 0, 64, "System Board"},
        {"OEM record", &oem, 0, 64, "PSU1"},
        {"other record type", &other, 0, 64, ""},
        {"name cut at the record's end", &truncated, 0, 64, "CPU "},
    };
    for (const Case& c : cases) {
        char buf[64];
        std::memset(buf, 'x', sizeof buf);
        EXPECT_EQ(CSSGetProbeName(c.sdr->data(), c.offset, buf, c.capacity, nullptr), 0u);
        EXPECT_STREQ(buf, c.expected) << c.name;
    }
    char buf[8];
    EXPECT_EQ(CSSGetProbeName(nullptr, 0, buf, sizeof buf, nullptr), 1u);
    EXPECT_EQ(CSSGetProbeName(full.data(), 0, nullptr, 8, nullptr), 1u);
}

TEST_F(SelDecode, SdrAttributesByCodeAndRecordType) {
    Bytes full(64);
    for (size_t i = 0; i < full.size(); ++i) full[i] = static_cast<uint8_t>(0x40 + i);
    full[3] = 0x01;
    full[4] = 59;
    const int fullExpect[18] = {0x01, 0x40 + 25, 0x40 + 27, 0x40 + 26, 0x40 + 24, 0x40 + 29, 0x40 + 8,
                                0x40 + 9, 0x40 + 13, 0x40 + 12, 1, 0x40 + 5, 0x40 + 18, 0x40 + 19,
                                0x40 + 46, 0x40 + 7, 0x40 + 21, 0};
    for (uint8_t code = 0; code < 18; ++code)
        EXPECT_EQ(CSSSDRGetAttribute(full.data(), code, nullptr), fullExpect[code]) << "code " << int(code);

    Bytes compact = full;
    compact[3] = 0x02;
    EXPECT_EQ(CSSSDRGetAttribute(compact.data(), 10, nullptr), (0x40 + 23) & 0x0F);
    EXPECT_EQ(CSSSDRGetAttribute(compact.data(), 14, nullptr), 0x40 + 30);
    Bytes assoc = full;
    assoc[3] = 0x08;
    EXPECT_EQ(CSSSDRGetAttribute(assoc.data(), 6, nullptr), 0x40 + 5);
    EXPECT_EQ(CSSSDRGetAttribute(assoc.data(), 7, nullptr), 0x40 + 6);
    EXPECT_EQ(CSSSDRGetAttribute(assoc.data(), 11, nullptr), 0);
    EXPECT_EQ(CSSSDRGetAttribute(assoc.data(), 10, nullptr), 1);
    EXPECT_EQ(CSSSDRGetAttribute(assoc.data(), 1, nullptr), 0x40 + 25) << "any record";
    Bytes fru = full;
    fru[3] = 0x11;
    EXPECT_EQ(CSSSDRGetAttribute(fru.data(), 6, nullptr), 0x40 + 12);
    EXPECT_EQ(CSSSDRGetAttribute(fru.data(), 7, nullptr), 0x40 + 13);
    EXPECT_EQ(CSSSDRGetAttribute(fru.data(), 15, nullptr), 0);

    Bytes shortRec(20, 0x11);
    shortRec[3] = 0x01;
    shortRec[4] = 15;
    EXPECT_EQ(CSSSDRGetAttribute(shortRec.data(), 14, nullptr), 0) << "past the record reads 0";
    EXPECT_EQ(CSSSDRGetAttribute(nullptr, 0, nullptr), 0);
}

// The converter hands the decoder a changed copy: the copy, not the record, is read.
void lowerFirstLetter(const uint8_t* src, uint8_t* dst) {
    std::memcpy(dst, src, CSLF_SDR_COPY_SIZE);
    if (dst[3] == 0x01) dst[48] = static_cast<uint8_t>(dst[48] | 0x20);
}

TEST_F(SelDecode, DescriptionsThroughConvertedRecordsAndTheirBounds) {
    Repository repo;
    Sensor s;
    s.number = 0x01;
    s.entityId = 0x07;
    s.name = "CPU Temp";
    repo.records = {fullSensor(s), fruLocator(0x07, 1, "")};
    for (auto& r : repo.records) r.resize(64, 0);
    repo.attach(lowerFirstLetter);
    Bytes sel = selRecord(1205591130u, 0x01, 0x01, 0x01, false, 0x07);
    char date[32], desc[128];
    uint8_t sev = 0;
    ASSERT_EQ(CSLFSELEntryToStr(sel.data(), 0, date, sizeof date, desc, sizeof desc, &sev, &repo), 0u);
    EXPECT_STREQ(desc, "cPU Temp: Temperature sensor, warning event") << "an unnamed entity adds nothing";
    EXPECT_EQ(sev, 3);

    repo.attach();
    const std::string want = "CPU Temp: Temperature sensor, warning event";
    std::memset(desc, 'x', sizeof desc);
    EXPECT_EQ(CSLFSELEntryToStr(sel.data(), 0, nullptr, 0, desc, static_cast<uint16_t>(want.size() + 1), &sev, &repo), 2u);
    EXPECT_EQ(desc[0], 'x') << "a description that does not fit is not written";
    EXPECT_EQ(CSLFSELEntryToStr(sel.data(), 0, nullptr, 0, desc, static_cast<uint16_t>(want.size() + 2), nullptr, &repo), 0u);
    EXPECT_EQ(desc, want);
    std::strcpy(date, "stale");
    EXPECT_EQ(CSLFSELEntryToStr(sel.data(), 0, date, 16, desc, sizeof desc, &sev, &repo), 0u)
        << "a short date buffer does not fail a description";
    EXPECT_STREQ(date, "");
    EXPECT_EQ(CSLFSELEntryToStr(nullptr, 0, date, sizeof date, desc, sizeof desc, &sev, &repo), 1u);
    EXPECT_EQ(CSLFSELEntryToStr(sel.data(), 0, nullptr, 0, nullptr, 0, &sev, &repo), 1u);

    // A compact record that shares nothing (share count 0) still names its one sensor.
    Sensor c;
    c.number = 0x55;
    c.sensorType = 0x04;
    c.eventType = 0x0B;
    c.name = "Fans";
    repo.records = {compactSensor(c, 0)};
    Bytes fan = selRecord(1205591130u, 0x04, 0x55, 0x0B, false, 0x00);
    ASSERT_EQ(CSLFSELEntryToStr(fan.data(), 0, nullptr, 0, desc, sizeof desc, &sev, &repo), 0u);
    EXPECT_STREQ(desc, "Fans: Fan Redundancy sensor, redundancy regained was asserted");
    Bytes otherOwner = fan;
    otherOwner[7] = 0x22;
    ASSERT_EQ(CSLFSELEntryToStr(otherOwner.data(), 0, nullptr, 0, desc, sizeof desc, &sev, &repo), 0u);
    EXPECT_STREQ(desc, "System Software event: redundancy regained was asserted");
}

const uint8_t* endlessNext(const uint8_t* previous, void*) { return previous; }
const uint8_t* firstOf(void* user) { return static_cast<const uint8_t*>(user); }

TEST_F(SelDecode, ACyclicRepositoryEndsTheSearch) {
    Sensor s;
    s.number = 0x02;
    Bytes other = fullSensor(s);
    USERAPIList cyclic{firstOf, endlessNext, nullptr};
    CSLFAttach(&cyclic);
    EXPECT_EQ(SelFindSDRRecord(selRecord(1, 1, 0x01, 1, false, 0).data(), other.data()), nullptr);
    EXPECT_EQ(CSSFindEntitySDRRecord(firstOf, endlessNext, nullptr, other.data(), other.data()), nullptr);
    EXPECT_EQ(CSLFAttach(nullptr), 1u);
    USERAPIList none{nullptr, nullptr, nullptr};
    CSLFAttach(&none);
    EXPECT_EQ(SelFindSDRRecord(selRecord(1, 1, 0x02, 1, false, 0).data(), nullptr), nullptr);
}

TEST_F(SelDecode, TablesAndMethodRecord) {
    EXPECT_STREQ(g_SensorTypesTable[0], "Unknown");
    EXPECT_STREQ(g_SensorTypesTable[33], "Slot ");
    EXPECT_STREQ(g_SensorTypesTable[44], "FRU");
    EXPECT_STREQ(CSSGetSensorTypeStr(45, 0x6F), "Unknown");
    EXPECT_STREQ(CSSGetSensorTypeStr(8, 0x0B), "PS Redundancy");
    EXPECT_STREQ(CSSGetSensorTypeStr(8, 0x6F), "Power Supply");
    EXPECT_STREQ(g_StatusTable[5], "Non-Recoverable");
    EXPECT_STREQ(g_SELMonthTable[11], "Dec");
    EXPECT_STREQ(g_DayOfWeekTable[6], "Sat");
    EXPECT_STREQ(pCssdBldStr, "CSSD_BLD_5000");
    EXPECT_EQ(g_PostMessages[18].code, 0xFE);
    EXPECT_STREQ(g_PostMessages[12].text, "System management interrupt initialization failed");
    // Keys in ascending order, every sub-table non-empty.
    for (int i = 0; i < CSLF_GENERIC_TABLE_ROWS; ++i) {
        EXPECT_EQ(g_GenericTable[i].key, 2 + i);
        EXPECT_GT(g_GenericTable[i].count, 0);
    }
    for (int i = 1; i < CSLF_SPECIFIC_TABLE_ROWS; ++i)
        EXPECT_LT(g_SpecificTable[i - 1].key, g_SpecificTable[i].key);
    EXPECT_EQ(g_SpecificTable[30].key, 0x2C);
    EXPECT_EQ(g_SpecificTable[22].count, 9);  // 23h: watchdog 2
    EXPECT_STREQ(g_SpecificType2C[1].text, "inactive (in standby or 'hot spare' state)");

    EXPECT_EQ(sizeof(CSLFMethod), 16u);
    // Packed fields are read by value (a reference to them could be misaligned).
    EXPECT_EQ(static_cast<unsigned>(defaults.methodSize), 8192u);
    EXPECT_EQ(static_cast<unsigned>(defaults.platformCode), 2u);
    EXPECT_EQ(static_cast<unsigned>(defaults.manufacturerId), CSLF_MAKER_MANUFACTURER_ID);
    EXPECT_EQ(static_cast<unsigned>(defaults.version), 1u);
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(&defaults);
    EXPECT_EQ(raw[5], 2);
    EXPECT_EQ(raw[7] | raw[8] << 8, 0x1F5A) << "manufacturer ID at bytes 7-8";
    EXPECT_EQ(CSLFGetDecodingMethod(nullptr), 1u);
    EXPECT_EQ(CSLFSetDecodingMethod(nullptr), 1u);
}

TEST_F(SelDecode, ArithmeticHelpersAtTheirLimits) {
    const CSSDivResult d1 = CSSLongDiv(-7, 2), d2 = CSSLongDiv(7, -2), d3 = CSSLongDiv(5, 0),
                       d4 = CSSLongDiv(INT32_MIN, -1);
    EXPECT_EQ(d1.quotient, -3);
    EXPECT_EQ(d1.remainder, -1);
    EXPECT_EQ(d2.quotient, -3);
    EXPECT_EQ(d2.remainder, 1);
    EXPECT_EQ(d3.quotient, 0);
    EXPECT_EQ(d3.remainder, 5);
    EXPECT_EQ(d4.quotient, INT32_MIN);
    EXPECT_EQ(d4.remainder, 0);

    char b[CSS_LTOA_SIZE];
    EXPECT_EQ(CSSlongToAscii(INT32_MIN, b, 2), 32);
    EXPECT_EQ(std::string(b), "-1" + std::string(31, '0'));
    EXPECT_EQ(CSSlongToAscii(0, b, 10), 1);
    EXPECT_STREQ(b, "0");
    EXPECT_EQ(CSSlongToAscii(35, b, 36), 1);
    EXPECT_STREQ(b, "z");
    EXPECT_EQ(CSSlongToAscii(35, b, 1), 0);
    EXPECT_STREQ(b, "");

    EXPECT_EQ(CSSAsciiToLong("\t+17 "), 17);
    EXPECT_EQ(CSSAsciiToLong("99999999999"), INT32_MAX);
    EXPECT_EQ(CSSAsciiToLong("-2147483648"), INT32_MIN);
    EXPECT_EQ(CSSAsciiToLong("-99999999999"), INT32_MIN);
    EXPECT_EQ(CSSAsciiToLong("--5"), 0);
    EXPECT_EQ(CSSAsciiToLong(nullptr), 0);
}

} // namespace

// Event texts of the SEL decoder: the status of one event with its severity, and the
// memory, PCI, hardware-configuration and performance details some events carry.
#include "cslf_private.h"

using cslf::TextBuf;

namespace {

enum : uint8_t {
    kThreshold = 0x01,
    kGenericFirst = 0x02,
    kGenericLast = 0x0C,
    kSensorSpecific = 0x6F,
    kOemDiagnostic = 0x7E
};

enum : uint8_t {
    kSensorIntrusion = 0x05,
    kSensorMemory = 0x0C,
    kSensorDriveSlot = 0x0D,
    kSensorPost = 0x0F,
    kSensorCriticalEvent = 0x13,
    kSensorSlot = 0x21,
    kSensorVersionChange = 0x2B
};

constexpr uint8_t kPostFatalOffset = 15;

const CSLFEventText* lookup(const CSLFEventTable* table, std::size_t rows, uint8_t key,
                            uint8_t offset) {
    for (std::size_t i = 0; i < rows; ++i)
        if (table[i].key == key && table[i].count > offset) return &table[i].rows[offset];
    return nullptr;
}

struct Status {
    const char* text = g_DefaultUnknownStatus;
    uint8_t severity = CSLF_SEVERITY_UNKNOWN;
};

// Threshold events: the severity follows the crossed threshold.
Status thresholdStatus(uint8_t offset, bool deassert, uint8_t readableMask) {
    static const uint8_t kAssertSeverity[12] = {3, 2, 4, 3, 5, 4, 2, 3, 3, 4, 4, 5};
    Status s;
    uint8_t sev;
    if (deassert) {
        const bool warn = (offset == 2 && (readableMask & 0x01)) || (offset == 9 && (readableMask & 0x08));
        sev = warn ? CSLF_SEVERITY_WARNING : CSLF_SEVERITY_NORMAL;
    } else {
        if (offset >= sizeof kAssertSeverity) return s;
        sev = kAssertSeverity[offset];
    }
    s.severity = sev;
    switch (sev) {
    case CSLF_SEVERITY_NORMAL: s.text = g_Normal; break;
    case CSLF_SEVERITY_WARNING: s.text = g_Warning; break;
    case CSLF_SEVERITY_CRITICAL: s.text = g_Failure; break;
    default: s.text = g_DetectedNR; break;
    }
    return s;
}

const char* postMessage(uint8_t code) {
    for (const CSLFPostMessage& m : g_PostMessages)
        if (m.code == code) return m.text;
    return nullptr;
}

void appendDetail(TextBuf& out, void (*detail)(char*, uint8_t, uint8_t, uint8_t), uint8_t ed1,
                  uint8_t ed2, uint8_t ed3) {
    char text[CSLF_DETAIL_SIZE];
    detail(text, ed1, ed2, ed3);
    out.add(text);
}

const char* direction(bool deassert) { return deassert ? g_wasDeasserted : g_wasAsserted; }

}  // namespace

extern "C" {

unsigned GetSensorStatusStr(const uint8_t* sel, const uint8_t* sensorSdr, char* status,
                            uint32_t size, uint8_t* severity) {
    if (sel == nullptr || status == nullptr) return 1;
    const uint32_t cap = (size == 0 || size > CSLF_STATUS_SIZE) ? CSLF_STATUS_SIZE : size;
    TextBuf out(status, cap);
    const uint8_t sensorType = sel[10];
    const bool deassert = (sel[12] & 0x80) != 0;
    const uint8_t eventType = sel[12] & 0x7F;
    const uint8_t ed1 = sel[13], ed2 = sel[14], ed3 = sel[15];
    const uint8_t offset = ed1 & 0x0F;
    uint8_t sev = CSLF_SEVERITY_UNKNOWN;

    if (eventType == kThreshold) {
        const Status s = thresholdStatus(offset, deassert, CSSSDRGetAttribute(sensorSdr, 12, cslf::callbacks().convertSDR));
        out.add(s.text);
        sev = s.severity;
    } else if (eventType >= kGenericFirst && eventType <= kGenericLast) {
        const CSLFEventText* row = lookup(g_GenericTable, CSLF_GENERIC_TABLE_ROWS, eventType, offset);
        if (row == nullptr) {
            out.add(g_DefaultUnknownStatus);
        } else {
            out.add(row->text);
            if (sensorType == kSensorMemory) appendDetail(out, GetMemoryDIMMStr, ed1, ed2, ed3);
            sev = deassert ? row->deassertSeverity : row->assertSeverity;
            out.add(direction(deassert));
        }
    } else if (eventType == kSensorSpecific && sensorType == kSensorPost) {
        if (offset == kPostFatalOffset) {
            sev = CSLF_SEVERITY_CRITICAL;
            const char* text = postMessage(ed2);
            out.add(text != nullptr ? text : "POST fatal error");
        } else {
            out.add(g_DefaultUnknownStatus);
        }
    } else if (eventType == kSensorSpecific) {
        const CSLFEventText* row = lookup(g_SpecificTable, CSLF_SPECIFIC_TABLE_ROWS, sensorType, offset);
        if (row == nullptr) {
            out.add(g_DefaultUnknownStatus);
        } else {
            sev = deassert ? row->deassertSeverity : row->assertSeverity;
            if (sensorType == kSensorDriveSlot && offset == 0 && deassert) {
                out.add("drive removed");
            } else {
                if (sensorType == kSensorSlot) {
                    const uint8_t kind = ed2 & 0x0F;
                    out.add(kind == 0 ? g_PciSlot : kind == 1 ? g_Drive : g_Slot);
                }
                out.add(row->text);
                if (sensorType == kSensorMemory) appendDetail(out, GetMemoryDIMMStr, ed1, ed2, ed3);
                if (sensorType == kSensorCriticalEvent) appendDetail(out, GetPCIInfoStr, ed1, ed2, ed3);
                if (sensorType == kSensorVersionChange)
                    appendDetail(out, GetExtentedHWConfigStr, ed1, ed2, ed3);
                out.add(direction(deassert));
                if (sensorType == kSensorIntrusion && (ed1 & 0xC0) == 0x80) {
                    if (ed2 == 1) out.add(g_whileOn);
                    if (ed2 == 2) out.add(g_whileOff);
                }
            }
        }
    } else if (eventType == kOemDiagnostic) {
        sev = CSLF_SEVERITY_NORMAL;
        out.add(g_oemEvent).add(direction(deassert));
    } else {
        out.add(g_DefaultUnknownStatus);
    }
    if (severity != nullptr) *severity = sev;
    return 0;
}

void GetMemoryDIMMStr(char* buffer, uint8_t ed1, uint8_t ed2, uint8_t ed3) {
    if (buffer == nullptr) return;
    TextBuf out(buffer, CSLF_DETAIL_SIZE);
    if (!cslf::makerMethod()) return;
    const bool bankLetter = cslf::method().platformCode == CSLF_PLATFORM_BANK_LETTER;
    const uint8_t bank = ed2 & 0x0F;
    char bankText[16] = "";
    unsigned base = 0;
    if ((ed1 & 0xC0) == 0x80) {
        if ((ed2 & 0x80) == 0) out.add(" ( Memory Board ").addChar(static_cast<char>('A' + (ed2 >> 4)));
        if (bank != 0x0F) {
            if (bankLetter)
                TextBuf(bankText, sizeof bankText).add(" Bank ").addUnsigned(bank + 1u);
            else
                base = bank * 8u;
        }
    }
    if ((ed1 & 0x30) == 0x20) {
        if (out.empty()) out.add(" (");
        if (bankLetter) {
            out.add(bankText).add(" DIMM ").addChar(static_cast<char>('A' + ed3));
        } else if (ed2 & 0x80) {
            const uint8_t kind = ed2 >> 4;
            const unsigned perLetter = kind == 9 ? 6 : kind == 10 ? 8 : kind == 11 ? 9 : 4;
            for (unsigned i = 0; i < 8; ++i) {
                if ((ed3 & (1u << i)) == 0) continue;
                const unsigned n = base + i;
                out.add(" DIMM_").addChar(static_cast<char>('A' + n / perLetter)).addUnsigned(n % perLetter + 1);
            }
        } else {
            for (unsigned i = 0; i < 8; ++i)
                if (ed3 & (1u << i)) out.add(" DIMM").addUnsigned(base + i + 1);
        }
    }
    if (!out.empty()) out.add(" )");
}

void GetPCIInfoStr(char* buffer, uint8_t ed1, uint8_t ed2, uint8_t ed3) {
    if (buffer == nullptr) return;
    TextBuf out(buffer, CSLF_DETAIL_SIZE);
    if (!cslf::makerMethod() || (ed1 & 0xF0) != 0xA0) return;
    if (ed3 & 0x80)
        out.add(" (Slot ").addUnsigned(ed3 & 0x7Fu).add(")");
    else
        out.add(" (Bus ").addUnsigned(ed3 & 0x7Fu).add(" Device ").addUnsigned(ed2 >> 3)
            .add(" Function ").addUnsigned(ed2 & 0x07u).add(")");
}

void GetExtentedHWConfigStr(char* buffer, uint8_t ed1, uint8_t ed2, uint8_t ed3) {
    if (buffer == nullptr) return;
    TextBuf out(buffer, CSLF_DETAIL_SIZE);
    if (!cslf::makerMethod() || cslf::method().platformCode != CSLF_PLATFORM_DEFAULT) return;
    if ((ed1 & 0x3F) == 0x26) {
        if (ed3 & 0x80) out.add(" device slot ").addUnsigned(ed3 & 0x7Fu);
    } else if ((ed1 & 0xF0) == 0xA0 && (ed2 & 0x0F) == 2) {
        out.add(" (BMC Firmware ");
        if ((ed3 & 0x0F) == 0) out.add("and other hardware mismatch");
        if ((ed3 & 0x0F) == 1) out.add("and CPU mismatch");
        out.add(")");
    }
}

void GetPerformanceStatusStr(char* buffer, uint8_t ed1) {
    if (buffer == nullptr) return;
    static const char* const kReasons[] = {"Other", "Thermal protection", "Cooling capacity changed",
                                           "Power capacity changed", "User configured capacity action"};
    TextBuf out(buffer, CSLF_DETAIL_SIZE);
    const uint8_t offset = ed1 & 0x0F;
    if (offset == 0) {
        out.add("Performance restored");
        return;
    }
    out.add("Performance degraded,");
    if (offset <= 5) out.add(kReasons[offset - 1]);
}

}  // extern "C"

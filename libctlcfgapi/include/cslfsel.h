/* SEL entry text decoder of libctlcfgapi: turns one 16-byte IPMI System Event Log record
 * into a date string, a one-line English description and a severity code, with the sensor
 * and event string tables it uses. The decoder finds the sensor's Sensor Data Record through
 * the walk callbacks attached with CSLFAttach; it knows nothing of the controller.
 *
 * Record layouts are byte positions of the IPMI records (SEL: 16 bytes; SDR: a 5-byte header
 * whose byte 4 is the length of the rest). The decoder never reads an SDR beyond 5 + byte 4,
 * nor beyond 64 bytes of a converted copy.
 *
 * Not thread-safe: the callbacks and the decoding method are process-wide. */
#ifndef CSLFSEL_H
#define CSLFSEL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Sizes ---- */
#define CSLF_SEL_RECORD_SIZE 16
#define CSLF_SDR_COPY_SIZE 64    /* converted SDR copies, and SDRs handed to callers */
#define CSLF_DATE_SIZE 32        /* smallest date buffer GetSelDateString accepts */
#define CSLF_CTIME_SIZE 32       /* buffer CSLFSELUnixToCTime writes (at most 25 bytes) */
#define CSLF_STATUS_SIZE 256     /* status buffer of GetSensorStatusStr */
#define CSLF_DETAIL_SIZE 128     /* buffer of the DIMM/PCI/hardware/performance details */
#define CSLF_PROBE_NAME_SIZE 64  /* probe and entity name buffers of the decoder */
#define CSS_LTOA_SIZE 34         /* CSSlongToAscii: 32 binary digits, a sign and the end */

/* ---- Severity codes (texts in g_StatusTable) ---- */
enum {
    CSLF_SEVERITY_UNKNOWN = 0,
    CSLF_SEVERITY_INFORMATIONAL = 1,
    CSLF_SEVERITY_NORMAL = 2,
    CSLF_SEVERITY_WARNING = 3,
    CSLF_SEVERITY_CRITICAL = 4,
    CSLF_SEVERITY_NON_RECOVERABLE = 5
};

/* The maker's manufacturer ID (low 16 bits of its IANA enterprise number 8026) and the
 * platform codes the decoding method knows. */
#define CSLF_MAKER_MANUFACTURER_ID 0x1F5Au
#define CSLF_PLATFORM_DEFAULT 2u
#define CSLF_PLATFORM_BANK_LETTER 81u /* 'Q' */

/* ---- Walk callbacks ---- */
typedef const uint8_t *(*CSLFGetFirstSDRFn)(void *userData);
typedef const uint8_t *(*CSLFGetNextSDRFn)(const uint8_t *previous, void *userData);
/* Copies the source record into a destination of CSLF_SDR_COPY_SIZE bytes. */
typedef void (*CSLFConvertSDRFn)(const uint8_t *source, uint8_t *destination);

/* Three pointers, in this order. */
typedef struct USERAPIList {
    CSLFGetFirstSDRFn getFirstSDR;
    CSLFGetNextSDRFn getNextSDR;
    CSLFConvertSDRFn convertSDR; /* may be null */
} USERAPIList;

/* ---- Decoding method (16 bytes, read and written whole) ---- */
#pragma pack(push, 1)
typedef struct CSLFMethod {
    uint32_t methodSize;      /* 8192 */
    uint8_t reserved1;
    uint8_t platformCode;     /* 2; 81 selects bank/letter DIMM names */
    uint8_t reserved2;
    uint16_t manufacturerId;  /* CSLF_MAKER_MANUFACTURER_ID */
    uint8_t reserved3;
    uint16_t version;         /* 1 */
    uint8_t reserved4[4];
} CSLFMethod;

/* ---- String table rows (2 bytes and a pointer, packed: 6 bytes on the 32-bit target) ---- */
typedef struct CSLFEventText {
    uint8_t assertSeverity;
    uint8_t deassertSeverity;
    const char *text;
} CSLFEventText;

typedef struct CSLFEventTable {
    uint8_t key;   /* event/reading type (generic) or sensor type (specific) */
    uint8_t count; /* rows of the sub-table */
    const CSLFEventText *rows;
} CSLFEventTable;

typedef struct CSLFPostMessage {
    uint8_t code;
    const char *text;
} CSLFPostMessage;
#pragma pack(pop)

/* ---- Exported tables ---- */
#define CSLF_GENERIC_TABLE_ROWS 11
#define CSLF_SPECIFIC_TABLE_ROWS 31
#define CSLF_SENSOR_TYPES 45
#define CSLF_POST_MESSAGES 19

extern const char *const g_StatusTable[6];
extern const char *const g_SensorTypesTable[CSLF_SENSOR_TYPES];
extern const CSLFPostMessage g_PostMessages[CSLF_POST_MESSAGES];
extern const char *const g_SELMonthTable[12];
extern const char *const g_DayOfWeekTable[7];
extern const CSLFEventTable g_GenericTable[CSLF_GENERIC_TABLE_ROWS];
extern const CSLFEventTable g_SpecificTable[CSLF_SPECIFIC_TABLE_ROWS];

#define CSLF_EVENT_SUBTABLES(X) \
    X(g_GenericType2, 3) X(g_GenericType3, 2) X(g_GenericType4, 2) X(g_GenericType5, 2) \
    X(g_GenericType6, 2) X(g_GenericType7, 9) X(g_GenericType8, 2) X(g_GenericType9, 2) \
    X(g_GenericTypeA, 9) X(g_GenericTypeB, 8) X(g_GenericTypeC, 4) \
    X(g_SpecificType5, 7) X(g_SpecificType6, 6) X(g_SpecificType7, 11) X(g_SpecificType8, 7) \
    X(g_SpecificType9, 8) X(g_SpecificTypeC, 11) X(g_SpecificTypeD, 9) X(g_SpecificTypeE, 1) \
    X(g_SpecificTypeF, 3) X(g_SpecificType10, 7) X(g_SpecificType11, 8) X(g_SpecificType12, 6) \
    X(g_SpecificType13, 11) X(g_SpecificType14, 5) X(g_SpecificType19, 1) \
    X(g_SpecificType1B, 2) X(g_SpecificType1D, 8) X(g_SpecificType1E, 5) \
    X(g_SpecificType1F, 7) X(g_SpecificType20, 6) X(g_SpecificType21, 10) \
    X(g_SpecificType22, 13) X(g_SpecificType23, 9) X(g_SpecificType24, 4) \
    X(g_SpecificType25, 3) X(g_SpecificType27, 2) X(g_SpecificType28, 7) \
    X(g_SpecificType29, 3) X(g_SpecificType2A, 2) X(g_SpecificType2B, 8) X(g_SpecificType2C, 8)

#define CSLF_DECLARE_SUBTABLE_(name, rows) extern const CSLFEventText name[rows];
CSLF_EVENT_SUBTABLES(CSLF_DECLARE_SUBTABLE_)
#undef CSLF_DECLARE_SUBTABLE_

extern const char g_OemEventRecord[];
extern const char g_SoftwareEvent[];
extern const char g_sensor[];
extern const char g_sensorfor[];
extern const char g_systemboot[];
extern const char g_wasAsserted[];
extern const char g_wasDeasserted[];
extern const char g_oemEvent[];
extern const char g_whileOn[];
extern const char g_whileOff[];
extern const char g_DefaultUnknownStatus[];
extern const char g_Normal[];
extern const char g_Warning[];
extern const char g_Failure[];
extern const char g_DetectedNR[];
extern const char g_PciSlot[];
extern const char g_Drive[];
extern const char g_Slot[];
extern const char g_FanReduntant[];
extern const char g_PSReduntant[];
extern const char *const pCssdBldStr;

/* ---- Decoder ---- */

/* Decodes one SEL record. Either output is skipped with a null buffer or a size of 0; the
 * severity pointer may be null; userData goes to the walk callbacks.
 * Returns 0; 1 for no record or nothing asked; 2 when the description does not fit (its
 * length plus 2 exceeds descSize) or, with no description asked, the date does not fit. */
unsigned CSLFSELEntryToStr(const uint8_t *selRecord, uint32_t reserved, char *dateBuf,
                           uint16_t dateSize, char *descBuf, uint16_t descSize,
                           uint8_t *severity, void *userData);

/* "YYYYMMDDhhmmss.000000", or "<System Boot>" for time stamps up to 20000000h.
 * Returns 0, or 2 for a missing record or buffer or a size below CSLF_DATE_SIZE (a buffer
 * that is too small is left holding an empty string). */
unsigned GetSelDateString(const uint8_t *selRecord, char *buffer, uint16_t size);

/* Date text of GetSelDateString to "Sat Mar 15 14:25:30 2008" (buffer of CSLF_CTIME_SIZE).
 * A text not starting with a digit gives "<System Boot>"; a month outside 1-12 gives "???"
 * for the day and month names. Returns 0, or 1 for a null argument. */
unsigned CSLFSELUnixToCTime(const char *dateString, char *buffer);

/* Status text of the event (at most CSLF_STATUS_SIZE bytes, cut to size when 0 < size < 256)
 * and its severity. sensorSdr may be null. Returns 0, or 1 for a null record or buffer. */
unsigned GetSensorStatusStr(const uint8_t *selRecord, const uint8_t *sensorSdr, char *status,
                            uint32_t size, uint8_t *severity);

const uint8_t *SelFindSDRRecord(const uint8_t *selRecord, void *userData);
const uint8_t *CSSFindEntitySDRRecord(CSLFGetFirstSDRFn first, CSLFGetNextSDRFn next,
                                      CSLFConvertSDRFn convert, const uint8_t *sensorSdr,
                                      void *userData);

/* Sensor or entity name of an SDR. Returns 0, or 1 for a null record or buffer. */
unsigned CSSGetProbeName(const uint8_t *sdr, uint8_t instanceOffset, char *buffer,
                         uint32_t capacity, CSLFConvertSDRFn convert);
const char *CSSGetSensorTypeStr(uint8_t sensorType, uint8_t eventType);
uint8_t CSSSDRGetAttribute(const uint8_t *sdr, uint8_t attribute, CSLFConvertSDRFn convert);

/* Details appended to some event texts; each writes a zero-terminated text (possibly empty)
 * of less than CSLF_DETAIL_SIZE bytes. */
void GetMemoryDIMMStr(char *buffer, uint8_t eventData1, uint8_t eventData2, uint8_t eventData3);
void GetPCIInfoStr(char *buffer, uint8_t eventData1, uint8_t eventData2, uint8_t eventData3);
void GetExtentedHWConfigStr(char *buffer, uint8_t eventData1, uint8_t eventData2,
                            uint8_t eventData3);
void GetPerformanceStatusStr(char *buffer, uint8_t eventData1);

/* Replaces the walk callbacks (null: 1, nothing changes). CSLFDetach does nothing. */
unsigned CSLFAttach(const USERAPIList *callbacks);
void CSLFDetach(void);
unsigned CSLFGetDecodingMethod(CSLFMethod *method);
unsigned CSLFSetDecodingMethod(const CSLFMethod *method);

/* ---- Arithmetic helpers ---- */
typedef struct CSSDivResult {
    int32_t quotient;
    int32_t remainder;
} CSSDivResult;

/* Truncates toward zero, the remainder takes the sign of a. b = 0 gives quotient 0 and
 * remainder a; INT32_MIN / -1 gives INT32_MIN and 0. */
CSSDivResult CSSLongDiv(int32_t a, int32_t b);
/* Writes value in base 2-36 (lower-case letters), a negative value as "-" and its magnitude;
 * returns the number of digits written (the sign is not counted). Another base writes an
 * empty text and returns 0. buffer: CSS_LTOA_SIZE bytes. */
int CSSlongToAscii(int32_t value, char *buffer, int base);
/* Skips leading blanks and tabs, takes one optional sign and the decimal digits up to the
 * first other character; saturates at the 32-bit limits; null gives 0. */
int32_t CSSAsciiToLong(const char *text);

#ifdef __cplusplus
}
#endif

#endif /* CSLFSEL_H */

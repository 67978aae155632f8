/* ctlcfg-probe: a small C caller of libctlcfgapi for the end-to-end tests. It initialises a
 * record (the library loads "libhstipm32.so" by its bare name), runs the commands given on
 * its command line and prints one result line for each:
 *   status                 getRacStatus          -> "status RC word 0xW type T"
 *   initstatus             getRacInitStatus      -> "initstatus RC value V"
 *   chan                   channel lookups       -> "chan RC lan L serial S"
 *   extget T I CAP         read a parameter      -> "extget RC len N data HEX"
 *   extset T I MASK HEX    write a parameter     -> "extset RC"
 *   snmpset MASK HEX       setRacSnmpGroup       -> "snmpset RC"
 *   snmpget                getRacSnmpGroup       -> "snmpget RC HEX" (the 67-byte record)
 *   raclog                 controller log        -> "raclog RC count N" then "line TEXT" each
 *   hardreset              racHardReset          -> "hardreset RC"
 *   sdr                    SDR count and records -> "sdr RC count N", then "sdr I type T name NAME"
 *   sel                    SEL listing           -> "sel RC count N", then "sel ID SEV DATE | TEXT"
 *   seltime                getSelTime            -> "seltime RC value V"
 *   selclear               clearSel              -> "selclear RC"
 * The first line is always "init RC". Exit status 0 unless the arguments are bad. */
#include "ctlcfgapi.h"
#include "cslfsel.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Shared functions the library exports for its own modules. */
unsigned getRacExtCfgParam(struct RacIpmiPrivateData *pd, uint8_t token, uint8_t index, uint16_t capacity,
                           uint16_t *length, uint8_t *dest);
unsigned setRacExtCfgParam(struct RacIpmiPrivateData *pd, uint8_t token, uint8_t index, uint8_t header,
                           uint16_t mask, uint16_t dataLen, const uint8_t *data);
unsigned getLanChanNumb(struct RacIpmiPrivateData *pd, uint8_t *chan);
unsigned getSerialChanNumb(struct RacIpmiPrivateData *pd, uint8_t *chan);

static unsigned long number(const char *s) { return strtoul(s, NULL, 0); }

/* Operation types of the SEL and SDR slots. */
typedef unsigned (*CountOp)(RacIpmi *, uint16_t *);
typedef unsigned (*RecordOp)(RacIpmi *, uint16_t, uint8_t *, uint16_t *);
typedef unsigned (*ConvertOp)(RacIpmi *, const uint8_t *, char *, uint16_t, char *, uint16_t, uint8_t *);
typedef unsigned (*ClearOp)(RacIpmi *);
typedef unsigned (*TimeOp)(RacIpmi *, uint32_t *);

static void listSdr(RacIpmi *rec) {
    uint16_t count = 0, index = 0, next = 0;
    unsigned r = ((CountOp)rec->getNumbOfSdrEntries)(rec, &count);
    if (r == 0) r = ((CountOp)rec->getFirstSdrRecordNum)(rec, &index);
    printf("sdr %u count %u\n", r, count);
    for (; r == 0 && index < count; index = next) {
        uint8_t sdr[64];
        char name[CSLF_PROBE_NAME_SIZE];
        r = ((RecordOp)rec->getSdr)(rec, index, sdr, &next);
        if (r != 0) {
            printf("sdr fail %u\n", r);
            break;
        }
        CSSGetProbeName(sdr, 0, name, sizeof name, NULL);
        printf("sdr %u type 0x%02X name %s\n", index, sdr[3], name);
    }
}

static void listSel(RacIpmi *rec) {
    uint16_t count = 0, id = 0, next = 0;
    int guard = 0;
    unsigned r = ((CountOp)rec->getNumbOfSelEntries)(rec, &count);
    if (r == 0) r = ((CountOp)rec->getFirstSelRecordID)(rec, &id);
    printf("sel %u count %u\n", r, count);
    for (; r == 0 && id != 0xFFFF && id < count && guard < count; id = next, ++guard) {
        uint8_t sel[16], sev = 0;
        char desc[512], date[32];
        r = ((RecordOp)rec->getSel)(rec, id, sel, &next);
        if (r == 0) r = ((ConvertOp)rec->convertSelToString)(rec, sel, desc, sizeof desc, date, sizeof date, &sev);
        if (r != 0) {
            printf("sel fail %u\n", r);
            break;
        }
        printf("sel %u %u %s | %s\n", id, sev, date, desc);
    }
}

static int hexToBytes(const char *s, uint8_t *out, size_t cap, size_t *n) {
    size_t len = strlen(s), i;
    if (len % 2 || len / 2 > cap) return 0;
    for (i = 0; i < len / 2; ++i) {
        unsigned v;
        if (sscanf(s + 2 * i, "%2x", &v) != 1) return 0;
        out[i] = (uint8_t)v;
    }
    *n = len / 2;
    return 1;
}

int main(int argc, char **argv) {
    static uint8_t buf[65536];
    RacIpmi rec;
    unsigned rc;
    int i;
    rc = RacIpmiInit(&rec, NULL);
    printf("init %u\n", rc);
    for (i = 1; rc == 0 && i < argc; ++i) {
        const char *c = argv[i];
        if (strcmp(c, "status") == 0) {
            uint32_t word = 0;
            unsigned r = getRacStatus(&rec, &word);
            printf("status %u word 0x%X type %u\n", r, (unsigned)word, getRacType());
        } else if (strcmp(c, "initstatus") == 0) {
            uint32_t v = 0;
            unsigned r = getRacInitStatus(&rec, &v);
            printf("initstatus %u value %u\n", r, (unsigned)v);
        } else if (strcmp(c, "chan") == 0) {
            uint8_t lan = 0xFF, ser = 0xFF;
            unsigned r = getLanChanNumb(rec.pPrivateData, &lan);
            if (r == 0) r = getSerialChanNumb(rec.pPrivateData, &ser);
            printf("chan %u lan %u serial %u\n", r, lan, ser);
        } else if (strcmp(c, "extget") == 0 && i + 3 < argc) {
            uint16_t len = 0, k;
            unsigned long cap = number(argv[i + 3]);
            unsigned r;
            if (cap > sizeof buf) cap = sizeof buf;
            r = getRacExtCfgParam(rec.pPrivateData, (uint8_t)number(argv[i + 1]), (uint8_t)number(argv[i + 2]),
                                  (uint16_t)cap, &len, buf);
            printf("extget %u len %u data ", r, len);
            for (k = 0; k < len; ++k) printf("%02x", buf[k]);
            printf("\n");
            i += 3;
        } else if (strcmp(c, "extset") == 0 && i + 4 < argc) {
            size_t n = 0;
            if (!hexToBytes(argv[i + 4], buf, sizeof buf, &n)) {
                fprintf(stderr, "ctlcfg-probe: bad hex data\n");
                RacIpmiUninit(&rec);
                return 2;
            }
            printf("extset %u\n", setRacExtCfgParam(rec.pPrivateData, (uint8_t)number(argv[i + 1]),
                                                    (uint8_t)number(argv[i + 2]), 1,
                                                    (uint16_t)number(argv[i + 3]), (uint16_t)n, buf));
            i += 4;
        } else if (strcmp(c, "snmpset") == 0 && i + 2 < argc) {
            RacSnmpGroup g;
            size_t n = 0;
            memset(&g, 0, sizeof g);
            if (!hexToBytes(argv[i + 2], g.bytes, sizeof g.bytes, &n)) {
                fprintf(stderr, "ctlcfg-probe: bad hex data\n");
                RacIpmiUninit(&rec);
                return 2;
            }
            printf("snmpset %u\n", setRacSnmpGroup(&rec, (uint16_t)number(argv[i + 1]), &g));
            i += 2;
        } else if (strcmp(c, "snmpget") == 0) {
            RacSnmpGroup g;
            size_t k;
            unsigned r = getRacSnmpGroup(&rec, &g);
            printf("snmpget %u ", r);
            for (k = 0; k < sizeof g.bytes; ++k) printf("%02x", g.bytes[k]);
            printf("\n");
        } else if (strcmp(c, "raclog") == 0) {
            uint16_t n = 0, k;
            char line[RAC_LOG_LINE_SIZE];
            unsigned r = getRaclogRecordCount(&rec, &n);
            printf("raclog %u count %u\n", r, n);
            for (k = 1; r == 0 && k <= n; ++k)
                if (getRaclogRecord(&rec, k, line) == 0) printf("line %s", line);
        } else if (strcmp(c, "hardreset") == 0) {
            printf("hardreset %u\n", racHardReset(&rec));
        } else if (strcmp(c, "sdr") == 0) {
            listSdr(&rec);
        } else if (strcmp(c, "sel") == 0) {
            listSel(&rec);
        } else if (strcmp(c, "seltime") == 0) {
            uint32_t v = 0;
            unsigned r = ((TimeOp)rec.getSelTime)(&rec, &v);
            printf("seltime %u value %u\n", r, (unsigned)v);
        } else if (strcmp(c, "selclear") == 0) {
            printf("selclear %u\n", ((ClearOp)rec.clearSel)(&rec));
        } else {
            fprintf(stderr, "ctlcfg-probe: bad command \"%s\"\n", c);
            RacIpmiUninit(&rec);
            return 2;
        }
    }
    RacIpmiUninit(&rec);
    return 0;
}

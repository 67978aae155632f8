/* ctlcfg-probe: a small C caller of libctlcfgapi for the end-to-end tests. It initialises a
 * record (the library loads "libhstipm32.so" by its bare name), runs the commands given on
 * its command line and prints one result line for each:
 *   status                 getRacStatus          -> "status RC word 0xW type T"
 *   initstatus             getRacInitStatus      -> "initstatus RC value V"
 *   chan                   channel lookups       -> "chan RC lan L serial S"
 *   extget T I CAP         read a parameter      -> "extget RC len N data HEX"
 *   extset T I MASK HEX    write a parameter     -> "extset RC"
 * The first line is always "init RC". Exit status 0 unless the arguments are bad. */
#include "ctlcfgapi.h"

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
        } else {
            fprintf(stderr, "ctlcfg-probe: bad command \"%s\"\n", c);
            RacIpmiUninit(&rec);
            return 2;
        }
    }
    RacIpmiUninit(&rec);
    return 0;
}

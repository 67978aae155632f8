/* The public header used from plain C: it compiles strictly, links against the shared
 * library and gives the documented layout and texts. Exit status 0 when all checks pass. */
#include "ctlcfgapi.h"
#include "cslfsel.h"

#include <stddef.h>
#include <stdio.h>
#include <string.h>

static int failures = 0;
#define CHECK(cond)                                                   \
    do {                                                              \
        if (!(cond)) {                                                \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            ++failures;                                               \
        }                                                             \
    } while (0)

int main(void) {
    RacIpmi rec;
    RacDiag diag;
    memset(&rec, 0, sizeof rec);
    CHECK(sizeof(RacIpmi) == 206 * sizeof(void *));
    CHECK(offsetof(RacIpmi, getRacStatus) == 146 * sizeof(void *));
    CHECK(offsetof(RacIpmi, RacGetRacLocalConfigDisable) == 204 * sizeof(void *));
    CHECK(sizeof(RacDiagInfo) == 492);
    CHECK(sizeof(RacAdCfg) == 2323 && sizeof(RacIPSecGroup) == 123 && sizeof(RacNicLinkSetGroup) == 8);
    CHECK(sizeof(RacSessionEntry) == 271 && sizeof(RacBlob) == 65538);
    CHECK(sizeof(RacLog) == 2 + RAC_LOG_MAX_LINES * RAC_LOG_LINE_SIZE);
    CHECK(offsetof(RacBlob, userIndex) == 65537);
    CHECK(RacIpmiInit(NULL, NULL) == RACIPMI_INVALID_INPUT_PARAM);
    CHECK(RacDiagInit(NULL) == RACIPMI_INVALID_INPUT_PARAM);
    CHECK(RacDiagUninit(NULL) == RACIPMI_SUCCESS);
    CHECK(RacIpmiUninit(&rec) == RACIPMI_SUCCESS);
    CHECK(strcmp(RacIpmiGetStatusStr(RACIPMI_AMEA_ABSENT), "AMEA absent") == 0);
    CHECK(strcmp(getIpmiCompletionCodeStr(0xC3), "Timeout while processing command") == 0);
    CHECK(TraceLogSetLevel(0) == 0);
    CHECK(g_IpmiRacRSSA == 38);
    CHECK(ameaPresent == 0);
    CHECK(g_pPrivateData == NULL);
    {
        /* The SEL decoder from C: tables, a decoded record and the SEL operations' checks. */
        uint8_t sel[16] = {0, 0, 0xE0, 1, 0, 0, 0};
        char date[CSLF_DATE_SIZE], desc[64];
        uint8_t sev = 0;
        uint16_t count = 0;
        CHECK(sizeof(CSLFMethod) == 16);
        CHECK(sizeof(CSLFEventText) == 2 + sizeof(void *));
        CHECK(strcmp(g_SensorTypesTable[33], "Slot ") == 0);
        CHECK(CSLFSELEntryToStr(sel, 0, date, sizeof date, desc, sizeof desc, &sev, NULL) == 0);
        CHECK(strcmp(date, "<System Boot>") == 0 && strcmp(desc, g_OemEventRecord) == 0 && sev == 2);
        CHECK(getNumbOfSelEntries(NULL, &count) == RACIPMI_INVALID_INPUT_PARAM);
        CHECK(getFirstSDR(NULL) == NULL);
    }
    (void)IPMI_RAC_IANA[0];
    (void)diag;
    if (failures == 0) printf("c api: all checks passed\n");
    return failures == 0 ? 0 : 1;
}

#include "update/controller_wait.h"

#include "cli/config_file.h"
#include "cli/console.h"
#include "cli/result_codes.h"
#include "ipmi/bmc_fw.h"

std::string calendar_text(time_t t) {
    char buf[64];
    struct tm tmv;
    if (!localtime_r(&t, &tmv) || !std::strftime(buf, sizeof buf, "%a %b %e %H:%M:%S %Y\n", &tmv))
        return "?\n";
    return buf;
}

int wait_for_controller(const CONTROLLER_WAIT_TEXTS& texts, uint8_t* version) {
    const int wait = gConfig.vantroRebootWaitingTime;
    const int first = wait > 50 ? 50 : wait - 1;
    const time_t start = time(nullptr);
    time_t lastTry = start;
    time_t latest = start;
    double elapsed = 0;
    int counter = 32767;
    int result = RC_GET_VERSION_FAILED;
    do {
        BeautifyDelayPrintout(counter, "  Checking new firmware version ...");
        if (elapsed >= first && (difftime(latest, lastTry) >= 7 || wait <= texts.smallWait)) {
            if (get_fw_version(texts.which, version) == RC_SUCCESS) {
                display_redirection(PRT_PROGRESS, "\r                                        \r");
                display_redirection(PRT_DEBUG, texts.okText);
                latest = time(nullptr);
                elapsed = difftime(latest, start);
                result = RC_SUCCESS;
                break;
            }
            display_redirection(PRT_DEBUG, texts.failText);
            lastTry = latest;
        }
        DelayMS(1000);
        latest = time(nullptr);
        elapsed = difftime(latest, start);
        --counter;
    } while (elapsed <= wait);

    display_printf(PRT_DEBUG, "\n   Set Vantro Graceful reset at %s", calendar_text(start).c_str());
    display_printf(PRT_DEBUG, "   Stop waiting Vantro reboot at %s", calendar_text(latest).c_str());
    display_printf(PRT_DEBUG, "   Elapsed time = %2.0f seconds\n", elapsed);
    if (result != RC_SUCCESS) {
        display_redirection(PRT_PROGRESS, texts.timeoutProgress);
        display_redirection(PRT_DEBUG, "   Checking new firmware version timeout\n");
    }
    return result;
}

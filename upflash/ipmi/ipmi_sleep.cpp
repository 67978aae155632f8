#include "ipmi/ipmi_sleep.h"

#include "cli/console.h"

namespace {
IpmiSleepFunction sleep_function = nullptr;
}

void ipmi_sleep_ms(unsigned int ms) {
    if (sleep_function)
        sleep_function(ms);
    else
        DelayMS(ms);
}

IpmiSleepFunction set_ipmi_sleep_function(IpmiSleepFunction fn) {
    IpmiSleepFunction previous = sleep_function;
    sleep_function = fn;
    return previous;
}

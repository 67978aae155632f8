// The waits of the host driver layer and the OEM commands. They sleep through DelayMS unless a
// test has put its own clock in place, so that retry delays can be checked without waiting.
#pragma once

typedef void (*IpmiSleepFunction)(unsigned int ms);

void ipmi_sleep_ms(unsigned int ms);
// Replaces the sleep (null restores DelayMS); returns the previous one.
IpmiSleepFunction set_ipmi_sleep_function(IpmiSleepFunction fn);

// Waiting for the controller to come back after a graceful reset, and the clock texts of the
// waiting loops.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

struct CONTROLLER_WAIT_TEXTS {
    uint8_t which;        // the version queried (standby, current)
    const char* okText;
    const char* failText;
    int smallWait;        // waiting times up to this query every second from the start
    const char* timeoutProgress;
};

// Queries the version until it answers or "VantroRebootWaitingTime" has passed; 0 with the
// version in *version, else 46.
int wait_for_controller(const CONTROLLER_WAIT_TEXTS& texts, uint8_t* version);

// The calendar time text of a clock reading, with its line end.
std::string calendar_text(time_t t);

// What the simulator learned about one mapped drive, and its one-line summary.
#pragma once

#include <cstdint>
#include <string>

namespace sim {

struct DriveReport {
    int diskId = 0;
    bool cd = false;
    int blockSize = 0;
    uint32_t capacity = 0;
    bool readOnly = false;
    uint64_t bytesRead = 0;
    double seconds = 0;
    std::string verify = "not checked";  // "ok", "not checked" or "MISMATCH ..."
    std::string write;                   // "" when not asked
    std::string pastEnd;
    std::string deviceStatus;
    std::string release;
    bool failed = false;
};

// "drive 1 floppy: 1474560 bytes read in 0.031 s, 47.6 MB/s, verify ok, write ok, released"
std::string summaryLine(const DriveReport& r);

} // namespace sim

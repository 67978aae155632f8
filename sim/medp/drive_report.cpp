#include "medp/drive_report.h"

#include <cstdio>

namespace sim {

std::string summaryLine(const DriveReport& r) {
    char head[160];
    double mbs = r.seconds > 0 ? r.bytesRead / r.seconds / 1e6 : 0.0;
    std::snprintf(head, sizeof head, "drive %d %s: %llu bytes read in %.3f s, %.1f MB/s, verify %s", r.diskId,
                  r.cd ? "cd" : "floppy", static_cast<unsigned long long>(r.bytesRead), r.seconds, mbs, r.verify.c_str());
    std::string line = head;
    if (!r.write.empty()) line += ", write " + r.write;
    if (!r.pastEnd.empty()) line += ", past-end read " + r.pastEnd;
    if (!r.deviceStatus.empty()) line += ", device status " + r.deviceStatus;
    if (!r.release.empty()) line += ", " + r.release;
    return line;
}

} // namespace sim

// Which disk or partition appeared between two device scans, and whether that names the
// virtual USB device without doubt.
#pragma once

#include <string>
#include <vector>

struct NEW_DEVICE_CHOICE {
    std::vector<std::string> newDisks;      // in the order of the later scan
    std::vector<std::string> newPartitions; // likewise
    bool chosen = false;
    std::string device;
};

// The names of `after` that `before` lacks, in the order of `after`.
std::vector<std::string> new_names(const std::vector<std::string>& before,
                                   const std::vector<std::string>& after);

// One new partition and no new disk: the partition. One new disk and no new partition: the
// disk. One of each, the partition on that disk: the partition. Anything else: no choice.
NEW_DEVICE_CHOICE choose_new_device(const std::vector<std::string>& disksBefore,
                                    const std::vector<std::string>& partitionsBefore,
                                    const std::vector<std::string>& disksAfter,
                                    const std::vector<std::string>& partitionsAfter);

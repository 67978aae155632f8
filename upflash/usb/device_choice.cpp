#include "usb/device_choice.h"

#include <algorithm>

std::vector<std::string> new_names(const std::vector<std::string>& before,
                                   const std::vector<std::string>& after) {
    std::vector<std::string> out;
    for (const std::string& name : after)
        if (std::find(before.begin(), before.end(), name) == before.end())
            out.push_back(name);
    return out;
}

NEW_DEVICE_CHOICE choose_new_device(const std::vector<std::string>& disksBefore,
                                    const std::vector<std::string>& partitionsBefore,
                                    const std::vector<std::string>& disksAfter,
                                    const std::vector<std::string>& partitionsAfter) {
    NEW_DEVICE_CHOICE c;
    c.newDisks = new_names(disksBefore, disksAfter);
    c.newPartitions = new_names(partitionsBefore, partitionsAfter);
    const size_t disks = c.newDisks.size();
    const size_t parts = c.newPartitions.size();
    if (disks == 0 && parts == 1) {
        c.device = c.newPartitions[0];
    } else if (disks == 1 && parts == 0) {
        c.device = c.newDisks[0];
    } else if (disks == 1 && parts == 1 &&
               c.newPartitions[0].compare(0, c.newDisks[0].size(), c.newDisks[0]) == 0) {
        c.device = c.newPartitions[0];
    } else {
        return c;
    }
    c.chosen = true;
    return c;
}

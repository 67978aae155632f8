#include "protocol/VDiskInfo.h"

#include <algorithm>

#include "foundation/ZTrace.h"

namespace {
const int RECORD_SIZE = 4;
const int MAX_COUNT = 0xFFFF;
}  // namespace

VDiskInfo::VDiskInfo() : MEDPPacket(VDISK_INFO), announcedCount(0), cutShort(false) {}

int VDiskInfo::getVDiskTypeAt(int i) const { return valid(i) ? disks[i].type : -1; }
int VDiskInfo::getVDiskStatusAt(int i) const { return valid(i) ? disks[i].status : -1; }
int VDiskInfo::getVDiskCapabilities(int i) const { return valid(i) ? disks[i].capabilities : -1; }

void VDiskInfo::addVDisk(int type, int status, int capabilities) {
    if (disks.size() < static_cast<size_t>(MAX_COUNT))
        disks.push_back({static_cast<unsigned char>(type), static_cast<unsigned char>(status),
                         static_cast<short>(capabilities)});
    announcedCount = getVDiskCount();
}

int VDiskInfo::getPacketLength() { return HEADER_SIZE + 2 + RECORD_SIZE * getVDiskCount(); }

unsigned char* VDiskInfo::encodePayload() {
    unsigned char* buf = newPayload();
    encodeShort(buf, 0, static_cast<short>(disks.size()));
    for (size_t i = 0; i < disks.size(); ++i) {
        int pos = 2 + RECORD_SIZE * static_cast<int>(i);
        buf[pos] = disks[i].type;
        buf[pos + 1] = disks[i].status;
        encodeShort(buf, pos + 2, disks[i].capabilities);
    }
    return buf;
}

void VDiskInfo::decode(unsigned char* header, unsigned char* payload, int length) {
    MEDPPacket::decode(header, payload, length);
    requirePayload(length, 2);
    announcedCount = decodeShort(payload, 0);
    int records = (length - HEADER_SIZE - 2) / RECORD_SIZE;
    int count = std::min(announcedCount, records);
    cutShort = count < announcedCount;
    if (cutShort)
            ZTRACE(0, "%s count %i but only %i records received; list cut short\n",
                         "VDiskInfo::decode", announcedCount, count);
    disks.clear();
    disks.reserve(count);
    for (int i = 0; i < count; ++i) {
        int pos = 2 + RECORD_SIZE * i;
        disks.push_back({payload[pos], payload[pos + 1],
                         static_cast<short>(decodeShort(payload, pos + 2))});
    }
}

// Controller's list of virtual disks (0x8200). The index of a disk in the list is its disk
// id in every later message.
#pragma once

#include <vector>

#include "protocol/MEDPPacket.h"

struct VDiskDataBlock {
    unsigned char type;    // 1, 4 generic block device; 2 CD/DVD
    unsigned char status;
    short capabilities;
};

class VDiskInfo : public MEDPPacket {
public:
    VDiskInfo();

    std::string getDisplayMessage() override { return "VDisk Info"; }
    int getPacketLength() override;
    unsigned char* encodePayload() override;
    // A count larger than the records the payload holds keeps only the complete records
    // (see wasCutShort); nothing beyond the payload is read.
    void decode(unsigned char* header, unsigned char* payload, int packetLength) override;

    int getVDiskCount() const { return static_cast<int>(disks.size()); }
    // -1 for an index outside the list.
    int getVDiskTypeAt(int i) const;
    int getVDiskStatusAt(int i) const;
    int getVDiskCapabilities(int i) const;
    // The count in the last decoded packet was larger than its records.
    bool wasCutShort() const { return cutShort; }
    int getAnnouncedCount() const { return announcedCount; }

    // Controller side.
    void addVDisk(int type, int status, int capabilities);

private:
    bool valid(int i) const { return i >= 0 && i < getVDiskCount(); }

    std::vector<VDiskDataBlock> disks;
    int announcedCount;
    bool cutShort;
};

// BootSector and PartitionInfo: classifying sector 0, decoding partition entries, and the
// geometry and capacity each kind of sector yields, including degenerate ones.
#include <cfenv>
#include <cstdint>
#include <string>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "media/BootSector.h"
#include "media/PartitionInfo.h"
#include "test_support.h"
#include "trace_capture.h"

namespace {

using Sector = std::vector<unsigned char>;

struct Chs {
    int cylinder, head, sector;
};

// Writes one partition entry in the standard layout (cylinder bits 8-9 in the sector byte).
void putEntry(Sector& s, int index, Chs start, Chs end, uint32_t lba, uint32_t size,
              unsigned char type = 0x0C, bool boot = false) {
    unsigned char* e = s.data() + 446 + 16 * index;
    e[0] = boot ? 0x80 : 0x00;
    e[1] = static_cast<unsigned char>(start.head);
    e[2] = static_cast<unsigned char>((start.sector & 0x3F) | ((start.cylinder >> 2) & 0xC0));
    e[3] = static_cast<unsigned char>(start.cylinder);
    e[4] = type;
    e[5] = static_cast<unsigned char>(end.head);
    e[6] = static_cast<unsigned char>((end.sector & 0x3F) | ((end.cylinder >> 2) & 0xC0));
    e[7] = static_cast<unsigned char>(end.cylinder);
    for (int i = 0; i < 4; ++i) {
        e[8 + i] = static_cast<unsigned char>(lba >> (8 * i));
        e[12 + i] = static_cast<unsigned char>(size >> (8 * i));
    }
}

Sector mbr() {
    Sector s(512, 0);
    s[0] = 0xFA; // the usual first instruction of boot code
    s[510] = 0x55;
    s[511] = 0xAA;
    return s;
}

Sector bpb(int sectorsPerTrack, int heads) {
    Sector s(512, 0);
    s[0] = 0xEB;
    s[1] = 0x3C;
    s[2] = 0x90;
    s[24] = static_cast<unsigned char>(sectorsPerTrack);
    s[25] = static_cast<unsigned char>(sectorsPerTrack >> 8);
    s[26] = static_cast<unsigned char>(heads);
    s[27] = static_cast<unsigned char>(heads >> 8);
    return s;
}

} // namespace

TEST(BootSectorGeometry, EveryKindOfSector) {
    struct Case {
        const char* what;
        Sector sector;
        long capacityIn;
        std::string kind;
        int partitions;
        std::vector<int> geometry;
        long capacityOut;
    };
    Sector fatWord = bpb(18, 2);
    fatWord[22] = 0x00;
    fatWord[23] = 0x01; // 256 sectors per FAT: not part of the geometry
    Sector first = mbr(), second = mbr(), third = mbr(), onlySecond = mbr(), none = mbr(),
           degenerate = mbr(), negative = mbr(), huge = mbr();
    putEntry(first, 0, {0, 1, 1}, {973, 254, 63}, 63, 15647247);
    putEntry(second, 0, {0, 1, 1}, {999, 15, 63}, 63, 1007937);
    putEntry(third, 0, {0, 1, 1}, {1023, 254, 63}, 63, 31277169);
    putEntry(onlySecond, 0, {0, 0, 0}, {0, 0, 0}, 0, 5000);
    putEntry(onlySecond, 1, {0, 1, 1}, {999, 15, 63}, 63, 1007937);
    putEntry(none, 0, {0, 1, 1}, {999, 15, 63}, 0, 1007937);
    putEntry(none, 1, {0, 1, 1}, {999, 15, 63}, 0x80000000u, 1007937); // bit 31: negative
    // Start and end cylinder 0 with start head 0: the formulas have nothing to divide by.
    putEntry(degenerate, 0, {0, 0, 1}, {0, 254, 63}, 63, 16002);
    putEntry(negative, 0, {0, 1, 1}, {999, 15, 63}, 63, 0x80000010u);
    putEntry(huge, 0, {0, 1, 1}, {1023, 254, 63}, 0x7FFFFF00u, 0x7FFFFF00u);
    Sector jumpE9 = bpb(18, 2);
    jumpE9[0] = 0xE9;

    const std::vector<Case> cases = {
        {"1.44 MB FAT floppy", bpb(18, 2), 2880, "BPB", 0, {80, 2, 18}, 2880},
        {"sectors-per-FAT word ignored", fatWord, 2880, "BPB", 0, {80, 2, 18}, 2880},
        {"BPB with 0 heads reports no geometry", bpb(18, 0), 2880, "BPB", 0, {0, 0, 0}, 2880},
        {"BPB with 0 sectors per track", bpb(0, 2), 2880, "BPB", 0, {0, 0, 0}, 2880},
        {"BPB with the largest words does not overflow", bpb(65535, 65535), 2880, "BPB", 0,
         {0, 65535, 65535}, 2880},
        {"no geometry", Sector(512, 0), 2880, "NOG", 0, {0, 0, 0}, 2880},
        {"FAT sector with another jump counts as MBR without partitions", jumpE9, 2880, "MBR", 0,
         {0, 0, 0}, 2880},
        {"MBR 973/255/63", first, 16000000, "MBR", 1, {973, 255, 63}, 15647310},
        {"MBR 999/16/63", second, 2000000, "MBR", 1, {999, 16, 63}, 1008000},
        {"MBR saturated end CHS", third, 31277232, "MBR", 1, {16383, 16, 63}, 31277232},
        {"MBR whose second entry is the first kept", onlySecond, 2000000, "MBR", 1,
         {999, 16, 63}, 1008000},
        {"MBR without a kept partition keeps size, no geometry", none, 2000000, "MBR", 0,
         {0, 0, 0}, 2000000},
        {"degenerate entry takes the large-disk translation", degenerate, 16065, "MBR", 1,
         {15, 16, 63}, 16065},
        {"negative partition size keeps the medium's size", negative, 2000000, "MBR", 1,
         {0, 16, 63}, 2000000},
        {"partition end beyond 32 bits keeps the medium's size", huge, 2000000, "MBR", 1,
         {16383, 16, 63}, 2000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::feclearexcept(FE_ALL_EXCEPT);
        BootSector boot(c.sector.data(), BootSector::kImageFileMedium);
        EXPECT_EQ(boot.getKind(), c.kind);
        EXPECT_EQ(boot.hasMBR(), c.kind == "MBR");
        EXPECT_EQ(boot.getPartitionCount(), c.partitions);
        long capacity = c.capacityIn;
        int geometry[3] = {0, 0, 0};
        boot.getCHS(&capacity, geometry);
        EXPECT_EQ(std::vector<int>(geometry, geometry + 3), c.geometry);
        EXPECT_EQ(capacity, c.capacityOut);
        EXPECT_FALSE(std::fetestexcept(FE_DIVBYZERO | FE_INVALID))
            << "no division by zero, no NaN, no invalid conversion";
    }
}

TEST(BootSectorGeometry, PartitionEntryDecodingAndTrace) {
    TraceCapture trace;
    Sector s = mbr();
    putEntry(s, 0, {0, 1, 1}, {973, 254, 63}, 63, 15647247, 0x83, true);
    PartitionInfo p(s.data(), 446);
    EXPECT_TRUE(p.isBootable());
    EXPECT_EQ(p.getPartitionType(), 0x83);
    EXPECT_EQ(p.getStartCylinder(), 0);
    EXPECT_EQ(p.getStartHeads(), 1);
    EXPECT_EQ(p.getStartSector(), 1);
    EXPECT_EQ(p.getEndCylinder(), 973); // bits 8-9 from the sector byte
    EXPECT_EQ(p.getEndHeads(), 254);
    EXPECT_EQ(p.getEndSector(), 63);
    EXPECT_EQ(p.getLBAStart(), 63);
    EXPECT_EQ(p.getSize(), 15647247);
    int geometry[3];
    p.calculateDeviceCHS(geometry);
    EXPECT_TRUE(trace.has("PartitionInfo::calculateDeviceCHS CHS parameters (973/255/63)\n"));

    BootSector boot(s.data(), BootSector::kDriveMedium);
    EXPECT_TRUE(trace.has("BootSector::load Detected MBR type boot sector.\n"));
    EXPECT_TRUE(trace.has("BootSector::load MBR sector has 1 partitions. \n"));
    EXPECT_TRUE(trace.has("BootSector::load EB? Byte[0]=fa Byte[0]&FF=fa\n"));
    EXPECT_EQ(boot.getPartitionAt(0)->getSize(), 15647247);
    EXPECT_EQ(boot.getPartitionAt(1), nullptr);
    EXPECT_EQ(boot.getPartitionAt(-1), nullptr);
}

TEST(BootSectorRead, FromAHandleWithFallbackAndFailure) {
    TraceCapture trace;
    vtest::TempDir dir;
    std::string img = dir.file("f.img");
    Sector s = bpb(18, 2);
    vtest::writeFile(img, std::string(s.begin(), s.end()) + std::string(512, 'x'));
    int fd = open(img.c_str(), O_RDONLY);
    {
        BootSector boot(fd, BootSector::kImageFileMedium);
        EXPECT_EQ(boot.getKind(), "BPB");
        EXPECT_TRUE(trace.has("BootSector::readSector Boot sector read successfully\n"));
        EXPECT_FALSE(trace.has("failed. reading with readDrive"));
    }
    close(fd);
    EXPECT_TRUE(trace.has("BootSector::~BootSector Destructor called\n"));

    // A pipe cannot be read at a position: the plain read takes over.
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    ASSERT_EQ(write(pipeEnds[1], s.data(), 512), 512);
    {
        BootSector boot(pipeEnds[0], BootSector::kDriveMedium);
        EXPECT_EQ(boot.getKind(), "BPB");
        EXPECT_TRUE(trace.has("BootSector::readSector failed. reading with readDrive\n"));
        EXPECT_TRUE(trace.has("LinuxVMProvider::readSectors Error: readSectors failed\n"));
    }
    close(pipeEnds[1]); // now empty and closed: both reads fail
    try {
        BootSector boot(pipeEnds[0], BootSector::kDriveMedium);
        ADD_FAILURE() << "no exception";
    } catch (const char* text) {
        EXPECT_STREQ(text, "Drive is not available.");
    }
    close(pipeEnds[0]);
    EXPECT_TRUE(trace.has("BootSector::readSector Boot sector failed to read 0\n"));
    EXPECT_TRUE(trace.has("BootSector::load Drive is not available. Throwing Exception.\n"));
    EXPECT_THROW(BootSector(-1, BootSector::kDriveMedium), const char*);
}

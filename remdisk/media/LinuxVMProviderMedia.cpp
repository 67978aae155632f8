// Reading, writing and describing local media through a LocalDevice: block reads and writes,
// sector reads, the CD table of contents and capacity, tray locking and ejecting, image file
// sizes and filling in a device's properties.
#include "media/LinuxVMProvider.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "devices/DeviceTypes.h"
#include "devices/LocalDevice.h"
#include "foundation/ZTrace.h"
#include "media/BootSector.h"
#include "media/CdToc.h"

namespace {

// A short-lived read-only handle for a driver request; -1 when the name cannot be opened.
int openForQuery(const std::string& name) {
    int fd = open(name.c_str(), O_RDONLY | O_NONBLOCK | O_LARGEFILE);
    if (fd == 0) { // handles are valid when greater than 0
        close(fd);
        return -1;
    }
    return fd;
}

// Reads up to total bytes at position, going on after short reads and interruptions: a
// request is normally served by one system call. Returns the bytes read, or -1 when the
// first call fails.
int64_t readFullyAt(int fd, unsigned char* buffer, int64_t total, int64_t position) {
    int64_t done = 0;
    while (done < total) {
        ssize_t n = pread64(fd, buffer + done, static_cast<size_t>(total - done),
                            static_cast<off64_t>(position + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return done > 0 ? done : -1;
        if (n == 0)
            break; // end of the medium
        done += n;
    }
    return done;
}

// Requests are limited to what an int byte count can carry.
bool byteCount(int count, int unit, int64_t& bytes) {
    if (count < 0 || unit <= 0)
        return false;
    bytes = static_cast<int64_t>(count) * unit;
    return bytes <= INT_MAX;
}

} // namespace

int LinuxVMProvider::getCdCapacity(LocalDevice& device, int* out) {
    static const char* const where = "LinuxVMProvider::getCdCapacity";
    ZTRACE(0, "%s Called\n", where);
    int fd = openForQuery(device.getDisplayableType());
    if (fd <= 0) {
        ZTRACE(0, "%s unable to open drive.\n", where);
        out[0] = out[1] = 0;
        return 1;
    }
    ZTRACE(3, "%s Drive open\n", where);
    unsigned long sectors = 0; // 512-byte sectors
    if (ioctl(fd, BLKGETSIZE, &sectors) != 0) {
        ZTRACE(0, "%s ioctl BLKGETSIZE failed.\n", where);
        close(fd);
        return 1;
    }
    const unsigned long blocks = device.getType() == CD_DVD ? sectors / 4 : sectors;
    if (blocks > static_cast<unsigned long>(INT_MAX)) {
        // Capacities travel as 32-bit block counts; a larger medium cannot be offered.
        ZTRACE(0, "%s capacity of %lu blocks is too large.\n", where, blocks);
        close(fd);
        return 1;
    }
    out[0] = static_cast<int>(blocks);
    int blockSize = 0;
    out[1] = ioctl(fd, BLKSSZGET, &blockSize) == 0 ? blockSize : 0;
    close(fd);
    return 0;
}

int LinuxVMProvider::getCdToc(LocalDevice& device, unsigned char* out) {
    static const char* const where = "LinuxVMProvider::getCdToc";
    const std::string name = device.getDisplayableType();
    ZTRACE(1, "%s getTableOfContents( %i )\n", where, device.getId());
    ZTRACE(3, "%s open device: %s\n", where, name.c_str());
    int fd = openForQuery(name);
    if (fd <= 0)
        return -1;
    ZTRACE(3, "%s reading TOC.\n", where);
    cdrom_tochdr header{};
    if (ioctl(fd, CDROMREADTOCHDR, &header) != 0) {
        ZTRACE(0, "%s Error: ioctl CDROMREADTOCHDR\n", where);
        close(fd);
        return -1;
    }
    const int first = header.cdth_trk0;
    const int last = header.cdth_trk1;
    // The table holds 99 tracks and the lead-out; a drive reporting more (or a last track
    // before the first) is not believed.
    if (last < first || last - first + 1 > CdToc::kMaxDescriptors - 1) {
        ZTRACE(0, "%s Error: drive reports tracks %i to %i\n", where, first, last);
        close(fd);
        return -1;
    }
    CdToc toc(first, last);
    auto readEntry = [&](int track, const char* failure) {
        cdrom_tocentry entry{};
        entry.cdte_track = static_cast<__u8>(track);
        entry.cdte_format = CDROM_LBA;
        if (ioctl(fd, CDROMREADTOCENTRY, &entry) != 0) {
            ZTRACE(0, failure, where);
            return false;
        }
        return toc.add(entry.cdte_adr, entry.cdte_ctrl, entry.cdte_track, entry.cdte_addr.lba);
    };
    for (int track = first; track <= last; ++track) {
        if (!readEntry(track, " %s Error: ioctl CDROMREADTOCENTRY\n")) {
            close(fd);
            return -1;
        }
    }
    if (!readEntry(CDROM_LEADOUT, "%s Error: ioctl CDROMREADTOCENTRY\n")) {
        close(fd);
        return -1;
    }
    close(fd);
    return toc.finish(out);
}

namespace {
// Opens the tray's device and makes one driver request; -1 when it fails.
int trayRequest(const std::string& name, unsigned long request, unsigned long argument,
                bool reportError) {
    int fd = openForQuery(name);
    if (fd <= 0)
        return -1;
    int result = ioctl(fd, request, argument);
    if (reportError && result != 0) {
        int error = errno;
        std::printf("eject error: %i %s\n", error, std::strerror(error));
    }
    close(fd);
    return result < 0 ? -1 : 0;
}
} // namespace

int LinuxVMProvider::lockCd(std::string name) { return trayRequest(name, CDROM_LOCKDOOR, 1, false); }

int LinuxVMProvider::unLockCd(std::string name) {
    return trayRequest(name, CDROM_LOCKDOOR, 0, false);
}

int LinuxVMProvider::ejectCd(std::string name) { return trayRequest(name, CDROMEJECT, 0, true); }

int LinuxVMProvider::readDrive(LocalDevice& device, long handle, int offset, int count,
                               unsigned char* buffer) {
    static const char* const where = "LinuxVMProvider::readDrive";
    ZTRACE(8, "%s Read data for device %i, offset=%i, count=%i\n", where, static_cast<int>(handle),
           offset, count);
    const int capacity = device.getCapacityValue();
    if (static_cast<int64_t>(offset) + count > capacity)
        ZTRACE(0,
               "%s WARNING: Attempting to read past end of device.  offset=%i, count=%i, "
               "capacity=%i\n",
               where, offset, count, capacity);
    int64_t total = 0;
    int64_t result = -1;
    const int blockSize = device.getBlockSizeValue();
    if (handle > 0 && buffer && offset >= 0 && byteCount(count, blockSize, total)) {
        const int64_t position = static_cast<int64_t>(offset) * blockSize;
        ZTRACE(8, "%s perform seek to %lld ****************\n", where,
               static_cast<long long>(position));
        ZTRACE(9, "%s perform read\n", where);
        result = readFullyAt(static_cast<int>(handle), buffer, total, position);
    }
    if (result <= 0)
        ZTRACE(0, "%s Read error\n", where);
    ZTRACE(8, "%s bytes read %i\n", where, static_cast<int>(result));
    return static_cast<int>(result);
}

int LinuxVMProvider::readSectors(long handle, int sectorSize, int count, int firstSector,
                                 unsigned char* buffer) {
    static const char* const where = "LinuxVMProvider::readSectors";
    ZTRACE(9, "%s  Read data for device %i, offset=%i, count=%i\n", where,
           static_cast<int>(handle), firstSector, count);
    int64_t total = 0;
    if (handle <= 0 || !buffer || firstSector < 0 || !byteCount(count, sectorSize, total)) {
        ZTRACE(0, "%s Error: readSectors failed\n", where);
        return -1;
    }
    const int64_t position = static_cast<int64_t>(firstSector) * sectorSize;
    ZTRACE(8, "%s perform seek to %lld ***********\n", where, static_cast<long long>(position));
    if (readFullyAt(static_cast<int>(handle), buffer, total, position) != total) {
        ZTRACE(0, "%s Error: readSectors failed\n", where);
        return -1;
    }
    return static_cast<int>(total);
}

int LinuxVMProvider::writeDrive(LocalDevice& device, int, int count, unsigned char* data) {
    ZTRACE(2, "%s called\n", "LinuxVMProvider::writeDrive");
    int64_t total = 0;
    // Handles are valid when greater than 0: never write to standard input by mistake.
    if (!data || !device.isFileHandleValid() || !byteCount(count, device.getBlockSizeValue(), total))
        return 0;
    // At the handle's position: the caller has sought there.
    const int fd = static_cast<int>(device.getFileHandle());
    int64_t written = 0;
    while (written < total) {
        ssize_t n = write(fd, data + written, static_cast<size_t>(total - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC; // nothing more fits
            break;
        }
        written += n;
    }
    if (written != total)
        std::perror("writeDrive:");
    return static_cast<int>(written);
}

int LinuxVMProvider::getFileSize(const std::string& path, int blockSize) {
    static const char* const where = "LinuxVMProvider::getFileSize";
    ZTRACE(1, "%s %s blockSize: %i\n", where, path.c_str(), blockSize);
    int64_t blocks = -1;
    int fd = open(path.c_str(), O_RDONLY | O_LARGEFILE);
    if (fd >= 0) {
        struct stat64 info {};
        if (blockSize > 0 && fstat64(fd, &info) == 0 && !S_ISDIR(info.st_mode)) {
            off64_t end = lseek64(fd, 0, SEEK_END);
            if (end >= 0 && end / blockSize <= INT_MAX)
                blocks = end / blockSize;
        }
        close(fd);
    }
    if (blocks < 0) {
        ZTRACE(0, "%s  failed to open %s\n", where, path.c_str());
        throw path;
    }
    ZTRACE(1, "%s %lld\n", where, static_cast<long long>(blocks));
    return static_cast<int>(blocks);
}

void LinuxVMProvider::applyBootGeometry(LocalDevice& device, long handle, int mediumKind,
                                        long capacity) {
    try {
        BootSector boot(handle, mediumKind);
        long c = capacity;
        int geometry[3] = {0, 0, 0};
        boot.getCHS(&c, geometry);
        device.setCapacity(static_cast<int>(c));
        device.setBlockSize(BootSector::kSectorSize);
        device.setFloppyUSBProperties(geometry[0], geometry[1], geometry[2]);
    } catch (...) {
        closeDrive(handle);
        throw;
    }
    closeDrive(handle);
}

void LinuxVMProvider::initialize(LocalDevice& device) {
    static const char* const where = "LinuxVMProvider::initialize";
    ZTRACE(1, "%s called\n", where);
    setType(device.getType());
    const std::string name = device.getDisplayableType();
    // Image sizes are measured on the path; a device registered without one uses its name.
    const std::string path = device.getPath().empty() ? name : device.getPath();

    switch (device.getType()) {
    case CD_DVD: {
        int capacity[2] = {0, 0};
        if (getCdCapacity(device, capacity) != 0 || capacity[0] == 0)
            throw "Unable to get Capacity.";
        device.setCapacity(capacity[0]);
        device.setBlockSize(capacity[1]);
        unsigned char toc[CdToc::kMaxLength];
        int length = getCdToc(device, toc);
        if (length <= 0)
            throw "Unable to get Table of Contents.";
        device.setCdTocData(toc, length);
        if (device.isFileHandleValid()) // initialized before: do not leak that handle
            closeDrive(device.getFileHandle());
        device.setFileHandle(openDrive(name, false, false));
        break;
    }
    case ISO_IMAGE:
        device.setBlockSize(2048);
        device.setCapacity(getFileSize(path, 2048));
        break;
    case FLOPPY_IMAGE: {
        ZTRACE(1, "%s  floppy image: get file size and open..\n", where);
        device.setBlockSize(BootSector::kSectorSize);
        device.setCapacity(getFileSize(path, BootSector::kSectorSize));
        long handle = openDrive(name, device.isWritable(), true);
        if (handle <= 0) {
            ZTRACE(1, "%s  Opening floppy image as read only....\n", where);
            handle = openDrive(name, false, false);
        }
        if (handle <= 0) {
            ZTRACE(0, "%s Unable to open floppy image file %s throwing Exception\n", where,
                   name.c_str());
            std::printf("Error: Unable to open floppy image file %s\n", name.c_str());
            throw "Unable to open floppy image file";
        }
        applyBootGeometry(device, handle, BootSector::kImageFileMedium,
                          device.getCapacityValue());
        break;
    }
    case FLOPPY: {
        int capacity[2] = {0, 0};
        // A drive whose size cannot be read would be offered as an empty disk.
        if (getFloppyCapacity(device, capacity) != 0)
            throw "Unable to get Capacity.";
        device.setBlockSize(capacity[1]);
        ZTRACE(1, "%s Opening drive with lock....\n", where);
        long handle = openDrive(name, device.isWritable(), true);
        if (handle <= 0) {
            ZTRACE(1, "%s Opening drive as read only NO lock....\n", where);
            handle = openDrive(name, false, false);
            if (handle <= 0) {
                ZTRACE(0, "%s Error: Unable to open drive %s\n", where, name.c_str());
                throw "Unable to open drive";
            }
            device.setWritable(false);
        }
        applyBootGeometry(device, handle, BootSector::kDriveMedium, capacity[0]);
        break;
    }
    default:
        break;
    }
}

// Opening, closing, seeking and plain reads of local media, the write-protect test, and the
// operations that have nothing to do on Linux. Reading, writing and describing media
// through a LocalDevice lives in LinuxVMProviderMedia.cpp.
#include "media/LinuxVMProvider.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/fd.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "devices/DeviceTypes.h"
#include "devices/LocalDevice.h"
#include "foundation/ZTrace.h"

namespace {
const char* yesNo(bool value) { return value ? "TRUE" : "FALSE"; }
} // namespace

LinuxVMProvider::~LinuxVMProvider() {
    ZTRACE(1, "%s destructor called\n", "LinuxVMProvider::~");
}

int LinuxVMProvider::getLocalDevices(DeviceManager&, std::vector<LocalDevice>&) { return 0; }

int LinuxVMProvider::getLocalDevices(std::vector<LocalDevice>&) { return 0; }

int LinuxVMProvider::getFloppyCapacity(LocalDevice& device, int* out) {
    return getCdCapacity(device, out);
}

long LinuxVMProvider::openDrive(const std::string& name, bool write, bool lock) {
    static const char* const where = "LinuxVMProvider::openDrive";
    lock = false; // locking is never honoured on Linux
    ZTRACE(1, "%s called for %s Write: %s Lock: %s\n", where, name.c_str(), yesNo(write),
           yesNo(lock));

    bool floppyImage = false;
    if (write) {
        if (type == ISO_IMAGE)
            return -1;
        floppyImage = (type == FLOPPY_IMAGE);
    }

    int flags = (write ? O_RDWR : O_RDONLY) | O_LARGEFILE | O_NONBLOCK;
    int handle = open(name.c_str(), flags);
    // A folder opens read-only but is no medium: refuse it the way opening it for
    // writing would be refused.
    struct stat info{};
    if (handle >= 0 && fstat(handle, &info) == 0 && S_ISDIR(info.st_mode)) {
        close(handle);
        handle = -1;
        errno = EISDIR;
    }
    if (handle < 0) {
        int error = errno;
        ZTRACE(1, "%s Unable to open file %i %s\n", where, error, std::strerror(error));
        return -1;
    }

    if (write && !floppyImage) {
        if (isFloppyWritable(handle)) {
            ZTRACE(1, "%s isFloppy Writable returned TRUE!\n", where);
            return handle;
        }
        ZTRACE(1, "%s drive was supposed to be writable, it is not\n", where);
        close(handle);
        return -1;
    }
    return handle;
}

int LinuxVMProvider::closeDrive(long handle) {
    ZTRACE(1, "%s called\n", "LinuxVMProvider::closeDrive");
    // Handles are valid when greater than 0; never close standard input by mistake.
    if (handle <= 0)
        return -1;
    return close(static_cast<int>(handle));
}

long long LinuxVMProvider::seekDrive(long handle, long long position) {
    ZTRACE(2, "%s called\n", "LinuxVMProvider::seekDrive");
    return lseek64(static_cast<int>(handle), static_cast<off64_t>(position), SEEK_SET);
}

int LinuxVMProvider::writeDrive(long, int, unsigned char*) {
    ZTRACE(2, "%s ***** called: BAD CALL FOR LINUX*****\n", "LinuxVMProvider::writeDrive");
    return 0;
}

int LinuxVMProvider::readDrive(long handle, int size, unsigned char* buffer) {
    if (size < 0 || (size > 0 && !buffer))
        return -1;
    ssize_t n = read(static_cast<int>(handle), buffer, static_cast<size_t>(size));
    return n < 0 ? -1 : static_cast<int>(n);
}

int LinuxVMProvider::readCdDrive(long, int, int, unsigned char*) { return 0; }

int LinuxVMProvider::writeSectors(long, int, int, int, unsigned char*) { return 0; }

bool LinuxVMProvider::isFloppyWritable(long handle) {
    static const char* const where = "LinuxVMProvider::isFloppyWritable:";
    int fd = static_cast<int>(handle);
    int result = ioctl(fd, FDCLRPRM);
    ZTRACE(2, "%s FDCLRPRM:[%i]\n", where, result);

    if (result != 0) { // not a floppy driver
        int readOnly = 0;
        result = ioctl(fd, BLKROGET, &readOnly);
        ZTRACE(2, "%s BLKROGET:[%i]\n", where, result);
        if (result != 0) {
            // Not a block device either (a regular file, say): the access the handle was
            // opened with decides, since the system has already granted or refused it.
            int mode = fcntl(fd, F_GETFL);
            return mode >= 0 && (mode & O_ACCMODE) != O_RDONLY;
        }
        return readOnly == 0;
    }

    floppy_drive_struct state{};
    result = ioctl(fd, FDGETDRVSTAT, &state);
    ZTRACE(2, "%s FDGETDRVSTAT:[%i]\n", where, result);
    if (result < 0) {
        std::perror("ioctl FDGETDRVSTAT");
        return false;
    }
    return (state.flags & FD_DISK_WRITABLE) != 0;
}

bool LinuxVMProvider::isDeviceWritable(LocalDevice& device) {
    std::string name = device.getDisplayableType();
    FILE* probe = std::fopen(name.c_str(), "r");
    if (probe) {
        std::fclose(probe);
        device.setWritable(true);
    } else {
        device.setWritable(errno != EACCES);
    }
    return device.isWritable();
}

int LinuxVMProvider::getDriveGeometry(std::string, unsigned int*) { return 0; }

int LinuxVMProvider::storageCheckVerify(LocalDevice&, std::string, unsigned int*) { return 0; }

int LinuxVMProvider::readBlocks(LocalDevice&, long, int, unsigned char*) { return 0; }

int LinuxVMProvider::getLocalDeviceType(const char*) { return 0; }

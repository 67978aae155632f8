// Reading, writing and describing local media through a LocalDevice: block reads and writes,
// sector reads, the CD table of contents and capacity, tray locking and ejecting, image file
// sizes and filling in a device's properties. Not available yet: each operation reports
// failure the way its callers expect (-1, 1 for capacity, an exception where it throws).
#include "media/LinuxVMProvider.h"

#include <cstring>

#include "devices/LocalDevice.h"
#include "foundation/ZTrace.h"

namespace {
void traceUnavailable(const char* operation) {
    ZTRACE(0, "%s not available yet\n", operation);
}
} // namespace

int LinuxVMProvider::writeDrive(LocalDevice&, int, int, unsigned char*) {
    traceUnavailable("LinuxVMProvider::writeDrive");
    return -1;
}

int LinuxVMProvider::readDrive(LocalDevice&, long, int, int, unsigned char*) {
    traceUnavailable("LinuxVMProvider::readDrive");
    return -1;
}

int LinuxVMProvider::readSectors(long, int, int, int, unsigned char*) {
    traceUnavailable("LinuxVMProvider::readSectors");
    return -1;
}

int LinuxVMProvider::lockCd(std::string) {
    traceUnavailable("LinuxVMProvider::lockCd");
    return -1;
}

int LinuxVMProvider::unLockCd(std::string) {
    traceUnavailable("LinuxVMProvider::unLockCd");
    return -1;
}

int LinuxVMProvider::ejectCd(std::string) {
    traceUnavailable("LinuxVMProvider::ejectCd");
    return -1;
}

int LinuxVMProvider::getCdToc(LocalDevice&, unsigned char*) {
    traceUnavailable("LinuxVMProvider::getCdToc");
    return -1;
}

int LinuxVMProvider::getCdCapacity(LocalDevice&, int* out) {
    traceUnavailable("LinuxVMProvider::getCdCapacity");
    if (out)
        out[0] = out[1] = 0;
    return 1;
}

void LinuxVMProvider::initialize(LocalDevice& device) {
    traceUnavailable("LinuxVMProvider::initialize");
    setType(device.getType());
    throw "Reading local media is not available yet.";
}

int LinuxVMProvider::getFileSize(const std::string& path, int) {
    traceUnavailable("LinuxVMProvider::getFileSize");
    throw path;
}

// The usage text and the version line.
#include <cstdio>

#include "app/RemdiskAPP.h"

namespace {
const char* const kShortUsage[] = {
    "Usage:    -r <Vantro-IP-address>[:<credentials-port>]",
    "          -u <Vantro-user-name> [-p <Vantro-user-password>]",
    "         [-f {<device-name> or <image-file-name>} and/or",
    "          -c {<device-name> or <image-file-name>}]",
    "         [-v] [-h] [-D <1-9>] [-N <debug-file-name>]",
    "",
};

const char* const kOptions[] = {
    "Options:",
    "-r \t<Vantro-IP-address> is a valid, unique IP address or the Vantro Dynamic",
    "\tDomain Naming System(DDNS) name(if supported). If <credentials-port> is",
    "\tomitted, port 443 will be used.",
    "-u \tVantro user name that will run Virtual Media",
    "-p \tPassword for specified Vantro user.",
    "",
    "-f \t<device-name> is a valid drive letter(for Windows) or valid",
    "\tdevice file name, including the mountable file system partition number,",
    "\tif applicable(for Linux); and <image-file> is the file name and",
    "\tpath of a valid image file.",
    "\tFor example, an image file is specified as",
    "\t-f c:\\temp\\floppy.img (Windows)",
    "\t-f /temp/floppy.img (Linux)",
    "",
    "\tFor example, a device is specified as:",
    "\t-f a:\\ (Windows)",
    "\t-f /dev/sdb4  4th partition on device /dev/sdb (Linux)",
    "\tThis option should also be used for USB devices or USB Image files.",
    "",
    "-c \t<device-name> is a valid CD/DVD drive letter(Windows systems) or a",
    "\tvalid CD/DVD device file name(Linux systems) and <image-file> is the",
    "\tfile name and path of a valid ISO-9660 image file.",
    "",
    "\tFor example, an image file is specified as:",
    "\t-c c:\\temp\\cd_dvd.iso (Windows)",
    "\t-c /temp/cd_dvd.iso (Linux)",
    "",
    "\tFor example, a device file is specified as:",
    "\t-c d:\\ (Windows)",
    "\t-c /dev/cdrom (Linux)",
    "",
    "-v\tDisplays the program version.",
    "-h\tDisplays this help information.",
    "-D\tOptional Debug Level  -N Optional debug file name",
};
} // namespace

void RemdiskAPP::PrintHelp(int shortForm) {
    for (const char* line : kShortUsage)
        std::printf("%s\n", line);
    if (shortForm)
        return;
    for (const char* line : kOptions)
        std::printf("%s\n", line);
}

void RemdiskAPP::PrintVersion() {
    std::printf("Vantro Virtual Media Command Line Interface. Version: %s\n", kVersion);
}

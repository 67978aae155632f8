#include "usb/usb_device.h"

#include "cli/console.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <sys/stat.h>

namespace {

constexpr size_t COPY_CHUNK_SIZE = 1024;

// Copies the open source to the open destination with percent progress; 0 or 1.
int copy_chunks(FILE* in, FILE* out, unsigned char* buffer, uint64_t length) {
    int shown = 0;
    display_printf(PRT_STATUS, "\r   Copy file status: %d percent", 0);
    uint64_t copied = 0;
    while (copied < length) {
        const size_t chunk = length - copied < COPY_CHUNK_SIZE ? static_cast<size_t>(length - copied) : COPY_CHUNK_SIZE;
        if (std::fread(buffer, 1, chunk, in) != chunk) {
            display_redirection(PRT_DEBUG, "\n       Reading file error\n");
            return 1;
        }
        if (std::fwrite(buffer, 1, chunk, out) != chunk) {
            display_redirection(PRT_DEBUG, "\n       Writing file error\n");
            return 1;
        }
        if (std::fflush(out) != 0) {
            display_printf(PRT_DEBUG, "\n       fflush file error at %d percent\n", shown);
            return 1;
        }
        copied += chunk;
        const int percent = static_cast<int>(copied * 100 / length);
        if (percent > shown) {
            shown = percent;
            display_printf(PRT_STATUS, "\r   Copy file status: %d percent", percent);
        }
    }
    return 0;
}

} // namespace

int writeFile(const char* source, const char* destination) {
    FILE* in = std::fopen(source, "rb");
    if (!in) {
        display_printf(PRT_DEBUG, "\n       Cannot find %s \n", source);
        return 1;
    }
    struct stat st;
    if (fstat(fileno(in), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
        display_redirection(PRT_DEBUG, "\n       Reading file error\n");
        std::fclose(in);
        return 1;
    }
    FILE* out = std::fopen(destination, "wb");
    if (!out) {
        display_printf(PRT_DEBUG, "\n       Create file error: %s \n", destination);
        std::fclose(in);
        return 1;
    }
    unsigned char* buffer = static_cast<unsigned char*>(std::malloc(COPY_CHUNK_SIZE));
    if (!buffer) {
        display_redirection(PRT_DEBUG, "\r   Allocate memory failed");
        std::fclose(in);
        std::fclose(out);
        return 3;
    }
    int result = copy_chunks(in, out, buffer, static_cast<uint64_t>(st.st_size));
    std::fclose(in);
    // The last buffered bytes reach the device only here: a failed close is a lost write.
    if (std::fclose(out) != 0 && result == 0) {
        display_redirection(PRT_DEBUG, "\n       Writing file error\n");
        result = 1;
    }
    std::free(buffer);
    return result;
}

int clearDisk(const char* directory) {
    DIR* dir = opendir(directory);
    if (!dir) {
        display_printf(PRT_DEBUG, "\n       Open direcotry error: %s", directory);
        return 0;
    }
    while (struct dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = std::string(directory) + "/" + name;
        if (std::remove(path.c_str()) == 0)
            display_printf(PRT_DEBUG, "\n       Delete file OK: %s", path.c_str());
        else
            display_printf(PRT_DEBUG, "\n       Delete file error: %s", path.c_str());
    }
    closedir(dir);
    return 0;
}

int writeFileToUsbKey(const char* imagePath) {
    UsbDeviceInfo info;
    const int rc = getVirtualUsbKeyInfo(&info);
    if (rc != 0)
        return rc;
    const std::string destination = std::string(info.mountedOn) + "/" + USB_IMAGE_FILE_NAME;
    display_printf(PRT_DEBUG, "\n     Clear disk %s", info.mountedOn);
    clearDisk(info.mountedOn);
    display_printf(PRT_DEBUG, "\n     Copy %s to %s : ", imagePath, destination.c_str());
    if (writeFile(imagePath, destination.c_str()) != 0) {
        display_redirection(PRT_DEBUG, "failed");
        display_printf(PRT_PROGRESS, "\n   Copy %s to %s failed\n", imagePath, destination.c_str());
        return 65;
    }
    display_redirection(PRT_DEBUG, "OK");
    return 0;
}

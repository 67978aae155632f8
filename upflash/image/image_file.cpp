// Reading the image file's header from disk. Only the first 512 bytes are read.
#include "image/devices.h"

#include "cli/console.h"
#include "cli/result_codes.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens the image for reading; only regular files and block devices are images. The open is
// non-blocking so that a FIFO in the image's place cannot hold the run up.
int open_image(const char* path) {
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISBLK(st.st_mode))) {
        close(fd);
        return -1;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0)
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

bool read_exactly(int fd, uint8_t* buffer, size_t count) {
    size_t got = 0;
    while (got < count) {
        ssize_t n = pread(fd, buffer + got, count - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

int get_image_file_info(BIN_FILE_INFO* info) {
    int cls = PRT_ERROR;
    char text[IMAGE_HEADER_TEXT_SIZE] = "";

    int fd = open_image(info->imagePath);
    if (fd < 0) {
        display_printf(PRT_DEBUG, "\n   Cannot open %s \n", info->imagePath);
        return RC_OPEN_INPUT_FAILED;
    }
    std::memset(&image_header, 0, sizeof image_header);
    off_t end = lseek(fd, 0, SEEK_END);
    // The record keeps 32 bits; a larger file is held at the largest value it can carry.
    image_header.fileLength =
        end < 0 ? 0u : (static_cast<uint64_t>(end) > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(end));
    if (end < IMAGE_HEADER_SIZE) {
        display_redirection(PRT_DEBUG, "\n   Bad input file size\n");
        close(fd);
        return RC_ERROR_IN_FILE;
    }
    uint8_t* buffer = static_cast<uint8_t*>(std::malloc(IMAGE_HEADER_SIZE));
    if (!buffer) {
        close(fd);
        return RC_OUT_OF_MEMORY;
    }
    int result = RC_SUCCESS;
    if (!read_exactly(fd, buffer, IMAGE_HEADER_SIZE)) {
        display_printf(PRT_DEBUG, "\n   Reading %s error\n", info->imagePath);
        result = RC_ERROR_IN_FILE;
    } else {
        read_image_header(buffer);
        display_redirection(PRT_DEBUG, "\n   Check image file header : ");
        result = valid_file_header(&cls, text, buffer);
        display_redirection(cls, text);
        if (result == RC_SUCCESS) {
            display_redirection(PRT_DEBUG, "   Process devices : ");
            result = process_devices(info, &cls, text);
            display_redirection(cls, text);
        }
    }
    close(fd);
    std::free(buffer);
    return result;
}

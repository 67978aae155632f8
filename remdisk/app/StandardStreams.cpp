#include "app/StandardStreams.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

void ensureStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        int opened = open("/dev/null", O_RDWR);
        if (opened < 0)
            return;
        if (opened != fd) { // a lower descriptor was free after all
            close(opened);
            return;
        }
    }
}

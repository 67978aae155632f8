// A loop block device over an image file, read-only or not, detached on destruction.
// device() is empty (and reason() says why) when loop devices cannot be attached here.
#pragma once

#include <string>
#include <unistd.h>

#include "test_support.h"

class LoopDevice {
public:
    LoopDevice(const std::string& image, bool readOnly) {
        if (geteuid() != 0) {
            why = "loop devices need root";
            return;
        }
        auto r = vtest::run({"/bin/sh", "-c",
                             std::string("PATH=/usr/sbin:/sbin:$PATH losetup -f --show ") +
                                 (readOnly ? "-r " : "") + "'" + image + "'"});
        if (r.status == 0 && r.out.rfind("/dev/", 0) == 0)
            path = r.out.substr(0, r.out.find('\n'));
        else
            why = "losetup failed: " + r.err;
    }
    ~LoopDevice() {
        if (!path.empty())
            vtest::run({"/bin/sh", "-c", "PATH=/usr/sbin:/sbin:$PATH losetup -d " + path});
    }
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;

    const std::string& device() const { return path; }
    const std::string& reason() const { return why; }

    // Sets or clears the block layer's write protection (blockdev --setro / --setrw).
    bool setReadOnly(bool on) {
        auto r = vtest::run({"/bin/sh", "-c", std::string("PATH=/usr/sbin:/sbin:$PATH blockdev ") +
                                                  (on ? "--setro " : "--setrw ") + path});
        return r.status == 0;
    }

private:
    std::string path;
    std::string why;
};

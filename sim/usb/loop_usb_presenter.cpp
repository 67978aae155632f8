#include "usb/tool_run.h"
#include "usb/virtual_usb.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace sim {

namespace {

// Host-wide: an updater recognises the device by its mount point's name, so two simulators
// presenting at once would make each other's runs ambiguous.
constexpr const char* kLockPath = "/tmp/vantro-sim-virtual-usb.lock";

// mountinfo writes blanks, tabs, newlines and backslashes in paths as octal escapes.
std::string unescapeMountField(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size()) {
            const std::string oct = s.substr(i + 1, 3);
            if (oct.size() == 3 && oct.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::strtol(oct.c_str(), nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>* data) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    data->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::string trimmed(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t\r\n");
    const size_t e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// The FAT signature left by fusefat (and other writers) upsets mtools' strict checks; the
// file system itself is sound.
const std::vector<std::string> kMtoolsEnv = {"MTOOLS_SKIP_CHECK=1"};

} // namespace

std::string mountPointOf(const std::string& device) {
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        // id parent major:minor root mountpoint options [optional...] - fstype source superopts
        std::istringstream fields(line);
        std::vector<std::string> f;
        std::string w;
        while (fields >> w) f.push_back(w);
        size_t dash = 0;
        while (dash < f.size() && f[dash] != "-") ++dash;
        if (f.size() < 5 || dash + 2 >= f.size())
            continue;
        if (unescapeMountField(f[dash + 2]) == device)
            return unescapeMountField(f[4]);
    }
    return std::string();
}

LoopUsbPresenter::LoopUsbPresenter() : LoopUsbPresenter(Options()) {}

LoopUsbPresenter::LoopUsbPresenter(Options options) : options_(std::move(options)) {}

LoopUsbPresenter::~LoopUsbPresenter() {
    withdraw();
    releaseLock();
}

void LoopUsbPresenter::releaseLock() {
    if (lockFd_ >= 0) {
        flock(lockFd_, LOCK_UN);
        close(lockFd_);
        lockFd_ = -1;
    }
    reserved_ = false;
}

bool LoopUsbPresenter::machineSupports(std::string* reason) {
    std::string why;
    if (geteuid() != 0)
        why = "attaching loop devices needs root";
    else if (access("/dev/loop-control", R_OK | W_OK) != 0)
        why = "no /dev/loop-control: this machine offers no loop devices";
    else if (findTool("losetup").empty())
        why = "losetup (util-linux) is not installed";
    else if (findTool("mkfs.vfat").empty())
        why = "mkfs.vfat (dosfstools) is not installed";
    else if (findTool("mcopy").empty())
        why = "mcopy (mtools) is not installed";
    if (reason)
        *reason = why;
    return why.empty();
}

bool LoopUsbPresenter::prepareImage(uint32_t sizeMiB, std::string* error) {
    workDir_ = options_.workDir;
    ownWorkDir_ = false;
    if (workDir_.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vantro-usb-XXXXXX";
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        if (!mkdtemp(buf.data())) {
            *error = "cannot create a folder for the virtual USB image: " + std::string(std::strerror(errno));
            return false;
        }
        workDir_ = buf.data();
        ownWorkDir_ = true;
    }
    image_ = workDir_ + "/virtual_usb.img";
    const int fd = open(image_.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(sizeMiB) * 1024 * 1024) != 0) {
        *error = "cannot create the virtual USB image " + image_ + ": " + std::strerror(errno);
        if (fd >= 0) close(fd);
        return false;
    }
    close(fd);
    const ToolResult mkfs = runTool({"mkfs.vfat", "-n", "VANTROUSB", image_});
    if (mkfs.status != 0) {
        *error = "mkfs.vfat failed: " + trimmed(mkfs.output);
        return false;
    }
    return true;
}

void LoopUsbPresenter::removeImage() {
    if (!image_.empty())
        unlink(image_.c_str());
    if (ownWorkDir_ && !workDir_.empty())
        rmdir(workDir_.c_str());
    image_.clear();
    workDir_.clear();
    ownWorkDir_ = false;
}

bool LoopUsbPresenter::reserve(std::string* error) {
    if (!acquireLock(error))
        return false;
    reserved_ = true;
    return true;
}

bool LoopUsbPresenter::acquireLock(std::string* error) {
    std::string scratch;
    if (!error)
        error = &scratch;
    if (lockFd_ >= 0)
        return true;
    lockFd_ = open(kLockPath, O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    if (lockFd_ < 0) {
        *error = std::string("cannot open ") + kLockPath + ": " + std::strerror(errno);
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.lockWaitMs);
    while (flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        const bool busy = errno == EWOULDBLOCK || errno == EINTR;
        if (!busy || std::chrono::steady_clock::now() >= deadline) {
            *error = busy ? "another virtual USB device is presented on this host (lock " + std::string(kLockPath) + ")"
                          : std::string("cannot lock ") + kLockPath + ": " + std::strerror(errno);
            close(lockFd_);
            lockFd_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

bool LoopUsbPresenter::present(unsigned imageMiB, std::string* error) {
    std::string scratch;
    if (!error)
        error = &scratch;
    if (presented())
        return true;
    if (!machineSupports(error))
        return false;
    // The file system takes its share of the device, and the host shows sizes rounded to a
    // tenth: leave room enough that the free size still counts as the image's.
    const uint64_t wanted = std::max<uint64_t>(options_.sizeMiB, uint64_t(imageMiB) + imageMiB / 8 + 2);
    if (options_.sizeMiB == 0 || wanted > 4096) {
        *error = "virtual USB size must be 1 to 4096 MiB";
        return false;
    }

    if (!acquireLock(error))
        return false;
    if (!prepareImage(static_cast<uint32_t>(wanted), error)) {
        removeImage();
        withdraw();
        return false;
    }
    const ToolResult attach = runTool({"losetup", "-f", "--show", image_});
    const std::string device = trimmed(attach.output);
    if (attach.status != 0 || device.compare(0, 9, "/dev/loop") != 0 || device.find('\n') != std::string::npos) {
        *error = "losetup could not attach the virtual USB image: " + trimmed(attach.output);
        removeImage();
        withdraw();
        return false;
    }
    device_ = device;
    return true;
}

void LoopUsbPresenter::withdraw() {
    if (!device_.empty()) {
        // Like pulling the stick out: whatever the host still has mounted goes with it.
        for (int i = 0; i < 3; ++i) {
            const std::string mp = mountPointOf(device_);
            if (mp.empty())
                break;
            runTool({"umount", "-l", mp}, 10000);
        }
        runTool({"losetup", "-d", device_}, 10000);
        device_.clear();
    }
    removeImage();
    if (!reserved_)
        releaseLock();
}

bool LoopUsbPresenter::readImage(std::vector<uint8_t>* data, std::string* error) {
    std::string scratch;
    if (!error)
        error = &scratch;
    data->clear();
    if (!presented()) {
        *error = "no virtual USB device is presented";
        return false;
    }
    // While the host has it mounted, its file system driver owns the device: read through the
    // mount. Otherwise read the file system from the device itself, which shares the kernel's
    // cache of the device with whatever wrote it last.
    const std::string mp = mountPointOf(device_);
    if (!mp.empty()) {
        if (!readWholeFile(mp + "/" + kVirtualUsbImageName, data)) {
            *error = std::string(kVirtualUsbImageName) + " is not on the virtual USB device (mounted on " + mp + ")";
            return false;
        }
        return true;
    }
    const std::string out = image_ + ".read";
    unlink(out.c_str());
    const ToolResult copy =
        runTool({"mcopy", "-n", "-i", device_, std::string("::") + kVirtualUsbImageName, out}, 60000, kMtoolsEnv);
    const bool ok = copy.status == 0 && readWholeFile(out, data);
    unlink(out.c_str());
    if (!ok) {
        *error = std::string(kVirtualUsbImageName) + " could not be read from the virtual USB device: " + trimmed(copy.output);
        data->clear();
    }
    return ok;
}

} // namespace sim

namespace sim {

bool LoopUsbPresenter::present(unsigned imageMiB) {
    lastError_.clear();
    if (present(imageMiB, &lastError_))
        return true;
    std::fprintf(stderr, "vantro-sim: virtual USB device: %s\n", lastError_.c_str());
    return false;
}

bool LoopUsbPresenter::readImage(std::vector<uint8_t>* data) {
    lastError_.clear();
    if (readImage(data, &lastError_))
        return true;
    std::fprintf(stderr, "vantro-sim: virtual USB device: %s\n", lastError_.c_str());
    return false;
}

} // namespace sim

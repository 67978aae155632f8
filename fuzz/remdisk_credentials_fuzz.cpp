// Fuzzes the credential response parsers: the input is the web server's answer; its head is
// scanned line by line for the status and length, and the whole input, as a body, for the
// tagged elements. The fields the element parser fills must stay terminated in their
// bounds, and its position must stay inside the body.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/RemdiskAPP.h"

namespace {

RemdiskAPP& application() {
    static RemdiskAPP* app = [] {
        static char iso[] = "/tmp/remdisk-credentials-fuzz-XXXXXX.iso";
        int fd = mkstemps(iso, 4);
        if (fd >= 0) {
            char block[2048] = {};
            if (write(fd, block, sizeof block) < 0)
                std::perror("write");
            close(fd);
        }
        static std::vector<std::string> args = {"Remdisk", "-r", "h", "-u", "u", "-c", iso};
        static std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(&a[0]);
        auto* made = new RemdiskAPP(static_cast<int>(argv.size()), argv.data());
        unlink(iso);
        return made;
    }();
    return *app;
}

template <size_t N>
void checkTerminated(const char (&field)[N]) {
    if (std::memchr(field, 0, N) == nullptr)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 70000)
        return 0;
    std::string text(reinterpret_cast<const char*>(data), size);
    RemdiskAPP::scanHeaders(text.c_str(), static_cast<int>(text.size()));

    RemdiskAPP& app = application();
    const int length = static_cast<int>(std::strlen(text.c_str()));
    app.scanCredentialBody(text.c_str(), length);
    // Walk every element directly as well.
    app.CleanNode();
    for (int steps = 0; steps < 10000; ++steps) {
        const int before = app.nodePosition;
        app.NextNode(text.c_str());
        checkTerminated(app.nodeName);
        checkTerminated(app.attrName);
        checkTerminated(app.attrValue);
        checkTerminated(app.nodeText);
        if (app.nodePosition < before || app.nodePosition > length)
            __builtin_trap();
        if (app.nodePosition == before)
            break;
        const int last = app.nodePosition;
        app.CleanNode();
        app.nodePosition = last;
    }
    return 0;
}

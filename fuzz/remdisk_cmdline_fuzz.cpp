// Fuzzes the command-line parser: the input, split at NUL bytes, becomes argv[1..]; every
// lookup the program makes is then run over the result, together with the server-argument
// helpers and the image-name classification.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/RemdiskAPP.h"
#include "app/ZentCommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> tokens(1, "Remdisk");
    tokens.emplace_back();
    for (size_t i = 0; i < size && tokens.size() < 256; ++i) {
        if (data[i] == '\0')
            tokens.emplace_back();
        else
            tokens.back().push_back(static_cast<char>(data[i]));
    }
    std::vector<char*> argv;
    for (auto& t : tokens)
        argv.push_back(&t[0]);
    argv.push_back(nullptr);

    ZentCommandLine line;
    int count = line.SplitLine(static_cast<int>(tokens.size()), argv.data());
    if (count < 0 || count > static_cast<int>(tokens.size()))
        __builtin_trap();

    for (const char* name : {"-r", "-u", "-p", "-f", "-c", "-D", "-N", "-v", "-h"}) {
        int values = line.GetArgumentCount(name);
        if (values != -1 && !line.HasSwitch(name))
            __builtin_trap();
        for (int i = -1; i <= values; ++i) {
            std::string safe = line.GetSafeArgument(name, i, "fallback");
            try {
                if (line.GetArgument(name, i) != safe)
                    __builtin_trap();
            } catch (int) {
                if (i >= 0 && i < values)
                    __builtin_trap(); // an existing value must not throw
            }
        }
        std::string first = line.GetSafeArgument(name, 0, "");
        std::string server = ZentCommandLine::GetServerName(first);
        if (server.size() > first.size() || first.compare(0, server.size(), server) != 0)
            __builtin_trap();
        (void)ZentCommandLine::GetServerPort(first);
        (void)RemdiskAPP::checkForFile(first);
        (void)clampedAtoi(first.c_str());
    }
    for (const auto& t : tokens) {
        (void)ZentCommandLine::IsSwitch(t.c_str());
        (void)ZentCommandLine::GetServerPort(t);
    }
    return 0;
}

#include "app/ZentCommandLine.h"

#include <cctype>
#include <climits>
#include <cstdlib>

#include "foundation/ZTrace.h"

int clampedAtoi(const char* text) {
    if (!text)
        return 0;
    long long value = std::strtoll(text, nullptr, 10); // saturates at LLONG_MIN/LLONG_MAX
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

ZentCommandLine::~ZentCommandLine() { ZTRACE(0, "%s Destructor called\n", "ZentCommandLine::"); }

bool ZentCommandLine::IsSwitch(const char* token) {
    return token && token[0] == '-' && token[1] != '\0' &&
           !std::isdigit(static_cast<unsigned char>(token[1]));
}

int ZentCommandLine::SplitLine(int argc, char** argv) {
    switches.clear();
    if (!argv)
        return 0;
    std::string current;
    bool haveCurrent = false;
    for (int i = 1; i < argc; ++i) {
        const char* token = argv[i];
        if (!token)
            continue;
        if (IsSwitch(token)) {
            ZentCmdParam param;
            if (i + 1 < argc && argv[i + 1] && !IsSwitch(argv[i + 1]))
                param.values.emplace_back(argv[++i]);
            current = token;
            haveCurrent = true;
            switches.emplace(current, std::move(param)); // ignored when already present
            continue;
        }
        if (haveCurrent) {
            auto it = switches.find(current);
            if (it != switches.end())
                it->second.values.emplace_back(token);
        }
    }
    return static_cast<int>(switches.size());
}

const ZentCmdParam* ZentCommandLine::find(const char* name) const {
    if (!name)
        return nullptr;
    auto it = switches.find(name);
    return it == switches.end() ? nullptr : &it->second;
}

bool ZentCommandLine::HasSwitch(const char* name) const { return find(name) != nullptr; }

std::string ZentCommandLine::GetArgument(const char* name, int index) const {
    const ZentCmdParam* param = find(name);
    if (!param || index < 0 || static_cast<size_t>(index) >= param->values.size())
        throw 0;
    return param->values[static_cast<size_t>(index)];
}

std::string ZentCommandLine::GetSafeArgument(const char* name, int index,
                                             const char* fallback) const {
    const ZentCmdParam* param = find(name);
    if (!param || index < 0 || static_cast<size_t>(index) >= param->values.size())
        return fallback ? fallback : "";
    return param->values[static_cast<size_t>(index)];
}

int ZentCommandLine::GetArgumentCount(const char* name) const {
    const ZentCmdParam* param = find(name);
    return param ? static_cast<int>(param->values.size()) : -1;
}

std::string ZentCommandLine::GetServerName(std::string arg) {
    size_t colon = arg.find(':');
    return colon == std::string::npos ? arg : arg.substr(0, colon);
}

int ZentCommandLine::GetServerPort(std::string arg) {
    size_t colon = arg.find(':');
    if (colon == std::string::npos)
        return 443;
    return clampedAtoi(arg.c_str() + colon + 1);
}

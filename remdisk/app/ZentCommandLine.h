// Generic switch parser: maps each switch, exactly as typed ("-r"; case-sensitive), to the
// values that follow it. The first occurrence of a repeated switch wins.
#pragma once

#include <map>
#include <string>

#include "app/ZentCmdParam.h"

class ZentCommandLine {
public:
    ZentCommandLine() = default;
    virtual ~ZentCommandLine();

    // Clears the map, parses argv[1] onward and returns the number of distinct switches.
    int SplitLine(int argc, char** argv);
    // A non-null token longer than one character that begins with "-" and whose second
    // character is not a decimal digit (so "-5" and "-" are values).
    static bool IsSwitch(const char* token);
    bool HasSwitch(const char* name) const;
    // Throws the integer 0 when the switch is absent or has no value at index.
    std::string GetArgument(const char* name, int index) const;
    // Like GetArgument, with fallback (or "" when it is null) instead of the exception.
    std::string GetSafeArgument(const char* name, int index, const char* fallback) const;
    // The number of values, or -1 when the switch is absent.
    int GetArgumentCount(const char* name) const;

    // arg up to the first ":", or the whole of arg.
    static std::string GetServerName(std::string arg);
    // 443 without ":"; otherwise the decimal value after the first ":" read as C's atoi
    // does, limited to the int range.
    static int GetServerPort(std::string arg);

private:
    const ZentCmdParam* find(const char* name) const;

    std::map<std::string, ZentCmdParam> switches;
};

// C's atoi, but values beyond the int range are clamped instead of being undefined.
int clampedAtoi(const char* text);

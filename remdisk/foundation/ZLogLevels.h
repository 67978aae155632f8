#pragma once

// Entry levels of ZLog and ZComponentLog (they do not change a ZLog's output).
struct ZLogLevels {
    static constexpr int INFO = 1;
    static constexpr int WARNING = 2;
    static constexpr int ERROR = 3;
    static constexpr int TRACE = 4;
};

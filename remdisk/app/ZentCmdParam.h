// The values given to one command-line switch, in the order typed.
#pragma once

#include <string>
#include <vector>

struct ZentCmdParam {
    std::vector<std::string> values;
};

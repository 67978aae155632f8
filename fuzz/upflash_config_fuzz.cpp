// The configuration file reader's line walk on arbitrary file contents.
#include "cli/config_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CONFIG_TYPE cfg = {180, 90, 60, 4};
    parse_config_text(reinterpret_cast<const char*>(data), size, &cfg);
    return 0;
}

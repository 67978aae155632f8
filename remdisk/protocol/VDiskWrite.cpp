#include "protocol/VDiskWrite.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

bool VDiskWrite::holdsBlocks(int bs) const {
    if (blockCount < 0 || bs < 0)
        return false;
    return int64_t(blockCount) * bs <= int64_t(data.size());
}

int VDiskWrite::getData(unsigned char* dst, int bs) {
    blockSize = bs;
    if (!dst || blockCount <= 0 || bs <= 0)
        return 0;
    int64_t wanted = int64_t(blockCount) * bs;
    int n = static_cast<int>(std::min<int64_t>(wanted, int64_t(data.size())));
    if (n > 0)
        std::memcpy(dst, data.data(), n);
    return n;
}

// MD5 compression (RFC 1321) of one block: the one-lane case of md5::compressLanes.
#include "cipher/md5_compress.h"

#include "cipher/md5_compress_lanes.h"

namespace kelvane {

void md5Compress(std::uint32_t state[4], const std::uint8_t block[64]) {
    std::uint32_t* const states[1] = {state};
    const std::uint8_t* const blocks[1] = {block};
    md5::compressLanes<1>(states, blocks);
}

}  // namespace kelvane

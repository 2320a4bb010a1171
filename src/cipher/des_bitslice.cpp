// Feeds the active kernels' bit-sliced DES whole batches, and makes the round keys
// their slice masks.
#include "cipher/des_bitslice.h"

#include <cstring>

#include "cipher/kernels.h"

namespace kelvane {
namespace {

// The largest batch of any instruction set (AVX-512: 64 slices of 512 bits).
constexpr std::size_t WIDEST_BATCH_BLOCKS = 512;

// A rest of at least this many blocks runs as one padded batch: measured here, the table
// code takes about as long for 55-75 blocks as one batch takes on any instruction set.
constexpr std::size_t PAD_MIN_BLOCKS = 64;

}  // namespace

// Round key bit i of S-box s = (i-1) / 6 sits in schedule word 2r + s % 2 at bit
// 8 * (s / 2) + (i-1) % 6 (the round layout of des_tables.h).
DesSliceKeys desSliceKeys(const DesSchedule& schedule, std::uint16_t direction) {
    DesSliceKeys keys;
    for (int use = 0; use < 16; ++use) {
        const int round = direction != 0 ? use : 15 - use;
        for (int bit = 0; bit < 48; ++bit) {
            const int box = bit / 6;
            const std::uint32_t word = schedule.words[2 * round + box % 2];
            const std::uint32_t value = word >> (8 * (box / 2) + bit % 6) & 1;
            keys.masks[use][bit] = 0u - value;
        }
    }
    return keys;
}

std::size_t desSlicedCrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t blockCount,
                           const DesSliceKeys& keys) {
    const Kernels& kernels = activeKernels();
    const std::size_t batchBlocks = kernels.desBatchBlocks;
    if (batchBlocks == 0) return 0;
    const std::size_t batches = blockCount / batchBlocks;
    const std::size_t rest = blockCount % batchBlocks;
    const bool padRest = rest >= PAD_MIN_BLOCKS;
    if (batches == 0 && !padRest) return 0;

    kernels.desBatches(in, out, batches, keys);
    if (!padRest) return batches * batchBlocks;
    alignas(64) std::uint8_t padded[8 * WIDEST_BATCH_BLOCKS] = {};
    const std::size_t restStart = 8 * batches * batchBlocks;
    std::memcpy(padded, in + restStart, 8 * rest);
    kernels.desBatches(padded, padded, 1, keys);
    std::memcpy(out + restStart, padded, 8 * rest);
    return blockCount;
}

}  // namespace kelvane

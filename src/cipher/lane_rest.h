// What the lane kernels (IDEA, the wide block) do with the blocks left after their
// interleaved runs: whole batches one at a time, then the last part of a batch padded,
// instead of handing them to the scalar code, which is 20 to 40 times slower per block
// than the vectors. Only the kernels_<set>.cpp sources include this (through the lane
// headers).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kelvane::lanes {

// A last part of at least this many blocks runs as a padded batch: measured here, the
// scalar code takes about as long for three or four blocks as one batch of either
// algorithm takes on any instruction set.
constexpr std::size_t PAD_MIN_BLOCKS = 4;

// Runs the blocks from `done` to `blockCount` through `runBatch(batch)`, which enciphers
// one batch of LANES blocks of BLOCK_BYTES bytes in place; returns the blocks done.
template <std::size_t BLOCK_BYTES, std::size_t LANES, class RunBatch>
inline std::size_t runRestInBatches(std::uint8_t* blocks, std::size_t done, std::size_t blockCount,
                                    RunBatch runBatch) {
    for (; done + LANES <= blockCount; done += LANES) runBatch(blocks + BLOCK_BYTES * done);
    const std::size_t rest = blockCount - done;
    if (rest < PAD_MIN_BLOCKS) return done;
    alignas(64) std::uint8_t padded[BLOCK_BYTES * LANES] = {};
    std::memcpy(padded, blocks + BLOCK_BYTES * done, BLOCK_BYTES * rest);
    runBatch(padded);
    std::memcpy(blocks + BLOCK_BYTES * done, padded, BLOCK_BYTES * rest);
    return blockCount;
}

}  // namespace kelvane::lanes

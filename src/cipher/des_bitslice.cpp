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
// code takes about as long for 28 (AVX-512) to 41 (SSE2) blocks as one batch takes.
constexpr std::size_t PAD_MIN_BLOCKS = 32;

// The 48 bits of the round key used `use`-th, bit i-1 being round key bit i. Bit i of
// S-box s = (i-1) / 6 sits in schedule word 2r + s % 2 at bit 8 * (s / 2) + (i-1) % 6
// (the round layout of des_tables.h).
std::uint64_t roundKeyBits(const DesSchedule& schedule, std::uint16_t direction, int use) {
    const int round = direction != 0 ? use : 15 - use;
    std::uint64_t bits = 0;
    for (int box = 0; box < 8; ++box) {
        const std::uint32_t word = schedule.words[2 * round + box % 2];
        bits |= std::uint64_t{word >> (8 * (box / 2)) & 0x3F} << (6 * box);
    }
    return bits;
}

// The masks of the four bits of every nibble: NIBBLE_MASKS.masks[v][k] is all ones when
// bit k of v is 1, else zero.
struct NibbleMasks {
    std::uint32_t masks[16][4];
};
constexpr NibbleMasks makeNibbleMasks() {
    NibbleMasks table{};
    for (unsigned v = 0; v < 16; ++v) {
        for (int k = 0; k < 4; ++k) table.masks[v][k] = 0u - (v >> k & 1);
    }
    return table;
}
constexpr NibbleMasks NIBBLE_MASKS = makeNibbleMasks();

// One mask (all ones or zero) per bit of `bits`, four at a time.
template <int COUNT>
void writeMasks(std::uint64_t bits, std::uint32_t (&masks)[COUNT]) {
    static_assert(COUNT % 4 == 0);
    for (int i = 0; i < COUNT; i += 4) std::memcpy(masks + i, NIBBLE_MASKS.masks[bits >> i & 15], 16);
}

}  // namespace

DesSliceKeys desSliceKeys(const DesSchedule& schedule, std::uint16_t direction) {
    DesSliceKeys keys;
    for (int use = 0; use < 16; ++use) writeMasks(roundKeyBits(schedule, direction, use), keys.masks[use]);
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

// IDEA on vectors of 16-bit lanes (after Lipmaa, 1998): word j of LANES16 blocks sits in
// one vector, so every step of the cipher runs on all of them at once. OPS is one
// instruction set's operations (vector_ops_*.h), and BATCHES independent groups of
// blocks go through the rounds side by side, because each round waits on a chain of
// multiplications. Only the kernels_<set>.cpp sources include this.
#pragma once
#include <cstddef>
#include <cstdint>

#include "cipher/idea.h"
#include "cipher/lane_rest.h"

namespace kelvane::lanes {

// The schedule with each subkey in every lane.
template <class OPS>
struct IdeaLaneSchedule {
    typename OPS::Vec z[IDEA_SUBKEYS];

    explicit IdeaLaneSchedule(const IdeaSchedule& schedule) {
        for (std::size_t i = 0; i < IDEA_SUBKEYS; ++i) z[i] = OPS::broadcast16(schedule.subkeys[i]);
    }
};

// x[j] = word j of the LANES16 consecutive blocks at `blocks`, in a lane order that
// storeIdeaWords undoes.
template <class OPS>
inline void loadIdeaWords(const std::uint8_t* blocks, typename OPS::Vec x[4]) {
    using Vec = typename OPS::Vec;
    constexpr std::size_t STRIDE = sizeof(Vec);
    const Vec r0 = OPS::load(blocks), r1 = OPS::load(blocks + STRIDE);
    const Vec r2 = OPS::load(blocks + 2 * STRIDE), r3 = OPS::load(blocks + 3 * STRIDE);
    // Within a 128-bit lane r holds two blocks; three rounds of interleaving gather each word.
    const Vec t0 = OPS::unpackLow16(r0, r1), t1 = OPS::unpackHigh16(r0, r1);
    const Vec t2 = OPS::unpackLow16(r2, r3), t3 = OPS::unpackHigh16(r2, r3);
    const Vec u0 = OPS::unpackLow16(t0, t1), u1 = OPS::unpackHigh16(t0, t1);
    const Vec u2 = OPS::unpackLow16(t2, t3), u3 = OPS::unpackHigh16(t2, t3);
    x[0] = OPS::unpackLow64(u0, u2);
    x[1] = OPS::unpackHigh64(u0, u2);
    x[2] = OPS::unpackLow64(u1, u3);
    x[3] = OPS::unpackHigh64(u1, u3);
}

// Undoes loadIdeaWords: words 0 and 1, and 2 and 3, paired per block, then the pairs joined.
template <class OPS>
inline void storeIdeaWords(std::uint8_t* blocks, const typename OPS::Vec y[4]) {
    using Vec = typename OPS::Vec;
    constexpr std::size_t STRIDE = sizeof(Vec);
    const Vec a = OPS::unpackLow16(y[0], y[1]), b = OPS::unpackLow16(y[2], y[3]);
    const Vec c = OPS::unpackHigh16(y[0], y[1]), d = OPS::unpackHigh16(y[2], y[3]);
    OPS::store(blocks, OPS::unpackLow32(a, b));
    OPS::store(blocks + STRIDE, OPS::unpackHigh32(a, b));
    OPS::store(blocks + 2 * STRIDE, OPS::unpackLow32(c, d));
    OPS::store(blocks + 3 * STRIDE, OPS::unpackHigh32(c, d));
}

// One round with subkeys z[0] to z[5], as ideaRound in idea.cpp; the middle words come
// out exchanged.
template <class OPS>
inline void ideaLaneRound(typename OPS::Vec x[4], const typename OPS::Vec* z) {
    using Vec = typename OPS::Vec;
    const Vec x1 = OPS::ideaMul(x[0], z[0]);
    const Vec x2 = OPS::add16(x[1], z[1]);
    const Vec x3 = OPS::add16(x[2], z[2]);
    const Vec x4 = OPS::ideaMul(x[3], z[3]);
    const Vec t1 = OPS::ideaMul(OPS::bitXor(x1, x3), z[4]);
    const Vec t2 = OPS::ideaMul(OPS::add16(t1, OPS::bitXor(x2, x4)), z[5]);
    const Vec s = OPS::add16(t1, t2);
    x[0] = OPS::bitXor(x1, t2);
    x[1] = OPS::bitXor(x3, t2);
    x[2] = OPS::bitXor(x2, s);
    x[3] = OPS::bitXor(x4, s);
}

// BATCHES * LANES16 consecutive blocks in place.
template <class OPS, int BATCHES>
inline void ideaCryptLaneBatches(std::uint8_t* blocks, const IdeaLaneSchedule<OPS>& schedule) {
    using Vec = typename OPS::Vec;
    constexpr std::size_t BATCH_BYTES = 8 * OPS::LANES16;
    constexpr std::size_t ROUNDS = 8, SUBKEYS_PER_ROUND = 6, OUTPUT_FIRST_SUBKEY = ROUNDS * SUBKEYS_PER_ROUND;
    Vec x[BATCHES][4];
    for (int b = 0; b < BATCHES; ++b) loadIdeaWords<OPS>(blocks + BATCH_BYTES * b, x[b]);
    for (std::size_t round = 0; round < ROUNDS; ++round) {
        for (int b = 0; b < BATCHES; ++b) ideaLaneRound<OPS>(x[b], schedule.z + SUBKEYS_PER_ROUND * round);
    }
    const Vec* z = schedule.z + OUTPUT_FIRST_SUBKEY;
    for (int b = 0; b < BATCHES; ++b) {
        // The output transformation, undoing the last round's exchange.
        const Vec y[4] = {OPS::ideaMul(x[b][0], z[0]), OPS::add16(x[b][2], z[1]), OPS::add16(x[b][1], z[2]),
                          OPS::ideaMul(x[b][3], z[3])};
        storeIdeaWords<OPS>(blocks + BATCH_BYTES * b, y);
    }
}

// As many whole runs of BATCHES * LANES16 blocks as `blockCount` holds, then the rest a
// batch at a time (runRestInBatches); returns the blocks done, any left being for the
// scalar code.
template <class OPS, int BATCHES>
inline std::size_t ideaCryptLanes(std::uint8_t* blocks, std::size_t blockCount, const IdeaSchedule& schedule) {
    constexpr std::size_t RUN = static_cast<std::size_t>(BATCHES) * OPS::LANES16;
    if (blockCount < RUN) return 0;  // short calls do not pay for the broadcast schedule
    const IdeaLaneSchedule<OPS> lanes(schedule);
    std::size_t done = 0;
    for (; done + RUN <= blockCount; done += RUN) ideaCryptLaneBatches<OPS, BATCHES>(blocks + 8 * done, lanes);
    return runRestInBatches<8, OPS::LANES16>(blocks, done, blockCount,
                                             [&lanes](std::uint8_t* batch) { ideaCryptLaneBatches<OPS, 1>(batch, lanes); });
}

}  // namespace kelvane::lanes

// The wide block on vectors of 32-bit lanes: word i of a half block of LANES32 blocks
// sits in one vector, and the three MD5 compressions of each block run on all lanes at
// once. OPS is one instruction set's operations (vector_ops_*.h); BATCHES independent
// groups go through each compression step by step, since every MD5 step waits on the
// one before. Only the kernels_<set>.cpp sources include this.
#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>

#include "cipher/lane_rest.h"
#include "cipher/md5_compress.h"
#include "cipher/md5_compress_lanes.h"
#include "cipher/wide_block_addends.h"

namespace kelvane::lanes {

// The step addends of both keys, each in every lane.
template <class OPS>
struct WideLaneAddends {
    typename OPS::Vec k1[MD5_STEPS], k2[MD5_STEPS];

    explicit WideLaneAddends(const WideStepAddends& addends) {
        for (std::size_t s = 0; s < MD5_STEPS; ++s) {
            k1[s] = OPS::broadcast32(addends.k1[s]);
            k2[s] = OPS::broadcast32(addends.k2[s]);
        }
    }
};

// The 4 x 4 matrix of 32-bit words in each 128-bit lane of v[0..3] transposed: from one
// half block per vector lane to one word per vector. It is its own inverse.
template <class OPS>
inline void transposeWords(typename OPS::Vec v[4]) {
    using Vec = typename OPS::Vec;
    const Vec t0 = OPS::unpackLow32(v[0], v[1]), t1 = OPS::unpackLow32(v[2], v[3]);
    const Vec t2 = OPS::unpackHigh32(v[0], v[1]), t3 = OPS::unpackHigh32(v[2], v[3]);
    v[0] = OPS::unpackLow64(t0, t1);
    v[1] = OPS::unpackHigh64(t0, t1);
    v[2] = OPS::unpackLow64(t2, t3);
    v[3] = OPS::unpackHigh64(t2, t3);
}

// One compression from the MD5 initial state for BATCHES groups of lanes. The message
// words are copied in, so that the compiler sees that nothing else can change them and
// keeps the state words in registers between steps.
template <class OPS, int BATCHES>
struct Md5LaneCompression {
    using Vec = typename OPS::Vec;
    Vec x[BATCHES][4];
    Vec a[BATCHES], b[BATCHES], c[BATCHES], d[BATCHES];

    explicit Md5LaneCompression(const Vec* const* words) {
        for (int g = 0; g < BATCHES; ++g) {
            for (int i = 0; i < 4; ++i) x[g][i] = words[g][i];
            a[g] = OPS::broadcast32(MD5_INITIAL_STATE[0]);
            b[g] = OPS::broadcast32(MD5_INITIAL_STATE[1]);
            c[g] = OPS::broadcast32(MD5_INITIAL_STATE[2]);
            d[g] = OPS::broadcast32(MD5_INITIAL_STATE[3]);
        }
    }

    // Step STEP, as in md5::compressLanes; x[g] is group g's message words 0 to 3, the
    // addends bring the constant and any key word.
    template <int STEP>
    [[gnu::always_inline]] void step(const Vec* addends) {
        constexpr int WORD = md5::STEP_WORD[STEP];
        for (int g = 0; g < BATCHES; ++g) {
            // What does not depend on the step before is summed first, off the chain.
            Vec early = OPS::add32(a[g], addends[STEP]);
            if constexpr (WORD < 4) early = OPS::add32(early, x[g][WORD]);
            const Vec mixed = OPS::add32(early, OPS::template md5Mix<STEP / 16>(b[g], c[g], d[g]));
            const Vec newB = OPS::add32(b[g], OPS::template rotateLeft32<md5::STEP_SHIFT[STEP]>(mixed));
            a[g] = d[g];
            d[g] = c[g];
            c[g] = b[g];
            b[g] = newB;
        }
    }

    // Inlined into the caller, so that the state never goes through memory (as a call
    // on `this`, GCC stores every state word at every step).
    template <std::size_t... STEPS>
    [[gnu::always_inline]] void run(const Vec* addends, std::index_sequence<STEPS...>) {
        (step<STEPS>(addends), ...);
    }
};

// target[g] ^= H(x[g], K) for each group g, with K given by its step addends.
template <class OPS, int BATCHES>
inline void xorRoundFunction(const typename OPS::Vec* const* x, const typename OPS::Vec* addends,
                             typename OPS::Vec* const* target) {
    Md5LaneCompression<OPS, BATCHES> md5(x);
    md5.run(addends, std::make_index_sequence<MD5_STEPS>());
    for (int g = 0; g < BATCHES; ++g) {
        const typename OPS::Vec words[4] = {md5.a[g], md5.b[g], md5.c[g], md5.d[g]};
        for (int i = 0; i < 4; ++i) {
            const auto h = OPS::add32(words[i], OPS::broadcast32(MD5_INITIAL_STATE[i]));
            target[g][i] = OPS::bitXor(target[g][i], h);
        }
    }
}

// BATCHES * LANES32 consecutive blocks in place. With the halves (P, Q) = (L, R) forward
// and (R, L) backward, the rounds replace Q by T, P by U, then T by V; both directions
// then store the halves exchanged: (V, U) forward, (U, V) backward.
template <class OPS, int BATCHES>
inline void wideCryptLaneBatches(std::uint8_t* blocks, const WideLaneAddends<OPS>& keys, bool forward) {
    using Vec = typename OPS::Vec;
    constexpr std::size_t BATCH_BYTES = 32 * OPS::LANES32;
    Vec halves[BATCHES][2][4];
    Vec *p[BATCHES], *q[BATCHES];
    for (int g = 0; g < BATCHES; ++g) {
        OPS::loadHalves(blocks + BATCH_BYTES * g, halves[g][0], halves[g][1]);
        transposeWords<OPS>(halves[g][0]);
        transposeWords<OPS>(halves[g][1]);
        p[g] = halves[g][forward ? 0 : 1];
        q[g] = halves[g][forward ? 1 : 0];
    }
    xorRoundFunction<OPS, BATCHES>(p, keys.k1, q);  // T = Q ^ H(P, K1)
    xorRoundFunction<OPS, BATCHES>(q, keys.k2, p);  // U = P ^ H(T, K2)
    xorRoundFunction<OPS, BATCHES>(p, keys.k1, q);  // V = T ^ H(U, K1)
    for (int g = 0; g < BATCHES; ++g) {
        transposeWords<OPS>(halves[g][0]);
        transposeWords<OPS>(halves[g][1]);
        OPS::storeHalves(blocks + BATCH_BYTES * g, halves[g][1], halves[g][0]);
    }
}

// As many whole runs of BATCHES * LANES32 blocks as `blockCount` holds, then the rest a
// batch at a time (runRestInBatches); returns the blocks done, any left being for the
// scalar code.
template <class OPS, int BATCHES>
inline std::size_t wideCryptLanes(std::uint8_t* blocks, std::size_t blockCount, const WideStepAddends& addends,
                                  bool forward) {
    constexpr std::size_t RUN = static_cast<std::size_t>(BATCHES) * OPS::LANES32;
    if (blockCount < RUN) return 0;  // short calls do not pay for the broadcast addends
    const WideLaneAddends<OPS> keys(addends);
    std::size_t done = 0;
    for (; done + RUN <= blockCount; done += RUN) wideCryptLaneBatches<OPS, BATCHES>(blocks + 32 * done, keys, forward);
    return runRestInBatches<32, OPS::LANES32>(
        blocks, done, blockCount, [&keys, forward](std::uint8_t* batch) { wideCryptLaneBatches<OPS, 1>(batch, keys, forward); });
}

}  // namespace kelvane::lanes

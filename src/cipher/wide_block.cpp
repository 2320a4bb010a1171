// The wide block over the MD5 compression. Enciphering runs the rounds on (L, R) and
// gives (V, U); deciphering runs the same rounds on the exchanged halves (B, A) = (U, V),
// which recomputes T, then L, then R. Blocks are independent: whole batches go to the
// active vector kernels (kernels.h), and the rest, the reference, two or three at
// a time through multi-lane scalar compressions.
#include "cipher/wide_block.h"

#include <cstring>

#include "cipher/algorithms.h"
#include "cipher/byte_order.h"
#include "cipher/md5_compress.h"
#include "cipher/md5_compress_lanes.h"
#include "cipher/kernels.h"
#include "cipher/subkey_area.h"

namespace kelvane {

namespace {

// Block size of the wide block.
constexpr std::size_t WIDE_BLOCK = 2 * WIDE_HALF;
// Blocks the runner takes side by side: as many MD5 chains as the registers hold
// (measured: three on x86-64, two on 32-bit x86 with its eight registers).
constexpr int WIDE_LANES = sizeof(void*) >= 8 ? 3 : 2;

// out[l] = in[l] ^ H(x[l], k) for each lane: one compression from the MD5 initial state
// of x followed by k, the state words stored least significant byte first.
template <int LANES>
void xorRoundFunction(const std::uint8_t* const* x, const std::uint8_t* k, const std::uint8_t* const* in,
                      std::uint8_t* const* out) {
    std::uint8_t messages[LANES][WIDE_HALF + WIDE_KEY];
    std::uint32_t states[LANES][4];
    std::uint32_t* statePointers[LANES];
    const std::uint8_t* messagePointers[LANES];
    for (int l = 0; l < LANES; ++l) {
        std::memcpy(messages[l], x[l], WIDE_HALF);
        std::memcpy(messages[l] + WIDE_HALF, k, WIDE_KEY);
        std::memcpy(states[l], MD5_INITIAL_STATE, sizeof states[l]);
        statePointers[l] = states[l];
        messagePointers[l] = messages[l];
    }
    md5::compressLanes<LANES>(statePointers, messagePointers);
    for (int l = 0; l < LANES; ++l) {
        for (int i = 0; i < 4; ++i) storeLe32(out[l] + 4 * i, loadLe32(in[l] + 4 * i) ^ states[l][i]);
    }
}

// wideRounds for LANES independent pairs of halves.
template <int LANES>
void wideRoundsLanes(const std::uint8_t* const* p, const std::uint8_t* const* q, const std::uint8_t* k1,
                     const std::uint8_t* k2, std::uint8_t* const* v, std::uint8_t* const* u) {
    std::uint8_t t[LANES][WIDE_HALF];
    std::uint8_t* tOut[LANES];
    const std::uint8_t* tIn[LANES];
    const std::uint8_t* uIn[LANES];
    for (int l = 0; l < LANES; ++l) {
        tOut[l] = t[l];
        tIn[l] = t[l];
        uIn[l] = u[l];
    }
    xorRoundFunction<LANES>(p, k1, q, tOut);   // T = Q ^ H(P, K1)
    xorRoundFunction<LANES>(tIn, k2, p, u);    // U = P ^ H(T, K2)
    xorRoundFunction<LANES>(uIn, k1, tIn, v);  // V = T ^ H(U, K1)
}

// Enciphers (forward) or deciphers LANES consecutive blocks in place.
template <int LANES>
void wideCryptBlocks(std::uint8_t* blocks, const std::uint8_t* subkeys, bool forward) {
    std::uint8_t results[LANES][WIDE_BLOCK];
    const std::uint8_t *p[LANES], *q[LANES];
    std::uint8_t *v[LANES], *u[LANES];
    for (int l = 0; l < LANES; ++l) {
        std::uint8_t* block = blocks + WIDE_BLOCK * l;
        // Forward: (L, R) -> (V, U). Inverse: (A, B) -> rounds on (B, A) -> (U, V).
        p[l] = forward ? block : block + WIDE_HALF;
        q[l] = forward ? block + WIDE_HALF : block;
        v[l] = forward ? results[l] : results[l] + WIDE_HALF;
        u[l] = forward ? results[l] + WIDE_HALF : results[l];
    }
    wideRoundsLanes<LANES>(p, q, subkeys, subkeys + WIDE_KEY, v, u);
    std::memcpy(blocks, results, sizeof results);
}

// The first message word of a compression that comes from the key (words 0 to 3 are X).
constexpr std::size_t FIRST_KEY_WORD = WIDE_HALF / 4;

// Message word `word` of H(X, key) if it is a key word, else 0.
std::uint32_t keyWordOrZero(const std::uint8_t* key, std::size_t word) {
    return word < FIRST_KEY_WORD ? 0 : loadLe32(key + 4 * (word - FIRST_KEY_WORD));
}

// The step addends of K1 and K2 (the first 96 bytes of `subkeys`) for the vector kernels.
WideStepAddends stepAddends(const std::uint8_t* subkeys) {
    WideStepAddends addends;
    for (std::size_t s = 0; s < MD5_STEPS; ++s) {
        addends.k1[s] = md5::STEP_CONSTANT[s] + keyWordOrZero(subkeys, md5::STEP_WORD[s]);
        addends.k2[s] = md5::STEP_CONSTANT[s] + keyWordOrZero(subkeys + WIDE_KEY, md5::STEP_WORD[s]);
    }
    return addends;
}

}  // namespace

void wideRounds(const std::uint8_t p[WIDE_HALF], const std::uint8_t q[WIDE_HALF],
                const std::uint8_t k1[WIDE_KEY], const std::uint8_t k2[WIDE_KEY],
                std::uint8_t v[WIDE_HALF], std::uint8_t u[WIDE_HALF]) {
    const std::uint8_t* const ps[1] = {p};
    const std::uint8_t* const qs[1] = {q};
    std::uint8_t* const vs[1] = {v};
    std::uint8_t* const us[1] = {u};
    wideRoundsLanes<1>(ps, qs, k1, k2, vs, us);
}

void wideForward(const std::uint8_t block[32], const std::uint8_t* subkeys,
                 std::uint8_t result[32]) {
    wideRounds(block, block + WIDE_HALF, subkeys, subkeys + WIDE_KEY, result, result + WIDE_HALF);
}

void wideInverse(const std::uint8_t block[32], const std::uint8_t* subkeys,
                 std::uint8_t result[32]) {
    wideRounds(block + WIDE_HALF, block, subkeys, subkeys + WIDE_KEY, result + WIDE_HALF, result);
}

void wideCryptBuffer(std::uint8_t* buffer, std::size_t blockCount, const std::uint8_t*,
                     std::uint16_t direction) {
    // K1 and K2 as they stand when the call begins; the caller's key is not read.
    std::uint8_t subkeys[2 * WIDE_KEY];
    std::memcpy(subkeys, subkeyAreaBytes(), sizeof subkeys);
    const bool forward = direction != 0;
    std::size_t i = activeKernels().wide(buffer, blockCount, stepAddends(subkeys), forward);
    for (; i + WIDE_LANES <= blockCount; i += WIDE_LANES) {
        wideCryptBlocks<WIDE_LANES>(buffer + WIDE_BLOCK * i, subkeys, forward);
    }
    for (; i < blockCount; ++i) wideCryptBlocks<1>(buffer + WIDE_BLOCK * i, subkeys, forward);
}

}  // namespace kelvane

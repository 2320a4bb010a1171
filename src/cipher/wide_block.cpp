// The wide block over md5Compress. Enciphering runs the rounds on (L, R) and gives
// (V, U); deciphering runs the same rounds on the exchanged halves (B, A) = (U, V),
// which recomputes T, then L, then R.
#include "cipher/wide_block.h"

#include <cstring>

#include "cipher/algorithms.h"
#include "cipher/byte_order.h"
#include "cipher/md5_compress.h"
#include "cipher/subkey_area.h"

namespace kelvane {

namespace {

// Block size of the wide block.
constexpr std::size_t WIDE_BLOCK = 2 * WIDE_HALF;

// out = in ^ H(x, k): one compression from the MD5 initial state of x followed by k,
// the state words stored least significant byte first.
void xorRoundFunction(const std::uint8_t* x, const std::uint8_t* k, const std::uint8_t* in,
                      std::uint8_t* out) {
    std::uint8_t message[WIDE_HALF + WIDE_KEY];
    std::memcpy(message, x, WIDE_HALF);
    std::memcpy(message + WIDE_HALF, k, WIDE_KEY);
    std::uint32_t state[4] = {MD5_INITIAL_STATE[0], MD5_INITIAL_STATE[1], MD5_INITIAL_STATE[2],
                              MD5_INITIAL_STATE[3]};
    md5Compress(state, message);
    for (int i = 0; i < 4; ++i) storeLe32(out + 4 * i, loadLe32(in + 4 * i) ^ state[i]);
}

}  // namespace

void wideRounds(const std::uint8_t p[WIDE_HALF], const std::uint8_t q[WIDE_HALF],
                const std::uint8_t k1[WIDE_KEY], const std::uint8_t k2[WIDE_KEY],
                std::uint8_t v[WIDE_HALF], std::uint8_t u[WIDE_HALF]) {
    std::uint8_t t[WIDE_HALF];
    xorRoundFunction(p, k1, q, t);
    xorRoundFunction(t, k2, p, u);
    xorRoundFunction(u, k1, t, v);
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
    const auto transform = direction != 0 ? wideForward : wideInverse;
    for (std::size_t i = 0; i < blockCount; ++i) {
        std::uint8_t* block = buffer + WIDE_BLOCK * i;
        std::uint8_t result[WIDE_BLOCK];
        transform(block, subkeys, result);
        std::memcpy(block, result, WIDE_BLOCK);
    }
}

}  // namespace kelvane

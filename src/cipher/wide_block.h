// The wide block: a 32-byte block cipher of three Feistel-like half rounds whose
// round function H(X, K) is one MD5 compression of X (16 bytes) followed by K (48
// bytes). Its key material is not the caller's key but subkeyArea: K1 is bytes 0-47
// and K2 bytes 48-95.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kelvane {

// Bytes in a half block and in each of K1 and K2.
constexpr std::size_t WIDE_HALF = 16;
constexpr std::size_t WIDE_KEY = 48;

// With T = Q ^ H(P, K1): u = P ^ H(T, K2) and v = T ^ H(u, K1).
void wideRounds(const std::uint8_t p[WIDE_HALF], const std::uint8_t q[WIDE_HALF],
                const std::uint8_t k1[WIDE_KEY], const std::uint8_t k2[WIDE_KEY],
                std::uint8_t v[WIDE_HALF], std::uint8_t u[WIDE_HALF]);
// Enciphers a 32-byte block into `result` under K1 and K2, the first 96 bytes of
// `subkeys` (subkeyArea or a copy of it).
void wideForward(const std::uint8_t block[32], const std::uint8_t* subkeys,
                 std::uint8_t result[32]);
// Undoes wideForward under the same area contents.
void wideInverse(const std::uint8_t block[32], const std::uint8_t* subkeys,
                 std::uint8_t result[32]);

}  // namespace kelvane

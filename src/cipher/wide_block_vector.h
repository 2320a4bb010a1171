// The wide block's vector paths, one per instruction set (wide_block_sse2.cpp,
// wide_block_avx2.cpp, wide_block_avx512.cpp). Each enciphers (forward) or deciphers as
// many whole batches of consecutive 32-byte blocks in place as `blockCount` holds and
// returns the blocks it did; the caller does the rest with the scalar code. Call one
// only when activeVectorPath() allows its instruction set.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kelvane {

// MD5 steps in one compression.
constexpr std::size_t MD5_STEPS = 64;

// What each MD5 step adds besides the state, for the two keys of the wide block. Words 4
// to 15 of every message are K1's or K2's words, the same in every lane, so each step's
// constant and key word are summed once per call; steps that read words 0 to 3 (the
// lane's own half block) get their constant alone.
struct WideStepAddends {
    std::uint32_t k1[MD5_STEPS];
    std::uint32_t k2[MD5_STEPS];
};

std::size_t wideCryptSse2(std::uint8_t* blocks, std::size_t blockCount, const WideStepAddends& addends,
                          bool forward);
std::size_t wideCryptAvx2(std::uint8_t* blocks, std::size_t blockCount, const WideStepAddends& addends,
                          bool forward);
std::size_t wideCryptAvx512(std::uint8_t* blocks, std::size_t blockCount, const WideStepAddends& addends,
                            bool forward);

}  // namespace kelvane

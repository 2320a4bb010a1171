// What the wide block's vector kernels take besides the blocks: each MD5 step's addend
// for K1 and K2, summed once per call (wide_block.cpp) instead of once per lane.
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

}  // namespace kelvane

// The module's linear congruential generator that draws the file keys. Its state lives
// as long as the loaded library and starts from the same value at every load.
#pragma once
#include <cstdint>

namespace kelvane {

// The state at load time: any fixed value serves, this one is kept so that the first
// file key after a load never changes between releases.
constexpr std::uint32_t MODULE_RAND_SEED = 0x4B454C56u;  // "KELV"

// Advances the state (state * 214013 + 2531011 mod 2^32) and returns bits 16-30, 0 to 32767.
int moduleRand();

// The current state, for callers that need to predict the next draws; never changes it.
std::uint32_t moduleRandState();

}  // namespace kelvane

#include "crypt/module_rand.h"

namespace kelvane {
namespace {

// Multiplier and increment of the recurrence.
constexpr std::uint32_t RAND_MULTIPLIER = 214013u;
constexpr std::uint32_t RAND_INCREMENT = 2531011u;

// Module-wide and unlocked: the host calls one export at a time.
std::uint32_t randState = MODULE_RAND_SEED;

}  // namespace

int moduleRand() {
    randState = randState * RAND_MULTIPLIER + RAND_INCREMENT;  // unsigned: wraps mod 2^32
    return static_cast<int>((randState >> 16) & 0x7FFFu);
}

std::uint32_t moduleRandState() { return randState; }

}  // namespace kelvane

// IDEA on 16-bit words held in 32-bit integers, so that the multiplication modulo
// 65537 is one 32-bit product and a few steps without comparisons (the one branch,
// for a zero factor, is rarely taken and so well predicted). This is the reference and
// the code for tails; whole batches of blocks go to the active vector kernels (kernels.h).
#include "cipher/idea.h"

#include "cipher/algorithms.h"
#include "cipher/byte_order.h"
#include "cipher/cipher.h"
#include "cipher/subkey_area.h"
#include "cipher/kernels.h"

namespace kelvane {

namespace {

// Rounds before the output transformation, and subkeys each takes.
constexpr std::size_t IDEA_ROUNDS = 8;
constexpr std::size_t SUBKEYS_PER_ROUND = 6;
// First subkey of the output transformation (Z48).
constexpr std::size_t OUTPUT_FIRST_SUBKEY = IDEA_ROUNDS * SUBKEYS_PER_ROUND;
// Blocks enciphered side by side, so that their multiplication chains overlap
// (three measured fastest on x86-64; on i686, two to four are alike).
constexpr std::size_t INTERLEAVED_BLOCKS = 3;

// ideaMul on values below 65536. A zero product can only come from a zero factor
// (65536), and then the result is 65537 - other factor. Otherwise p mod 65537 is
// low - high, plus 65537 when that is negative (low never equals high); the borrow
// shows as 0xFFFF in the top half of the 32-bit difference, so subtracting that top
// half adds the 1 without a comparison.
inline std::uint32_t mulModulo(std::uint32_t a, std::uint32_t b) {
    const std::uint32_t product = a * b;
    if (product == 0) return (1u - a - b) & 0xFFFF;
    const std::uint32_t difference = (product & 0xFFFF) - (product >> 16);
    return (difference - (difference >> 16)) & 0xFFFF;
}

// The four words of one block, each below 65536.
struct IdeaWords {
    std::uint32_t x1, x2, x3, x4;
};

inline IdeaWords loadWords(const std::uint8_t* block) {
    return {loadLe16(block), loadLe16(block + 2), loadLe16(block + 4), loadLe16(block + 6)};
}

// One round with the subkeys z[0] to z[5]; the middle words come out exchanged.
inline void ideaRound(IdeaWords& w, const std::uint32_t* z) {
    const std::uint32_t x1 = mulModulo(w.x1, z[0]);
    const std::uint32_t x2 = (w.x2 + z[1]) & 0xFFFF;
    const std::uint32_t x3 = (w.x3 + z[2]) & 0xFFFF;
    const std::uint32_t x4 = mulModulo(w.x4, z[3]);
    const std::uint32_t t1 = mulModulo(z[4], x1 ^ x3);
    const std::uint32_t t2 = mulModulo(z[5], (t1 + (x2 ^ x4)) & 0xFFFF);
    const std::uint32_t s = (t1 + t2) & 0xFFFF;
    w = {x1 ^ t2, x3 ^ t2, x2 ^ s, x4 ^ s};
}

// The output transformation with Z48 to Z51, undoing the last round's exchange.
inline void storeOutput(const IdeaWords& w, const std::uint32_t* z, std::uint8_t* block) {
    storeLe16(block, mulModulo(w.x1, z[0]));
    storeLe16(block + 2, w.x3 + z[1]);
    storeLe16(block + 4, w.x2 + z[2]);
    storeLe16(block + 6, mulModulo(w.x4, z[3]));
}

// `count` blocks from `input` to `output` (which may be the same bytes), round by round.
template <std::size_t count>
inline void cryptGroup(const std::uint8_t* input, std::uint8_t* output, const std::uint32_t* z) {
    IdeaWords words[count];
    for (std::size_t b = 0; b < count; ++b) words[b] = loadWords(input + 8 * b);
    for (std::size_t round = 0; round < IDEA_ROUNDS; ++round) {
        for (std::size_t b = 0; b < count; ++b) ideaRound(words[b], z + SUBKEYS_PER_ROUND * round);
    }
    for (std::size_t b = 0; b < count; ++b) {
        storeOutput(words[b], z + OUTPUT_FIRST_SUBKEY, output + 8 * b);
    }
}

// The schedule widened to 32-bit words, kept in the caller's frame.
struct ScheduleWords {
    std::uint32_t z[IDEA_SUBKEYS];
};

inline ScheduleWords widen(const IdeaSchedule& schedule) {
    ScheduleWords wide;
    for (std::size_t i = 0; i < IDEA_SUBKEYS; ++i) wide.z[i] = schedule.subkeys[i];
    return wide;
}

// Additive inverse modulo 65536.
inline std::uint16_t negate(std::uint16_t v) { return static_cast<std::uint16_t>(0x10000 - v); }

}  // namespace

std::uint16_t ideaMul(std::uint16_t a, std::uint16_t b) {
    return static_cast<std::uint16_t>(mulModulo(a, b));
}

std::uint16_t ideaInverse(std::uint16_t x) {
    if (x <= 1) return x;
    // Extended Euclid on (65537, x), tracking only the coefficient of x.
    std::int32_t remainder = 0x10001, next = x;
    std::int32_t coefficient = 0, nextCoefficient = 1;
    while (next != 0) {
        const std::int32_t quotient = remainder / next;
        const std::int32_t r = remainder - quotient * next;
        remainder = next;
        next = r;
        const std::int32_t c = coefficient - quotient * nextCoefficient;
        coefficient = nextCoefficient;
        nextCoefficient = c;
    }
    if (coefficient < 0) coefficient += 0x10001;
    return static_cast<std::uint16_t>(coefficient);
}

void ideaMakeSchedule(const std::uint8_t key[16], IdeaSchedule& destination) {
    std::uint16_t* z = destination.subkeys;
    for (std::size_t p = 0; p < 8; ++p) z[p] = loadLe16(key + 2 * p);
    // Each group of eight is the previous one, as a 128-bit number, rotated left by 25.
    for (std::size_t p = 8; p < IDEA_SUBKEYS; ++p) {
        std::uint32_t high, low;
        if ((p + 2) % 8 == 0) {
            high = z[p - 7], low = z[p - 14];
        } else if ((p + 1) % 8 == 0) {
            high = z[p - 15], low = z[p - 14];
        } else {
            high = z[p - 7], low = z[p - 6];
        }
        z[p] = static_cast<std::uint16_t>(high << 9 | low >> 7);
    }
}

void ideaInvertSchedule(const IdeaSchedule& source, IdeaSchedule& destination) {
    const std::uint16_t* z = source.subkeys;
    IdeaSchedule inverted;
    std::uint16_t* d = inverted.subkeys;
    for (std::size_t i = 0; i <= IDEA_ROUNDS; ++i) {
        const std::size_t j = OUTPUT_FIRST_SUBKEY - SUBKEYS_PER_ROUND * i;
        const std::size_t k = SUBKEYS_PER_ROUND * i;
        // The additions of the first and last steps act on words the rounds left exchanged.
        const bool outerStep = i == 0 || i == IDEA_ROUNDS;
        d[k] = ideaInverse(z[j]);
        d[k + 1] = negate(z[outerStep ? j + 1 : j + 2]);
        d[k + 2] = negate(z[outerStep ? j + 2 : j + 1]);
        d[k + 3] = ideaInverse(z[j + 3]);
        if (i < IDEA_ROUNDS) {
            d[k + 4] = z[j - 2];
            d[k + 5] = z[j - 1];
        }
    }
    destination = inverted;
}

void ideaCryptBlock(const std::uint8_t input[8], std::uint8_t output[8],
                    const IdeaSchedule& schedule) {
    const ScheduleWords wide = widen(schedule);
    cryptGroup<1>(input, output, wide.z);
}

void ideaCryptBlocks(std::uint8_t* blocks, std::size_t blockCount, const IdeaSchedule& schedule) {
    std::size_t done = activeKernels().idea(blocks, blockCount, schedule);
    const ScheduleWords wide = widen(schedule);
    for (; done + INTERLEAVED_BLOCKS <= blockCount; done += INTERLEAVED_BLOCKS) {
        std::uint8_t* group = blocks + 8 * done;
        cryptGroup<INTERLEAVED_BLOCKS>(group, group, wide.z);
    }
    for (; done < blockCount; ++done) cryptGroup<1>(blocks + 8 * done, blocks + 8 * done, wide.z);
}

void ideaCryptBuffer(std::uint8_t* buffer, std::size_t blockCount, const std::uint8_t* key,
                     std::uint16_t direction) {
    IdeaSchedule schedule;
    ideaMakeSchedule(key, schedule);
    if (direction == CIPHER_DECRYPT) ideaInvertSchedule(schedule, schedule);
    // The area keeps this call's schedule for later calls (the wide block's key material).
    storeSubkeyArea(schedule);
    ideaCryptBlocks(buffer, blockCount, schedule);
}

}  // namespace kelvane

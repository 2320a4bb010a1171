// IDEA (Lai and Massey): 8 rounds and an output transformation on 64-bit blocks under
// a 128-bit key. Key and block bytes form 16-bit words least significant byte first
// (word j = byte 2j + 256 * byte 2j+1), and results are stored the same way.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kelvane {

// Subkeys in a schedule: six for each of the 8 rounds, four for the output.
constexpr std::size_t IDEA_SUBKEYS = 52;

// Subkeys Z0 to Z51, in the order ideaCryptBlock uses them.
struct IdeaSchedule {
    std::uint16_t subkeys[IDEA_SUBKEYS];
};

// Product modulo 65537, where 0 stands for 65536.
std::uint16_t ideaMul(std::uint16_t a, std::uint16_t b);
// Multiplicative inverse modulo 65537 (0 and 1 are their own inverses).
std::uint16_t ideaInverse(std::uint16_t x);

// The encryption schedule of a 16-byte key.
void ideaMakeSchedule(const std::uint8_t key[16], IdeaSchedule& destination);
// The decryption schedule of an encryption schedule; source and destination may be one.
void ideaInvertSchedule(const IdeaSchedule& source, IdeaSchedule& destination);
// One block through the schedule; input and output may be the same bytes.
void ideaCryptBlock(const std::uint8_t input[8], std::uint8_t output[8],
                    const IdeaSchedule& schedule);
// `blockCount` consecutive blocks in place, as ideaCryptBlock would give them: whole
// batches on the active vector kernels, the rest one to three at a time.
void ideaCryptBlocks(std::uint8_t* blocks, std::size_t blockCount, const IdeaSchedule& schedule);

}  // namespace kelvane

// IDEA's vector paths, one per instruction set (idea_sse2.cpp, idea_avx2.cpp,
// idea_avx512.cpp). Each enciphers as many whole batches of consecutive blocks in place
// as `blockCount` holds and returns the blocks it did; the caller does the rest with the
// scalar code. Call one only when activeVectorPath() allows its instruction set.
#pragma once
#include <cstddef>
#include <cstdint>

#include "cipher/idea.h"

namespace kelvane {

std::size_t ideaCryptSse2(std::uint8_t* blocks, std::size_t blockCount, const IdeaSchedule& schedule);
std::size_t ideaCryptAvx2(std::uint8_t* blocks, std::size_t blockCount, const IdeaSchedule& schedule);
std::size_t ideaCryptAvx512(std::uint8_t* blocks, std::size_t blockCount, const IdeaSchedule& schedule);

}  // namespace kelvane

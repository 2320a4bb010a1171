// IDEA's avx512 path: the generic lane code on this instruction set's vectors.
#include "cipher/idea_lanes.h"
#include "cipher/idea_vector.h"
#include "cipher/vector_ops_avx512.h"

namespace kelvane {

namespace {

// Batches interleaved: what the registers hold (16 on x86-64, 8 on 32-bit x86).
constexpr int BATCHES = sizeof(void*) >= 8 ? 3 : 2;

}  // namespace

std::size_t ideaCryptAvx512(std::uint8_t* blocks, std::size_t blockCount, const IdeaSchedule& schedule) {
    return lanes::ideaCryptLanes<Avx512Ops, BATCHES>(blocks, blockCount, schedule);
}

}  // namespace kelvane

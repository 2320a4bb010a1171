// IDEA's avx2 path: the generic lane code on this instruction set's vectors.
#include "cipher/idea_lanes.h"
#include "cipher/idea_vector.h"
#include "cipher/vector_ops_avx2.h"

namespace kelvane {

namespace {

// Batches interleaved, measured: three beat two and four on x86-64 and on 32-bit x86
// alike (where, with 8 registers, they spill).
constexpr int BATCHES = 3;

}  // namespace

std::size_t ideaCryptAvx2(std::uint8_t* blocks, std::size_t blockCount, const IdeaSchedule& schedule) {
    return lanes::ideaCryptLanes<Avx2Ops, BATCHES>(blocks, blockCount, schedule);
}

}  // namespace kelvane

// The wide block's avx512 path: the generic lane code on this instruction set's vectors.
#include "cipher/vector_ops_avx512.h"
#include "cipher/wide_block_lanes.h"
#include "cipher/wide_block_vector.h"

namespace kelvane {

namespace {

// Groups of lanes interleaved through each compression, measured:
// three on x86-64, two on 32-bit x86 (where, with 8 registers,
// more only spill).
constexpr int BATCHES = sizeof(void*) >= 8 ? 3 : 2;

}  // namespace

std::size_t wideCryptAvx512(std::uint8_t* blocks, std::size_t blockCount, const WideStepAddends& addends,
                          bool forward) {
    return lanes::wideCryptLanes<Avx512Ops, BATCHES>(blocks, blockCount, addends, forward);
}

}  // namespace kelvane

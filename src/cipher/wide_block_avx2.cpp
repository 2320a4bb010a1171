// The wide block's avx2 path: the generic lane code on this instruction set's vectors.
#include "cipher/vector_ops_avx2.h"
#include "cipher/wide_block_lanes.h"
#include "cipher/wide_block_vector.h"

namespace kelvane {

namespace {

// Groups of lanes interleaved through each compression, measured:
// three beat two and four, on x86-64 and on 32-bit x86 alike.
constexpr int BATCHES = 3;

}  // namespace

std::size_t wideCryptAvx2(std::uint8_t* blocks, std::size_t blockCount, const WideStepAddends& addends,
                          bool forward) {
    return lanes::wideCryptLanes<Avx2Ops, BATCHES>(blocks, blockCount, addends, forward);
}

}  // namespace kelvane

// The AVX2 kernels: every algorithm's generic lane code on 256-bit vectors.
#include "cipher/des_bitslice_batch.h"
#include "cipher/hex_lanes.h"
#include "cipher/idea_lanes.h"
#include "cipher/kernels.h"
#include "cipher/vector_ops_avx2.h"
#include "cipher/wide_block_lanes.h"

namespace kelvane {
namespace {

// IDEA batches interleaved, measured: three beat two and four on x86-64 and on 32-bit x86
// alike (where, with 8 registers, they spill).
constexpr int IDEA_BATCHES = 3;
// Wide block groups of lanes interleaved through each compression, measured: three beat
// two and four, on x86-64 and on 32-bit x86 alike.
constexpr int WIDE_BATCHES = 3;

}  // namespace

extern const Kernels AVX2_KERNELS = {
    InstructionSet::Avx2,
    des::BATCH_BLOCKS<Avx2Ops>,
    des::cryptBatches<Avx2Ops>,
    lanes::ideaCryptLanes<Avx2Ops, IDEA_BATCHES>,
    lanes::wideCryptLanes<Avx2Ops, WIDE_BATCHES>,
    hex::encodeHexLanes<Avx2Ops>,
    hex::decodeHexLanes<Avx2Ops>,
};

}  // namespace kelvane

// The SSE2 kernels: every algorithm's generic lane code on 128-bit vectors.
#include "cipher/des_bitslice_batch.h"
#include "cipher/hex_lanes.h"
#include "cipher/idea_lanes.h"
#include "cipher/kernels.h"
#include "cipher/vector_ops_sse2.h"
#include "cipher/wide_block_lanes.h"

namespace kelvane {
namespace {

// IDEA batches interleaved, measured: three beat two and four on x86-64 and on 32-bit x86
// alike (where, with 8 registers, they spill).
constexpr int IDEA_BATCHES = 3;
// Wide block groups of lanes interleaved through each compression, measured: four on
// x86-64, two on 32-bit x86 (where, with 8 registers, more only spill).
constexpr int WIDE_BATCHES = sizeof(void*) >= 8 ? 4 : 2;

}  // namespace

extern const Kernels SSE2_KERNELS = {
    InstructionSet::Sse2,
    des::BATCH_BLOCKS<Sse2Ops>,
    des::cryptBatches<Sse2Ops>,
    lanes::ideaCryptLanes<Sse2Ops, IDEA_BATCHES>,
    lanes::wideCryptLanes<Sse2Ops, WIDE_BATCHES>,
    hex::encodeHexLanes<Sse2Ops>,
    hex::decodeHexLanes<Sse2Ops>,
};

}  // namespace kelvane

// The AVX-512 kernels: every algorithm's generic lane code on 512-bit vectors, but hex,
// which has no AVX-512 body and runs AVX2's (AVX-512 holds AVX2).
#include "cipher/des_bitslice_batch.h"
#include "cipher/hex_lanes.h"
#include "cipher/idea_lanes.h"
#include "cipher/kernels.h"
#include "cipher/vector_ops_avx2.h"
#include "cipher/vector_ops_avx512.h"
#include "cipher/wide_block_lanes.h"

namespace kelvane {
namespace {

// IDEA batches interleaved, measured: three beat two and four on x86-64 and on 32-bit x86
// alike (where, with 8 registers, they spill).
constexpr int IDEA_BATCHES = 3;
// Wide block groups of lanes interleaved through each compression, measured: three on
// x86-64, two on 32-bit x86 (where, with 8 registers, more only spill).
constexpr int WIDE_BATCHES = sizeof(void*) >= 8 ? 3 : 2;

}  // namespace

extern const Kernels AVX512_KERNELS = {
    InstructionSet::Avx512,
    des::BATCH_BLOCKS<Avx512Ops>,
    des::cryptBatches<Avx512Ops>,
    lanes::ideaCryptLanes<Avx512Ops, IDEA_BATCHES>,
    lanes::wideCryptLanes<Avx512Ops, WIDE_BATCHES>,
    hex::encodeHexLanes<Avx2Ops>,
    hex::decodeHexLanes<Avx2Ops>,
};

}  // namespace kelvane

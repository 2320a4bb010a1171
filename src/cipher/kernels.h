// The vector kernels, one table per instruction set, chosen once (the way BLAKE3
// dispatches): kernels_sse2.cpp, kernels_avx2.cpp and kernels_avx512.cpp each fill one
// table with the generic lane code of every algorithm instantiated on that set's
// operations (vector_ops_<set>.h) and are built with that set's flags; kernels.cpp picks
// the table once, from what the processor offers and KELVANE_CIPHER_PATH allows. The
// algorithms call through the table and finish with their scalar code whatever it leaves.
//
// Hex sits in this layer, beside the byte order and the XOR block, so that its kernels
// share the table: crypt reads hex from below, and nothing here reaches up into crypt.
#pragma once
#include <cstddef>
#include <cstdint>

#include "cipher/des.h"
#include "cipher/idea.h"
#include "cipher/instruction_set.h"
#include "cipher/wide_block_addends.h"

namespace kelvane {

struct Kernels {
    InstructionSet set;
    // Bit-sliced DES: blocks in one batch (0: none), and `batchCount` whole batches from
    // `in` to `out` (the same buffer, or two that do not overlap).
    std::size_t desBatchBlocks;
    void (*desBatches)(const std::uint8_t* in, std::uint8_t* out, std::size_t batchCount, const DesSliceKeys& keys);
    // The others take as many whole batches from the start as the count holds and return
    // how many blocks (hex: bytes) they did; the caller's scalar code does the rest.
    std::size_t (*idea)(std::uint8_t* blocks, std::size_t blockCount, const IdeaSchedule& schedule);
    std::size_t (*wide)(std::uint8_t* blocks, std::size_t blockCount, const WideStepAddends& addends,
                        bool forward);
    std::size_t (*encodeHex)(const std::uint8_t* bytes, std::size_t count, char* text);
    std::size_t (*decodeHex)(const char* text, std::size_t count, std::uint8_t* bytes);
};

// One table per instruction set, each defined in its kernels_<set>.cpp.
extern const Kernels SSE2_KERNELS;
extern const Kernels AVX2_KERNELS;
extern const Kernels AVX512_KERNELS;

// The table in use: the allowed set's, chosen at the first call.
const Kernels& activeKernels();
// The set of that table.
InstructionSet activeInstructionSet();
// Tests only: uses `set`, or the offered set when that is lower. Returns the set now in use.
InstructionSet forceInstructionSet(InstructionSet set);

}  // namespace kelvane

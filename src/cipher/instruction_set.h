// The x86 instruction sets the engine has kernels for, what this processor and system
// offer (CPUID and XGETBV), and the cap the environment variable KELVANE_CIPHER_PATH may
// put on them. kernels.h chooses the kernels from these once; every set gives the same
// bytes as the scalar code.
#pragma once

namespace kelvane {

// Ordered: each set needs everything the one below it needs.
enum class InstructionSet : int {
    Scalar = 0,  // plain C++, the reference every other set is tested against
    Sse2 = 1,    // 128-bit integer vectors
    Avx2 = 2,    // 256-bit integer vectors (AVX2, with the system saving YMM state)
    Avx512 = 3,  // 512-bit vectors: AVX-512 F, BW and VL, with the system saving ZMM state
};

// Environment variable that caps the set: "scalar", "sse2", "avx2" or "avx512". Its name
// predates the word "instruction set" here and stays, being documented.
constexpr const char* INSTRUCTION_SET_VARIABLE = "KELVANE_CIPHER_PATH";

// The widest set this processor and system offer.
InstructionSet offeredInstructionSet();
// The offered set, capped by the environment variable.
InstructionSet allowedInstructionSet();
// The lower of two sets.
InstructionSet lowerInstructionSet(InstructionSet a, InstructionSet b);
// Lower-case name of a set, for benchmarks and test messages.
const char* instructionSetName(InstructionSet set);

}  // namespace kelvane

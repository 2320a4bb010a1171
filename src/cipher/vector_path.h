// Which instruction set the engine's batch routines use. The path is chosen once, at
// the first call, from what the processor offers and the system saves (CPUID and
// XGETBV); the environment variable KELVANE_CIPHER_PATH may name a lower one. Only the
// engine looks at it: every path gives the same bytes as the scalar code.
#pragma once

namespace kelvane {

// Ordered: each path needs everything the one below it needs.
enum class VectorPath : int {
    Scalar = 0,  // plain C++, the reference every other path is tested against
    Sse2 = 1,    // 128-bit integer vectors
    Avx2 = 2,    // 256-bit integer vectors (AVX2, with the system saving YMM state)
    Avx512 = 3,  // 512-bit vectors: AVX-512 F, BW and VL, with the system saving ZMM state
};

// Environment variable that caps the path: "scalar", "sse2", "avx2" or "avx512".
constexpr const char* VECTOR_PATH_VARIABLE = "KELVANE_CIPHER_PATH";

// The widest path this processor and system offer.
VectorPath offeredVectorPath();
// The path in use: the offered one, capped by the environment variable at the first call.
VectorPath activeVectorPath();
// Tests only: uses `path`, or the offered path when that is lower. Returns the path now in use.
VectorPath forceVectorPath(VectorPath path);
// Lower-case name of a path, for benchmarks and test messages.
const char* vectorPathName(VectorPath path);

}  // namespace kelvane

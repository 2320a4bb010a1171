#include "cipher/vector_path.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#define KELVANE_X86 1
#endif

namespace kelvane {
namespace {

// Names in VectorPath order.
constexpr const char* PATH_NAMES[] = {"scalar", "sse2", "avx2", "avx512"};
constexpr int PATH_COUNT = sizeof PATH_NAMES / sizeof PATH_NAMES[0];

#ifdef KELVANE_X86
// CPUID leaf 1, EDX/ECX; leaf 7 subleaf 0, EBX.
constexpr std::uint32_t CPUID1_EDX_SSE2 = 1u << 26;
constexpr std::uint32_t CPUID1_ECX_OSXSAVE = 1u << 27;
constexpr std::uint32_t CPUID1_ECX_AVX = 1u << 28;
constexpr std::uint32_t CPUID7_EBX_AVX2 = 1u << 5;
constexpr std::uint32_t CPUID7_EBX_AVX512F = 1u << 16;
constexpr std::uint32_t CPUID7_EBX_AVX512BW = 1u << 30;
constexpr std::uint32_t CPUID7_EBX_AVX512VL = 1u << 31;
// XCR0: the state components the system saves on a switch.
constexpr std::uint64_t XCR0_SSE_AVX = 0x6;        // XMM and YMM upper halves
constexpr std::uint64_t XCR0_AVX512 = 0xE0;        // opmask, ZMM upper halves, ZMM16-31

// XGETBV written out, so that this file needs no -mxsave.
std::uint64_t readXcr0() {
    std::uint32_t low, high;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return static_cast<std::uint64_t>(high) << 32 | low;
}

VectorPath detectPath() {
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d) || (d & CPUID1_EDX_SSE2) == 0) return VectorPath::Scalar;
    const bool osSaves = (c & CPUID1_ECX_OSXSAVE) != 0 && (c & CPUID1_ECX_AVX) != 0;
    if (!osSaves || __get_cpuid_max(0, nullptr) < 7) return VectorPath::Sse2;
    const std::uint64_t xcr0 = readXcr0();
    if ((xcr0 & XCR0_SSE_AVX) != XCR0_SSE_AVX) return VectorPath::Sse2;
    __cpuid_count(7, 0, a, b, c, d);
    if ((b & CPUID7_EBX_AVX2) == 0) return VectorPath::Sse2;
    const std::uint32_t avx512 = CPUID7_EBX_AVX512F | CPUID7_EBX_AVX512BW | CPUID7_EBX_AVX512VL;
    if ((b & avx512) != avx512 || (xcr0 & XCR0_AVX512) != XCR0_AVX512) return VectorPath::Avx2;
    return VectorPath::Avx512;
}
#else
VectorPath detectPath() { return VectorPath::Scalar; }
#endif

VectorPath lower(VectorPath a, VectorPath b) { return static_cast<int>(a) < static_cast<int>(b) ? a : b; }

// The cap the environment names; the widest path when it names none.
VectorPath environmentCap() {
    const char* named = std::getenv(VECTOR_PATH_VARIABLE);
    if (named == nullptr) return VectorPath::Avx512;
    for (int i = 0; i < PATH_COUNT; ++i) {
        if (std::strcmp(named, PATH_NAMES[i]) == 0) return static_cast<VectorPath>(i);
    }
    return VectorPath::Avx512;
}

// -1 until the first call decides. Atomics rather than function-local statics, whose
// guarded initialisation would bring the C++ runtime's threads and exceptions into the DLL.
std::atomic<int> offeredPath{-1};
std::atomic<int> chosenPath{-1};

// The path in `cache`, decided by `decide` on first use. Deciding gives the same answer in
// every thread, so threads that race to it store the same value.
template <typename Decide>
VectorPath cachedPath(std::atomic<int>& cache, Decide decide) {
    int path = cache.load(std::memory_order_relaxed);
    if (path < 0) {
        path = static_cast<int>(decide());
        cache.store(path, std::memory_order_relaxed);
    }
    return static_cast<VectorPath>(path);
}

}  // namespace

VectorPath offeredVectorPath() { return cachedPath(offeredPath, detectPath); }

VectorPath activeVectorPath() {
    return cachedPath(chosenPath, [] { return lower(offeredVectorPath(), environmentCap()); });
}

VectorPath forceVectorPath(VectorPath path) {
    const VectorPath used = lower(offeredVectorPath(), path);
    chosenPath.store(static_cast<int>(used), std::memory_order_relaxed);
    return used;
}

const char* vectorPathName(VectorPath path) {
    const int index = static_cast<int>(path);
    return index >= 0 && index < PATH_COUNT ? PATH_NAMES[index] : "unknown";
}

}  // namespace kelvane

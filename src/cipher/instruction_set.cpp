#include "cipher/instruction_set.h"

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

// Names in InstructionSet order, as the environment variable takes them.
constexpr const char* SET_NAMES[] = {"scalar", "sse2", "avx2", "avx512"};
constexpr int SET_COUNT = sizeof SET_NAMES / sizeof SET_NAMES[0];

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

InstructionSet detectInstructionSet() {
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d) || (d & CPUID1_EDX_SSE2) == 0) return InstructionSet::Scalar;
    const bool osSaves = (c & CPUID1_ECX_OSXSAVE) != 0 && (c & CPUID1_ECX_AVX) != 0;
    if (!osSaves || __get_cpuid_max(0, nullptr) < 7) return InstructionSet::Sse2;
    const std::uint64_t xcr0 = readXcr0();
    if ((xcr0 & XCR0_SSE_AVX) != XCR0_SSE_AVX) return InstructionSet::Sse2;
    __cpuid_count(7, 0, a, b, c, d);
    if ((b & CPUID7_EBX_AVX2) == 0) return InstructionSet::Sse2;
    const std::uint32_t avx512 = CPUID7_EBX_AVX512F | CPUID7_EBX_AVX512BW | CPUID7_EBX_AVX512VL;
    if ((b & avx512) != avx512 || (xcr0 & XCR0_AVX512) != XCR0_AVX512) return InstructionSet::Avx2;
    return InstructionSet::Avx512;
}
#else
InstructionSet detectInstructionSet() { return InstructionSet::Scalar; }
#endif

// The cap the environment names; the widest set when it names none.
InstructionSet environmentCap() {
    const char* named = std::getenv(INSTRUCTION_SET_VARIABLE);
    if (named == nullptr) return InstructionSet::Avx512;
    for (int i = 0; i < SET_COUNT; ++i) {
        if (std::strcmp(named, SET_NAMES[i]) == 0) return static_cast<InstructionSet>(i);
    }
    return InstructionSet::Avx512;
}

// -1 until the first call detects.
std::atomic<int> offeredSet{-1};

}  // namespace

InstructionSet offeredInstructionSet() {
    // An atomic rather than a function-local static, whose guarded initialisation would bring
    // the C++ runtime's threads and exceptions into the DLL. Every thread detects the same set.
    int offered = offeredSet.load(std::memory_order_relaxed);
    if (offered < 0) {
        offered = static_cast<int>(detectInstructionSet());
        offeredSet.store(offered, std::memory_order_relaxed);
    }
    return static_cast<InstructionSet>(offered);
}

InstructionSet allowedInstructionSet() { return lowerInstructionSet(offeredInstructionSet(), environmentCap()); }

InstructionSet lowerInstructionSet(InstructionSet a, InstructionSet b) {
    return static_cast<int>(a) < static_cast<int>(b) ? a : b;
}

const char* instructionSetName(InstructionSet set) {
    const int index = static_cast<int>(set);
    return index >= 0 && index < SET_COUNT ? SET_NAMES[index] : "unknown";
}

}  // namespace kelvane

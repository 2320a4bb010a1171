#include "cipher/kernels.h"

#include <atomic>

namespace kelvane {
namespace {

// The scalar "kernels": they do nothing, and every block goes to the scalar code.
template <class... Arguments>
std::size_t noneDone(Arguments...) {
    return 0;
}
const Kernels SCALAR_KERNELS = {InstructionSet::Scalar, 0, nullptr, noneDone, noneDone, noneDone, noneDone};

// In InstructionSet order.
const Kernels* const KERNELS_BY_SET[] = {&SCALAR_KERNELS, &SSE2_KERNELS, &AVX2_KERNELS, &AVX512_KERNELS};

const Kernels* kernelsOf(InstructionSet set) { return KERNELS_BY_SET[static_cast<int>(set)]; }

// nullptr until the first call chooses.
std::atomic<const Kernels*> chosen{nullptr};

}  // namespace

const Kernels& activeKernels() {
    const Kernels* kernels = chosen.load(std::memory_order_relaxed);
    if (kernels == nullptr) {
        kernels = kernelsOf(allowedInstructionSet());
        chosen.store(kernels, std::memory_order_relaxed);
    }
    return *kernels;
}

InstructionSet activeInstructionSet() { return activeKernels().set; }

InstructionSet forceInstructionSet(InstructionSet set) {
    const InstructionSet used = lowerInstructionSet(offeredInstructionSet(), set);
    chosen.store(kernelsOf(used), std::memory_order_relaxed);
    return used;
}

}  // namespace kelvane

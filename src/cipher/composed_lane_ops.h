// Lane operations composed from plain vector instructions (SSE2, AVX2), for instruction
// sets without rotations, three-input logic or compare masks. The operations struct of
// each such set derives from this with itself as OPS; AVX-512 writes its own.
#pragma once
#include <cstdint>

namespace kelvane::lanes {

// The vector type is a template parameter of each member: OPS is not complete here.
template <class OPS>
struct ComposedLaneOps {
    template <class VEC>
    static VEC bitNot(VEC a) { return OPS::bitXor(a, OPS::ones()); }
    // A slice xor a round key bit's mask (DES).
    template <class VEC>
    static VEC keyed(VEC v, std::uint32_t mask) { return OPS::bitXor(v, OPS::broadcast32(mask)); }

    template <int SHIFT, class VEC>
    static VEC rotateLeft32(VEC v) {
        return OPS::bitOr(OPS::template shiftLeft32<SHIFT>(v), OPS::template shiftRight32<32 - SHIFT>(v));
    }

    // MD5's round functions F, G, H, I (RFC 1321) for round 0 to 3, as in md5::roundFunction;
    // G as c ^ (d & (b ^ c)), which is the same selection of b or c by d.
    template <int ROUND, class VEC>
    static VEC md5Mix(VEC b, VEC c, VEC d) {
        if constexpr (ROUND == 0) return OPS::bitXor(d, OPS::bitAnd(b, OPS::bitXor(c, d)));
        if constexpr (ROUND == 1) return OPS::bitXor(c, OPS::bitAnd(d, OPS::bitXor(b, c)));
        if constexpr (ROUND == 2) return OPS::bitXor(OPS::bitXor(b, c), d);
        // ~d as d ^ (d == d), all ones without a constant.
        if constexpr (ROUND == 3) return OPS::bitXor(c, OPS::bitOr(b, OPS::bitXor(d, OPS::equal16(d, d))));
    }

    // IDEA's product modulo 65537 of 16-bit lanes, 0 standing for 65536. With p = a * b as
    // high:low halves, p mod 65537 is low - high, plus 65537 when that is negative; mod
    // 65536 that is low - high + 1, taken where low <= high. low == high only for p = 0
    // (65537 is prime), that is a or b zero, where the result must be 1 - a - b: the
    // "+1" is already there and a ^ b equals a + b.
    template <class VEC>
    static VEC ideaMul(VEC a, VEC b) {
        const VEC low = OPS::mulLow16(a, b);
        const VEC high = OPS::mulHigh16(a, b);
        const VEC lowNotAbove = OPS::equal16(OPS::subSaturated16(low, high), OPS::zero());
        const VEC residue = OPS::sub16(OPS::sub16(low, high), lowNotAbove);
        const VEC zeroProduct = OPS::equal16(low, high);
        return OPS::sub16(residue, OPS::bitAnd(zeroProduct, OPS::bitXor(a, b)));
    }
};

}  // namespace kelvane::lanes

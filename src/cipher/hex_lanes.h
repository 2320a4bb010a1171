// Hex on vectors, generic over the operations `Ops` of an instruction set
// (vector_ops_<set>.h): sizeof(Vec) bytes a step, whole steps only. Included only by the
// kernels_<set>.cpp sources, so every instantiation stays in its translation unit.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kelvane::hex {

// Bytes in [low, high] (both below 0x80; bytes from 0x80 up compare as negative).
template <class Ops, class V>
V within(V characters, char low, char high) {
    return Ops::bitAnd(Ops::greater8(characters, Ops::broadcast8(static_cast<char>(low - 1))),
                       Ops::greater8(Ops::broadcast8(static_cast<char>(high + 1)), characters));
}

// The value of every character: 0-9, A-F or a-f give 0-15, anything else 0.
template <class Ops, class V>
V valuesOf(V characters) {
    const V digit = Ops::bitAnd(within<Ops>(characters, '0', '9'), Ops::sub8(characters, Ops::broadcast8('0')));
    const V folded = Ops::bitOr(characters, Ops::broadcast8(0x20));  // 'A'-'F' to 'a'-'f'
    const V letter = Ops::bitAnd(within<Ops>(folded, 'a', 'f'), Ops::sub8(folded, Ops::broadcast8('a' - 10)));
    return Ops::bitOr(digit, letter);
}

// Character pairs (high digit first) to bytes, each in the low half of its 16-bit lane.
template <class Ops, class V>
V pairsOf(V values) {
    const V high = Ops::template shiftLeft16<4>(values);
    const V low = Ops::template shiftRight16<8>(values);
    return Ops::bitAnd(Ops::bitOr(high, low), Ops::broadcast16(0x00ff));
}

// encodeHex's whole steps; returns the bytes done.
template <class Ops>
std::size_t encodeHexLanes(const std::uint8_t* bytes, std::size_t count, char* text) {
    using V = typename Ops::Vec;
    constexpr std::size_t STEP = sizeof(V);
    auto* out = reinterpret_cast<std::uint8_t*>(text);
    std::size_t done = 0;
    for (; done + STEP <= count; done += STEP) {
        const V v = Ops::load(bytes + done);
        const V high = Ops::hexDigits(Ops::bitAnd(Ops::template shiftRight16<4>(v), Ops::broadcast8(0x0f)));
        const V low = Ops::hexDigits(Ops::bitAnd(v, Ops::broadcast8(0x0f)));
        V first, second;
        Ops::interleave8(high, low, first, second);
        Ops::store(out + 2 * done, first);
        Ops::store(out + 2 * done + STEP, second);
    }
    return done;
}

// decodeHex's whole steps; returns the bytes done.
template <class Ops>
std::size_t decodeHexLanes(const char* text, std::size_t count, std::uint8_t* bytes) {
    using V = typename Ops::Vec;
    constexpr std::size_t STEP = sizeof(V);
    const auto* in = reinterpret_cast<const std::uint8_t*>(text);
    std::size_t done = 0;
    for (; done + STEP <= count; done += STEP) {
        const V first = pairsOf<Ops>(valuesOf<Ops>(Ops::load(in + 2 * done)));
        const V second = pairsOf<Ops>(valuesOf<Ops>(Ops::load(in + 2 * done + STEP)));
        Ops::store(bytes + done, Ops::narrow16(first, second));
    }
    return done;
}

}  // namespace kelvane::hex

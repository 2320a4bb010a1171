// The steps of vector hex decoding that SSE2 and AVX2 share, over the operations `Ops`
// of each (in an unnamed namespace there, so every instantiation stays in its source).
#pragma once

namespace kelvane::hex {

// Bytes in [low, high] (both below 0x80; bytes from 0x80 up compare as negative).
template <class Ops, class V>
V within(V characters, char low, char high) {
    return Ops::andOp(Ops::greater(characters, Ops::bytes(static_cast<char>(low - 1))),
                      Ops::greater(Ops::bytes(static_cast<char>(high + 1)), characters));
}

// The value of every character: 0-9, A-F or a-f give 0-15, anything else 0.
template <class Ops, class V>
V valuesOf(V characters) {
    const V digit = Ops::andOp(within<Ops>(characters, '0', '9'), Ops::subtract(characters, Ops::bytes('0')));
    const V folded = Ops::orOp(characters, Ops::bytes(0x20));  // 'A'-'F' to 'a'-'f'
    const V letter = Ops::andOp(within<Ops>(folded, 'a', 'f'), Ops::subtract(folded, Ops::bytes('a' - 10)));
    return Ops::orOp(digit, letter);
}

// Character pairs (high digit first) to bytes, each in the low half of its 16-bit lane.
template <class Ops, class V>
V pairsOf(V values) {
    const V high = Ops::shiftLeft16(values, 4);
    const V low = Ops::shiftRight16(values, 8);
    return Ops::andOp(Ops::orOp(high, low), Ops::lowBytes());
}

}  // namespace kelvane::hex

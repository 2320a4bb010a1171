// Hex with AVX2: 32 bytes a step. Digits come from a 16-entry byte shuffle; the
// in-lane unpacks and packs are put back in order across the two 128-bit lanes.
#include <immintrin.h>

#include "crypt/hex_vector.h"
#include "crypt/hex_vector_steps.h"

namespace kelvane {
namespace {

using Vector = __m256i;

Vector load(const void* p) { return _mm256_loadu_si256(static_cast<const Vector*>(p)); }
void store(void* p, Vector v) { _mm256_storeu_si256(static_cast<Vector*>(p), v); }

struct Avx2Ops {
    static Vector bytes(char value) { return _mm256_set1_epi8(value); }
    static Vector lowBytes() { return _mm256_set1_epi16(0x00ff); }
    static Vector andOp(Vector a, Vector b) { return _mm256_and_si256(a, b); }
    static Vector orOp(Vector a, Vector b) { return _mm256_or_si256(a, b); }
    static Vector subtract(Vector a, Vector b) { return _mm256_sub_epi8(a, b); }
    static Vector greater(Vector a, Vector b) { return _mm256_cmpgt_epi8(a, b); }
    static Vector shiftLeft16(Vector v, int count) { return _mm256_slli_epi16(v, count); }
    static Vector shiftRight16(Vector v, int count) { return _mm256_srli_epi16(v, count); }
};

Vector bytes(char value) { return Avx2Ops::bytes(value); }

}  // namespace

std::size_t encodeHexAvx2(const std::uint8_t* input, std::size_t count, char* text) {
    const Vector digits = _mm256_setr_epi8('0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'A', 'B', 'C', 'D',
                                           'E', 'F', '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'A', 'B',
                                           'C', 'D', 'E', 'F');
    std::size_t done = 0;
    for (; done + 32 <= count; done += 32) {
        const Vector v = load(input + done);
        const Vector high = _mm256_shuffle_epi8(digits, _mm256_and_si256(_mm256_srli_epi16(v, 4), bytes(0x0f)));
        const Vector low = _mm256_shuffle_epi8(digits, _mm256_and_si256(v, bytes(0x0f)));
        // Per 128-bit lane: bytes 0-7 and 8-15 of that lane, interleaved.
        const Vector front = _mm256_unpacklo_epi8(high, low);
        const Vector back = _mm256_unpackhi_epi8(high, low);
        store(text + 2 * done, _mm256_permute2x128_si256(front, back, 0x20));
        store(text + 2 * done + 32, _mm256_permute2x128_si256(front, back, 0x31));
    }
    return done;
}

std::size_t decodeHexAvx2(const char* text, std::size_t count, std::uint8_t* output) {
    std::size_t done = 0;
    for (; done + 32 <= count; done += 32) {
        const Vector first = hex::pairsOf<Avx2Ops>(hex::valuesOf<Avx2Ops>(load(text + 2 * done)));
        const Vector second = hex::pairsOf<Avx2Ops>(hex::valuesOf<Avx2Ops>(load(text + 2 * done + 32)));
        // The pack works per 128-bit lane: its 64-bit quarters come out as 0, 2, 1, 3.
        const Vector packed = _mm256_packus_epi16(first, second);
        store(output + done, _mm256_permute4x64_epi64(packed, 0xd8));
    }
    return done;
}

}  // namespace kelvane

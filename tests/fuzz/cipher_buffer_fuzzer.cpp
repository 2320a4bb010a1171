// The cipher engine's cipherBuffer, for every algorithm, on arbitrary keys, buffers and
// lengths. No export hands a caller's algorithm and length to the engine, so this
// calls the engine's own entry.
//
// Input: a flags byte (bit 0: cut the buffer to whole blocks), two bytes of direction
// (any value but 0 enciphers), four bytes of an algorithm number for the refusal check,
// 16 key bytes, then the buffer (its length is the call's length).
//
// What must hold, for IDEA, the MD5 wide block, DES and XOR:
// - a length that is a whole number of blocks: enciphering returns 1, whatever non-zero
//   direction value asks for it gives the same bytes as CIPHER_ENCRYPT, deciphering
//   returns 1 and restores the buffer, and the key is never written; without a key
//   (null) a non-empty buffer is refused with 0 and untouched;
// - any other length: 0, and the buffer is untouched in both directions;
// - an unknown algorithm number: 0, and the buffer is untouched (length 0 is done
//   before the algorithm is looked at: 1, with nothing to touch).
// Each buffer is a heap block of exactly its length, so a read or write past it stops
// the run under AddressSanitizer.
#include <algorithm>
#include <cstring>
#include <memory>

#include "cipher/cipher.h"
#include "fuzz_support.h"

using namespace kelvane;
using namespace kelvane::fuzz;

namespace {

struct Algorithm {
    std::int32_t number;
    std::size_t blockSize;
    const char* name;
};

// Every algorithm with the block size it works in.
constexpr Algorithm ALGORITHMS[] = {
    {ALG_IDEA, 8, "IDEA"}, {ALG_MD5_WIDE, 32, "MD5 wide"}, {ALG_DES, 8, "DES"}, {ALG_XOR, 16, "XOR"}};

constexpr std::size_t KEY_SIZE = 16;
constexpr std::uint8_t WHOLE_BLOCKS_FLAG = 1;
constexpr std::size_t MAX_LENGTH = 0xFFFF;  // the engine's length is 16 bits

// A heap copy of exactly `count` bytes (one byte for none, never touched then).
std::unique_ptr<std::uint8_t[]> exactCopy(const std::uint8_t* bytes, std::size_t count) {
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[std::max<std::size_t>(count, 1)]);
    std::copy(bytes, bytes + count, copy.get());
    return copy;
}

std::string describe(const char* name, std::size_t length) {
    return std::string(name) + ", length " + std::to_string(length);
}

void checkRefused(const Bytes& plain, std::size_t length, std::int32_t number, const Bytes& key,
                  const std::string& what) {
    for (std::uint16_t direction : {CIPHER_ENCRYPT, CIPHER_DECRYPT}) {
        auto buffer = exactCopy(plain.data(), length);
        const std::uint16_t result =
            cipherBuffer(buffer.get(), static_cast<std::uint16_t>(length), number, key.data(), direction);
        FUZZ_CHECK(result == (length == 0 ? 1 : 0), what + " gave " + std::to_string(result));
        FUZZ_CHECK(std::equal(plain.begin(), plain.begin() + length, buffer.get()),
                   what + " refused but changed\n  got  " + toHex(buffer.get(), length) + "\n  was  " +
                       toHex(plain.data(), length));
    }
}

void checkRoundTrip(const Bytes& plain, std::size_t length, const Algorithm& algorithm, const Bytes& keyBytes,
                    std::uint16_t direction) {
    const std::string what = describe(algorithm.name, length);
    auto key = exactCopy(keyBytes.data(), KEY_SIZE);
    auto buffer = exactCopy(plain.data(), length);
    const auto size = static_cast<std::uint16_t>(length);
    FUZZ_CHECK(cipherBuffer(buffer.get(), size, algorithm.number, key.get(), direction) == 1, what);

    auto reference = exactCopy(plain.data(), length);
    FUZZ_CHECK(encryptBuffer(reference.get(), size, algorithm.number, key.get()) == 1, what);
    FUZZ_CHECK(std::equal(buffer.get(), buffer.get() + length, reference.get()),
               what + ": direction " + std::to_string(direction) + " differs from CIPHER_ENCRYPT");

    FUZZ_CHECK(cipherBuffer(buffer.get(), size, algorithm.number, key.get(), CIPHER_DECRYPT) == 1, what);
    FUZZ_CHECK(std::equal(plain.begin(), plain.begin() + length, buffer.get()),
               what + " not restored\n  got  " + toHex(buffer.get(), length) + "\n  want " +
                   toHex(plain.data(), length));
    FUZZ_CHECK(std::equal(keyBytes.begin(), keyBytes.end(), key.get()), what + ": key written");

    if (length != 0) {
        FUZZ_CHECK(cipherBuffer(buffer.get(), size, algorithm.number, nullptr, direction) == 0, what + ", no key");
        FUZZ_CHECK(std::equal(plain.begin(), plain.begin() + length, buffer.get()), what + ", no key: changed");
    }
}

bool isKnown(std::int32_t number) {
    return std::any_of(std::begin(ALGORITHMS), std::end(ALGORITHMS),
                       [&](const Algorithm& a) { return a.number == number; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InputReader input(data, size);
    const std::uint8_t flags = input.byte();
    std::uint16_t direction = static_cast<std::uint16_t>(input.byte() | input.byte() << 8);
    if (direction == 0) direction = CIPHER_ENCRYPT;
    std::uint32_t unknown = 0;
    for (int i = 0; i < 4; ++i) unknown = unknown << 8 | input.byte();
    Bytes key = input.take(KEY_SIZE);
    key.resize(KEY_SIZE, 0);
    Bytes plain = input.take(MAX_LENGTH);

    for (const Algorithm& algorithm : ALGORITHMS) {
        FUZZ_CHECK(static_cast<std::size_t>(blockSizeTable[algorithm.number]) == algorithm.blockSize,
                   algorithm.name);
        std::size_t length = plain.size();
        if (flags & WHOLE_BLOCKS_FLAG) length -= length % algorithm.blockSize;
        if (length % algorithm.blockSize == 0) {
            checkRoundTrip(plain, length, algorithm, key, direction);
        } else {
            checkRefused(plain, length, algorithm.number, key, describe(algorithm.name, length));
        }
    }
    const auto number = static_cast<std::int32_t>(unknown);
    if (!isKnown(number)) {
        checkRefused(plain, plain.size(), number, key, "algorithm " + std::to_string(number));
    }
    return 0;
}

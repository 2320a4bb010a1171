// cryptFile on arbitrary file contents, steered at both header layouts, then decryptFile
// on what it left.
//
// Input: a steering byte picks how the file is made from the rest:
//   0  raw: the rest as it is;
//   1  the written layout: a header carrying the next 16 bytes as key, then the rest;
//   2  the split layout (check value in bytes 0, 1, 18, 19 around the key), then the rest;
//   3  the written layout with one header byte changed (the next two bytes say which and
//      how), so that near misses are tried too.
// Headers are built here from the layouts' description (only crc32 comes from the
// library), so that the header test is checked against a second reading of it.
//
// What must hold:
// - the result is 2 or 1, and 1 exactly when the first 20 bytes form a header in either
//   layout (so always 1 for steering 1 and 2);
// - for 1 the file is byte for byte as it was;
// - for 2 the file is 20 + P bytes long (P: the contents' length rounded up to a multiple
//   of 32), its header carries a key whose crc32 is the check value, and the rest,
//   deciphered with DES under that key, is the contents followed by zeros;
// - decryptFile then gives 2 for a container whose length is 20 plus whole 32-byte blocks
//   in the written layout (always so after result 2), and the file becomes the payload
//   deciphered under its key, without the zero bytes at the end of its last 32-byte block
//   (at most 31 of them); for anything else it gives 1 and the file stays as it was.
// The file lives in a folder of this process under a fixed name, rewritten each run.
#include <algorithm>
#include <array>
#include <cstring>

#include "crypt/chunked_des.h"
#include "crypt/crc32.h"
#include "fuzz_support.h"
#include "kelvane.h"

using namespace kelvane;
using namespace kelvane::fuzz;

namespace {

constexpr std::size_t HEADER_BYTES = 20;
constexpr std::size_t KEY_BYTES = 16;
constexpr std::size_t FILL_BLOCK = 32;

enum Steering : std::uint8_t { RAW = 0, WRITTEN = 1, SPLIT = 2, DAMAGED = 3, STEERINGS = 4 };

using Key = std::array<std::uint8_t, KEY_BYTES>;

std::uint32_t big32(const std::uint8_t* b) {
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

// The 16 bytes as one big-endian 128-bit number rotated by `bits` (0-7) to the left.
Key rotateLeft(const std::uint8_t* in, unsigned bits) {
    Key out;
    for (unsigned i = 0; i < KEY_BYTES; ++i) {
        const unsigned high = in[i] << bits;
        const unsigned low = bits == 0 ? 0 : in[(i + 1) % KEY_BYTES] >> (8 - bits);
        out[i] = static_cast<std::uint8_t>(high | low);
    }
    return out;
}

// The same number rotated to the right.
Key rotateRight(const std::uint8_t* in, unsigned bits) {
    Key out;
    for (unsigned i = 0; i < KEY_BYTES; ++i) {
        const unsigned low = in[i] >> bits;
        const unsigned high = bits == 0 ? 0 : in[(i + KEY_BYTES - 1) % KEY_BYTES] << (8 - bits);
        out[i] = static_cast<std::uint8_t>(high | low);
    }
    return out;
}

std::uint32_t checkOf(const Key& key) { return crc32(key.data(), KEY_BYTES); }

// Written layout: check value big-endian, then the key rotated right by bits 8-10 of it.
Bytes writtenHeader(const Key& key) {
    const std::uint32_t check = checkOf(key);
    const Key stored = rotateRight(key.data(), (check >> 8) & 7);
    Bytes header{std::uint8_t(check >> 24), std::uint8_t(check >> 16), std::uint8_t(check >> 8), std::uint8_t(check)};
    header.insert(header.end(), stored.begin(), stored.end());
    return header;
}

// Split layout: check bytes 0-1, the key rotated right by bits 3-5 of byte 1, check bytes 2-3.
Bytes splitHeader(const Key& key) {
    const std::uint32_t check = checkOf(key);
    const Key stored = rotateRight(key.data(), ((check >> 16) >> 3) & 7);
    Bytes header{std::uint8_t(check >> 24), std::uint8_t(check >> 16)};
    header.insert(header.end(), stored.begin(), stored.end());
    header.push_back(std::uint8_t(check >> 8));
    header.push_back(std::uint8_t(check));
    return header;
}

// The key a written-layout header carries, the rotation undone.
Key writtenKey(const std::uint8_t* header) { return rotateLeft(header + 4, (big32(header) >> 8) & 7); }

bool isWritten(const Bytes& file) { return checkOf(writtenKey(file.data())) == big32(file.data()); }

bool isSplit(const Bytes& file) {
    const std::uint8_t* h = file.data();
    const std::uint32_t check = std::uint32_t{h[0]} << 24 | std::uint32_t{h[1]} << 16 | std::uint32_t{h[18]} << 8 | h[19];
    return checkOf(rotateLeft(h + 2, (h[1] >> 3) & 7)) == check;
}

bool isContainer(const Bytes& file) { return file.size() >= HEADER_BYTES && (isWritten(file) || isSplit(file)); }

// What decryptFile makes of a container: the payload deciphered, the zero bytes at the
// end of its last 32-byte block cut off, but never the whole block (a fill is at most 31).
Bytes restoredOf(const Bytes& container) {
    Bytes plain(container.begin() + HEADER_BYTES, container.end());
    decryptChunked(plain.data(), plain.size(), writtenKey(container.data()).data());
    const std::size_t lastBlock = plain.size() < FILL_BLOCK ? 0 : plain.size() - FILL_BLOCK;
    while (plain.size() > lastBlock + 1 && plain.back() == 0) plain.pop_back();
    return plain;
}

// decryptFile reads only the layout cryptFile writes: a split header alone is no container.
void checkDecrypt(const std::string& path, const Bytes& container) {
    const bool wholeBlocks = isWritten(container) && (container.size() - HEADER_BYTES) % FILL_BLOCK == 0;
    const int result = decryptFile(path.c_str());
    const int expected = wholeBlocks ? KELVANE_FILE_RESTORED : KELVANE_FILE_NOT_CONTAINER;
    FUZZ_CHECK(result == expected, "decryptFile gave " + std::to_string(result) + " for " +
                                       std::to_string(container.size()) + " bytes starting " +
                                       toHex(container.data(), HEADER_BYTES));
    Bytes after;
    FUZZ_CHECK(readFileBytes(path, &after), path);
    const Bytes want = wholeBlocks ? restoredOf(container) : container;
    FUZZ_CHECK(after == want, "after decryptFile\n  got  " + toHex(after) + "\n  want " + toHex(want));
}

Bytes makeContents(InputReader& input) {
    const std::uint8_t steering = input.byte() % STEERINGS;
    if (steering == RAW) return input.rest();
    Key key{};
    const Bytes keyBytes = input.take(KEY_BYTES);
    std::copy(keyBytes.begin(), keyBytes.end(), key.begin());
    Bytes contents = steering == SPLIT ? splitHeader(key) : writtenHeader(key);
    if (steering == DAMAGED) {
        const std::uint8_t at = input.byte() % HEADER_BYTES;
        contents[at] ^= input.byte() | 1;
    }
    const Bytes rest = input.rest();
    contents.insert(contents.end(), rest.begin(), rest.end());
    return contents;
}

void checkContainerOf(const Bytes& contents, const Bytes& file) {
    const std::size_t padded = (contents.size() + FILL_BLOCK - 1) / FILL_BLOCK * FILL_BLOCK;
    FUZZ_CHECK(file.size() == HEADER_BYTES + padded,
               "container of " + std::to_string(file.size()) + " bytes for " + std::to_string(contents.size()));
    const Key key = writtenKey(file.data());
    FUZZ_CHECK(checkOf(key) == big32(file.data()), "header " + toHex(file.data(), HEADER_BYTES));
    Bytes plain(file.begin() + HEADER_BYTES, file.end());
    decryptChunked(plain.data(), plain.size(), key.data());
    Bytes expected = contents;
    expected.resize(padded, 0);
    FUZZ_CHECK(plain == expected, "deciphered payload\n  got  " + toHex(plain) + "\n  want " + toHex(expected));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startLibrary();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = scratchPath("subject");
    InputReader input(data, size);
    const Bytes contents = makeContents(input);
    FUZZ_CHECK(writeFileBytes(path, contents), path);

    const int result = cryptFile(path.c_str());
    const int expected = isContainer(contents) ? KELVANE_FILE_ALREADY : KELVANE_FILE_ENCRYPTED;
    FUZZ_CHECK(result == expected, "result " + std::to_string(result) + ", expected " + std::to_string(expected) +
                                       " for a file starting " + toHex(contents.data(), contents.size()));
    Bytes after;
    FUZZ_CHECK(readFileBytes(path, &after), path);
    if (result == KELVANE_FILE_ALREADY) {
        FUZZ_CHECK(after == contents, "container changed\n  got  " + toHex(after) + "\n  was  " + toHex(contents));
    } else {
        checkContainerOf(contents, after);
    }
    checkDecrypt(path, after);
    return 0;
}

// Opens a container the way a reader would: the header's check value and key, and the
// payload deciphered with the library's DES, for comparison with the former contents.
#pragma once
#include <gtest/gtest.h>

#include <cstring>

#include "crypt/chunked_des.h"
#include "crypt/container_header.h"
#include "crypt/crc32.h"
#include "support/test_support.h"

namespace kelvane::test {

struct OpenedContainer {
    std::uint32_t check = 0;  // bytes 0-3, big-endian
    FileKey key{};            // the key with the header's rotation undone
    Bytes plain;              // the payload deciphered
};

inline std::uint32_t bigEndian32(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 | bytes[3];
}

inline OpenedContainer openContainer(const Bytes& file) {
    OpenedContainer opened;
    if (file.size() < HEADER_SIZE) return opened;
    EncryptedFileHeader header;
    std::memcpy(header.bytes, file.data(), HEADER_SIZE);
    opened.check = bigEndian32(file.data());
    opened.key = keyFromHeader(header);
    opened.plain.assign(file.begin() + HEADER_SIZE, file.end());
    decryptChunked(opened.plain.data(), opened.plain.size(), opened.key.bytes);
    return opened;
}

// The contents followed by zeros up to the next multiple of 32.
inline Bytes zeroFilled(Bytes contents) {
    contents.resize(paddedLength(contents.size()), 0);
    return contents;
}

// What decryptFile gives back for `contents`: the zero-filled payload without the zero
// bytes at the end of its last 32-byte block, which the fill cannot be told from.
inline Bytes restoredFrom(const Bytes& contents) {
    Bytes restored = zeroFilled(contents);
    const std::size_t lastBlock = restored.size() < FILL_UNIT ? 0 : restored.size() - FILL_UNIT;
    // A fill is at most one byte short of a unit: a last block of zeros keeps one.
    while (restored.size() > lastBlock + 1 && restored.back() == 0) restored.pop_back();
    return restored;
}

// The header of `key` in the split layout: check value bytes 0-1, the key rotated right by
// bits 3-5 of byte 1, check value bytes 2-3.
inline Bytes splitHeaderOf(const FileKey& key) {
    const std::uint32_t check = crc32(key.bytes, FILE_KEY_SIZE);
    Bytes header(HEADER_SIZE);
    header[0] = std::uint8_t(check >> 24);
    header[1] = std::uint8_t(check >> 16);
    rotateRight128(key.bytes, (check >> 19) & 7u, header.data() + 2);
    header[18] = std::uint8_t(check >> 8);
    header[19] = std::uint8_t(check);
    return header;
}

inline Bytes keyBytes(const FileKey& key) { return Bytes(key.bytes, key.bytes + FILE_KEY_SIZE); }

// The generator's state after the 16 draws of one key from `state`.
inline std::uint32_t stateAfterKey(std::uint32_t state) {
    for (int draw = 0; draw < 16; ++draw) state = state * 214013u + 2531011u;
    return state;
}

// The 16 key bytes that 16 draws give after the generator stood at `state`.
inline Bytes keyAfterState(std::uint32_t state) {
    Bytes key;
    for (int draw = 0; draw < 16; ++draw) {
        state = state * 214013u + 2531011u;
        key.push_back(static_cast<std::uint8_t>((state >> 16) & 0xFF));
    }
    return key;
}

// Checks that `file` is a well-formed container of `contents`.
inline void expectContainerOf(const Bytes& contents, const Bytes& file) {
    ASSERT_EQ(file.size(), HEADER_SIZE + paddedLength(contents.size())) << "contents of " << contents.size() << " bytes";
    const OpenedContainer opened = openContainer(file);
    EXPECT_EQ(opened.check, crc32(opened.key.bytes, FILE_KEY_SIZE)) << "key " << toHex(keyBytes(opened.key));
    const Bytes expected = zeroFilled(contents);
    if (opened.plain != expected) {
        ADD_FAILURE() << "deciphered payload of a " << contents.size() << "-byte file differs\n  got  "
                      << toHex(Bytes(opened.plain.begin(), opened.plain.begin() + std::min<std::size_t>(64, opened.plain.size())))
                      << "\n  want " << toHex(Bytes(expected.begin(), expected.begin() + std::min<std::size_t>(64, expected.size())));
    }
}

// True when `file` is a well-formed container of `contents` (no failure reported).
inline bool isContainerOf(const Bytes& contents, const Bytes& file) {
    if (file.size() != HEADER_SIZE + paddedLength(contents.size())) return false;
    const OpenedContainer opened = openContainer(file);
    return opened.check == crc32(opened.key.bytes, FILE_KEY_SIZE) && opened.plain == zeroFilled(contents);
}

}  // namespace kelvane::test

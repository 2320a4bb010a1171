// The 20-byte header in front of every container: the check value of the file key,
// big-endian, then the key rotated right as one 128-bit number. Also the header test
// that tells a container from a plain file.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kelvane {

constexpr std::size_t FILE_KEY_SIZE = 16;  // bytes of a file key
constexpr std::size_t HEADER_SIZE = 20;    // bytes of EncryptedFileHeader

struct FileKey {
    std::uint8_t bytes[FILE_KEY_SIZE];
};

struct EncryptedFileHeader {
    std::uint8_t bytes[HEADER_SIZE];
};

// A fresh key: the low 8 bits of 16 successive moduleRand draws, in order.
FileKey drawFileKey();

// Bytes 0-3: crc32 of the key, big-endian; bytes 4-19: the key rotated right by bits
// 8-10 of that check value.
EncryptedFileHeader makeHeader(const FileKey& key);

// The key a header written by makeHeader carries (the rotation undone).
FileKey keyFromHeader(const EncryptedFileHeader& header);

// True when the first `count` bytes of a file begin with a header, in either of two
// layouts: the one makeHeader writes, or the split one whose check value sits in bytes
// 0, 1, 18 and 19 around a key in bytes 2-17 rotated by bits 3-5 of byte 1. A file
// shorter than a header never counts.
bool isEncryptedFile(const std::uint8_t* first, std::size_t count);

// The header test that also gives the file key of the layout that passed (the written
// one first): the key the payload is enciphered under.
bool headerKey(const std::uint8_t* first, std::size_t count, FileKey* key);

// The file key of a header in the layout makeHeader writes, the only one a container
// read back can have: a file that passes only in the split layout was never written so.
bool writtenHeaderKey(const std::uint8_t* first, std::size_t count, FileKey* key);

// The 16 bytes as one 128-bit big-endian number (byte 0 most significant), rotated by
// 0 to 7 bits.
void rotateLeft128(const std::uint8_t in[16], unsigned bits, std::uint8_t out[16]);
void rotateRight128(const std::uint8_t in[16], unsigned bits, std::uint8_t out[16]);

}  // namespace kelvane

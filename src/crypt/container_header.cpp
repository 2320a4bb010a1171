#include "crypt/container_header.h"

#include <cstring>

#include "crypt/crc32.h"
#include "crypt/module_rand.h"

namespace kelvane {
namespace {

// Where the written layout keeps its parts.
constexpr std::size_t CHECK_OFFSET = 0;      // 4-byte check value
constexpr std::size_t STORED_KEY_OFFSET = 4;  // 16-byte rotated key

// Where the split layout keeps its parts: the key sits between the halves of the check value.
constexpr std::size_t SPLIT_KEY_OFFSET = 2;

std::uint32_t readBig32(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 | bytes[3];
}

void writeBig32(std::uint32_t value, std::uint8_t* bytes) {
    bytes[0] = static_cast<std::uint8_t>(value >> 24);
    bytes[1] = static_cast<std::uint8_t>(value >> 16);
    bytes[2] = static_cast<std::uint8_t>(value >> 8);
    bytes[3] = static_cast<std::uint8_t>(value);
}

// Rotation of the stored key: bits 8-10 of the check value.
unsigned writtenRotation(std::uint32_t check) { return (check >> 8) & 7u; }

// The key of a header in the written layout, if its check value holds.
bool writtenLayoutKey(const std::uint8_t* first, FileKey* key) {
    EncryptedFileHeader header;
    std::memcpy(header.bytes, first, HEADER_SIZE);
    *key = keyFromHeader(header);
    return crc32(key->bytes, FILE_KEY_SIZE) == readBig32(first + CHECK_OFFSET);
}

// The key of a header in the split layout, if its check value holds.
bool splitLayoutKey(const std::uint8_t* first, FileKey* key) {
    const std::uint32_t expected =
        std::uint32_t{first[0]} << 24 | std::uint32_t{first[1]} << 16 | std::uint32_t{first[18]} << 8 | first[19];
    rotateLeft128(first + SPLIT_KEY_OFFSET, (first[1] >> 3) & 7u, key->bytes);
    return crc32(key->bytes, FILE_KEY_SIZE) == expected;
}

}  // namespace

void rotateLeft128(const std::uint8_t in[16], unsigned bits, std::uint8_t out[16]) {
    for (unsigned i = 0; i < 16; ++i) {
        const unsigned next = in[(i + 1) % 16];  // the bit leaving byte 0 enters byte 15
        out[i] = bits == 0 ? in[i] : static_cast<std::uint8_t>(in[i] << bits | next >> (8 - bits));
    }
}

void rotateRight128(const std::uint8_t in[16], unsigned bits, std::uint8_t out[16]) {
    for (unsigned i = 0; i < 16; ++i) {
        const unsigned previous = in[(i + 15) % 16];  // the bit leaving byte 15 enters byte 0
        out[i] = bits == 0 ? in[i] : static_cast<std::uint8_t>(in[i] >> bits | previous << (8 - bits));
    }
}

FileKey drawFileKey() {
    FileKey key;
    for (std::uint8_t& byte : key.bytes) byte = static_cast<std::uint8_t>(moduleRand() & 0xFF);
    return key;
}

EncryptedFileHeader makeHeader(const FileKey& key) {
    EncryptedFileHeader header;
    const std::uint32_t check = crc32(key.bytes, FILE_KEY_SIZE);
    writeBig32(check, header.bytes + CHECK_OFFSET);
    rotateRight128(key.bytes, writtenRotation(check), header.bytes + STORED_KEY_OFFSET);
    return header;
}

FileKey keyFromHeader(const EncryptedFileHeader& header) {
    FileKey key;
    const std::uint32_t check = readBig32(header.bytes + CHECK_OFFSET);
    rotateLeft128(header.bytes + STORED_KEY_OFFSET, writtenRotation(check), key.bytes);
    return key;
}

bool headerKey(const std::uint8_t* first, std::size_t count, FileKey* key) {
    if (first == nullptr || count < HEADER_SIZE) return false;
    return writtenLayoutKey(first, key) || splitLayoutKey(first, key);
}

bool writtenHeaderKey(const std::uint8_t* first, std::size_t count, FileKey* key) {
    return first != nullptr && count >= HEADER_SIZE && writtenLayoutKey(first, key);
}

bool isEncryptedFile(const std::uint8_t* first, std::size_t count) {
    FileKey key;
    return headerKey(first, count, &key);
}

}  // namespace kelvane

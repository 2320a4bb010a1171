#include "crypt/chunked_des.h"

#include <algorithm>

#include "cipher/cipher.h"

namespace kelvane {
namespace {

using ChunkCall = std::uint16_t (*)(std::uint8_t*, std::uint16_t, std::int32_t, const std::uint8_t*);

void runChunked(ChunkCall call, std::uint8_t* buffer, std::size_t size, const std::uint8_t* key) {
    for (std::size_t offset = 0; offset < size;) {
        const std::size_t chunk = std::min(size - offset, CHUNK_LIMIT);
        // The status is not examined: a chunk of partial blocks stays as it is.
        call(buffer + offset, static_cast<std::uint16_t>(chunk), ALG_DES, key);
        offset += chunk;
    }
}

}  // namespace

void encryptChunked(std::uint8_t* buffer, std::size_t size, const std::uint8_t key[16]) {
    runChunked(encryptBuffer, buffer, size, key);
}

void decryptChunked(std::uint8_t* buffer, std::size_t size, const std::uint8_t key[16]) {
    runChunked(decryptBuffer, buffer, size, key);
}

}  // namespace kelvane

// Turns a container back into the file it was made from: the payload read in blocks,
// deciphered with DES under the key its header carries (in the layout cryptFile writes), and the zero
// bytes at the end of its last 32-byte block cut off. The file is rewritten through
// platform/file_rewrite.h, as a container is written: it stays the same file and holds
// either the whole container or the whole contents after any failure.
#pragma once
#include <cstdint>

#include "crypt/chunked_des.h"
#include "crypt/container_header.h"
#include "platform/file_rewrite.h"

namespace kelvane {

// True when `size` can be a container's: the header, then whole 32-byte blocks.
constexpr bool isContainerLength(std::int64_t size) {
    return size >= static_cast<std::int64_t>(HEADER_SIZE) &&
           (size - static_cast<std::int64_t>(HEADER_SIZE)) % static_cast<std::int64_t>(FILL_UNIT) == 0;
}

// Rewrites the held container as its contents: FILE_RESTORED; FILE_CANNOT_WRITE when it
// cannot be opened for it; or FILE_WRITE_FAILED with the file as it was (also when it
// is no container). Draws no key.
int restoreContents(platform::HeldFile& file);

// Every block of the payload of the `size` bytes of `source` deciphered to its place, in
// order; the last one without its fill. False on any failure, or when they are no container.
bool streamContents(platform::FileHandle source, std::int64_t size, platform::RewriteSink& sink);

}  // namespace kelvane

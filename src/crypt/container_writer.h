// Writes a container for a plain file: the header for a fresh file key, then the
// contents read in blocks, zero-filled to a multiple of 32 and enciphered with DES.
// The file is rewritten through platform/file_rewrite.h, so it stays the same file and
// holds either its former contents or the whole container after any failure.
#pragma once
#include <cstdint>

#include "crypt/container_header.h"
#include "crypt/container_io.h"
#include "platform/file_rewrite.h"
#include "platform/file_system.h"

namespace kelvane {

// Rewrites the held file as the container of its contents under `key`: FILE_ENCRYPTED;
// FILE_CANNOT_WRITE when it cannot be opened for it; or FILE_WRITE_FAILED with the file
// as it was.
int writeContainer(platform::HeldFile& file, const FileKey& key);

// Every block of the `size` bytes of `source` enciphered under `key` after the header's
// place, then the header: a file overwritten in place passes the header test only once
// it is complete. False on any failure.
bool streamContainer(platform::FileHandle source, std::int64_t size, const FileKey& key, platform::RewriteSink& sink);

}  // namespace kelvane

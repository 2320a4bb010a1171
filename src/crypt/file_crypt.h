// File encryption in place into the container: a 20-byte header with a fresh file key,
// then the contents zero-filled to a multiple of 32 and enciphered with DES.
#pragma once

namespace kelvane {

// Results of cryptFile.
constexpr int FILE_ENCRYPTED = 2;      // the container replaced the contents
constexpr int FILE_ALREADY = 1;        // already a container: left as it was
constexpr int FILE_CANNOT_READ = -1;   // cannot be read (or is a container and cannot be written)
constexpr int FILE_CANNOT_WRITE = -2;  // not a container and cannot be written
constexpr int FILE_WRITE_FAILED = -3;  // writing failed after the checks: the file is as it was

int cryptFile(const char* path);

}  // namespace kelvane

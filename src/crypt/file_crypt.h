// File encryption in place into the container: a 20-byte header with a fresh file key,
// then the contents zero-filled to a multiple of 32 and enciphered with DES; and the way
// back from a container to its contents.
#pragma once

#include "kelvane.h"

namespace kelvane {

// Results of cryptFile and decryptFile, as the exported header documents them for hosts.
constexpr int FILE_ENCRYPTED = KELVANE_FILE_ENCRYPTED;
constexpr int FILE_ALREADY = KELVANE_FILE_ALREADY;
constexpr int FILE_RESTORED = KELVANE_FILE_RESTORED;
constexpr int FILE_NOT_CONTAINER = KELVANE_FILE_NOT_CONTAINER;
constexpr int FILE_CANNOT_READ = KELVANE_FILE_CANNOT_READ;
constexpr int FILE_CANNOT_WRITE = KELVANE_FILE_CANNOT_WRITE;
constexpr int FILE_WRITE_FAILED = KELVANE_FILE_WRITE_FAILED;

// `path` in the host's narrow form (platform/host_text.h). These two narrow entries are
// written from the export list (exports/narrow_entries.cpp) around the utf8:: ones below.
int cryptFile(const char* path);

// The contents of the container at `path` back in its place, without the zero bytes at
// the end of its last 32-byte block. Never draws from the key generator.
int decryptFile(const char* path);

// The same with `path` in UTF-8 on every platform.
namespace utf8 {
int cryptFile(const char* path);
int decryptFile(const char* path);
}  // namespace utf8

// Puts back the original of a cryptFile or decryptFile that was interrupted on the file
// at `path`, as the next call on it would (platform/file_rewrite.h). False when a journal
// of it stays.
bool restoreInterruptedCall(const char* path);

}  // namespace kelvane

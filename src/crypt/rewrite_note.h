// What the journal of a cryptFile or decryptFile rewrite notes, so that a recovery can
// produce the new contents again and compare them with what a crash left
// (platform/file_rewrite.h): the way, and for cryptFile the file key.
#pragma once
#include "crypt/container_header.h"
#include "platform/file_rewrite.h"

namespace kelvane {

platform::RewriteNote encipheringNote(const FileKey& key);
platform::RewriteNote decipheringNote();

// The new contents the noted rewrite was writing, produced again from the original;
// false for a note neither call writes.
bool rewriteAgain(const platform::RewriteNote& note, platform::FileHandle original, std::int64_t size,
                  platform::RewriteSink& sink);

}  // namespace kelvane

#include "crypt/rewrite_note.h"

#include <cstring>

#include "crypt/container_reader.h"
#include "crypt/container_writer.h"

namespace kelvane {
namespace {

// Byte 0 of a note: which call wrote the journal; for cryptFile the key follows.
constexpr std::uint8_t ENCIPHERING = 'E';
constexpr std::uint8_t DECIPHERING = 'D';
constexpr std::size_t NOTE_KEY_AT = 1;

static_assert(NOTE_KEY_AT + FILE_KEY_SIZE <= sizeof(platform::RewriteNote::bytes), "the key fits a note");

}  // namespace

platform::RewriteNote encipheringNote(const FileKey& key) {
    platform::RewriteNote note;
    note.bytes[0] = ENCIPHERING;
    std::memcpy(note.bytes + NOTE_KEY_AT, key.bytes, FILE_KEY_SIZE);
    return note;
}

platform::RewriteNote decipheringNote() {
    platform::RewriteNote note;
    note.bytes[0] = DECIPHERING;
    return note;
}

bool rewriteAgain(const platform::RewriteNote& note, platform::FileHandle original, std::int64_t size,
                  platform::RewriteSink& sink) {
    if (note.bytes[0] == DECIPHERING) return streamContents(original, size, sink);
    if (note.bytes[0] != ENCIPHERING) return false;
    FileKey key;
    std::memcpy(key.bytes, note.bytes + NOTE_KEY_AT, FILE_KEY_SIZE);
    return streamContainer(original, size, key, sink);
}

}  // namespace kelvane

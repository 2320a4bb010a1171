// Appending to a text file the way the C runtime's "a+" mode is documented to: the
// file is created when missing, one trailing 0x1A (the text end-of-file mark) is
// removed, and the text goes at the end. Done with binary I/O so that every target
// and C runtime leaves the same bytes, under the file's lock, so that appends from several
// processes at once each land whole at the end ("a+" itself appends atomically).
#pragma once

namespace kelvane {

// Appends `text` to the file `path` (UTF-8). False when the file cannot be opened, locked
// in time or written; a
// null path writes nothing. Empty text (the listing of a damaged hive's key whose one
// subkey has no name) only creates a missing file and leaves any contents as they are.
bool appendText(const char* path, const char* text);

}  // namespace kelvane

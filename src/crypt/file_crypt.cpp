#include "crypt/file_crypt.h"

#include <algorithm>

#include "crypt/container_header.h"
#include "crypt/container_io.h"
#include "crypt/container_reader.h"
#include "crypt/container_writer.h"
#include "crypt/rewrite_note.h"
#include "platform/file_rewrite.h"
#include "platform/file_system.h"
#include "platform/host_text.h"

namespace kelvane {

using platform::FileHandle;
using platform::HeldFile;
using platform::HoldResult;

namespace {

// What a call learns of a file before it decides whether to rewrite it.
struct FileStart {
    bool readable = false;
    std::int64_t size = 0;
    bool header = false;     // its first bytes pass the header test
    bool container = false;  // ...in the layout cryptFile writes, at a container's length
};

// What the start of the open file `source` shows.
FileStart startOf(FileHandle source) {
    platform::FileSystem& files = platform::fileSystem();
    FileStart start;
    start.size = files.size(source);
    std::uint8_t first[HEADER_SIZE];
    const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(start.size, HEADER_SIZE));
    const std::int64_t count = start.size < 0 ? -1 : readFully(source, 0, first, wanted);
    start.readable = count >= 0;
    start.header = start.readable && isEncryptedFile(first, static_cast<std::size_t>(count));
    FileKey key;
    start.container = start.header && isContainerLength(start.size) &&
                      writtenHeaderKey(first, static_cast<std::size_t>(count), &key);
    return start;
}

FileStart readStart(const char* path) {
    platform::FileSystem& files = platform::fileSystem();
    const FileHandle source = files.openRead(path);
    if (source == platform::NO_FILE) return FileStart{};
    const FileStart start = startOf(source);
    files.close(source);  // only read from
    return start;
}

// Holds the file against every other call on it, which puts back what an interrupted
// call left, and reads its start again under the hold: another call may have changed
// it while this one waited. Without the hold, the start read first decides the refusal.
HoldResult holdAndReadStart(const char* path, HeldFile& file, FileStart* start) {
    // A name no file may have (what a host's conversion leaves of characters outside its
    // code page) names no file to read, nor a journal to look for.
    if (path == nullptr || !platform::mayNameFile(path)) {
        *start = FileStart{};
        return HoldResult::CannotOpen;
    }
    *start = readStart(path);
    if (!start->readable) return HoldResult::CannotOpen;
    const HoldResult held = file.hold(path, rewriteAgain);
    if (held == HoldResult::Held) *start = startOf(file.handle());
    return held;
}

}  // namespace

namespace utf8 {

int cryptFile(const char* path) {
    FileStart start;
    HeldFile file;
    const HoldResult held = holdAndReadStart(path, file, &start);
    if (!start.readable) return FILE_CANNOT_READ;
    if (held == HoldResult::Failed) return FILE_WRITE_FAILED;
    if (held == HoldResult::CannotOpen && start.header) return FILE_CANNOT_READ;
    if (start.header) return FILE_ALREADY;
    // Drawn before the write check, so that a refused file still advances the generator.
    const FileKey key = drawFileKey();
    return held == HoldResult::CannotOpen ? FILE_CANNOT_WRITE : writeContainer(file, key);
}

int decryptFile(const char* path) {
    FileStart start;
    HeldFile file;
    const HoldResult held = holdAndReadStart(path, file, &start);
    if (!start.readable) return FILE_CANNOT_READ;
    if (held == HoldResult::Failed) return FILE_WRITE_FAILED;
    if (!start.container) return FILE_NOT_CONTAINER;
    return held == HoldResult::CannotOpen ? FILE_CANNOT_WRITE : restoreContents(file);
}

}  // namespace utf8

bool restoreInterruptedCall(const char* path) { return platform::restoreInterruptedRewrite(path, rewriteAgain); }

}  // namespace kelvane

#include "registry/appended_text.h"

#include <cstdint>
#include <cstring>

#include "platform/file_system.h"
#include "platform/lock_wait.h"
#include "platform/path_kind.h"
#include "platform/pause.h"

namespace kelvane {
namespace {

using platform::FileHandle;
using platform::FileSystem;
using platform::LockAttempt;
using platform::LockTry;

// The text end-of-file mark that "a+" takes off an existing file before writing.
constexpr std::uint8_t TEXT_END_MARK = 0x1A;

// Longest wait for the file's lock, in milliseconds. Another append holds it for a moment,
// a rewrite of the file (cryptFile) for as long as it takes; and where a user who may only
// read the file can take it too, such a user must not stall the call for long.
constexpr std::int64_t APPEND_LOCK_WAIT_MS = 30 * 1000;

// Takes the file's rewrite lock (file_system.h), waiting a bounded time: appends from
// several processes then each find the end the last one left, and none lands in a
// rewrite of the file. A file system without locks is written unguarded, as a rewrite is.
bool lockForAppend(FileSystem& files, FileHandle file) {
    const auto tryOnce = [&] {
        switch (files.tryLock(file)) {
            case LockAttempt::Held:
            case LockAttempt::Unsupported:
                return LockTry{LockTry::Held};
            case LockAttempt::Busy:
            case LockAttempt::BusyReader:
                return LockTry{LockTry::Busy, APPEND_LOCK_WAIT_MS};
            default:
                return LockTry{LockTry::Refused};
        }
    };
    return platform::waitForLockBounded(tryOnce, platform::pauseMilliseconds);
}

// Where the text begins: over a final 0x1A, else at the end; -1 when unknown. The text
// is never empty, so writing over the mark removes it without truncating.
std::int64_t appendOffset(FileSystem& files, FileHandle file) {
    const std::int64_t size = files.size(file);
    if (size <= 0) return size;
    std::uint8_t last = 0;
    if (files.read(file, size - 1, &last, 1) != 1) return -1;
    return last == TEXT_END_MARK ? size - 1 : size;
}

}  // namespace

bool appendText(const char* path, const char* text) {
    if (path == nullptr || text == nullptr) return false;
    // Anything that exists but is not a regular file (a folder, a FIFO that would block)
    // is left alone.
    if (platform::pathKind(path) == platform::PathKind::Other) return false;
    FileSystem& files = platform::fileSystem();
    const FileHandle file = files.openOrCreate(path);
    if (file == platform::NO_FILE) return false;
    const std::size_t length = std::strlen(text);
    bool written = length == 0;
    if (!written && lockForAppend(files, file)) {
        // Under the lock, the end found is still the end when the text is written.
        const std::int64_t offset = appendOffset(files, file);
        written = offset >= 0 && files.write(file, offset, reinterpret_cast<const std::uint8_t*>(text), length);
    }
    return files.close(file) && written;  // the close releases the lock
}

}  // namespace kelvane

#include "platform/file_rewrite.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace kelvane::platform {
namespace {

// Bytes copied at a time between the file and its journal.
constexpr std::size_t COPY_BLOCK_SIZE = 1u << 20;

// The trailer after a journal's copy of the original: this mark, then the copy's length
// (8 bytes, little-endian). Written only once the copy is synced, so a journal that has
// it is complete.
constexpr std::uint8_t JOURNAL_MARK[8] = {'K', 'V', 'N', 'J', 'R', 'N', 'L', '1'};
constexpr std::size_t TRAILER_SIZE = sizeof JOURNAL_MARK + 8;

// How a rewrite by rename ended.
enum class RenameOutcome { Done, Failed, Refused };

struct Trailer {
    std::uint8_t bytes[TRAILER_SIZE];
};

Trailer trailerFor(std::int64_t length) {
    Trailer trailer{};
    std::memcpy(trailer.bytes, JOURNAL_MARK, sizeof JOURNAL_MARK);
    const auto value = static_cast<std::uint64_t>(length);
    for (std::size_t i = 0; i < 8; ++i) trailer.bytes[sizeof JOURNAL_MARK + i] = static_cast<std::uint8_t>(value >> (8 * i));
    return trailer;
}

// Reads exactly `count` bytes from `offset`.
bool readExactly(FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count) {
    while (count > 0) {
        const std::int64_t got = fileSystem().read(file, offset, buffer, count);
        if (got <= 0) return false;
        offset += got;
        buffer += got;
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

struct FreeBlock {
    void operator()(std::uint8_t* block) const { std::free(block); }
};

// The first `length` bytes of `from` to the start of `to`.
bool copyContents(FileHandle from, FileHandle to, std::int64_t length) {
    // malloc, not nothrow new: the runtime's nothrow new catches a thrown bad_alloc, which
    // would bring the C++ exception code into the DLL for this one buffer.
    const std::unique_ptr<std::uint8_t, FreeBlock> block(static_cast<std::uint8_t*>(std::malloc(COPY_BLOCK_SIZE)));
    if (!block) return false;
    for (std::int64_t offset = 0; offset < length;) {
        const auto count = static_cast<std::size_t>(std::min<std::int64_t>(length - offset, COPY_BLOCK_SIZE));
        if (!readExactly(from, offset, block.get(), count) || !fileSystem().write(to, offset, block.get(), count)) {
            return false;
        }
        offset += static_cast<std::int64_t>(count);
    }
    return true;
}

// The length of the original a journal holds, or -1 when it has no valid trailer.
std::int64_t savedLength(FileHandle journal) {
    const std::int64_t total = fileSystem().size(journal);
    if (total < static_cast<std::int64_t>(TRAILER_SIZE)) return -1;
    const std::int64_t length = total - static_cast<std::int64_t>(TRAILER_SIZE);
    Trailer found{};
    if (!readExactly(journal, length, found.bytes, TRAILER_SIZE)) return -1;
    const Trailer expected = trailerFor(length);
    return std::memcmp(found.bytes, expected.bytes, TRAILER_SIZE) == 0 ? length : -1;
}

// The journal's copy back into the file, cut to its length and synced.
bool putBack(FileHandle journal, std::int64_t length, FileHandle file) {
    FileSystem& files = fileSystem();
    return copyContents(journal, file, length) && files.setSize(file, length) && files.flush(file);
}

// Deletes a journal whose file is restored or rewritten, durably.
void dropJournal(FileHandle journal, const char* name) {
    FileSystem& files = fileSystem();
    files.close(journal);
    if (files.remove(name)) files.sync(name);
}

// Restores the file from the journal at `name`, if there is one.
bool restoreFrom(const char* name, const char* path) {
    FileSystem& files = fileSystem();
    bool absent = false;
    const FileHandle journal = files.openJournal(name, &absent);
    if (journal == NO_FILE) return absent;
    const std::int64_t length = savedLength(journal);
    if (length < 0) {
        // Never completed, so the file was never touched.
        dropJournal(journal, name);
        return true;
    }
    const FileHandle file = files.openWrite(path);
    bool restored = file != NO_FILE && putBack(journal, length, file);
    if (file != NO_FILE) restored = files.close(file) && restored;
    if (!restored) {
        files.close(journal);
        return false;
    }
    dropJournal(journal, name);
    return true;
}

// A copy of the original in a new journal, synced and sealed with its trailer.
FileHandle saveOriginal(const char* path, FileHandle original, std::int64_t size, char name[PATH_CAPACITY]) {
    FileSystem& files = fileSystem();
    char names[JOURNAL_PLACES][PATH_CAPACITY];
    int count = 0;
    if (!files.journalNames(path, names, &count)) return NO_FILE;
    for (int place = 0; place < count; ++place) {
        const FileHandle journal = files.createJournal(names[place]);
        if (journal == NO_FILE) continue;
        std::strcpy(name, names[place]);
        const Trailer trailer = trailerFor(size);
        // The copy is synced before its trailer, so that no device order can give a
        // trailer without the bytes before it; the folder's sync makes the journal's
        // name last as long as the overwrite it guards.
        if (copyContents(original, journal, size) && files.flush(journal) &&
            files.write(journal, size, trailer.bytes, TRAILER_SIZE) && files.flush(journal) && files.sync(name)) {
            return journal;
        }
        files.close(journal);
        files.remove(name);
        return NO_FILE;
    }
    return NO_FILE;
}

// New contents into a new file beside the original, renamed over it.
RenameOutcome rewriteByRename(const char* path, FileHandle original, std::int64_t size, const ContentWriter& write) {
    FileSystem& files = fileSystem();
    char name[PATH_CAPACITY];
    if (!files.newFileName(path, name)) return RenameOutcome::Refused;
    const FileHandle file = files.createNewFile(name, path);
    if (file == NO_FILE) return RenameOutcome::Refused;
    RewriteSink sink(file);
    // A file that changed size meanwhile would lose what changed.
    bool written = write(original, size, sink) && files.size(original) == size && files.flush(file);
    written = files.close(file) && written;
    if (written && files.replace(path, name)) return RenameOutcome::Done;
    files.remove(name);
    return written ? RenameOutcome::Refused : RenameOutcome::Failed;
}

// New contents written over the file itself, behind a journal of the original.
RewriteResult rewriteInPlace(const char* path, FileHandle file, FileHandle original, std::int64_t size,
                             const ContentWriter& write) {
    FileSystem& files = fileSystem();
    char name[PATH_CAPACITY];
    const FileHandle journal = saveOriginal(path, original, size, name);
    if (journal == NO_FILE) return RewriteResult::Failed;
    if (files.size(file) != size) {
        // Changed since it was measured: the copy would not restore it.
        dropJournal(journal, name);
        return RewriteResult::Failed;
    }
    RewriteSink sink(file);
    if (write(journal, size, sink) && files.setSize(file, sink.end()) && files.flush(file)) {
        // Deleting the journal is the commit: a journal that stays would take the file
        // back at the next call, so it is taken back now, and the call has failed.
        files.close(journal);
        if (files.remove(name)) {
            files.sync(name);
            return RewriteResult::Rewritten;
        }
        restoreFrom(name, path);
        return RewriteResult::Failed;
    }
    if (putBack(journal, size, file)) {
        dropJournal(journal, name);
    } else {
        files.close(journal);  // the only copy of the original: the next call restores it
    }
    return RewriteResult::Failed;
}

RewriteResult rewriteOpenFile(const char* path, FileHandle file, FileHandle original, const ContentWriter& write,
                              RewriteWay way) {
    FileSystem& files = fileSystem();
    const std::int64_t size = files.size(original);
    if (size < 0) return RewriteResult::Failed;
    if (way == RewriteWay::Either && files.renameKeepsFile(path, file)) {
        const RenameOutcome renamed = rewriteByRename(path, original, size, write);
        if (renamed == RenameOutcome::Done) return RewriteResult::Rewritten;
        if (renamed == RenameOutcome::Failed) return RewriteResult::Failed;
    }
    return rewriteInPlace(path, file, original, size, write);
}

}  // namespace

bool RewriteSink::write(std::int64_t offset, const std::uint8_t* bytes, std::size_t count) {
    if (!fileSystem().write(file_, offset, bytes, count)) return false;
    end_ = std::max(end_, offset + static_cast<std::int64_t>(count));
    return true;
}

bool restoreInterruptedRewrite(const char* path) {
    FileSystem& files = fileSystem();
    char full[PATH_CAPACITY];
    if (path == nullptr || !files.fullPath(path, full)) return true;  // no file: nothing to restore into
    char newFile[PATH_CAPACITY];
    // A new file left by a rename that never happened: never the only copy of anything.
    if (files.newFileName(full, newFile) && files.remove(newFile)) files.sync(newFile);
    char names[JOURNAL_PLACES][PATH_CAPACITY];
    int count = 0;
    if (!files.journalNames(full, names, &count)) return true;
    bool restored = true;
    for (int place = 0; place < count; ++place) restored = restoreFrom(names[place], full) && restored;
    return restored;
}

RewriteResult rewriteFile(const char* path, const ContentWriter& write, RewriteWay way) {
    FileSystem& files = fileSystem();
    char full[PATH_CAPACITY];
    if (path == nullptr || !files.fullPath(path, full)) return RewriteResult::CannotOpen;
    if (!restoreInterruptedRewrite(full)) return RewriteResult::Failed;
    const FileHandle file = files.openWrite(full);
    if (file == NO_FILE) return RewriteResult::CannotOpen;
    const FileHandle original = files.openRead(full);
    if (original == NO_FILE) {
        files.close(file);
        return RewriteResult::CannotOpen;
    }
    RewriteResult result = rewriteOpenFile(full, file, original, write, way);
    // Closing only releases the handles: what was written is already synced or put back.
    files.close(original);
    files.close(file);
    return result;
}

}  // namespace kelvane::platform

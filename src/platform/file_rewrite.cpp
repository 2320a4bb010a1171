#include "platform/file_rewrite.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>

#include "platform/pause.h"

namespace kelvane::platform {
namespace {

// Bytes copied at a time between the file and its journal.
constexpr std::size_t COPY_BLOCK_SIZE = 1u << 20;

// The record after a journal's copy of the original: the file's identity, the caller's
// note, this mark, then the copy's length (8 bytes, little-endian). Written only once the
// copy is synced, so a journal that has it is complete.
constexpr std::uint8_t JOURNAL_MARK[8] = {'K', 'V', 'N', 'J', 'R', 'N', 'L', '2'};
constexpr std::size_t IDENTITY_AT = 0;
constexpr std::size_t NOTE_AT = IDENTITY_AT + sizeof(FileIdentity);
constexpr std::size_t MARK_AT = NOTE_AT + sizeof(RewriteNote);
constexpr std::size_t LENGTH_AT = MARK_AT + sizeof JOURNAL_MARK;
constexpr std::size_t RECORD_SIZE = LENGTH_AT + 8;

// Times the holder of a lock is looked at again while it waits, at most this far apart (ms).
constexpr int LOCK_POLL_LIMIT_MS = 50;
// Times a file renamed over the path while we waited for its lock is opened again.
constexpr int REOPEN_LIMIT = 100;

// How a rewrite by rename ended.
enum class RenameOutcome { Done, Failed, Refused };

struct Record {
    std::uint8_t bytes[RECORD_SIZE];
};

// What a complete journal says of the file it was made for.
struct JournalEntry {
    std::int64_t length = -1;  // of the original; -1: no valid record
    bool unread = false;       // the record could not be read: nothing is known of it
    FileIdentity identity{};
    RewriteNote note{};
};

Record recordFor(const JournalEntry& entry) {
    Record record{};
    std::memcpy(record.bytes + IDENTITY_AT, entry.identity.bytes, sizeof entry.identity.bytes);
    std::memcpy(record.bytes + NOTE_AT, entry.note.bytes, sizeof entry.note.bytes);
    std::memcpy(record.bytes + MARK_AT, JOURNAL_MARK, sizeof JOURNAL_MARK);
    const auto value = static_cast<std::uint64_t>(entry.length);
    for (std::size_t i = 0; i < 8; ++i) record.bytes[LENGTH_AT + i] = static_cast<std::uint8_t>(value >> (8 * i));
    return record;
}

// A sink onto the file itself, or a new file.
class FileSink : public RewriteSink {
public:
    explicit FileSink(FileHandle file) : file_(file) {}
    bool write(std::int64_t offset, const std::uint8_t* bytes, std::size_t count) override {
        if (!fileSystem().write(file_, offset, bytes, count)) return false;
        reach(offset, count);
        return true;
    }

private:
    FileHandle file_;
};

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

// Up to `count` bytes from `offset`, fewer at the end: the number read, or -1.
std::int64_t readUpTo(FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count) {
    std::size_t total = 0;
    while (total < count) {
        const std::int64_t got = fileSystem().read(file, offset + static_cast<std::int64_t>(total), buffer + total,
                                                   count - total);
        if (got < 0) return -1;
        if (got == 0) break;
        total += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(total);
}

struct FreeBlock {
    void operator()(std::uint8_t* block) const { std::free(block); }
};
using Block = std::unique_ptr<std::uint8_t[], FreeBlock>;

// A buffer of COPY_BLOCK_SIZE bytes, or null. malloc, not nothrow new: the runtime's
// nothrow new catches a thrown bad_alloc, which would bring the C++ exception code into
// the DLL for this one buffer.
Block newBlock() { return Block(static_cast<std::uint8_t*>(std::malloc(COPY_BLOCK_SIZE))); }

// The first `length` bytes of `from` to the start of `to`.
bool copyContents(FileHandle from, FileHandle to, std::int64_t length) {
    const Block block = newBlock();
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

// What the journal's record says; length -1 when it has none that is valid.
JournalEntry readEntry(FileHandle journal) {
    JournalEntry entry;
    const std::int64_t total = fileSystem().size(journal);
    entry.unread = total < 0;
    if (total < static_cast<std::int64_t>(RECORD_SIZE)) return entry;
    const std::int64_t length = total - static_cast<std::int64_t>(RECORD_SIZE);
    Record found{};
    if (!readExactly(journal, length, found.bytes, RECORD_SIZE)) {
        entry.unread = true;
        return entry;
    }
    std::memcpy(entry.identity.bytes, found.bytes + IDENTITY_AT, sizeof entry.identity.bytes);
    std::memcpy(entry.note.bytes, found.bytes + NOTE_AT, sizeof entry.note.bytes);
    entry.length = length;
    const Record expected = recordFor(entry);
    if (std::memcmp(found.bytes, expected.bytes, RECORD_SIZE) != 0) entry.length = -1;
    return entry;
}

bool isEmpty(const RewriteNote& note) {
    return std::all_of(std::begin(note.bytes), std::end(note.bytes), [](std::uint8_t byte) { return byte == 0; });
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

// True when the first `length` bytes of the journal can all be read: a writer that fails
// on the journal after this failed on what it found there, not on reading it.
bool readsWhole(FileHandle journal, std::int64_t length) {
    const Block block = newBlock();
    if (!block) return false;
    for (std::int64_t offset = 0; offset < length;) {
        const auto count = static_cast<std::size_t>(std::min<std::int64_t>(length - offset, COPY_BLOCK_SIZE));
        if (!readExactly(journal, offset, block.get(), count)) return false;
        offset += static_cast<std::int64_t>(count);
    }
    return true;
}

// A sink that writes nothing: it compares what the writer produces again with the file
// as a crash left it, where each byte must be the new contents' or the original's.
class ComparingSink : public RewriteSink {
public:
    ComparingSink(FileHandle file, FileHandle journal, std::int64_t length)
        : file_(file), journal_(journal), originalLength_(length), fileLength_(fileSystem().size(file)),
          now_(newBlock()), original_(newBlock()) {}

    bool write(std::int64_t offset, const std::uint8_t* bytes, std::size_t count) override {
        if (!now_ || !original_ || fileLength_ < 0) return unreadable();
        reach(offset, count);
        while (count > 0) {
            const std::size_t piece = std::min(count, COPY_BLOCK_SIZE);
            if (!compare(offset, bytes, piece)) return unreadable();
            offset += static_cast<std::int64_t>(piece);
            bytes += piece;
            count -= piece;
        }
        return true;
    }

    // True when the file or the journal could not be read: nothing is known of the file.
    bool failed() const { return failed_; }

    // After the writer: true when the file is a state the rewrite could have left. Its
    // length is the new one, or between the original's and the longest the writes reach
    // before the cut; past the new end, only the original's bytes.
    bool couldBeLeft() {
        const std::int64_t newEnd = end();
        const bool lengthFits = fileLength_ == newEnd ||
                                (fileLength_ >= originalLength_ && fileLength_ <= std::max(originalLength_, newEnd));
        return matches_ && lengthFits && (fileLength_ <= newEnd || tailIsOriginal(newEnd));
    }

private:
    bool unreadable() {
        failed_ = true;
        return false;
    }


    bool compare(std::int64_t offset, const std::uint8_t* bytes, std::size_t count) {
        const std::int64_t now = readUpTo(file_, offset, now_.get(), count);
        const std::int64_t original =
            offset < originalLength_
                ? readUpTo(journal_, offset, original_.get(),
                           static_cast<std::size_t>(std::min<std::int64_t>(count, originalLength_ - offset)))
                : 0;
        if (now < 0 || original < 0) return false;
        for (std::int64_t i = 0; i < now; ++i) {
            const std::uint8_t byte = now_[static_cast<std::size_t>(i)];
            matches_ = matches_ && (byte == bytes[i] || (i < original && byte == original_[static_cast<std::size_t>(i)]));
        }
        return true;
    }

    bool tailIsOriginal(std::int64_t from) {
        for (std::int64_t offset = from; offset < fileLength_;) {
            const auto count = static_cast<std::size_t>(std::min<std::int64_t>(fileLength_ - offset, COPY_BLOCK_SIZE));
            if (!readExactly(file_, offset, now_.get(), count) || !readExactly(journal_, offset, original_.get(), count)) {
                return unreadable();
            }
            if (std::memcmp(now_.get(), original_.get(), count) != 0) return false;
            offset += static_cast<std::int64_t>(count);
        }
        return true;
    }

    FileHandle file_;
    FileHandle journal_;
    std::int64_t originalLength_;
    std::int64_t fileLength_;
    Block now_;
    Block original_;
    bool matches_ = true;
    bool failed_ = false;
};

// Whether a journal may go back onto the held file.
enum class Fit {
    Yes,
    No,       // made for another file, or for a state the file has left: it may go
    Unknown,  // it could not be checked (a read failed, a note no writer here reads): it stays
};

// Whether the held file may take the journal's original back: the file it was made for,
// in a state the interrupted rewrite could have left (see file_rewrite.h).
Fit journalFits(const HeldFile& held, FileHandle journal, const JournalEntry& entry, const RecoveryWriter& recover) {
    FileSystem& files = fileSystem();
    FileIdentity identity;
    if (!files.identity(held.handle(), &identity)) return Fit::Unknown;
    if (std::memcmp(identity.bytes, entry.identity.bytes, sizeof identity.bytes) != 0) return Fit::No;
    if (isEmpty(entry.note)) return recover ? Fit::No : Fit::Yes;
    if (!recover || !readsWhole(journal, entry.length)) return Fit::Unknown;
    const FileHandle now = files.openRead(held.path());
    if (now == NO_FILE) return Fit::Unknown;
    ComparingSink comparing(now, journal, entry.length);
    const bool fits = recover(entry.note, journal, entry.length, comparing) && comparing.couldBeLeft();
    const Fit fit = comparing.failed() ? Fit::Unknown : fits ? Fit::Yes : Fit::No;
    files.close(now);
    return fit;
}

// Puts the original back from the journal at `name`, if there is one that fits the held
// file; drops one that never completed or does not fit. False when one stays.
bool restoreFrom(const char* name, const HeldFile& held, const RecoveryWriter& recover) {
    FileSystem& files = fileSystem();
    bool absent = false;
    const FileHandle journal = files.openJournal(name, &absent);
    if (journal == NO_FILE) return absent;
    const JournalEntry entry = readEntry(journal);
    // Never completed, so the file was never touched; or made for another file, or for
    // a state the file has left: nothing of it may go back.
    const Fit fit = entry.unread         ? Fit::Unknown
                    : entry.length < 0   ? Fit::No
                                         : journalFits(held, journal, entry, recover);
    if (fit == Fit::No) {
        dropJournal(journal, name);
        return true;
    }
    if (fit == Fit::Unknown || !putBack(journal, entry.length, held.handle())) {
        files.close(journal);
        return false;
    }
    dropJournal(journal, name);
    return true;
}

// Puts back our own journal at `name` whose delete (the commit) failed.
bool takeBack(const char* name, FileHandle file) {
    FileSystem& files = fileSystem();
    bool absent = false;
    const FileHandle journal = files.openJournal(name, &absent);
    if (journal == NO_FILE) return false;
    const JournalEntry entry = readEntry(journal);
    const bool restored = entry.length >= 0 && putBack(journal, entry.length, file);
    if (restored) {
        dropJournal(journal, name);
    } else {
        files.close(journal);
    }
    return restored;
}

// Waits, bounded, for the file's rewrite lock.
bool waitForLock(FileHandle file) {
    // The wait is counted in the pauses taken (no clock, so no time code in the DLL): a
    // pause may run longer than asked, which only makes the wait longer, never shorter.
    const std::int64_t limit = static_cast<std::int64_t>(REWRITE_LOCK_WAIT) * 1000;
    std::int64_t waited = 0;
    int pause = 1;
    for (;;) {
        const LockAttempt attempt = fileSystem().tryLock(file);
        // Where the file system has no locks, the call goes on as it would without them.
        if (attempt != LockAttempt::Busy) return attempt != LockAttempt::Failed;
        if (waited >= limit) return false;
        pauseMilliseconds(pause);
        waited += pause;
        pause = std::min(pause * 2, LOCK_POLL_LIMIT_MS);
    }
}

// A copy of the original in a new journal, synced and sealed with its record.
FileHandle saveOriginal(const char* path, FileHandle original, const JournalEntry& entry, char name[PATH_CAPACITY]) {
    FileSystem& files = fileSystem();
    char names[JOURNAL_PLACES][PATH_CAPACITY];
    int count = 0;
    if (!files.journalNames(path, names, &count)) return NO_FILE;
    for (int place = 0; place < count; ++place) {
        const FileHandle journal = files.createJournal(names[place]);
        if (journal == NO_FILE) continue;
        std::strcpy(name, names[place]);
        const Record record = recordFor(entry);
        // The copy is synced before its record, so that no device order can give a
        // record without the bytes before it; the folder's sync makes the journal's
        // name last as long as the overwrite it guards.
        if (copyContents(original, journal, entry.length) && files.flush(journal) &&
            files.write(journal, entry.length, record.bytes, RECORD_SIZE) && files.flush(journal) &&
            files.sync(name)) {
            return journal;
        }
        files.close(journal);
        files.remove(name);
        return NO_FILE;
    }
    return NO_FILE;
}

// New contents into a new file beside the original, put in its place.
RenameOutcome rewriteByRename(const char* path, FileHandle original, std::int64_t size, const ContentWriter& write) {
    FileSystem& files = fileSystem();
    const FileHandle file = files.createNewFile(path);
    if (file == NO_FILE) return RenameOutcome::Refused;
    FileSink sink(file);
    // A file that changed size meanwhile would lose what changed.
    const bool written = write(original, size, sink) && files.size(original) == size && files.flush(file);
    const bool replaced = written && files.replace(path, file);
    files.close(file);  // what counts is synced: a close that fails changes nothing of it
    if (replaced) return RenameOutcome::Done;
    return written ? RenameOutcome::Refused : RenameOutcome::Failed;
}

// New contents written over the file itself, behind a journal of the original.
RewriteResult rewriteInPlace(const HeldFile& held, FileHandle original, const JournalEntry& entry,
                             const ContentWriter& write) {
    FileSystem& files = fileSystem();
    const FileHandle file = held.handle();
    char name[PATH_CAPACITY];
    const FileHandle journal = saveOriginal(held.path(), original, entry, name);
    if (journal == NO_FILE) return RewriteResult::Failed;
    if (files.size(file) != entry.length) {
        // Changed since it was measured: the copy would not restore it.
        dropJournal(journal, name);
        return RewriteResult::Failed;
    }
    FileSink sink(file);
    if (write(journal, entry.length, sink) && files.setSize(file, sink.end()) && files.flush(file)) {
        // Deleting the journal is the commit: a journal that stays would take the file
        // back at the next call, so it is taken back now, and the call has failed.
        files.close(journal);
        if (files.remove(name)) {
            files.sync(name);
            return RewriteResult::Rewritten;
        }
        takeBack(name, file);
        return RewriteResult::Failed;
    }
    if (putBack(journal, entry.length, file)) {
        dropJournal(journal, name);
    } else {
        files.close(journal);  // the only copy of the original: the next call restores it
    }
    return RewriteResult::Failed;
}

RewriteResult rewriteOpenFile(const HeldFile& held, FileHandle original, const ContentWriter& write, RewriteWay way,
                              const RewriteNote& note) {
    FileSystem& files = fileSystem();
    JournalEntry entry;
    entry.length = files.size(original);
    entry.note = note;
    if (entry.length < 0 || !files.identity(held.handle(), &entry.identity)) return RewriteResult::Failed;
    if (way == RewriteWay::Either && files.renameKeepsFile(held.path(), held.handle())) {
        const RenameOutcome renamed = rewriteByRename(held.path(), original, entry.length, write);
        if (renamed == RenameOutcome::Done) return RewriteResult::Rewritten;
        if (renamed == RenameOutcome::Failed) return RewriteResult::Failed;
    }
    return rewriteInPlace(held, original, entry, write);
}

// Puts back what an interrupted rewrite of the held file left, under its lock.
bool recoverHeld(const HeldFile& held, const RecoveryWriter& recover) {
    FileSystem& files = fileSystem();
    char names[JOURNAL_PLACES][PATH_CAPACITY];
    int count = 0;
    if (!files.journalNames(held.path(), names, &count)) return true;
    bool restored = true;
    for (int place = 0; place < count; ++place) restored = restoreFrom(names[place], held, recover) && restored;
    return restored;
}

}  // namespace

void RewriteSink::reach(std::int64_t offset, std::size_t count) {
    end_ = std::max(end_, offset + static_cast<std::int64_t>(count));
}

HeldFile::~HeldFile() {
    if (file_ != NO_FILE) fileSystem().close(file_);  // releases the lock
}

HoldResult HeldFile::hold(const char* path, const RecoveryWriter& recover) {
    FileSystem& files = fileSystem();
    if (path == nullptr || !files.fullPath(path, full_)) return HoldResult::CannotOpen;
    for (int attempt = 0; attempt < REOPEN_LIMIT; ++attempt) {
        file_ = files.openWrite(full_);
        if (file_ == NO_FILE) return HoldResult::CannotOpen;
        if (!waitForLock(file_)) return HoldResult::Failed;
        // A rewrite by rename ended while we waited: the lock is on a file that is gone.
        if (files.isNamed(full_, file_)) return recoverHeld(*this, recover) ? HoldResult::Held : HoldResult::Failed;
        files.close(file_);
        file_ = NO_FILE;
    }
    return HoldResult::Failed;
}

RewriteResult rewriteFile(HeldFile& held, const ContentWriter& write, RewriteWay way, const RewriteNote& note) {
    FileSystem& files = fileSystem();
    const FileHandle original = files.openRead(held.path());
    if (original == NO_FILE) return RewriteResult::CannotOpen;
    const RewriteResult result = rewriteOpenFile(held, original, write, way, note);
    // Closing only releases the handle: what was written is already synced or put back.
    files.close(original);
    return result;
}

RewriteResult rewriteFile(const char* path, const ContentWriter& write, RewriteWay way) {
    HeldFile held;
    switch (held.hold(path)) {
        case HoldResult::Held:
            return rewriteFile(held, write, way);
        case HoldResult::CannotOpen:
            return RewriteResult::CannotOpen;
        default:
            return RewriteResult::Failed;
    }
}

bool restoreInterruptedRewrite(const char* path, const RecoveryWriter& recover) {
    HeldFile held;
    return held.hold(path, recover) != HoldResult::Failed;
}

}  // namespace kelvane::platform

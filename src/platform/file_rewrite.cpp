#include "platform/file_rewrite.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/block.h"
#include "platform/lock_wait.h"
#include "platform/pause.h"

namespace kelvane::platform {
namespace {

// Bytes copied at a time between the file and its journal.
constexpr std::size_t COPY_BLOCK_SIZE = 1u << 20;

// The record at a journal's end: a mark, the file's identity, the caller's note, the
// original's length, the length of the new contents kept after it (-1: none kept), and
// the seal over all of that. Written first with the pending mark, then, once the copy is
// synced, again with the complete mark: a journal that has it is complete.
constexpr std::uint8_t PENDING_MARK[8] = {'K', 'V', 'N', 'J', 'P', 'N', 'D', '3'};
constexpr std::uint8_t COMPLETE_MARK[8] = {'K', 'V', 'N', 'J', 'R', 'N', 'L', '3'};
constexpr std::size_t MARK_AT = 0;
constexpr std::size_t IDENTITY_AT = MARK_AT + sizeof COMPLETE_MARK;
constexpr std::size_t NOTE_AT = IDENTITY_AT + sizeof(FileIdentity);
constexpr std::size_t LENGTH_AT = NOTE_AT + sizeof(RewriteNote);
constexpr std::size_t NEW_LENGTH_AT = LENGTH_AT + 8;
constexpr std::size_t SEAL_AT = NEW_LENGTH_AT + 8;
constexpr std::size_t RECORD_SIZE = SEAL_AT + SEAL_SIZE;

// Times a file renamed over the path while we waited for its lock is opened again.
constexpr int REOPEN_LIMIT = 100;

// How a rewrite by rename ended.
enum class RenameOutcome { Done, Failed, Refused };

struct Record {
    std::uint8_t bytes[RECORD_SIZE];
};

// What a journal's record says.
enum class JournalState {
    NotOurs,     // no record of ours: someone else's file under the name, left alone
    Unreadable,  // it could not be read: nothing is known of it
    Pending,     // ours, never completed: the file was never touched
    Complete,    // ours, complete: it may have to go back
};

struct JournalEntry {
    JournalState state = JournalState::NotOurs;
    FileIdentity identity{};
    RewriteNote note{};
    std::int64_t length = 0;      // of the original
    std::int64_t newLength = -1;  // of the new contents kept after it; -1: none kept
};

void putNumber(std::uint8_t* at, std::int64_t value) {
    const auto bits = static_cast<std::uint64_t>(value);
    for (std::size_t i = 0; i < 8; ++i) at[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

std::int64_t getNumber(const std::uint8_t* at) {
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < 8; ++i) bits |= std::uint64_t{at[i]} << (8 * i);
    return static_cast<std::int64_t>(bits);
}

// The record for `entry` with `mark`, sealed; false when no seal can be made.
bool recordFor(const JournalEntry& entry, const std::uint8_t (&mark)[8], Record* record) {
    *record = Record{};
    std::memcpy(record->bytes + MARK_AT, mark, sizeof mark);
    std::memcpy(record->bytes + IDENTITY_AT, entry.identity.bytes, sizeof entry.identity.bytes);
    std::memcpy(record->bytes + NOTE_AT, entry.note.bytes, sizeof entry.note.bytes);
    putNumber(record->bytes + LENGTH_AT, entry.length);
    putNumber(record->bytes + NEW_LENGTH_AT, entry.newLength);
    return fileSystem().seal(record->bytes, SEAL_AT, record->bytes + SEAL_AT);
}

bool isEmpty(const RewriteNote& note) {
    return std::all_of(std::begin(note.bytes), std::end(note.bytes), [](std::uint8_t byte) { return byte == 0; });
}

void step(const char* name) {
    if (fileSystem().step != nullptr) fileSystem().step(name);
}

// A sink onto a file, `base` bytes further in.
class FileSink : public RewriteSink {
public:
    explicit FileSink(FileHandle file, std::int64_t base = 0) : file_(file), base_(base) {}
    bool write(std::int64_t offset, const std::uint8_t* bytes, std::size_t count) override {
        if (!fileSystem().write(file_, base_ + offset, bytes, count)) return false;
        reach(offset, count);
        return true;
    }
    bool writableBeside() const override { return true; }

private:
    FileHandle file_;
    std::int64_t base_;
};

// Reads exactly `count` bytes from `offset`.
bool readExactly(FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count) {
    return readFully(file, offset, buffer, count) == static_cast<std::int64_t>(count);
}

// `length` bytes of `from` at `fromOffset` into `sink` at 0 on.
bool copyInto(FileHandle from, std::int64_t fromOffset, std::int64_t length, RewriteSink& sink) {
    const Block block = newBlock(COPY_BLOCK_SIZE);
    if (!block) return false;
    for (std::int64_t offset = 0; offset < length;) {
        const auto count = static_cast<std::size_t>(std::min<std::int64_t>(length - offset, COPY_BLOCK_SIZE));
        if (!readExactly(from, fromOffset + offset, block.get(), count) || !sink.write(offset, block.get(), count)) {
            return false;
        }
        offset += static_cast<std::int64_t>(count);
    }
    return true;
}

// The first `length` bytes of `from` to the start of `to`.
bool copyContents(FileHandle from, FileHandle to, std::int64_t length) {
    FileSink sink(to);
    return copyInto(from, 0, length, sink);
}

bool isZero(const Record& record) {
    return std::all_of(std::begin(record.bytes), std::end(record.bytes), [](std::uint8_t byte) { return byte == 0; });
}

// What the record of a journal of ours (openJournal showed it) says. One whose record was
// never written (shorter than a record, or zero where it goes: a crash while it was made)
// never completed either.
JournalEntry readEntry(FileHandle journal) {
    JournalEntry entry;
    const std::int64_t total = fileSystem().size(journal);
    entry.state = total < 0 ? JournalState::Unreadable : JournalState::Pending;
    if (total < static_cast<std::int64_t>(RECORD_SIZE)) return entry;
    Record found{};
    if (!readExactly(journal, total - static_cast<std::int64_t>(RECORD_SIZE), found.bytes, RECORD_SIZE)) {
        entry.state = JournalState::Unreadable;
        return entry;
    }
    if (isZero(found)) return entry;
    entry.state = JournalState::NotOurs;
    const bool pending = std::memcmp(found.bytes + MARK_AT, PENDING_MARK, sizeof PENDING_MARK) == 0;
    const bool complete = std::memcmp(found.bytes + MARK_AT, COMPLETE_MARK, sizeof COMPLETE_MARK) == 0;
    std::memcpy(entry.identity.bytes, found.bytes + IDENTITY_AT, sizeof entry.identity.bytes);
    std::memcpy(entry.note.bytes, found.bytes + NOTE_AT, sizeof entry.note.bytes);
    entry.length = getNumber(found.bytes + LENGTH_AT);
    entry.newLength = getNumber(found.bytes + NEW_LENGTH_AT);
    Record expected{};
    if (!(pending || complete) || !recordFor(entry, pending ? PENDING_MARK : COMPLETE_MARK, &expected)) return entry;
    const std::int64_t body = entry.length + std::max<std::int64_t>(entry.newLength, 0);
    // The seal shows it is ours; the lengths must add up to where the record stands.
    if (std::memcmp(found.bytes, expected.bytes, RECORD_SIZE) != 0 || entry.length < 0 || entry.newLength < -1 ||
        body != total - static_cast<std::int64_t>(RECORD_SIZE)) {
        return entry;
    }
    entry.state = pending ? JournalState::Pending : JournalState::Complete;
    return entry;
}

// The journal's copy back into the file, cut to its length and synced.
bool putBack(FileHandle journal, std::int64_t length, FileHandle file) {
    FileSystem& files = fileSystem();
    return copyContents(journal, file, length) && files.setSize(file, length) && files.flush(file);
}

// Deletes a journal whose file is restored or rewritten, durably.
bool dropJournal(FileHandle journal, const FilePlace& place) {
    FileSystem& files = fileSystem();
    files.close(journal);
    return files.removeJournal(place);
}

// True when the first `length` bytes of the journal can all be read: a writer that fails
// on the journal after this failed on what it found there, not on reading it.
bool readsWhole(FileHandle journal, std::int64_t length) {
    const Block block = newBlock(COPY_BLOCK_SIZE);
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
          now_(newBlock(COPY_BLOCK_SIZE)), original_(newBlock(COPY_BLOCK_SIZE)) {}

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
        const std::int64_t now = readFully(file_, offset, now_.get(), count);
        const std::int64_t original =
            offset < originalLength_
                ? readFully(journal_, offset, original_.get(),
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

// Whether a complete journal may go back onto the held file.
enum class Fit {
    Yes,
    No,       // the file has left the state the crash left: someone changed it since
    Unknown,  // it could not be checked (a read failed, a note no writer here reads): it stays
};

// The new contents as the interrupted rewrite wrote them: produced again from the note,
// or copied from the journal, which keeps them where there is no note.
bool writeAgain(FileHandle journal, const JournalEntry& entry, const RecoveryWriter& recover, RewriteSink& sink) {
    if (entry.newLength >= 0) return copyInto(journal, entry.length, entry.newLength, sink);
    return recover != nullptr && recover(entry.note, journal, entry.length, sink);
}

// Whether the held file may take the journal's original back: in a state the
// interrupted rewrite could have left (see file_rewrite.h).
Fit journalFits(const HeldFile& held, FileHandle journal, const JournalEntry& entry, const RecoveryWriter& recover) {
    if (entry.newLength < 0 && (isEmpty(entry.note) || recover == nullptr)) return Fit::Unknown;
    if (!readsWhole(journal, entry.length)) return Fit::Unknown;
    ComparingSink comparing(held.handle(), journal, entry.length);
    const bool fits = writeAgain(journal, entry, recover, comparing) && comparing.couldBeLeft();
    return comparing.failed() ? Fit::Unknown : fits ? Fit::Yes : Fit::No;
}

// Puts the original back from the journal at `place`, if there is one of ours that fits
// the held file; drops one that never completed, sets aside one the file has moved on
// from, and leaves alone what is not ours. False when a journal of ours stays.
bool restoreFrom(const FilePlace& place, const HeldFile& held, const RecoveryWriter& recover) {
    FileSystem& files = fileSystem();
    bool absent = false;
    const FileHandle journal = files.openJournal(place, &absent);
    if (journal == NO_FILE) return absent;
    const JournalEntry entry = readEntry(journal);
    if (entry.state == JournalState::Unreadable) {
        files.close(journal);
        return false;
    }
    FileIdentity identity;
    const bool known = files.identity(held.handle(), &identity);
    if (entry.state == JournalState::NotOurs ||
        (known && std::memcmp(identity.bytes, entry.identity.bytes, sizeof identity.bytes) != 0)) {
        files.close(journal);  // someone else's file, or another file's journal: not ours to judge
        return true;
    }
    if (entry.state == JournalState::Pending) return dropJournal(journal, place);
    const Fit fit = known ? journalFits(held, journal, entry, recover) : Fit::Unknown;
    if (fit == Fit::No) {
        files.close(journal);
        return files.setAside(place);
    }
    if (fit == Fit::Unknown || !putBack(journal, entry.length, held.handle())) {
        files.close(journal);
        return false;
    }
    return dropJournal(journal, place);
}

// Puts back our own journal at `place` whose delete (the commit) failed.
bool takeBack(const FilePlace& place, FileHandle file) {
    FileSystem& files = fileSystem();
    bool absent = false;
    const FileHandle journal = files.openJournal(place, &absent);
    if (journal == NO_FILE) return false;
    const JournalEntry entry = readEntry(journal);
    const bool restored = entry.state == JournalState::Complete && putBack(journal, entry.length, file);
    if (restored) {
        dropJournal(journal, place);
    } else {
        files.close(journal);
    }
    return restored;
}

// True when something stands under one of the held file's journal names: a live rewrite
// in place shows one all along.
bool journalShows(const FilePlace& file, FileHandle handle) {
    FileSystem& files = fileSystem();
    FilePlace places[JOURNAL_PLACES];
    int count = 0;
    files.journalPlaces(file, handle, places, &count);
    for (int place = 0; place < count; ++place) {
        bool absent = false;
        const FileHandle journal = files.openJournal(places[place], &absent);
        if (journal != NO_FILE) files.close(journal);
        if (!absent) return true;
    }
    return false;
}

// Waits, bounded, for the file's rewrite lock (file_rewrite.h): a writer is waited for up
// to the writer's wait; any other holder for up to the reader's wait since a writer last
// showed.
bool waitForLock(const FilePlace& place, FileHandle file) {
    const LockWaits limits = lockWaits();
    std::int64_t waited = 0;
    std::int64_t writerSeenAt = 0;
    const auto tryOnce = [&] {
        const LockAttempt attempt = fileSystem().tryLock(file);
        // Where the file system has no locks, the call goes on as it would without them.
        if (attempt == LockAttempt::Held || attempt == LockAttempt::Unsupported) return LockTry{LockTry::Held};
        if (attempt == LockAttempt::Failed) return LockTry{LockTry::Refused};
        if (attempt == LockAttempt::Busy || journalShows(place, file)) writerSeenAt = waited;
        return LockTry{LockTry::Busy, std::min<std::int64_t>(limits.writerMs, writerSeenAt + limits.readerMs)};
    };
    const auto pause = [&waited, &limits](int milliseconds) {
        limits.pause(milliseconds);
        waited += milliseconds;
    };
    return waitForLockBounded(tryOnce, pause);
}

// The two records a journal gets: pending when it is begun, complete once its copy is synced.
struct JournalRecords {
    Record pending{};
    Record complete{};
};

bool recordsFor(const JournalEntry& entry, JournalRecords* records) {
    return recordFor(entry, PENDING_MARK, &records->pending) && recordFor(entry, COMPLETE_MARK, &records->complete);
}

// Fills a new journal at `place`: where it keeps the new contents (an empty note) those
// first, after the original's room; then the pending record, the copy of the original,
// synced, and the complete record, synced with the folder's entry. `records` are made
// beforehand where they can be, so that a crash finds the pending record as early as can be.
bool fillJournal(const HeldFile& held, FileHandle journal, const FilePlace& place, const ContentWriter& write,
                 JournalEntry* entry, JournalRecords records) {
    FileSystem& files = fileSystem();
    if (isEmpty(entry->note)) {
        FileSink kept(journal, entry->length);
        if (!write(held.handle(), entry->length, kept)) return false;
        entry->newLength = kept.end();
        if (!recordsFor(*entry, &records)) return false;
    }
    const std::int64_t recordAt = entry->length + std::max<std::int64_t>(entry->newLength, 0);
    // The copy is synced before the complete record, so that no device order can give a
    // record without the bytes before it; the folder's sync makes the journal's name last
    // as long as the overwrite it guards.
    return files.write(journal, recordAt, records.pending.bytes, RECORD_SIZE) &&
           copyContents(held.handle(), journal, entry->length) && files.flush(journal) &&
           files.write(journal, recordAt, records.complete.bytes, RECORD_SIZE) && files.flush(journal) &&
           files.syncFolder(place);
}

// A copy of the original in a new journal, in the first place that takes one.
FileHandle saveOriginal(const HeldFile& held, const ContentWriter& write, JournalEntry* entry, FilePlace* place) {
    FileSystem& files = fileSystem();
    JournalRecords records;
    if (!isEmpty(entry->note) && !recordsFor(*entry, &records)) return NO_FILE;
    FilePlace places[JOURNAL_PLACES];
    int count = 0;
    files.journalPlaces(held.place(), held.handle(), places, &count);
    for (int at = 0; at < count; ++at) {
        const FileHandle journal = files.createJournal(places[at]);
        if (journal == NO_FILE) continue;
        *place = places[at];
        if (fillJournal(held, journal, *place, write, entry, records)) return journal;
        dropJournal(journal, *place);
        return NO_FILE;
    }
    return NO_FILE;
}

// New contents into a new file beside the original, swapped in for it.
RenameOutcome rewriteByRename(const HeldFile& held, std::int64_t size, const ContentWriter& write) {
    FileSystem& files = fileSystem();
    const FileHandle file = files.createNewFile(held.place(), held.handle());
    if (file == NO_FILE) return RenameOutcome::Refused;
    FileSink sink(file);
    // A file that changed size meanwhile would lose what changed.
    const bool written = write(held.handle(), size, sink) && files.size(held.handle()) == size && files.flush(file);
    if (written) step("before replace");
    const bool replaced = written && files.replace(held.place(), file, held.handle());
    files.close(file);  // what counts is synced: a close that fails changes nothing of it
    if (replaced) return RenameOutcome::Done;
    return written ? RenameOutcome::Refused : RenameOutcome::Failed;
}

// New contents written over the held file itself, behind a journal of the original.
RewriteResult rewriteInPlace(const HeldFile& held, JournalEntry entry, const ContentWriter& write) {
    FileSystem& files = fileSystem();
    const FileHandle file = held.handle();
    FilePlace place;
    const FileHandle journal = saveOriginal(held, write, &entry, &place);
    if (journal == NO_FILE) return RewriteResult::Failed;
    step("journal saved");
    if (files.size(file) != entry.length) {
        // Changed since it was measured: the copy would not restore it.
        dropJournal(journal, place);
        return RewriteResult::Failed;
    }
    FileSink sink(file);
    const bool written = entry.newLength >= 0 ? copyInto(journal, entry.length, entry.newLength, sink)
                                              : write(journal, entry.length, sink);
    if (written && files.setSize(file, sink.end()) && files.flush(file)) {
        // Deleting the journal is the commit: a journal that stays would take the file
        // back at the next call, so it is taken back now, and the call has failed.
        files.close(journal);
        if (files.removeJournal(place)) return RewriteResult::Rewritten;
        takeBack(place, file);
        return RewriteResult::Failed;
    }
    if (putBack(journal, entry.length, file)) {
        dropJournal(journal, place);
    } else {
        files.close(journal);  // the only copy of the original: the next call restores it
    }
    return RewriteResult::Failed;
}

// Puts back what an interrupted rewrite of the held file left, under its lock.
bool recoverHeld(const HeldFile& held, const RecoveryWriter& recover) {
    FilePlace places[JOURNAL_PLACES];
    int count = 0;
    fileSystem().journalPlaces(held.place(), held.handle(), places, &count);
    bool restored = true;
    for (int place = 0; place < count; ++place) restored = restoreFrom(places[place], held, recover) && restored;
    return restored;
}

}  // namespace

LockWaits& lockWaits() {
    static LockWaits waits;
    return waits;
}

void RewriteSink::reach(std::int64_t offset, std::size_t count) {
    end_ = std::max(end_, offset + static_cast<std::int64_t>(count));
}

HeldFile::~HeldFile() { release(); }

void HeldFile::release() {
    FileSystem& files = fileSystem();
    if (file_ != NO_FILE) files.close(file_);  // releases the lock
    if (place_.folder != NO_FILE) files.close(place_.folder);
    file_ = NO_FILE;
    place_.folder = NO_FILE;
}

HoldResult HeldFile::hold(const char* path, const RecoveryWriter& recover) {
    FileSystem& files = fileSystem();
    if (path == nullptr) return HoldResult::CannotOpen;
    for (int attempt = 0; attempt < REOPEN_LIMIT; ++attempt) {
        release();
        file_ = files.openHeld(path, &place_);
        if (file_ == NO_FILE) return HoldResult::CannotOpen;
        step("opened");
        if (!waitForLock(place_, file_)) return HoldResult::Failed;
        // A rewrite by rename ended while we waited: the lock is on a file that is gone.
        if (files.isNamed(place_, file_)) return recoverHeld(*this, recover) ? HoldResult::Held : HoldResult::Failed;
    }
    return HoldResult::Failed;
}

RewriteResult rewriteFile(HeldFile& held, const ContentWriter& write, RewriteWay way, const RewriteNote& note) {
    FileSystem& files = fileSystem();
    JournalEntry entry;
    entry.length = files.size(held.handle());
    entry.note = note;
    if (entry.length < 0 || !files.identity(held.handle(), &entry.identity)) return RewriteResult::Failed;
    step("locked");
    if (way == RewriteWay::Either && files.renameKeepsFile(held.place(), held.handle())) {
        const RenameOutcome renamed = rewriteByRename(held, entry.length, write);
        if (renamed == RenameOutcome::Done) return RewriteResult::Rewritten;
        if (renamed == RenameOutcome::Failed) return RewriteResult::Failed;
    }
    return rewriteInPlace(held, entry, write);
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

int journalPaths(const char* path, char paths[JOURNAL_PLACES][PATH_CAPACITY]) {
    FileSystem& files = fileSystem();
    FilePlace place;
    if (path == nullptr || !files.placeOf(path, &place)) return 0;
    const FileHandle file = files.openRead(path);
    if (file == NO_FILE) return 0;
    FilePlace places[JOURNAL_PLACES];
    int count = 0;
    files.journalPlaces(place, file, places, &count);
    files.close(file);
    int joined = 0;
    for (int at = 0; at < count; ++at) joined += joinPath(places[at], paths[joined]) ? 1 : 0;
    return joined;
}

bool mayHaveJournal(const char* path) {
    FileSystem& files = fileSystem();
    FilePlace place;
    if (path == nullptr || !files.placeOf(path, &place)) return false;
    const FileHandle file = files.openRead(path);
    if (file == NO_FILE) return false;
    const bool shows = journalShows(place, file);
    files.close(file);
    return shows;
}

}  // namespace kelvane::platform

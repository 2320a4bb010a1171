// Rewriting a file's contents so that it stays the same file and survives a crash, and
// so that no neighbour (another local user who may read or write the folder or the file)
// can stall the rewrite, redirect it, or plant anything in it.
//
// A file is more than its bytes: its other hard links, owner, group, mode, ACLs,
// extended attributes, Windows attributes, a mount over it, and descriptors others hold.
// A new file renamed over it keeps none of these, and needs a writable folder besides.
// So there are two ways, chosen per call:
//
// - Rename: the new contents go to a new file in the original's folder that has no name
//   while it is written (O_TMPFILE: a crash leaves nothing, and no name can clash with a
//   user's file); synced, it is linked as ".NAME.kelvane-new-" and random digits and
//   swapped with the original's name in one step (RENAME_EXCHANGE). What came out under
//   the temporary name must be the held file: then it goes, and the swap is the commit.
//   Anything else (an editor saved another file under the name meanwhile) is swapped
//   back and the rewrite goes on in place, on the held file. Taken only where the
//   platform shows that the rename keeps everything (renameKeepsFile: on POSIX one link,
//   the caller owns the file and is in its group, a writable folder on the same mount
//   without the append-only flag or a default ACL, no extended attributes or ACLs, no
//   inode flags, no mount over the file), and where the file system can swap two names.
//   What it still changes is the inode: a descriptor opened earlier keeps the old contents.
// - In place, behind a journal (as a database's rollback journal): the original is
//   copied aside, synced, and marked complete by a record at its end; then the file
//   itself is overwritten through the held handle, cut to the new length, and synced;
//   then the copy is deleted, which is the commit: a copy that cannot be deleted puts
//   the original back and the call fails. Windows always takes this way: under Wine a
//   replacement takes the new file's Unix mode and loses the hidden attribute, and no
//   Win32 call shows the mode, so the rename could not be shown to keep it.
//
// Nothing is found again by name once the file is open. The hold opens the file's folder
// and then the file in it, and every later step works through those two handles: the
// original is read through the held file, the new file and the journal beside it are made
// in the held folder (openat on POSIX; on Windows the held folder and file are opened
// without delete sharing, so neither can be renamed or replaced while the call runs). A
// swap of the name or of a folder on the path after the open cannot move a write
// elsewhere: 2 means the file the call opened holds the new contents.
//
// After a failure, or a crash at any instant, the file holds its original contents or
// the complete new ones, or a complete journal exists from which the next call puts the
// original back before anything else. When a call returns, no copy is left, except a
// journal whose restore itself failed: it is then the only copy of the original.
//
// Locks, after SQLite's busy handling (a lock that cannot be had is answered after a
// bounded wait, never forever): every rewrite and every recovery runs while its handle
// holds the file's rewrite lock (an open file description write lock on POSIX, LockFileEx
// on Windows), which the system drops when the process dies; so a journal found under the
// lock is a dead writer's. Another live rewrite is waited for, up to REWRITE_LOCK_WAIT.
// But a lock in the way is not always a writer's: on POSIX anyone who may read the file
// can take a read lock on the same byte, and on Windows any handle can lock it. A holder
// counts as a writer only where the system shows it (POSIX: the conflicting lock is a
// write lock, which needs a descriptor open for writing) or while a journal of the file
// exists (a live rewrite in place always has one); any other holder is given
// READER_LOCK_WAIT, after which the call fails with the file untouched.
//
// Recovery is where a rollback journal can do harm: it writes old contents over whatever
// the file holds now. A journal is put back only when all of these hold:
//
// - No live rewrite: the lock above.
// - Ours: the record ends in a seal over all of it that only this user can make (on
//   Windows a keyed digest under a secret kept in the user's own registry hive, since
//   the folder may let others write; on POSIX the journal's owner, owner-only mode and
//   single link show it, and the seal is zero). A file under a journal's name that is
//   not ours is never read as a journal, never changed and never deleted; the rewrite
//   uses another place.
// - The same file: journals are named after the file's identity (device, inode and birth
//   time; volume serial and file ID), so every name of the file in that folder finds its
//   journal, also after a rename, and a later file given the same inode number does not.
//   The record repeats the identity.
// - The state the crash left: the record holds a note from which the caller re-derives
//   the new contents (cryptFile's file key), or, where there is no note (a hive, whose
//   image hivex cannot produce again), the journal keeps the new contents themselves
//   after the original. At recovery they are compared with the file: every byte must be
//   the original's or the new contents', at a length the rewrite could have left. A hive
//   restored from a backup in place, or a file changed since the crash, fails this.
//
// What a journal becomes:
// - One whose record says it never completed (the record is written first, marked
//   pending, and sealed as complete only once the copy is synced): the file was never
//   touched, so it is deleted.
// - One that fits: put back, then deleted.
// - One of ours whose file was changed after the crash (truncated, appended to, written
//   over): it is the only whole copy of the original, and the change is someone's later
//   work, so neither wins by guess: the file is left as it is and the journal is set
//   aside under a name of its own (".kelvane-journal-ID-kept-RANDOM"), for a person to
//   look at; the call goes on.
// - One that cannot be read or checked: kept, and the call fails (-3).
//
// Where the journal lives: beside a file of one name (".kelvane-journal-" and the
// identity in hex, where the folder lets us create and delete); for a file of several
// names, or a folder we may not write, in a place every name leads to: on POSIX this
// user's owner-only folder .kelvane-journals in the home from the password database, else
// (no usable home, or someone else holds the name) /var/tmp/kelvane-UID; never from TMPDIR
// or HOME, so that a call with another environment finds it. A journal whose file is gone
// (every name deleted after a crash) is never found again: it stays, as the only copy of
// that original, with the user's own files rather than in a shared temporary folder.
// On Windows the journal goes beside the file first whatever its links, since the
// user's temporary folder, its other place, comes from the environment. Recovery looks
// in every place.
#pragma once
#include <cstdint>

#include "platform/file_system.h"
#include "platform/pause.h"

namespace kelvane::platform {

// Longest wait for another live rewrite of the same file to end, in seconds: long
// enough for a rewrite of several GiB, short enough that a hung holder cannot block forever.
constexpr int REWRITE_LOCK_WAIT = 600;
// Longest wait for a lock that may be a mere reader's, in seconds.
constexpr int READER_LOCK_WAIT = 30;

// The waits in force, in milliseconds, and the pause they are counted in: the constants
// above and a real pause, unless a test set others.
struct LockWaits {
    int writerMs = REWRITE_LOCK_WAIT * 1000;
    int readerMs = READER_LOCK_WAIT * 1000;
    void (*pause)(int milliseconds) = pauseMilliseconds;
};
LockWaits& lockWaits();

enum class RewriteResult {
    Rewritten,   // the file holds the new contents
    CannotOpen,  // the file cannot be opened for reading and writing: untouched
    Failed,      // reading or writing failed: the file holds its original contents
};

// Where a writer puts the new contents: positional writes, in any order, so that the
// first bytes (a header that marks the contents as complete) can be written last.
class RewriteSink {
public:
    virtual ~RewriteSink() = default;
    // All `count` bytes at `offset`; false when not all were written.
    virtual bool write(std::int64_t offset, const std::uint8_t* bytes, std::size_t count) = 0;
    // One past the last byte written: the new length of the file.
    std::int64_t end() const { return end_; }
    // True when its writes may run on a second thread beside the one that makes the
    // contents (platform/stream_overlap.h); one at a time, in order, either way.
    virtual bool writableBeside() const { return false; }

protected:
    void reach(std::int64_t offset, std::size_t count);

private:
    std::int64_t end_ = 0;
};

// Produces the new contents from the original ones: reads `original` (the held file, or
// the journal, whose first `size` bytes are the original contents) and writes into
// `sink`. Returns false on any failure. It may be called again (at recovery), so it must
// not depend on a first run.
// A function or a callable (a lambda), borrowed for the one rewriteFile call: a plain
// reference rather than std::function, whose throwing call drags the C++ runtime's
// exception and string code into the DLL.
class ContentWriter {
public:
    using Function = bool(FileHandle original, std::int64_t size, RewriteSink& sink);

    ContentWriter(Function* function) : call_(&callFunction) { target_.function = function; }
    template <typename Writer>
    ContentWriter(const Writer& writer) : call_(&callWriter<Writer>) { target_.writer = &writer; }

    bool operator()(FileHandle original, std::int64_t size, RewriteSink& sink) const {
        return call_(target_, original, size, sink);
    }

private:
    union Target {
        Function* function;
        const void* writer;
    };
    using Call = bool (*)(Target target, FileHandle original, std::int64_t size, RewriteSink& sink);

    static bool callFunction(Target target, FileHandle original, std::int64_t size, RewriteSink& sink) {
        return target.function(original, size, sink);
    }
    template <typename Writer>
    static bool callWriter(Target target, FileHandle original, std::int64_t size, RewriteSink& sink) {
        return (*static_cast<const Writer*>(target.writer))(original, size, sink);
    }

    Target target_;
    Call call_;
};

// What a journal records so that the caller can produce the new contents again at
// recovery: its meaning is the caller's. All zero: nothing to produce them from, so the
// journal keeps the new contents themselves.
struct RewriteNote {
    std::uint8_t bytes[32] = {};
};

// The writer that produces, from a journal's note and its copy of the original, the
// contents the interrupted rewrite was writing; false when the note is not one it made.
// A plain function (no std::function, for the reason ContentWriter gives); null: none.
using RecoveryWriter = bool (*)(const RewriteNote& note, FileHandle original, std::int64_t size, RewriteSink& sink);

// Which ways a rewrite may take.
enum class RewriteWay {
    Either,   // a rename where it keeps everything, else in place
    InPlace,  // always in place: the file's inode stays, so a lock held on it covers the rewrite
};

enum class HoldResult {
    Held,        // open for reading and writing, locked, and any interrupted rewrite put back
    CannotOpen,  // not a file this caller may read and write: untouched
    Failed,      // not locked in time, or an interrupted rewrite could not be put back
};

// A file and its folder, held open and against every other rewrite of the file for the
// life of this object.
class HeldFile {
public:
    HeldFile() = default;
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    // Opens the file at `path` (a symbolic link is followed) and its folder, waits for its
    // rewrite lock, and puts back the original of an interrupted rewrite whose journal
    // passes every check above, `recover` producing the new contents for the comparison
    // (without one, only a journal that keeps its new contents can be checked).
    HoldResult hold(const char* path, const RecoveryWriter& recover = {});
    const FilePlace& place() const { return place_; }
    FileHandle handle() const { return file_; }

private:
    void release();

    FilePlace place_;
    FileHandle file_ = NO_FILE;
};

// Rewrites a held file with what `write` produces; its journal keeps `note` (or, for an
// empty note, the new contents).
RewriteResult rewriteFile(HeldFile& file, const ContentWriter& write, RewriteWay way = RewriteWay::Either,
                          const RewriteNote& note = {});

// The same on the file at `path`, held for the call.
RewriteResult rewriteFile(const char* path, const ContentWriter& write, RewriteWay way = RewriteWay::Either);

// Holds the file at `path` for a moment, which puts back an interrupted rewrite (see
// HeldFile::hold). True when nothing is left to restore (also when there was nothing,
// or no file); false when a journal stays.
bool restoreInterruptedRewrite(const char* path, const RecoveryWriter& recover = {});

// The full paths of the journal places of the file at `path`, best first; their count.
int journalPaths(const char* path, char paths[JOURNAL_PLACES][PATH_CAPACITY]);

// True when something stands under a journal name of the file at `path`: a journal may
// wait to be put back (a reader that must not write asks before it takes a writer's hold).
bool mayHaveJournal(const char* path);

}  // namespace kelvane::platform

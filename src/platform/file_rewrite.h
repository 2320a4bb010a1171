// Rewriting a file's contents so that it stays the same file and survives a crash.
//
// A file is more than its bytes: its other hard links, owner, group, mode, ACLs,
// extended attributes, Windows attributes, a mount over it, and descriptors others hold.
// A new file renamed over it keeps none of these, and needs a writable folder besides.
// So there are two ways, chosen per call:
//
// - Rename: the new contents go to a new file in the original's folder that has no name
//   while it is written (O_TMPFILE: a crash leaves nothing, and no name can clash with a
//   user's file); synced, it is linked as ".NAME.kelvane-new-" and random digits and
//   renamed over the original at once. Taken only where the platform shows that the
//   rename keeps everything (renameKeepsFile: on POSIX one link, the caller owns the file
//   and is in its group, a writable folder on the same mount without the append-only
//   flag or a default ACL, no extended attributes or ACLs, no inode flags, no mount over
//   the file). This is the common case and as fast as a plain write. A rename refused
//   after all (a bind mount the check could not see) falls back to the second way. What
//   it still changes is the inode: a descriptor opened earlier keeps the old contents.
// - In place, behind a journal (as a database's rollback journal): the original is
//   copied aside, synced, and marked complete by a record at its end; then the file
//   itself is overwritten through a handle opened without create or truncate, cut to the
//   new length, and synced; then the copy is deleted, which is the commit: a copy that
//   cannot be deleted puts the original back and the call fails. Windows always takes
//   this way: under Wine a replacement takes the new file's Unix mode and loses the
//   hidden attribute, and no Win32 call shows the mode, so the rename could not be shown
//   to keep it.
//
// After a failure, or a crash at any instant, the file holds its original contents or
// the complete new ones, or a complete journal exists from which the next call puts the
// original back before anything else. When a call returns, no copy is left, except a
// journal whose restore itself failed: it is then the only copy of the original.
//
// Recovery is where a rollback journal can do harm: it writes old contents over whatever
// the file holds now. SQLite's rule is the anchor: a journal is "hot" only when no live
// writer holds it. Its trust that nobody replaces the file under a hot journal is not
// enough here (installers run again, users edit files, inodes are handed out again), so
// a journal is put back only when all of these hold:
//
// - No live rewrite: every rewrite, and every recovery, runs while its handle holds the
//   file's rewrite lock (an open file description lock on POSIX, LockFileEx on Windows),
//   which the system releases when the process dies. So a journal found under the lock
//   is a dead writer's, and two calls on one file wait for each other (HeldFile below),
//   bounded by REWRITE_LOCK_WAIT; the later one then sees what the earlier one left. (A
//   file system without such locks, as some network ones, leaves calls there unguarded.)
// - The same file: the journal's record holds the file's identity (device, inode and
//   birth time; volume serial and file ID, whose NTFS sequence number changes on reuse;
//   not the creation time, which Wine takes from the change time), which a later file
//   given the same inode number does not share. A journal of another identity belongs
//   to a file that is gone, and is dropped.
// - The state the crash left: the record also holds a note from which the caller
//   re-derives the new contents (cryptFile's file key); at recovery, and only then, they
//   are produced again and compared with the file: every byte must be the original's or
//   the new contents', at a length the rewrite could have left. A file changed since the
//   crash fails this; it is left as it is and the stale journal dropped. This comparison
//   is also what makes a planted journal harmless wherever the system cannot show who
//   made it (Windows): to pass, its "original" must agree with the file byte for byte
//   wherever the enciphered form does not, which leaves nothing to change. A journal
//   whose note the caller cannot read is never put back. (A hive's rewrite writes no
//   note: hivex's image cannot be produced again. Its journal is checked by identity
//   and ownership, and only our helper, under the hive's lock, writes one.)
// - Our own: on POSIX a journal counts only when its owner is the caller, its mode
//   owner-only and it has one link; anything else of that name is left alone.
//
// Where the journal lives: beside a file of one name (".NAME.kelvane-journal", where the
// folder lets us create and delete); for a file of several names, or a folder we may not
// write, in a place every name leads to, named by the file's identity: on POSIX this
// user's owner-only folder /var/tmp/kelvane-UID (never from TMPDIR, so that a call with
// another environment finds it; one another user made is not ours and is passed over,
// so a squatter cannot block the call). On Windows the journal goes beside the file
// first whatever its links, since the user's temporary folder, its other place, comes
// from the environment. Recovery looks in both places.
#pragma once
#include <cstdint>

#include "platform/file_system.h"

namespace kelvane::platform {

// Longest wait for another call's rewrite of the same file to end, in seconds: long
// enough for a rewrite of several GiB, short enough that a hung holder cannot block forever.
constexpr int REWRITE_LOCK_WAIT = 600;

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

protected:
    void reach(std::int64_t offset, std::size_t count);

private:
    std::int64_t end_ = 0;
};

// Produces the new contents from the original ones: reads `original` (the file itself,
// or the saved copy, whose first `size` bytes are the original contents) and writes into
// `sink`. Returns false on any failure. It may be called again (when a rename is refused
// and the rewrite starts over in place, and at recovery), so it must not depend on a
// first run.
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
// recovery: its meaning is the caller's. All zero: nothing to produce them from.
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
    Held,        // open for writing, locked, and any interrupted rewrite put back
    CannotOpen,  // not a file this caller may write: untouched
    Failed,      // not locked in time, or an interrupted rewrite could not be put back
};

// A file held against every other rewrite of it for the life of this object.
class HeldFile {
public:
    HeldFile() = default;
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    // Opens the file at `path` (a symbolic link is followed) for writing, waits for its
    // rewrite lock, and puts back the original of an interrupted rewrite whose journal
    // passes every check above, `recover` producing the new contents for the comparison
    // (without one, only a journal without a note is put back).
    HoldResult hold(const char* path, const RecoveryWriter& recover = {});
    const char* path() const { return full_; }
    FileHandle handle() const { return file_; }

private:
    char full_[PATH_CAPACITY] = {};
    FileHandle file_ = NO_FILE;
};

// Rewrites a held file with what `write` produces; its journal keeps `note`.
RewriteResult rewriteFile(HeldFile& file, const ContentWriter& write, RewriteWay way = RewriteWay::Either,
                          const RewriteNote& note = {});

// The same on the file at `path`, held for the call.
RewriteResult rewriteFile(const char* path, const ContentWriter& write, RewriteWay way = RewriteWay::Either);

// Holds the file at `path` for a moment, which puts back an interrupted rewrite (see
// HeldFile::hold). True when nothing is left to restore (also when there was nothing,
// or no file); false when a journal stays.
bool restoreInterruptedRewrite(const char* path, const RecoveryWriter& recover = {});

}  // namespace kelvane::platform

// Rewriting a file's contents so that it stays the same file and survives a crash.
//
// A file is more than its bytes: its other hard links, owner, group, mode, ACLs,
// extended attributes, Windows attributes, a mount over it, and descriptors others hold.
// A new file renamed over it keeps none of these, and needs a writable folder besides.
// So there are two ways, chosen per call:
//
// - Rename: the new contents go to a new file beside the original (".NAME.kelvane-new"),
//   which is synced and renamed over it. Taken only where the platform shows that the
//   rename keeps everything (renameKeepsFile: on POSIX one link, the caller owns the file
//   and is in its group, a writable folder on the same mount without the append-only
//   flag or a default ACL, no extended attributes or ACLs, no inode flags, no mount over
//   the file). This is the common case and as fast as a plain write. A rename refused
//   after all (a bind mount the check could not see) falls back to the second way. What
//   it still changes is the inode: a descriptor opened earlier keeps the old contents.
// - In place, behind a journal (as a database's rollback journal): the original is
//   copied aside, synced, and marked complete by a trailer; then the file itself is
//   overwritten through a handle opened without create or truncate, cut to the new
//   length, and synced; then the copy is deleted, which is the commit: a copy that
//   cannot be deleted puts the original back and the call fails. The copy lives beside
//   the file as ".NAME.kelvane-journal" where the folder lets us create and delete,
//   otherwise in the user's temporary folder under a name made from the file's identity
//   (device and inode, or volume and file index), owner-only; on POSIX that folder is
//   $TMPDIR or /var/tmp, which outlives a restart. Windows always takes this way: under
//   Wine a replacement takes the new file's Unix mode and loses the hidden attribute,
//   and no Win32 call shows the mode, so the rename could not be shown to keep it.
//
// After a failure, or a crash at any instant, the file holds its original contents or
// the complete new ones, or a complete journal exists from which the next call (of
// rewriteFile or restoreInterruptedRewrite on any path of that file in that folder)
// puts the original back before anything else. A journal without its trailer was never
// complete, so the file was not touched yet: it is simply deleted. When a call returns,
// no copy is left, except a journal whose restore itself failed: it is then the only
// copy of the original and stays for the next call. A journal is trusted only if this
// caller could have made it (on POSIX: its owner, mode 0600, one link).
//
// Callers serialise rewrites of one file (one thread at a time in this library; the
// hive code locks the hive): two processes rewriting one file at once are not guarded.
#pragma once
#include <cstdint>

#include "platform/file_system.h"

namespace kelvane::platform {

enum class RewriteResult {
    Rewritten,   // the file holds the new contents
    CannotOpen,  // the file cannot be opened for reading and writing: untouched
    Failed,      // reading or writing failed: the file holds its original contents
};

// Where a writer puts the new contents: positional writes, in any order, so that the
// first bytes (a header that marks the contents as complete) can be written last.
class RewriteSink {
public:
    explicit RewriteSink(FileHandle file) : file_(file) {}
    // All `count` bytes at `offset`; false when not all were written.
    bool write(std::int64_t offset, const std::uint8_t* bytes, std::size_t count);
    // One past the last byte written: the new length of the file.
    std::int64_t end() const { return end_; }

private:
    FileHandle file_;
    std::int64_t end_ = 0;
};

// Produces the new contents from the original ones: reads `original` (the file itself,
// or the saved copy, whose first `size` bytes are the original contents) and writes into
// `sink`. Returns false on any failure. It may be called a second time (when a rename is
// refused and the rewrite starts over in place), so it must not depend on a first run.
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

// Which ways a rewrite may take.
enum class RewriteWay {
    Either,   // a rename where it keeps everything, else in place
    InPlace,  // always in place: the file's inode stays, so a lock held on it covers the rewrite
};

// Rewrites the file at `path` (a symbolic link is followed) with what `write` produces.
RewriteResult rewriteFile(const char* path, const ContentWriter& write, RewriteWay way = RewriteWay::Either);

// Puts back the original contents of a file whose rewrite was interrupted, if a journal
// of it exists, and deletes the journal and any half-written new file. True when
// nothing is left to restore (also when there was nothing); false when a journal exists
// and the restore failed (the journal stays).
bool restoreInterruptedRewrite(const char* path);

}  // namespace kelvane::platform

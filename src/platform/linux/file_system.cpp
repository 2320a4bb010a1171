// File operations on POSIX: plain descriptors, pread and pwrite for 64-bit offsets,
// rename to replace, fsync of the file and of its folder.
#include "platform/native_files.h"
#include "platform/linux/folders.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace kelvane::platform {
namespace {

static_assert(sizeof(off_t) == 8, "64-bit file offsets are needed for files over 4 GiB");
static_assert(PATH_MAX <= PATH_CAPACITY, "realpath writes up to PATH_MAX bytes");

int descriptor(FileHandle file) { return static_cast<int>(file); }

// File systems whose "regular files" are the kernel's views, made up at each read, with
// a size that says nothing: no contents to encipher, and no place for a copy of them.
constexpr unsigned long KERNEL_VIEW_FILE_SYSTEMS[] = {
    PROC_SUPER_MAGIC, SYSFS_MAGIC, DEBUGFS_MAGIC, TRACEFS_MAGIC, SECURITYFS_MAGIC,
    CGROUP_SUPER_MAGIC, CGROUP2_SUPER_MAGIC, BPF_FS_MAGIC, PSTOREFS_MAGIC,
};

bool isKernelView(int fd) {
    struct statfs place;
    if (::fstatfs(fd, &place) != 0) return true;
    for (const unsigned long type : KERNEL_VIEW_FILE_SYSTEMS) {
        if (static_cast<unsigned long>(place.f_type) == type) return true;
    }
    return false;
}

// Opens `path` only when it is a regular file. O_NONBLOCK keeps the open of a FIFO from
// waiting for its other end; folders, devices, FIFOs and the kernel's views are no files
// to encipher.
FileHandle openRegularFile(const char* path, int access, mode_t mode = 0) {
    const int fd = ::open(path, access | O_CLOEXEC | O_NONBLOCK, mode);
    if (fd < 0) return NO_FILE;
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || isKernelView(fd) || ::fcntl(fd, F_SETFL, 0) != 0) {
        ::close(fd);
        return NO_FILE;
    }
    return fd;
}

// True when no write permission bit is set: the POSIX form of the read-only attribute,
// which refuses root too, as Windows refuses every user a read-only file.
bool isReadOnly(int fd) {
    struct stat status;
    return ::fstat(fd, &status) != 0 || (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// The byte the rewrite lock covers: far past any contents, so that the lock never
// stands in the way of reading or writing the file itself.
constexpr off_t LOCK_OFFSET = std::numeric_limits<off_t>::max() - 1;

// The identity from what statx tells of a file.
FileIdentity identityFrom(const struct statx& status) {
    FileIdentity identity{};
    const std::uint64_t parts[] = {
        std::uint64_t{status.stx_dev_major} << 32 | status.stx_dev_minor, status.stx_ino,
        (status.stx_mask & STATX_BTIME) != 0 ? static_cast<std::uint64_t>(status.stx_btime.tv_sec) : 0,
        (status.stx_mask & STATX_BTIME) != 0 ? status.stx_btime.tv_nsec : 0u};
    static_assert(sizeof parts == sizeof identity.bytes, "the identity holds these four numbers");
    std::memcpy(identity.bytes, parts, sizeof parts);
    return identity;
}

}  // namespace

namespace posix {

bool identityOf(int folder, const char* path, int flags, FileIdentity* identity) {
    struct statx status;
    if (::statx(folder, path, flags, STATX_INO | STATX_BTIME, &status) != 0) return false;
    *identity = identityFrom(status);
    return true;
}

}  // namespace posix

namespace native {

// An open file description lock: owned by the open file, not the process, so two calls
// in one process exclude each other too, and independent of the flock the hive code holds.
LockAttempt tryLock(FileHandle file) {
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = LOCK_OFFSET;
    range.l_len = 1;
    if (::fcntl(descriptor(file), F_OFD_SETLK, &range) == 0) return LockAttempt::Held;
    if (errno == EAGAIN || errno == EACCES || errno == EINTR) return LockAttempt::Busy;
    return errno == ENOLCK || errno == EINVAL || errno == EOPNOTSUPP ? LockAttempt::Unsupported : LockAttempt::Failed;
}

bool identity(FileHandle file, FileIdentity* identity) {
    return posix::identityOf(descriptor(file), "", AT_EMPTY_PATH, identity);
}

bool isNamed(const char* path, FileHandle file) {
    struct stat opened, named;
    return ::fstat(descriptor(file), &opened) == 0 && ::stat(path, &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

FileHandle openRead(const char* path) { return openRegularFile(path, O_RDONLY); }

// No O_CREAT, no O_TRUNC: the file stays the same file and keeps its bytes until written.
FileHandle openWrite(const char* path) {
    const FileHandle file = openRegularFile(path, O_WRONLY);
    if (file == NO_FILE || !isReadOnly(descriptor(file))) return file;
    ::close(descriptor(file));
    return NO_FILE;
}

// A new file gets what the umask leaves of read and write for all, as fopen gives it.
FileHandle openOrCreate(const char* path) { return openRegularFile(path, O_RDWR | O_CREAT, 0666); }

bool fullPath(const char* path, char full[PATH_CAPACITY]) { return ::realpath(path, full) != nullptr; }

// O_TMPFILE: the file has no name until replace() gives it one for the moment before
// the rename, so no name of ours can clash with a user's file, and a crash leaves nothing.
FileHandle createNewFile(const char* original) {
    struct stat status;
    char folder[PATH_CAPACITY];
    if (::stat(original, &status) != 0 || !posix::folderOf(original, folder)) return NO_FILE;
    const int fd = ::open(folder, O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) return NO_FILE;
    if (!posix::takeOwnerAndMode(fd, status)) {
        ::close(fd);
        return NO_FILE;
    }
    return fd;
}

std::int64_t size(FileHandle file) {
    struct stat status;
    if (::fstat(descriptor(file), &status) != 0) return -1;
    return status.st_size;
}

std::int64_t read(FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count) {
    for (;;) {
        const ssize_t got = ::pread(descriptor(file), buffer, count, static_cast<off_t>(offset));
        if (got >= 0) return got;
        if (errno != EINTR) return -1;
    }
}

bool write(FileHandle file, std::int64_t offset, const std::uint8_t* bytes, std::size_t count) {
    const std::int64_t start = offset;
    while (count > 0) {
        const ssize_t put = ::pwrite(descriptor(file), bytes, count, static_cast<off_t>(offset));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        bytes += put;
        offset += put;
        count -= static_cast<std::size_t>(put);
    }
    // Start writing back what is written so far while the next block is produced, so
    // that the final fsync has little left to wait for. Only a hint: fsync still decides.
#ifdef SYNC_FILE_RANGE_WRITE
    ::sync_file_range(descriptor(file), start, offset - start, SYNC_FILE_RANGE_WRITE);
#endif
    return true;
}

bool setSize(FileHandle file, std::int64_t size) {
    for (;;) {
        if (::ftruncate(descriptor(file), static_cast<off_t>(size)) == 0) return true;
        if (errno != EINTR) return false;
    }
}

bool flush(FileHandle file) { return ::fsync(descriptor(file)) == 0; }

bool sync(const char* path) { return posix::syncFolderOf(path); }

bool replace(const char* target, FileHandle replacement) {
    char name[PATH_CAPACITY];
    if (!posix::linkNewFile(descriptor(replacement), target, name)) return false;
    // rename is atomic: either the target is replaced or nothing moved.
    if (::rename(name, target) != 0) {
        ::unlink(name);
        return false;
    }
    // The new contents are in place; the folder's sync only makes the rename survive a
    // power loss, so its outcome cannot undo the replacement.
    posix::syncFolderOf(target);
    return true;
}

bool close(FileHandle file) { return ::close(descriptor(file)) == 0; }

}  // namespace native

}  // namespace kelvane::platform

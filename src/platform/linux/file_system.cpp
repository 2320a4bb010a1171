// File operations on Linux: plain descriptors, pread and pwrite for 64-bit offsets, the
// held file opened in its held folder, open file description locks.
#include "platform/native_files.h"
#include "platform/linux/byte_lock.h"
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
FileHandle openRegularFile(const char* path, int access, mode_t mode = 0, int folder = AT_FDCWD) {
    const int fd = ::openat(folder, path, access | O_CLOEXEC | O_NONBLOCK, mode);
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

// The folder of a file to hold: read access where we have it (fsync and the inode flags
// need it), else only a path descriptor, from which files can still be opened.
int openFolder(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return fd >= 0 ? fd : ::open(path, O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// A write lock on the rewrite's byte.
struct flock rewriteLockRange() { return byteLock(F_WRLCK, LOCK_OFFSET); }

// Whether the lock in the way of ours on `fd` is a write lock: only a descriptor open for
// writing can take one, so its holder is a writer; a read lock needs only read access.
bool writerHoldsLock(int fd) {
    struct flock range = rewriteLockRange();
    return ::fcntl(fd, F_OFD_GETLK, &range) == 0 && range.l_type == F_WRLCK;
}

}  // namespace

namespace native {

// An open file description lock: owned by the open file, not the process, so two calls
// in one process exclude each other too, and independent of the lock the hive code holds.
LockAttempt tryLock(FileHandle file) {
    struct flock range = rewriteLockRange();
    if (::fcntl(descriptor(file), F_OFD_SETLK, &range) == 0) return LockAttempt::Held;
    if (errno == EAGAIN || errno == EACCES || errno == EINTR) {
        return writerHoldsLock(descriptor(file)) ? LockAttempt::Busy : LockAttempt::BusyReader;
    }
    return errno == ENOLCK || errno == EINVAL || errno == EOPNOTSUPP ? LockAttempt::Unsupported : LockAttempt::Failed;
}

bool identity(FileHandle file, FileIdentity* identity) {
    return folders::identityOf(descriptor(file), "", AT_EMPTY_PATH, identity);
}

bool isNamed(const FilePlace& place, FileHandle file) {
    struct stat opened, named;
    return ::fstat(descriptor(file), &opened) == 0 &&
           ::fstatat(descriptor(place.folder), place.name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

FileHandle openRead(const char* path) { return openRegularFile(path, O_RDONLY); }

bool placeOf(const char* path, FilePlace* place) {
    char full[PATH_CAPACITY];
    return ::realpath(path, full) != nullptr && splitPath(full, '/', place);
}

// The folder first, then the file by its name in it, never following a link there: a
// swap of either after this cannot move a later step. No O_CREAT, no O_TRUNC: the file
// stays the same file and keeps its bytes until written.
FileHandle openHeld(const char* path, FilePlace* place) {
    if (!placeOf(path, place)) return NO_FILE;
    const int folder = openFolder(place->folderPath);
    if (folder < 0) return NO_FILE;
    const FileHandle file = openRegularFile(place->name, O_RDWR | O_NOFOLLOW, 0, folder);
    if (file == NO_FILE || isReadOnly(descriptor(file))) {
        if (file != NO_FILE) ::close(descriptor(file));
        ::close(folder);
        return NO_FILE;
    }
    place->folder = folder;
    return file;
}

// A new file gets what the umask leaves of read and write for all, as fopen gives it.
FileHandle openOrCreate(const char* path) { return openRegularFile(path, O_RDWR | O_CREAT, 0666); }

// O_TMPFILE: the file has no name until replace() gives it one for the moment before
// the swap, so no name of ours can clash with a user's file, and a crash leaves nothing.
FileHandle createNewFile(const FilePlace& place, FileHandle original) {
    struct stat status;
    if (::fstat(descriptor(original), &status) != 0) return NO_FILE;
    const int fd = ::openat(descriptor(place.folder), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) return NO_FILE;
    if (!folders::takeOwnerAndMode(fd, status)) {
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

void forget(FileHandle file, std::int64_t offset, std::int64_t count) {
    ::posix_fadvise(descriptor(file), static_cast<off_t>(offset), static_cast<off_t>(count), POSIX_FADV_DONTNEED);
}

// The journal's owner, mode and single link show that this user made it.
bool seal(const std::uint8_t*, std::size_t, std::uint8_t seal[SEAL_SIZE]) {
    std::memset(seal, 0, SEAL_SIZE);
    return true;
}

bool close(FileHandle file) { return ::close(descriptor(file)) == 0; }

}  // namespace native

}  // namespace kelvane::platform

// File operations on POSIX: plain descriptors, pread and pwrite for 64-bit offsets,
// rename to replace, fsync of the file and of its folder.
#include "platform/native_files.h"
#include "platform/posix/folders.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

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
FileHandle openRegularFile(const char* path, int access) {
    const int fd = ::open(path, access | O_CLOEXEC | O_NONBLOCK);
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

}  // namespace

namespace native {

FileHandle openRead(const char* path) { return openRegularFile(path, O_RDONLY); }

// No O_CREAT, no O_TRUNC: the file stays the same file and keeps its bytes until written.
FileHandle openWrite(const char* path) {
    const FileHandle file = openRegularFile(path, O_WRONLY);
    if (file == NO_FILE || !isReadOnly(descriptor(file))) return file;
    ::close(descriptor(file));
    return NO_FILE;
}

bool fullPath(const char* path, char full[PATH_CAPACITY]) { return ::realpath(path, full) != nullptr; }

FileHandle createNewFile(const char* name, const char* original) {
    struct stat status;
    if (::stat(original, &status) != 0) return NO_FILE;
    const int fd = ::open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return NO_FILE;
    if (!posix::takeOwnerAndMode(fd, status)) {
        ::close(fd);
        ::unlink(name);
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

bool replace(const char* target, const char* replacement) {
    // rename is atomic: either the target is replaced or nothing moved.
    if (::rename(replacement, target) != 0) return false;
    // The new contents are in place; the folder's sync only makes the rename survive a
    // power loss, so its outcome cannot undo the replacement.
    posix::syncFolderOf(target);
    return true;
}

bool close(FileHandle file) { return ::close(descriptor(file)) == 0; }

bool remove(const char* path) { return ::unlink(path) == 0; }

}  // namespace native

}  // namespace kelvane::platform

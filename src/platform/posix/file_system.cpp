// File operations on POSIX: plain descriptors, pread for 64-bit offsets, mkstemp beside
// the target, rename to replace, fsync of the file and of its folder.
#include "platform/native_files.h"
#include "platform/posix/folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kelvane::platform {
namespace {

using posix::folderOf;
using posix::syncFolderOf;

static_assert(sizeof(off_t) == 8, "64-bit file offsets are needed for files over 4 GiB");
static_assert(PATH_MAX <= PATH_CAPACITY, "realpath writes up to PATH_MAX bytes");

// Name pattern of the temporary file, appended to the target's folder.
constexpr char TEMP_PATTERN[] = "/.kelvane-XXXXXX";

int descriptor(FileHandle file) { return static_cast<int>(file); }

}  // namespace

namespace native {

// Opens `path` only when it is a regular file. O_NONBLOCK keeps the open of a FIFO from
// waiting for its other end; folders, devices and FIFOs are no files to encipher.
int openRegularFile(const char* path, int access) {
    const int fd = ::open(path, access | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || ::fcntl(fd, F_SETFL, 0) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

FileHandle openRead(const char* path) {
    const int fd = openRegularFile(path, O_RDONLY);
    return fd < 0 ? NO_FILE : fd;
}

bool checkWritable(const char* path) {
    const int fd = openRegularFile(path, O_WRONLY);  // no O_TRUNC: the file stays as it is
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool fullPath(const char* path, char full[PATH_CAPACITY]) { return ::realpath(path, full) != nullptr; }

FileHandle createTemp(const char* target, char tempPath[PATH_CAPACITY]) {
    struct stat status;
    if (::stat(target, &status) != 0 || !folderOf(target, tempPath)) return NO_FILE;
    if (std::strlen(tempPath) + sizeof TEMP_PATTERN > PATH_CAPACITY) return NO_FILE;
    std::strcat(tempPath, TEMP_PATTERN);
    const int fd = ::mkstemp(tempPath);
    if (fd < 0) return NO_FILE;
    // mkstemp makes mode 0600: the new file takes the target's bits and owner.
    if (!posix::takeOwnerAndMode(fd, status)) {
        ::close(fd);
        ::unlink(tempPath);
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

bool write(FileHandle file, const std::uint8_t* bytes, std::size_t count) {
    while (count > 0) {
        const ssize_t put = ::write(descriptor(file), bytes, count);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        bytes += put;
        count -= static_cast<std::size_t>(put);
    }
    // Start writing back what is written so far while the next block is enciphered, so
    // that the final fsync has little left to wait for. Only a hint: its outcome is not
    // the write's, and fsync still decides.
#ifdef SYNC_FILE_RANGE_WRITE
    ::sync_file_range(descriptor(file), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    return true;
}

bool flush(FileHandle file) { return ::fsync(descriptor(file)) == 0; }

bool sync(const char* path) { return syncFolderOf(path); }

ReplaceOutcome replace(const char* target, const char* replacement) {
    // rename is atomic: either the target is replaced or nothing moved.
    if (::rename(replacement, target) != 0) return ReplaceOutcome::Unchanged;
    // The new contents are in place; the folder's sync only makes the rename survive a
    // power loss, so its outcome cannot undo the replacement.
    syncFolderOf(target);
    return ReplaceOutcome::Replaced;
}

bool close(FileHandle file) { return ::close(descriptor(file)) == 0; }

bool remove(const char* path) { return ::unlink(path) == 0; }

}  // namespace native

}  // namespace kelvane::platform

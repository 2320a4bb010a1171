// Where a POSIX rewrite puts its files, and when a rename may replace the original:
// the new file and the journal beside the file, the journal in this user's private
// folder in /var/tmp, and the checks that show a rename keeps everything the file is.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/native_files.h"
#include "platform/linux/folders.h"

namespace kelvane::platform {
namespace {

// Name parts of the files made beside the original: a dot (hidden), its name, a suffix
// (for the new file then a dash and 8 random hex digits).
constexpr char NEW_FILE_SUFFIX[] = ".kelvane-new";
// Random names tried for the new file before giving up (each clash is someone's file).
constexpr int NEW_NAME_ATTEMPTS = 8;
constexpr char JOURNAL_SUFFIX[] = ".kelvane-journal";
// Where the private folders for journals are: kept across a restart, unlike /tmp on
// many systems, so a journal there outlives a power loss too.
constexpr char TEMPORARY_FOLDER[] = "/var/tmp";

// Inode flags a new file would not carry over (chattr's s u c S i a d A j t C x m P).
constexpr unsigned long FLAGS_A_RENAME_LOSES = FS_SECRM_FL | FS_UNRM_FL | FS_COMPR_FL | FS_SYNC_FL |
                                               FS_IMMUTABLE_FL | FS_APPEND_FL | FS_NODUMP_FL | FS_NOATIME_FL |
                                               FS_JOURNAL_DATA_FL | FS_NOTAIL_FL | FS_NOCOW_FL | FS_DAX_FL |
                                               FS_NOCOMP_FL | FS_PROJINHERIT_FL;
// Folder flags under which a file made there could not be deleted again.
constexpr unsigned long FLAGS_KEEPING_FILES = FS_APPEND_FL | FS_IMMUTABLE_FL;

// The inode flags of an open file; 0 where the file system has none.
unsigned long inodeFlags(int fd) {
    int flags = 0;  // the kernel reads and writes an int, whatever the ioctl's type says
    return ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 ? static_cast<unsigned int>(flags) : 0;
}

// True when files made in `folder` can be deleted again by this caller.
bool folderKeepsNoFiles(const char* folder) {
    const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool deletable = (inodeFlags(fd) & FLAGS_KEEPING_FILES) == 0;
    ::close(fd);
    return deletable && ::faccessat(AT_FDCWD, folder, W_OK | X_OK, AT_EACCESS) == 0;
}

bool inGroup(gid_t group) {
    if (::geteuid() == 0 || group == ::getegid()) return true;
    gid_t groups[NGROUPS_MAX];
    const int count = ::getgroups(NGROUPS_MAX, groups);
    for (int i = 0; i < count; ++i) {
        if (groups[i] == group) return true;
    }
    return false;
}

// True when the file carries extended attributes (ACLs, capabilities, labels included).
bool hasExtendedAttributes(int fd) {
    const ssize_t listed = ::flistxattr(fd, nullptr, 0);
    return listed > 0 || (listed < 0 && errno != ENOTSUP);
}

// True when new files in `folder` take an ACL of the folder's, which the file may not have.
bool givesDefaultAcl(const char* folder) {
    return ::getxattr(folder, "system.posix_acl_default", nullptr, 0) > 0;
}

// True when something is mounted over the file (a bind mount of one file).
bool isMountRoot(const char* path) {
    struct statx status;
    if (::statx(AT_FDCWD, path, 0, STATX_BASIC_STATS, &status) != 0) return true;
    return (status.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 &&
           (status.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
}

// "<folder>/.<name><suffix>" for the file at the full path `path`.
bool nameBeside(const char* path, const char* suffix, char name[PATH_CAPACITY]) {
    const char* slash = std::strrchr(path, '/');
    if (slash == nullptr) return false;
    const char* base = slash + 1;
    // Room for the new file's random part too.
    if (std::strlen(base) + 1 + std::strlen(suffix) + 9 > NAME_MAX) return false;
    const int length = std::snprintf(name, PATH_CAPACITY, "%.*s/.%s%s", static_cast<int>(slash - path), path,
                                     base, suffix);
    return length > 0 && static_cast<std::size_t>(length) < PATH_CAPACITY;
}

// "<temporary folder>/kelvane-<user>": this user's own folder for journals, owner-only.
// Never from the environment, so that a call with another TMPDIR finds the journal too.
bool privateFolder(char folder[PATH_CAPACITY]) {
    const int length = std::snprintf(folder, PATH_CAPACITY, "%s/kelvane-%ju", TEMPORARY_FOLDER,
                                     static_cast<std::uintmax_t>(::geteuid()));
    return length > 0 && static_cast<std::size_t>(length) < PATH_CAPACITY;
}

// True when `folder` is a folder of this user's that nobody else may enter: anything
// else of that name (a symbolic link, another user's) was put there by someone else.
bool isOwnPrivateFolder(const char* folder) {
    struct stat status;
    return ::lstat(folder, &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() &&
           (status.st_mode & 077) == 0;
}

// True when `name` lies in this user's private folder.
bool inPrivateFolder(const char* name, char folder[PATH_CAPACITY]) {
    if (!privateFolder(folder)) return false;
    const std::size_t length = std::strlen(folder);
    return std::strncmp(name, folder, length) == 0 && name[length] == '/';
}

// "<private folder>/journal-<identity in hex>": found again from any name of the file,
// and never by a later file that gets the same inode number.
bool nameFromIdentity(const char* path, char name[PATH_CAPACITY]) {
    FileIdentity identity;
    char folder[PATH_CAPACITY];
    if (!posix::identityOf(AT_FDCWD, path, 0, &identity) || !privateFolder(folder)) return false;
    char hex[2 * sizeof identity.bytes + 1];
    for (std::size_t i = 0; i < sizeof identity.bytes; ++i) {
        std::snprintf(hex + 2 * i, 3, "%02x", identity.bytes[i]);
    }
    const int length = std::snprintf(name, PATH_CAPACITY, "%s/journal-%s", folder, hex);
    return length > 0 && static_cast<std::size_t>(length) < PATH_CAPACITY;
}

}  // namespace

namespace posix {

bool linkNewFile(int fd, const char* target, char name[PATH_CAPACITY]) {
    char base[PATH_CAPACITY];
    char open[32];
    if (!nameBeside(target, NEW_FILE_SUFFIX, base)) return false;
    std::snprintf(open, sizeof open, "/proc/self/fd/%d", fd);
    for (int attempt = 0; attempt < NEW_NAME_ATTEMPTS; ++attempt) {
        std::uint32_t draw = 0;
        if (::getrandom(&draw, sizeof draw, 0) != sizeof draw) return false;
        const int length = std::snprintf(name, PATH_CAPACITY, "%s-%08" PRIx32, base, draw);
        if (length <= 0 || static_cast<std::size_t>(length) >= PATH_CAPACITY) return false;
        // linkat of a descriptor itself needs a privilege; through /proc it does not.
        if (::linkat(AT_FDCWD, open, AT_FDCWD, name, AT_SYMLINK_FOLLOW) == 0) return true;
        if (errno != EEXIST) return false;
    }
    return false;
}

}  // namespace posix

namespace native {

bool renameKeepsFile(const char* path, FileHandle file) {
    const int fd = static_cast<int>(file);
    struct stat status;
    struct stat folderStatus;
    char folder[PATH_CAPACITY];
    if (::fstat(fd, &status) != 0 || !posix::folderOf(path, folder) || ::stat(folder, &folderStatus) != 0) {
        return false;
    }
    return status.st_nlink == 1 && status.st_uid == ::geteuid() && inGroup(status.st_gid) &&
           status.st_dev == folderStatus.st_dev && folderKeepsNoFiles(folder) && !givesDefaultAcl(folder) &&
           (inodeFlags(fd) & FLAGS_A_RENAME_LOSES) == 0 && !hasExtendedAttributes(fd) && !isMountRoot(path);
}

bool journalNames(const char* path, char names[JOURNAL_PLACES][PATH_CAPACITY], int* count) {
    *count = 0;
    struct stat status;
    const bool oneName = ::stat(path, &status) == 0 && status.st_nlink == 1;
    char folder[PATH_CAPACITY];
    char beside[PATH_CAPACITY];
    const bool besideUsable =
        posix::folderOf(path, folder) && folderKeepsNoFiles(folder) && nameBeside(path, JOURNAL_SUFFIX, beside);
    // Beside a file of one name: only that name leads there, and the copy needs no other
    // folder. A file of more names: the one place every name leads to.
    if (oneName && besideUsable) std::strcpy(names[(*count)++], beside);
    if (nameFromIdentity(path, names[*count])) ++*count;
    if (!oneName && besideUsable) std::strcpy(names[(*count)++], beside);
    return true;
}

FileHandle createJournal(const char* name) {
    char folder[PATH_CAPACITY];
    const bool inPrivate = inPrivateFolder(name, folder);
    // Twice: another call may just have removed the private folder, empty, as we made it.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (inPrivate && ::mkdir(folder, 0700) == 0) {
            posix::syncFolderOf(folder);  // the folder's entry must last as long as the journal in it
        } else if (inPrivate && errno != EEXIST) {
            return NO_FILE;
        }
        if (inPrivate && !isOwnPrivateFolder(folder)) return NO_FILE;
        const int fd = ::open(name, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) return fd;
        if (!inPrivate || errno != ENOENT) return NO_FILE;
    }
    return NO_FILE;
}

bool remove(const char* name) {
    if (::unlink(name) != 0) return false;
    // Nothing of ours stays: the private folder goes with its last journal.
    char folder[PATH_CAPACITY];
    if (inPrivateFolder(name, folder)) ::rmdir(folder);
    return true;
}

FileHandle openJournal(const char* name, bool* absent) {
    const int fd = ::open(name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    // Only a shortage or an I/O error may hide a journal of ours; anything else (missing,
    // a symbolic link, a folder we cannot search) says there is none we could have made.
    *absent = fd < 0 && errno != EMFILE && errno != ENFILE && errno != ENOMEM && errno != EIO && errno != EINTR;
    if (fd < 0) return NO_FILE;
    // Only a file this caller made may be copied into the file: in a shared folder
    // another user could have put one there under the same name.
    struct stat status;
    if (::fstat(fd, &status) != 0) {
        ::close(fd);
        return NO_FILE;
    }
    if (S_ISREG(status.st_mode) && status.st_uid == ::geteuid() && (status.st_mode & 077) == 0 &&
        status.st_nlink == 1) {
        return fd;
    }
    ::close(fd);
    *absent = true;
    return NO_FILE;
}

}  // namespace native

}  // namespace kelvane::platform

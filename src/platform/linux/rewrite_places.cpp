// Where a Linux rewrite puts its files, and when a rename may replace the original: the
// new file swapped in beside the file, the journal beside it or in this user's private
// folders, and the checks that show a rename keeps everything the file is. Every step
// works from the held folder's descriptor, or from a private folder shown to be ours.
#include <fcntl.h>
#include <linux/fs.h>
#include <pwd.h>
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

using folders::PlaceFolder;

// Name parts of the files made beside the original: a dot (hidden), then for the new file
// its name, this suffix, a dash and 8 random hex digits; for the journal this prefix and
// the file's identity in hex.
constexpr char NEW_FILE_SUFFIX[] = ".kelvane-new";
constexpr char JOURNAL_BESIDE_PREFIX[] = ".kelvane-journal-";
// A journal in a private folder: this prefix and the identity in hex.
constexpr char JOURNAL_PRIVATE_PREFIX[] = "journal-";
// What a journal set aside is called: its name, this, and 8 random hex digits.
constexpr char KEPT_SUFFIX[] = "-kept-";
// Random names tried for a new name before giving up (each clash is someone's file).
constexpr int NEW_NAME_ATTEMPTS = 8;
// This user's private folders for journals, in order: in the home from the password
// database, so that a journal whose file is gone (its names deleted after a crash) stays
// with the user's own files rather than in a shared temporary folder; then /var/tmp, kept
// across a restart unlike /tmp on many systems, for a user without a usable home.
constexpr char HOME_JOURNALS[] = ".kelvane-journals";
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

// True when this caller can make files in the open folder and delete them again, and
// sync its entries (a folder held only by path cannot be synced).
bool folderKeepsNoFiles(int folder) {
    const int mode = ::fcntl(folder, F_GETFL);
    return mode >= 0 && (mode & O_PATH) == 0 && (inodeFlags(folder) & FLAGS_KEEPING_FILES) == 0 &&
           ::faccessat(folder, ".", W_OK | X_OK, AT_EACCESS) == 0;
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

// True when new files in the folder take an ACL of the folder's, which the file may not have.
bool givesDefaultAcl(int folder) { return ::fgetxattr(folder, "system.posix_acl_default", nullptr, 0) > 0; }

// True when something is mounted over the file (a bind mount of one file).
bool isMountRoot(int folder, const char* name) {
    struct statx status;
    if (::statx(folder, name, AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &status) != 0) return true;
    return (status.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 &&
           (status.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
}

// `count` bytes of `bytes` as lower-case hex after `prefix`, into `name`.
bool hexName(const char* prefix, const std::uint8_t* bytes, std::size_t count, char name[NAME_CAPACITY]) {
    const std::size_t length = std::strlen(prefix);
    if (length + 2 * count >= NAME_CAPACITY || length + 2 * count > NAME_MAX) return false;
    std::memcpy(name, prefix, length);
    for (std::size_t i = 0; i < count; ++i) std::snprintf(name + length + 2 * i, 3, "%02x", bytes[i]);
    return true;
}

// `base` with `suffix` and 8 random hex digits after it, into `name`.
bool randomName(const char* base, const char* suffix, char name[NAME_CAPACITY]) {
    std::uint32_t draw = 0;
    if (::getrandom(&draw, sizeof draw, 0) != sizeof draw) return false;
    const int length = std::snprintf(name, NAME_CAPACITY, "%s%s%08" PRIx32, base, suffix, draw);
    return length > 0 && length <= NAME_MAX;
}

// This user's private folders, in order ("HOME/.kelvane-journals/", "/var/tmp/kelvane-UID/");
// both in the folder journalFolders() gives, when one is given.
int privateFolders(char folders[2][PATH_CAPACITY]) {
    const char* given = journalFolders().root;
    const bool isGiven = given[0] != '\0';
    int count = 0;
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    const char* home = isGiven ? given : nullptr;
    if (!isGiven && ::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        entry.pw_dir != nullptr && entry.pw_dir[0] == '/') {
        home = entry.pw_dir;
    }
    if (home != nullptr) {
        const int homeLength = std::snprintf(folders[count], PATH_CAPACITY, "%s%s%s/", home,
                                             home[std::strlen(home) - 1] == '/' ? "" : "/", HOME_JOURNALS);
        if (homeLength > 0 && static_cast<std::size_t>(homeLength) < PATH_CAPACITY) ++count;
    }
    const int length = std::snprintf(folders[count], PATH_CAPACITY, "%s/kelvane-%ju/",
                                     isGiven ? given : TEMPORARY_FOLDER, static_cast<std::uintmax_t>(::geteuid()));
    if (length > 0 && static_cast<std::size_t>(length) < PATH_CAPACITY) ++count;
    return count;
}

// True when the place is in one of this user's private folders (not beside a file).
bool isPrivate(const FilePlace& place) { return place.own; }

// Makes the private folder at `place` when it is missing, owner-only, with its entry synced.
void makePrivateFolder(const FilePlace& place) {
    if (::mkdir(place.folderPath, 0700) != 0) return;
    FilePlace parent;
    char path[PATH_CAPACITY];
    std::strcpy(path, place.folderPath);
    path[std::strlen(path) - 1] = '\0';  // the folder's own name, without its final slash
    if (!splitPath(path, '/', &parent)) return;
    const int fd = ::open(parent.folderPath, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    folders::syncFolder(fd);
    ::close(fd);
}

}  // namespace

namespace native {

bool renameKeepsFile(const FilePlace& place, FileHandle file) {
    const int fd = static_cast<int>(file);
    const int folder = static_cast<int>(place.folder);
    struct stat status;
    struct stat folderStatus;
    if (::fstat(fd, &status) != 0 || ::fstat(folder, &folderStatus) != 0) return false;
    return status.st_nlink == 1 && status.st_uid == ::geteuid() && inGroup(status.st_gid) &&
           status.st_dev == folderStatus.st_dev && folderKeepsNoFiles(folder) && !givesDefaultAcl(folder) &&
           (inodeFlags(fd) & FLAGS_A_RENAME_LOSES) == 0 && !hasExtendedAttributes(fd) &&
           !isMountRoot(folder, place.name);
}

// Links the new file as ".NAME.kelvane-new-" and random digits, swaps that name with the
// file's, and shows that what came out is the held file; otherwise swaps back. A file
// system that cannot swap names refuses, and the rewrite goes on in place.
bool replace(const FilePlace& place, FileHandle replacement, FileHandle original) {
    const int folder = static_cast<int>(place.folder);
    char base[NAME_CAPACITY];
    char name[NAME_CAPACITY];
    char open[32];
    std::snprintf(open, sizeof open, "/proc/self/fd/%d", static_cast<int>(replacement));
    if (std::snprintf(base, sizeof base, ".%s", place.name) >= static_cast<int>(sizeof base)) return false;
    bool linked = false;
    for (int attempt = 0; attempt < NEW_NAME_ATTEMPTS && !linked; ++attempt) {
        // linkat of a descriptor itself needs a privilege; through /proc it does not.
        if (!randomName(base, NEW_FILE_SUFFIX, name)) return false;
        linked = ::linkat(AT_FDCWD, open, folder, name, AT_SYMLINK_FOLLOW) == 0;
        if (!linked && errno != EEXIST) return false;
    }
    if (!linked) return false;
    struct stat held, out;
    if (::fstat(static_cast<int>(original), &held) != 0 ||
        ::renameat2(folder, name, folder, place.name, RENAME_EXCHANGE) != 0) {
        ::unlinkat(folder, name, 0);
        return false;
    }
    const bool wasHeld = ::fstatat(folder, name, &out, AT_SYMLINK_NOFOLLOW) == 0 && out.st_dev == held.st_dev &&
                         out.st_ino == held.st_ino;
    if (!wasHeld) {
        // Someone's file had taken the name: it goes back, and ours goes.
        struct stat ours, now;
        ::renameat2(folder, name, folder, place.name, RENAME_EXCHANGE);
        if (::fstat(static_cast<int>(replacement), &ours) == 0 &&
            ::fstatat(folder, name, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_ino == ours.st_ino &&
            now.st_dev == ours.st_dev) {
            ::unlinkat(folder, name, 0);
        }
        return false;
    }
    // The new contents are in place; the folder's sync only makes the swap survive a
    // power loss, so its outcome cannot undo the replacement.
    ::unlinkat(folder, name, 0);
    folders::syncFolder(folder);
    return true;
}

void journalPlaces(const FilePlace& file, FileHandle handle, FilePlace places[JOURNAL_PLACES], int* count) {
    *count = 0;
    FileIdentity id;
    struct stat status;
    if (!identity(handle, &id) || ::fstat(static_cast<int>(handle), &status) != 0) return;
    const bool oneName = status.st_nlink == 1;
    FilePlace beside;
    bool besideUsable = false;
    {
        const PlaceFolder folder(file, false);
        besideUsable = folder.valid() && folderKeepsNoFiles(folder.fd()) &&
                       hexName(JOURNAL_BESIDE_PREFIX, id.bytes, sizeof id.bytes, beside.name);
    }
    beside.folder = file.folder;
    std::strcpy(beside.folderPath, file.folderPath);
    // Beside a file of one name: only that name leads there, and the copy needs no other
    // folder. A file of more names: the places every name leads to.
    if (oneName && besideUsable) places[(*count)++] = beside;
    char privates[2][PATH_CAPACITY];
    const int privateCount = privateFolders(privates);
    for (int at = 0; at < privateCount; ++at) {
        FilePlace& place = places[*count];
        place.folder = NO_FILE;
        place.own = true;
        std::strcpy(place.folderPath, privates[at]);
        if (hexName(JOURNAL_PRIVATE_PREFIX, id.bytes, sizeof id.bytes, place.name)) ++*count;
    }
    if (!oneName && besideUsable) places[(*count)++] = beside;
}

FileHandle createJournal(const FilePlace& place) {
    if (isPrivate(place)) makePrivateFolder(place);
    const PlaceFolder folder(place, isPrivate(place));
    if (!folder.valid()) return NO_FILE;
    const int fd = ::openat(folder.fd(), place.name, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    return fd >= 0 ? fd : NO_FILE;
}

FileHandle openJournal(const FilePlace& place, bool* absent) {
    const PlaceFolder folder(place, isPrivate(place));
    // A private folder that is missing, or not ours, holds no journal of ours.
    *absent = !folder.valid() && (errno == ENOENT || errno == ENOTDIR || errno == ELOOP || isPrivate(place));
    if (!folder.valid()) return NO_FILE;
    const int fd = ::openat(folder.fd(), place.name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    // Only a shortage or an I/O error may hide a journal of ours; anything else (missing,
    // a symbolic link, a folder we cannot search) says there is none we could have made.
    *absent = fd < 0 && errno != EMFILE && errno != ENFILE && errno != ENOMEM && errno != EIO && errno != EINTR;
    if (fd < 0) return NO_FILE;
    // Only a file this caller made may be copied into the file: in a shared folder
    // another user could have put one there under the same name.
    struct stat status;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid() &&
        (status.st_mode & 077) == 0 && status.st_nlink == 1) {
        return fd;
    }
    ::close(fd);
    *absent = true;
    return NO_FILE;
}

bool removeJournal(const FilePlace& place) {
    {
        const PlaceFolder folder(place, isPrivate(place));
        if (!folder.valid() || ::unlinkat(folder.fd(), place.name, 0) != 0) return false;
        folders::syncFolder(folder.fd());
    }
    // Nothing of ours stays: a private folder goes with its last journal.
    if (isPrivate(place)) ::rmdir(place.folderPath);
    return true;
}

bool setAside(const FilePlace& place) {
    const PlaceFolder folder(place, isPrivate(place));
    if (!folder.valid()) return false;
    for (int attempt = 0; attempt < NEW_NAME_ATTEMPTS; ++attempt) {
        char kept[NAME_CAPACITY];
        if (!randomName(place.name, KEPT_SUFFIX, kept)) return false;
        if (::renameat2(folder.fd(), place.name, folder.fd(), kept, RENAME_NOREPLACE) == 0) {
            return folders::syncFolder(folder.fd());
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

bool syncFolder(const FilePlace& place) {
    const PlaceFolder folder(place, isPrivate(place));
    return folder.valid() && folders::syncFolder(folder.fd());
}

}  // namespace native

}  // namespace kelvane::platform

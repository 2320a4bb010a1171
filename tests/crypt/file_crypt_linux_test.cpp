// cryptFile, decryptFile and what a POSIX file is besides its bytes: links, owner, group,
// mode, extended attributes, the folder's rights and flags. One table of situations; in
// each, a file is enciphered or a container deciphered (as another user where the row
// says, in a forked child), which must give 2, keep the file itself, and leave nothing behind.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <random>
#include <tuple>

#include "container_check.h"
#include "rewrite_check.h"
#include "crypt/file_crypt.h"
#include "platform/file_rewrite.h"
#include "platform/file_system.h"

namespace kelvane::test {
namespace {

constexpr uid_t SELF = static_cast<uid_t>(-1);  // the row runs as this process
constexpr uid_t NOBODY = 65534;
constexpr uid_t OTHER_OWNER = 1234;  // owns the file the caller may only write through its group
constexpr gid_t SHARED_GROUP = 4321;

int run(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()); }

// The call as user `uid` with group `gid` (SELF: as this process).
int callAs(const FileCall& call, uid_t uid, gid_t gid, const std::string& path) {
    if (uid == SELF) return call.call(path.c_str());
    const pid_t child = ::fork();
    if (child == 0) {
        const bool switched = ::setgroups(1, &gid) == 0 && ::setegid(gid) == 0 && ::seteuid(uid) == 0;
        ::_exit(switched ? call.call(path.c_str()) + 100 : 99);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) - 100 : -100;
}

// The value of the attribute user.note, or "" when the file has none.
std::string extendedAttribute(const std::string& path) {
    char value[16] = {};
    return ::getxattr(path.c_str(), "user.note", value, sizeof value - 1) > 0 ? value : "";
}

struct Situation {
    const char* name;
    uid_t caller;
    gid_t callerGroup;
    mode_t mode;
    // Shapes the folder and the file; returns why the row cannot run here, or "".
    std::function<std::string(const std::string& folder, const std::string& file)> prepare;
};

const Situation SITUATIONS[] = {
    {"own file, mode 0600", SELF, 0, 0600, [](auto&, auto&) { return std::string(); }},
    {"own file, mode 0755", SELF, 0, 0755, [](auto&, auto&) { return std::string(); }},
    {"second hard link", SELF, 0, 0644,
     [](auto& folder, auto& file) {
         return ::link(file.c_str(), (folder + "/other-name").c_str()) == 0 ? "" : "no hard links here";
     }},
    {"a user's own file named as our new file", SELF, 0, 0644,
     [](auto& folder, auto&) {
         writeFile(folder + "/.file.kelvane-new", Bytes(5, 0x42));
         return std::string();
     }},
    {"user extended attribute", SELF, 0, 0644,
     [](auto&, auto& file) {
         return ::setxattr(file.c_str(), "user.note", "kept", 4, 0) == 0 ? "" : "no user.* attributes here";
     }},
    {"append-only folder", SELF, 0, 0644,
     [](auto& folder, auto&) { return run("chattr +a '" + folder + "'") == 0 ? "" : "no chattr +a here"; }},
    {"bind-mounted file", SELF, 0, 0644,
     [](auto& folder, auto& file) {
         const std::string source = folder + "-source";
         return run("cp -p '" + file + "' '" + source + "' && mount --bind '" + source + "' '" + file + "'") == 0
                    ? ""
                    : "no bind mounts here";
     }},
    {"another owner's group-writable file", NOBODY, SHARED_GROUP, 0664,
     [](auto& folder, auto& file) {
         // In a folder the caller may write, so that only the owner's rights stand in the way of a rename.
         return ::chown(file.c_str(), OTHER_OWNER, SHARED_GROUP) == 0 && ::chmod(folder.c_str(), 0777) == 0
                    ? ""
                    : "cannot chown";
     }},
    {"own file in a read-only folder", NOBODY, NOBODY, 0644,
     [](auto& folder, auto& file) {
         return ::chown(file.c_str(), NOBODY, NOBODY) == 0 && ::chmod(folder.c_str(), 0555) == 0 ? "" : "cannot chown";
     }},
    {"root's 0666 file in a sticky folder", NOBODY, NOBODY, 0666,
     [](auto& folder, auto&) { return ::chmod(folder.c_str(), 01777) == 0 ? "" : "cannot chmod"; }},
};

void PrintTo(const Situation& row, std::ostream* out) { *out << row.name; }

using SituationAndCall = std::tuple<Situation, FileCall>;

class FileCryptLinux : public ::testing::TestWithParam<SituationAndCall> {
protected:
    ScratchFolder scratch;
    std::mt19937 generator{5};
};

std::string situationName(const ::testing::TestParamInfo<SituationAndCall>& info) {
    return rowName(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
}

TEST_P(FileCryptLinux, GivesTwoAndKeepsTheFileItself) {
    const auto& [row, call] = GetParam();
    if (row.caller != SELF && ::geteuid() != 0) GTEST_SKIP() << "switching users needs root";
    const std::string folder = scratch.path("place");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string path = folder + "/file";
    const Bytes contents = randomBytes(generator, 3000);
    writeInput(call, path, contents);
    ASSERT_EQ(::chmod(path.c_str(), row.mode), 0);
    const std::string skip = row.prepare(folder, path);
    // Whatever the row did to the folder or the file, undone at the end.
    const auto undo = [&] { run("chattr -a '" + folder + "'; umount '" + path + "'"); };
    if (!skip.empty()) {
        undo();
        GTEST_SKIP() << skip;
    }
    struct stat before;
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    const std::vector<std::string> namesBefore = listFolder(folder);
    const std::string noteBefore = extendedAttribute(path);

    EXPECT_EQ(callAs(call, row.caller, row.callerGroup, path), call.done);
    const Bytes output = readFile(path);
    struct stat after;
    const bool measured = ::stat(path.c_str(), &after) == 0;
    undo();
    ASSERT_TRUE(measured);

    if (fileExists(folder + "-source")) {
        EXPECT_TRUE(readFile(folder + "-source") == output) << "the mounted file holds the output";
    }
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode, before.st_mode);
    if (before.st_nlink > 1) {
        EXPECT_EQ(after.st_ino, before.st_ino) << "a file with other links stays the same file";
    }
    EXPECT_EQ(extendedAttribute(path), noteBefore) << "extended attributes stay";
    expectOutputAndNothingLeft(call, contents, output, path, namesBefore,
                               before.st_nlink > 1 ? folder + "/other-name" : "");
}

INSTANTIATE_TEST_SUITE_P(Situations, FileCryptLinux,
                         ::testing::Combine(::testing::ValuesIn(SITUATIONS), ::testing::ValuesIn(FILE_CALLS)),
                         situationName);

// Makes a file unwritable for this process for the life of the guard: mode 0444, and
// for root, whom modes do not stop, the immutable attribute where the file system has it.
class Unwritable {
public:
    explicit Unwritable(const std::string& path) : path_(path) {
        ::chmod(path.c_str(), 0444);
        if (::geteuid() == 0) immutable_ = run("chattr +i '" + path + "'") == 0;
    }
    ~Unwritable() {
        if (immutable_) run("chattr -i '" + path_ + "'");
    }
    bool holds() const { return ::access(path_.c_str(), W_OK) != 0 && (::geteuid() != 0 || immutable_); }

private:
    std::string path_;
    bool immutable_ = false;
};

// No write permission bit: read-only, for root too, as the DLL treats the attribute.
class ReadOnlyMode {
public:
    explicit ReadOnlyMode(const std::string& path) { ::chmod(path.c_str(), 0444); }
    bool holds() const { return true; }
};

TEST(FileCryptLinuxRefusals, AnUnwritableFileGivesMinusTwoAndAContainerMinusOne) {
    expectUnwritableRefusals<Unwritable>();
    expectUnwritableRefusals<ReadOnlyMode>();
}

TEST(FileCryptLinuxRefusals, ASymbolicLinkKeepsPointingAtItsTarget) {
    ScratchFolder folder;
    std::mt19937 generator{7};
    const std::string target = folder.path("target");
    const std::string link = folder.path("link");
    const Bytes contents = randomBytes(generator, 70);
    writeFile(target, contents);
    ASSERT_EQ(::symlink("target", link.c_str()), 0);
    ASSERT_EQ(cryptFile(link.c_str()), FILE_ENCRYPTED);
    struct stat status;
    ASSERT_EQ(::lstat(link.c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    expectContainerOf(contents, readFile(target));
}

// Another user's squat on one of this user's journal folders (in the home, in /var/tmp;
// here both in the run's own folder), which a file of two names would use: a symbolic link
// to elsewhere, or a folder others may enter. Neither blocks the call nor receives
// anything; both stay as they were.
TEST(FileCryptLinuxRefusals, ASquattedJournalFolderNeitherBlocksNorReceivesAnything) {
    for (const std::string& journals : {runJournalFolder() + "/.kelvane-journals",
                                        runJournalFolder() + "/kelvane-" + std::to_string(::geteuid())}) {
        struct stat status;
        if (::lstat(journals.c_str(), &status) == 0) continue;  // in use here: not ours to squat
        ScratchFolder folder;
        std::mt19937 generator{9};
        const std::string path = folder.path("file");
        const std::string victim = folder.path("victim");
        ASSERT_EQ(::mkdir(victim.c_str(), 0777), 0);
        const auto squats = {std::function<int()>([&] { return ::symlink(victim.c_str(), journals.c_str()); }),
                             std::function<int()>([&] { return ::mkdir(journals.c_str(), 0777) || ::chmod(journals.c_str(), 0777); })};
        for (const auto& squat : squats) {
            const Bytes contents = randomBytes(generator, 5000);
            writeFile(path, contents);
            ::unlink(folder.path("link").c_str());
            ASSERT_EQ(::link(path.c_str(), folder.path("link").c_str()), 0);
            ASSERT_EQ(squat(), 0);
            EXPECT_EQ(cryptFile(path.c_str()), FILE_ENCRYPTED) << journals;
            expectContainerOf(contents, readFile(path));
            EXPECT_TRUE(listFolder(victim).empty()) << journals;
            const bool stays = ::lstat(journals.c_str(), &status) == 0 && (S_ISLNK(status.st_mode) || (status.st_mode & 0777) == 0777);
            ::unlink(journals.c_str());
            ::rmdir(journals.c_str());
            EXPECT_TRUE(stays) << journals << ": the squat was changed";
        }
    }
}

// A write lock on the file can only come from one who may write it: the call waits for
// it as for another rewrite, up to the writer's bound, not the reader's (counted pauses).
TEST(FileCryptLinuxRefusals, AWritersLockIsWaitedForAsALiveRewrite) {
    ScratchFolder folder;
    const std::string path = folder.path("file");
    const Bytes contents(3000, 0x41);
    writeFile(path, contents);
    const int writer = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(writer, F_OFD_SETLK, &range), 0);
    static std::int64_t paused = 0;
    paused = 0;
    platform::lockWaits() = platform::LockWaits{5000, 200, [](int milliseconds) { paused += milliseconds; }};
    EXPECT_EQ(cryptFile(path.c_str()), FILE_WRITE_FAILED);
    platform::lockWaits() = platform::LockWaits{};
    ::close(writer);
    EXPECT_GE(paused, 5000) << "a writer's lock was given up on as a reader's";
    EXPECT_TRUE(readFile(path) == contents);
}

// Opening a FIFO for reading waits for a writer: the call must refuse it, not hang. A
// kernel view (/proc) looks regular but has no contents of its own to keep.
TEST(FileCryptLinuxRefusals, AFifoAFolderOrAKernelViewGivesMinusOneAtOnce) {
    ScratchFolder folder;
    const std::string fifo = folder.path("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const FileCall& call : FILE_CALLS) {
        for (const std::string& path : {fifo, folder.root(), std::string("/proc/self/status")}) {
            EXPECT_EQ(call.call(path.c_str()), FILE_CANNOT_READ) << call.name << " " << path;
            expectNoJournal(path);
        }
    }
    EXPECT_EQ(listFolder(folder.root()), std::vector<std::string>{"pipe"});
}

}  // namespace
}  // namespace kelvane::test

// RegDeleteKeyNT on hive files as other users, processes and threads meet it: the
// caller's rights on the hive file decide (not the folder's), deletions from several
// processes queue on the hive's lock and none is lost, threads of the host that hold
// locks of their own (iconv's) never stall a deletion, the hive stays the same file, and
// hivex ending the helper on a damaged hive ends only the helper; the hive's lock that
// another descriptor holds is waited for as long as its kind deserves, never forever.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <iconv.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "kelvane.h"
#include "library_loader.h"
#include "listing_test_helpers.h"
#include "platform/file_rewrite.h"
#include "platform/file_system.h"
#include "platform/hive/helper_program.h"
#include "platform/hive/hive_deletion.h"
#include "platform/hive/hive_lock.h"
#include "platform/linux/byte_lock.h"
#include "platform/pause.h"
#include "platform/registry.h"
#include "registry/registry_exports.h"
#include "support/host_process.h"

namespace kelvane::test {
namespace {

// The user the tests drop to when they run as root.
constexpr uid_t NOBODY = 65534;
constexpr gid_t NOGROUP = 65534;
// Rounds of two processes deleting at once.
constexpr int RACE_ROUNDS = 6;
// Deletions while other threads convert text.
constexpr int DELETIONS_BESIDE_ICONV = 24;
constexpr int ICONV_THREADS = 3;

bool isRoot() { return geteuid() == 0; }

// A forked child that runs `work` (as `user` when given) once it reads a byte from `start`, and
// reports its status through a pipe.
class Child {
public:
    Child(const std::function<long()>& work, int start, uid_t user = static_cast<uid_t>(-1)) {
        int ends[2];
        if (pipe(ends) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(ends[0]);
            char go;
            if (start >= 0) {
                [[maybe_unused]] const ssize_t waited = read(start, &go, 1);
            }
            long status = -1;
            if (user == static_cast<uid_t>(-1) ||
                (setgroups(0, nullptr) == 0 && setgid(NOGROUP) == 0 && setuid(user) == 0)) {
                status = work();
            }
            [[maybe_unused]] const ssize_t sent = write(ends[1], &status, sizeof status);
            _exit(0);
        }
        close(ends[1]);
        answer_ = ends[0];
    }
    // The child's status; -1 when it ended without one.
    long status() {
        long status = -1;
        if (read(answer_, &status, sizeof status) != sizeof status) status = -1;
        close(answer_);
        waitpid(pid_, nullptr, 0);
        return status;
    }

private:
    pid_t pid_ = -1;
    int answer_ = -1;
};

long deleteAs(uid_t user, const std::string& path) {
    Child child([&] { return static_cast<long>(RegDeleteKeyNT(path.c_str())); }, -1, user);
    return child.status();
}

// The immutable flag set for as long as this lives; holds() false where it cannot be set.
class Immutable {
public:
    explicit Immutable(const std::string& path) : fd_(open(path.c_str(), O_RDONLY)) {
        int flags = 0;
        held_ = fd_ >= 0 && ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0 && (flags |= FS_IMMUTABLE_FL) != 0 &&
                ioctl(fd_, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ~Immutable() {
        int flags = 0;
        if (held_ && ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
            flags &= ~FS_IMMUTABLE_FL;
            ioctl(fd_, FS_IOC_SETFLAGS, &flags);
        }
        if (fd_ >= 0) close(fd_);
    }
    bool holds() const { return held_; }

private:
    int fd_;
    bool held_ = false;
};

struct RightsCase {
    const char* what;
    mode_t mode;     // of the hive file
    bool rootsHive;  // the hive belongs to root, not to the caller
    bool immutable;
    long status;
};

const RightsCase RIGHTS_CASES[] = {
    {"own hive 0600", 0600, false, false, 0},
    {"own hive read-only 0444", 0444, false, false, platform::REGISTRY_ACCESS_DENIED},
    {"own hive write-only 0200", 0200, false, false, platform::REGISTRY_ACCESS_DENIED},
    {"own hive immutable", 0644, false, true, platform::REGISTRY_ACCESS_DENIED},
    {"root's 0644 hive", 0644, true, false, platform::REGISTRY_ACCESS_DENIED},
    {"root's 0666 hive", 0666, true, false, 0},
};

// Only the rights on the hive file count: the folder is writable by everyone throughout.
// Whatever the result, the hive keeps its owner and mode, and nothing is left beside it.
// Run as root (as CI does), the calls are made by nobody in a child process, since root
// passes every mode check; otherwise by the test's user, and the rows that need root skip.
TEST(HiveDeletionLinux, TheCallersRightsOnTheHiveFileDecide) {
    for (const RightsCase& row : RIGHTS_CASES) {
        if ((row.rootsHive || row.immutable) && !isRoot()) {
            std::printf("note  %s: skipped, it needs root\n", row.what);
            continue;
        }
        RegistryFixture registry;
        createSubKeys(registry, registry.keyPath("Parent"), {"Leaf"});
        const std::string hive = registry.hiveFolder() + "/SOFTWARE";
        ASSERT_EQ(chmod(registry.hiveFolder().c_str(), 0777), 0);
        if (isRoot() && !row.rootsHive) {
            ASSERT_EQ(chown(hive.c_str(), NOBODY, NOGROUP), 0);
        }
        ASSERT_EQ(chmod(hive.c_str(), row.mode), 0);
        struct stat before;
        ASSERT_EQ(stat(hive.c_str(), &before), 0);
        const Bytes bytes = readFile(hive);
        const Immutable immutable(row.immutable ? hive : "");
        if (row.immutable && !immutable.holds()) {
            std::printf("note  %s: skipped, the immutable flag cannot be set here\n", row.what);
            continue;
        }
        const std::string leaf = registry.keyPath("Parent\\Leaf");
        const long status = isRoot() ? deleteAs(NOBODY, leaf) : RegDeleteKeyNT(leaf.c_str());
        EXPECT_EQ(status, row.status) << row.what;
        if (row.status != 0) {
            EXPECT_EQ(readFile(hive), bytes) << row.what;
        } else {
            EXPECT_FALSE(registry.keyExists(leaf)) << row.what;
        }
        struct stat after;
        ASSERT_EQ(stat(hive.c_str(), &after), 0);
        EXPECT_EQ(after.st_uid, before.st_uid) << row.what;
        EXPECT_EQ(after.st_mode, before.st_mode) << row.what;
        EXPECT_EQ(listFolder(registry.hiveFolder()), std::vector<std::string>{"SOFTWARE"}) << row.what;
    }
}

// The hive stays the same file: its other name sees the deletion, and a descriptor
// opened before it reads the new contents.
TEST(HiveDeletionLinux, TheHiveStaysTheSameFile) {
    RegistryFixture registry;
    createSubKeys(registry, registry.keyPath("Parent"), {"Leaf"});
    const std::string hive = registry.hiveFolder() + "/SOFTWARE";
    ScratchFolder elsewhere;
    const std::string otherName = elsewhere.path("SOFTWARE-link");
    ASSERT_EQ(link(hive.c_str(), otherName.c_str()), 0);
    struct stat before, after;
    ASSERT_EQ(stat(hive.c_str(), &before), 0);
    EXPECT_EQ(RegDeleteKeyNT(registry.keyPath("Parent\\Leaf").c_str()), 0);
    ASSERT_EQ(stat(hive.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(readFile(otherName), readFile(hive));
    EXPECT_FALSE(registry.keyExists(registry.keyPath("Parent\\Leaf")));
}

// Two processes delete different keys of one hive at the same moment: each waits for
// the other's write, so both deletions are in the hive afterwards.
TEST(HiveDeletionLinux, DeletionsFromTwoProcessesAtOnceAreBothKept) {
    RegistryFixture registry;
    for (int round = 0; round < RACE_ROUNDS; ++round) {
        const std::string parent = registry.keyPath("Race" + std::to_string(round));
        createSubKeys(registry, parent, {"A", "B", "Kept"});
        int start[2];
        ASSERT_EQ(pipe(start), 0);
        Child first([&] { return static_cast<long>(RegDeleteKeyNT((parent + "\\A").c_str())); }, start[0]);
        Child second([&] { return static_cast<long>(RegDeleteKeyNT((parent + "\\B").c_str())); }, start[0]);
        const char go[2] = {1, 1};  // one byte for each: both go
        ASSERT_EQ(write(start[1], go, sizeof go), 2);
        close(start[0]);
        close(start[1]);
        EXPECT_EQ(first.status(), 0) << "round " << round;
        EXPECT_EQ(second.status(), 0) << "round " << round;
        EXPECT_EQ(takeText(ReadSubKeys(parent.c_str())), "Kept") << "round " << round;
    }
    EXPECT_EQ(listFolder(registry.hiveFolder()), std::vector<std::string>{"SOFTWARE"});
}

// How someone else holds the hive's lock, or a lock beside it, on a descriptor of their own.
enum class Hold {
    ReadLock,        // an open file description read lock: anyone who may read the hive can take it
    WriteLock,       // the same as a write lock: only a writer, a live deletion, holds one
    FlockExclusive,  // flock on a read-only descriptor
    FlockShared,
    OpenKey,         // a key of the hive kept open, as a reader holds the lock
};

class HeldElsewhere {
public:
    HeldElsewhere(Hold kind, const std::string& hive, const std::string& key) {
        if (kind == Hold::OpenKey) {
            held_ = platform::registryOpen(key.c_str(), 0x20019, &key_) == 0;
            return;
        }
        fd_ = open(hive.c_str(), kind == Hold::WriteLock ? O_RDWR : O_RDONLY);
        struct flock range = platform::byteLock(kind == Hold::WriteLock ? F_WRLCK : F_RDLCK, platform::HIVE_LOCK_OFFSET);
        const bool byRange = kind == Hold::ReadLock || kind == Hold::WriteLock;
        held_ = fd_ >= 0 && (byRange ? fcntl(fd_, F_OFD_SETLK, &range)
                                     : flock(fd_, kind == Hold::FlockExclusive ? LOCK_EX : LOCK_SH)) == 0;
    }
    ~HeldElsewhere() { release(); }
    bool held() const { return held_; }
    void release() {
        platform::registryClose(key_);
        key_ = nullptr;
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
    platform::RegistryKey* key_ = nullptr;
    bool held_ = false;
};

// The hive lock's waits for one test: writers' and readers' bounds in milliseconds, and a
// pause that counts the time asked in `pausedMs` and says once, on `waitingFd`, that a
// call is waiting.
int waitingFd = -1;
std::int64_t pausedMs = 0;
void pauseAndTell(int milliseconds) {
    pausedMs += milliseconds;
    if (waitingFd >= 0) {
        [[maybe_unused]] const ssize_t told = write(waitingFd, "w", 1);
        close(waitingFd);
        waitingFd = -1;
    }
    platform::pauseMilliseconds(milliseconds);
}

class ShortWaits {
public:
    ShortWaits(std::int64_t writerMs, std::int64_t readerMs) {
        platform::hiveLockWaits() = {writerMs, readerMs, pauseAndTell};
        pausedMs = 0;
    }
    ~ShortWaits() {
        platform::hiveLockWaits() = platform::defaultHiveLockWaits();
        if (waitingFd >= 0) close(waitingFd);
        waitingFd = -1;
    }
};

// Bounds short enough for a test, long enough that no call here gives up unless it waits.
constexpr std::int64_t SHORT_WAIT_MS = 300;
constexpr std::int64_t LONG_WAIT_MS = 60 * 1000;

struct ReaderHold {
    Hold kind;
    const char* what;
    long deletion;  // the deletion run while it is held
};

// Locks anyone who may read the hive can take: a read lock holds a deletion back only up
// to the readers' bound (then 1016, the hive untouched), flock not at all; readers are
// never held back. The writers' bound is long: the pauses counted show which bound ended
// the wait.
const ReaderHold READER_HOLDS[] = {
    {Hold::ReadLock, "read lock on a read-only descriptor", platform::REGISTRY_IO_FAILED},
    {Hold::FlockExclusive, "flock LOCK_EX on a read-only descriptor", 0},
    {Hold::FlockShared, "flock LOCK_SH on a read-only descriptor", 0},
};

TEST(HiveDeletionLinux, ALockAnyReaderCanTakeHoldsNoCallBeyondTheReadersBound) {
    const ShortWaits waits(LONG_WAIT_MS, SHORT_WAIT_MS);
    for (const ReaderHold& row : READER_HOLDS) {
        RegistryFixture registry;
        createSubKeys(registry, registry.keyPath("Parent"), {"Leaf"});
        const std::string hive = registry.hiveFolder() + "/SOFTWARE";
        const Bytes before = readFile(hive);
        HeldElsewhere holder(row.kind, hive, "");
        ASSERT_TRUE(holder.held()) << row.what;
        pausedMs = 0;
        EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Parent").c_str())), "Leaf") << row.what;
        EXPECT_EQ(pausedMs, 0) << row.what;
        EXPECT_EQ(platform::deleteKeyFromHive(registry.keyPath("Parent\\Leaf").c_str()), row.deletion) << row.what;
        EXPECT_EQ(pausedMs, row.deletion == 0 ? 0 : SHORT_WAIT_MS) << row.what;
        if (row.deletion != 0) {
            EXPECT_EQ(readFile(hive), before) << row.what;
        }
        EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Parent").c_str())),
                  row.deletion == 0 ? std::nullopt : std::optional<std::string>("Leaf"))
            << row.what;
        EXPECT_EQ(listFolder(registry.hiveFolder()), std::vector<std::string>{"SOFTWARE"}) << row.what;
    }
}

// A lock a writer holds, and the one a reader's open key holds, are waited for: the
// deletion does not touch the hive until the holder lets go, and then goes on. (A
// deletion that took no lock would change the hive at once.)
TEST(HiveDeletionLinux, ADeletionWaitsForTheHiveLockAndGoesOnWhenItIsReleased) {
    for (const Hold kind : {Hold::WriteLock, Hold::OpenKey}) {
        const ShortWaits waits(LONG_WAIT_MS, LONG_WAIT_MS);
        RegistryFixture registry;
        createSubKeys(registry, registry.keyPath("Parent"), {"Leaf"});
        const std::string hive = registry.hiveFolder() + "/SOFTWARE";
        const Bytes before = readFile(hive);
        HeldElsewhere holder(kind, hive, registry.keyPath("Parent"));
        ASSERT_TRUE(holder.held());
        int told[2];
        ASSERT_EQ(pipe(told), 0);
        waitingFd = told[1];
        long status = -1;
        std::thread deletion([&] {
            status = platform::deleteKeyFromHive(registry.keyPath("Parent\\Leaf").c_str());
            if (waitingFd >= 0) close(waitingFd);  // it never waited: the test must not wait either
            waitingFd = -1;
        });
        char got = 0;
        EXPECT_EQ(read(told[0], &got, 1), 1) << "the deletion did not wait for the lock";
        close(told[0]);
        EXPECT_EQ(readFile(hive), before);
        holder.release();
        deletion.join();
        EXPECT_EQ(status, 0);
        EXPECT_FALSE(registry.keyExists(registry.keyPath("Parent\\Leaf")));
    }
}

// A reader meets a writer's lock: it waits up to the writers' bound, then gives null and
// leaves the hive alone; once the lock is gone it reads.
TEST(HiveDeletionLinux, AReaderGivesUpOnAWriteLockAtTheWritersBound) {
    const ShortWaits waits(SHORT_WAIT_MS, LONG_WAIT_MS);
    RegistryFixture registry;
    createSubKeys(registry, registry.keyPath("Parent"), {"Leaf"});
    const std::string hive = registry.hiveFolder() + "/SOFTWARE";
    HeldElsewhere holder(Hold::WriteLock, hive, "");
    ASSERT_TRUE(holder.held());
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Parent").c_str())), std::nullopt);
    EXPECT_EQ(pausedMs, SHORT_WAIT_MS);
    holder.release();
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Parent").c_str())), "Leaf");
}

// The key path travels to the helper on its standard input: a path far past a command
// line's 128 KiB (an existing key spelled with 140,000 doubled backslashes) deletes the
// key; one past the helper's limit is refused with 87 and changes nothing.
TEST(HiveDeletionLinux, AKeyPathOfAnyLengthReachesTheHelper) {
    RegistryFixture registry;
    createSubKeys(registry, registry.keyPath("Parent"), {"Leaf", "Kept"});
    const std::string doubled = registry.keyPath("Parent") + std::string(2 * 140000, '\\') + "Leaf";
    EXPECT_EQ(RegDeleteKeyNT(doubled.c_str()), 0);
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Parent").c_str())), "Kept");
    const std::string tooLong =
        registry.keyPath("Parent") + std::string(platform::HELPER_ARGUMENT_LIMIT, '\\') + "Kept";
    EXPECT_EQ(RegDeleteKeyNT(tooLong.c_str()), platform::REGISTRY_INVALID_PARAMETER);
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Parent").c_str())), "Kept");
}

// A host that closed its standard descriptors: the answer pipe and the argument's socket
// then get the lowest numbers, which the helper's own layout must not mix up.
TEST(HiveDeletionLinux, AHostWithoutStandardDescriptorsStillDeletes) {
    RegistryFixture registry;
    createSubKeys(registry, registry.keyPath("Parent"), {"Leaf", "Kept"});
    const std::string leaf = registry.keyPath("Parent\\Leaf");
    Child child([&] {
        close(STDIN_FILENO);
        close(STDOUT_FILENO);
        close(STDERR_FILENO);
        return static_cast<long>(RegDeleteKeyNT(leaf.c_str()));
    }, -1);
    EXPECT_EQ(child.status(), 0);
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Parent").c_str())), "Kept");
}

// The helper reads its argument whole up to the limit, and refuses one byte more.
TEST(HiveDeletionLinux, TheHelperReadsItsArgumentUpToTheLimit) {
    for (const std::size_t length : {platform::HELPER_ARGUMENT_LIMIT, platform::HELPER_ARGUMENT_LIMIT + 1}) {
        int ends[2];
        ASSERT_EQ(pipe(ends), 0);
        const std::string sent(length, 'k');
        std::thread writer([&] {
            for (std::size_t put = 0; put < sent.size();) {
                const ssize_t wrote = write(ends[1], sent.data() + put, sent.size() - put);
                if (wrote <= 0) break;
                put += static_cast<std::size_t>(wrote);
            }
            close(ends[1]);
        });
        std::string got;
        const long status = platform::readHelperArgument(ends[0], &got);
        close(ends[0]);
        writer.join();
        if (length <= platform::HELPER_ARGUMENT_LIMIT) {
            EXPECT_EQ(status, 0);
            EXPECT_TRUE(got == sent);
        } else {
            EXPECT_EQ(status, platform::REGISTRY_INVALID_PARAMETER);
        }
    }
}

// Offsets in a key's nk cell (from the cell's size field): its class name pointer, and its name.
constexpr std::size_t NK_CLASS_NAME = 0x34;
constexpr std::size_t NK_NAME = 0x50;

// A key whose class name points to no cell: reading never looks there, but hivex
// asserts on it when it frees the key's cells, which ends the helper.
TEST(HiveDeletionLinux, DamageOnlyTheDeletionMeetsGivesDamagedHiveAndTheHostLives) {
    RegistryFixture registry;
    createSubKeys(registry, registry.keyPath("Parent"), {"Doomed"});
    const std::string hive = registry.hiveFolder() + "/SOFTWARE";
    Bytes bytes = readFile(hive);
    const std::string name = "Doomed";
    const auto found = std::search(bytes.begin(), bytes.end(), name.begin(), name.end());
    ASSERT_NE(found, bytes.end());
    const std::size_t cell = static_cast<std::size_t>(found - bytes.begin()) - NK_NAME;
    const std::uint8_t nowhere[4] = {0x23, 0x01, 0, 0};  // 0x123, inside no cell
    std::copy(nowhere, nowhere + 4, bytes.begin() + static_cast<std::ptrdiff_t>(cell + NK_CLASS_NAME));
    writeFile(hive, bytes);
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Parent").c_str())), "Doomed");
    EXPECT_EQ(RegDeleteKeyNT(registry.keyPath("Parent\\Doomed").c_str()), platform::REGISTRY_BAD_DATABASE);
    EXPECT_EQ(readFile(hive), bytes);
    EXPECT_EQ(listFolder(registry.hiveFolder()), std::vector<std::string>{"SOFTWARE"});
}

// Writes from the `writesFailingFrom`-th on fail, as when the writing process dies there.
int writesFailingFrom = 0;
int writesMade = 0;
bool writeUntilDeath(platform::FileHandle file, std::int64_t offset, const std::uint8_t* bytes, std::size_t count) {
    ++writesMade;
    if (writesMade > writesFailingFrom) return false;
    // The write it dies in puts half its bytes down; none comes after it.
    const bool dies = writesMade == writesFailingFrom;
    return platform::platformFileSystem().write(file, offset, bytes, dies ? count / 2 : count) && !dies;
}

// A helper killed while it overwrote a hive of two names in place: the hive half written,
// its journal in the place both names lead to. The next read and deletion see it whole.
// Rewrites the hive of two names in place with garbage, dying at ever later writes until
// one leaves it half written, its journal in the place both names lead to.
void leaveHalfWritten(const std::string& hive) {
    const Bytes whole = readFile(hive);
    const Bytes garbage(whole.size(), 0xEE);
    const auto overwrite = [&garbage](platform::FileHandle, std::int64_t, platform::RewriteSink& sink) {
        return sink.write(0, garbage.data(), 4096) && sink.write(4096, garbage.data() + 4096, garbage.size() - 4096);
    };
    const auto halfWritten = [&] {
        const Bytes now = readFile(hive);
        return now != whole && now != garbage;
    };
    platform::fileSystem().write = writeUntilDeath;
    for (writesFailingFrom = 1; writesFailingFrom < 10 && !halfWritten(); ++writesFailingFrom) {
        writesMade = 0;
        platform::rewriteFile(hive.c_str(), overwrite, platform::RewriteWay::InPlace);
    }
    platform::fileSystem() = platform::platformFileSystem();
    ASSERT_TRUE(halfWritten()) << "no failing write left the hive half written";
}

TEST(HiveDeletionLinux, AHelperKilledOnAHiveOfTwoNamesLeavesItWholeForTheNextCalls) {
    RegistryFixture registry;
    createSubKeys(registry, registry.keyPath("Parent"), {"Doomed", "Kept"});
    const std::string hive = registry.hiveFolder() + "/SOFTWARE";
    ScratchFolder elsewhere;
    ASSERT_EQ(link(hive.c_str(), elsewhere.path("SOFTWARE").c_str()), 0);
    leaveHalfWritten(hive);
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Parent").c_str())), "Doomed,Kept");
    EXPECT_EQ(RegDeleteKeyNT(registry.keyPath("Parent\\Doomed").c_str()), 0);
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Parent").c_str())), "Kept");
    EXPECT_EQ(listFolder(registry.hiveFolder()), std::vector<std::string>{"SOFTWARE"});
    EXPECT_EQ(listFolder(runJournalFolder() + "/kelvane-" + std::to_string(geteuid())), std::vector<std::string>{});
}

// After such a crash the administrator restores the hive in place from a backup (cp: the
// same inode). The next read keeps the backup: the journal, made for the state the crash
// left, is set aside, never put back over the restored hive.
TEST(HiveDeletionLinux, AHiveRestoredInPlaceFromABackupAfterACrashKeepsTheBackup) {
    RegistryFixture registry;
    createSubKeys(registry, registry.keyPath("Parent"), {"Old"});
    const std::string hive = registry.hiveFolder() + "/SOFTWARE";
    const Bytes backup = readFile(hive);
    createSubKeys(registry, registry.keyPath("Parent"), {"New"});
    ScratchFolder elsewhere;
    ASSERT_EQ(link(hive.c_str(), elsewhere.path("SOFTWARE").c_str()), 0);
    leaveHalfWritten(hive);
    writeFile(hive, backup);
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Parent").c_str())), "Old");
    EXPECT_TRUE(readFile(hive) == backup) << "an older journal went back over the restored hive";
    // The journal set aside (a copy of the hive as it was before the crash) is ours to clear.
    char journals[platform::JOURNAL_PLACES][platform::PATH_CAPACITY];
    const int count = platform::journalPaths(hive.c_str(), journals);
    int setAside = 0;
    for (int place = 0; place < count; ++place) {
        const std::string journal = journals[place];
        const std::string folder = journal.substr(0, journal.rfind('/'));
        for (const std::string& left : listFolder(folder)) {
            if (left.rfind(journal.substr(folder.size() + 1) + "-kept-", 0) != 0) continue;
            setAside += std::remove((folder + "/" + left).c_str()) == 0 ? 1 : 0;
            rmdir(folder.c_str());
        }
    }
    EXPECT_EQ(setAside, 1);
}

// With no descriptor free, a deletion cannot tell whether the key exists: it says so
// (1009 or 1016), never 2, and the key stays.
constexpr long NO_LIMIT = -2;  // the child could not lower its limit
TEST(HiveDeletionLinux, NoFreeDescriptorGivesAFailureNeverNotFound) {
    RegistryFixture registry;
    createSubKeys(registry, registry.keyPath("Parent"), {"Stays"});
    const std::string key = registry.keyPath("Parent\\Stays");
    Child child([&] {
        const int lowestFree = dup(0);
        const rlimit none{static_cast<rlim_t>(lowestFree), static_cast<rlim_t>(lowestFree)};
        close(lowestFree);
        if (setrlimit(RLIMIT_NOFILE, &none) != 0) return NO_LIMIT;
        return static_cast<long>(RegDeleteKeyNT(key.c_str()));
    }, -1);
    const long status = child.status();
    if (status == NO_LIMIT) GTEST_SKIP() << "the descriptor limit cannot be lowered here (valgrind keeps it)";
    EXPECT_TRUE(status == platform::REGISTRY_BAD_DATABASE || status == platform::REGISTRY_IO_FAILED) << status;
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Parent").c_str())), "Stays");
}

// A host that loaded the library by a relative name and then changed its current folder,
// where a look-alike helper answers 0: the helper beside the library deletes the key.
TEST(HiveDeletionLinux, TheHelperBesideTheLibraryRunsFromAnyCurrentFolder) {
    RegistryFixture registry;
    createSubKeys(registry, registry.keyPath("Parent"), {"Doomed", "Kept"});
    ScratchFolder elsewhere;
    writeFile(elsewhere.path("kelvane-hive"), textBytes("#!/bin/sh\necho 0\necho 0 >&3\n", false));
    ASSERT_EQ(chmod(elsewhere.path("kelvane-hive").c_str(), 0755), 0);
    const std::string started = std::filesystem::current_path().string();
    std::filesystem::current_path(tools::programFolder());
    tools::LoadedLibrary library(std::string("./") + tools::defaultLibraryName());
    std::filesystem::current_path(elsewhere.root());
    using DeleteExport = int(KELVANE_CALL*)(const char*);
    const auto remove = reinterpret_cast<DeleteExport>(library.symbol("RegDeleteKeyNT"));
    const int status = remove != nullptr ? remove(registry.keyPath("Parent\\Doomed").c_str()) : -1;
    std::filesystem::current_path(started);
    ASSERT_TRUE(library.loaded()) << library.error();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Parent").c_str())), "Kept");
}

// A library preloaded into every program the host starts prints as it loads: the helper's
// answer goes on a descriptor of its own, so the deletion still reports what it did.
TEST(HiveDeletionLinux, APreloadedLibraryThatPrintsLeavesTheAnswerAlone) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer's runtime must come before any preloaded library";
#endif
    RegistryFixture registry;
    createSubKeys(registry, registry.keyPath("Parent"), {"Doomed", "Kept"});
    setEnvironment("LD_PRELOAD", tools::programFolder() + "libprint_on_load.so");
    const int status = RegDeleteKeyNT(registry.keyPath("Parent\\Doomed").c_str());
    setEnvironment("LD_PRELOAD", "");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Parent").c_str())), "Kept");
}

// Converts text with iconv until told to stop, as hivex itself and many hosts do.
void convertUntil(const std::atomic<bool>& stop) {
    while (!stop.load()) {
        const iconv_t converter = iconv_open("UTF-16LE", "UTF-8");
        if (converter == reinterpret_cast<iconv_t>(-1)) return;
        char text[] = "Schl\xC3\xBCssel";
        char wide[64];
        char* in = text;
        char* out = wide;
        std::size_t inLeft = sizeof text - 1, outLeft = sizeof wide;
        iconv(converter, &in, &inLeft, &out, &outLeft);
        iconv_close(converter);
    }
}

TEST(HiveDeletionLinux, DeletionsBesideThreadsUsingIconvAllSucceed) {
    RegistryFixture registry;
    const std::string parent = registry.keyPath("Busy");
    registry.createKey(parent);
    for (int i = 0; i < DELETIONS_BESIDE_ICONV; ++i) registry.createKey(parent + "\\K" + std::to_string(i));
    registry.createKey(parent + "\\Kept");
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (int i = 0; i < ICONV_THREADS; ++i) threads.emplace_back(convertUntil, std::cref(stop));
    for (int i = 0; i < DELETIONS_BESIDE_ICONV; ++i) {
        EXPECT_EQ(RegDeleteKeyNT((parent + "\\K" + std::to_string(i)).c_str()), 0) << i;
    }
    stop = true;
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(takeText(ReadSubKeys(parent.c_str())), "Kept");
    EXPECT_EQ(listFolder(registry.hiveFolder()), std::vector<std::string>{"SOFTWARE"});
}

}  // namespace
}  // namespace kelvane::test

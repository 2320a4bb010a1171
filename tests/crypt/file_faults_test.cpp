// Every file-system call of a rewrite made to fail, at each of its calls in turn, on both
// ways of rewriting, for both calls that rewrite (cryptFile, decryptFile): the file ends
// as it was (negative result) or as the call's whole output (result 2), after the next
// call's restore at the latest, and no file is left beside it or in the journal's other place.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <tuple>
#include <utility>

#include "container_check.h"
#include "rewrite_check.h"
#include "crypt/container_writer.h"
#include "crypt/file_crypt.h"
#include "platform/file_rewrite.h"
#include "platform/file_system.h"
#include "platform/pause.h"
#include "platform/stream_overlap.h"
#include "support/host_process.h"

namespace kelvane::test {
namespace {

using platform::FileHandle;
using platform::FileSystem;
using platform::NO_FILE;
using platform::platformFileSystem;

// The kinds of call a failure is injected into; every way of opening or creating counts as one.
enum class Operation { Open, Read, Write, SetSize, Flush, Sync, Replace, Close, Remove };
const char* const OPERATION_NAMES[] = {"open", "read", "write", "setSize", "flush", "sync", "replace", "close", "remove"};

// Which call fails: the `failAt`-th call of `operation` (0: none) since the last reset;
// with `onwards`, every later one too, as when a process dies there.
struct Injection {
    Operation operation = Operation::Open;
    int failAt = 0;
    int calls = 0;
    bool onwards = false;
};
Injection injection;

bool failsNow(Operation operation) {
    if (operation != injection.operation) return false;
    ++injection.calls;
    return injection.failAt > 0 && (injection.onwards ? injection.calls >= injection.failAt : injection.calls == injection.failAt);
}

const FileSystem& real() { return platformFileSystem(); }

// Each wrapper fails the way the platform would, after doing what a failing call may
// already have done (a write puts half its bytes down, a close still releases the handle).
FileHandle openReadOrFail(const char* path) { return failsNow(Operation::Open) ? NO_FILE : real().openRead(path); }
FileHandle openHeldOrFail(const char* path, platform::FilePlace* place) {
    return failsNow(Operation::Open) ? NO_FILE : real().openHeld(path, place);
}
FileHandle createNewFileOrFail(const platform::FilePlace& place, FileHandle original) {
    return failsNow(Operation::Open) ? NO_FILE : real().createNewFile(place, original);
}
FileHandle createJournalOrFail(const platform::FilePlace& place) {
    return failsNow(Operation::Open) ? NO_FILE : real().createJournal(place);
}
FileHandle openJournalOrFail(const platform::FilePlace& place, bool* absent) {
    if (!failsNow(Operation::Open)) return real().openJournal(place, absent);
    *absent = false;
    return NO_FILE;
}
std::int64_t readOrFail(FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count) {
    return failsNow(Operation::Read) ? -1 : real().read(file, offset, buffer, count);
}
bool writeOrFail(FileHandle file, std::int64_t offset, const std::uint8_t* bytes, std::size_t count) {
    if (!failsNow(Operation::Write)) return real().write(file, offset, bytes, count);
    real().write(file, offset, bytes, count / 2);
    return false;
}
bool setSizeOrFail(FileHandle file, std::int64_t size) {
    return !failsNow(Operation::SetSize) && real().setSize(file, size);
}
bool flushOrFail(FileHandle file) { return !failsNow(Operation::Flush) && real().flush(file); }
bool syncOrFail(const platform::FilePlace& place) { return !failsNow(Operation::Sync) && real().syncFolder(place); }
bool replaceOrFail(const platform::FilePlace& place, FileHandle replacement, FileHandle original) {
    return !failsNow(Operation::Replace) && real().replace(place, replacement, original);
}
bool closeOrFail(FileHandle file) {
    const bool closed = real().close(file);
    return !failsNow(Operation::Close) && closed;
}
bool removeOrFail(const platform::FilePlace& place) {
    return !failsNow(Operation::Remove) && real().removeJournal(place);
}
bool renameNever(const platform::FilePlace&, FileHandle) { return false; }

// The way of rewriting under test: where the platform allows it a rename, or in place.
enum class Way { Rename, InPlace };

struct Case {
    FileCall call;
    Way way;
    Operation operation;
    int processors;  // 1: made and written in turn; 2: written beside the making
};

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    return std::string(info.param.call.name) + (info.param.way == Way::Rename ? "_Rename_" : "_InPlace_") +
           OPERATION_NAMES[static_cast<int>(info.param.operation)] + (info.param.processors == 1 ? "_OneProcessor" : "");
}

// googletest prints a parameter without PrintTo byte by byte, padding included, which
// memcheck rightly reports as uninitialised: the case prints as its name.
void PrintTo(const Case& row, std::ostream* out) {
    *out << caseName(::testing::TestParamInfo<Case>(row, 0));
}

class FileFaults : public ::testing::TestWithParam<Case> {
protected:
    ScratchFolder folder;
    std::mt19937 generator{11};
    // A small file, then one of two blocks, so that reads and writes repeat.
    const std::string firstPath = folder.path("first");
    const std::string secondPath = folder.path("second");
    Bytes firstContents = randomBytes(generator, 100);
    Bytes secondContents = randomBytes(generator, CONTAINER_BLOCK_SIZE + 50);
    // What the call under test takes: the contents, or their containers.
    Bytes firstInput;
    Bytes secondInput;

    void SetUp() override {
        FileSystem& files = platform::fileSystem();
        files.openRead = openReadOrFail;
        files.openHeld = openHeldOrFail;
        files.createNewFile = createNewFileOrFail;
        files.createJournal = createJournalOrFail;
        files.openJournal = openJournalOrFail;
        files.read = readOrFail;
        files.write = writeOrFail;
        files.setSize = setSizeOrFail;
        files.flush = flushOrFail;
        files.syncFolder = syncOrFail;
        files.replace = replaceOrFail;
        files.close = closeOrFail;
        files.removeJournal = removeOrFail;
        if (GetParam().way == Way::InPlace) files.renameKeepsFile = renameNever;
        platform::streamOptions().processors = GetParam().processors;
    }
    void TearDown() override {
        platform::fileSystem() = platformFileSystem();
        platform::streamOptions() = {};
        injection = Injection{};
    }

    int call(const std::string& path) { return GetParam().call.call(path.c_str()); }

    void writeBoth() {
        injection = Injection{};
        firstInput = writeInput(GetParam().call, firstPath, firstContents);
        secondInput = writeInput(GetParam().call, secondPath, secondContents);
    }

    // Calls of the operation that the call makes on both files when nothing fails.
    int callsWithoutFailure() {
        writeBoth();
        injection = Injection{GetParam().operation, 0, 0};
        EXPECT_EQ(call(firstPath), GetParam().call.done);
        EXPECT_EQ(call(secondPath), GetParam().call.done);
        return injection.calls;
    }

    // No journal of `path` in any of its places, nor anything else beside the two files.
    void expectNothingLeft(const std::string& path, const std::string& where) {
        expectNoJournal(path);
        std::vector<std::string> left = listFolder(folder.root());
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, (std::vector<std::string>{"first", "second"})) << where << ": a file was left";
    }

    // The file after a call with result `result` and the next call's restore: a failed
    // call keeps the input, a successful one leaves the whole output.
    void expectInputOrOutput(const std::string& path, const Bytes& contents, const Bytes& input, int result,
                             const std::string& where) {
        platform::fileSystem() = platformFileSystem();
        EXPECT_TRUE(result == GetParam().call.done || result < 0) << where << ": result " << result;
        if (GetParam().operation == Operation::Remove && result < 0) {
            // The commit failed: the call itself took the file back, before any next call.
            EXPECT_TRUE(readFile(path) == input) << where << ": a failed commit was not taken back";
        }
        ASSERT_TRUE(restoreInterruptedCall(path.c_str())) << where;
        const Bytes now = readFile(path);
        if (result == GetParam().call.done) {
            EXPECT_TRUE(isFinished(GetParam().call, contents, now)) << where << ": the output is lost";
        } else {
            EXPECT_TRUE(now == input) << where << ": the input is lost";
        }
        expectNothingLeft(path, where);
        SetUp();
    }

    // Fails call `failAt`; the file whose turn it was must come through whole.
    void failCall(int failAt) {
        writeBoth();
        injection = Injection{GetParam().operation, failAt, 0};
        const std::string where = std::string(OPERATION_NAMES[static_cast<int>(GetParam().operation)]) + " call " +
                                  std::to_string(failAt);
        const int first = call(firstPath);
        if (injection.calls >= failAt) {
            expectInputOrOutput(firstPath, firstContents, firstInput, first, where);
            return;
        }
        EXPECT_EQ(first, GetParam().call.done) << where;
        const int second = call(secondPath);
        expectInputOrOutput(secondPath, secondContents, secondInput, second, where);
    }
};

TEST_P(FileFaults, EveryFailingCallLeavesTheInputOrTheOutput) {
    const int calls = callsWithoutFailure();
    if (calls == 0) GTEST_SKIP() << "this way of rewriting makes no such call here";
    for (int failAt = 1; failAt <= calls; ++failAt) failCall(failAt);
}

std::vector<Case> allCases() {
    std::vector<Case> cases;
    for (const FileCall& call : FILE_CALLS) {
        for (const Way way : {Way::Rename, Way::InPlace}) {
            for (int operation = 0; operation <= static_cast<int>(Operation::Remove); ++operation) {
                cases.push_back(Case{call, way, static_cast<Operation>(operation), 2});
            }
            // Reads and writes are what the stream makes on its two threads: also in turn.
            for (const Operation operation : {Operation::Read, Operation::Write}) {
                cases.push_back(Case{call, way, operation, 1});
            }
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EachCall, FileFaults, ::testing::ValuesIn(allCases()), caseName);

TEST(FileFaultResults, AFailedWriteReportsMinusThreeAndAFailedWriteOpeningMinusTwo) {
    ScratchFolder folder;
    const std::string path = folder.path("file");
    std::mt19937 generator{12};
    const Bytes contents = randomBytes(generator, 300);
    for (const FileCall& call : FILE_CALLS) {
        const Bytes input = writeInput(call, path, contents);
        platform::fileSystem().write = writeOrFail;
        injection = Injection{Operation::Write, 1, 0};
        EXPECT_EQ(call.call(path.c_str()), FILE_WRITE_FAILED) << call.name;
        platform::fileSystem().openHeld = openHeldOrFail;
        injection = Injection{Operation::Open, 1, 0};
        EXPECT_EQ(call.call(path.c_str()), FILE_CANNOT_WRITE) << call.name;
        platform::fileSystem() = platformFileSystem();
        injection = Injection{};
        EXPECT_EQ(readFile(path), input) << call.name;
    }
}

// The order of an in-place rewrite's steps, as a crash at any moment needs it: the
// journal's copy reaches the disk before the record that calls it complete, and the record
// (and the journal's name) before the first byte of the file is overwritten, and the
// overwritten file before the journal goes.
struct Event {
    enum Kind { Write, Flush, Sync, Remove } kind;
    FileHandle file;
};
std::vector<Event> events;
FileHandle heldFile = NO_FILE;
FileHandle journalFile = NO_FILE;

FileHandle openHeldLogged(const char* path, platform::FilePlace* place) {
    return heldFile = real().openHeld(path, place);
}
FileHandle createJournalLogged(const platform::FilePlace& place) { return journalFile = real().createJournal(place); }
bool writeLogged(FileHandle file, std::int64_t offset, const std::uint8_t* bytes, std::size_t count) {
    events.push_back({Event::Write, file});
    return real().write(file, offset, bytes, count);
}
bool flushLogged(FileHandle file) {
    events.push_back({Event::Flush, file});
    return real().flush(file);
}
bool syncLogged(const platform::FilePlace& place) {
    events.push_back({Event::Sync, NO_FILE});
    return real().syncFolder(place);
}
bool removeLogged(const platform::FilePlace& place) {
    events.push_back({Event::Remove, NO_FILE});
    return real().removeJournal(place);
}

TEST(FileFaultResults, TheCopyIsSyncedBeforeItsRecordAndTheRecordBeforeTheFileIsTouched) {
    ScratchFolder folder;
    const std::string path = folder.path("file");
    std::mt19937 generator{14};
    for (const FileCall& call : FILE_CALLS) {
        writeInput(call, path, randomBytes(generator, 2 * CONTAINER_BLOCK_SIZE + 9));
        FileSystem& files = platform::fileSystem();
        files.renameKeepsFile = renameNever;
        files.openHeld = openHeldLogged;
        files.createJournal = createJournalLogged;
        files.write = writeLogged;
        files.flush = flushLogged;
        files.syncFolder = syncLogged;
        files.removeJournal = removeLogged;
        events.clear();
        EXPECT_EQ(call.call(path.c_str()), call.done) << call.name;
        platform::fileSystem() = platformFileSystem();
        const auto at = [](auto predicate) {
            return std::find_if(events.begin(), events.end(), predicate) - events.begin();
        };
        const auto last = [](auto predicate) {
            const auto found = std::find_if(events.rbegin(), events.rend(), predicate);
            return found == events.rend() ? std::ptrdiff_t{-1} : events.rend() - found - 1;
        };
        const auto isJournal = [](Event::Kind kind) { return [kind](const Event& e) { return e.kind == kind && e.file == journalFile; }; };
        const std::ptrdiff_t record = last(isJournal(Event::Write));
        const std::ptrdiff_t copied = last([record](const Event& e) {
            return e.kind == Event::Write && e.file == journalFile && &e - events.data() < record;
        });
        const std::ptrdiff_t fileTouched = at([](const Event& e) { return e.kind == Event::Write && e.file == heldFile; });
        const auto between = [](std::ptrdiff_t from, std::ptrdiff_t to, auto predicate) {
            return std::any_of(events.begin() + from + 1, events.begin() + to, predicate);
        };
        ASSERT_GE(copied, 0) << call.name;
        EXPECT_TRUE(between(copied, record, isJournal(Event::Flush))) << call.name << ": the record before the copy's sync";
        EXPECT_TRUE(between(record, fileTouched, isJournal(Event::Flush))) << call.name << ": the file before the record's sync";
        EXPECT_TRUE(between(record, fileTouched, [](const Event& e) { return e.kind == Event::Sync; }))
            << call.name << ": the file before the journal's name is synced";
        const std::ptrdiff_t fileDone = last([](const Event& e) { return e.kind == Event::Write && e.file == heldFile; });
        const std::ptrdiff_t removed = at([](const Event& e) { return e.kind == Event::Remove; });
        ASSERT_LT(removed, static_cast<std::ptrdiff_t>(events.size())) << call.name << ": the journal never went";
        EXPECT_TRUE(between(fileDone, removed, [](const Event& e) { return e.kind == Event::Flush && e.file == heldFile; }))
            << call.name << ": the journal went before the file's sync";
    }
}

// The stream that writes beside the making, on its own: numbered blocks, and a sink that
// looks at each block only after a pause, so that a block made over while it is written, a
// write still running when the stream returns, or a failure not passed on shows.
struct StreamRow {
    const char* name;
    int processors;
    int failWriteAt;  // this write fails (1 is the first; 0: none)
    int failMakeAt;   // this making fails (0: none)
};

constexpr std::size_t STREAM_TEST_BLOCK = 4096;
constexpr int STREAM_TEST_STRETCHES = 12;
thread_local int threadMarker;  // its address tells the threads apart

std::uint8_t streamByte(std::int64_t at) { return static_cast<std::uint8_t>(at / STREAM_TEST_BLOCK * 7 + at % 251); }

class NumberedMaker : public platform::StretchMaker {
public:
    explicit NumberedMaker(int failAt) : failAt_(failAt) {}
    Made make(std::uint8_t* block, platform::Stretch* stretch) override {
        if (made_ == STREAM_TEST_STRETCHES) return Made::End;
        if (++made_ == failAt_) return Made::Failed;
        const std::int64_t at = static_cast<std::int64_t>(made_ - 1) * STREAM_TEST_BLOCK;
        for (std::size_t i = 0; i < STREAM_TEST_BLOCK; ++i) block[i] = streamByte(at + static_cast<std::int64_t>(i));
        *stretch = {at, STREAM_TEST_BLOCK, at + static_cast<std::int64_t>(STREAM_TEST_BLOCK)};
        return Made::Stretch;
    }
    int made() const { return made_; }

private:
    int failAt_;
    int made_ = 0;
};

class PausingSink : public platform::RewriteSink {
public:
    explicit PausingSink(int failAt) : failAt_(failAt) {}
    bool write(std::int64_t offset, const std::uint8_t* bytes, std::size_t count) override {
        onCaller = onCaller && &threadMarker == callerMarker;
        if (++writes == failAt_) return false;
        platform::pauseMilliseconds(3);
        for (std::size_t i = 0; i < count; ++i) intact = intact && bytes[i] == streamByte(offset + static_cast<std::int64_t>(i));
        inOrder = inOrder && offset == static_cast<std::int64_t>(done) * static_cast<std::int64_t>(STREAM_TEST_BLOCK);
        ++done;
        return true;
    }
    bool writableBeside() const override { return true; }

    const int* callerMarker = &threadMarker;
    int writes = 0;  // begun
    int done = 0;    // ended, checked
    bool onCaller = true;
    bool intact = true;
    bool inOrder = true;

private:
    int failAt_;
};

TEST(FileFaultResults, TheStreamWritesEveryBlockIntactInOrderAndPassesOnEveryFailure) {
    const StreamRow rows[] = {
        {"in turn", 1, 0, 0},
        {"beside", 2, 0, 0},
        {"in turn, a write fails", 1, 4, 0},
        {"beside, a write fails", 2, 4, 0},
        {"beside, the first write fails", 2, 1, 0},
        {"in turn, a making fails", 1, 0, 5},
        {"beside, a making fails", 2, 0, 5},
        {"beside, the last making fails", 2, 0, STREAM_TEST_STRETCHES},
    };
    for (const StreamRow& row : rows) {
        platform::streamOptions().processors = row.processors;
        NumberedMaker maker(row.failMakeAt);
        PausingSink sink(row.failWriteAt);
        const bool streamed = platform::streamStretches(NO_FILE, STREAM_TEST_BLOCK, maker, sink);
        platform::streamOptions() = {};
        const bool fails = row.failWriteAt > 0 || row.failMakeAt > 0;
        EXPECT_EQ(streamed, !fails) << row.name;
        // Every write begun has ended, checked: none runs on once the stream has returned.
        EXPECT_EQ(sink.done, sink.writes - (row.failWriteAt > 0 ? 1 : 0)) << row.name;
        EXPECT_TRUE(sink.intact) << row.name << ": a block was made over while it was written";
        EXPECT_TRUE(sink.inOrder) << row.name;
        if (!fails) {
            EXPECT_EQ(sink.done, STREAM_TEST_STRETCHES) << row.name;
        }
        // Nothing is written after a failed write, nor once a making failed.
        if (row.failWriteAt > 0) {
            EXPECT_EQ(sink.writes, row.failWriteAt) << row.name;
        }
        if (row.failMakeAt > 0) {
            EXPECT_LT(sink.writes, row.failMakeAt) << row.name;
        }
        // A failed write stops the making within the blocks in flight.
        if (row.failWriteAt > 0) {
            EXPECT_LE(maker.made(), row.failWriteAt + platform::STREAM_BLOCKS) << row.name;
        }
        EXPECT_EQ(sink.onCaller, row.processors == 1) << row.name << ": written on the wrong thread";
    }
}

// A writer elsewhere appends to the file while it is being enciphered.
// Appends one byte to the file at growingPath, once: a writer elsewhere.
std::string growingPath;
void growOnce() {
    if (growingPath.empty()) return;
    Bytes grown = readFile(growingPath);
    grown.push_back(0x5A);
    writeFile(growingPath, grown);
    growingPath.clear();
}
std::int64_t readWhileGrowing(FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count) {
    if (offset > 0) growOnce();
    return real().read(file, offset, buffer, count);
}
void growWhenSaved(const char* step) {
    if (std::strcmp(step, "journal saved") == 0) growOnce();
}

// A writer elsewhere appends to the file during the call: while a rewrite by rename reads
// the file itself, or in place (which reads the synced copy) once the journal is saved and
// before the file is overwritten. The call fails and the file keeps its new end.
TEST(FileFaultResults, AFileThatGrowsMeanwhileKeepsItsNewEnd) {
    ScratchFolder folder;
    const std::string path = folder.path("growing");
    std::mt19937 generator{13};
    const Bytes contents = randomBytes(generator, CONTAINER_BLOCK_SIZE + 50);
    Bytes grown = contents;
    grown.push_back(0x5A);
    for (const bool inPlace : {true, false}) {
        writeFile(path, contents);
        platform::FilePlace place;
        const FileHandle probe = real().openHeld(path.c_str(), &place);
        const bool renames = real().renameKeepsFile(place, probe);
        real().close(probe);
        real().close(place.folder);
        if (!inPlace && !renames) continue;  // no rewrite by rename on this platform
        growingPath = path;
        FileSystem& files = platform::fileSystem();
        if (inPlace) {
            files.renameKeepsFile = renameNever;
            files.step = growWhenSaved;
        } else {
            files.read = readWhileGrowing;
        }
        EXPECT_EQ(cryptFile(path.c_str()), FILE_WRITE_FAILED) << (inPlace ? "in place" : "by rename");
        platform::fileSystem() = platformFileSystem();
        EXPECT_TRUE(readFile(path) == grown) << (inPlace ? "in place" : "by rename");
        expectNoJournal(path);
    }
}

// What happens to a file between a call that died in the middle of an in-place rewrite
// (its journal complete, the file half written) and the next call: only while the file
// is as the crash left it may the next call put the original back, and it must find the
// journal whatever its environment and whichever name of the file it is given. The only
// whole copy of the original is never deleted on a guess: a file changed since the crash
// keeps its change and the journal is set aside; a journal that is not this file's, or
// not ours, stays as it is.
struct AfterACrash {
    const char* name;
    // The file's second name: none, beside it, or in another folder (the next call takes it).
    enum { OneName, SecondName, NameElsewhere } names;
    // Changes the file at `path` (its journal at `journal`); returns what it must then
    // hold. Empty: the change is not possible here, and the row is skipped.
    std::function<Bytes(const std::string& path, const std::string& journal, const Bytes& input)> change;
    bool restored;  // the next call puts the input back; else it leaves the changed file
    enum Fate { Gone, SetAside, Stays } journal = Gone;
    bool newIdentity = false;     // the change gives the file a new identity, where the platform can tell
    bool readsFailFirst = false;  // a first next call cannot read: it keeps the journal for a later one
    bool renamed = false;         // the change renames the file to RENAMED beside it, where the call goes
};

constexpr char RENAMED[] = "-renamed";

Bytes keep(const std::string& path, const std::string&, const Bytes&) { return readFile(path); }

// The file as the crash left it, changed by `edit`.
Bytes edited(const std::string& path, const std::function<void(Bytes&)>& edit) {
    Bytes now = readFile(path);
    edit(now);
    writeFile(path, now);
    return now;
}

const AfterACrash AFTER_A_CRASH[] = {
    {"nothing", AfterACrash::OneName, keep, true},
    {"another temporary folder", AfterACrash::SecondName,
     [](const std::string& path, const std::string&, const Bytes&) {
         for (const char* name : {"TMPDIR", "TMP", "TEMP", "HOME"}) setEnvironment(name, path + "-elsewhere");
         return readFile(path);
     },
     true},
    {"the next call through another hard link", AfterACrash::NameElsewhere, keep, true},
    {"a next call whose reads fail", AfterACrash::OneName, keep, true, AfterACrash::Gone, false, true},
    {"the file renamed in its folder", AfterACrash::OneName,
     [](const std::string& path, const std::string&, const Bytes&) {
         std::filesystem::rename(path, path + RENAMED);
         return readFile(path + RENAMED);
     },
     true, AfterACrash::Gone, false, false, true},
    {"the file deleted and made again, the journal copied to its journal name", AfterACrash::OneName,
     [](const std::string& path, const std::string& journal, const Bytes&) {
         // What the crash left, as a new file (on ext4 often the same inode number): the
         // journal's name follows the identity, and the record repeats it, which alone tells
         // a copy under the new file's name apart.
         const Bytes left = readFile(path);
         std::filesystem::remove(path);
         writeFile(path, left);
         const std::string folder = journal.substr(0, journal.find_last_of("/\\") + 1);
         for (const std::string& name : journalPaths(path)) {
             if (name.rfind(folder, 0) == 0 && name != journal) std::filesystem::copy_file(journal, name);
         }
         return left;
     },
     false, AfterACrash::Stays, true},
    {"the file overwritten in place by another writer", AfterACrash::OneName,
     [](const std::string& path, const std::string&, const Bytes&) {
         const Bytes other(1000, 0x33);
         writeFile(path, other);
         return other;
     },
     false, AfterACrash::SetAside},
    {"the file cut short", AfterACrash::OneName,
     [](const std::string& path, const std::string&, const Bytes&) {
         return edited(path, [](Bytes& bytes) { bytes.resize(bytes.size() / 3); });
     },
     false, AfterACrash::SetAside},
    {"the file appended to", AfterACrash::OneName,
     [](const std::string& path, const std::string&, const Bytes&) {
         return edited(path, [](Bytes& bytes) { bytes.push_back(0x0A); });
     },
     false, AfterACrash::SetAside},
    {"a journal whose seal is not ours", AfterACrash::OneName,
     [](const std::string& path, const std::string& journal, const Bytes&) {
         Bytes planted = readFile(journal);
         planted.back() ^= 0x01;
         writeFile(journal, planted);
         return readFile(path);
     },
     false, AfterACrash::Stays},
    {"a journal given to another user", AfterACrash::OneName,
     [](const std::string& path, const std::string& journal, const Bytes&) {
         return giveToAnotherUser(journal) ? readFile(path) : Bytes{};
     },
     false, AfterACrash::Stays},
    {"a journal others may write", AfterACrash::OneName,
     [](const std::string& path, const std::string& journal, const Bytes&) {
         return openToOthers(journal) ? readFile(path) : Bytes{};
     },
     false, AfterACrash::Stays},
    {"a journal with a second name", AfterACrash::OneName,
     [](const std::string& path, const std::string& journal, const Bytes&) {
         return linkElsewhere(journal, path + "-journal-link") ? readFile(path) : Bytes{};
     },
     false, AfterACrash::Stays},
};

void PrintTo(const AfterACrash& row, std::ostream* out) { *out << row.name; }

class FileAfterACrash : public ::testing::TestWithParam<std::tuple<AfterACrash, FileCall>> {
protected:
    ScratchFolder folder;
    std::mt19937 generator{17};
    const std::string path = folder.path("file");
    const std::string elsewhere = folder.path("elsewhere");

    void TearDown() override {
        platform::fileSystem() = platformFileSystem();
        injection = Injection{};
        for (const char* name : {"TMPDIR", "TMP", "TEMP", "HOME"}) setEnvironment(name, temporaryFolders[name]);
    }

    // Fails every write from the `failAt`-th on, the put-back's too: true when that left a
    // journal and a half-written file, whose journal is then at `journal`.
    bool dieWhileWriting(const FileCall& call, const Bytes& input, int failAt, std::string* journal) {
        writeFile(path, input);
        FileSystem& files = platform::fileSystem();
        files.renameKeepsFile = renameNever;
        files.write = writeOrFail;
        injection = Injection{Operation::Write, failAt, 0, true};
        call.call(path.c_str());
        platform::fileSystem() = platformFileSystem();
        injection = Injection{};
        for (const std::string& name : journalPaths(path)) {
            if (fileExists(name)) *journal = name;
        }
        return !journal->empty() && readFile(path) != input;
    }

    std::map<std::string, std::string> temporaryFolders = [] {
        std::map<std::string, std::string> folders;
        for (const char* name : {"TMPDIR", "TMP", "TEMP", "HOME"}) {
            const char* value = std::getenv(name);
            folders[name] = value != nullptr ? value : "";
        }
        return folders;
    }();
};

platform::FileIdentity identityOf(const std::string& path) {
    platform::FileIdentity identity{};
    const FileHandle file = real().openRead(path.c_str());
    EXPECT_TRUE(file != NO_FILE && real().identity(file, &identity)) << path;
    real().close(file);
    return identity;
}

// The names in the folder of `journal` that it was set aside under.
std::vector<std::string> setAsideCopies(const std::string& journal) {
    const std::size_t slash = journal.find_last_of("/\\");
    const std::string folder = journal.substr(0, slash);
    const std::string kept = journal.substr(slash + 1) + "-kept-";
    std::vector<std::string> copies;
    for (const std::string& name : listFolder(folder)) {
        if (name.rfind(kept, 0) == 0) copies.push_back(folder + journal[slash] + name);
    }
    return copies;
}

TEST_P(FileAfterACrash, TheOriginalGoesBackOnlyOverWhatTheCrashLeft) {
    const auto& [row, call] = GetParam();
    const Bytes input = writeInput(call, path, randomBytes(generator, 3 * CONTAINER_BLOCK_SIZE + 50));
    const std::string second = row.names == AfterACrash::NameElsewhere ? elsewhere + "/file" : path + "-link";
    if (row.names != AfterACrash::OneName) {
        std::filesystem::create_directory(elsewhere);
        std::filesystem::create_hard_link(path, second);
    }
    const std::string other = row.names == AfterACrash::NameElsewhere ? second : row.renamed ? path + RENAMED : path;
    std::string journal;
    int failAt = 1;
    while (failAt < 20 && !dieWhileWriting(call, input, failAt, &journal)) ++failAt;
    ASSERT_FALSE(journal.empty()) << "no write left a journal";
    if (row.names == AfterACrash::NameElsewhere && journal.rfind(folder.root(), 0) == 0) {
        GTEST_SKIP() << "this platform keeps the journal beside the file (Windows: the temporary folder is the environment's)";
    }
    const Bytes journalBytes = readFile(journal);
    const platform::FileIdentity before = identityOf(path);
    const Bytes expected = row.restored ? input : row.change(path, journal, input);
    if (row.restored) row.change(path, journal, input);
    if (!row.restored && expected.empty()) GTEST_SKIP() << "the change cannot be made here";
    if (row.newIdentity && std::memcmp(before.bytes, identityOf(path).bytes, sizeof before.bytes) == 0) {
        GTEST_SKIP() << "this platform gives a new file the same identity (Wine: the inode number, no sequence)";
    }
    if (row.readsFailFirst) {
        const Bytes left = readFile(path);
        platform::fileSystem().read = readOrFail;
        injection = Injection{Operation::Read, 1, 0, true};
        EXPECT_FALSE(restoreInterruptedCall(other.c_str()));
        TearDown();
        EXPECT_TRUE(readFile(path) == left && fileExists(journal)) << "an unread check dropped the journal";
    }
    const bool restoredAll = restoreInterruptedCall(other.c_str());
    EXPECT_TRUE(readFile(other) == expected) << row.name;
    const std::vector<std::string> copies = setAsideCopies(journal);
    EXPECT_EQ(fileExists(journal), row.journal == AfterACrash::Stays) << "the journal";
    EXPECT_EQ(copies.size(), row.journal == AfterACrash::SetAside ? 1u : 0u) << "the copies set aside";
    if (row.journal == AfterACrash::SetAside && copies.size() == 1) {
        EXPECT_TRUE(readFile(copies[0]) == journalBytes) << "the copy set aside is the journal whole";
    }
    EXPECT_TRUE(restoredAll) << "what is left is not a journal to restore";
    for (const std::string& copy : copies) std::filesystem::remove(copy);
    std::filesystem::remove(journal);
    if (row.restored) {
        // The call after it looks for journals once, in its hold: no second restore.
        platform::fileSystem().openJournal = openJournalOrFail;
        injection = Injection{Operation::Open, 0, 0};
        EXPECT_EQ(call.call(other.c_str()), call.done) << "the call after it";
        EXPECT_EQ(injection.calls, static_cast<int>(journalPaths(other).size())) << "journals looked for more than once";
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, FileAfterACrash,
                         ::testing::Combine(::testing::ValuesIn(AFTER_A_CRASH), ::testing::ValuesIn(FILE_CALLS)),
                         [](const ::testing::TestParamInfo<std::tuple<AfterACrash, FileCall>>& info) {
                             return rowName(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
                         });


// A neighbour (another local user who may write the folder, or only read the file) acts at
// a named step of a call's rewrite, made deterministic through the file-system table's step
// hook. Whatever it does to the names or the lock, no contents are lost, no file gets
// another's contents, and 2 means the file the call opened holds its container.
std::function<void()> neighbour;
const char* neighbourStep = "";
void actAt(const char* name) {
    if (neighbour && std::strcmp(name, neighbourStep) == 0) std::exchange(neighbour, nullptr)();
}

// Everything the open file `file` holds now.
Bytes readHandle(FileHandle file) {
    Bytes bytes(static_cast<std::size_t>(real().size(file)));
    EXPECT_EQ(real().read(file, 0, bytes.data(), bytes.size()), static_cast<std::int64_t>(bytes.size()));
    return bytes;
}

// False when `act` threw: the platform refused the neighbour (Windows: a held file or
// folder cannot be renamed).
bool tried(const std::function<void()>& act) {
    try {
        act();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// How many names the file has, and the step at which the neighbour acts: right after the
// lock, or (one name: the rename way) right before the new file is swapped in.
struct NeighbourRow {
    int names;
    const char* step;
};

void PrintTo(const NeighbourRow& row, std::ostream* out) { *out << row.names << " names, " << row.step; }

// Milliseconds a lock wait paused for, counted instead of slept.
std::int64_t paused = 0;
void countPause(int milliseconds) { paused += milliseconds; }

class FileNeighbours : public ::testing::TestWithParam<NeighbourRow> {
protected:
    ScratchFolder folder;
    std::mt19937 generator{19};
    bool acted = false;

    void SetUp() override { platform::fileSystem().step = actAt; }
    void TearDown() override {
        platform::fileSystem() = platformFileSystem();
        platform::lockWaits() = platform::LockWaits{};
        neighbour = nullptr;
    }
    // Runs `act` as the neighbour at `step` of the next call.
    void at(const char* step, std::function<void()> act) {
        neighbourStep = step;
        neighbour = [this, act] { acted = tried(act); };
    }
};

// An editor saves another file of the same size under the name right after the call took
// its lock: the saved file stays as it is, and the file the call opened (seen through a
// handle held from before, and through its other names) holds the container. With one
// name the call would rename; with three it works in place.
TEST_P(FileNeighbours, ANameReplacedAfterTheLockKeepsTheSavedFileAndEnciphersTheOpenedOne) {
    const int names = GetParam().names;
    const std::string path = folder.path("doc.txt");
    const Bytes contents = randomBytes(generator, 3 * CONTAINER_BLOCK_SIZE + 7);
    const Bytes saved = randomBytes(generator, contents.size());
    writeFile(path, contents);
    for (int name = 1; name < names; ++name) std::filesystem::create_hard_link(path, folder.path("name" + std::to_string(name)));
    const FileHandle opened = real().openRead(path.c_str());
    at(GetParam().step, [&] {
        writeFile(path + ".save", saved);
        std::filesystem::rename(path + ".save", path);
    });
    EXPECT_EQ(cryptFile(path.c_str()), FILE_ENCRYPTED);
    platform::fileSystem() = platformFileSystem();
    expectContainerOf(contents, readHandle(opened));
    real().close(opened);
    if (acted) {
        EXPECT_TRUE(readFile(path) == saved) << "the saved file was changed";
    } else {
        expectContainerOf(contents, readFile(path));
    }
    for (int name = 1; name < names; ++name) expectContainerOf(contents, readFile(folder.path("name" + std::to_string(name))));
    expectNoJournal(path);
}

// The folder on the path is swapped for a link to another folder right after the lock:
// the other folder's file of the same name stays as it was and gets nothing beside it.
TEST_P(FileNeighbours, AFolderSwappedAfterTheLockMovesNoWriteElsewhere) {
    const int names = GetParam().names;
    const std::string app = folder.path("app");
    const std::string other = folder.path("other");
    std::filesystem::create_directory(app);
    std::filesystem::create_directory(other);
    const Bytes contents = randomBytes(generator, 5000);
    const Bytes others = randomBytes(generator, 5000);
    writeFile(app + "/settings.ini", contents);
    writeFile(other + "/settings.ini", others);
    for (int name = 1; name < names; ++name) std::filesystem::create_hard_link(app + "/settings.ini", app + "/name" + std::to_string(name));
    at(GetParam().step, [&] {
        std::filesystem::rename(app, app + "-moved");
        std::filesystem::create_directory_symlink(other, app);
    });
    EXPECT_EQ(cryptFile((app + "/settings.ini").c_str()), FILE_ENCRYPTED);
    platform::fileSystem() = platformFileSystem();
    const std::string held = acted ? app + "-moved" : app;
    expectContainerOf(contents, readFile(held + "/settings.ini"));
    EXPECT_TRUE(readFile(other + "/settings.ini") == others) << "the other folder's file was changed";
    EXPECT_EQ(listFolder(other), std::vector<std::string>{"settings.ini"});
}

// A lock that one who may only read the file takes never holds the call past the
// reader's wait: it fails, and the file is as it was.
TEST_P(FileNeighbours, AReadersLockFailsTheCallAfterABoundedWaitLeavingTheFile) {
    const std::string path = folder.path("file");
    const Bytes contents = randomBytes(generator, 4000);
    writeFile(path, contents);
    for (int name = 1; name < GetParam().names; ++name) std::filesystem::create_hard_link(path, folder.path("name" + std::to_string(name)));
    const ReaderLock lock(path);
    ASSERT_TRUE(lock.held());
    platform::lockWaits() = platform::LockWaits{600 * 1000, 200, countPause};
    paused = 0;
    EXPECT_EQ(cryptFile(path.c_str()), FILE_WRITE_FAILED);
    EXPECT_GE(paused, 200);
    EXPECT_LT(paused, 1000) << "a reader's lock was waited for as a writer's";
    EXPECT_TRUE(readFile(path) == contents);
    expectNoJournal(path);
}

INSTANTIATE_TEST_SUITE_P(Rows, FileNeighbours,
                         ::testing::Values(NeighbourRow{1, "locked"}, NeighbourRow{1, "before replace"},
                                           NeighbourRow{3, "locked"}),
                         [](const ::testing::TestParamInfo<NeighbourRow>& info) {
                             return std::to_string(info.param.names) + "Names_" + rowName(info.param.step);
                         });

}  // namespace
}  // namespace kelvane::test

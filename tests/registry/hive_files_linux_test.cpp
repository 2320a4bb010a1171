// HKEY_LOCAL_MACHINE as a folder of hive files: how the folder is found and listed,
// damaged hives, and a deletion whose write back fails at each of its own steps.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "listing_test_helpers.h"
#include "platform/file_system.h"
#include "platform/linux/computer_name_form.h"
#include "platform/hive/hive_deletion.h"
#include "platform/hive/hive_image.h"
#include "platform/hive/utf16.h"
#include "platform/linux/utf8.h"
#include "platform/registry.h"
#include "registry/registry_exports.h"
#include "system/system_exports.h"
#include "hive_builder.h"

namespace kelvane::test {

using tools::emptyHive;
using tools::HIVE_CHECKSUM_OFFSET;
namespace {

using platform::HiveImageCalls;

class HiveFilesLinux : public ::testing::Test {
protected:
    RegistryFixture registry;
    std::string software = registry.hiveFolder() + "/SOFTWARE";

    void TearDown() override {
        platform::hiveImageCalls() = platform::defaultHiveImageCalls();
        platform::fileSystem() = platform::platformFileSystem();
    }

    long openStatus(const char* path) {
        platform::RegistryKey* key = nullptr;
        const long status = platform::registryOpen(path, 0x20019, &key);
        platform::registryClose(key);
        return status;
    }
};

TEST_F(HiveFilesLinux, EmptyOrNullPathListsTheHiveFilesInWindowsOrder) {
    writeFile(registry.hiveFolder() + "/SYSTEM", emptyHive());
    writeFile(registry.hiveFolder() + "/_under", emptyHive());
    writeFile(registry.hiveFolder() + "/SOFTWARE.LOG1", {});
    writeFile(registry.hiveFolder() + "/.hidden", {});
    EXPECT_EQ(takeText(ReadSubKeys("")), "SOFTWARE,SYSTEM,_under");
    EXPECT_EQ(takeText(ReadSubKeys(nullptr)), "SOFTWARE,SYSTEM,_under");
}

TEST_F(HiveFilesLinux, SubKeysComeInTheOrderWindowsSortsThem) {
    createSubKeys(registry, registry.keyPath("Order"), {"~e", "b", "_x", "Zz", "aa", "AB", "1"});
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Order").c_str())), "1,aa,AB,b,Zz,_x,~e");
}

TEST_F(HiveFilesLinux, NoFolderMeansNoKeys) {
    setenv("KELVANE_HKLM", (registry.hiveFolder() + "/missing").c_str(), 1);
    EXPECT_EQ(takeText(ReadSubKeys("")), std::nullopt);
    EXPECT_EQ(openStatus("SOFTWARE"), platform::REGISTRY_NOT_FOUND);
    unsetenv("KELVANE_HKLM");
    EXPECT_EQ(takeText(ReadSubKeys("")), std::nullopt);
    EXPECT_EQ(RegDeleteKeyNT("SOFTWARE\\KelvaneTest"), platform::REGISTRY_NOT_FOUND);
}

TEST_F(HiveFilesLinux, HiveFileNamesCannotLeaveTheFolder) {
    EXPECT_EQ(openStatus("..\\etc"), platform::REGISTRY_NOT_FOUND);
    EXPECT_EQ(openStatus("."), platform::REGISTRY_NOT_FOUND);
}

TEST_F(HiveFilesLinux, HiveRootAndHklmCannotBeDeleted) {
    EXPECT_EQ(RegDeleteKeyNT("SOFTWARE"), platform::REGISTRY_ACCESS_DENIED);
    EXPECT_EQ(platform::registryDeleteKey(""), platform::REGISTRY_ACCESS_DENIED);
    EXPECT_TRUE(registry.keyExists(registry.root()));
}

TEST_F(HiveFilesLinux, StringsAreConvertedFromUtf16BeforeTheSizeTest) {
    const std::string key = registry.keyPath("Wide");
    registry.createKey(key);
    // The fixture stores UTF-8 text as UTF-16: é is one unit there, two bytes in UTF-8.
    std::string e255;
    for (int i = 0; i < 255; ++i) e255 += "\xC3\xA9";
    registry.setValue(key, "ascii300", ValueType::String, textBytes(std::string(300, 'a')));
    registry.setValue(key, "e255", ValueType::String, textBytes(e255));
    registry.setValue(key, "e256", ValueType::String, textBytes(e255 + "\xC3\xA9"));
    EXPECT_EQ(takeText(ReadKeyValue(key.c_str(), "ascii300")), std::string(300, 'a'));  // 602 bytes stored
    EXPECT_EQ(takeText(ReadKeyValue(key.c_str(), "e255")), e255);                       // 511 bytes narrow
    EXPECT_EQ(takeText(ReadKeyValue(key.c_str(), "e256")), std::nullopt);               // 513 bytes narrow
}

// The text conversions' bounds, by the bytes in and out. A UTF-16 unit past the size given
// (here a low surrogate) is never read; bytes that form no UTF-8 character (overlong,
// past U+10FFFF, a surrogate, cut short) decode each to its own mark.
struct Conversion {
    const char* what;
    Bytes in;
    std::size_t size;  // of `in`, as given to the conversion
    Bytes out;         // UTF-8 from UTF-16; UTF-8 as decoded and encoded again
    bool fromUtf16;
};

const Conversion CONVERSIONS[] = {
    {"a surrogate pair", fromHex("3DD8 00DE"), 4, fromHex("F09F9880"), true},
    {"a lone high surrogate at the end", fromHex("00D8 00DC"), 2, fromHex("EFBFBD"), true},
    {"a lone low surrogate", fromHex("00DC 4100"), 4, fromHex("EFBFBD 41"), true},
    {"an odd byte at the end", fromHex("4100 42"), 3, fromHex("41"), true},
    {"a two-byte character", fromHex("C3A9"), 2, fromHex("C3A9"), false},
    {"an overlong NUL", fromHex("C080"), 2, fromHex("EDB380 EDB280"), false},
    {"an overlong slash of three bytes", fromHex("E080AF"), 3, fromHex("EDB3A0 EDB280 EDB2AF"), false},
    {"past U+10FFFF", fromHex("F4908080"), 4, fromHex("EDB3B4 EDB290 EDB280 EDB280"), false},
    {"a surrogate", fromHex("EDA080"), 3, fromHex("EDB3AD EDB2A0 EDB280"), false},
    {"a sequence cut short", fromHex("E282"), 2, fromHex("EDB3A2 EDB282"), false},
};

TEST(TextConversionLinux, BoundsHoldByteForByte) {
    for (const Conversion& row : CONVERSIONS) {
        std::string out;
        if (row.fromUtf16) {
            out = platform::utf16LeToUtf8(row.in.data(), row.size);
        } else {
            for (char32_t c : platform::decodeUtf8(std::string(row.in.begin(), row.in.end()))) platform::appendUtf8(out, c);
        }
        EXPECT_EQ(toHex(Bytes(out.begin(), out.end())), toHex(row.out)) << row.what;
    }
}

// Damaged hives: every read gives a failure result and nothing crashes.
struct Damage {
    const char* what;
    void (*apply)(Bytes& hive);
};

const Damage DAMAGES[] = {
    {"empty file", [](Bytes& hive) { hive.clear(); }},
    {"cut to its base block", [](Bytes& hive) { hive.resize(0x1000); }},
    {"cut inside its bin", [](Bytes& hive) { hive.resize(0x1800); }},
    {"checksum broken", [](Bytes& hive) { hive[HIVE_CHECKSUM_OFFSET] ^= 1; }},
    {"signature broken", [](Bytes& hive) { hive[0] = 'x'; }},
    {"bin signature broken", [](Bytes& hive) { hive[0x1000] = 'x'; }},
};

TEST_F(HiveFilesLinux, DamagedHiveGivesFailureNeverACrash) {
    createSubKeys(registry, registry.keyPath("Full"), {"A"});
    registry.setValue(registry.keyPath("Full"), "v", ValueType::String, textBytes("text"));
    const Bytes good = readFile(software);
    for (const Damage& damage : DAMAGES) {
        Bytes bad = good;
        damage.apply(bad);
        writeFile(software, bad);
        EXPECT_EQ(openStatus(registry.keyPath("Full").c_str()), platform::REGISTRY_BAD_DATABASE) << damage.what;
        EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Full").c_str())), std::nullopt) << damage.what;
        EXPECT_EQ(takeText(ReadKeyValue(registry.keyPath("Full").c_str(), "v")), std::nullopt) << damage.what;
        EXPECT_EQ(RegDeleteKeyNT(registry.keyPath("Full\\A").c_str()), platform::REGISTRY_BAD_DATABASE)
            << damage.what;
        EXPECT_EQ(toHex(readFile(software)), toHex(bad)) << damage.what;
    }
}

int noImageFile() { return -1; }
int failingCommit(hive_h*, const char*) { return -1; }
// Writes part of an image and then fails, as a full disk would.
int halfCommit(hive_h*, const char* path) {
    writeFile(path, Bytes(100, 0xEE));
    return -1;
}
platform::FileHandle hiveNotWritable(const char*, platform::FilePlace*) { return platform::NO_FILE; }
bool failingHiveWrite(platform::FileHandle, std::int64_t, const std::uint8_t*, std::size_t) { return false; }

// A failure at each call the deletion itself makes; those inside the file rewrite have
// their own tests. The deletion runs here in the test's process, as the helper runs it.
struct WriteBackFault {
    const char* what;
    HiveImageCalls image;
    platform::FileHandle (*openHeld)(const char*, platform::FilePlace*);
    bool (*write)(platform::FileHandle, std::int64_t, const std::uint8_t*, std::size_t);
    long status;
};

TEST_F(HiveFilesLinux, DeletionFailingHalfWayLeavesTheHiveAsItWas) {
    const HiveImageCalls image = platform::defaultHiveImageCalls();
    const platform::FileSystem& files = platform::platformFileSystem();
    const WriteBackFault faults[] = {
        {"no image file", {noImageFile, image.writeImage}, files.openHeld, files.write, platform::REGISTRY_IO_FAILED},
        {"image not written", {image.createImageFile, failingCommit}, files.openHeld, files.write,
         platform::REGISTRY_IO_FAILED},
        {"image half written", {image.createImageFile, halfCommit}, files.openHeld, files.write,
         platform::REGISTRY_IO_FAILED},
        {"hive not writable", image, hiveNotWritable, files.write, platform::REGISTRY_ACCESS_DENIED},
        {"hive write failed", image, files.openHeld, failingHiveWrite, platform::REGISTRY_IO_FAILED},
    };
    createSubKeys(registry, registry.keyPath("Parent"), {"Leaf"});
    const Bytes before = readFile(software);
    for (const WriteBackFault& fault : faults) {
        platform::hiveImageCalls() = fault.image;
        platform::fileSystem().openHeld = fault.openHeld;
        platform::fileSystem().write = fault.write;
        EXPECT_EQ(platform::deleteKeyFromHive(registry.keyPath("Parent\\Leaf").c_str()), fault.status) << fault.what;
        EXPECT_EQ(toHex(readFile(software)), toHex(before)) << fault.what;
        EXPECT_EQ(listFolder(registry.hiveFolder()), std::vector<std::string>{"SOFTWARE"}) << fault.what;
    }
    TearDown();
    EXPECT_EQ(platform::deleteKeyFromHive(registry.keyPath("Parent\\Leaf").c_str()), 0);
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Parent").c_str())), std::nullopt);
    EXPECT_EQ(listFolder(registry.hiveFolder()), std::vector<std::string>{"SOFTWARE"});
}

TEST_F(HiveFilesLinux, DeletionKeepsTheFileModeAndFollowsALink) {
    createSubKeys(registry, registry.keyPath("Parent"), {"Leaf"});
    ScratchFolder elsewhere;
    const std::string real = elsewhere.path("SOFTWARE");
    writeFile(real, readFile(software));
    ASSERT_EQ(chmod(real.c_str(), 0640), 0);
    std::remove(software.c_str());
    ASSERT_EQ(symlink(real.c_str(), software.c_str()), 0);
    EXPECT_EQ(RegDeleteKeyNT(registry.keyPath("Parent\\Leaf").c_str()), 0);
    struct stat info;
    ASSERT_EQ(lstat(software.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_FALSE(registry.keyExists(registry.keyPath("Parent\\Leaf")));
}

// Hosts that ignore SIGCHLD, or reap every child themselves, leave no exit status to
// collect; the deletion's result must still come through.
TEST_F(HiveFilesLinux, DeletionWorksInAHostThatIgnoresChildSignals) {
    createSubKeys(registry, registry.keyPath("Parent"), {"Leaf"});
    const auto previous = std::signal(SIGCHLD, SIG_IGN);
    const int deleted = RegDeleteKeyNT(registry.keyPath("Parent\\Leaf").c_str());
    std::signal(SIGCHLD, previous);
    EXPECT_EQ(deleted, 0);
    EXPECT_FALSE(registry.keyExists(registry.keyPath("Parent\\Leaf")));
}

struct HostName {
    const char* host;
    const char* computerName;  // UTF-8
};

// Wine's GetComputerNameA gives '_' for each byte outside ASCII (ABCDEFGHIJKLMN_ for the
// first row); Windows keeps the characters, and so do we.
const HostName HOST_NAMES[] = {
    {"my-long-hostname-abcdefghij.example.com", "MY-LONG-HOSTNAM"},
    {"abcdefghijklmnü.example.com", "ABCDEFGHIJKLMNÜ"},  // 15 characters, 16 bytes
    {"straße-größe-überlang", "STRAßE-GRÖßE-ÜB"},        // ß has no one-letter upper case
    {"ÿµ-\xF0\x90\x90\xA8", "ŸΜ-\xF0\x90\x90\xA8"},   // outside the BMP nothing is folded
    {"ab\xFF" "cd\xC3", "AB_CD_"},                       // bytes that are no UTF-8
    {"a\xC0\xAF" "b\xED\xA0\x80", "A__B___"},            // an overlong slash, an encoded surrogate
    {".local", ""},
};

TEST(ComputerNameLinux, FormedFromTheHostNameByCharacters) {
    for (const HostName& row : HOST_NAMES) {
        EXPECT_EQ(platform::computerNameOfHost(row.host), row.computerName) << row.host;
    }
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    EXPECT_EQ(takeText(ComputerName()), platform::computerNameOfHost(host));
}

// What openStatusAsOtherUser gives when root cannot become another user here.
constexpr long NO_OTHER_USER = -2;

// The status of opening `path` as a caller who is not root (root reads every file): in a
// child process that drops to the user nobody when this one runs as root.
long openStatusAsOtherUser(const std::string& path) {
    int result[2];
    if (pipe(result) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        constexpr uid_t NOBODY = 65534;
        long status = NO_OTHER_USER;
        if (geteuid() != 0 || (setgid(NOBODY) == 0 && setuid(NOBODY) == 0)) {
            platform::RegistryKey* key = nullptr;
            status = platform::registryOpen(path.c_str(), 0x20019, &key);
            platform::registryClose(key);
        }
        _exit(write(result[1], &status, sizeof status) == sizeof status ? 0 : 1);
    }
    close(result[1]);
    long status = -1;
    if (read(result[0], &status, sizeof status) != sizeof status) status = -1;
    close(result[0]);
    waitpid(child, nullptr, 0);
    return status;
}

TEST_F(HiveFilesLinux, HiveTheCallerMayNotReadIsAccessDenied) {
    registry.createKey(registry.keyPath("Private"));
    ASSERT_EQ(chmod(registry.hiveFolder().c_str(), 0755), 0);
    ASSERT_EQ(chmod(software.c_str(), 0000), 0);
    const long status = openStatusAsOtherUser(registry.keyPath("Private"));
    if (status == NO_OTHER_USER) GTEST_SKIP() << "root cannot become the user nobody here";
    EXPECT_EQ(status, platform::REGISTRY_ACCESS_DENIED);
    EXPECT_EQ(openStatusAsOtherUser("SOFTWARE"), platform::REGISTRY_ACCESS_DENIED);
    // The folder itself unreadable: HKEY_LOCAL_MACHINE cannot be listed.
    ASSERT_EQ(chmod(registry.hiveFolder().c_str(), 0000), 0);
    EXPECT_EQ(openStatusAsOtherUser(""), platform::REGISTRY_ACCESS_DENIED);
    ASSERT_EQ(chmod(registry.hiveFolder().c_str(), 0700), 0);
    ASSERT_EQ(chmod(software.c_str(), 0600), 0);
}

}  // namespace
}  // namespace kelvane::test

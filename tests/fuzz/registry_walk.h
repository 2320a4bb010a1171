// The registry targets' stage: a KELVANE_HKLM folder of this process holding the hive
// under test as SOFTWARE beside a SYSTEM file that is no hive, and a walk through the
// keys the exports list.
#pragma once
#include <string>
#include <vector>

#include "fuzz_support.h"

namespace kelvane::fuzz {

// The hive file the fuzzer's bytes become, and what listing HKLM itself must give.
constexpr const char* HIVE_NAME = "SOFTWARE";
constexpr const char* HKLM_LISTING = "SOFTWARE,SYSTEM";

// Makes the folder, points KELVANE_HKLM at it and returns the hive file's path.
std::string stageHklm();

// The hive file made from the fuzzer's bytes: as they are, except that a base block whose
// checksum field is zero gets its true checksum, so that changes to the base block's
// other fields reach hivex's checks beyond the checksum.
Bytes hiveFromInput(const std::uint8_t* data, std::size_t size);

struct WalkedKey {
    std::string path;                    // below HKLM, starting with the hive's name
    std::vector<std::string> subkeys;    // ReadSubKeys of it, split at the commas
};

// Keys reached from the hive's root through ReadSubKeys, breadth first, at most `limit`.
std::vector<WalkedKey> walkKeys(std::size_t limit);

// `list` split at its commas; none for null.
std::vector<std::string> splitList(const char* list);

}  // namespace kelvane::fuzz

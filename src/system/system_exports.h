// System queries that are not the registry: the computer name. Its own folder beside
// src/registry, since on Linux the name comes from the host, not from a hive, and the
// registry exports should not carry it.
#pragma once

namespace kelvane {

// The computer's name in the host's narrow form (written from the export list:
// exports/narrow_entries.cpp).
char* ComputerName();

namespace utf8 {

// The computer's name in UTF-8.
char* ComputerName();

}  // namespace utf8
}  // namespace kelvane

// Runs kelvane-hive, our helper program that changes hive files, and collects its answer.
// It runs as a program of its own rather than a fork of the host: a fork of a host with
// other threads can inherit a lock one of them held (iconv's, malloc's) and hang, and
// hivex aborts on some damaged hives while changing them, which must end only the helper.
#pragma once
#include <cstddef>
#include <string>

namespace kelvane::platform {

// File name of the helper, which lives in the folder of the module holding this code:
// beside libkelvane.so, or beside a program linked with the static core. Its full path is
// fixed when the module is loaded, so a host that loaded the library by a relative path
// and then changed its current folder still runs the helper beside it.
constexpr const char* HIVE_HELPER_NAME = "kelvane-hive";

// The descriptor the helper writes its answer to: one of its own, never standard output,
// where a library preloaded into it (LD_PRELOAD) or hivex may print.
constexpr int HELPER_ANSWER_FD = 3;

// Longest argument the helper takes, in bytes: far past any key path a host has reason to
// pass (Windows takes 32,766 characters), short enough that the helper's copy stays small.
constexpr std::size_t HELPER_ARGUMENT_LIMIT = std::size_t{16} << 20;

// Runs the helper with `verb` on its command line and `argument` (at most
// HELPER_ARGUMENT_LIMIT bytes) on its standard input, which it reads to the end: a command
// line argument is limited to 128 KiB (E2BIG), a key path is not. Returns the status it
// answered, which must be one of `results`; `onFailure` when it could not start (no helper, no free
// descriptor or process), answered something else, or ended without an answer (a hivex
// abort, a signal).
long runHiveHelper(const char* verb, const char* argument, const long* results, int resultCount, long onFailure);

// In the helper: the whole argument from `fd` into *argument. A registry status: 0, 87 when it
// is longer than HELPER_ARGUMENT_LIMIT, 1016 when it cannot be read.
long readHelperArgument(int fd, std::string* argument);

}  // namespace kelvane::platform

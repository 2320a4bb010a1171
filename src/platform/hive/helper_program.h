// Runs kelvane-hive, our helper program that changes hive files, and collects its answer.
// It runs as a program of its own rather than a fork of the host: a fork of a host with
// other threads can inherit a lock one of them held (iconv's, malloc's) and hang, and
// hivex aborts on some damaged hives while changing them, which must end only the helper.
#pragma once

namespace kelvane::platform {

// File name of the helper, which lives in the folder of the module holding this code:
// beside libkelvane.so, or beside a program linked with the static core. Its full path is
// fixed when the module is loaded, so a host that loaded the library by a relative path
// and then changed its current folder still runs the helper beside it.
constexpr const char* HIVE_HELPER_NAME = "kelvane-hive";

// The descriptor the helper writes its answer to: one of its own, never standard output,
// where a library preloaded into it (LD_PRELOAD) or hivex may print.
constexpr int HELPER_ANSWER_FD = 3;

// Runs the helper with `verb` and `argument` and returns the status it answered, which
// must be one of `results`; `onFailure` when it could not start (no helper, no free
// descriptor or process), answered something else, or ended without an answer (a hivex
// abort, a signal).
long runHiveHelper(const char* verb, const char* argument, const long* results, int resultCount, long onFailure);

}  // namespace kelvane::platform

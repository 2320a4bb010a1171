// Runs kelvane-hive, our helper program that changes hive files, and collects its answer.
// It runs as a program of its own rather than a fork of the host: a fork of a host with
// other threads can inherit a lock one of them held (iconv's, malloc's) and hang, and
// hivex aborts on some damaged hives while changing them, which must end only the helper.
#pragma once

namespace kelvane::platform {

// File name of the helper, which lives in the folder of the module holding this code:
// beside libkelvane.so, or beside a program linked with the static core.
constexpr const char* HIVE_HELPER_NAME = "kelvane-hive";

// Runs the helper with `verb` and `argument` and returns the status it printed, which
// must be one of `results`; `onFailure` when it could not start, printed something
// else, or ended without an answer (a hivex abort, a signal).
long runHiveHelper(const char* verb, const char* argument, const long* results, int resultCount, long onFailure);

}  // namespace kelvane::platform

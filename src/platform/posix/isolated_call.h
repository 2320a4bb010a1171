// Runs a piece of work in a child process, so that a library that aborts on damaged
// input (hivex asserts on some damaged hives while changing them) cannot take the
// host process down with it.
#pragma once
#include <functional>

namespace kelvane::platform {

// The work's result, which must be one of `results` (at most 200 entries), or
// `onCrash` when the child ended any other way or could not be started.
long runIsolated(const std::function<long()>& work, const long* results, int resultCount, long onCrash);

}  // namespace kelvane::platform

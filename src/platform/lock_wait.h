// The bounded wait on a lock that another handle holds: tried again after growing
// pauses until it is had, refused for good, or the holder was waited for as long as such
// a holder deserves (SQLite's busy handling: a lock is had at once or after a bounded
// wait, never forever).
#pragma once
#include <algorithm>
#include <cstdint>

namespace kelvane::platform {

// What one try at a lock found.
struct LockTry {
    enum Outcome { Held, Busy, Refused } outcome;
    // For Busy: how long, in milliseconds from the first try, the holder found is waited for.
    std::int64_t boundMs = 0;
};

// Longest pause between two tries, in milliseconds.
constexpr int LONGEST_LOCK_PAUSE_MS = 50;

// Calls `tryOnce` (returning LockTry) until it answers Held or Refused, or until the time
// waited reaches the bound of the holder it found last; `pause` (milliseconds) sleeps in
// between. The wait is counted in the pauses taken (no clock, so no time code in the
// DLL): a pause may run longer than asked, which only makes the wait longer, never
// shorter. True when held.
template <typename Try, typename Pause>
bool waitForLockBounded(const Try& tryOnce, const Pause& pause) {
    std::int64_t waited = 0;
    int step = 1;
    for (;;) {
        const LockTry found = tryOnce();
        if (found.outcome != LockTry::Busy) return found.outcome == LockTry::Held;
        if (waited >= found.boundMs) return false;
        const int slept = static_cast<int>(std::min<std::int64_t>(step, found.boundMs - waited));
        pause(slept);
        waited += slept;
        step = std::min(step * 2, LONGEST_LOCK_PAUSE_MS);
    }
}

}  // namespace kelvane::platform

// A pause of the calling thread, for the bounded waits on a lock. The system's own call on
// each platform: std::this_thread would bring the C++ runtime's thread code into the DLL.
#pragma once

namespace kelvane::platform {

// Sleeps for at least `milliseconds` (0 or less: returns at once).
void pauseMilliseconds(int milliseconds);

}  // namespace kelvane::platform

// The exports' last defence: a call that no C++ exception leaves. The POSIX library's
// registry code uses the standard containers, which throw std::bad_alloc; the Windows
// library is built without exceptions (nothing in it throws), so there the call is made
// as it is and the DLL carries no exception runtime.
#pragma once

namespace kelvane::platform {

// Runs `call(context)`: true when it returned, false when it ended by an exception.
bool runGuarded(void (*call)(void* context), void* context) noexcept;

}  // namespace kelvane::platform

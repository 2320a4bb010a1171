// A call that no exception leaves: caught here and reported as a failure.
#include "platform/call_guard.h"

namespace kelvane::platform {

bool runGuarded(void (*call)(void* context), void* context) noexcept {
    try {
        call(context);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace kelvane::platform

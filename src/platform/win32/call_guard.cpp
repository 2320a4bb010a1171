// The Windows library is built without exceptions: a call cannot end by one.
#include "platform/call_guard.h"

namespace kelvane::platform {

bool runGuarded(void (*call)(void* context), void* context) noexcept {
    call(context);
    return true;
}

}  // namespace kelvane::platform

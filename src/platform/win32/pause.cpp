#include "platform/pause.h"

#include <windows.h>

namespace kelvane::platform {

void pauseMilliseconds(int milliseconds) {
    if (milliseconds > 0) Sleep(static_cast<DWORD>(milliseconds));
}

}  // namespace kelvane::platform

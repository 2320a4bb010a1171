#include "platform/pause.h"

#include <cerrno>
#include <ctime>

namespace kelvane::platform {

void pauseMilliseconds(int milliseconds) {
    if (milliseconds <= 0) return;
    timespec left{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
    // A signal cuts the sleep short; the rest is slept again.
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

}  // namespace kelvane::platform

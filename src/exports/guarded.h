// The guard around every export: nothing thrown inside ever crosses the boundary; the
// export gives its documented failure result instead. The catching itself is the
// platform's (platform/call_guard.h): the Windows DLL carries no exception runtime.
#pragma once

#include "platform/call_guard.h"

namespace kelvane {

template <typename Result, typename Call>
Result guarded(Result onFailure, Call call) noexcept {
    struct Pending {
        Call& call;
        Result result;
    } pending{call, onFailure};
    const auto run = [](void* context) {
        Pending& inside = *static_cast<Pending*>(context);
        inside.result = inside.call();
    };
    return platform::runGuarded(run, &pending) ? pending.result : onFailure;
}

}  // namespace kelvane

// The guard around every export: nothing thrown inside ever crosses the boundary; the
// export gives its documented failure result instead.
#pragma once

namespace kelvane {

template <typename Result, typename Call>
Result guarded(Result onFailure, Call call) noexcept {
    try {
        return call();
    } catch (...) {
        return onFailure;
    }
}

}  // namespace kelvane

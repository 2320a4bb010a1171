// Load and unload steps of libkelvane.so, the counterpart of DllMain: the private heap
// lives from dlopen to the last dlclose.
#include <cstdlib>

#include "platform/heap.h"

namespace {

__attribute__((constructor)) void kelvaneLoad() {
    // A shared object cannot refuse its load; without a heap every string export
    // answers null, which is the documented failure result.
    kelvane::platform::heapCreate();
}

__attribute__((destructor)) void kelvaneUnload() { kelvane::platform::heapDestroy(); }

}  // namespace

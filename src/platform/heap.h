// The library's private heap, one per loaded module. Created when the library is
// loaded and destroyed when it is unloaded, which frees every block still in it.
#pragma once
#include <cstddef>

namespace kelvane::platform {

// Creates the heap; false when the platform refuses it. Calling it again is harmless,
// also from several threads at once: they all get the one heap.
bool heapCreate();
// Destroys the heap and every block in it.
void heapDestroy();
// A block of `size` bytes, or null when the heap cannot give it (or is not created).
void* heapAlloc(std::size_t size);
// Releases a block from heapAlloc; null is ignored.
void heapFree(void* block);
// True when `block` is a live block of this heap: what a host hands back to be freed
// is checked first, so a second free or a foreign pointer is ignored, not obeyed.
bool heapOwns(const void* block);

}  // namespace kelvane::platform

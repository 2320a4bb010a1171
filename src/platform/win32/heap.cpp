// Private heap on Windows: HeapCreate at process attach, HeapDestroy at detach.
#include "platform/heap.h"

#include <windows.h>

namespace kelvane::platform {
namespace {
HANDLE moduleHeap = nullptr;
}

bool heapCreate() {
    if (moduleHeap == nullptr) moduleHeap = HeapCreate(0, 0, 0);
    return moduleHeap != nullptr;
}

void heapDestroy() {
    if (moduleHeap != nullptr) HeapDestroy(moduleHeap);
    moduleHeap = nullptr;
}

void* heapAlloc(std::size_t size) {
    if (moduleHeap == nullptr) return nullptr;
    return HeapAlloc(moduleHeap, 0, size == 0 ? 1 : size);
}

void heapFree(void* block) {
    if (moduleHeap != nullptr && block != nullptr) HeapFree(moduleHeap, 0, block);
}

bool heapOwns(const void* block) {
    // HeapValidate looks the pointer up among the heap's own blocks: a freed block or
    // a pointer from elsewhere is answered FALSE without being touched.
    return moduleHeap != nullptr && block != nullptr && HeapValidate(moduleHeap, 0, block) != FALSE;
}

}  // namespace kelvane::platform

// Private heap on Windows: HeapCreate at process attach, HeapDestroy at detach.
#include "platform/heap.h"

#include <windows.h>

#include <atomic>

namespace kelvane::platform {
namespace {
std::atomic<HANDLE> moduleHeap{nullptr};
}

bool heapCreate() {
    if (moduleHeap.load() != nullptr) return true;
    const HANDLE created = HeapCreate(0, 0, 0);
    if (created == nullptr) return false;
    // Two threads creating it at once: the first one's heap is kept, the other's goes.
    HANDLE none = nullptr;
    if (!moduleHeap.compare_exchange_strong(none, created)) HeapDestroy(created);
    return true;
}

void heapDestroy() {
    const HANDLE heap = moduleHeap.exchange(nullptr);
    if (heap != nullptr) HeapDestroy(heap);
}

void* heapAlloc(std::size_t size) {
    const HANDLE heap = moduleHeap.load();
    if (heap == nullptr) return nullptr;
    return HeapAlloc(heap, 0, size == 0 ? 1 : size);
}

void heapFree(void* block) {
    const HANDLE heap = moduleHeap.load();
    if (heap != nullptr && block != nullptr) HeapFree(heap, 0, block);
}

bool heapOwns(const void* block) {
    // HeapValidate looks the pointer up among the heap's own blocks: a freed block or
    // a pointer from elsewhere is answered FALSE without being touched.
    const HANDLE heap = moduleHeap.load();
    return heap != nullptr && block != nullptr && HeapValidate(heap, 0, block) != FALSE;
}

}  // namespace kelvane::platform

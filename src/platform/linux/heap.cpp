// Private heap on POSIX: every live block is recorded in one set that belongs to the
// loaded module, so that unloading releases whatever the host was handed, exactly as
// HeapDestroy does on Windows, and a block the host hands back can be checked first.
#include "platform/heap.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>
#include <unordered_set>

namespace kelvane::platform {
namespace {

struct Heap {
    std::mutex lock;
    std::unordered_set<const void*> live;
    bool created = false;
};

// Blocks from this size on are asked to use transparent huge pages: a large result
// (the hex text of a long string) is then faulted in 2 MiB at a time, not 4 KiB.
constexpr std::size_t HUGE_PAGE_THRESHOLD = std::size_t{4} << 20;
constexpr std::uintptr_t HUGE_PAGE_SIZE = std::uintptr_t{2} << 20;

void adviseHugePages(void* block, std::size_t size) {
    const auto begin = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (begin + HUGE_PAGE_SIZE - 1) & ~(HUGE_PAGE_SIZE - 1);
    const std::uintptr_t last = (begin + size) & ~(HUGE_PAGE_SIZE - 1);
    // Only advice: where the kernel has no huge pages the block works as before.
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

Heap& moduleHeap() {
    // Never destroyed, so usable until the last unload step, and kept in the module's own
    // storage: a block from malloc would be lost at each unload. heapDestroy empties it.
    alignas(Heap) static unsigned char storage[sizeof(Heap)];
    static Heap* heap = new (storage) Heap;
    return *heap;
}

// Records a fresh block; false (nothing recorded) when the set cannot grow.
bool recordBlock(Heap& heap, const void* block) noexcept {
    try {
        heap.live.insert(block);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

bool heapCreate() {
    Heap& heap = moduleHeap();
    std::lock_guard<std::mutex> guard(heap.lock);
    heap.created = true;
    return true;
}

void heapDestroy() {
    Heap& heap = moduleHeap();
    std::lock_guard<std::mutex> guard(heap.lock);
    for (const void* block : heap.live) std::free(const_cast<void*>(block));
    std::unordered_set<const void*>().swap(heap.live);
    heap.created = false;
}

void* heapAlloc(std::size_t size) {
    Heap& heap = moduleHeap();
    std::lock_guard<std::mutex> guard(heap.lock);
    if (!heap.created) return nullptr;
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) return nullptr;
    if (!recordBlock(heap, block)) {
        std::free(block);
        return nullptr;
    }
    if (size >= HUGE_PAGE_THRESHOLD) adviseHugePages(block, size);
    return block;
}

void heapFree(void* block) {
    if (block == nullptr) return;
    Heap& heap = moduleHeap();
    std::lock_guard<std::mutex> guard(heap.lock);
    if (heap.live.erase(block) != 0) std::free(block);
}

bool heapOwns(const void* block) {
    if (block == nullptr) return false;
    Heap& heap = moduleHeap();
    std::lock_guard<std::mutex> guard(heap.lock);
    return heap.live.count(block) != 0;
}

}  // namespace kelvane::platform

// Private heap on POSIX: every block is chained into one list that belongs to the
// loaded module, so that unloading releases whatever the host was handed, exactly as
// HeapDestroy does on Windows.
#include "platform/heap.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>

namespace kelvane::platform {
namespace {

// Header in front of every block; 16-byte sized so the payload keeps malloc's alignment.
struct alignas(16) BlockHeader {
    BlockHeader* previous;
    BlockHeader* next;
};

struct Heap {
    std::mutex lock;
    BlockHeader* first = nullptr;
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
    static Heap* heap = new Heap;  // never destroyed: usable until the last unload step
    return *heap;
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
    for (BlockHeader* block = heap.first; block != nullptr;) {
        BlockHeader* next = block->next;
        std::free(block);
        block = next;
    }
    heap.first = nullptr;
    heap.created = false;
}

void* heapAlloc(std::size_t size) {
    if (size > static_cast<std::size_t>(-1) - sizeof(BlockHeader)) return nullptr;
    Heap& heap = moduleHeap();
    std::lock_guard<std::mutex> guard(heap.lock);
    if (!heap.created) return nullptr;
    auto* block = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (block == nullptr) return nullptr;
    if (size >= HUGE_PAGE_THRESHOLD) adviseHugePages(block, sizeof(BlockHeader) + size);
    block->previous = nullptr;
    block->next = heap.first;
    if (heap.first != nullptr) heap.first->previous = block;
    heap.first = block;
    return block + 1;
}

void heapFree(void* payload) {
    if (payload == nullptr) return;
    Heap& heap = moduleHeap();
    std::lock_guard<std::mutex> guard(heap.lock);
    BlockHeader* block = static_cast<BlockHeader*>(payload) - 1;
    if (block->previous != nullptr) block->previous->next = block->next;
    else heap.first = block->next;
    if (block->next != nullptr) block->next->previous = block->previous;
    std::free(block);
}

}  // namespace kelvane::platform

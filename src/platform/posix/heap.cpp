// Private heap on POSIX: every block is chained into one list that belongs to the
// loaded module, so that unloading releases whatever the host was handed, exactly as
// HeapDestroy does on Windows.
#include "platform/heap.h"

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

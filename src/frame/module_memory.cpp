#include "frame/module_memory.h"

#include <atomic>
#include <cstring>

#include "platform/heap.h"

namespace kelvane {
namespace {

// The DLL or .so creates the heap when it is loaded. A program that links the core
// directly (tests, benchmarks) has no load step, so the first allocation creates it
// (heapCreate is safe to race). A constant-initialised atomic, not a guarded static.
std::atomic<bool> heapCreated{false};

bool heapReady() {
    if (heapCreated.load(std::memory_order_acquire)) return true;
    const bool created = platform::heapCreate();
    if (created) heapCreated.store(true, std::memory_order_release);
    return created;
}

}  // namespace

void* moduleAlloc(std::size_t size) {
    if (!heapReady()) return nullptr;
    return platform::heapAlloc(size);
}

void moduleFree(void* block) { platform::heapFree(block); }

void freeModuleString(char* text) {
    if (platform::heapOwns(text)) platform::heapFree(text);
}

char* newModuleString(std::size_t length) {
    if (length == static_cast<std::size_t>(-1)) return nullptr;
    char* text = static_cast<char*>(moduleAlloc(length + 1));
    if (text != nullptr) text[length] = '\0';
    return text;
}

char* copyModuleString(const char* text, std::size_t length) {
    char* copy = newModuleString(length);
    if (copy != nullptr && length != 0) std::memcpy(copy, text, length);
    return copy;
}

}  // namespace kelvane

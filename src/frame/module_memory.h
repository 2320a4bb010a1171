// Memory that the exports use: every block comes from the module's private heap.
// A ModuleString handed to the host stays there until the library is unloaded;
// working buffers are released before the export returns (ModuleBuffer).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

namespace kelvane {

// A block of `size` bytes from the private heap, or null.
void* moduleAlloc(std::size_t size);
// Returns a block from moduleAlloc to the heap; null is ignored.
void moduleFree(void* block);

// Returns a string handed to the host; anything that is not a live block of the
// private heap (null, a second free, a pointer from elsewhere) is ignored.
void freeModuleString(char* text);

// A string of `length` characters (uninitialised) plus its terminating NUL, or null.
char* newModuleString(std::size_t length);
// A copy of the first `length` bytes of `text` followed by a NUL, or null.
char* copyModuleString(const char* text, std::size_t length);

struct ModuleFree {
    void operator()(void* block) const { moduleFree(block); }
};
// A working buffer owned by one call; released when the call returns.
using ModuleBuffer = std::unique_ptr<std::uint8_t[], ModuleFree>;
inline ModuleBuffer newModuleBuffer(std::size_t size) {
    return ModuleBuffer(static_cast<std::uint8_t*>(moduleAlloc(size)));
}

}  // namespace kelvane

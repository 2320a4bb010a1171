// A working buffer of bytes owned by one call, freed when it goes out of scope.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace kelvane::platform {

struct FreeBlock {
    void operator()(std::uint8_t* block) const { std::free(block); }
};
using Block = std::unique_ptr<std::uint8_t[], FreeBlock>;

// A buffer of `size` bytes, or null. malloc, not nothrow new: the runtime's nothrow new
// catches a thrown bad_alloc, which would bring the C++ exception code into the DLL for
// a buffer.
inline Block newBlock(std::size_t size) { return Block(static_cast<std::uint8_t*>(std::malloc(size))); }

}  // namespace kelvane::platform

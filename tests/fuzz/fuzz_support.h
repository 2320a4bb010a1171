// What the fuzz targets share: the check that stops a run on a broken promise, the
// library's heap (a loaded library creates it at load), a scratch folder per process,
// whole-file reads and writes, and a reader that takes the fuzzer's bytes in pieces.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvane::fuzz {

using Bytes = std::vector<std::uint8_t>;

// Prints where and what failed, with the bytes involved in hex, and aborts: libFuzzer
// then keeps the input that led here.
[[noreturn]] void fail(const char* file, int line, const char* condition, const std::string& detail);

// The private heap, as the library's load step creates it; once per process.
void startLibrary();

// A folder of this process below the temporary folder, removed at exit, and a path in it.
const std::string& scratchFolder();
std::string scratchPath(const std::string& name);

// True when `bytes` became the whole contents of `path`.
bool writeFileBytes(const std::string& path, const Bytes& bytes);
// The whole contents of `path`; false when it cannot be read.
bool readFileBytes(const std::string& path, Bytes* bytes);

std::string toHex(const std::uint8_t* bytes, std::size_t count);
inline std::string toHex(const Bytes& bytes) { return toHex(bytes.data(), bytes.size()); }

// Takes the fuzzer's input from the front; past the end it gives zeros and empty pieces.
class InputReader {
public:
    InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t byte();
    Bytes take(std::size_t count);  // up to `count` bytes
    Bytes rest();
    std::size_t remaining() const { return size_ - offset_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

// The text up to its first NUL, which is all a C string argument can carry.
std::string cString(const Bytes& bytes);

}  // namespace kelvane::fuzz

#define FUZZ_CHECK(condition, detail)                                               \
    do {                                                                            \
        if (!(condition)) ::kelvane::fuzz::fail(__FILE__, __LINE__, #condition, detail); \
    } while (0)

#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/heap.h"

namespace kelvane::fuzz {
namespace {

// Bytes shown of each side in a failure message: enough to see a difference.
constexpr std::size_t SHOWN_BYTES = 96;

void removeScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(scratchFolder(), ignored);
}

}  // namespace

void fail(const char* file, int line, const char* condition, const std::string& detail) {
    std::fprintf(stderr, "\n%s:%d: check failed: %s\n%s\n", file, line, condition, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

void startLibrary() { platform::heapCreate(); }

const std::string& scratchFolder() {
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "kelvane-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) fail(__FILE__, __LINE__, "mkdtemp", pattern);
        return pattern;
    }();
    static const bool registered = std::atexit(removeScratchFolder) == 0;
    (void)registered;
    return folder;
}

std::string scratchPath(const std::string& name) { return scratchFolder() + "/" + name; }

bool writeFileBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

bool readFileBytes(const std::string& path, Bytes* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::string toHex(const std::uint8_t* bytes, std::size_t count) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (std::size_t i = 0; i < count && i < SHOWN_BYTES; ++i) {
        hex += digits[bytes[i] >> 4];
        hex += digits[bytes[i] & 15];
    }
    if (count > SHOWN_BYTES) hex += "... (" + std::to_string(count) + " bytes)";
    return hex;
}

std::uint8_t InputReader::byte() { return offset_ < size_ ? data_[offset_++] : 0; }

Bytes InputReader::take(std::size_t count) {
    const std::size_t n = count < remaining() ? count : remaining();
    Bytes piece(data_ + offset_, data_ + offset_ + n);
    offset_ += n;
    return piece;
}

Bytes InputReader::rest() { return take(remaining()); }

std::string cString(const Bytes& bytes) {
    std::string text(bytes.begin(), bytes.end());
    return text.substr(0, text.find('\0'));
}

}  // namespace kelvane::fuzz

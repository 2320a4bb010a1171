// An owned, NUL-terminated run of characters (char, wchar_t or bytes) over malloc and
// free: what the Windows bodies hold converted names and data in. The standard strings
// would bring the C++ runtime's allocation, exceptions and string code into the DLLs.
// A buffer whose allocation failed is not valid(): every caller turns that into its
// failure result, where std::string would have thrown.
#pragma once
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace kelvane::platform {

template <typename Char>
class TextBuffer {
public:
    TextBuffer() = default;
    // `length` characters, all zero, and the terminating zero.
    explicit TextBuffer(std::size_t length) { allocate(length); }
    // A copy of `length` characters from `from`.
    TextBuffer(const Char* from, std::size_t length) {
        if (allocate(length) && length > 0) std::memcpy(chars_, from, length * sizeof(Char));
    }
    TextBuffer(TextBuffer&& other) noexcept { take(other); }
    TextBuffer& operator=(TextBuffer&& other) noexcept {
        if (this != &other) {
            std::free(chars_);
            take(other);
        }
        return *this;
    }
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;
    ~TextBuffer() { std::free(chars_); }

    // A buffer that could not be allocated; it reads as empty.
    static TextBuffer failed() {
        TextBuffer buffer;
        buffer.valid_ = false;
        return buffer;
    }

    bool valid() const { return valid_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    Char* data() { return chars_ != nullptr ? chars_ : emptyText(); }
    const Char* data() const { return chars_ != nullptr ? chars_ : emptyText(); }
    const Char* c_str() const { return data(); }

    // Keeps the first `length` characters (no more than there are).
    void shorten(std::size_t length) {
        if (length >= size_) return;
        size_ = length;
        chars_[size_] = Char();
    }

private:
    static Char* emptyText() {
        static Char none[1] = {};
        return none;
    }

    bool allocate(std::size_t length) {
        if (length == 0) return true;
        const bool fits = length < static_cast<std::size_t>(-1) / sizeof(Char) - 1;
        chars_ = fits ? static_cast<Char*>(std::calloc(length + 1, sizeof(Char))) : nullptr;
        valid_ = chars_ != nullptr;
        size_ = valid_ ? length : 0;
        return valid_;
    }

    void take(TextBuffer& other) {
        chars_ = other.chars_;
        size_ = other.size_;
        valid_ = other.valid_;
        other.chars_ = nullptr;
        other.size_ = 0;
        other.valid_ = true;
    }

    Char* chars_ = nullptr;
    std::size_t size_ = 0;
    bool valid_ = true;
};

}  // namespace kelvane::platform

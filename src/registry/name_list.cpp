#include "registry/name_list.h"

#include <algorithm>
#include <cstring>

#include "frame/module_memory.h"

namespace kelvane {
namespace {

// Room of the first block, in characters: most lists fit without a second one.
constexpr std::size_t FIRST_CAPACITY = 256;

}  // namespace

NameList::~NameList() { moduleFree(text_); }

bool NameList::add(const char* name, std::size_t length) {
    const std::size_t separator = text_ != nullptr ? 1 : 0;
    if (!makeRoom(length_ + separator + length)) return false;
    if (separator != 0) text_[length_++] = LIST_SEPARATOR;
    std::memcpy(text_ + length_, name, length);
    length_ += length;
    text_[length_] = '\0';
    return true;
}

// Room for `length` characters besides the NUL, the contents kept.
bool NameList::makeRoom(std::size_t length) {
    if (text_ != nullptr && length <= capacity_) return true;
    const std::size_t capacity = std::max({length, 2 * capacity_, FIRST_CAPACITY});
    char* grown = newModuleString(capacity);
    if (grown == nullptr) {
        drop();
        return false;
    }
    if (text_ != nullptr) std::memcpy(grown, text_, length_ + 1);
    moduleFree(text_);
    text_ = grown;
    capacity_ = capacity;
    return true;
}

void NameList::drop() {
    moduleFree(text_);
    text_ = nullptr;
    length_ = 0;
    capacity_ = 0;
}

char* NameList::release() {
    char* text = text_;
    text_ = nullptr;
    length_ = 0;
    capacity_ = 0;
    return text;
}

}  // namespace kelvane

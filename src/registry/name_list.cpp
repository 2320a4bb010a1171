#include "registry/name_list.h"

#include <cstring>

#include "frame/module_memory.h"

namespace kelvane {

NameList::~NameList() { moduleFree(text_); }

bool NameList::add(const char* name, std::size_t length) {
    if (text_ == nullptr) {
        text_ = copyModuleString(name, length);
        length_ = length;
        return text_ != nullptr;
    }
    char* grown = newModuleString(length_ + 1 + length);
    if (grown == nullptr) {
        moduleFree(text_);
        text_ = nullptr;
        length_ = 0;
        return false;
    }
    std::memcpy(grown, text_, length_);
    grown[length_] = LIST_SEPARATOR;
    std::memcpy(grown + length_ + 1, name, length);
    moduleFree(text_);
    text_ = grown;
    length_ += 1 + length;
    return true;
}

char* NameList::release() {
    char* text = text_;
    text_ = nullptr;
    length_ = 0;
    return text;
}

}  // namespace kelvane

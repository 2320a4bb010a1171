// The name list: names joined by single commas, no escaping, built in a block of the
// module's heap that grows by exactly one name (and its comma) at a time.
#pragma once
#include <cstddef>

namespace kelvane {

// The single character between two names.
constexpr char LIST_SEPARATOR = ',';

class NameList {
public:
    NameList() = default;
    ~NameList();
    NameList(const NameList&) = delete;
    NameList& operator=(const NameList&) = delete;

    // Appends `name` of `length` characters after a separator (none before the first).
    // False when the heap refuses the larger block; the list is then dropped.
    bool add(const char* name, std::size_t length);
    // The list as a ModuleString owned by the caller, or null when no name was added.
    char* release();

private:
    char* text_ = nullptr;
    std::size_t length_ = 0;
};

}  // namespace kelvane

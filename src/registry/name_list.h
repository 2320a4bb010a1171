// The name list: names joined by single commas, no escaping, built in a block of the
// module's heap whose room doubles when a name does not fit, so that a list of n names
// is copied O(log n) times, not n times.
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
    bool makeRoom(std::size_t length);
    void drop();

    char* text_ = nullptr;      // NUL-terminated while not null
    std::size_t length_ = 0;    // characters in text_
    std::size_t capacity_ = 0;  // characters text_ can hold besides its NUL
};

}  // namespace kelvane

// A library that prints as it is loaded, as some preloaded libraries (LD_PRELOAD) do: a
// test preloads it into the hive helper, whose answer must not be where it prints.
#include <unistd.h>

namespace {

__attribute__((constructor)) void printOnLoad() {
    static const char greeting[] = "loaded\n";
    [[maybe_unused]] const ssize_t written = write(STDOUT_FILENO, greeting, sizeof greeting - 1);
}

}  // namespace

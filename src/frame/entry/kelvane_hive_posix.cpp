// kelvane-hive: the helper program that changes hive files for libkelvane.so (see
// src/platform/posix/helper_program.h). Usage: kelvane-hive delete KEY-PATH, with the
// hive folder in KELVANE_HKLM; prints the registry status in decimal and a newline.
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/posix/hive_deletion.h"

int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], kelvane::platform::DELETE_VERB) != 0) return 2;
    const std::string answer = std::to_string(kelvane::platform::deleteKeyFromHive(argv[2])) + "\n";
    return write(STDOUT_FILENO, answer.data(), answer.size()) == static_cast<ssize_t>(answer.size()) ? 0 : 1;
}

// kelvane-hive: the helper program that changes hive files for libkelvane.so (see
// src/platform/hive/helper_program.h). Usage: kelvane-hive delete KEY-PATH, with the
// hive folder in KELVANE_HKLM; answers the registry status in decimal and a newline on
// the descriptor the library gave it for that (never standard output).
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/hive/helper_program.h"
#include "platform/hive/hive_deletion.h"

int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], kelvane::platform::DELETE_VERB) != 0) return 2;
    const std::string answer = std::to_string(kelvane::platform::deleteKeyFromHive(argv[2])) + "\n";
    return write(kelvane::platform::HELPER_ANSWER_FD, answer.data(), answer.size()) == static_cast<ssize_t>(answer.size()) ? 0 : 1;
}

// kelvane-hive: the helper program that changes hive files for libkelvane.so (see
// src/platform/hive/helper_program.h). Usage: kelvane-hive delete, with the key path
// on standard input (read to its end) and the hive folder in KELVANE_HKLM; answers the registry status in decimal and a newline on
// the descriptor the library gave it for that (never standard output).
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/hive/helper_program.h"
#include "platform/hive/hive_deletion.h"
#include "platform/registry.h"

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], kelvane::platform::DELETE_VERB) != 0) return 2;
    std::string path;
    long status = kelvane::platform::readHelperArgument(STDIN_FILENO, &path);
    // A NUL inside would cut the path short: another key than the host asked for.
    if (status == 0 && path.find('\0') != std::string::npos) status = kelvane::platform::REGISTRY_INVALID_PARAMETER;
    if (status == 0) status = kelvane::platform::deleteKeyFromHive(path.c_str());
    const std::string answer = std::to_string(status) + "\n";
    return write(kelvane::platform::HELPER_ANSWER_FD, answer.data(), answer.size()) == static_cast<ssize_t>(answer.size()) ? 0 : 1;
}

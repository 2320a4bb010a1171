// kelvane: a command-line host. Loads the library at run time, calls one export by
// name with the string arguments given, prints the text, "(null)", or the integer, and
// exits with whether the export reported success, so that a script can branch on it.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "exports/export_table.h"
#include "hive_builder.h"
#include "library_loader.h"

namespace {

using kelvane::tools::ExportInfo;

constexpr int EXIT_SUCCEEDED = 0;  // the export reported success
constexpr int EXIT_FAILED = 1;     // the export reported failure (see exportSucceeded)
constexpr int EXIT_USAGE = 2;      // bad command line
constexpr int EXIT_LOAD = 3;       // the library or the export could not be found
constexpr int EXIT_OUTPUT = 4;     // the result could not be written to standard output

// Where an installed tree keeps the library, relative to the program's folder ("../lib/"
// on Linux; empty on Windows, where the DLL sits beside the program). Set by the build.
#ifndef KELVANE_INSTALLED_LIBRARY_FOLDER
#define KELVANE_INSTALLED_LIBRARY_FOLDER ""
#endif

// The library beside the program (the build tree), else in an installed tree's library folder.
std::string defaultLibraryPath() {
    const std::string folder = kelvane::tools::programFolder();
    const std::string beside = folder + kelvane::tools::defaultLibraryName();
    const std::string installed = folder + KELVANE_INSTALLED_LIBRARY_FOLDER + kelvane::tools::defaultLibraryName();
    std::error_code error;
    const bool onlyInstalled =
        !std::filesystem::is_regular_file(beside, error) && std::filesystem::is_regular_file(installed, error);
    return onlyInstalled ? installed : beside;
}

void printHelp() {
    std::printf(
        "usage: kelvane [--lib PATH] EXPORT [ARGUMENT...]\n"
        "       kelvane --version\n"
        "       kelvane --empty-hive FILE\n"
        "Loads the kelvane library (default: %s beside this program, else in the library\n"
        "folder of the tree it is installed in), calls EXPORT with the string arguments and\n"
        "prints its result: the text, \"(null)\" for a null result, or the integer. An argument\n"
        "written as --null is passed as a null pointer. A text result is handed back to the\n"
        "library's freeString once printed.\n"
        "--empty-hive writes a registry hive file holding only its root key, for hivexsh to\n"
        "fill (on Linux a folder of such files stands in for HKEY_LOCAL_MACHINE); it never\n"
        "writes over an existing file.\n\n"
        "exit status: %d the export reported success; %d it reported failure (a null text,\n"
        "cryptFile or decryptFile below 1, RegDeleteKeyNT not 0); %d a bad command line; %d the\n"
        "library or the export not found; %d the result could not be written. ReadSubKeysInFile\n"
        "has no failure result: it always gives 0, which says only that the call was made.\n"
        "\nexports:\n",
        kelvane::tools::defaultLibraryName(), EXIT_SUCCEEDED, EXIT_FAILED, EXIT_USAGE, EXIT_LOAD, EXIT_OUTPUT);
    for (const ExportInfo& info : kelvane::tools::exportTable()) {
        std::string signature = info.name;
        for (const char* argument : info.arguments) signature += std::string(" ") + argument;
        std::printf("  %-36s %s\n", signature.c_str(), info.summary);
    }
}

// Whether everything printed reached standard output: a full disk shows only when the
// buffer is flushed or the stream closed.
bool outputWritten() {
    const bool flushed = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    return std::fclose(stdout) == 0 && flushed;
}

// `kelvane --empty-hive FILE`: the hive, in a file that did not exist before.
int writeEmptyHive(const char* path) {
    std::error_code error;
    if (std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found) {
        std::fprintf(stderr, "kelvane: %s exists; not written over\n", path);
        return EXIT_FAILED;
    }
    const std::vector<std::uint8_t> hive = kelvane::tools::emptyHive();
    std::FILE* file = std::fopen(path, "wb");
    const bool written = file != nullptr && std::fwrite(hive.data(), 1, hive.size(), file) == hive.size();
    const bool closed = file != nullptr && std::fclose(file) == 0;
    if (written && closed) return EXIT_SUCCEEDED;
    std::fprintf(stderr, "kelvane: cannot write %s\n", path);
    if (file != nullptr) std::remove(path);
    return EXIT_FAILED;
}

}  // namespace

int main(int argc, char** argv) {
    std::string libraryPath = defaultLibraryPath();
    int next = 1;
    if (next < argc && (std::strcmp(argv[next], "--help") == 0 || std::strcmp(argv[next], "-h") == 0)) {
        printHelp();
        return outputWritten() ? EXIT_SUCCEEDED : EXIT_OUTPUT;
    }
    if (next < argc && std::strcmp(argv[next], "--version") == 0) {
        std::printf("kelvane %s\n", KELVANE_VERSION);
        return outputWritten() ? EXIT_SUCCEEDED : EXIT_OUTPUT;
    }
    if (next < argc && std::strcmp(argv[next], "--empty-hive") == 0) {
        if (next + 2 != argc) {
            printHelp();
            return EXIT_USAGE;
        }
        return writeEmptyHive(argv[next + 1]);
    }
    if (next + 1 < argc && std::strcmp(argv[next], "--lib") == 0) {
        libraryPath = argv[next + 1];
        next += 2;
    }
    if (next >= argc) {
        printHelp();
        return EXIT_USAGE;
    }

    const ExportInfo* info = kelvane::tools::findExport(argv[next]);
    if (info == nullptr) {
        std::fprintf(stderr, "kelvane: no export named %s (see --help)\n", argv[next]);
        return EXIT_USAGE;
    }
    std::vector<const char*> arguments;
    for (int i = next + 1; i < argc; ++i) {
        arguments.push_back(std::strcmp(argv[i], "--null") == 0 ? nullptr : argv[i]);
    }
    if (arguments.size() != info->arguments.size()) {
        std::fprintf(stderr, "kelvane: %s takes %zu argument(s)\n", info->name, info->arguments.size());
        return EXIT_USAGE;
    }

    kelvane::tools::LoadedLibrary library(libraryPath);
    if (!library.loaded()) {
        std::fprintf(stderr, "kelvane: cannot load %s: %s\n", libraryPath.c_str(), library.error().c_str());
        return EXIT_LOAD;
    }
    void* address = library.symbol(info->name);
    if (address == nullptr) {
        std::fprintf(stderr, "kelvane: %s does not export %s\n", libraryPath.c_str(), info->name);
        return EXIT_LOAD;
    }

    const auto result =
        kelvane::tools::callExport(*info, address, library.symbol(kelvane::tools::FREE_EXPORT), arguments);
    if (info->result != kelvane::tools::ResultKind::Text) std::printf("%d\n", result.integer);
    else std::printf("%s\n", result.isNull ? "(null)" : result.text.c_str());
    if (!outputWritten()) {
        std::fprintf(stderr, "kelvane: cannot write the result\n");
        return EXIT_OUTPUT;
    }
    return kelvane::tools::exportSucceeded(*info, result) ? EXIT_SUCCEEDED : EXIT_FAILED;
}

// Loads the kelvane library at run time by path and finds exports by plain name,
// as an installer does (dlopen or LoadLibrary; never linked against the library).
#pragma once
#include <string>

namespace kelvane::tools {

class LoadedLibrary {
public:
    explicit LoadedLibrary(const std::string& path);
    ~LoadedLibrary();
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    // The address of an export, or null when there is none of that name.
    void* symbol(const char* name) const;
    // Why the load failed, in the platform's words.
    const std::string& error() const { return error_; }

private:
    void* handle_ = nullptr;
    std::string error_;
};

// The library's file name on this platform: "kelvane.dll" or "libkelvane.so".
const char* defaultLibraryName();
// The folder of the running program, with a trailing separator.
std::string programFolder();

}  // namespace kelvane::tools

#include "support/host_process.h"

#include <windows.h>

#include <cstdlib>

#include "library_loader.h"
#include "support/test_support.h"

namespace kelvane::test {

// Exit code given to a host that TerminateProcess ends.
constexpr UINT KILLED_EXIT_CODE = 0xDEAD;

HostProcess startHost(const std::vector<std::string>& arguments) {
    std::string command = "\"" + tools::programFolder() + "kelvane.exe\" --lib \"" + libraryPath() + "\"";
    for (const std::string& argument : arguments) command += " \"" + argument + "\"";
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const HANDLE quiet = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                     OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = quiet;
    startup.hStdError = quiet;
    PROCESS_INFORMATION process{};
    const BOOL started =
        CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(quiet);
    if (!started) return HostProcess{};
    CloseHandle(process.hThread);
    return HostProcess{reinterpret_cast<std::intptr_t>(process.hProcess)};
}

// How long Wine may take to stop a process it already reports ended, in milliseconds.
constexpr DWORD WINE_KILL_LAG_MS = 500;

// Under Wine the process is marked ended (and waitable) before its Unix process has
// taken the signal: for a moment it still runs system calls, such as making a journal
// after the test looked. The pause lets it stop first; Windows needs none.
void killHost(const HostProcess& host) {
    TerminateProcess(reinterpret_cast<HANDLE>(host.id), KILLED_EXIT_CODE);
    WaitForSingleObject(reinterpret_cast<HANDLE>(host.id), INFINITE);
    Sleep(WINE_KILL_LAG_MS);
}

int waitHost(const HostProcess& host) {
    const HANDLE process = reinterpret_cast<HANDLE>(host.id);
    if (host.id == -1 || WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code == KILLED_EXIT_CODE ? -1 : static_cast<int>(code);
}

void setEnvironment(const char* name, const std::string& value) {
    SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
    _putenv_s(name, value.c_str());
}

// Wine runs every process as one Unix user: no file can be given away here.
bool giveToAnotherUser(const std::string&) { return false; }
// A journal's keyed seal shows it ours whatever its attributes and names.
bool openToOthers(const std::string&) { return false; }
bool linkElsewhere(const std::string&, const std::string&) { return false; }

ReaderLock::ReaderLock(const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    handle_ = file == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(file);
    OVERLAPPED range{};
    range.OffsetHigh = 0x7FFFFFFFu;  // the top of the range, where the rewrite's byte is
    held_ = handle_ != -1 && LockFileEx(file, LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, 0, &range);
}

ReaderLock::~ReaderLock() {
    if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

}  // namespace kelvane::test

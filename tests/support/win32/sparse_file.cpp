#include "support/sparse_file.h"

#include <windows.h>

#include <stdexcept>

namespace kelvane::test {
namespace {

bool writeAt(HANDLE file, std::int64_t offset, const Bytes& bytes) {
    LARGE_INTEGER position;
    position.QuadPart = offset;
    DWORD written = 0;
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) &&
           WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

}  // namespace

void makeSparseFile(const std::string& path, std::int64_t size, const Bytes& head, const Bytes& tail) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + path);
    // Marked sparse where the file system allows; writing past a gap leaves a hole on Wine's hosts anyway.
    DWORD returned = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    const bool made = writeAt(file, 0, head) && writeAt(file, size - static_cast<std::int64_t>(tail.size()), tail);
    CloseHandle(file);
    if (!made) throw std::runtime_error("cannot write " + path);
}

}  // namespace kelvane::test

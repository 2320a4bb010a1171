#include "platform/file_system.h"

#include <cstring>

#include "platform/native_files.h"

namespace kelvane::platform {
namespace {

// Both tables are set before any code runs (constant initialisation): no thread sees them
// half made, and no guarded static brings the C++ runtime's threads into the DLL.
constexpr FileSystem PLATFORM_OPERATIONS{
    native::openRead,      native::openHeld,      native::placeOf,        native::openOrCreate,
    native::renameKeepsFile, native::createNewFile, native::replace,      native::journalPlaces,
    native::createJournal, native::openJournal,   native::removeJournal,  native::setAside,
    native::tryLock,       native::identity,      native::isNamed,        native::size,
    native::read,          native::write,         native::setSize,        native::flush,
    native::forget,        native::syncFolder,    native::seal,          native::close,          nullptr};
FileSystem inUse = PLATFORM_OPERATIONS;
JournalFolders givenJournalFolders;

}  // namespace

const FileSystem& platformFileSystem() { return PLATFORM_OPERATIONS; }

FileSystem& fileSystem() { return inUse; }

JournalFolders& journalFolders() { return givenJournalFolders; }

std::int64_t readFully(FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count) {
    std::size_t total = 0;
    while (total < count) {
        const std::int64_t got = inUse.read(file, offset + static_cast<std::int64_t>(total), buffer + total, count - total);
        if (got < 0) return -1;
        if (got == 0) break;
        total += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(total);
}

bool splitPath(const char* path, char separator, FilePlace* place) {
    const char* last = std::strrchr(path, separator);
    if (last == nullptr) return false;
    const std::size_t folderLength = static_cast<std::size_t>(last - path) + 1;
    const std::size_t nameLength = std::strlen(last + 1);
    if (folderLength >= PATH_CAPACITY || nameLength == 0 || nameLength >= NAME_CAPACITY) return false;
    std::memcpy(place->folderPath, path, folderLength);
    place->folderPath[folderLength] = '\0';
    std::memcpy(place->name, last + 1, nameLength + 1);
    return true;
}

bool joinPath(const FilePlace& place, char path[PATH_CAPACITY]) {
    const std::size_t folderLength = std::strlen(place.folderPath);
    const std::size_t nameLength = std::strlen(place.name);
    if (folderLength + nameLength >= PATH_CAPACITY) return false;
    std::memcpy(path, place.folderPath, folderLength);
    std::memcpy(path + folderLength, place.name, nameLength + 1);
    return true;
}

}  // namespace kelvane::platform

#include "platform/file_system.h"

#include "platform/native_files.h"

namespace kelvane::platform {
namespace {

// Both tables are set before any code runs (constant initialisation): no thread sees them
// half made, and no guarded static brings the C++ runtime's threads into the DLL.
constexpr FileSystem PLATFORM_OPERATIONS{
    native::openRead,      native::openWrite,    native::openOrCreate,  native::fullPath,      native::renameKeepsFile,
    native::createNewFile, native::journalNames, native::createJournal, native::openJournal,
    native::tryLock,       native::identity,     native::isNamed,       native::size,
    native::read,          native::write,        native::setSize,       native::flush,
    native::sync,          native::replace,      native::close,         native::remove};
FileSystem inUse = PLATFORM_OPERATIONS;

}  // namespace

const FileSystem& platformFileSystem() { return PLATFORM_OPERATIONS; }

FileSystem& fileSystem() { return inUse; }

}  // namespace kelvane::platform

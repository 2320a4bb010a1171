#include "platform/file_system.h"

#include "platform/native_files.h"

namespace kelvane::platform {

const FileSystem& platformFileSystem() {
    static const FileSystem operations{
        native::openRead,    native::openWrite, native::fullPath,      native::renameKeepsFile,
        native::createNewFile, native::journalNames, native::createJournal, native::openJournal,
        native::tryLock,     native::identity,  native::isNamed,       native::size,
        native::read,        native::write,     native::setSize,       native::flush,
        native::sync,        native::replace,   native::close,         native::remove};
    return operations;
}

FileSystem& fileSystem() {
    static FileSystem inUse = platformFileSystem();
    return inUse;
}

}  // namespace kelvane::platform

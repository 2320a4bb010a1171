#include "platform/file_system.h"

#include "platform/native_files.h"

namespace kelvane::platform {

const FileSystem& platformFileSystem() {
    static const FileSystem operations{native::openRead, native::checkWritable, native::fullPath,
                                       native::createTemp, native::size,        native::read,
                                       native::write,      native::flush,       native::sync,
                                       native::replace,    native::close,       native::remove};
    return operations;
}

FileSystem& fileSystem() {
    static FileSystem inUse = platformFileSystem();
    return inUse;
}

}  // namespace kelvane::platform

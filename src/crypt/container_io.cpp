#include "crypt/container_io.h"

#include "crypt/file_crypt.h"

namespace kelvane {

using platform::fileSystem;
using platform::RewriteResult;

std::int64_t readFully(platform::FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count) {
    std::size_t total = 0;
    while (total < count) {
        const std::int64_t got =
            fileSystem().read(file, offset + static_cast<std::int64_t>(total), buffer + total, count - total);
        if (got < 0) return -1;
        if (got == 0) break;
        total += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(total);
}

int fileResult(RewriteResult outcome, int rewritten) {
    switch (outcome) {
    case RewriteResult::Rewritten:
        return rewritten;
    case RewriteResult::CannotOpen:
        return FILE_CANNOT_WRITE;
    case RewriteResult::Failed:
    default:
        return FILE_WRITE_FAILED;
    }
}

}  // namespace kelvane

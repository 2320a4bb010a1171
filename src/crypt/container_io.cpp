#include "crypt/container_io.h"

#include "crypt/file_crypt.h"

namespace kelvane {

using platform::RewriteResult;

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

#include "platform/hive/hive_image.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "platform/file_rewrite.h"
#include "platform/registry.h"

namespace kelvane::platform {
namespace {

// Bytes copied at a time from the image into the hive file.
constexpr std::size_t COPY_BLOCK_SIZE = 1u << 16;

int createMemoryFile() { return memfd_create("kelvane-hive-image", MFD_CLOEXEC); }

int commitWithHivex(hive_h* hive, const char* path) { return hivex_commit(hive, path, 0); }

// The image file, closed (and so gone) when this ends.
class ImageFile {
public:
    ImageFile() : fd_(hiveImageCalls().createImageFile()) {}
    ~ImageFile() {
        if (fd_ >= 0) close(fd_);
    }
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    // hivex reopens the file by this name: the same file, not a copy.
    bool take(hive_h* hive) const {
        return fd_ >= 0 && hiveImageCalls().writeImage(hive, ("/proc/self/fd/" + std::to_string(fd_)).c_str()) == 0;
    }

    // The whole image into `sink`.
    bool copyTo(RewriteSink& sink) const {
        std::vector<std::uint8_t> block(COPY_BLOCK_SIZE);
        for (off_t offset = 0;;) {
            const ssize_t got = pread(fd_, block.data(), block.size(), offset);
            if (got < 0) return false;
            if (got == 0) return true;
            if (!sink.write(offset, block.data(), static_cast<std::size_t>(got))) return false;
            offset += got;
        }
    }

private:
    int fd_;
};

}  // namespace

const HiveImageCalls& defaultHiveImageCalls() {
    static const HiveImageCalls defaults = {createMemoryFile, commitWithHivex};
    return defaults;
}

HiveImageCalls& hiveImageCalls() {
    static HiveImageCalls calls = defaultHiveImageCalls();
    return calls;
}

long writeHiveBack(hive_h* hive, const std::string& hivePath) {
    const ImageFile image;
    if (!image.take(hive)) return REGISTRY_IO_FAILED;
    const RewriteResult result = rewriteFile(
        hivePath.c_str(), [&image](FileHandle, std::int64_t, RewriteSink& sink) { return image.copyTo(sink); });
    switch (result) {
        case RewriteResult::Rewritten:
            return REGISTRY_OK;
        case RewriteResult::CannotOpen:
            return REGISTRY_ACCESS_DENIED;
        default:
            return REGISTRY_IO_FAILED;
    }
}

}  // namespace kelvane::platform

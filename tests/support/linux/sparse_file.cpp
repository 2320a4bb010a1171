#include "support/sparse_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>

namespace kelvane::test {

void makeSparseFile(const std::string& path, std::int64_t size, const Bytes& head, const Bytes& tail) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) throw std::runtime_error("cannot create " + path);
    const off_t tailOffset = static_cast<off_t>(size) - static_cast<off_t>(tail.size());
    const bool made = ::ftruncate(fd, static_cast<off_t>(size)) == 0 &&
                      ::pwrite(fd, head.data(), head.size(), 0) == static_cast<ssize_t>(head.size()) &&
                      ::pwrite(fd, tail.data(), tail.size(), tailOffset) == static_cast<ssize_t>(tail.size());
    ::close(fd);
    if (!made) throw std::runtime_error("cannot write " + path);
}

}  // namespace kelvane::test

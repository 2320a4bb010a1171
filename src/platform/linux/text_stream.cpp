#include "platform/text_stream.h"

namespace kelvane::platform {

std::FILE* openStream(const char* path, const char* mode) { return std::fopen(path, mode); }

}  // namespace kelvane::platform

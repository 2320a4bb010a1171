#include "registry/appended_text.h"

#include <cstdio>
#include <cstring>

#include "platform/path_kind.h"

#include "platform/text_stream.h"

namespace kelvane {
namespace {

// The text end-of-file mark that "a+" takes off an existing file before writing.
constexpr int TEXT_END_MARK = 0x1A;

// An existing file for update, or else a new one; writes still go to the end. Anything
// that exists but is not a regular file (a folder, a FIFO that would block) is left alone.
std::FILE* openForAppend(const char* path) {
    if (platform::pathKind(path) == platform::PathKind::Other) return nullptr;
    if (std::FILE* existing = platform::openStream(path, "rb+")) return existing;
    return platform::openStream(path, "ab");
}

// Places the stream where the text begins: over a final 0x1A, else at the end. The
// text is never empty, so writing over the mark removes it without truncating.
bool seekPastContents(std::FILE* file) {
    if (std::fseek(file, -1, SEEK_END) == 0 && std::fgetc(file) == TEXT_END_MARK) {
        return std::fseek(file, -1, SEEK_END) == 0;
    }
    return std::fseek(file, 0, SEEK_END) == 0;
}

}  // namespace

bool appendText(const char* path, const char* text) {
    if (path == nullptr || text == nullptr) return false;
    std::FILE* file = openForAppend(path);
    if (file == nullptr) return false;
    const std::size_t length = std::strlen(text);
    const bool written =
        length == 0 || (seekPastContents(file) && std::fwrite(text, 1, length, file) == length);
    return std::fclose(file) == 0 && written;
}

}  // namespace kelvane

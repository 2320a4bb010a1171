// New contents made block by block and written beside the making: while the caller's
// thread makes one block (reads and enciphers it), a second thread writes the one made
// before, so that the disk is kept busy instead of waiting for the processor. The writing
// thread is made and joined inside the call; with one processor, or a sink that must be
// written from the caller's thread, or when no thread or block can be had, the call makes
// and writes in turn on its own thread, with one block, as it always did.
//
// Each stretch also names the bytes of the original it was made from: they are read for
// the last time, so the system may drop them from its cache. Whichever thread would
// otherwise wait does that, which saves the call from freeing the whole cached original
// at its end, on its own thread.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/file_rewrite.h"
#include "platform/file_system.h"

namespace kelvane::platform {

// Blocks in the stream at once where a second thread writes: one made, one waiting, one
// written.
constexpr int STREAM_BLOCKS = 3;

// What one made block holds: `count` bytes for the sink at `at`, made from the original's
// bytes up to `readTo`.
struct Stretch {
    std::int64_t at = 0;
    std::size_t count = 0;
    std::int64_t readTo = 0;
};

// Makes the new contents one stretch at a time, in order, always on the caller's thread.
class StretchMaker {
public:
    enum class Made { Stretch, End, Failed };
    // Fills `block` (of the stream's block size) and says what it holds in `stretch`.
    virtual Made make(std::uint8_t* block, Stretch* stretch) = 0;

protected:
    ~StretchMaker() = default;
};

// The processors the stream counts on: 0 asks the system; a test sets 1 or more.
struct StreamOptions {
    int processors = 0;
};
StreamOptions& streamOptions();

// Writes every stretch `maker` makes from `original` into `sink`, in order, in blocks of
// `blockSize` bytes. True when the maker reached its end and every write succeeded; when
// it returns, every write has ended.
bool streamStretches(FileHandle original, std::size_t blockSize, StretchMaker& maker, RewriteSink& sink);

}  // namespace kelvane::platform

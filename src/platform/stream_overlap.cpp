#include "platform/stream_overlap.h"

#include <algorithm>

#include "platform/block.h"
#include "platform/thread.h"

namespace kelvane::platform {
namespace {

bool writeStretch(RewriteSink& sink, const std::uint8_t* block, const Stretch& stretch) {
    return stretch.count == 0 || sink.write(stretch.at, block, stretch.count);
}

// Making and writing in turn on the caller's thread, with one block.
bool streamInTurn(std::size_t blockSize, StretchMaker& maker, RewriteSink& sink) {
    const Block block = newBlock(blockSize);
    if (!block) return false;
    for (;;) {
        Stretch stretch;
        const StretchMaker::Made made = maker.make(block.get(), &stretch);
        if (made != StretchMaker::Made::Stretch) return made == StretchMaker::Made::End;
        if (!writeStretch(sink, block.get(), stretch)) return false;
    }
}

// What the two threads share. Block i of the stream goes in slot i % STREAM_BLOCKS; a
// slot is the maker's again only once the writer has counted its block written.
struct Handover {
    Handover(FileHandle file, std::size_t blockSize, RewriteSink& into) : original(file), sink(into) {
        for (Block& block : blocks) block = newBlock(blockSize);
    }

    bool ready() const {
        for (const Block& block : blocks) {
            if (!block) return false;
        }
        return true;
    }

    FileHandle original;
    RewriteSink& sink;
    Monitor monitor;
    Block blocks[STREAM_BLOCKS];
    Stretch stretches[STREAM_BLOCKS];
    // Under the monitor:
    long made = 0;            // stretches handed to the writer
    long written = 0;         // stretches the writer is done with
    bool makingEnded = false;  // no more will come
    bool makingFailed = false;
    bool writeFailed = false;
    std::int64_t readTo = 0;       // the original is read up to here
    std::int64_t forgottenTo = 0;  // ...and dropped from the cache up to here
};

// Called under the monitor by a thread that would wait: lets the cache drop the original's
// bytes read since the last drop, outside the monitor, and returns true; false when there
// is nothing to drop, and the thread may wait. Whichever thread is ahead does the dropping,
// which costs about as much as reading the bytes, so that neither thread carries it all.
bool forgetInsteadOfWaiting(Handover& handover) {
    const std::int64_t from = handover.forgottenTo;
    const std::int64_t to = handover.readTo;
    if (to <= from) return false;
    handover.forgottenTo = to;
    handover.monitor.leave();
    fileSystem().forget(handover.original, from, to - from);
    handover.monitor.enter();
    return true;
}

// The second thread: writes each stretch as it is handed over, in order. Stops at the
// first failed write, or when the making ended (having failed, or with every stretch
// written).
void writeHandedOver(void* context) {
    Handover& handover = *static_cast<Handover*>(context);
    Monitor& monitor = handover.monitor;
    for (;;) {
        monitor.enter();
        while (handover.written == handover.made && !handover.makingEnded) {
            if (!forgetInsteadOfWaiting(handover)) monitor.wait();
        }
        const bool stop = handover.makingFailed || handover.written == handover.made;
        const int slot = static_cast<int>(handover.written % STREAM_BLOCKS);
        monitor.leave();
        if (stop) return;
        const Stretch& stretch = handover.stretches[slot];
        const bool written = writeStretch(handover.sink, handover.blocks[slot].get(), stretch);
        monitor.enter();
        ++handover.written;
        handover.writeFailed = !written;
        monitor.notify();
        monitor.leave();
        if (!written) return;
    }
}

// The caller's side: makes stretches into free slots and hands them over, until the
// maker ends or a write fails.
void makeHandingOver(Handover& handover, StretchMaker& maker) {
    Monitor& monitor = handover.monitor;
    for (;;) {
        monitor.enter();
        while (handover.made - handover.written == STREAM_BLOCKS && !handover.writeFailed) {
            if (!forgetInsteadOfWaiting(handover)) monitor.wait();
        }
        const bool stop = handover.writeFailed;
        const int slot = static_cast<int>(handover.made % STREAM_BLOCKS);
        monitor.leave();
        if (stop) return;
        Stretch& stretch = handover.stretches[slot];
        const StretchMaker::Made made = maker.make(handover.blocks[slot].get(), &stretch);
        monitor.enter();
        if (made == StretchMaker::Made::Stretch) {
            ++handover.made;
            handover.readTo = std::max(handover.readTo, stretch.readTo);
        } else {
            handover.makingEnded = true;
            handover.makingFailed = made == StretchMaker::Made::Failed;
        }
        monitor.notify();
        monitor.leave();
        if (made != StretchMaker::Made::Stretch) return;
    }
}

int processorsCounted() {
    const int set = streamOptions().processors;
    return set > 0 ? set : usableProcessors();
}

}  // namespace

StreamOptions& streamOptions() {
    static StreamOptions options;
    return options;
}

bool streamStretches(FileHandle original, std::size_t blockSize, StretchMaker& maker, RewriteSink& sink) {
    if (processorsCounted() < 2 || !sink.writableBeside()) return streamInTurn(blockSize, maker, sink);
    Handover handover(original, blockSize, sink);
    Thread writer;
    if (!handover.ready() || !writer.start(writeHandedOver, &handover)) {
        return streamInTurn(blockSize, maker, sink);
    }
    makeHandingOver(handover, maker);
    writer.join();
    // Read without the monitor: the writer has ended.
    return !handover.makingFailed && !handover.writeFailed && handover.written == handover.made;
}

}  // namespace kelvane::platform

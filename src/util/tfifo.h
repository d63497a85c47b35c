#pragma once

#include <cstdint>
#include <span>

#include "util/tlinklist.h"

namespace tessel {

// Byte FIFO made of fixed 1420-byte blocks. Stored bytes are never moved:
// appends copy into the newest block, consumers read straight out of the
// oldest block with get() and release what they used with del(). An empty
// FIFO holds no block at all.
class tfifo {
public:
    static constexpr int32_t blocksize = 1420;

    tfifo() = default;
    tfifo(const tfifo&) = delete;
    tfifo& operator=(const tfifo&) = delete;
    ~tfifo();

    // Appends length bytes; nothing happens for length <= 0.
    void add(const void* bytes, int64_t length);
    // The longest contiguous run at the front: at most max bytes and never
    // past the end of the oldest block. Empty (null data) when nothing fits.
    std::span<const uint8_t> get(int64_t max) const;
    // Drops count bytes from the front (at most size()) and returns the
    // remaining size. This is the FIFO's "delete"; the C++ keyword forces the
    // shorter name.
    int64_t del(int64_t count);

    int64_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    // Blocks currently allocated by all FIFOs of the process.
    static long blockcount();

private:
    tplinklist* newest_ = nullptr; // head of the block list, being written
    tplinklist* oldest_ = nullptr; // being read
    int32_t writepos_ = blocksize; // bytes used in the newest block
    int32_t readpos_ = 0;          // bytes consumed from the oldest block
    int64_t size_ = 0;

    void freeoldest();
};

} // namespace tessel

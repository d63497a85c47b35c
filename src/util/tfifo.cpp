#include "util/tfifo.h"

#include <algorithm>
#include <cstring>

namespace tessel {

namespace {
long g_blocks = 0;

uint8_t* blockdata(const tplinklist* block) {
    return static_cast<uint8_t*>(block->data);
}
} // namespace

long tfifo::blockcount() {
    return g_blocks;
}

tfifo::~tfifo() {
    del(size_);
}

void tfifo::add(const void* bytes, int64_t length) {
    if (length <= 0) return;
    size_ += length;
    auto* src = static_cast<const uint8_t*>(bytes);
    while (length > 0) {
        if (writepos_ == blocksize) {
            auto* block = new tplinklist;
            block->data = new uint8_t[blocksize];
            ++g_blocks;
            tlinklist* head = newest_;
            linklistadd(head, block);
            newest_ = block;
            if (!oldest_) oldest_ = block;
            writepos_ = 0;
        }
        int64_t n = std::min<int64_t>(length, blocksize - writepos_);
        std::memcpy(blockdata(newest_) + writepos_, src, static_cast<size_t>(n));
        writepos_ += static_cast<int32_t>(n);
        src += n;
        length -= n;
    }
}

std::span<const uint8_t> tfifo::get(int64_t max) const {
    int64_t n = std::min(max, size_);
    if (n <= 0) return {};
    n = std::min<int64_t>(n, blocksize - readpos_);
    return {blockdata(oldest_) + readpos_, static_cast<size_t>(n)};
}

void tfifo::freeoldest() {
    tplinklist* block = oldest_;
    oldest_ = static_cast<tplinklist*>(block->prev);
    tlinklist* head = newest_;
    linklistdel(head, block);
    newest_ = static_cast<tplinklist*>(head);
    delete[] blockdata(block);
    delete block;
    --g_blocks;
}

int64_t tfifo::del(int64_t count) {
    if (count <= 0) return size_;
    count = std::min(count, size_);
    size_ -= count;
    while (count > 0) {
        int64_t n = std::min<int64_t>(count, blocksize - readpos_);
        readpos_ += static_cast<int32_t>(n);
        count -= n;
        if (readpos_ == blocksize) {
            freeoldest();
            readpos_ = 0;
        }
    }
    if (size_ == 0) {
        // The block being written may still be allocated; an empty FIFO keeps
        // no memory.
        while (oldest_)
            freeoldest();
        writepos_ = blocksize;
        readpos_ = 0;
    }
    return size_;
}

} // namespace tessel

#include "util/tfifo.h"

#include <deque>
#include <gtest/gtest.h>
#include <random>
#include <vector>

using namespace tessel;

namespace {

std::vector<uint8_t> pattern(size_t n, uint8_t start = 0) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(start + i * 7);
    return v;
}

// Everything stored, read through get/del without consuming the caller's copy.
std::vector<uint8_t> drain(tfifo& f) {
    std::vector<uint8_t> out;
    while (!f.empty()) {
        auto chunk = f.get(1 << 20);
        EXPECT_FALSE(chunk.empty());
        out.insert(out.end(), chunk.begin(), chunk.end());
        f.del(static_cast<int64_t>(chunk.size()));
    }
    return out;
}

} // namespace

TEST(Tfifo, OneByteOverABlockUsesTwoBlocksAndGetStopsAtTheBlockEnd) {
    long before = tfifo::blockcount();
    {
        tfifo f;
        auto data = pattern(1421);
        f.add(data.data(), 1421);
        EXPECT_EQ(tfifo::blockcount(), before + 2);
        EXPECT_EQ(f.size(), 1421);

        auto first = f.get(2920);
        ASSERT_EQ(first.size(), 1420u);
        EXPECT_TRUE(std::equal(first.begin(), first.end(), data.begin()));

        EXPECT_EQ(f.del(1420), 1);
        EXPECT_EQ(tfifo::blockcount(), before + 1);
        auto last = f.get(2920);
        ASSERT_EQ(last.size(), 1u);
        EXPECT_EQ(last[0], data[1420]);

        EXPECT_EQ(f.del(1), 0);
        EXPECT_EQ(tfifo::blockcount(), before) << "an empty FIFO holds no block";
        EXPECT_EQ(f.get(10).data(), nullptr);
    }
    EXPECT_EQ(tfifo::blockcount(), before);
}

TEST(Tfifo, DeletingMoreThanTheSizeFreesEveryBlockAndTheFifoIsUsableAgain) {
    long before = tfifo::blockcount();
    tfifo f;
    auto data = pattern(5000);
    f.add(data.data(), 5000);
    f.del(100); // a partly read oldest block
    EXPECT_EQ(f.del(1000000), 0);
    EXPECT_EQ(f.size(), 0);
    EXPECT_EQ(tfifo::blockcount(), before);

    f.add(data.data(), 3);
    EXPECT_EQ(drain(f), std::vector<uint8_t>(data.begin(), data.begin() + 3));
}

TEST(Tfifo, NonPositiveLengthsChangeNothing) {
    long before = tfifo::blockcount();
    tfifo f;
    uint8_t byte = 1;
    f.add(&byte, 0);
    f.add(&byte, -5);
    EXPECT_EQ(tfifo::blockcount(), before) << "nothing added, nothing allocated";
    f.add(&byte, 1);
    EXPECT_EQ(f.del(0), 1);
    EXPECT_EQ(f.del(-3), 1);
    EXPECT_TRUE(f.get(0).empty());
    EXPECT_TRUE(f.get(-1).empty());
    EXPECT_EQ(f.get(1).size(), 1u);
}

TEST(Tfifo, StoredBytesStayWhereTheyAreWhileMoreIsAdded) {
    tfifo f;
    auto data = pattern(100);
    f.add(data.data(), 100);
    const uint8_t* front = f.get(100).data();
    for (int i = 0; i < 10; ++i)
        f.add(data.data(), 100); // crosses into new blocks
    f.del(10);
    EXPECT_EQ(f.get(100).data(), front + 10);
    EXPECT_EQ(front[0], data[0]) << "the block under the pointer is still ours";
}

// Random adds and deletes against a plain deque: contents, order and the
// number of blocks held always agree.
TEST(Tfifo, RandomTrafficMatchesAPlainQueue) {
    long before = tfifo::blockcount();
    std::mt19937 rng(1420);
    tfifo f;
    std::deque<uint8_t> model;
    uint8_t next = 0;
    for (int step = 0; step < 3000; ++step) {
        if (rng() % 2) {
            std::vector<uint8_t> chunk(rng() % 3000);
            for (auto& b : chunk)
                b = next++;
            f.add(chunk.data(), static_cast<int64_t>(chunk.size()));
            model.insert(model.end(), chunk.begin(), chunk.end());
        } else {
            int64_t n = rng() % 3500;
            auto chunk = f.get(n);
            ASSERT_LE(chunk.size(), static_cast<size_t>(std::min<int64_t>(n, 1420)));
            for (size_t i = 0; i < chunk.size(); ++i)
                ASSERT_EQ(chunk[i], model[i]);
            EXPECT_EQ(f.del(n),
                      static_cast<int64_t>(model.size()) - std::min<int64_t>(n, model.size()));
            model.erase(model.begin(), model.begin() + std::min<int64_t>(n, model.size()));
        }
        ASSERT_EQ(f.size(), static_cast<int64_t>(model.size()));
        // The unread part of the oldest block plus whole blocks: at most one
        // block more than the bytes need.
        long held = tfifo::blockcount() - before;
        ASSERT_LE(held, static_cast<long>(model.size() / 1420 + 2));
        if (model.empty()) {
            ASSERT_EQ(held, 0);
        }
    }
    auto rest = drain(f);
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), model.begin(), model.end()));
}

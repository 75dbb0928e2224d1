#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "framework/small_heap.h"

namespace {

struct TBlock {
    unsigned char* Bytes;
    std::size_t Size;
    unsigned char Mark;
};

bool Intact(const TBlock& block) {
    for (std::size_t i = 0; i < block.Size; ++i)
        if (block.Bytes[i] != block.Mark) return false;
    return true;
}

TBlock NewBlock(std::size_t size, unsigned char mark) {
    TBlock block{new unsigned char[size], size, mark};
    std::memset(block.Bytes, mark, size);
    return block;
}

// Every size up to past the limit: three blocks each, all written in full and
// read back only after all are made, so a block smaller than asked for shows
// as a neighbour's overwritten bytes.
TEST(SmallHeap, BlocksOfEverySizeAreAlignedAndKeepTheirBytes) {
    std::vector<TBlock> blocks;
    for (std::size_t size = 0; size <= kSmallBlockLimit + 64; size += size < 300 ? 1 : 29)
        for (int copy = 0; copy < 3; ++copy) {
            TBlock block = NewBlock(size, static_cast<unsigned char>(blocks.size() * 7 + 1));
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block.Bytes) % 16, 0u) << size;
            EXPECT_EQ(IsSmallBlock(block.Bytes), size <= kSmallBlockLimit) << size;
            blocks.push_back(block);
        }
    std::set<unsigned char*> distinct;
    for (const TBlock& block : blocks) {
        EXPECT_TRUE(Intact(block)) << block.Size;
        distinct.insert(block.Bytes);
    }
    EXPECT_EQ(distinct.size(), blocks.size());
    for (const TBlock& block : blocks) delete[] block.Bytes;

    void* quiet = operator new(40, std::nothrow);
    ASSERT_NE(quiet, nullptr);
    EXPECT_TRUE(IsSmallBlock(quiet));
    operator delete(quiet, std::nothrow);
    EXPECT_FALSE(IsSmallBlock(nullptr));
}

// Up to 512 bytes a block is its size rounded up to 16, as the meter counts
// it: a page's boxes and sections lie there, and a coarser step wasted up to
// 63 bytes of each.
TEST(SmallHeap, BlocksUpToHalfAKilobyteRoundToSixteenBytes) {
    for (std::size_t size : {1, 16, 17, 100, 257, 272, 300, 336, 500, 512, 513}) {
        const std::size_t before = HeapBytesInUse();
        void* block = operator new(size);
        const std::size_t taken = HeapBytesInUse() - before;
        operator delete(block);
        EXPECT_EQ(taken, size <= 512 ? (size + 15) / 16 * 16 : 576u) << size;
    }
}

// A second document of the same shape as the first, freed before it, is made
// entirely of the first one's memory: reading page after page does not grow
// the program.
TEST(SmallHeap, FreedBlocksServeTheNextDocument) {
    std::mt19937 random(29);
    std::vector<std::size_t> sizes(100000);
    for (std::size_t& size : sizes) size = 1 + random() % (random() % 8 == 0 ? kSmallBlockLimit : 120);

    std::set<void*> first;
    std::vector<void*> blocks;
    for (std::size_t size : sizes) blocks.push_back(operator new(size));
    first.insert(blocks.begin(), blocks.end());
    for (void* block : blocks) operator delete(block);

    blocks.clear();
    std::shuffle(sizes.begin(), sizes.end(), random);
    std::size_t fresh = 0;
    for (std::size_t size : sizes) {
        blocks.push_back(operator new(size));
        fresh += first.count(blocks.back()) == 0;
    }
    for (void* block : blocks) operator delete(block);
    EXPECT_EQ(fresh, 0u);
}

// Blocks the main thread made and another thread freed serve the main
// thread's later requests: they are not lost to it.
TEST(SmallHeap, BlocksFreedOnAnotherThreadComeBack) {
    constexpr std::size_t kSize = 3000, kCount = 200;
    std::vector<void*> blocks;
    for (std::size_t i = 0; i < kCount; ++i) blocks.push_back(operator new(kSize));
    const std::set<void*> first(blocks.begin(), blocks.end());
    std::thread([&] {
        for (void* block : blocks) operator delete(block);
    }).join();

    blocks.clear();
    for (std::size_t i = 0; i < kCount; ++i) blocks.push_back(operator new(kSize));
    std::size_t back = 0;
    for (void* block : blocks) back += first.count(block);
    for (void* block : blocks) operator delete(block);
    EXPECT_EQ(back, kCount);
}

// The main thread's blocks are freed by other threads while it goes on
// making blocks of the same sizes, and blocks the other threads make are
// freed by the main thread: every block keeps its mark until it is freed.
TEST(SmallHeap, BlocksCrossThreads) {
    constexpr int kWorkers = 3, kBatches = 300, kBatchSize = 500;
    std::mutex lock;
    std::condition_variable ready;
    std::deque<std::vector<TBlock>> toFree;
    std::vector<TBlock> made;  // by the workers, freed by the main thread
    bool done = false;
    std::atomic<int> broken{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w)
        workers.emplace_back([&, w] {
            for (;;) {
                std::vector<TBlock> batch;
                {
                    std::unique_lock<std::mutex> hold(lock);
                    ready.wait(hold, [&] { return done || !toFree.empty(); });
                    if (toFree.empty()) return;
                    batch = std::move(toFree.front());
                    toFree.pop_front();
                }
                for (const TBlock& block : batch) {
                    broken += !Intact(block);
                    delete[] block.Bytes;
                }
                TBlock own = NewBlock(64, static_cast<unsigned char>(200 + w));
                std::lock_guard<std::mutex> hold(lock);
                made.push_back(own);
            }
        });

    std::mt19937 random(7);
    std::vector<TBlock> kept;
    for (int b = 0; b < kBatches; ++b) {
        std::vector<TBlock> batch;
        for (int i = 0; i < kBatchSize; ++i) {
            TBlock block = NewBlock(1 + random() % 300, static_cast<unsigned char>(b % 199 + 1));
            broken += !IsSmallBlock(block.Bytes);
            (i % 50 == 0 ? kept : batch).push_back(block);
        }
        std::lock_guard<std::mutex> hold(lock);
        toFree.push_back(std::move(batch));
        ready.notify_one();
    }
    {
        std::lock_guard<std::mutex> hold(lock);
        done = true;
        ready.notify_all();
    }
    for (std::thread& worker : workers) worker.join();
    for (const TBlock& block : kept) {
        broken += !Intact(block);
        delete[] block.Bytes;
    }
    for (const TBlock& block : made) {
        broken += !Intact(block);
        delete[] block.Bytes;
    }
    EXPECT_EQ(broken, 0);
    EXPECT_EQ(made.size(), static_cast<size_t>(kBatches));
}

}  // namespace
